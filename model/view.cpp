// View control: wheel zoom and part zoom, right-drag pan, the per-frame auto-fit step and the
// gallery's exact fit. The view maps world units to target pixels by viewZoom about the
// target's corner, after the registry's origin has been added.
#include "model/view.h"

#include <cmath>

#include "app/config.h"
#include "interaction/browse.h"
#include "model/items.h"
#include "model/screen.h"
#include "registry/registry.h"
#include "render/render.h"

namespace orn {

int32_t dragging = 0;
int32_t lastMouseX = 0;
int32_t lastMouseY = 0;

namespace {

constexpr double wheelZoomIn = 1.1;
constexpr double wheelZoomOut = 1 / 1.1;
constexpr double partZoomIn = 1.02;
constexpr double partZoomOut = 1 / 1.02;
constexpr double zoomFloor = 0.0001;
constexpr double fitZoomIn = 1.01;
constexpr double fitZoomOut = 1 / 1.01;
constexpr double centreBand = 10;
constexpr double centreStep = 3;

// Writes the origin from the view and scales later drawing by the zoom.
void applyView() {
    const SPRITE& m = screenModel;
    if (registry != nullptr) {
        registry->originX = static_cast<float>(screenWidth * displayScale * 0.5 / m.viewZoom + m.panX);
        registry->originY = static_cast<float>(screenHeight * displayScale * 0.5 / m.viewZoom + m.panY);
    }
    if (engine != nullptr) {
        float zoom = static_cast<float>(m.viewZoom);
        engine->setTransform(0, 0, 0, 0, 0, zoom, zoom);
    }
}

bool held(int key) { return engine != nullptr && engine->keyState(key); }

void applyWheel() {
    SPRITE& m = screenModel;
    if (held(KEY_LBUTTON) || engine == nullptr || !engine->mouseOver()) return;
    int w = engine->mouseWheel();
    if (w == 0) return;
    bool ctrl = held(KEY_CTRL);
    if (w > 0) {
        if (ctrl) {
            m.partScale = m.partScale * partZoomIn;
        } else {
            m.viewZoom = m.viewZoom * wheelZoomIn;
            m.autoFit = 0;
        }
    } else {
        if (ctrl) {
            m.partScale = m.partScale * partZoomOut;
        } else {
            m.viewZoom = m.viewZoom * wheelZoomOut;
            if (zoomFloor * displayScale > m.viewZoom) m.viewZoom = zoomFloor * displayScale;
            m.autoFit = 0;
        }
    }
    drawCursor = 0;
}

void applyDrag(double mx, double my) {
    SPRITE& m = screenModel;
    if (held(KEY_RBUTTON)) {
        dragging = 1;
        if (lastMouseX != mx || lastMouseY != my) {
            m.panX += (mx - lastMouseX) / m.viewZoom;
            m.panY += (my - lastMouseY) / m.viewZoom;
        }
        lastMouseX = static_cast<int32_t>(mx);
        lastMouseY = static_cast<int32_t>(my);
        m.autoFit = 0;
        return;
    }
    // The picture was only shifted while dragging; its end repaints it with the new pan.
    if (dragging == 1) drawCursor = 0;
    dragging = 0;
    lastMouseX = static_cast<int32_t>(mx);
    lastMouseY = static_cast<int32_t>(my);
}

void exactFit(const ItemBuffer& b, double spanX, double spanY) {
    SPRITE& m = screenModel;
    const double W = screenWidth, H = screenHeight, ds = displayScale;
    m.viewZoom = W / spanX;
    if (H / spanY < m.viewZoom) m.viewZoom = H / spanY;
    m.panX = (W * ds / m.viewZoom - spanX) * 0.5 / ds - W * 0.5 * ds / m.viewZoom - b.minX / ds;
    m.panY = (H * ds / m.viewZoom - spanY) * 0.5 / ds - H * 0.5 * ds / m.viewZoom - b.minY / ds;
}

// One centring step on one axis: outside the dead band the pan moves by a fixed step.
bool centre(double& pan, float low, float high, float origin, double size, double zoom, double ds) {
    double c = ((high + low) * 0.5 + origin) * zoom / ds;
    if (c < size * 0.5 - centreBand) {
        pan += centreStep;
        return true;
    }
    if (c > size * 0.5 + centreBand) {
        pan -= centreStep;
        return true;
    }
    return false;
}

void autoFitStep(const ItemBuffer& b, double spanX, double spanY) {
    SPRITE& m = screenModel;
    const double W = screenWidth, H = screenHeight, ds = displayScale;
    float ex = static_cast<float>(spanX * m.viewZoom / ds);
    float ey = static_cast<float>(spanY * m.viewZoom / ds);
    if (ex > W || ey > H) {
        m.viewZoom = m.viewZoom * fitZoomOut;
        drawCursor = 0;
    } else if (ex < W - fitMargin && ey < H - fitMargin) {
        m.viewZoom = m.viewZoom * fitZoomIn;
        drawCursor = 0;
    }
    float originX = registry != nullptr ? registry->originX : 0.0f;
    float originY = registry != nullptr ? registry->originY : 0.0f;
    if (centre(m.panX, b.minX, b.maxX, originX, W, m.viewZoom, ds)) drawCursor = 0;
    if (centre(m.panY, b.minY, b.maxY, originY, H, m.viewZoom, ds)) drawCursor = 0;
}

}  // namespace

void applyViewInput(double mx, double my) {
    applyView();
    applyWheel();
    applyDrag(mx, my);
    applyView();
}

void fitView() {
    const ItemBuffer& b = selectBuffer(1);
    if (b.count <= 1) return;
    const SPRITE& m = screenModel;
    double spanX = std::fabs(b.maxX - b.minX);
    double spanY = std::fabs(b.maxY - b.minY);
    if (galleryFirst >= 0) {
        exactFit(b, spanX, spanY);
    } else if (!held(KEY_LBUTTON) && m.autoFit != 0) {
        autoFitStep(b, spanX, spanY);
    }
}

}  // namespace orn
