// The render pass on the headless engine, painting into a tiny screen with test sprites: item
// placement and tint, painting sliced over frames, guides, the drag and the colour packing.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/assets.h"
#include "app/config.h"
#include "interaction/browse.h"
#include "interaction/frame.h"
#include "model/items.h"
#include "model/iteration.h"
#include "model/screen.h"
#include "model/view.h"
#include "platform/engine/headless.h"
#include "platform/platform.h"
#include "registry/registry.h"
#include "render/render.h"
#include "tools/png_writer.h"
#include "support/headless_engine.h"

namespace orn {
namespace {

namespace fs = std::filesystem;

// Straight RGB pixels of a PNG the engine wrote (targets are written opaque, as on black).
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // 3 bytes a pixel, rows top to bottom
    const uint8_t* at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
    int brightness(int x, int y) const { return at(x, y)[0] + at(x, y)[1] + at(x, y)[2]; }
    // The brightest pixel of the 3 by 3 block around (x, y): a one-pixel line may pass beside
    // the exact point.
    int brightnessNear(int x, int y) const {
        int best = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) best = std::max(best, brightness(x + dx, y + dy));
        return best;
    }
};

Picture readPng(const std::string& path) {
    Picture picture;
    SDL_Surface* loaded = IMG_Load(path.c_str());
    if (!loaded) return picture;
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(loaded);
    if (!rgb) return picture;
    picture.width = rgb->w;
    picture.height = rgb->h;
    picture.rgb.resize(static_cast<size_t>(rgb->w) * rgb->h * 3);
    for (int y = 0; y < rgb->h; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(rgb->pixels) + static_cast<size_t>(y) * rgb->pitch;
        std::copy(row, row + rgb->w * 3, picture.rgb.begin() + static_cast<size_t>(y) * rgb->w * 3);
    }
    SDL_FreeSurface(rgb);
    return picture;
}

// A 32 by 32 screen whose registry holds two 8 by 8 test sprites found in "pix": "a_glow.png"
// (entry 0, additive, faint) and "b_square.png" (entry 1, opaque white, blended over).
class TinyScreen : public ::testing::Test {
protected:
    static constexpr int side = 32;

    void SetUp() override {
        char pattern[] = "/tmp/orn-render-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        fs::create_directories(dir + "/pix");
        ASSERT_TRUE(tools::writePng((dir + "/pix/a_glow.png").c_str(), 8, 8, square(255, 40)));
        ASSERT_TRUE(tools::writePng((dir + "/pix/b_square.png").c_str(), 8, 8, square(255, 255)));

        platform::setProgramDirectory(dir);
        platform::setDesktopSize(1920, 1080);
        programDirectory = dir;
        screenWidth = side;
        screenHeight = side;
        displayScale = 1.0;
        ASSERT_EQ(startHeadlessEngine(side, side), "");
        registry = new VOXA();
        ASSERT_FALSE(loadGraphics());  // no pack: the fonts are empty and draw nothing
        ASSERT_EQ(registry->graphicCount(), 2);
        createRenderTargets();

        // A still screen: zoom 1, nothing grows or fits.
        resetScreenState();
        screenModel.partCount = 2;
        screenModel.parts[0] = Part{0, 8.0f, 0.0f, 0.0f, 0.0f, 0.5f};
        screenModel.parts[1] = Part{1, 0.0f, 8.0f, 0.0f, 0.0f, 0.5f};
        screenModel.partScale = 1.0;
        screenModel.itemTarget = 0;
        screenModel.autoFit = 0;
        screenModel.viewZoom = 1.0;
        screenModel.panX = 0.0;
        screenModel.panY = 0.0;
        for (int i = 0; i < 256; ++i) screenModel.palette[i] = PaletteEntry{40 + i % 216, 255 - i % 200, 60 + i % 190};
        applyViewInput(0, 0);
        ASSERT_FLOAT_EQ(registry->originX, 16.0f);  // world (0, 0) at the screen's centre
        drawCursor = 0;
    }
    void TearDown() override {
        if (engine) {
            engine->shutdown();
            engine->release();
        }
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    static std::vector<uint8_t> square(uint8_t grey, uint8_t alpha) {
        std::vector<uint8_t> pixels;
        for (int i = 0; i < 64; ++i) pixels.insert(pixels.end(), {grey, grey, grey, alpha});
        return pixels;
    }
    void setItems(const std::vector<Item>& items) {
        releaseBuffer(1);
        allocateBuffer(1, static_cast<int32_t>(items.size()));
        for (const Item& it : items) appendItem(1, it.x, it.y, it.sprite, it.angle, it.scale, it.colour);
        drawCursor = 0;
    }
    Picture target(HTARGET t, const char* name) {
        const std::string path = dir + "/" + name + ".png";
        EXPECT_TRUE(hgeWriteTargetPng(t, path.c_str()));
        return readPng(path);
    }
    bool frame() {
        const bool end = frameFunction();
        if (!end) renderFunction();
        hgeHeadlessEndFrame();
        return end;
    }

    std::string dir;
};

TEST(ToARGB, PacksChannelsInOrderAndEveryByteSurvivesTheTripThroughFloat) {
    EXPECT_EQ(toARGB(FloatColor{1.0f, 0.5f, 0.25f, 1.0f}), 0xFFFF7F3Fu);
    EXPECT_EQ(toARGB(FloatColor{0.0f, 0.0f, 0.0f, 0.5f}), 0x7F000000u);
    for (int v = 0; v < 256; ++v) {
        const float f = static_cast<float>(v) / 255.0f;
        EXPECT_EQ(toARGB(FloatColor{f, 0, 0, 1.0f}), 0xFF000000u + static_cast<uint32_t>(v) * 65536u) << v;
        EXPECT_EQ(toARGB(FloatColor{0, f, 0, 1.0f}), 0xFF000000u + static_cast<uint32_t>(v) * 256u) << v;
        EXPECT_EQ(toARGB(FloatColor{0, 0, f, 1.0f}), 0xFF000000u + static_cast<uint32_t>(v)) << v;
    }
}

// The ring steps its angle in single precision while it stays within 2 pi.
TEST_F(TinyScreen, RingLineCountFollowsTheSinglePrecisionLoop) {
    struct Case {
        int segments, lines;
    };
    const Case cases[] = {{16, 16}, {8, 9}, {0, 9}, {-4, 9}, {1, 2}};
    engine->beginScene(accumTarget);
    for (const Case& c : cases) {
        EXPECT_EQ(renderCircle(engine, c.segments, 0xFFFFFFFF, 16, 16, 10, 0), c.lines) << c.segments;
    }
    engine->endScene();
    EXPECT_EQ(renderCircle(nullptr, 16, 0xFFFFFFFF, 16, 16, 10, 0), 0);
}

TEST_F(TinyScreen, RingAndLineLandWhereAsked) {
    engine->beginScene(accumTarget);
    engine->clear(0);
    renderCircle(engine, 16, 0xFFFFFFFF, 16, 16, 10, 0);
    renderLine(engine, 0xFFFFFFFF, 2, 30, 12, 30, 0);
    renderLine(nullptr, 0xFFFFFFFF, 2, 2, 30, 2, 0);
    engine->endScene();
    const Picture p = target(accumTarget, "ring");
    ASSERT_EQ(p.width, side);
    EXPECT_GT(p.brightnessNear(26, 16), 300);  // on the ring, right of the centre
    EXPECT_GT(p.brightnessNear(16, 6), 300);   // on the ring, above the centre
    EXPECT_EQ(p.brightnessNear(16, 16), 0);    // the centre stays dark
    EXPECT_GT(p.brightnessNear(7, 30), 300);   // on the line
    EXPECT_EQ(p.brightnessNear(16, 2), 0);     // no engine, no line
}

// One item: its sprite at its position plus the origin, its size the item scale times the part
// scale, tinted with its palette colour.
TEST_F(TinyScreen, ItemIsPaintedAtItsPlaceSizeAndColour) {
    struct Case {
        float scale;
        double partScale;
        int halfSide;  // half the painted square in pixels
    };
    const Case cases[] = {{1.0f, 1.0, 4}, {0.5f, 4.0, 8}, {2.0f, 0.5, 4}};
    for (const Case& c : cases) {
        screenModel.partScale = c.partScale;
        setItems({Item{1, 0.0f, 2.0f, 0.0f, c.scale, 7}});
        renderFunction();
        EXPECT_EQ(drawCursor, 1);
        const Picture p = target(accumTarget, "item");
        const PaletteEntry& colour = screenModel.palette[7];
        const uint8_t* centre = p.at(16, 18);
        EXPECT_NEAR(centre[0], colour.red, 2);
        EXPECT_NEAR(centre[1], colour.green, 2);
        EXPECT_NEAR(centre[2], colour.blue, 2);
        const int h = c.halfSide;
        EXPECT_GT(p.brightness(16 - h + 1, 18), 100) << c.scale;  // just inside the left edge
        EXPECT_EQ(p.brightness(16 - h - 2, 18), 0) << c.scale;    // just outside it
        EXPECT_GT(p.brightness(16, 18 + h - 2), 100) << c.scale;
        EXPECT_EQ(p.brightness(16, 18 + h + 1), 0) << c.scale;
    }
}

TEST_F(TinyScreen, ItemWithoutGraphicIsSkippedButCounted) {
    setItems({Item{5, 0, 0, 0, 1, 0}, Item{-1, 0, 0, 0, 1, 0}, Item{1, 8, 8, 0, 1, 3}});
    renderFunction();
    EXPECT_EQ(drawCursor, 3);
    const Picture p = target(accumTarget, "skip");
    EXPECT_EQ(p.brightness(16, 16), 0);
    EXPECT_GT(p.brightness(24, 24), 100);
}

// Painting resumes where it stopped: a picture painted one slice per frame is exactly the one
// painted in a single pass, so no item was skipped, repeated or painted out of order.
TEST_F(TinyScreen, SlicedPaintingEqualsOnePass) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> position(-18.0f, 18.0f);
    std::vector<Item> items;
    for (int i = 0; i < 400; ++i) {
        items.push_back(Item{static_cast<int32_t>(random() % 2), position(random), position(random),
                             static_cast<float>(random() % 628) * 0.01f, 0.6f, static_cast<int32_t>(random() % 256)});
    }
    setItems(items);
    paintBudget = 0.0;  // every frame stops after its first item
    int frames = 0;
    while (drawCursor < 400) {
        const int32_t before = drawCursor;
        renderFunction();
        ASSERT_GT(drawCursor, before) << "a frame painted nothing";
        ++frames;
    }
    EXPECT_GT(frames, 50);
    const Picture sliced = target(accumTarget, "sliced");

    paintBudget = noBudget;
    drawCursor = 0;
    renderFunction();
    EXPECT_EQ(drawCursor, 400);
    const Picture whole = target(accumTarget, "whole");
    ASSERT_EQ(sliced.rgb.size(), whole.rgb.size());
    EXPECT_TRUE(sliced.rgb == whole.rgb);
    int lit = 0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) lit += whole.brightness(x, y) > 0;
    EXPECT_GT(lit, side * side / 2);
}

// With the real budget a generation too large for one frame takes several, each frame painting
// at least one item and the last one finishing exactly at the count.
TEST_F(TinyScreen, LargeGenerationIsPaintedOverSeveralFrames) {
    const int32_t count = 1000000;
    releaseBuffer(1);
    ASSERT_TRUE(allocateBuffer(1, count));
    for (int32_t i = 0; i < count; ++i) {
        appendItem(1, static_cast<float>(i % 37 - 18), static_cast<float>(i % 41 - 20), i % 2, 0.0f, 0.3f, i % 256);
    }
    drawCursor = 0;
    int frames = 0;
    while (drawCursor < count) {
        const int32_t before = drawCursor;
        renderFunction();
        ASSERT_GT(drawCursor, before);
        ASSERT_LE(drawCursor, count);
        ++frames;
    }
    EXPECT_GT(frames, 1);
}

// Guides: with item 0 of a generation the red ring at the origin; for every item and part one
// ring of 16 lines and one line.
TEST_F(TinyScreen, GuideLinesPerItem) {
    setItems({Item{1, 0, 0, 0, 1, 0}, Item{1, 4, 4, 0, 1, 0}});
    EXPECT_EQ(paintGuides(itemAt(1, 0), true, 0, 0), 16 + 2 * (16 + 1));
    EXPECT_EQ(paintGuides(itemAt(1, 1), false, 0, 0), 2 * (16 + 1));
    screenModel.partCount = 5;
    for (int k = 2; k < 5; ++k) screenModel.parts[k] = screenModel.parts[k % 2];
    EXPECT_EQ(paintGuides(itemAt(1, 1), false, 0, 0), 5 * (16 + 1));
}

// The guides are painted into the picture with the items, whether or not the item itself has a
// graphic, and only while they are switched on.
TEST_F(TinyScreen, GuidesArePaintedOnlyWhenOn) {
    setItems({Item{9, 0, 0, 0, 0.1f, 0}});
    renderFunction();
    const Picture off = target(accumTarget, "off");
    showGuides = 1;
    drawCursor = 0;
    renderFunction();
    const Picture on = target(accumTarget, "on");
    int offLit = 0, onLit = 0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            offLit += off.brightness(x, y) > 0;
            onLit += on.brightness(x, y) > 0;
        }
    EXPECT_EQ(offLit, 0);
    EXPECT_GT(onLit, 10);
}

// During a right-button drag nothing is painted and the finished picture is shown shifted by
// the mouse; releasing the button repaints it at the new pan, where it was shown.
TEST_F(TinyScreen, DragShowsThePictureShiftedAndRepaintsOnRelease) {
    setItems({Item{1, -4.0f, -6.0f, 0.0f, 1.0f, 3}, Item{1, 4.0f, 2.0f, 0.0f, 0.5f, 9}});
    hgeHeadlessMouse(10, 10);
    frame();
    ASSERT_EQ(drawCursor, 2);
    const Picture accumBefore = target(accumTarget, "a0");
    const Picture screenBefore = target(0, "s0");

    hgeHeadlessKey(KEY_RBUTTON, true);
    frame();
    hgeHeadlessMouse(15, 13);
    frame();
    EXPECT_EQ(dragging, 1);
    EXPECT_EQ(drawCursor, 2);
    const Picture accumDuring = target(accumTarget, "a1");
    const Picture screenDuring = target(0, "s1");
    EXPECT_TRUE(accumDuring.rgb == accumBefore.rgb) << "the picture was repainted during the drag";
    int compared = 0;
    for (int y = 3; y < side; ++y)
        for (int x = 5; x < side; ++x) {
            for (int c = 0; c < 3; ++c) ASSERT_NEAR(screenDuring.at(x, y)[c], screenBefore.at(x - 5, y - 3)[c], 1);
            ++compared;
        }
    EXPECT_GT(compared, 0);

    hgeHeadlessKey(KEY_RBUTTON, false);
    frame();
    EXPECT_EQ(dragging, 0);
    EXPECT_EQ(drawCursor, 2);
    const Picture accumAfter = target(accumTarget, "a2");
    const Picture screenAfter = target(0, "s2");
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            for (int c = 0; c < 3; ++c) {
                ASSERT_NEAR(accumAfter.at(x, y)[c], screenDuring.at(x, y)[c], 2) << x << "," << y;
                ASSERT_NEAR(screenAfter.at(x, y)[c], screenDuring.at(x, y)[c], 2) << x << "," << y;
            }
}

// While the newest generation is still empty the picture is cleared in every frame.
TEST_F(TinyScreen, EmptyGenerationClearsThePicture) {
    setItems({Item{1, 0, 0, 0, 1, 3}});
    renderFunction();
    EXPECT_GT(target(accumTarget, "one").brightness(16, 16), 0);
    releaseBuffer(1);
    allocateBuffer(1, 10);
    drawCursor = 0;
    renderFunction();
    EXPECT_EQ(drawCursor, 0);
    EXPECT_EQ(target(accumTarget, "none").brightness(16, 16), 0);
}

}  // namespace
}  // namespace orn
