#include "effects/Simd.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

constexpr const char* kNames[] = {"portable", "sse2", "avx2"};

SimdLevel bestLevel()
{
    for (SimdLevel level : {SimdLevel::Avx2, SimdLevel::Sse2})
        if (simdAvailable(level))
            return level;
    return SimdLevel::Portable;
}

} // namespace

const char* simdName(SimdLevel level)
{
    return kNames[int(level)];
}

bool simdBuiltIn(SimdLevel level)
{
    switch (level) {
    case SimdLevel::Portable: return true;
#ifdef __SSE2__
    case SimdLevel::Sse2: return true;
#endif
#ifdef SOFTDEMO_AVX2_FORMS
    case SimdLevel::Avx2: return true;
#endif
    default: return false;
    }
}

bool simdAvailable(SimdLevel level)
{
#ifdef SOFTDEMO_AVX2_FORMS
    if (level == SimdLevel::Avx2)
        return __builtin_cpu_supports("avx2");
#endif
    return simdBuiltIn(level);
}

SimdLevel parseSimdLevel(std::string_view text)
{
    for (int i = 0; i < 3; ++i)
        if (text == kNames[i]) {
            const SimdLevel level = SimdLevel(i);
            if (!simdAvailable(level))
                throw std::invalid_argument("\"" + std::string(text) + "\" is not available: " +
                                            (simdBuiltIn(level) ? "this processor lacks it" : "not built in"));
            return level;
        }
    throw std::invalid_argument("\"" + std::string(text) + "\" is not one of portable, sse2, avx2");
}

SimdLevel chooseSimdLevel()
{
    const char* forced = std::getenv("SOFTDEMO_SIMD");
    if (!forced || !*forced)
        return bestLevel();
    try {
        return parseSimdLevel(forced);
    } catch (const std::invalid_argument& e) {
        throw std::invalid_argument(std::string("SOFTDEMO_SIMD: ") + e.what());
    }
}
