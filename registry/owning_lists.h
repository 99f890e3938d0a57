// Holders that own objects attached to the entries of a string list: deleting an entry
// destroys its object. No holder is ever given an entry in this program; they run empty.
#pragma once

#include <cstdint>

#include "platform/string_list.h"

namespace orn {

// The screen model (SPRITE, model/screen.h) is the fourth holder, of plain records.

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

// Engine-backed objects by name; destroying one releases its engine reference.
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
