// Test support: the program's engine started on the headless backend as start-up configures
// it, for tests that then load what they need and drive frames themselves.
#pragma once

#include <string>

namespace orn {

// Sets orn::engine to an initiated headless engine with a width by height window, the program's
// frame and render callbacks and its frame rate. Returns the engine's error text, empty on
// success.
std::string startHeadlessEngine(int width, int height);

}  // namespace orn
