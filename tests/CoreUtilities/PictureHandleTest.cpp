#include "CoreUtilities/PictureHandle.h"

#include "CoreUtilities/FailureRegister.h"
#include "drawing/DibImage.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

ShortRect Rect(int top, int left, int bottom, int right)
{
    ShortRect r;
    SetShortRect(r, top, left, bottom, right);
    return r;
}

class PictureHandleTest : public testing::Test {
protected:
    void SetUp() override { ResetFailureRegister(); }
    void TearDown() override { ResetFailureRegister(); }
};

TEST_F(PictureHandleTest, HeaderBytesDescribeABottomUp32BitDib)
{
    PictureHandle pic = NewPictureHandle(Rect(0, 0, 20, 10));
    ASSERT_NE(pic, nullptr);
    ASSERT_EQ(GlobalHandleSize(pic), 40u + 4 * 10 * 20);
    const auto* bytes = static_cast<const uint8_t*>(LockGlobalHandle(pic));
    const uint8_t expected[40] = {40, 0, 0, 0, 10, 0, 0, 0, 20, 0, 0, 0, 1, 0, 32, 0};
    EXPECT_EQ(std::memcmp(bytes, expected, 40), 0);
    for (uint32_t i = 40; i < GlobalHandleSize(pic); ++i)
        ASSERT_EQ(bytes[i], 0) << i;
    UnlockGlobalHandle(pic);
    ShortRect bounds{};
    GetPictureBounds(pic, bounds);
    EXPECT_TRUE(EqualShortRects(bounds, Rect(0, 0, 20, 10)));
    FreeGlobalHandle(pic);
}

TEST_F(PictureHandleTest, EmptyNegativeOrHugeSizesGiveNullWithMemoryFailure)
{
    for (ShortRect r : {Rect(0, 0, 0, 10), Rect(0, 0, 10, -4), Rect(5, 5, 0, 0),
                        Rect(-32768, -32768, 32767, 32767), Rect(0, 0, 32767, 32767)}) {
        ResetFailureRegister();
        EXPECT_EQ(AllocPictureHandle(r), nullptr);
        EXPECT_EQ(TakePendingFailure(), 36);
        EXPECT_EQ(NewDibImage(r), nullptr);
    }
}

TEST_F(PictureHandleTest, PlacementIsByTheBottomLeftCorner)
{
    PictureHandle pic = NewPictureHandle(Rect(0, 0, 20, 10));
    // Placed at (h 5, v 40): rows 20 to 39, columns 5 to 14.
    struct Case {
        ShortPoint p;
        bool inside;
    } cases[] = {
        {{20, 5}, true}, {{40, 5}, false}, {{39, 14}, true}, {{39, 15}, false}, {{19, 5}, false}, {{25, 4}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PointInPicture(c.p, pic, 5, 40), c.inside) << c.p.v << ',' << c.p.h;
    EXPECT_TRUE(PictureIntersectsRect(pic, 5, 40, Rect(39, 14, 50, 50)));
    EXPECT_FALSE(PictureIntersectsRect(pic, 5, 40, Rect(40, 0, 50, 50)));
    EXPECT_FALSE(PictureIntersectsRect(pic, 5, 40, Rect(0, 15, 50, 50)));
    FreeGlobalHandle(pic);
}

TEST_F(PictureHandleTest, PixelsFollowTheHeaderAndItsColourTable)
{
    alignas(4) uint8_t block[40 + 64] = {};
    auto* header = reinterpret_cast<DibHeader*>(block);
    header->biSize = 40;
    EXPECT_EQ(GetPackedDibBits(header), block + 40);
    struct Case {
        uint32_t compression, colours;
        size_t offset;
    } cases[] = {{0, 3, 40 + 12}, {1, 3, 40 + 6}, {2, 3, 40 + 3}, {3, 0, 40 + 12}};
    for (const Case& c : cases) {
        header->biCompression = c.compression;
        header->biClrUsed = c.colours;
        EXPECT_EQ(GetPackedDibBits(header), block + c.offset) << c.compression;
    }
}

TEST_F(PictureHandleTest, DuplicateCopiesTheBytesAndRefusesEmptyBlocks)
{
    EXPECT_EQ(DuplicateGlobalHandle(nullptr), nullptr);
    GlobalHandle empty = BudgetGlobalAlloc(0);
    EXPECT_EQ(DuplicateGlobalHandle(empty), nullptr);
    BudgetGlobalFree(empty);

    PictureHandle pic = NewPictureHandle(Rect(0, 0, 2, 3));
    static_cast<uint8_t*>(LockGlobalHandle(pic))[45] = 0x5A;
    UnlockGlobalHandle(pic);
    GlobalHandle copy = DuplicateGlobalHandle(pic);
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(GlobalHandleSize(copy), GlobalHandleSize(pic));
    EXPECT_EQ(std::memcmp(LockGlobalHandle(copy), LockGlobalHandle(pic), GlobalHandleSize(pic)), 0);
    UnlockGlobalHandle(copy);
    UnlockGlobalHandle(pic);
    FreeGlobalHandle(copy);
    FreeGlobalHandle(pic);
}

TEST_F(PictureHandleTest, DibImageHasRowsOfFourBytesAPixelAndTheScreenResolution)
{
    DibImage* d = NewDibImage(Rect(0, 0, 3, 7));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(GetDibImageRowBytes(d), 28);
    EXPECT_EQ(d->header.biSize, 40u);
    EXPECT_EQ(d->header.biWidth, 7);
    EXPECT_EQ(d->header.biHeight, 3);
    EXPECT_EQ(d->header.biBitCount, 32);
    // 96 dots per inch without a screen.
    EXPECT_EQ(d->header.biXPelsPerMeter, 3780);
    GetDibImageBits(d)[3 * 7 - 1] = 1;
    DisposeDibImage(d);
    DisposeDibImage(nullptr);
}

}  // namespace
