// The frame function: reads time, mouse and command keys once per frame and drives the model.
#pragma once

#include <cstdint>
#include <string>

#include "primitives/stopwatch.h"

namespace orn {

extern double clock;            // application time in frames, 0 at every screen build
extern double keyLockUntil;     // command keys act only while keyLockUntil < clock
extern std::string message;     // status message
extern double messageUntil;     // clock up to which the message shows
extern double infoUntil;        // clock up to which the info text shows
extern int32_t showGuides;      // next-iteration guides on
extern int32_t iterationAutoOff;  // 1 when automatic iteration is off
extern TIX frameStopwatch;      // started on entry to the frame function; read by runIteration

constexpr int32_t autoItemTarget = 20000;

bool keyLockPassed();
void renewKeyLock();
void showMessage(const std::string& text);
void playClick();
// The S command's work once it acts: the recipe saved as a new line and the file rewritten.
void saveScreenCommand();

bool frameFunction();

}  // namespace orn
