#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "gfx/PixelBuffer.h"
#include "params/VarContainer.h"

namespace {

// A container with one member of every type, registered in tag order.
struct AllTypes : VarContainer {
    int8_t c = 0;
    uint8_t uc = 0;
    int16_t s = 0;
    uint16_t us = 0;
    int32_t i = 0;
    uint32_t ui = 0;
    int32_t l = 0;
    uint32_t ul = 0;
    float f = 0;
    PixelBuffer* buffer = nullptr;
    int8_t flag = 0;

    AllTypes()
    {
        setClassName(typeid(*this));
        addVariable(&c, "c", "");
        addVariable(&uc, "uc", "");
        addVariable(&s, "s", "");
        addVariable(&us, "us", "");
        addVariable(&i, "i", "");
        addVariable(&ui, "ui", "");
        addVariable(&l, "l", "", VarType::Long);
        addVariable(&ul, "ul", "", VarType::ULong);
        addVariable(&f, "f", "");
        addVariable(&buffer, "buffer", "");
        addVariable(&flag, "flag", "");
    }
};

TEST(Variables, RecordsCarryTheirTypeTags)
{
    AllTypes v;
    const char* expected[] = {"char *",          "unsigned char *", "short *", "unsigned short *",
                              "int *",           "unsigned int *",  "long *",  "unsigned long *",
                              "float *",         "struct PixelBuffer * *", "char *"};
    ASSERT_EQ(v.variables.size(), 11u);
    for (size_t k = 0; k < v.variables.size(); ++k)
        EXPECT_EQ(v.variables[k].typeName, expected[k]) << v.variables[k].name;
    EXPECT_STREQ(v.name, "AllTypes");
    EXPECT_THROW(v.addVariable(&v.i, "bad", "", VarType::Float), std::logic_error);
}

TEST(Variables, LookupIsExactAndFirstWins)
{
    struct Twice : VarContainer {
        int32_t a = 0, b = 0;
        Twice()
        {
            addVariable(&a, "posX", "");
            addVariable(&b, "posX", "");
        }
    } t;
    ASSERT_NE(t.getVariable("posX"), nullptr);
    EXPECT_EQ(t.getVariable("posX")->target, &t.a);
    EXPECT_EQ(t.getVariable("posx"), nullptr);
    EXPECT_EQ(t.getVariable("pos"), nullptr);
    EXPECT_EQ(t.getVariable("posX "), nullptr);
    EXPECT_EQ(t.getVariable(""), nullptr);
    VarContainer empty;
    EXPECT_EQ(empty.getVariable("flag"), nullptr);
    empty.initVariables(nullptr);
    empty.applyBaseValues();
    empty.evaluate(0.0f);
}

TEST(Variables, InitVariablesGivesFlagOneNumbersZeroAndBuffersTheDefault)
{
    PixelBuffer frame("FrameBuffer", 4, 4);
    AllTypes v;
    v.c = 9, v.f = 9.5f, v.flag = 7;
    v.initVariables(&frame);
    v.applyBaseValues();
    EXPECT_EQ(v.c, 0);
    EXPECT_EQ(v.f, 0.0f);
    EXPECT_EQ(v.flag, 1);
    EXPECT_EQ(v.buffer, &frame);
    for (const VarRecord& r : v.variables) {
        ASSERT_EQ(r.segments.size(), 1u);
        EXPECT_EQ(r.segments[0]->mode, Hold);
    }
}

TEST(Variables, ArgumentsConvertByType)
{
    AllTypes v;
    v.initVariables(nullptr);
    auto hold = [&](const char* name, int32_t value) {
        v.getVariable(name)->addSegmentWithMode(value, value, nullptr, Hold, 10, 20);
    };
    hold("c", 0x1ff);   // low 8 bits, signed
    hold("uc", -1);     // low 8 bits
    hold("s", 0x18000); // low 16 bits, signed
    hold("us", -2);
    hold("ui", -1);     // bit pattern
    hold("f", 16777217); // nearest float
    v.evaluate(15);
    EXPECT_EQ(v.c, -1);
    EXPECT_EQ(v.uc, 255);
    EXPECT_EQ(v.s, -32768);
    EXPECT_EQ(v.us, 65534);
    EXPECT_EQ(v.ui, 0xffffffffu);
    EXPECT_EQ(v.f, 16777216.0f);
}

// The blend is in float and truncates toward zero, never rounds.
TEST(Variables, LinearBlendTruncates)
{
    AllTypes v;
    v.initVariables(nullptr);
    v.getVariable("uc")->addSegmentWithMode(0, 255, nullptr, Linear, 2000, 4000);
    v.getVariable("c")->addSegmentWithMode(0, -40, nullptr, Linear, 0, 100);
    v.getVariable("i")->addSegmentWithMode(50, 2, nullptr, Linear, 13000, 14000);
    v.getVariable("f")->addSegmentWithMode(100, 0, nullptr, Linear, 0, 1000);
    v.getVariable("ui")->addSegmentWithMode(0, 0x00ffffff, nullptr, Linear, 0, 2);

    v.evaluate(2001);
    EXPECT_EQ(v.uc, 0);
    v.evaluate(3999);
    EXPECT_EQ(v.uc, 254);
    v.evaluate(2000);
    EXPECT_EQ(v.uc, 0);
    v.evaluate(4000);
    EXPECT_EQ(v.uc, 255);

    v.evaluate(50);
    EXPECT_EQ(v.c, -20);
    v.evaluate(51);
    EXPECT_EQ(v.c, -20); // -20.4 toward zero
    v.evaluate(100);
    EXPECT_EQ(v.c, -40);

    v.evaluate(13500);
    EXPECT_EQ(v.i, 26);

    v.evaluate(250);
    EXPECT_EQ(v.f, 75.0f);

    v.evaluate(1); // a colour blends as one number: 0xffffff / 2 = 8388607.5, as float 8388607.5
    EXPECT_EQ(v.ui, 8388607u);
}

TEST(Variables, LinearBlendExtremesStayDefined)
{
    AllTypes v;
    v.initVariables(nullptr);
    v.getVariable("i")->addSegmentWithMode(INT32_MAX, INT32_MAX, nullptr, Linear, 0, 10);
    v.getVariable("ui")->addSegmentWithMode(-1, -1, nullptr, Linear, 0, 10);
    v.evaluate(5);
    EXPECT_EQ(v.i, INT32_MIN); // 2^31 as float is out of range: the x86 indefinite value
    EXPECT_EQ(v.ui, 0u);       // 2^32 as float keeps its low 32 bits
}

TEST(Variables, LaterSegmentsWinAndValuesPersist)
{
    AllTypes v;
    v.initVariables(nullptr);
    VarRecord* i = v.getVariable("i");
    i->addSegmentWithMode(5, 5, nullptr, Hold, 0, 100);
    i->addSegmentWithMode(7, 7, nullptr, Hold, 50, 60);
    v.applyBaseValues();
    v.evaluate(55);
    EXPECT_EQ(v.i, 7);
    v.evaluate(70);
    EXPECT_EQ(v.i, 5);
    v.evaluate(500); // no active segment: keeps the last written value
    EXPECT_EQ(v.i, 5);
    v.evaluate(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(v.i, 5);
}

TEST(Variables, InertSegments)
{
    AllTypes v;
    v.initVariables(nullptr);
    v.i = 3;
    VarRecord* i = v.getVariable("i");
    i->addSegmentWithMode(9, 9, nullptr, Hold, 20, 10);   // start after end
    i->addSegmentWithMode(9, 9, nullptr, 3, 0, 100);      // unknown mode
    i->addSegmentWithMode(9, 9, nullptr, Linked, 0, 100); // no link
    v.evaluate(15);
    EXPECT_EQ(v.i, 3);
    // A zero-length linear span shows `from` at its one instant.
    i->addSegmentWithMode(4, 8, nullptr, Linear, 30, 30);
    v.evaluate(30);
    EXPECT_EQ(v.i, 4);
}

TEST(Variables, SetBaseKeepsKeyframesAndBaseTimes)
{
    PixelBuffer a("a", 1, 1), b("b", 1, 1);
    AllTypes v;
    v.initVariables(&a);
    VarRecord* i = v.getVariable("i");
    i->addSegmentWithMode(5, 5, nullptr, Hold, 0, 10);
    i->setBase(42, 0, nullptr);
    ASSERT_EQ(i->segments.size(), 2u);
    EXPECT_EQ(i->segments[0]->startTime, 0.0f);
    EXPECT_EQ(i->segments[0]->mode, Hold);
    v.getVariable("buffer")->setBase(0, 0, &b);
    v.applyBaseValues();
    EXPECT_EQ(v.i, 42);
    EXPECT_EQ(v.buffer, &b);
    v.evaluate(5);
    EXPECT_EQ(v.i, 5);
    v.applyBaseValues();
    EXPECT_EQ(v.i, 42);
}

TEST(Variables, PictureSegmentsIgnoreTheirMode)
{
    PixelBuffer frame("FrameBuffer", 1, 1), picture("p", 1, 1);
    AllTypes v;
    v.initVariables(&frame);
    v.getVariable("buffer")->addSegmentWithMode(1, 2, &picture, Linear, 10, 20);
    v.applyBaseValues();
    v.evaluate(15);
    EXPECT_EQ(v.buffer, &picture);
}

TEST(Variables, FirstFrameOverridesTheBase)
{
    AllTypes v;
    v.initVariables(nullptr);
    v.getVariable("flag")->setBase(0, 0, nullptr);
    v.getVariable("flag")->addSegmentWithMode(1, 1, nullptr, Linear, 0, 100);
    v.applyBaseValues();
    EXPECT_EQ(v.flag, 0);
    v.evaluate(16);
    EXPECT_EQ(v.flag, 1);
}

} // namespace

// Random keyframe lists (overlapping, inverted, zero-length, never active,
// in order of start or not, every mode, links to another member or to the
// member itself, keyframes added between frames):
// evaluating leaves what applying every active segment in list order leaves.
TEST(Variables, EvaluationMatchesApplyingEveryActiveSegmentInOrder)
{
    struct Key {
        int32_t from, to;
        uint8_t mode;
        float start, end;
        int link; // 0 none, 1 another member, 2 the member itself
    };
    // Keys take the first five, frames any.
    const float times[] = {0.0f, 10.0f, 20.0f, 30.0f, std::numeric_limits<float>::quiet_NaN(), 10.5f, -5.0f, 1e9f};
    std::mt19937 rng(5);
    const auto randomKey = [&] {
        return Key{int32_t(rng() % 200) - 100, int32_t(rng() % 200) - 100, uint8_t(rng() % 4),
                   times[rng() % 5], times[rng() % 5], int(rng() % 3)};
    };
    // Adds the key to the container's "i" and "f", linked within that container.
    const auto add = [](AllTypes& v, const Key& k) {
        for (const char* name : {"i", "f"}) {
            VarRecord& r = *v.getVariable(name);
            r.addSegmentWithMode(k.from, k.to, nullptr, k.mode, k.start, k.end);
            if (r.type == VarType::Int)
                static_cast<Variable<int32_t>&>(*r.segments.back()).link =
                    k.link == 1 ? &v.l : k.link == 2 ? &v.i : nullptr;
            else
                static_cast<Variable<float>&>(*r.segments.back()).link = k.link == 2 ? &v.f : nullptr;
        }
    };
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<Key> keys(rng() % 10);
        std::generate(keys.begin(), keys.end(), randomKey);
        if (trial % 2) // in order of start, as runs of pictures are
            std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
                return !std::isnan(a.start) && (std::isnan(b.start) || a.start < b.start);
            });
        AllTypes v;
        v.initVariables(nullptr);
        v.l = 77;
        for (const Key& k : keys)
            add(v, k);
        int32_t i = 0;
        float f = 0.0f;
        for (int frame = 0; frame < 8; ++frame) {
            if (frame == 4) {
                keys.push_back(randomKey());
                add(v, keys.back());
            }
            const float t = times[rng() % 8];
            v.evaluate(t);
            for (const Key& k : keys) {
                AllTypes one; // the key alone
                one.initVariables(nullptr);
                one.l = 77;
                one.i = i;
                one.f = f;
                add(one, k);
                one.evaluate(t);
                i = one.i;
                f = one.f;
            }
            ASSERT_EQ(v.i, i) << "trial " << trial << " frame " << frame;
            ASSERT_EQ(v.f, f) << "trial " << trial << " frame " << frame;
        }
    }
}
