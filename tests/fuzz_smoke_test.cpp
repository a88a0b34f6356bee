#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fuzz/Harness.h"
#include "show/ShowScript.h"

namespace {

// The fuzzers' entry points on a fixed stream of inputs, so that every run of
// the suite (and its sanitizer build) covers them without a fuzzing engine.
struct Stream {
    uint64_t state;
    uint32_t next()
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return uint32_t(state >> 33);
    }
};

TEST(FuzzSmoke, MutatedShowFilesParseOrFailCleanly)
{
    const std::string show(embeddedShowText());
    Stream rnd{7};
    for (int i = 0; i < 300; ++i) {
        std::string text = show;
        const int edits = 1 + int(rnd.next() % 8);
        for (int e = 0; e < edits; ++e) {
            const size_t at = rnd.next() % text.size();
            switch (rnd.next() % 4) {
            case 0: text[at] = char(rnd.next()); break;
            case 1: text.erase(at, rnd.next() % 40); break;
            case 2: text.insert(at, 1, "0123456789-.\"{}#:>x \n"[rnd.next() % 21]); break;
            default: text.insert(at, text.substr(rnd.next() % text.size(), rnd.next() % 80)); break;
            }
        }
        fuzzShowFile(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    }
}

TEST(FuzzSmoke, EffectsDrawSafelyWithAnyMembers)
{
    Stream rnd{11};
    std::vector<uint8_t> input;
    for (int i = 0; i < 20000; ++i) {
        input.resize(rnd.next() % 48);
        for (uint8_t& b : input)
            b = uint8_t(rnd.next());
        // Many draws only make sense switched on and with a usable target.
        if (input.size() > 2 && i % 2 == 0)
            input[1] = 1;
        fuzzEffectDraw(input.data(), input.size());
    }
}

} // namespace
