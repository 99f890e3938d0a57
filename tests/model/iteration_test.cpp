// The iteration step: geometry, child placement, generation sizes up to the item target and up
// to the limit, restarts, refused allocations, the part-scale fit, the budget and TAB.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/assets.h"
#include "app/config.h"
#include "interaction/browse.h"
#include "interaction/frame.h"
#include "model/items.h"
#include "model/iteration.h"
#include "model/screen.h"
#include "model_support.h"
#include "platform/engine/headless.h"
#include "platform/events.h"
#include "render/render.h"

namespace {

using namespace orn;
using namespace modeltest;

constexpr double kPi = 3.14159265358979323846;

struct AngleCase {
    const char* name;
    float (*function)(float, float);
    float y, x;
    double expected;
};

class Angles : public testing::TestWithParam<AngleCase> {};

TEST_P(Angles, Value) {
    const AngleCase& c = GetParam();
    EXPECT_NEAR(c.function(c.y, c.x), c.expected, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(
    Geometry, Angles,
    testing::Values(AngleCase{"vector_origin", angleOfVector, 0, 0, 0},
                    AngleCase{"vector_left", angleOfVector, 0, -1, kPi},
                    AngleCase{"vector_down", angleOfVector, -1, 0, 3 * kPi / 2},
                    AngleCase{"vector_first_quadrant", angleOfVector, 1, 1, kPi / 4},
                    AngleCase{"vector_fourth_quadrant", angleOfVector, -1, 1, 7 * kPi / 4},
                    AngleCase{"raw_second_quadrant", atan2Raw, 1, -1, 3 * kPi / 4},
                    AngleCase{"raw_third_quadrant", atan2Raw, -1, -1, -3 * kPi / 4},
                    AngleCase{"raw_fourth_quadrant", atan2Raw, -1, 1, 7 * kPi / 4},
                    AngleCase{"raw_straight_up", atan2Raw, 2, 0, kPi / 2},
                    AngleCase{"raw_straight_down", atan2Raw, -2, 0, 3 * kPi / 2}),
    [](const testing::TestParamInfo<AngleCase>& info) { return std::string(info.param.name); });

TEST(Geometry, NormaliseAngleAndExactHalfTurn) {
    EXPECT_NEAR(normaliseAngle(static_cast<float>(-kPi / 2)), 3 * kPi / 2, 1e-6);
    EXPECT_NEAR(normaliseAngle(static_cast<float>(5 * kPi / 2)), kPi / 2, 1e-6);
    EXPECT_NEAR(normaliseAngle(static_cast<float>(-7 * kPi)), kPi, 1e-5);
    EXPECT_EQ(normaliseAngle(0), 0.0f);
    // The half turn comes back as the float nearest π, and three quarters as the float
    // nearest 3π/2: the reductions round to exactly those.
    EXPECT_EQ(angleOfVector(0, -1), static_cast<float>(kPi));
    EXPECT_EQ(angleOfVector(-1, 0), static_cast<float>(3 * kPi / 2));
    // The first quadrant returns the arctangent untouched, signed zero included.
    EXPECT_TRUE(std::signbit(atan2Raw(-0.0f, 1)));
    EXPECT_TRUE(std::isnan(atan2Raw(std::nanf(""), 1)));
}

// rotateAbout turns counter-clockwise in a y-up frame, about the centre.
TEST(Geometry, RotateAboutMatchesARotationMatrix) {
    struct Case {
        float x, y, a, cx, cy;
    };
    const Case cases[] = {{1, 0, static_cast<float>(kPi / 2), 0, 0},
                          {3, 2, static_cast<float>(kPi), 1, 1},
                          {-40, 7, 0.3f, 12, -5},
                          {5, 5, -2.5f, 5, 5},
                          {100, -200, 11.0f, -3, 4}};
    for (const Case& c : cases) {
        float x = c.x, y = c.y;
        rotateAbout(x, y, c.a, c.cx, c.cy);
        double ca = std::cos(c.a), sa = std::sin(c.a);
        double ex = c.cx + (c.x - c.cx) * ca - (c.y - c.cy) * sa;
        double ey = c.cy + (c.x - c.cx) * sa + (c.y - c.cy) * ca;
        double tolerance = 1e-5 * (1 + std::hypot(c.x - c.cx, c.y - c.cy));
        EXPECT_NEAR(x, ex, tolerance);
        EXPECT_NEAR(y, ey, tolerance);
    }
}

class Iteration : public testing::Test {
protected:
    void SetUp() override { setUpModel(4); }
    void TearDown() override { tearDownModel(); }

    // Runs frames with the budget lifted until a frame starts nothing and nothing runs.
    static std::vector<int32_t> growToTheEnd() {
        iterationBudgetMs = 1e12;
        std::vector<int32_t> sizes{bufferCapacity(1)};
        for (int frame = 0; frame < 100; ++frame) {
            int32_t started = screenModel.generationsStarted;
            runIteration();
            if (screenModel.generationsStarted == started) break;
            sizes.push_back(bufferCapacity(1));
        }
        return sizes;
    }
};

TEST_F(Iteration, PlaceChildTurnsScaledOffsetByTheChildAngle) {
    buildFrom(recipeWithParts(4, 4));
    Part& part = screenModel.parts[3];
    part.offsetX = 5;
    part.offsetY = -3;
    part.twist = 0.2f;
    part.scale = 0.5f;
    part.sprite = 7;
    const Item parent{1, 10, 20, 0.3f, 2, 250};
    Item c = placeChild(parent, 3);
    EXPECT_EQ(c.sprite, 7);
    EXPECT_EQ(c.angle, 0.3f + 0.2f);
    EXPECT_EQ(c.scale, 1.0f);
    // The offset (5, -3) at scale 1, turned by 0.5 radians about the parent.
    double a = c.angle;
    EXPECT_NEAR(c.x, 10 + 5 * std::cos(a) + 3 * std::sin(a), 1e-4);
    EXPECT_NEAR(c.y, 20 + 5 * std::sin(a) - 3 * std::cos(a), 1e-4);
    EXPECT_EQ(c.colour, 0);  // (2·3 + 250) mod 256
    EXPECT_EQ(placeChild(parent, 1).colour, 252);
}

TEST_F(Iteration, ChildrenFollowTheirParentsAndColourTheirLineOfDescent) {
    buildFrom(recipeWithParts(3, 27));
    std::vector<int32_t> sizes = growToTheEnd();
    EXPECT_EQ(sizes, (std::vector<int32_t>{3, 9, 27}));
    ASSERT_EQ(selectBuffer(1).count, 27);
    for (int32_t k = 0; k < 27; ++k) {
        // Index k in base 3: the first digit picks the first-generation item (colour 0), the
        // other two are the parts along the line of descent.
        int digitSum = k % 3 + (k / 3) % 3;
        EXPECT_EQ(itemAt(1, k).colour, 2 * digitSum) << k;
        Item expected = placeChild(itemAt(0, k / 3), k % 3);
        EXPECT_EQ(0, std::memcmp(&expected, &itemAt(1, k), sizeof(Item))) << k;
    }
    // Bounds cover exactly the appended items.
    const ItemBuffer& b = selectBuffer(1);
    float minX = b.items[0].x, maxScale = b.items[0].scale;
    for (int32_t k = 1; k < 27; ++k) {
        minX = std::min(minX, b.items[k].x);
        maxScale = std::max(maxScale, b.items[k].scale);
    }
    EXPECT_EQ(b.minX, minX);
    EXPECT_EQ(b.maxScale, maxScale);
}

struct SizeCase {
    int parts;
    int32_t last;
    int generations;
};

class AutomaticSizes : public Iteration, public testing::WithParamInterface<SizeCase> {};

TEST_P(AutomaticSizes, GrowUntilTheTargetOfTwentyThousandIsReached) {
    buildFrom(recipeWithParts(GetParam().parts, 20000));
    std::vector<int32_t> sizes = growToTheEnd();
    ASSERT_EQ(static_cast<int>(sizes.size()), GetParam().generations);
    int32_t expected = GetParam().parts;
    for (int32_t size : sizes) {
        EXPECT_EQ(size, expected);
        expected *= GetParam().parts;
    }
    EXPECT_EQ(sizes.back(), GetParam().last);
    EXPECT_EQ(selectBuffer(1).count, GetParam().last);
    EXPECT_EQ(screenModel.generationsDone, GetParam().generations - 1);
    EXPECT_EQ(screenModel.generationsStarted, screenModel.generationsDone);
}

INSTANTIATE_TEST_SUITE_P(Parts, AutomaticSizes,
                         testing::Values(SizeCase{2, 32768, 15}, SizeCase{3, 59049, 10}, SizeCase{4, 65536, 8},
                                         SizeCase{5, 78125, 7}));

// Growth up to the limit without filling the big generations: the decision to start depends
// only on the newest generation's size. Each generation expands its first parent, then jumps
// to its last parent (a copy of the first) and completes.
class LimitSizes : public Iteration, public testing::WithParamInterface<SizeCase> {};

TEST_P(LimitSizes, StopAtTheLastGenerationWithinTheLimit) {
    buildFrom(recipeWithParts(GetParam().parts, INT32_MAX));
    iterationBudgetMs = -1;  // one slice of parents per frame
    int32_t last = bufferCapacity(1);
    for (int frame = 0; frame < 40; ++frame) {
        int32_t started = screenModel.generationsStarted;
        runIteration();
        if (screenModel.generationsStarted == started) break;
        ASSERT_EQ(bufferCapacity(1), static_cast<int64_t>(last) * GetParam().parts);
        last = bufferCapacity(1);
        const int32_t parents = bufferCapacity(0);
        if (screenModel.generationsDone < screenModel.generationsStarted) {
            itemAt(0, parents - 1) = itemAt(0, 0);
            expandCursor = parents - 1;
            runIteration();
        }
        ASSERT_EQ(screenModel.generationsDone, screenModel.generationsStarted);
    }
    EXPECT_EQ(last, GetParam().last);
    EXPECT_EQ(screenModel.generationsStarted, GetParam().generations - 1);
    // Refused again in later frames, nothing changes.
    Item* newest = selectBuffer(1).items;
    runIteration();
    EXPECT_EQ(selectBuffer(1).items, newest);
    EXPECT_EQ(screenModel.generationsStarted, GetParam().generations - 1);
}

INSTANTIATE_TEST_SUITE_P(Parts, LimitSizes,
                         testing::Values(SizeCase{2, 16777216, 24}, SizeCase{3, 14348907, 15},
                                         SizeCase{4, 16777216, 12}, SizeCase{5, 9765625, 10}));

// With the budget used up from the start, each frame expands the parents that place the first
// 32 children, then reads the stopwatch and stops.
struct SliceCase {
    int parts;
    int32_t parents;  // generation of parents to expand
    int32_t perFrame;
};

class BudgetSlices : public Iteration, public testing::WithParamInterface<SliceCase> {};

TEST_P(BudgetSlices, StopAfterTheReadingThatPassesTheBudget) {
    const SliceCase& c = GetParam();
    buildFrom(recipeWithParts(c.parts, c.parents));
    growToTheEnd();
    ASSERT_EQ(bufferCapacity(1), c.parents);
    screenModel.itemTarget = INT32_MAX;
    iterationBudgetMs = -1;
    runIteration();
    EXPECT_EQ(screenModel.generationsStarted, screenModel.generationsDone + 1);
    EXPECT_EQ(drawCursor, 0);
    EXPECT_EQ(expandCursor, c.perFrame);
    EXPECT_EQ(selectBuffer(1).count, c.perFrame * c.parts);
    runIteration();
    EXPECT_EQ(expandCursor, 2 * c.perFrame);
    int frames = 2;
    while (screenModel.generationsDone < screenModel.generationsStarted) {
        runIteration();
        ++frames;
    }
    EXPECT_EQ(frames, (c.parents + c.perFrame - 1) / c.perFrame);
    EXPECT_EQ(selectBuffer(1).count, c.parents * c.parts);
    // The next generation starts only in the next frame.
    const int32_t started = screenModel.generationsStarted;
    runIteration();
    EXPECT_EQ(screenModel.generationsStarted, started + 1);
}

INSTANTIATE_TEST_SUITE_P(Parts, BudgetSlices,
                         testing::Values(SliceCase{2, 64, 16}, SliceCase{3, 81, 11}, SliceCase{4, 64, 8},
                                         SliceCase{5, 125, 7}));

TEST_F(Iteration, RestartedGenerationRunsOnAndDropsItsChildren) {
    buildFrom(recipeWithParts(2, 64));
    growToTheEnd();
    screenModel.itemTarget = 20000;
    iterationBudgetMs = -1;
    runIteration();  // generation of 128 started, 16 of its 64 parents expanded
    ASSERT_EQ(expandCursor, 16);
    ASSERT_EQ(bufferCapacity(1), 128);
    // The iteration toggle places the first generation again without resetting the counters.
    buildScreen(0, false);
    std::vector<Item> first(selectBuffer(1).items, selectBuffer(1).items + 2);
    iterationBudgetMs = 1e12;
    runIteration();
    EXPECT_EQ(screenModel.generationsDone, screenModel.generationsStarted);
    EXPECT_EQ(expandCursor, 64);
    EXPECT_EQ(selectBuffer(1).count, 2);
    EXPECT_EQ(bufferCapacity(1), 2);
    EXPECT_EQ(0, std::memcmp(first.data(), selectBuffer(1).items, 2 * sizeof(Item)));
    // And regrows from the first generation.
    runIteration();
    EXPECT_EQ(bufferCapacity(1), 4);
    EXPECT_EQ(selectBuffer(1).count, 4);
}

TEST_F(Iteration, GenerationWhoseMemoryCannotBeHadIsRefusedAndChangesNothing) {
    buildFrom(recipeWithParts(5, 20000));
    iterationBudgetMs = 1e12;
    runIteration();
    runIteration();  // generations of 5, 25 and 125 items
    ASSERT_EQ(bufferCapacity(1), 125);
    itemArrayLimitBytes = 125 * static_cast<int64_t>(sizeof(Item));
    drawCursor = 77;
    const ItemBuffer parentBefore = selectBuffer(0);
    const ItemBuffer newestBefore = selectBuffer(1);
    const int32_t started = screenModel.generationsStarted;
    const int32_t cursor = expandCursor;
    const int32_t active = activeBuffer;

    runIteration();
    EXPECT_EQ(0, std::memcmp(&parentBefore, &selectBuffer(0), sizeof(ItemBuffer)));
    EXPECT_EQ(0, std::memcmp(&newestBefore, &selectBuffer(1), sizeof(ItemBuffer)));
    EXPECT_EQ(screenModel.generationsStarted, started);
    EXPECT_EQ(screenModel.generationsDone, started);
    EXPECT_EQ(expandCursor, cursor);
    EXPECT_EQ(activeBuffer, active);
    EXPECT_EQ(drawCursor, 77);

    // With the memory back, the same frame's work goes ahead.
    itemArrayLimitBytes = INT64_MAX;
    runIteration();
    EXPECT_EQ(bufferCapacity(1), 625);
    EXPECT_EQ(selectBuffer(1).count, 625);
}

struct FitCase {
    const char* name;
    float firstScale;      // scale of both first-generation items
    float partScaleFactor; // both parts' scale
    double savedPartScale;
    int autoFit;
    // expected partScale: 0 means 0.01 / maxScale, -1 means 0.01 / minScale, else the value
    double expected;
};

class PartScaleFit : public Iteration, public testing::WithParamInterface<FitCase> {};

TEST_P(PartScaleFit, AtTheEndOfAGeneration) {
    const FitCase& c = GetParam();
    buildFrom(recipeWithParts(2, 4));
    SPRITE& m = screenModel;
    m.parts[0].scale = m.parts[1].scale = c.partScaleFactor;
    m.parts[1].scale = c.partScaleFactor * 0.5f;
    for (int i = 0; i < 2; ++i) itemAt(1, i).scale = c.firstScale;
    m.savedPartScale = c.savedPartScale;
    m.autoFit = c.autoFit;
    m.partScale = 7.0;
    iterationBudgetMs = 1e12;
    runIteration();
    ASSERT_EQ(m.generationsDone, 1);
    const ItemBuffer& b = selectBuffer(1);
    double expected = c.expected;
    if (expected == 0) expected = 0.01 / b.maxScale;
    if (expected == -1) expected = 0.01 / b.minScale;
    EXPECT_DOUBLE_EQ(m.partScale, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PartScaleFit,
    testing::Values(FitCase{"all_tiny_largest_to_one_hundredth", 0.01f, 0.6f, 0, 1, 0},
                    FitCase{"all_large_smallest_to_one_hundredth", 2.0f, 0.6f, 0, 1, -1},
                    FitCase{"straddling_stays_one", 0.03f, 0.6f, 0, 1, 1.0},
                    FitCase{"saved_scale_wins", 0.01f, 0.6f, 0.3, 1, 0.3},
                    FitCase{"auto_fit_off_keeps_it", 0.01f, 0.6f, 0, 0, 7.0}),
    [](const testing::TestParamInfo<FitCase>& info) { return std::string(info.param.name); });

// TAB through the real headless engine.
class TabKey : public Iteration {
protected:
    void SetUp() override {
        Iteration::SetUp();
        startHeadlessEngine();
        platform::enableEvents(true);
    }
    void TearDown() override {
        platform::enableEvents(false);
        hgeHeadlessKey(KEY_TAB, false);
        Iteration::TearDown();
    }
    // One frame's iteration; returns the events it wrote.
    static std::string frame() {
        testing::internal::CaptureStdout();
        runIteration();
        hgeHeadlessEndFrame();
        return testing::internal::GetCapturedStdout();
    }
};

TEST_F(TabKey, StartsAGenerationBeyondTheTargetTurningAutoFitOff) {
    ASSERT_NE(iterationEffect, 0u) << "the build's Sound.paq holds sound\\iter.mp3";
    buildFrom(recipeWithParts(3, 3));  // the first generation meets the target
    iterationBudgetMs = 1e12;
    EXPECT_EQ(frame(), "");
    EXPECT_EQ(screenModel.generationsStarted, 0);

    orn::clock = 5;
    keyLockUntil = 4;
    screenModel.partScale = 3.0;
    hgeHeadlessKey(KEY_TAB, true);
    std::string events = frame();
    EXPECT_EQ(screenModel.generationsStarted, 1);
    EXPECT_EQ(screenModel.generationsDone, 1);
    EXPECT_EQ(bufferCapacity(1), 9);
    EXPECT_EQ(screenModel.autoFit, 0);
    EXPECT_EQ(keyLockUntil, 5 + keyDelay);
    EXPECT_NE(events.find("\"event\":\"sound\""), std::string::npos) << events;
    EXPECT_NE(events.find("\"volume\":50"), std::string::npos) << events;
    // Auto-fit off: the part-scale fit was skipped.
    EXPECT_EQ(screenModel.partScale, 3.0);

    // Still held, but the lock-out runs: nothing starts.
    frame();
    EXPECT_EQ(screenModel.generationsStarted, 1);
}

TEST_F(TabKey, DoesNothingWhileRunningLockedOutOrWithTheGalleryOpen) {
    buildFrom(recipeWithParts(2, 64));
    iterationBudgetMs = 1e12;
    growToTheEnd();
    orn::clock = 10;
    hgeHeadlessKey(KEY_TAB, true);

    galleryFirst = 0;
    EXPECT_EQ(frame(), "");
    EXPECT_EQ(screenModel.generationsStarted, 5);
    galleryFirst = -1;

    keyLockUntil = 10;  // not strictly below the clock
    frame();
    EXPECT_EQ(screenModel.generationsStarted, 5);

    keyLockUntil = 0;
    iterationBudgetMs = -1;
    frame();  // starts the generation of 128, 16 of its parents expanded
    EXPECT_EQ(screenModel.generationsStarted, 6);
    EXPECT_EQ(expandCursor, 16);
    keyLockUntil = 0;
    frame();  // TAB while it runs: the generation only goes on
    EXPECT_EQ(screenModel.generationsStarted, 6);
    EXPECT_EQ(expandCursor, 32);
    EXPECT_EQ(bufferCapacity(1), 128);
}

TEST_F(TabKey, AtTheLimitStartsNothingAndPlaysNothing) {
    buildFrom(recipeWithParts(5, 5));
    // A newest generation of 9765625 items: five times as many would pass the limit.
    ASSERT_TRUE(allocateBuffer(1, 9765625));
    orn::clock = 100;
    screenModel.autoFit = 1;
    hgeHeadlessKey(KEY_TAB, true);
    EXPECT_EQ(frame(), "");
    EXPECT_EQ(screenModel.generationsStarted, 0);
    EXPECT_EQ(screenModel.autoFit, 1);
    EXPECT_EQ(keyLockUntil, 0);
}

}  // namespace
