// The window backend: an SDL2 window showing the screen surface every frame, real keyboard and
// mouse state as virtual-key codes, and frames paced to the frame rate by sleeping.
#include <SDL.h>
#include <time.h>

#include <cstring>

#include "platform/engine/backend.h"
#include "platform/platform.h"

namespace {

struct WindowState {
    SDL_Window* window;
    SDL_Renderer* renderer;
    SDL_Texture* texture;   // streaming copy of the screen surface
    int width, height;      // screen surface size in pixels (states 8 and 9)
    bool keys[256];         // keys held according to the key events
    bool closeRequested;    // the window manager asked to close: X stays held
    bool mouseOver;         // pointer inside the window
    int wheel;              // wheel steps gathered since the previous frame
    int64_t lastStart;      // counter at the start of the previous frame, 0 before the first
    int64_t deadline;       // counter at which the next frame may start
};

WindowState* stateOf(EngineImpl* engine) { return static_cast<WindowState*>(engine->backend->data); }

void destroyWindow(WindowState* w) {
    if (w->texture) SDL_DestroyTexture(w->texture);
    if (w->renderer) SDL_DestroyRenderer(w->renderer);
    if (w->window) SDL_DestroyWindow(w->window);
    delete w;
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

// True for OpenGL that runs on the processor (as under a virtual display): presenting through it
// costs several times what SDL's own software path does.
bool softwareOpenGl(SDL_Renderer* renderer) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer, &info) != 0 || strncmp(info.name, "opengl", 6) != 0) return false;
    using GetString = const unsigned char* (*)(unsigned int);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    if (!getString) return false;
    const auto* name = reinterpret_cast<const char*>(getString(0x1F01));  // GL_RENDERER
    return name && (strstr(name, "llvmpipe") || strstr(name, "softpipe") || strstr(name, "Software"));
}

// No vertical sync: the frame rate is paced here, and vsync at another rate would halve it.
SDL_Renderer* createRenderer(SDL_Window* window) {
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    if (renderer && softwareOpenGl(renderer)) {
        SDL_DestroyRenderer(renderer);
        renderer = nullptr;
    }
    if (!renderer) {
        // The window's own pixel buffer, put on the display directly.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    }
    return renderer;
}

bool openWindow(EngineImpl* engine, std::string& error) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        error = std::string("Can't open the display: ") + SDL_GetError();
        return false;
    }
    // Without a display SDL quietly falls back to a driver that shows nothing, and the program
    // would run unseen with no way to end it: only take such a driver when it was asked for.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0) &&
        !(asked && SDL_strcasecmp(asked, driver) == 0)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        error = "Can't open the display: no display is available.";
        return false;
    }
    auto* w = new WindowState{};
    w->width = engine->numbers[HGE_SCREENWIDTH];
    w->height = engine->numbers[HGE_SCREENHEIGHT];
    if (w->width <= 0 || w->height <= 0) {
        error = "The window size " + std::to_string(w->width) + "x" + std::to_string(w->height) + " is not valid.";
        destroyWindow(w);
        return false;
    }
    Uint32 flags = SDL_WINDOW_SHOWN;
    if (!engine->flags[HGE_WINDOWED]) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    // Made ready for OpenGL at once, so that trying the OpenGL renderer does not make it anew.
    w->window = SDL_CreateWindow(engine->texts[HGE_TITLE].c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                 w->width, w->height, flags | SDL_WINDOW_OPENGL);
    if (!w->window) {
        w->window = SDL_CreateWindow(engine->texts[HGE_TITLE].c_str(), SDL_WINDOWPOS_CENTERED,
                                     SDL_WINDOWPOS_CENTERED, w->width, w->height, flags);
    }
    if (!w->window) {
        error = std::string("Can't create the window: ") + SDL_GetError();
        destroyWindow(w);
        return false;
    }
    w->renderer = createRenderer(w->window);
    if (w->renderer) {
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
        w->texture = SDL_CreateTexture(w->renderer, SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_STREAMING, w->width,
                                       w->height);
    }
    if (!w->renderer || !w->texture) {
        error = std::string("Can't draw into the window: ") + SDL_GetError();
        destroyWindow(w);
        return false;
    }
    // The screen surface is opaque as shown: its colour is what would be painted on black.
    SDL_SetTextureBlendMode(w->texture, SDL_BLENDMODE_NONE);
    w->mouseOver = SDL_GetMouseFocus() == w->window;
    engine->backend->data = w;
    engine->backend->frameDelta = 0;
    if (engine->flags[HGE_USESOUND]) soundOpen(engine, false);
    return true;
}

void sleepUntil(int64_t deadline) {
    timespec until;
    until.tv_sec = static_cast<time_t>(deadline / 1000000000);
    until.tv_nsec = static_cast<long>(deadline % 1000000000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) != 0) {
    }
}

// Waits for the frame's turn: frames start one period apart, and after a long frame the
// schedule restarts from now instead of rushing to catch up.
void pace(EngineImpl* engine, WindowState* w) {
    int fps = engine->numbers[HGE_FPS];
    int64_t now = platform::counterValue();
    if (fps > 0 && w->lastStart != 0) {
        if (now < w->deadline) {
            sleepUntil(w->deadline);
            now = platform::counterValue();
        }
    }
    int64_t period = fps > 0 ? platform::counterFrequency() / fps : 0;
    if (w->lastStart == 0 || now - w->deadline > period) {
        w->deadline = now + period;
    } else {
        w->deadline += period;
    }
    engine->backend->frameDelta =
        w->lastStart == 0 ? 0.0f : static_cast<float>(static_cast<double>(now - w->lastStart) / 1e9);
    w->lastStart = now;
}

void pollEvents(WindowState* w) {
    w->wheel = 0;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
            case SDL_QUIT: w->closeRequested = true; break;
            case SDL_KEYDOWN:
            case SDL_KEYUP: {
                int key = virtualKeyFromSdl(event.key.keysym.sym);
                if (key > 0) w->keys[key] = event.type == SDL_KEYDOWN;
                break;
            }
            case SDL_MOUSEWHEEL: {
                int steps = event.wheel.y;
                if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
                w->wheel += steps;
                break;
            }
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_ENTER) w->mouseOver = true;
                if (event.window.event == SDL_WINDOWEVENT_LEAVE) w->mouseOver = false;
                // Keys released while another window has the focus never report it here.
                if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) memset(w->keys, 0, sizeof w->keys);
                if (event.window.event == SDL_WINDOWEVENT_CLOSE) w->closeRequested = true;
                break;
            default: break;
        }
    }
}

void beginWindowFrame(EngineImpl* engine) {
    WindowState* w = stateOf(engine);
    pace(engine, w);
    pollEvents(w);
    InputRecord& input = engine->backend->input;
    memcpy(input.keys, w->keys, sizeof input.keys);
    // CTRL, SHIFT and ALT are held when either of their keys is.
    SDL_Keymod mods = SDL_GetModState();
    input.keys[16] = (mods & KMOD_SHIFT) != 0;
    input.keys[17] = (mods & KMOD_CTRL) != 0;
    input.keys[18] = (mods & KMOD_ALT) != 0;
    int x = 0, y = 0;
    Uint32 buttons = SDL_GetMouseState(&x, &y);
    input.keys[KEY_LBUTTON] = (buttons & SDL_BUTTON_LMASK) != 0;
    input.keys[KEY_RBUTTON] = (buttons & SDL_BUTTON_RMASK) != 0;
    // The window closes only through the program's own X command.
    if (w->closeRequested) input.keys[KEY_X] = true;
    // Mouse positions are reported in screen-surface pixels, also when the window was resized.
    int realWidth = w->width, realHeight = w->height;
    SDL_GetWindowSize(w->window, &realWidth, &realHeight);
    input.mouseX = realWidth > 0 ? static_cast<float>(x) * static_cast<float>(w->width) / static_cast<float>(realWidth)
                                 : static_cast<float>(x);
    input.mouseY = realHeight > 0
                       ? static_cast<float>(y) * static_cast<float>(w->height) / static_cast<float>(realHeight)
                       : static_cast<float>(y);
    input.wheel = w->wheel;
    input.mouseOver = w->mouseOver;
}

bool endWindowFrame(EngineImpl* engine) {
    WindowState* w = stateOf(engine);
    int width = 0, height = 0;
    const uint8_t* pixels = drawScreenPixels(engine->draw, &width, &height);
    if (pixels && width == w->width && height == w->height) {
        SDL_UpdateTexture(w->texture, nullptr, pixels, width * 4);
    }
    // The renderer scales only when the window's real size differs from the surface.
    SDL_RenderCopy(w->renderer, w->texture, nullptr, nullptr);
    SDL_RenderPresent(w->renderer);
    return false;
}

void closeWindow(EngineImpl* engine) {
    auto* w = static_cast<WindowState*>(engine->backend->data);
    if (!w) return;
    engine->backend->data = nullptr;
    destroyWindow(w);
}

}  // namespace

const BackendOps windowBackendOps = {openWindow, beginWindowFrame, endWindowFrame, closeWindow};

int virtualKeyFromSdl(int key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return 112 + (key - SDLK_F1);
    switch (key) {
        case SDLK_BACKSPACE: return 8;
        case SDLK_TAB: return 9;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return 13;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return 16;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return 17;
        case SDLK_LALT:
        case SDLK_RALT: return 18;
        case SDLK_PAUSE: return 19;
        case SDLK_ESCAPE: return 27;
        case SDLK_SPACE: return 32;
        case SDLK_PAGEUP: return 33;
        case SDLK_PAGEDOWN: return 34;
        case SDLK_END: return 35;
        case SDLK_HOME: return 36;
        case SDLK_LEFT: return 37;
        case SDLK_UP: return 38;
        case SDLK_RIGHT: return 39;
        case SDLK_DOWN: return 40;
        case SDLK_INSERT: return 45;
        case SDLK_DELETE: return 46;
        default: return 0;
    }
}
