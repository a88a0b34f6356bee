#include "audio/Music.h"

#include <cstdio>
#include <cstring>

Music::Music(AudioDevice* device) : device(device) {}

void Music::report(const char* message)
{
    std::printf("%s\n(error code: %d)", message, device ? device->errorCode() : -1);
    std::fflush(stdout);
}

void Music::open()
{
    if (!device || !device->open(44100))
        report("Can't initialize device");
}

void Music::load(const char* fileName)
{
    // Case-sensitive, after the last dot; a name without a dot is its own extension.
    const char* dot = std::strrchr(fileName, '.');
    const char* extension = dot ? dot + 1 : fileName;
    auto is = [extension](const char* e) { return std::strcmp(extension, e) == 0; };
    if (is("mod") || is("s3m") || is("xm") || is("it"))
        kind = Module;
    else if (is("mp3") || is("ogg"))
        kind = Stream;
    else
        return;
    if (!device)
        return;
    if (kind == Module) {
        module = device->loadModule(fileName);
        if (!module)
            report("Can't load music");
    } else {
        stream = device->loadStream(fileName);
        if (!stream)
            report("Can't open stream");
    }
}

void Music::play()
{
    if (module)
        device->play(module);
    else if (stream)
        device->play(stream);
}

void Music::stop()
{
    if (stream)
        device->stop(stream);
    else if (module)
        device->stop(module);
}
