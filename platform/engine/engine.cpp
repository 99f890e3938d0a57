// The engine instance: reference counting, states, initiate/start/shutdown, the frame loop,
// input queries and the log. Drawing, packs and sound live in their own files.
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/engine/backend.h"
#include "platform/engine/headless.h"
#include "platform/engine/hge.h"
#include "platform/events.h"
#include "platform/platform.h"

namespace {

struct EngineGlobals {
    HGE* instance;                      // the one engine, null when none exists
    std::vector<std::string> stateLog;  // state calls of the newest engine, in order
};
EngineGlobals globals = {};

// Values the engine starts with, before the program sets its states.
void setDefaultStates(EngineImpl* impl) {
    impl->numbers[HGE_SCREENWIDTH] = 800;
    impl->numbers[HGE_SCREENHEIGHT] = 600;
    impl->numbers[HGE_SCREENBPP] = 32;
    impl->numbers[HGE_FPS] = 0;
    impl->flags[HGE_WINDOWED] = true;
    impl->flags[HGE_USESOUND] = true;
    impl->texts[HGE_TITLE] = "";
}

bool validState(int state) { return state >= 0 && state < HGE_STATE_COUNT; }

void logState(const char* kind, int state, const std::string& value) {
    globals.stateLog.push_back(std::string(kind) + " " + std::to_string(state) + " " + value);
}

}  // namespace

const std::vector<std::string>& hgeStateLog() { return globals.stateLog; }

EngineImpl* engineCurrent() { return globals.instance ? globals.instance->impl : nullptr; }

HGE* hgeCreate(int version) {
    if (version != HGE_VERSION) return nullptr;
    if (!globals.instance) {
        HGE* hge = new HGE;
        hge->impl = new EngineImpl;
        setDefaultStates(hge->impl);
        hge->impl->draw = drawCreate();
        globals.stateLog.clear();
        globals.instance = hge;
    }
    globals.instance->impl->refs += 1;
    return globals.instance;
}

void HGE::release() {
    if (--impl->refs > 0) return;
    shutdown();
    soundDestroy(impl);
    packsDestroy(impl);
    drawDestroy(impl->draw);
    delete impl;
    if (globals.instance == this) globals.instance = nullptr;
    delete this;
}

bool HGE::initiate() {
    if (impl->initiated) return true;
    impl->error.clear();
    auto* backend = new Backend{};
    backend->ops = hgeHeadless() ? &headlessBackendOps : &windowBackendOps;
    impl->backend = backend;
    std::string error;
    if (!backend->ops->open(impl, error)) {
        impl->error = error;
        impl->backend = nullptr;
        delete backend;
        return false;
    }
    // The screen surface is the window in window pixels.
    if (!drawSetScreen(impl->draw, impl->numbers[HGE_SCREENWIDTH], impl->numbers[HGE_SCREENHEIGHT])) {
        impl->error = "Can't create the screen surface of " + std::to_string(impl->numbers[HGE_SCREENWIDTH]) + "x" +
                      std::to_string(impl->numbers[HGE_SCREENHEIGHT]) + " pixels.";
        backend->ops->close(impl);
        impl->backend = nullptr;
        delete backend;
        return false;
    }
    impl->initiated = true;
    return true;
}

bool HGE::start() {
    if (!impl->initiated || !impl->backend) {
        impl->error = "The engine is not initiated.";
        return false;
    }
    HgeCallback frame = impl->callbacks[HGE_FRAMEFUNC];
    HgeCallback render = impl->callbacks[HGE_RENDERFUNC];
    if (!frame) {
        impl->error = "No frame function.";
        return false;
    }
    Backend* backend = impl->backend;
    for (;;) {
        backend->ops->beginFrame(impl);
        if (frame()) break;
        if (render) render();
        if (backend->ops->endFrame(impl)) break;
    }
    return true;
}

void HGE::shutdown() {
    if (impl->backend) {
        impl->backend->ops->close(impl);
        delete impl->backend;
        impl->backend = nullptr;
    }
    soundClose(impl);
    impl->initiated = false;
}

const char* HGE::errorMessage() { return impl->error.c_str(); }

void HGE::log(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    std::string line;
    if (n >= static_cast<int>(sizeof buffer)) {
        line.resize(static_cast<size_t>(n) + 1);
        va_start(args, format);
        vsnprintf(line.data(), line.size(), format, args);
        va_end(args);
        line.resize(static_cast<size_t>(n));
    } else if (n > 0) {
        line.assign(buffer, static_cast<size_t>(n));
    }
    FILE* file = fopen(platform::programPath("ornalis2.log").c_str(), "ab");
    if (!file) return;
    line += "\n";
    fwrite(line.data(), 1, line.size(), file);
    fclose(file);
}

void HGE::setCallback(int state, HgeCallback fn) {
    if (!validState(state)) return;
    impl->callbacks[state] = fn;
    logState("setCallback", state, fn ? "set" : "null");
}

void HGE::setFlag(int state, bool value) {
    if (!validState(state)) return;
    impl->flags[state] = value;
    logState("setFlag", state, value ? "true" : "false");
}

void HGE::setNumber(int state, int value) {
    if (!validState(state)) return;
    impl->numbers[state] = value;
    logState("setNumber", state, std::to_string(value));
}

void HGE::setText(int state, const char* value) {
    if (!validState(state)) return;
    impl->texts[state] = value ? value : "";
    logState("setText", state, impl->texts[state]);
}

HgeCallback HGE::callbackState(int state) { return validState(state) ? impl->callbacks[state] : nullptr; }
bool HGE::flagState(int state) { return validState(state) && impl->flags[state]; }
int HGE::numberState(int state) { return validState(state) ? impl->numbers[state] : 0; }
const char* HGE::textState(int state) { return validState(state) ? impl->texts[state].c_str() : ""; }

float HGE::frameDelta() { return impl->backend ? impl->backend->frameDelta : 0.0f; }

void HGE::mousePosition(float* x, float* y) {
    const InputRecord* input = impl->backend ? &impl->backend->input : nullptr;
    if (x) *x = input ? input->mouseX : 0.0f;
    if (y) *y = input ? input->mouseY : 0.0f;
}

int HGE::mouseWheel() { return impl->backend ? impl->backend->input.wheel : 0; }

bool HGE::mouseOver() { return impl->backend && impl->backend->input.mouseOver; }

bool HGE::keyState(int key) {
    if (!impl->backend || key < 0 || key >= 256) return false;
    return impl->backend->input.keys[key];
}
