// The program's fixed configuration and the objects start-up creates for the whole run.
#pragma once

#include <cstdint>
#include <string>

#include "platform/engine/hge.h"

namespace orn {

extern double screenWidth;     // logical screen, 960 or the desktop in full screen
extern double screenHeight;
extern double fitMargin;       // auto-fit margin in logical pixels
extern double displayScale;    // window pixels per logical pixel
extern int32_t framesPerSecond;
extern double secondsPerFrame;
extern double keyDelay;        // key lock-out in frames
extern const char* const productTitle;
extern const char* const makerAddress;
extern std::string programDirectory;
extern const char* const saveFileName;

extern HGE* engine;

double computeDisplayScale();

}  // namespace orn
