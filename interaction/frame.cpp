// The frame function and the command keys: one pass per frame over time, mouse and keys, then
// one slice of the iteration and one fit step.
#include "interaction/frame.h"

#include "app/assets.h"
#include "app/config.h"
#include "interaction/browse.h"
#include "model/items.h"
#include "model/iteration.h"
#include "model/screen.h"
#include "model/view.h"
#include "platform/events.h"
#include "render/render.h"

namespace orn {

double clock = 0;
double keyLockUntil = 0;
std::string message;
double messageUntil = 0;
double infoUntil = 0;
int32_t showGuides = 0;
int32_t iterationAutoOff = 0;
TIX frameStopwatch;

bool keyLockPassed() { return keyLockUntil < clock; }

void renewKeyLock() { keyLockUntil = clock + keyDelay; }

void showMessage(const std::string& text) {
    message = text;
    messageUntil = clock + 5 * keyDelay;
    if (platform::eventsEnabled()) platform::emitEvent("message", "\"text\":" + platform::jsonString(text));
}

void playClick() { engine->playEffect(clickEffect, 70, 0, 1.0f, false); }

namespace {

bool galleryClosed() { return galleryFirst < 0; }

// A command acts while its key is held, once the lock-out has passed.
bool commandKey(int code) { return engine->keyState(code) && keyLockPassed(); }

}  // namespace

bool frameFunction() {
    float dt = engine->frameDelta();
    // Started before everything else, so the iteration's budget includes this frame's commands.
    frameStopwatch.reset();

    float mouseX = 0, mouseY = 0;
    engine->mousePosition(&mouseX, &mouseY);
    applyViewInput(mouseX / displayScale, mouseY / displayScale);

    if (commandKey(KEY_X)) return true;

    if (commandKey(KEY_N)) {
        galleryFirst = -1;
        resetScreenState();
        buildScreen(127, false);
        renewKeyLock();
    }
    if (commandKey(KEY_A) && galleryClosed()) {
        screenModel.autoFit = 1;
        renewKeyLock();
    }
    if (commandKey(KEY_SPACE) && galleryClosed()) {
        drawCursor = 0;
        showGuides = (showGuides + 1) % 2;
        renewKeyLock();
    }

    // The gallery and browsing steps test their own keys and conditions.
    galleryPaging();
    thumbnailLoading();
    galleryPick();
    if (commandKey(KEY_S) && galleryClosed()) saveScreenCommand();
    deleteSavedScreen();
    browseSavedScreens();

    if (commandKey(KEY_R) && galleryClosed()) {
        resetScreenState();
        buildScreen(0, false);
        screenModel.autoFit = 0;
        iterationAutoOff = (iterationAutoOff + 1) % 2;
        expandCursor = 0;
        drawCursor = 0;
        // With automatic iteration off the first generation already meets the target.
        screenModel.itemTarget = iterationAutoOff == 0 ? autoItemTarget : screenModel.partCount;
        playClick();
        renewKeyLock();
    }
    if (commandKey(KEY_B) && galleryClosed()) {
        resetScreenState();
        buildScreen(2, false);
        screenModel.autoFit = 0;
        drawCursor = 0;
        playClick();
        renewKeyLock();
    }

    runIteration();
    fitView();
    clock = clock + dt / secondsPerFrame;
    return false;
}

}  // namespace orn
