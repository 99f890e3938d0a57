// hgeFont: text drawn with glyph sprites cut from one bitmap, described by an "[HGEFONT]" file.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/engine/hge.h"
#include "primitives/sprite.h"

namespace orn {

constexpr int alignLeft = 0;
constexpr int alignRight = 1;
constexpr int alignCenter = 2;
constexpr const char* fontHeader = "[HGEFONT]";

class hgeFont {
public:
    explicit hgeFont(const char* fileName);
    ~hgeFont();
    hgeFont(const hgeFont&) = delete;
    hgeFont& operator=(const hgeFont&) = delete;

    void renderText(float x, float y, int alignment, const char* text);
    void renderFormatted(float x, float y, int alignment, const char* format, ...);
    float textWidth(const char* text) const;
    void setColor(uint32_t colour);
    void setScale(float scale);

    char formatBuffer[1024];     // target of renderFormatted
    HTEXTURE texture;            // the bitmap, 0 while none is loaded
    hgeSprite* glyphs[256];      // owned, null where undefined
    float preAdvance[256];       // pen advance before a glyph, bitmap pixels
    float postAdvance[256];      // pen advance after a glyph
    float height;                // largest glyph height
    float scale;                 // factor on sizes and advances
    // Bitmaps of earlier Bitmap lines: their glyphs still draw from them, so they are freed
    // only with the font.
    std::vector<HTEXTURE> replacedTextures;

    static HGE* fontEngine;      // shared engine reference of all fonts
};

}  // namespace orn
