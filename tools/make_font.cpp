// Renders the printable ASCII characters of a TrueType font with FreeType into a bitmap font:
// a PNG of white glyphs with their coverage in alpha and a "[HGEFONT]" description beside it.
// Usage: make_font FONT.ttf PIXEL_SIZE OUT.fnt OUT.png
//
// Every glyph's rectangle spans the whole line box (ascent plus descent) so that lines space
// evenly and baselines align; it is the inked width plus one clear pixel on each side, and the
// pre and post advances make pre + width + post the glyph's advance.
#include "png_writer.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kFirst = 32;
constexpr int kLast = 126;
constexpr int kAtlasWidth = 256;

struct Glyph {
    int code = 0;
    int left = 0, top = 0;  // bitmap offset from the pen on the baseline, y up
    int inkWidth = 0, inkHeight = 0;
    int advance = 0;
    std::vector<uint8_t> coverage;  // inkWidth * inkHeight
    int x = 0, y = 0, width = 0;    // cell in the atlas
    int pre = 0, post = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: make_font FONT.ttf PIXEL_SIZE OUT.fnt OUT.png\n");
        return 2;
    }
    const char* fontPath = argv[1];
    const int pixelSize = std::atoi(argv[2]);
    const std::string fntPath = argv[3], pngPath = argv[4];
    if (pixelSize < 4 || pixelSize > 200) {
        std::fprintf(stderr, "make_font: pixel size %s out of range\n", argv[2]);
        return 2;
    }
    // The description names its bitmap without a folder: it is looked up beside the description.
    const size_t slash = pngPath.find_last_of('/');
    const std::string bitmapName = slash == std::string::npos ? pngPath : pngPath.substr(slash + 1);

    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&library) || FT_New_Face(library, fontPath, 0, &face) ||
        FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixelSize))) {
        std::fprintf(stderr, "make_font: cannot load %s at %d pixels\n", fontPath, pixelSize);
        return 1;
    }

    // Line box from the font's own ascent and descent, widened if any glyph reaches further.
    const double unitsToPixels = double(pixelSize) / face->units_per_EM;
    int ascent = int(std::lround(face->ascender * unitsToPixels));
    int descent = int(std::lround(-face->descender * unitsToPixels));

    std::vector<Glyph> glyphs;
    for (int code = kFirst; code <= kLast; ++code) {
        if (FT_Load_Char(face, FT_ULong(code), FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT)) {
            std::fprintf(stderr, "make_font: cannot render character %d\n", code);
            return 1;
        }
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        if (bitmap.rows > 0 && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) {
            std::fprintf(stderr, "make_font: character %d is not an antialiased bitmap\n", code);
            return 1;
        }
        Glyph g;
        g.code = code;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.inkWidth = int(bitmap.width);
        g.inkHeight = int(bitmap.rows);
        g.advance = int(std::lround(slot->advance.x / 64.0));
        g.coverage.resize(size_t(g.inkWidth) * size_t(g.inkHeight));
        for (int row = 0; row < g.inkHeight; ++row)
            for (int col = 0; col < g.inkWidth; ++col)
                g.coverage[size_t(row) * size_t(g.inkWidth) + size_t(col)] =
                    bitmap.buffer[row * bitmap.pitch + col];
        if (g.inkHeight > 0) {
            ascent = std::max(ascent, g.top);
            descent = std::max(descent, g.inkHeight - g.top);
        }
        glyphs.push_back(std::move(g));
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    const int lineHeight = ascent + descent;

    // Cells in rows, one clear pixel around each so bilinear sampling never picks up a neighbour.
    int penX = 1, penY = 1;
    for (Glyph& g : glyphs) {
        if (g.inkWidth == 0 || g.inkHeight == 0) {
            // An empty cell as wide as the advance (the space), so text spacing comes out right.
            g.width = std::max(g.advance, 1);
            g.pre = 0;
            g.post = g.advance - g.width;
        } else {
            g.width = g.inkWidth + 2;
            g.pre = g.left - 1;
            g.post = g.advance - g.pre - g.width;
        }
        if (penX + g.width + 1 > kAtlasWidth) {
            penX = 1;
            penY += lineHeight + 1;
        }
        g.x = penX;
        g.y = penY;
        penX += g.width + 1;
    }
    int atlasHeight = 16;
    while (atlasHeight < penY + lineHeight + 1) atlasHeight *= 2;

    // White everywhere, coverage in alpha (straight alpha, so the colour under clear pixels is white).
    std::vector<uint8_t> pixels(size_t(kAtlasWidth) * size_t(atlasHeight) * 4, 255);
    for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 0;
    for (const Glyph& g : glyphs) {
        const int originX = g.x + 1, originY = g.y + ascent - g.top;
        for (int row = 0; row < g.inkHeight; ++row)
            for (int col = 0; col < g.inkWidth; ++col)
                pixels[(size_t(originY + row) * kAtlasWidth + size_t(originX + col)) * 4 + 3] =
                    g.coverage[size_t(row) * size_t(g.inkWidth) + size_t(col)];
    }
    if (!tools::writePng(pngPath.c_str(), kAtlasWidth, atlasHeight, pixels)) {
        std::fprintf(stderr, "make_font: cannot write %s\n", pngPath.c_str());
        return 1;
    }

    FILE* fnt = std::fopen(fntPath.c_str(), "wb");
    if (!fnt) {
        std::fprintf(stderr, "make_font: cannot write %s\n", fntPath.c_str());
        return 1;
    }
    std::fprintf(fnt, "[HGEFONT]\nBitmap=%s\n", bitmapName.c_str());
    // Hexadecimal codes: a quoted comma or double quote would be easy to misread.
    for (const Glyph& g : glyphs)
        std::fprintf(fnt, "Char=%02X,%d,%d,%d,%d,%d,%d\n", g.code, g.x, g.y, g.width, lineHeight, g.pre, g.post);
    if (std::fclose(fnt) != 0) {
        std::fprintf(stderr, "make_font: cannot write %s\n", fntPath.c_str());
        return 1;
    }
    return 0;
}
