#include "drawing/Rasteriser.h"

#include "drawing/CoverageMask.h"
#include "drawing/DDUtils.h"
#include "drawing/DrawingPort.h"
#include "support/PortFixture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

ShortRect Rect(int top, int left, int bottom, int right)
{
    ShortRect r;
    SetShortRect(r, top, left, bottom, right);
    return r;
}

ShortPoint Pt(int v, int h)
{
    return ShortPoint{static_cast<int16_t>(v), static_cast<int16_t>(h)};
}

TEST(Tint, ColourTimesTheBrightnessOfThePixel)
{
    struct Case {
        uint32_t colour, pixel, tinted;
    } cases[] = {
        {0xFF0000, 0xFFFFFF, 0xFF0000}, {0xFF0000, 0x000000, 0x000000}, {0xFF0000, 0xCCFFFF, 0xFF0000},
        {0xFF0000, 0xFFCCFFFF, 0xFF0000}, {0x80FF40, 0x808080, 0x407F20}, {0x0000FF, 0x00FF00, 0x000095},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TintColorByPixel(c.colour, c.pixel), c.tinted) << std::hex << c.colour << ' ' << c.pixel;
    EXPECT_EQ(PixelLuminance(0xFFFFFF), 256);
    EXPECT_EQ(PixelLuminance(0x808080), 128);
}

TEST(Tint, MaskLevelsHalfwayGreyAndFull)
{
    struct Case {
        uint32_t colour, pixel;
        int level;
        uint32_t tinted;
    } cases[] = {
        {0xFF0000, 0xFFFFFF, 1, 0xFF7F7F}, {0xFF0000, 0xFFFFFF, 2, 0xFFFFFF}, {0xFF0000, 0xFFFFFF, 3, 0xFF0000},
        {0x00FF00, 0x000000, 1, 0x000000}, {0x00FF00, 0x808080, 2, 0x7F7F7F}, {0x204060, 0x808080, 3, 0x102030},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TintByMaskLevel(c.colour, c.pixel, c.level), c.tinted) << c.level;
}

class RasteriserTest : public PortFixture {
protected:
    void MakeLockedPort(int width, int height, uint32_t fill = kWhite)
    {
        MakePort(width, height, fill);
        ASSERT_TRUE(LockPortSurface());
    }
    void TearDown() override
    {
        while (IsSurfaceLocked(surface_))
            UnlockPortSurface();
        PortFixture::TearDown();
    }
    // Changed pixels must lie in r.
    void ExpectChangesInside(const std::vector<uint32_t>& before, const ShortRect& r, const char* what)
    {
        int width = ShortRectWidth(surface_->bounds);
        for (size_t i = 0; i < before.size(); ++i)
            if (surface_->memory[i] != before[i]) {
                ASSERT_TRUE(PointInShortRect(Pt(static_cast<int>(i) / width, static_cast<int>(i) % width), r))
                    << what << " wrote " << i % width << ',' << i / width;
            }
    }
    std::vector<uint32_t> Snapshot()
    {
        size_t count = static_cast<size_t>(ShortRectWidth(surface_->bounds)) * ShortRectHeight(surface_->bounds);
        return std::vector<uint32_t>(surface_->memory, surface_->memory + count);
    }
};

TEST_F(RasteriserTest, MaskTintsThePortByLevel)
{
    MakeLockedPort(8, 3);
    // Row 0: levels 0 1 2 3 | 3 2 1 0; row 1: all 3.
    uint8_t mask[2 * 2] = {0x1B, 0xE4, 0xFF, 0xFF};
    DrawMaskTinted(mask, 2, Rect(0, 0, 2, 8), 0xFF0000, Rect(1, 0, 3, 8));
    EXPECT_EQ(At(0, 1), kWhite);
    EXPECT_EQ(At(1, 1), 0xFF7F7Fu);
    EXPECT_EQ(At(2, 1), 0xFFFFFFu);
    EXPECT_EQ(At(3, 1), 0xFF0000u);
    EXPECT_EQ(At(7, 1), kWhite);
    EXPECT_EQ(At(5, 2), 0xFF0000u);
    EXPECT_EQ(At(5, 0), kWhite);
    // Sizes that differ draw nothing.
    std::vector<uint32_t> before = Snapshot();
    DrawMaskTinted(mask, 2, Rect(0, 0, 2, 8), 0x00FF00, Rect(0, 0, 2, 7));
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(RasteriserTest, MaskLargerThanThePortIsCutAtItsEdges)
{
    MakeLockedPort(6, 4);
    std::vector<uint8_t> mask(20 * 5, 0xFF);
    std::vector<uint32_t> before = Snapshot();
    DrawMaskTinted(mask.data(), 5, Rect(0, 0, 20, 20), 0x0000FF, Rect(-8, -7, 12, 13));
    EXPECT_EQ(At(0, 0), 0x0000FFu);
    EXPECT_EQ(At(5, 3), 0x0000FFu);
}

TEST_F(RasteriserTest, LineThatMissesTheClipDrawsNothing)
{
    MakeLockedPort(20, 20);
    std::vector<uint32_t> before = Snapshot();
    DrawTintedLine(Rect(5, 5, 15, 15), Pt(0, 0), Pt(0, 19), 0xFF0000);
    DrawTintedLine(Rect(5, 5, 15, 15), Pt(0, 9), Pt(9, 0), 0xFF0000);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(RasteriserTest, LineTintsOnePixelPerColumnOrRowWithBothEnds)
{
    MakeLockedPort(10, 6);
    DrawTintedLine(Rect(0, 0, 6, 10), Pt(1, 1), Pt(3, 7), 0xFF0000);
    EXPECT_EQ(Picture(0xFF0000), (std::vector<std::string>{"..........", ".xx.......", "...xxx....",
                                                            "......xx..", "..........", ".........."}));
    Fill(kWhite);
    DrawTintedLine(Rect(0, 0, 6, 10), Pt(5, 2), Pt(0, 4), 0xFF0000);
    EXPECT_EQ(Picture(0xFF0000), (std::vector<std::string>{"....x.....", "....x.....", "...x......",
                                                            "...x......", "..x.......", "..x......."}));
}

TEST_F(RasteriserTest, CrossingLinesShowEveryPixelOfTheirPartInsideTheClip)
{
    MakeLockedPort(30, 30);
    const ShortRect clip = Rect(8, 8, 20, 20);
    struct Case {
        const char* what;
        ShortPoint p0, p1;
    } cases[] = {
        {"inside", Pt(10, 9), Pt(17, 18)},
        {"leaves by the bottom", Pt(12, 12), Pt(28, 15)},
        {"enters from the left", Pt(3, 0), Pt(14, 15)},
        {"across, left to right", Pt(15, -40), Pt(11, 100)},
        {"across, top to bottom", Pt(-3, 14), Pt(29, 10)},
        {"diagonal through two corners", Pt(0, 0), Pt(29, 29)},
        {"diagonal, top to left edge", Pt(2, 18), Pt(18, 2)},
        {"fully outside", Pt(0, 0), Pt(29, 5)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fill(kWhite);
        DrawTintedLine(clip, c.p0, c.p1, 0xFF0000);
        // The line's own pixels: one per column (or row) at the rounded row
        // (or column), kept where they lie in the clip.
        std::vector<std::string> expected(30, std::string(30, '.'));
        int dh = c.p1.h - c.p0.h, dv = c.p1.v - c.p0.v;
        bool alongRows = std::abs(dv) < std::abs(dh);
        int n = alongRows ? std::abs(dh) : std::abs(dv);
        int inside = 0;
        for (int k = 0; k <= n; ++k) {
            int h = alongRows ? c.p0.h + (dh > 0 ? k : -k)
                              : static_cast<int>(std::floor(c.p0.h + static_cast<double>(dh) * k / n + 0.5));
            int v = alongRows ? static_cast<int>(std::floor(c.p0.v + static_cast<double>(dv) * k / n + 0.5))
                              : c.p0.v + (dv > 0 ? k : -k);
            if (PointInShortRect(Pt(v, h), clip)) {
                expected[v][h] = 'x';
                ++inside;
            }
        }
        EXPECT_EQ(Picture(0xFF0000), expected);
        EXPECT_EQ(inside == 0, std::string(c.what) == "fully outside");
    }
}

TEST_F(RasteriserTest, LineThroughTheClipCornerTintsOnePixel)
{
    MakeLockedPort(12, 12);
    std::vector<uint32_t> before = Snapshot();
    // Both ends outside; both clip to the corner pixel (9, 9).
    DrawTintedLine(Rect(0, 0, 10, 10), Pt(8, 10), Pt(10, 8), 0xFF0000);
    EXPECT_EQ(At(9, 9), 0xFF0000u);
    At(9, 9) = kWhite;
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(RasteriserTest, FuzzedLinesRunsAndDiscsStayInsideTheClipAndThePort)
{
    MakeLockedPort(64, 48);
    std::mt19937 random(18);
    auto pick = [&](int lo, int hi) { return lo + static_cast<int>(random() % (hi - lo + 1)); };
    auto far = [&] { return random() % 8 == 0 ? pick(-32768, 32767) : pick(-100, 150); };
    ShortRect port = Rect(0, 0, 48, 64);
    for (int round = 0; round < 4000; ++round) {
        Fill(kWhite);
        ShortRect clip = Rect(pick(-20, 50), pick(-20, 70), 0, 0);
        clip.bottom = static_cast<int16_t>(clip.top + pick(0, 60));
        clip.right = static_cast<int16_t>(clip.left + pick(0, 80));
        ShortRect allowed{};
        IntersectShortRects(clip, port, allowed);
        ShortPoint p0 = Pt(far(), far()), p1 = Pt(far(), far());
        std::vector<uint32_t> before = Snapshot();
        switch (round % 4) {
        case 0:
            DrawTintedLine(clip, p0, p1, 0x00FF00);
            // Ends inside the clip and the port are drawn.
            if (PointInShortRect(p0, allowed) && PointInShortRect(p1, allowed)) {
                ASSERT_EQ(At(p0.h, p0.v), 0x00FF00u);
                ASSERT_EQ(At(p1.h, p1.v), 0x00FF00u);
            }
            break;
        case 1: DrawTintedHorizontalLine(clip, p0, p1, 0x00FF00, pick(-1, 3)); break;
        case 2: DrawTintedVerticalLine(clip, p0, p1, 0x00FF00, pick(-1, 3)); break;
        default: FillTintedDisc(clip, far(), far(), random() % 6 == 0 ? far() : pick(-2, 30), 0x00FF00); break;
        }
        ExpectChangesInside(before, allowed, "round");
        if (HasFatalFailure())
            return;
    }
}

TEST_F(RasteriserTest, RunsTintEveryStepthPixelFromTheClampedStart)
{
    MakeLockedPort(12, 3);
    DrawTintedHorizontalLine(Rect(0, 2, 3, 10), Pt(1, 11), Pt(1, 0), 0xFF0000, 3);
    EXPECT_EQ(Picture(0xFF0000)[1], "..x..x..x...");
    DrawTintedVerticalLine(Rect(0, 0, 2, 12), Pt(0, 0), Pt(2, 0), 0xFF0000, 1);
    EXPECT_EQ(Picture(0xFF0000)[0], "x...........");
    EXPECT_EQ(Picture(0xFF0000)[2], "............");
}

TEST_F(RasteriserTest, DiscOfRadiusTwo)
{
    MakePort(7, 7);
    FillTintedDisc(Rect(0, 0, 7, 7), 3, 3, 2, 0xFF0000);
    EXPECT_EQ(Picture(0xFF0000), (std::vector<std::string>{".......", "...x...", "..xxx..", ".xxxxx.",
                                                            "..xxx..", "...x...", "......."}));
    EXPECT_FALSE(IsSurfaceLocked(surface_));
}

TEST_F(RasteriserTest, TriangleFillsFromFloorLeftToBeforeFloorRight)
{
    MakePort(8, 6);
    ShortRect bounds = Rect(0, 0, 6, 8);
    auto* pixels = reinterpret_cast<uint8_t*>(surface_->memory);
    FillTriangleSolid(bounds, 0, 0, 4, 0, 0, 4, 0xFF0000, pixels, 32);
    EXPECT_EQ(Picture(0xFF0000), (std::vector<std::string>{"xxxx....", "xxx.....", "xx......", "x.......",
                                                            "........", "........"}));
    Fill(kWhite);
    FillTriangleSolid(bounds, 1, 5, 7, 1, 7, 5, 0xFF0000, pixels, 32);
    EXPECT_EQ(Picture(0xFF0000), (std::vector<std::string>{"........", "........", ".....xx.", "....xxx.",
                                                            "..xxxxx.", "........"}));
    // Degenerate triangles draw nothing.
    Fill(kWhite);
    FillTriangleSolid(bounds, 0, 2, 5, 2, 7, 2, 0xFF0000, pixels, 32);
    FillTriangleSolid(bounds, 3, 0, 3, 5, 3, 2, 0xFF0000, pixels, 32);
    EXPECT_EQ(Picture(0xFF0000)[2], "........");
}

TEST_F(RasteriserTest, FuzzedTrianglesWriteOnlyInsideTheirBounds)
{
    MakePort(64, 64);
    ShortRect bounds = Rect(16, 12, 48, 40);
    auto* pixels = reinterpret_cast<uint8_t*>(surface_->memory);
    std::mt19937 random(19);
    auto coordinate = [&]() -> float {
        switch (random() % 16) {
        case 0: return std::numeric_limits<float>::quiet_NaN();
        case 1: return 1e9f;
        case 2: return -3e4f;
        default: return static_cast<float>(static_cast<int>(random() % 200) - 70) + (random() % 4) * 0.25f;
        }
    };
    for (int round = 0; round < 20000; ++round) {
        Fill(kWhite);
        std::vector<uint32_t> before = Snapshot();
        FillTriangleSolid(bounds, coordinate(), coordinate(), coordinate(), coordinate(), coordinate(),
                          coordinate(), 0x123456, pixels, 256);
        ExpectChangesInside(before, bounds, "triangle");
        if (HasFatalFailure())
            return;
    }
}

// Runs shorter and longer than the vector stores and their unrolled steps,
// from every position in a 32-byte block: exactly the run's pixels change.
TEST(RasteriserRunTest, PixelRunWritesExactlyItsPixels)
{
    alignas(32) uint32_t row[160];
    for (int offset = 0; offset < 8; ++offset) {
        for (int count = -1; count <= 100; ++count) {
            std::fill(std::begin(row), std::end(row), 0xAAAAAAAAu);
            FillPixelRun(row + 8 + offset, count, 0x123456);
            for (int x = 0; x < 160; ++x) {
                bool inside = x >= 8 + offset && x < 8 + offset + count;
                if (row[x] != (inside ? 0x123456u : 0xAAAAAAAAu)) {
                    ADD_FAILURE() << "offset " << offset << ", count " << count << ", pixel " << x;
                    return;
                }
            }
        }
    }
}

// The pixels of random triangles (fractional corners, clipped, rows not on
// 32-byte boundaries, three row pitches) as the one-pixel-at-a-time fill
// wrote them: any change in which pixels a triangle covers changes the hash.
TEST(RasteriserRunTest, RandomTrianglesKeepTheirPixels)
{
    constexpr int kWidth = 300, kHeight = 200;
    std::vector<uint32_t> pixels(kWidth * kHeight + 64);
    auto* base = reinterpret_cast<uint8_t*>(pixels.data() + 1);
    ShortRect bounds;
    SetShortRect(bounds, 10, 7, 190, 293);
    std::mt19937 random(7);
    uint64_t hash = 1469598103934665603ull;
    for (int t = 0; t < 2000; ++t) {
        std::fill(pixels.begin(), pixels.end(), 0u);
        float c[6];
        for (float& f : c)
            f = static_cast<float>(static_cast<int>(random() % 420) - 60) + static_cast<float>(random() % 64) / 64.0f;
        FillTriangleSolid(bounds, c[0], c[1], c[2], c[3], c[4], c[5], 0xABCDEF, base, (kWidth - 1) * 4 + 4 * (t % 3));
        for (uint32_t p : pixels)
            hash = (hash ^ p) * 1099511628211ull;
    }
    EXPECT_EQ(hash, 0xd87694affb471c47ull);
}

TEST_F(RasteriserTest, BlendMixesTheSourceInAndStaysOnBothSurfaces)
{
    MakePort(6, 4, 0x000000);
    OffscreenSurface* src = MakeSurface(0, 0, 4, 6);
    std::fill(src->memory, src->memory + 24, 0xFFFFFFu);
    // A block reaching past the destination's corner.
    BlendSurfaceInto(src, Pt(0, 0), Pt(4, 6), surface_, Pt(2, 3), 64);
    EXPECT_EQ(Picture(0x404040, 0x000000),
              (std::vector<std::string>{"......", "......", "...xxx", "...xxx"}));
    EXPECT_FALSE(IsSurfaceLocked(surface_));

    Fill(0x000000);
    BlendIntoPort(src, Rect(0, 0, 1, 2));
    EXPECT_EQ(At(0, 0), 0x404040u);
    EXPECT_EQ(At(2, 0), 0u);
    EXPECT_NE(GetPortDC(), nullptr);
    DisposeOffscreenSurface(src);
}

PictureHandle TwoByTwo()
{
    PictureHandle pic = NewPictureHandle(Rect(0, 0, 2, 2));
    auto* bits = reinterpret_cast<uint32_t*>(GetPackedDibBits(static_cast<DibHeader*>(LockGlobalHandle(pic))));
    // Bottom row first: blue, black; then the top row: red, white.
    bits[0] = 0x0000FF, bits[1] = 0x000000, bits[2] = 0xFF0000, bits[3] = 0xFFFFFF;
    UnlockGlobalHandle(pic);
    return pic;
}

TEST_F(RasteriserTest, ScaledPictureMultipliesAndWhiteIsTransparent)
{
    MakePort(6, 6, 0x808080);
    PictureHandle pic = TwoByTwo();
    DrawPictureScaled(pic, 1, 1, Rect(0, 0, 6, 6), 2.0);
    uint32_t grey = 0x808080;
    EXPECT_EQ(At(0, 0), grey);
    EXPECT_EQ(At(1, 1), 0x7F0000u);
    EXPECT_EQ(At(2, 2), 0x7F0000u);
    EXPECT_EQ(At(3, 1), grey);
    EXPECT_EQ(At(4, 2), grey);
    EXPECT_EQ(At(1, 3), 0x00007Fu);
    EXPECT_EQ(At(4, 4), 0u);
    EXPECT_EQ(At(5, 5), grey);
    EXPECT_FALSE(IsSurfaceLocked(surface_));

    // The clip cuts the picture and the source moves with it.
    Fill(kWhite);
    DrawPictureScaled(pic, 1, 1, Rect(3, 2, 5, 6), 2.0);
    EXPECT_EQ(Picture(0xFF0000, kWhite)[2], "......");
    EXPECT_EQ(At(2, 3), 0x0000FFu);
    EXPECT_EQ(At(3, 4), 0u);
    EXPECT_EQ(At(1, 3), kWhite);

    // Scales that vanish or explode, and clips wider than the port, do no harm.
    std::vector<uint32_t> before = Snapshot();
    for (double scale : {0.0, 0.2, -1.0, std::nan(""), 1e9})
        DrawPictureScaled(pic, 1, 1, Rect(0, 0, 6, 6), scale);
    EXPECT_EQ(Snapshot(), before);
    DrawPictureScaled(pic, -3, -3, Rect(-100, -100, 100, 100), 5.0);
    FreeGlobalHandle(pic);
}

}  // namespace
