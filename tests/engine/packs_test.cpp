// Resource packs: zip archives built here, searched before the disk in the order attached,
// with either path separator; missing names and broken packs fail cleanly.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/engine/hge.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;

struct TempFolder {
    fs::path path;
    TempFolder() {
        char name[] = "/tmp/orn_packs_XXXXXX";
        path = mkdtemp(name);
    }
    ~TempFolder() { fs::remove_all(path); }
};

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// Zips the contents of folder into pack (names inside relative to folder).
void makePack(const fs::path& folder, const fs::path& pack) {
    std::string command = "cd '" + folder.string() + "' && cmake -E tar cf '" + pack.string() + "' --format=zip .";
    ASSERT_EQ(system(command.c_str()), 0);
}

// A resource as text, or "(none)" when it cannot be loaded.
std::string resource(HGE* hge, const char* name) {
    uint32_t size = 12345;
    void* block = hge->loadResource(name, &size);
    if (!block) {
        EXPECT_EQ(size, 0u) << name;
        return "(none)";
    }
    std::string text(static_cast<const char*>(block), size);
    hge->freeResource(block);
    return text;
}

class PacksTest : public testing::Test {
protected:
    void SetUp() override {
        writeFile(folder.path / "src1" / "graphics" / "font.fnt", "font from pack 1");
        writeFile(folder.path / "src1" / "only1.txt", "only in pack 1");
        writeFile(folder.path / "src1" / "empty.txt", "");
        writeFile(folder.path / "src2" / "graphics" / "font.fnt", "font from pack 2");
        writeFile(folder.path / "src2" / "sound" / "one.mp3", "sound from pack 2");
        writeFile(folder.path / "program" / "graphics" / "font.fnt", "font from disk");
        writeFile(folder.path / "program" / "disk.txt", "only on disk");
        writeFile(folder.path / "program" / "Broken.paq", "PK\x03\x04 this is no zip archive");
        makePack(folder.path / "src1", folder.path / "program" / "Graphics.paq");
        makePack(folder.path / "src2", folder.path / "program" / "Sound.paq");
        platform::setProgramDirectory((folder.path / "program").string());
        hge = hgeCreate(HGE_VERSION);
    }
    void TearDown() override { hge->release(); }
    TempFolder folder;
    HGE* hge = nullptr;
};

TEST_F(PacksTest, PacksComeFirstInAttachOrderThenTheDisk) {
    EXPECT_EQ(resource(hge, "graphics\\font.fnt"), "font from disk");  // no pack yet
    ASSERT_TRUE(hge->attachPack("Graphics.paq"));
    ASSERT_TRUE(hge->attachPack("Sound.paq"));
    const std::pair<const char*, const char*> cases[] = {
        {"graphics\\font.fnt", "font from pack 1"},  // the first pack attached wins
        {"graphics/font.fnt", "font from pack 1"},
        {".\\graphics\\font.fnt", "font from pack 1"},
        {"sound\\one.mp3", "sound from pack 2"},
        {"only1.txt", "only in pack 1"},
        {"disk.txt", "only on disk"},                // disk fallback
        {"empty.txt", ""},                           // found, zero bytes
        {"missing.txt", "(none)"},
        {"graphics\\missing.fnt", "(none)"},
        {"Graphics\\Font.fnt", "(none)"},            // names are case-sensitive
        {"", "(none)"},
    };
    for (const auto& [name, text] : cases) EXPECT_EQ(resource(hge, name), text) << name;
    uint32_t size = 0;
    void* empty = hge->loadResource("empty.txt", &size);
    EXPECT_NE(empty, nullptr);
    hge->freeResource(empty);
    EXPECT_EQ(hge->loadResource(nullptr), nullptr);
}

TEST_F(PacksTest, MissingAndBrokenPacksAreRefusedAndChangeNothing) {
    EXPECT_FALSE(hge->attachPack("Missing.paq"));
    EXPECT_FALSE(hge->attachPack("Broken.paq"));
    EXPECT_EQ(resource(hge, "graphics\\font.fnt"), "font from disk");
    EXPECT_EQ(resource(hge, "disk.txt"), "only on disk");
    ASSERT_TRUE(hge->attachPack("Sound.paq"));
    EXPECT_EQ(resource(hge, "graphics\\font.fnt"), "font from pack 2");
}

TEST_F(PacksTest, AbsolutePathsAndParentFoldersReadTheDisk) {
    writeFile(folder.path / "outside.txt", "outside");
    EXPECT_EQ(resource(hge, (folder.path / "outside.txt").c_str()), "outside");
    EXPECT_EQ(resource(hge, "..\\outside.txt"), "outside");
    EXPECT_EQ(resource(hge, "..\\nothing.txt"), "(none)");
}

TEST_F(PacksTest, AFreshEngineStartsWithoutThePacksOfTheLastOne) {
    ASSERT_TRUE(hge->attachPack("Graphics.paq"));
    EXPECT_EQ(resource(hge, "only1.txt"), "only in pack 1");
    hge->release();
    hge = hgeCreate(HGE_VERSION);
    EXPECT_EQ(resource(hge, "only1.txt"), "(none)");
    EXPECT_EQ(resource(hge, "disk.txt"), "only on disk");
}

}  // namespace
