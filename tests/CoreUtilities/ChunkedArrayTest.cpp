#include "CoreUtilities/ChunkedArray.h"
#include "CoreUtilities/PagedBuffer.h"

#include "support/BudgetRefusal.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Point3 {
    double x, y, z;
};
using PointArray = ChunkedArray<Point3>;

Point3 PointOf(int32_t i)
{
    return {double(i), -double(i), 0.5 * i};
}

class ChunkedArrayTest : public testing::Test {
protected:
    PointArray points;
    void TearDown() override { points.Clear(); }
};

TEST_F(ChunkedArrayTest, AtCrossesBlockEdgeAndAddressesStayPut)
{
    static_assert(PointArray::kBlockBytes == 24576);
    std::vector<const Point3*> addresses;
    for (int32_t i = 0; i < 3000; ++i) {
        ASSERT_EQ(points.Push(PointOf(i)), 0);
        addresses.push_back(points.At(i));
    }
    EXPECT_EQ(points.count, 3000);
    EXPECT_EQ(points.blocks.count, 3);
    EXPECT_EQ(points.usedInLastBlock, 3000 - 2048);
    // Slot 1,023 ends the first block; 1,024 is slot 0 of the second.
    EXPECT_EQ(points.At(1023), static_cast<Point3*>(points.blocks[0]) + 1023);
    EXPECT_EQ(points.At(1024), static_cast<Point3*>(points.blocks[1]));
    for (int32_t i = 0; i < 3000; ++i) {
        ASSERT_EQ(points.At(i), addresses[i]) << "element " << i << " moved";
        ASSERT_EQ(points.At(i)->x, double(i));
        ASSERT_EQ(points.At(i)->z, 0.5 * i);
    }
}

TEST_F(ChunkedArrayTest, FreshBlockIsZeroedAndSpareKeepsWhatItHeld)
{
    ASSERT_EQ(points.Push(PointOf(7)), 0);
    EXPECT_EQ(points.At(1)->x, 0.0);
    EXPECT_EQ(points.At(1023)->z, 0.0);

    // A spare block left from earlier use is taken before the budget is asked.
    auto* spare = static_cast<Point3*>(BudgetMalloc(PointArray::kBlockBytes, false));
    ASSERT_NE(spare, nullptr);
    for (int32_t i = 0; i < 1024; ++i)
        spare[i] = {-1.0, -2.0, -3.0};
    points.spare = spare;
    for (int32_t i = 1; i <= 1024; ++i)
        ASSERT_EQ(points.Push(PointOf(i)), 0);
    EXPECT_EQ(points.spare, nullptr);
    EXPECT_EQ(points.At(1024), spare);
    EXPECT_EQ(points.At(1024)->x, 1024.0);
    EXPECT_EQ(points.At(1025)->x, -1.0);
}

TEST_F(ChunkedArrayTest, RefusedPushLeavesArrayAsItWas)
{
    // A block refused by the budget.
    {
        BudgetRefusal refusal;
        EXPECT_EQ(points.Push(PointOf(0)), 1);
    }
    EXPECT_EQ(points.count, 0);
    EXPECT_EQ(points.blocks.count, 0);
    EXPECT_EQ(points.blocks.storage, nullptr);

    // A block list that cannot grow past 16 blocks: the spare stays the spare.
    for (int32_t i = 0; i < 16 * 1024; ++i)
        ASSERT_EQ(points.Push(PointOf(i)), 0);
    void* spare = BudgetMalloc(PointArray::kBlockBytes, true);
    points.spare = spare;
    {
        BudgetRefusal refusal;
        EXPECT_EQ(points.Push(PointOf(-1)), 1);
    }
    EXPECT_EQ(points.spare, spare);
    EXPECT_EQ(points.count, 16 * 1024);
    EXPECT_EQ(points.blocks.count, 16);
    EXPECT_EQ(points.usedInLastBlock, 1024);
    ASSERT_EQ(points.Push(PointOf(16 * 1024)), 0);
    EXPECT_EQ(points.At(16 * 1024)->x, 16.0 * 1024);
}

TEST(ChunkedArray, ClearFreesBlocksListAndSpareAndCanRefill)
{
    const double before = MemoryBudgetCount();
    ChunkedArray<uint32_t, kMeshBlockLength> triangles;
    for (uint32_t i = 0; i < 9000; ++i)
        ASSERT_EQ(triangles.Push(i), 0);
    triangles.spare = BudgetMalloc(decltype(triangles)::kBlockBytes, true);
    triangles.Clear();
    EXPECT_EQ(triangles.blocks.storage, nullptr);
    EXPECT_EQ(triangles.blocks.count, 0);
    EXPECT_EQ(triangles.spare, nullptr);
    EXPECT_EQ(triangles.count, 0);
    EXPECT_EQ(triangles.usedInLastBlock, 0);
    EXPECT_EQ(MemoryBudgetCount(), before);
    ASSERT_EQ(triangles.Push(42u), 0);
    EXPECT_EQ(*triangles.At(0), 42u);
    triangles.Clear();
}

TEST(PagedBuffer, ByteAtCrossesPageEdgeAndFreeEmpties)
{
    const double before = MemoryBudgetCount();
    PagedBuffer buffer;
    for (int32_t i = 0; i < 2500; ++i)
        ASSERT_EQ(buffer.Push(static_cast<uint8_t>(i * 7)), 0);
    EXPECT_EQ(buffer.blocks.count, 3);
    EXPECT_EQ(buffer.ByteAt(1023), static_cast<uint8_t*>(buffer.blocks[0]) + 1023);
    EXPECT_EQ(buffer.ByteAt(1024), static_cast<uint8_t*>(buffer.blocks[1]));
    for (int32_t i = 0; i < 2500; ++i)
        ASSERT_EQ(*buffer.ByteAt(i), static_cast<uint8_t>(i * 7));
    buffer.Free();
    EXPECT_EQ(buffer.count, 0);
    EXPECT_EQ(buffer.blocks.storage, nullptr);
    EXPECT_EQ(MemoryBudgetCount(), before);
}

}  // namespace
