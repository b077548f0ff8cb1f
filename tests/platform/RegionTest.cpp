#include "platform/Region.h"

#include <gtest/gtest.h>

namespace {

ShortRect Rect(int top, int left, int bottom, int right)
{
    ShortRect r;
    SetShortRect(r, top, left, bottom, right);
    return r;
}

TEST(Region, StartsEmptyAndTakesARectangleWithExclusiveEdges)
{
    Region g = NewRegion();
    ASSERT_NE(g, nullptr);
    EXPECT_TRUE(IsRegionEmpty(g));
    EXPECT_FALSE(PointInRegion(ShortPoint{0, 0}, g));
    SetRegionToRect(g, Rect(10, 20, 30, 40));
    EXPECT_TRUE(PointInRegion(ShortPoint{10, 20}, g));
    EXPECT_TRUE(PointInRegion(ShortPoint{29, 39}, g));
    EXPECT_FALSE(PointInRegion(ShortPoint{30, 39}, g));
    EXPECT_FALSE(PointInRegion(ShortPoint{29, 40}, g));
    SetRegionEmpty(g);
    EXPECT_FALSE(PointInRegion(ShortPoint{15, 25}, g));
    DisposeRegion(g);
}

TEST(Region, UnionHoldsBothShapes)
{
    Region a = NewRegion(), b = NewRegion(), sum = NewRegion();
    SetRegionToRect(a, Rect(0, 0, 5, 5));
    SetRegionToRect(b, Rect(10, 10, 12, 12));
    UnionRegions(a, b, sum);
    EXPECT_TRUE(PointInRegion(ShortPoint{4, 4}, sum));
    EXPECT_TRUE(PointInRegion(ShortPoint{11, 11}, sum));
    EXPECT_FALSE(PointInRegion(ShortPoint{7, 7}, sum));
    // The destination may be one of the operands.
    UnionRegions(a, b, a);
    EXPECT_TRUE(PointInRegion(ShortPoint{11, 10}, a));
    DisposeRegion(a);
    DisposeRegion(b);
    DisposeRegion(sum);
}

TEST(Region, NullHandlesAreIgnored)
{
    DisposeRegion(nullptr);
    SetRegionToRect(nullptr, Rect(0, 0, 1, 1));
    EXPECT_FALSE(PointInRegion(ShortPoint{0, 0}, nullptr));
}

}  // namespace
