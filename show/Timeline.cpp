#include "show/Timeline.h"

#include <chrono>
#include <stdexcept>

Timeline::Timeline(const ShowScript& script, const std::string& dataDir, uint32_t fps, DecodedPictures decoded,
                   unsigned threads, LoadedPictures* loaded)
    : rate(fps)
{
    if (fps == 0)
        throw std::invalid_argument("the frame rate must be at least 1");
    show = std::make_unique<Production>(dataDir, [this] { return now; });
    show->setThreads(threads);
    buildShow(script, *show, std::move(decoded), loaded);
    show->clock->start();
}

bool Timeline::renderNext(std::vector<double>* effectSeconds)
{
    const uint32_t t = frameTimeMs(frame, rate);
    if (showIsOver(t))
        return false;
    now = t;
    if (frame == 0)
        show->prepare();
    ++frame;
    // Slot 0 holds the update of everything.
    const auto start = std::chrono::steady_clock::now();
    show->update();
    if (effectSeconds) {
        effectSeconds->resize(show->effects.size() + 1);
        (*effectSeconds)[0] += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    show->draw(effectSeconds);
    return true;
}

uint64_t frameHash(const PixelBuffer& buffer)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    const auto* bytes = reinterpret_cast<const uint8_t*>(buffer.pixels);
    const size_t size = size_t(buffer.pixelCount) * 4;
    for (size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001b3ull;
    }
    return hash;
}
