#include "drawing/DDUtils.h"

#include "CoreUtilities/FailureRegister.h"
#include "platform/PortDC.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class DDUtilsTest : public testing::Test {
protected:
    void SetUp() override { ResetFailureRegister(); }
    void TearDown() override
    {
        ReleaseSurfaceInterfaces(record_);
        SetCurrentPort(nullptr);
        ResetFailureRegister();
    }

    OffscreenSurface record_{};
};

std::vector<std::string> LogLines;

void KeepLogLine(const char* line)
{
    LogLines.emplace_back(line);
}

ShortRect Rect(int top, int left, int bottom, int right)
{
    ShortRect r;
    SetShortRect(r, top, left, bottom, right);
    return r;
}

TEST_F(DDUtilsTest, CreateFillsTheRecordAndRefusesEmptyRectangles)
{
    ShortRect r;
    SetShortRect(r, 5, 6, 15, 26);
    ASSERT_TRUE(CreateSurface(r, false, false, record_));
    EXPECT_NE(record_.memory, nullptr);
    EXPECT_EQ(record_.bitsPerPixel, 32);
    EXPECT_EQ(record_.lockCount, 0);
    EXPECT_EQ(record_.bounds.bottom, 10);
    EXPECT_EQ(record_.bounds.right, 20);
    EXPECT_TRUE(EqualShortRects(record_.placement, r));

    ReleaseSurfaceInterfaces(record_);
    SetShortRect(r, 5, 6, 5, 26);
    EXPECT_FALSE(CreateSurface(r, false, false, record_));
    EXPECT_EQ(record_.memory, nullptr);
}

TEST_F(DDUtilsTest, TwoLocksNeedTwoUnlocks)
{
    ShortRect r;
    SetShortRect(r, 0, 0, 4, 4);
    ASSERT_TRUE(CreateSurface(r, false, false, record_));
    ASSERT_TRUE(LockDDSurface(record_));
    ASSERT_TRUE(LockDDSurface(record_));
    ASSERT_TRUE(UnlockDDSurface(record_));
    EXPECT_NE(record_.pixels, nullptr);
    ASSERT_TRUE(UnlockDDSurface(record_));
    EXPECT_EQ(record_.pixels, nullptr);
    EXPECT_EQ(record_.locked, 0);
}

TEST_F(DDUtilsTest, PortDeviceContextIsAcquiredOnceAndReleased)
{
    ShortRect r;
    SetShortRect(r, 0, 0, 4, 4);
    ASSERT_TRUE(CreateSurface(r, false, false, record_));
    EXPECT_FALSE(AcquirePortDC());
    EXPECT_TRUE(PortHasNoDC());
    EXPECT_EQ(SetCurrentPort(&record_), &record_);
    ASSERT_TRUE(AcquirePortDC());
    PortDC* dc = record_.dc;
    ASSERT_NE(dc, nullptr);
    EXPECT_TRUE(dc->DrawsPixels());
    // A second acquisition is refused and keeps the first context.
    EXPECT_FALSE(AcquirePortDC());
    EXPECT_EQ(record_.dc, dc);
    EXPECT_EQ(TakePendingFailure(), 49);
    ReleasePortDC();
    EXPECT_TRUE(PortHasNoDC());
    ReleasePortDC();
}

TEST_F(DDUtilsTest, ReleasingASurfaceWithItsContextClearsTheRecord)
{
    ShortRect r;
    SetShortRect(r, 0, 0, 4, 4);
    ASSERT_TRUE(CreateSurface(r, false, false, record_));
    ASSERT_TRUE(AcquireSurfaceDC(record_));
    ASSERT_TRUE(LockDDSurface(record_));
    ReleaseSurfaceInterfaces(record_);
    EXPECT_EQ(record_.memory, nullptr);
    EXPECT_EQ(record_.dc, nullptr);
    EXPECT_EQ(record_.lockCount, 0);
    EXPECT_FALSE(LockDDSurface(record_));
    EXPECT_EQ(TakePendingFailure(), 49);
    FreeObject(nullptr);
}

TEST_F(DDUtilsTest, ALostSurfaceIsRestoredByTheNextLockOrContext)
{
    ASSERT_TRUE(CreateSurface(Rect(0, 0, 3, 5), false, false, record_));
    record_.memory[7] = 0x123456;
    MarkSurfaceLost(record_);
    EXPECT_EQ(record_.memory, nullptr);
    EXPECT_TRUE(IsSurfaceUsable(&record_));
    // The lock restores it: same size, contents gone, no failure reported.
    ASSERT_TRUE(LockDDSurface(record_));
    EXPECT_EQ(record_.lost, 0);
    EXPECT_EQ(reinterpret_cast<uint32_t*>(record_.pixels)[7], 0u);
    EXPECT_EQ(record_.rowBytes, 20);
    EXPECT_FALSE(IsFailurePending());

    // Lost while locked: the holder keeps writing into memory that stays;
    // the next lock restores it as zeroed pixels.
    record_.memory[7] = 0x654321;
    MarkSurfaceLost(record_);
    ASSERT_NE(record_.memory, nullptr);
    ASSERT_TRUE(UnlockDDSurface(record_));
    ASSERT_TRUE(AcquireSurfaceDC(record_));
    EXPECT_EQ(record_.lost, 0);
    EXPECT_EQ(record_.memory[7], 0u);
    ReleaseSurfaceDC(record_);
    EXPECT_FALSE(IsFailurePending());
}

TEST_F(DDUtilsTest, ALostSurfaceStaysLostDuringADisplayChangeWithoutAReport)
{
    ASSERT_TRUE(CreateSurface(Rect(0, 0, 3, 5), false, false, record_));
    MarkSurfaceLost(record_);
    DisplayChangeInProgress = 1;
    EXPECT_FALSE(LockDDSurface(record_));
    DisplayChangeInProgress = 0;
    EXPECT_FALSE(IsFailurePending());
    EXPECT_EQ(record_.lockCount, 0);
    EXPECT_TRUE(LockDDSurface(record_));
    EXPECT_TRUE(UnlockDDSurface(record_));
}

TEST_F(DDUtilsTest, FailuresAreLoggedByNameWithTheirPlace)
{
    SetDXLogWriter(KeepLogLine);
    LogLines.clear();
    EXPECT_STREQ(DXErrorName(static_cast<int32_t>(0x887601C2)), "DDERR_SURFACELOST");
    EXPECT_STREQ(DXErrorName(static_cast<int32_t>(0x80004005)), "DDERR_GENERIC");
    EXPECT_STREQ(DXErrorName(static_cast<int32_t>(0x887602BC)), "D3DERR_BADMAJORVERSION");
    EXPECT_STREQ(DXErrorName(static_cast<int32_t>(0x88760306)), "D3DERR_VIEWPORTHASNODEVICE");
    EXPECT_STREQ(DXErrorName(0), "Unknown Error Code");
    EXPECT_FALSE(CheckDXResult(0, "a.cpp", 1));
    EXPECT_TRUE(LogLines.empty());
    EXPECT_FALSE(CheckDXResult(1, "a.cpp", 2));
    EXPECT_TRUE(CheckDXResult(DDERR_WRONGMODE, "b.cpp", 3));
    ASSERT_EQ(LogLines.size(), 2u);
    EXPECT_EQ(LogLines[0], "DirectX error 0x1: Unknown Error Code (file=a.cpp, line=2)\r\n");
    EXPECT_EQ(LogLines[1], "DirectX error 0x8876024b: DDERR_WRONGMODE (file=b.cpp, line=3)\r\n");

    // An unlock without a lock is logged and reported.
    ASSERT_TRUE(CreateSurface(Rect(0, 0, 2, 2), false, false, record_));
    EXPECT_FALSE(UnlockDDSurface(record_));
    EXPECT_EQ(TakePendingFailure(), 49);
    ASSERT_EQ(LogLines.size(), 3u);
    EXPECT_NE(LogLines[2].find("DDERR_NOTLOCKED (file="), std::string::npos);
    SetDXLogWriter(nullptr);
}

// A 4 x 5 buffer whose pixel (row, column) holds 10 x row + column.
struct Buffer {
    uint32_t p[5][4];
    Buffer()
    {
        for (int i = 0; i < 5; ++i)
            for (int j = 0; j < 4; ++j)
                p[i][j] = 10 * i + j;
    }
    PixelBuffer View() { return {reinterpret_cast<uint8_t*>(p), 16, 4, 5}; }
    const uint8_t* Bytes() const { return reinterpret_cast<const uint8_t*>(p); }
};

TEST(PixelCopies, RowsLandWhereTheyShouldAndNeverOutsideTheDestination)
{
    {   // bottomUp: the first row of the rectangle goes to y + height - 1.
        Buffer src, dst;
        CopyRectRows(src.Bytes(), 16, Rect(1, 1, 3, 3), dst.View(), 2, 0, true);
        EXPECT_EQ(dst.p[1][2], 11u);
        EXPECT_EQ(dst.p[1][3], 12u);
        EXPECT_EQ(dst.p[0][2], 21u);
        EXPECT_EQ(dst.p[2][2], 22u);  // untouched
    }
    {   // Off every edge: only the part inside is written.
        Buffer src, dst;
        CopyRectRows(src.Bytes(), 16, Rect(0, 0, 5, 4), dst.View(), 2, 3, false);
        EXPECT_EQ(dst.p[3][2], 0u);
        EXPECT_EQ(dst.p[4][3], 11u);
        EXPECT_EQ(dst.p[2][2], 22u);
        CopyRectRows(src.Bytes(), 16, Rect(0, 0, 5, 4), dst.View(), -3, -4, false);
        EXPECT_EQ(dst.p[0][0], 43u);
        EXPECT_EQ(dst.p[0][1], 1u);
        CopyRectRows(src.Bytes(), 16, Rect(0, 0, 5, 4), dst.View(), 30000, 30000, true);
    }
    {   // Odd and even heights flip about their middle.
        Buffer b;
        FlipRowsInPlace(b.View(), Rect(0, 0, 5, 4));
        EXPECT_EQ(b.p[0][1], 41u);
        EXPECT_EQ(b.p[2][1], 21u);
        EXPECT_EQ(b.p[4][1], 1u);
        FlipRowsInPlace(b.View(), Rect(1, 1, 3, 2));
        EXPECT_EQ(b.p[1][1], 21u);
        EXPECT_EQ(b.p[2][1], 31u);
        EXPECT_EQ(b.p[1][0], 30u);
        FlipRowsInPlace(b.View(), Rect(-10, -10, 100, 100));  // clipped to the buffer
        EXPECT_EQ(b.p[4][0], 40u);
    }
    {
        Buffer b;
        FillRect32(b.View(), Rect(3, 2, 9, 9), 7);
        EXPECT_EQ(b.p[3][2], 7u);
        EXPECT_EQ(b.p[4][3], 7u);
        EXPECT_EQ(b.p[3][1], 31u);
        EXPECT_EQ(b.p[2][2], 22u);
    }
    {
        Buffer src, dst;
        CopyRowsReversed(Rect(1, 0, 4, 2), src.Bytes(), 16, dst.View());
        EXPECT_EQ(dst.p[1][0], 30u);
        EXPECT_EQ(dst.p[3][1], 11u);
        EXPECT_EQ(dst.p[1][2], 12u);  // outside the rectangle
        Buffer small;
        PixelBuffer two{small.View().pixels, 16, 4, 2};
        CopyRowsReversed(Rect(0, 0, 5, 4), src.Bytes(), 16, two);  // rows 0, 1 only
        EXPECT_EQ(small.p[0][0], 40u);
        EXPECT_EQ(small.p[1][0], 30u);
        EXPECT_EQ(small.p[2][0], 20u);
    }
}

TEST_F(DDUtilsTest, FlippedSurfaceCopyReversesTheRows)
{
    OffscreenSurface other{};
    ASSERT_TRUE(CreateSurface(Rect(10, 20, 13, 22), false, false, record_));
    ASSERT_TRUE(CreateSurface(Rect(10, 20, 13, 22), false, false, other));
    for (int i = 0; i < 6; ++i)
        record_.memory[i] = i;
    ASSERT_TRUE(CopySurfaceFlipped(record_, other));
    EXPECT_EQ(other.memory[0], 4u);
    EXPECT_EQ(other.memory[3], 3u);
    EXPECT_EQ(other.memory[5], 1u);
    EXPECT_EQ(other.lockCount, 0);
    EXPECT_EQ(record_.lockCount, 0);
    ReleaseSurfaceInterfaces(other);
    EXPECT_FALSE(CopySurfaceFlipped(record_, other));
    EXPECT_EQ(record_.lockCount, 0);
    EXPECT_EQ(TakePendingFailure(), 49);
}

}  // namespace
