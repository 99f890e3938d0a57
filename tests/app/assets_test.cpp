// Asset loading: sprite images from the "pix" search in sorted order with alternating blend
// modes, the eight sound effects and their failure rule, and a start without its graphics pack.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/assets.h"
#include "app/config.h"
#include "platform/engine/headless.h"
#include "platform/platform.h"
#include "registry/registry.h"
#include "tools/png_writer.h"

namespace orn {
namespace {

namespace fs = std::filesystem;

std::string makeTempDir() {
    char pattern[] = "/tmp/orn-assets-XXXXXX";
    return mkdtemp(pattern) ? std::string(pattern) : std::string();
}

// A headless engine whose program directory is a fresh temporary folder.
class AssetTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = makeTempDir();
        ASSERT_FALSE(dir.empty());
        platform::setProgramDirectory(dir);
        programDirectory = dir;
        hgeUseHeadless(true);
        engine = hgeCreate(HGE_VERSION);
        ASSERT_NE(engine, nullptr);
        engine->setFlag(HGE_WINDOWED, true);
        engine->setNumber(HGE_SCREENWIDTH, 64);
        engine->setNumber(HGE_SCREENHEIGHT, 64);
        ASSERT_TRUE(engine->initiate()) << engine->errorMessage();
        registry = new VOXA();
    }
    void TearDown() override {
        if (engine) {
            engine->shutdown();
            engine->release();
        }
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    void image(const std::string& name, int width, int height) {
        fs::create_directories(dir + "/pix");
        std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4, 200);
        ASSERT_TRUE(tools::writePng((dir + "/pix/" + name).c_str(), width, height, pixels));
    }
    std::string dir;
};

struct Entry {
    const char* name;
    int width, height;  // 0: a folder
};
struct Expected {
    const char* name;
    int32_t blend;
    float anchorX, anchorY;
};
struct ImageCase {
    const char* title;
    std::vector<Entry> entries;
    std::vector<Expected> graphics;
};
void PrintTo(const ImageCase& c, std::ostream* os) { *os << c.title; }

class ImageLoading : public AssetTest, public ::testing::WithParamInterface<ImageCase> {};

// Images are registered in name order; even entries (folders counted) add, odd ones blend.
TEST_P(ImageLoading, RegistersImagesInNameOrderWithAlternatingBlend) {
    for (const Entry& e : GetParam().entries) {
        if (e.width == 0) {
            fs::create_directories(dir + "/pix/" + e.name);
        } else {
            image(e.name, e.width, e.height);
        }
    }
    ASSERT_FALSE(loadGraphics());
    const std::vector<Expected>& expected = GetParam().graphics;
    ASSERT_EQ(registry->graphicCount(), static_cast<int32_t>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        VOXA_GRAPHICS* g = registry->graphicAt(static_cast<int32_t>(i));
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->name, expected[i].name) << i;
        EXPECT_EQ(g->sprite->quad.blend, expected[i].blend) << expected[i].name;
        EXPECT_EQ(g->sprite->anchorX, expected[i].anchorX) << expected[i].name;
        EXPECT_EQ(g->sprite->anchorY, expected[i].anchorY) << expected[i].name;
        for (const QuadVertex& v : g->sprite->quad.v) EXPECT_EQ(v.colour, 0xFFFFFFFFu);
    }
}
INSTANTIATE_TEST_SUITE_P(
    Cases, ImageLoading,
    ::testing::Values(
        ImageCase{"three images, written out of order",
                  {{"c.png", 33, 20}, {"a.png", 16, 16}, {"b.png", 8, 6}},
                  {{"a.png", 0, 8, 8}, {"b.png", 2, 4, 3}, {"c.png", 0, 16, 10}}},
        ImageCase{"a folder named like an image shifts the blend of the images after it",
                  {{"a.png", 8, 8}, {"b.png", 0, 0}, {"c.png", 8, 8}, {"d.png", 8, 8}},
                  {{"a.png", 0, 4, 4}, {"c.png", 0, 4, 4}, {"d.png", 2, 4, 4}}},
        ImageCase{"other files are not found", {{"a.png", 8, 8}, {"notes.txt", 8, 8}}, {{"a.png", 0, 4, 4}}},
        ImageCase{"an empty folder registers nothing", {}, {}}),
    [](const ::testing::TestParamInfo<ImageCase>& info) { return "case" + std::to_string(info.index); });

TEST_F(AssetTest, NoImageFolderStillSucceeds) {
    EXPECT_FALSE(loadGraphics());
    EXPECT_EQ(registry->graphicCount(), 0);
    EXPECT_NE(fontLarge, nullptr);  // a font without its description is still made
    EXPECT_NE(fontSmall, nullptr);
}

TEST_F(AssetTest, ImageThatIsNotAnImageFails) {
    image("a.png", 8, 8);
    std::ofstream(dir + "/pix/b.png") << "not a picture";
    image("c.png", 8, 8);
    EXPECT_TRUE(loadGraphics());
    EXPECT_GE(registry->graphicCount(), 1);  // a.png came before the broken one
}

// The real sound pack unpacked into the program folder, where resource loading also looks.
class SoundLoading : public AssetTest {
protected:
    void SetUp() override {
        AssetTest::SetUp();
        const std::string command =
            "cd '" + dir + "' && cmake -E tar xf '" + std::string(ORN_BIN_DIR) + "/Sound.paq'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        ASSERT_TRUE(fs::exists(dir + "/sound/a4.mp3"));
    }
    std::vector<HEFFECT> handles() const {
        std::vector<HEFFECT> h = {clickEffect, iterationEffect};
        h.insert(h.end(), ambientEffects, ambientEffects + 6);
        return h;
    }
};

TEST_F(SoundLoading, AllEightEffectsLoad) {
    EXPECT_FALSE(loadSounds());
    for (HEFFECT h : handles()) EXPECT_NE(h, 0u);
}

// A missing effect ends loading with failure; those before it stay loaded.
TEST_F(SoundLoading, MissingEffectFailsAfterLoadingTheOnesBeforeIt) {
    struct Case {
        const char* missing;
        int loadedBefore;
    };
    const Case cases[] = {{"a4.mp3", 5}, {"one.mp3", 0}, {"a6.mp3", 7}};
    for (const Case& c : cases) {
        const fs::path file = fs::path(dir) / "sound" / c.missing;
        const fs::path away = fs::path(dir) / c.missing;
        fs::rename(file, away);
        clickEffect = iterationEffect = 0;
        for (HEFFECT& h : ambientEffects) h = 0;
        EXPECT_TRUE(loadSounds()) << c.missing;
        const std::vector<HEFFECT> h = handles();
        for (int i = 0; i < 8; ++i) EXPECT_EQ(h[i] != 0, i < c.loadedBefore) << c.missing << " effect " << i;
        fs::rename(away, file);
    }
}

// The real program in a copy of its folder, run from a script; returns the exit code and fills
// the JSON event lines it printed.
int runScripted(const std::string& folder, const std::string& script, std::string& out) {
    const std::string scriptPath = folder + "/script.txt";
    std::ofstream(scriptPath) << script;
    const std::string command = "'" + folder + "/ornalis2' --headless --script '" + scriptPath + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    out.clear();
    while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string copyProgram(bool withGraphicsPack) {
    const std::string folder = makeTempDir();
    const fs::path bin(ORN_BIN_DIR);
    fs::copy(bin / "ornalis2", folder + "/ornalis2");
    fs::copy(bin / "pix", folder + "/pix", fs::copy_options::recursive);
    fs::copy(bin / "Sound.paq", folder + "/Sound.paq");
    if (withGraphicsPack) fs::copy(bin / "Graphics.paq", folder + "/Graphics.paq");
    return folder;
}

TEST(AssetStartUp, WithoutItsGraphicsPackTheProgramSaysSoAndNeverRunsTheLoop) {
    const std::string folder = copyProgram(false);
    std::string out;
    const int code = runScripted(folder, "answer no\n50 quit\n", out);
    EXPECT_EQ(code, 0) << out;
    EXPECT_NE(out.find("\"event\":\"messagebox\""), std::string::npos) << out;
    EXPECT_NE(out.find("Can't load graphics."), std::string::npos) << out;
    EXPECT_EQ(out.find("\"event\":\"screen\""), std::string::npos) << out;
    std::error_code ec;
    fs::remove_all(folder, ec);
}

TEST(AssetStartUp, WithItsAssetsTheProgramBuildsItsFirstScreen) {
    const std::string folder = copyProgram(true);
    std::string out;
    const int code = runScripted(folder, "answer no\n5 quit\n", out);
    EXPECT_EQ(code, 0) << out;
    EXPECT_EQ(out.find("Can't load"), std::string::npos) << out;
    EXPECT_NE(out.find("\"event\":\"screen\""), std::string::npos) << out;
    std::error_code ec;
    fs::remove_all(folder, ec);
}

}  // namespace
}  // namespace orn
