// GCC cannot align 64-bit Windows' stack to 32 bytes, so a 32-byte value it
// spills there may land on an address that is only 16-aligned. The build has
// the assembler write every aligned vector move as an unaligned one; this
// makes such a move, which crashes without that.
#include <gtest/gtest.h>

#include <cstdint>

TEST(VectorMoves, AnAlignedMoveToAHalfAlignedAddressDoesNotFault)
{
    if (!__builtin_cpu_supports("avx"))
        GTEST_SKIP() << "this processor has no AVX";
    alignas(32) uint8_t bytes[96] = {};
    uint8_t* half = bytes + 16; // 16-aligned, not 32
    asm volatile("vpcmpeqd %%ymm0, %%ymm0, %%ymm0\n\t"
                 "vmovdqa %%ymm0, (%0)\n\t"
                 "vmovaps (%0), %%ymm1\n\t"
                 "vmovaps %%ymm1, 32(%0)\n\t"
                 "vzeroupper"
                 :
                 : "r"(half)
                 : "xmm0", "xmm1", "memory");
    for (int i = 0; i < 96; ++i)
        EXPECT_EQ(bytes[i], i >= 16 && i < 80 ? 0xff : 0) << i;
}
