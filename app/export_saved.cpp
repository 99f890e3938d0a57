// The --render-saved tool: every line of the save file beside the executable painted as
// DIR/001.png, DIR/002.png and so on, the way --render paints one line.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/config.h"
#include "app/export.h"
#include "app/startup.h"
#include "platform/platform.h"
#include "saved/saved_file.h"

namespace orn {

namespace {

constexpr int maxSavedExportSide = 8192;

int savedUsage(const std::string& message) {
    fprintf(stderr, "ornalis2 --render-saved: %s\nusage: ornalis2 --render-saved DIR [--size W H]\n",
            message.c_str());
    return 2;
}

// A whole decimal number from 1 to maxSavedExportSide, nothing else on the text.
bool parseSavedSide(const char* text, int& value) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < 1 || v > maxSavedExportSide) return false;
    value = static_cast<int>(v);
    return true;
}

// Creates the folder when it is missing and proves it takes a new file, so a bad folder is
// reported before any picture is painted.
bool prepareFolder(const std::string& folder, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(folder, ec) && !fs::is_directory(folder, ec)) {
        error = "cannot write to " + folder + ": it is not a folder";
        return false;
    }
    fs::create_directories(folder, ec);
    if (ec) {
        error = "cannot create the folder " + folder + ": " + ec.message();
        return false;
    }
    std::string probe = (fs::path(folder) / ".ornalis2-probe-XXXXXX").string();
    const int fd = mkstemp(probe.data());
    if (fd < 0) {
        error = "cannot write to " + folder + ": " + std::strerror(errno);
        return false;
    }
    const bool written = write(fd, "x", 1) == 1;
    const int writeErrno = errno;
    close(fd);
    unlink(probe.c_str());
    if (!written) {
        error = "cannot write to " + folder + ": " + std::strerror(writeErrno);
        return false;
    }
    return true;
}

}  // namespace

int renderSavedCommand(int argc, char** argv) {
    if (argc < 3) return savedUsage("missing the output folder");
    const std::string folder = argv[2];
    int width = 960, height = 960;
    for (int i = 3; i < argc; ++i) {
        if (strcmp(argv[i], "--size") == 0 && i + 2 < argc) {
            if (!parseSavedSide(argv[i + 1], width) || !parseSavedSide(argv[i + 2], height)) {
                return savedUsage("--size needs two whole numbers from 1 to 8192");
            }
            i += 2;
        } else {
            return savedUsage(std::string("unexpected argument '") + argv[i] + "'");
        }
    }

    std::string error;
    if (!prepareFolder(folder, error)) {
        fprintf(stderr, "ornalis2 --render-saved: %s\n", error.c_str());
        return 2;
    }
    programDirectory = platform::programDirectory();
    if (!loadSavedScreens()) {
        fprintf(stderr, "ornalis2 --render-saved: cannot read %s\n", saveFilePath().c_str());
        return 2;
    }
    const int count = savedScreens->count();
    if (count == 0) {
        printf("no saved screens in %s\n", saveFilePath().c_str());
        return 0;
    }

    if (!exportBegin(width, height, error)) {
        fprintf(stderr, "ornalis2 --render-saved: %s\n", error.c_str());
        return 1;
    }
    int failed = 0;
    for (int k = 0; k < count; ++k) {
        char name[32];
        snprintf(name, sizeof name, "%03d.png", k + 1);
        const std::string path = (std::filesystem::absolute(folder) / name).string();
        ExportResult result;
        if (exportLine(savedScreens->text(k), path, result, error)) {
            printf("[%d/%d] %s: %ld items in %.3f s\n", k + 1, count, path.c_str(), result.items,
                   result.seconds);
        } else {
            fprintf(stderr, "ornalis2 --render-saved: screen %d: %s\n", k + 1, error.c_str());
            ++failed;
        }
        fflush(stdout);
    }
    exportEnd();
    if (failed > 0) {
        fprintf(stderr, "ornalis2 --render-saved: %d of %d screens not written\n", failed, count);
        return 1;
    }
    return 0;
}

}  // namespace orn
