#include "engine/Production.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <utility>

#include "effects/CAExp.h"
#include "effects/Fill.h"
#include "effects/Noise.h"
#include "effects/PutBuffer.h"
#include "effects/Simd.h"
#include "effects/Tunnel.h"
#include "effects/Voxel.h"
#include "gfx/Palette.h"
#include "pack/DataManifest.h"
#include "scene/Scene.h"

namespace {

struct EffectClass {
    const char* name;
    std::unique_ptr<Effect> (*create)(const std::string& dataDir);
};

template <class E>
std::unique_ptr<Effect> make(const std::string&)
{
    return std::make_unique<E>();
}

// The landscape reads its maps from the data directory.
std::unique_ptr<Effect> makeVoxel(const std::string& dataDir)
{
    return std::make_unique<Voxel>(dataDir);
}

// Matched in this order, by exact name.
const EffectClass kEffectClasses[] = {
    {"Clear", make<Clear>},
    {"Box", make<Box>},
    {"Circle", make<Circle>},
    {"Noise", make<Noise>},
    {"GradientReflected", make<GradientReflected>},
    {"PutBuffer", make<PutBuffer>},
    {"Scene", make<Scene>},
    {"Voxel", makeVoxel},
    {"Tunnel", make<Tunnel>},
    {"CAExp", make<CAExp>},
};

void checkImageName(std::string_view name)
{
    if (name.size() > PixelBuffer::kMaxNameLength)
        throw std::length_error(std::string(name) + ": image name is longer than 127 characters");
}

uint32_t steadyMilliseconds()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

Production::Production(std::string dataDir, Timer::Tick tick, AudioDevice* audio)
    : dataDir(std::move(dataDir)), audio(audio)
{
    simdLevel(); // a SOFTDEMO_SIMD that cannot be used is refused here, before the first frame
    for (const EffectClass& c : kEffectClasses)
        effectKinds.emplace_back(c.create(this->dataDir)->name);
    generatorKinds.emplace_back(Sine().name);
    buildPaletteRegistry();
    paletteName = "MCGA_MODE13H";
    clock = std::make_unique<Timer>(Timer::TimeStatistics, tick ? std::move(tick) : steadyMilliseconds);
}

void Production::initAudio()
{
    music = std::make_unique<Music>(audio);
    music->open();
}

void Production::loadMusic()
{
    if (music)
        music->load(dataPath(kMusicFile).c_str());
}

void Production::addBuffer(std::string_view name)
{
    images.push_back(std::make_unique<PixelBuffer>(name, 512, 384));
}

void Production::loadImage(const char* fileName)
{
    const std::string_view name = fileName;
    checkImageName(name); // before the file is read
    addImage(name, decodeImageFile(dataPath(name)));
}

void Production::addImage(std::string_view name, DecodedImage image)
{
    checkImageName(name);
    images.push_back(std::make_unique<PixelBuffer>(name, image.width, image.height, std::move(image.pixels)));
    images.back()->keepGreyCopy();
}

void Production::addImage(std::unique_ptr<PixelBuffer>&& image)
{
    checkImageName(image->name);
    images.push_back(std::move(image));
}

bool Production::fillImage(std::string_view name, DecodedImage image)
{
    PixelBuffer* buffer = getBuffer(name);
    if (!buffer)
        return false;
    buffer->replace(image.width, image.height, std::move(image.pixels));
    buffer->keepGreyCopy();
    return true;
}

PixelBuffer* Production::getBuffer(std::string_view name) const
{
    for (const auto& buffer : images)
        if (name == buffer->name)
            return buffer.get();
    return nullptr;
}

std::unique_ptr<Effect> Production::createEffect(std::string_view className) const
{
    for (const EffectClass& c : kEffectClasses)
        if (className == c.name)
            return c.create(dataDir);
    return nullptr;
}

void Production::addEffect(std::string_view className)
{
    if (effects.size() >= kMaxObjects)
        throw std::runtime_error("cannot add effect \"" + std::string(className) + "\": the list is full (65535)");
    auto effect = createEffect(className);
    if (!effect)
        throw std::runtime_error("unknown effect class \"" + std::string(className) + "\"");
    effects.push_back(std::move(effect));
    banded.reserve(effects.size());
    members.reserve(effects.size());
    passes.reserve(effects.size());
    rects.reserve(effects.size());
}

void Production::addGenerator()
{
    if (generators.size() >= kMaxObjects)
        throw std::runtime_error("cannot add generator: the list is full (65535)");
    generators.push_back(std::make_unique<Sine>());
}

void Production::prepare()
{
    for (auto& effect : effects)
        effect->applyBaseValues();
}

void Production::update()
{
    clock->tick();
    const float time = clock->timeMs;
    for (auto& generator : generators) {
        generator->refresh();
        generator->step(time);
    }
    for (auto& effect : effects)
        effect->update(time);
}

void Production::setThreads(unsigned threads)
{
    workers = std::make_unique<Workers>(std::max(threads, 1u));
}

void Production::draw(std::vector<double>* effectSeconds)
{
    using Clock = std::chrono::steady_clock;
    for (size_t i = 0; i < effects.size(); ++i) {
        Effect& effect = *effects[i];
        // Timed, the bands of earlier effects count for those effects.
        const auto timed = [&](auto&& work) {
            const auto start = effectSeconds ? Clock::now() : Clock::time_point();
            work();
            if (effectSeconds)
                (*effectSeconds)[i + 1] += std::chrono::duration<double>(Clock::now() - start).count();
        };
        DrawPlan plan;
        timed([&] { plan = effect.beginDraw(*workers); });
        // Before any pixel changes; runs set up earlier still draw first.
        if (plan.kind != DrawPlan::Nothing && effect.pixelRef)
            effect.pixelRef->markDrawnInto();
        if (plan.kind == DrawPlan::Whole) {
            drawBands(effectSeconds);
            timed([&] { effect.draw(*workers); });
        } else if (plan.kind == DrawPlan::Rows) {
            // A run stays row by row while no effect in it reads what another writes.
            if (clashes(effect, plan.reads))
                drawBands(effectSeconds);
            addBanded(effect, plan.reads, i);
        }
    }
    drawBands(effectSeconds);
}

bool Production::clashes(const Effect& effect, const PixelBuffer* reads) const
{
    return std::any_of(banded.begin(), banded.end(), [&](const Banded& b) {
        const auto read = members.begin() + b.first;
        return b.effect->pixelRef == reads || b.reads == effect.pixelRef ||
               std::any_of(read, read + b.count, [&](const Member& m) { return m.reads == effect.pixelRef; });
    });
}

void Production::addBanded(Effect& effect, const PixelBuffer* reads, size_t index)
{
    SaturatingPass pass{};
    PixelRect rect{};
    const auto* put = dynamic_cast<const PutBuffer*>(&effect);
    const Banded::Kind kind = !put                          ? Banded::Single
                              : put->wholeTargetPass(pass)  ? Banded::Passes
                              : put->darkenedRect(rect)     ? Banded::Darkens
                                                            : Banded::Single;
    if (kind == Banded::Single) {
        const auto* clear = dynamic_cast<const Clear*>(&effect);
        banded.push_back({&effect, reads, index, kind, uint32_t(members.size()), 0, clear != nullptr,
                          clear ? clear->color : 0});
        return;
    }
    // Joins the run's last entry when that is of its kind, or a Clear that
    // passes start from, on the same target.
    Banded* last = banded.empty() ? nullptr : &banded.back();
    if (!last || last->effect->pixelRef != effect.pixelRef ||
        !(last->kind == kind || (last->kind == Banded::Single && last->fills && kind == Banded::Passes)))
        last = &banded.emplace_back(Banded{&effect, reads, index, kind, uint32_t(members.size())});
    last->kind = kind;
    ++last->count;
    members.push_back({index, reads});
    passes.push_back(pass);
    rects.push_back(rect);
}

void Production::drawBand(const Banded& b, uint32_t band)
{
    const uint32_t first = band * kBandRows, end = first + kBandRows;
    PixelBuffer& target = *b.effect->pixelRef;
    switch (b.kind) {
    case Banded::Single: b.effect->drawRows(first, end); break;
    case Banded::Passes: {
        const size_t from = size_t(first) * target.width;
        const size_t to = size_t(std::min(end, uint32_t(target.height))) * target.width;
        if (from < to)
            applyPasses(target.pixels + from, to - from, from, passes.data() + b.first, b.count,
                        b.fills ? &b.colour : nullptr);
        break;
    }
    case Banded::Darkens: darkenTogether(target, rects.data() + b.first, b.count, first, end); break;
    }
}

void Production::drawBands(std::vector<double>* effectSeconds)
{
    if (banded.empty())
        return;
    uint32_t rows = 0;
    for (const Banded& b : banded)
        rows = std::max<uint32_t>(rows, b.effect->pixelRef->height);
    const uint32_t bands = (rows + kBandRows - 1) / kBandRows;
    // Tasks of one band each: every thread starts on a run of neighbouring
    // bands, the same in every frame, so they stay in its core's cache from
    // effect to effect, and a thread that ends early takes bands from
    // another's run rather than wait for it.
    if (!effectSeconds) {
        auto band = [&](uint32_t i) {
            for (const Banded& b : banded)
                drawBand(b, i);
        };
        workers->run(bands, band);
    } else {
        using Clock = std::chrono::steady_clock;
        const size_t n = banded.size();
        bandSeconds.assign(size_t(bands) * n, 0.0);
        auto band = [&](uint32_t i) {
            auto start = Clock::now();
            for (size_t j = 0; j < n; ++j) {
                drawBand(banded[j], i);
                const auto end = Clock::now();
                bandSeconds[i * n + j] = std::chrono::duration<double>(end - start).count();
                start = end;
            }
        };
        workers->run(bands, band);
        // Effects drawn as one share their time evenly.
        for (size_t k = 0; k < bandSeconds.size(); ++k) {
            const Banded& b = banded[k % n];
            const double share = bandSeconds[k] / std::max<double>(1, b.count + b.fills);
            if (b.kind == Banded::Single || b.fills)
                (*effectSeconds)[b.index + 1] += share;
            for (uint32_t m = b.first; m < b.first + b.count; ++m)
                (*effectSeconds)[members[m].index + 1] += share;
        }
    }
    banded.clear();
    members.clear();
    passes.clear();
    rects.clear();
}
