#include "engine/Production.h"

#include <chrono>
#include <stdexcept>
#include <utility>

#include "effects/Fill.h"
#include "effects/CAExp.h"
#include "effects/Noise.h"
#include "effects/PutBuffer.h"
#include "effects/Tunnel.h"
#include "effects/Voxel.h"
#include "gfx/Palette.h"
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
        music->load(dataPath("data/fried.mp3").c_str());
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

void Production::draw()
{
    for (auto& effect : effects)
        effect->draw();
}
