// VOXA: numbered, named graphics, each owning the sprite of one image, looked up by position
// for every painted item; the object lists run empty in this program.
#include "registry/registry.h"

#include <string>

namespace orn {

VOXA* registry = nullptr;

namespace {

// Every list of the registry is hashed, case-sensitive and accepts duplicates.
StringList registryList(bool sorted) { return StringList(sorted, true, true, true); }

}  // namespace

VOXA_GRAPHICS::VOXA_GRAPHICS(VOXA* owner, const std::string& name, int32_t number, HTEXTURE texture, float x,
                             float y, float width, float height, float minWidth, float minHeight)
    : name(name), number(number), sprite(new hgeSprite(texture, x, y, width, height)), collisionCircles(),
      nodePoints(), width(width < minWidth ? minWidth : width), height(height < minHeight ? minHeight : height),
      owner(owner) {
    sprite->tint(0xFFFFFFFF, -1);
    sprite->setBlend(BLEND_ALPHA);
}

VOXA_GRAPHICS::~VOXA_GRAPHICS() { delete sprite; }

VOXA::VOXA()
    : objects(registryList(false)),
      indexLists{registryList(true), registryList(true), registryList(true), registryList(true),
                 registryList(true), registryList(false), registryList(true), registryList(true)},
      graphicsByNumber(registryList(false)),
      graphicsByName(registryList(false)),
      objectCounter(0),
      lastGraphicNumber(0),
      originX(0.0f),
      originY(0.0f),
      retainSecondaryIndexes(false) {}

// The registry owns its graphics and whatever objects are still listed.
VOXA::~VOXA() {
    clearObjects(false);
    for (int i = 0; i < graphicsByNumber.count(); ++i) delete static_cast<VOXA_GRAPHICS*>(graphicsByNumber.object(i));
    graphicsByNumber.clear();
    graphicsByName.clear();
}

VOXA_GRAPHICS* VOXA::addGraphic(const std::string& name, HTEXTURE texture, float x, float y, float width,
                                float height, float minWidth, float minHeight, int32_t number) {
    if (number <= 0 || graphicsByNumber.indexOf(std::to_string(number)) >= 0) {
        lastGraphicNumber += 1;
        number = lastGraphicNumber;
    } else if (lastGraphicNumber < number) {
        lastGraphicNumber = number;
    }
    auto* graphic = new VOXA_GRAPHICS(this, name, number, texture, x, y, width, height, minWidth, minHeight);
    graphicsByNumber.add(std::to_string(number), graphic);
    graphicsByName.add(name, graphic);
    return graphic;
}

int32_t VOXA::graphicCount() const { return graphicsByNumber.count(); }

VOXA_GRAPHICS* VOXA::graphicAt(int32_t i) const {
    if (i < 0 || i >= graphicsByNumber.count()) return nullptr;
    return static_cast<VOXA_GRAPHICS*>(graphicsByNumber.object(i));
}

void VOXA::removeObject(VOXA_OBJECT* object, bool keep) {
    if (object == nullptr) return;
    const int at = objects.indexOfObject(object);
    if (at < 0) return;
    objects.setObject(at, nullptr);
    objects.remove(at);

    // Index lists 1 and 2 always lose their entry; 3 to 5 only when they are not retained.
    const int removing = retainSecondaryIndexes ? 2 : 5;
    for (int k = 0; k < removing; ++k) {
        const int i = indexLists[k].indexOfObject(object);
        if (i >= 0) {
            indexLists[k].setObject(i, nullptr);
            indexLists[k].remove(i);
        }
    }
    // Index lists 6 to 8 keep the entry and its text, only without the object.
    for (int k = 5; k < 8; ++k) {
        const int i = indexLists[k].indexOfObject(object);
        if (i >= 0) indexLists[k].setObject(i, nullptr);
    }
    if (!keep) delete object;
}

void VOXA::clearObjects(bool keep) {
    while (objects.count() > 0) {
        const int before = objects.count();
        removeObject(static_cast<VOXA_OBJECT*>(objects.object(0)), keep);
        // An entry without object cannot be removed by removeObject; drop it so the loop ends.
        if (objects.count() == before) objects.remove(0);
    }
    objectCounter = 0;
}

}  // namespace orn
