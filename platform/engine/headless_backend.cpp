// The headless backend: no window and no sound device, a fixed frame delta, frames as fast as
// they come, and input, screenshots, the end of the run and message-box answers from a script.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/engine/backend.h"
#include "platform/engine/headless.h"
#include "platform/events.h"
#include "platform/platform.h"

namespace {

enum class CommandKind { Key, Mouse, Wheel, Shot, Quit };

struct ScriptCommand {
    long frame;        // frame at which it acts
    CommandKind kind;
    int code;          // key code, or wheel steps
    bool down;         // key pressed or released
    float x, y;        // mouse position in window pixels
    std::string file;  // screenshot path
    bool done;         // already carried out
};

struct HeadlessState {
    bool selected;                        // the next initiate opens the headless backend
    bool answerYes;                       // answer to yes/no message boxes
    long frameLimit;                      // frames to run before the loop ends, 0 for no limit
    long frame;                           // number of the frame running, 0 during start-up
    std::vector<ScriptCommand> commands;  // the script, ordered by frame
};
HeadlessState headless = {};

// Message boxes of a headless run are events, answered from the script.
bool answerMessageBox(const char* text, const char* caption, bool question) {
    platform::emitEvent("messagebox", "\"text\":" + platform::jsonString(text ? text : "") +
                                          ",\"caption\":" + platform::jsonString(caption ? caption : ""));
    return question && headless.answerYes;
}

float frameSeconds(const EngineImpl* engine) {
    int fps = engine->numbers[HGE_FPS];
    return fps > 0 ? 1.0f / static_cast<float>(fps) : 1.0f / 50.0f;
}

void updateMouseOver(EngineImpl* engine) {
    InputRecord& input = engine->backend->input;
    input.mouseOver = input.mouseX >= 0 && input.mouseY >= 0 &&
                      input.mouseX < static_cast<float>(engine->numbers[HGE_SCREENWIDTH]) &&
                      input.mouseY < static_cast<float>(engine->numbers[HGE_SCREENHEIGHT]);
}

bool openHeadless(EngineImpl* engine, std::string&) {
    engine->backend->input = InputRecord{};
    updateMouseOver(engine);
    engine->backend->frameDelta = frameSeconds(engine);
    headless.frame = 0;
    platform::setEventFrame(0);
    for (ScriptCommand& c : headless.commands) c.done = false;
    return true;
}

void beginHeadlessFrame(EngineImpl* engine) {
    headless.frame += 1;
    platform::setEventFrame(headless.frame);
    Backend* backend = engine->backend;
    backend->frameDelta = frameSeconds(engine);
    backend->input.wheel = 0;
    for (ScriptCommand& c : headless.commands) {
        if (c.frame > headless.frame) break;
        if (c.done) continue;
        switch (c.kind) {
            case CommandKind::Key: backend->input.keys[c.code] = c.down; break;
            case CommandKind::Mouse:
                backend->input.mouseX = c.x;
                backend->input.mouseY = c.y;
                updateMouseOver(engine);
                break;
            case CommandKind::Wheel:
                // Only a wheel command of this very frame turns the wheel.
                if (c.frame == headless.frame) backend->input.wheel += c.code;
                break;
            case CommandKind::Shot:
            case CommandKind::Quit: continue;  // after the render callback
        }
        c.done = true;
    }
}

bool endHeadlessFrame(EngineImpl* engine) {
    bool quit = false;
    for (ScriptCommand& c : headless.commands) {
        if (c.frame > headless.frame) break;
        if (c.done) continue;
        if (c.kind == CommandKind::Shot) {
            bool ok = drawWriteScreenPng(engine->draw, c.file.c_str());
            if (!ok) fprintf(stderr, "Can't write the screenshot %s\n", c.file.c_str());
            platform::emitEvent("shot", "\"file\":" + platform::jsonString(c.file) + ",\"ok\":" + (ok ? "true" : "false"));
            c.done = true;
        } else if (c.kind == CommandKind::Quit) {
            quit = true;
            c.done = true;
        }
    }
    if (headless.frameLimit > 0 && headless.frame >= headless.frameLimit) quit = true;
    return quit;
}

void closeHeadless(EngineImpl*) {}

bool parseLong(const std::string& text, long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = strtol(text.c_str(), &end, 10);
    return *end == '\0';
}

bool parseFloat(const std::string& text, float& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = strtof(text.c_str(), &end);
    return *end == '\0';
}

// One script line; false with a reason when it is not a command.
bool parseLine(const std::vector<std::string>& words, std::vector<ScriptCommand>& commands, bool& answerYes,
               int& desktopWidth, int& desktopHeight, std::string& reason) {
    if (words[0] == "answer") {
        if (words.size() != 2 || (words[1] != "yes" && words[1] != "no")) {
            reason = "expected: answer yes|no";
            return false;
        }
        answerYes = words[1] == "yes";
        return true;
    }
    if (words[0] == "desktop") {
        long w = 0, h = 0;
        if (words.size() != 3 || !parseLong(words[1], w) || !parseLong(words[2], h) || w <= 0 || h <= 0 ||
            w > 65536 || h > 65536) {
            reason = "expected: desktop WIDTH HEIGHT (positive)";
            return false;
        }
        desktopWidth = static_cast<int>(w);
        desktopHeight = static_cast<int>(h);
        return true;
    }
    ScriptCommand c = {};
    if (!parseLong(words[0], c.frame) || c.frame < 0) {
        reason = "expected a frame number, answer or desktop";
        return false;
    }
    if (words.size() < 2) {
        reason = "a command must follow the frame number";
        return false;
    }
    const std::string& verb = words[1];
    long n = 0;
    if (verb == "key") {
        c.kind = CommandKind::Key;
        if (words.size() != 4 || !parseLong(words[2], n) || n < 0 || n > 255 ||
            (words[3] != "down" && words[3] != "up")) {
            reason = "expected: F key CODE down|up (CODE 0..255)";
            return false;
        }
        c.code = static_cast<int>(n);
        c.down = words[3] == "down";
    } else if (verb == "mouse") {
        c.kind = CommandKind::Mouse;
        if (words.size() != 4 || !parseFloat(words[2], c.x) || !parseFloat(words[3], c.y)) {
            reason = "expected: F mouse X Y";
            return false;
        }
    } else if (verb == "wheel") {
        c.kind = CommandKind::Wheel;
        if (words.size() != 3 || !parseLong(words[2], n) || n < -1000000 || n > 1000000) {
            reason = "expected: F wheel STEPS";
            return false;
        }
        c.code = static_cast<int>(n);
    } else if (verb == "shot") {
        c.kind = CommandKind::Shot;
        if (words.size() != 3) {
            reason = "expected: F shot FILE.png";
            return false;
        }
        c.file = words[2];
    } else if (verb == "quit") {
        c.kind = CommandKind::Quit;
        if (words.size() != 2) {
            reason = "expected: F quit";
            return false;
        }
    } else {
        reason = "unknown command \"" + verb + "\"";
        return false;
    }
    commands.push_back(c);
    return true;
}

}  // namespace

const BackendOps headlessBackendOps = {openHeadless, beginHeadlessFrame, endHeadlessFrame, closeHeadless};

void hgeUseHeadless(bool on) {
    headless.selected = on;
    if (on) {
        platform::setMessageBoxHook(answerMessageBox);
        // A headless run sees the same desktop on every machine unless told otherwise.
        if (!platform::hasDesktopOverride()) platform::setDesktopSize(1920, 1080);
    } else {
        platform::setMessageBoxHook(nullptr);
    }
}

bool hgeHeadless() { return headless.selected; }

bool hgeLoadScript(const char* path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::string("Can't read the script ") + path;
        return false;
    }
    std::vector<ScriptCommand> commands;
    bool answerYes = false;
    int desktopWidth = 1920, desktopHeight = 1080;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::vector<std::string> list;
        std::string word;
        while (words >> word) list.push_back(word);
        if (list.empty() || list[0][0] == '#') continue;
        std::string reason;
        if (!parseLine(list, commands, answerYes, desktopWidth, desktopHeight, reason)) {
            error = std::string(path) + ":" + std::to_string(number) + ": " + reason;
            return false;
        }
    }
    // Commands of one frame act in the order written.
    std::stable_sort(commands.begin(), commands.end(),
                     [](const ScriptCommand& a, const ScriptCommand& b) { return a.frame < b.frame; });
    headless.commands = std::move(commands);
    headless.answerYes = answerYes;
    platform::setDesktopSize(desktopWidth, desktopHeight);
    platform::enableEvents(true);
    hgeUseHeadless(true);
    return true;
}

void hgeHeadlessFrameLimit(long frames) { headless.frameLimit = frames; }

void hgeHeadlessKey(int code, bool down) {
    EngineImpl* engine = engineCurrent();
    if (!engine || !engine->backend || code < 0 || code > 255) return;
    engine->backend->input.keys[code] = down;
}

void hgeHeadlessMouse(float x, float y) {
    EngineImpl* engine = engineCurrent();
    if (!engine || !engine->backend) return;
    engine->backend->input.mouseX = x;
    engine->backend->input.mouseY = y;
    updateMouseOver(engine);
}

void hgeHeadlessWheel(int steps) {
    EngineImpl* engine = engineCurrent();
    if (!engine || !engine->backend) return;
    engine->backend->input.wheel += steps;
}

void hgeHeadlessEndFrame() {
    EngineImpl* engine = engineCurrent();
    if (engine && engine->backend) engine->backend->input.wheel = 0;
    headless.frame += 1;
    platform::setEventFrame(headless.frame);
}
