// hgeSprite: one tinted, textured quad cut from a texture. The quad is built once; drawing
// only rewrites its four positions and hands the sprite's own record to the engine.
#include "primitives/sprite.h"

#include <cmath>

namespace orn {

HGE* hgeSprite::spriteEngine = nullptr;

namespace {

// Texture coordinates of a rectangle, clockwise from the top-left as the quad expects.
void setTextureRect(Quad& quad, float left, float top, float right, float bottom) {
    quad.v[0].tx = left;
    quad.v[0].ty = top;
    quad.v[1].tx = right;
    quad.v[1].ty = top;
    quad.v[2].tx = right;
    quad.v[2].ty = bottom;
    quad.v[3].tx = left;
    quad.v[3].ty = bottom;
}

// The size texture coordinates are fractions of; a sprite without texture works in pixels.
void sheetSize(HTEXTURE texture, float& width, float& height) {
    if (texture != 0 && hgeSprite::spriteEngine != nullptr) {
        width = static_cast<float>(hgeSprite::spriteEngine->textureWidth(texture, false));
        height = static_cast<float>(hgeSprite::spriteEngine->textureHeight(texture, false));
    } else {
        width = 1.0f;
        height = 1.0f;
    }
}

}  // namespace

hgeSprite::hgeSprite(HTEXTURE texture, float x, float y, float width, float height)
    : quad{}, sourceX(x), sourceY(y), sourceWidth(width), sourceHeight(height), sheetWidth(1.0f),
      sheetHeight(1.0f), anchorX(0.0f), anchorY(0.0f) {
    spriteEngine = hgeCreate(HGE_VERSION);
    sheetSize(texture, sheetWidth, sheetHeight);
    quad.texture = texture;

    const float left = x / sheetWidth;
    const float top = y / sheetHeight;
    const float right = (x + width) / sheetWidth;
    const float bottom = (y + height) / sheetHeight;
    setTextureRect(quad, left, top, right, bottom);

    for (QuadVertex& v : quad.v) {
        v.z = 0.5f;
        v.colour = 0xFFFFFFFF;
    }
    quad.blend = BLEND_ALPHA;
}

hgeSprite::~hgeSprite() {
    if (spriteEngine != nullptr) spriteEngine->release();
}

void hgeSprite::assignTexture(HTEXTURE texture) {
    quad.texture = texture;
    float newWidth = 1.0f, newHeight = 1.0f;
    sheetSize(texture, newWidth, newHeight);
    if (newWidth == sheetWidth && newHeight == sheetHeight) return;

    // Back to pixels with the old sheet, forward with the new one: the rectangle stays put.
    const float left = quad.v[0].tx * sheetWidth / newWidth;
    const float top = quad.v[0].ty * sheetHeight / newHeight;
    const float right = quad.v[2].tx * sheetWidth / newWidth;
    const float bottom = quad.v[2].ty * sheetHeight / newHeight;
    sheetWidth = newWidth;
    sheetHeight = newHeight;
    setTextureRect(quad, left, top, right, bottom);
}

void hgeSprite::tint(uint32_t colour, int vertex) {
    if (vertex == -1) {
        for (QuadVertex& v : quad.v) v.colour = colour;
    } else if (vertex >= 0 && vertex < 4) {
        quad.v[vertex].colour = colour;
    }
}

void hgeSprite::setBlend(int32_t value) { quad.blend = value; }

void hgeSprite::setAnchor(float x, float y) {
    anchorX = x;
    anchorY = y;
}

void hgeSprite::drawAt(float x, float y) {
    const float x1 = x - anchorX;
    const float y1 = y - anchorY;
    const float x2 = x + sourceWidth - anchorX;
    const float y2 = y + sourceHeight - anchorY;
    quad.v[0].x = x1;
    quad.v[0].y = y1;
    quad.v[1].x = x2;
    quad.v[1].y = y1;
    quad.v[2].x = x2;
    quad.v[2].y = y2;
    quad.v[3].x = x1;
    quad.v[3].y = y2;
    spriteEngine->drawQuad(&quad);
}

void hgeSprite::drawTransformed(float x, float y, float rotation, float hscale, float vscale) {
    if (vscale == 0.0f) vscale = hscale;
    const float a1 = -anchorX * hscale;
    const float b1 = -anchorY * vscale;
    const float a2 = (sourceWidth - anchorX) * hscale;
    const float b2 = (sourceHeight - anchorY) * vscale;

    if (rotation != 0.0f) {
        const float c = static_cast<float>(std::cos(static_cast<double>(rotation)));
        const float s = static_cast<float>(std::sin(static_cast<double>(rotation)));
        quad.v[0].x = a1 * c - b1 * s + x;
        quad.v[0].y = a1 * s + b1 * c + y;
        quad.v[1].x = a2 * c - b1 * s + x;
        quad.v[1].y = a2 * s + b1 * c + y;
        quad.v[2].x = a2 * c - b2 * s + x;
        quad.v[2].y = a2 * s + b2 * c + y;
        quad.v[3].x = a1 * c - b2 * s + x;
        quad.v[3].y = a1 * s + b2 * c + y;
    } else {
        quad.v[0].x = a1 + x;
        quad.v[0].y = b1 + y;
        quad.v[1].x = a2 + x;
        quad.v[1].y = b1 + y;
        quad.v[2].x = a2 + x;
        quad.v[2].y = b2 + y;
        quad.v[3].x = a1 + x;
        quad.v[3].y = b2 + y;
    }
    spriteEngine->drawQuad(&quad);
}

}  // namespace orn
