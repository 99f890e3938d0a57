// Loading the two fonts, the sprite images found in "pix" and the eight sound effects.
#include "app/assets.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "app/config.h"
#include "platform/platform.h"
#include "registry/registry.h"

namespace orn {

hgeFont* fontLarge = nullptr;
hgeFont* fontSmall = nullptr;
HEFFECT clickEffect = 0;
HEFFECT iterationEffect = 0;
HEFFECT ambientEffects[6] = {};

bool loadGraphics() {
    // A missing or broken description still gives a font (it draws nothing); only a font
    // object that cannot be made at all is a failure.
    fontLarge = new (std::nothrow) hgeFont("graphics\\font.fnt");
    if (!fontLarge) return true;
    fontSmall = new (std::nothrow) hgeFont("graphics\\fontsmall.fnt");
    if (!fontSmall) return true;

    // The search delivers names in the file system's order; sorting them gives every machine
    // the same sprite numbers, so a saved recipe shows the same picture everywhere.
    std::vector<platform::FileEntry> entries;
    platform::FileSearch search;
    platform::FileEntry entry;
    for (bool found = search.first("pix\\*.png", entry); found; found = search.next(entry)) {
        entries.push_back(entry);
    }
    search.close();
    std::sort(entries.begin(), entries.end(),
              [](const platform::FileEntry& a, const platform::FileEntry& b) { return a.name < b.name; });

    // k counts every entry, folders included: it decides which images are added and which
    // are blended.
    int k = 0;
    for (const platform::FileEntry& found : entries) {
        if (!found.isFolder) {
            std::string path = "pix\\" + found.name;
            HTEXTURE texture = engine->loadTexture(path.c_str(), 0, true);
            int w = engine->textureWidth(texture, true);
            int h = engine->textureHeight(texture, true);
            VOXA_GRAPHICS* graphic = registry->addGraphic(found.name, texture, 0, 0, static_cast<float>(w),
                                                          static_cast<float>(h), 0, 0, 0);
            if (!graphic || !graphic->sprite || graphic->sprite->texture() == 0) return true;
            graphic->sprite->tint(0xFFFFFFFF, -1);
            graphic->sprite->setBlend(k % 2 != 0 ? BLEND_ALPHA : BLEND_ADD);
            graphic->sprite->setAnchor(static_cast<float>(w / 2), static_cast<float>(h / 2));
        }
        ++k;
    }
    return false;
}

bool loadSounds() {
    static const char* const ambientNames[6] = {"sound\\a1.mp3", "sound\\a2.mp3", "sound\\a3.mp3",
                                                "sound\\a4.mp3", "sound\\a5.mp3", "sound\\a6.mp3"};
    clickEffect = engine->loadEffect("sound\\one.mp3", 0);
    if (clickEffect == 0) return true;
    iterationEffect = engine->loadEffect("sound\\iter.mp3", 0);
    if (iterationEffect == 0) return true;
    for (int i = 0; i < 6; ++i) {
        ambientEffects[i] = engine->loadEffect(ambientNames[i], 0);
        if (ambientEffects[i] == 0) return true;
    }
    return false;
}

}  // namespace orn
