// Pixel kernels the quad paths share: bilinear sampling at fixed-point coordinates, tinting and
// blending of premultiplied pixels, one or two at a time, in SSE2 integer arithmetic. Internal
// to the rasterizer.
#pragma once

#include <emmintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/engine/raster.h"

namespace raster {

// Texture coordinates are fixed point with 7 fractional bits in bilinear sampling.
constexpr int fracBits = 7;
constexpr float fracOne = 128.0f;

struct Source {
    const uint32_t* texels;  // level in use
    int stride;              // its width
};

// What each alpha of a tint scales its channels by: the colour scale in lanes 0..2 and the
// alpha factor in lane 3, so a tint takes one multiplication and no division.
struct TintScales {
    alignas(16) float lanes[256][4];
    TintScales() {
        for (int alpha = 0; alpha < 256; ++alpha) {
            float a = static_cast<float>(alpha) / 255.0f;
            float scale = 256.0f / 255.0f * a;
            lanes[alpha][0] = lanes[alpha][1] = lanes[alpha][2] = scale;
            lanes[alpha][3] = a * 256.0f;
        }
    }
};
inline const TintScales tintScales;

// Premultiplied tint as factors 0..256 per channel, lanes R, G, B, A: R, G, B times the scale
// of its alpha, and 1 times the alpha factor.
inline __m128 tintFactors(uint32_t argb) {
    const __m128i zero = _mm_setzero_si128();
    __m128i bytes = _mm_cvtsi32_si128(static_cast<int>((argb & 0xFFFFFFu) | 0x01000000u));
    __m128 channels = _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero));  // B, G, R, 1
    channels = _mm_shuffle_ps(channels, channels, _MM_SHUFFLE(3, 0, 1, 2));
    return _mm_mul_ps(channels, _mm_load_ps(tintScales.lanes[argb >> 24]));
}

inline __m128i factorsToInt(__m128 f) {
    __m128i i = _mm_cvtps_epi32(f);
    return _mm_packs_epi32(i, i);
}

// Bilinear sample at fixed-point texel-centre coordinates (U, V) >= 0; lanes 0..3 hold R, G, B,
// A as 0..255. A coordinate at the last texel has a zero fraction, so the read past it counts
// for nothing (the storage has slack for it).
inline __m128i sampleBilinear(const Source& src, int u, int v) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi16(64);
    int x0 = u >> fracBits, y0 = v >> fracBits;
    const uint32_t* p = src.texels + static_cast<size_t>(y0) * static_cast<size_t>(src.stride) + x0;
    __m128i r0 = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
    __m128i r1 = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + src.stride)), zero);
    __m128i wy = _mm_set1_epi16(static_cast<short>(v & 127));
    __m128i col = _mm_add_epi16(_mm_slli_epi16(r0, 7), _mm_mullo_epi16(_mm_sub_epi16(r1, r0), wy));
    col = _mm_srli_epi16(_mm_add_epi16(col, half), 7);
    __m128i wx = _mm_set1_epi16(static_cast<short>(u & 127));
    __m128i right = _mm_srli_si128(col, 8);
    __m128i c = _mm_add_epi16(_mm_slli_epi16(col, 7), _mm_mullo_epi16(_mm_sub_epi16(right, col), wx));
    return _mm_srli_epi16(_mm_add_epi16(c, half), 7);
}

// Source colour times factors 0..256.
inline __m128i modulate(__m128i colour, __m128i factors) {
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(colour, factors), _mm_set1_epi16(128)), 8);
}

// dst = src + dst * (1 - srcA) on the lanes of the mask, dst + src on the others, saturated.
// Source-over masks all four channels; additive masks only alpha, which gathers coverage.
inline void blendPixel(uint32_t* dst, __m128i src, __m128i mask) {
    const __m128i zero = _mm_setzero_si128();
    __m128i sa = _mm_shufflelo_epi16(src, _MM_SHUFFLE(3, 3, 3, 3));
    sa = _mm_add_epi16(sa, _mm_srli_epi16(sa, 7));
    __m128i keep = _mm_sub_epi16(_mm_set1_epi16(256), _mm_and_si128(sa, mask));
    __m128i d = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(*dst)), zero);
    d = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(d, keep), _mm_set1_epi16(128)), 8);
    *dst = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_add_epi16(src, d), zero)));
}

// Two bilinear samples at once, pixel a in lanes 0..3 and pixel b in lanes 4..7, at the
// fixed-point coordinates uvi holds (U a, V a, U b, V b); rowsOf is (1, stride) repeated.
inline __m128i samplePair(const Source& src, __m128i uvi, __m128i rowsOf) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i roundHalf = _mm_set1_epi16(64);
    // Texel offsets (row * stride + column) of both pixels, and their weights.
    __m128i cells = _mm_srai_epi32(uvi, fracBits);
    __m128i offsets = _mm_madd_epi16(_mm_packs_epi32(cells, cells), rowsOf);
    const uint32_t* pa = src.texels + _mm_cvtsi128_si32(offsets);
    const uint32_t* pb = src.texels + _mm_cvtsi128_si32(_mm_srli_si128(offsets, 4));
    __m128i f = _mm_and_si128(uvi, _mm_set1_epi32(127));
    f = _mm_packs_epi32(f, f);  // fx a, fy a, fx b, fy b
    __m128i wya = _mm_shuffle_epi32(_mm_shufflelo_epi16(f, 0x55), 0x00);
    __m128i wyb = _mm_shuffle_epi32(_mm_shufflelo_epi16(f, 0xFF), 0x00);
    __m128i wx = _mm_unpacklo_epi64(_mm_shufflelo_epi16(f, 0x00), _mm_shufflelo_epi16(f, 0xAA));
    __m128i a0 = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pa)), zero);
    __m128i a1 = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pa + src.stride)), zero);
    __m128i b0 = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pb)), zero);
    __m128i b1 = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pb + src.stride)), zero);
    __m128i ca = _mm_add_epi16(_mm_slli_epi16(a0, 7), _mm_mullo_epi16(_mm_sub_epi16(a1, a0), wya));
    __m128i cb = _mm_add_epi16(_mm_slli_epi16(b0, 7), _mm_mullo_epi16(_mm_sub_epi16(b1, b0), wyb));
    ca = _mm_srli_epi16(_mm_add_epi16(ca, roundHalf), 7);
    cb = _mm_srli_epi16(_mm_add_epi16(cb, roundHalf), 7);
    __m128i left = _mm_unpacklo_epi64(ca, cb), right = _mm_unpackhi_epi64(ca, cb);
    __m128i colour = _mm_add_epi16(_mm_slli_epi16(left, 7), _mm_mullo_epi16(_mm_sub_epi16(right, left), wx));
    return _mm_srli_epi16(_mm_add_epi16(colour, roundHalf), 7);
}

inline __m128i strideRows(int stride) {
    short s = static_cast<short>(stride);
    return _mm_setr_epi16(1, s, 1, s, 1, s, 1, s);
}

// blendPixel for two neighbouring pixels, source in lanes 0..3 and 4..7.
inline void blendPair(uint32_t* dst, __m128i src, __m128i mask) {
    const __m128i zero = _mm_setzero_si128();
    __m128i sa = _mm_shufflehi_epi16(_mm_shufflelo_epi16(src, 0xFF), 0xFF);
    sa = _mm_add_epi16(sa, _mm_srli_epi16(sa, 7));
    __m128i keep = _mm_sub_epi16(_mm_set1_epi16(256), _mm_and_si128(sa, mask));
    __m128i d = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(dst)), zero);
    d = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(d, keep), _mm_set1_epi16(128)), 8);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(_mm_add_epi16(src, d), zero));
}

// Tint factors of four pixels scaled by their coverage, as two pairs: pixels 0, 1 and 2, 3.
inline void pairFactors(__m128 tint, __m128 cover, __m128i& first, __m128i& second) {
    __m128i f0 = _mm_cvtps_epi32(_mm_mul_ps(tint, _mm_shuffle_ps(cover, cover, 0x00)));
    __m128i f1 = _mm_cvtps_epi32(_mm_mul_ps(tint, _mm_shuffle_ps(cover, cover, 0x55)));
    __m128i f2 = _mm_cvtps_epi32(_mm_mul_ps(tint, _mm_shuffle_ps(cover, cover, 0xAA)));
    __m128i f3 = _mm_cvtps_epi32(_mm_mul_ps(tint, _mm_shuffle_ps(cover, cover, 0xFF)));
    first = _mm_packs_epi32(f0, f1);
    second = _mm_packs_epi32(f2, f3);
}

inline __m128i blendMask(int32_t blend) {
    // Blend value bit 2 is alpha blending; without it the colour is added.
    return (blend & 2) ? _mm_setr_epi16(-1, -1, -1, -1, -1, -1, -1, -1) : _mm_setr_epi16(0, 0, 0, -1, 0, 0, 0, -1);
}

inline bool finiteBits(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return (bits & 0x7f800000u) != 0x7f800000u;
}

// floor(log2(x)) for a positive finite float.
inline int floorLog2(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return static_cast<int>((bits >> 23) & 255u) - 127;
}

// The mip level whose texels are about one pixel: round(log2(rho)) from rho squared.
inline int levelForRho2(double rho2, int levelCount) {
    if (!(rho2 >= 0.5)) return 0;
    int e = floorLog2(static_cast<float>(std::min(rho2 * 2.0, 1e30)));
    return std::min(e >> 1, levelCount - 1);
}

// A quad's vertices after the scene transform, with its tint.
struct Corners {
    float x[4], y[4], u[4], v[4];
    uint32_t tint[4];
    bool constantTint;
};

// Sum, least and greatest of the four lanes.
inline float sumOf(__m128 v) {
    v = _mm_add_ps(v, _mm_shuffle_ps(v, v, 0x4E));
    return _mm_cvtss_f32(_mm_add_ss(v, _mm_shuffle_ps(v, v, 0xB1)));
}

inline float minOf(__m128 v) {
    v = _mm_min_ps(v, _mm_shuffle_ps(v, v, 0x4E));
    return _mm_cvtss_f32(_mm_min_ss(v, _mm_shuffle_ps(v, v, 0xB1)));
}

inline float maxOf(__m128 v) {
    v = _mm_max_ps(v, _mm_shuffle_ps(v, v, 0x4E));
    return _mm_cvtss_f32(_mm_max_ss(v, _mm_shuffle_ps(v, v, 0xB1)));
}

// Quads with every edge shorter than this are splatted (squared, in pixels).
constexpr float splatMaxEdge2 = 1.5f * 1.5f;
// Quads narrower than this (area over longest edge) get anti-aliased edges with coverage scaled
// to their exact area, so a tiny sprite keeps its brightness at any sub-pixel position and
// turn; wider ones take each pixel whose centre they cover, which leaves no crack and no overlap
// between quads that share an edge.
constexpr float smoothMaxWidth = 2.5f;
// Quads whose bounding box is at most this wide and high are drawn on a small pixel grid.
constexpr float smallMaxExtent = 9.0f;

// A quad checked and moved by the scene transform, for the general path.
struct QuadFront {
    Corners q;             // corners after the transform, texture coordinates and tints
    RasterTexture* tex;    // its texture (the white one for texture 0)
    __m128i mask;          // blend mask
    float xmin, ymin;      // bounding box
    float xmax, ymax;
};

// Checks a quad (scene, texture, finite coordinates, visible tint, overlap with the clip), moves
// it by the scene transform and draws it when it is small. True when the general path is to
// draw it, with front filled; false when nothing remains to be done.
bool quadFront(DrawState& draw, const Quad& quad, QuadFront& front);

}  // namespace raster
