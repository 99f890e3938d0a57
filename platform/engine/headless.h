// Selecting the headless backend and feeding it a script of input, for tests, benchmarks and
// the command-line export tools.
#pragma once

#include <string>
#include <vector>

#include "platform/engine/hge.h"

// The next initiate opens the headless backend (true) or the SDL window (false, the default).
// Headless, message boxes become "messagebox" events answered No (or as a script says), and the
// desktop is 1920 by 1080 unless a desktop size was set before.
void hgeUseHeadless(bool headless);
bool hgeHeadless();
// Reads a script of "F key CODE down|up", "F mouse X Y", "F wheel N", "F shot FILE.png",
// "F quit", "answer yes|no", "desktop W H"; selects the headless backend, switches the JSON
// events on and answers message boxes from it. False with a message on a bad script.
bool hgeLoadScript(const char* path, std::string& error);
// Stops the headless frame loop after this many frames (0: no limit); used by export tools.
void hgeHeadlessFrameLimit(long frames);

// Input for tests that run frameFunction and renderFunction themselves on an initiated
// headless engine: the state holds until changed. The wheel counts for the next frame only.
void hgeHeadlessKey(int code, bool down);
void hgeHeadlessMouse(float x, float y);
void hgeHeadlessWheel(int steps);
// Ends the current frame as the headless loop does between frames (wheel reset, frame count).
void hgeHeadlessEndFrame();

// Writes a render target (0: the screen surface) as an opaque PNG, as if composed on black.
bool hgeWriteTargetPng(HTARGET target, const char* path);

// Every state call (setCallback, setFlag, setNumber, setText) of the newest engine in order, as
// "setNumber 8 960"; kept after the engine is released so a test can check a whole start-up.
const std::vector<std::string>& hgeStateLog();
