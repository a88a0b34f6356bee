#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/Production.h"

// The whole engine state between two frames: every effect's and generator's
// members and work memory, the shared random generator, the clock, and every
// buffer a draw writes into. Pictures that effects only read are not copied.
// A snapshot restores into the production it was taken from, or into another
// built from a show with the same buffers and effects that draws into the
// same buffers: members that point at buffers are kept as their places.
class Snapshot {
public:
    // Reuses the memory of an earlier capture.
    void capture(const Production& production);
    // Throws std::logic_error when the production does not match.
    void restore(Production& production) const;
    // Whether `production` draws into the buffers this one was taken with;
    // restore also needs the same effects.
    bool drawsLike(const Production& production) const;

    uint32_t randomState() const { return random; }
    void setRandomState(uint32_t state) { random = state; }
    size_t bytes() const
    {
        return objects.capacity() + pixels.capacity() * sizeof(uint32_t) + drawn.capacity() * sizeof(Drawn) +
               sizeof *this;
    }

private:
    struct Drawn {
        uint32_t place;  // in the production's images
        bool drawnInto;  // by then: a picture's copy of its grey bytes no longer holds
        bool operator==(const Drawn&) const = default;
    };
    uint32_t random = 1;
    std::optional<Timer> clock;
    StateBytes objects;
    std::vector<Drawn> drawn;
    std::vector<uint32_t> pixels;
};

// The frame buffer and every buffer that some effect's "pixelRef" can point
// to, in the production's order.
std::vector<PixelBuffer*> buffersDrawnInto(const Production& production);
