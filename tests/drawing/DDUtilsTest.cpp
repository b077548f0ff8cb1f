#include "drawing/DDUtils.h"

#include "CoreUtilities/FailureRegister.h"
#include "platform/PortDC.h"

#include <gtest/gtest.h>

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

}  // namespace
