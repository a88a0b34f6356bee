#include "preview/Options.h"

#include <stdexcept>

#include "app/Arguments.h"

const char* const kPreviewUsage =
    "usage: softdemo-preview [--show FILE] [--data DIR] [--fps N] [--at MS] [--control]\n"
    "Plays a show in a window with its music, on the exact timeline of softdemo-render, and shows\n"
    "any moment of it. Saving the show file reloads it.\n"
    "\n"
    "  --show FILE  the show to preview (default: the built-in show)\n"
    "  --data DIR   the data directory; the show's \"data/x\" is read as DIR/x (default: the folder\n"
    "               in $SOFTDEMO_DATA, else ./data, else the data/ of the source checkout\n"
    "               the program runs or was built in, else the pack installed with it)\n"
    "  --fps N      frames per second of the timeline, 1 to 1000 (default: 60)\n"
    "  --at MS      start paused on the frame at or before MS milliseconds\n"
    "  --control    read commands from standard input, one a line, and answer each on standard\n"
    "               output: seek MS, step N, hash, play, pause, png FILE, loop A B, loop off,\n"
    "               reload, quit\n"
    "  --help       this text\n"
    "\n"
    "keys: Space pause/play; Left/Right one frame (Shift: one second) while paused; Home the start;\n"
    "Page Up/Page Down 10 s back/on; I and O mark a loop, L loops it; F1 the status; Escape quits.\n"
    "Up/Down, and Left/Right while playing, and Ctrl+Page Up/Page Down move the 3D solid.\n";

PreviewOptions parsePreviewOptions(int argc, const char* const* argv)
{
    PreviewOptions o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&] { return optionValue(argc, argv, i); };
        if (arg == "--help" || arg == "-h")
            o.help = true;
        else if (arg == "--show")
            o.showFile = value();
        else if (arg == "--data")
            o.dataDir = value();
        else if (arg == "--fps")
            o.fps = wholeNumber(arg, value(), 1, 1000);
        else if (arg == "--at")
            o.at = wholeNumber(arg, value(), 0, 1u << 30);
        else if (arg == "--control")
            o.control = true;
        else
            throw std::invalid_argument("unknown option \"" + arg + "\" (try --help)");
    }
    return o;
}
