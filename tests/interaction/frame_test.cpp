// The frame function's command keys on the headless engine: the lock-out and its timing, the
// order in which keys win, and what each command does to the screen and its growth.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/assets.h"
#include "app/config.h"
#include "interaction/browse.h"
#include "interaction/frame.h"
#include "model/items.h"
#include "model/iteration.h"
#include "model/screen.h"
#include "platform/engine/headless.h"
#include "platform/events.h"
#include "platform/platform.h"
#include "registry/registry.h"
#include "render/render.h"
#include "saved/saved_file.h"
#include "support/headless_engine.h"

namespace orn {
namespace {

// The program as start-up leaves it, on the headless engine, with the real assets.
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setProgramDirectory(ORN_BIN_DIR);
        platform::setDesktopSize(1920, 1080);
        programDirectory = ORN_BIN_DIR;
        ASSERT_EQ(startHeadlessEngine(960, 960), "");
        savedScreens = new StringList(false, true, true, true);
        registry = new VOXA();
        engine->attachPack("Graphics.paq");
        ASSERT_FALSE(loadGraphics());
        engine->attachPack("Sound.paq");
        ASSERT_FALSE(loadSounds());
        createRenderTargets();
        resetScreenState();
        buildScreen(127, false);
    }
    void TearDown() override {
        if (engine) {
            engine->shutdown();
            engine->release();
        }
    }

    // One frame as the engine's loop runs it; true when the frame function ended the program.
    bool frame() {
        const bool end = frameFunction();
        if (!end) renderFunction();
        hgeHeadlessEndFrame();
        return end;
    }
    void frames(int n) {
        for (int i = 0; i < n; ++i) frame();
    }
    // Holds a key for exactly one frame.
    void press(int code) {
        hgeHeadlessKey(code, true);
        frame();
        hgeHeadlessKey(code, false);
    }
    // Frames until no generation runs and growth has stopped (or the limit of frames is hit).
    void growUntilStopped(int limit = 2000) {
        for (int i = 0; i < limit; ++i) {
            frame();
            const bool idle = screenModel.generationsDone >= screenModel.generationsStarted;
            if (idle && bufferCapacity(1) >= screenModel.itemTarget) return;
        }
        FAIL() << "growth did not stop within " << limit << " frames";
    }
    static int64_t power(int base, int exponent) {
        int64_t v = 1;
        for (int i = 0; i < exponent; ++i) v *= base;
        return v;
    }
};

// What a command can change; compared before and after a frame.
struct Snapshot {
    int32_t shapeSeed, paletteSeed, showGuides, iterationAutoOff, autoFit;
    double keyLockUntil;
    bool operator==(const Snapshot&) const = default;
};
Snapshot snapshot() {
    return {screenRecipe.shapeSeed, screenRecipe.paletteSeed, showGuides, iterationAutoOff,
            screenModel.autoFit, keyLockUntil};
}

class FirstFrameKey : public FrameTest, public ::testing::WithParamInterface<int> {};

// The start-up build leaves clock and lock-out both at 0, and 0 < 0 is false: no key acts in the
// first frame, and the same key acts in the second.
TEST_P(FirstFrameKey, ActsOnlyFromTheSecondFrame) {
    screenModel.autoFit = 0;  // so that A has something to switch on
    hgeHeadlessKey(GetParam(), true);
    const Snapshot before = snapshot();
    EXPECT_FALSE(frame());
    EXPECT_EQ(snapshot(), before);
    const bool ended = frame();
    EXPECT_TRUE(ended || !(snapshot() == before)) << "key " << GetParam() << " never acted";
}
INSTANTIATE_TEST_SUITE_P(Keys, FirstFrameKey,
                         ::testing::Values(KEY_X, KEY_N, KEY_A, KEY_SPACE, KEY_R, KEY_B));

TEST_F(FrameTest, XEndsAtOnceWithoutRunningTheRestOfTheFrame) {
    frame();
    const double clockBefore = orn::clock;
    hgeHeadlessKey(KEY_X, true);
    hgeHeadlessKey(KEY_N, true);
    const int32_t seed = screenRecipe.shapeSeed;
    EXPECT_TRUE(frameFunction());
    EXPECT_EQ(orn::clock, clockBefore);
    EXPECT_EQ(screenRecipe.shapeSeed, seed);
}

TEST_F(FrameTest, XIsIgnoredDuringTheLockOutAnotherCommandStarted) {
    frame();
    press(KEY_SPACE);
    hgeHeadlessKey(KEY_X, true);
    int frameCount = 0;
    while (!frame()) ++frameCount;
    // SPACE acted at clock 1 (lock to 18.5); X acts once clock passes it, 18 frames later.
    EXPECT_EQ(frameCount, 17);
}

// Two seconds of N: a new screen in the first frame it can act and every 18 frames after.
TEST_F(FrameTest, NHeldForHundredFramesBuildsSixScreens) {
    hgeHeadlessKey(KEY_N, true);
    std::vector<int> builds;
    int32_t lastSeed = screenRecipe.shapeSeed;
    for (int f = 0; f < 100; ++f) {
        const double clockBefore = orn::clock;
        frame();
        // A build sets clock back to 0, so it does not advance over the frame.
        if (orn::clock <= clockBefore) {
            builds.push_back(f);
            EXPECT_NE(screenRecipe.shapeSeed, lastSeed);
            lastSeed = screenRecipe.shapeSeed;
        }
    }
    EXPECT_EQ(builds, (std::vector<int>{1, 19, 37, 55, 73, 91}));
}

// A comes before B in the frame and renews the lock-out, so B never gets a turn.
TEST_F(FrameTest, AAndBHeldTogetherOnlyAActsEveryEighteenFrames) {
    screenModel.autoFit = 0;
    const int32_t paletteSeed = screenRecipe.paletteSeed;
    hgeHeadlessKey(KEY_A, true);
    hgeHeadlessKey(KEY_B, true);
    std::vector<int> renewals;
    double lock = keyLockUntil;
    for (int f = 0; f < 100; ++f) {
        frame();
        if (keyLockUntil != lock) renewals.push_back(f);
        lock = keyLockUntil;
    }
    EXPECT_EQ(renewals, (std::vector<int>{1, 19, 37, 55, 73, 91}));
    EXPECT_EQ(screenRecipe.paletteSeed, paletteSeed);
    EXPECT_EQ(screenModel.autoFit, 1);
}

// R switches automatic iteration off: only the first generation stays; each TAB press adds one
// generation; R again lets the screen regrow by itself to the automatic target.
TEST_F(FrameTest, RAndTabStepOneGenerationPerPress) {
    frame();
    const int parts = screenModel.partCount;
    press(KEY_R);
    EXPECT_EQ(iterationAutoOff, 1);
    EXPECT_EQ(screenModel.itemTarget, parts);
    frames(40);
    EXPECT_EQ(bufferCapacity(1), parts);

    for (int generation = 2; generation <= 3; ++generation) {
        press(KEY_TAB);
        EXPECT_EQ(screenModel.autoFit, 0);
        growUntilStopped();
        frames(40);  // more than a lock-out: nothing further grows without a press
        EXPECT_EQ(bufferCapacity(1), power(parts, generation));
    }

    press(KEY_R);
    EXPECT_EQ(iterationAutoOff, 0);
    EXPECT_EQ(screenModel.itemTarget, autoItemTarget);
    growUntilStopped();
    int expected = parts;
    while (expected < autoItemTarget) expected *= parts;
    EXPECT_EQ(bufferCapacity(1), expected);
}

// B: a new palette for the same parts, and the picture regrows from the first generation.
TEST_F(FrameTest, BRestartsGrowthWithNewPalette) {
    growUntilStopped();
    const int64_t grown = bufferCapacity(1);
    const int32_t paletteSeed = screenRecipe.paletteSeed;
    PaletteEntry palette[256];
    Part parts[5];
    std::memcpy(palette, screenModel.palette, sizeof palette);
    std::memcpy(parts, screenModel.parts, sizeof parts);

    press(KEY_B);
    EXPECT_NE(screenRecipe.paletteSeed, paletteSeed);
    EXPECT_NE(std::memcmp(palette, screenModel.palette, sizeof palette), 0);
    EXPECT_EQ(std::memcmp(parts, screenModel.parts, sizeof parts), 0);
    EXPECT_EQ(screenModel.autoFit, 0);
    EXPECT_LT(bufferCapacity(1), grown);  // growth restarted

    growUntilStopped();
    EXPECT_EQ(bufferCapacity(1), grown);
}

// Commands that need the gallery closed do nothing while it is open; N closes it and acts.
struct GalleryCase {
    int key;
    bool acts;
};
class GalleryOpenKey : public FrameTest, public ::testing::WithParamInterface<GalleryCase> {};

TEST_P(GalleryOpenKey, OnlyCommandsAllowedInTheGalleryAct) {
    frame();
    screenModel.autoFit = 0;
    galleryFirst = 0;
    galleryLoaded = 16;  // a complete page: nothing loads underneath
    const Snapshot before = snapshot();
    press(GetParam().key);
    EXPECT_EQ(!(snapshot() == before), GetParam().acts) << "key " << GetParam().key;
    EXPECT_EQ(galleryFirst < 0, GetParam().acts);
}
INSTANTIATE_TEST_SUITE_P(Keys, GalleryOpenKey,
                         ::testing::Values(GalleryCase{KEY_N, true}, GalleryCase{KEY_A, false},
                                           GalleryCase{KEY_SPACE, false}, GalleryCase{KEY_R, false},
                                           GalleryCase{KEY_B, false}, GalleryCase{KEY_S, false}));

// SPACE held: the guides toggle once per lock-out, at frames 1, 19 and 37 of 40.
TEST_F(FrameTest, SpaceTogglesGuidesOncePerLockOut) {
    hgeHeadlessKey(KEY_SPACE, true);
    std::vector<int> toggles;
    for (int f = 0; f < 40; ++f) {
        const int32_t before = showGuides;
        frame();
        if (showGuides != before) toggles.push_back(f);
    }
    EXPECT_EQ(toggles, (std::vector<int>{1, 19, 37}));
    EXPECT_EQ(showGuides, 1);
}

TEST_F(FrameTest, ClockCountsFramesAndRestartsWithEveryBuild) {
    frames(10);
    EXPECT_NEAR(orn::clock, 10.0, 1e-5);
    press(KEY_N);
    EXPECT_NEAR(orn::clock, 1.0, 1e-6);
    EXPECT_NEAR(keyLockUntil, keyDelay, 1e-9);  // renewed after the build, from clock 0
}

TEST_F(FrameTest, ShowMessageLastsFiveKeyDelaysAndIsReported) {
    frames(4);
    platform::enableEvents(true);
    testing::internal::CaptureStdout();
    showMessage("Saved");
    fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    platform::enableEvents(false);
    EXPECT_EQ(message, "Saved");
    EXPECT_DOUBLE_EQ(messageUntil, orn::clock + 87.5);
    EXPECT_NE(out.find("\"event\":\"message\""), std::string::npos) << out;
    EXPECT_NE(out.find("\"text\":\"Saved\""), std::string::npos) << out;
}

// The real program, in a copy of its folder so its save file and log stay private, run from a
// script: two seconds of N build six screens after the start-up screen.
TEST(ScriptedRun, NHeldForTwoSecondsBuildsSixScreens) {
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/orn-frame-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path folder = pattern;
    const fs::path bin(ORN_BIN_DIR);
    fs::copy(bin / "ornalis2", folder / "ornalis2");
    fs::copy(bin / "pix", folder / "pix", fs::copy_options::recursive);
    fs::copy(bin / "Graphics.paq", folder / "Graphics.paq");
    fs::copy(bin / "Sound.paq", folder / "Sound.paq");
    std::ofstream(folder / "script.txt") << "answer no\n0 key 78 down\n100 key 78 up\n130 quit\n";

    const std::string command = "'" + (folder / "ornalis2").string() + "' --headless --script '" +
                                (folder / "script.txt").string() + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char line[4096];
    int screens = 0;
    while (fgets(line, sizeof line, pipe)) {
        out += line;
        if (strstr(line, "\"event\":\"screen\"") && strstr(line, "\"flags\":127")) ++screens;
    }
    const int status = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
    EXPECT_EQ(screens, 1 + 6) << out;
    std::error_code ec;
    fs::remove_all(folder, ec);
}

}  // namespace
}  // namespace orn
