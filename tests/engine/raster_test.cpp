// The software rasterizer on tiny targets: blending, composing targets, clipping, transforms,
// mip selection, splats, rotation, lines, hostile input and PNG decoding.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/engine/headless.h"
#include "platform/engine/hge.h"
#include "platform/engine/raster.h"

namespace {

struct Rgba {
    int r, g, b, a;
};

Rgba unpack(uint32_t p) {
    return Rgba{static_cast<int>(p & 255), static_cast<int>((p >> 8) & 255), static_cast<int>((p >> 16) & 255),
                static_cast<int>(p >> 24)};
}

void expectNear(Rgba got, Rgba want, int tolerance, const std::string& where) {
    EXPECT_NEAR(got.r, want.r, tolerance) << where;
    EXPECT_NEAR(got.g, want.g, tolerance) << where;
    EXPECT_NEAR(got.b, want.b, tolerance) << where;
    EXPECT_NEAR(got.a, want.a, tolerance) << where;
}

// A small deterministic generator for test textures and offsets.
struct Lcg {
    uint32_t state;
    uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    float unit() { return static_cast<float>(next() & 0xFFFF) / 65536.0f; }
};

class Raster : public ::testing::Test {
protected:
    DrawState draw;

    void SetUp() override { rasterInit(draw); }

    // A texture of one straight RGBA colour.
    HTEXTURE solid(int w, int h, Rgba c, bool mipmaps = false) {
        std::vector<uint8_t> rgba;
        for (int i = 0; i < w * h; ++i) {
            rgba.insert(rgba.end(), {static_cast<uint8_t>(c.r), static_cast<uint8_t>(c.g), static_cast<uint8_t>(c.b),
                                     static_cast<uint8_t>(c.a)});
        }
        return rasterTextureFromRgba(draw, w, h, rgba.data(), mipmaps);
    }

    // Opaque noise: every channel uniform in 0..255. Returns its mean colour.
    HTEXTURE noise(int side, Rgba* mean) {
        Lcg rng{12345};
        std::vector<uint8_t> rgba;
        double sum[3] = {0, 0, 0};
        for (int i = 0; i < side * side; ++i) {
            for (int c = 0; c < 3; ++c) {
                uint8_t v = static_cast<uint8_t>(rng.next());
                sum[c] += v;
                rgba.push_back(v);
            }
            rgba.push_back(255);
        }
        double n = side * side;
        *mean = Rgba{static_cast<int>(std::lround(sum[0] / n)), static_cast<int>(std::lround(sum[1] / n)),
                     static_cast<int>(std::lround(sum[2] / n)), 255};
        return rasterTextureFromRgba(draw, side, side, rgba.data(), true);
    }

    HTARGET target(int w, int h, uint32_t clearArgb = 0) {
        HTARGET t = rasterCreateTarget(draw, w, h);
        EXPECT_TRUE(rasterBeginScene(draw, t));
        rasterClear(draw, clearArgb);
        return t;
    }

    Rgba at(HTARGET t, int x, int y) {
        RasterTexture* s = rasterSurface(draw, t);
        return unpack(s->level(0)[static_cast<size_t>(y) * s->width + x]);
    }

    std::vector<uint32_t> pixelsOf(HTARGET t) {
        RasterTexture* s = rasterSurface(draw, t);
        return std::vector<uint32_t>(s->level(0), s->level(0) + static_cast<size_t>(s->width) * s->height);
    }

    static Quad rect(float x0, float y0, float x1, float y1, HTEXTURE tex = 0, uint32_t tint = 0xFFFFFFFF,
                     int blend = BLEND_ALPHA) {
        Quad q{};
        float xs[4] = {x0, x1, x1, x0}, ys[4] = {y0, y0, y1, y1};
        float us[4] = {0, 1, 1, 0}, vs[4] = {0, 0, 1, 1};
        for (int i = 0; i < 4; ++i) q.v[i] = QuadVertex{xs[i], ys[i], 0.5f, tint, us[i], vs[i]};
        q.texture = tex;
        q.blend = blend;
        return q;
    }

    // A square of the given side centred at (cx, cy), turned by angle, over the whole texture.
    static Quad square(float cx, float cy, float side, float angle, HTEXTURE tex, uint32_t tint, int blend) {
        Quad q = rect(0, 0, 1, 1, tex, tint, blend);
        float c = std::cos(angle), s = std::sin(angle), h = side * 0.5f;
        float ax[4] = {-h, h, h, -h}, ay[4] = {-h, -h, h, h};
        for (int i = 0; i < 4; ++i) {
            q.v[i].x = cx + ax[i] * c - ay[i] * s;
            q.v[i].y = cy + ax[i] * s + ay[i] * c;
        }
        return q;
    }
};

// Source-over and additive on known pixels, onto opaque and transparent destinations.
TEST_F(Raster, BlendsKnownPixels) {
    struct Case {
        const char* name;
        uint32_t clear;  // ARGB the target starts with
        Rgba texel;      // straight RGBA of the texture
        uint32_t tint;
        int blend;
        Rgba want;       // premultiplied result
    };
    const Case cases[] = {
        {"opaque over opaque", 0xFF0000FF, {255, 0, 0, 255}, 0xFFFFFFFF, BLEND_ALPHA, {255, 0, 0, 255}},
        {"half white over blue", 0xFF0000FF, {255, 255, 255, 128}, 0xFFFFFFFF, BLEND_ALPHA, {128, 128, 255, 255}},
        {"half white over nothing", 0x00000000, {255, 255, 255, 128}, 0xFFFFFFFF, BLEND_ALPHA, {128, 128, 128, 128}},
        {"tint alpha halves", 0x00000000, {255, 255, 255, 255}, 0x80FF0000, BLEND_ALPHA, {128, 0, 0, 128}},
        {"tint colour multiplies", 0xFF000000, {200, 100, 50, 255}, 0xFF808080, BLEND_ALPHA, {100, 50, 25, 255}},
        {"add half white", 0xFF640000, {255, 255, 255, 128}, 0xFFFFFFFF, BLEND_ADD, {228, 128, 128, 255}},
        {"add saturates", 0xFFC8C8C8, {255, 255, 255, 255}, 0xFFFFFFFF, BLEND_ADD, {255, 255, 255, 255}},
        {"add onto nothing gathers coverage", 0x00000000, {255, 0, 0, 128}, 0xFFFFFFFF, BLEND_ADD, {128, 0, 0, 128}},
        {"add twice onto half", 0x80000000, {0, 255, 0, 128}, 0xFFFFFFFF, BLEND_ADD, {0, 128, 0, 192}},
    };
    for (const Case& c : cases) {
        HTEXTURE tex = solid(4, 4, c.texel);
        HTARGET t = target(4, 4, c.clear);
        Quad q = rect(0, 0, 4, 4, tex, c.tint, c.blend);
        rasterDrawQuad(draw, q);
        rasterEndScene(draw);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) expectNear(at(t, x, y), c.want, 1, c.name);
    }
}

// Painting into a transparent target and drawing that onto a cleared screen gives what painting
// directly onto black gives: the target keeps coverage in its alpha and composes premultiplied.
TEST_F(Raster, TargetComposesLikePaintingOnBlack) {
    HTEXTURE soft = solid(8, 8, {255, 200, 40, 150}, true);
    HTEXTURE glow = solid(8, 8, {40, 120, 255, 90}, true);
    std::vector<Quad> picture;
    Lcg rng{7};
    for (int i = 0; i < 60; ++i) {
        bool add = i % 2 == 0;
        uint32_t tint = 0xFF000000u | (rng.next() & 0xFFFFFFu);
        picture.push_back(square(4 + 24 * rng.unit(), 4 + 24 * rng.unit(), 0.8f + 12 * rng.unit(), 6 * rng.unit(),
                                 add ? glow : soft, tint, add ? BLEND_ADD : BLEND_ALPHA));
    }
    HTARGET layer = target(32, 32, 0);
    for (const Quad& q : picture) rasterDrawQuad(draw, q);
    rasterEndScene(draw);

    HTARGET screen = target(32, 32, 0);
    Quad view = rect(0, 0, 32, 32, rasterTargetTexture(draw, layer));
    rasterDrawQuad(draw, view);
    rasterEndScene(draw);

    HTARGET direct = target(32, 32, 0xFF000000);
    for (const Quad& q : picture) rasterDrawQuad(draw, q);
    rasterEndScene(draw);

    int painted = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            Rgba a = at(screen, x, y), b = at(direct, x, y);
            std::string where = "pixel " + std::to_string(x) + "," + std::to_string(y);
            EXPECT_NEAR(a.r, b.r, 2) << where;
            EXPECT_NEAR(a.g, b.g, 2) << where;
            EXPECT_NEAR(a.b, b.b, 2) << where;
            painted += (b.r + b.g + b.b) > 0;
        }
    }
    EXPECT_GT(painted, 300);
}

// Clipping keeps drawing inside the rectangle; all zero means the whole target.
TEST_F(Raster, ClipsToTheRectangle) {
    struct Case {
        int cx, cy, cw, ch;          // setClipping
        int x0, y0, x1, y1;          // painted pixels expected (half-open)
    };
    const Case cases[] = {
        {2, 2, 4, 4, 4, 2, 6, 6},     // quad half outside the clip rectangle
        {0, 0, 0, 0, 4, 1, 8, 8},     // whole target
        {-5, -5, 100, 100, 4, 1, 8, 8},  // clamped to the target
        {6, 6, 0, 5, 0, 0, 0, 0},     // empty
    };
    for (const Case& c : cases) {
        HTARGET t = target(8, 8, 0);
        rasterSetClipping(draw, c.cx, c.cy, c.cw, c.ch);
        rasterDrawQuad(draw, rect(4, 1, 12, 9));
        rasterEndScene(draw);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                bool inside = x >= c.x0 && x < c.x1 && y >= c.y0 && y < c.y1;
                EXPECT_EQ(at(t, x, y).a, inside ? 255 : 0) << "clip " << c.cx << "," << c.cy << " pixel " << x << "," << y;
            }
        }
    }
}

// The scene transform moves later drawing; a new scene starts untransformed.
TEST_F(Raster, TransformsAndResetsPerScene) {
    struct Case {
        const char* name;
        float x, y, dx, dy, rot, hs, vs;
        int x0, y0, x1, y1;  // where rect(4, 4, 6, 5) lands
    };
    const float quarter = 1.5707963f;
    const Case cases[] = {
        {"identity", 0, 0, 0, 0, 0, 0, 0, 4, 4, 6, 5},
        {"scale 2 about the origin", 0, 0, 0, 0, 0, 2, 2, 8, 8, 12, 10},
        {"vertical scale 0 follows horizontal", 0, 0, 0, 0, 0, 2, 0, 8, 8, 12, 10},
        {"scale about a point", 4, 4, 0, 0, 0, 2, 3, 4, 4, 8, 7},
        {"shift", 0, 0, -3, 2, 0, 1, 1, 1, 6, 3, 7},
        {"quarter turn about (4, 4)", 4, 4, 0, 0, quarter, 1, 1, 3, 4, 4, 6},
    };
    for (const Case& c : cases) {
        HTARGET t = target(16, 16, 0);
        rasterSetTransform(draw, c.x, c.y, c.dx, c.dy, c.rot, c.hs, c.vs);
        rasterDrawQuad(draw, rect(4, 4, 6, 5));
        rasterEndScene(draw);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                bool inside = x >= c.x0 && x < c.x1 && y >= c.y0 && y < c.y1;
                EXPECT_EQ(at(t, x, y).a, inside ? 255 : 0) << c.name << " pixel " << x << "," << y;
            }
        }
    }
    // The next scene, on the same target, is untransformed again.
    HTARGET t = rasterCreateTarget(draw, 16, 16);
    rasterBeginScene(draw, t);
    rasterSetTransform(draw, 0, 0, 0, 0, 0, 2, 2);
    rasterEndScene(draw);
    rasterBeginScene(draw, t);
    rasterClear(draw, 0);
    rasterDrawQuad(draw, rect(1, 1, 2, 2));
    rasterEndScene(draw);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) EXPECT_EQ(at(t, x, y).a, (x == 1 && y == 1) ? 255 : 0) << x << "," << y;
}

// A 256-pixel sprite drawn 2 pixels wide shows its mean colour, not a random texel.
TEST_F(Raster, MinifiedSpriteShowsItsMean) {
    Rgba mean;
    HTEXTURE tex = noise(256, &mean);
    HTARGET t = target(8, 8, 0);
    rasterDrawQuad(draw, rect(3, 3, 5, 5, tex));
    rasterEndScene(draw);
    for (int y = 3; y < 5; ++y)
        for (int x = 3; x < 5; ++x) expectNear(at(t, x, y), mean, 3, "pixel " + std::to_string(x) + "," + std::to_string(y));
    EXPECT_EQ(at(t, 2, 3).a, 0);
    EXPECT_EQ(at(t, 5, 4).a, 0);
}

// Drawn many times at sub-pixel offsets and turns, sprites under a few pixels always deposit
// the colour of their area: no draw is brighter or darker than its size says (no speckle).
TEST_F(Raster, SmallSpritesKeepTheirBrightnessAtAnyOffset) {
    Rgba mean;
    HTEXTURE tex = noise(256, &mean);
    const float sides[] = {0.7f, 1.2f, 1.6f, 2.0f, 2.4f};
    Lcg rng{99};
    for (float side : sides) {
        double lowest = 1e9, highest = 0;
        int draws = side == 2.0f ? 1000 : 200;
        for (int i = 0; i < draws; ++i) {
            HTARGET t = target(24, 24, 0);
            float angle = side == 2.0f && i < 500 ? 0.0f : 6.2831853f * rng.unit();
            rasterDrawQuad(draw, square(12 + rng.unit(), 12 + rng.unit(), side, angle, tex, 0xFFFFFFFF, BLEND_ADD));
            rasterEndScene(draw);
            double green = 0;
            int brightest = 0;
            for (uint32_t p : pixelsOf(t)) {
                green += unpack(p).g;
                brightest = std::max(brightest, unpack(p).g);
            }
            EXPECT_LE(brightest, mean.g + 3) << "side " << side;
            double perArea = green / (side * side);
            lowest = std::min(lowest, perArea);
            highest = std::max(highest, perArea);
            rasterFreeTarget(draw, t);
        }
        // Each draw's light per unit of area stays at the sprite's mean.
        EXPECT_NEAR(lowest, mean.g, mean.g * 0.03 + 1) << "side " << side;
        EXPECT_NEAR(highest, mean.g, mean.g * 0.03 + 1) << "side " << side;
    }
}

// Quads that share a slanted edge cover every pixel along it once: no crack, no double.
TEST_F(Raster, AdjacentQuadsLeaveNoCrack) {
    HTARGET t = target(64, 64, 0);
    // Two wide quads that make the square from 4 to 60 together.
    const float ax[4] = {4, 24.6f, 35.2f, 4}, bx[4] = {24.6f, 60, 60, 35.2f}, ys[4] = {4, 4, 60, 60};
    Quad a = rect(0, 0, 1, 1, 0, 0xFF640000, BLEND_ADD), b = a;
    for (int i = 0; i < 4; ++i) {
        a.v[i].x = ax[i];
        b.v[i].x = bx[i];
        a.v[i].y = b.v[i].y = ys[i];
    }
    rasterDrawQuad(draw, a);
    rasterDrawQuad(draw, b);
    rasterEndScene(draw);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            bool inside = x >= 4 && x < 60 && y >= 4 && y < 60;
            EXPECT_EQ(at(t, x, y).r, inside ? 100 : 0) << "pixel " << x << "," << y;
        }
    }
}

// Narrow quads share the pixels along a common edge by coverage: every row of a slanted strip
// two pixels wide, made of two strips one pixel wide, holds the light of two pixels.
TEST_F(Raster, NarrowNeighboursShareTheirEdge) {
    HTARGET t = target(32, 32, 0);
    const float ax[4] = {10, 11, 15, 14}, bx[4] = {11, 12, 16, 15}, ys[4] = {2, 2, 30, 30};
    Quad a = rect(0, 0, 1, 1, 0, 0xFF640000, BLEND_ADD), b = a;
    for (int i = 0; i < 4; ++i) {
        a.v[i].x = ax[i];
        b.v[i].x = bx[i];
        a.v[i].y = b.v[i].y = ys[i];
    }
    rasterDrawQuad(draw, a);
    rasterDrawQuad(draw, b);
    rasterEndScene(draw);
    for (int y = 4; y < 28; ++y) {
        int row = 0;
        for (int x = 0; x < 32; ++x) {
            EXPECT_LE(at(t, x, y).r, 103) << "pixel " << x << "," << y;
            row += at(t, x, y).r;
        }
        EXPECT_NEAR(row, 200, 8) << "row " << y;
    }
}

// Turning a quad's corners by a quarter maps each texel to the corner it was turned to.
TEST_F(Raster, QuarterTurnMapsTexels) {
    const uint8_t texels[] = {255, 0, 0, 255,    0, 255, 0, 255,      // red, green
                              0, 0, 255, 255,    255, 255, 255, 255};  // blue, white
    HTEXTURE tex = rasterTextureFromRgba(draw, 2, 2, texels, false);
    for (float side : {2.0f, 6.0f}) {
        HTARGET t = target(12, 12, 0);
        float lo = 2, hi = 2 + side;
        // Texel (0,0) goes to the top right, (1,0) bottom right, (1,1) bottom left, (0,1) top left.
        Quad q = rect(0, 0, 1, 1, tex);
        const float xs[4] = {hi, hi, lo, lo}, ys[4] = {lo, hi, hi, lo};
        for (int i = 0; i < 4; ++i) {
            q.v[i].x = xs[i];
            q.v[i].y = ys[i];
        }
        rasterDrawQuad(draw, q);
        rasterEndScene(draw);
        int l = 2, r = static_cast<int>(hi) - 1;
        std::string name = "side " + std::to_string(side);
        expectNear(at(t, r, l), {255, 0, 0, 255}, 1, name + " top right");
        expectNear(at(t, r, r), {0, 255, 0, 255}, 1, name + " bottom right");
        expectNear(at(t, l, r), {255, 255, 255, 255}, 1, name + " bottom left");
        expectNear(at(t, l, l), {0, 0, 255, 255}, 1, name + " top left");
    }
}

// A target drawn at a quarter of its size shows the mean of each 4x4 block, and its mips follow
// its content when it is drawn into again.
TEST_F(Raster, MinifiedTargetFollowsItsContent) {
    HTARGET source = target(16, 16, 0);
    // Alternating columns of opaque white and nothing: half-covered grey at a quarter.
    for (int x = 0; x < 16; x += 2) rasterDrawQuad(draw, rect(static_cast<float>(x), 0, x + 1.0f, 16));
    rasterEndScene(draw);
    HTARGET small = target(4, 4, 0);
    rasterDrawQuad(draw, rect(0, 0, 4, 4, rasterTargetTexture(draw, source)));
    rasterEndScene(draw);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) expectNear(at(small, x, y), {128, 128, 128, 128}, 1, "striped");

    rasterBeginScene(draw, source);
    rasterClear(draw, 0xFFFF0000);
    rasterEndScene(draw);
    rasterBeginScene(draw, small);
    rasterClear(draw, 0);
    rasterDrawQuad(draw, rect(0, 0, 4, 4, rasterTargetTexture(draw, source)));
    rasterEndScene(draw);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) expectNear(at(small, x, y), {255, 0, 0, 255}, 0, "repainted red");
}

// A target drawn one to one at a whole-pixel offset lands texel for pixel, also tinted.
TEST_F(Raster, OneToOneDrawCopiesTexels) {
    Rgba mean;
    HTEXTURE tex = noise(8, &mean);
    HTARGET layer = target(8, 8, 0);
    rasterDrawQuad(draw, rect(0, 0, 8, 8, tex));
    rasterEndScene(draw);
    for (uint32_t tint : {0xFFFFFFFFu, 0xFF808080u}) {
        HTARGET t = target(16, 16, 0);
        rasterDrawQuad(draw, rect(3, 5, 11, 13, rasterTargetTexture(draw, layer), tint));
        rasterEndScene(draw);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                bool inside = x >= 3 && x < 11 && y >= 5 && y < 13;
                Rgba want{0, 0, 0, 0};
                if (inside) {
                    Rgba s = at(layer, x - 3, y - 5);
                    int m = tint == 0xFFFFFFFFu ? 256 : 128;
                    want = Rgba{(s.r * m + 128) >> 8, (s.g * m + 128) >> 8, (s.b * m + 128) >> 8, 255};
                }
                expectNear(at(t, x, y), want, 1, "pixel " + std::to_string(x) + "," + std::to_string(y));
            }
        }
    }
}

// Corner tints are interpolated across the quad.
TEST_F(Raster, CornerTintsBlendAcross) {
    HTARGET t = target(16, 4, 0);
    Quad q = rect(0, 0, 16, 4, 0, 0xFFFF0000);
    q.v[1].colour = q.v[2].colour = 0xFF0000FF;
    rasterDrawQuad(draw, q);
    rasterEndScene(draw);
    Rgba left = at(t, 0, 1), middle = at(t, 8, 1), right = at(t, 15, 1);
    EXPECT_GT(left.r, 240);
    EXPECT_LT(left.b, 15);
    EXPECT_NEAR(middle.r, 120, 10);
    EXPECT_NEAR(middle.b, 135, 10);
    EXPECT_GT(right.b, 240);
}

// Lines are one pixel wide, over the pixels they cross, source-over, under the transform.
TEST_F(Raster, LinesLandOnTheirPixels) {
    struct Case {
        const char* name;
        float x1, y1, x2, y2;
        float scale;
        std::vector<std::pair<int, int>> pixels;
    };
    const Case cases[] = {
        {"horizontal", 1, 2.5f, 6, 2.5f, 1, {{1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2}}},
        {"backwards", 6, 2.5f, 1, 2.5f, 1, {{1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2}}},
        {"vertical", 3.5f, 0, 3.5f, 3, 1, {{3, 0}, {3, 1}, {3, 2}}},
        {"diagonal", 0.5f, 0.5f, 4.5f, 4.5f, 1, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        {"steep", 1, 0, 2, 4, 1, {{1, 0}, {1, 1}, {1, 2}, {1, 3}}},
        {"scaled by 2", 1, 1.25f, 3, 1.25f, 2, {{2, 2}, {3, 2}, {4, 2}, {5, 2}}},
        {"clipped at the edge", -100, 7.5f, 100, 7.5f, 1, {{0, 7}, {1, 7}, {2, 7}, {3, 7}, {4, 7}, {5, 7}, {6, 7}, {7, 7}}},
        {"point", 3, 3, 3, 3, 1, {}},
    };
    for (const Case& c : cases) {
        HTARGET t = target(8, 8, 0xFF000000);
        rasterSetTransform(draw, 0, 0, 0, 0, 0, c.scale, c.scale);
        rasterDrawLine(draw, c.x1, c.y1, c.x2, c.y2, 0x80FFFFFF);
        rasterEndScene(draw);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                bool on = false;
                for (auto [px, py] : c.pixels) on = on || (px == x && py == y);
                expectNear(at(t, x, y), on ? Rgba{128, 128, 128, 255} : Rgba{0, 0, 0, 255}, 1,
                           std::string(c.name) + " pixel " + std::to_string(x) + "," + std::to_string(y));
            }
        }
    }
}

// Non-finite and enormous coordinates, unknown textures and degenerate quads are safe: the
// first ones draw nothing, an enormous quad fills only the clip rectangle.
TEST_F(Raster, HostileInputIsSafe) {
    const float inf = INFINITY, nan = NAN;
    HTARGET t = target(8, 8, 0);
    for (float bad : {inf, -inf, nan}) {
        Quad q = rect(1, 1, 5, 5);
        q.v[2].x = bad;
        rasterDrawQuad(draw, q);
        q = rect(1, 1, 5, 5, solid(2, 2, {255, 255, 255, 255}));
        q.v[1].ty = bad;
        rasterDrawQuad(draw, q);
        rasterDrawLine(draw, 1, 1, bad, 4, 0xFFFFFFFF);
        rasterDrawLine(draw, bad, bad, 3, 4, 0xFFFFFFFF);
    }
    rasterDrawQuad(draw, rect(1, 1, 5, 5, 12345));                 // unknown texture
    rasterDrawQuad(draw, rect(2, 2, 2, 2));                        // a point
    rasterDrawQuad(draw, rect(1, 1, 6, 1));                        // a segment
    for (uint32_t p : pixelsOf(t)) EXPECT_EQ(p, 0u);

    // Enormous quads and lines, straight and turned, are cut to the clip rectangle.
    rasterSetClipping(draw, 2, 3, 4, 2);
    rasterDrawQuad(draw, rect(-1e30f, -1e30f, 1e30f, 1e30f, 0, 0xFF0000FF, BLEND_ADD));
    rasterDrawQuad(draw, square(0, 0, 3e38f, 0.3f, 0, 0xFF0000FF, BLEND_ADD));
    rasterDrawQuad(draw, rect(-3e38f, 0, 3e38f, 1e-30f));
    rasterDrawLine(draw, -3e38f, 3.5f, 3e38f, 3.5f, 0xFF00FF00);
    rasterSetTransform(draw, 0, 0, 0, 0, 0, 1e30f, 1e30f);
    rasterDrawQuad(draw, rect(-5, -5, 5, 5, 0, 0xFF0000FF, BLEND_ADD));
    rasterEndScene(draw);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            bool inside = x >= 2 && x < 6 && y >= 3 && y < 5;
            Rgba p = at(t, x, y);
            EXPECT_EQ(p.b, inside ? 255 : 0) << x << "," << y;
            EXPECT_EQ(p.g, inside && y == 3 ? 255 : 0) << x << "," << y;
        }
    }
    // Outside a scene nothing is drawn and nothing breaks.
    rasterDrawQuad(draw, rect(0, 0, 8, 8));
    rasterDrawLine(draw, 0, 0, 8, 8, 0xFFFFFFFF);
    rasterClear(draw, 0xFFFFFFFF);
    EXPECT_EQ(at(t, 0, 0).a, 0);
    EXPECT_FALSE(rasterBeginScene(draw, 999));
}

// A small quad lands in drawing order: what follows lands over it, it keeps the clip it was
// drawn with, and reading the target shows it at once.
TEST_F(Raster, LateSmallQuadsAreNeverSeenLate) {
    HTARGET t = target(8, 8, 0);
    rasterDrawQuad(draw, rect(2, 2, 4, 4, 0, 0xFFFF0000));
    rasterDrawLine(draw, 0, 2.5f, 8, 2.5f, 0xFF00FF00);      // over the quad
    rasterDrawQuad(draw, rect(5, 5, 7, 7, 0, 0xFF0000FF));
    rasterSetClipping(draw, 0, 0, 1, 1);                     // after the quad: it keeps its clip
    rasterDrawQuad(draw, rect(0, 6, 2, 8, 0, 0xFFFFFFFF));   // outside the new clip
    expectNear(at(t, 5, 5), {0, 0, 255, 255}, 0, "read while the scene is open");
    expectNear(at(t, 2, 2), {0, 255, 0, 255}, 0, "line over the quad");
    expectNear(at(t, 3, 3), {255, 0, 0, 255}, 0, "quad below the line");
    expectNear(at(t, 0, 7), {0, 0, 0, 0}, 0, "clipped");
    rasterEndScene(draw);

    HGE* hge = hgeCreate(HGE_VERSION);
    ASSERT_NE(hge, nullptr);
    ASSERT_TRUE(drawSetScreen(hge->impl->draw, 4, 4));
    ASSERT_TRUE(hge->beginScene(0));
    hge->clear(0);
    Quad q = rect(1, 1, 3, 3, 0, 0xFFFFFF00);
    hge->drawQuad(&q);
    int w = 0, h = 0;
    const uint8_t* screen = drawScreenPixels(hge->impl->draw, &w, &h);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen[(1 * 4 + 1) * 4], 255);  // the backend shows the quad
    hge->endScene();
    hge->release();
}

// The kernels built for the processor's wider instruction set paint exactly the pixels of the
// baseline ones, so a picture does not depend on the machine (where the processor lacks the
// wider set, both runs take the baseline and the test shows nothing more).
TEST_F(Raster, KernelsForEveryProcessorPaintTheSamePixels) {
    HTEXTURE soft = solid(64, 64, {255, 220, 180, 140}, true);
    Rgba mean;
    HTEXTURE grain = noise(128, &mean);
    std::vector<Quad> picture;
    Lcg rng{31};
    for (int i = 0; i < 3000; ++i) {
        uint32_t tint = (rng.next() & 0xFF000000u) | (rng.next() & 0xFFFFFFu);
        Quad q = square(-4 + 72 * rng.unit(), -4 + 72 * rng.unit(), 0.3f + 7 * rng.unit(), 6.3f * rng.unit(),
                        i % 3 ? grain : soft, tint, i % 2 ? BLEND_ADD : BLEND_ALPHA);
        if (i % 7 == 0) q.v[2].colour = 0xFF00FF00;  // corner tints that differ
        picture.push_back(q);
    }
    std::vector<uint32_t> runs[2];
    for (int run = 0; run < 2; ++run) {
        rasterUseBaselineKernels(run == 1);
        HTARGET t = target(64, 64, 0xFF102030);
        rasterSetClipping(draw, 3, 5, 57, 50);
        for (const Quad& q : picture) rasterDrawQuad(draw, q);
        rasterEndScene(draw);
        runs[run] = pixelsOf(t);
    }
    rasterUseBaselineKernels(false);
    EXPECT_EQ(runs[0], runs[1]);
}

// PNG images in memory: a good one decodes premultiplied with its size; broken ones give 0.
std::vector<uint8_t> pngOf(int w, int h, const std::vector<uint8_t>& rgba) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = w;
    image.height = h;
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr);
    std::vector<uint8_t> out(size);
    EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr));
    out.resize(size);
    return out;
}

TEST_F(Raster, DecodesPngAndRefusesBrokenOnes) {
    std::vector<uint8_t> rgba = {255, 0, 0, 255, 255, 255, 255, 128, 0, 0, 0, 0, 10, 20, 30, 255, 0, 0, 255, 255, 9, 9, 9, 9};
    std::vector<uint8_t> png = pngOf(3, 2, rgba);
    HTEXTURE tex = rasterTextureFromPng(draw, png.data(), png.size(), true);
    ASSERT_NE(tex, 0u);
    RasterTexture* t = rasterTexture(draw, tex);
    EXPECT_EQ(t->width, 3);
    EXPECT_EQ(t->height, 2);
    expectNear(unpack(t->level(0)[1]), {128, 128, 128, 128}, 1, "premultiplied");
    expectNear(unpack(t->level(0)[3]), {10, 20, 30, 255}, 0, "opaque");

    std::vector<std::vector<uint8_t>> broken = {
        {},
        std::vector<uint8_t>(png.begin(), png.begin() + png.size() / 2),
        std::vector<uint8_t>(png.begin(), png.begin() + 8),
        std::vector<uint8_t>(200, 0x5A),
    };
    std::vector<uint8_t> corrupt = png;
    for (size_t i = 40; i < corrupt.size(); i += 3) corrupt[i] ^= 0xA5;
    broken.push_back(corrupt);
    for (const auto& data : broken) EXPECT_EQ(rasterTextureFromPng(draw, data.data(), data.size(), true), 0u);
}

// The engine's drawing operations over the rasterizer: textures from memory or resources,
// targets and scenes.
TEST(EngineDraw, TexturesTargetsAndScenes) {
    HGE* hge = hgeCreate(HGE_VERSION);
    ASSERT_NE(hge, nullptr);
    std::vector<uint8_t> rgba(5 * 3 * 4, 255);
    std::vector<uint8_t> png = pngOf(5, 3, rgba);
    HTEXTURE tex = hge->loadTexture(reinterpret_cast<const char*>(png.data()), static_cast<uint32_t>(png.size()), true);
    ASSERT_NE(tex, 0u);
    EXPECT_EQ(hge->textureWidth(tex, true), 5);
    EXPECT_EQ(hge->textureHeight(tex, false), 3);
    EXPECT_EQ(hge->loadTexture("no such picture.png", 0, true), 0u);
    std::string garbage = "not a picture at all";
    EXPECT_EQ(hge->loadTexture(garbage.data(), static_cast<uint32_t>(garbage.size()), false), 0u);
    hge->freeTexture(tex);
    EXPECT_EQ(hge->textureWidth(tex, true), 0);

    HTARGET target = hge->createTarget(6, 4, false);
    ASSERT_NE(target, 0u);
    HTEXTURE surface = hge->targetTexture(target);
    EXPECT_EQ(hge->textureWidth(surface, false), 6);
    EXPECT_EQ(hge->createTarget(0, 4, false), 0u);
    EXPECT_FALSE(hge->beginScene(target + 1));
    ASSERT_TRUE(hge->beginScene(target));
    hge->clear(0x80102030);
    Quad q{};
    const float xs[4] = {1, 3, 3, 1}, ys[4] = {1, 1, 3, 3};
    for (int i = 0; i < 4; ++i) q.v[i] = QuadVertex{xs[i], ys[i], 0.5f, 0xFFFFFFFF, 0, 0};
    q.blend = BLEND_ALPHA;
    hge->drawQuad(&q);
    hge->drawQuad(nullptr);
    hge->endScene();
    hge->freeTexture(surface);  // a target's surface stays with its target
    EXPECT_EQ(hge->textureWidth(surface, true), 6);

    // Written as an opaque PNG composed on black: premultiplied colour, alpha dropped.
    std::string path = ::testing::TempDir() + "raster_target.png";
    ASSERT_TRUE(hgeWriteTargetPng(target, path.c_str()));
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
    EXPECT_EQ(image.width, 6u);
    EXPECT_EQ(image.height, 4u);
    EXPECT_EQ(image.format & PNG_FORMAT_FLAG_ALPHA, 0u);
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    EXPECT_NEAR(rgb[0], 8, 1);    // 0x10 at half alpha
    EXPECT_NEAR(rgb[1], 16, 1);
    EXPECT_NEAR(rgb[2], 24, 1);
    size_t inside = (1 * 6 + 2) * 3;
    EXPECT_EQ(rgb[inside], 255);
    std::remove(path.c_str());
    EXPECT_FALSE(hgeWriteTargetPng(target + 7, path.c_str()));

    hge->freeTarget(target);
    EXPECT_EQ(hge->targetTexture(target), 0u);
    EXPECT_FALSE(hge->beginScene(target));
    hge->release();
}

}  // namespace
