#include "engine/Snapshot.h"

#include <algorithm>
#include <stdexcept>

#include "effects/Random.h"

namespace {

// Pixels as runs: a word with the top bit set and a count, then the pixel
// repeated that many times; or a word with a count, then that many pixels as
// they are. Black frames and flat titles shrink to almost nothing, noise
// grows by a word in a few thousand.
constexpr uint32_t kRepeat = 0x80000000u;

void packPixels(const uint32_t* p, size_t count, std::vector<uint32_t>& out)
{
    size_t i = 0;
    while (i < count) {
        size_t run = 1;
        while (i + run < count && p[i + run] == p[i] && run < kRepeat - 1)
            ++run;
        if (run >= 3) {
            out.insert(out.end(), {kRepeat | uint32_t(run), p[i]});
            i += run;
            continue;
        }
        // Literal pixels up to the next run of three.
        size_t end = i + run;
        while (end < count && !(end + 2 < count && p[end] == p[end + 1] && p[end] == p[end + 2]) &&
               end - i < kRepeat - 1)
            ++end;
        out.push_back(uint32_t(end - i));
        out.insert(out.end(), p + i, p + end);
        i = end;
    }
}

// Reads one buffer's runs from `in`; false when they do not fill it exactly.
bool unpackPixels(std::span<const uint32_t>& in, uint32_t* to, size_t count)
{
    size_t i = 0;
    while (i < count && !in.empty()) {
        const uint32_t word = in[0];
        const size_t n = word & ~kRepeat;
        if (n > count - i || in.size() < (word & kRepeat ? 2 : 1 + n))
            return false;
        if (word & kRepeat) {
            std::fill_n(to + i, n, in[1]);
            in = in.subspan(2);
        } else {
            std::copy_n(in.begin() + 1, n, to + i);
            in = in.subspan(1 + n);
        }
        i += n;
    }
    return i == count;
}

} // namespace

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

namespace {

std::vector<PixelBuffer*> allBuffers(const Production& production)
{
    std::vector<PixelBuffer*> buffers;
    for (const auto& buffer : production.images)
        buffers.push_back(buffer.get());
    return buffers;
}

// Every buffer drawn into, by its place among `buffers`.
template <class F>
void forEachDrawnInto(const Production& production, const std::vector<PixelBuffer*>& buffers, F&& f)
{
    for (PixelBuffer* buffer : buffersDrawnInto(production))
        f(uint32_t(std::find(buffers.begin(), buffers.end(), buffer) - buffers.begin()), *buffer);
}

} // namespace

void Snapshot::capture(const Production& production)
{
    const std::vector<PixelBuffer*> buffers = allBuffers(production);
    random = ::randomState();
    clock = *production.clock;
    objects.clear();
    for (const auto& effect : production.effects)
        effect->captureState(objects, buffers);
    for (const auto& generator : production.generators)
        generator->captureState(objects, buffers);
    objects.shrink_to_fit(); // kept by the hundred: no slack (and no copy once it fits)
    drawn.clear();
    pixels.clear();
    forEachDrawnInto(production, buffers, [&](uint32_t place, const PixelBuffer& buffer) {
        drawn.push_back({place, buffer.wasDrawnInto()});
        packPixels(buffer.pixels, buffer.pixelCount, pixels);
    });
    drawn.shrink_to_fit();
    pixels.shrink_to_fit();
}

bool Snapshot::drawsLike(const Production& production) const
{
    const std::vector<PixelBuffer*> buffers = allBuffers(production);
    size_t i = 0;
    bool same = true;
    forEachDrawnInto(production, buffers, [&](uint32_t place, const PixelBuffer&) {
        same = same && i < drawn.size() && drawn[i].place == place;
        ++i;
    });
    return same && i == drawn.size();
}

void Snapshot::restore(Production& production) const
{
    if (!clock)
        throw std::logic_error("restoring a snapshot never taken");
    if (!drawsLike(production))
        throw std::logic_error("the snapshot was taken from a production that draws into other buffers");
    const std::vector<PixelBuffer*> buffers = allBuffers(production);
    std::span<const uint8_t> in(objects);
    for (const auto& effect : production.effects)
        effect->restoreState(in, buffers);
    for (const auto& generator : production.generators)
        generator->restoreState(in, buffers);
    if (!in.empty())
        throw std::logic_error("the snapshot was taken from another production");
    std::span<const uint32_t> runs(pixels);
    for (const Drawn& d : drawn) {
        PixelBuffer& buffer = *buffers[d.place];
        if (!unpackPixels(runs, buffer.pixels, buffer.pixelCount))
            throw std::logic_error("the snapshot was taken from another production");
        // A picture restored as drawn into must not be read through its copy as loaded.
        if (d.drawnInto)
            buffer.markDrawnInto();
    }
    if (!runs.empty())
        throw std::logic_error("the snapshot was taken from another production");
    production.clock->takeState(*clock); // the production's clock reads its own timeline
    ::randomState() = random;
}
