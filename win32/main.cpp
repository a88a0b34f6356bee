// softdemo.exe: the show on the whole screen, with its music. No command
// line: the data pack is found in %SOFTDEMO_DATA%, data\ beside the program
// or .\data.
#include "win32/WinPlayer.h"

#include <cstdio>

namespace {

bool usable(HANDLE h)
{
    return h && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

// A program for the desktop opens no console of its own, from Explorer or a
// shortcut. Started from a command prompt, it writes into the prompt's; with
// its output sent elsewhere (a file, a pipe), it keeps that.
void attachParentConsole()
{
    const bool out = usable(GetStdHandle(STD_OUTPUT_HANDLE));
    const bool err = usable(GetStdHandle(STD_ERROR_HANDLE));
    if ((out && err) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (!out)
        std::freopen("CONOUT$", "w", stdout);
    if (!err)
        std::freopen("CONOUT$", "w", stderr);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    attachParentConsole();
    return runPlayer(instance);
}
