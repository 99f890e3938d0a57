// The narrow interface between the engine and its two backends (SDL window, headless): open,
// poll input into an input record, present the screen surface, pace the frame, close.
#pragma once

#include <string>

#include "platform/engine/engine_internal.h"

// Input as the engine reports it during one frame.
struct InputRecord {
    bool keys[256];    // held state by virtual-key code, mouse buttons 1 and 2 included
    float mouseX;      // window pixels
    float mouseY;
    int wheel;         // signed wheel steps of this frame
    bool mouseOver;    // pointer inside the window
};

struct BackendOps {
    // Opens what the backend needs for the engine's states; false with a reason otherwise.
    bool (*open)(EngineImpl* engine, std::string& error);
    // Starts a frame: waits for its time, fills the input record and the frame delta.
    void (*beginFrame)(EngineImpl* engine);
    // Ends a frame after the render callback: shows the screen surface; true ends the loop.
    bool (*endFrame)(EngineImpl* engine);
    void (*close)(EngineImpl* engine);
};

struct Backend {
    const BackendOps* ops;  // the backend's operations
    void* data;             // the backend's own state
    InputRecord input;      // what keyState, mousePosition, mouseWheel and mouseOver report
    float frameDelta;       // seconds since the previous frame
};

extern const BackendOps windowBackendOps;
extern const BackendOps headlessBackendOps;

// Virtual-key code of an SDL key code (SDL_Keycode), 0 when the program has no use for it.
int virtualKeyFromSdl(int sdlKeycode);

// Sound bookkeeping shared by both backends (sound.cpp). soundOpen opens the mixer: on the
// real device when one works, else on SDL's dummy driver (always so when dummyOnly).
bool soundOpen(EngineImpl* engine, bool dummyOnly);
void soundClose(EngineImpl* engine);
void soundDestroy(EngineImpl* engine);

// Packs (packs.cpp): releases the mounts when the engine goes away.
void packsDestroy(EngineImpl* engine);

// The engine of the running program, null when none exists (engine.cpp).
EngineImpl* engineCurrent();
