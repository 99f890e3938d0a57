// Holders owning the objects attached to their string-list entries: deleting an entry
// destroys its object with it.
#include "registry/owning_lists.h"

#include "primitives/sprite.h"

namespace orn {

NamedObjectList namedObjects;

VOXA_COLLISIONCIRCLE::VOXA_COLLISIONCIRCLE() : entries(false, false, true, true) { deleteAll(); }

VOXA_COLLISIONCIRCLE::~VOXA_COLLISIONCIRCLE() { deleteAll(); }

void VOXA_COLLISIONCIRCLE::deleteAt(int32_t i) {
    if (i < 0 || i >= entries.count()) return;
    delete static_cast<CollisionCircle*>(entries.object(i));
    entries.remove(i);
}

void VOXA_COLLISIONCIRCLE::deleteAll() {
    while (entries.count() > 0) deleteAt(0);
}

VOXA_NODEPOINT::VOXA_NODEPOINT() : entries(false, false, true, true) { deleteAll(); }

VOXA_NODEPOINT::~VOXA_NODEPOINT() { deleteAll(); }

void VOXA_NODEPOINT::deleteAt(int32_t i) {
    if (i < 0 || i >= entries.count()) return;
    delete static_cast<NodePoint*>(entries.object(i));
    entries.remove(i);
}

void VOXA_NODEPOINT::deleteAll() {
    while (entries.count() > 0) deleteAt(0);
}

NamedObjectList::NamedObjectList() : entries(true, true, false, true) { deleteAll(); }

NamedObjectList::~NamedObjectList() { deleteAll(); }

void NamedObjectList::deleteAt(int32_t i) {
    if (i < 0 || i >= entries.count()) return;
    // The sprite's destructor gives back its engine reference.
    delete static_cast<hgeSprite*>(entries.object(i));
    entries.remove(i);
}

void NamedObjectList::deleteAll() {
    while (entries.count() > 0) deleteAt(0);
}

}  // namespace orn
