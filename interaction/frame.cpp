// The frame function and the command keys.
#include "interaction/frame.h"

namespace orn {

double clock = 0;
double keyLockUntil = 0;
std::string message;
double messageUntil = 0;
double infoUntil = 0;
int32_t showGuides = 0;
int32_t iterationAutoOff = 0;
TIX frameStopwatch;

}  // namespace orn
