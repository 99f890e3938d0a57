// The engine shell: one reference-counted instance, stored states, the frame loop, the headless
// script (input by frame, quit, message boxes), the window backend's key mapping and its
// failure without a display, and the log.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/engine/backend.h"
#include "platform/engine/headless.h"
#include "platform/engine/hge.h"
#include "platform/events.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;

struct TempFolder {
    fs::path path;
    TempFolder() {
        char name[] = "/tmp/orn_engine_XXXXXX";
        path = mkdtemp(name);
    }
    ~TempFolder() { fs::remove_all(path); }
};

std::string writeScript(const TempFolder& folder, const std::string& text) {
    fs::path path = folder.path / "script.txt";
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}

TEST(EngineInstance, OneCountedInstanceForTheKnownVersionOnly) {
    EXPECT_EQ(hgeCreate(0x150), nullptr);
    HGE* a = hgeCreate(HGE_VERSION);
    HGE* b = hgeCreate(HGE_VERSION);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    a->setNumber(HGE_FPS, 50);
    b->release();
    // One reference is left: the instance and its states live on.
    EXPECT_EQ(a->numberState(HGE_FPS), 50);
    a->release();
    HGE* c = hgeCreate(HGE_VERSION);
    EXPECT_EQ(c->numberState(HGE_FPS), 0);  // a fresh engine
    c->release();
}

TEST(EngineInstance, StoresEveryStateAndRecordsTheCalls) {
    HGE* hge = hgeCreate(HGE_VERSION);
    auto frame = []() { return true; };
    hge->setCallback(HGE_FRAMEFUNC, frame);
    hge->setText(HGE_TITLE, "Title - x");
    hge->setFlag(HGE_WINDOWED, false);
    hge->setNumber(HGE_SCREENWIDTH, 1366);
    hge->setFlag(HGE_ZBUFFER, false);
    hge->setFlag(HGE_TEXTUREFILTER, true);
    hge->setNumber(99, 5);  // unknown states are ignored
    EXPECT_EQ(hge->callbackState(HGE_FRAMEFUNC), +frame);
    EXPECT_EQ(hge->callbackState(HGE_RENDERFUNC), nullptr);
    EXPECT_STREQ(hge->textState(HGE_TITLE), "Title - x");
    EXPECT_FALSE(hge->flagState(HGE_WINDOWED));
    EXPECT_TRUE(hge->flagState(HGE_TEXTUREFILTER));
    EXPECT_EQ(hge->numberState(HGE_SCREENWIDTH), 1366);
    EXPECT_EQ(hge->numberState(99), 0);
    const std::vector<std::string> expected = {"setCallback 1 set", "setText 7 Title - x", "setFlag 11 false",
                                               "setNumber 8 1366", "setFlag 12 false", "setFlag 13 true"};
    EXPECT_EQ(hgeStateLog(), expected);
    hge->release();
    EXPECT_EQ(hgeStateLog(), expected);  // still readable after the engine is gone
}

struct LoopRecord {
    std::vector<std::string> calls;
    int frames = 0;
    int endAt = 3;
};
LoopRecord loop;
HGE* loopEngine = nullptr;

bool loopFrame() {
    loop.frames += 1;
    loop.calls.push_back("frame " + std::to_string(loop.frames) + " delta " +
                         std::to_string(loopEngine->frameDelta()));
    return loop.frames == loop.endAt;
}
bool loopRender() {
    loop.calls.push_back("render " + std::to_string(loop.frames));
    return false;
}

TEST(EngineLoop, HeadlessFramesRunFrameThenRenderUntilTheFrameFunctionEnds) {
    hgeUseHeadless(true);
    HGE* hge = hgeCreate(HGE_VERSION);
    loopEngine = hge;
    EXPECT_FALSE(hge->start());  // not initiated
    hge->setCallback(HGE_FRAMEFUNC, loopFrame);
    hge->setCallback(HGE_RENDERFUNC, loopRender);
    hge->setNumber(HGE_FPS, 40);
    hge->setNumber(HGE_SCREENWIDTH, 64);
    hge->setNumber(HGE_SCREENHEIGHT, 48);
    ASSERT_TRUE(hge->initiate()) << hge->errorMessage();
    EXPECT_FLOAT_EQ(hge->frameDelta(), 1.0f / 40);
    EXPECT_TRUE(hge->start());
    const std::string d = std::to_string(1.0f / 40);
    const std::vector<std::string> expected = {"frame 1 delta " + d, "render 1", "frame 2 delta " + d, "render 2",
                                               "frame 3 delta " + d};
    EXPECT_EQ(loop.calls, expected);
    hge->shutdown();
    hge->shutdown();  // twice is harmless
    hge->release();
}

TEST(EngineLoop, ShutdownWithoutInitiateAndFrameLimit) {
    hgeUseHeadless(true);
    HGE* hge = hgeCreate(HGE_VERSION);
    hge->shutdown();
    hge->setCallback(HGE_FRAMEFUNC, []() { return false; });
    hgeHeadlessFrameLimit(25);
    ASSERT_TRUE(hge->initiate());
    EXPECT_TRUE(hge->start());  // ends at the frame limit
    EXPECT_EQ(platform::eventFrame(), 25);
    hge->release();
}

struct InputSeen {
    bool x, ctrl, left;
    float mx, my;
    int wheel;
    bool over;
};
std::vector<InputSeen> seen;
HGE* inputEngine = nullptr;
bool recordInput() {
    InputSeen s = {};
    s.x = inputEngine->keyState(KEY_X);
    s.ctrl = inputEngine->keyState(KEY_CTRL);
    s.left = inputEngine->keyState(KEY_LBUTTON);
    inputEngine->mousePosition(&s.mx, &s.my);
    s.wheel = inputEngine->mouseWheel();
    s.over = inputEngine->mouseOver();
    seen.push_back(s);
    return s.x;  // X ends the run, as the program's frame function does
}

TEST(EngineScript, InputActsFromItsFrameAndXEndsTheRun) {
    TempFolder folder;
    std::string script = writeScript(folder,
                                     "# a comment\n"
                                     "\n"
                                     "answer yes\n"
                                     "desktop 1366 768\n"
                                     "2 key 17 down\n"
                                     "2 mouse 10.5 20\n"
                                     "3 wheel -2\n"
                                     "3 key 1 down\n"
                                     "4 key 17 up\n"
                                     "4 mouse -1 5\n"
                                     "5 key 88 down\r\n"
                                     "9 quit\n");
    std::string error;
    seen.clear();
    ASSERT_TRUE(hgeLoadScript(script.c_str(), error)) << error;
    EXPECT_TRUE(hgeHeadless());
    int w = 0, h = 0;
    platform::desktopSize(&w, &h);
    EXPECT_EQ(w, 1366);
    EXPECT_EQ(h, 768);

    testing::internal::CaptureStdout();
    EXPECT_TRUE(platform::askYesNo("Run full screen?", "Ornalis 2"));
    HGE* hge = hgeCreate(HGE_VERSION);
    inputEngine = hge;
    hge->setCallback(HGE_FRAMEFUNC, recordInput);
    hge->setNumber(HGE_SCREENWIDTH, 100);
    hge->setNumber(HGE_SCREENHEIGHT, 100);
    ASSERT_TRUE(hge->initiate());
    EXPECT_TRUE(hge->start());
    hge->release();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "{\"frame\":0,\"event\":\"messagebox\",\"text\":\"Run full screen?\",\"caption\":\"Ornalis 2\"}\n");

    ASSERT_EQ(seen.size(), 5u);  // frames 1..5; X held in frame 5 ends the run
    EXPECT_FALSE(seen[0].ctrl);
    EXPECT_TRUE(seen[0].over);  // the pointer starts at 0,0 inside the window
    EXPECT_TRUE(seen[1].ctrl);
    EXPECT_FLOAT_EQ(seen[1].mx, 10.5f);
    EXPECT_FLOAT_EQ(seen[1].my, 20.0f);
    EXPECT_EQ(seen[1].wheel, 0);
    EXPECT_EQ(seen[2].wheel, -2);
    EXPECT_TRUE(seen[2].left);
    EXPECT_TRUE(seen[2].ctrl);
    EXPECT_EQ(seen[3].wheel, 0);  // the wheel turns in its frame only
    EXPECT_FALSE(seen[3].ctrl);
    EXPECT_TRUE(seen[3].left);    // held until released
    EXPECT_FALSE(seen[3].over);   // outside the window
    EXPECT_TRUE(seen[4].x);
}

TEST(EngineScript, QuitEndsTheRunAfterItsFrame) {
    TempFolder folder;
    std::string shot = (folder.path / "frame2.png").string();
    std::string script = writeScript(folder, "2 shot " + shot + "\n3 quit\n");
    std::string error;
    ASSERT_TRUE(hgeLoadScript(script.c_str(), error)) << error;
    HGE* hge = hgeCreate(HGE_VERSION);
    inputEngine = hge;
    hge->setCallback(HGE_FRAMEFUNC, recordInput);
    seen.clear();
    static int renders = 0;
    hge->setCallback(HGE_RENDERFUNC, []() {
        renders += 1;
        return false;
    });
    ASSERT_TRUE(hge->initiate());
    EXPECT_TRUE(hge->start());
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(renders, 3);  // frame 3 is rendered before the run ends
    hge->release();
    EXPECT_GT(fs::file_size(shot), 0u);
}

TEST(EngineScript, BadLinesAreReportedWithTheirLineNumber) {
    TempFolder folder;
    const std::pair<const char*, const char*> cases[] = {
        {"1 key 88 down\nfoo\n", ":2: "},
        {"answer maybe\n", ":1: "},
        {"desktop 0 768\n", ":1: "},
        {"\n\n1 key 300 down\n", ":3: "},
        {"1 key 88 sideways\n", ":1: "},
        {"1 mouse 3\n", ":1: "},
        {"1 wheel x\n", ":1: "},
        {"1 shot\n", ":1: "},
        {"-1 quit\n", ":1: "},
        {"1 jump\n", ":1: "},
        {"1\n", ":1: "},
        {"2 quit now\n", ":1: "},
    };
    for (const auto& [text, where] : cases) {
        std::string script = writeScript(folder, text);
        std::string error;
        EXPECT_FALSE(hgeLoadScript(script.c_str(), error)) << text;
        EXPECT_NE(error.find(script + where), std::string::npos) << text << " -> " << error;
    }
    std::string error;
    EXPECT_FALSE(hgeLoadScript((folder.path / "absent.txt").c_str(), error));
    EXPECT_FALSE(error.empty());
}

TEST(EngineScript, TestInputFunctionsDriveAnInitiatedEngine) {
    hgeUseHeadless(true);
    HGE* hge = hgeCreate(HGE_VERSION);
    hge->setNumber(HGE_SCREENWIDTH, 50);
    hge->setNumber(HGE_SCREENHEIGHT, 50);
    ASSERT_TRUE(hge->initiate());
    hgeHeadlessKey(KEY_N, true);
    hgeHeadlessMouse(60, 10);
    hgeHeadlessWheel(3);
    EXPECT_TRUE(hge->keyState(KEY_N));
    EXPECT_EQ(hge->mouseWheel(), 3);
    EXPECT_FALSE(hge->mouseOver());
    long frame = platform::eventFrame();
    hgeHeadlessEndFrame();
    EXPECT_EQ(platform::eventFrame(), frame + 1);
    EXPECT_EQ(hge->mouseWheel(), 0);
    EXPECT_TRUE(hge->keyState(KEY_N));
    hgeHeadlessKey(KEY_N, false);
    EXPECT_FALSE(hge->keyState(KEY_N));
    EXPECT_FALSE(hge->keyState(-1));
    EXPECT_FALSE(hge->keyState(256));
    hge->release();
}

TEST(EngineWindow, SdlKeysMapToVirtualKeyCodes) {
    const std::pair<int, int> cases[] = {
        {SDLK_a, 65},       {SDLK_x, 88},        {SDLK_z, 90},      {SDLK_n, 78},      {SDLK_TAB, 9},
        {SDLK_SPACE, 32},   {SDLK_PAGEUP, 33},   {SDLK_PAGEDOWN, 34}, {SDLK_UP, 38},   {SDLK_DOWN, 40},
        {SDLK_LEFT, 37},    {SDLK_RIGHT, 39},    {SDLK_LCTRL, 17},  {SDLK_RCTRL, 17},  {SDLK_LSHIFT, 16},
        {SDLK_RETURN, 13},  {SDLK_ESCAPE, 27},   {SDLK_0, 48},      {SDLK_9, 57},      {SDLK_F1, 112},
        {SDLK_DELETE, 46},  {SDLK_CAPSLOCK, 0},  {SDLK_KP_5, 0},
    };
    for (const auto& [sdl, vk] : cases) EXPECT_EQ(virtualKeyFromSdl(sdl), vk) << SDL_GetKeyName(sdl);
}

// Without a display initiate fails, whether the X11 driver was asked for or no driver was named
// (SDL would then fall back to an offscreen driver and the program would run unseen).
class EngineWindowWithoutDisplay : public ::testing::TestWithParam<const char*> {};

TEST_P(EngineWindowWithoutDisplay, InitiateFailsWithAReason) {
    if (*GetParam()) {
        setenv("SDL_VIDEODRIVER", GetParam(), 1);
    } else {
        unsetenv("SDL_VIDEODRIVER");
    }
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    HGE* hge = hgeCreate(HGE_VERSION);
    hge->setNumber(HGE_SCREENWIDTH, 960);
    hge->setNumber(HGE_SCREENHEIGHT, 960);
    EXPECT_FALSE(hge->initiate());
    EXPECT_NE(std::string(hge->errorMessage()).find("Can't open the display"), std::string::npos)
        << hge->errorMessage();
    EXPECT_FALSE(hge->start());
    hge->shutdown();
    hge->release();
}

INSTANTIATE_TEST_SUITE_P(Drivers, EngineWindowWithoutDisplay, ::testing::Values("x11", ""));

TEST(EngineWindow, DummyVideoOpensPresentsAndCloses) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    HGE* hge = hgeCreate(HGE_VERSION);
    hge->setNumber(HGE_SCREENWIDTH, 120);
    hge->setNumber(HGE_SCREENHEIGHT, 90);
    hge->setNumber(HGE_FPS, 50);
    hge->setText(HGE_TITLE, "test");
    static int frames = 0;
    static HGE* engine = hge;
    static float deltas = 0;
    hge->setCallback(HGE_FRAMEFUNC, []() {
        frames += 1;
        if (frames > 1) deltas += engine->frameDelta();
        return frames == 11;
    });
    ASSERT_TRUE(hge->initiate()) << hge->errorMessage();
    int64_t begin = platform::counterValue();
    EXPECT_TRUE(hge->start());
    double seconds = static_cast<double>(platform::counterValue() - begin) / 1e9;
    // Ten paced periods of 20 ms; the loop sleeps rather than running free.
    EXPECT_GE(seconds, 0.19);
    EXPECT_GE(deltas, 0.19f);
    hge->shutdown();
    hge->release();
}

TEST(EngineLog, AppendsFormattedLinesInTheProgramDirectory) {
    TempFolder folder;
    platform::setProgramDirectory(folder.path.string());
    HGE* hge = hgeCreate(HGE_VERSION);
    hge->log("Font %s has incorrect format.", "graphics\\font.fnt");
    hge->log("%d and %s", 7, std::string(3000, 'y').c_str());
    hge->release();
    std::ifstream in(folder.path / "ornalis2.log", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "Font graphics\\font.fnt has incorrect format.\n7 and " + std::string(3000, 'y') + "\n");
}

}  // namespace
