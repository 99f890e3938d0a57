// The render pass: paints the newest generation into the accumulation target a slice per frame,
// copies finished pictures into the gallery page, and composes the screen with the texts.
#include "render/render.h"

#include <cmath>

#include "app/assets.h"
#include "app/config.h"
#include "interaction/browse.h"
#include "interaction/frame.h"
#include "model/items.h"
#include "model/iteration.h"
#include "model/screen.h"
#include "model/view.h"
#include "primitives/stopwatch.h"
#include "registry/registry.h"
#include "render/overlay.h"
#include "saved/saved_file.h"

namespace orn {

HTARGET accumTarget = 0;
hgeSprite* accumSprite = nullptr;
HTARGET galleryTarget = 0;
hgeSprite* gallerySprite = nullptr;
float dragStartX = 0, dragStartY = 0;
int32_t drawCursor = 0;
double paintBudget = paintBudgetMs;

uint32_t toARGB(const FloatColor& c) {
    const uint32_t a = static_cast<uint32_t>(static_cast<int32_t>(c.a * 255.0f));
    const uint32_t r = static_cast<uint32_t>(static_cast<int32_t>(c.r * 255.0f));
    const uint32_t g = static_cast<uint32_t>(static_cast<int32_t>(c.g * 255.0f));
    const uint32_t b = static_cast<uint32_t>(static_cast<int32_t>(c.b * 255.0f));
    return (a << 24) + (r << 16) + (g << 8) + b;
}

void renderLine(HGE* hge, uint32_t colour, float x1, float y1, float x2, float y2, float z) {
    if (!hge) return;
    hge->drawLine(x1, y1, x2, y2, colour, z);
}

int renderCircle(HGE* hge, int segments, uint32_t colour, float centreX, float centreY, float radius, float z) {
    if (!hge) return 0;
    const int n = segments >= 1 ? segments : 8;
    const float twoPi = 6.2831855f;
    const float step = twoPi / static_cast<float>(n);
    // The angle advances in single precision, so for some counts (8 is one) it is still within
    // 2 pi after n steps and one more line is drawn over the first.
    int lines = 0;
    for (float a = 0.0f; a <= twoPi; a = a + step) {
        const float back = a - step;
        const float x1 = centreX + radius * static_cast<float>(std::cos(static_cast<double>(a)));
        const float y1 = centreY + radius * static_cast<float>(std::sin(static_cast<double>(a)));
        const float x2 = centreX + radius * static_cast<float>(std::cos(static_cast<double>(back)));
        const float y2 = centreY + radius * static_cast<float>(std::sin(static_cast<double>(back)));
        hge->drawLine(x1, y1, x2, y2, colour, z);
        ++lines;
    }
    return lines;
}

void createRenderTargets() {
    const int width = static_cast<int>(screenWidth);
    const int height = static_cast<int>(screenHeight);
    const float w = static_cast<float>(screenWidth);
    const float h = static_cast<float>(screenHeight);
    accumTarget = engine->createTarget(width, height, false);
    accumSprite = new hgeSprite(engine->targetTexture(accumTarget), 0, 0, w, h);
    galleryTarget = engine->createTarget(width, height, false);
    gallerySprite = new hgeSprite(engine->targetTexture(galleryTarget), 0, 0, w, h);
}

namespace {

// One item as a tinted sprite: the graphic's shared sprite is recoloured right before it is
// drawn. An item whose graphic does not exist draws nothing.
inline void paintItem(const Item& item, float originX, float originY, float partScale) {
    VOXA_GRAPHICS* graphic = registry->graphicAt(item.sprite);
    if (!graphic) return;
    const PaletteEntry& p = screenModel.palette[item.colour & 255];
    const FloatColor colour{static_cast<float>(p.red) / 255.0f, static_cast<float>(p.green) / 255.0f,
                            static_cast<float>(p.blue) / 255.0f, 1.0f};
    hgeSprite* sprite = graphic->sprite;
    sprite->tint(toARGB(colour), -1);
    sprite->drawTransformed(item.x + originX, item.y + originY, item.angle,
                            static_cast<float>(static_cast<double>(item.scale) * partScale), 0.0f);
}

}  // namespace

// The next iteration's preview: a red ring at the origin with the generation's first item,
// and for every part a white ring where its child will sit and a line to it.
int paintGuides(const Item& item, bool firstItem, float originX, float originY) {
    int lines = 0;
    if (firstItem) lines += renderCircle(engine, 16, guideRed, originX, originY, 5.0f, 0.0f);
    for (int k = 0; k < screenModel.partCount; ++k) {
        const Item child = placeChild(item, k);
        const float radius = static_cast<float>(static_cast<double>(guideRadiusFactor * child.scale) *
                                                screenModel.partScale);
        lines += renderCircle(engine, 16, guideWhite, child.x + originX, child.y + originY, radius, 0.0f);
        renderLine(engine, guideWhite, item.x + originX, item.y + originY, child.x + originX,
                   child.y + originY, 0.0f);
        if (engine) ++lines;
    }
    return lines;
}

bool renderFunction() {
    float mouseX = 0, mouseY = 0;
    engine->mousePosition(&mouseX, &mouseY);
    const float mx = static_cast<float>(mouseX / displayScale);
    const float my = static_cast<float>(mouseY / displayScale);

    TIX paintStopwatch;
    paintStopwatch.reset();

    const int clipWidth = static_cast<int>(screenWidth);
    const int clipHeight = static_cast<int>(screenHeight);
    const float zoom = static_cast<float>(screenModel.viewZoom);

    // The accumulation scene: world units scaled by the zoom into the accumulated picture.
    accumSprite->assignTexture(engine->targetTexture(accumTarget));
    engine->beginScene(accumTarget);
    engine->setTransform(0, 0, 0, 0, 0, zoom, zoom);
    if (drawCursor <= 0) engine->clear(0);
    const int32_t savedCount = savedScreens ? savedScreens->count() : 0;
    if (galleryFirst >= 0 && savedCount <= galleryFirst + galleryLoaded) engine->clear(0);
    engine->setClipping(0, 0, clipWidth, clipHeight);

    const ItemBuffer& newest = selectBuffer(1);
    // Nothing is painted while the right button drags the picture.
    if (!engine->keyState(KEY_RBUTTON)) {
        const float originX = registry->originX;
        const float originY = registry->originY;
        const double partScale = screenModel.partScale;
        // A lifted budget (export, benchmarks) needs no clock reading per item.
        const bool budgeted = paintBudget != noBudget;
        while (newest.count > drawCursor) {
            const Item& item = itemAt(1, drawCursor);
            paintItem(item, originX, originY, partScale);
            if (showGuides) paintGuides(item, drawCursor == 0, originX, originY);
            ++drawCursor;
            if (budgeted && newest.count > drawCursor) {
                paintStopwatch.mark(false);
                if (paintStopwatch.elapsed(1) > paintBudget) break;
            }
        }
    }

    // The gallery number, centred on the target whatever the zoom: the division undoes the
    // scene transform.
    if (galleryFirst >= 0 && newest.count <= drawCursor && fontLarge) {
        fontLarge->setScale(static_cast<float>(3.0 / screenModel.viewZoom));
        fontLarge->setColor(textColorHighlight);
        fontLarge->renderFormatted(static_cast<float>(screenWidth * 0.5 / screenModel.viewZoom),
                                   static_cast<float>(screenHeight * 0.5 / screenModel.viewZoom), alignCenter,
                                   "%d", galleryFirst + galleryLoaded + 1);
    }
    engine->endScene();
    accumSprite->assignTexture(engine->targetTexture(accumTarget));

    // The gallery scene: a finished picture goes at a quarter of its size into its cell.
    if (galleryFirst >= 0 && galleryLoaded < 16) {
        engine->beginScene(galleryTarget);
        if (galleryLoaded == 0) engine->clear(0);
        if (newest.count <= drawCursor) {
            const int32_t cell = galleryLoaded;
            const float thumbScale = static_cast<float>(0.25 * displayScale);
            accumSprite->drawTransformed(static_cast<float>(screenWidth * 0.25 * displayScale * (cell % 4)),
                                         static_cast<float>(screenHeight * 0.25 * displayScale * (cell / 4)),
                                         0.0f, thumbScale, thumbScale);
        }
        engine->endScene();
    }
    gallerySprite->assignTexture(engine->targetTexture(galleryTarget));

    // The screen scene: the gallery page, the picture shifted by a drag, or the picture.
    engine->beginScene(0);
    engine->clear(0);
    engine->setClipping(0, 0, clipWidth, clipHeight);
    if (galleryFirst >= 0) {
        gallerySprite->drawAt(0, 0);
    } else if (dragging) {
        accumSprite->drawAt(static_cast<float>(lastMouseX) - dragStartX, static_cast<float>(lastMouseY) - dragStartY);
    } else {
        accumSprite->drawAt(0, 0);
        dragStartX = mx;
        dragStartY = my;
    }
    renderOverlay();
    engine->endScene();
    return false;
}

}  // namespace orn
