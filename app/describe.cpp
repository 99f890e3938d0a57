// --describe LINE [--graphics N]: builds the screen that loading LINE as a saved line builds,
// without an engine, and prints it as one JSON object: recipe, parts, palette, first
// generation, item target and the generation sizes the screen grows through by itself.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/startup.h"
#include "model/items.h"
#include "model/iteration.h"
#include "model/screen.h"
#include "platform/platform.h"
#include "registry/registry.h"
#include "saved/saved_file.h"

namespace orn {

namespace {

// The sprite images the program would register: the non-folder "*.png" entries of pix.
int countPixImages() {
    platform::FileSearch search;
    platform::FileEntry entry;
    int count = 0;
    for (bool found = search.first("pix\\*.png", entry); found; found = search.next(entry)) {
        if (!entry.isFolder) ++count;
    }
    search.close();
    return count;
}

bool parseCount(const char* text, int& value) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < 0 || v > 100000) return false;
    value = static_cast<int>(v);
    return true;
}

// Sizes of the generations from the first up to the first one that reaches the target, or
// the last one the limit allows: what runIteration grows without a key.
std::string generationSizes(int32_t partCount, int32_t itemTarget) {
    std::string out = "[";
    int64_t size = partCount;
    out += std::to_string(size);
    while (partCount > 1 && size < itemTarget && size * partCount <= maxGenerationItems) {
        size *= partCount;
        out += "," + std::to_string(size);
    }
    return out + "]";
}

std::string describeScreen() {
    const SPRITE& m = screenModel;
    std::string out = "{\"recipe\":{" + recipeJson(screenRecipe) + "}";
    out += ",\"partCount\":" + std::to_string(m.partCount);
    out += ",\"parts\":[";
    for (int i = 0; i < m.partCount && i < 5; ++i) {
        const Part& p = m.parts[i];
        if (i > 0) out += ",";
        out += "{\"sprite\":" + std::to_string(p.sprite) + ",\"offsetX\":" + jsonFloat(p.offsetX) +
               ",\"offsetY\":" + jsonFloat(p.offsetY) + ",\"angle\":" + jsonFloat(p.angle) +
               ",\"twist\":" + jsonFloat(p.twist) + ",\"scale\":" + jsonFloat(p.scale) + "}";
    }
    out += "],\"palette\":[";
    for (int i = 0; i < 256; ++i) {
        const PaletteEntry& e = m.palette[i];
        if (i > 0) out += ",";
        out += "[" + std::to_string(e.red) + "," + std::to_string(e.green) + "," + std::to_string(e.blue) + "]";
    }
    out += "],\"firstGeneration\":[";
    const ItemBuffer& first = selectBuffer(1);
    for (int32_t i = 0; i < first.count; ++i) {
        const Item& it = first.items[i];
        if (i > 0) out += ",";
        out += "{\"sprite\":" + std::to_string(it.sprite) + ",\"x\":" + jsonFloat(it.x) +
               ",\"y\":" + jsonFloat(it.y) + ",\"angle\":" + jsonFloat(it.angle) +
               ",\"scale\":" + jsonFloat(it.scale) + ",\"colour\":" + std::to_string(it.colour) + "}";
    }
    out += "],\"itemTarget\":" + std::to_string(m.itemTarget);
    out += ",\"generations\":" + generationSizes(m.partCount, m.itemTarget);
    return out + "}";
}

}  // namespace

int describeCommand(int argc, char** argv) {
    const char* usage = "usage: %s --describe LINE [--graphics N]\n";
    if (argc < 3) {
        fprintf(stderr, "--describe needs a saved line (six comma-separated fields)\n");
        fprintf(stderr, usage, argv[0]);
        return 2;
    }
    std::string line = argv[2];
    int graphics = -1;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--graphics") == 0 && i + 1 < argc && parseCount(argv[i + 1], graphics)) {
            ++i;
            continue;
        }
        fprintf(stderr, "--describe: unexpected argument \"%s\" (--graphics takes a count 0..100000)\n", argv[i]);
        fprintf(stderr, usage, argv[0]);
        return 2;
    }
    if (graphics < 0) graphics = countPixImages();

    // The view is not described: a fixed desktop keeps the tool off the display.
    platform::setDesktopSize(1920, 1080);
    // A registry of as many graphics as the program would find; their textures do not matter.
    registry = new VOXA();
    registry->retainSecondaryIndexes = true;
    for (int i = 0; i < graphics; ++i) {
        registry->addGraphic("graphic" + std::to_string(i + 1), 0, 0, 0, 1, 1, 0, 0, 0);
    }

    lineToRecipe(line, screenRecipe);
    resetScreenState();
    // The flags of loading a saved screen: parts, palette and reset.
    buildScreen(31, true);

    std::string json = describeScreen();
    puts(json.c_str());

    releaseBuffer(0);
    releaseBuffer(1);
    delete registry;
    registry = nullptr;
    return 0;
}

}  // namespace orn
