// hgeSprite: the quad it builds, the corners it draws at, tints, textures and its engine reference.
#include "primitives/sprite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/engine/engine_internal.h"
#include "platform/engine/hge.h"

namespace orn {
namespace {

struct Corner {
    float x, y;
};

void expectCorners(const hgeSprite& sprite, const Corner (&expected)[4], float tolerance, const char* label) {
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(sprite.quad.v[i].x, expected[i].x, tolerance) << label << " vertex " << i;
        EXPECT_NEAR(sprite.quad.v[i].y, expected[i].y, tolerance) << label << " vertex " << i;
    }
}

void expectTextureRect(const hgeSprite& sprite, float left, float top, float right, float bottom) {
    const Corner expected[4] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(sprite.quad.v[i].tx, expected[i].x) << "vertex " << i;
        EXPECT_FLOAT_EQ(sprite.quad.v[i].ty, expected[i].y) << "vertex " << i;
    }
}

// Holds an engine reference for the test's lifetime, as the program's engine does.
class SpriteTest : public ::testing::Test {
protected:
    void SetUp() override { hge = hgeCreate(HGE_VERSION); ASSERT_NE(hge, nullptr); }
    void TearDown() override { hge->release(); }
    HTEXTURE loadTexture(const char* name) {
        const std::string path = std::string(ORN_TEST_DATA) + "/sprite/" + name;
        return hge->loadTexture(path.c_str(), 0, false);
    }
    HGE* hge = nullptr;
};

TEST_F(SpriteTest, WithoutTextureTheSheetIsOnePixel) {
    hgeSprite sprite(0, 2, 3, 10, 20);
    EXPECT_EQ(sprite.sheetWidth, 1.0f);
    EXPECT_EQ(sprite.sheetHeight, 1.0f);
    expectTextureRect(sprite, 2, 3, 12, 23);
    for (const QuadVertex& v : sprite.quad.v) {
        EXPECT_EQ(v.z, 0.5f);
        EXPECT_EQ(v.colour, 0xFFFFFFFFu);
    }
    EXPECT_EQ(sprite.quad.texture, 0u);
    EXPECT_EQ(sprite.quad.blend, 2);
    EXPECT_EQ(sprite.anchorX, 0.0f);
    EXPECT_EQ(sprite.anchorY, 0.0f);
    EXPECT_EQ(sprite.width(), 10.0f);
    EXPECT_EQ(static_cast<const void*>(&sprite), static_cast<const void*>(&sprite.quad));
}

struct DrawCase {
    const char* label;
    float anchorX, anchorY;
    bool transformed;
    float x, y, rotation, hscale, vscale;
    Corner corners[4];
};

TEST_F(SpriteTest, DrawsItsCornersAboutTheAnchor) {
    const float halfPi = 1.57079632679f;
    // A 10 by 20 sprite in every case.
    const DrawCase cases[] = {
        {"plain at the top-left anchor", 0, 0, false, 7, 9, 0, 0, 0, {{7, 9}, {17, 9}, {17, 29}, {7, 29}}},
        {"anchored at its centre", 5, 10, false, 100, 50, 0, 0, 0, {{95, 40}, {105, 40}, {105, 60}, {95, 60}}},
        {"vertical scale 0 follows the horizontal", 5, 10, true, 100, 50, 0, 2, 0,
         {{90, 30}, {110, 30}, {110, 70}, {90, 70}}},
        {"both scales", 5, 10, true, 100, 50, 0, 2, 3, {{90, 20}, {110, 20}, {110, 80}, {90, 80}}},
        {"unit transform equals plain", 0, 0, true, 7, 9, 0, 1, 1, {{7, 9}, {17, 9}, {17, 29}, {7, 29}}},
        {"quarter turn about the top-left", 0, 0, true, 0, 0, halfPi, 1, 0,
         {{0, 0}, {0, 10}, {-20, 10}, {-20, 0}}},
        {"half turn about the centre", 5, 10, true, 100, 50, 2 * halfPi, 1, 0,
         {{105, 60}, {95, 60}, {95, 40}, {105, 40}}},
        {"quarter turn, scaled, about the centre", 5, 10, true, 100, 50, halfPi, 2, 0,
         {{120, 40}, {120, 60}, {80, 60}, {80, 40}}},
    };
    for (const DrawCase& c : cases) {
        hgeSprite sprite(0, 0, 0, 10, 20);
        sprite.setAnchor(c.anchorX, c.anchorY);
        if (c.transformed) {
            sprite.drawTransformed(c.x, c.y, c.rotation, c.hscale, c.vscale);
        } else {
            sprite.drawAt(c.x, c.y);
        }
        // Without rotation the corners are exact sums; a rotation goes through float sine and cosine.
        expectCorners(sprite, c.corners, c.rotation == 0 ? 0.0f : 1e-4f, c.label);
    }
}

TEST_F(SpriteTest, RotationKeepsTheShapeAndTheAnchor) {
    hgeSprite sprite(0, 0, 0, 30, 10);
    sprite.setAnchor(15, 5);
    sprite.drawTransformed(200, 100, 0.7f, 1.5f);
    const QuadVertex* v = sprite.quad.v;
    EXPECT_NEAR(std::hypot(v[1].x - v[0].x, v[1].y - v[0].y), 45.0, 1e-3);
    EXPECT_NEAR(std::hypot(v[3].x - v[0].x, v[3].y - v[0].y), 15.0, 1e-3);
    EXPECT_NEAR((v[0].x + v[2].x) * 0.5, 200.0, 1e-3);
    EXPECT_NEAR((v[0].y + v[2].y) * 0.5, 100.0, 1e-3);
    EXPECT_NEAR(std::atan2(v[1].y - v[0].y, v[1].x - v[0].x), 0.7, 1e-5);
}

TEST_F(SpriteTest, TintColoursOneVertexOrAll) {
    struct {
        int vertex;
        uint32_t expected[4];
    } cases[] = {
        {-1, {0x80FF0000, 0x80FF0000, 0x80FF0000, 0x80FF0000}},
        {0, {0x80FF0000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}},
        {2, {0xFFFFFFFF, 0xFFFFFFFF, 0x80FF0000, 0xFFFFFFFF}},
        {3, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0x80FF0000}},
        {4, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}},   // no such vertex: ignored
        {-2, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}},
    };
    for (const auto& c : cases) {
        hgeSprite sprite(0, 0, 0, 4, 4);
        sprite.tint(0x80FF0000, c.vertex);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(sprite.quad.v[i].colour, c.expected[i]) << c.vertex << " " << i;
    }
}

TEST_F(SpriteTest, BlendAndAnchorAreStored) {
    hgeSprite sprite(0, 0, 0, 4, 4);
    sprite.setBlend(0);
    sprite.setAnchor(1.5f, 2.5f);
    EXPECT_EQ(sprite.quad.blend, 0);
    EXPECT_EQ(sprite.anchorX, 1.5f);
    EXPECT_EQ(sprite.anchorY, 2.5f);
}

TEST_F(SpriteTest, TextureCoordinatesAreFractionsOfTheSheet) {
    const HTEXTURE small = loadTexture("sheet16x8.png");
    const HTEXTURE large = loadTexture("sheet32x32.png");
    ASSERT_NE(small, 0u);
    ASSERT_NE(large, 0u);
    const float smallW = static_cast<float>(hge->textureWidth(small, false));
    const float smallH = static_cast<float>(hge->textureHeight(small, false));
    const float largeW = static_cast<float>(hge->textureWidth(large, false));
    const float largeH = static_cast<float>(hge->textureHeight(large, false));
    ASSERT_TRUE(smallW != largeW || smallH != largeH);

    hgeSprite sprite(small, 4, 2, 8, 4);
    EXPECT_EQ(sprite.texture(), small);
    EXPECT_EQ(sprite.sheetWidth, smallW);
    EXPECT_EQ(sprite.sheetHeight, smallH);
    expectTextureRect(sprite, 4 / smallW, 2 / smallH, 12 / smallW, 6 / smallH);

    // Same size: nothing but the handle changes.
    const Quad before = sprite.quad;
    const HTEXTURE smallAgain = loadTexture("sheet16x8.png");
    sprite.assignTexture(smallAgain);
    EXPECT_EQ(sprite.texture(), smallAgain);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(sprite.quad.v[i].tx, before.v[i].tx);
        EXPECT_EQ(sprite.quad.v[i].ty, before.v[i].ty);
    }

    // Another size: the rectangle stays the same in pixels.
    sprite.assignTexture(large);
    EXPECT_EQ(sprite.sheetWidth, largeW);
    EXPECT_EQ(sprite.sheetHeight, largeH);
    expectTextureRect(sprite, 4 / largeW, 2 / largeH, 12 / largeW, 6 / largeH);

    // No texture: coordinates in pixels.
    sprite.assignTexture(0);
    EXPECT_EQ(sprite.texture(), 0u);
    expectTextureRect(sprite, 4, 2, 12, 6);

    hge->freeTexture(small);
    hge->freeTexture(smallAgain);
    hge->freeTexture(large);
}

TEST_F(SpriteTest, EachSpriteHoldsOneEngineReference) {
    const int before = hge->impl->refs;
    auto* first = new hgeSprite(0, 0, 0, 1, 1);
    auto* second = new hgeSprite(0, 0, 0, 1, 1);
    EXPECT_EQ(hgeSprite::spriteEngine, hge);
    EXPECT_EQ(hge->impl->refs, before + 2);
    delete first;
    EXPECT_EQ(hge->impl->refs, before + 1);
    delete second;
    EXPECT_EQ(hge->impl->refs, before);
}

TEST_F(SpriteTest, DrawingOutsideASceneIsHarmless) {
    hgeSprite sprite(0, 0, 0, 8, 8);
    sprite.drawAt(1, 2);
    EXPECT_EQ(sprite.quad.v[2].x, 9.0f);
    sprite.drawTransformed(1, 2, 0.3f, 2.0f);
    sprite.drawTransformed(NAN, INFINITY, 1e30f, 1e30f);
    EXPECT_TRUE(std::isnan(sprite.quad.v[0].x));
    // Only the positions are rewritten by drawing.
    EXPECT_EQ(sprite.quad.v[3].colour, 0xFFFFFFFFu);
    EXPECT_EQ(sprite.quad.v[2].tx, 8.0f);
    EXPECT_EQ(sprite.quad.blend, 2);
}

}  // namespace
}  // namespace orn
