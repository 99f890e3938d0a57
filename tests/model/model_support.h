// Shared set-up of the model tests: a registry of placeholder graphics, screens built from
// recipes, and the real headless engine for the tests that read keys, wheel and sound.
#pragma once

#include <string>

#include "model/screen.h"

namespace modeltest {

// Shape seeds whose screens have 2, 3, 4 and 5 parts (seed mod 4 is drawn first).
int32_t shapeSeedForParts(int parts);

// Fresh desktop, registry with `graphics` placeholder graphics, lifted budget off.
void setUpModel(int graphics);
// Releases the buffers and the registry, and shuts the engine down when one was started.
void tearDownModel();
// resetScreenState and buildScreen(31, true) from the recipe.
void buildFrom(const orn::ScreenRecipe& recipe);
// A recipe with the given shape seed and fixed other seeds.
orn::ScreenRecipe recipeWithParts(int parts, int32_t itemTarget);
// Starts the headless engine with a 960 × 960 window, the sound pack of the build loaded and
// iterationEffect set; the JSON events (sounds) go to standard output.
void startHeadlessEngine();

}  // namespace modeltest
