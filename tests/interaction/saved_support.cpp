// Shared set-up for the saved-screen tests.
#include "saved_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/assets.h"
#include "app/config.h"
#include "interaction/browse.h"
#include "interaction/frame.h"
#include "model/items.h"
#include "model/screen.h"
#include "platform/engine/headless.h"
#include "platform/platform.h"
#include "registry/registry.h"
#include "render/render.h"
#include "saved/saved_file.h"
#include "support/headless_engine.h"

namespace savedtest {

using namespace orn;

std::string makeTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ornalis-saved-XXXXXX").string();
    const char* made = mkdtemp(pattern.data());
    return made ? std::string(made) : std::string();
}

void removeTree(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}


std::string recipeLine(int k) { return std::to_string(1000 + k) + ",7,11,13,200,1.000000"; }

std::vector<std::string> recipeLines(int count) {
    std::vector<std::string> lines;
    for (int k = 0; k < count; ++k) lines.push_back(recipeLine(k));
    return lines;
}

std::string fileBytes(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) bytes += line + "\r\n";
    return bytes;
}

void SavedScreensTest::SetUp() {
    dir = makeTempDir();
    ASSERT_FALSE(dir.empty());
    // Assets come from the build's program folder, the save file from the temporary one.
    platform::setProgramDirectory(ORN_BIN_DIR);
    platform::setDesktopSize(1920, 1080);
    programDirectory = dir;
    ASSERT_EQ(startHeadlessEngine(960, 960), "");
    registry = new VOXA();
    engine->attachPack("Graphics.paq");
    ASSERT_FALSE(loadGraphics());
    engine->attachPack("Sound.paq");
    ASSERT_FALSE(loadSounds());
    createRenderTargets();
}

void SavedScreensTest::TearDown() {
    if (engine) {
        engine->shutdown();
        engine->release();
        engine = nullptr;
    }
    removeTree(dir);
}

std::string SavedScreensTest::savePath() const { return dir + "/" + saveFileName; }

void SavedScreensTest::start(const std::optional<std::vector<std::string>>& lines) {
    if (lines) writeBytes(savePath(), fileBytes(*lines));
    // The program's state as it starts, also when several tests share one process.
    galleryFirst = -1;
    galleryLoaded = 0;
    showGuides = 0;
    iterationAutoOff = 0;
    message.clear();
    loadSavedScreens();
    savedIndex = savedCount();
    resetScreenState();
    buildScreen(127, false);
    frame();
}

void SavedScreensTest::startWithBytes(const std::string& bytes) {
    writeBytes(savePath(), bytes);
    start(std::nullopt);
}

bool SavedScreensTest::frame() {
    const bool end = frameFunction();
    if (!end) renderFunction();
    hgeHeadlessEndFrame();
    return end;
}

void SavedScreensTest::frames(int n) {
    for (int i = 0; i < n; ++i) frame();
}

void SavedScreensTest::press(std::initializer_list<int> codes) {
    for (int i = 0; i < 200 && !keyLockPassed(); ++i) frame();
    ASSERT_TRUE(keyLockPassed()) << "the key lock-out never ended";
    for (int code : codes) hgeHeadlessKey(code, true);
    frame();
    for (int code : codes) hgeHeadlessKey(code, false);
}

void SavedScreensTest::click(float x, float y) {
    hgeHeadlessMouse(x, y);
    hgeHeadlessKey(KEY_LBUTTON, true);
    frame();
    hgeHeadlessKey(KEY_LBUTTON, false);
}

std::vector<int32_t> SavedScreensTest::buildPage(int frameLimit) {
    std::vector<int32_t> seeds;
    int32_t cell = galleryLoaded;
    // The frame that opened or turned the page may already have loaded its first cell.
    if (cell >= 0 && cell < galleryCells && static_cast<int64_t>(galleryFirst) + cell < savedCount()) {
        seeds.push_back(screenRecipe.shapeSeed);
    }
    for (int i = 0; i < frameLimit && galleryFirst >= 0 && galleryLoaded < galleryCells; ++i) {
        frame();
        if (galleryLoaded != cell) {
            cell = galleryLoaded;
            const int64_t index = static_cast<int64_t>(galleryFirst) + cell;
            if (cell < galleryCells && index < savedCount()) seeds.push_back(screenRecipe.shapeSeed);
        }
    }
    EXPECT_EQ(galleryLoaded, galleryCells) << "the page was not completed";
    return seeds;
}

}  // namespace savedtest
