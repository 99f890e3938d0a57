// Start-up, the frame loop and shutdown: configures and initiates the engine, loads the saved
// screens and the assets, builds the first screen and runs until X; 0 on every path.
#include "app/startup.h"

#include <ctime>
#include <string>

#include "app/assets.h"
#include "app/config.h"
#include "interaction/browse.h"
#include "interaction/frame.h"
#include "model/items.h"
#include "model/screen.h"
#include "platform/platform.h"
#include "registry/registry.h"
#include "render/render.h"
#include "saved/saved_file.h"

namespace orn {

namespace {

// Destroys what start-up created and lets the engine go; also after a failed step.
int shutdownProgram() {
    delete savedScreens;
    savedScreens = nullptr;
    engine->shutdown();
    engine->release();
    engine = nullptr;
    return 0;
}

}  // namespace

int runProgram() {
    platform::seedRandom(static_cast<uint32_t>(time(nullptr)));
    programDirectory = platform::programDirectory();
    displayScale = computeDisplayScale();
    engine = hgeCreate(HGE_VERSION);
    engine->setCallback(HGE_FRAMEFUNC, frameFunction);
    engine->setCallback(HGE_RENDERFUNC, renderFunction);
    std::string title = std::string(productTitle) + " - " + makerAddress;
    engine->setText(HGE_TITLE, title.c_str());

    if (platform::askYesNo("Run full screen?", productTitle)) {
        int width = 0, height = 0;
        platform::desktopSize(&width, &height);
        screenWidth = width;
        screenHeight = height;
        engine->setFlag(HGE_WINDOWED, false);
        engine->setNumber(HGE_SCREENWIDTH, static_cast<int>(screenWidth));
        engine->setNumber(HGE_SCREENHEIGHT, static_cast<int>(screenHeight));
        displayScale = 1.0;
    } else {
        engine->setFlag(HGE_WINDOWED, true);
        engine->setNumber(HGE_SCREENWIDTH, static_cast<int>(screenWidth * displayScale));
        engine->setNumber(HGE_SCREENHEIGHT, static_cast<int>(screenHeight * displayScale));
    }
    engine->setNumber(HGE_SCREENBPP, 32);
    engine->setFlag(HGE_USESOUND, true);
    engine->setFlag(HGE_SHOWSPLASH, false);
    engine->setFlag(HGE_ZBUFFER, false);
    engine->setNumber(HGE_FPS, framesPerSecond);
    engine->setFlag(HGE_HIDEMOUSE, true);
    engine->setFlag(HGE_TEXTUREFILTER, true);

    if (!engine->initiate()) {
        platform::showError(engine->errorMessage(), "Error");
        return shutdownProgram();
    }

    // A save file that exists but cannot be read leaves the list empty; the program still runs.
    loadSavedScreens();
    savedIndex = savedScreens->count();
    engine->setTransform(0, 0, 0, 0, 0, static_cast<float>(displayScale), static_cast<float>(displayScale));
    registry = new VOXA;
    registry->retainSecondaryIndexes = true;

    // The fonts live only in the pack: a missing or broken pack is a graphics failure, not a
    // run with empty fonts.
    if (!engine->attachPack("Graphics.paq") || loadGraphics()) {
        platform::showError("Can't load graphics.", "Error");
        return shutdownProgram();
    }
    engine->attachPack("Sound.paq");
    if (loadSounds()) {
        platform::showError("Can't load sounds.", "Error");
        return shutdownProgram();
    }

    createRenderTargets();
    resetScreenState();
    buildScreen(127, false);
    engine->start();
    return shutdownProgram();
}

}  // namespace orn
