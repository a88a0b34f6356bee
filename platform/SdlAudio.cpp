#include "platform/SdlAudio.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdio>

SdlAudio::~SdlAudio()
{
    if (!opened)
        return;
    Mix_HaltMusic();
    for (const Track& t : tracks)
        Mix_FreeMusic(t.music);
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlAudio::open(int frequency)
{
    error = NoError;
    if (opened)
        return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = NoOutput;
        return false;
    }
    if (Mix_OpenAudio(frequency, MIX_DEFAULT_FORMAT, 2, 2048) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        error = NoOutput;
        return false;
    }
    // Decoders that fail to load show up as BadFormat when a file needs them.
    Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_MOD);
    opened = true;
    return true;
}

uint32_t SdlAudio::load(const char* path, bool loops)
{
    error = NoError;
    if (!opened) {
        error = NotOpen;
        return 0;
    }
    // Tell a missing file from one that does not decode.
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        error = Unreadable;
        return 0;
    }
    std::fclose(f);
    Mix_Music* music = Mix_LoadMUS(path);
    if (!music) {
        error = BadFormat;
        return 0;
    }
    tracks.push_back({music, loops});
    return uint32_t(tracks.size());
}

uint32_t SdlAudio::loadModule(const char* path)
{
    return load(path, true);
}

uint32_t SdlAudio::loadStream(const char* path)
{
    return load(path, false);
}

void SdlAudio::play(uint32_t handle)
{
    if (handle == 0 || handle > tracks.size())
        return;
    const Track& t = tracks[handle - 1];
    if (Mix_PlayMusic(t.music, t.loops ? -1 : 1) == 0)
        playing = handle;
}

void SdlAudio::stop(uint32_t handle)
{
    if (handle != 0 && handle == playing) {
        Mix_HaltMusic();
        playing = 0;
    }
}

void SdlAudio::playFrom(uint32_t handle, double seconds)
{
    if (handle == 0 || handle > tracks.size())
        return;
    const Track& t = tracks[handle - 1];
    const double length = Mix_MusicDuration(t.music);
    if (length > 0 && seconds >= length) {
        stop(playing);
        return;
    }
    if (Mix_FadeInMusicPos(t.music, t.loops ? -1 : 1, 0, seconds) == 0) {
        playing = handle;
    } else {
        Mix_HaltMusic();
        playing = 0;
    }
}
