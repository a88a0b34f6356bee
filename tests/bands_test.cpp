#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "TestData.h"
#include "base/Workers.h"
#include "effects/CAExp.h"
#include "effects/Fill.h"
#include "effects/Noise.h"
#include "effects/PutBuffer.h"
#include "effects/Random.h"
#include "effects/Tunnel.h"
#include "effects/Voxel.h"
#include "engine/Production.h"
#include "scene/Scene.h"
#include "show/Timeline.h"

namespace {

void fillRandom(PixelBuffer& b, unsigned seed)
{
    std::mt19937 rng(seed);
    for (uint32_t i = 0; i < b.pixelCount; ++i)
        b.pixels[i] = rng();
}

std::vector<uint32_t> pixelsOf(const PixelBuffer& b)
{
    return {b.pixels, b.pixels + b.pixelCount};
}

// Band edges at the rows where clipping and band boundaries meet: rows 0 and
// 1, a band's last row and the next band's first, the last row.
const std::vector<uint32_t> kEdges = {0, 1, 2, Production::kBandRows - 1, Production::kBandRows,
                                      Production::kBandRows + 1, 200, 383, 384};

struct Case {
    const char* name;
    // Makes the effect drawing into `target`, reading `source` where it reads a picture.
    std::function<std::unique_ptr<Effect>(PixelBuffer& target, PixelBuffer& source)> make;
};

template <class E>
std::unique_ptr<E> effect(PixelBuffer& target)
{
    auto e = std::make_unique<E>();
    e->pixelRef = &target;
    return e;
}

std::unique_ptr<Effect> putBuffer(PixelBuffer& target, PixelBuffer& source, uint8_t mode, int32_t posY,
                                  uint16_t posX = 0)
{
    auto p = effect<PutBuffer>(target);
    p->flag = 1;
    p->blendmode = mode;
    p->fromBuffer = &source;
    p->alpha = 200;
    p->posX = posX;
    p->posY = posY;
    return p;
}

// A data directory with landscape maps of random bytes.
struct MapDir : TempDir {
    MapDir()
    {
        std::mt19937 rng(5);
        std::vector<uint8_t> heights(256 * 256), colours(3 * 256 * 256);
        for (uint8_t& b : heights)
            b = uint8_t(rng() % 200);
        for (uint8_t& b : colours)
            b = uint8_t(rng());
        writeBytes(file("tarnolm/heightmap.raw"), heights);
        writeBytes(file("tarnolm/heightmapcol.raw"), colours);
    }
};

} // namespace

// Every effect class drawn band by band (bands out of order, at the edges
// above, one thread or three) gives the pixels and the random sequence of
// one whole draw.
TEST(Bands, EveryEffectDrawsTheSameInBands)
{
    const MapDir maps;

    const std::vector<Case> cases = {
        {"Clear", [](PixelBuffer& t, PixelBuffer&) { auto e = effect<Clear>(t); e->flag = 1, e->color = 0x123456; return e; }},
        {"Box crossing a band and wrapping", [](PixelBuffer& t, PixelBuffer&) {
             auto e = effect<Box>(t);
             e->flag = 1, e->posX = 500, e->posY = uint16_t(Production::kBandRows - 20), e->color = 7;
             return e;
         }},
        {"Circle crossing a band", [](PixelBuffer& t, PixelBuffer&) {
             auto e = effect<Circle>(t);
             e->flag = 1, e->posX = 1000, e->posY = 2 * Production::kBandRows - 3, e->color = 9;
             return e;
         }},
        {"Noise", [](PixelBuffer& t, PixelBuffer&) { auto e = effect<Noise>(t); e->flag = 1, e->color = 0xff80ff; return e; }},
        {"GradientReflected", [](PixelBuffer& t, PixelBuffer&) {
             auto e = effect<GradientReflected>(t);
             e->flag = 1, e->color = 0xffffff;
             return e;
         }},
        {"PutBuffer copy cut at the top", [](PixelBuffer& t, PixelBuffer& s) { return putBuffer(t, s, 0, -1, 3); }},
        {"PutBuffer copy cut at the bottom", [](PixelBuffer& t, PixelBuffer& s) { return putBuffer(t, s, 0, 383); }},
        {"PutBuffer add at a random row", [](PixelBuffer& t, PixelBuffer& s) {
             auto e = putBuffer(t, s, 1, 0);
             static_cast<PutBuffer&>(*e).random2 = 1;
             return e;
         }},
        {"PutBuffer subtract", [](PixelBuffer& t, PixelBuffer& s) { return putBuffer(t, s, 2, 0); }},
        {"PutBuffer blend, jittered and wobbling", [](PixelBuffer& t, PixelBuffer& s) {
             auto e = putBuffer(t, s, 3, int32_t(Production::kBandRows) - 97, 450);
             auto& p = static_cast<PutBuffer&>(*e);
             p.randFlag = 1, p.randAmount = 10, p.sinewave = 1, p.amplitude = 40, p.time = 2.0f;
             return e;
         }},
        {"PutBuffer onto itself", [](PixelBuffer& t, PixelBuffer&) { return putBuffer(t, t, 3, 1, 1); }},
        {"Tunnel", [](PixelBuffer& t, PixelBuffer& s) {
             auto e = effect<Tunnel>(t);
             e->flag = 1, e->fromBuffer = &s, e->time = 0.3f;
             return e;
         }},
        {"Voxel", [&maps](PixelBuffer& t, PixelBuffer&) {
             auto e = std::make_unique<Voxel>(maps.str());
             e->pixelRef = &t, e->flag = 1, e->goForwardAmount = 10, e->goForward = 3.5f, e->offsetX = 40;
             return e;
         }},
        {"CAExp", [](PixelBuffer& t, PixelBuffer&) { auto e = effect<CAExp>(t); e->flag = 1; return e; }},
        {"Scene", [](PixelBuffer& t, PixelBuffer&) { auto e = effect<Scene>(t); e->flag = 1, e->time = 300.0f; return e; }},
        {"Scene, a near cube cut at the top", [](PixelBuffer& t, PixelBuffer&) {
             auto e = effect<Scene>(t);
             e->flag = 1, e->platonic = 2, e->time = 95.0f, e->y = -7.0f, e->z = 11.0f;
             return e;
         }},
    };

    PixelBuffer source("source", 64, 64), target("FrameBuffer", 512, 384);
    fillRandom(source, 1);
    Workers one, three(3);
    for (const Case& c : cases)
        for (Workers* workers : {&one, &three}) {
            SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(workers->threads()) + " threads");
            fillRandom(target, 2);
            randomState() = 77;
            c.make(target, source)->draw();
            const std::vector<uint32_t> whole = pixelsOf(target);
            const uint32_t wholeState = randomState();

            fillRandom(target, 2);
            randomState() = 77;
            auto e = c.make(target, source);
            const DrawPlan plan = e->beginDraw(*workers);
            if (plan.kind == DrawPlan::Whole)
                e->draw();
            else if (plan.kind == DrawPlan::Rows)
                for (size_t i = kEdges.size() - 1; i > 0; --i)
                    e->drawRows(kEdges[i - 1], kEdges[i]);
            EXPECT_EQ(randomState(), wholeState);
            ASSERT_EQ(pixelsOf(target), whole);
        }
}

// The production joins effects into runs of bands only where no effect reads
// what another in the run writes; drawn effect by effect, the pictures match.
TEST(Bands, ProductionBreaksRunsWhereAnEffectReadsAnotherOnesTarget)
{
    const MapDir maps;
    for (unsigned threads : {1u, 2u, 3u}) {
        Production p(maps.str());
        p.setThreads(threads);
        p.addBuffer("FrameBuffer");
        p.addBuffer("scratch");
        PixelBuffer& frame = *p.getBuffer("FrameBuffer");
        PixelBuffer& scratch = *p.getBuffer("scratch");
        // Each source lies lower than where it lands, so a band would read
        // rows that a run drawn band by band had not drawn yet.
        p.addEffect("Noise");     // into the scratch buffer
        p.addEffect("PutBuffer"); // reads what the run writes: a new run
        p.addEffect("Clear");     // writes what the run reads: a new run
        p.addEffect("PutBuffer"); // the frame added onto the scratch buffer: the same run
        p.addEffect("PutBuffer"); // reads what the run writes: a new run
        auto& noise = static_cast<Noise&>(*p.effects[0]);
        noise.flag = 1, noise.color = 0xffffff, noise.pixelRef = &scratch;
        auto& blend = static_cast<PutBuffer&>(*p.effects[1]);
        blend.flag = 1, blend.blendmode = 3, blend.alpha = 255, blend.fromBuffer = &scratch, blend.pixelRef = &frame;
        blend.posY = -20;
        auto& clear = static_cast<Clear&>(*p.effects[2]);
        clear.flag = 1, clear.color = 0x404040, clear.pixelRef = &scratch;
        auto& add = static_cast<PutBuffer&>(*p.effects[3]);
        add.flag = 1, add.blendmode = 1, add.alpha = 255, add.fromBuffer = &frame, add.pixelRef = &scratch;
        auto& copy = static_cast<PutBuffer&>(*p.effects[4]);
        copy.flag = 1, copy.blendmode = 0, copy.posY = -7, copy.fromBuffer = &scratch, copy.pixelRef = &frame;

        fillRandom(frame, 3);
        randomState() = 9;
        for (auto& e : p.effects)
            e->draw();
        const std::vector<uint32_t> expected = pixelsOf(frame);
        fillRandom(frame, 3);
        randomState() = 9;
        p.draw();
        ASSERT_EQ(pixelsOf(frame), expected) << threads << " threads";
    }
}

// Adds and subtracts over the whole frame are drawn together, starting from
// a Clear's colour where one comes first, grey pictures are read through
// their grey copies until something draws into them, and blends that only
// darken (alpha 0 or 1) are drawn together; frame after frame, with alphas,
// rows and places at their edges, the pixels are those of effect after effect.
TEST(Bands, PassesDrawnTogetherMatchEffectAfterEffect)
{
    const MapDir maps;
    std::mt19937 rng(21);
    const auto picture = [&](uint16_t height, bool grey) {
        DecodedImage image{512, height, std::vector<uint32_t>(512 * size_t(height))};
        for (uint32_t& p : image.pixels)
            p = grey ? (rng() & 0xff000000) | (rng() % 256) * 0x010101u : uint32_t(rng());
        return image;
    };
    // The grain is too short for some rows random2 picks; "short" always is.
    const std::pair<const char*, DecodedImage> pictures[] = {
        {"grain", picture(1000, true)}, {"vignette", picture(384, true)}, {"colour", picture(384, false)},
        {"short", picture(100, true)}};
    // target, source (null: a Clear), blend mode, random2
    const std::tuple<const char*, const char*, uint8_t, bool> layers[] = {
        {"FrameBuffer", nullptr, 0, false},    {"FrameBuffer", "colour", 1, false}, {"FrameBuffer", "grain", 1, true},
        {"FrameBuffer", "grain", 2, true},     {"FrameBuffer", "vignette", 2, false},
        {"FrameBuffer", "short", 1, false},    {"grain", nullptr, 0, false}, // a grey picture drawn into
        {"FrameBuffer", "vignette", 1, false}, {"FrameBuffer", "FrameBuffer", 2, true},
        {"FrameBuffer", "short", 3, false},    {"FrameBuffer", "colour", 3, false}, // blends, which darken at
        {"FrameBuffer", "short", 3, false},    {"FrameBuffer", "vignette", 3, false}}; // alpha 0 or 1

    for (unsigned threads : {1u, 3u}) {
        Production together(maps.str()), apart(maps.str());
        for (Production* p : {&together, &apart}) {
            p->setThreads(threads);
            p->addBuffer("FrameBuffer");
            for (const auto& [name, image] : pictures)
                p->addImage(name, image);
            for (const auto& [target, source, mode, random2] : layers) {
                p->addEffect(source ? "PutBuffer" : "Clear");
                p->lastEffect()->pixelRef = p->getBuffer(target);
                if (auto* put = dynamic_cast<PutBuffer*>(p->lastEffect()))
                    put->fromBuffer = p->getBuffer(source), put->blendmode = mode, put->random2 = random2;
            }
        }
        for (const char* grey : {"grain", "vignette", "short"})
            ASSERT_NE(together.getBuffer(grey)->grey(), nullptr) << grey;
        ASSERT_EQ(together.getBuffer("colour")->grey(), nullptr);

        const int alphas[] = {0, 1, 254, 255, -1};
        const auto mode = [&](size_t i) { return std::get<2>(layers[i]); };
        for (int frame = 0; frame < 40; ++frame) {
            for (size_t i = 0; i < std::size(layers); ++i) {
                // The grain stays as loaded for three frames.
                const bool on = i == 6 ? frame >= 3 && rng() % 2 : frame < 3 || rng() % 4 != 0;
                const int pick = alphas[rng() % 5];
                const uint8_t alpha = uint8_t(pick < 0 ? rng() : uint32_t(pick));
                const uint32_t colour = uint32_t(rng());
                const uint16_t x = uint16_t(rng() % 600);
                const int32_t y = int32_t(rng() % 500) - 100;
                for (Production* p : {&together, &apart}) {
                    if (auto* put = dynamic_cast<PutBuffer*>(p->effects[i].get()))
                        put->flag = on, put->alpha = mode(i) == 3 ? alpha % 3 : alpha, put->posX = x, put->posY = y;
                    else if (auto* clear = dynamic_cast<Clear*>(p->effects[i].get()))
                        clear->flag = on, clear->color = colour;
                }
            }
            randomState() = uint32_t(frame);
            together.draw();
            const uint32_t state = randomState();
            randomState() = uint32_t(frame);
            for (auto& e : apart.effects)
                e->draw();
            ASSERT_EQ(randomState(), state);
            for (const char* name : {"FrameBuffer", "grain"})
                ASSERT_EQ(pixelsOf(*together.getBuffer(name)), pixelsOf(*apart.getBuffer(name)))
                    << name << ", frame " << frame << ", " << threads << " threads";
        }
        EXPECT_EQ(together.getBuffer("grain")->grey(), nullptr) << "drawn into";
        EXPECT_NE(together.getBuffer("vignette")->grey(), nullptr);
    }
}

// The whole show gives the same frames on 1, 2 and 3 threads (at 10 fps, to
// stay quick), from the data pack the build made.
TEST(Bands, TheShowIsTheSameOnAnyNumberOfThreads)
{
    const std::string data = std::string(SOFTDEMO_SOURCE_DIR) + "/data";
    if (!std::filesystem::exists(data + "/noise.png"))
        GTEST_SKIP() << "no data pack in " << data;
    const ShowScript show = parseShow(embeddedShowText(), kEmbeddedShowName);
    std::vector<std::vector<uint64_t>> hashes;
    for (unsigned threads : {1u, 2u, 3u}) {
        randomState() = 1;
        Timeline timeline(show, data, 10, {}, threads);
        hashes.emplace_back();
        while (timeline.renderNext())
            hashes.back().push_back(frameHash(timeline.frameBuffer()));
    }
    ASSERT_EQ(hashes[0].size(), 1184u);
    for (size_t t = 1; t < hashes.size(); ++t)
        for (size_t i = 0; i < hashes[0].size(); ++i)
            ASSERT_EQ(hashes[t][i], hashes[0][i]) << t + 1 << " threads, frame at " << frameTimeMs(i, 10) << " ms";
}

TEST(Workers, EveryTaskRunsOnceOnAnyNumberOfThreads)
{
    for (unsigned threads : {1u, 2u, 4u}) {
        Workers workers(threads);
        EXPECT_EQ(workers.threads(), threads);
        for (uint32_t count : {0u, 1u, 2u, 3u, 100u, 70000u}) {
            std::vector<std::atomic<int>> runs(count);
            auto task = [&](uint32_t i) { runs[i].fetch_add(1); };
            workers.run(count, task);
            for (uint32_t i = 0; i < count; ++i)
                ASSERT_EQ(runs[i].load(), 1) << threads << " threads, task " << i << " of " << count;
        }
        // Slow tasks at the start of the caller's run and none elsewhere:
        // the other threads finish theirs and take the caller's from its end.
        for (uint32_t count : {2u, 9u, 64u}) {
            std::vector<std::atomic<int>> runs(count);
            auto task = [&](uint32_t i) {
                if (i < count / threads)
                    std::this_thread::sleep_for(std::chrono::microseconds(300));
                runs[i].fetch_add(1);
            };
            workers.run(count, task);
            for (uint32_t i = 0; i < count; ++i)
                ASSERT_EQ(runs[i].load(), 1) << threads << " threads, uneven task " << i << " of " << count;
        }
        // Job after job of another size, where a thread late for one job
        // must not take a task of the next.
        std::atomic<uint64_t> ran{0};
        uint64_t expected = 0;
        auto count = [&](uint32_t) { ran.fetch_add(1); };
        for (uint32_t job = 0; job < 20000; ++job) {
            workers.run(job % 37, count);
            expected += job % 37;
        }
        EXPECT_EQ(ran.load(), expected) << threads << " threads";
    }
    // One thread starts none: every task runs on the caller's.
    Workers one;
    const auto caller = std::this_thread::get_id();
    auto onCaller = [&](uint32_t) { EXPECT_EQ(std::this_thread::get_id(), caller); };
    one.run(10, onCaller);
}
