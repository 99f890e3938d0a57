// TIX: readings in every unit, stops that measure from one start, and the running totals.
#include "primitives/stopwatch.h"

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace orn {
namespace {

// Spins until the counter has moved past the value it shows now.
void waitForTick() {
    const int64_t now = platform::counterValue();
    while (platform::counterValue() == now) {
    }
}

TEST(StopwatchTest, ReadsZeroRightAfterEveryStart) {
    TIX tix;
    for (int unit : {0, 1, 2, 7}) EXPECT_EQ(tix.elapsed(unit), 0.0) << unit;
    waitForTick();
    tix.mark(false);
    tix.reset();
    for (int unit : {0, 1, 2, 7}) EXPECT_EQ(tix.elapsed(unit), 0.0) << unit;
    EXPECT_EQ(tix.totalMicros, 0.0);
    EXPECT_EQ(tix.intervalCount, 0.0);
    waitForTick();
    tix.mark(false);
    tix.mark(true);
    for (int unit : {0, 1, 2, 7}) EXPECT_EQ(tix.elapsed(unit), 0.0) << unit;
}

struct UnitCase {
    int64_t frequency, start, stop;
    int unit;
    double expected;
};

TEST(StopwatchTest, ConvertsTicksToTheUnitAsked) {
    const UnitCase cases[] = {
        {1000000, 0, 2500, 0, 2500.0},
        {1000000, 0, 2500, 1, 2.5},
        {1000000, 0, 2500, 2, 0.0025},
        {1000000, 0, 2500, 7, 0.0025},         // any other unit is seconds
        {1000000, 0, 2500, -1, 0.0025},
        {1000000000, 100, 100 + 30000000, 1, 30.0},
        {3579545, 10, 10 + 3579545, 2, 1.0},   // an uneven frequency
        {1000, 5000, 4000, 1, -1000.0},        // a stop before the start reads negative
        {0, 0, 123456, 0, 0.0},                // no frequency: nothing measured
        {0, 0, 123456, 2, 0.0},
    };
    for (const UnitCase& c : cases) {
        TIX tix;
        tix.frequency = c.frequency;
        tix.startCount = c.start;
        tix.stopCount = c.stop;
        EXPECT_DOUBLE_EQ(tix.elapsed(c.unit), c.expected) << c.frequency << " " << c.unit;
    }
}

TEST(StopwatchTest, StopsInARowMeasureFromTheSameStart) {
    TIX tix;
    const int64_t start = tix.startCount;
    waitForTick();
    tix.mark(false);
    const double first = tix.elapsed(0);
    EXPECT_EQ(tix.elapsed(0), first);  // reading again does not read the counter
    waitForTick();
    tix.mark(false);
    const double second = tix.elapsed(0);

    EXPECT_EQ(tix.startCount, start);
    EXPECT_GT(first, 0.0);
    EXPECT_GT(second, first);
    EXPECT_DOUBLE_EQ(tix.totalMicros, first + second);
    EXPECT_EQ(tix.intervalCount, 2.0);
}

}  // namespace
}  // namespace orn
