// The owning holders: deleting an entry destroys its object, out-of-range indexes do nothing.
#include "registry/owning_lists.h"

#include <gtest/gtest.h>

#include "platform/engine/engine_internal.h"
#include "platform/engine/hge.h"
#include "primitives/sprite.h"

namespace orn {
namespace {

// The same checks for every holder; objects are made by the holder's own kind.
template <typename Holder>
void checkHolder(Holder& holder, void* (*make)()) {
    holder.deleteAll();  // empty: nothing happens
    EXPECT_EQ(holder.entries.count(), 0);

    holder.entries.add("a", make());
    holder.entries.add("b");  // without object
    holder.entries.add("c", make());
    for (int32_t i : {-1, 3, INT32_MIN, INT32_MAX}) holder.deleteAt(i);
    EXPECT_EQ(holder.entries.count(), 3);

    holder.deleteAt(1);
    ASSERT_EQ(holder.entries.count(), 2);
    EXPECT_EQ(holder.entries.text(1), "c");
    holder.deleteAt(0);
    ASSERT_EQ(holder.entries.count(), 1);
    EXPECT_EQ(holder.entries.text(0), "c");
    holder.entries.add("d", make());
    holder.deleteAll();  // the leak checker sees every object freed
    EXPECT_EQ(holder.entries.count(), 0);
}

TEST(OwningListsTest, CollisionCircles) {
    VOXA_COLLISIONCIRCLE holder;
    checkHolder(holder, [] { return static_cast<void*>(new CollisionCircle{1, 2, 3}); });
    holder.entries.add("Circle");
    EXPECT_EQ(holder.entries.indexOf("CIRCLE"), 0);  // case-insensitive
    holder.entries.add("circle");
    EXPECT_EQ(holder.entries.count(), 2);  // duplicates accepted
}

TEST(OwningListsTest, NodePoints) {
    VOXA_NODEPOINT holder;
    checkHolder(holder, [] { return static_cast<void*>(new NodePoint{1, 2}); });
}

TEST(OwningListsTest, NamedObjectsReleaseTheirEngineReference) {
    HGE* hge = hgeCreate(HGE_VERSION);
    ASSERT_NE(hge, nullptr);
    const int before = hge->impl->refs;
    {
        NamedObjectList holder;
        checkHolder(holder, [] { return static_cast<void*>(new hgeSprite(0, 0, 0, 1, 1)); });
        EXPECT_EQ(hge->impl->refs, before);
        holder.entries.add("b", new hgeSprite(0, 0, 0, 1, 1));
        holder.entries.add("a");
        holder.entries.add("A");
        EXPECT_EQ(holder.entries.text(0), "A");  // sorted, case-sensitive
        EXPECT_EQ(holder.entries.text(1), "a");
        EXPECT_EQ(hge->impl->refs, before + 1);
    }  // destruction deletes what is left
    EXPECT_EQ(hge->impl->refs, before);
    EXPECT_EQ(namedObjects.entries.count(), 0);
    hge->release();
}

}  // namespace
}  // namespace orn
