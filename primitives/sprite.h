// hgeSprite: a rectangle of a texture drawn as one tinted quad, plain or rotated and scaled
// about its anchor. The quad is kept ready-made; drawing rewrites only its positions.
#pragma once

#include "platform/engine/hge.h"

namespace orn {

class hgeSprite {
public:
    hgeSprite(HTEXTURE texture, float x, float y, float width, float height);
    ~hgeSprite();
    hgeSprite(const hgeSprite&) = delete;
    hgeSprite& operator=(const hgeSprite&) = delete;

    void assignTexture(HTEXTURE texture);
    void tint(uint32_t colour, int vertex = -1);
    void setBlend(int32_t value);
    void setAnchor(float x, float y);
    HTEXTURE texture() const { return quad.texture; }
    float width() const { return sourceWidth; }
    void drawAt(float x, float y);
    void drawTransformed(float x, float y, float rotation, float hscale, float vscale = 0.0f);

    Quad quad;                    // handed to drawQuad as it stands
    float sourceX, sourceY;       // source rectangle in texture pixels
    float sourceWidth, sourceHeight;
    float sheetWidth, sheetHeight;  // size texture coordinates are fractions of
    float anchorX, anchorY;       // hot spot from the rectangle's top-left

    static HGE* spriteEngine;     // shared engine reference of all sprites
};

}  // namespace orn
