// The seeded generator whose whole state is one integer, so that a screen's recipe of seeds
// rebuilds the same screen on every run; and randomBelow over the runtime random source.
#pragma once

#include <cstdint>

namespace orn {

class SeededGenerator {
public:
    // n < 0 seeds with -n and returns n; n = 0 peeks at the state; n > 0 draws 0..n and advances.
    int32_t draw(int32_t n);
    int32_t state = 0;
};

extern SeededGenerator shapeGenerator;
extern SeededGenerator mutationGenerator;
extern SeededGenerator colourGenerator;

// r mod n with r from the runtime random source; 0 for n = 0.
int32_t randomBelow(int32_t n);

}  // namespace orn
