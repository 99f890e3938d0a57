// VOXA: the registry of numbered, named graphics that screens pick their sprite images from,
// carrying the view origin the render pass adds to every item position.
#pragma once

#include <cstdint>
#include <string>

#include "platform/string_list.h"
#include "primitives/sprite.h"
#include "registry/owning_lists.h"

namespace orn {

class VOXA;

class VOXA_GRAPHICS {
public:
    VOXA_GRAPHICS(VOXA* owner, const std::string& name, int32_t number, HTEXTURE texture,
                  float x, float y, float width, float height, float minWidth, float minHeight);
    ~VOXA_GRAPHICS();
    std::string name;                       // name given to addGraphic
    int32_t number;                         // its number
    hgeSprite* sprite;                      // owned
    VOXA_COLLISIONCIRCLE collisionCircles;  // empty in this program
    VOXA_NODEPOINT nodePoints;              // empty in this program
    float width, height;                    // size raised to the minimum
    VOXA* owner;                            // the registry that made it
};

// Scene object the object lists index; nothing in this program creates one.
class VOXA_OBJECT {
public:
    std::string text;  // the object's key text
};

class VOXA {
public:
    VOXA();
    ~VOXA();
    VOXA_GRAPHICS* addGraphic(const std::string& name, HTEXTURE texture, float x, float y, float width,
                              float height, float minWidth, float minHeight, int32_t number);
    int32_t graphicCount() const;
    // Constant time; null outside 0..graphicCount()-1.
    VOXA_GRAPHICS* graphicAt(int32_t i) const;
    void removeObject(VOXA_OBJECT* object, bool keep);
    void clearObjects(bool keep);

    StringList objects;            // one entry per object
    StringList indexLists[8];      // index lists 1..8 (sorted: 1-5, 7, 8)
    StringList graphicsByNumber;   // decimal number -> graphic
    StringList graphicsByName;     // name -> graphic
    int32_t objectCounter;
    int32_t lastGraphicNumber;     // highest number handed out
    float originX, originY;        // view offset added to world positions
    bool retainSecondaryIndexes;
};

extern VOXA* registry;

}  // namespace orn
