// The engine's drawing operations (textures, targets, scenes, quads, lines) on the shared
// software rasterizer, and what the backends use of it: the screen surface and its PNG.
#include "platform/engine/headless.h"
#include "platform/engine/raster.h"

namespace {

// The rasterizer of the engine instance, for writing targets without an engine reference.
DrawState* currentDraw = nullptr;

}  // namespace

DrawState* drawCreate() {
    auto* draw = new DrawState;
    rasterInit(*draw);
    currentDraw = draw;
    return draw;
}

void drawDestroy(DrawState* draw) {
    if (currentDraw == draw) currentDraw = nullptr;
    delete draw;
}

bool drawSetScreen(DrawState* draw, int width, int height) {
    return draw && rasterSetScreen(*draw, width, height);
}

const uint8_t* drawScreenPixels(DrawState* draw, int* width, int* height) {
    if (width) *width = 0;
    if (height) *height = 0;
    if (!draw || draw->screen.pixels.empty()) return nullptr;
    if (width) *width = draw->screen.width;
    if (height) *height = draw->screen.height;
    return reinterpret_cast<const uint8_t*>(draw->screen.pixels.data());
}

bool drawWriteScreenPng(DrawState* draw, const char* path) {
    if (!draw) return false;
    return rasterWritePng(draw->screen, path);
}

bool hgeWriteTargetPng(HTARGET target, const char* path) {
    if (!currentDraw) return false;
    RasterTexture* surface = rasterSurface(*currentDraw, target);
    return surface && rasterWritePng(*surface, path);
}

// With a size, file points at a PNG image of that many bytes in memory; otherwise it names a
// resource, read from the attached packs or the disk.
HTEXTURE HGE::loadTexture(const char* file, uint32_t size, bool mipmaps) {
    if (!impl || !impl->draw || !file) return 0;
    if (size > 0) return rasterTextureFromPng(*impl->draw, file, size, mipmaps);
    uint32_t length = 0;
    void* data = loadResource(file, &length);
    if (!data) return 0;
    HTEXTURE texture = rasterTextureFromPng(*impl->draw, data, length, mipmaps);
    freeResource(data);
    return texture;
}

void HGE::freeTexture(HTEXTURE texture) {
    if (impl && impl->draw) rasterFreeTexture(*impl->draw, texture);
}

// Textures are kept at their image's own size, so both flags give the same answer.
int HGE::textureWidth(HTEXTURE texture, bool) {
    RasterTexture* t = impl && impl->draw ? rasterTexture(*impl->draw, texture) : nullptr;
    return t ? t->width : 0;
}

int HGE::textureHeight(HTEXTURE texture, bool) {
    RasterTexture* t = impl && impl->draw ? rasterTexture(*impl->draw, texture) : nullptr;
    return t ? t->height : 0;
}

// Targets never have a depth buffer: depth is ignored by all drawing.
HTARGET HGE::createTarget(int width, int height, bool) {
    return impl && impl->draw ? rasterCreateTarget(*impl->draw, width, height) : 0;
}

void HGE::freeTarget(HTARGET target) {
    if (impl && impl->draw) rasterFreeTarget(*impl->draw, target);
}

HTEXTURE HGE::targetTexture(HTARGET target) {
    return impl && impl->draw ? rasterTargetTexture(*impl->draw, target) : 0;
}

bool HGE::beginScene(HTARGET target) {
    return impl && impl->draw && rasterBeginScene(*impl->draw, target);
}

void HGE::endScene() {
    if (impl && impl->draw) rasterEndScene(*impl->draw);
}

void HGE::clear(uint32_t colour) {
    if (impl && impl->draw) rasterClear(*impl->draw, colour);
}

void HGE::setClipping(int x, int y, int width, int height) {
    if (impl && impl->draw) rasterSetClipping(*impl->draw, x, y, width, height);
}

void HGE::setTransform(float x, float y, float dx, float dy, float rotation, float hscale, float vscale) {
    if (impl && impl->draw) rasterSetTransform(*impl->draw, x, y, dx, dy, rotation, hscale, vscale);
}

// Depth is ignored: there is no depth buffer.
void HGE::drawLine(float x1, float y1, float x2, float y2, uint32_t colour, float) {
    if (impl && impl->draw) rasterDrawLine(*impl->draw, x1, y1, x2, y2, colour);
}

void HGE::drawQuad(const Quad* quad) {
    if (impl && impl->draw && quad) rasterDrawQuad(*impl->draw, *quad);
}
