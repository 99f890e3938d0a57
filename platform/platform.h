// What stands in for the desktop platform: program directory, desktop size, message boxes,
// file search, the runtime random source and the high-resolution counter. Tests and the
// headless backend can override the desktop size and answer message boxes.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Folder of the executable, without a trailing separator.
const std::string& programDirectory();
void setProgramDirectory(const std::string& folder);  // for tests and tools

// The primary desktop's size in pixels (an override wins when set).
void desktopSize(int* width, int* height);
void setDesktopSize(int width, int height);
bool hasDesktopOverride();

// Message boxes without an owner window. A hook, when set, answers instead of a real box
// (the headless backend records the question and gives its scripted answer).
using MessageBoxHook = bool (*)(const char* text, const char* caption, bool question);
void setMessageBoxHook(MessageBoxHook hook);
bool askYesNo(const char* text, const char* caption);  // true for yes
void showError(const char* text, const char* caption);

// Converts the program's backslash paths to this system's separators.
std::string nativePath(const std::string& path);
// A relative path is taken from the program directory.
std::string programPath(const std::string& relative);

// File-system search over a wildcard pattern such as "pix\*.png" (relative to the program
// directory), giving each entry's name and whether it is a folder.
struct FileEntry {
    std::string name;
    bool isFolder = false;
};
class FileSearch {
public:
    ~FileSearch();
    bool first(const std::string& pattern, FileEntry& entry);  // false: nothing matched
    bool next(FileEntry& entry);                                // false: the end
    void close();
private:
    void* handle = nullptr;  // open directory stream
    std::string folder;      // folder searched
    std::string mask;        // wildcard for the names
};

// Runtime pseudo-random source: nonnegative 31-bit values.
void seedRandom(uint32_t seed);
int32_t randomValue();

// High-resolution counter and its frequency (ticks per second).
int64_t counterValue();
int64_t counterFrequency();

}  // namespace platform
