#include "graphs2d/ATextureMapPlot.h"

#include "CoreUtilities/MemoryBudget.h"
#include "document/GraphOptions.h"
#include "support/MapPlotFixture.h"

#include <cmath>
#include <vector>

namespace {

class TextureMapPlot : public MapPlotFixture {
protected:
    ATextureMapPlot* Plot()
    {
        auto* plot = dynamic_cast<ATextureMapPlot*>(second()->Plot(0));
        EXPECT_NE(plot, nullptr);
        if (plot)
            EXPECT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
        return plot;
    }
};

TEST(TextureMesh, SpacingFollowsTheResolution)
{
    const struct {
        double grain;
        int32_t spacing;
    } cases[] = {{0, 15}, {0.5, 10}, {1, 5}, {1.6, 5}, {-3, 15}, {NAN, 10}};
    for (const auto& c : cases)
        EXPECT_EQ(TextureMeshSpacing(c.grain), c.spacing) << c.grain;
}

// A 300 by 200 first view at resolution 0.5 has a mesh of 32 by 22 nodes.
TEST_F(TextureMapPlot, TheMeshCoversTheFirstView)
{
    Map(2, "x", "y", 0.5);
    ATextureMapPlot* plot = Plot();
    ASSERT_NE(plot, nullptr);
    first()->rect = ShortRect{8, 8, 208, 308};
    first()->Resized();
    plot->Restart();
    ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
    EXPECT_EQ(plot->MeshColumns(), 32);
    EXPECT_EQ(plot->MeshRows(), 22);
    // The mesh runs from the view's top-left corner to its bottom-right.
    const ViewMapping& m = first()->screenMapping;
    EXPECT_DOUBLE_EQ(plot->Node(0, 0).x, static_cast<float>((m.rect.left - m.originX) * m.unitsPerPixelX));
    EXPECT_DOUBLE_EQ(plot->Node(31, 21).y, static_cast<float>(-(m.rect.bottom - m.originY) * m.unitsPerPixelY));

    plot->SetOption(OptionResolution, 1);
    ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
    EXPECT_EQ(plot->MeshColumns(), 300 / 5 + 2);
    EXPECT_EQ(plot->MeshRows(), 200 / 5 + 2);
}

// The identity carries the first view's picture over unchanged, up to the
// texture's resampling and averaging.
TEST_F(TextureMapPlot, TheIdentityMapShowsTheFirstViewAgain)
{
    Map(2, "x", "y");
    ASSERT_NE(Plot(), nullptr);
    DrawBoth();
    EXPECT_LT(MeanDifferenceFromFirstView(), 8.0);
    // The red line at y = 0.5 comes through reddish.
    const uint32_t c = Colour(second()->rect.left + 40, second()->screenMapping.YToPixel(0.5));
    EXPECT_GT((c >> 16) & 0xFF, 200u);
    EXPECT_LT((c >> 8) & 0xFF, 160u);
}

// Nodes the map leaves undefined drop their triangles: left of x = 0 the
// second view keeps its own pixels.
TEST_F(TextureMapPlot, UndefinedNodesDropTheirTriangles)
{
    Map(2, "sqrt(x)", "y");
    ATextureMapPlot* plot = Plot();
    ASSERT_NE(plot, nullptr);
    TexturedVertex corner;
    EXPECT_FALSE(plot->MapCorner(0, 3, corner));
    EXPECT_TRUE(plot->MapCorner(plot->MeshColumns() - 1, 3, corner));
    EXPECT_FLOAT_EQ(corner.s, 1);
    DrawBoth();
    const ShortRect& r = second()->rect;
    // sqrt(x) puts nothing left of the second view's x = 0.
    const int32_t axis = second()->screenMapping.XToPixel(0);
    for (int v = r.top + 2; v < r.bottom - 2; v += 5)
        EXPECT_EQ(Colour(axis - 3, v), 0xFFFFFFu) << v;
}

// A first view zoomed after the mesh was made gets a new mesh at the next
// draw.
TEST_F(TextureMapPlot, AMovedFirstViewIsMeshedAgain)
{
    Map(2, "x", "y");
    ATextureMapPlot* plot = Plot();
    ASSERT_NE(plot, nullptr);
    const float before = plot->Node(0, 0).x;
    first()->SetRanges(-4, 4, -4, 4);
    DrawBoth();
    ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
    EXPECT_NE(plot->Node(0, 0).x, before);
    const ViewMapping& m = first()->screenMapping;
    EXPECT_FLOAT_EQ(plot->Node(0, 0).x, static_cast<float>((m.rect.left - m.originX) * m.unitsPerPixelX));
}

TEST(TexturePyramid, LevelsLieOneAfterTheOtherAndAverageTheirParents)
{
    const uint32_t offsets[kTextureLevels] = {0, 1, 5, 21, 85, 341, 1365, 5461, 21845, 87381};
    for (int32_t k = 0; k < kTextureLevels; ++k)
        EXPECT_EQ(TextureLevelOffset(k), offsets[k]);
    EXPECT_EQ(4 * (TextureLevelOffset(kTextureLevels - 1) + kTextureSize * kTextureSize), kTexturePyramidBytes);

    TexturePyramid pyramid;
    ASSERT_TRUE(AllocateTexturePyramid(pyramid));
    uint32_t* top = pyramid.levels[9];
    for (int32_t i = 0; i < kTextureSize * kTextureSize; ++i)
        top[i] = (i % 2) ? 0xFF00FF04u : 0xFF000000u;
    ReduceTexturePyramid(pyramid);
    // Byte by byte: (4 x 255) >> 2, (2 x 255) >> 2 and (2 x 4) >> 2.
    EXPECT_EQ(pyramid.levels[8][0], 0xFF007F02u);
    EXPECT_EQ(pyramid.levels[0][0], 0xFF007F02u);
    FreeTexturePyramid(pyramid);
}

TEST(TexturePyramid, TheLevelFollowsTheMagnification)
{
    const struct {
        double pixels, texture;
        int32_t level;
    } cases[] = {
        {1, 1, 0}, {4, 1, 1}, {5, 1, 2}, {-40000, 0.5, 9}, {2, 0, 9}, {65536, 1, 8}, {65537, 1, 9},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextureLevelFor(c.pixels, c.texture), c.level) << c.pixels << " " << c.texture;
}

TexturedVertex Vertex(float x, float y, float s = 0, float t = 0)
{
    TexturedVertex v{};
    v.x = x, v.y = y, v.s = s, v.t = t;
    return v;
}

TEST(TexturedTriangles, ThePolygonIsClippedToTheBounds)
{
    ShortRect bounds;
    SetShortRect(bounds, 0, 0, 10, 10);
    TexturedVertex out[9];
    const TexturedVertex inside[3] = {Vertex(1, 1), Vertex(5, 1), Vertex(1, 5)};
    EXPECT_EQ(ClipTexturedPolygon(inside, 3, bounds, out), 3);
    const TexturedVertex outside[3] = {Vertex(-5, 1), Vertex(-1, 1), Vertex(-5, 5)};
    EXPECT_EQ(ClipTexturedPolygon(outside, 3, bounds, out), 0);
    // Across the left side: the corner outside becomes two on the side,
    // with s interpolated.
    const TexturedVertex across[3] = {Vertex(-2, 2, 0), Vertex(2, 2, 1), Vertex(2, 6, 1)};
    const int32_t n = ClipTexturedPolygon(across, 3, bounds, out);
    EXPECT_EQ(n, 4);
    for (int32_t i = 0; i < n; ++i) {
        EXPECT_GE(out[i].x, 0);
        if (out[i].x == 0)
            EXPECT_FLOAT_EQ(out[i].s, 0.5f);
    }
}

TEST(TexturedTriangles, ALineOrAPointDrawsNothing)
{
    TexturePyramid pyramid;
    ASSERT_TRUE(AllocateTexturePyramid(pyramid));
    std::fill(pyramid.block, pyramid.block + kTexturePyramidBytes / 4, 0u);
    std::vector<uint32_t> pixels(16 * 16, 0xFFFFFFFFu);
    const TextureTarget target{pixels.data(), 16, 16, 16};
    FillTexturedTriangle(target, pyramid, Vertex(1, 1), Vertex(5, 5), Vertex(9.5f, 9.2f));
    FillTexturedTriangle(target, pyramid, Vertex(3.2f, 3.1f), Vertex(3.7f, 3.9f), Vertex(3.5f, 3.3f));
    for (uint32_t p : pixels)
        EXPECT_EQ(p, 0xFFFFFFFFu);
    // A real triangle takes the texture's black, keeping the top byte.
    DrawTexturedTriangle(target, pyramid, Vertex(0, 0, 0, 0), Vertex(12, 0, 1, 0), Vertex(0, 12, 0, 1));
    EXPECT_EQ(pixels[2 * 16 + 2], 0xFF000000u);
    EXPECT_EQ(pixels[15 * 16 + 15], 0xFFFFFFFFu);
    FreeTexturePyramid(pyramid);
}

}  // namespace
