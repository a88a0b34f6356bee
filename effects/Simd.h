#pragma once
#include <cstdint>
#include <string_view>

// Which form of the vector loops the effects draw with. Every form gives the
// same pixels; the environment variable SOFTDEMO_SIMD=portable|sse2|avx2
// forces one, otherwise the best the processor has is used. SSE2 forms exist
// wherever the compiler targets SSE2 (also WebAssembly SIMD through its SSE2
// headers); AVX2 forms only on x86, compiled per function, so the rest of the
// program runs on any processor of the target.
//
// Each group of loops (PixelOps for the 2D effects, CAExpOps, VoxelOps) is
// a struct of function pointers with one table per form: the struct and the
// portable forms are declared in XOps.h, xOps(level) gives a level's table
// (XOps.cpp, with the portable and SSE2 forms; the AVX2 ones are in
// XOpsAvx2.cpp), and the effects draw with xOps(), the table of simdLevel()
// taken once.
enum class SimdLevel : uint8_t { Portable, Sse2, Avx2 };

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define SOFTDEMO_AVX2_FORMS 1
#define SOFTDEMO_AVX2 __attribute__((target("avx2")))
#endif

const char* simdName(SimdLevel level);
// Compiled into this program.
bool simdBuiltIn(SimdLevel level);
// Built in and supported by this processor.
bool simdAvailable(SimdLevel level);
// "portable", "sse2" or "avx2", available here; throws std::invalid_argument
// naming the text and what is wrong with it.
SimdLevel parseSimdLevel(std::string_view text);
// SOFTDEMO_SIMD when set, else the best available level. Throws
// std::invalid_argument when SOFTDEMO_SIMD is not usable.
SimdLevel chooseSimdLevel();
// chooseSimdLevel() as decided on the first call; inline, as loops ask often.
inline SimdLevel simdLevel()
{
    static const SimdLevel level = chooseSimdLevel();
    return level;
}
