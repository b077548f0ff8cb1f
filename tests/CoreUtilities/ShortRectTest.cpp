#include "CoreUtilities/ShortRect.h"

#include <gtest/gtest.h>

namespace {

ShortRect Rect(int top, int left, int bottom, int right)
{
    ShortRect r;
    SetShortRect(r, top, left, bottom, right);
    return r;
}

void ExpectRect(const ShortRect& r, int top, int left, int bottom, int right)
{
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.bottom, bottom);
    EXPECT_EQ(r.right, right);
}

TEST(ShortRect, EmptinessNeedsTopBelowBottomAndLeftBeforeRight)
{
    struct Case {
        ShortRect r;
        bool empty;
    } cases[] = {
        {Rect(0, 0, 1, 1), false},  {Rect(5, 0, 5, 10), true},  {Rect(0, 7, 10, 7), true},
        {Rect(0, 8, 10, 2), true},  {Rect(9, 0, 2, 10), true},  {Rect(-3, -3, -1, -1), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsShortRectEmpty(c.r), c.empty) << c.r.top << ' ' << c.r.left << ' ' << c.r.bottom << ' ' << c.r.right;
}

TEST(ShortRect, SetStoresUnorderedCoordinatesAsGiven)
{
    ExpectRect(Rect(10, 20, 0, 5), 10, 20, 0, 5);
}

TEST(ShortRect, InsetNeverInverts)
{
    ShortRect r = Rect(0, 0, 10, 10);
    InsetShortRect(r, 6, 6);
    ExpectRect(r, 6, 6, 6, 6);
    EXPECT_TRUE(IsShortRectEmpty(r));

    r = Rect(0, 0, 10, 20);
    InsetShortRect(r, 2, 1);
    ExpectRect(r, 1, 2, 9, 18);
    InsetShortRect(r, -3, -4);
    ExpectRect(r, -3, -1, 13, 21);
}

TEST(ShortRect, OffsetMovesBothEdges)
{
    ShortRect r = Rect(1, 2, 3, 4);
    OffsetShortRect(r, 10, -20);
    ExpectRect(r, -19, 12, -17, 14);
}

TEST(ShortRect, PointsOnTheBottomRowOrRightColumnAreOutside)
{
    ShortRect r = Rect(0, 0, 20, 30);
    EXPECT_TRUE(PointInShortRect(ShortPoint{0, 0}, r));
    EXPECT_TRUE(PointInShortRect(ShortPoint{19, 29}, r));
    EXPECT_FALSE(PointInShortRect(ShortPoint{20, 5}, r));
    EXPECT_FALSE(PointInShortRect(ShortPoint{5, 30}, r));
    EXPECT_FALSE(PointInShortRect(ShortPoint{-1, 5}, r));
}

TEST(ShortRect, IntersectionIsTheCommonPartOrAllZero)
{
    ShortRect out = Rect(9, 9, 9, 9);
    EXPECT_TRUE(IntersectShortRects(Rect(0, 0, 10, 10), Rect(5, -5, 15, 7), out));
    ExpectRect(out, 5, 0, 10, 7);
    // Touching edges share nothing (exclusive bottom and right).
    EXPECT_FALSE(IntersectShortRects(Rect(0, 0, 10, 10), Rect(10, 0, 20, 10), out));
    ExpectRect(out, 0, 0, 0, 0);
    out = Rect(9, 9, 9, 9);
    EXPECT_FALSE(IntersectShortRects(Rect(0, 0, 10, 10), Rect(3, 3, 3, 8), out));
    ExpectRect(out, 0, 0, 0, 0);
}

TEST(ShortRect, PinPointClampsIntoTheLastInsideRowAndColumn)
{
    ShortRect r = Rect(0, 0, 20, 30);
    struct Case {
        ShortPoint in, out;
    } cases[] = {
        {{50, -3}, {19, 0}}, {{-7, 30}, {0, 29}}, {{19, 29}, {19, 29}}, {{20, 31}, {19, 29}}, {{4, 5}, {4, 5}},
    };
    for (const Case& c : cases) {
        ShortPoint p{};
        PinPointToRect(p, r, c.in);
        EXPECT_EQ(p.v, c.out.v);
        EXPECT_EQ(p.h, c.out.h);
    }
}

TEST(ShortRect, EqualityComparesAllFourCoordinates)
{
    EXPECT_TRUE(EqualShortRects(Rect(1, 2, 3, 4), Rect(1, 2, 3, 4)));
    EXPECT_FALSE(EqualShortRects(Rect(1, 2, 3, 4), Rect(1, 2, 3, 5)));
    EXPECT_FALSE(EqualShortRects(Rect(0, 0, 0, 0), Rect(1, 1, 1, 1)));
}

TEST(ShortRect, PointTravelsWithRowInTheLowHalf)
{
    ShortPoint p{-2, 300};
    uint32_t word = PackShortPoint(p);
    EXPECT_EQ(word, 0x012CFFFEu);
    ShortPoint back = UnpackShortPoint(word);
    EXPECT_EQ(back.v, -2);
    EXPECT_EQ(back.h, 300);
}

TEST(ShortRect, ConversionsSaturateAtTheSixteenBitLimits)
{
    ShortRect r{};
    RECTToShortRect(RECT{-40000, 32767, 40000, -32768}, r);
    ExpectRect(r, 32767, -32768, -32768, 32767);
    RECTToShortRect(RECT{1, 2, 3, 4}, r);
    ExpectRect(r, 2, 1, 4, 3);

    RECT rc{};
    ShortRectToRECT(Rect(-32768, -5, 32767, 7), rc);
    EXPECT_EQ(rc.top, -32768);
    EXPECT_EQ(rc.left, -5);
    EXPECT_EQ(rc.bottom, 32767);
    EXPECT_EQ(rc.right, 7);

    ShortPoint p{};
    POINTToShortPoint(POINT{70000, -1}, p);
    EXPECT_EQ(p.h, 32767);
    EXPECT_EQ(p.v, -1);
    POINT pt{};
    ShortPointToPOINT(ShortPoint{-32768, 12}, pt);
    EXPECT_EQ(pt.x, 12);
    EXPECT_EQ(pt.y, -32768);
}

}  // namespace
