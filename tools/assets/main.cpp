// softdemo-assets: writes, checks and reviews the data directory the show reads.

#include "Corpus.h"
#include "Pack.h"
#include "Sheet.h"
#include "app/DataFolder.h"
#include "app/Progress.h"
#include "base/Cores.h"
#include "pack/DataManifest.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <memory>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

const char* const kUsage =
    "usage: softdemo-assets [--out DIR] [--if-stale]   generate the data directory (default DIR: data)\n"
    "       softdemo-assets check [DIR]                check a data directory against the show's needs\n"
    "       softdemo-assets sheet --out FILE.png [DIR] draw a contact sheet of every picture\n"
    "       softdemo-assets corpus [--out DIR]         write the fuzzers' seed corpus (default DIR: fuzz/corpus)\n"
    "Run a command with --help for more.\n";

const char* const kGenerateHelp =
    "usage: softdemo-assets [--out DIR] [--if-stale]\n"
    "Generates every picture, both landscape maps, the dialog pictures and the music\n"
    "into DIR (default: data), the same bytes on every run, then checks the result.\n"
    "  --out DIR    where to write (created if missing)\n"
    "  --if-stale   do nothing when DIR already holds a complete pack of this version\n";

const char* const kCheckHelp =
    "usage: softdemo-assets check [DIR]\n"
    "Checks that DIR holds every file the show reads, decodable and of the size the\n"
    "show needs. Prints one line per problem and exits 1 if there is any. Without DIR,\n"
    "the pack the player would play: $SOFTDEMO_DATA, else ./data, else the checkout's\n"
    "data/, else the installed one.\n";

const char* const kSheetHelp =
    "usage: softdemo-assets sheet --out FILE.png [DIR]\n"
    "Draws every picture of DIR (found as for check when not given), the maps and the\n"
    "dialog pictures as labelled thumbnails into one PNG.\n";

const char* const kCorpusHelp =
    "usage: softdemo-assets corpus [--out DIR]\n"
    "Writes the seed corpus of every fuzz target into DIR/<target>/ (default DIR:\n"
    "fuzz/corpus), the same bytes on every run, replacing what those folders held.\n";

bool isHelp(const std::string& a) { return a == "--help" || a == "-h"; }

int fail(const std::string& message)
{
    std::fprintf(stderr, "softdemo-assets: %s\n", message.c_str());
    return 1;
}

int runCheck(const std::string& dir)
{
    const DataCheck check = checkDataDirectory(dir);
    const std::vector<std::string>& problems = check.problems;
    for (const std::string& p : problems)
        std::printf("%s\n", p.c_str());
    for (const std::string& w : check.warnings)
        std::printf("%s (optional: the show runs without it)\n", w.c_str());
    if (!problems.empty()) {
        std::printf("%zu problem%s in %s\n", problems.size(), problems.size() == 1 ? "" : "s", dir.c_str());
        return 1;
    }
    if (check.warnings.empty())
        std::printf("%s: every file the show reads is present and usable\n", dir.c_str());
    else
        std::printf("%s: the show can run, without what is named above\n", dir.c_str());
    return 0;
}

int runCorpus(const std::string& dir)
{
    namespace fs = std::filesystem;
    try {
        const std::vector<PackFile> files = fuzzCorpus();
        std::set<std::string> targets;
        for (const PackFile& f : files)
            targets.insert(f.path.substr(0, f.path.find('/')));
        for (const std::string& t : targets)
            fs::remove_all(fs::path(dir) / t);
        size_t bytes = 0;
        for (const PackFile& f : files) {
            const fs::path path = fs::path(dir) / f.path;
            fs::create_directories(path.parent_path());
            std::ofstream out(path, std::ios::binary);
            out.write(reinterpret_cast<const char*>(f.bytes.data()), std::streamsize(f.bytes.size()));
            if (!out)
                return fail("cannot write " + path.string());
            bytes += f.bytes.size();
        }
        std::printf("Wrote %zu seed files, %zu bytes, for %zu targets into %s\n", files.size(), bytes,
                    targets.size(), dir.c_str());
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    return 0;
}

int runGenerate(const std::string& dir, bool ifStale)
{
    if (ifStale && packIsCurrent(dir)) {
        std::printf("%s: data pack %s is up to date\n", dir.c_str(), kPackVersion);
        return 0;
    }
    std::printf("Generating the data pack %s into %s\n", kPackVersion, dir.c_str());
    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<Progress> bar;
    const auto progress = [&](size_t done, size_t total) {
        if (!bar)
            bar = std::make_unique<Progress>("generating", total);
        if (done < total)
            bar->update(done);
        else
            bar->finish();
    };
    try {
        const Fonts fonts;
        const unsigned threads = std::min(8u, machineCores());
        const PackResult result = writePack(dir, fonts, threads, progress);
        for (const std::string& e : result.errors)
            std::fprintf(stderr, "%s\n", e.c_str());
        if (!result.errors.empty())
            return fail("generation failed");
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("Wrote %zu files, %.1f MB, in %.1f s\n", result.files, double(result.bytes) / 1e6, s);
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    return runCheck(dir);
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::string command = !args.empty() && (args[0] == "check" || args[0] == "sheet" || args[0] == "corpus")
                                  ? args[0]
                                  : "";
    std::string dir = "data", out;
    bool ifStale = false, sawDir = false, sawOut = false;
    for (size_t i = command.empty() ? 0 : 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (isHelp(a)) {
            std::fputs(command == "check"    ? kCheckHelp
                       : command == "sheet"  ? kSheetHelp
                       : command == "corpus" ? kCorpusHelp
                                             : kGenerateHelp,
                       stdout);
            if (command.empty())
                std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--out" && command != "check") {
            if (i + 1 >= args.size())
                return fail("--out needs a path\n" + std::string(kUsage));
            (command.empty() ? dir : out) = args[++i];
            sawOut = true;
        } else if (a == "--if-stale" && command.empty()) {
            ifStale = true;
        } else if (!command.empty() && command != "corpus" && !a.empty() && a[0] != '-' && !sawDir) {
            dir = a;
            sawDir = true;
        } else {
            return fail("unexpected argument '" + a + "'\n" + kUsage);
        }
    }
    if (command == "check" || command == "sheet") {
        dir = dataDirectoryFor(sawDir ? dir : "", "softdemo-assets");
        if (dir.empty())
            return 1;
    }
    if (command == "check")
        return runCheck(dir);
    if (command == "corpus")
        return runCorpus(sawOut ? out : "fuzz/corpus");
    if (command == "sheet") {
        if (out.empty())
            return fail("sheet needs --out FILE.png\n" + std::string(kSheetHelp));
        try {
            const Fonts fonts;
            writePackSheet(dir, out, fonts);
            std::printf("Wrote the contact sheet of %s to %s\n", dir.c_str(), out.c_str());
        } catch (const std::exception& e) {
            return fail(e.what());
        }
        return 0;
    }
    return runGenerate(dir, ifStale);
}
