// The software rasterizer: buffers, fragments and resolve, points, lines,
// triangles, textures and labels, on small targets of the test's own.
#include "rendering/PrimitiveDrawing.h"
#include "rendering/SoftwareBuffers.h"
#include "rendering/SoftwareClipping.h"
#include "rendering/SoftwareLabels.h"
#include "rendering/SoftwarePointsAndLines.h"
#include "rendering/SoftwareTextures.h"
#include "rendering/SoftwareTriangles.h"
#include "rendering/ViewRenderContext.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "document/DocState.h"
#include "drawing/DDUtils.h"
#include "drawing/DibImage.h"
#include "support/BudgetRefusal.h"
#include "support/RecordingGL.h"
#include "support/TestApp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstring>
#include <limits>
#include <set>
#include <vector>

namespace {

ScreenVertex V(float x, float y, float depth = 0.5f, float red = 1, float alpha = 1)
{
    return ScreenVertex{x, y, depth, red, 0, 0, alpha, 0, 0};
}

// A 1x target over buffers of the test's own, one spare column and row
// beyond the view to catch writes outside it.
struct Target {
    Target(int w, int h, bool fragments = false) : width(w), height(h)
    {
        colour.assign(static_cast<size_t>(w + 1) * (h + 1), kEmpty);
        depth.assign(colour.size(), 2.0);
        heads.assign(colour.size(), -1);
        t.colour = reinterpret_cast<uint8_t*>(colour.data());
        t.rowBytes = 4 * (w + 1);
        t.stride = w + 1;
        t.width = w, t.height = h;
        t.viewWidth = w, t.viewHeight = h;
        t.depth = fragments ? nullptr : depth.data();
        t.heads = fragments ? heads.data() : nullptr;
        t.chunks = &chunks;
    }
    ~Target() { FreeFragmentChunks(chunks); }
    uint32_t At(int x, int y) const { return colour[static_cast<size_t>(y) * (width + 1) + x]; }
    bool Drawn(int x, int y) const { return At(x, y) != kEmpty; }
    int FragmentsAt(int x, int y) const
    {
        int n = 0;
        for (int32_t i = heads[static_cast<size_t>(y) * (width + 1) + x]; i >= 0; i = chunks.table[i >> 16][i & 0xFFFF].next)
            ++n;
        return n;
    }
    // Every drawn pixel as (x, y), spare column and row included.
    std::set<std::pair<int, int>> DrawnPixels() const
    {
        std::set<std::pair<int, int>> out;
        for (int y = 0; y <= height; ++y)
            for (int x = 0; x <= width; ++x)
                if (Drawn(x, y))
                    out.insert({x, y});
        return out;
    }

    static constexpr uint32_t kEmpty = 0x12345678;
    int width, height;
    std::vector<uint32_t> colour;
    std::vector<double> depth;
    std::vector<int32_t> heads;
    FragmentChunks chunks;
    SoftwareTarget t;
};

TEST(SoftwareBuffers, FragmentListsRunFarthestFirstAndLaterEqualDepthsLieNearerTheHead)
{
    FragmentChunks chunks;
    int32_t head = -1;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double depth;
        uint32_t tag;
    } inserted[] = {{0.5, 1}, {0.2, 2}, {0.8, 3}, {0.5, 4}, {nan, 5}};
    for (const auto& f : inserted) {
        Fragment* fragment = AllocFragment(chunks);
        ASSERT_NE(fragment, nullptr);
        fragment->depth = f.depth;
        fragment->colour = f.tag;
        InsertFragmentSorted(chunks, &head, fragment);
    }
    std::vector<uint32_t> order;
    for (int32_t i = head; i >= 0; i = chunks.table[i >> 16][i & 0xFFFF].next)
        order.push_back(chunks.table[i >> 16][i & 0xFFFF].colour);
    // A NaN never stops the walk, so it goes to the end.
    EXPECT_EQ(order, (std::vector<uint32_t>{3, 4, 1, 2, 5}));
    FreeFragmentChunks(chunks);
}

TEST(SoftwareBuffers, TheFragmentAfterSixtyFiveThousandOpensASecondChunkAndAResetFreesAll)
{
    FragmentChunks chunks;
    for (int i = 0; i < kFragmentsPerChunk; ++i)
        ASSERT_NE(AllocFragment(chunks), nullptr);
    EXPECT_EQ(chunks.lastFragment, 65535);
    Fragment* next = AllocFragment(chunks);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(chunks.lastFragment, 65536);
    EXPECT_EQ(next, chunks.table[1]);
    {
        // A refused chunk leaves the index where it was.
        FragmentChunks other;
        BudgetRefusal refuse;
        EXPECT_EQ(AllocFragment(other), nullptr);
        EXPECT_EQ(other.lastFragment, -1);
        EXPECT_EQ(other.table, nullptr);
    }
    FreeFragmentChunks(chunks);
    EXPECT_EQ(chunks.table, nullptr);
    EXPECT_EQ(chunks.lastFragment, -1);
    EXPECT_NE(AllocFragment(chunks), nullptr);
    EXPECT_EQ(chunks.lastFragment, 0);
    FreeFragmentChunks(chunks);
}

class SoftwareFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc.BackgroundType = 0;
        doc.BackgroundColor[0] = 0, doc.BackgroundColor[1] = 0, doc.BackgroundColor[2] = 200;
        doc.graphPaneImage = NewDibImage(ShortRect{0, 0, 60, 80});
        std::fill_n(GetDibImageBits(doc.graphPaneImage), 60 * 80, 0u);
        ctx.SetOwner(nullptr, &doc);
        port.pixels = nullptr;
    }
    void TearDown() override
    {
        ctx.Release();
        DisposeDibImage(doc.graphPaneImage);
    }
    void Configure(const ShortRect& view)
    {
        ctx.SetRequestedMode(RenderModeSoftware);
        ctx.Configure(view, &camera);
        ASSERT_EQ(ctx.GetMode(), RenderModeSoftware);
        ASSERT_EQ(ctx.BeginFrame(false), 0);
    }
    uint32_t Pane(int x, int y) { return GetDibImageBits(doc.graphPaneImage)[y * 80 + x]; }

    DocState doc;
    RecordingGL gl;
    ViewRenderContext ctx{gl};
    OffscreenSurface port{};
    Camera3D camera{{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, -2, 2, -2, 2, -2, 2, kDefaultZoom3D, kMinDepthRadius3D};
};

TEST_F(SoftwareFrame, AntialiasingDoublesTheBuffersWithATwoPixelMargin)
{
    const struct {
        ShortRect view;
        bool antialias;
        int width, height, factor;
        ShortRect inner;
    } cases[] = {
        {{10, 20, 11, 21}, true, 6, 6, 2, {2, 2, 4, 4}},
        {{10, 20, 40, 70}, true, 104, 64, 2, {2, 2, 62, 102}},
        {{10, 20, 40, 70}, false, 50, 30, 1, {0, 0, 30, 50}},
    };
    for (const auto& c : cases) {
        doc.UseAntialiasing = c.antialias;
        Configure(c.view);
        EXPECT_EQ(ctx.bufferWidth, c.width);
        EXPECT_EQ(ctx.bufferHeight, c.height);
        EXPECT_EQ(ctx.raster.factor, c.factor);
        EXPECT_EQ(ctx.innerRect.top, c.inner.top);
        EXPECT_EQ(ctx.innerRect.left, c.inner.left);
        EXPECT_EQ(ctx.innerRect.bottom, c.inner.bottom);
        EXPECT_EQ(ctx.innerRect.right, c.inner.right);
        EXPECT_EQ(ctx.supersample != nullptr, c.antialias);
        ctx.Release();
    }
}

TEST_F(SoftwareFrame, TranslucentFragmentsBlendBackToFrontInIntegers)
{
    doc.UseAntialiasing = false;
    doc.hasTranslucent = true;
    Configure(ShortRect{0, 0, 60, 80});
    ASSERT_NE(ctx.heads, nullptr);
    // Over the blue background (alpha 255 in the pane): a far half-red and a
    // near opaque-green fragment in one pixel, in the wrong order; a lone
    // alpha-0 fragment elsewhere; a third pixel untouched.
    ASSERT_TRUE(ScanPoint(ScreenVertex{5, 5, 0.2f, 0, 1, 0, 1, 0, 0}, ctx.raster));
    ASSERT_TRUE(ScanPoint(ScreenVertex{5, 5, 0.7f, 1, 0, 0, 128 / 255.0f, 0, 0}, ctx.raster));
    ASSERT_TRUE(ScanPoint(ScreenVertex{7, 5, 0.5f, 1, 1, 1, 0, 0, 0}, ctx.raster));
    ASSERT_TRUE(ScanPoint(ScreenVertex{9, 5, 0.5f, 1, 0, 0, 128 / 255.0f, 0, 0}, ctx.raster));
    EXPECT_EQ(ctx.Present(), 0);
    EXPECT_EQ(Pane(5, 5), 0xFF00FF00u) << "the near opaque fragment covers the far one";
    EXPECT_EQ(Pane(7, 5), 0xFF0000C8u) << "alpha 0 changes nothing";
    // red 255 x 128 / 255 = 128; blue 200 x 127 / 255 = 99 (truncated).
    EXPECT_EQ(Pane(9, 5), 0xFF800063u);
    EXPECT_EQ(Pane(11, 5), 0xFF0000C8u) << "no fragment: background";
    // The next frame starts without fragments.
    ASSERT_EQ(ctx.BeginFrame(false), 0);
    EXPECT_EQ(ctx.fragments.table, nullptr);
    ctx.Present();
    EXPECT_EQ(Pane(5, 5), 0xFF0000C8u);
}

TEST_F(SoftwareFrame, SupersampledFrameIsTheMeanOfTwoByTwoBlocks)
{
    doc.UseAntialiasing = true;
    Configure(ShortRect{10, 10, 40, 50});
    // A red triangle whose left edge runs diagonally: inside pixels red,
    // edge pixels mixed, outside the background.
    ASSERT_TRUE(RasterizeTriangle(V(0, 0), V(40, 30), V(0, 30), ctx.raster));
    EXPECT_EQ(ctx.Present(), 0);
    EXPECT_EQ(Pane(10 + 2, 10 + 25) & 0xFFFFFF, 0xFF0000u) << "inside";
    EXPECT_EQ(Pane(10 + 38, 10 + 2) & 0xFFFFFF, 0x0000C8u) << "outside";
    int mixed = 0;
    for (int x = 0; x < 40; ++x)
        for (int y = 0; y < 30; ++y) {
            const uint32_t p = Pane(10 + x, 10 + y) & 0xFFFFFF;
            mixed += p != 0xFF0000u && p != 0x0000C8u;
        }
    EXPECT_GT(mixed, 20) << "the diagonal edge is smoothed";
    EXPECT_EQ(Pane(9, 9), 0u) << "nothing outside the view";
}

TEST_F(SoftwareFrame, ATriangleCrossingTheNearPlaneIsCutThereLikeOpenGLCutsIt)
{
    doc.UseAntialiasing = false;
    Configure(ShortRect{0, 0, 60, 80});
    // The eye is at x = 50, the near plane at x = 2.3: the apex lies in
    // front of it. The hand-cut quad is what stays.
    const float crossing[] = {0, -3, -3, 0, 3, -3, 10, 0, 3};
    const float cut[] = {2.3f, -2.31f, -1.62f, 0, -3, -3, 0, 3, -3, 2.3f, 2.31f, -1.62f};
    const int32_t one[] = {0, 1, 2}, fan[] = {0, 1, 2, 0, 2, 3};
    auto draw = [&](const float* xyz, int32_t vertices, const int32_t* triangles, int32_t count) {
        EXPECT_EQ(ctx.BeginFrame(false), 0);
        ctx.SetVertexArray(xyz, vertices);
        EXPECT_TRUE(DrawSoftwareTriangles(ctx, triangles, count, nullptr));
        std::set<std::pair<int, int>> drawn;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 80; ++x)
                if ((Pane(x, y) & 0xFFFFFF) != 0x0000C8)
                    drawn.insert({x, y});
        return drawn;
    };
    const auto clipped = draw(crossing, 3, one, 1), expected = draw(cut, 4, fan, 2);
    EXPECT_GT(expected.size(), 300u);
    std::vector<std::pair<int, int>> different;
    std::set_symmetric_difference(clipped.begin(), clipped.end(), expected.begin(), expected.end(),
                                  std::back_inserter(different));
    EXPECT_LE(different.size(), 4u) << "the same pixels but for rounding on the cut";
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
            EXPECT_GE(ctx.depthBuffer[static_cast<size_t>(y) * 80 + x], 0.0);
}

TEST_F(SoftwareFrame, LinesFadeToGreyWithDistanceAndPointsCarryTheirLabels)
{
    TestApp();
    doc.UseAntialiasing = false;
    doc.BackgroundColor[2] = 0;
    camera.depthRadius = 5;
    Configure(ShortRect{0, 0, 60, 80});
    // From view distance 47 to 53, red at both ends.
    const float xyz[] = {3, -3, 0, -3, 3, 0};
    const float red[] = {1, 0, 0, 1, 0, 0};
    const uint16_t pair[] = {0, 1};
    ctx.SetVertexArray(xyz, 2);
    ctx.SetColorArray(red);
    ASSERT_TRUE(DrawSoftwareLines(ctx, pair, 1));
    std::vector<uint32_t> row;
    for (int x = 0; x < 80; ++x)
        if (Pane(x, 30) & 0xFFFFFF)
            row.push_back(Pane(x, 30) & 0xFFFFFF);
    ASSERT_GT(row.size(), 30u);
    const uint32_t nearEnd = (row.front() >> 8 & 0xFF) == 0 ? row.front() : row.back();
    const uint32_t farEnd = nearEnd == row.front() ? row.back() : row.front();
    EXPECT_EQ(nearEnd, 0xFF0000u) << "full colour nearer than 48";
    EXPECT_NEAR(static_cast<int>(farEnd >> 16), 127, 4) << "grey 0.5 beyond 52 (the end pixel is left out)";
    EXPECT_NEAR(static_cast<int>(farEnd & 0xFF), 127, 4);

    // A point with a label and a second label: two texts, the second 4
    // pixels further right.
    auto rightmost = [&](const char16_t* second) {
        EXPECT_EQ(ctx.BeginFrame(false), 0);
        const float at[] = {0, 0, 0};
        const char16_t* labels[] = {u"W"};
        const char16_t* seconds[] = {second};
        ctx.SetVertexArray(at, 1);
        ctx.SetFlatColor(0xFFFFFF);
        EXPECT_TRUE(DrawSoftwarePoints(ctx, nullptr, labels, seconds, nullptr, 1));
        int right = -1;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 80; ++x)
                if (Pane(x, y) & 0xFFFFFF)
                    right = std::max(right, x);
        return right;
    };
    const int one = rightmost(nullptr), two = rightmost(u"W");
    EXPECT_GT(one, 40);
    EXPECT_EQ(two, one + 4);
    ReleaseLabelTextureCache();
}

TEST(SoftwarePoints, PointsAtTheEdgesAreDrawnOrSkippedAndNeverWrittenOutside)
{
    const struct {
        float x, y;
        int column, row;  // -1: nothing drawn
    } cases[] = {
        {-0.3f, 5, -1, -1}, {0, 5, 0, 5}, {9.4f, 9.4f, 9, 9},
        // Within half a pixel of the right or bottom edge the point is in
        // the view but snaps outside: left out.
        {9.7f, 5, -1, -1},  {5, 10, -1, -1}, {std::nanf(""), 5, -1, -1},
    };
    for (const auto& c : cases) {
        Target target(10, 10);
        EXPECT_TRUE(RasterizePoint(V(c.x, c.y), target.t));
        const auto drawn = target.DrawnPixels();
        if (c.column < 0) {
            EXPECT_TRUE(drawn.empty()) << c.x << "," << c.y;
        } else {
            EXPECT_EQ(drawn, (std::set<std::pair<int, int>>{{c.column, c.row}})) << c.x << "," << c.y;
        }
    }
}

TEST(SoftwareLines, BresenhamLinesLeaveOutTheirEndAndFollowTheirDirection)
{
    using Pixels = std::set<std::pair<int, int>>;
    Pixels diagonal;
    for (int i = 0; i < 10; ++i)
        diagonal.insert({10 - i, i});
    Pixels horizontal;
    for (int x = 0; x < 10; ++x)
        horizontal.insert({x, 5});
    const struct {
        ScreenVertex a, b;
        Pixels expected;
        const char* why;
    } cases[] = {
        {V(0, 5), V(10, 5), horizontal, "x 0..9 on row 5"},
        {V(10, 0), V(0, 10), diagonal, "from (10, 0) left and down"},
        {V(3.2f, 4.1f), V(2.9f, 3.8f), {}, "both ends snap to one pixel"},
        {V(2, 1), V(3, 5), {{2, 1}, {2, 2}, {3, 3}, {3, 4}}, "steep"},
    };
    for (const auto& c : cases) {
        Target target(20, 20);
        EXPECT_TRUE(RasterizeLine(c.a, c.b, target.t));
        EXPECT_EQ(target.DrawnPixels(), c.expected) << c.why;
    }
}

TEST(SoftwareLines, ALineIsCutAtTheRightEdgeWithItsValuesInterpolated)
{
    ScreenVertex out[2];
    ScreenVertex a = V(0, 2, 0, 0), b = V(20, 2, 1, 1);
    ASSERT_TRUE(ClipLineToView(a, b, ViewSize{10, 10}, out));
    EXPECT_FLOAT_EQ(out[1].x, 8.5f);
    EXPECT_FLOAT_EQ(out[1].red, 8.5f / 20);
    EXPECT_FLOAT_EQ(out[1].depth, 8.5f / 20);
    EXPECT_FALSE(ClipLineToView(V(-5, 2), V(-1, 3), ViewSize{10, 10}, out)) << "wholly left of the view";
}

TEST(SoftwareLines, SupersampledLinesAreBandsTwoOrThreePixelsWideInEveryDirection)
{
    for (int angle = 0; angle < 360; angle += 15) {
        const float c = std::cos(angle * 3.14159265f / 180), s = std::sin(angle * 3.14159265f / 180);
        Target target(100, 100);
        target.t.factor = 2;
        target.t.viewWidth = target.t.viewHeight = 50;
        ASSERT_TRUE(ScanLine(V(25 - 15 * c, 25 - 15 * s), V(25 + 15 * c, 25 + 15 * s), target.t));
        // Across the middle of the line (buffer pixels), the band is 2 or 3
        // pixels thick, without holes.
        const bool steep = std::fabs(s) > std::fabs(c);
        int thickness = 0;
        for (int k = 0; k < 100; ++k)
            thickness += steep ? target.Drawn(k, 50) : target.Drawn(50, k);
        EXPECT_GE(thickness, 2) << angle;
        EXPECT_LE(thickness, 4) << angle;
    }
}

TEST(SoftwareTriangles, CoverageFollowsTheTopLeftRule)
{
    Target target(20, 20);
    ASSERT_TRUE(RasterizeTriangle(V(0, 0), V(0, 10), V(10, 10), target.t));
    std::set<std::pair<int, int>> expected;
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < r; ++c)
            expected.insert({c, r});
    EXPECT_EQ(target.DrawnPixels(), expected) << "row r covers columns 0..r-1; row 10 and the hypotenuse are left out";

    Target flat(20, 20), column(20, 20);
    ASSERT_TRUE(RasterizeTriangle(V(2, 2), V(8, 2), V(5, 6), flat.t));
    EXPECT_EQ(flat.DrawnPixels().size(), 6u + 5 + 3 + 1) << "flat top: rows 2..5";
    ASSERT_TRUE(RasterizeTriangle(V(4.1f, 1), V(3.9f, 8), V(4.2f, 12), column.t));
    EXPECT_TRUE(column.DrawnPixels().empty()) << "all corners in one column";
}

TEST(SoftwareTriangles, TrianglesSharingEdgesDrawEveryPixelOnce)
{
    // A jittered grid cut into triangles both ways, in the A-buffer, so that
    // every write shows as a fragment.
    Target target(64, 64, true);
    constexpr int n = 6;
    auto corner = [](int i, int j) {
        const float jitter = static_cast<float>((i * 7 + j * 13) % 5) * 0.37f;
        return V(2 + i * 11.3f + jitter, 1.5f + j * 10.7f - jitter, 0.5f);
    };
    for (int i = 0; i < n - 1; ++i)
        for (int j = 0; j < n - 1; ++j) {
            const ScreenVertex a = corner(i, j), b = corner(i + 1, j), c = corner(i + 1, j + 1), d = corner(i, j + 1);
            if ((i + j) % 2) {
                ASSERT_TRUE(RasterizeTriangle(a, b, c, target.t));
                ASSERT_TRUE(RasterizeTriangle(a, c, d, target.t));
            } else {
                ASSERT_TRUE(RasterizeTriangle(a, b, d, target.t));
                ASSERT_TRUE(RasterizeTriangle(b, c, d, target.t));
            }
        }
    int covered = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int k = target.FragmentsAt(x, y);
            EXPECT_LE(k, 1) << x << "," << y;
            covered += k;
        }
    EXPECT_GT(covered, 2000) << "and the inside is covered";
    // Every interior pixel (well inside the mesh) is covered: no cracks.
    for (int y = 15; y < 45; ++y)
        for (int x = 15; x < 45; ++x)
            EXPECT_EQ(target.FragmentsAt(x, y), 1) << x << "," << y;
}

TEST(SoftwareClipping, TrianglesAreCutToTheViewInAtMostSevenCorners)
{
    ScreenVertex out[7];
    const ViewSize view{10, 10};
    const int n = ClipTriangleToView(V(-3, 3), V(6, -6), V(14, 15), view, out);
    EXPECT_LE(n, 7);
    EXPECT_GE(n, 3);
    for (int i = 0; i < n; ++i) {
        EXPECT_GE(out[i].x, 0);
        EXPECT_LE(out[i].x, 9.5f);
        EXPECT_GE(out[i].y, 0);
        EXPECT_LE(out[i].y, 9.5f);
    }
    EXPECT_EQ(ClipTriangleToView(V(-4, 1), V(-1, 1), V(-2, 5), view, out), 0);
    EXPECT_EQ(ClipTriangleToView(V(1, 1), V(5, 1), V(2, 5), view, out), 3);
    // A triangle far larger than the view fills it.
    Target target(10, 10);
    ASSERT_TRUE(RasterizeTriangle(V(-100, -100), V(300, -50), V(-50, 300), target.t));
    EXPECT_EQ(target.DrawnPixels().size(), 100u) << "every view pixel once, nothing outside";
}

// A picture of the given bottom-up rows of 0xAARRGGBB pixels.
PictureHandle Picture(int width, int height, const std::vector<uint32_t>& bottomUp)
{
    PictureHandle picture = NewPictureHandle(ShortRect{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)});
    auto* header = static_cast<DibHeader*>(LockGlobalHandle(picture));
    std::memcpy(GetPackedDibBits(header), bottomUp.data(), 4 * bottomUp.size());
    UnlockGlobalHandle(picture);
    return picture;
}

TEST(SoftwareTextures, SizesAlphaAndMipLevels)
{
    for (const auto& [n, size] : {std::pair{1, 4}, {4, 4}, {5, 8}, {512, 512}, {2000, 512}})
        EXPECT_EQ(TextureSizeFor(n), size) << n;

    DocState doc;
    // Bottom row red, green; top row blue, white; no alpha anywhere.
    PictureHandle opaque = Picture(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
    SoftwareTexture* t = MakeSoftwareTexture(opaque, &doc, false);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->levels[9][0], 0xFFFF0000u) << "level 9 starts with the bottom row; no alpha: opaque";
    EXPECT_EQ(t->levels[9][511 * 512 + 511], 0xFFFFFFFFu);
    EXPECT_EQ(t->levels[1][0], 0xFFFF0000u);
    // Level 0 averages the four quarters: (255 + 0 + 0 + 255) / 4 per channel.
    EXPECT_EQ(t->levels[0][0], 0xFF7F7F7Fu);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(t->levels[9] + 512 * 512),
              reinterpret_cast<uint8_t*>(t) + kSoftwareTextureBytes)
        << "the last level ends with the block";
    FreeSoftwareTexture(t);

    PictureHandle some = Picture(2, 2, {0x80FF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
    t = MakeSoftwareTexture(some, &doc, false);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->levels[9][0] >> 24, 0x80u) << "a picture with some alpha keeps it";
    EXPECT_EQ(t->levels[9][511] >> 24, 0u);
    FreeSoftwareTexture(t);

    // A colour key: the background colour of a plain background drops out.
    doc.BackgroundType = 0;
    doc.BackgroundColor[0] = doc.BackgroundColor[1] = doc.BackgroundColor[2] = 0;
    PictureHandle keyed = Picture(2, 1, {0x000000, 0x123456});
    t = MakeSoftwareTexture(keyed, &doc, true);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->levels[9][0], 0x00000000u);
    EXPECT_EQ(t->levels[9][511], 0xFF123456u);
    FreeSoftwareTexture(t);
    {
        BudgetRefusal refuse;
        ResetFailureRegister();
        EXPECT_EQ(MakeSoftwareTexture(opaque, &doc, false), nullptr);
        EXPECT_EQ(TakePendingFailure(), FailureOutOfMemory);
    }
    for (PictureHandle p : {opaque, some, keyed})
        FreeGlobalHandle(p);
}

TEST(SoftwareTextures, ATexturedQuadShowsThePictureTheRightWayUp)
{
    DocState doc;
    PictureHandle picture = Picture(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
    SoftwareTexture* texture = MakeSoftwareTexture(picture, &doc, false);
    ASSERT_NE(texture, nullptr);
    Target target(64, 64);
    // Screen corners with the texture coordinates the triangles carry
    // (v runs up the picture).
    ScreenVertex tl = V(0, 0), tr = V(64, 0), br = V(64, 64), bl = V(0, 64);
    tl.u = 0, tl.v = 1, tr.u = 1, tr.v = 1, br.u = 1, br.v = 0, bl.u = 0, bl.v = 0;
    for (ScreenVertex* v : {&tl, &tr, &br, &bl})
        v->green = v->blue = 1;
    ASSERT_TRUE(RasterizeTexturedTriangle(texture, tl, tr, br, target.t));
    ASSERT_TRUE(RasterizeTexturedTriangle(texture, br, bl, tl, target.t));
    EXPECT_EQ(target.At(16, 16), 0xFF0000FFu) << "top left: the picture's top-left texel";
    EXPECT_EQ(target.At(48, 16), 0xFFFFFFFFu);
    EXPECT_EQ(target.At(16, 48), 0xFFFF0000u) << "bottom left: the bottom row's first texel";
    EXPECT_EQ(target.At(48, 48), 0xFF00FF00u);

    // Equal texture coordinates: level 9, one texel. A transparent texel
    // leaves the depth buffer alone.
    PictureHandle clear = Picture(1, 1, {0x00FFFFFF});
    PictureHandle mixed = Picture(2, 1, {0xFF00FF00, 0x00FFFFFF});
    SoftwareTexture* transparent = MakeSoftwareTexture(mixed, &doc, false);
    ASSERT_NE(transparent, nullptr);
    Target second(16, 16);
    ScreenVertex a = V(0, 0, 0.3f), b = V(10, 0, 0.3f), c = V(0, 10, 0.3f);
    for (ScreenVertex* v : {&a, &b, &c})
        v->green = v->blue = 1, v->u = 0.9f, v->v = 0.5f;
    ASSERT_TRUE(RasterizeTexturedTriangle(transparent, a, b, c, second.t));
    EXPECT_FALSE(second.Drawn(2, 2));
    EXPECT_EQ(second.depth[2 * 17 + 2], 2.0);
    for (ScreenVertex* v : {&a, &b, &c})
        v->u = 0.1f;
    ASSERT_TRUE(RasterizeTexturedTriangle(transparent, a, b, c, second.t));
    EXPECT_EQ(second.At(2, 2), 0xFF00FF00u);
    FreeSoftwareTexture(texture);
    FreeSoftwareTexture(transparent);
    for (PictureHandle p : {picture, clear, mixed})
        FreeGlobalHandle(p);
}

TEST(SoftwareLabels, TheLabelTextureIsKeptUntilTheLabelOrBackgroundChanges)
{
    TestApp();
    ReleaseLabelTextureCache();
    DocState doc;
    doc.BackgroundType = 0;
    doc.BackgroundColor[0] = doc.BackgroundColor[1] = doc.BackgroundColor[2] = 255;
    Target target(80, 40);
    char16_t text[] = u"Ab";
    ScreenVertex anchor = V(5, 5, 0.5f, 0);
    ASSERT_TRUE(RasterizeLabel(anchor, text, 20, target.t, &doc));
    const SoftwareTexture* first = GetLabelTextureCache().texture;
    ASSERT_NE(first, nullptr);
    EXPECT_GT(GetLabelTextureCache().width, 5);
    EXPECT_FLOAT_EQ(GetLabelTextureCache().lineHeight, 30);
    // Black text on white: some pixels black, the background stays out.
    int dark = 0;
    for (const auto& [x, y] : target.DrawnPixels()) {
        EXPECT_GE(x, 5);
        EXPECT_GE(y, 5);
        dark += (target.At(x, y) & 0xFFFFFF) < 0x404040;
    }
    EXPECT_GT(dark, 10);
    EXPECT_LT(target.DrawnPixels().size(), 500u) << "the white background is transparent";

    ASSERT_TRUE(RasterizeLabel(anchor, text, 20, target.t, &doc));
    EXPECT_EQ(GetLabelTextureCache().texture, first) << "the same label again: kept";
    text[0] = u'C';
    ASSERT_TRUE(RasterizeLabel(anchor, text, 20, target.t, &doc));
    EXPECT_EQ(GetLabelTextureCache().text, u"Cb") << "other text at the same address: made again";
    doc.BackgroundColor[2] = 0;
    ASSERT_TRUE(RasterizeLabel(anchor, text, 20, target.t, &doc));
    EXPECT_EQ(GetLabelTextureCache().backgroundColour, 0xFFFF00u) << "a new background: made again";
    ASSERT_TRUE(RasterizeLabel(anchor, text, 0, target.t, &doc));
    EXPECT_FLOAT_EQ(GetLabelTextureCache().lineHeight, 13.5f) << "size 0 is measured at 9";
    EXPECT_TRUE(RasterizeLabel(V(-1, 5), text, 20, target.t, &doc)) << "an anchor outside: nothing";
    ReleaseLabelTextureCache();
}

TEST(SoftwareShading, CornerLightMatchesTheFixedLight)
{
    const Camera3D camera{{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, -2, 2, -2, 2, -2, 2, kDefaultZoom3D, kMinDepthRadius3D};
    const double l = 1 / std::sqrt(3.0);
    const struct {
        float nx, ny, nz;
        bool front;
        double expected;
        const char* why;
    } cases[] = {
        {0, 0, 0, true, 0.2, "a zero normal: ambient only"},
        {1, 0, 0, true, 0.6 * l + 0.2 + 0.2 * std::pow(2 * l - l, 8), "facing the viewer"},
        {-1, 0, 0, false, 0.6 * l + 0.2 + 0.2 * std::pow(l, 8), "a back face is lit from its other side"},
        {0, 1, 0, true, 0.2, "facing away from the light"},
        {std::nanf(""), 0, 0, true, 0.2, "not finite"},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(CornerIntensity(camera, c.nx, c.ny, c.nz, c.front), c.expected, 1e-6) << c.why;
}

}  // namespace
