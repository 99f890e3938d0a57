// The texts over the picture, drawn at the end of the screen scene while the gallery is closed:
// the help while the left button is held, the info text while a generation grows and for a
// while after TAB, I or R, and the status message until its time runs out.
#include "render/overlay.h"

#include <cstdint>
#include <cstdio>

#include "app/assets.h"
#include "app/config.h"
#include "interaction/browse.h"
#include "interaction/frame.h"
#include "model/items.h"
#include "model/iteration.h"
#include "model/screen.h"
#include "render/render.h"

namespace orn {

const char* const helpText =
    "Ornalis 2 is made by the Ornalis developers - ornalis.example\n"
    "\n"
    "\n"
    "_____ Control _____\n"
    "N - New screen\n"
    "B - New colors\n"
    "MouseWheel - Zoom screen\n"
    "MouseRightButton+Move - Position\n"
    "MouseWheel+CTRL - Zoom parts\n"
    "TAB - Next iteration\n"
    "A - Auto mode on\n"
    "I - Info\n"
    "R - Iteration auto on/off\n"
    "SPACE - Show next iteration\n"
    "S - Save screen\n"
    "Arrow UP, DOWN - View saved\n"
    "D - Delete screen\n"
    "PageUP, PageDOWN - Views saved in the gallery\n"
    "X - Exits application\n"
    "\n"
    "\n"
    "Thanks to everyone who shares the free libraries this program stands on.\n"
    "\n"
    "Graphics: our own engine on SDL2, SDL2_image with libpng, and PhysicsFS for the packs\n"
    "Sound: SDL2_mixer; fonts made with FreeType from the DejaVu fonts\n"
    "Sprites, music and sounds: made by the program's own generator tools\n"
    "Program: the Ornalis developers\n"
    "\n"
    "Ornalis 2 is free to use and to share.";

namespace {

constexpr uint32_t shadowColour = 0xFF000000;
constexpr uint32_t textWhite = 0xFFFFFFFF;

// One text at logical row y, centred on the vertical centre line: two black copies offset by
// one pixel down-right and up-left, then the text in its colour. The text is drawn as it is,
// never used as a format.
void drawShadowed(hgeFont* font, const char* text, double y, uint32_t colour) {
    if (!font) return;
    const double centre = screenWidth * 0.5;
    font->setScale(1.0f);
    font->setColor(shadowColour);
    font->renderText(static_cast<float>((centre + 1) * displayScale), static_cast<float>((y + 1) * displayScale),
                     alignCenter, text);
    font->renderText(static_cast<float>((centre - 1) * displayScale), static_cast<float>((y - 1) * displayScale),
                     alignCenter, text);
    font->setColor(colour);
    font->renderText(static_cast<float>(centre * displayScale), static_cast<float>(y * displayScale), alignCenter,
                     text);
}

}  // namespace

const char* infoText() {
    // Formatted into a fixed buffer: the text is redrawn every frame and must not allocate.
    static char text[96];
    const int32_t capacity = bufferCapacity(1);
    const bool atLimit = static_cast<int64_t>(capacity) * screenModel.partCount > maxGenerationItems;
    snprintf(text, sizeof text, "Number of parts: %ld\nIteration auto: %s%s", static_cast<long>(capacity),
             iterationAutoOff ? "Off" : "On", atLimit ? " (max items)" : "");
    return text;
}

void renderOverlay() {
    const bool galleryClosed = galleryFirst < 0;
    if (engine->keyState(KEY_LBUTTON) && galleryClosed) {
        drawShadowed(fontLarge, productTitle, 150, textColorHighlight);
        drawShadowed(fontSmall, helpText, 190, textColorHighlight);
    }
    // Armed also while the gallery is open, so the text can show as soon as it closes.
    if (engine->keyState(KEY_TAB) || engine->keyState(KEY_I) || engine->keyState(KEY_R) ||
        bufferCapacity(1) > drawCursor) {
        infoUntil = clock + 5 * keyDelay;
    }
    if (infoUntil > clock && galleryClosed) drawShadowed(fontSmall, infoText(), 50, textWhite);
    if (messageUntil > clock && galleryClosed) drawShadowed(fontSmall, message.c_str(), 110, textWhite);
}

}  // namespace orn
