// The fault matrix: every file the show reads, damaged one at a time in each
// way a user can damage it, and the headless renderer run on the damaged copy.
// Each run must either refuse at start-up, exit non-zero and name the file and
// its fault, or (for the files the renderer does not need) render the whole
// show cleanly. A signal, a sanitizer report or a hang fails the case.
//
// The music's faults also go through the renderer's video export (when ffmpeg
// is there), which must make the video, silent where the music is missing,
// with one line naming the file and its fault, and no message of ffmpeg's.
//
// usage: fault_matrix RENDERER DATA_DIR REPORT.md [--reduced] [--player PLAYER]
//                     [--jobs N] [--work DIR] [--timeout S] [--show-timeout S]
// --reduced: every fault on the first file of each group only. --player: the
// player refuses too (the first file of each group; it runs the same check).
// The timeouts: a refusal (default 60 s) and a whole show (default 900 s).
#include <stb_image_write.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "pack/DataManifest.h"
#include "show/Timeline.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

enum Fault { Missing, Empty, Half, Random, Tiny, Huge, kFaultCount };
constexpr std::array<const char*, kFaultCount> kFaultNames = {
    "missing", "empty", "cut to half", "random bytes", "1 x 1 picture", "4096 x 4096 picture"};

enum Group { FullFrame, Animation, Sprites, Tunnel, NoisePicture, Maps, DialogBmps, Music, kGroupCount };
constexpr std::array<const char*, kGroupCount> kGroupNames = {
    "full-frame pictures", "animation frames", "sprites and captions", "tunnel textures",
    "the noise picture", "the maps", "the dialog BMPs", "the music"};

Group groupOf(const std::string& file)
{
    if (file == kHeightMapFile || file == kColorMapFile)
        return Maps;
    if (file == kMusicFile)
        return Music;
    if (file == kDialogImageFiles[0] || file == kDialogImageFiles[1])
        return DialogBmps;
    if (file == "data/noise.png")
        return NoisePicture;
    if (file.find("_frame_") != std::string::npos)
        return Animation;
    if (fs::path(file).filename().string().rfind("tun_", 0) == 0)
        return Tunnel;
    for (const DataPicture& p : kShowPictures)
        if (file == p.path)
            return p.width == 512 && p.height == 384 ? FullFrame : Sprites;
    return Sprites;
}

bool isPicture(const std::string& file)
{
    return file.ends_with(".png") || file.ends_with(".bmp");
}

// What a refusal must say about each fault, besides the file's path. A raw map
// has no header, so every damage to it shows as a wrong size.
const char* faultWords(const std::string& file, Fault fault)
{
    const bool map = groupOf(file) == Maps;
    switch (fault) {
    case Missing: return "missing";
    case Empty: return "empty";
    case Half: return map ? "bytes, needs exactly" : "truncated";
    case Random: return "not a PNG";
    case Tiny: return map ? "bytes, needs exactly" : "1 x 1 pixels";
    case Huge: return "4096 x 4096 pixels";
    default: return "";
    }
}

// The renderer reads neither the music nor the dialog pictures, and any bytes
// of the right length are a landscape map.
bool shouldRun(const std::string& file, Fault fault)
{
    return isOptionalDataFile(file) || (groupOf(file) == Maps && fault == Random);
}

// What the export must say about each fault of the music, besides its path.
const char* musicWords(Fault fault)
{
    switch (fault) {
    case Missing: return "missing";
    case Empty: return "empty";
    case Half: return "truncated";
    default: return "not an MP3";
    }
}

enum Outcome {
    Refused, Ran, Crashed, SanitizerReport, TimedOut, Unclear, NotRefused, NotRun, Unwarned, FfmpegMessages,
    kOutcomeCount
};
constexpr std::array<const char*, kOutcomeCount> kOutcomeNames = {
    "refused", "runs", "CRASH", "SANITIZER", "HANG", "UNCLEAR REFUSAL", "RAN, NOT REFUSED", "REFUSED, SHOULD RUN",
    "NO CLEAR WARNING", "FFMPEG MESSAGES"};

enum Program { Renderer, Player, Export };
constexpr std::array<const char*, 3> kProgramNames = {"renderer", "player", "export"};

bool isFailure(Outcome o)
{
    return o != Refused && o != Ran;
}

struct Options {
    std::string renderer, dataDir, report, player, work;
    bool reduced = false;
    int jobs = 2;
    int timeout = 60;
    int showTimeout = 900;
};

struct Case {
    std::string file; // as the show names it
    Fault fault;
    Group group;
    std::string dir;  // holds data/
    int runsLeft = 0;
    bool firstOfGroup = false;
};

struct Run {
    Run(size_t caseIndex, Program program) : caseIndex(caseIndex), program(program) {}

    size_t caseIndex;
    Program program;
    pid_t pid = 0;
    Clock::time_point started;
    bool killed = false;
    Outcome outcome = Unclear;
    double seconds = 0;
    std::string message; // the line naming the file, or what went wrong
};

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                std::streamsize(bytes.size()));
}

// An uncompressed 24-bit bottom-up bitmap of one grey.
std::vector<uint8_t> bmp(uint32_t w, uint32_t h)
{
    const uint32_t stride = (w * 3 + 3) & ~3u;
    std::vector<uint8_t> b(54 + size_t(stride) * h, 0x60);
    const auto put = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            b[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    std::fill(b.begin(), b.begin() + 54, 0);
    b[0] = 'B';
    b[1] = 'M';
    put(2, uint32_t(b.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, w, 4);
    put(22, h, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    return b;
}

void writePng(const std::string& path, int w, int h)
{
    std::vector<uint8_t> grey(size_t(w) * size_t(h), 0x60);
    if (!stbi_write_png(path.c_str(), w, h, 1, grey.data(), w))
        throw std::runtime_error(path + ": cannot write");
}

// Hard links cost nothing; across file systems, symbolic links do the same.
void link(const fs::path& from, const fs::path& to)
{
    std::error_code ec;
    fs::create_hard_link(from, to, ec);
    if (ec)
        fs::create_symlink(fs::absolute(from), to);
}

// The data directory again under dir/data, with `c.file` damaged.
void makeCase(const Options& o, const Case& c, size_t serial)
{
    const std::string data = c.dir + "/data";
    for (const std::string& file : dataFiles()) {
        const fs::path to = dataFilePath(data, file);
        fs::create_directories(to.parent_path());
        if (file != c.file)
            link(dataFilePath(o.dataDir, file), to);
    }
    const std::string source = dataFilePath(o.dataDir, c.file);
    const std::string target = dataFilePath(data, c.file);
    const std::string shared = o.work + "/shared/";
    const std::string format = c.file.ends_with(".bmp") ? "bmp" : "png";
    switch (c.fault) {
    case Missing:
        break;
    case Empty:
        writeFile(target, {});
        break;
    case Half: {
        const std::string bytes = readFile(source);
        writeFile(target, std::vector<uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(bytes.size() / 2)));
        break;
    }
    case Random: {
        // Seeded by the case, so a failure comes back the same.
        std::mt19937_64 rng(serial);
        std::vector<uint8_t> bytes(fs::file_size(source));
        for (uint8_t& b : bytes)
            b = uint8_t(rng() >> 56);
        writeFile(target, bytes);
        break;
    }
    case Tiny:
        link(shared + "tiny." + format, target);
        break;
    case Huge:
        link(shared + "huge." + format, target);
        break;
    default:
        break;
    }
}

uint32_t lastFrameMs(uint32_t fps)
{
    uint64_t i = 0;
    while (frameTimeMs(i + 1, fps) < kShowEndMs)
        ++i;
    return frameTimeMs(i, fps);
}

pid_t start(const Options& o, const Case& c, Program program, const std::string& out, const std::string& err)
{
    const std::string at = std::to_string(lastFrameMs(60));
    const std::string data = c.dir + "/data";
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(outFd, 1);
    dup2(errFd, 2);
    if (program == Player) {
        // The player reads data/ from its working directory and checks it before any window.
        if (chdir(c.dir.c_str()) != 0)
            _exit(127);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("SOFTDEMO_NO_MESSAGE_BOX", "1", 1);
        execl(o.player.c_str(), o.player.c_str(), nullptr);
    } else if (program == Export) {
        // One frame a second: the music's length is what matters here.
        const std::string video = c.dir + "/show.mp4";
        execl(o.renderer.c_str(), o.renderer.c_str(), "export", "--fps", "1", "--out", video.c_str(), "--data",
              data.c_str(), nullptr);
    } else {
        // The whole show at 60 fps; a refusal stops it before the first frame.
        execl(o.renderer.c_str(), o.renderer.c_str(), "frames", "--at", at.c_str(), "--data", data.c_str(),
              nullptr);
    }
    std::perror("exec");
    _exit(127);
}

void classify(const Case& c, Run& r, int status, const std::string& out, const std::string& err)
{
    const std::string text = readFile(err);
    const std::string path = dataFilePath(r.program == Player ? "data" : c.dir + "/data", c.file) + ": ";
    const auto lineWith = [&](const std::string& needle) {
        const size_t at = text.find(needle);
        if (at == std::string::npos)
            return std::string();
        const size_t begin = text.rfind('\n', at) == std::string::npos ? 0 : text.rfind('\n', at) + 1;
        return text.substr(begin, text.find('\n', at) - begin);
    };
    if (r.killed) {
        r.outcome = TimedOut;
        r.message = "killed after " + std::to_string(int(r.seconds)) + " s";
    } else if (text.find("Sanitizer") != std::string::npos || text.find("runtime error") != std::string::npos) {
        r.outcome = SanitizerReport;
        r.message = lineWith(text.find("runtime error") != std::string::npos ? "runtime error" : "Sanitizer");
    } else if (WIFSIGNALED(status)) {
        r.outcome = Crashed;
        r.message = std::string("signal ") + strsignal(WTERMSIG(status));
    } else if (r.program == Export) {
        // Every line must be the renderer's own: its messages, its progress, its last word.
        std::string dump, l;
        for (std::istringstream lines(text); dump.empty() && std::getline(lines, l);)
            if (!l.starts_with("softdemo-render: ") && !l.starts_with("export [") && !l.starts_with("wrote "))
                dump = l;
        const std::string line = lineWith(path);
        std::error_code ec;
        const bool video = fs::file_size(c.dir + "/show.mp4", ec) > 0 && !ec;
        r.outcome = !dump.empty()                                                   ? FfmpegMessages
                    : line.find(musicWords(c.fault)) == std::string::npos           ? Unwarned
                    : WEXITSTATUS(status) != 0                                      ? Refused
                    : video                                                         ? Ran
                                                                                    : NotRun;
        r.message = !dump.empty() ? dump : !line.empty() ? line : text.substr(0, 300);
    } else if (WEXITSTATUS(status) == 0) {
        const bool rendered = r.program == Player || readFile(out).find(std::to_string(lastFrameMs(60)) + " ") == 0;
        r.outcome = shouldRun(c.file, c.fault) && rendered ? Ran : NotRefused;
        r.message = rendered ? "" : "exit 0 without the last frame";
    } else {
        const std::string line = lineWith(path);
        const bool clear = !line.empty() && line.find(faultWords(c.file, c.fault)) != std::string::npos;
        r.outcome = !clear ? Unclear : shouldRun(c.file, c.fault) ? NotRun : Refused;
        r.message = line.empty() ? "exit " + std::to_string(WEXITSTATUS(status)) + ": " + text.substr(0, 300) : line;
    }
}

std::string markdownCell(std::string text)
{
    size_t at = 0;
    while ((at = text.find('|', at)) != std::string::npos) {
        text.replace(at, 1, "\\|");
        at += 2;
    }
    return text;
}

int usage(const char* why)
{
    std::fprintf(stderr,
                 "fault_matrix: %s\n"
                 "usage: fault_matrix RENDERER DATA_DIR REPORT.md [--reduced] [--player PLAYER] [--jobs N]\n"
                 "                    [--work DIR] [--timeout S] [--show-timeout S]\n",
                 why);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--reduced")
            o.reduced = true;
        else if (arg == "--player" && hasValue)
            o.player = argv[++i];
        else if (arg == "--jobs" && hasValue)
            o.jobs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--work" && hasValue)
            o.work = argv[++i];
        else if (arg == "--timeout" && hasValue)
            o.timeout = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--show-timeout" && hasValue)
            o.showTimeout = std::max(1, std::atoi(argv[++i]));
        else if (arg.rfind("--", 0) == 0)
            return usage(("unknown option or missing value: " + arg).c_str());
        else
            positional.push_back(arg);
    }
    if (positional.size() != 3)
        return usage("needs RENDERER, DATA_DIR and REPORT.md");
    o.renderer = fs::absolute(positional[0]).string();
    o.dataDir = positional[1];
    o.report = positional[2];
    if (!o.player.empty())
        o.player = fs::absolute(o.player).string();
    const std::vector<std::string> unusable = checkDataDirectory(o.dataDir).problems;
    if (!unusable.empty())
        return usage(("the undamaged data directory is not usable: " + unusable.front()).c_str());

    bool ownWork = false;
    if (o.work.empty()) {
        std::string pattern = (fs::temp_directory_path() / "softdemo-faults-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return usage("cannot make a work directory");
        o.work = pattern;
        ownWork = true;
    }
    fs::remove_all(o.work);
    fs::create_directories(o.work + "/shared");
    writePng(o.work + "/shared/tiny.png", 1, 1);
    writePng(o.work + "/shared/huge.png", 4096, 4096);
    writeFile(o.work + "/shared/tiny.bmp", bmp(1, 1));
    writeFile(o.work + "/shared/huge.bmp", bmp(4096, 4096));

    // Every fault on every file, or on the first file of each group.
    std::vector<Case> cases;
    std::array<int, kGroupCount> groupFiles{};
    for (const std::string& file : dataFiles()) {
        const Group g = groupOf(file);
        if (o.reduced && groupFiles[g] > 0)
            continue;
        ++groupFiles[g];
        for (int f = 0; f < kFaultCount; ++f) {
            if (f == Huge && !isPicture(file))
                continue;
            cases.push_back({file, Fault(f), g, o.work + "/case-" + std::to_string(cases.size()), 0,
                             groupFiles[g] == 1});
        }
    }
    const bool ffmpeg = std::system("command -v ffmpeg >/dev/null 2>&1") == 0;
    std::vector<Run> runs;
    for (size_t i = 0; i < cases.size(); ++i) {
        runs.emplace_back(i, Renderer);
        // The player runs the same check before any window: one file of each group
        // shows that it refuses the same way.
        if (!o.player.empty() && cases[i].firstOfGroup && !shouldRun(cases[i].file, cases[i].fault))
            runs.emplace_back(i, Player);
        if (ffmpeg && cases[i].group == Group::Music)
            runs.emplace_back(i, Export);
        cases[i].runsLeft = int(std::count_if(runs.begin(), runs.end(), [&](const Run& r) { return r.caseIndex == i; }));
    }

    std::printf("fault matrix: %zu cases (%zu runs) on %s, %d at a time\n", cases.size(), runs.size(),
                o.renderer.c_str(), o.jobs);
    std::fflush(stdout);
    const auto begin = Clock::now();
    std::vector<size_t> running;
    size_t next = 0, done = 0;
    while (done < runs.size()) {
        while (int(running.size()) < o.jobs && next < runs.size()) {
            Run& r = runs[next];
            Case& c = cases[r.caseIndex];
            if (r.program == Renderer)
                makeCase(o, c, r.caseIndex);
            const std::string base = c.dir + "/" + kProgramNames[r.program];
            r.pid = start(o, c, r.program, base + ".out", base + ".err");
            r.started = Clock::now();
            running.push_back(next++);
        }
        bool reaped = false;
        for (size_t k = 0; k < running.size(); ++k) {
            Run& r = runs[running[k]];
            Case& c = cases[r.caseIndex];
            r.seconds = std::chrono::duration<double>(Clock::now() - r.started).count();
            const int limit = shouldRun(c.file, c.fault) && r.program != Player ? o.showTimeout : o.timeout;
            if (!r.killed && r.seconds > limit) {
                kill(r.pid, SIGKILL);
                r.killed = true;
            }
            int status = 0;
            if (waitpid(r.pid, &status, WNOHANG) != r.pid)
                continue;
            const std::string base = c.dir + "/" + kProgramNames[r.program];
            classify(c, r, status, base + ".out", base + ".err");
            if (--c.runsLeft == 0 && !isFailure(r.outcome))
                fs::remove_all(c.dir);
            if (isFailure(r.outcome))
                std::printf("FAIL %s %s, %s: %s: %s\n", kProgramNames[r.program], c.file.c_str(),
                            kFaultNames[c.fault], kOutcomeNames[r.outcome], r.message.c_str());
            running.erase(running.begin() + std::ptrdiff_t(k--));
            ++done;
            reaped = true;
            if (done % 100 == 0)
                std::printf("%zu of %zu runs, %.0f s\n", done, runs.size(),
                            std::chrono::duration<double>(Clock::now() - begin).count());
            std::fflush(stdout);
        }
        if (!reaped)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const double wall = std::chrono::duration<double>(Clock::now() - begin).count();

    // The table: file group x fault, with the count of each outcome.
    std::map<std::pair<int, int>, std::array<int, kOutcomeCount>> counts;
    std::map<std::pair<int, int>, std::string> examples;
    std::array<std::array<int, kOutcomeCount>, kProgramNames.size()> totals{};
    double refusalSeconds = 0, showSeconds = 0;
    int refusals = 0, shows = 0, failures = 0;
    const auto withoutCase = [&](const Run& r) {
        std::string message = r.message;
        const std::string& dir = cases[r.caseIndex].dir;
        if (const size_t at = message.find(dir); at != std::string::npos)
            message.replace(at, dir.size(), "CASE");
        return message;
    };
    for (const Run& r : runs) {
        const Case& c = cases[r.caseIndex];
        const bool renderer = r.program == Renderer;
        if (renderer)
            ++counts[{c.group, c.fault}][r.outcome];
        ++totals[r.program][r.outcome];
        failures += isFailure(r.outcome);
        if (r.outcome == Refused && renderer && !examples.count({c.group, c.fault}))
            examples[{c.group, c.fault}] = withoutCase(r);
        (r.outcome == Ran && renderer ? showSeconds : refusalSeconds) += r.seconds;
        (r.outcome == Ran && renderer ? shows : refusals) += 1;
    }
    std::ostringstream md;
    md << "# Fault matrix" << (o.reduced ? " (reduced: the first file of each group)" : "") << "\n\n"
       << cases.size() << " cases, " << runs.size() << " runs of " << o.renderer
       << (o.player.empty() ? "" : " and " + o.player) << ", " << o.jobs << " at a time: ";
    char line[160];
    std::snprintf(line, sizeof line, "%.0f s in all; a refusal %.2f s on average, a whole show %.1f s.\n\n", wall,
                  refusals ? refusalSeconds / refusals : 0.0, shows ? showSeconds / shows : 0.0);
    md << line << "| File group (files) |";
    for (const char* f : kFaultNames)
        md << " " << f << " |";
    md << "\n|---|";
    for (size_t f = 0; f < kFaultNames.size(); ++f)
        md << "---|";
    md << "\n";
    for (int g = 0; g < kGroupCount; ++g) {
        md << "| " << kGroupNames[g] << " (" << groupFiles[g] << ") |";
        for (int f = 0; f < kFaultCount; ++f) {
            const auto it = counts.find({g, f});
            std::string cell;
            for (int k = 0; it != counts.end() && k < kOutcomeCount; ++k)
                if (it->second[k])
                    cell += (cell.empty() ? "" : ", ") + std::string(kOutcomeNames[k]) + " " +
                            std::to_string(it->second[k]);
            md << " " << (cell.empty() ? "—" : cell) << " |";
        }
        md << "\n";
    }
    md << "\nrefused: exit status non-zero at start-up, with a line on standard error naming the file and its "
          "fault. runs: the whole show at 60 fps, exit status 0. Either way no signal, no sanitizer report, no "
          "hang.";
    const auto tally = [&](Program p, const char* what) {
        md << what;
        for (int k = 0; k < kOutcomeCount; ++k)
            if (totals[p][k])
                md << " " << kOutcomeNames[k] << " " << totals[p][k] << ";";
    };
    tally(Renderer, "\n\nRenderer:");
    if (!o.player.empty())
        tally(Player, " the player, on the refusals of the first file of each group:");
    if (ffmpeg)
        tally(Export, " the video export, on the music's faults:");
    else
        md << " the video export was not tried: ffmpeg is not installed.";
    md << "\n\n## One refusal of each kind\n\n| File group | Fault | Message |\n|---|---|---|\n";
    for (const auto& [key, message] : examples)
        md << "| " << kGroupNames[key.first] << " | " << kFaultNames[key.second] << " | `"
           << markdownCell(message) << "` |\n";
    if (ffmpeg) {
        md << "\n## The video export with the music damaged\n\n| Fault | Outcome | Message |\n|---|---|---|\n";
        for (const Run& r : runs)
            if (r.program == Export)
                md << "| " << kFaultNames[cases[r.caseIndex].fault] << " | " << kOutcomeNames[r.outcome] << " | `"
                   << markdownCell(withoutCase(r)) << "` |\n";
    }
    if (failures) {
        md << "\n## Failures\n\n| Program | File | Fault | Outcome | Detail |\n|---|---|---|---|---|\n";
        for (const Run& r : runs)
            if (isFailure(r.outcome))
                md << "| " << kProgramNames[r.program] << " | " << cases[r.caseIndex].file << " | "
                   << kFaultNames[cases[r.caseIndex].fault] << " | " << kOutcomeNames[r.outcome] << " | "
                   << markdownCell(r.message) << " |\n";
    }
    std::ofstream(o.report) << md.str();
    std::fputs(md.str().c_str(), stdout);
    if (ownWork || !failures)
        fs::remove_all(o.work);
    return failures ? 1 : 0;
}
