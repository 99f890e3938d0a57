// The save command and the save file's safety: lines appended and written whole, a failed
// write that keeps the old file and says so, an unreadable file left alone, and a file of
// garbage that loads and browses without harm.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "app/config.h"
#include "interaction/browse.h"
#include "interaction/frame.h"
#include "model/items.h"
#include "model/screen.h"
#include "platform/engine/headless.h"
#include "platform/events.h"
#include "platform/string_list.h"
#include "saved/saved_file.h"
#include "saved_support.h"

namespace orn {
namespace {

using savedtest::fileBytes;
using savedtest::readBytes;
using savedtest::recipeLines;

class SaveTest : public savedtest::SavedScreensTest {
protected:
    // The recipe seeds 1, 2, 3, 4 on a newest generation of 32768 items, part scale 1.
    void prepareRecipe() {
        screenRecipe.shapeSeed = 1;
        screenRecipe.mutationSeed = 2;
        screenRecipe.colourSeed = 3;
        screenRecipe.paletteSeed = 4;
        ASSERT_TRUE(allocateBuffer(1, 32768));
        screenModel.partScale = 1.0;
    }
    // Files may grow to at most this many bytes: writing more fails as on a full disk.
    static void limitFileSize(rlim_t bytes) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = bytes;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    static void liftFileSizeLimit() {
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = limit.rlim_max;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    // Entries of the program folder other than the save file: temporary files left behind.
    std::vector<std::string> strayFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            const std::string name = entry.path().filename().string();
            if (name != saveFileName) names.push_back(name);
        }
        return names;
    }
};

const char* const savedLine = "1,2,3,4,32768,1.000000";

TEST_F(SaveTest, SavingTwiceWritesTwoLinesAndDeleteRightAfterDoesNothing) {
    start(std::nullopt);
    prepareRecipe();
    saveScreenCommand();
    EXPECT_EQ(message, "Saved");
    EXPECT_EQ(savedIndex, 1);
    EXPECT_EQ(readBytes(savePath()), fileBytes({savedLine}));
    saveScreenCommand();
    EXPECT_EQ(savedIndex, 2);
    EXPECT_EQ(readBytes(savePath()), fileBytes({savedLine, savedLine}));

    message.clear();
    press(KEY_D);
    EXPECT_EQ(message, "");
    EXPECT_EQ(readBytes(savePath()), fileBytes({savedLine, savedLine}));
}

TEST_F(SaveTest, SKeyAppendsTheCurrentScreenAfterTheLoadedOnes) {
    start(recipeLines(3));
    press(KEY_UP);
    press(KEY_S);
    EXPECT_EQ(message, "Saved");
    EXPECT_EQ(savedIndex, 4);
    std::vector<std::string> lines = recipeLines(3);
    lines.push_back(recipeToLine(screenRecipe));
    EXPECT_EQ(readBytes(savePath()), fileBytes(lines));
    // The newest generation's full size is what a load regrows to.
    EXPECT_EQ(screenRecipe.itemTarget, bufferCapacity(1));
    EXPECT_EQ(lines.back().substr(0, 12), "1002,7,11,13");
}

TEST_F(SaveTest, SWhileTheGalleryIsOpenDoesNothing) {
    start(recipeLines(2));
    press(KEY_PGDN);
    message.clear();
    press(KEY_S);
    EXPECT_EQ(message, "");
    EXPECT_EQ(savedCount(), 2);
    EXPECT_EQ(readBytes(savePath()), fileBytes(recipeLines(2)));
}

// A disk that fills in the middle of the write: the old file stays whole, the new line stays
// in the list, the message says the screen was not saved, and the next save writes both.
TEST_F(SaveTest, FailedWriteKeepsTheOldFileAndTheNewLine) {
    const std::vector<std::string> lines = recipeLines(10);
    start(lines);
    prepareRecipe();
    limitFileSize(64);
    saveScreenCommand();
    liftFileSizeLimit();
    EXPECT_EQ(message, "Not saved: can't write Ornalis2.sav");
    EXPECT_EQ(readBytes(savePath()), fileBytes(lines));
    EXPECT_EQ(savedCount(), 11);
    EXPECT_EQ(savedIndex, 11);
    EXPECT_TRUE(strayFiles().empty()) << strayFiles().front();

    screenRecipe.shapeSeed = 9;
    saveScreenCommand();
    EXPECT_EQ(message, "Saved");
    std::vector<std::string> expected = lines;
    expected.push_back(savedLine);
    expected.push_back("9,2,3,4,32768,1.000000");
    EXPECT_EQ(readBytes(savePath()), fileBytes(expected));
}

TEST_F(SaveTest, FailedWriteAfterDeleteSaysTheFileWasNotUpdated) {
    const std::vector<std::string> lines = recipeLines(3);
    start(lines);
    press(KEY_UP);
    ASSERT_EQ(savedIndex, 2);
    limitFileSize(10);
    press(KEY_D);
    liftFileSizeLimit();
    EXPECT_EQ(message, "Deleted screen 3, but can't update Ornalis2.sav");
    EXPECT_EQ(readBytes(savePath()), fileBytes(lines));
    EXPECT_EQ(savedCount(), 2);
    EXPECT_EQ(savedIndex, 2);

    // The next write carries the delete.
    prepareRecipe();
    saveScreenCommand();
    EXPECT_EQ(readBytes(savePath()), fileBytes({lines[0], lines[1], savedLine}));
}

// A save file that cannot be read (here a folder in its place) leaves the list empty, is not
// touched by browsing or D, and a save then reports that it could not write.
TEST_F(SaveTest, UnreadableSaveFileIsLeftAloneAndSavingReportsFailure) {
    ASSERT_TRUE(std::filesystem::create_directory(savePath()));
    savedtest::writeBytes(savePath() + "/keep", "kept");
    start(std::nullopt);
    EXPECT_EQ(savedCount(), 0);
    press(KEY_UP);
    press(KEY_DOWN);
    press(KEY_D);
    press(KEY_PGDN);
    press(KEY_DOWN);
    message.clear();
    press(KEY_S);
    EXPECT_EQ(message, "Not saved: can't write Ornalis2.sav");
    EXPECT_EQ(savedCount(), 1);
    EXPECT_TRUE(std::filesystem::is_directory(savePath()));
    EXPECT_EQ(readBytes(savePath() + "/keep"), "kept");
    EXPECT_TRUE(strayFiles().empty());
}

TEST_F(SaveTest, EveryWriteIsReportedAsASaveEvent) {
    start(recipeLines(2));
    prepareRecipe();
    platform::enableEvents(true);
    testing::internal::CaptureStdout();
    saveScreenCommand();
    // A folder in the file's place makes the next write fail (stdout is captured into a file,
    // so the size limit cannot be used here).
    std::filesystem::remove(savePath());
    std::filesystem::create_directory(savePath());
    saveScreenCommand();
    const std::string out = testing::internal::GetCapturedStdout();
    platform::enableEvents(false);
    const std::string file = platform::jsonString(savePath());
    EXPECT_NE(out.find("\"event\":\"save\",\"file\":" + file + ",\"lines\":3,\"ok\":true"), std::string::npos)
        << out;
    EXPECT_NE(out.find("\"event\":\"save\",\"file\":" + file + ",\"lines\":4,\"ok\":false"), std::string::npos)
        << out;
    EXPECT_NE(out.find("\"event\":\"message\",\"text\":\"Saved\""), std::string::npos) << out;
}

// Binary bytes, a megabyte-long line, negative, huge and non-numeric values, an empty line,
// quoted and extra fields, every kind of line break, and bytes after a NUL that must be ignored.
std::string garbageFile() {
    std::string bytes;
    for (int c = 1; c < 256; ++c) {
        if (c != '\r' && c != '\n') bytes += static_cast<char>(c);
    }
    bytes += "\r\n";
    bytes += std::string(1 << 20, '9') + "," + std::string(1000, '-') + "\n";
    bytes += "-5,-7,-9,-11,-13,-1.5\r";
    bytes += "2147483647,2147483647,2147483647,2147483647,2147483647,3.4e38\n";
    bytes += "99999999999999999999,-99999999999999999999,1e400,nan,inf,-inf\n";
    bytes += "\r\n";
    bytes += "\"1,2\",3,\"\"\"\",4\n";
    bytes += "1,2,3,4,5,6,7,8,9";
    bytes += std::string(1, '\0') + "\n5,5,5,5,5,5\n";
    return bytes;
}

TEST_F(SaveTest, GarbageFileLoadsAndBrowsesWithoutHarm) {
    const std::string bytes = garbageFile();
    startWithBytes(bytes);
    StringList expected;
    expected.loadFromText(bytes.data(), bytes.size());
    const int n = savedCount();
    ASSERT_EQ(n, expected.count());
    ASSERT_EQ(n, 8);

    for (int k = n; k >= 1; --k) {
        press(KEY_UP);
        ASSERT_EQ(message, "Loaded screen " + std::to_string(k));
        frames(5);
    }
    press(KEY_UP);
    EXPECT_EQ(message, "First");
    for (int k = 2; k <= n; ++k) {
        press(KEY_DOWN);
        ASSERT_EQ(message, "Loaded screen " + std::to_string(k));
    }
    press(KEY_DOWN);
    EXPECT_EQ(message, "End");

    // The gallery over the same lines; a screen that never reaches its target holds its cell.
    press(KEY_PGDN);
    frames(40);
    press(KEY_PGUP);
    frames(40);
    click(10, 10);
    EXPECT_EQ(galleryFirst, -1);
    // Nothing was written back.
    EXPECT_EQ(readBytes(savePath()), bytes);
    // And X still ends the program.
    hgeHeadlessKey(KEY_X, true);
    bool ended = false;
    for (int i = 0; i < 40 && !ended; ++i) ended = frame();
    EXPECT_TRUE(ended);
}

}  // namespace
}  // namespace orn
