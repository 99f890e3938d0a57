// Textures, mip chains, render targets and scenes of the software rasterizer, with clearing,
// clipping, the scene transform, lines and PNG decoding and writing. Quads: raster_quad.cpp.
#include "platform/engine/raster.h"

#include <emmintrin.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Rounded division by 255 of a product of two bytes.
inline uint32_t div255(uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
}

inline uint32_t packRgba(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    return r | (g << 8) | (b << 16) | (a << 24);
}

bool validSize(int width, int height) {
    return width > 0 && height > 0 && width <= rasterMaxSide && height <= rasterMaxSide;
}

// Lays out the levels of a texture and sizes its storage. Bilinear reads may touch one row and
// one texel past a level (with zero weight), so the storage ends with a row of slack.
void layoutLevels(RasterTexture& texture, int width, int height, bool mipmaps) {
    texture.width = width;
    texture.height = height;
    size_t offset = 0;
    int count = 0;
    int w = width, h = height;
    for (;;) {
        texture.levels[count] = RasterLevel{w, h, offset};
        offset += static_cast<size_t>(w) * static_cast<size_t>(h);
        ++count;
        if (!mipmaps || (w == 1 && h == 1)) break;
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
    }
    texture.levelCount = count;
    texture.pixels.assign(offset + static_cast<size_t>(width) + 2, 0u);
}

// Halves a level exactly: each texel is the rounded mean of a 2x2 block.
void reduceBox(const uint32_t* src, int sw, uint32_t* dst, int dw, int dh) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i two = _mm_set1_epi16(2);
    for (int y = 0; y < dh; ++y) {
        const uint32_t* r0 = src + static_cast<size_t>(2 * y) * sw;
        const uint32_t* r1 = r0 + sw;
        uint32_t* out = dst + static_cast<size_t>(y) * dw;
        int x = 0;
        for (; x + 2 <= dw; x += 2) {
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + 2 * x));
            __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + 2 * x));
            __m128i lo = _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
            __m128i hi = _mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
            __m128i sum = _mm_add_epi16(_mm_unpacklo_epi64(lo, hi), _mm_unpackhi_epi64(lo, hi));
            sum = _mm_srli_epi16(_mm_add_epi16(sum, two), 2);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(sum, zero));
        }
        for (; x < dw; ++x) {
            uint32_t p[4] = {r0[2 * x], r0[2 * x + 1], r1[2 * x], r1[2 * x + 1]};
            uint32_t result = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                uint32_t s = 2;
                for (uint32_t v : p) s += (v >> shift) & 255u;
                result |= (s >> 2) << shift;
            }
            out[x] = result;
        }
    }
}

// Source texels and weights of one destination texel along an axis, for any size ratio.
struct Taps {
    int first = 0;
    int count = 0;
    float weight[4] = {};
};

Taps tapsFor(int i, int sourceSize, int destSize) {
    Taps taps;
    float ratio = static_cast<float>(sourceSize) / static_cast<float>(destSize);
    float lo = static_cast<float>(i) * ratio;
    float hi = static_cast<float>(i + 1) * ratio;
    int first = static_cast<int>(lo);
    int last = std::min(sourceSize - 1, static_cast<int>(std::ceil(hi)) - 1);
    taps.first = first;
    for (int j = first; j <= last && taps.count < 4; ++j) {
        float a = std::max(lo, static_cast<float>(j));
        float b = std::min(hi, static_cast<float>(j + 1));
        taps.weight[taps.count++] = std::max(0.0f, b - a) / ratio;
    }
    return taps;
}

// Reduces a level of odd or unequal proportions by area weights, one axis after the other.
void reduceArea(const uint32_t* src, int sw, int sh, uint32_t* dst, int dw, int dh, std::vector<float>& scratch) {
    scratch.assign(static_cast<size_t>(dw) * sh * 4, 0.0f);
    for (int x = 0; x < dw; ++x) {
        Taps t = tapsFor(x, sw, dw);
        for (int y = 0; y < sh; ++y) {
            float* acc = &scratch[(static_cast<size_t>(y) * dw + x) * 4];
            for (int k = 0; k < t.count; ++k) {
                uint32_t p = src[static_cast<size_t>(y) * sw + t.first + k];
                for (int c = 0; c < 4; ++c) acc[c] += t.weight[k] * static_cast<float>((p >> (8 * c)) & 255u);
            }
        }
    }
    for (int y = 0; y < dh; ++y) {
        Taps t = tapsFor(y, sh, dh);
        for (int x = 0; x < dw; ++x) {
            float acc[4] = {0, 0, 0, 0};
            for (int k = 0; k < t.count; ++k) {
                const float* s = &scratch[(static_cast<size_t>(t.first + k) * dw + x) * 4];
                for (int c = 0; c < 4; ++c) acc[c] += t.weight[k] * s[c];
            }
            uint32_t result = 0;
            for (int c = 0; c < 4; ++c) {
                float v = std::min(255.0f, std::max(0.0f, acc[c] + 0.5f));
                result |= static_cast<uint32_t>(v) << (8 * c);
            }
            dst[static_cast<size_t>(y) * dw + x] = result;
        }
    }
}

void buildMips(RasterTexture& texture, std::vector<float>& scratch) {
    for (int k = 1; k < texture.levelCount; ++k) {
        const RasterLevel& s = texture.levels[k - 1];
        const RasterLevel& d = texture.levels[k];
        if (s.width == 2 * d.width && s.height == 2 * d.height) {
            reduceBox(texture.level(k - 1), s.width, texture.level(k), d.width, d.height);
        } else {
            reduceArea(texture.level(k - 1), s.width, s.height, texture.level(k), d.width, d.height, scratch);
        }
    }
    texture.mipsStale = false;
}

HTEXTURE addTexture(DrawState& draw, std::unique_ptr<RasterTexture> texture) {
    draw.textures.push_back(std::move(texture));
    return static_cast<HTEXTURE>(draw.textures.size());
}

bool finite(float v) { return std::isfinite(v); }

// Blends a premultiplied colour over one pixel.
inline void blendOver(uint32_t& pixel, uint32_t colour) {
    uint32_t sa = colour >> 24;
    uint32_t keep = 256 - (sa + (sa >> 7));
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t s = (colour >> shift) & 255u;
        uint32_t d = (pixel >> shift) & 255u;
        uint32_t v = s + ((d * keep + 128) >> 8);
        result |= std::min(v, 255u) << shift;
    }
    pixel = result;
}

}  // namespace

uint32_t rasterPremultiply(uint32_t argb) {
    uint32_t a = argb >> 24;
    uint32_t r = div255(((argb >> 16) & 255u) * a);
    uint32_t g = div255(((argb >> 8) & 255u) * a);
    uint32_t b = div255((argb & 255u) * a);
    return packRgba(r, g, b, a);
}

void rasterInit(DrawState& draw) {
    layoutLevels(draw.white, 1, 1, false);
    draw.white.pixels[0] = 0xFFFFFFFFu;
}

bool rasterSetScreen(DrawState& draw, int width, int height) {
    if (!validSize(width, height)) return false;
    if (draw.scene.surface == &draw.screen) draw.scene.surface = nullptr;
    layoutLevels(draw.screen, width, height, false);
    std::fill_n(draw.screen.level(0), static_cast<size_t>(width) * height, packRgba(0, 0, 0, 255));
    return true;
}

HTEXTURE rasterTextureFromRgba(DrawState& draw, int width, int height, const uint8_t* rgba, bool mipmaps) {
    if (!validSize(width, height) || !rgba) return 0;
    auto texture = std::make_unique<RasterTexture>();
    layoutLevels(*texture, width, height, mipmaps);
    uint32_t* out = texture->level(0);
    size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = rgba + 4 * i;
        uint32_t a = p[3];
        out[i] = packRgba(div255(p[0] * a), div255(p[1] * a), div255(p[2] * a), a);
    }
    buildMips(*texture, draw.scratch);
    return addTexture(draw, std::move(texture));
}

HTEXTURE rasterTextureFromPng(DrawState& draw, const void* data, size_t size, bool mipmaps) {
    if (!data || size == 0) return 0;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size)) return 0;
    if (!validSize(static_cast<int>(std::min<png_uint_32>(image.width, rasterMaxSide + 1)),
                   static_cast<int>(std::min<png_uint_32>(image.height, rasterMaxSide + 1)))) {
        png_image_free(&image);
        return 0;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
        png_image_free(&image);
        return 0;
    }
    return rasterTextureFromRgba(draw, static_cast<int>(image.width), static_cast<int>(image.height), rgba.data(),
                                 mipmaps);
}

void rasterFreeTexture(DrawState& draw, HTEXTURE texture) {
    RasterTexture* t = rasterTexture(draw, texture);
    // A target's surface goes with its target.
    if (!t || t->target) return;
    draw.textures[texture - 1].reset();
}

HTARGET rasterCreateTarget(DrawState& draw, int width, int height) {
    if (!validSize(width, height)) return 0;
    auto texture = std::make_unique<RasterTexture>();
    layoutLevels(*texture, width, height, true);
    texture->target = true;
    texture->mipsStale = true;
    HTEXTURE handle = addTexture(draw, std::move(texture));
    draw.targets.push_back(handle);
    return static_cast<HTARGET>(draw.targets.size());
}

HTEXTURE rasterTargetTexture(DrawState& draw, HTARGET target) {
    if (target == 0 || target > draw.targets.size()) return 0;
    return draw.targets[target - 1];
}

RasterTexture* rasterSurface(DrawState& draw, HTARGET target) {
    if (target == 0) return draw.screen.pixels.empty() ? nullptr : &draw.screen;
    return rasterTexture(draw, rasterTargetTexture(draw, target));
}

void rasterFreeTarget(DrawState& draw, HTARGET target) {
    HTEXTURE texture = rasterTargetTexture(draw, target);
    if (texture == 0) return;
    if (draw.scene.surface == rasterTexture(draw, texture)) draw.scene.surface = nullptr;
    draw.textures[texture - 1].reset();
    draw.targets[target - 1] = 0;
}

void rasterPrepareMips(DrawState& draw, RasterTexture& texture) {
    if (texture.mipsStale) buildMips(texture, draw.scratch);
}

bool rasterBeginScene(DrawState& draw, HTARGET target) {
    RasterTexture* surface = rasterSurface(draw, target);
    draw.scene = RasterScene{};
    if (!surface) return false;
    draw.scene.surface = surface;
    draw.scene.clipX1 = surface->width;
    draw.scene.clipY1 = surface->height;
    surface->mipsStale = true;
    return true;
}

void rasterEndScene(DrawState& draw) {
    if (draw.scene.surface) draw.scene.surface->mipsStale = true;
    draw.scene.surface = nullptr;
}

void rasterClear(DrawState& draw, uint32_t argb) {
    RasterTexture* surface = draw.scene.surface;
    if (!surface) return;
    uint32_t value = rasterPremultiply(argb);
    std::fill_n(surface->level(0), static_cast<size_t>(surface->width) * surface->height, value);
}

void rasterSetClipping(DrawState& draw, int x, int y, int width, int height) {
    RasterScene& scene = draw.scene;
    if (!scene.surface) return;
    int64_t w = scene.surface->width, h = scene.surface->height;
    if (x == 0 && y == 0 && width == 0 && height == 0) {
        scene.clipX0 = scene.clipY0 = 0;
        scene.clipX1 = static_cast<int>(w);
        scene.clipY1 = static_cast<int>(h);
        return;
    }
    int64_t x0 = std::clamp<int64_t>(x, 0, w);
    int64_t y0 = std::clamp<int64_t>(y, 0, h);
    int64_t x1 = std::clamp<int64_t>(static_cast<int64_t>(x) + std::max(width, 0), x0, w);
    int64_t y1 = std::clamp<int64_t>(static_cast<int64_t>(y) + std::max(height, 0), y0, h);
    scene.clipX0 = static_cast<int>(x0);
    scene.clipY0 = static_cast<int>(y0);
    scene.clipX1 = static_cast<int>(x1);
    scene.clipY1 = static_cast<int>(y1);
}

void rasterSetTransform(DrawState& draw, float x, float y, float dx, float dy, float rotation, float hscale,
                        float vscale) {
    RasterScene& scene = draw.scene;
    // A zero scale means the other one, and both zero mean no scaling.
    if (hscale == 0.0f && vscale == 0.0f) hscale = vscale = 1.0f;
    if (vscale == 0.0f) vscale = hscale;
    if (hscale == 0.0f) hscale = vscale;
    scene.originX = x;
    scene.originY = y;
    scene.moveX = x + dx;
    scene.moveY = y + dy;
    scene.scaleX = hscale;
    scene.scaleY = vscale;
    scene.rotated = rotation != 0.0f;
    scene.cosR = static_cast<float>(std::cos(rotation));
    scene.sinR = static_cast<float>(std::sin(rotation));
    scene.transformed = dx != 0.0f || dy != 0.0f || scene.rotated || hscale != 1.0f || vscale != 1.0f;
}

void rasterDrawLine(DrawState& draw, float x1, float y1, float x2, float y2, uint32_t argb) {
    const RasterScene& scene = draw.scene;
    RasterTexture* surface = scene.surface;
    if (!surface) return;
    if (scene.transformed) {
        rasterTransformPoint(scene, x1, y1);
        rasterTransformPoint(scene, x2, y2);
    }
    if (!finite(x1) || !finite(y1) || !finite(x2) || !finite(y2)) return;
    uint32_t colour = rasterPremultiply(argb);
    if (colour == 0) return;
    double ax = x1, ay = y1, bx = x2, by = y2;
    bool steep = std::fabs(by - ay) > std::fabs(bx - ax);
    // Walk the major axis: one pixel per pixel centre in [start, end) of that axis, at the
    // row (or column) the line crosses there.
    if (steep) {
        std::swap(ax, ay);
        std::swap(bx, by);
    }
    if (ax > bx) {
        std::swap(ax, bx);
        std::swap(ay, by);
    }
    if (bx == ax) return;
    double slope = (by - ay) / (bx - ax);
    int majorLo = steep ? scene.clipY0 : scene.clipX0;
    int majorHi = steep ? scene.clipY1 : scene.clipX1;
    int minorLo = steep ? scene.clipX0 : scene.clipY0;
    int minorHi = steep ? scene.clipX1 : scene.clipY1;
    double first = std::ceil(std::clamp(ax - 0.5, majorLo - 1.0, majorHi + 1.0));
    double last = std::ceil(std::clamp(bx - 0.5, majorLo - 1.0, majorHi + 1.0));
    int from = std::max(majorLo, static_cast<int>(first));
    int to = std::min(majorHi, static_cast<int>(last));
    uint32_t* pixels = surface->level(0);
    size_t stride = static_cast<size_t>(surface->width);
    for (int m = from; m < to; ++m) {
        double minor = std::floor(ay + (m + 0.5 - ax) * slope);
        if (!(minor >= minorLo && minor < minorHi)) continue;
        int n = static_cast<int>(minor);
        size_t index = steep ? static_cast<size_t>(m) * stride + n : static_cast<size_t>(n) * stride + m;
        blendOver(pixels[index], colour);
    }
}

bool rasterWritePng(const RasterTexture& surface, const char* path) {
    if (surface.pixels.empty() || !path) return false;
    size_t count = static_cast<size_t>(surface.width) * surface.height;
    std::vector<uint8_t> rgb(count * 3);
    const uint32_t* p = surface.pixels.data();
    for (size_t i = 0; i < count; ++i) {
        rgb[3 * i] = static_cast<uint8_t>(p[i]);
        rgb[3 * i + 1] = static_cast<uint8_t>(p[i] >> 8);
        rgb[3 * i + 2] = static_cast<uint8_t>(p[i] >> 16);
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(surface.width);
    image.height = static_cast<png_uint_32>(surface.height);
    image.format = PNG_FORMAT_RGB;
    bool ok = png_image_write_to_file(&image, path, 0, rgb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}
