#include <gtest/gtest.h>

#include "platform/runtime_random.h"

// Values worked out by hand from state = state * 214013 + 2531011, output bits 16-30.
TEST(RuntimeRandom, FollowsTheMicrosoftRecurrenceAfterSeeding) {
    platform::runtime_srand(42342);
    uint32_t state = 42342;
    for (int i = 0; i < 1000; ++i) {
        state = state * 214013u + 2531011u;
        ASSERT_EQ(platform::runtime_rand(), static_cast<int>((state >> 16) & 0x7FFF)) << "draw " << i;
    }
}

TEST(RuntimeRandom, FirstDrawsAfterSeed42342) {
    // 42342 * 214013 + 2531011 = 9064269457 = 0x2_1C45C691; mod 2^32 0x1C45C691, bits 16-30 = 0x1C45 = 7237.
    // The next two states give 1990 and 9474.
    platform::runtime_srand(42342);
    EXPECT_EQ(platform::runtime_rand(), 7237);
    EXPECT_EQ(platform::runtime_rand(), 1990);
    EXPECT_EQ(platform::runtime_rand(), 9474);
}

TEST(RuntimeRandom, SeedOneGivesTheWellKnownSequence) {
    // The runtime's documented first values after srand(1).
    platform::runtime_srand(1);
    EXPECT_EQ(platform::runtime_rand(), 41);
    EXPECT_EQ(platform::runtime_rand(), 18467);
    EXPECT_EQ(platform::runtime_rand(), 6334);
    EXPECT_EQ(platform::runtime_rand(), 26500);
}

TEST(RuntimeRandom, ReseedingRestartsTheSequence) {
    platform::runtime_srand(4817);
    const int a = platform::runtime_rand(), b = platform::runtime_rand();
    platform::runtime_srand(4817);
    EXPECT_EQ(platform::runtime_rand(), a);
    EXPECT_EQ(platform::runtime_rand(), b);
}
