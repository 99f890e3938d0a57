// Building a screen from its recipe: seeding, the parts and their mutations, the palette walk,
// the view and iteration reset, the first generation and the ambient sound.
#include "model/screen.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/assets.h"
#include "app/config.h"
#include "interaction/browse.h"
#include "interaction/frame.h"
#include "model/generator.h"
#include "model/items.h"
#include "model/iteration.h"
#include "platform/events.h"
#include "registry/registry.h"
#include "render/render.h"
#include "saved/saved_file.h"

namespace orn {

ScreenRecipe screenRecipe = {};
SPRITE screenModel;
int32_t recentAmbient[3] = {-1, -1, -1};
HCHANNEL ambientChannel = 0;

namespace {
constexpr double pi = 3.14159265358979323846;
constexpr int32_t freshSeedRange = 1000000000;
constexpr int ambientVolume = 80;
}  // namespace

SPRITE::SPRITE()
    : entries(false, true, true, true),
      partCount(0),
      parts{},
      partScale(0),
      savedPartScale(0),
      generationsDone(0),
      generationsStarted(0),
      itemTarget(0),
      palette{},
      viewZoom(0),
      panX(0),
      panY(0),
      autoFit(0) {}

SPRITE::~SPRITE() { deleteAll(); }

// The records attached to the entries are plain memory from malloc.
void SPRITE::deleteAt(int32_t i) {
    if (i < 0 || i >= entries.count()) return;
    std::free(entries.object(i));
    entries.remove(i);
}

void SPRITE::deleteAll() {
    while (entries.count() > 0) deleteAt(0);
}

namespace {

void seedFresh(SeededGenerator& generator) { generator.draw(-(randomBelow(freshSeedRange) + 1)); }

// Negation as the recipe's seed is passed to draw: the most negative value wraps onto itself.
int32_t negated(int32_t seed) { return static_cast<int32_t>(0u - static_cast<uint32_t>(seed)); }

void buildParts(bool fromRecipe) {
    SPRITE& m = screenModel;
    if (!fromRecipe) {
        screenRecipe.shapeSeed = shapeGenerator.draw(0);
        screenRecipe.mutationSeed = mutationGenerator.draw(0);
        screenRecipe.colourSeed = colourGenerator.draw(0);
        screenRecipe.paletteSeed = colourGenerator.draw(0);
    }
    int32_t graphics = registry != nullptr ? registry->graphicCount() : 0;
    for (Part& part : m.parts) part.sprite = -1;

    m.partCount = shapeGenerator.draw(3) + 2;
    int32_t twistSignMode = shapeGenerator.draw(2);
    for (int i = 0; i < m.partCount; ++i) {
        Part& part = m.parts[i];
        part.sprite = graphics > 1 ? shapeGenerator.draw(graphics - 1) : 0;
        part.offsetX = static_cast<float>(shapeGenerator.draw(900) - 450);
        part.offsetY = static_cast<float>(shapeGenerator.draw(900) - 450);
        int32_t k = colourGenerator.draw(359);
        part.angle = static_cast<float>(k * 2.0 * pi / 360.0);
        float twist = angleOfVector(-part.offsetY, -part.offsetX);
        if (twistSignMode == 1 || (twistSignMode == 2 && shapeGenerator.draw(1) != 0)) twist = -twist;
        part.twist = twist;
        part.scale = static_cast<float>(0.5 + 0.01 * shapeGenerator.draw(15));
    }

    int32_t mutations = mutationGenerator.draw(10);
    for (int32_t j = 0; j < mutations; ++j) {
        int32_t a = mutationGenerator.draw(m.partCount - 1);
        int32_t b = mutationGenerator.draw(m.partCount - 1);
        if (a == b) continue;
        int32_t kind = mutationGenerator.draw(13);
        // Indices come from positive states and so lie in 0..partCount-1; a hand-edited seed
        // that wraps to a negative state must still never reach outside the table.
        if (a < 0 || a > 4 || b < 0 || b > 4) continue;
        Part& A = m.parts[a];
        Part& B = m.parts[b];
        switch (kind) {
            case 0: A.sprite = B.sprite; break;
            case 1: A.offsetX = B.offsetX; break;
            case 2: A.offsetY = B.offsetY; break;
            case 3: A.angle = B.angle; break;
            case 4: A.scale = B.scale; break;
            case 5: A.offsetX = -B.offsetX; break;
            case 6: A.offsetY = -B.offsetY; break;
            case 7: A.angle = -B.angle; break;
            case 8: A.offsetX = 2 * B.offsetX; break;
            case 9: A.twist = B.twist; break;
            case 10: A.twist = -B.twist; break;
            case 11: A.angle = static_cast<float>(B.angle + pi); break;
            case 12: A.twist = static_cast<float>(B.twist + pi); break;
            case 13: B.angle = A.twist; break;
            default: break;
        }
    }
}

// One component's walk: a step that leaves 40..255 is reflected back and reversed.
int32_t walkComponent(int32_t& v, int32_t& d) {
    v += d;
    if (v < 40) {
        v = 80 - v;
        d = -d;
    }
    if (v > 255) {
        v = 510 - v;
        d = -d;
    }
    return v;
}

void buildPalette(bool fromRecipe) {
    if (!fromRecipe) {
        screenRecipe.paletteSeed = colourGenerator.draw(0);
    } else if (screenRecipe.paletteSeed != screenRecipe.colourSeed) {
        colourGenerator.draw(negated(screenRecipe.paletteSeed));
    }
    int32_t red = colourGenerator.draw(255);
    int32_t green = colourGenerator.draw(255);
    int32_t blue = colourGenerator.draw(255);
    int32_t dRed, dGreen, dBlue;
    do {
        dRed = colourGenerator.draw(48) - 24;
        dGreen = colourGenerator.draw(48) - 24;
        dBlue = colourGenerator.draw(48) - 24;
    } while (std::abs(dRed) + std::abs(dGreen) + std::abs(dBlue) < 24);
    for (PaletteEntry& entry : screenModel.palette) {
        entry.red = walkComponent(red, dRed);
        entry.green = walkComponent(green, dGreen);
        entry.blue = walkComponent(blue, dBlue);
    }
}

void resetViewAndIteration(bool fromRecipe) {
    SPRITE& m = screenModel;
    m.generationsDone = 0;
    m.generationsStarted = 0;
    if (fromRecipe) {
        m.itemTarget = screenRecipe.itemTarget;
    } else {
        m.itemTarget = iterationAutoOff == 0 ? autoItemTarget : m.partCount;
    }
    m.viewZoom = 0.5 * computeDisplayScale();
    m.panX = 0;
    m.panY = 0;
    activeBuffer = 0;
    expandCursor = 0;
    drawCursor = 0;
    m.partScale = 1.0;
    m.autoFit = 1;
}

void placeFirstGeneration() {
    const SPRITE& m = screenModel;
    allocateBuffer(1, m.partCount);
    for (int i = 0; i < m.partCount; ++i) {
        const Part& part = m.parts[i];
        appendItem(1, part.offsetX, part.offsetY, part.sprite, part.angle, 2 * part.scale, 0);
    }
}

// A new ambient piece, never one of the three played last. Without an engine (tools) the
// choice is still made so that the model evolves the same way.
void startAmbientSound() {
    if (engine != nullptr && engine->isPlaying(ambientChannel)) engine->stopChannel(ambientChannel);
    int32_t c;
    do {
        c = randomBelow(6);
    } while (c == recentAmbient[0] || c == recentAmbient[1] || c == recentAmbient[2]);
    if (engine != nullptr) ambientChannel = engine->playEffect(ambientEffects[c], ambientVolume, 0, 1.0f, false);
    recentAmbient[2] = recentAmbient[1];
    recentAmbient[1] = recentAmbient[0];
    recentAmbient[0] = c;
}

}  // namespace

// Nine significant digits give back the exact 32-bit value; JSON has no literal for the values
// that are not finite, so those become strings.
std::string jsonFloat(float value) {
    if (std::isnan(value)) return "\"nan\"";
    if (std::isinf(value)) return value > 0 ? "\"inf\"" : "\"-inf\"";
    char text[32];
    snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

std::string recipeJson(const ScreenRecipe& recipe) {
    return "\"shapeSeed\":" + std::to_string(recipe.shapeSeed) +
           ",\"mutationSeed\":" + std::to_string(recipe.mutationSeed) +
           ",\"colourSeed\":" + std::to_string(recipe.colourSeed) +
           ",\"paletteSeed\":" + std::to_string(recipe.paletteSeed) +
           ",\"itemTarget\":" + std::to_string(recipe.itemTarget) +
           ",\"partScale\":" + jsonFloat(recipe.partScale);
}

void buildScreen(int flags, bool fromRecipe) {
    SPRITE& m = screenModel;
    if (fromRecipe) {
        shapeGenerator.draw(negated(screenRecipe.shapeSeed));
        mutationGenerator.draw(negated(screenRecipe.mutationSeed));
        colourGenerator.draw(negated(screenRecipe.colourSeed));
        m.savedPartScale = screenRecipe.partScale;
    } else {
        seedFresh(shapeGenerator);
        seedFresh(mutationGenerator);
        seedFresh(colourGenerator);
        savedIndex = savedScreens != nullptr ? savedScreens->count() : 0;
        m.savedPartScale = 0.0;
    }
    if (flags & BUILD_PARTS) buildParts(fromRecipe);
    if (flags & BUILD_PALETTE) buildPalette(fromRecipe);
    if (flags & BUILD_RESET) resetViewAndIteration(fromRecipe);
    placeFirstGeneration();
    if (!fromRecipe && (flags & BUILD_PARTS)) startAmbientSound();

    if (!platform::eventsEnabled()) return;
    platform::emitEvent("screen", "\"flags\":" + std::to_string(flags) +
                                      ",\"fromRecipe\":" + (fromRecipe ? "true" : "false") + "," +
                                      recipeJson(screenRecipe));
}

}  // namespace orn
