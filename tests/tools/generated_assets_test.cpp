// Checks the assets the build generates beside the executable: the sprite images of "pix", the
// fonts in Graphics.paq and the sounds in Sound.paq, read the way the program reads them.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <physfs.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/engine/hge.h"
#include "platform/engine/headless.h"
#include "primitives/font.h"
#include "primitives/sprite.h"

namespace {

namespace fs = std::filesystem;
const fs::path binDir = ORN_BIN_DIR;

struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;  // straight alpha, as stored
    uint8_t alphaAt(int x, int y) const { return rgba[(size_t(y) * size_t(width) + size_t(x)) * 4 + 3]; }
};

// Decodes a PNG held in memory; an empty image when it is not a valid one.
Image decodePng(const std::vector<uint8_t>& bytes, png_uint_32* storedFormat = nullptr) {
    Image image;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) return image;
    if (storedFormat) *storedFormat = png.format;
    png.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&png);
        return image;
    }
    image.width = int(png.width);
    image.height = int(png.height);
    image.rgba = std::move(pixels);
    return image;
}

std::vector<uint8_t> readFile(const fs::path& path) {
    std::vector<uint8_t> bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        uint8_t buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
        std::fclose(file);
    }
    return bytes;
}

TEST(GeneratedSprites, AtLeastSixteenDistinctSoftWhiteOrGreyImages) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(binDir / "pix"))
        if (entry.path().extension() == ".png") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 16u);

    std::set<std::vector<uint8_t>> distinct;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        png_uint_32 stored = 0;
        Image image = decodePng(readFile(file), &stored);
        ASSERT_GT(image.width, 0) << "does not decode";
        EXPECT_EQ(stored, png_uint_32(PNG_FORMAT_RGBA)) << "stored as 8-bit RGBA";
        EXPECT_TRUE(image.width >= 128 && image.width <= 256 && image.height >= 128 && image.height <= 256)
            << image.width << " x " << image.height;

        std::set<int> partialAlphas;
        size_t visible = 0, colouredPixels = 0;
        for (size_t i = 0; i < image.rgba.size(); i += 4) {
            const uint8_t r = image.rgba[i], g = image.rgba[i + 1], b = image.rgba[i + 2], a = image.rgba[i + 3];
            if (a > 0 && a < 255) partialAlphas.insert(a);
            if (a > 0) ++visible;
            if (a > 0 && (r != g || g != b)) ++colouredPixels;
        }
        // Soft: a smooth falloff uses many alpha levels, not a hard cut-out.
        EXPECT_GE(partialAlphas.size(), 64u);
        EXPECT_GT(visible, size_t(image.width * image.height) / 50) << "hardly anything drawn";
        EXPECT_EQ(colouredPixels, 0u) << "white or grey only, so a tint gives the colour";
        // The outermost pixels stay clear, so a tinted sprite never shows its square edge.
        int edgeAlpha = 0;
        for (int k = 0; k < image.width; ++k)
            edgeAlpha = std::max({edgeAlpha, int(image.alphaAt(k, 0)), int(image.alphaAt(k, image.height - 1))});
        for (int k = 0; k < image.height; ++k)
            edgeAlpha = std::max({edgeAlpha, int(image.alphaAt(0, k)), int(image.alphaAt(image.width - 1, k))});
        EXPECT_EQ(edgeAlpha, 0);
        distinct.insert(image.rgba);
    }
    EXPECT_EQ(distinct.size(), files.size()) << "every image is a different shape";
}

// Mounts one pack with PhysicsFS, as the program attaches it.
class Pack : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(PHYSFS_init(nullptr), 0); }
    void TearDown() override { PHYSFS_deinit(); }

    static void mount(const char* pack) {
        ASSERT_NE(PHYSFS_mount((binDir / pack).c_str(), nullptr, 1), 0)
            << pack << ": " << PHYSFS_getErrorByCode(PHYSFS_getLastErrorCode());
    }

    static std::vector<uint8_t> read(const std::string& name) {
        std::vector<uint8_t> bytes;
        PHYSFS_File* file = PHYSFS_openRead(name.c_str());
        if (!file) return bytes;
        bytes.resize(size_t(PHYSFS_fileLength(file)));
        if (PHYSFS_readBytes(file, bytes.data(), bytes.size()) != PHYSFS_sint64(bytes.size())) bytes.clear();
        PHYSFS_close(file);
        return bytes;
    }

    // Names in a folder of the mounted packs, sorted.
    static std::vector<std::string> list(const char* folder) {
        std::vector<std::string> names;
        char** found = PHYSFS_enumerateFiles(folder);
        for (char** n = found; n && *n; ++n) names.emplace_back(*n);
        PHYSFS_freeList(found);
        std::sort(names.begin(), names.end());
        return names;
    }
};

struct Glyph {
    bool defined = false;
    int x = 0, y = 0, width = 0, height = 0, pre = 0, post = 0;
};

// The parameter is the font's name: graphics/NAME.fnt describes graphics/NAME.png.
class FontPack : public Pack, public ::testing::WithParamInterface<std::string> {};

// Every printable character has a glyph whose cell lies in the bitmap, spans the same line box
// as all others, holds ink unless it is the space, and advances the pen by a sensible amount.
TEST_P(FontPack, DescribesEveryPrintableCharacterOverItsBitmap) {
    mount("Graphics.paq");
    EXPECT_EQ(list(""), std::vector<std::string>{"graphics"});
    EXPECT_EQ(list("graphics"), (std::vector<std::string>{"font.fnt", "font.png", "fontsmall.fnt", "fontsmall.png"}));

    const std::vector<uint8_t> text = read("graphics/" + GetParam() + ".fnt");
    ASSERT_FALSE(text.empty());
    const Image bitmap = decodePng(read("graphics/" + GetParam() + ".png"));
    ASSERT_GT(bitmap.width, 0) << "bitmap does not decode";

    std::istringstream lines(std::string(text.begin(), text.end()));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "[HGEFONT]");
    std::getline(lines, line);
    EXPECT_EQ(line, "Bitmap=" + GetParam() + ".png");

    Glyph glyphs[256];
    while (std::getline(lines, line)) {
        unsigned code = 0;
        Glyph g;
        ASSERT_EQ(std::sscanf(line.c_str(), "Char=%x,%d,%d,%d,%d,%d,%d", &code, &g.x, &g.y, &g.width, &g.height,
                              &g.pre, &g.post), 7)
            << line;
        ASSERT_LT(code, 256u);
        g.defined = true;
        glyphs[code] = g;
    }
    const int lineHeight = glyphs[' '].height;
    EXPECT_GT(lineHeight, 8);
    for (int code = 32; code <= 126; ++code) {
        SCOPED_TRACE("character " + std::to_string(code));
        const Glyph& g = glyphs[code];
        ASSERT_TRUE(g.defined);
        EXPECT_EQ(g.height, lineHeight);
        ASSERT_TRUE(g.x >= 0 && g.y >= 0 && g.width > 0 && g.x + g.width <= bitmap.width &&
                    g.y + g.height <= bitmap.height);
        const int advance = g.pre + g.width + g.post;
        EXPECT_TRUE(advance > 0 && advance < lineHeight * 2) << advance;
        int ink = 0;
        for (int y = g.y; y < g.y + g.height; ++y)
            for (int x = g.x; x < g.x + g.width; ++x) ink = std::max(ink, int(bitmap.alphaAt(x, y)));
        if (code == ' ')
            EXPECT_EQ(ink, 0);
        else
            EXPECT_GT(ink, 128) << "glyph cell holds no ink";
    }
    // Antialiased: glyph edges use intermediate coverage, and the colour is white.
    std::set<int> levels;
    for (size_t i = 0; i < bitmap.rgba.size(); i += 4) {
        if (bitmap.rgba[i + 3] > 0) {
            levels.insert(bitmap.rgba[i + 3]);
            EXPECT_EQ(bitmap.rgba[i] & bitmap.rgba[i + 1] & bitmap.rgba[i + 2], 255);
        }
    }
    EXPECT_GT(levels.size(), 64u);
}

INSTANTIATE_TEST_SUITE_P(BothFonts, FontPack, ::testing::Values("font", "fontsmall"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

TEST_F(Pack, LargeFontIsTallerThanSmallFont) {
    mount("Graphics.paq");
    auto heightOf = [](const std::vector<uint8_t>& text) {
        std::string s(text.begin(), text.end());
        size_t at = s.find("Char=41,");
        int x, y, w, h;
        return at != std::string::npos && std::sscanf(s.c_str() + at, "Char=41,%d,%d,%d,%d", &x, &y, &w, &h) == 4 ? h : 0;
    };
    const int large = heightOf(read("graphics/font.fnt")), small = heightOf(read("graphics/fontsmall.fnt"));
    EXPECT_GT(small, 12);
    EXPECT_GT(large, small + 8);
}

// The program's own font class reads both descriptions from the attached pack: every printable
// character gets a glyph over the loaded bitmap, and widths add up the description's advances.
TEST(ProgramFonts, LoadEveryGlyphFromTheGraphicsPack) {
    hgeUseHeadless(true);
    HGE* engine = hgeCreate(HGE_VERSION);
    engine->setNumber(HGE_SCREENWIDTH, 64);
    engine->setNumber(HGE_SCREENHEIGHT, 64);
    engine->setFlag(HGE_WINDOWED, true);
    ASSERT_TRUE(engine->initiate());
    ASSERT_TRUE(engine->attachPack((binDir / "Graphics.paq").c_str()));
    for (const char* name : {"graphics\\font.fnt", "graphics\\fontsmall.fnt"}) {
        SCOPED_TRACE(name);
        orn::hgeFont font(name);
        EXPECT_NE(font.texture, 0u);
        float expectedWidth = 0;
        for (int code = 32; code <= 126; ++code) {
            ASSERT_NE(font.glyphs[code], nullptr) << "character " << code;
            EXPECT_EQ(font.glyphs[code]->sourceHeight, font.height);
            expectedWidth += font.preAdvance[code] + font.glyphs[code]->sourceWidth + font.postAdvance[code];
        }
        EXPECT_GT(font.height, 10.0f);
        // The printable characters in order, so the width covers every glyph exactly once.
        char all[96] = {};
        for (int code = 32; code <= 126; ++code) all[code - 32] = char(code);
        EXPECT_FLOAT_EQ(font.textWidth(all), expectedWidth);
        EXPECT_GT(font.textWidth("Ornalis 2"), font.textWidth("Ornalis2")) << "the space advances the pen";
    }
    engine->shutdown();
    engine->release();
}

struct Decoded {
    double seconds = 0;
    double peak = 0;  // fraction of full scale
};

class SoundPack : public Pack {
protected:
    void SetUp() override {
        Pack::SetUp();
        // No sound device on build machines: the dummy driver still decodes.
        SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
        ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
        ASSERT_EQ(Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024), 0) << Mix_GetError();
        mount("Sound.paq");
    }
    void TearDown() override {
        Mix_CloseAudio();
        SDL_Quit();
        Pack::TearDown();
    }

    // Decodes an MP3 of the pack into the mixer's format; length and loudest sample.
    static Decoded decode(const std::vector<uint8_t>& mp3) {
        Decoded result;
        int frequency = 0, channels = 0;
        Uint16 format = 0;
        if (!Mix_QuerySpec(&frequency, &format, &channels) || format != AUDIO_S16SYS) return result;
        Mix_Chunk* chunk = Mix_LoadWAV_RW(SDL_RWFromConstMem(mp3.data(), int(mp3.size())), 1);
        if (!chunk) return result;
        const auto* samples = reinterpret_cast<const int16_t*>(chunk->abuf);
        const size_t count = chunk->alen / sizeof(int16_t);
        int peak = 0;
        for (size_t i = 0; i < count; ++i) peak = std::max(peak, std::abs(int(samples[i])));
        result.seconds = double(count) / channels / frequency;
        result.peak = peak / 32768.0;
        Mix_FreeChunk(chunk);
        return result;
    }
};

TEST_F(SoundPack, HoldsTheEightSoundsDecodableWithSensibleLengthsAndLevels) {
    EXPECT_EQ(list(""), std::vector<std::string>{"sound"});
    EXPECT_EQ(list("sound").size(), 8u);

    struct Case {
        const char* name;
        double minSeconds, maxSeconds, minPeak, maxPeak;
    };
    // Ambient pieces peak near -6 dBFS; the click and the sweep are short and quieter.
    const Case cases[] = {
        {"sound/one.mp3", 0.02, 0.5, 0.05, 0.35}, {"sound/iter.mp3", 0.2, 1.5, 0.1, 0.5},
        {"sound/a1.mp3", 20, 40, 0.3, 0.8},        {"sound/a2.mp3", 20, 40, 0.3, 0.8},
        {"sound/a3.mp3", 20, 40, 0.3, 0.8},        {"sound/a4.mp3", 20, 40, 0.3, 0.8},
        {"sound/a5.mp3", 20, 40, 0.3, 0.8},        {"sound/a6.mp3", 20, 40, 0.3, 0.8},
    };
    std::set<std::vector<uint8_t>> distinct;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> mp3 = read(c.name);
        ASSERT_FALSE(mp3.empty());
        distinct.insert(mp3);
        const Decoded sound = decode(mp3);
        EXPECT_GE(sound.seconds, c.minSeconds);
        EXPECT_LE(sound.seconds, c.maxSeconds);
        EXPECT_GE(sound.peak, c.minPeak);
        EXPECT_LE(sound.peak, c.maxPeak) << "too loud or clipping";
    }
    EXPECT_EQ(distinct.size(), 8u);
}

}  // namespace
