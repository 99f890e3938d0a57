// The texts over the picture: help, info and status message, each with a black shadow.
#pragma once

namespace orn {

extern const char* const helpText;

void renderOverlay();

}  // namespace orn
