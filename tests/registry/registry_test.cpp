// VOXA: numbering, lookup by position, the graphics it creates, and removing objects from its
// object and index lists.
#include "registry/registry.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/engine/engine_internal.h"
#include "platform/engine/hge.h"

namespace orn {
namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { hge = hgeCreate(HGE_VERSION); ASSERT_NE(hge, nullptr); }
    void TearDown() override { hge->release(); }
    HGE* hge = nullptr;
};

struct NumberingCase {
    const char* label;
    std::vector<int32_t> given;     // numbers passed to addGraphic, in order
    std::vector<int32_t> assigned;  // numbers the graphics get
    int32_t last;                   // lastGraphicNumber afterwards
};

TEST_F(RegistryTest, NumbersGraphics) {
    const NumberingCase cases[] = {
        {"automatic", {0, 0, 0}, {1, 2, 3}, 3},
        {"explicit, then automatic, then a free lower one", {10, 0, 5}, {10, 11, 5}, 11},
        {"a taken number becomes the next automatic one", {0, 1, 1}, {1, 2, 3}, 3},
        {"negative is automatic", {-4, 0}, {1, 2}, 2},
        {"taken explicit number after a jump", {7, 7, 3, 3}, {7, 8, 3, 9}, 9},
    };
    for (const NumberingCase& c : cases) {
        VOXA registry;
        for (size_t i = 0; i < c.given.size(); ++i) {
            VOXA_GRAPHICS* graphic = registry.addGraphic("g", 0, 0, 0, 8, 8, 0, 0, c.given[i]);
            EXPECT_EQ(graphic->number, c.assigned[i]) << c.label << " #" << i;
            EXPECT_EQ(registry.graphicAt(static_cast<int32_t>(i)), graphic) << c.label << " #" << i;
            EXPECT_EQ(registry.graphicsByNumber.text(static_cast<int>(i)), std::to_string(c.assigned[i])) << c.label;
        }
        EXPECT_EQ(registry.graphicCount(), static_cast<int32_t>(c.given.size())) << c.label;
        EXPECT_EQ(registry.lastGraphicNumber, c.last) << c.label;
    }
}

TEST_F(RegistryTest, CreatesTheGraphicWithItsSprite) {
    VOXA registry;
    EXPECT_EQ(registry.graphicCount(), 0);
    EXPECT_EQ(registry.originX, 0.0f);
    EXPECT_EQ(registry.originY, 0.0f);
    EXPECT_FALSE(registry.retainSecondaryIndexes);

    VOXA_GRAPHICS* graphic = registry.addGraphic("star.png", 0, 2, 3, 16, 4, 10, 10, 0);
    EXPECT_EQ(graphic->name, "star.png");
    EXPECT_EQ(graphic->owner, &registry);
    EXPECT_EQ(graphic->width, 16.0f);   // above its minimum
    EXPECT_EQ(graphic->height, 10.0f);  // raised to its minimum
    ASSERT_NE(graphic->sprite, nullptr);
    EXPECT_EQ(graphic->sprite->sourceX, 2.0f);
    EXPECT_EQ(graphic->sprite->sourceY, 3.0f);
    EXPECT_EQ(graphic->sprite->width(), 16.0f);
    EXPECT_EQ(graphic->sprite->sourceHeight, 4.0f);  // the sprite keeps the real size
    EXPECT_EQ(graphic->sprite->quad.blend, 2);
    for (const QuadVertex& v : graphic->sprite->quad.v) EXPECT_EQ(v.colour, 0xFFFFFFFFu);
    EXPECT_EQ(graphic->collisionCircles.entries.count(), 0);
    EXPECT_EQ(graphic->nodePoints.entries.count(), 0);
}

TEST_F(RegistryTest, LookupByPositionStaysInBounds) {
    VOXA registry;
    EXPECT_EQ(registry.graphicAt(0), nullptr);
    registry.addGraphic("a", 0, 0, 0, 1, 1, 0, 0, 0);
    registry.addGraphic("b", 0, 0, 0, 1, 1, 0, 0, 0);
    for (int32_t i : {-1, 2, INT32_MIN, INT32_MAX}) EXPECT_EQ(registry.graphicAt(i), nullptr) << i;
    EXPECT_EQ(registry.graphicAt(1)->name, "b");
}

TEST_F(RegistryTest, DuplicateNamesAreBothIndexed) {
    VOXA registry;
    VOXA_GRAPHICS* first = registry.addGraphic("same", 0, 0, 0, 1, 1, 0, 0, 0);
    VOXA_GRAPHICS* second = registry.addGraphic("same", 0, 0, 0, 1, 1, 0, 0, 0);
    registry.addGraphic("Same", 0, 0, 0, 1, 1, 0, 0, 0);
    ASSERT_EQ(registry.graphicsByName.count(), 3);
    EXPECT_EQ(registry.graphicsByName.object(0), first);
    EXPECT_EQ(registry.graphicsByName.object(1), second);
    EXPECT_EQ(registry.graphicsByName.indexOf("same"), 0);
    EXPECT_EQ(registry.graphicsByName.indexOf("Same"), 2);  // case-sensitive
    EXPECT_NE(first->number, second->number);
}

TEST_F(RegistryTest, SortedIndexListsKeepTextOrder) {
    VOXA registry;
    for (int k = 0; k < 8; ++k) {
        registry.indexLists[k].add("b");
        registry.indexLists[k].add("a");
        const bool sorted = k != 5;  // list 6 keeps insertion order
        EXPECT_EQ(registry.indexLists[k].text(0), sorted ? "a" : "b") << "list " << k + 1;
    }
    registry.objects.add("b");
    registry.objects.add("a");
    EXPECT_EQ(registry.objects.text(0), "b");
    registry.objects.clear();
}

// Fills the object list and every index list with entries carrying the object.
void index(VOXA& registry, VOXA_OBJECT* object) {
    registry.objects.add(object->text, object);
    for (StringList& list : registry.indexLists) list.add(object->text, object);
}

TEST_F(RegistryTest, RemovingAnObjectClearsItsIndexEntries) {
    for (bool retain : {false, true}) {
        VOXA registry;
        registry.retainSecondaryIndexes = retain;
        VOXA_OBJECT kept{"kept"};
        VOXA_OBJECT removed{"removed"};
        index(registry, &kept);
        index(registry, &removed);

        registry.removeObject(&removed, true);
        EXPECT_EQ(registry.objects.count(), 1);
        EXPECT_EQ(registry.objects.object(0), &kept);
        for (int k = 0; k < 8; ++k) {
            // Lists 1 and 2 always drop the entry, 3 to 5 unless retained, 6 to 8 keep it empty.
            const bool dropped = k < 2 || (k < 5 && !retain);
            const int at = registry.indexLists[k].indexOf("removed");
            if (dropped) {
                EXPECT_EQ(at, -1) << "list " << k + 1 << " retain " << retain;
            } else {
                ASSERT_GE(at, 0) << "list " << k + 1 << " retain " << retain;
                const void* expected = k < 5 ? static_cast<const void*>(&removed) : nullptr;
                EXPECT_EQ(registry.indexLists[k].object(at), expected) << "list " << k + 1;
            }
            EXPECT_EQ(registry.indexLists[k].object(registry.indexLists[k].indexOf("kept")), &kept);
        }
        // Nothing happens for none or for an object that is not listed.
        registry.removeObject(nullptr, false);
        registry.removeObject(&removed, true);
        EXPECT_EQ(registry.objects.count(), 1);
        registry.objects.clear();
    }
}

TEST_F(RegistryTest, ClearingObjectsDestroysThemUnlessKept) {
    VOXA registry;
    registry.clearObjects(false);  // empty: only the counter
    EXPECT_EQ(registry.objectCounter, 0);

    registry.objectCounter = 5;
    index(registry, new VOXA_OBJECT{"one"});
    index(registry, new VOXA_OBJECT{"two"});
    registry.clearObjects(false);  // destroyed: the leak checker sees them freed
    EXPECT_EQ(registry.objects.count(), 0);
    EXPECT_EQ(registry.indexLists[0].count(), 0);
    EXPECT_EQ(registry.indexLists[7].count(), 2);
    EXPECT_EQ(registry.objectCounter, 0);

    VOXA_OBJECT kept{"kept"};
    index(registry, &kept);
    registry.objects.add("orphan");  // an entry without object does not stop the loop
    registry.clearObjects(true);
    EXPECT_EQ(registry.objects.count(), 0);
}

TEST_F(RegistryTest, EachGraphicSpriteHoldsAnEngineReference) {
    const int before = hge->impl->refs;
    auto* registry = new VOXA();
    registry->addGraphic("a", 0, 0, 0, 1, 1, 0, 0, 0);
    registry->addGraphic("b", 0, 0, 0, 1, 1, 0, 0, 0);
    EXPECT_EQ(hge->impl->refs, before + 2);
    delete registry;
    EXPECT_EQ(hge->impl->refs, before);
}

}  // namespace
}  // namespace orn
