#include "drawing/OffscreenSurface.h"

#include "CoreUtilities/FailureRegister.h"
#include "drawing/DDUtils.h"
#include "support/PortFixture.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct SurfaceFree {
    void operator()(OffscreenSurface* s) const { DisposeOffscreenSurface(s); }
};
using SurfacePtr = std::unique_ptr<OffscreenSurface, SurfaceFree>;

ShortRect Rect(int top, int left, int bottom, int right)
{
    ShortRect r;
    SetShortRect(r, top, left, bottom, right);
    return r;
}

uint32_t& Pixel(OffscreenSurface* s, int row, int column)
{
    return s->memory[static_cast<size_t>(row) * ShortRectWidth(s->bounds) + column];
}

class OffscreenSurfaceTest : public testing::Test {
protected:
    void SetUp() override { ResetFailureRegister(); }
    void TearDown() override { ResetFailureRegister(); }
};

TEST_F(OffscreenSurfaceTest, NewSurfaceIsPlacedAndUnlocked)
{
    SurfacePtr s(MakeSurface(40, 10, 140, 210));
    ASSERT_TRUE(s);
    EXPECT_FALSE(IsNullSurface(s.get()));
    EXPECT_EQ(s->bitsPerPixel, 32);
    ShortRect b = GetSurfaceBounds(s.get()), p = GetSurfacePlacement(s.get());
    EXPECT_TRUE(EqualShortRects(b, Rect(0, 0, 100, 200)));
    EXPECT_TRUE(EqualShortRects(p, Rect(40, 10, 140, 210)));
    EXPECT_FALSE(IsSurfaceLocked(s.get()));
    EXPECT_EQ(GetSurfaceBaseAddress(s.get()), nullptr);
    EXPECT_EQ(GetSurfaceRowBytes(s.get()), 0);
}

TEST_F(OffscreenSurfaceTest, EmptyOrHugeSizesGiveNullAndRenderingError)
{
    for (ShortRect r : {Rect(0, 0, 0, 10), Rect(0, 0, 10, 0), Rect(10, 0, 0, 10), Rect(0, 10, 10, 0),
                        Rect(-32768, -32768, 32767, 32767)}) {
        ResetFailureRegister();
        EXPECT_EQ(NewOffscreenSurface(r), nullptr);
        EXPECT_EQ(TakePendingFailure(), 49);
    }
}

TEST_F(OffscreenSurfaceTest, LocksNestAndOnlyTheLastUnlockForgetsThePixels)
{
    SurfacePtr s(MakeSurface(0, 0, 3, 5));
    ASSERT_TRUE(LockSurface(s.get()));
    ASSERT_TRUE(LockSurfacePixels(s.get()));
    EXPECT_EQ(s->lockCount, 2);
    EXPECT_EQ(GetSurfaceRowBytes(s.get()), 20);
    EXPECT_NE(GetSurfaceBaseAddress(s.get()), nullptr);
    EXPECT_TRUE(UnlockSurface(s.get()));
    EXPECT_TRUE(IsSurfaceLocked(s.get()));
    EXPECT_NE(GetSurfaceBaseAddress(s.get()), nullptr);
    EXPECT_TRUE(UnlockSurface(s.get()));
    EXPECT_FALSE(IsSurfaceLocked(s.get()));
    EXPECT_EQ(GetSurfaceBaseAddress(s.get()), nullptr);
    EXPECT_EQ(GetSurfaceRowBytes(s.get()), 0);
    // An unlock without a lock is a rendering error, not a negative count.
    EXPECT_FALSE(UnlockSurface(s.get()));
    EXPECT_EQ(s->lockCount, 0);
    EXPECT_EQ(TakePendingFailure(), 49);
}

TEST_F(OffscreenSurfaceTest, NullSurfacesAreHandled)
{
    DisposeOffscreenSurface(nullptr);
    EXPECT_TRUE(IsNullSurface(nullptr));
    EXPECT_FALSE(LockSurface(nullptr));
    EXPECT_FALSE(UnlockSurface(nullptr));
    EXPECT_FALSE(IsSurfaceUsable(nullptr));
}

// Fills a surface with a pattern whose 2x2 averages are known.
void FillPattern(OffscreenSurface* s)
{
    for (int y = 0; y < ShortRectHeight(s->bounds); ++y)
        for (int x = 0; x < ShortRectWidth(s->bounds); ++x)
            Pixel(s, y, x) = 0xFF000000u | ((x * 7 + y * 3) & 0xFF) << 16 | ((x * y) & 0xFF) << 8 | ((y * 5) & 0xFF);
}

uint32_t Average(OffscreenSurface* s, int row, int column)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t sum = 0;
        for (int a = 0; a < 2; ++a)
            for (int b = 0; b < 2; ++b)
                sum += (Pixel(s, row + a, column + b) >> shift) & 0xFF;
        out |= (sum >> 2) << shift;
    }
    return out;
}

TEST_F(OffscreenSurfaceTest, HalfSizeCopyAveragesEachTwoByTwoBlockWhereverTheSurfacesArePlaced)
{
    // Placements away from the origin, odd ones included.
    for (ShortPoint origin : {ShortPoint{0, 0}, ShortPoint{7, 13}, ShortPoint{30, 4}}) {
        SurfacePtr src(MakeSurface(origin.v, origin.h, origin.v + 110, origin.h + 210));
        SurfacePtr reference(MakeSurface(0, 0, 110, 210));
        SurfacePtr dst(MakeSurface(5, 3, 65, 113));
        ASSERT_TRUE(src && reference && dst);
        FillPattern(src.get());
        FillPattern(reference.get());
        // Source rectangle 200 x 100 at local (5, 3), in window coordinates.
        ShortRect from = Rect(origin.v + 5, origin.h + 3, origin.v + 105, origin.h + 203);
        ShortRect to = Rect(8, 6, 58, 106);
        ASSERT_EQ(CopySurfaceRect(src.get(), dst.get(), from, to), 0);
        for (int i = 0; i < 50; ++i)
            for (int j = 0; j < 100; ++j)
                ASSERT_EQ(Pixel(dst.get(), 3 + i, 3 + j), Average(reference.get(), 5 + 2 * i, 3 + 2 * j))
                    << "origin " << origin.v << ',' << origin.h << " at " << i << ',' << j;
    }
}

TEST_F(OffscreenSurfaceTest, OtherSizesStretchWithoutReducingTheSource)
{
    SurfacePtr src(MakeSurface(0, 0, 100, 200));
    SurfacePtr dst(MakeSurface(0, 0, 60, 100));
    FillPattern(src.get());
    SurfacePtr reference(MakeSurface(0, 0, 100, 200));
    FillPattern(reference.get());
    ASSERT_EQ(CopySurfaceRect(src.get(), dst.get(), Rect(0, 0, 100, 200), Rect(0, 0, 60, 100)), 0);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(Pixel(src.get(), y, x), Pixel(reference.get(), y, x));
    EXPECT_EQ(Pixel(dst.get(), 0, 0), Pixel(src.get(), 0, 0));
    EXPECT_EQ(Pixel(dst.get(), 59, 99), Pixel(src.get(), 59 * 100 / 60, 99 * 200 / 100));
}

TEST_F(OffscreenSurfaceTest, SameSizeCopyMovesTheBlockExactly)
{
    SurfacePtr src(MakeSurface(10, 10, 30, 40));
    SurfacePtr dst(MakeSurface(0, 0, 20, 30));
    FillPattern(src.get());
    ASSERT_EQ(CopySurfaceRect(src.get(), dst.get(), Rect(12, 15, 17, 25), Rect(1, 2, 6, 12)), 0);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 10; ++j)
            ASSERT_EQ(Pixel(dst.get(), 1 + i, 2 + j), Pixel(src.get(), 2 + i, 5 + j));
    EXPECT_EQ(Pixel(dst.get(), 0, 0), 0u);
}

TEST_F(OffscreenSurfaceTest, RectanglesOffTheSurfacesAreRefusedWithoutWriting)
{
    SurfacePtr src(MakeSurface(0, 0, 10, 10));
    SurfacePtr dst(MakeSurface(0, 0, 10, 10));
    FillPattern(src.get());
    EXPECT_NE(CopySurfaceRect(src.get(), dst.get(), Rect(5, 5, 15, 15), Rect(0, 0, 10, 10)), 0);
    EXPECT_EQ(TakePendingFailure(), 49);
    ResetFailureRegister();
    EXPECT_NE(CopySurfaceRect(src.get(), dst.get(), Rect(0, 0, 4, 4), Rect(-1, -1, 3, 3)), 0);
    EXPECT_EQ(TakePendingFailure(), 49);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(Pixel(dst.get(), y, x), 0u);
}

TEST_F(OffscreenSurfaceTest, DownsampleWritesAlphaZeroFromTheHalfCorner)
{
    SurfacePtr s(MakeSurface(0, 0, 4, 8));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            Pixel(s.get(), y, x) = 0xFF000000u | ((x < 4 ? 0x102030u : 0x305070u) + (y % 2));
    DownsampleSurface2x(s.get(), Rect(2, 4, 4, 8));
    // Rows 2-3, columns 4-7 land at row 1, columns 2-3: blue (0x70 + 0x71 x 2 + 0x70) / 4.
    EXPECT_EQ(Pixel(s.get(), 1, 2), 0x305070u);
    EXPECT_EQ(Pixel(s.get(), 1, 3), 0x305070u);
    EXPECT_FALSE(IsSurfaceLocked(s.get()));
}

}  // namespace
