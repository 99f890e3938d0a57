// View control through the real headless engine: wheel zoom and part zoom, right-drag pan, the
// auto-fit step and the gallery's exact fit.
#include <gtest/gtest.h>

#include <string>

#include "app/config.h"
#include "interaction/browse.h"
#include "model/items.h"
#include "model/screen.h"
#include "model/view.h"
#include "model_support.h"
#include "platform/engine/headless.h"
#include "registry/registry.h"
#include "render/render.h"

namespace {

using namespace orn;
using namespace modeltest;

class View : public testing::Test {
protected:
    void SetUp() override {
        setUpModel(4);
        startHeadlessEngine();
        buildFrom(recipeWithParts(2, 2));
        hgeHeadlessMouse(100, 100);
        drawCursor = 5;
    }
    void TearDown() override {
        for (int key : {KEY_LBUTTON, KEY_RBUTTON, KEY_CTRL}) hgeHeadlessKey(key, false);
        galleryFirst = -1;
        tearDownModel();
    }
    // One frame of view input with the mouse at (x, y) logical pixels.
    static void frame(float x, float y) {
        hgeHeadlessMouse(x, y);
        applyViewInput(x, y);
        hgeHeadlessEndFrame();
    }
    // A newest generation of two items spanning the given box.
    static void items(float minX, float minY, float maxX, float maxY) {
        allocateBuffer(1, 2);
        appendItem(1, minX, minY, 0, 0, 1, 0);
        appendItem(1, maxX, maxY, 0, 0, 1, 0);
    }
};

struct WheelCase {
    const char* name;
    int wheel;
    bool ctrl, leftButton, outside;
    double startZoom;
    double zoom, partScale;
    int autoFit;
    int drawCursor;
};

class Wheel : public View, public testing::WithParamInterface<WheelCase> {};

TEST_P(Wheel, OneStepPerFrame) {
    const WheelCase& c = GetParam();
    screenModel.viewZoom = c.startZoom;
    hgeHeadlessKey(KEY_CTRL, c.ctrl);
    hgeHeadlessKey(KEY_LBUTTON, c.leftButton);
    hgeHeadlessWheel(c.wheel);
    frame(c.outside ? -5 : 100, 100);
    EXPECT_DOUBLE_EQ(screenModel.viewZoom, c.zoom);
    EXPECT_DOUBLE_EQ(screenModel.partScale, c.partScale);
    EXPECT_EQ(screenModel.autoFit, c.autoFit);
    EXPECT_EQ(drawCursor, c.drawCursor);
    // The origin follows the zoom of this frame.
    EXPECT_FLOAT_EQ(registry->originX, static_cast<float>(960 * 0.5 / c.zoom));
    // The wheel counts for its frame only.
    frame(100, 100);
    EXPECT_DOUBLE_EQ(screenModel.viewZoom, c.zoom);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Wheel,
    testing::Values(WheelCase{"in_five_notches_one_step", 5, false, false, false, 2, 2 * 1.1, 1, 0, 0},
                    WheelCase{"out", -3, false, false, false, 2, 2 * (1 / 1.1), 1, 0, 0},
                    WheelCase{"out_stops_at_the_floor", -1, false, false, false, 0.000105, 0.0001, 1, 0, 0},
                    WheelCase{"part_zoom_in", 2, true, false, false, 2, 2, 1.02, 1, 0},
                    WheelCase{"part_zoom_out", -1, true, false, false, 2, 2, 1 / 1.02, 1, 0},
                    WheelCase{"left_button_held", 1, false, true, false, 2, 2, 1, 1, 5},
                    WheelCase{"mouse_outside", 1, false, false, true, 2, 2, 1, 1, 5}),
    [](const testing::TestParamInfo<WheelCase>& info) { return std::string(info.param.name); });

TEST_F(View, DragPansWithoutRepaintUntilReleased) {
    screenModel.viewZoom = 2;
    frame(100.7f, 100);
    EXPECT_EQ(lastMouseX, 100);
    hgeHeadlessKey(KEY_RBUTTON, true);
    frame(130, 90);
    EXPECT_EQ(dragging, 1);
    EXPECT_DOUBLE_EQ(screenModel.panX, 15);
    EXPECT_DOUBLE_EQ(screenModel.panY, -5);
    EXPECT_EQ(screenModel.autoFit, 0);
    EXPECT_EQ(drawCursor, 5);
    EXPECT_FLOAT_EQ(registry->originX, 960 * 0.5f / 2 + 15);
    hgeHeadlessKey(KEY_RBUTTON, false);
    frame(130, 90);
    EXPECT_EQ(dragging, 0);
    EXPECT_EQ(drawCursor, 0);
}

TEST_F(View, DragWithoutMovementStillRepaintsOnce) {
    frame(100, 100);
    hgeHeadlessKey(KEY_RBUTTON, true);
    frame(100, 100);
    EXPECT_EQ(screenModel.panX, 0);
    EXPECT_EQ(screenModel.autoFit, 0);
    EXPECT_EQ(drawCursor, 5);
    hgeHeadlessKey(KEY_RBUTTON, false);
    frame(100, 100);
    EXPECT_EQ(drawCursor, 0);
    drawCursor = 5;
    frame(100, 100);
    EXPECT_EQ(drawCursor, 5);
}

TEST_F(View, NoFittingWithOneItem) {
    allocateBuffer(1, 1);
    appendItem(1, 5000, 5000, 0, 0, 1, 0);
    screenModel.viewZoom = 1;
    for (int gallery : {-1, 0}) {
        galleryFirst = gallery;
        frame(100, 100);
        fitView();
        EXPECT_EQ(screenModel.viewZoom, 1);
        EXPECT_EQ(screenModel.panX, 0);
        EXPECT_EQ(drawCursor, 5);
    }
}

TEST_F(View, GalleryExactFitCentresThePictureWithoutRepaint) {
    items(0, -25, 100, 25);
    galleryFirst = 0;
    frame(100, 100);
    fitView();
    // The wider side limits: 960 / 100.
    EXPECT_DOUBLE_EQ(screenModel.viewZoom, 9.6);
    // The picture's centre (50, 0) lands at the window's centre.
    EXPECT_DOUBLE_EQ(screenModel.panX, -50);
    EXPECT_DOUBLE_EQ(screenModel.panY, 0);
    EXPECT_EQ(drawCursor, 5);

    items(-10, -300, 10, 100);
    fitView();
    EXPECT_DOUBLE_EQ(screenModel.viewZoom, 960.0 / 400);
    EXPECT_DOUBLE_EQ(screenModel.panX, 0);
    EXPECT_DOUBLE_EQ(screenModel.panY, 100);
}

struct FitCase {
    const char* name;
    float minX, minY, maxX, maxY;
    double zoom;        // expected after one step from zoom 1, pan 0
    double panX, panY;  // expected
    bool repaint;
};

class AutoFitStep : public View, public testing::WithParamInterface<FitCase> {};

TEST_P(AutoFitStep, OneStep) {
    const FitCase& c = GetParam();
    items(c.minX, c.minY, c.maxX, c.maxY);
    screenModel.viewZoom = 1;
    frame(100, 100);
    fitView();
    EXPECT_DOUBLE_EQ(screenModel.viewZoom, c.zoom);
    EXPECT_DOUBLE_EQ(screenModel.panX, c.panX);
    EXPECT_DOUBLE_EQ(screenModel.panY, c.panY);
    EXPECT_EQ(drawCursor, c.repaint ? 0 : 5);
}

// At zoom 1 in a 960 window the centre of the screen is world 0; the dead band is ±10.
INSTANTIATE_TEST_SUITE_P(
    Cases, AutoFitStep,
    testing::Values(FitCase{"wider_than_the_screen_shrinks", -500, -100, 500, 100, 1 / 1.01, 0, 0, true},
                    FitCase{"taller_than_the_screen_shrinks", -100, -490, 100, 490, 1 / 1.01, 0, 0, true},
                    FitCase{"within_the_margin_stays", -440, -100, 440, 100, 1, 0, 0, false},
                    FitCase{"small_grows", -200, -200, 200, 200, 1.01, 0, 0, true},
                    FitCase{"centre_inside_the_band_stays", -431, -441, 449, 459, 1, 0, 0, false},
                    FitCase{"centre_right_moves_left", -429, -450, 451, 450, 1, -3, 0, true},
                    FitCase{"centre_above_moves_down", -440, -461, 440, 439, 1, 0, 3, true}),
    [](const testing::TestParamInfo<FitCase>& info) { return std::string(info.param.name); });

TEST_F(View, AutoFitWaitsForTheLeftButtonAndNeedsAutoFitOn) {
    items(-200, -200, 200, 200);
    screenModel.viewZoom = 1;
    hgeHeadlessKey(KEY_LBUTTON, true);
    frame(100, 100);
    fitView();
    EXPECT_EQ(screenModel.viewZoom, 1);
    hgeHeadlessKey(KEY_LBUTTON, false);
    screenModel.autoFit = 0;
    frame(100, 100);
    fitView();
    EXPECT_EQ(screenModel.viewZoom, 1);
    EXPECT_EQ(drawCursor, 5);
}

}  // namespace
