#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <vector>

#include "AllocationCount.h"
#include "gfx/PixelBuffer.h"
#include "scene/Keyboard.h"
#include "scene/Scene.h"

// Keys held down by the test; every poll is recorded.
struct FakeKeys : KeyQuery {
    std::set<uint8_t> down;
    std::vector<uint8_t> polls;

    bool isDown(uint8_t key) override
    {
        polls.push_back(key);
        return down.count(key) != 0;
    }
};

class SceneTest : public ::testing::Test {
protected:
    FakeKeys keys;
    PixelBuffer frame{"FrameBuffer", 512, 384};

    void SetUp() override
    {
        resetKeyPresses();
        setKeyQuery(&keys);
    }
    void TearDown() override
    {
        setKeyQuery(nullptr);
        resetKeyPresses();
    }
    // As the show leaves a new effect: on, numbers 0, drawing into the frame; then z 20.
    void prepare(Scene& scene)
    {
        scene.initVariables(&frame);
        scene.applyBaseValues();
        scene.z = 20.0f;
    }
    std::vector<uint32_t> pixels() const { return {frame.pixels, frame.pixels + frame.pixelCount}; }
};

TEST_F(SceneTest, VariablesAndTheDefaultView)
{
    Scene scene;
    EXPECT_STREQ(scene.name, "Scene");
    const char* names[7] = {"flag", "x", "y", "z", "time", "platonic", "pixelRef"};
    const char* tags[7] = {"char *", "float *", "float *", "float *", "float *", "unsigned char *",
                           "struct PixelBuffer * *"};
    ASSERT_EQ(scene.variables.size(), 7u);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(scene.variables[i].name, names[i]);
        EXPECT_EQ(scene.variables[i].typeName, tags[i]);
    }
    EXPECT_EQ(scene.flag, 0);
    EXPECT_EQ(scene.platonic, 1);

    // Switched on as constructed: the tetrahedron at (0, 0, 20), unturned.
    scene.flag = 1;
    scene.pixelRef = &frame;
    scene.draw();
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(scene.rotation.m[i], i == 11 ? 20.0f : (i % 5 == 0) ? 1.0f : 0.0f) << i;
    EXPECT_EQ(frame.pixels[191 * 512 + 180], 0x00939393u);
}

TEST_F(SceneTest, KeyPressesAreEdges)
{
    // Down at its first poll is no press; then press, hold, release, press.
    const bool downs[] = {true, false, true, true, true, false, true};
    const bool pressed[] = {false, false, true, false, false, false, true};
    for (int i = 0; i < 7; ++i) {
        keys.down = downs[i] ? std::set<uint8_t>{kKeyEscape} : std::set<uint8_t>{};
        EXPECT_EQ(keyPressed(kKeyEscape), pressed[i]) << i;
        EXPECT_FALSE(keyPressed(kKeyUp)) << i; // a flag of its own
    }
    keys.down.clear();
    keyPressed(kKeyEscape);
    resetKeyPresses(); // forgets that release
    keys.down = {kKeyEscape};
    EXPECT_FALSE(keyPressed(kKeyEscape));
    setKeyQuery(nullptr); // no query: nothing is ever down
    EXPECT_FALSE(keyPressed(kKeyEscape));
    EXPECT_FALSE(keyPressed(kKeyEscape));
}

TEST_F(SceneTest, KeysNudgeTheSolidOnePressAtATime)
{
    Scene off;
    off.pixelRef = &frame;
    keys.down = {kKeyPageUp};
    off.draw(); // flag 0: no key is read, nothing drawn
    EXPECT_TRUE(keys.polls.empty());
    EXPECT_EQ(pixels(), std::vector<uint32_t>(512 * 384, 0));

    Scene scene;
    prepare(scene);
    auto frameWith = [&](std::set<uint8_t> down) {
        keys.down = std::move(down);
        keys.polls.clear();
        scene.draw();
    };
    frameWith({});
    EXPECT_EQ(keys.polls, (std::vector<uint8_t>{0x21, 0x22, 0x25, 0x27, 0x26, 0x28}));
    for (int i = 0; i < 5; ++i)
        frameWith({kKeyPageUp}); // held: once
    frameWith({});
    frameWith({kKeyPageUp, kKeyLeft}); // Page Up acts, Left waits unpolled
    EXPECT_EQ(keys.polls, (std::vector<uint8_t>{kKeyPageUp}));
    EXPECT_EQ(scene.z, 8.0f);
    EXPECT_EQ(scene.x, 0.0f);
    frameWith({kKeyPageUp, kKeyLeft});
    EXPECT_EQ(scene.x, -2.0f);

    const uint8_t order[] = {kKeyPageDown, kKeyRight, kKeyUp, kKeyDown};
    const float moves[4][3] = {{0, 0, 6}, {2, 0, 0}, {0, -2, 0}, {0, 2, 0}};
    for (int i = 0; i < 4; ++i) {
        frameWith({});
        const float x = scene.x, y = scene.y, z = scene.z;
        frameWith({order[i]});
        EXPECT_EQ(scene.x - x, moves[i][0]);
        EXPECT_EQ(scene.y - y, moves[i][1]);
        EXPECT_EQ(scene.z - z, moves[i][2]);
        EXPECT_EQ(scene.rotation.m[11], scene.z); // the moved position is drawn
    }
}

TEST_F(SceneTest, PlatonicPicksTheSolidAndOtherValuesKeepIt)
{
    Scene scene, cube, tetra;
    for (Scene* s : {&scene, &cube, &tetra})
        prepare(*s);
    cube.platonic = 2;
    tetra.platonic = 1;
    auto frameOf = [&](Scene& s, float time) {
        std::fill_n(frame.pixels, frame.pixelCount, 0u);
        s.time = time;
        s.draw();
        return pixels();
    };
    const uint8_t platonic[] = {0, 2, 0, 7, 2, 1, 0, 9};
    const bool showsCube[] = {false, true, true, true, true, false, false, false};
    for (int i = 0; i < 8; ++i) {
        scene.platonic = platonic[i];
        const std::vector<uint32_t> shown = frameOf(scene, 40.0f * float(i));
        EXPECT_EQ(shown, frameOf(showsCube[i] ? cube : tetra, 40.0f * float(i))) << i;
        EXPECT_NE(shown, frameOf(showsCube[i] ? tetra : cube, 40.0f * float(i))) << i;
    }
}

// Equal depths come out in the order the face array had at the last load:
// reloading every frame carries the previous frame's drawing order forward.
TEST_F(SceneTest, EqualDepthsFollowTheOrderOfTheLastLoad)
{
    const Mesh built = buildMesh(Cube, 5.0f);
    auto order = [&](const Mesh& mesh) {
        std::vector<int> out;
        for (int i = 0; i < 12; ++i)
            for (int j = 0; j < 12; ++j)
                if (mesh.faces[i].a == built.faces[j].a && mesh.faces[i].b == built.faces[j].b)
                    out.push_back(j);
        return out;
    };
    // Unturned, the cube's faces fall into four groups of equal depth.
    const int group[12] = {0, 0, 1, 2, 1, 2, 2, 1, 2, 1, 3, 3};
    auto sortedFrom = [&](const std::vector<int>& loaded) {
        std::vector<int> out;
        for (int g = 0; g < 4; ++g)
            std::copy_if(loaded.begin(), loaded.end(), std::back_inserter(out), [&](int i) { return group[i] == g; });
        return out;
    };
    const std::vector<int> builtOrder = order(built);
    for (uint8_t reload : {2, 0}) {
        Scene scene;
        prepare(scene);
        scene.platonic = 2;
        scene.time = 57.0f;
        scene.draw();
        const std::vector<int> turned = order(scene.cube);
        ASSERT_NE(sortedFrom(turned), sortedFrom(builtOrder));
        scene.platonic = reload;
        scene.time = 0.0f;
        scene.draw();
        EXPECT_EQ(order(scene.cube), sortedFrom(reload == 2 ? turned : builtOrder)) << int(reload);
    }
}

TEST_F(SceneTest, MissingOrSmallTargetsGetNothing)
{
    Scene scene;
    prepare(scene);
    scene.pixelRef = nullptr;
    scene.draw();
    for (auto [w, h] : {std::pair{511, 384}, std::pair{512, 383}, std::pair{16, 16}}) {
        PixelBuffer small("small", uint16_t(w), uint16_t(h));
        scene.pixelRef = &small;
        scene.draw();
        EXPECT_TRUE(std::all_of(small.pixels, small.pixels + small.pixelCount, [](uint32_t p) { return p == 0; }));
    }
}

// For the AddressSanitizer build above all: a stray access is reported there.
TEST_F(SceneTest, AnyTimeAndPositionStaysInsideTheFrame)
{
    Scene scene;
    prepare(scene);
    std::mt19937 random(99);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    const float inf = INFINITY;
    const float depths[] = {-0.0038910506f, 0.0f, -0.004f, -5.0f, -20.0f, 1e-30f, 1e30f, -1e30f, inf, -inf, NAN, 5.0f};
    const uint8_t allKeys[] = {kKeyPageUp, kKeyPageDown, kKeyLeft, kKeyRight, kKeyUp, kKeyDown};
    int centreDrawn = 0;
    for (int i = 0; i < 4000; ++i) {
        scene.platonic = uint8_t(i % 5);
        scene.time = unit(random) * 200000.0f;
        const float reach = (i % 3 == 0) ? 5000.0f : 60.0f;
        scene.x = unit(random) * reach;
        scene.y = unit(random) * reach;
        scene.z = (i % 7 == 0) ? depths[(i / 7) % 12] : 20.0f + unit(random) * 80.0f;
        keys.down.clear();
        if (random() % 4 == 0)
            keys.down.insert(allKeys[random() % 6]);
        scene.draw();
        centreDrawn += frame.pixels[192 * 512 + 256] != 0;
    }
    EXPECT_GT(centreDrawn, 0);
    for (int i = 0; i < 512; ++i)
        ASSERT_TRUE(frame.pixels[383 * 512 + i] == 0 && (i >= 384 || frame.pixels[i * 512 + 511] == 0)) << i;
}

TEST_F(SceneTest, DrawAllocatesNothing)
{
    Scene scene;
    prepare(scene);
    keys.down = {kKeyLeft};
    keys.polls.reserve(1000);
    startCountingAllocations();
    for (int i = 0; i < 40; ++i) {
        scene.platonic = uint8_t(i % 3 == 0 ? 2 : i % 3);
        scene.time = float(i) * 37.0f;
        scene.draw();
    }
    EXPECT_EQ(stopCountingAllocations(), 0);
}
