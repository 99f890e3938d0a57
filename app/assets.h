// Loading the fonts, the sprite images of "pix" and the eight sound effects at start-up.
#pragma once

#include "platform/engine/hge.h"
#include "primitives/font.h"

namespace orn {

extern hgeFont* fontLarge;
extern hgeFont* fontSmall;
extern HEFFECT clickEffect;
extern HEFFECT iterationEffect;
extern HEFFECT ambientEffects[6];

// Both return true on failure and false on success.
bool loadGraphics();
bool loadSounds();

}  // namespace orn
