// Model benchmarks: expansion speed through runIteration with the frame budget lifted, and the
// wall time and peak memory of growing whole screens (a five-part screen to 78125 items, a
// two-part screen to the limit of 16777216).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "interaction/frame.h"
#include "model/items.h"
#include "model/iteration.h"
#include "model/screen.h"
#include "platform/platform.h"

namespace {

using namespace orn;

// Shape seeds whose screens have 2, 3, 4 and 5 parts.
int32_t shapeSeedForParts(int parts) {
    static const int32_t seeds[4] = {4, 1, 2, 3};
    return seeds[parts - 2];
}

void buildScreenWithParts(int parts, int32_t itemTarget) {
    platform::setDesktopSize(1920, 1080);
    screenRecipe = ScreenRecipe{shapeSeedForParts(parts), 11, 1000000000, 1000000000, itemTarget, 0.0f};
    resetScreenState();
    buildScreen(31, true);
}

// Grows with the budget lifted until a frame starts nothing.
void growToTheEnd() {
    for (;;) {
        int32_t started = screenModel.generationsStarted;
        runIteration();
        if (screenModel.generationsStarted == started) return;
    }
}

// Resident memory of the process in KiB (peak, current, in huge pages), and a way to start a
// new peak.
long statusKiB(const char* file, const char* key);
long peakKiB() { return statusKiB("/proc/self/status", "VmHWM:"); }
long statusKiB(const char* file, const char* key) {
    std::ifstream status(file);
    std::string line;
    const size_t length = std::strlen(key);
    while (std::getline(status, line)) {
        if (line.compare(0, length, key) == 0) return std::stol(line.substr(length));
    }
    return -1;
}
long residentKiB() { return statusKiB("/proc/self/status", "VmRSS:"); }
// Anonymous memory that the kernel backs with huge pages.
long hugePageKiB() { return statusKiB("/proc/self/smaps_rollup", "AnonHugePages:"); }
void resetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

void releaseAll() {
    releaseBuffer(0);
    releaseBuffer(1);
}

// Whole screens from their first generation: wall time, and the peak memory it adds over what
// was resident before, against the 24 bytes an item of the two buffers need.
void BM_GrowScreen(benchmark::State& state) {
    const int parts = static_cast<int>(state.range(0));
    const int32_t target = static_cast<int32_t>(state.range(1));
    iterationBudgetMs = 1e12;
    double peakMiB = 0, buffersMiB = 0, hugeMiB = 0;
    int32_t items = 0;
    for (auto _ : state) {
        state.PauseTiming();
        releaseAll();
        buildScreenWithParts(parts, target);
        long before = residentKiB();
        resetPeak();
        state.ResumeTiming();
        growToTheEnd();
        state.PauseTiming();
        items = bufferCapacity(1);
        peakMiB = (peakKiB() - before) / 1024.0;
        hugeMiB = hugePageKiB() / 1024.0;
        buffersMiB = (static_cast<double>(bufferCapacity(0)) + bufferCapacity(1)) * sizeof(Item) / (1024.0 * 1024.0);
        state.ResumeTiming();
    }
    state.counters["items"] = items;
    state.counters["peak_added_MiB"] = peakMiB;
    state.counters["two_buffers_MiB"] = buffersMiB;
    state.counters["huge_page_MiB"] = hugeMiB;
    iterationBudgetMs = frameBudgetMs;
    releaseAll();
}
BENCHMARK(BM_GrowScreen)->Args({5, 20000})->Args({2, INT32_MAX})->Unit(benchmark::kMillisecond)->Iterations(1);


// Children per second: one generation expanded again and again in one runIteration call each,
// its arrays already touched, so that the figure is the expansion itself.
void BM_Expansion(benchmark::State& state) {
    const int parts = static_cast<int>(state.range(0));
    const int32_t parentTarget = static_cast<int32_t>(state.range(1));
    iterationBudgetMs = 1e12;
    buildScreenWithParts(parts, parentTarget);
    growToTheEnd();
    // Start the next generation by hand: one more than the target allows.
    screenModel.itemTarget = bufferCapacity(1) + 1;
    runIteration();
    const int32_t children = bufferCapacity(1);
    for (auto _ : state) {
        screenModel.generationsDone = screenModel.generationsStarted - 1;
        expandCursor = 0;
        selectBuffer(1).count = 0;
        runIteration();
        benchmark::DoNotOptimize(selectBuffer(1).maxX);
    }
    state.SetItemsProcessed(state.iterations() * children);
    state.counters["children"] = children;
    iterationBudgetMs = frameBudgetMs;
    releaseAll();
}
BENCHMARK(BM_Expansion)->Args({2, 262144})->Args({5, 78125})->Unit(benchmark::kMillisecond);

// The same, with the program's 20 ms budget read after every parent: what a frame gets done.
void BM_ExpansionWithinFrameBudget(benchmark::State& state) {
    const int parts = static_cast<int>(state.range(0));
    buildScreenWithParts(parts, 78125);
    iterationBudgetMs = 1e12;
    growToTheEnd();
    screenModel.itemTarget = bufferCapacity(1) + 1;
    runIteration();
    iterationBudgetMs = frameBudgetMs;
    int64_t children = 0;
    for (auto _ : state) {
        screenModel.generationsDone = screenModel.generationsStarted - 1;
        expandCursor = 0;
        selectBuffer(1).count = 0;
        frameStopwatch.reset();
        runIteration();
        children += selectBuffer(1).count;
    }
    state.SetItemsProcessed(children);
    state.counters["children_per_frame"] =
        benchmark::Counter(static_cast<double>(children) / static_cast<double>(state.iterations()));
    releaseAll();
}
BENCHMARK(BM_ExpansionWithinFrameBudget)->Arg(2)->Arg(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
