// The double buffer of item generations, addressed by role through activeBuffer, and the reset
// that runs before every screen build.
#include "model/items.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

#include "interaction/frame.h"
#include "registry/owning_lists.h"
#include "registry/registry.h"
#include "model/screen.h"

namespace orn {

ItemBuffer itemBuffers[2] = {};
int32_t activeBuffer = 0;
int64_t itemArrayLimitBytes = INT64_MAX;

namespace {

// Arrays from this size on are mapped, 2 MiB aligned and advised to use huge pages: the first
// touch of a big generation with small pages costs about a second of page faults.
constexpr size_t hugePageSize = size_t(2) << 20;
constexpr size_t mappedFrom = hugePageSize;

size_t arrayBytes(int32_t n) { return static_cast<size_t>(n) * sizeof(Item); }

size_t mappedBytes(size_t bytes) { return (bytes + hugePageSize - 1) & ~(hugePageSize - 1); }

}  // namespace

ItemBuffer& selectBuffer(int role) { return itemBuffers[role == 0 ? activeBuffer : 1 - activeBuffer]; }

Item* newItemArray(int32_t n) {
    if (n <= 0) return nullptr;
    size_t bytes = arrayBytes(n);
    if (static_cast<int64_t>(bytes) > itemArrayLimitBytes) return nullptr;
    if (bytes < mappedFrom) return static_cast<Item*>(std::malloc(bytes));
    // Map one huge page more than needed and trim both ends to a 2 MiB aligned range.
    size_t length = mappedBytes(bytes);
    void* raw = mmap(nullptr, length + hugePageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    uintptr_t aligned = (start + hugePageSize - 1) & ~(uintptr_t(hugePageSize) - 1);
    if (aligned > start) munmap(raw, aligned - start);
    uintptr_t end = aligned + length;
    uintptr_t rawEnd = start + length + hugePageSize;
    if (rawEnd > end) munmap(reinterpret_cast<void*>(end), rawEnd - end);
    madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
    return reinterpret_cast<Item*>(aligned);
}

void freeItemArray(Item* items, int32_t n) {
    if (items == nullptr) return;
    size_t bytes = arrayBytes(n);
    if (bytes < mappedFrom) {
        std::free(items);
    } else {
        munmap(items, mappedBytes(bytes));
    }
}

void releaseBuffer(int role) {
    ItemBuffer& b = selectBuffer(role);
    freeItemArray(b.items, b.capacity);
    b = ItemBuffer{};
}

void adoptItemArray(int role, Item* items, int32_t n) {
    releaseBuffer(role);
    if (items == nullptr) return;
    ItemBuffer& b = selectBuffer(role);
    b.items = items;
    b.capacity = n;
}

bool allocateBuffer(int role, int32_t n) {
    releaseBuffer(role);
    if (n <= 0) return true;
    Item* items = newItemArray(n);
    if (items == nullptr) return false;
    adoptItemArray(role, items, n);
    return true;
}

void appendItem(int role, float x, float y, int32_t sprite, float angle, float scale, int32_t colour) {
    ItemBuffer& b = selectBuffer(role);
    if (b.count >= b.capacity) return;
    b.items[b.count] = Item{sprite, x, y, angle, scale, colour};
    widenBounds(b.minScale, b.maxScale, scale, b.count);
    widenBounds(b.minX, b.maxX, x, b.count);
    widenBounds(b.minY, b.maxY, y, b.count);
    b.count += 1;
}

int32_t bufferCapacity(int role) { return selectBuffer(role).capacity; }

Item& itemAt(int role, int32_t i) { return selectBuffer(role).items[i]; }

void resetScreenState() {
    if (registry != nullptr) registry->clearObjects(false);
    screenModel.deleteAll();
    namedObjects.deleteAll();
    clock = 0;
    keyLockUntil = 0;
    infoUntil = 0;
    messageUntil = 0;
}

}  // namespace orn
