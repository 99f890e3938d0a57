// The software rasterizer on one core:
// - TinyQuads: quads 0.5 to 4 pixels across, turned, tinted, half of them additive, from 16
//   soft textures of 128x128 with mip chains, into a 960x960 target; quads per second.
// - Quads64: the same at 64 pixels across; pixels (of quad area) per second.
// - TargetToScreen: a 960x960 target drawn onto the screen one to one, as every frame does.
// - TargetQuarter: the same target drawn at a quarter after it changed (its mips rebuilt), as
//   the gallery does.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "platform/engine/raster.h"

namespace {

struct Lcg {
    uint32_t state;
    uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    float unit() { return static_cast<float>(next() & 0xFFFF) / 65536.0f; }
};

// Sixteen soft shapes: white blobs and rings with alpha falling off toward the edge.
std::vector<HTEXTURE> softTextures(DrawState& draw) {
    std::vector<HTEXTURE> textures;
    const int side = 128;
    std::vector<uint8_t> rgba(side * side * 4);
    for (int k = 0; k < 16; ++k) {
        float ring = static_cast<float>(k % 4) * 0.2f;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                float dx = (x + 0.5f) / side * 2 - 1, dy = (y + 0.5f) / side * 2 - 1;
                float r = std::sqrt(dx * dx + dy * dy);
                float a = std::fmax(0.0f, 1.0f - std::fabs(r - ring) * (1.5f + k * 0.1f));
                uint8_t* p = &rgba[(y * side + x) * 4];
                p[0] = p[1] = p[2] = static_cast<uint8_t>(255 - k * 4);
                p[3] = static_cast<uint8_t>(a * 255);
            }
        }
        textures.push_back(rasterTextureFromRgba(draw, side, side, rgba.data(), true));
    }
    return textures;
}

// Turned, tinted squares of sides in [minSide, maxSide] over a 960x960 target.
std::vector<Quad> scatter(const std::vector<HTEXTURE>& textures, int count, float minSide, float maxSide) {
    std::vector<Quad> quads(count);
    Lcg rng{2024};
    for (Quad& q : quads) {
        float side = minSide + (maxSide - minSide) * rng.unit();
        float angle = 6.2831853f * rng.unit();
        float cx = 960 * rng.unit(), cy = 960 * rng.unit();
        float c = std::cos(angle) * side * 0.5f, s = std::sin(angle) * side * 0.5f;
        uint32_t tint = 0xFF000000u | (rng.next() & 0xFFFFFFu);
        const float ax[4] = {-1, 1, 1, -1}, ay[4] = {-1, -1, 1, 1}, us[4] = {0, 1, 1, 0}, vs[4] = {0, 0, 1, 1};
        for (int i = 0; i < 4; ++i)
            q.v[i] = QuadVertex{cx + ax[i] * c - ay[i] * s, cy + ax[i] * s + ay[i] * c, 0.5f, tint, us[i], vs[i]};
        q.texture = textures[rng.next() % textures.size()];
        q.blend = (rng.next() & 1) ? BLEND_ALPHA : BLEND_ADD;
    }
    return quads;
}

void drawQuads(benchmark::State& state, float minSide, float maxSide, int count, bool countPixels) {
    DrawState draw;
    rasterInit(draw);
    std::vector<HTEXTURE> textures = softTextures(draw);
    std::vector<Quad> quads = scatter(textures, count, minSide, maxSide);
    HTARGET target = rasterCreateTarget(draw, 960, 960);
    rasterBeginScene(draw, target);
    rasterClear(draw, 0);
    for (auto _ : state) {
        for (const Quad& q : quads) rasterDrawQuad(draw, q);
        benchmark::ClobberMemory();
    }
    rasterEndScene(draw);
    double area = 0;
    for (const Quad& q : quads) {
        double dx = q.v[1].x - q.v[0].x, dy = q.v[1].y - q.v[0].y;
        area += dx * dx + dy * dy;
    }
    auto iterations = static_cast<double>(state.iterations());
    state.counters["quads/s"] = benchmark::Counter(count * iterations, benchmark::Counter::kIsRate);
    if (countPixels)
        state.counters["Mpixel/s"] = benchmark::Counter(area * iterations / 1e6, benchmark::Counter::kIsRate);
}

void TinyQuads(benchmark::State& state) { drawQuads(state, 0.5f, 4.0f, 100000, false); }
BENCHMARK(TinyQuads)->Unit(benchmark::kMillisecond);

// The tiny quads by size band (tenths of a pixel), to see which path costs what: splats under
// 1.5, anti-aliased under 2.5, hard-edged above.
void TinyQuadsBand(benchmark::State& state) {
    drawQuads(state, static_cast<float>(state.range(0)) / 10.0f, static_cast<float>(state.range(1)) / 10.0f, 100000, false);
}
BENCHMARK(TinyQuadsBand)->Args({5, 15})->Args({15, 25})->Args({25, 40})->Unit(benchmark::kMillisecond);

void Quads64(benchmark::State& state) { drawQuads(state, 64.0f, 64.0f, 500, true); }
BENCHMARK(Quads64)->Unit(benchmark::kMillisecond);

// A picture of a few thousand sprites in a 960x960 target, and the screen it is shown on.
struct Picture {
    DrawState draw;
    HTARGET target = 0;
    Quad view{};
    Picture() {
        rasterInit(draw);
        rasterSetScreen(draw, 960, 960);
        std::vector<HTEXTURE> textures = softTextures(draw);
        target = rasterCreateTarget(draw, 960, 960);
        rasterBeginScene(draw, target);
        rasterClear(draw, 0);
        for (const Quad& q : scatter(textures, 5000, 2, 40)) rasterDrawQuad(draw, q);
        rasterEndScene(draw);
        const float xs[4] = {0, 960, 960, 0}, ys[4] = {0, 0, 960, 960}, us[4] = {0, 1, 1, 0}, vs[4] = {0, 0, 1, 1};
        for (int i = 0; i < 4; ++i) view.v[i] = QuadVertex{xs[i], ys[i], 0.5f, 0xFFFFFFFF, us[i], vs[i]};
        view.texture = rasterTargetTexture(draw, target);
        view.blend = BLEND_ALPHA;
    }
};

void TargetToScreen(benchmark::State& state) {
    Picture picture;
    for (auto _ : state) {
        rasterBeginScene(picture.draw, 0);
        rasterClear(picture.draw, 0);
        rasterDrawQuad(picture.draw, picture.view);
        rasterEndScene(picture.draw);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(TargetToScreen)->Unit(benchmark::kMillisecond);

void TargetQuarter(benchmark::State& state) {
    Picture picture;
    Quad thumb = picture.view;
    for (int i = 0; i < 4; ++i) {
        thumb.v[i].x *= 0.25f;
        thumb.v[i].y *= 0.25f;
    }
    for (auto _ : state) {
        // The picture changed since it was last drawn small: its mips are rebuilt.
        rasterBeginScene(picture.draw, picture.target);
        rasterEndScene(picture.draw);
        rasterBeginScene(picture.draw, 0);
        rasterDrawQuad(picture.draw, thumb);
        rasterEndScene(picture.draw);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(TargetQuarter)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
