// Start-up as the engine sees it: the display scale for each desktop, the states set and their
// order, the full-screen answer, the failure paths with their messages, and the real program
// ended by X from a headless script.
#include "app/startup.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/config.h"
#include "platform/engine/headless.h"
#include "platform/platform.h"
#include "saved/saved_file.h"

namespace orn {
namespace {

namespace fs = std::filesystem;

struct TempFolder {
    fs::path path;
    TempFolder() {
        char name[] = "/tmp/orn_startup_XXXXXX";
        path = mkdtemp(name);
    }
    ~TempFolder() { fs::remove_all(path); }
};

struct ScaleCase {
    int width, height;
    double scale;
    int window;  // window side in pixels
};

TEST(DisplayScale, FollowsTheSmallerDesktopSide) {
    const ScaleCase cases[] = {
        {1920, 1080, 1.0, 960},  {1366, 768, 0.625, 600}, {1024, 768, 0.625, 600}, {1280, 800, 0.75, 720},
        {1600, 900, 0.875, 840}, {1440, 900, 0.875, 840}, {800, 600, 0.5, 480},    {640, 480, 0.5, 480},
        {1080, 1920, 1.0, 960},  {2560, 1440, 1.0, 960},  {1280, 1024, 1.0, 960}, {1920, 1020, 1.0, 960},
        {1920, 1019, 0.875, 840}, {320, 200, 0.5, 480},
    };
    for (const ScaleCase& c : cases) {
        platform::setDesktopSize(c.width, c.height);
        double scale = computeDisplayScale();
        EXPECT_EQ(scale, c.scale) << c.width << "x" << c.height;
        EXPECT_EQ(static_cast<int>(screenHeight * scale), c.window) << c.width << "x" << c.height;
    }
}

std::string writeScript(const TempFolder& folder, const std::string& text) {
    fs::path path = folder.path / "script.txt";
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}

// Runs the whole program in this process on the headless backend with the built assets.
std::string runHeadless(const std::string& script) {
    TempFolder folder;
    std::string error;
    EXPECT_TRUE(hgeLoadScript(writeScript(folder, script).c_str(), error)) << error;
    platform::setProgramDirectory(ORN_BIN_DIR);
    testing::internal::CaptureStdout();
    EXPECT_EQ(runProgram(), 0);
    return testing::internal::GetCapturedStdout();
}

std::vector<std::string> expectedStates(bool windowed, int width, int height) {
    return {"setCallback 1 set",
            "setCallback 2 set",
            "setText 7 Ornalis 2 - ornalis.example",
            std::string("setFlag 11 ") + (windowed ? "true" : "false"),
            "setNumber 8 " + std::to_string(width),
            "setNumber 9 " + std::to_string(height),
            "setNumber 10 32",
            "setFlag 18 true",
            "setFlag 25 false",
            "setFlag 12 false",
            "setNumber 23 50",
            "setFlag 24 true",
            "setFlag 13 true"};
}

const char* const question =
    "{\"frame\":0,\"event\":\"messagebox\",\"text\":\"Run full screen?\",\"caption\":\"Ornalis 2\"}\n";

TEST(StartUp, WindowedOnASmallDesktopSetsTheStatesInOrder) {
    std::string out = runHeadless("answer no\ndesktop 1366 768\n1 key 88 down\n");
    EXPECT_EQ(hgeStateLog(), expectedStates(true, 600, 600));
    EXPECT_EQ(out.rfind(question, 0), 0u) << out;
    EXPECT_EQ(out.find("Error"), std::string::npos) << out;
    EXPECT_EQ(screenWidth, 960);
    EXPECT_EQ(screenHeight, 960);
    EXPECT_EQ(displayScale, 0.625);
    EXPECT_EQ(programDirectory, ORN_BIN_DIR);
    // Shut down: the list is gone and the engine closed. (Sprites and fonts keep their own
    // engine references until the process ends.)
    EXPECT_EQ(savedScreens, nullptr);
    EXPECT_EQ(engine, nullptr);
    HGE* same = hgeCreate(HGE_VERSION);
    EXPECT_FALSE(same->start());
    same->release();
}

TEST(StartUp, FullScreenTakesTheDesktopAtScaleOne) {
    runHeadless("answer yes\ndesktop 1366 768\n1 key 88 down\n");
    EXPECT_EQ(hgeStateLog(), expectedStates(false, 1366, 768));
    EXPECT_EQ(screenWidth, 1366);
    EXPECT_EQ(screenHeight, 768);
    EXPECT_EQ(displayScale, 1.0);
    EXPECT_EQ(fitMargin, 100);
    EXPECT_EQ(keyDelay, 17.5);
}

struct Box {
    std::string text, caption;
    bool question;
};
std::vector<Box> boxes;
bool recordBox(const char* text, const char* caption, bool isQuestion) {
    boxes.push_back(Box{text, caption, isQuestion});
    return false;
}

TEST(StartUp, AnEngineThatCannotStartIsReportedAndShutDown) {
    // The window backend without a display.
    setenv("SDL_VIDEODRIVER", "x11", 1);
    unsetenv("DISPLAY");
    TempFolder folder;
    std::ofstream(folder.path / "Ornalis2.sav") << "1,2,3,4,20000,1.000000\r\n";
    platform::setProgramDirectory(folder.path.string());
    platform::setDesktopSize(1920, 1080);
    platform::setMessageBoxHook(recordBox);
    EXPECT_EQ(runProgram(), 0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Run full screen?");
    EXPECT_TRUE(boxes[0].question);
    EXPECT_NE(boxes[1].text.find("Can't open the display"), std::string::npos) << boxes[1].text;
    EXPECT_EQ(boxes[1].caption, "Error");
    EXPECT_FALSE(boxes[1].question);
    EXPECT_EQ(hgeStateLog(), expectedStates(true, 960, 960));
    EXPECT_EQ(savedScreens, nullptr);  // never created
    EXPECT_EQ(engine, nullptr);
    HGE* fresh = hgeCreate(HGE_VERSION);
    EXPECT_EQ(fresh->numberState(HGE_FPS), 0);
    fresh->release();
}

// The real program in a folder of its own, run from a script: exit code and printed lines.
int runBinary(const fs::path& program, const std::string& scriptPath, std::string& out) {
    std::string command = "'" + program.string() + "' --headless --script '" + scriptPath + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    out.clear();
    while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(StartUp, TheProgramAsksEndsWithXAndExitsZero) {
    TempFolder folder;
    std::string out;
    std::string script = writeScript(folder, "answer yes\ndesktop 1366 768\n1 key 88 down\n");
    EXPECT_EQ(runBinary(fs::path(ORN_BIN_DIR) / "ornalis2", script, out), 0) << out;
    EXPECT_EQ(out.rfind(question, 0), 0u) << out;
    EXPECT_EQ(out.find("\"frame\":3"), std::string::npos) << out;  // X acts as soon as the key lock allows

    script = writeScript(folder, "answer no\n1 key 88 down\n2 jump\n");
    EXPECT_EQ(runBinary(fs::path(ORN_BIN_DIR) / "ornalis2", script, out), 2);
    EXPECT_NE(out.find("script.txt:3:"), std::string::npos) << out;
}

TEST(StartUp, MissingSoundsAreReportedBeforeAnyFrame) {
    TempFolder folder;
    fs::path bin(ORN_BIN_DIR);
    fs::copy(bin / "ornalis2", folder.path / "ornalis2");
    fs::copy(bin / "pix", folder.path / "pix", fs::copy_options::recursive);
    fs::copy(bin / "Graphics.paq", folder.path / "Graphics.paq");
    std::string out;
    std::string script = writeScript(folder, "answer no\n1 key 88 down\n");
    EXPECT_EQ(runBinary(folder.path / "ornalis2", script, out), 0) << out;
    EXPECT_EQ(out, std::string(question) +
                       "{\"frame\":0,\"event\":\"messagebox\",\"text\":\"Can't load sounds.\",\"caption\":\"Error\"}\n");
    EXPECT_FALSE(fs::exists(folder.path / "Ornalis2.sav"));
}

}  // namespace
}  // namespace orn
