// The platform stand-ins: paths, the sorted wildcard folder search, message boxes through the
// hook, the desktop size without a display, the random source and the counter.
#include "platform/platform.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct TempFolder {
    fs::path path;
    TempFolder() {
        char name[] = "/tmp/orn_platform_XXXXXX";
        path = mkdtemp(name);
    }
    ~TempFolder() { fs::remove_all(path); }
};

void touch(const fs::path& path) { std::ofstream(path) << "x"; }

TEST(PlatformPaths, ProgramDirectoryIsTheExecutablesFolder) {
    std::string exe = fs::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(platform::programDirectory(), fs::path(exe).parent_path().string());
    EXPECT_NE(platform::programDirectory().back(), '/');
}

TEST(PlatformPaths, BackslashPathsResolveAgainstTheProgramDirectory) {
    platform::setProgramDirectory("/opt/orn/");
    EXPECT_EQ(platform::programDirectory(), "/opt/orn");
    const std::pair<const char*, const char*> cases[] = {
        {"graphics\\font.fnt", "/opt/orn/graphics/font.fnt"},
        {"Ornalis2.sav", "/opt/orn/Ornalis2.sav"},
        {".\\pix\\a.png", "/opt/orn/pix/a.png"},
        {"pix/a.png", "/opt/orn/pix/a.png"},
        {"/abs/file.png", "/abs/file.png"},
        {"\\abs\\file.png", "/abs/file.png"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(platform::programPath(in), out) << in;
    EXPECT_EQ(platform::nativePath("a\\b\\c"), "a/b/c");
}

TEST(PlatformSearch, FindsMatchingNamesSortedWithTheFolderFlag) {
    TempFolder folder;
    fs::create_directory(folder.path / "pix");
    touch(folder.path / "pix" / "c.png");
    touch(folder.path / "pix" / "a.png");
    touch(folder.path / "pix" / "B.PNG");   // the pattern ignores case
    touch(folder.path / "pix" / "a.txt");
    touch(folder.path / "pix" / "png");
    fs::create_directory(folder.path / "pix" / "dir.png");
    platform::setProgramDirectory(folder.path.string());

    platform::FileSearch search;
    platform::FileEntry entry;
    std::vector<std::pair<std::string, bool>> found;
    for (bool more = search.first("pix\\*.png", entry); more; more = search.next(entry)) {
        found.emplace_back(entry.name, entry.isFolder);
    }
    search.close();
    const std::vector<std::pair<std::string, bool>> expected = {
        {"B.PNG", false}, {"a.png", false}, {"c.png", false}, {"dir.png", true}};
    EXPECT_EQ(found, expected);
    EXPECT_FALSE(search.next(entry));  // closed
}

TEST(PlatformSearch, NothingMatchedAndMissingFolders) {
    TempFolder folder;
    fs::create_directory(folder.path / "pix");
    touch(folder.path / "pix" / "a.txt");
    platform::setProgramDirectory(folder.path.string());
    platform::FileSearch search;
    platform::FileEntry entry;
    EXPECT_FALSE(search.first("pix\\*.png", entry));
    EXPECT_FALSE(search.first("nofolder\\*.png", entry));
    EXPECT_FALSE(search.next(entry));
    // An absolute pattern searches that folder.
    EXPECT_TRUE(search.first((folder.path / "pix" / "*.txt").string(), entry));
    EXPECT_EQ(entry.name, "a.txt");
}

struct Box {
    std::string text, caption;
    bool question;
};
std::vector<Box> boxes;
bool hookAnswer = false;
bool recordBox(const char* text, const char* caption, bool question) {
    boxes.push_back(Box{text, caption, question});
    return hookAnswer;
}

TEST(PlatformMessageBoxes, TheHookAnswersQuestionsAndSeesErrors) {
    platform::setMessageBoxHook(recordBox);
    hookAnswer = true;
    EXPECT_TRUE(platform::askYesNo("Run full screen?", "Ornalis 2"));
    hookAnswer = false;
    EXPECT_FALSE(platform::askYesNo("Again?", "Ornalis 2"));
    platform::showError("Can't load sounds.", "Error");
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "Run full screen?");
    EXPECT_EQ(boxes[0].caption, "Ornalis 2");
    EXPECT_TRUE(boxes[0].question);
    EXPECT_EQ(boxes[2].text, "Can't load sounds.");
    EXPECT_EQ(boxes[2].caption, "Error");
    EXPECT_FALSE(boxes[2].question);
}

TEST(PlatformMessageBoxes, WithoutADisplayAQuestionIsAnsweredNo) {
    setenv("SDL_VIDEODRIVER", "x11", 1);
    unsetenv("DISPLAY");
    EXPECT_FALSE(platform::askYesNo("Run full screen?", "Ornalis 2"));
    platform::showError("shown on standard error instead", "Error");
}

TEST(PlatformDesktop, WithoutADisplayTheDesktopIs1920By1080) {
    setenv("SDL_VIDEODRIVER", "x11", 1);
    unsetenv("DISPLAY");
    int w = 0, h = 0;
    platform::desktopSize(&w, &h);
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);
    EXPECT_FALSE(platform::hasDesktopOverride());
    platform::setDesktopSize(1366, 768);
    platform::desktopSize(&w, &h);
    EXPECT_EQ(w, 1366);
    EXPECT_EQ(h, 768);
}

TEST(PlatformRandom, NonnegativeAndReproducibleFromTheSeed) {
    platform::seedRandom(12345);
    std::vector<int32_t> first;
    for (int i = 0; i < 1000; ++i) first.push_back(platform::randomValue());
    platform::seedRandom(12345);
    std::set<int32_t> distinct;
    bool highBitSeen = false;
    for (int i = 0; i < 1000; ++i) {
        int32_t v = platform::randomValue();
        EXPECT_EQ(v, first[static_cast<size_t>(i)]);
        EXPECT_GE(v, 0);
        distinct.insert(v);
        highBitSeen = highBitSeen || v >= (1 << 30);
    }
    EXPECT_GT(distinct.size(), 990u);
    EXPECT_TRUE(highBitSeen);  // all 31 bits are used
    platform::seedRandom(54321);
    EXPECT_NE(platform::randomValue(), first[0]);
}

TEST(PlatformCounter, CountsNanosecondsForward) {
    EXPECT_EQ(platform::counterFrequency(), 1000000000);
    int64_t a = platform::counterValue();
    usleep(20000);
    int64_t b = platform::counterValue();
    EXPECT_GE(b - a, 20000000);
    EXPECT_LT(b - a, 5000000000);
}

}  // namespace
