#include "engine/Snapshot.h"

#include <algorithm>
#include <stdexcept>

#include "effects/Random.h"

std::vector<PixelBuffer*> buffersDrawnInto(const Production& production)
{
    std::vector<const PixelBuffer*> targets{production.frameBuffer()};
    for (const auto& effect : production.effects) {
        const VarRecord* record = effect->getVariable("pixelRef");
        if (!record || record->type != VarType::Buffer)
            continue;
        for (const auto& segment : record->segments)
            targets.push_back(static_cast<const Variable<PixelBuffer*>&>(*segment).from);
    }
    std::vector<PixelBuffer*> drawnInto;
    for (const auto& buffer : production.images)
        if (std::find(targets.begin(), targets.end(), buffer.get()) != targets.end())
            drawnInto.push_back(buffer.get());
    return drawnInto;
}

void Snapshot::capture(const Production& production)
{
    random = ::randomState();
    clock = *production.clock;
    objects.clear();
    for (const auto& effect : production.effects)
        effect->captureState(objects);
    for (const auto& generator : production.generators)
        generator->captureState(objects);
    objects.shrink_to_fit(); // kept by the hundred: no slack (and no copy once it fits)
    const std::vector<PixelBuffer*> drawnInto = buffersDrawnInto(production);
    size_t count = 0;
    for (const PixelBuffer* buffer : drawnInto)
        count += buffer->pixelCount;
    pixels.resize(count);
    uint32_t* to = pixels.data();
    for (const PixelBuffer* buffer : drawnInto)
        to = std::copy(buffer->pixels, buffer->pixels + buffer->pixelCount, to);
}

void Snapshot::restore(Production& production) const
{
    const std::vector<PixelBuffer*> drawnInto = buffersDrawnInto(production);
    size_t pixelCount = 0;
    for (const PixelBuffer* buffer : drawnInto)
        pixelCount += buffer->pixelCount;
    if (!clock || pixelCount != pixels.size())
        throw std::logic_error("the snapshot was taken from another production");
    std::span<const uint8_t> in(objects);
    for (const auto& effect : production.effects)
        effect->restoreState(in);
    for (const auto& generator : production.generators)
        generator->restoreState(in);
    if (!in.empty())
        throw std::logic_error("the snapshot was taken from another production");
    const uint32_t* from = pixels.data();
    for (PixelBuffer* buffer : drawnInto) {
        std::copy(from, from + buffer->pixelCount, buffer->pixels);
        from += buffer->pixelCount;
    }
    *production.clock = *clock;
    ::randomState() = random;
}
