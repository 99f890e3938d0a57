// The saved-screens file: reading its lines, turning lines into recipes and back, and writing
// it so that a failed write leaves the old file as it was.
#include "saved/saved_file.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/config.h"
#include "support/files.h"

namespace orn {
namespace {

namespace fs = std::filesystem;

using testsupport::readBytes;
using testsupport::writeBytes;

std::vector<std::string> savedLines() {
    std::vector<std::string> lines;
    for (int i = 0; i < savedScreens->count(); ++i) lines.push_back(savedScreens->text(i));
    return lines;
}

// Each test gets a folder of its own as the program directory.
class SavedFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orn-saved-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        programDirectory = folder;
    }
    void TearDown() override {
        delete savedScreens;
        savedScreens = nullptr;
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    std::string folder;
};

TEST_F(SavedFileTest, PathIsBesideTheProgram) { EXPECT_EQ(saveFilePath(), folder + "/Ornalis2.sav"); }

TEST_F(SavedFileTest, MissingFileGivesAnEmptyList) {
    EXPECT_TRUE(loadSavedScreens());
    ASSERT_NE(savedScreens, nullptr);
    EXPECT_EQ(savedScreens->count(), 0);
}

TEST_F(SavedFileTest, UnreadableFileFailsAndLeavesTheListEmpty) {
    fs::create_directory(saveFilePath());  // exists, but no file can be read from it
    EXPECT_FALSE(loadSavedScreens());
    ASSERT_NE(savedScreens, nullptr);
    EXPECT_EQ(savedScreens->count(), 0);
}

struct ReadCase {
    const char* label;
    std::string bytes;
    std::vector<std::string> lines;
};

TEST_F(SavedFileTest, ReadsEveryKindOfLineEnd) {
    const ReadCase cases[] = {
        {"CR LF", "1,2\r\n3,4\r\n", {"1,2", "3,4"}},
        {"lone CR", "1,2\r3,4\r", {"1,2", "3,4"}},
        {"lone LF", "1,2\n3,4\n", {"1,2", "3,4"}},
        {"mixed", "a\r\nb\rc\nd", {"a", "b", "c", "d"}},
        {"no final line break", "1,2\r\n3,4", {"1,2", "3,4"}},
        {"empty middle lines stay", "a\r\n\r\n\nb\r\n", {"a", "", "", "b"}},
        {"LF CR is two breaks", "a\n\rb", {"a", "", "b"}},
        {"NUL ends the text", std::string("a\r\nb\0c\r\nd\r\n", 10), {"a", "b"}},
        {"only a line break", "\r\n", {""}},
        {"empty file", "", {}},
    };
    for (const ReadCase& c : cases) {
        writeBytes(saveFilePath(), c.bytes);
        EXPECT_TRUE(loadSavedScreens()) << c.label;
        EXPECT_EQ(savedLines(), c.lines) << c.label;
    }
}

struct RecipeCase {
    const char* line;
    ScreenRecipe recipe;
};

TEST_F(SavedFileTest, ReadsLinesIntoRecipes) {
    const RecipeCase cases[] = {
        {"1,2,3,4,20000,1.000000", {1, 2, 3, 4, 20000, 1.0f}},
        {" 12 , -7,+3,\t4x,5 6,0.5 ", {12, -7, 3, 4, 5, 0.5f}},  // white space before, junk after
        {"1,2,3", {1, 2, 3, 0, 0, 0.0f}},                            // missing fields read 0
        {"", {0, 0, 0, 0, 0, 0.0f}},
        {"\"1\",\"2,9\",3,4,5,\"2.5\"", {1, 2, 3, 4, 5, 2.5f}},     // quoted fields are unquoted
        {"1,2,3,4,5,6,7,8", {1, 2, 3, 4, 5, 6.0f}},                  // extra fields ignored
        {"x,-,+,--1,1e3,abc", {0, 0, 0, 0, 1, 0.0f}},                // no digits read 0
        {"1,2,3,4,5,1e-2", {1, 2, 3, 4, 5, 0.01f}},
        {"1,2,3,4,5,-.25", {1, 2, 3, 4, 5, -0.25f}},
        {"2147483647,-2147483648,0,0,0,0", {INT32_MAX, INT32_MIN, 0, 0, 0, 0.0f}},
        // Beyond 32 bits the integers saturate.
        {"2147483648,-2147483649,99999999999999999999999,-99999999999999999999,0,0",
         {INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN, 0, 0.0f}},
        // A part scale that is no finite float reads as 0.
        {"1,1,1,1,1,1e999", {1, 1, 1, 1, 1, 0.0f}},
        {"1,1,1,1,1,-1e999", {1, 1, 1, 1, 1, 0.0f}},
        {"1,1,1,1,1,1e39", {1, 1, 1, 1, 1, 0.0f}},
        {"1,1,1,1,1,nan", {1, 1, 1, 1, 1, 0.0f}},
        {"1,1,1,1,1,-inf", {1, 1, 1, 1, 1, 0.0f}},
        {"1,1,1,1,1,3e38", {1, 1, 1, 1, 1, 3e38f}},
        {"1,1,1,1,1,1e-50", {1, 1, 1, 1, 1, 0.0f}},
    };
    for (const RecipeCase& c : cases) {
        ScreenRecipe recipe{9, 9, 9, 9, 9, 9.0f};
        lineToRecipe(c.line, recipe);
        EXPECT_EQ(recipe.shapeSeed, c.recipe.shapeSeed) << c.line;
        EXPECT_EQ(recipe.mutationSeed, c.recipe.mutationSeed) << c.line;
        EXPECT_EQ(recipe.colourSeed, c.recipe.colourSeed) << c.line;
        EXPECT_EQ(recipe.paletteSeed, c.recipe.paletteSeed) << c.line;
        EXPECT_EQ(recipe.itemTarget, c.recipe.itemTarget) << c.line;
        EXPECT_EQ(recipe.partScale, c.recipe.partScale) << c.line;
    }
}

TEST_F(SavedFileTest, NumberConversionsFollowTheTextRules) {
    const std::pair<const char*, long> integers[] = {
        {"42", 42}, {"  \t\n42", 42}, {"-42", -42}, {"+42", 42}, {"4 2", 4}, {"", 0},
        {"- 4", 0}, {"0x10", 0}, {"007", 7}, {"4294967296", INT32_MAX}, {"-4294967296", INT32_MIN},
    };
    for (const auto& [text, value] : integers) EXPECT_EQ(textToInteger(text), value) << text;

    const std::pair<const char*, double> floats[] = {
        {"1.5", 1.5}, {"  -2.25e1x", -22.5}, {"+.5", 0.5}, {"5.", 5.0}, {"", 0.0}, {"abc", 0.0},
        {"1,5", 1.0}, {"1e", 1.0}, {"0.000001", 0.000001},
    };
    for (const auto& [text, value] : floats) EXPECT_DOUBLE_EQ(textToFloat(text), value) << text;
    EXPECT_TRUE(std::isinf(textToFloat("1e400")));
    EXPECT_TRUE(std::isnan(textToFloat("nan")));
}

struct WriteCase {
    ScreenRecipe recipe;
    const char* line;
};

TEST_F(SavedFileTest, WritesRecipesAsSixFields) {
    const WriteCase cases[] = {
        {{1, 2, 3, 4, 32768, 1.0f}, "1,2,3,4,32768,1.000000"},
        {{0, 0, 0, 0, 0, 0.0f}, "0,0,0,0,0,0.000000"},
        {{-1, INT32_MIN, INT32_MAX, 7, 20000, 0.25f}, "-1,-2147483648,2147483647,7,20000,0.250000"},
        {{1, 1, 1, 1, 1, 0.0000004f}, "1,1,1,1,1,0.000000"},   // below the sixth decimal
        {{1, 1, 1, 1, 1, 0.1f}, "1,1,1,1,1,0.100000"},         // the float widened, then rounded
        {{1, 1, 1, 1, 1, 1234567.875f}, "1,1,1,1,1,1234567.875000"},
        {{1, 1, 1, 1, 1, -3.5f}, "1,1,1,1,1,-3.500000"},
    };
    for (const WriteCase& c : cases) EXPECT_EQ(recipeToLine(c.recipe), c.line);
}

TEST_F(SavedFileTest, WrittenLinesReadBackAsTheRecipe) {
    const ScreenRecipe recipes[] = {
        {1, 2, 3, 4, 32768, 1.0f}, {-5, INT32_MIN, INT32_MAX, 0, 20000, 0.125f}, {7, 7, 7, 7, 7, 2.5f}};
    for (const ScreenRecipe& written : recipes) {
        ScreenRecipe read{};
        lineToRecipe(recipeToLine(written), read);
        EXPECT_EQ(read.shapeSeed, written.shapeSeed);
        EXPECT_EQ(read.mutationSeed, written.mutationSeed);
        EXPECT_EQ(read.colourSeed, written.colourSeed);
        EXPECT_EQ(read.paletteSeed, written.paletteSeed);
        EXPECT_EQ(read.itemTarget, written.itemTarget);
        EXPECT_EQ(read.partScale, written.partScale);
    }
}

TEST_F(SavedFileTest, WritesTheWholeListWithCrLf) {
    ASSERT_TRUE(loadSavedScreens());
    savedScreens->add(recipeToLine({1, 2, 3, 4, 32768, 1.0f}));
    savedScreens->add(recipeToLine({1, 2, 3, 4, 32768, 1.0f}));  // duplicates stay
    savedScreens->add("");
    ASSERT_TRUE(writeSavedScreens());
    EXPECT_EQ(readBytes(saveFilePath()), "1,2,3,4,32768,1.000000\r\n1,2,3,4,32768,1.000000\r\n\r\n");
    ASSERT_TRUE(loadSavedScreens());
    EXPECT_EQ(savedScreens->count(), 3);

    savedScreens->clear();
    ASSERT_TRUE(writeSavedScreens());
    EXPECT_TRUE(fs::exists(saveFilePath()));
    EXPECT_EQ(readBytes(saveFilePath()), "");
    // Nothing but the save file is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(SavedFileTest, WriteWithoutAListFails) { EXPECT_FALSE(writeSavedScreens()); }

// The program folder's path runs through a regular file, so nothing can be created there,
// even by root (for whom permission bits do not block writes).
TEST_F(SavedFileTest, UnwritableFolderFailsAndKeepsTheList) {
    ASSERT_TRUE(loadSavedScreens());
    savedScreens->add("1,2,3,4,5,1.000000");
    writeBytes(folder + "/plain", "not a folder");
    programDirectory = folder + "/plain";
    EXPECT_FALSE(writeSavedScreens());
    EXPECT_EQ(savedLines(), std::vector<std::string>{"1,2,3,4,5,1.000000"});
    EXPECT_EQ(readBytes(folder + "/plain"), "not a folder");
}

// A file-size limit makes every write beyond a few bytes fail, as a full disk would.
TEST_F(SavedFileTest, FailedWriteLeavesTheOldFileIntact) {
    const std::string old = "1,2,3,4,5,1.000000\r\n";
    writeBytes(saveFilePath(), old);
    ASSERT_TRUE(loadSavedScreens());
    for (int i = 0; i < 100; ++i) savedScreens->add(recipeToLine({i, i, i, i, 20000, 1.0f}));

    signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit tiny = saved;
    tiny.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const bool written = writeSavedScreens();
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_FALSE(written);
    EXPECT_EQ(readBytes(saveFilePath()), old);
    EXPECT_EQ(savedScreens->count(), 101);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);  // no temporary left
}

TEST_F(SavedFileTest, GarbageLoadsAndEveryLineReadsIntoARecipe) {
    std::string bytes;
    for (int b = 1; b < 256; ++b) bytes += static_cast<char>(b);  // every byte but NUL
    bytes += "\r\n";
    bytes += std::string(1 << 20, '7') + "," + std::string(1 << 20, '-') + "\n";  // megabyte-long fields
    bytes += "-2147483649,99999999999999999999,-0,1e309,-1,-1e-400\r\n";
    bytes += "\"\"\"\",\",,,\",\"unterminated\r\n";
    bytes += std::string(300000, ',') + "\r";
    bytes += "\xff\xfe\x80,\x01,\x7f\n";
    writeBytes(saveFilePath(), bytes);

    ASSERT_TRUE(loadSavedScreens());
    // The byte run itself breaks at its LF and its CR: three lines, then five more.
    EXPECT_EQ(savedScreens->count(), 8);
    for (int i = 0; i < savedScreens->count(); ++i) {
        ScreenRecipe recipe{};
        lineToRecipe(savedScreens->text(i), recipe);
        EXPECT_TRUE(std::isfinite(recipe.partScale)) << "line " << i;
    }
    ScreenRecipe recipe{};
    lineToRecipe(savedScreens->text(3), recipe);
    EXPECT_EQ(recipe.shapeSeed, INT32_MAX);  // the megabyte of sevens saturates
    EXPECT_EQ(recipe.mutationSeed, 0);
    lineToRecipe(savedScreens->text(4), recipe);
    EXPECT_EQ(recipe.shapeSeed, INT32_MIN);
    EXPECT_EQ(recipe.mutationSeed, INT32_MAX);
    EXPECT_EQ(recipe.paletteSeed, 1);
    EXPECT_EQ(recipe.itemTarget, -1);
    EXPECT_EQ(recipe.partScale, 0.0f);
}

}  // namespace
}  // namespace orn
