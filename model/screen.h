// The screen recipe, the screen model (parts, palette, view, generation counters) and
// buildScreen, which derives a whole screen from the recipe's seeds.
#pragma once

#include <cstdint>
#include <string>

#include "platform/engine/hge.h"
#include "platform/string_list.h"

namespace orn {

struct ScreenRecipe {
    int32_t shapeSeed;
    int32_t mutationSeed;
    int32_t colourSeed;
    int32_t paletteSeed;
    int32_t itemTarget;
    float partScale;
};

extern ScreenRecipe screenRecipe;  // the current screen's recipe

struct Part {
    int32_t sprite;  // registry index, -1 in unused slots
    float offsetX, offsetY;
    float angle;
    float twist;
    float scale;
};

struct PaletteEntry {
    int32_t red, green, blue;  // each 40..255
};

// The screen model. Its first member is the fourth owning holder: plain records from malloc,
// freed with free when their entry is deleted (nothing in the program adds one).
class SPRITE {
public:
    SPRITE();
    ~SPRITE();
    void deleteAt(int32_t i);
    void deleteAll();

    StringList entries;        // owning list; nothing adds to it
    int32_t partCount;         // 2..5
    Part parts[5];             // the PartTable with partCount
    double partScale;          // factor on item scales when painted
    double savedPartScale;     // recipe's partScale, 0 after fresh builds
    int32_t generationsDone;
    int32_t generationsStarted;
    int32_t itemTarget;        // below it the next generation starts by itself
    PaletteEntry palette[256];
    double viewZoom;           // target pixels per world unit
    double panX, panY;         // world units
    int32_t autoFit;           // 1 on, 0 off
};

extern SPRITE screenModel;

extern int32_t recentAmbient[3];  // the three newest ambient choices, newest first
extern HCHANNEL ambientChannel;   // channel of the ambient sound playing

constexpr int BUILD_PARTS = 1;
constexpr int BUILD_PALETTE = 2;
constexpr int BUILD_RESET = 8;

// flags: BUILD_PARTS, BUILD_PALETTE, BUILD_RESET; other bits have no effect. The first
// generation is placed whatever the flags. Emits the headless event "screen".
void buildScreen(int flags, bool fromRecipe);

// The six recipe fields as JSON members by name (no braces), and a float as JSON with nine
// significant digits; shared by the "screen" event and the describe tool.
std::string recipeJson(const ScreenRecipe& recipe);
std::string jsonFloat(float value);

}  // namespace orn
