// The small-quad kernels of raster_small.cpp, included there once per instruction set. No
// include guard: each inclusion defines them in its own namespace.
// RASTER_WIDE_KERNELS is 1 in the AVX2 inclusion: rows then take four pixels per pass.

namespace {

// The pixel grid: up to 12x12 pixels (smallMaxExtent + 2), three vectors of four a row.
constexpr int gridSide = 12;
// Coverage below this is none: its tint factor rounds to zero.
constexpr float leastCover = 1.0f / 1024.0f;

// Masks that keep the first n pixels of four (64 bits a pixel) and clear the others, read
// from memory rather than built on the stack for every quad.
alignas(32) constexpr int64_t firstPixels[5][4] = {{0, 0, 0, 0}, {-1, 0, 0, 0}, {-1, -1, 0, 0}, {-1, -1, -1, 0}, {-1, -1, -1, -1}};

// The first n of two pixels, n = 1 or 2.
inline __m128i keepFirstOfTwo(int n) { return _mm_load_si128(reinterpret_cast<const __m128i*>(firstPixels[n])); }

#if RASTER_WIDE_KERNELS
inline __m256i keepFirstOfFour(int n) { return _mm256_load_si256(reinterpret_cast<const __m256i*>(firstPixels[n])); }
#endif

// Floor and ceiling of coordinates near the target (well within +-2^20), without branches:
// shifted to positive in double precision, where truncation is the floor.
inline int floorInt(float v) { return static_cast<int>(static_cast<double>(v) + 1048576.0) - 1048576; }

inline int ceilInt(float v) { return -floorInt(-v); }

// Where a row of pixels samples its texture: fixed-point texel-centre coordinates as a plane
// over the grid, clamped to the quad's texture rectangle; two pixels at a time.
struct Sampler {
    Source src;
    __m128 step;       // to the next pixel: dU, dV, dU, dV
    __m128 low, high;  // clamp, lanes U, V, U, V
    __m128i rowsOf;    // 1, stride, ... for the texel offsets
    __m128 origin;     // U, V at the centre of grid pixel (0, 0), twice
    __m128 down;       // to the next row: dU, dV, dU, dV
    __m128 second;     // 0, 0, dU, dV: from the first pixel of a pair to the second

    // U, V of grid pixels 0 and 1 of grid row r, in one pass for both. Adding zero to the first
    // pixel's lanes may turn a -0 into +0, which the clamp to the texture makes the same.
    __m128 rowStart(int r) const {
        return _mm_add_ps(_mm_add_ps(origin, _mm_mul_ps(down, _mm_set1_ps(static_cast<float>(r)))), second);
    }
    __m128i at(__m128 rowUV, int k) const {
        __m128 uv = _mm_add_ps(rowUV, _mm_mul_ps(step, _mm_set1_ps(static_cast<float>(k))));
        return _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(uv, low), high));
    }
    // Bilinear samples of the two pixels whose coordinates uvi holds (U a, V a, U b, V b).
    __m128i pair(__m128i uvi) const { return samplePair(src, uvi, rowsOf); }
    __m128i single(__m128i uvi) const {
        return sampleBilinear(src, _mm_cvtsi128_si32(uvi), _mm_cvtsi128_si32(_mm_srli_si128(uvi, 4)));
    }
};

#if RASTER_WIDE_KERNELS
// Four neighbouring pixels of a row at once, in 256-bit registers: the arithmetic of
// samplePair, modulate and blendPair lane for lane, so the pixels equal those of two pairs.
struct Wide {
    __m256 step, low, high;  // the sampler's, in both halves
    __m256i rowsOf;
    __m256i mask;            // blend mask of four pixels
    const uint32_t* texels;
    int stride;

    Wide(const Sampler& s, __m128i blend)
        : step(_mm256_set_m128(s.step, s.step)), low(_mm256_set_m128(s.low, s.low)), high(_mm256_set_m128(s.high, s.high)),
          rowsOf(_mm256_set_m128i(s.rowsOf, s.rowsOf)), mask(_mm256_set_m128i(blend, blend)), texels(s.src.texels),
          stride(s.src.stride) {}

    // Fixed-point U, V of pixels k to k + 3 of the row whose first pair's rowStart is rowUV:
    // pixels k, k + 1 as Sampler::at(k), pixels k + 2, k + 3 as Sampler::at(k + 2).
    __m256i at(__m256 rowUV, int k) const {
        __m256 ks = _mm256_set_m128(_mm_set1_ps(static_cast<float>(k + 2)), _mm_set1_ps(static_cast<float>(k)));
        __m256 uv = _mm256_add_ps(rowUV, _mm256_mul_ps(step, ks));
        return _mm256_cvtps_epi32(_mm256_min_ps(_mm256_max_ps(uv, low), high));
    }

    // Two texels from a and two from b, widened to 16 bits: a in the low half, b in the high.
    static __m256i texelPairs(const uint32_t* a, const uint32_t* b) {
        __m128i x = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(a));
        x = _mm_castpd_si128(_mm_loadh_pd(_mm_castsi128_pd(x), reinterpret_cast<const double*>(b)));
        return _mm256_cvtepu8_epi16(x);
    }

    // Bilinear samples of the four pixels; lanes hold pixels 0, 1 | 2, 3 as samplePair does.
    __m256i sample(__m256i uvi) const {
        const __m256i roundHalf = _mm256_set1_epi16(64);
        __m256i cells = _mm256_srai_epi32(uvi, fracBits);
        __m256i offsets = _mm256_madd_epi16(_mm256_packs_epi32(cells, cells), rowsOf);
        __m128i lo = _mm256_castsi256_si128(offsets), hi = _mm256_extracti128_si256(offsets, 1);
        const uint32_t* p0 = texels + _mm_cvtsi128_si32(lo);
        const uint32_t* p1 = texels + _mm_cvtsi128_si32(_mm_srli_si128(lo, 4));
        const uint32_t* p2 = texels + _mm_cvtsi128_si32(hi);
        const uint32_t* p3 = texels + _mm_cvtsi128_si32(_mm_srli_si128(hi, 4));
        __m256i f = _mm256_and_si256(uvi, _mm256_set1_epi32(127));
        f = _mm256_packs_epi32(f, f);  // per half: fx a, fy a, fx b, fy b
        __m256i wyA = _mm256_shuffle_epi32(_mm256_shufflelo_epi16(f, 0x55), 0x00);
        __m256i wyB = _mm256_shuffle_epi32(_mm256_shufflelo_epi16(f, 0xFF), 0x00);
        __m256i wx = _mm256_unpacklo_epi64(_mm256_shufflelo_epi16(f, 0x00), _mm256_shufflelo_epi16(f, 0xAA));
        // Pixels 0 and 2 (the first of each pair), then 1 and 3.
        __m256i a0 = texelPairs(p0, p2), a1 = texelPairs(p0 + stride, p2 + stride);
        __m256i b0 = texelPairs(p1, p3), b1 = texelPairs(p1 + stride, p3 + stride);
        __m256i ca = _mm256_add_epi16(_mm256_slli_epi16(a0, 7), _mm256_mullo_epi16(_mm256_sub_epi16(a1, a0), wyA));
        __m256i cb = _mm256_add_epi16(_mm256_slli_epi16(b0, 7), _mm256_mullo_epi16(_mm256_sub_epi16(b1, b0), wyB));
        ca = _mm256_srli_epi16(_mm256_add_epi16(ca, roundHalf), 7);
        cb = _mm256_srli_epi16(_mm256_add_epi16(cb, roundHalf), 7);
        __m256i left = _mm256_unpacklo_epi64(ca, cb), right = _mm256_unpackhi_epi64(ca, cb);
        __m256i colour = _mm256_add_epi16(_mm256_slli_epi16(left, 7), _mm256_mullo_epi16(_mm256_sub_epi16(right, left), wx));
        return _mm256_srli_epi16(_mm256_add_epi16(colour, roundHalf), 7);
    }

    // modulate, then blendPair, of four pixels.
    void blend(uint32_t* dst, __m256i colour, __m256i factors) const {
        __m256i src = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(colour, factors), _mm256_set1_epi16(128)), 8);
        __m256i sa = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(src, 0xFF), 0xFF);
        sa = _mm256_add_epi16(sa, _mm256_srli_epi16(sa, 7));
        __m256i keep = _mm256_sub_epi16(_mm256_set1_epi16(256), _mm256_and_si256(sa, mask));
        __m256i d = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(dst)));
        d = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(d, keep), _mm256_set1_epi16(128)), 8);
        __m256i sum = _mm256_add_epi16(src, d);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1)));
    }
};
#endif

// A quad at least smoothMaxWidth wide: every pixel whose centre it covers, at full weight.
// Edges are bounds on each row's span computed alike from the two vertices that make them,
// so quads sharing an edge neither leave a crack nor overlap along it.
void hardRows(const RasterScene& scene, const Corners& q, const Sampler& sampler, int gx, int gy, __m128 tint,
              __m128i mask) {
    // Lane i is the edge from corner i to corner i + 1, measured from its upper end.
    const __m128 x = _mm_loadu_ps(q.x), y = _mm_loadu_ps(q.y);
    const __m128 xn = _mm_shuffle_ps(x, x, _MM_SHUFFLE(0, 3, 2, 1)), yn = _mm_shuffle_ps(y, y, _MM_SHUFFLE(0, 3, 2, 1));
    const __m128 down = _mm_cmpgt_ps(yn, y);
    const __m128 vax = _mm_or_ps(_mm_and_ps(down, x), _mm_andnot_ps(down, xn));
    const __m128 vay = _mm_or_ps(_mm_and_ps(down, y), _mm_andnot_ps(down, yn));
    const __m128 vbx = _mm_or_ps(_mm_and_ps(down, xn), _mm_andnot_ps(down, x));
    const __m128 vby = _mm_or_ps(_mm_and_ps(down, yn), _mm_andnot_ps(down, y));
    const __m128 sloped = _mm_cmpneq_ps(vby, vay);  // horizontal edges bound no row
    const __m128 vslope = _mm_and_ps(sloped, _mm_div_ps(_mm_sub_ps(vbx, vax), _mm_sub_ps(vby, vay)));
    const __m128 quarter = _mm_set1_ps(0.25f);
    const __m128 cx = _mm_set1_ps(sumOf(x)), cy = _mm_set1_ps(sumOf(y));
    const __m128 centreSide = _mm_add_ps(vax, _mm_mul_ps(_mm_sub_ps(_mm_mul_ps(cy, quarter), vay), vslope));
    const __m128 isLeft = _mm_and_ps(sloped, _mm_cmpgt_ps(_mm_mul_ps(cx, quarter), centreSide));
    const __m128 isRight = _mm_andnot_ps(isLeft, sloped);
    float ymin = minOf(y), ymax = maxOf(y);
    int rowFrom = std::max(scene.clipY0, ceilInt(ymin - 0.5f)), rowTo = std::min(scene.clipY1, ceilInt(ymax - 0.5f));
    // Lanes that are not left (right) edges bound nothing: the clip stands in for them.
    const __m128 clipLo = _mm_set1_ps(static_cast<float>(scene.clipX0) - 0.5f);
    const __m128 clipHi = _mm_set1_ps(static_cast<float>(scene.clipX1) - 0.5f);
    const __m128 ax = _mm_sub_ps(vax, _mm_set1_ps(0.5f));
    const __m128i factors = factorsToInt(tint);
    const __m128i factors2 = _mm_unpacklo_epi64(factors, factors);
#if RASTER_WIDE_KERNELS
    const Wide wide(sampler, mask);
    const __m256i factors4 = _mm256_set_m128i(factors2, factors2);
#endif
    RasterTexture& surface = *scene.surface;
    const size_t stride = static_cast<size_t>(surface.width);
    // The pixels of one row from grid column k up to (not including) end.
    auto drawSpan = [&](int row, int k, int end) __attribute__((always_inline)) {
        if (k >= end) return;
        uint32_t* out = surface.level(0) + static_cast<size_t>(row) * stride + gx;
        __m128 rowUV = sampler.rowStart(row - gy);
#if RASTER_WIDE_KERNELS
        // The first four pixels in one pass whatever the row's length (those past its end at
        // zero weight, left as they are), so most rows take no branch that depends on their
        // length. Then three or four at a time while the fourth lies inside the clip.
        if (gx + k + 3 < scene.clipX1) {
            const __m256i f = _mm256_and_si256(factors4, keepFirstOfFour(std::min(end - k, 4)));
            wide.blend(out + k, wide.sample(wide.at(_mm256_set_m128(rowUV, rowUV), k)), f);
            k += 4;
            if (k >= end) return;
        }
        if (k + 2 < end) {
            const __m256 rowUV2 = _mm256_set_m128(rowUV, rowUV);
            for (; k + 2 < end && gx + k + 3 < scene.clipX1; k += 4) {
                const __m256i f = _mm256_and_si256(factors4, keepFirstOfFour(end - k >= 4 ? 4 : 3));
                wide.blend(out + k, wide.sample(wide.at(rowUV2, k)), f);
            }
        }
#endif
        // Pairs of pixels; an odd last pixel is paired with its neighbour at zero weight (the
        // neighbour is left as it is) unless that one lies outside the clip. One loop for both,
        // so a row costs one unpredictable branch, not three.
        const bool lastAlone = ((end - k) & 1) && gx + end >= scene.clipX1;
        const int pairsEnd = end - static_cast<int>(lastAlone);
        for (; k < pairsEnd; k += 2) {
            const __m128i f = _mm_and_si128(factors2, keepFirstOfTwo(k + 1 < pairsEnd ? 2 : 1));
            blendPair(out + k, modulate(sampler.pair(sampler.at(rowUV, k)), f), mask);
        }
        if (lastAlone) blendPixel(out + k, modulate(sampler.single(sampler.at(rowUV, k)), factors), mask);
    };
#if RASTER_WIDE_KERNELS
    // Two rows' bounds at a time, the same arithmetic lane for lane.
    const __m256 ax2 = _mm256_set_m128(ax, ax), vay2 = _mm256_set_m128(vay, vay), vslope2 = _mm256_set_m128(vslope, vslope);
    const __m256 isLeft2 = _mm256_set_m128(isLeft, isLeft), isRight2 = _mm256_set_m128(isRight, isRight);
    const __m256 clipLo2 = _mm256_set_m128(clipLo, clipLo), clipHi2 = _mm256_set_m128(clipHi, clipHi);
    for (int row = rowFrom; row < rowTo; row += 2) {
        __m256 centres = _mm256_set_m128(_mm_set1_ps(static_cast<float>(row + 1) + 0.5f), _mm_set1_ps(static_cast<float>(row) + 0.5f));
        __m256 at = _mm256_add_ps(ax2, _mm256_mul_ps(_mm256_sub_ps(centres, vay2), vslope2));
        __m256 xl = _mm256_or_ps(_mm256_and_ps(isLeft2, at), _mm256_andnot_ps(isLeft2, clipLo2));
        __m256 xr = _mm256_or_ps(_mm256_and_ps(isRight2, at), _mm256_andnot_ps(isRight2, clipHi2));
        xl = _mm256_max_ps(xl, _mm256_permute_ps(xl, 0x4E));
        xr = _mm256_min_ps(xr, _mm256_permute_ps(xr, 0x4E));
        xl = _mm256_max_ps(_mm256_max_ps(xl, _mm256_permute_ps(xl, 0xB1)), clipLo2);
        xr = _mm256_min_ps(_mm256_min_ps(xr, _mm256_permute_ps(xr, 0xB1)), clipHi2);
        __m256 bounds = _mm256_unpacklo_ps(xl, xr);
        __m256i cells = _mm256_cvttps_epi32(bounds);
        cells = _mm256_sub_epi32(cells, _mm256_castps_si256(_mm256_cmp_ps(_mm256_cvtepi32_ps(cells), bounds, _CMP_LT_OS)));
        __m128i first = _mm256_castsi256_si128(cells), second = _mm256_extracti128_si256(cells, 1);
        drawSpan(row, _mm_cvtsi128_si32(first) - gx, _mm_cvtsi128_si32(_mm_srli_si128(first, 4)) - gx);
        if (row + 1 < rowTo) drawSpan(row + 1, _mm_cvtsi128_si32(second) - gx, _mm_cvtsi128_si32(_mm_srli_si128(second, 4)) - gx);
    }
#else
    for (int row = rowFrom; row < rowTo; ++row) {
        // Each edge at the row's centre, less half a pixel; the left bound is the greatest of
        // the left edges, the right bound the least of the right edges.
        __m128 at = _mm_add_ps(ax, _mm_mul_ps(_mm_sub_ps(_mm_set1_ps(static_cast<float>(row) + 0.5f), vay), vslope));
        __m128 xl = _mm_or_ps(_mm_and_ps(isLeft, at), _mm_andnot_ps(isLeft, clipLo));
        __m128 xr = _mm_or_ps(_mm_and_ps(isRight, at), _mm_andnot_ps(isRight, clipHi));
        xl = _mm_max_ps(xl, _mm_shuffle_ps(xl, xl, 0x4E));
        xr = _mm_min_ps(xr, _mm_shuffle_ps(xr, xr, 0x4E));
        xl = _mm_max_ps(_mm_max_ps(xl, _mm_shuffle_ps(xl, xl, 0xB1)), clipLo);
        xr = _mm_min_ps(_mm_min_ps(xr, _mm_shuffle_ps(xr, xr, 0xB1)), clipHi);
        // Ceilings of both: the first pixel centre at or right of the left bound, and the
        // first past the right bound.
        __m128 bounds = _mm_unpacklo_ps(xl, xr);
        __m128i cells = _mm_cvttps_epi32(bounds);
        cells = _mm_sub_epi32(cells, _mm_castps_si128(_mm_cmplt_ps(_mm_cvtepi32_ps(cells), bounds)));
        drawSpan(row, _mm_cvtsi128_si32(cells) - gx, _mm_cvtsi128_si32(_mm_srli_si128(cells, 4)) - gx);
    }
#endif
}

inline void prepare(DrawState& draw, RasterTexture& tex, int level) {
    if (level > 0 && tex.mipsStale) rasterPrepareMips(draw, tex);
}

// A quad under about a pixel: the mean colour of its texture rectangle (its sample at the
// level where the rectangle is about one texel) spread with area coverage over the pixels that
// a square of its area, centred on it, overlaps: at least a pixel wide, so up to 4 pixels, or 9
// when the square is wider than a pixel.
void splat(DrawState& draw, const Corners& q, RasterTexture& tex, __m128 rx, __m128 ry, int gx, int gy, float area,
           __m128i mask) {
    const RasterScene& scene = draw.scene;
    __m128 tint = tintFactors(q.tint[0]);
    if (!q.constantTint) {
        tint = _mm_add_ps(_mm_add_ps(tint, tintFactors(q.tint[1])), _mm_add_ps(tintFactors(q.tint[2]), tintFactors(q.tint[3])));
        tint = _mm_mul_ps(tint, _mm_set1_ps(0.25f));
    }
    // Least, greatest and sum of U and of V at once (lanes 0 and 1), reduced in the order of
    // minOf, maxOf and sumOf.
    const __m128 u = _mm_loadu_ps(q.u), v = _mm_loadu_ps(q.v);
    const __m128 uvLo = _mm_unpacklo_ps(u, v), uvHi = _mm_unpackhi_ps(u, v);
    __m128 least = _mm_min_ps(uvLo, uvHi), most = _mm_max_ps(uvLo, uvHi), sums = _mm_add_ps(uvLo, uvHi);
    least = _mm_min_ps(least, _mm_movehl_ps(least, least));
    most = _mm_max_ps(most, _mm_movehl_ps(most, most));
    sums = _mm_add_ps(sums, _mm_movehl_ps(sums, sums));
    const __m128i texSize = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&tex.width));
    static_assert(offsetof(RasterTexture, height) == offsetof(RasterTexture, width) + 4, "size read as a vector");
    const __m128 spans = _mm_mul_ps(_mm_sub_ps(most, least), _mm_cvtepi32_ps(texSize));
    float extent = std::max(_mm_cvtss_f32(spans), _mm_cvtss_f32(_mm_shuffle_ps(spans, spans, 0x55)));
    int level = 0;
    if (extent > 1.0f) {
        level = floorLog2(std::min(extent, 1e30f));
        if (static_cast<float>(1 << std::min(level, 30)) < extent) ++level;
        level = std::min(level, tex.levelCount - 1);
    }
    prepare(draw, tex, level);
    const RasterLevel& lv = tex.levels[level];
    // Lanes 2 and 3 are not used.
    __m128 centre = _mm_mul_ps(sums, _mm_set1_ps(0.25f));
    static_assert(offsetof(RasterLevel, height) == offsetof(RasterLevel, width) + 4, "size read as a vector");
    __m128 size = _mm_cvtepi32_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&lv.width)));
    __m128 at = _mm_mul_ps(_mm_sub_ps(_mm_mul_ps(centre, size), _mm_set1_ps(0.5f)), _mm_set1_ps(fracOne));
    __m128 high = _mm_mul_ps(_mm_sub_ps(size, _mm_set1_ps(1.0f)), _mm_set1_ps(fracOne));
    __m128i uvi = _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(at, _mm_setzero_ps()), high));
    __m128i colour = sampleBilinear(Source{tex.level(level), lv.width}, _mm_cvtsi128_si32(uvi),
                                    _mm_cvtsi128_si32(_mm_srli_si128(uvi, 4)));

    float side = area > 1.0f ? _mm_cvtss_f32(_mm_sqrt_ss(_mm_set_ss(area))) : 1.0f;
    float weight = area / (side * side);
    __m128 corners = _mm_add_ps(_mm_unpacklo_ps(rx, ry), _mm_unpackhi_ps(rx, ry));
    corners = _mm_mul_ps(_mm_add_ps(corners, _mm_movehl_ps(corners, corners)), _mm_set1_ps(0.25f));
    float cx = _mm_cvtss_f32(corners), cy = _mm_cvtss_f32(_mm_shuffle_ps(corners, corners, 0x55));
    float bx0 = cx - side * 0.5f, bx1 = cx + side * 0.5f, by0 = cy - side * 0.5f, by1 = cy + side * 0.5f;
    int ix = floorInt(bx0), iy = floorInt(by0);
    uint32_t* pixels = scene.surface->level(0);
    size_t stride = static_cast<size_t>(scene.surface->width);
    int px0 = gx + ix, py0 = gy + iy;
    // Overlap of the square with up to three columns and rows (a fourth column at zero keeps
    // the columns in pairs).
    alignas(16) float wx[4], wy[4];
    {
        const __m128 steps = _mm_setr_ps(0.0f, 1.0f, 2.0f, 0.0f), one = _mm_set1_ps(1.0f), zero = _mm_setzero_ps();
        const __m128 px = _mm_add_ps(_mm_set1_ps(static_cast<float>(ix)), steps);
        const __m128 py = _mm_add_ps(_mm_set1_ps(static_cast<float>(iy)), steps);
        __m128 ox = _mm_max_ps(_mm_sub_ps(_mm_min_ps(_mm_set1_ps(bx1), _mm_add_ps(px, one)), _mm_max_ps(_mm_set1_ps(bx0), px)), zero);
        __m128 oy = _mm_max_ps(_mm_sub_ps(_mm_min_ps(_mm_set1_ps(by1), _mm_add_ps(py, one)), _mm_max_ps(_mm_set1_ps(by0), py)), zero);
        _mm_store_ps(wx, _mm_and_ps(ox, _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0))));
        _mm_store_ps(wy, _mm_mul_ps(oy, _mm_set1_ps(weight)));
    }
    int columns = wx[2] > 0.0f ? 4 : 2;
    int rows = wy[2] > 0.0f ? 3 : 2;
    const __m128 across = _mm_loadu_ps(wx);
    __m128i colours = _mm_unpacklo_epi64(colour, colour);
    if (px0 >= scene.clipX0 && px0 + columns <= scene.clipX1 && py0 >= scene.clipY0 && py0 + rows <= scene.clipY1) {
        uint32_t* p = pixels + static_cast<size_t>(py0) * stride + px0;
        for (int j = 0; j < rows; ++j, p += stride) {
            __m128i left, right;
            pairFactors(tint, _mm_mul_ps(across, _mm_set1_ps(wy[j])), left, right);
            blendPair(p, modulate(colours, left), mask);
            if (columns == 4) blendPair(p + 2, modulate(colours, right), mask);
        }
        return;
    }
    // At the clip's border, pixel by pixel.
    for (int j = 0; j < rows; ++j) {
        int py = py0 + j;
        if (py < scene.clipY0 || py >= scene.clipY1) continue;
        for (int k = 0; k < 3; ++k) {
            int px = px0 + k;
            if (wx[k] <= 0.0f || px < scene.clipX0 || px >= scene.clipX1) continue;
            __m128i factors = factorsToInt(_mm_mul_ps(tint, _mm_set1_ps(wx[k] * wy[j])));
            blendPixel(pixels + static_cast<size_t>(py) * stride + px, modulate(colour, factors), mask);
        }
    }
}

}  // namespace

bool drawSmallQuad(DrawState& draw, const Corners& q, RasterTexture& tex, __m128i mask, float xmin, float ymin,
                   float xmax, float ymax) {
    const RasterScene& scene = draw.scene;
    RasterTexture& surface = *scene.surface;
    // The grid: every pixel whose centre lies within half a pixel of the bounding box.
    const int gx = floorInt(xmin - 0.5f), gy = floorInt(ymin - 0.5f);
    const int gw = floorInt(xmax + 0.5f) - gx + 1, gh = floorInt(ymax + 0.5f) - gy + 1;
    uint32_t* pixels = surface.level(0);
    const size_t stride = static_cast<size_t>(surface.width);
    // Corners relative to the grid, and the edges from each corner to the next.
    const __m128 rx = _mm_sub_ps(_mm_loadu_ps(q.x), _mm_set1_ps(static_cast<float>(gx)));
    const __m128 ry = _mm_sub_ps(_mm_loadu_ps(q.y), _mm_set1_ps(static_cast<float>(gy)));
    const __m128 nx = _mm_shuffle_ps(rx, rx, _MM_SHUFFLE(0, 3, 2, 1));
    const __m128 ny = _mm_shuffle_ps(ry, ry, _MM_SHUFFLE(0, 3, 2, 1));
    const __m128 ex = _mm_sub_ps(nx, rx), ey = _mm_sub_ps(ny, ry);
    float area2 = sumOf(_mm_sub_ps(_mm_mul_ps(rx, ny), _mm_mul_ps(nx, ry)));
    float maxEdge2 = maxOf(_mm_add_ps(_mm_mul_ps(ex, ex), _mm_mul_ps(ey, ey)));
    if (!(std::fabs(area2) > 0.0f)) return true;
    float area = std::fabs(area2) * 0.5f;
    if (maxEdge2 < splatMaxEdge2) {
        splat(draw, q, tex, rx, ry, gx, gy, area, mask);
        return true;
    }
    if (!q.constantTint) return false;

    // Texture coordinates as planes, solved on the better-conditioned of corners 0 and 2, both
    // at once: lanes hold corner 0 and corner 2, for U and then for V.
    const __m128 u = _mm_loadu_ps(q.u), v = _mm_loadu_ps(q.v);
    const __m128 ax = _mm_shuffle_ps(rx, rx, _MM_SHUFFLE(2, 0, 2, 0)), ay = _mm_shuffle_ps(ry, ry, _MM_SHUFFLE(2, 0, 2, 0));
    const __m128 e1x = _mm_sub_ps(_mm_shuffle_ps(rx, rx, _MM_SHUFFLE(3, 1, 3, 1)), ax);
    const __m128 e1y = _mm_sub_ps(_mm_shuffle_ps(ry, ry, _MM_SHUFFLE(3, 1, 3, 1)), ay);
    const __m128 e2x = _mm_sub_ps(_mm_shuffle_ps(rx, rx, _MM_SHUFFLE(1, 3, 1, 3)), ax);
    const __m128 e2y = _mm_sub_ps(_mm_shuffle_ps(ry, ry, _MM_SHUFFLE(1, 3, 1, 3)), ay);
    const __m128 det = _mm_sub_ps(_mm_mul_ps(e1x, e2y), _mm_mul_ps(e1y, e2x));
    const __m128 aA = _mm_shuffle_ps(u, v, _MM_SHUFFLE(2, 0, 2, 0));
    const __m128 d1 = _mm_sub_ps(_mm_shuffle_ps(u, v, _MM_SHUFFLE(3, 1, 3, 1)), aA);
    const __m128 d2 = _mm_sub_ps(_mm_shuffle_ps(u, v, _MM_SHUFFLE(1, 3, 1, 3)), aA);
    const __m128 inv = _mm_div_ps(_mm_set1_ps(1.0f), det);
    const __m128 gradX = _mm_mul_ps(_mm_sub_ps(_mm_mul_ps(d1, e2y), _mm_mul_ps(d2, e1y)), inv);
    const __m128 gradY = _mm_mul_ps(_mm_sub_ps(_mm_mul_ps(d2, e1x), _mm_mul_ps(d1, e2x)), inv);
    // The chosen corner's lanes picked as vectors, not through memory: lanes hold that corner's
    // U then V, twice.
    const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    const __m128 absDet = _mm_and_ps(det, absMask);
    const __m128 cornerTest = _mm_cmpge_ps(absDet, _mm_shuffle_ps(absDet, absDet, 0x55));
    const __m128 firstCorner = _mm_shuffle_ps(cornerTest, cornerTest, 0x00);
    auto pick = [&](__m128 lanes) __attribute__((always_inline)) {
        return _mm_or_ps(_mm_and_ps(firstCorner, _mm_shuffle_ps(lanes, lanes, _MM_SHUFFLE(2, 0, 2, 0))),
                         _mm_andnot_ps(firstCorner, _mm_shuffle_ps(lanes, lanes, _MM_SHUFFLE(3, 1, 3, 1))));
    };
    if (!(_mm_cvtss_f32(pick(absDet)) > 0.0f)) return true;
    // dU/dx, dV/dx, dU/dy, dV/dy, and the texture's size as U, V lanes.
    const __m128 grads = _mm_movelh_ps(pick(gradX), pick(gradY));
    const __m128i texSize = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&tex.width));
    static_assert(offsetof(RasterTexture, height) == offsetof(RasterTexture, width) + 4, "size read as a vector");
    const __m128 tsize = _mm_cvtepi32_ps(_mm_unpacklo_epi64(texSize, texSize));
    __m128 spread = _mm_mul_ps(_mm_mul_ps(_mm_mul_ps(grads, grads), tsize), tsize);
    spread = _mm_add_ps(spread, _mm_shuffle_ps(spread, spread, _MM_SHUFFLE(2, 3, 0, 1)));
    float rho2 = std::max(_mm_cvtss_f32(spread), _mm_cvtss_f32(_mm_movehl_ps(spread, spread)));
    // Wide enough (area over longest edge): hard edges. Such a quad takes the finer of the two
    // nearest levels, whose texels are no larger than its pixels: its own soft edges survive
    // and a pixel more or less of hard edge does not swing its brightness.
    const bool hard = area * area >= smoothMaxWidth * smoothMaxWidth * maxEdge2;
    int level = !hard ? levelForRho2(rho2, tex.levelCount)
                      : rho2 >= 1.0f ? std::min(floorLog2(rho2) >> 1, tex.levelCount - 1) : 0;
    prepare(draw, tex, level);
    const RasterLevel& lv = tex.levels[level];
    static_assert(offsetof(RasterLevel, height) == offsetof(RasterLevel, width) + 4, "size read as a vector");
    const __m128i levelSize = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&lv.width));
    const __m128 lsize = _mm_cvtepi32_ps(_mm_unpacklo_epi64(levelSize, levelSize));
    const __m128 scaled = _mm_mul_ps(_mm_mul_ps(grads, lsize), _mm_set1_ps(fracOne));
    const __m128 stepX = _mm_movelh_ps(scaled, scaled), stepY = _mm_movehl_ps(scaled, scaled);
    // Fixed-point texel-centre coordinates at the centre of grid pixel (0, 0).
    const __m128 half = _mm_set1_ps(0.5f);
    const __m128 cx0 = _mm_sub_ps(half, pick(ax)), cy0 = _mm_sub_ps(half, pick(ay));
    const __m128 uv00 = _mm_add_ps(
        _mm_add_ps(_mm_mul_ps(_mm_sub_ps(_mm_mul_ps(pick(aA), lsize), half), _mm_set1_ps(fracOne)), _mm_mul_ps(stepX, cx0)),
        _mm_mul_ps(stepY, cy0));
    // Samples stay within the quad's texture rectangle, so nothing bleeds in from beside it.
    __m128 least = _mm_min_ps(_mm_unpacklo_ps(u, v), _mm_unpackhi_ps(u, v));
    __m128 most = _mm_max_ps(_mm_unpacklo_ps(u, v), _mm_unpackhi_ps(u, v));
    least = _mm_min_ps(least, _mm_movehl_ps(least, least));
    most = _mm_max_ps(most, _mm_movehl_ps(most, most));
    const __m128 rect = _mm_mul_ps(_mm_movelh_ps(least, most), lsize);  // U, V least, then greatest
    const __m128 one = _mm_set1_ps(1.0f);
    __m128 low = _mm_max_ps(rect, _mm_setzero_ps());
    __m128 high = _mm_min_ps(_mm_sub_ps(_mm_movehl_ps(rect, rect), one), _mm_sub_ps(lsize, one));
    if (_mm_movemask_ps(_mm_cmpgt_ps(low, high)) & 3) {
        alignas(16) float lows[4], highs[4], rects[4], sizes[4];
        _mm_store_ps(lows, low);
        _mm_store_ps(highs, high);
        _mm_store_ps(rects, rect);
        _mm_store_ps(sizes, lsize);
        for (int i = 0; i < 2; ++i) {
            if (lows[i] > highs[i])
                lows[i] = highs[i] = std::clamp((rects[i] + rects[i + 2]) * 0.5f - 0.5f, 0.0f, sizes[i] - 1.0f);
        }
        low = _mm_load_ps(lows);
        high = _mm_load_ps(highs);
    }
    low = _mm_mul_ps(_mm_movelh_ps(low, low), _mm_set1_ps(fracOne));
    high = _mm_mul_ps(_mm_movelh_ps(high, high), _mm_set1_ps(fracOne));

    const Sampler sampler{Source{tex.level(level), lv.width},
                          stepX,
                          low,
                          high,
                          strideRows(lv.width),
                          uv00,
                          stepY,
                          _mm_movelh_ps(_mm_setzero_ps(), stepX)};
    const __m128 tint = tintFactors(q.tint[0]);
    if (hard) {
        hardRows(scene, q, sampler, gx, gy, tint, mask);
        return true;
    }

    // Distances to the edges at grid pixel centres, positive inside, measured in the pixel's
    // own width across each edge (|cos| + |sin| of its angle): a pixel centred on an edge is
    // half covered, one half that width inside fully. The half pixel is folded in.
    const __m128 zero = _mm_setzero_ps();
    __m128 l1 = _mm_add_ps(_mm_and_ps(ex, absMask), _mm_and_ps(ey, absMask));
    __m128 scale = _mm_and_ps(_mm_div_ps(_mm_set1_ps(area2 > 0.0f ? 1.0f : -1.0f), l1), _mm_cmpgt_ps(l1, zero));
    const __m128 ea = _mm_mul_ps(_mm_sub_ps(zero, ey), scale), eb = _mm_mul_ps(ex, scale);
    const __m128 ec = _mm_add_ps(_mm_sub_ps(_mm_mul_ps(_mm_add_ps(ea, eb), half), _mm_add_ps(_mm_mul_ps(ea, rx), _mm_mul_ps(eb, ry))), half);

    // Coverage of every grid pixel: the overlap along each pair of opposite edges, multiplied.
    const int vectors = (gw + 3) / 4;
    const int columns = vectors * 4;
    alignas(16) float grid[gridSide * gridSide];
    alignas(16) float across[3][4][4];  // edge distance step of each column of each vector
    for (int vi = 0; vi < vectors; ++vi) {
        __m128 col = _mm_setr_ps(static_cast<float>(4 * vi), static_cast<float>(4 * vi + 1),
                                 static_cast<float>(4 * vi + 2), static_cast<float>(4 * vi + 3));
        _mm_store_ps(across[vi][0], _mm_mul_ps(_mm_shuffle_ps(ea, ea, 0x00), col));
        _mm_store_ps(across[vi][1], _mm_mul_ps(_mm_shuffle_ps(ea, ea, 0x55), col));
        _mm_store_ps(across[vi][2], _mm_mul_ps(_mm_shuffle_ps(ea, ea, 0xAA), col));
        _mm_store_ps(across[vi][3], _mm_mul_ps(_mm_shuffle_ps(ea, ea, 0xFF), col));
    }
    const __m128 leastCovered = _mm_set1_ps(leastCover);
    int rowBits[gridSide];
    __m128 sum = zero;
    int r = 0;
#if RASTER_WIDE_KERNELS
    // Grids of eight columns (the common case) a row in one 256-bit pass; the sum is gathered
    // in the same order as by the loop below.
    if (vectors == 2) {
        const __m256 one8 = _mm256_set1_ps(1.0f), zero8 = _mm256_setzero_ps(), least8 = _mm256_set1_ps(leastCover);
        const __m256 a0 = _mm256_set_m128(_mm_load_ps(across[1][0]), _mm_load_ps(across[0][0]));
        const __m256 a1 = _mm256_set_m128(_mm_load_ps(across[1][1]), _mm_load_ps(across[0][1]));
        const __m256 a2 = _mm256_set_m128(_mm_load_ps(across[1][2]), _mm_load_ps(across[0][2]));
        const __m256 a3 = _mm256_set_m128(_mm_load_ps(across[1][3]), _mm_load_ps(across[0][3]));
        for (; r < gh; ++r) {
            __m128 base = _mm_add_ps(_mm_mul_ps(eb, _mm_set1_ps(static_cast<float>(r))), ec);
            __m256 base2 = _mm256_set_m128(base, base);
            __m256 d0 = _mm256_min_ps(_mm256_add_ps(a0, _mm256_permute_ps(base2, 0x00)), one8);
            __m256 d1 = _mm256_min_ps(_mm256_add_ps(a1, _mm256_permute_ps(base2, 0x55)), one8);
            __m256 d2 = _mm256_min_ps(_mm256_add_ps(a2, _mm256_permute_ps(base2, 0xAA)), one8);
            __m256 d3 = _mm256_min_ps(_mm256_add_ps(a3, _mm256_permute_ps(base2, 0xFF)), one8);
            __m256 cover = _mm256_mul_ps(_mm256_max_ps(_mm256_sub_ps(_mm256_add_ps(d0, d2), one8), zero8),
                                         _mm256_max_ps(_mm256_sub_ps(_mm256_add_ps(d1, d3), one8), zero8));
            _mm256_storeu_ps(grid + r * gridSide, cover);
            sum = _mm_add_ps(_mm_add_ps(sum, _mm256_castps256_ps128(cover)), _mm256_extractf128_ps(cover, 1));
            rowBits[r] = _mm256_movemask_ps(_mm256_cmp_ps(cover, least8, _CMP_GT_OQ));
        }
    }
#endif
    for (; r < gh; ++r) {
        __m128 base = _mm_add_ps(_mm_mul_ps(eb, _mm_set1_ps(static_cast<float>(r))), ec);
        __m128 b0 = _mm_shuffle_ps(base, base, 0x00), b1 = _mm_shuffle_ps(base, base, 0x55);
        __m128 b2 = _mm_shuffle_ps(base, base, 0xAA), b3 = _mm_shuffle_ps(base, base, 0xFF);
        int bits = 0;
        for (int vi = 0; vi < vectors; ++vi) {
            __m128 d0 = _mm_min_ps(_mm_add_ps(_mm_load_ps(across[vi][0]), b0), one);
            __m128 d1 = _mm_min_ps(_mm_add_ps(_mm_load_ps(across[vi][1]), b1), one);
            __m128 d2 = _mm_min_ps(_mm_add_ps(_mm_load_ps(across[vi][2]), b2), one);
            __m128 d3 = _mm_min_ps(_mm_add_ps(_mm_load_ps(across[vi][3]), b3), one);
            __m128 cover = _mm_mul_ps(_mm_max_ps(_mm_sub_ps(_mm_add_ps(d0, d2), one), zero),
                                      _mm_max_ps(_mm_sub_ps(_mm_add_ps(d1, d3), one), zero));
            _mm_store_ps(grid + r * gridSide + 4 * vi, cover);
            sum = _mm_add_ps(sum, cover);
            bits |= _mm_movemask_ps(_mm_cmpgt_ps(cover, leastCovered)) << (4 * vi);
        }
        rowBits[r] = bits;
    }
    float total = sumOf(sum);
    if (!(total > 0.0f)) return true;
    const __m128 norm = _mm_set1_ps(area / total);

    // Blend the covered pixels of each row, two at a time.
#if RASTER_WIDE_KERNELS
    const Wide wide(sampler, mask);
#endif
    int lo = std::clamp(scene.clipX0 - gx, 0, gridSide), hi = std::clamp(scene.clipX1 - gx, 0, gridSide);
    const int clipBits = ((1 << hi) - 1) & ~((1 << lo) - 1);
    for (int r = 0; r < gh; ++r) {
        int py = gy + r;
        int bits = rowBits[r] & clipBits;
        if (!bits || py < scene.clipY0 || py >= scene.clipY1) continue;
        int first = __builtin_ctz(static_cast<unsigned>(bits)), last = 31 - __builtin_clz(static_cast<unsigned>(bits));
        uint32_t* out = pixels + static_cast<size_t>(py) * stride + gx;
        const float* cov = grid + r * gridSide;
        __m128 rowUV = sampler.rowStart(r);
        int k = first;
#if RASTER_WIDE_KERNELS
        // The first two pairs in one pass, the second at zero weight when the row ends with the
        // first, so most rows take no branch that depends on their length. Then four pixels at
        // a time where the two pairs would both be drawn inside the clip.
        if (k + 3 < columns && ((clipBits >> (k + 1)) & 7) == 7) {
            __m128 c4 = _mm_min_ps(_mm_mul_ps(_mm_loadu_ps(cov + k), norm), one);
            __m128i f01, f23;
            pairFactors(tint, c4, f01, f23);
            const __m256i f = _mm256_and_si256(_mm256_set_m128i(f23, f01), keepFirstOfFour(last - k >= 2 ? 4 : 2));
            wide.blend(out + k, wide.sample(wide.at(_mm256_set_m128(rowUV, rowUV), k)), f);
            k += 4;
            if (k > last) continue;
        }
        if (k + 2 <= last) {
            const __m256 rowUV2 = _mm256_set_m128(rowUV, rowUV);
            for (; k + 2 <= last && k + 3 < columns && ((clipBits >> (k + 1)) & 7) == 7; k += 4) {
                __m128 c4 = _mm_min_ps(_mm_mul_ps(_mm_loadu_ps(cov + k), norm), one);
                __m128i f01, f23;
                pairFactors(tint, c4, f01, f23);
                wide.blend(out + k, wide.sample(wide.at(rowUV2, k)), _mm256_set_m128i(f23, f01));
            }
        }
#endif
        for (; k <= last; k += 2) {
            __m128i uvi = sampler.at(rowUV, k);
            if (k + 1 < columns && ((clipBits >> (k + 1)) & 1)) {
                __m128 c2 = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cov + k)));
                c2 = _mm_min_ps(_mm_mul_ps(c2, norm), one);
                __m128i fa = _mm_cvtps_epi32(_mm_mul_ps(tint, _mm_shuffle_ps(c2, c2, 0x00)));
                __m128i fb = _mm_cvtps_epi32(_mm_mul_ps(tint, _mm_shuffle_ps(c2, c2, 0x55)));
                blendPair(out + k, modulate(sampler.pair(uvi), _mm_packs_epi32(fa, fb)), mask);
            } else {
                float cover = std::min(cov[k] * _mm_cvtss_f32(norm), 1.0f);
                blendPixel(out + k, modulate(sampler.single(uvi), factorsToInt(_mm_mul_ps(tint, _mm_set1_ps(cover)))), mask);
            }
        }
    }
    return true;
}

bool quadFront(DrawState& draw, const Quad& quad, QuadFront& front) {
    const RasterScene& scene = draw.scene;
    RasterTexture* tex = quad.texture ? rasterTexture(draw, quad.texture) : &draw.white;
    if (!tex) return false;

    // The corners as vectors, one lane a vertex: the vertex records read four fields at a time
    // (x, y, z, colour and colour, tx, ty, next x; the last read ends at the record's texture
    // field) and turned into columns.
    const QuadVertex* v = quad.v;
    static_assert(offsetof(QuadVertex, colour) == 12 && offsetof(Quad, texture) == 96, "vertex fields read as vectors");
    const float* f = &v[0].x;
    __m128 a0 = _mm_loadu_ps(f), a1 = _mm_loadu_ps(f + 6), a2 = _mm_loadu_ps(f + 12), a3 = _mm_loadu_ps(f + 18);
    __m128 lo01 = _mm_unpacklo_ps(a0, a1), lo23 = _mm_unpacklo_ps(a2, a3);  // x0 x1 y0 y1, x2 x3 y2 y3
    __m128 hi01 = _mm_unpackhi_ps(a0, a1), hi23 = _mm_unpackhi_ps(a2, a3);  // z0 z1 c0 c1, z2 z3 c2 c3
    __m128 xs = _mm_movelh_ps(lo01, lo23), ys = _mm_movehl_ps(lo23, lo01);
    const __m128i colours = _mm_castps_si128(_mm_movehl_ps(hi23, hi01));
    __m128 us = _mm_set1_ps(0.5f), vs = us;
    if (quad.texture) {
        __m128 b0 = _mm_loadu_ps(f + 3), b1 = _mm_loadu_ps(f + 9), b2 = _mm_loadu_ps(f + 15), b3 = _mm_loadu_ps(f + 21);
        __m128 t01 = _mm_unpacklo_ps(b0, b1), t23 = _mm_unpacklo_ps(b2, b3);  // c c tx tx
        __m128 w01 = _mm_unpackhi_ps(b0, b1), w23 = _mm_unpackhi_ps(b2, b3);  // ty ty next next
        us = _mm_movehl_ps(t23, t01);
        vs = _mm_movelh_ps(w01, w23);
    }
    if (scene.transformed) {
        __m128 ax = _mm_mul_ps(_mm_sub_ps(xs, _mm_set1_ps(scene.originX)), _mm_set1_ps(scene.scaleX));
        __m128 ay = _mm_mul_ps(_mm_sub_ps(ys, _mm_set1_ps(scene.originY)), _mm_set1_ps(scene.scaleY));
        if (scene.rotated) {
            __m128 c = _mm_set1_ps(scene.cosR), sn = _mm_set1_ps(scene.sinR);
            __m128 rx = _mm_sub_ps(_mm_mul_ps(ax, c), _mm_mul_ps(ay, sn));
            __m128 ry = _mm_add_ps(_mm_mul_ps(ax, sn), _mm_mul_ps(ay, c));
            ax = rx;
            ay = ry;
        }
        xs = _mm_add_ps(ax, _mm_set1_ps(scene.moveX));
        ys = _mm_add_ps(ay, _mm_set1_ps(scene.moveY));
    }
    // Infinities and NaNs have all exponent bits set.
    const __m128i exponent = _mm_set1_epi32(0x7f800000);
    __m128i bad = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi32(_mm_and_si128(_mm_castps_si128(xs), exponent), exponent),
                     _mm_cmpeq_epi32(_mm_and_si128(_mm_castps_si128(ys), exponent), exponent)),
        _mm_or_si128(_mm_cmpeq_epi32(_mm_and_si128(_mm_castps_si128(us), exponent), exponent),
                     _mm_cmpeq_epi32(_mm_and_si128(_mm_castps_si128(vs), exponent), exponent)));
    if (_mm_movemask_epi8(bad)) return false;
    Corners& q = front.q;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(q.tint), colours);
    q.constantTint = _mm_movemask_epi8(_mm_cmpeq_epi32(colours, _mm_shuffle_epi32(colours, 0))) == 0xFFFF;
    // A fully transparent tint leaves the target as it is in both blend modes.
    if (q.constantTint && (q.tint[0] >> 24) == 0) return false;

    // Bounding box, X and Y at once (lanes 0 and 1) in the order of minOf and maxOf, tested
    // against the clip widened by a pixel.
    const __m128 xyLo = _mm_unpacklo_ps(xs, ys), xyHi = _mm_unpackhi_ps(xs, ys);
    __m128 least = _mm_min_ps(xyLo, xyHi), most = _mm_max_ps(xyLo, xyHi);
    least = _mm_min_ps(least, _mm_movehl_ps(least, least));
    most = _mm_max_ps(most, _mm_movehl_ps(most, most));
    static_assert(offsetof(RasterScene, clipY1) == offsetof(RasterScene, clipX0) + 12, "clip read as a vector");
    const __m128i clip = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&scene.clipX0));
    const __m128 reach = _mm_cvtepi32_ps(_mm_add_epi32(clip, _mm_setr_epi32(-1, -1, 1, 1)));
    const __m128 outside = _mm_or_ps(_mm_cmplt_ps(most, reach), _mm_cmpgt_ps(least, _mm_movehl_ps(reach, reach)));
    if (_mm_movemask_ps(outside) & 3) return false;
    float fxmin = _mm_cvtss_f32(least), fymin = _mm_cvtss_f32(_mm_shuffle_ps(least, least, 0x55));
    float fxmax = _mm_cvtss_f32(most), fymax = _mm_cvtss_f32(_mm_shuffle_ps(most, most, 0x55));
    _mm_storeu_ps(q.x, xs);
    _mm_storeu_ps(q.y, ys);
    _mm_storeu_ps(q.u, us);
    _mm_storeu_ps(q.v, vs);

    __m128i mask = blendMask(quad.blend);
    if (fxmax - fxmin <= smallMaxExtent && fymax - fymin <= smallMaxExtent) {
        if (drawSmallQuad(draw, q, *tex, mask, fxmin, fymin, fxmax, fymax)) return false;
    }
    front.tex = tex;
    front.mask = mask;
    front.xmin = fxmin;
    front.ymin = fymin;
    front.xmax = fxmax;
    front.ymax = fymax;
    return true;
}
