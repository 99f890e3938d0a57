// What the engine's parts share inside platform/engine: the implementation record behind HGE,
// and the small interface the rasterizer offers to the backends. Not for program code.
#pragma once

#include <cstdint>
#include <string>

#include "platform/engine/hge.h"

// Rasterizer state: textures, render targets, the screen surface, the current scene.
// Defined in raster.h; the backends only create it, size the screen and read its pixels.
struct DrawState;
DrawState* drawCreate();
void drawDestroy(DrawState* draw);
// Makes (or remakes) the screen surface, target 0, of the given size in pixels, cleared to black.
bool drawSetScreen(DrawState* draw, int width, int height);
// The screen surface as premultiplied RGBA, 4 bytes a pixel, rows top to bottom.
const uint8_t* drawScreenPixels(DrawState* draw, int* width, int* height);
// Writes the screen surface as an opaque RGB PNG (what the window shows); false on failure.
bool drawWriteScreenPng(DrawState* draw, const char* path);

struct Backend;      // window or headless: defined by the backend files
struct SoundState;   // channels and effects: defined by sound.cpp
struct PackState;    // mounted packs: defined by packs.cpp

struct EngineImpl {
    int refs = 0;                         // references handed out by hgeCreate
    HgeCallback callbacks[HGE_STATE_COUNT] = {};  // states set with setCallback
    bool flags[HGE_STATE_COUNT] = {};     // states set with setFlag
    int numbers[HGE_STATE_COUNT] = {};    // states set with setNumber
    std::string texts[HGE_STATE_COUNT];   // states set with setText
    std::string error;                    // last failure text for errorMessage
    bool initiated = false;               // initiate succeeded and shutdown has not run
    Backend* backend = nullptr;           // the open backend, null before initiate
    DrawState* draw = nullptr;            // the shared software rasterizer
    SoundState* sound = nullptr;          // effects and channel bookkeeping
    PackState* packs = nullptr;           // PhysicsFS mounts
};
