// Shared set-up for the saved-screen tests: a temporary program folder for the save file, the
// program as start-up leaves it on the headless engine, and frame-by-frame key presses.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/files.h"

namespace savedtest {

std::string makeTempDir();
void removeTree(const std::string& path);
using testsupport::readBytes;
using testsupport::writeBytes;
// A recognisable saved line: shape seed 1000 + k, a small item target so it grows at once.
std::string recipeLine(int k);
std::vector<std::string> recipeLines(int count);
// The file bytes the program writes for these lines (CR LF after each).
std::string fileBytes(const std::vector<std::string>& lines);

// The headless engine with the real assets; the save file lives in a temporary folder.
class SavedScreensTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

public:
    // Start-up from the save file on disk: writes it (unless absent), loads the list, builds the
    // first screen and runs the first frame, in which no command acts.
    void start(const std::optional<std::vector<std::string>>& lines);
    void startWithBytes(const std::string& bytes);
    std::string savePath() const;

    // One frame as the engine's loop runs it; true when the frame function ended the program.
    bool frame();
    void frames(int n);
    // Waits until keys act again, then holds the keys for exactly one frame.
    void press(std::initializer_list<int> codes);
    void press(int code) { press({code}); }
    // A left click at window pixel (x, y), held for one frame.
    void click(float x, float y);
    // Frames until the gallery page is complete; the shape seeds of the screens loaded into its
    // cells, in order.
    std::vector<int32_t> buildPage(int frameLimit = 6000);

    std::string dir;  // the temporary program folder
};

}  // namespace savedtest
