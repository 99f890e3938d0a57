// Shared set-up of the model tests.
#include "model_support.h"

#include "app/assets.h"
#include "app/config.h"
#include "model/items.h"
#include "model/iteration.h"
#include "platform/engine/headless.h"
#include "platform/platform.h"
#include "registry/registry.h"

namespace modeltest {

using namespace orn;

int32_t shapeSeedForParts(int parts) {
    // Draws with bound 3 from states 4, 1, 2, 3 give 0, 1, 2, 3.
    static const int32_t seeds[4] = {4, 1, 2, 3};
    return seeds[parts - 2];
}

void setUpModel(int graphics) {
    platform::setDesktopSize(1920, 1080);
    registry = new VOXA();
    for (int i = 0; i < graphics; ++i) registry->addGraphic("g" + std::to_string(i), 0, 0, 0, 8, 8, 0, 0, 0);
    iterationBudgetMs = frameBudgetMs;
}

void tearDownModel() {
    releaseBuffer(0);
    releaseBuffer(1);
    delete registry;
    registry = nullptr;
    itemArrayLimitBytes = INT64_MAX;
    iterationBudgetMs = frameBudgetMs;
    if (engine != nullptr) {
        engine->shutdown();
        engine->release();
        engine = nullptr;
    }
}

void buildFrom(const ScreenRecipe& recipe) {
    screenRecipe = recipe;
    resetScreenState();
    buildScreen(31, true);
}

ScreenRecipe recipeWithParts(int parts, int32_t itemTarget) {
    return ScreenRecipe{shapeSeedForParts(parts), 11, 1000000000, 1000000000, itemTarget, 0.0f};
}

void startHeadlessEngine() {
    hgeUseHeadless(true);
    engine = hgeCreate(HGE_VERSION);
    engine->setNumber(HGE_SCREENWIDTH, 960);
    engine->setNumber(HGE_SCREENHEIGHT, 960);
    engine->setNumber(HGE_FPS, 50);
    engine->setFlag(HGE_WINDOWED, true);
    engine->setFlag(HGE_USESOUND, true);
    engine->initiate();
    engine->attachPack((std::string(ORN_BIN_DIR) + "/Sound.paq").c_str());
    iterationEffect = engine->loadEffect("sound\\iter.mp3");
}

}  // namespace modeltest
