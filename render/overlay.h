// The texts over the picture: help, info and status message, each with a black shadow.
#pragma once

namespace orn {

extern const char* const helpText;

// The info text for the newest generation: its size, whether automatic iteration is on, and
// " (max items)" when no further generation can start. The buffer is reused by the next call.
const char* infoText();

void renderOverlay();

}  // namespace orn
