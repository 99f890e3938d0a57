// Drawing one quad. Small quads are done by the kernels of raster_small.cpp; here the rest: a
// straight row composite when a quad copies texels one to one (a target shown at scale 1),
// otherwise a scan of its rows in double precision with bilinear sampling from the mip level
// that matches its size, anti-aliased when it is narrow, with corner tints interpolated.
#include <algorithm>
#include <cmath>

#include "platform/engine/raster_pixels.h"

using namespace raster;

namespace {

constexpr double smoothMaxWidth2 = static_cast<double>(smoothMaxWidth) * smoothMaxWidth;

// A vertex attribute as a plane over the target: value = base + dx * (x - px) + dy * (y - py).
struct Plane {
    double base = 0, dx = 0, dy = 0;
    double at(double x, double y, double px, double py) const { return base + dx * (x - px) + dy * (y - py); }
};

// One edge as a bound on the span of each row: x = ax + (y - ay) * slope, shifted outward by
// pad (half a pixel measured across the edge when anti-aliasing, else 0).
struct EdgeBound {
    double ax, ay, slope, pad;
    bool left;  // the quad lies right of it
};

// Everything the row scan of one quad needs.
struct RasterJob {
    uint32_t* dst;
    size_t dstStride;
    int clipX0, clipX1;
    int rowFrom, rowTo;              // rows to scan
    double rowLow, rowHigh;          // anti-aliased: row centres strictly between these
    EdgeBound edges[4];
    int edgeCount;
    bool smooth;
    double px, py;                   // corner the planes are measured from
    Plane u, v;                      // fixed-point texel-centre coordinates of the level
    __m128 uvLow, uvHigh;            // clamp for them, lanes U, V
    Plane tint[4];                   // factor planes (gradient tints)
    __m128 tintConst;                // constant tint factors
    float distA[4], distB[4];        // anti-aliasing: signed distance = a x + b y + c, inward
    double distC[4];
    Source src;
    __m128i mask;
};

// The span [from, to) of a row: pixel centres inside every edge bound, within the clip.
inline bool rowSpan(const RasterJob& job, double yc, int& from, int& to) {
    if (job.smooth && !(yc > job.rowLow && yc < job.rowHigh)) return false;
    double xl = job.clipX0 - 1.0, xr = job.clipX1 + 1.0;
    for (int i = 0; i < job.edgeCount; ++i) {
        const EdgeBound& e = job.edges[i];
        double x = e.ax + (yc - e.ay) * e.slope;
        if (e.left) {
            x -= e.pad;
            if (x > xl) xl = x;
        } else {
            x += e.pad;
            if (x < xr) xr = x;
        }
    }
    if (!(xl < xr)) return false;
    from = std::max(job.clipX0, static_cast<int>(std::ceil(xl - 0.5)));
    to = std::min(job.clipX1, static_cast<int>(std::ceil(xr - 0.5)));
    return from < to;
}

// How a scan weighs its pixels: hard edges (each covered centre counts fully), coverage from
// the distances to the edges, or coverage gathered beforehand and scaled to the quad's area.
enum class Edges { hard, smooth, gathered };

// Distances to the four edges at a row's first pixel centre, plus half a pixel.
inline __m128 rowDistances(const RasterJob& job, double xc, double yc) {
    alignas(16) float d[4];
    for (int i = 0; i < 4; ++i) d[i] = static_cast<float>(job.distA[i] * xc + job.distB[i] * yc + job.distC[i] + 0.5);
    return _mm_load_ps(d);
}

// Coverage of a pixel (in all four lanes): the overlap along each pair of opposite edges, from
// the distances to them, multiplied.
inline __m128 coverage(__m128 dRow, __m128 dStep, __m128 step) {
    const __m128 one = _mm_set1_ps(1.0f);
    __m128 c = _mm_min_ps(_mm_add_ps(dRow, _mm_mul_ps(dStep, step)), one);
    __m128 pair = _mm_max_ps(_mm_sub_ps(_mm_add_ps(c, _mm_shuffle_ps(c, c, 0x4E)), one), _mm_setzero_ps());
    return _mm_mul_ps(pair, _mm_shuffle_ps(pair, pair, 0xB1));
}

// Coverage of every pixel of the scan, in scan order; the sum, or -1 when they do not fit.
float gatherCoverage(const RasterJob& job, float* cover, int capacity) {
    int count = 0;
    __m128 sum = _mm_setzero_ps();
    const __m128 dStep = _mm_loadu_ps(job.distA);
    for (int row = job.rowFrom; row < job.rowTo; ++row) {
        double yc = row + 0.5;
        int from, to;
        if (!rowSpan(job, yc, from, to)) continue;
        if (to - from > capacity - count) return -1.0f;
        __m128 dRow = rowDistances(job, from + 0.5, yc);
        float fi = 0.0f;
        for (int x = from; x < to; ++x, fi += 1.0f) {
            __m128 c = coverage(dRow, dStep, _mm_set1_ps(fi));
            _mm_store_ss(cover + count++, c);
            sum = _mm_add_ss(sum, c);
        }
    }
    return _mm_cvtss_f32(sum);
}

template <Edges Mode, bool Gradient>
void scanQuad(const RasterJob& job, const float* cover = nullptr, float norm = 1.0f) {
    const __m128 zero = _mm_setzero_ps();
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 full = _mm_set1_ps(256.0f);
    const __m128 scale = _mm_set1_ps(norm);
    const __m128i constFactors = factorsToInt(job.tintConst);
    const __m128 dStep = _mm_loadu_ps(job.distA);
    const __m128 uvStep = _mm_setr_ps(static_cast<float>(job.u.dx), static_cast<float>(job.v.dx), 0.0f, 0.0f);
    __m128 tStep = zero;
    if constexpr (Gradient) {
        tStep = _mm_setr_ps(static_cast<float>(job.tint[0].dx), static_cast<float>(job.tint[1].dx),
                            static_cast<float>(job.tint[2].dx), static_cast<float>(job.tint[3].dx));
    }
    int k = 0;
    for (int row = job.rowFrom; row < job.rowTo; ++row) {
        double yc = row + 0.5;
        int from, to;
        if (!rowSpan(job, yc, from, to)) continue;
        double xc = from + 0.5;
        __m128 uvRow = _mm_setr_ps(static_cast<float>(job.u.at(xc, yc, job.px, job.py)),
                                   static_cast<float>(job.v.at(xc, yc, job.px, job.py)), 0.0f, 0.0f);
        __m128 dRow = zero;
        if constexpr (Mode == Edges::smooth) dRow = rowDistances(job, xc, yc);
        __m128 tRow = job.tintConst;
        if constexpr (Gradient) {
            tRow = _mm_setr_ps(static_cast<float>(job.tint[0].at(xc, yc, job.px, job.py)),
                               static_cast<float>(job.tint[1].at(xc, yc, job.px, job.py)),
                               static_cast<float>(job.tint[2].at(xc, yc, job.px, job.py)),
                               static_cast<float>(job.tint[3].at(xc, yc, job.px, job.py)));
        }
        uint32_t* out = job.dst + static_cast<size_t>(row) * job.dstStride;
        int x = from;
        float fi = 0.0f;
        if constexpr (Mode == Edges::hard && !Gradient) {
            // Whole pixels at one tint: two at a time.
            const __m128 uvRow2 = _mm_shuffle_ps(uvRow, _mm_add_ps(uvRow, uvStep), _MM_SHUFFLE(1, 0, 1, 0));
            const __m128 uvStep2 = _mm_shuffle_ps(uvStep, uvStep, _MM_SHUFFLE(1, 0, 1, 0));
            const __m128 low2 = _mm_shuffle_ps(job.uvLow, job.uvLow, _MM_SHUFFLE(1, 0, 1, 0));
            const __m128 high2 = _mm_shuffle_ps(job.uvHigh, job.uvHigh, _MM_SHUFFLE(1, 0, 1, 0));
            const __m128i factors2 = _mm_unpacklo_epi64(constFactors, constFactors);
            const __m128i rowsOf = strideRows(job.src.stride);
            for (; x + 1 < to; x += 2, fi += 2.0f) {
                __m128 uv = _mm_add_ps(uvRow2, _mm_mul_ps(uvStep2, _mm_set1_ps(fi)));
                __m128i uvi = _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(uv, low2), high2));
                blendPair(out + x, modulate(samplePair(job.src, uvi, rowsOf), factors2), job.mask);
            }
        }
        for (; x < to; ++x, fi += 1.0f) {
            __m128 step = _mm_set1_ps(fi);
            __m128 uv = _mm_add_ps(uvRow, _mm_mul_ps(uvStep, step));
            uv = _mm_min_ps(_mm_max_ps(uv, job.uvLow), job.uvHigh);
            __m128i uvi = _mm_cvtps_epi32(uv);
            int u = _mm_cvtsi128_si32(uvi);
            int v = _mm_cvtsi128_si32(_mm_srli_si128(uvi, 4));
            __m128i colour = sampleBilinear(job.src, u, v);
            __m128i factors = constFactors;
            if constexpr (Mode != Edges::hard || Gradient) {
                __m128 f = tRow;
                if constexpr (Gradient) f = _mm_min_ps(_mm_max_ps(_mm_add_ps(tRow, _mm_mul_ps(tStep, step)), zero), full);
                if constexpr (Mode == Edges::smooth) f = _mm_mul_ps(f, coverage(dRow, dStep, step));
                if constexpr (Mode == Edges::gathered) f = _mm_mul_ps(f, _mm_min_ps(_mm_mul_ps(_mm_load1_ps(cover + k++), scale), one));
                factors = factorsToInt(f);
            }
            blendPixel(out + x, modulate(colour, factors), job.mask);
        }
    }
}

// Texels copied one to one at an integer offset: each row is a straight composite.
void compositeRows(uint32_t* dst, size_t dstStride, const Source& src, int x0, int y0, int x1, int y1, int ox,
                   int oy, __m128i factors4, bool white, __m128i mask4) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i round = _mm_set1_epi16(128);
    const __m128i full = _mm_set1_epi16(256);
    __m128i factors = _mm_unpacklo_epi64(factors4, factors4);
    __m128i mask = _mm_unpacklo_epi64(mask4, mask4);
    for (int y = y0; y < y1; ++y) {
        uint32_t* out = dst + static_cast<size_t>(y) * dstStride;
        const uint32_t* in = src.texels + static_cast<size_t>(y + oy) * static_cast<size_t>(src.stride) + ox;
        int x = x0;
        for (; x + 2 <= x1; x += 2) {
            __m128i s = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + x)), zero);
            if (!white) s = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(s, factors), round), 8);
            __m128i sa = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
            sa = _mm_add_epi16(sa, _mm_srli_epi16(sa, 7));
            __m128i keep = _mm_sub_epi16(full, _mm_and_si128(sa, mask));
            __m128i d = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(out + x)), zero);
            d = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(d, keep), round), 8);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(_mm_add_epi16(s, d), zero));
        }
        for (; x < x1; ++x) {
            __m128i s = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(in[x])), zero);
            blendPixel(out + x, modulate(s, factors4), mask4);
        }
    }
}

// Tries the one-to-one copy: an axis-aligned quad on whole pixels whose texels land exactly
// on pixel centres, inside the texture. False when the general scan is needed.
bool tryComposite(DrawState& draw, const Corners& q, RasterTexture& tex, const RasterJob& job, __m128i factors,
                  bool white) {
    const RasterScene& scene = draw.scene;
    float xmin = std::min({q.x[0], q.x[1], q.x[2], q.x[3]}), xmax = std::max({q.x[0], q.x[1], q.x[2], q.x[3]});
    float ymin = std::min({q.y[0], q.y[1], q.y[2], q.y[3]}), ymax = std::max({q.y[0], q.y[1], q.y[2], q.y[3]});
    for (int i = 0; i < 4; ++i) {
        if ((q.x[i] != xmin && q.x[i] != xmax) || (q.y[i] != ymin && q.y[i] != ymax)) return false;
    }
    if (xmin != std::floor(xmin) || ymin != std::floor(ymin) || xmax != std::floor(xmax) || ymax != std::floor(ymax))
        return false;
    if (std::fabs(job.u.dx - fracOne) > 1e-3 || std::fabs(job.v.dy - fracOne) > 1e-3 || std::fabs(job.u.dy) > 1e-3 ||
        std::fabs(job.v.dx) > 1e-3)
        return false;
    double u0 = job.u.at(xmin + 0.5, ymin + 0.5, job.px, job.py) / fracOne;
    double v0 = job.v.at(xmin + 0.5, ymin + 0.5, job.px, job.py) / fracOne;
    double ru = std::nearbyint(u0), rv = std::nearbyint(v0);
    if (std::fabs(u0 - ru) > 1e-3 || std::fabs(v0 - rv) > 1e-3) return false;
    double w = xmax - xmin, h = ymax - ymin;
    // Every texel read must lie inside the clamp the general scan would apply.
    float lowU = _mm_cvtss_f32(job.uvLow) / fracOne, highU = _mm_cvtss_f32(job.uvHigh) / fracOne;
    float lowV = _mm_cvtss_f32(_mm_shuffle_ps(job.uvLow, job.uvLow, 1)) / fracOne;
    float highV = _mm_cvtss_f32(_mm_shuffle_ps(job.uvHigh, job.uvHigh, 1)) / fracOne;
    if (ru < lowU || ru + w - 1 > highU || rv < lowV || rv + h - 1 > highV) return false;
    if (ru < 0 || rv < 0 || ru + w > tex.width || rv + h > tex.height) return false;
    int x0 = std::max(scene.clipX0, static_cast<int>(std::max<double>(xmin, scene.clipX0 - 1.0)));
    int x1 = std::min(scene.clipX1, static_cast<int>(std::min<double>(xmax, scene.clipX1 + 1.0)));
    int y0 = std::max(scene.clipY0, static_cast<int>(std::max<double>(ymin, scene.clipY0 - 1.0)));
    int y1 = std::min(scene.clipY1, static_cast<int>(std::min<double>(ymax, scene.clipY1 + 1.0)));
    if (x0 >= x1 || y0 >= y1) return true;
    int ox = static_cast<int>(ru - xmin), oy = static_cast<int>(rv - ymin);
    compositeRows(job.dst, job.dstStride, Source{tex.level(0), tex.width}, x0, y0, x1, y1, ox, oy, factors, white,
                  job.mask);
    return true;
}

Plane planeFrom(const double* values, int c, int n1, int n2, double e1x, double e1y, double e2x, double e2y,
                double det) {
    double d1 = values[n1] - values[c], d2 = values[n2] - values[c];
    Plane p;
    p.base = values[c];
    p.dx = (d1 * e2y - d2 * e1y) / det;
    p.dy = (d2 * e1x - d1 * e2x) / det;
    return p;
}

}  // namespace

void rasterDrawQuad(DrawState& draw, const Quad& quad) {
    const RasterScene& scene = draw.scene;
    RasterTexture* surface = scene.surface;
    if (!surface || scene.clipX0 >= scene.clipX1 || scene.clipY0 >= scene.clipY1) return;
    QuadFront front;
    if (!quadFront(draw, quad, front)) return;
    const Corners& q = front.q;
    RasterTexture* tex = front.tex;
    __m128i mask = front.mask;
    double xmin = front.xmin, xmax = front.xmax, ymin = front.ymin, ymax = front.ymax;

    double x[4], y[4];
    for (int i = 0; i < 4; ++i) {
        x[i] = q.x[i];
        y[i] = q.y[i];
    }
    double area2 = 0, maxEdge2 = 0;
    for (int i = 0; i < 4; ++i) {
        int j = (i + 1) & 3;
        area2 += x[i] * y[j] - x[j] * y[i];
        maxEdge2 = std::max(maxEdge2, (x[j] - x[i]) * (x[j] - x[i]) + (y[j] - y[i]) * (y[j] - y[i]));
    }
    if (!(std::fabs(area2) > 0.0)) return;

    // Texture coordinates and tints as planes, solved on the better-conditioned corner.
    double cross0 = (x[1] - x[0]) * (y[3] - y[0]) - (y[1] - y[0]) * (x[3] - x[0]);
    double cross2 = (x[3] - x[2]) * (y[1] - y[2]) - (y[3] - y[2]) * (x[1] - x[2]);
    int c = std::fabs(cross0) >= std::fabs(cross2) ? 0 : 2;
    int n1 = c == 0 ? 1 : 3, n2 = c == 0 ? 3 : 1;
    double e1x = x[n1] - x[c], e1y = y[n1] - y[c], e2x = x[n2] - x[c], e2y = y[n2] - y[c];
    double det = e1x * e2y - e1y * e2x;
    if (!(std::fabs(det) > 0.0)) return;

    double uf[4], vf[4];
    for (int i = 0; i < 4; ++i) {
        uf[i] = q.u[i];
        vf[i] = q.v[i];
    }
    Plane ufrac = planeFrom(uf, c, n1, n2, e1x, e1y, e2x, e2y, det);
    Plane vfrac = planeFrom(vf, c, n1, n2, e1x, e1y, e2x, e2y, det);
    double tw = tex->width, th = tex->height;
    double rho2 = std::max(ufrac.dx * ufrac.dx * tw * tw + vfrac.dx * vfrac.dx * th * th,
                           ufrac.dy * ufrac.dy * tw * tw + vfrac.dy * vfrac.dy * th * th);
    int level = levelForRho2(rho2, tex->levelCount);
    if (level > 0) rasterPrepareMips(draw, *tex);
    const RasterLevel& lv = tex->levels[level];
    double lw = lv.width, lh = lv.height;

    RasterJob job;
    job.dst = surface->level(0);
    job.dstStride = static_cast<size_t>(surface->width);
    job.clipX0 = scene.clipX0;
    job.clipX1 = scene.clipX1;
    job.px = x[c];
    job.py = y[c];
    // Fixed-point coordinates measured from texel centres of the level.
    job.u = Plane{(ufrac.base * lw - 0.5) * fracOne, ufrac.dx * lw * fracOne, ufrac.dy * lw * fracOne};
    job.v = Plane{(vfrac.base * lh - 0.5) * fracOne, vfrac.dx * lh * fracOne, vfrac.dy * lh * fracOne};
    // Samples stay within the quad's texture rectangle, so nothing bleeds in from beside it.
    double umin = std::min({uf[0], uf[1], uf[2], uf[3]}) * lw, umax = std::max({uf[0], uf[1], uf[2], uf[3]}) * lw;
    double vmin = std::min({vf[0], vf[1], vf[2], vf[3]}) * lh, vmax = std::max({vf[0], vf[1], vf[2], vf[3]}) * lh;
    double lowU = std::max(0.0, umin), highU = std::min(lw - 1.0, umax - 1.0);
    double lowV = std::max(0.0, vmin), highV = std::min(lh - 1.0, vmax - 1.0);
    if (lowU > highU) lowU = highU = std::clamp((umin + umax) * 0.5 - 0.5, 0.0, lw - 1.0);
    if (lowV > highV) lowV = highV = std::clamp((vmin + vmax) * 0.5 - 0.5, 0.0, lh - 1.0);
    job.uvLow = _mm_setr_ps(static_cast<float>(lowU * fracOne), static_cast<float>(lowV * fracOne), 0.0f, 0.0f);
    job.uvHigh = _mm_setr_ps(static_cast<float>(highU * fracOne), static_cast<float>(highV * fracOne), 0.0f, 0.0f);
    job.src = Source{tex->level(level), lv.width};
    job.mask = mask;

    job.tintConst = tintFactors(q.tint[0]);
    if (!q.constantTint) {
        double f[4][4];
        for (int i = 0; i < 4; ++i) {
            alignas(16) float t[4];
            _mm_store_ps(t, tintFactors(q.tint[i]));
            for (int ch = 0; ch < 4; ++ch) f[ch][i] = t[ch];
        }
        for (int ch = 0; ch < 4; ++ch) job.tint[ch] = planeFrom(f[ch], c, n1, n2, e1x, e1y, e2x, e2y, det);
    }

    // Narrow quads are anti-aliased: width = area / longest edge.
    job.smooth = area2 * area2 * 0.25 < smoothMaxWidth2 * maxEdge2;
    if (!job.smooth && q.constantTint && level == 0) {
        __m128i factors = factorsToInt(job.tintConst);
        bool white = q.tint[0] == 0xFFFFFFFFu;
        if (tryComposite(draw, q, *tex, job, factors, white)) return;
    }

    double cx = (x[0] + x[1] + x[2] + x[3]) * 0.25, cy = (y[0] + y[1] + y[2] + y[3]) * 0.25;
    job.edgeCount = 0;
    job.rowLow = ymin - 0.5;
    job.rowHigh = ymax + 0.5;
    for (int i = 0; i < 4; ++i) {
        int j = (i + 1) & 3;
        double dx = x[j] - x[i], dy = y[j] - y[i];
        if (job.smooth) {
            // Distance to the edge's line, positive inside, measured in the pixel's own width
            // across the edge (|cos| + |sin| of the edge's angle): a pixel is half covered on
            // the line and fully covered half that width inside.
            double l1 = std::fabs(dx) + std::fabs(dy);
            double a = l1 > 0 ? -dy / l1 : 0.0, b = l1 > 0 ? dx / l1 : 0.0;
            double cc = -(a * x[i] + b * y[i]);
            if (a * cx + b * cy + cc < 0) {
                a = -a;
                b = -b;
                cc = -cc;
            }
            job.distA[i] = static_cast<float>(a);
            job.distB[i] = static_cast<float>(b);
            job.distC[i] = cc;
        }
        if (dy == 0.0) continue;
        // The same two vertices give the same bound in both quads that share them.
        bool down = dy > 0;
        double ax = down ? x[i] : x[j], ay = down ? y[i] : y[j];
        double slope = down ? dx / dy : -dx / -dy;
        EdgeBound& e = job.edges[job.edgeCount++];
        e.ax = ax;
        e.ay = ay;
        e.slope = slope;
        e.pad = job.smooth ? 0.5 * (std::fabs(dx) + std::fabs(dy)) / std::fabs(dy) : 0.0;
        e.left = cx > ax + (cy - ay) * slope;
    }
    if (job.smooth) {
        for (int i = 0; i < 4; ++i) {
            int j = (i + 1) & 3;
            if (y[i] != y[j]) continue;
            // A horizontal edge bounds the rows half a pixel beyond it.
            if (cy > y[i]) job.rowLow = std::max(job.rowLow, y[i] - 0.5);
            else job.rowHigh = std::min(job.rowHigh, y[i] + 0.5);
        }
        job.rowFrom = static_cast<int>(std::floor(std::max(ymin - 1.0, scene.clipY0 - 1.0)));
        job.rowTo = static_cast<int>(std::ceil(std::min(ymax + 1.0, scene.clipY1 + 1.0)));
    } else {
        job.rowFrom = static_cast<int>(std::ceil(std::max(ymin, scene.clipY0 - 1.0) - 0.5));
        job.rowTo = static_cast<int>(std::ceil(std::min(ymax, scene.clipY1 + 1.0) - 0.5));
    }
    job.rowFrom = std::max(job.rowFrom, scene.clipY0);
    job.rowTo = std::min(job.rowTo, scene.clipY1);

    if (!job.smooth) {
        if (q.constantTint) scanQuad<Edges::hard, false>(job);
        else scanQuad<Edges::hard, true>(job);
        return;
    }
    // A small quad wholly inside the clip gets its coverage scaled to its exact area, so its
    // brightness does not flicker with its sub-pixel position and turn.
    constexpr int gatherCapacity = 1024;
    bool inside = xmin - 2 >= scene.clipX0 && xmax + 2 <= scene.clipX1 && ymin - 2 >= scene.clipY0 &&
                  ymax + 2 <= scene.clipY1;
    if (inside && (xmax - xmin + 3) * (ymax - ymin + 3) <= gatherCapacity) {
        alignas(16) float cover[gatherCapacity];
        float sum = gatherCoverage(job, cover, gatherCapacity);
        if (sum > 0.0f) {
            float norm = static_cast<float>(std::fabs(area2) * 0.5 / sum);
            if (q.constantTint) scanQuad<Edges::gathered, false>(job, cover, norm);
            else scanQuad<Edges::gathered, true>(job, cover, norm);
            return;
        }
    }
    if (q.constantTint) scanQuad<Edges::smooth, false>(job);
    else scanQuad<Edges::smooth, true>(job);
}
