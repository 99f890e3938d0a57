// TIX: measures wall-clock intervals with the high-resolution counter, for the per-frame
// time budgets of the iteration and the painting.
#pragma once

#include <cstdint>

namespace orn {

class TIX {
public:
    TIX();
    void reset();
    // true starts a measurement; false ends it and adds the interval to the total.
    void mark(bool start);
    // The last measured interval: unit 0 microseconds, 1 milliseconds, other seconds.
    double elapsed(int unit) const;

    int64_t frequency;      // counter ticks per second
    int64_t startCount;     // counter at the last start
    int64_t stopCount;      // counter at the last stop
    double totalMicros;     // sum of the intervals since reset
    double intervalCount;   // stops since reset
};

}  // namespace orn
