#include "Pack.h"

#include "Animations.h"
#include "Film.h"
#include "Textures.h"
#include "Track.h"
#include "Overlays.h"
#include "Sprites.h"
#include "Terrain.h"
#include "Titles.h"
#include "pack/DataManifest.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

namespace {

PackJob one(std::string label, std::function<PackFile(const Fonts&)> make)
{
    return {std::move(label), [make = std::move(make)](const Fonts& f) { return std::vector<PackFile>{make(f)}; }};
}

std::string readSmallFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string s;
    std::getline(in, s);
    return s;
}

} // namespace

std::vector<PackJob> packJobs()
{
    std::vector<PackJob> jobs;
    jobs.push_back({"music", [](const Fonts&) { return std::vector<PackFile>{makeMusic()}; }});
    jobs.push_back({"terrain", [](const Fonts&) { return makeTerrainFiles(); }});
    for (int i = 0; i < kFinaleFrames; ++i)
        jobs.push_back(one("finale", [i](const Fonts&) { return makeFinaleFrame(i); }));
    for (int i = 0; i < kFigureFrames; ++i)
        jobs.push_back(one("figure", [i](const Fonts&) { return makeFigureFrame(i); }));
    for (int i = 0; i < kBurstFrames; ++i)
        jobs.push_back(one("burst", [i](const Fonts&) { return makeBurstFrame(i); }));
    for (int i = 0; i < kLoopFrames; ++i)
        jobs.push_back(one("loop", [i](const Fonts&) { return makeLoopFrame(i); }));
    jobs.push_back(one("logo", makeLogo));
    jobs.push_back(one("logo", makeLogoGlitch));
    for (int i = 0; i < 3; ++i)
        jobs.push_back(one("credits", [i](const Fonts& f) { return makeCredit(f, i); }));
    jobs.push_back(one("titles", [](const Fonts&) { return makeWhite(); }));
    jobs.push_back(one("titles", makeYearsTitle));
    jobs.push_back(one("titles", makeLastTitle));
    jobs.push_back({"tunnel", [](const Fonts& f) { return makeTunnelOverlays(f); }});
    jobs.push_back({"captions", [](const Fonts& f) { return makeCaptions(f); }});
    jobs.push_back({"stamp", [](const Fonts& f) { return std::vector<PackFile>{makeStamp(f), makeEmblem(f)}; }});
    jobs.push_back({"sprites", [](const Fonts& f) { return makeSprites(f); }});
    jobs.push_back({"textures", [](const Fonts& f) { return makeTextures(f); }});
    jobs.push_back({"film", [](const Fonts&) { return makeFilmLayers(); }});
    return jobs;
}

PackResult writePack(const std::string& dir, const Fonts& fonts, unsigned threads,
                     const std::function<void(size_t, size_t)>& progress)
{
    const std::vector<PackJob> jobs = packJobs();
    PackResult result;
    std::mutex lock;
    std::atomic<size_t> next{0}, done{0};
    std::error_code ec;
    std::filesystem::remove(dataFilePath(dir, kPackStampFile), ec);

    const auto worker = [&] {
        for (size_t i = next++; i < jobs.size(); i = next++) {
            std::vector<std::string> errors;
            size_t files = 0;
            uint64_t bytes = 0;
            try {
                for (const PackFile& file : jobs[i].make(fonts)) {
                    const std::filesystem::path path = dataFilePath(dir, file.path);
                    std::filesystem::create_directories(path.parent_path());
                    std::ofstream out(path, std::ios::binary | std::ios::trunc);
                    out.write(reinterpret_cast<const char*>(file.bytes.data()), std::streamsize(file.bytes.size()));
                    out.close();
                    if (!out)
                        errors.push_back(path.string() + ": cannot be written");
                    ++files;
                    bytes += file.bytes.size();
                }
            } catch (const std::exception& e) {
                errors.push_back(jobs[i].label + ": " + e.what());
            }
            {
                std::lock_guard<std::mutex> guard(lock);
                result.files += files;
                result.bytes += bytes;
                result.errors.insert(result.errors.end(), errors.begin(), errors.end());
            }
            ++done;
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < std::max(1u, threads); ++t)
        pool.emplace_back(worker);
    while (done < jobs.size()) {
        progress(done, jobs.size());
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    for (std::thread& t : pool)
        t.join();
    progress(done, jobs.size());

    if (result.errors.empty()) {
        std::ofstream stamp(dataFilePath(dir, kPackStampFile), std::ios::trunc);
        stamp << kPackVersion << '\n';
        if (!stamp)
            result.errors.push_back(dataFilePath(dir, kPackStampFile) + ": cannot be written");
    }
    return result;
}

bool packIsCurrent(const std::string& dir)
{
    if (readSmallFile(dataFilePath(dir, kPackStampFile)) != kPackVersion)
        return false;
    for (const std::string& file : dataFiles())
        if (!std::filesystem::is_regular_file(dataFilePath(dir, file)))
            return false;
    return true;
}
