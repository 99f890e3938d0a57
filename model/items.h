// The two item buffers (parent generation and newest generation) and the reset that precedes
// every screen build.
#pragma once

#include <cstdint>

namespace orn {

struct Item {
    int32_t sprite;  // index of the graphic in the registry
    float x, y;      // world position
    float angle;     // radians, not reduced
    float scale;     // size factor (times partScale when painted)
    int32_t colour;  // palette index 0..255
};
static_assert(sizeof(Item) == 24, "items are packed 24 bytes each");

struct ItemBuffer {
    int32_t count;     // items appended so far
    int32_t capacity;  // items the array holds
    Item* items;       // owned, null when capacity is 0
    float minScale, maxScale;
    float minX, maxX;
    float minY, maxY;
};

extern ItemBuffer itemBuffers[2];
extern int32_t activeBuffer;  // index of the buffer holding the parent generation

// Largest item array, in bytes, the buffers may request; a larger request fails as if memory
// were exhausted. Unlimited by default; tests lower it to exercise the failure path.
extern int64_t itemArrayLimitBytes;

// Role 0: the parent generation; role 1: the newest generation.
ItemBuffer& selectBuffer(int role);
void releaseBuffer(int role);
// False (and the buffer released, capacity 0) when the array cannot be had.
bool allocateBuffer(int role, int32_t n);
void appendItem(int role, float x, float y, int32_t sprite, float angle, float scale, int32_t colour);
int32_t bufferCapacity(int role);
Item& itemAt(int role, int32_t i);

// The array behind allocateBuffer, for callers that must know it can be had before they change
// anything: null when it cannot (n = 0 also gives null, and needs no array). Big arrays are
// mapped in huge pages so that filling them does not stall on page faults.
Item* newItemArray(int32_t n);
void freeItemArray(Item* items, int32_t n);
// Releases the role's buffer and hands it an array from newItemArray of n items (count 0).
void adoptItemArray(int role, Item* items, int32_t n);

// Widens the bounds for a value appended to a buffer that held `count` items before; the
// comparisons are written so that a value that is not a number always lands in the bounds.
inline void widenBounds(float& low, float& high, float v, int32_t count) {
    low = (count != 0 && v >= low) ? low : v;
    high = (count != 0 && v <= high) ? high : v;
}

void resetScreenState();

}  // namespace orn
