// The render pass: paints the newest generation into the accumulation target within a time
// budget, builds the gallery page, and composes the screen with the overlay texts.
#pragma once

#include <cstdint>
#include <limits>

#include "platform/engine/hge.h"
#include "primitives/sprite.h"

namespace orn {

extern HTARGET accumTarget;
extern hgeSprite* accumSprite;
extern HTARGET galleryTarget;
extern hgeSprite* gallerySprite;
extern float dragStartX, dragStartY;  // mouse of the last frame without a drag
extern int32_t drawCursor;            // items of the newest generation already painted

constexpr double paintBudgetMs = 30.0;
// Painting time allowed per render call: paintBudgetMs in the program; the export tools and
// the benchmarks lift it to noBudget to paint a whole generation in one call.
extern double paintBudget;
constexpr double noBudget = std::numeric_limits<double>::infinity();
constexpr uint32_t guideRed = 0x80FF0000;
constexpr uint32_t guideWhite = 0x80FFFFFF;
constexpr float guideRadiusFactor = 78.5f;
constexpr uint32_t textColorHighlight = 0xFFFFC000;

struct FloatColor {
    float r, g, b, a;
};
uint32_t toARGB(const FloatColor& c);

void renderLine(HGE* engine, uint32_t colour, float x1, float y1, float x2, float y2, float z);
// Returns the number of lines drawn (0 without an engine).
int renderCircle(HGE* engine, int segments, uint32_t colour, float centreX, float centreY, float radius,
                 float z);

// The next iteration's guides for one item (firstItem adds the ring at the world origin);
// returns the number of lines drawn.
struct Item;
int paintGuides(const Item& item, bool firstItem, float originX, float originY);

// Creates the two targets and their sprites (start-up steps 15 and 16).
void createRenderTargets();
bool renderFunction();

}  // namespace orn
