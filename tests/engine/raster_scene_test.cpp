// A headless run that draws as the program does: thousands of tinted, turned sprites from the
// generated sprite images painted into a render target, the target composed on the screen, and
// the screen written by the script's "shot". The picture is checked for the colours asked and
// for sprites that keep their brightness at every size and sub-pixel position.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/engine/headless.h"
#include "platform/engine/hge.h"
#include "platform/platform.h"

namespace {

constexpr int side = 480;       // screen and target
constexpr int cells = 12;       // calibration grid: cells x cells sprites in the lower half
constexpr float cell = 40.0f;   // pixels between calibration sprites

HGE* engine = nullptr;
HTARGET layer = 0;
std::vector<HTEXTURE> sprites;

struct Lcg {
    uint32_t state;
    uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    float unit() { return static_cast<float>(next() & 0xFFFF) / 65536.0f; }
};

// A sprite over its whole texture, centred at (x, y), turned and scaled, as drawTransformed
// draws it.
void drawSprite(HTEXTURE texture, float x, float y, float size, float angle, uint32_t tint, int blend) {
    Quad q{};
    float c = std::cos(angle) * size * 0.5f, s = std::sin(angle) * size * 0.5f;
    const float ax[4] = {-1, 1, 1, -1}, ay[4] = {-1, -1, 1, 1}, us[4] = {0, 1, 1, 0}, vs[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i) q.v[i] = QuadVertex{x + ax[i] * c - ay[i] * s, y + ax[i] * s + ay[i] * c, 0.5f, tint, us[i], vs[i]};
    q.texture = texture;
    q.blend = blend;
    engine->drawQuad(&q);
}

bool frame() { return false; }

bool render() {
    // Paint the picture once, into the target.
    static bool painted = false;
    if (!painted) {
        painted = true;
        engine->beginScene(layer);
        engine->clear(0);
        // Upper half: a field of 6000 warm-tinted sprites from 0.5 to 24 pixels, half added.
        Lcg rng{77};
        for (int i = 0; i < 6000; ++i) {
            float size = 0.5f + 23.5f * rng.unit() * rng.unit();
            uint32_t red = 160 + rng.next() % 96, green = 60 + rng.next() % 100, blue = rng.next() % 50;
            uint32_t tint = 0xFF000000u | red << 16 | green << 8 | blue;
            drawSprite(sprites[i % sprites.size()], side * rng.unit(), (side / 2 - 8) * rng.unit(), size,
                       6.2831853f * rng.unit(), tint, i % 2 ? BLEND_ALPHA : BLEND_ADD);
        }
        // Lower half: one glow sprite per cell, growing from 0.6 to 8.3 pixels across the row,
        // at a different sub-pixel offset and turn in every cell.
        for (int row = 0; row < cells / 2; ++row) {
            for (int col = 0; col < cells; ++col) {
                float size = 0.6f + 0.7f * static_cast<float>(col) + 0.05f * static_cast<float>(row);
                drawSprite(sprites[0], cell * (col + 0.5f) + rng.unit(), side / 2 + cell * (row + 0.5f) + rng.unit(), size,
                           6.2831853f * rng.unit(), 0xFFFFFFFF, BLEND_ADD);
            }
        }
        engine->endScene();
    }
    // Compose the picture on the screen, as the render pass shows it.
    engine->beginScene(0);
    engine->clear(0);
    Quad view{};
    const float xs[4] = {0, side, side, 0}, ys[4] = {0, 0, side, side}, us[4] = {0, 1, 1, 0}, vs[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i) view.v[i] = QuadVertex{xs[i], ys[i], 0.5f, 0xFFFFFFFF, us[i], vs[i]};
    view.texture = engine->targetTexture(layer);
    view.blend = BLEND_ALPHA;
    engine->drawQuad(&view);
    engine->endScene();
    return false;
}

std::vector<uint8_t> readRgb(const std::string& path, int& width, int& height) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return rgb;
}

TEST(RasterScene, HeadlessShotShowsSmoothTintedSprites) {
    platform::setProgramDirectory(ORN_BIN_DIR);
    std::string shot = ::testing::TempDir() + "raster_scene.png";
    std::string script = ::testing::TempDir() + "raster_scene.txt";
    std::ofstream(script) << "2 shot " << shot << "\n2 quit\n";
    std::string error;
    ASSERT_TRUE(hgeLoadScript(script.c_str(), error)) << error;

    engine = hgeCreate(HGE_VERSION);
    ASSERT_NE(engine, nullptr);
    engine->setCallback(HGE_FRAMEFUNC, frame);
    engine->setCallback(HGE_RENDERFUNC, render);
    engine->setNumber(HGE_SCREENWIDTH, side);
    engine->setNumber(HGE_SCREENHEIGHT, side);
    engine->setNumber(HGE_FPS, 50);
    engine->setFlag(HGE_WINDOWED, true);
    ASSERT_TRUE(engine->initiate()) << engine->errorMessage();
    for (const char* name : {"pix\\01_glow.png", "pix\\02_petal.png", "pix\\03_ring.png", "pix\\05_star4.png",
                             "pix\\09_flake.png", "pix\\15_flare.png"}) {
        HTEXTURE t = engine->loadTexture(name, 0, true);
        ASSERT_NE(t, 0u) << name;
        sprites.push_back(t);
    }
    layer = engine->createTarget(side, side, false);
    ASSERT_NE(layer, 0u);
    ASSERT_TRUE(engine->start());
    // The glow sprite's mean colour, which a sprite adds per pixel of its area.
    int tw = engine->textureWidth(sprites[0], true), th = engine->textureHeight(sprites[0], true);
    for (HTEXTURE t : sprites) engine->freeTexture(t);
    engine->freeTarget(layer);
    engine->shutdown();
    engine->release();
    sprites.clear();

    int width = 0, height = 0;
    std::vector<uint8_t> rgb = readRgb(shot, width, height);
    ASSERT_EQ(width, side);
    ASSERT_EQ(height, side);

    // The colours asked: warm tints, so blue never outweighs red in the upper half, and the
    // field is well covered.
    int lit = 0;
    for (int y = 0; y < side / 2 - 8; ++y) {
        for (int x = 0; x < side; ++x) {
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * side + x) * 3];
            EXPECT_LE(p[2], p[0] + 1) << x << "," << y;
            lit += p[0] > 8;
        }
    }
    EXPECT_GT(lit, side * (side / 2 - 8) / 2);

    // Every calibration sprite adds light in proportion to its area, at whatever sub-pixel
    // position and turn: along a column (one size) the light of a cell stays at the column's
    // median, within a share that depends on how the size is drawn, plus two units for the
    // rounding of the few pixels a tiny sprite touches.
    struct Band {
        float below;   // sizes under this
        double share;  // allowed deviation from the median
    };
    const Band bands[] = {
        {2.5f, 0.04},   // splats and anti-aliased quads: exact area
        {3.5f, 0.14},   // hard edges on a sprite only a few texels across
        {99.0f, 0.06},  // hard edges on a sprite whose soft border is drawn
    };
    for (int col = 0; col < cells; ++col) {
        std::vector<double> light;
        float size = 0.6f + 0.7f * static_cast<float>(col);
        for (int row = 0; row < cells / 2; ++row) {
            double sum = 0;
            for (int y = 0; y < static_cast<int>(cell); ++y) {
                for (int x = 0; x < static_cast<int>(cell); ++x) {
                    int px = static_cast<int>(cell) * col + x, py = side / 2 + static_cast<int>(cell) * row + y;
                    sum += rgb[(static_cast<size_t>(py) * side + px) * 3 + 1];
                }
            }
            // Rows grow by 0.05 pixels: compare at the row's area.
            float rowSize = size + 0.05f * static_cast<float>(row);
            light.push_back(sum * (size * size) / (rowSize * rowSize));
        }
        std::vector<double> sorted = light;
        std::sort(sorted.begin(), sorted.end());
        double median = (sorted[2] + sorted[3]) * 0.5;
        double share = 0;
        for (const Band& b : bands) {
            if (size < b.below) {
                share = b.share;
                break;
            }
        }
        EXPECT_GT(median, 0.0);
        for (double v : light)
            EXPECT_NEAR(v, median, share * median + 2.0) << "size " << size << " (" << tw << "x" << th << " sprite)";
    }
}

}  // namespace
