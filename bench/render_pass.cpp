// The render pass on the headless engine with the real assets:
// - NewScreenToPicture: from pressing N to the picture complete (growth stopped at the item
//   target and drawCursor at the newest generation's count) for five-part screens, frames and wall time, medians over 20 seeds;
// - PaintItems: items painted per second by the render pass with its budget lifted, on a grown
//   five-part screen whose items are painted a pixel or two wide.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
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
#include "saved/saved_file.h"

namespace {

using namespace orn;

// The program as start-up leaves it, once per process.
bool startProgram() {
    static bool started = false;
    if (started) return true;
    platform::setProgramDirectory(ORN_BIN_DIR);
    platform::setDesktopSize(1920, 1080);
    programDirectory = ORN_BIN_DIR;
    hgeUseHeadless(true);
    engine = hgeCreate(HGE_VERSION);
    if (!engine) return false;
    engine->setCallback(HGE_FRAMEFUNC, frameFunction);
    engine->setCallback(HGE_RENDERFUNC, renderFunction);
    engine->setFlag(HGE_WINDOWED, true);
    engine->setNumber(HGE_SCREENWIDTH, 960);
    engine->setNumber(HGE_SCREENHEIGHT, 960);
    engine->setNumber(HGE_SCREENBPP, 32);
    engine->setNumber(HGE_FPS, framesPerSecond);
    if (!engine->initiate()) return false;
    savedScreens = new StringList(false, true, true, true);
    registry = new VOXA();
    engine->attachPack("Graphics.paq");
    if (loadGraphics()) return false;
    engine->attachPack("Sound.paq");
    if (loadSounds()) return false;
    createRenderTargets();
    resetScreenState();
    buildScreen(127, false);
    started = true;
    return true;
}

void frame() {
    frameFunction();
    renderFunction();
    hgeHeadlessEndFrame();
}

// Seeds of the runtime random source whose N builds a five-part screen.
std::vector<uint32_t> fivePartSeeds(int wanted) {
    std::vector<uint32_t> seeds;
    for (uint32_t seed = 1; static_cast<int>(seeds.size()) < wanted; ++seed) {
        platform::seedRandom(seed);
        resetScreenState();
        buildScreen(127, false);
        if (screenModel.partCount == 5) seeds.push_back(seed);
    }
    return seeds;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

void NewScreenToPicture(benchmark::State& state) {
    if (!startProgram()) {
        state.SkipWithError("cannot start the headless program");
        return;
    }
    const std::vector<uint32_t> seeds = fivePartSeeds(20);
    std::vector<double> frameCounts, milliseconds;
    for (auto _ : state) {
        frameCounts.clear();
        milliseconds.clear();
        for (uint32_t seed : seeds) {
            for (int i = 0; i < 40; ++i) frame();  // past any lock-out
            platform::seedRandom(seed);
            const auto start = std::chrono::steady_clock::now();
            hgeHeadlessKey(KEY_N, true);
            frame();
            hgeHeadlessKey(KEY_N, false);
            if (screenModel.partCount != 5) {
                state.SkipWithError("N did not build the five-part screen of its seed");
                return;
            }
            // Complete: growth has stopped and the whole newest generation is painted.
            auto complete = [] {
                return screenModel.generationsDone >= screenModel.generationsStarted &&
                       bufferCapacity(1) >= screenModel.itemTarget && drawCursor >= selectBuffer(1).count;
            };
            int frames = 1;
            while (!complete() && frames < 5000) {
                frame();
                ++frames;
            }
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            frameCounts.push_back(frames);
            milliseconds.push_back(ms);
        }
    }
    state.counters["frames_median"] = median(frameCounts);
    state.counters["wall_ms_median"] = median(milliseconds);
    state.counters["paced_ms_median"] = median(frameCounts) * secondsPerFrame * 1000.0;
}
BENCHMARK(NewScreenToPicture)->Iterations(1)->Unit(benchmark::kMillisecond);

void PaintItems(benchmark::State& state) {
    if (!startProgram()) {
        state.SkipWithError("cannot start the headless program");
        return;
    }
    // A five-part screen grown to 5^8 items, fitted as the gallery fits it.
    const std::vector<uint32_t> seeds = fivePartSeeds(1);
    platform::seedRandom(seeds[0]);
    resetScreenState();
    buildScreen(127, false);
    screenModel.itemTarget = 390625;
    while (bufferCapacity(1) < screenModel.itemTarget ||
           screenModel.generationsDone < screenModel.generationsStarted) {
        frameStopwatch.reset();
        runIteration();
    }
    galleryFirst = 0;
    fitView();
    galleryFirst = -1;
    applyViewInput(0, 0);
    const int32_t count = selectBuffer(1).count;
    // How wide the items land on the target, in pixels.
    double width = 0;
    for (int32_t i = 0; i < count; ++i) {
        const Item& item = itemAt(1, i);
        VOXA_GRAPHICS* graphic = registry->graphicAt(item.sprite);
        if (graphic) width += graphic->sprite->sourceWidth * item.scale * screenModel.partScale * screenModel.viewZoom;
    }

    paintBudget = noBudget;
    for (auto _ : state) {
        drawCursor = 0;
        renderFunction();
        benchmark::DoNotOptimize(drawCursor);
    }
    paintBudget = paintBudgetMs;
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(count));
    state.counters["items"] = count;
    state.counters["mean_px"] = width / count;
}
BENCHMARK(PaintItems)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
