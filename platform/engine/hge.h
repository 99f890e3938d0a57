// The engine layer the program draws, loads and plays through: one instance from hgeCreate,
// reference counted, with a window backend (SDL2) and a headless backend behind it.
// Handles are 32-bit, 0 meaning none. Nothing here throws; failures are return values.
#pragma once

#include <cstdint>

using HTEXTURE = uint32_t;
using HTARGET = uint32_t;
using HEFFECT = uint32_t;
using HCHANNEL = uint32_t;

constexpr int HGE_VERSION = 0x160;

// One corner of a quad as the sprite fills it: position in target pixels, depth (ignored),
// ARGB tint and texture coordinates as fractions of the texture's sheet size.
struct QuadVertex {
    float x, y, z;
    uint32_t colour;
    float tx, ty;
};

// The record drawQuad takes. Vertices run top-left, top-right, bottom-right, bottom-left.
// blend 2 is source-over, blend 0 adds the tinted source weighted by its alpha.
struct Quad {
    QuadVertex v[4];
    uint32_t texture;
    int32_t blend;
};
static_assert(sizeof(QuadVertex) == 24, "QuadVertex layout is shared with saved drawing code");
static_assert(sizeof(Quad) == 104, "Quad layout is shared between the sprite and the engine");

constexpr int32_t BLEND_ADD = 0;
constexpr int32_t BLEND_ALPHA = 2;

// State numbers the program sets before initiate.
enum HgeState : int {
    HGE_FRAMEFUNC = 1,
    HGE_RENDERFUNC = 2,
    HGE_TITLE = 7,
    HGE_SCREENWIDTH = 8,
    HGE_SCREENHEIGHT = 9,
    HGE_SCREENBPP = 10,
    HGE_WINDOWED = 11,
    HGE_ZBUFFER = 12,
    HGE_TEXTUREFILTER = 13,
    HGE_USESOUND = 18,
    HGE_FPS = 23,
    HGE_HIDEMOUSE = 24,
    HGE_SHOWSPLASH = 25,
    HGE_STATE_COUNT = 32
};

using HgeCallback = bool (*)();

// Virtual-key codes keyState takes (Windows numbering).
enum HgeKey : int {
    KEY_LBUTTON = 1, KEY_RBUTTON = 2, KEY_TAB = 9, KEY_CTRL = 17, KEY_SPACE = 32,
    KEY_PGUP = 33, KEY_PGDN = 34, KEY_UP = 38, KEY_DOWN = 40,
    KEY_A = 65, KEY_B = 66, KEY_D = 68, KEY_I = 73, KEY_N = 78, KEY_R = 82, KEY_S = 83,
    KEY_X = 88
};

struct EngineImpl;

class HGE {
public:
    // Drops one reference; the last one destroys the engine.
    void release();

    bool initiate();
    // Runs the frame loop until the frame callback returns true.
    bool start();
    void shutdown();
    const char* errorMessage();
    // Appends one formatted line to the log file in the program directory.
    void log(const char* format, ...);

    void setCallback(int state, HgeCallback fn);
    void setFlag(int state, bool value);
    void setNumber(int state, int value);
    void setText(int state, const char* value);
    HgeCallback callbackState(int state);
    bool flagState(int state);
    int numberState(int state);
    const char* textState(int state);

    // Packs: zip archives mounted in the search path, searched before the disk.
    bool attachPack(const char* file, const char* password = nullptr);
    void* loadResource(const char* name, uint32_t* size = nullptr);
    void freeResource(void* block);

    HTEXTURE loadTexture(const char* file, uint32_t size = 0, bool mipmaps = false);
    void freeTexture(HTEXTURE texture);
    // original true: the image's size; false: the size texture coordinates refer to.
    int textureWidth(HTEXTURE texture, bool original = false);
    int textureHeight(HTEXTURE texture, bool original = false);

    HTARGET createTarget(int width, int height, bool zbuffer);
    void freeTarget(HTARGET target);
    HTEXTURE targetTexture(HTARGET target);

    HEFFECT loadEffect(const char* file, uint32_t size = 0);
    HCHANNEL playEffect(HEFFECT effect, int volume = 100, int pan = 0, float pitch = 1.0f, bool loop = false);
    bool isPlaying(HCHANNEL channel);
    void stopChannel(HCHANNEL channel);

    float frameDelta();
    void mousePosition(float* x, float* y);
    int mouseWheel();
    bool mouseOver();
    bool keyState(int key);

    bool beginScene(HTARGET target = 0);
    void endScene();
    void clear(uint32_t colour);
    // All zero means the whole current target.
    void setClipping(int x = 0, int y = 0, int width = 0, int height = 0);
    void setTransform(float x = 0, float y = 0, float dx = 0, float dy = 0, float rotation = 0,
                      float hscale = 0, float vscale = 0);
    void drawLine(float x1, float y1, float x2, float y2, uint32_t colour = 0xFFFFFFFF, float z = 0.5f);
    void drawQuad(const Quad* quad);

    EngineImpl* impl = nullptr;  // backend, rasterizer, packs, sound and input state
};

// Hands out the one engine instance and counts references; null for an unknown version.
HGE* hgeCreate(int version);
