#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

#include "effects/Random.h"
#include "engine/Production.h"
#include "pack/DataManifest.h"
#include "show/PackNeeds.h"
#include "show/Timeline.h"

namespace {

uint32_t needOf(const std::vector<PackNeed>& needs, const std::string& file)
{
    for (const PackNeed& n : needs)
        if (n.file == file)
            return n.ms;
    ADD_FAILURE() << file << " is not among the needs";
    return 0;
}

// A picture is needed from the first time any picture or target member points
// at it, drawn or not.
TEST(PackNeeds, AFileIsNeededFromTheFirstTimeAMemberPointsAtIt)
{
    const char* show = "images {\n"
                       "    \"data/white.png\"\n"
                       "    \"data/kvp.png\"\n"
                       "    \"data/zelk.png\"\n"
                       "    \"data/response.png\"\n"
                       "    \"data/bacon.png\"\n"
                       "    \"data/stamp1.png\"\n"
                       "}\n"
                       "effect 0 PutBuffer {\n"
                       "    flag := 0\n"
                       "    fromBuffer := \"data/white.png\"\n"
                       "    fromBuffer \"data/kvp.png\" 500-600\n"
                       "    flag 1 -> 1 H 2000-3000\n"
                       "}\n"
                       "effect 1 PutBuffer {\n"
                       "    flag := 0\n"
                       "    fromBuffer \"data/zelk.png\" 1000-1000\n"
                       "    fromBuffer \"FrameBuffer\" 1001-1001\n"
                       "}\n"
                       "effect 2 Clear {\n"
                       "    pixelRef \"data/response.png\" 300-400\n"
                       "}\n"
                       "effect 3 PutBuffer {\n"
                       "    fromBuffer \"data/stamp1.png\" 118377-120000\n"
                       "}\n";
    const std::vector<PackNeed> needs = packNeeds(parseShow(show, "t.show"));
    ASSERT_EQ(needs.size(), dataFiles().size());
    const struct {
        const char* file;
        uint32_t ms;
    } cases[] = {
        {"data/white.png", 0},             // a base value, on an effect that never draws
        {"data/kvp.png", 500},             // set long before the flag switches the effect on
        {"data/zelk.png", 1000},           // for one millisecond only
        {"data/response.png", 300},        // drawn into
        {"data/bacon.png", kShowEndMs},    // loaded, never used
        {"data/stamp1.png", kShowEndMs},   // used only after the end
        {"data/noise.png", kShowEndMs},    // a picture of the pack that this show does not load
        {kHeightMapFile, kShowEndMs},      // no landscape
        {kMusicFile, 0},
        {kDialogImageFiles[1], 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(needOf(needs, c.file), c.ms) << c.file;

    // In time order; at 0 the dialog's pictures first and the music last.
    for (size_t i = 1; i < needs.size(); ++i)
        EXPECT_LE(needs[i - 1].ms, needs[i].ms) << needs[i].file;
    EXPECT_EQ(needs[0].file, kDialogImageFiles[0]);
    EXPECT_EQ(needs[1].file, kDialogImageFiles[1]);
    EXPECT_EQ(needs[2].file, "data/white.png");
    EXPECT_EQ(needs[3].file, kMusicFile);
    EXPECT_TRUE(needs[0].optional && needs[3].optional && !needs[2].optional);
}

TEST(PackNeeds, TheLandscapeNeedsItsMapsWhenTheShowIsBuilt)
{
    const std::vector<PackNeed> needs =
        packNeeds(parseShow("images {\n}\neffect 0 Voxel {\n    flag := 0\n}\n", "t.show"));
    EXPECT_EQ(needOf(needs, kHeightMapFile), 0u);
    EXPECT_EQ(needOf(needs, kColorMapFile), 0u);
    EXPECT_EQ(needs[2].file, kHeightMapFile);
}

TEST(PackNeeds, APictureLeftForLaterMustBeOneOfThePack)
{
    try {
        packNeeds(parseShow("images {\n    \"data/mine.png\"\n}\n", "t.show"));
        ADD_FAILURE() << "no error";
    } catch (const ShowError& e) {
        EXPECT_STREQ(e.what(), "t.show:2:5: data/mine.png: not a picture of the data pack, so its size is not "
                               "known before it is read");
    }
}

TEST(PackNeeds, AFilledPictureIsDrawnAndKeepsAGreyCopyOnlyWhenGrey)
{
    Production production("");
    buildShow(parseShow("images {\n    \"data/micro.png\"\n}\n", "t.show"), production, {}, nullptr, MissingPictures::Later);
    PixelBuffer* buffer = production.getBuffer("data/micro.png");
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->width * buffer->height, 64 * 64);
    buffer->markDrawnInto();
    ASSERT_TRUE(production.fillImage("data/micro.png", {2, 1, {0x00404040, 0xff101010}}));
    EXPECT_EQ(production.getBuffer("data/micro.png"), buffer) << "filled in place";
    EXPECT_EQ(buffer->pixelCount, 2u);
    EXPECT_EQ(buffer->pixels[1], 0xff101010u);
    ASSERT_NE(buffer->grey(), nullptr);
    EXPECT_EQ(buffer->grey()[0], 0x40);
    ASSERT_TRUE(production.fillImage("data/micro.png", {1, 1, {0x00402040}}));
    EXPECT_EQ(buffer->grey(), nullptr);
    EXPECT_FALSE(production.fillImage("data/nothing.png", {1, 1, {0}}));
    EXPECT_THROW(production.fillImage("data/micro.png", {2, 2, {0}}), std::invalid_argument);
}

// Every word of the frame, quicker than frameHash.
uint64_t quickHash(const PixelBuffer& frame)
{
    uint64_t h = 0;
    for (uint32_t i = 0; i < frame.pixelCount; ++i)
        h = (h ^ frame.pixels[i]) * 0x100000001b3ull + i;
    return h;
}

// Hashes of the frames drawn at `times` in turn, `before(production, t)` called before each.
std::vector<uint64_t> render(const std::string& data, DecodedPictures pictures, MissingPictures missing,
                             const std::vector<uint32_t>& times,
                             const std::function<void(Production&, uint32_t)>& before)
{
    uint32_t now = 0;
    Production production(data, [&now] { return now; });
    buildShow(parseShow(embeddedShowText(), kEmbeddedShowName), production, std::move(pictures), nullptr, missing);
    randomState() = 1;
    production.clock->start();
    production.prepare();
    std::vector<uint64_t> hashes;
    for (uint32_t t : times) {
        now = t;
        before(production, t);
        production.update();
        production.draw();
        hashes.push_back(quickHash(*production.frameBuffer()));
    }
    return hashes;
}

// The show with each picture left as noise until the first frame at or after
// its time (`late` ms later, to see the test bite) draws the frames of the
// show with every picture there from the start.
std::vector<uint64_t> renderArriving(const std::string& data, const DecodedPictures& pictures,
                                     const std::vector<PackNeed>& needs, const std::vector<uint32_t>& times,
                                     uint32_t late = 0)
{
    size_t next = 0;
    std::mt19937 noise(7);
    auto arrive = [&](Production& production, uint32_t t) {
        if (t == times.front()) // every picture noise until it arrives
            for (size_t i = 1; i < production.images.size(); ++i)
                for (uint32_t p = 0; p < production.images[i]->pixelCount; ++p)
                    production.images[i]->pixels[p] = noise();
        for (; next < needs.size() && needs[next].ms + late <= t; ++next)
            if (const auto picture = pictures.find(needs[next].file); picture != pictures.end())
                ASSERT_TRUE(production.fillImage(picture->first, picture->second));
    };
    return render(data, {}, MissingPictures::Later, times, arrive);
}

TEST(PackNeeds, PicturesArrivingInTimeGiveTheFramesOfTheWholePack)
{
    const std::string data = std::string(SOFTDEMO_SOURCE_DIR) + "/data";
    if (!std::filesystem::exists(data + "/.pack-version"))
        GTEST_SKIP() << "no data pack in " << data;
    DataCheck check = checkDataDirectory(data);
    ASSERT_TRUE(check.problems.empty()) << check.problems.front();
    const std::vector<PackNeed> needs = packNeeds(parseShow(embeddedShowText(), kEmbeddedShowName));

    auto timeline = [](uint32_t fps) {
        std::vector<uint32_t> times;
        for (uint64_t i = 0; !showIsOver(frameTimeMs(i, fps)); ++i)
            times.push_back(frameTimeMs(i, fps));
        return times;
    };
    // A page's frames: gaps of 1 ms to 0.4 s.
    std::vector<uint32_t> uneven{0};
    std::mt19937 gaps(23);
    while (!showIsOver(uneven.back() + 400))
        uneven.push_back(uneven.back() + 1 + gaps() % 400);
    const struct {
        const char* name;
        std::vector<uint32_t> times;
    } runs[] = {{"60 fps", timeline(60)}, {"7 fps", timeline(7)}, {"uneven", uneven}};

    auto nothing = [](Production&, uint32_t) {};
    for (const auto& run : runs) {
        const bool first = &run == &runs[0];
        const std::vector<uint64_t> whole = render(data, check.pictures, MissingPictures::Read, run.times, nothing);
        const std::vector<uint64_t> arriving = renderArriving(data, check.pictures, needs, run.times);
        ASSERT_EQ(arriving.size(), whole.size());
        for (size_t i = 0; i < whole.size(); ++i)
            ASSERT_EQ(arriving[i], whole[i]) << run.name << ", the frame at " << run.times[i] << " ms";
        if (first) {
            // Pictures 20 ms late show as noise within the first 20 s.
            const std::vector<uint32_t> early(run.times.begin(), run.times.begin() + 1200);
            const std::vector<uint64_t> late = renderArriving(data, check.pictures, needs, early, 20);
            EXPECT_NE(late, std::vector<uint64_t>(whole.begin(), whole.begin() + 1200))
                << "pictures arriving late draw the same frames: the noise is never seen";
        }
    }
}

} // namespace
