// Test support: starting the program's engine on the headless backend.
#include "support/headless_engine.h"

#include "app/config.h"
#include "interaction/frame.h"
#include "platform/engine/headless.h"
#include "render/render.h"

namespace orn {

std::string startHeadlessEngine(int width, int height) {
    hgeUseHeadless(true);
    engine = hgeCreate(HGE_VERSION);
    if (!engine) return "cannot create the engine";
    engine->setCallback(HGE_FRAMEFUNC, frameFunction);
    engine->setCallback(HGE_RENDERFUNC, renderFunction);
    engine->setFlag(HGE_WINDOWED, true);
    engine->setNumber(HGE_SCREENWIDTH, width);
    engine->setNumber(HGE_SCREENHEIGHT, height);
    engine->setNumber(HGE_SCREENBPP, 32);
    engine->setNumber(HGE_FPS, framesPerSecond);
    if (!engine->initiate()) return engine->errorMessage();
    return "";
}

}  // namespace orn
