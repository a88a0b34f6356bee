#include "web/WebAudio.h"

#include <emscripten.h>

// The page's side: webAudio in page.js.
EM_JS(int, webAudioOpen, (), { return webAudio.open(); });
EM_JS(int, webAudioLoad, (const char* path), { return webAudio.load(UTF8ToString(path)); });
EM_JS(void, webAudioPlay, (double seconds), { webAudio.play(seconds); });
EM_JS(void, webAudioStop, (), { webAudio.stop(); });

bool WebAudio::open(int)
{
    opened = webAudioOpen() != 0;
    error = opened ? NoError : NoOutput;
    return opened;
}

// The browser decodes no tracker modules.
uint32_t WebAudio::loadModule(const char*)
{
    error = opened ? BadFormat : NotOpen;
    return 0;
}

uint32_t WebAudio::loadStream(const char* path)
{
    if (!opened) {
        error = NotOpen;
        return 0;
    }
    error = webAudioLoad(path);
    return error == NoError ? 1 : 0;
}

void WebAudio::play(uint32_t)
{
    webAudioPlay(0);
}

void WebAudio::playFrom(uint32_t, double seconds)
{
    webAudioPlay(seconds);
}

void WebAudio::stop(uint32_t)
{
    webAudioStop();
}
