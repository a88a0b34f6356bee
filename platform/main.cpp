// softdemo: the show on the whole screen, with its music. No command line:
// the data pack is found in $SOFTDEMO_DATA, ./data or beside the installed program.
#include <SDL.h>

#include "platform/SdlPlayer.h"

int main()
{
    const int code = runPlayer(playerSetupFromSystem());
    SDL_Quit();
    return code;
}
