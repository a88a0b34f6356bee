#include "tools/render/Options.h"

#include <stdexcept>

#include "app/Arguments.h"

const char* renderUsage(const std::string& command)
{
    if (command == "frames")
        return "usage: softdemo-render frames --at T1,T2,... | --all [--png DIR] [--hash] [--memory] [--show FILE]\n"
               "                              [--data DIR] [--fps N] [--threads N]\n"
               "Renders the show up to the last requested time and, for each requested time (milliseconds,\n"
               "on the timeline t_i = floor(i * 1000 / fps)), writes DIR/frame_T.png and/or prints \"T HASH\"\n"
               "(64-bit FNV-1a of the frame's bytes); --all requests every frame of the timeline. Without\n"
               "--png, --hash is implied. --memory writes the resident memory (VmRSS, VmHWM) after the first\n"
               "frame and after the last to standard error. --show FILE renders the show written in FILE\n"
               "instead of the built-in one (an error in it is reported as FILE:LINE:COLUMN: message).\n";
    if (command == "export")
        return "usage: softdemo-render export [--out show.mp4] [--scale K] [--data DIR] [--fps N] [--threads N]\n"
               "Renders the whole show and encodes it with its music through ffmpeg (H.264 + AAC),\n"
               "each pixel scaled up K times (nearest neighbour).\n";
    if (command == "bench")
        return "usage: softdemo-render bench [--json] [--data DIR] [--fps N] [--threads N]\n"
               "Renders the whole timeline as fast as it can and prints the frame count, frames per second,\n"
               "the median and worst frame time (also apart for the frames in which a CAExp drew and the\n"
               "others), each effect class's share of the time, the threads and the vector loops it used\n"
               "(SOFTDEMO_SIMD=portable|sse2|avx2 forces a form of the loops). The shares come from a\n"
               "second run of the timeline with every effect timed, so that the clock reads they take do not\n"
               "count in the frame times.\n";
    if (command == "classes")
        return "usage: softdemo-render classes [--data DIR]\n"
               "Lists every effect and generator class a show can use, with each variable's name, type and\n"
               "what it does (the landscape's maps in DIR are read to build it).\n";
    if (command == "site")
        return "usage: softdemo-render site --out DIR [--data DIR]\n"
               "Writes the data pack as the web page fetches it: every file as DIR/pack/NAME-HASH.EXT, HASH\n"
               "made from its bytes (so that a browser may keep it for good, and a new pack gets new names),\n"
               "and DIR/pack.json, the files in the order the show first needs them, each with its name in\n"
               "the show, its address, its size and the first show time (ms) at which anything may read it.\n";
    if (command == "sheet")
        return "usage: softdemo-render sheet [--every MS] [--out sheet.png] [--data DIR] [--fps N] [--threads N]\n"
               "Draws a contact sheet of the show: a thumbnail every MS milliseconds (default 4000),\n"
               "labelled with its time.\n";
    return "usage: softdemo-render COMMAND [options]\n"
           "Runs the show with no window and no sound on an exact timeline.\n"
           "\n"
           "commands:\n"
           "  frames   render chosen frames to PNG files and/or print their hashes\n"
           "  export   the whole show as a video with its music (needs ffmpeg)\n"
           "  bench    time the whole show\n"
           "  sheet    a contact sheet of thumbnails of the show\n"
           "  site     the data pack for the web page, in the order the show needs it\n"
           "  classes  the effect and generator classes and their variables, for show authors\n"
           "\n"
           "options for every command:\n"
           "  --data DIR   the data directory; the show's \"data/x\" is read as DIR/x (default: the folder\n"
           "               in $SOFTDEMO_DATA, else ./data, else the data/ of the source checkout\n"
           "               the program runs or was built in, else the pack installed with it; on\n"
           "               Windows, data\\ beside the program comes before ./data)\n"
           "  --fps N      frames per second of the timeline (default: 60)\n"
           "  --threads N  threads that draw each frame (default: the machine's cores); the pixels are the\n"
           "               same with any number\n"
           "  --help       this text, or the command's own with a command\n";
}

RenderOptions parseRenderOptions(int argc, char** argv)
{
    RenderOptions o;
    int i = 1;
    if (i < argc && argv[i][0] != '-')
        o.command = argv[i++];
    if (!o.command.empty() && o.command != "frames" && o.command != "export" && o.command != "bench" &&
        o.command != "sheet" && o.command != "site" && o.command != "classes")
        throw std::invalid_argument("unknown command \"" + o.command + "\" (try --help)");
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&] { return optionValue(argc, argv, i); };
        if (arg == "--help" || arg == "-h")
            o.help = true;
        else if (arg == "--data")
            o.dataDir = value();
        else if (arg == "--fps")
            o.fps = wholeNumber(arg, value(), 1, 1000);
        else if (arg == "--threads")
            o.threads = wholeNumber(arg, value(), 1, 64);
        else if (arg == "--show" && o.command == "frames")
            o.showFile = value();
        else if (arg == "--at" && o.command == "frames") {
            const std::string list = value();
            size_t start = 0;
            while (start <= list.size()) {
                const size_t comma = std::min(list.find(',', start), list.size());
                o.at.push_back(wholeNumber(arg, list.substr(start, comma - start), 0, 1u << 30));
                start = comma + 1;
            }
        } else if (arg == "--all" && o.command == "frames")
            o.all = true;
        else if (arg == "--png" && o.command == "frames")
            o.pngDir = value();
        else if (arg == "--hash" && o.command == "frames")
            o.hash = true;
        else if (arg == "--memory" && o.command == "frames")
            o.memory = true;
        else if (arg == "--json" && o.command == "bench")
            o.json = true;
        else if (arg == "--out" && (o.command == "export" || o.command == "sheet" || o.command == "site"))
            o.out = value();
        else if (arg == "--scale" && o.command == "export")
            o.scale = wholeNumber(arg, value(), 1, 8);
        else if (arg == "--every" && o.command == "sheet")
            o.every = wholeNumber(arg, value(), 1, 118377);
        else
            throw std::invalid_argument("unknown option \"" + arg + "\"" +
                                        (o.command.empty() ? "" : " for " + o.command) + " (try --help)");
    }
    if (o.command == "frames" && o.at.empty() == !o.all && !o.help)
        throw std::invalid_argument("frames needs either --at with one or more times or --all");
    if (o.command == "frames" && o.pngDir.empty())
        o.hash = true;
    if (o.command == "site" && o.out.empty() && !o.help)
        throw std::invalid_argument("site needs --out with the web page's folder");
    if (o.out.empty())
        o.out = o.command == "export" ? "show.mp4" : "sheet.png";
    return o;
}
