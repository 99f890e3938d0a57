// String lists: the text-file rules in both directions, lookup (hashed, sorted, plain),
// ordering with duplicates, and saving that never damages the old file.
#include "platform/string_list.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> entriesOf(const StringList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.count(); ++i) out.push_back(list.text(i));
    return out;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

struct TempFolder {
    fs::path path;
    TempFolder() {
        char name[] = "/tmp/orn_strlist_XXXXXX";
        path = mkdtemp(name);
    }
    ~TempFolder() { fs::remove_all(path); }
};

struct ReadCase {
    std::string bytes;
    std::vector<std::string> entries;
};

TEST(StringListText, LineBreaksOfEveryKindEndALine) {
    using namespace std::string_literals;
    const ReadCase cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},                        // a final break adds no entry
        {"a\n", {"a"}},
        {"a\r", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb", {"a", "b"}},                    // lone CR
        {"a\r\n\r\nb", {"a", "", "b"}},          // empty middle line stays
        {"a\r\n\r\n", {"a", ""}},                // only the last break is dropped
        {"\r\n", {""}},
        {"\n\n", {"", ""}},
        {"a\n\rb", {"a", "", "b"}},              // LF then CR: two breaks
        {"a\r\r\nb", {"a", "", "b"}},            // CR, then CR LF
        {"a\0b\r\nc"s, {"a"}},                   // NUL ends the text
        {"\0a"s, {}},
        {" x ,y\t\r\n", {" x ,y\t"}},            // spaces and tabs belong to the line
        {"1,2,3,4,20000,1.000000\r\n5,6,7,8,9,0.5\r\n", {"1,2,3,4,20000,1.000000", "5,6,7,8,9,0.5"}},
    };
    for (const ReadCase& c : cases) {
        StringList list;
        list.add("left over");
        list.loadFromText(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(entriesOf(list), c.entries) << "bytes: " << testing::PrintToString(c.bytes);
    }
}

TEST(StringListText, EveryEntryIsWrittenWithCrLf) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, ""},
        {{"a"}, "a\r\n"},
        {{"a", "", "b"}, "a\r\n\r\nb\r\n"},
        {{""}, "\r\n"},
        {{"1,2,3,4,20000,1.000000"}, "1,2,3,4,20000,1.000000\r\n"},
    };
    for (const auto& [entries, bytes] : cases) {
        StringList list;
        for (const std::string& e : entries) list.add(e);
        EXPECT_EQ(list.saveToText(), bytes);
        // What is written reads back as the same entries.
        StringList back;
        std::string written = list.saveToText();
        back.loadFromText(written.data(), written.size());
        EXPECT_EQ(entriesOf(back), entries);
    }
}

TEST(StringListFile, SavesAndLoadsThroughAFile) {
    TempFolder folder;
    fs::path file = folder.path / "list.sav";
    StringList list;
    list.add("one");
    list.add("");
    list.add("three");
    ASSERT_TRUE(list.saveToFile(file.string()));
    EXPECT_EQ(readFile(file), "one\r\n\r\nthree\r\n");
    // No temporary file stays behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), fs::directory_iterator()), 1);

    StringList back;
    ASSERT_TRUE(back.loadFromFile(file.string()));
    EXPECT_EQ(entriesOf(back), entriesOf(list));

    // Saving again replaces the whole file.
    list.remove(0);
    ASSERT_TRUE(list.saveToFile(file.string()));
    EXPECT_EQ(readFile(file), "\r\nthree\r\n");
}

TEST(StringListFile, MissingFileLeavesTheListAsItWas) {
    TempFolder folder;
    StringList list;
    list.add("kept");
    EXPECT_FALSE(list.loadFromFile((folder.path / "absent.sav").string()));
    EXPECT_EQ(entriesOf(list), std::vector<std::string>{"kept"});
}

TEST(StringListFile, AFailedSaveLeavesTheOldFileWhole) {
    TempFolder folder;
    fs::path file = folder.path / "list.sav";
    writeFile(file, "old line\r\n");
    StringList list;
    for (int i = 0; i < 1000; ++i) list.add("a new line that makes the file longer than the limit");

    // The file system refuses to write more than 100 bytes per file.
    signal(SIGXFSZ, SIG_IGN);
    rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit limit = {100, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    bool saved = list.saveToFile(file.string());
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(saved);
    EXPECT_EQ(readFile(file), "old line\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), fs::directory_iterator()), 1);

    // A folder that does not exist, or a folder in the file's place, fails cleanly too.
    EXPECT_FALSE(list.saveToFile((folder.path / "no" / "list.sav").string()));
    fs::create_directory(folder.path / "dir.sav");
    fs::create_directory(folder.path / "dir.sav" / "inside");
    EXPECT_FALSE(list.saveToFile((folder.path / "dir.sav").string()));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), fs::directory_iterator()), 2);
}

TEST(StringListFile, BackslashPathsWork) {
    TempFolder folder;
    StringList list;
    list.add("x");
    std::string path = folder.path.string() + "\\list.sav";
    ASSERT_TRUE(list.saveToFile(path));
    EXPECT_EQ(readFile(folder.path / "list.sav"), "x\r\n");
}

TEST(StringListLookup, HashedLookupFindsTheFirstEntryAndFollowsChanges) {
    StringList list(false, true, true, true);
    list.add("b");
    list.add("a");
    list.add("b");
    EXPECT_EQ(list.indexOf("b"), 0);
    EXPECT_EQ(list.indexOf("a"), 1);
    EXPECT_EQ(list.indexOf("B"), -1);  // case-sensitive
    EXPECT_EQ(list.indexOf("c"), -1);
    list.remove(0);
    EXPECT_EQ(list.indexOf("b"), 1);
    list.insert(0, "c");
    EXPECT_EQ(list.indexOf("c"), 0);
    EXPECT_EQ(list.indexOf("a"), 1);
    list.add("d");
    EXPECT_EQ(list.indexOf("d"), 3);
    std::string bytes = "x\r\nb\r\n";
    list.loadFromText(bytes.data(), bytes.size());
    EXPECT_EQ(list.indexOf("b"), 1);
    EXPECT_EQ(list.indexOf("a"), -1);
    list.clear();
    EXPECT_EQ(list.indexOf("x"), -1);
}

TEST(StringListLookup, EveryKindOfListFindsTheSameEntries) {
    // sorted, caseSensitive, hashed
    const bool kinds[][3] = {{false, false, false}, {false, false, true}, {true, false, false},
                             {true, false, true},   {false, true, false}, {true, true, true}};
    for (const auto& k : kinds) {
        StringList list(k[0], k[1], k[2], true);
        list.add("Pear");
        list.add("apple");
        list.add("fig");
        SCOPED_TRACE(testing::Message() << "sorted " << k[0] << " case " << k[1] << " hashed " << k[2]);
        int pear = list.indexOf("Pear");
        ASSERT_GE(pear, 0);
        EXPECT_EQ(list.text(pear), "Pear");
        EXPECT_EQ(list.indexOf("pear") >= 0, !k[1]);
        EXPECT_EQ(list.indexOf("APPLE") >= 0, !k[1]);
        EXPECT_EQ(list.indexOf("plum"), -1);
    }
}

TEST(StringListOrder, SortedListsKeepTextOrderWithDuplicates) {
    StringList list(true, true, true, true);
    int x1 = 1, x2 = 2;
    list.add("m");
    list.add("c", &x1);
    list.add("x");
    list.add("c", &x2);  // a duplicate goes before the equal text already there
    EXPECT_EQ(entriesOf(list), (std::vector<std::string>{"c", "c", "m", "x"}));
    EXPECT_EQ(list.object(0), &x2);
    EXPECT_EQ(list.object(1), &x1);
    EXPECT_EQ(list.indexOf("c"), 0);
    EXPECT_EQ(list.indexOfObject(&x1), 1);
    list.insert(0, "z");  // a sorted list stays sorted
    EXPECT_EQ(list.text(4), "z");

    StringList nocase(true, false, false, true);
    nocase.add("b");
    nocase.add("A");
    nocase.add("c");
    EXPECT_EQ(entriesOf(nocase), (std::vector<std::string>{"A", "b", "c"}));
}

TEST(StringListOrder, DuplicatesCanBeRefused) {
    StringList list(false, true, false, false);
    EXPECT_EQ(list.add("a"), 0);
    EXPECT_EQ(list.add("a"), -1);
    EXPECT_EQ(list.add("b"), 1);
    EXPECT_EQ(list.count(), 2);
}

TEST(StringListObjects, ObjectsStayWithTheirEntries) {
    StringList list;
    int a = 0, b = 0;
    list.add("a", &a);
    list.add("b");
    list.setObject(1, &b);
    list.insert(0, "first");
    EXPECT_EQ(list.object(0), nullptr);
    EXPECT_EQ(list.object(1), &a);
    EXPECT_EQ(list.object(2), &b);
    list.remove(1);
    EXPECT_EQ(list.indexOfObject(&a), -1);
    EXPECT_EQ(list.indexOfObject(&b), 1);
    list.remove(7);  // outside: nothing happens
    list.remove(-1);
    EXPECT_EQ(list.count(), 2);
}

}  // namespace
