// TIX: interval measurement over the platform's high-resolution counter.
#include "primitives/stopwatch.h"

#include "platform/platform.h"

namespace orn {

TIX::TIX() : frequency(platform::counterFrequency()), startCount(0), stopCount(0), totalMicros(0), intervalCount(0) {
    reset();
}

void TIX::reset() {
    mark(true);
    totalMicros = 0;
    intervalCount = 0;
}

void TIX::mark(bool start) {
    if (start) {
        startCount = platform::counterValue();
        stopCount = startCount;
        return;
    }
    // A stop leaves the start alone, so each reading is the time since the last start.
    stopCount = platform::counterValue();
    totalMicros += elapsed(0);
    intervalCount += 1;
}

double TIX::elapsed(int unit) const {
    // A counter without a frequency measures nothing; 0 keeps the budgets from dividing by it.
    if (frequency == 0) return 0.0;
    const int64_t ticks = stopCount - startCount;
    const double micros = static_cast<double>(ticks) * 1000000.0 / static_cast<double>(frequency);
    if (unit == 0) return micros;
    const double millis = micros * 0.001;
    if (unit == 1) return millis;
    const double seconds = millis * 0.001;
    return seconds;
}

}  // namespace orn
