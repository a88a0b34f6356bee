#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "effects/Random.h"

// Drawing ahead in blocks and jumping over draws must leave the same numbers
// and the same state as drawing one at a time.
TEST(Random, BlocksAndSkipsFollowTheOneByOneSequence)
{
    for (uint32_t count : {0u, 1u, 3u, 4u, 5u, 7u, 8u, 9u, 15u, 16u, 17u, 100u, 513u}) {
        uint32_t oneByOne = 12345 + count, block = oneByOne, skipped = oneByOne;
        std::vector<uint16_t> expected(count), drawn(count + 1, 0xffff);
        for (uint16_t& r : expected)
            r = uint16_t(nextRandom(oneByOne));
        nextRandomsPortable(block, drawn.data(), count);
        EXPECT_EQ(std::vector<uint16_t>(drawn.begin(), drawn.begin() + count), expected) << count;
        EXPECT_EQ(drawn[count], 0xffff) << "nothing written past the block";
        EXPECT_EQ(block, oneByOne) << count;
#ifdef __SSE2__
        uint32_t vector = 12345 + count;
        std::fill(drawn.begin(), drawn.end(), 0xffff);
        nextRandomsSse2(vector, drawn.data(), count);
        EXPECT_EQ(std::vector<uint16_t>(drawn.begin(), drawn.begin() + count), expected) << "vector " << count;
        EXPECT_EQ(drawn[count], 0xffff) << "nothing written past the block";
        EXPECT_EQ(vector, oneByOne) << "vector " << count;
#endif
        skipRandom(skipped, count);
        EXPECT_EQ(skipped, oneByOne) << count;
    }
    uint32_t state = 1;
    skipRandom(state, 1ull << 32);
    EXPECT_EQ(state, 1u) << "the generator's period is 2^32";
}
