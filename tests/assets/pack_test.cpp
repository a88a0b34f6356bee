#include "AssetTestUtil.h"
#include "Rng.h"
#include "pack/DataManifest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>

TEST(Rng, GivesTheSameSequenceEverywhere)
{
    // The pack's bytes rest on this sequence: a change here changes every picture.
    Rng rng(1);
    const uint32_t first[3] = {rng.next(), rng.next(), rng.next()};
    Rng again(1);
    for (uint32_t v : first)
        EXPECT_EQ(again.next(), v);
    Rng other(2);
    EXPECT_NE(other.next(), first[0]);
    for (int i = 0; i < 1000; ++i) {
        const float u = rng.uniform();
        ASSERT_GE(u, 0.0f);
        ASSERT_LT(u, 1.0f);
        ASSERT_LT(rng.below(7), 7u);
    }
}

TEST(Pack, TwoRunsGiveIdenticalBytesWhateverTheThreadOrder)
{
    // A cheap subset of every kind of job: run once in order on this thread,
    // once backwards on two threads at once, and compare byte for byte.
    const std::set<std::string> labels = {"terrain", "logo", "credits", "tunnel", "captions", "stamp", "textures", "film"};
    std::vector<PackJob> jobs;
    for (PackJob& job : packJobs())
        if (labels.count(job.label))
            jobs.push_back(std::move(job));
    const std::vector<PackJob> all = packJobs();
    jobs.push_back(*std::find_if(all.begin(), all.end(), [](const PackJob& j) { return j.label == "loop"; }));
    jobs.push_back(*std::find_if(all.begin(), all.end(), [](const PackJob& j) { return j.label == "figure"; }));

    std::vector<std::vector<PackFile>> first(jobs.size()), second(jobs.size());
    for (size_t i = 0; i < jobs.size(); ++i)
        first[i] = jobs[i].make(testFonts());
    std::thread a([&] {
        for (size_t i = jobs.size(); i-- > 0;)
            if (i % 2 == 0)
                second[i] = jobs[i].make(testFonts());
    });
    for (size_t i = jobs.size(); i-- > 0;)
        if (i % 2 == 1)
            second[i] = jobs[i].make(testFonts());
    a.join();

    size_t files = 0;
    for (size_t i = 0; i < jobs.size(); ++i) {
        ASSERT_EQ(first[i].size(), second[i].size());
        for (size_t k = 0; k < first[i].size(); ++k, ++files) {
            EXPECT_EQ(first[i][k].path, second[i][k].path);
            EXPECT_TRUE(first[i][k].bytes == second[i][k].bytes) << first[i][k].path << " differs between runs";
        }
    }
    EXPECT_GT(files, 30u);
}

TEST(Pack, PicturesHaveTheShowsSizesAndAlphaPicturesHaveClearEdges)
{
    std::vector<PackFile> files;
    for (const char* label : {"tunnel", "captions", "stamp", "sprites"})
        for (PackFile& f : runJobs(label, testFonts()))
            files.push_back(std::move(f));
    for (const PackFile& file : files) {
        if (file.path.size() < 4 || file.path.compare(file.path.size() - 4, 4, ".png") != 0)
            continue;
        const Rgba8 image = decodePng(file.bytes);
        const auto need = std::find_if(kShowPictures.begin(), kShowPictures.end(),
                                       [&](const DataPicture& i) { return file.path == i.path; });
        ASSERT_NE(need, kShowPictures.end()) << file.path;
        EXPECT_EQ(image.width, need->width) << file.path;
        EXPECT_EQ(image.height, need->height) << file.path;
        // Nothing of an alpha picture may be cut by its own border except the frame decoration.
        if (file.path == "data/pig_tun.png" || file.path == "data/bacon.png" || file.path == "data/bigbacon.png")
            continue;
        int opaqueEdge = 0;
        for (int x = 0; x < image.width; ++x)
            opaqueEdge += image.at(x, 0)[3] > 8 || image.at(x, image.height - 1)[3] > 8;
        for (int y = 0; y < image.height; ++y)
            opaqueEdge += image.at(0, y)[3] > 8 || image.at(image.width - 1, y)[3] > 8;
        EXPECT_EQ(opaqueEdge, 0) << file.path << " is cut off at its border";
    }
}
