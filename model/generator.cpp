// The seeded generator behind every screen's shape, mutations and colours, and randomBelow.
#include "model/generator.h"

#include "platform/platform.h"

namespace orn {

SeededGenerator shapeGenerator;
SeededGenerator mutationGenerator;
SeededGenerator colourGenerator;

namespace {
constexpr uint32_t multiplier = 2879;
constexpr int32_t modulus = 1000000021;
}  // namespace

int32_t SeededGenerator::draw(int32_t n) {
    if (n < 0) {
        // Negation in unsigned arithmetic: the most negative seed wraps onto itself.
        state = static_cast<int32_t>(0u - static_cast<uint32_t>(n));
        return n;
    }
    if (n == 0) return state;
    // The bound plus one in 64 bits gives the wrapped 32-bit remainder for every state.
    int32_t result = static_cast<int32_t>(state % (static_cast<int64_t>(n) + 1));
    // Saved screens depend on the 32-bit wrap of the product and of its absolute value.
    int32_t product = static_cast<int32_t>(static_cast<uint32_t>(state) * multiplier);
    uint32_t magnitude = product < 0 ? 0u - static_cast<uint32_t>(product) : static_cast<uint32_t>(product);
    state = static_cast<int32_t>(magnitude) % modulus + 1;
    return result;
}

int32_t randomBelow(int32_t n) {
    if (n == 0) return 0;
    return platform::randomValue() % n;
}

}  // namespace orn
