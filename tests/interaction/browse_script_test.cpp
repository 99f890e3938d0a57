// The real program on the headless backend, run from a script in a temporary copy of its
// folder: browsing, the gallery, the pick, delete and save as the JSON events report them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/string_list.h"
#include "saved_support.h"

namespace {

namespace fs = std::filesystem;
using savedtest::fileBytes;
using savedtest::readBytes;
using savedtest::recipeLine;
using savedtest::recipeLines;

// One JSON event line, with its members read as text.
struct Event {
    std::string line;
    long frame = -1;
    std::string name;

    // The raw value of a member: a number, true/false, or a string without its quotes.
    std::string member(const std::string& key) const {
        const std::string tag = "\"" + key + "\":";
        const size_t at = line.find(tag);
        if (at == std::string::npos) return "";
        size_t from = at + tag.size();
        if (line[from] == '"') {
            std::string text;
            for (size_t i = from + 1; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] == '\\' && i + 1 < line.size()) ++i;
                text += line[i];
            }
            return text;
        }
        size_t end = line.find_first_of(",}", from);
        return line.substr(from, end - from);
    }
};

struct ScriptRun {
    std::vector<Event> events;
    int exitCode = -1;

    std::vector<std::string> messages() const {
        std::vector<std::string> texts;
        for (const Event& e : events)
            if (e.name == "message") texts.push_back(e.member("text"));
        return texts;
    }
    // Shape seeds of the screens loaded from saved lines, in order.
    std::vector<int> loadedSeeds() const {
        std::vector<int> seeds;
        for (const Event& e : events)
            if (e.name == "screen" && e.member("fromRecipe") == "true") seeds.push_back(std::stoi(e.member("shapeSeed")));
        return seeds;
    }
    std::vector<const Event*> named(const std::string& name) const {
        std::vector<const Event*> found;
        for (const Event& e : events)
            if (e.name == name) found.push_back(&e);
        return found;
    }
};

// A copy of the program in a temporary folder, beside links to the build's assets, so its
// save file is its own.
class ProgramCopy : public ::testing::Test {
protected:
    void SetUp() override {
        dir = savedtest::makeTempDir();
        ASSERT_FALSE(dir.empty());
        const fs::path bin = ORN_BIN_DIR;
        fs::copy_file(bin / "ornalis2", fs::path(dir) / "ornalis2");
        for (const char* asset : {"pix", "Graphics.paq", "Sound.paq"}) {
            fs::create_symlink(bin / asset, fs::path(dir) / asset);
        }
    }
    void TearDown() override { savedtest::removeTree(dir); }

    std::string savePath() const { return dir + "/Ornalis2.sav"; }

    ScriptRun run(const std::string& script) {
        savedtest::writeBytes(dir + "/script.txt", "answer no\ndesktop 1920 1080\n" + script);
        ScriptRun result;
        const std::string command = dir + "/ornalis2 --headless --script " + dir + "/script.txt";
        FILE* out = popen(command.c_str(), "r");
        if (!out) return result;
        std::string line;
        for (int c; (c = fgetc(out)) != EOF;) {
            if (c != '\n') {
                line += static_cast<char>(c);
                continue;
            }
            Event e;
            e.line = line;
            const std::string frame = e.member("frame");
            if (!frame.empty()) e.frame = std::stol(frame);
            e.name = e.member("event");
            result.events.push_back(e);
            line.clear();
        }
        const int status = pclose(out);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }

    std::string dir;
};

// Holds a key for one frame at the given frame.
std::string key(int frame, int code) {
    return std::to_string(frame) + " key " + std::to_string(code) + " down\n" + std::to_string(frame + 1) +
           " key " + std::to_string(code) + " up\n";
}
std::string clickAt(int frame, int x, int y) {
    return std::to_string(frame) + " mouse " + std::to_string(x) + " " + std::to_string(y) + "\n" + key(frame + 1, 1);
}

std::vector<int> seedRange(int first, int last) {
    std::vector<int> seeds;
    for (int k = first; k <= last; ++k) seeds.push_back(1000 + k);
    return seeds;
}

TEST_F(ProgramCopy, BrowseGalleryPickDeleteAndSave) {
    savedtest::writeBytes(savePath(), fileBytes(recipeLines(20)));
    const ScriptRun result = run(key(10, 38) +            // Up: the last saved screen
                           key(40, 34) +            // PgDn: the first page
                           key(400, 34) +           // PgDn: the page at 16
                           clickAt(700, 10, 250) +  // index 20: past the end
                           clickAt(720, 950, 10) +  // top-right cell: index 19
                           key(760, 68) +           // D: deletes it
                           key(800, 83) +           // S: saves the screen on display
                           key(840, 88));           // X
    ASSERT_EQ(result.exitCode, 0);

    EXPECT_EQ(result.messages(),
              (std::vector<std::string>{"Loaded screen 20", "Loaded screen 20", "Deleted screen 20", "Saved"}));
    std::vector<int> expected = {1019};
    for (int seed : seedRange(0, 15)) expected.push_back(seed);
    for (int seed : seedRange(16, 19)) expected.push_back(seed);
    expected.push_back(1019);
    EXPECT_EQ(result.loadedSeeds(), expected);

    // The pick came with the click, not with the click past the end.
    for (const Event* e : result.named("message")) {
        if (e->member("text") == "Loaded screen 20" && e->frame > 100) {
            EXPECT_EQ(e->frame, 721);
        }
    }

    const auto saves = result.named("save");
    ASSERT_EQ(saves.size(), 2u);
    EXPECT_EQ(saves[0]->member("lines"), "19");
    EXPECT_EQ(saves[1]->member("lines"), "20");
    for (const Event* e : saves) {
        EXPECT_EQ(e->member("ok"), "true");
        EXPECT_EQ(fs::path(e->member("file")), fs::path(savePath()));
    }
    StringList written;
    ASSERT_TRUE(written.loadFromFile(savePath()));
    ASSERT_EQ(written.count(), 20);
    for (int k = 0; k < 19; ++k) EXPECT_EQ(written.text(k), recipeLine(k));
    EXPECT_EQ(written.text(19).substr(0, 13), "1019,7,11,13,");
    EXPECT_EQ(readBytes(savePath()).substr(readBytes(savePath()).size() - 2), "\r\n");
}

TEST_F(ProgramCopy, FirstSavesCreateTheFile) {
    const ScriptRun result = run(key(10, 83) + key(40, 83) + key(70, 68) + key(100, 88));
    ASSERT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.messages(), (std::vector<std::string>{"Saved", "Saved"}));
    const auto saves = result.named("save");
    ASSERT_EQ(saves.size(), 2u);
    EXPECT_EQ(saves[0]->member("lines"), "1");
    EXPECT_EQ(saves[1]->member("lines"), "2");
    StringList written;
    ASSERT_TRUE(written.loadFromFile(savePath()));
    ASSERT_EQ(written.count(), 2);
    // The same screen twice; it may have grown in between, so only its seeds must agree.
    const std::string seeds = written.text(0).substr(0, written.text(0).rfind(',', written.text(0).rfind(',') - 1));
    EXPECT_EQ(written.text(1).substr(0, seeds.size()), seeds);
}

TEST_F(ProgramCopy, SaveThatCannotWriteSaysSoAndKeepsTheLine) {
    ASSERT_TRUE(fs::create_directory(savePath()));
    const ScriptRun result = run(key(10, 83) + key(40, 38) + key(70, 88));
    ASSERT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.messages(),
              (std::vector<std::string>{"Not saved: can't write Ornalis2.sav", "Loaded screen 1"}));
    const auto saves = result.named("save");
    ASSERT_EQ(saves.size(), 1u);
    EXPECT_EQ(saves[0]->member("ok"), "false");
    EXPECT_EQ(saves[0]->member("lines"), "1");
    EXPECT_TRUE(fs::is_directory(savePath()));
}

TEST_F(ProgramCopy, GarbageSaveFileBrowsesWithoutHarm) {
    std::string bytes;
    for (int i = 1; i < 256; ++i) {
        if (i != '\r' && i != '\n') bytes += static_cast<char>(i);
    }
    bytes += "\n" + std::string(1 << 20, '7') + "\n-1,-2,-3,-4,-5,-6\n2147483647,1,1,1,2147483647,1e38\n\n";
    bytes += "nan,inf,x,\"\",99999999999999999999,nan\n";
    savedtest::writeBytes(savePath(), bytes);
    StringList lines;
    lines.loadFromText(bytes.data(), bytes.size());
    const int n = lines.count();

    std::string script;
    int frame = 10;
    for (int k = 0; k <= n; ++k, frame += 25) script += key(frame, 38);
    script += key(frame, 34) + key(frame + 60, 40) + key(frame + 90, 88);
    const ScriptRun result = run(script);
    ASSERT_EQ(result.exitCode, 0);
    const std::vector<std::string> messages = result.messages();
    ASSERT_EQ(static_cast<int>(messages.size()), n + 2);
    for (int k = 0; k < n; ++k) EXPECT_EQ(messages[k], "Loaded screen " + std::to_string(n - k));
    EXPECT_EQ(messages[n], "First");
    EXPECT_EQ(messages[n + 1], "Loaded screen 2");
    EXPECT_EQ(readBytes(savePath()), bytes);
}

}  // namespace
