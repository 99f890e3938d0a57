// Observable events of a headless run, one JSON object per line on standard output, each with
// "frame" and "event". Silent unless a headless run switched them on.
#pragma once

#include <string>

namespace platform {

void enableEvents(bool on);
bool eventsEnabled();
void setEventFrame(long frame);
long eventFrame();
// fields: further JSON members without braces, e.g. "\"text\":\"Saved\"" (may be empty).
void emitEvent(const char* event, const std::string& fields);
// A JSON string literal, quotes included, with the needed escapes.
std::string jsonString(const std::string& text);

}  // namespace platform
