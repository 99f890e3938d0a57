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

// Role 0: the parent generation; role 1: the newest generation.
ItemBuffer& selectBuffer(int role);
void releaseBuffer(int role);
// False (and the buffer released, capacity 0) when the array cannot be had.
bool allocateBuffer(int role, int32_t n);
void appendItem(int role, float x, float y, int32_t sprite, float angle, float scale, int32_t colour);
int32_t bufferCapacity(int role);
Item& itemAt(int role, int32_t i);

void resetScreenState();

}  // namespace orn
