// The seeded generator: the reference sequences, its three modes, the 32-bit wrap, and
// randomBelow over the runtime source.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "model/generator.h"
#include "platform/platform.h"

namespace {

using orn::SeededGenerator;

struct SequenceCase {
    int32_t start;
    int32_t bound;
    std::vector<int32_t> results;
    std::vector<int32_t> states;
};

class GeneratorSequence : public testing::TestWithParam<SequenceCase> {};

TEST_P(GeneratorSequence, DrawsAndStatesMatchTheReference) {
    const SequenceCase& c = GetParam();
    SeededGenerator g;
    g.state = c.start;
    for (size_t i = 0; i < c.results.size(); ++i) {
        EXPECT_EQ(g.draw(c.bound), c.results[i]) << "draw " << i;
        EXPECT_EQ(g.state, c.states[i]) << "state after draw " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Reference, GeneratorSequence,
    testing::Values(
        // The third step wraps: 8291521 × 2879 is -1898514817 in 32 bits.
        SequenceCase{1, 10, {1, 9, 7, 4, 3, 5}, {2880, 8291521, 898514797, 253788351, 512222210, 513960042}},
        SequenceCase{1000000000, 900, {823, 484, 690}, {371911660, 286812416, 99224812}},
        // A state of 0 (before any seeding) draws 0 and moves to 1.
        SequenceCase{0, 5, {0, 1}, {1, 2880}}));

struct ModeCase {
    const char* name;
    int32_t start;
    int32_t argument;
    int32_t result;
    int32_t stateAfter;
};

class GeneratorMode : public testing::TestWithParam<ModeCase> {};

TEST_P(GeneratorMode, ResultAndState) {
    const ModeCase& c = GetParam();
    SeededGenerator g;
    g.state = c.start;
    EXPECT_EQ(g.draw(c.argument), c.result);
    EXPECT_EQ(g.state, c.stateAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, GeneratorMode,
    testing::Values(ModeCase{"seed", 77, -5, -5, 5},                              //
                    ModeCase{"seed_replaces_any_state", 0, -1000000000, -1000000000, 1000000000},
                    ModeCase{"peek", 12345, 0, 12345, 12345},                     //
                    ModeCase{"draw_bound_one", 2880, 1, 0, 8291521},              //
                    ModeCase{"draw_bound_one_odd", 8291521, 1, 1, 898514797},     //
                    // The most negative seed wraps onto itself instead of overflowing.
                    ModeCase{"seed_most_negative", 3, INT32_MIN, INT32_MIN, INT32_MIN},
                    // From that state the product wraps to itself and its absolute value
                    // stays negative: -2147483648 % 1000000021 + 1.
                    ModeCase{"draw_from_most_negative", INT32_MIN, 3, 0, -147483605},
                    // A bound whose successor does not fit in 32 bits leaves the state as result.
                    ModeCase{"draw_largest_bound", 123456, INT32_MAX, 123456, 355429825}),
    [](const testing::TestParamInfo<ModeCase>& info) { return std::string(info.param.name); });

TEST(Generator, PeekTwiceAndDrawsStayInRange) {
    SeededGenerator g;
    g.draw(-1000000000);
    EXPECT_EQ(g.draw(0), g.draw(0));
    for (int i = 0; i < 2000; ++i) {
        int32_t n = 1 + i % 37;
        int32_t v = g.draw(n);
        ASSERT_GE(v, 0);
        ASSERT_LE(v, n);
        ASSERT_GE(g.state, 1);
        ASSERT_LE(g.state, 1000000021);
    }
}

TEST(RandomBelow, ZeroDoesNotConsultTheSourceAndOthersStayBelow) {
    platform::seedRandom(99);
    int32_t first = platform::randomValue();
    platform::seedRandom(99);
    EXPECT_EQ(orn::randomBelow(0), 0);
    EXPECT_EQ(platform::randomValue(), first);

    platform::seedRandom(7);
    for (int i = 0; i < 1000; ++i) {
        int32_t v = orn::randomBelow(6);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 6);
    }
}

}  // namespace
