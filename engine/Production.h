#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "audio/Music.h"
#include "base/Workers.h"
#include "effects/Effect.h"
#include "effects/PutBuffer.h"
#include "engine/Timer.h"
#include "gfx/ImageDecoder.h"
#include "gfx/PixelBuffer.h"
#include "pack/DataPath.h"
#include "params/Generator.h"

// Owns everything one show uses: the named buffers (the frame buffer first),
// the clock, the music, the effects in drawing order and the generators.
// Show names such as "data/noise.png" are read from the data directory.
class Production {
public:
    static constexpr size_t kMaxObjects = 65535;

    std::vector<std::unique_ptr<PixelBuffer>> images;
    std::unique_ptr<Timer> clock;
    std::unique_ptr<Music> music;
    std::vector<std::unique_ptr<Effect>> effects;
    std::vector<std::unique_ptr<Generator>> generators;
    std::vector<std::string> effectKinds;
    std::vector<std::string> generatorKinds;
    std::string paletteName;

    // tick: the millisecond clock (a steady clock when empty); audio: the
    // output initAudio opens (none: the show is silent). Throws
    // std::invalid_argument when SOFTDEMO_SIMD names a form that cannot be used.
    explicit Production(std::string dataDir = "data", Timer::Tick tick = {}, AudioDevice* audio = nullptr);
    Production(const Production&) = delete;
    Production& operator=(const Production&) = delete;

    const std::string& dataDirectory() const { return dataDir; }
    std::string dataPath(std::string_view showName) const { return dataFilePath(dataDir, showName); }

    void initAudio();
    void loadMusic();

    void addBuffer(std::string_view name);
    void loadImage(const char* fileName);
    // loadImage for a picture already decoded, named as loadImage names it.
    void addImage(std::string_view name, DecodedImage image);
    // A picture as another production loaded it (its grey copy included);
    // taken only once nothing can fail.
    void addImage(std::unique_ptr<PixelBuffer>&& image);
    // The picture's pixels into the buffer of that name, in place (one left
    // for later by buildShow); false when there is no such buffer.
    bool fillImage(std::string_view name, DecodedImage image);
    PixelBuffer* getBuffer(std::string_view name) const;
    PixelBuffer* frameBuffer() const { return images.empty() ? nullptr : images.front().get(); }

    // Unknown class names and a full list are refused with std::runtime_error.
    void addEffect(std::string_view className);
    Effect* lastEffect() const { return effects.empty() ? nullptr : effects.back().get(); }
    void addGenerator();
    // A new instance of an effect class by name (null for an unknown name),
    // not added to the show.
    std::unique_ptr<Effect> createEffect(std::string_view className) const;

    // The frame is drawn in bands of this many rows where effects allow:
    // every effect of a run that works row by row draws one band, then the
    // next band follows, so the band stays in cache from effect to effect.
    static constexpr uint32_t kBandRows = 16;

    // Threads that share the bands (1, the default: the calling thread alone).
    void setThreads(unsigned threads);
    unsigned threads() const { return workers->threads(); }

    void prepare();
    void update();
    // With `effectSeconds` (one slot more than there are effects), the time
    // each effect spends drawing is added to slot 1 + its index.
    void draw(std::vector<double>* effectSeconds = nullptr);

private:
    // An effect of the current run of row-by-row effects, or several drawn
    // as one: adds and subtracts over the whole of one target, maybe after a
    // Clear of it, which each pixel goes through in turn in a register; or
    // blends that only darken (see PutBuffer), in one pass over each row.
    struct Banded {
        enum Kind : uint8_t { Single, Passes, Darkens };
        Effect* effect; // the first
        const PixelBuffer* reads;
        size_t index;
        Kind kind = Single;
        uint32_t first = 0, count = 0; // members, at these places in `members`, `passes` or `rects`
        bool fills = false;            // effect is a Clear: the passes start from its colour
        uint32_t colour = 0;
    };
    struct Member {
        size_t index;
        const PixelBuffer* reads;
    };
    bool clashes(const Effect& effect, const PixelBuffer* reads) const;
    void addBanded(Effect& effect, const PixelBuffer* reads, size_t index);
    void drawBand(const Banded& b, uint32_t band);
    void drawBands(std::vector<double>* effectSeconds);

    std::string dataDir;
    AudioDevice* audio;
    std::unique_ptr<Workers> workers = std::make_unique<Workers>();
    std::vector<Banded> banded;         // capacity for every effect, so draw allocates nothing
    std::vector<Member> members;        // of the run's Banded, likewise
    std::vector<SaturatingPass> passes; // for each member, when it is a pass
    std::vector<PixelRect> rects;       // for each member, when it darkens
    std::vector<double> bandSeconds;    // when timed: per band, per banded effect
};
