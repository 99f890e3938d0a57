// The overlay texts drawn into the headless screen with the real fonts: help, info text and
// status message at their rows with their shadows, nothing while the gallery is open, the
// arming of the info text, and the info text's wording.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/assets.h"
#include "app/config.h"
#include "interaction/browse.h"
#include "interaction/frame.h"
#include "model/items.h"
#include "model/screen.h"
#include "platform/engine/headless.h"
#include "platform/platform.h"
#include "registry/registry.h"
#include "render/overlay.h"
#include "render/render.h"
#include "support/headless_engine.h"

namespace orn {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t background = 0xFF808080;  // mid grey, so the black shadows show

enum class Kind { other, white, orange, dark };

// Pixels classified by colour: the texts' own colours, the shadows' black, anything else.
struct Screen {
    int width = 0, height = 0;
    std::vector<Kind> kinds;
    Kind at(int x, int y) const { return kinds[static_cast<size_t>(y) * width + x]; }
};

Kind classify(int r, int g, int b) {
    if (r > 215 && g > 215 && b > 215) return Kind::white;
    if (r > 215 && g > 150 && g < 215 && b < 60) return Kind::orange;
    if (r + g + b < 90) return Kind::dark;
    return Kind::other;
}

Screen readScreen(const std::string& path) {
    Screen screen;
    SDL_Surface* loaded = IMG_Load(path.c_str());
    if (!loaded) return screen;
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(loaded);
    if (!rgb) return screen;
    screen.width = rgb->w;
    screen.height = rgb->h;
    for (int y = 0; y < rgb->h; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(rgb->pixels) + static_cast<size_t>(y) * rgb->pitch;
        for (int x = 0; x < rgb->w; ++x) screen.kinds.push_back(classify(row[3 * x], row[3 * x + 1], row[3 * x + 2]));
    }
    SDL_FreeSurface(rgb);
    return screen;
}

// The bounding box of the pixels of one kind within a band of rows; empty when none.
struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    bool empty() const { return left > right; }
    double centreX() const { return (left + right) / 2.0; }
};

Box boxOf(const Screen& screen, Kind kind, int firstRow, int lastRow) {
    Box box;
    for (int y = std::max(firstRow, 0); y <= std::min(lastRow, screen.height - 1); ++y) {
        for (int x = 0; x < screen.width; ++x) {
            if (screen.at(x, y) != kind) continue;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
        }
    }
    return box;
}

class OverlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orn-overlay-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        platform::setProgramDirectory(ORN_BIN_DIR);
        platform::setDesktopSize(1920, 1080);
        programDirectory = dir;
        screenWidth = 960;
        screenHeight = 960;
        displayScale = 1.0;
        ASSERT_EQ(startHeadlessEngine(960, 960), "");
        registry = new VOXA();
        engine->attachPack("Graphics.paq");
        ASSERT_FALSE(loadGraphics());
        ASSERT_NE(fontSmall, nullptr);
        ASSERT_GT(fontSmall->height, 8.0f);
        smallLine = static_cast<int>(fontSmall->height);
        largeLine = static_cast<int>(fontLarge->height);

        // A generation of 100 items of a three-part screen, none painted yet.
        resetScreenState();
        screenModel.partCount = 3;
        ASSERT_TRUE(allocateBuffer(1, 100));
        drawCursor = 0;
        galleryFirst = -1;
        clock = 40;
    }
    void TearDown() override {
        hgeHeadlessKey(KEY_LBUTTON, false);
        if (engine) {
            engine->shutdown();
            engine->release();
        }
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    Screen render() {
        engine->beginScene(0);
        engine->clear(background);
        renderOverlay();
        engine->endScene();
        const std::string path = dir + "/screen.png";
        EXPECT_TRUE(hgeWriteTargetPng(0, path.c_str()));
        return readScreen(path);
    }
    void showEverything() {
        hgeHeadlessKey(KEY_LBUTTON, true);
        showMessage("Loaded screen 12");
    }

    std::string dir;
    int smallLine = 0, largeLine = 0;
};

// A text's own pixels start at its row, lie centred on the screen's middle, and its two black
// copies stick out by one pixel on every side.
void expectTextAt(const Screen& screen, Kind colour, int row, int lines, int lineHeight, const char* what) {
    SCOPED_TRACE(what);
    const int lastRow = row + lines * lineHeight;
    const Box text = boxOf(screen, colour, row - 3, lastRow + 3);
    ASSERT_FALSE(text.empty());
    EXPECT_GE(text.top, row);
    EXPECT_LE(text.top, row + lineHeight / 2);
    EXPECT_LE(text.bottom, lastRow);
    EXPECT_NEAR(text.centreX(), 480.0, 2.0);
    const Box shadow = boxOf(screen, Kind::dark, row - 3, lastRow + 3);
    ASSERT_FALSE(shadow.empty());
    EXPECT_NEAR(shadow.left, text.left - 1, 1);
    EXPECT_NEAR(shadow.right, text.right + 1, 1);
    EXPECT_NEAR(shadow.top, text.top - 1, 1);
    EXPECT_NEAR(shadow.bottom, text.bottom + 1, 1);
}

TEST_F(OverlayTest, HelpInfoAndMessageShowTogetherAtTheirRows) {
    showEverything();
    const Screen screen = render();
    ASSERT_EQ(screen.width, 960);

    expectTextAt(screen, Kind::white, 50, 2, smallLine, "info text, two lines");
    expectTextAt(screen, Kind::white, 110, 1, smallLine, "status message");
    expectTextAt(screen, Kind::orange, 150, 1, largeLine, "help title");
    // The help body: 29 lines from row 190 downwards.
    const int bodyEnd = 190 + 29 * smallLine;
    ASSERT_LT(bodyEnd, 960);
    expectTextAt(screen, Kind::orange, 190, 29, smallLine, "help body");
    EXPECT_GE(boxOf(screen, Kind::orange, 190, bodyEnd).bottom, 190 + 27 * smallLine);

    // Nothing of one text reaches into another's rows.
    EXPECT_TRUE(boxOf(screen, Kind::orange, 0, 148).empty());
    EXPECT_TRUE(boxOf(screen, Kind::white, 150, 959).empty());
    EXPECT_TRUE(boxOf(screen, Kind::dark, 0, 47).empty());
}

TEST_F(OverlayTest, EachTextShowsOnlyWhileItIsDue) {
    // Without the button, with the message expired and the generation painted, only the armed
    // info text of earlier frames remains, until its time runs out.
    infoUntil = clock + 5;
    drawCursor = 100;
    messageUntil = clock;
    Screen screen = render();
    EXPECT_FALSE(boxOf(screen, Kind::white, 48, 50 + 2 * smallLine).empty());
    EXPECT_TRUE(boxOf(screen, Kind::white, 100, 959).empty());
    EXPECT_TRUE(boxOf(screen, Kind::orange, 0, 959).empty());
    EXPECT_DOUBLE_EQ(infoUntil, clock + 5);

    clock += 5;
    screen = render();
    EXPECT_TRUE(boxOf(screen, Kind::white, 0, 959).empty());
    EXPECT_TRUE(boxOf(screen, Kind::dark, 0, 959).empty());
}

TEST_F(OverlayTest, NothingIsDrawnWhileTheGalleryIsOpenButTheInfoIsStillArmed) {
    showEverything();
    galleryFirst = 0;
    infoUntil = 0;
    const Screen screen = render();
    const Box anything[] = {boxOf(screen, Kind::white, 0, 959), boxOf(screen, Kind::orange, 0, 959),
                            boxOf(screen, Kind::dark, 0, 959)};
    for (const Box& box : anything) EXPECT_TRUE(box.empty());
    EXPECT_DOUBLE_EQ(infoUntil, clock + 5 * keyDelay);
}

// The info text is armed by TAB, I and R held, and by a generation not yet fully painted.
struct ArmingCase {
    const char* name;
    int key;             // held key, 0 for none
    int32_t drawCursor;  // of a generation of 100
    bool armed;
};

class InfoArmingTest : public OverlayTest, public ::testing::WithParamInterface<ArmingCase> {};

TEST_P(InfoArmingTest, ExtendsInfoUntil) {
    const ArmingCase& c = GetParam();
    if (c.key) hgeHeadlessKey(c.key, true);
    drawCursor = c.drawCursor;
    infoUntil = 3;
    render();
    if (c.key) hgeHeadlessKey(c.key, false);
    EXPECT_DOUBLE_EQ(infoUntil, c.armed ? clock + 5 * keyDelay : 3.0);
}

INSTANTIATE_TEST_SUITE_P(Cases, InfoArmingTest,
                         ::testing::Values(ArmingCase{"Tab", KEY_TAB, 100, true}, ArmingCase{"I", KEY_I, 100, true},
                                           ArmingCase{"R", KEY_R, 100, true},
                                           ArmingCase{"GrowingGeneration", 0, 99, true},
                                           ArmingCase{"OtherKey", KEY_N, 100, false},
                                           ArmingCase{"PaintedGeneration", 0, 100, false}),
                         [](const ::testing::TestParamInfo<ArmingCase>& info) {
                             return std::string(info.param.name);
                         });

// The info text: the newest generation's size, the iteration switch, and the suffix once the
// next generation would pass 16777216 items.
struct InfoCase {
    int32_t partCount;
    int32_t capacity;
    int32_t autoOff;
    const char* text;
};

class InfoTextTest : public OverlayTest, public ::testing::WithParamInterface<InfoCase> {};

TEST_P(InfoTextTest, ReadsAsExpected) {
    const InfoCase& c = GetParam();
    screenModel.partCount = c.partCount;
    ASSERT_TRUE(allocateBuffer(1, c.capacity));
    iterationAutoOff = c.autoOff;
    EXPECT_STREQ(infoText(), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InfoTextTest,
    ::testing::Values(InfoCase{3, 100, 0, "Number of parts: 100\nIteration auto: On"},
                      InfoCase{2, 32768, 1, "Number of parts: 32768\nIteration auto: Off"},
                      InfoCase{4, 4194304, 0, "Number of parts: 4194304\nIteration auto: On"},
                      InfoCase{4, 4194305, 0, "Number of parts: 4194305\nIteration auto: On (max items)"},
                      InfoCase{5, 3355444, 1, "Number of parts: 3355444\nIteration auto: Off (max items)"}));

TEST(HelpText, HoldsTheSixteenControlLinesAfterTheMakerLine) {
    std::vector<std::string> lines;
    std::string text = helpText;
    size_t from = 0;
    for (size_t at; (at = text.find('\n', from)) != std::string::npos; from = at + 1) {
        lines.push_back(text.substr(from, at - from));
    }
    lines.push_back(text.substr(from));
    const std::vector<std::string> controls = {"_____ Control _____",
                                               "N - New screen",
                                               "B - New colors",
                                               "MouseWheel - Zoom screen",
                                               "MouseRightButton+Move - Position",
                                               "MouseWheel+CTRL - Zoom parts",
                                               "TAB - Next iteration",
                                               "A - Auto mode on",
                                               "I - Info",
                                               "R - Iteration auto on/off",
                                               "SPACE - Show next iteration",
                                               "S - Save screen",
                                               "Arrow UP, DOWN - View saved",
                                               "D - Delete screen",
                                               "PageUP, PageDOWN - Views saved in the gallery",
                                               "X - Exits application"};
    ASSERT_EQ(lines.size(), 29u);
    EXPECT_FALSE(lines[0].empty());
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.begin() + 19), controls);
    // Two empty lines, the thanks, an empty line, four credit lines, an empty line, the notice.
    for (int i : {19, 20, 22, 27}) EXPECT_EQ(lines[i], "") << i;
    for (int i : {21, 23, 24, 25, 26, 28}) EXPECT_FALSE(lines[i].empty()) << i;
    EXPECT_EQ(text.find('%'), std::string::npos);
}

}  // namespace
}  // namespace orn
