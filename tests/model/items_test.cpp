// The item double buffer: appends and their bounds, releases, roles, and big arrays.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "model/items.h"

namespace {

using namespace orn;

class Buffers : public testing::Test {
protected:
    void TearDown() override {
        releaseBuffer(0);
        releaseBuffer(1);
        activeBuffer = 0;
        itemArrayLimitBytes = INT64_MAX;
    }
};

TEST_F(Buffers, FirstAppendSetsEveryBoundAndFullBufferDropsAppends) {
    ASSERT_TRUE(allocateBuffer(1, 2));
    ItemBuffer& b = selectBuffer(1);
    // A fresh buffer has bounds 0; the first append replaces them whatever its values.
    appendItem(1, 5, 7, 3, 0.5f, 2, 9);
    EXPECT_EQ(b.count, 1);
    EXPECT_EQ(b.minX, 5);
    EXPECT_EQ(b.maxX, 5);
    EXPECT_EQ(b.minY, 7);
    EXPECT_EQ(b.maxY, 7);
    EXPECT_EQ(b.minScale, 2);
    EXPECT_EQ(b.maxScale, 2);
    appendItem(1, -1, 9, 0, 0, 0.5f, 0);
    EXPECT_EQ(b.minX, -1);
    EXPECT_EQ(b.maxX, 5);
    EXPECT_EQ(b.maxY, 9);
    EXPECT_EQ(b.minScale, 0.5f);
    EXPECT_EQ(itemAt(1, 0).sprite, 3);
    EXPECT_EQ(itemAt(1, 0).colour, 9);
    EXPECT_EQ(itemAt(1, 1).x, -1);

    appendItem(1, 1000, -1000, 0, 0, 100, 0);
    EXPECT_EQ(b.count, 2);
    EXPECT_EQ(b.maxX, 5);
    EXPECT_EQ(b.minY, 7);
    EXPECT_EQ(b.maxScale, 2);
}

TEST_F(Buffers, NotANumberAlwaysLandsInTheBounds) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    ASSERT_TRUE(allocateBuffer(1, 3));
    ItemBuffer& b = selectBuffer(1);
    appendItem(1, 1, 1, 0, 0, 1, 0);
    appendItem(1, nan, 2, 0, 0, 1, 0);
    EXPECT_TRUE(std::isnan(b.minX));
    EXPECT_TRUE(std::isnan(b.maxX));
    // Once a bound is not a number, the next value replaces it.
    appendItem(1, 3, 2, 0, 0, 1, 0);
    EXPECT_EQ(b.minX, 3);
    EXPECT_EQ(b.maxX, 3);
}

TEST_F(Buffers, ReleaseZeroSizeAndRoles) {
    releaseBuffer(0);  // no array: harmless
    EXPECT_EQ(bufferCapacity(0), 0);

    ASSERT_TRUE(allocateBuffer(1, 0));
    appendItem(1, 1, 1, 0, 0, 1, 0);
    EXPECT_EQ(selectBuffer(1).count, 0);
    EXPECT_EQ(selectBuffer(1).items, nullptr);

    ASSERT_TRUE(allocateBuffer(1, 3));
    appendItem(1, 4, 4, 0, 0, 1, 0);
    Item* newest = selectBuffer(1).items;
    activeBuffer = 1;
    EXPECT_EQ(selectBuffer(0).items, newest);
    EXPECT_EQ(bufferCapacity(0), 3);
    EXPECT_EQ(bufferCapacity(1), 0);

    releaseBuffer(0);
    const ItemBuffer& b = selectBuffer(0);
    EXPECT_EQ(b.count, 0);
    EXPECT_EQ(b.capacity, 0);
    EXPECT_EQ(b.items, nullptr);
    EXPECT_EQ(b.maxX, 0);
}

TEST_F(Buffers, BigGenerationIsOneHugePageAlignedArray) {
    const int32_t n = 1 << 20;  // 24 MiB
    ASSERT_TRUE(allocateBuffer(1, n));
    const ItemBuffer& b = selectBuffer(1);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b.items) % (2u << 20), 0u);
    for (int32_t i = 0; i < n; ++i) appendItem(1, static_cast<float>(i), 0, 0, 0, 1, i & 255);
    EXPECT_EQ(b.count, n);
    EXPECT_EQ(b.maxX, static_cast<float>(n - 1));
    EXPECT_EQ(itemAt(1, n - 1).colour, (n - 1) & 255);
}

TEST_F(Buffers, AllocationFailureLeavesAnEmptyBuffer) {
    ASSERT_TRUE(allocateBuffer(1, 4));
    itemArrayLimitBytes = 24 * 100;
    EXPECT_TRUE(allocateBuffer(1, 100));
    EXPECT_FALSE(allocateBuffer(1, 101));
    EXPECT_EQ(bufferCapacity(1), 0);
    EXPECT_EQ(selectBuffer(1).items, nullptr);
    appendItem(1, 1, 1, 0, 0, 1, 0);
    EXPECT_EQ(selectBuffer(1).count, 0);
}

}  // namespace
