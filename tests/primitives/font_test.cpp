// hgeFont: the description parser, the text layout read back from the glyph quads, formatting
// limits, and one text painted on the headless engine.
#include "primitives/font.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/engine/engine_internal.h"
#include "platform/engine/headless.h"
#include "platform/platform.h"
#include "support/files.h"

namespace orn {
namespace {

namespace fs = std::filesystem;

using testsupport::readBytes;
using testsupport::writeBytes;

// A headless engine with a 64 by 64 screen, and a folder of its own as the program directory
// where the descriptions and a copy of the 64 by 32 glyph bitmap go.
class FontTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orn-font-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        platform::setProgramDirectory(folder);
        fs::copy_file(std::string(ORN_TEST_DATA) + "/font/glyphs.png", folder + "/glyphs.png");
        hgeUseHeadless(true);
        hge = hgeCreate(HGE_VERSION);
        ASSERT_NE(hge, nullptr);
        hge->setFlag(HGE_WINDOWED, true);
        hge->setNumber(HGE_SCREENWIDTH, 64);
        hge->setNumber(HGE_SCREENHEIGHT, 64);
        hge->setNumber(HGE_SCREENBPP, 32);
        ASSERT_TRUE(hge->initiate()) << hge->errorMessage();
    }
    void TearDown() override {
        hge->shutdown();
        hge->release();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    // Writes a description into the program folder and returns its full path.
    std::string describe(const std::string& text, const std::string& name = "font.fnt") {
        const std::string path = folder + "/" + name;
        writeBytes(path, text);
        return path;
    }
    std::string logText() { return readBytes(folder + "/ornalis2.log"); }

    std::string folder;
    HGE* hge = nullptr;
};

constexpr const char* header = "[HGEFONT]\r\n";
constexpr const char* bitmap = "Bitmap=glyphs.png\r\n";

struct Glyph {
    int code;
    float x, y, width, height, pre, post;
};

struct ParseCase {
    const char* label;
    std::string text;
    std::vector<Glyph> glyphs;  // every glyph the font must have, and no other
    bool textured;              // glyphs carry the bitmap's texture
    bool rejected;              // the header rule fails: logged
};

void expectGlyphs(const hgeFont& font, const ParseCase& c) {
    int defined = 0;
    for (const hgeSprite* glyph : font.glyphs) defined += glyph != nullptr;
    EXPECT_EQ(defined, static_cast<int>(c.glyphs.size())) << c.label;
    float height = 0;
    for (const Glyph& g : c.glyphs) {
        const hgeSprite* sprite = font.glyphs[g.code];
        ASSERT_NE(sprite, nullptr) << c.label << " code " << g.code;
        EXPECT_EQ(sprite->sourceX, g.x) << c.label;
        EXPECT_EQ(sprite->sourceY, g.y) << c.label;
        EXPECT_EQ(sprite->sourceWidth, g.width) << c.label;
        EXPECT_EQ(sprite->sourceHeight, g.height) << c.label;
        EXPECT_EQ(font.preAdvance[g.code], g.pre) << c.label;
        EXPECT_EQ(font.postAdvance[g.code], g.post) << c.label;
        EXPECT_EQ(sprite->texture() != 0, c.textured) << c.label;
        height = std::max(height, g.height);
    }
    EXPECT_EQ(font.height, height) << c.label;
}

TEST_F(FontTest, ParsesEveryRuleOfTheDescription) {
    const std::string b = std::string(header) + bitmap;
    const ParseCase cases[] = {
        {"quoted and hexadecimal codes", b + "Char=\"A\",1,2,3,4,5,6\r\nChar=42,7,8,9,10,-1,-2\r\n",
         {{'A', 1, 2, 3, 4, 5, 6}, {'B', 7, 8, 9, 10, -1, -2}}, true, false},
        {"both forms address one table", b + "Char=\"A\",1,2,3,4,5,6\r\nChar=41,7,8,9,10,0,0\r\n",
         {{'A', 7, 8, 9, 10, 0, 0}}, true, false},
        {"lower-case hexadecimal, most significant first", b + "Char=fE,1,1,1,1,0,0\nChar=0000ff,2,2,2,2,0,0\n",
         {{0xFE, 1, 1, 1, 1, 0, 0}, {0xFF, 2, 2, 2, 2, 0, 0}}, true, false},
        {"a code beyond 255 is ignored", b + "Char=100,1,1,1,1,0,0\nChar=FFFFFFFFFFFF41,1,1,1,1,0,0\n", {}, true, false},
        {"no digit gives code 0", b + "Char=,1,2,3,4,0,0\n", {{0, 1, 2, 3, 4, 0, 0}}, true, false},
        {"quoted separator and quote", b + "Char=\",\",1,1,1,1,0,0\nChar=\"\"\",2,2,2,2,0,0\nChar=\"\xE9\",3,3,3,3,0,0\n",
         {{',', 1, 1, 1, 1, 0, 0}, {'"', 2, 2, 2, 2, 0, 0}, {0xE9, 3, 3, 3, 3, 0, 0}}, true, false},
        {"white space around the commas", b + "Char = 41 , 1 ,2,\t3 , 4,5 , 6\n", {{'A', 1, 2, 3, 4, 5, 6}}, true, false},
        {"only spaces are skipped after =", b + "Char=\t41,1,1,1,1,0,0\n", {}, true, false},
        {"a line without = is ignored", b + "Char 41,1,1,1,1,0,0\n", {}, true, false},
        {"fewer than six integers", b + "Char=41,1,2,3,4,5\nChar=42,1,2,3,4,5,x\n", {}, true, false},
        {"a quote cut off by the line end", b + "Char=\"\nChar=\"A\n", {}, true, false},
        {"other lines are ignored", b + " Char=41,1,1,1,1,0,0\nchar=42,1,1,1,1,0,0\n; Char=43,1,1,1,1,0,0\n", {}, true, false},
        {"last line without line break", b + "Char=41,1,2,3,4,0,0\r\nChar=42,5,6,7,8,0,0",
         {{'A', 1, 2, 3, 4, 0, 0}, {'B', 5, 6, 7, 8, 0, 0}}, true, false},
        {"lone CR and LF line ends, runs of them", "[HGEFONT]\r\r\n\nBitmap = glyphs.png\rChar=41,1,1,1,1,0,0\n\n\r\r",
         {{'A', 1, 1, 1, 1, 0, 0}}, true, false},
        {"a zero byte ends the text", b + std::string("Char=41,1,1,1,1,0,0\n\0Char=42,1,1,1,1,0,0\n", 41),
         {{'A', 1, 1, 1, 1, 0, 0}}, true, false},
        {"a Char line before any Bitmap line", std::string(header) + "Char=41,1,2,3,4,0,0\n",
         {{'A', 1, 2, 3, 4, 0, 0}}, false, false},
        {"a Bitmap line without a name", std::string(header) + "Bitmap = \nChar=41,1,2,3,4,0,0\n",
         {{'A', 1, 2, 3, 4, 0, 0}}, false, false},
        {"a bitmap that cannot be loaded ends the parsing",
         b + "Char=41,1,1,1,1,0,0\nBitmap=missing.png\nChar=42,1,1,1,1,0,0\n", {{'A', 1, 1, 1, 1, 0, 0}}, true, false},
        {"the largest glyph sets the height", b + "Char=41,0,0,1,22,0,0\nChar=42,0,0,1,9,0,0\n",
         {{'A', 0, 0, 1, 22, 0, 0}, {'B', 0, 0, 1, 9, 0, 0}}, true, false},
        {"integers beyond the int range saturate", b + "Char=41,0,0,1,2,99999999999,-99999999999\n",
         {{'A', 0, 0, 1, 2, 2147483647.0f, -2147483648.0f}}, true, false},
        {"header only", "[HGEFONT]", {}, false, false},
        {"header with trailing text", "[HGEFONT] \r\nChar=41,1,1,1,1,0,0\n", {}, false, true},
        {"header in lower case", "[hgefont]\nChar=41,1,1,1,1,0,0\n", {}, false, true},
        {"a line break before the header", "\r\n[HGEFONT]\r\nChar=41,1,1,1,1,0,0\n", {}, false, true},
        {"empty description", "", {}, false, true},
    };
    for (const ParseCase& c : cases) {
        fs::remove(folder + "/ornalis2.log");
        const std::string path = describe(c.text);
        hgeFont font(path.c_str());
        expectGlyphs(font, c);
        if (c.rejected) {
            EXPECT_EQ(logText(), "Font " + path + " has incorrect format.\n") << c.label;
            EXPECT_EQ(font.texture, 0u) << c.label;
        } else {
            EXPECT_EQ(logText(), "") << c.label;
        }
    }
}

TEST_F(FontTest, MissingDescriptionGivesAnEmptyFontSilently) {
    hgeFont font((folder + "/nothing.fnt").c_str());
    for (const hgeSprite* glyph : font.glyphs) EXPECT_EQ(glyph, nullptr);
    EXPECT_EQ(font.texture, 0u);
    EXPECT_EQ(font.height, 0.0f);
    EXPECT_EQ(font.scale, 1.0f);
    EXPECT_EQ(logText(), "");
    EXPECT_EQ(font.textWidth("abc"), 0.0f);
    font.renderText(0, 0, alignCenter, "abc");
}

TEST_F(FontTest, BitmapIsTakenFromTheDescriptionsFolder) {
    fs::create_directories(folder + "/graphics");
    fs::rename(folder + "/glyphs.png", folder + "/graphics/glyphs.png");
    const std::string text = std::string(header) + bitmap + "Char=41,1,1,1,1,0,0\n";
    describe(text, "graphics/font.fnt");
    // The program's own form: a relative path with a backslash, read from the program folder.
    hgeFont relative("graphics\\font.fnt");
    EXPECT_NE(relative.texture, 0u);
    EXPECT_NE(relative.glyphs['A'], nullptr);
    // The folder ends at the last backslash even when slashes come before it.
    hgeFont absolute((folder + "/graphics\\font.fnt").c_str());
    EXPECT_NE(absolute.texture, 0u);
    // Without any separator the bitmap's name stands alone: not found while it is elsewhere...
    describe(text, "bare.fnt");
    hgeFont elsewhere("bare.fnt");
    EXPECT_EQ(elsewhere.texture, 0u);
    EXPECT_EQ(elsewhere.glyphs['A'], nullptr);
    // ...and found in the program folder once it is there.
    fs::copy_file(folder + "/graphics/glyphs.png", folder + "/glyphs.png");
    hgeFont bare("bare.fnt");
    EXPECT_NE(bare.texture, 0u);
    EXPECT_NE(bare.glyphs['A'], nullptr);
}

TEST_F(FontTest, OverlongLinesAndPathsAreCut) {
    const std::string b = std::string(header) + bitmap;
    // The tail of a line past 255 characters is dropped, not read as a line of its own.
    const std::string longLine = std::string(255, 'x') + "Char=5A,0,0,1,1,0,0";
    // A Char line that defines its glyph within the first 255 characters still counts.
    const std::string longChar = "Char=59,0,0,1,1,0,0" + std::string(400, ' ') + "junk";
    const std::string path = describe(b + longLine + "\n" + longChar + "\n" + std::string(5000, 'y'));
    hgeFont font(path.c_str());
    EXPECT_EQ(font.glyphs['Z'], nullptr);
    EXPECT_NE(font.glyphs['Y'], nullptr);

    // A bitmap path beyond 259 characters is cut, so it names no file: parsing ends there.
    const std::string deep = folder + "/" + std::string(200, 'd');
    fs::create_directories(deep);
    writeBytes(deep + "/font.fnt", std::string(header) + "Bitmap=" + std::string(120, 'n') + ".png\nChar=41,1,1,1,1,0,0\n");
    hgeFont cut((deep + "/font.fnt").c_str());
    EXPECT_EQ(cut.texture, 0u);
    EXPECT_EQ(cut.glyphs['A'], nullptr);
}

// A: 5 wide, advances 1 and 2 (8 in all), 22 high. B: 3 wide, no advances. ?: 4 wide, post 1.
const char* layoutFont = "[HGEFONT]\nBitmap=glyphs.png\nChar=\"A\",0,0,5,22,1,2\nChar=\"B\",8,0,3,10,0,0\n"
                         "Char=\"?\",16,0,4,12,0,1\n";

struct LayoutCase {
    const char* label;
    const char* text;
    int alignment;
    float scale;
    // Where each glyph was drawn last (NAN: not drawn at all).
    float ax, ay, bx, by, qx, qy;
};

TEST_F(FontTest, LaysOutTextAsAligned) {
    const std::string path = describe(layoutFont);
    hgeFont font(path.c_str());
    ASSERT_NE(font.glyphs['?'], nullptr);
    const float no = NAN;
    // Every case starts its pen at (100, 20).
    const LayoutCase cases[] = {
        {"left", "AB", alignLeft, 1, 101, 20, 108, 20, no, no},
        {"centre truncates half of 11", "AB", alignCenter, 1, 96, 20, 103, 20, no, no},
        {"right", "AB", alignRight, 1, 90, 20, 97, 20, no, no},
        {"alignment 3 is left", "AB", 3, 1, 101, 20, 108, 20, no, no},
        {"only the two low bits count", "AB", 4 + alignCenter, 1, 96, 20, 103, 20, no, no},
        {"each line aligned on its own", "AB\nB", alignCenter, 1, 96, 20, 99, 42, no, no},
        {"right, second line", "A\nBB", alignRight, 1, 93, 20, 97, 42, no, no},
        {"height 22 at scale 0.8 moves 17", "A\nB", alignLeft, 0.8f, 100.8f, 20, 100, 37, no, no},
        {"two line feeds leave one empty line", "A\n\nB", alignLeft, 1, 101, 20, 100, 64, no, no},
        {"carriage return is a character", "A\rB", alignLeft, 1, 101, 20, 113, 20, 108, 20},
        {"unknown bytes fall back to ?", "A\x01\xFF" "B", alignLeft, 1, 101, 20, 118, 20, 113, 20},
        {"scaled advances", "AB", alignLeft, 2, 102, 20, 116, 20, no, no},
        {"empty text", "", alignCenter, 1, no, no, no, no, no, no},
    };
    for (const LayoutCase& c : cases) {
        for (hgeSprite* glyph : font.glyphs) {
            if (glyph != nullptr) glyph->quad.v[0].x = glyph->quad.v[0].y = NAN;
        }
        font.setScale(c.scale);
        font.renderText(100, 20, c.alignment, c.text);
        const struct {
            int code;
            float x, y;
        } expected[] = {{'A', c.ax, c.ay}, {'B', c.bx, c.by}, {'?', c.qx, c.qy}};
        for (const auto& e : expected) {
            const QuadVertex& v = font.glyphs[e.code]->quad.v[0];
            if (std::isnan(e.x)) {
                EXPECT_TRUE(std::isnan(v.x)) << c.label << " " << char(e.code) << " drawn at " << v.x;
            } else {
                EXPECT_FLOAT_EQ(v.x, e.x) << c.label << " " << char(e.code);
                EXPECT_FLOAT_EQ(v.y, e.y) << c.label << " " << char(e.code);
                // Drawn at the font's scale on both axes.
                EXPECT_NEAR(font.glyphs[e.code]->quad.v[2].x - v.x, font.glyphs[e.code]->width() * c.scale, 1e-4f);
            }
        }
    }
}

TEST_F(FontTest, MeasuresUpToTheFirstLineFeed) {
    const std::string path = describe(layoutFont);
    hgeFont font(path.c_str());
    const std::pair<const char*, float> cases[] = {
        {"", 0}, {"A", 8}, {"AB", 11}, {"AB\nAAAA", 11}, {"\nA", 0}, {"A\r", 13}, {"\x80", 5},
    };
    for (const auto& [text, width] : cases) EXPECT_FLOAT_EQ(font.textWidth(text), width) << text;
    font.setScale(0.5f);
    EXPECT_FLOAT_EQ(font.textWidth("AB"), 5.5f);
}

TEST_F(FontTest, UnknownBytesWithoutQuestionMarkAreSkipped) {
    const std::string path = describe("[HGEFONT]\nBitmap=glyphs.png\nChar=41,0,0,5,22,1,2\nChar=42,8,0,3,10,0,0\n");
    hgeFont font(path.c_str());
    EXPECT_FLOAT_EQ(font.textWidth("A\rB"), 11);
    font.renderText(100, 20, alignLeft, "A\r\x01" "B");
    EXPECT_FLOAT_EQ(font.glyphs['B']->quad.v[0].x, 108);  // the pen did not move for them
}

TEST_F(FontTest, FormattedTextsAreCutAt1023Characters) {
    const std::string path = describe(layoutFont);
    hgeFont font(path.c_str());
    font.renderFormatted(0, 0, alignLeft, "%s %d|%5.2f", "AB", 42, 1.5);
    EXPECT_STREQ(font.formatBuffer, "AB 42| 1.50");
    const std::string longText(5000, 'B');
    font.renderFormatted(0, 0, alignLeft, "%s", longText.c_str());
    EXPECT_EQ(std::string(font.formatBuffer), longText.substr(0, 1023));
    EXPECT_FLOAT_EQ(font.glyphs['B']->quad.v[0].x, 1022 * 3);
}

TEST_F(FontTest, ColourTintsEveryGlyph) {
    const std::string path = describe(layoutFont);
    hgeFont font(path.c_str());
    font.setColor(0x80123456);
    for (int code : {'A', 'B', '?'}) {
        for (const QuadVertex& v : font.glyphs[code]->quad.v) EXPECT_EQ(v.colour, 0x80123456u);
    }
}

TEST_F(FontTest, HoldsOneEngineReference) {
    const std::string path = describe(layoutFont);
    const int before = hge->impl->refs;
    auto* font = new hgeFont(path.c_str());
    EXPECT_EQ(hgeFont::fontEngine, hge);
    EXPECT_EQ(hge->impl->refs, before + 1 + 3);  // the font and its three glyphs
    delete font;
    EXPECT_EQ(hge->impl->refs, before);
}

// The bitmap is white and opaque: a green font paints a green block where the glyph lands.
TEST_F(FontTest, PaintsTheGlyphsOnTheScreen) {
    const std::string path = describe(layoutFont);
    hgeFont font(path.c_str());
    font.setColor(0xFF00FF00);
    ASSERT_TRUE(hge->beginScene(0));
    hge->clear(0xFF000000);
    font.renderText(10, 4, alignLeft, "A");  // A covers x 11..16, y 4..26
    hge->endScene();

    int width = 0, height = 0;
    const uint8_t* pixels = drawScreenPixels(hge->impl->draw, &width, &height);
    ASSERT_EQ(width, 64);
    auto pixel = [&](int x, int y) { return pixels + (static_cast<size_t>(y) * width + x) * 4; };
    const int tolerance = 8;
    for (int y = 6; y < 24; ++y) {
        for (int x = 12; x < 15; ++x) {
            EXPECT_NEAR(pixel(x, y)[0], 0, tolerance) << x << "," << y;
            EXPECT_NEAR(pixel(x, y)[1], 255, tolerance) << x << "," << y;
            EXPECT_NEAR(pixel(x, y)[2], 0, tolerance) << x << "," << y;
        }
    }
    for (auto [x, y] : {std::pair{8, 10}, {18, 10}, {13, 1}, {13, 29}}) {
        EXPECT_NEAR(pixel(x, y)[1], 0, tolerance) << x << "," << y;
    }
}

}  // namespace
}  // namespace orn
