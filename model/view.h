// View control: wheel zoom, part zoom, right-drag pan, and the fit that keeps the picture framed
// (one auto-fit step per frame, or the gallery's exact fit).
#pragma once

#include <cstdint>

namespace orn {

extern int32_t dragging;    // 1 while the right button is held
extern int32_t lastMouseX;  // previous frame's mouse position, logical pixels, truncated
extern int32_t lastMouseY;

// mx, my: the mouse in logical pixels.
void applyViewInput(double mx, double my);
void fitView();

}  // namespace orn
