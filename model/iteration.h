// The iteration step: grows the newest generation by one child per part for every parent,
// within the frame's time budget, and the single-precision geometry that places a child.
#pragma once

#include <cstdint>

#include "model/items.h"

namespace orn {

constexpr int32_t maxGenerationItems = 16777216;
constexpr double frameBudgetMs = 20.0;

// The budget stopwatch is read after the parent with which at least this many children have
// been placed since the last reading: a frame overruns its budget by about a microsecond at
// most, and the counter's cost stays small beside the children's.
constexpr int32_t childrenPerBudgetReading = 32;

extern int32_t expandCursor;  // next parent to expand

// The expansion budget runIteration reads against frameStopwatch, in milliseconds. Always
// frameBudgetMs in the program; benchmarks lift it to expand whole generations at once.
extern double iterationBudgetMs;

void runIteration();

// The child that part i gives parent p, with the part's sprite.
Item placeChild(const Item& p, int i);

float atan2Raw(float y, float x);
float normaliseAngle(float a);
float angleOfVector(float y, float x);
void rotateAbout(float& x, float& y, float a, float cx, float cy);

}  // namespace orn
