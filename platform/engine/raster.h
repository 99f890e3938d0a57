// The software rasterizer both backends draw with: premultiplied RGBA8 textures with mip
// chains, render targets whose surfaces are textures, and the clear, quad and line operations
// of a scene. Deterministic: integer and single-step float arithmetic only, no threads.
#pragma once

#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/engine/engine_internal.h"
#include "platform/engine/hge.h"

// Pixels are 32-bit words holding the bytes R, G, B, A in memory order (premultiplied).
constexpr int rasterMaxSide = 16384;     // largest texture or target side accepted
constexpr int rasterMaxLevels = 16;      // 1 + log2(rasterMaxSide) levels at most

struct RasterLevel {
    int width = 0;       // texels in a row (also the row stride)
    int height = 0;      // rows
    size_t offset = 0;   // first texel in RasterTexture::pixels
};

struct RasterTexture {
    int width = 0;                            // level 0 size in texels
    int height = 0;
    int levelCount = 1;                       // 1 without mipmaps
    RasterLevel levels[rasterMaxLevels];      // level 0 is the image, or a target's surface
    std::vector<uint32_t> pixels;             // the levels back to back, then slack for bilinear reads
    bool target = false;                      // the surface of a render target, owned by it
    bool mipsStale = false;                   // target drawn into since its mips were built

    uint32_t* level(int k) { return pixels.data() + levels[k].offset; }
};

// What the current scene draws with. Reset by every beginScene.
struct RasterScene {
    RasterTexture* surface = nullptr;  // target being drawn, null outside a scene
    int clipX0 = 0;                    // clip rectangle, half-open pixel bounds
    int clipY0 = 0;
    int clipX1 = 0;
    int clipY1 = 0;
    bool transformed = false;          // false: vertices are used as given
    bool rotated = false;              // the transform has a rotation
    float originX = 0, originY = 0;    // point scaled and rotated about
    float moveX = 0, moveY = 0;        // where the origin lands: origin + (dx, dy)
    float scaleX = 1, scaleY = 1;
    float cosR = 1, sinR = 0;
};

struct DrawState {
    std::vector<std::unique_ptr<RasterTexture>> textures;  // by handle - 1, null once freed
    std::vector<HTEXTURE> targets;                          // by target handle - 1: its texture, 0 once freed
    RasterTexture screen;                                   // target 0, the surface the backends show
    RasterTexture white;                                    // what texture 0 samples: one white texel
    RasterScene scene;                                      // the open scene
    std::vector<float> scratch;                             // reused by odd-sized mip reduction
};

// Prepares a new state: texture 0 samples as one white texel; no screen yet.
void rasterInit(DrawState& draw);
// Makes (or remakes) the screen surface, cleared to opaque black; false on a bad size.
bool rasterSetScreen(DrawState& draw, int width, int height);

// Textures from memory. Straight (not premultiplied) RGBA bytes, rows top to bottom; the
// result is premultiplied, with a full mip chain when asked. 0 on a bad size.
HTEXTURE rasterTextureFromRgba(DrawState& draw, int width, int height, const uint8_t* rgba, bool mipmaps);
// Decodes a PNG file image held in memory; 0 when it is not a readable PNG.
HTEXTURE rasterTextureFromPng(DrawState& draw, const void* data, size_t size, bool mipmaps);
// The texture of a handle (texture 0 and unknown handles give null).
inline RasterTexture* rasterTexture(DrawState& draw, HTEXTURE texture) {
    if (texture == 0 || texture > draw.textures.size()) return nullptr;
    return draw.textures[texture - 1].get();
}
void rasterFreeTexture(DrawState& draw, HTEXTURE texture);

HTARGET rasterCreateTarget(DrawState& draw, int width, int height);
void rasterFreeTarget(DrawState& draw, HTARGET target);
HTEXTURE rasterTargetTexture(DrawState& draw, HTARGET target);
// The surface of a target, 0 for the screen; null when there is none.
RasterTexture* rasterSurface(DrawState& draw, HTARGET target);

// Rebuilds a target's mip chain from its surface when it was drawn into since the last build.
void rasterPrepareMips(DrawState& draw, RasterTexture& texture);

bool rasterBeginScene(DrawState& draw, HTARGET target);
void rasterEndScene(DrawState& draw);
void rasterClear(DrawState& draw, uint32_t argb);
void rasterSetClipping(DrawState& draw, int x, int y, int width, int height);
void rasterSetTransform(DrawState& draw, float x, float y, float dx, float dy, float rotation, float hscale,
                        float vscale);
void rasterDrawLine(DrawState& draw, float x1, float y1, float x2, float y2, uint32_t argb);
void rasterDrawQuad(DrawState& draw, const Quad& quad);

// Moves a vertex by the scene transform: scaled and rotated about the origin, then shifted.
inline void rasterTransformPoint(const RasterScene& scene, float& x, float& y) {
    float ax = (x - scene.originX) * scene.scaleX;
    float ay = (y - scene.originY) * scene.scaleY;
    if (scene.rotated) {
        float rx = ax * scene.cosR - ay * scene.sinR;
        float ry = ax * scene.sinR + ay * scene.cosR;
        ax = rx;
        ay = ry;
    }
    x = ax + scene.moveX;
    y = ay + scene.moveY;
}

// Draws with the baseline instruction-set kernels only, even where faster ones exist; both give
// the same pixels (tests compare them).
void rasterUseBaselineKernels(bool baseline);

// Writes a surface as an opaque RGB PNG, composed on black (premultiplied: alpha dropped).
bool rasterWritePng(const RasterTexture& surface, const char* path);

// Premultiplied RGBA word of an ARGB colour.
uint32_t rasterPremultiply(uint32_t argb);
