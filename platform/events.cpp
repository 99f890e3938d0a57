// Headless-run events written as JSON lines.
#include "platform/events.h"

#include <cstdio>

namespace platform {

namespace {
struct EventState {
    bool enabled;  // a headless run prints events
    long frame;    // frame number stamped on each event
};
EventState events = {};
}  // namespace

void enableEvents(bool on) { events.enabled = on; }
bool eventsEnabled() { return events.enabled; }
void setEventFrame(long frame) { events.frame = frame; }
long eventFrame() { return events.frame; }

void emitEvent(const char* event, const std::string& fields) {
    if (!events.enabled) return;
    std::string line = "{\"frame\":" + std::to_string(events.frame) + ",\"event\":" + jsonString(event);
    if (!fields.empty()) line += "," + fields;
    line += "}\n";
    fwrite(line.data(), 1, line.size(), stdout);
    fflush(stdout);
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

}  // namespace platform
