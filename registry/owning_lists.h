// Holders that own objects attached to the entries of a string list: deleting an entry
// destroys its object. No holder is ever given an entry in this program; they run empty.
#pragma once

#include <cstdint>

#include "platform/string_list.h"

namespace orn {

// The screen model (SPRITE, model/screen.h) is the fourth holder, of plain records.

// The plain records a graphic's collision-circle and node-point holders would own.
struct CollisionCircle {
    float x, y;    // centre in sprite pixels
    float radius;  // in sprite pixels
};
struct NodePoint {
    float x, y;  // position in sprite pixels
};

class VOXA_COLLISIONCIRCLE {
public:
    VOXA_COLLISIONCIRCLE();
    ~VOXA_COLLISIONCIRCLE();
    void deleteAt(int32_t i);
    void deleteAll();
    StringList entries;  // unsorted, case-insensitive
};

class VOXA_NODEPOINT {
public:
    VOXA_NODEPOINT();
    ~VOXA_NODEPOINT();
    void deleteAt(int32_t i);
    void deleteAll();
    StringList entries;  // unsorted, case-insensitive
};

// Engine-backed objects by name: each object is an hgeSprite, whose destruction releases its
// engine reference before it is freed.
class NamedObjectList {
public:
    NamedObjectList();
    ~NamedObjectList();
    void deleteAt(int32_t i);
    void deleteAll();
    StringList entries;  // sorted, case-sensitive, duplicates accepted
};

extern NamedObjectList namedObjects;

}  // namespace orn
