#include "effects/random_numbers.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Seeds from the small ones the library handles on their own (0 is taken as 1)
// to those that start the register negative (2^31 and above), and the
// clocks the card's tests and tools seed the snow with.
constexpr uint32_t kSeeds[] = {0,          1,          2,          42,         12345,     1234567890,
                               1765000000, 0x7FFFFFFF, 0x80000000, 0xDEADBEEF, 0xFFFFFFFF};

TEST(RandomNumbers, DrawTheCLibrarysSequenceForEverySeed) {
#ifndef __GLIBC__
    GTEST_SKIP() << "the platform's rand is not the GNU C library's";
#endif
    for (uint32_t seed : kSeeds) {
        RandomNumbers ours(seed);
        std::srand(seed);
        for (int i = 0; i < 10000; ++i) {
            const int theirs = std::rand();
            ASSERT_EQ(ours.next(), theirs) << "seed " << seed << ", draw " << i;
        }
    }
}

TEST(RandomNumbers, ReseedingStartsTheSequenceAgainAndStaysInRange) {
    RandomNumbers a(1765000000);
    int32_t first[5];
    for (int32_t& v : first) v = a.next();
    for (int i = 0; i < 1000; ++i) {
        const int32_t v = a.next();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, RandomNumbers::MAX);
    }
    a.seed(1765000000);
    for (int32_t v : first) EXPECT_EQ(a.next(), v);

    RandomNumbers zero(0), one(1), fresh;
    for (int i = 0; i < 100; ++i) {
        const int32_t z = zero.next();
        EXPECT_EQ(one.next(), z) << "seed 0 is taken as 1";
        EXPECT_EQ(fresh.next(), z) << "unseeded is seed 1, as rand without srand";
    }
}

}  // namespace
