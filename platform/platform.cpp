// The desktop platform on Linux: program directory from /proc/self/exe, desktop size and
// message boxes through SDL, a sorted wildcard folder search, the random source and the counter.
#include "platform/platform.h"

#include <SDL.h>
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace platform {

namespace {

struct PlatformState {
    std::string programDirectory;  // folder of the executable, filled on first use
    bool programDirectoryKnown;    // programDirectory is filled
    bool desktopOverride;          // desktopWidth/Height replace the real desktop
    int desktopWidth, desktopHeight;
    MessageBoxHook messageBoxHook;  // answers message boxes instead of SDL when set
    std::mt19937 random;           // runtime random source
};
PlatformState state = {};

// The folder search's entries, read and sorted when the search starts.
struct SearchList {
    std::vector<FileEntry> entries;
    size_t next;  // index of the entry the next call of next() delivers
};

std::string executablePath() {
    std::vector<char> buffer(4096);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return std::string();
        if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(n));
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

const std::string& programDirectory() {
    if (!state.programDirectoryKnown) {
        std::string exe = executablePath();
        size_t slash = exe.rfind('/');
        if (slash == std::string::npos) {
            state.programDirectory = ".";
        } else {
            state.programDirectory = exe.substr(0, slash == 0 ? 1 : slash);
        }
        state.programDirectoryKnown = true;
    }
    return state.programDirectory;
}

void setProgramDirectory(const std::string& folder) {
    state.programDirectory = folder;
    while (state.programDirectory.size() > 1 && state.programDirectory.back() == '/') state.programDirectory.pop_back();
    state.programDirectoryKnown = true;
}

void desktopSize(int* width, int* height) {
    if (state.desktopOverride) {
        *width = state.desktopWidth;
        *height = state.desktopHeight;
        return;
    }
    // Without a display the program still starts, sized for the commonest desktop.
    *width = 1920;
    *height = 1080;
    bool wasInit = SDL_WasInit(SDL_INIT_VIDEO) != 0;
    if (!wasInit && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0) {
        *width = mode.w;
        *height = mode.h;
    }
    if (!wasInit) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void setDesktopSize(int width, int height) {
    state.desktopOverride = true;
    state.desktopWidth = width;
    state.desktopHeight = height;
}

bool hasDesktopOverride() { return state.desktopOverride; }

void setMessageBoxHook(MessageBoxHook hook) { state.messageBoxHook = hook; }

bool askYesNo(const char* text, const char* caption) {
    if (state.messageBoxHook) return state.messageBoxHook(text, caption, true);
    // Return answers Yes, Escape answers No.
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
    };
    SDL_MessageBoxData box = {};
    box.flags = SDL_MESSAGEBOX_INFORMATION | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    box.window = nullptr;
    box.title = caption;
    box.message = text;
    box.numbuttons = 2;
    box.buttons = buttons;
    int pressed = 0;
    // SDL shows its own boxes only with the video subsystem up.
    bool video = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    int shown = SDL_ShowMessageBox(&box, &pressed);
    if (video) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (shown != 0) {
        // No way to ask (no display): say so where a user can see it and take No.
        fprintf(stderr, "%s: %s (no message box: %s; answering No)\n", caption, text, SDL_GetError());
        return false;
    }
    return pressed == 1;
}

void showError(const char* text, const char* caption) {
    if (state.messageBoxHook) {
        state.messageBoxHook(text, caption, false);
        return;
    }
    bool video = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    int shown = SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr);
    if (video) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (shown != 0) {
        fprintf(stderr, "%s: %s\n", caption, text);
    }
}

std::string nativePath(const std::string& path) {
    std::string out = path;
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

std::string programPath(const std::string& relative) {
    std::string path = nativePath(relative);
    if (!path.empty() && path[0] == '/') return path;
    while (path.compare(0, 2, "./") == 0) path.erase(0, 2);
    const std::string& folder = programDirectory();
    if (path.empty()) return folder;
    if (!folder.empty() && folder.back() == '/') return folder + path;
    return folder + "/" + path;
}

FileSearch::~FileSearch() { close(); }

bool FileSearch::first(const std::string& pattern, FileEntry& entry) {
    close();
    std::string native = nativePath(pattern);
    size_t slash = native.rfind('/');
    if (slash == std::string::npos) {
        folder = programDirectory();
        mask = native;
    } else {
        folder = programPath(native.substr(0, slash + 1));
        mask = native.substr(slash + 1);
    }
    DIR* dir = opendir(folder.c_str());
    if (!dir) return false;
    auto* list = new SearchList{};
    while (dirent* d = readdir(dir)) {
        std::string name = d->d_name;
        if (name == "." || name == "..") continue;
        // Names match regardless of case, as on the desktop platform the program came from.
        if (fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD) != 0) continue;
        struct stat info;
        bool isFolder = stat((folder + "/" + name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        list->entries.push_back(FileEntry{name, isFolder});
    }
    closedir(dir);
    // Sorted by name so that the same files are found in the same order on every machine.
    std::sort(list->entries.begin(), list->entries.end(),
              [](const FileEntry& a, const FileEntry& b) { return a.name < b.name; });
    handle = list;
    return next(entry);
}

bool FileSearch::next(FileEntry& entry) {
    auto* list = static_cast<SearchList*>(handle);
    if (!list || list->next >= list->entries.size()) return false;
    entry = list->entries[list->next++];
    return true;
}

void FileSearch::close() {
    delete static_cast<SearchList*>(handle);
    handle = nullptr;
}

void seedRandom(uint32_t seed) { state.random.seed(seed); }

int32_t randomValue() { return static_cast<int32_t>(state.random() >> 1); }

int64_t counterValue() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

int64_t counterFrequency() { return 1000000000; }

}  // namespace platform
