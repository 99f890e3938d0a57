// Painting a saved line's screen to a PNG on the headless backend: the screen is built as a
// saved line is loaded, grown to its item target, fitted as the gallery fits it, and painted by
// the real render pass. Also the --render command line tool built on it.
#include "app/export.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/assets.h"
#include "app/config.h"
#include "app/startup.h"
#include "interaction/browse.h"
#include "interaction/frame.h"
#include "model/items.h"
#include "model/iteration.h"
#include "model/screen.h"
#include "model/view.h"
#include "platform/engine/headless.h"
#include "platform/platform.h"
#include "registry/registry.h"
#include "render/render.h"
#include "saved/codec.h"
#include "saved/saved_file.h"

namespace orn {

namespace {

bool exportStarted = false;  // exportBegin succeeded and exportEnd has not run
int exportWidth = 0;         // logical screen of the started engine
int exportHeight = 0;

// More generations than any screen can have (2^24 items with two parts is 24 of them): a
// screen still growing after this many is stuck, not large.
constexpr int32_t generationGuard = 64;

// True when nothing more will grow by itself: no generation runs and the newest one has
// reached the item target or could not grow past the item limit.
bool growthFinished() {
    if (screenModel.generationsDone < screenModel.generationsStarted) return false;
    const int64_t capacity = bufferCapacity(1);
    return capacity >= screenModel.itemTarget || capacity * screenModel.partCount > maxGenerationItems;
}

}  // namespace

bool exportBegin(int width, int height, std::string& error) {
    if (exportStarted) {
        if (width == exportWidth && height == exportHeight) return true;
        error = "the export engine is already running at another size";
        return false;
    }
    hgeUseHeadless(true);
    programDirectory = platform::programDirectory();
    screenWidth = width;
    screenHeight = height;
    displayScale = 1.0;
    // A headless tool never asks the display; the desktop only sizes the view a build starts
    // with, which the exact fit replaces anyway.
    platform::setDesktopSize(width, height);

    engine = hgeCreate(HGE_VERSION);
    if (!engine) {
        error = "cannot create the engine";
        return false;
    }
    engine->setCallback(HGE_FRAMEFUNC, frameFunction);
    engine->setCallback(HGE_RENDERFUNC, renderFunction);
    engine->setText(HGE_TITLE, productTitle);
    engine->setFlag(HGE_WINDOWED, true);
    engine->setNumber(HGE_SCREENWIDTH, width);
    engine->setNumber(HGE_SCREENHEIGHT, height);
    engine->setNumber(HGE_SCREENBPP, 32);
    engine->setFlag(HGE_USESOUND, false);
    engine->setNumber(HGE_FPS, framesPerSecond);
    if (!engine->initiate()) {
        error = std::string("cannot start the headless engine: ") + engine->errorMessage();
        engine->shutdown();
        engine->release();
        engine = nullptr;
        return false;
    }
    engine->setTransform(0, 0, 0, 0, 0, 1.0f, 1.0f);
    if (!registry) registry = new VOXA();
    if (!engine->attachPack("Graphics.paq") || loadGraphics()) {
        error = "Can't load graphics.";
        engine->shutdown();
        engine->release();
        engine = nullptr;
        return false;
    }
    createRenderTargets();
    exportStarted = true;
    exportWidth = width;
    exportHeight = height;
    return true;
}

bool exportLine(const std::string& line, const std::string& path, ExportResult& result, std::string& error) {
    if (!exportStarted) {
        error = "the export engine is not running";
        return false;
    }
    const auto start = std::chrono::steady_clock::now();

    // Built exactly as a saved line is loaded, then grown as the frame loop would grow it.
    lineToRecipe(line, screenRecipe);
    resetScreenState();
    buildScreen(31, true);
    while (!growthFinished()) {
        if (screenModel.generationsStarted > generationGuard) {
            error = "the screen does not stop growing";
            return false;
        }
        frameStopwatch.reset();
        runIteration();
    }

    // The gallery's exact fit frames the whole picture; the view input step then writes the
    // origin the painting adds to every position.
    const int32_t galleryBefore = galleryFirst;
    galleryFirst = 0;
    fitView();
    galleryFirst = galleryBefore;
    applyViewInput(0.0, 0.0);

    // Every item through the render pass, in one call with the budget lifted.
    const double budgetBefore = paintBudget;
    paintBudget = noBudget;
    drawCursor = 0;
    const int32_t showGuidesBefore = showGuides;
    showGuides = 0;
    const ItemBuffer& newest = selectBuffer(1);
    do {
        renderFunction();
    } while (newest.count > drawCursor);
    showGuides = showGuidesBefore;
    paintBudget = budgetBefore;

    if (!hgeWriteTargetPng(accumTarget, path.c_str())) {
        error = "cannot write " + path;
        return false;
    }
    result.items = newest.count;
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return true;
}

void exportEnd() {
    if (!exportStarted) return;
    engine->shutdown();
    engine->release();
    engine = nullptr;
    exportStarted = false;
}

namespace {

constexpr int maxExportSide = 8192;

// A whole decimal number from 1 to maxExportSide, nothing else on the text.
bool parseSide(const char* text, int& value) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < 1 || v > maxExportSide) return false;
    value = static_cast<int>(v);
    return true;
}

bool numericField(const std::string& field, bool integer) {
    if (field.empty()) return false;
    char* end = nullptr;
    errno = 0;
    if (integer) {
        const long v = std::strtol(field.c_str(), &end, 10);
        if (errno != 0 || v < INT32_MIN || v > INT32_MAX) return false;
    } else {
        const double v = std::strtod(field.c_str(), &end);
        if (errno != 0 || !std::isfinite(v)) return false;
    }
    return *end == '\0';
}

// A recipe line as the program writes it: six comma-separated fields, five whole numbers and
// a decimal part scale.
bool validRecipeLine(const std::string& line, std::string& error) {
    for (int i = 0; i < 6; ++i) {
        if (!numericField(getField(line, ',', i, '"'), i < 5)) {
            error = "field " + std::to_string(i + 1) + " of the recipe line is not a number";
            return false;
        }
    }
    if (!getField(line, ',', 6, '"').empty()) {
        error = "the recipe line has more than six fields";
        return false;
    }
    return true;
}

// The output file can be written: an existing one opens for writing, a new one can be created
// (and is removed again). Trying it is the only sure test, whoever runs the tool.
bool writablePath(const std::string& path, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        error = "cannot write " + path + ": it is a folder";
        return false;
    }
    const bool existed = fs::exists(path, ec);
    const int fd = existed ? open(path.c_str(), O_WRONLY) : open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    close(fd);
    if (!existed) unlink(path.c_str());
    return true;
}

int usage(const char* message) {
    fprintf(stderr, "ornalis2 --render: %s\nusage: ornalis2 --render LINE --out FILE.png [--size W H]\n",
            message);
    return 2;
}

}  // namespace

int renderCommand(int argc, char** argv) {
    if (argc < 3) return usage("missing the recipe line");
    const std::string line = argv[2];
    std::string out;
    int width = 960, height = 960;
    for (int i = 3; i < argc; ++i) {
        if (strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
            out = argv[++i];
        } else if (strcmp(argv[i], "--size") == 0 && i + 2 < argc) {
            if (!parseSide(argv[i + 1], width) || !parseSide(argv[i + 2], height)) {
                return usage("--size needs two whole numbers from 1 to 8192");
            }
            i += 2;
        } else {
            const std::string message = std::string("unexpected argument '") + argv[i] + "'";
            return usage(message.c_str());
        }
    }
    std::string error;
    if (!validRecipeLine(line, error)) return usage(error.c_str());
    if (out.empty()) return usage("missing --out FILE.png");
    if (!writablePath(out, error)) {
        fprintf(stderr, "ornalis2 --render: %s\n", error.c_str());
        return 2;
    }
    const std::string target = std::filesystem::absolute(out).string();

    if (!exportBegin(width, height, error)) {
        fprintf(stderr, "ornalis2 --render: %s\n", error.c_str());
        return 1;
    }
    ExportResult result;
    const bool written = exportLine(line, target, result, error);
    exportEnd();
    if (!written) {
        fprintf(stderr, "ornalis2 --render: %s\n", error.c_str());
        return 2;
    }
    printf("%ld items painted to %s in %.3f s\n", result.items, out.c_str(), result.seconds);
    return 0;
}

}  // namespace orn
