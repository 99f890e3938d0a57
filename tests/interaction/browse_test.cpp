// Browsing the saved screens with Up and Down, deleting with D, and the gallery (paging, the
// thumbnails loaded cell by cell, the pick), driven frame by frame on the headless engine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/config.h"
#include "interaction/browse.h"
#include "interaction/frame.h"
#include "model/screen.h"
#include "platform/engine/headless.h"
#include "saved/saved_file.h"
#include "saved_support.h"

namespace orn {
namespace {

using savedtest::fileBytes;
using savedtest::readBytes;
using savedtest::recipeLines;

std::vector<int32_t> seedRange(int first, int last) {
    std::vector<int32_t> seeds;
    for (int k = first; k <= last; ++k) seeds.push_back(1000 + k);
    return seeds;
}

// ---- Paging: where PgUp and PgDn put the first cell of the page.

struct PagingCase {
    const char* name;
    int lines;
    const char* keys;               // U PgUp, D PgDn, B both held
    std::vector<int32_t> expected;  // galleryFirst after each key
};

class GalleryPagingTest : public savedtest::SavedScreensTest, public ::testing::WithParamInterface<PagingCase> {};

TEST_P(GalleryPagingTest, PagesLandOnTheirFirstCell) {
    const PagingCase& c = GetParam();
    start(recipeLines(c.lines));
    showGuides = 1;
    const std::string keys = c.keys;
    for (size_t k = 0; k < keys.size(); ++k) {
        if (keys[k] == 'U') press(KEY_PGUP);
        if (keys[k] == 'D') press(KEY_PGDN);
        if (keys[k] == 'B') press({KEY_PGUP, KEY_PGDN});
        EXPECT_EQ(galleryFirst, c.expected[k]) << "after key " << k + 1 << " of " << keys;
        EXPECT_EQ(showGuides, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GalleryPagingTest,
    ::testing::Values(PagingCase{"Twenty_DownTurnsOnlyWhileScreensLieBeyond", 20, "DDD", {0, 16, 16}},
                      PagingCase{"Twenty_UpFromClosedOpensOnTheLastSixteen", 20, "UD", {4, 4}},
                      PagingCase{"Twenty_UpStopsAtZero", 20, "UU", {4, 0}},
                      PagingCase{"Twenty_BothHeldFromClosed", 20, "B", {4}},
                      PagingCase{"Sixteen_NeverMoves", 16, "DDU", {0, 0, 0}},
                      PagingCase{"Seventeen_SecondPageHoldsOne", 17, "DD", {0, 16}},
                      PagingCase{"Forty", 40, "UUUDDD", {24, 8, 0, 16, 32, 32}},
                      PagingCase{"Empty", 0, "UD", {0, 0}}),
    [](const ::testing::TestParamInfo<PagingCase>& info) { return std::string(info.param.name); });

// ---- Thumbnails: every cell of a page loads its screen, one after the other.

using GalleryTest = savedtest::SavedScreensTest;

TEST_F(GalleryTest, EachPageLoadsItsScreensInCellOrder) {
    start(recipeLines(20));
    press(KEY_PGDN);
    EXPECT_EQ(buildPage(), seedRange(0, 15));
    press(KEY_PGDN);
    EXPECT_EQ(buildPage(), seedRange(16, 19));
    // Paging again on the last page builds it again.
    press(KEY_PGDN);
    EXPECT_EQ(buildPage(), seedRange(16, 19));
    press(KEY_DOWN);
    EXPECT_EQ(galleryFirst, -1);
    press(KEY_PGUP);
    EXPECT_EQ(buildPage(), seedRange(4, 19));
    EXPECT_EQ(galleryFirst, 4);
    // Once complete the page stays as it is.
    const int32_t seed = screenRecipe.shapeSeed;
    frames(30);
    EXPECT_EQ(galleryLoaded, 16);
    EXPECT_EQ(screenRecipe.shapeSeed, seed);
}

TEST_F(GalleryTest, EmptyListOpensAPageWithNothingToLoad) {
    start(std::vector<std::string>{});
    press(KEY_PGUP);
    EXPECT_EQ(galleryFirst, 0);
    EXPECT_TRUE(buildPage().empty());
}

TEST_F(GalleryTest, PickLoadsTheScreenUnderThePointer) {
    start(recipeLines(20));
    press(KEY_PGDN);
    press(KEY_PGDN);
    ASSERT_EQ(galleryFirst, 16);
    buildPage();

    // Column 0 of row 1 would be index 20, past the end: nothing happens.
    message.clear();
    click(10, 250);
    EXPECT_EQ(galleryFirst, 16);
    EXPECT_EQ(message, "");

    // The top-right cell is index 16 + 3.
    click(950, 10);
    EXPECT_EQ(galleryFirst, -1);
    EXPECT_EQ(savedIndex, 19);
    EXPECT_EQ(screenRecipe.shapeSeed, 1019);
    EXPECT_EQ(message, "Loaded screen 20");

    // Holding the button on: the gallery is closed, nothing more happens.
    hgeHeadlessKey(KEY_LBUTTON, true);
    frames(3);
    hgeHeadlessKey(KEY_LBUTTON, false);
    EXPECT_EQ(galleryFirst, -1);
    EXPECT_EQ(screenRecipe.shapeSeed, 1019);
}

TEST_F(GalleryTest, PickWorksBeforeTheCellIsBuilt) {
    start(recipeLines(20));
    press(KEY_PGDN);
    ASSERT_LT(galleryLoaded, 9);
    // Column 1 of row 2: index 9.
    click(250, 490);
    EXPECT_EQ(galleryFirst, -1);
    EXPECT_EQ(savedIndex, 9);
    EXPECT_EQ(screenRecipe.shapeSeed, 1009);
    EXPECT_EQ(message, "Loaded screen 10");
}

TEST_F(GalleryTest, PagingWithTheButtonHeldPicksInTheSameFrame) {
    start(recipeLines(20));
    hgeHeadlessMouse(10, 10);
    press({KEY_PGDN, KEY_LBUTTON});
    EXPECT_EQ(galleryFirst, -1);
    EXPECT_EQ(savedIndex, 0);
    EXPECT_EQ(screenRecipe.shapeSeed, 1000);
}

// ---- Browsing with Up and Down.

struct BrowseStep {
    int key;              // KEY_UP or KEY_DOWN
    std::string message;  // status message afterwards
    int32_t index;        // savedIndex afterwards
    int32_t loadedSeed;   // shape seed of the screen loaded, -1 when nothing loads
};

void checkBrowsing(savedtest::SavedScreensTest& test, const std::vector<BrowseStep>& steps) {
    for (size_t k = 0; k < steps.size(); ++k) {
        const BrowseStep& step = steps[k];
        screenRecipe.shapeSeed = -1;
        test.press(step.key);
        SCOPED_TRACE("step " + std::to_string(k + 1));
        EXPECT_EQ(message, step.message);
        EXPECT_EQ(savedIndex, step.index);
        EXPECT_EQ(screenRecipe.shapeSeed, step.loadedSeed);
        EXPECT_EQ(galleryFirst, -1);
    }
}

using BrowseTest = savedtest::SavedScreensTest;

TEST_F(BrowseTest, UpAndDownStepThroughTenScreens) {
    start(recipeLines(10));
    EXPECT_EQ(savedIndex, 10);
    std::vector<BrowseStep> steps = {
        {KEY_UP, "Loaded screen 10", 9, 1009},
        {KEY_DOWN, "End", 10, -1},
        {KEY_DOWN, "End", 10, -1},
    };
    for (int k = 9; k >= 0; --k) steps.push_back({KEY_UP, "Loaded screen " + std::to_string(k + 1), k, 1000 + k});
    steps.push_back({KEY_UP, "First", 0, -1});
    steps.push_back({KEY_UP, "First", 0, -1});
    steps.push_back({KEY_DOWN, "Loaded screen 2", 1, 1001});
    checkBrowsing(*this, steps);
}

TEST_F(BrowseTest, EmptyListSaysFirstAndEnd) {
    start(std::nullopt);
    checkBrowsing(*this, {{KEY_UP, "First", 0, -1}, {KEY_DOWN, "End", 0, -1}});
}

TEST_F(BrowseTest, UpClosesTheGallery) {
    start(recipeLines(3));
    press(KEY_PGDN);
    ASSERT_EQ(galleryFirst, 0);
    checkBrowsing(*this, {{KEY_UP, "Loaded screen 3", 2, 1002}});
}

// ---- Delete.

using DeleteTest = savedtest::SavedScreensTest;

TEST_F(DeleteTest, DeletingIndexFourOfTenLeavesNineAndUpLoadsTheNewLast) {
    std::vector<std::string> lines = recipeLines(10);
    start(lines);
    for (int k = 0; k < 6; ++k) press(KEY_UP);
    ASSERT_EQ(savedIndex, 4);
    const int32_t seedBefore = screenRecipe.shapeSeed;

    press(KEY_D);
    EXPECT_EQ(message, "Deleted screen 5");
    EXPECT_EQ(savedIndex, 9);
    EXPECT_EQ(savedCount(), 9);
    lines.erase(lines.begin() + 4);
    EXPECT_EQ(readBytes(savePath()), fileBytes(lines));
    // The screen on display stays.
    EXPECT_EQ(screenRecipe.shapeSeed, seedBefore);

    press(KEY_UP);
    EXPECT_EQ(savedIndex, 8);
    EXPECT_EQ(screenRecipe.shapeSeed, 1009);
    EXPECT_EQ(message, "Loaded screen 9");
}

TEST_F(DeleteTest, NothingIsDeletedUnlessASavedScreenIsLoaded) {
    const std::vector<std::string> lines = recipeLines(10);
    start(lines);
    const double pressedAt = clock;
    press(KEY_D);
    EXPECT_EQ(message, "");
    EXPECT_EQ(savedCount(), 10);
    EXPECT_EQ(readBytes(savePath()), fileBytes(lines));
    // The lock-out is renewed all the same.
    EXPECT_DOUBLE_EQ(keyLockUntil, pressedAt + keyDelay);
}

TEST_F(DeleteTest, NothingIsDeletedWhileTheGalleryIsOpen) {
    const std::vector<std::string> lines = recipeLines(4);
    start(lines);
    press(KEY_UP);
    press(KEY_PGDN);
    message.clear();
    press(KEY_D);
    EXPECT_EQ(message, "");
    EXPECT_EQ(savedCount(), 4);
    EXPECT_EQ(readBytes(savePath()), fileBytes(lines));
}

TEST_F(DeleteTest, DeletingTheOnlyLineLeavesAnEmptyFile) {
    start(recipeLines(1));
    press(KEY_UP);
    press(KEY_D);
    EXPECT_EQ(message, "Deleted screen 1");
    EXPECT_EQ(savedIndex, 0);
    EXPECT_EQ(readBytes(savePath()), "");
    checkBrowsing(*this, {{KEY_UP, "First", 0, -1}});
}

}  // namespace
}  // namespace orn
