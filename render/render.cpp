// The render pass.
#include "render/render.h"

namespace orn {

HTARGET accumTarget = 0;
hgeSprite* accumSprite = nullptr;
HTARGET galleryTarget = 0;
hgeSprite* gallerySprite = nullptr;
float dragStartX = 0, dragStartY = 0;
int32_t drawCursor = 0;

}  // namespace orn
