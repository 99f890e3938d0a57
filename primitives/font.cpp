// hgeFont: reads an "[HGEFONT]" description (a bitmap and one rectangle and two advances per
// character code) and draws texts with one glyph sprite per byte.
#include "primitives/font.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace orn {

HGE* hgeFont::fontEngine = nullptr;

namespace {

constexpr int maxLineLength = 255;
constexpr int maxPathLength = 259;

bool isBreak(char c) { return c == '\r' || c == '\n'; }
bool isWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Copies the line starting at pos into line (cut to maxLineLength characters; the rest of an
// over-long line is dropped) and moves pos past the line and the run of line breaks after it.
void nextLine(const char* text, size_t& pos, char (&line)[maxLineLength + 1]) {
    int length = 0;
    while (text[pos] != '\0' && !isBreak(text[pos])) {
        if (length < maxLineLength) line[length++] = text[pos];
        ++pos;
    }
    line[length] = '\0';
    while (isBreak(text[pos])) ++pos;
}

// One decimal integer as "%d" reads it: white space, a sign, digits; saturated to the int range.
bool scanInteger(const char*& p, int& value) {
    while (isWhiteSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (*p < '0' || *p > '9') return false;
    long long magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude > 2147483648LL) magnitude = 2147483648LL;
    }
    if (!negative && magnitude > 2147483647LL) magnitude = 2147483647LL;
    value = static_cast<int>(negative ? -magnitude : magnitude);
    return true;
}

// The bitmap's name from "Bitmap = name": false when the line does not give one.
bool scanBitmapName(const char* line, char (&name)[maxLineLength + 1]) {
    const char* p = line + 6;  // past "Bitmap"
    while (isWhiteSpace(*p)) ++p;
    if (*p++ != '=') return false;
    while (isWhiteSpace(*p)) ++p;
    int length = 0;
    while (*p != '\0' && !isWhiteSpace(*p)) name[length++] = *p++;
    name[length] = '\0';
    return length > 0;
}

// The bitmap lives beside the description: its folder (up to the last backslash, or else the
// last slash) followed by the name, cut to maxPathLength characters.
void bitmapPath(const char* description, const char* name, char (&path)[maxPathLength + 1]) {
    const char* cut = std::strrchr(description, '\\');
    if (cut == nullptr) cut = std::strrchr(description, '/');
    const size_t folder = cut != nullptr ? static_cast<size_t>(cut - description) + 1 : 0;
    std::snprintf(path, sizeof path, "%.*s%s", static_cast<int>(folder < maxPathLength ? folder : maxPathLength),
                  description, name);
}

struct CharLine {
    int code;
    int values[6];  // x, y, width, height, pre-advance, post-advance
};

// "Char = code, x, y, w, h, pre, post" with the code quoted or hexadecimal; false when the
// line does not define a glyph (no "=", a code beyond 255, a cut-off quote, fewer than six
// integers).
bool scanCharLine(const char* line, CharLine& out) {
    const char* p = std::strchr(line, '=');
    if (p == nullptr) return false;
    ++p;
    while (*p == ' ') ++p;
    if (*p == '"') {
        if (p[1] == '\0' || p[2] == '\0') return false;
        out.code = static_cast<unsigned char>(p[1]);
        p += 3;  // the quote, the character and the closing quote
    } else {
        int code = 0;
        for (;; ++p) {
            int digit;
            if (*p >= '0' && *p <= '9') {
                digit = *p - '0';
            } else if (*p >= 'A' && *p <= 'F') {
                digit = *p - 'A' + 10;
            } else if (*p >= 'a' && *p <= 'f') {
                digit = *p - 'a' + 10;
            } else {
                break;
            }
            // Once past 255 the code stays past it; the digits are still consumed.
            code = code > 255 ? code : code * 16 + digit;
        }
        if (code > 255) return false;
        out.code = code;
    }
    for (int& value : out.values) {
        while (isWhiteSpace(*p)) ++p;
        if (*p++ != ',') return false;
        if (!scanInteger(p, value)) return false;
    }
    return true;
}

}  // namespace

hgeFont::hgeFont(const char* fileName)
    : formatBuffer{}, texture(0), glyphs{}, preAdvance{}, postAdvance{}, height(0.0f), scale(1.0f) {
    fontEngine = hgeCreate(HGE_VERSION);
    if (fontEngine == nullptr || fileName == nullptr) return;

    uint32_t size = 0;
    void* resource = fontEngine->loadResource(fileName, &size);
    if (resource == nullptr) return;
    // A copy of our own, terminated, so the engine's block goes back at once.
    std::vector<char> text(static_cast<size_t>(size) + 1, '\0');
    std::memcpy(text.data(), resource, size);
    fontEngine->freeResource(resource);

    size_t pos = 0;
    char line[maxLineLength + 1];
    nextLine(text.data(), pos, line);
    if (std::strcmp(line, fontHeader) != 0) {
        fontEngine->log("Font %s has incorrect format.", fileName);
        return;
    }

    while (text[pos] != '\0') {
        nextLine(text.data(), pos, line);
        if (std::strncmp(line, "Bitmap", 6) == 0) {
            char name[maxLineLength + 1];
            if (!scanBitmapName(line, name)) continue;
            char path[maxPathLength + 1];
            bitmapPath(fileName, name, path);
            if (texture != 0) replacedTextures.push_back(texture);
            texture = fontEngine->loadTexture(path, 0, false);
            if (texture == 0) break;
        } else if (std::strncmp(line, "Char", 4) == 0) {
            CharLine glyph;
            if (!scanCharLine(line, glyph)) continue;
            const int* v = glyph.values;
            delete glyphs[glyph.code];
            glyphs[glyph.code] = new hgeSprite(texture, static_cast<float>(v[0]), static_cast<float>(v[1]),
                                               static_cast<float>(v[2]), static_cast<float>(v[3]));
            preAdvance[glyph.code] = static_cast<float>(v[4]);
            postAdvance[glyph.code] = static_cast<float>(v[5]);
            if (static_cast<float>(v[3]) > height) height = static_cast<float>(v[3]);
        }
    }
}

hgeFont::~hgeFont() {
    for (hgeSprite*& glyph : glyphs) {
        delete glyph;
        glyph = nullptr;
    }
    if (fontEngine == nullptr) return;
    if (texture != 0) fontEngine->freeTexture(texture);
    for (HTEXTURE replaced : replacedTextures) fontEngine->freeTexture(replaced);
    fontEngine->release();
}

void hgeFont::renderText(float x, float y, int alignment, const char* text) {
    if (text == nullptr) return;
    const int a = alignment & 3;
    auto lineStart = [this, x, a](const char* line) {
        if (a == alignRight) return x - textWidth(line);
        if (a == alignCenter) return x - std::trunc(textWidth(line) * 0.5f);
        return x;
    };

    float pen = lineStart(text);
    for (const char* p = text; *p != '\0'; ++p) {
        const auto b = static_cast<unsigned char>(*p);
        if (b == '\n') {
            y += std::trunc(height * scale);
            pen = lineStart(p + 1);
            continue;
        }
        const int c = glyphs[b] != nullptr ? b : '?';
        hgeSprite* glyph = glyphs[c];
        if (glyph == nullptr) continue;
        pen += preAdvance[c] * scale;
        glyph->drawTransformed(pen, y, 0.0f, scale, 0.0f);
        pen += (glyph->width() + postAdvance[c]) * scale;
    }
}

void hgeFont::renderFormatted(float x, float y, int alignment, const char* format, ...) {
    if (format == nullptr) return;
    va_list arguments;
    va_start(arguments, format);
    // Longer results are cut at the buffer's 1023 characters.
    if (std::vsnprintf(formatBuffer, sizeof formatBuffer, format, arguments) < 0) formatBuffer[0] = '\0';
    va_end(arguments);
    renderText(x, y, alignment, formatBuffer);
}

float hgeFont::textWidth(const char* text) const {
    if (text == nullptr) return 0.0f;
    float width = 0.0f;
    for (const char* p = text; *p != '\0' && *p != '\n'; ++p) {
        const auto b = static_cast<unsigned char>(*p);
        const int c = glyphs[b] != nullptr ? b : '?';
        const hgeSprite* glyph = glyphs[c];
        if (glyph == nullptr) continue;
        width += glyph->width() + preAdvance[c] + postAdvance[c];
    }
    return width * scale;
}

void hgeFont::setColor(uint32_t colour) {
    for (hgeSprite* glyph : glyphs) {
        if (glyph != nullptr) glyph->tint(colour, -1);
    }
}

void hgeFont::setScale(float newScale) { scale = newScale; }

}  // namespace orn
