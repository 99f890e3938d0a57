// Saved-screen browsing with Up and Down, delete with D, and the gallery: paging with PgUp and
// PgDn, its thumbnails loaded one screen at a time, and the pick with the left button.
#include "interaction/browse.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "app/config.h"
#include "interaction/frame.h"
#include "model/items.h"
#include "model/screen.h"
#include "platform/events.h"
#include "render/render.h"
#include "saved/saved_file.h"

namespace orn {

int32_t savedIndex = 0;
int32_t galleryFirst = -1;
int32_t galleryLoaded = 0;

namespace {

std::string numbered(const char* format, int64_t number) {
    char text[64];
    snprintf(text, sizeof text, format, static_cast<int>(number));
    return text;
}

// The cell of a window-pixel coordinate along one side of the page, truncated toward zero.
// Positions far outside the window are clamped first so the conversion stays defined.
int64_t cellOf(float position, double side) {
    double cell = std::trunc(static_cast<double>(position) / (side * 0.25 * displayScale));
    if (!(cell > -1e6)) cell = -1e6;
    if (cell > 1e6) cell = 1e6;
    return static_cast<int64_t>(cell);
}

}  // namespace

int32_t savedCount() { return savedScreens ? savedScreens->count() : 0; }

bool storeSavedScreens() {
    const bool ok = writeSavedScreens();
    if (platform::eventsEnabled()) {
        platform::emitEvent("save", "\"file\":" + platform::jsonString(saveFilePath()) +
                                        ",\"lines\":" + std::to_string(savedCount()) +
                                        ",\"ok\":" + (ok ? "true" : "false"));
    }
    return ok;
}

void loadSavedScreen(int32_t i) {
    if (i < 0 || i >= savedCount()) return;
    lineToRecipe(savedScreens->text(i), screenRecipe);
    resetScreenState();
    buildScreen(31, true);
}

void galleryPaging() {
    const bool pageUp = engine->keyState(KEY_PGUP);
    const bool pageDown = engine->keyState(KEY_PGDN);
    if (!(pageUp || pageDown) || !keyLockPassed()) return;
    const int32_t n = savedCount();
    showGuides = 0;
    if (pageUp) {
        // From the closed gallery PgUp opens on the last sixteen screens.
        galleryFirst = galleryFirst < 0 ? n - galleryCells : galleryFirst - galleryCells;
        if (galleryFirst < 0) galleryFirst = 0;
    }
    if (pageDown) {
        // The page turns only when a screen lies beyond it.
        if (galleryFirst < 0) {
            galleryFirst = 0;
        } else if (n > galleryFirst + galleryCells) {
            galleryFirst += galleryCells;
        }
        if (n <= galleryFirst) galleryFirst = n - galleryCells;
        if (galleryFirst < 0) galleryFirst = 0;
    }
    // The page is built again from its first cell, even when it did not move.
    galleryLoaded = -1;
    playClick();
    renewKeyLock();
}

void thumbnailLoading() {
    // The next cell starts once the current screen is painted up to its item target.
    if (galleryFirst < 0 || galleryLoaded >= galleryCells || drawCursor < screenModel.itemTarget) return;
    galleryLoaded += 1;
    const int64_t i = static_cast<int64_t>(galleryFirst) + galleryLoaded;
    if (galleryLoaded < galleryCells && i >= 0 && i < savedCount()) {
        loadSavedScreen(static_cast<int32_t>(i));
        // The first loads keep the keys blocked a while after the page opened.
        if (galleryLoaded < 3) renewKeyLock();
    }
}

void galleryPick() {
    if (galleryFirst < 0 || !engine->keyState(KEY_LBUTTON)) return;
    float x = 0, y = 0;
    engine->mousePosition(&x, &y);
    const int64_t column = cellOf(x, screenWidth);
    const int64_t row = cellOf(y, screenHeight);
    const int64_t i = galleryFirst + column + 4 * row;
    if (i < 0 || i >= savedCount()) return;
    galleryFirst = -1;
    loadSavedScreen(static_cast<int32_t>(i));
    savedIndex = static_cast<int32_t>(i);
    showMessage(numbered("Loaded screen %d", i + 1));
    playClick();
}

void deleteSavedScreen() {
    if (!engine->keyState(KEY_D) || !keyLockPassed() || galleryFirst >= 0) return;
    // Only a loaded saved screen can be deleted; after a fresh screen, a save or a delete the
    // index is one past the last line.
    if (savedIndex >= 0 && savedIndex < savedCount()) {
        const int32_t deleted = savedIndex;
        savedScreens->remove(deleted);
        if (storeSavedScreens()) {
            showMessage(numbered("Deleted screen %d", deleted + 1));
        } else {
            // The line is gone from the list; the next successful write drops it from the file.
            showMessage(numbered("Deleted screen %d, but can't update ", deleted + 1) + saveFileName);
        }
        savedIndex = savedCount();
        playClick();
    }
    renewKeyLock();
}

void browseSavedScreens() {
    const bool up = engine->keyState(KEY_UP);
    const bool down = engine->keyState(KEY_DOWN);
    if (!(up || down) || !keyLockPassed()) return;
    galleryFirst = -1;
    savedIndex += up ? -1 : 1;
    const int32_t n = savedCount();
    if (savedIndex < 0) {
        savedIndex = 0;
        showMessage("First");
    } else if (savedIndex >= n) {
        savedIndex = n;
        showMessage("End");
    } else {
        loadSavedScreen(savedIndex);
        showMessage(numbered("Loaded screen %d", static_cast<int64_t>(savedIndex) + 1));
        playClick();
    }
    renewKeyLock();
}

}  // namespace orn
