// The fixed configuration and the run-long objects created at start-up.
#include "app/config.h"

#include "platform/platform.h"

namespace orn {

double screenWidth = 960;
double screenHeight = 960;
double fitMargin = 100;
double displayScale = 1.0;
int32_t framesPerSecond = 50;
double secondsPerFrame = 1.0 / framesPerSecond;
double keyDelay = 0.35 / secondsPerFrame;
const char* const productTitle = "Ornalis 2";
const char* const makerAddress = "ornalis.example";
std::string programDirectory;
const char* const saveFileName = "Ornalis2.sav";

HGE* engine = nullptr;

// The window shrinks in steps of an eighth so that it fits the desktop's smaller side less 60.
double computeDisplayScale() {
    int width = 0, height = 0;
    platform::desktopSize(&width, &height);
    int m = height < width ? height : width;
    if (m < 600) m = 600;
    m -= 60;
    if (m >= screenHeight) return 1.0;
    return static_cast<int>(m / screenHeight * 8) * 0.125;
}

}  // namespace orn
