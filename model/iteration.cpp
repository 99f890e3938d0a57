// The iteration step: starting a generation (automatically below the item target or on TAB),
// expanding parents within the frame budget, the part-scale fit at a generation's end, and the
// single-precision geometry that places each child.
#include "model/iteration.h"

#include <cmath>

#include "app/assets.h"
#include "app/config.h"
#include "interaction/browse.h"
#include "interaction/frame.h"
#include "model/screen.h"
#include "render/render.h"

namespace orn {

int32_t expandCursor = 0;
double iterationBudgetMs = frameBudgetMs;

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double twoPi = 6.283185307179586;
constexpr double inverseTwoPi = 0.15915494309189535;
constexpr double fitThreshold = 0.01;
constexpr int iterationVolume = 50;

// Every value is kept in a float after each step, so that a recipe places its items the same
// way everywhere (the build also forbids fused multiply-adds).
// The quadrant is chosen by table, without branches (children point every way, so branches
// would mispredict). Values that are not numbers fall to the last entry, and adding -0.0 in the
// first quadrant leaves t exactly as it is, signed zero included.
constexpr double quadrantTurns[4] = {-0.0, pi, -pi, twoPi};

inline float atan2Inline(float y, float x) {
    float t = x != 0 ? std::atan(y / x) : std::atan(y * 1e38f);
    int right = x >= 0, left = x < 0, up = y >= 0, down = y < 0;
    int quadrant = 3 - 3 * (right & up) - 2 * (left & up) - (left & down);
    return static_cast<float>(t + quadrantTurns[quadrant]);
}

inline void rotateInline(float& x, float& y, float a, float cx, float cy) {
    float dx = cx - x;
    float dy = cy - y;
    float r = std::sqrt(std::fabs(dx * dx + dy * dy));
    float theta = atan2Inline(dy, dx) + a;
    float c = std::cos(theta);
    float s = std::sin(theta);
    x = cx - r * c;
    y = cy - r * s;
}

// The transformation of one part, copied out of the model for the expansion loop.
struct PartStep {
    float offsetX, offsetY, twist, scale;
    int32_t sprite;
    int32_t colourStep;  // 2 × the part index
};

inline Item placeInline(const Item& p, const PartStep& part) {
    Item child;
    child.sprite = part.sprite;
    child.angle = p.angle + part.twist;
    child.scale = p.scale * part.scale;
    float x = part.offsetX * child.scale + p.x;
    float y = part.offsetY * child.scale + p.y;
    rotateInline(x, y, child.angle, p.x, p.y);
    child.x = x;
    child.y = y;
    child.colour = (part.colourStep + p.colour) % 256;
    return child;
}

PartStep partStep(int i) {
    const Part& part = screenModel.parts[i];
    return PartStep{part.offsetX, part.offsetY, part.twist, part.scale, part.sprite, 2 * i};
}

// Bounds of the newest buffer kept in registers while a slice expands.
struct Bounds {
    float minScale, maxScale, minX, maxX, minY, maxY;
};

inline void widen(Bounds& b, const Item& c, int32_t count) {
    widenBounds(b.minScale, b.maxScale, c.scale, count);
    widenBounds(b.minX, b.maxX, c.x, count);
    widenBounds(b.minY, b.maxY, c.y, count);
}

void startGeneration() {
    SPRITE& m = screenModel;
    bool tab = engine != nullptr && engine->keyState(KEY_TAB);
    bool automatic = bufferCapacity(1) < m.itemTarget;
    bool manual = tab && keyLockUntil < clock && galleryFirst < 0;
    if (!automatic && !manual) return;
    int64_t n = static_cast<int64_t>(bufferCapacity(1)) * m.partCount;
    if (n > maxGenerationItems) return;
    // The array is had before anything changes: a generation whose memory cannot be had is
    // refused like one above the limit, and the model stays as it was.
    int32_t size = n > 0 ? static_cast<int32_t>(n) : 0;
    Item* items = newItemArray(size);
    if (items == nullptr && size > 0) return;

    m.generationsStarted += 1;
    activeBuffer = (activeBuffer + 1) % 2;
    adoptItemArray(1, items, size);
    expandCursor = 0;
    drawCursor = 0;
    if (engine != nullptr && engine->keyState(KEY_TAB)) {
        m.autoFit = 0;
        keyLockUntil = clock + keyDelay;
        engine->playEffect(iterationEffect, iterationVolume, 0, 1.0f, false);
    }
}

void fitPartScale(const ItemBuffer& newest) {
    SPRITE& m = screenModel;
    if (m.savedPartScale > 0) {
        m.partScale = m.savedPartScale;
        return;
    }
    m.partScale = 1.0;
    if (newest.maxScale < fitThreshold) m.partScale = fitThreshold / newest.maxScale;
    if (newest.minScale > fitThreshold && m.partScale <= 1.0) m.partScale = fitThreshold / newest.minScale;
}

// Expands parents from `cursor` until the generation is complete or a reading of the budget
// stopwatch passes the budget. Parts is a template argument so that the children of one
// parent are placed by straight-line code.
template <int Parts>
int32_t expandParents(const Item* from, int32_t parents, int32_t cursor, Item* to, int32_t capacity,
                      int32_t& count, Bounds& b, const PartStep* steps) {
    int32_t childrenSinceReading = 0;
    while (cursor < parents) {
        const Item p = from[cursor];
        if (count + Parts <= capacity) {
            for (int i = 0; i < Parts; ++i) {
                Item c = placeInline(p, steps[i]);
                to[count] = c;
                widen(b, c, count);
                ++count;
            }
        } else {
            // A generation restarted in the middle runs on to its end; its children no
            // longer fit and are dropped.
            for (int i = 0; i < Parts && count < capacity; ++i) {
                Item c = placeInline(p, steps[i]);
                to[count] = c;
                widen(b, c, count);
                ++count;
            }
        }
        ++cursor;
        if (cursor >= parents) break;
        // Reading the counter costs as much as placing two children, so it is read once
        // enough children have been placed since the last reading, not after every parent.
        childrenSinceReading += Parts;
        if (childrenSinceReading < childrenPerBudgetReading) continue;
        childrenSinceReading = 0;
        frameStopwatch.mark(false);
        if (frameStopwatch.elapsed(1) > iterationBudgetMs) break;
    }
    return cursor;
}

void expandGeneration() {
    SPRITE& m = screenModel;
    const ItemBuffer& parent = selectBuffer(0);
    ItemBuffer& newest = selectBuffer(1);
    const int32_t parents = parent.capacity;
    PartStep steps[5];
    for (int i = 0; i < m.partCount && i < 5; ++i) steps[i] = partStep(i);

    int32_t count = newest.count;
    Bounds b{newest.minScale, newest.maxScale, newest.minX, newest.maxX, newest.minY, newest.maxY};
    int32_t cursor = expandCursor;
    const Item* from = parent.items;
    Item* to = newest.items;
    const int32_t room = newest.capacity;
    switch (m.partCount) {
        case 2: cursor = expandParents<2>(from, parents, cursor, to, room, count, b, steps); break;
        case 3: cursor = expandParents<3>(from, parents, cursor, to, room, count, b, steps); break;
        case 4: cursor = expandParents<4>(from, parents, cursor, to, room, count, b, steps); break;
        case 5: cursor = expandParents<5>(from, parents, cursor, to, room, count, b, steps); break;
        // Without parts (never built so) the generation has no children.
        default: cursor = parents; break;
    }

    expandCursor = cursor;
    newest.count = count;
    newest.minScale = b.minScale;
    newest.maxScale = b.maxScale;
    newest.minX = b.minX;
    newest.maxX = b.maxX;
    newest.minY = b.minY;
    newest.maxY = b.maxY;
    if (cursor >= parents) {
        if (m.autoFit != 0) fitPartScale(newest);
        m.generationsDone += 1;
    }
}

}  // namespace

float atan2Raw(float y, float x) { return atan2Inline(y, x); }

float normaliseAngle(float a) {
    float t = static_cast<float>(a * inverseTwoPi);
    float f = t - std::trunc(t);
    if (f < 0) f += 1;
    return static_cast<float>(f * twoPi);
}

float angleOfVector(float y, float x) { return normaliseAngle(atan2Inline(y, x)); }

void rotateAbout(float& x, float& y, float a, float cx, float cy) { rotateInline(x, y, a, cx, cy); }

Item placeChild(const Item& p, int i) { return placeInline(p, partStep(i)); }

void runIteration() {
    SPRITE& m = screenModel;
    if (m.generationsDone >= m.generationsStarted) startGeneration();
    if (m.generationsDone < m.generationsStarted) expandGeneration();
}

}  // namespace orn
