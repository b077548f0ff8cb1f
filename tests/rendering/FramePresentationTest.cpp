#include "rendering/FrameBackground.h"
#include "rendering/GLProbe.h"
#include "rendering/ViewRenderContext.h"

#include "document/DocState.h"
#include "drawing/DDUtils.h"
#include "drawing/DibImage.h"
#include "drawing/OffscreenSurface.h"
#include "support/RecordingGL.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kOffset = 0.5 * 100 * 0.3972 / kDefaultZoom3D;  // pixels per box unit at the centre, 100-pixel side

uint32_t& PanePixel(DocState& doc, int x, int y)
{
    return GetDibImageBits(doc.graphPaneImage)[y * doc.graphPaneImage->header.biWidth + x];
}

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RecordingGL probe;
        ProbeOpenGL(probe);
        doc.BackgroundType = 0;
        doc.BackgroundColor[0] = 51, doc.BackgroundColor[1] = 102, doc.BackgroundColor[2] = 153;
        doc.graphPaneImage = NewDibImage(ShortRect{0, 0, 200, 300});
        std::fill_n(GetDibImageBits(doc.graphPaneImage), 200 * 300, 0u);
        ctx.SetOwner(nullptr, &doc);
        ResetFramesPresented();
    }
    void TearDown() override
    {
        ctx.Release();
        DestroyAllGLWindows();
        DisposeDibImage(doc.graphPaneImage);
    }
    void Configure(const ShortRect& r, int32_t requested)
    {
        ctx.SetRequestedMode(requested);
        ctx.Configure(r, &camera);
        ASSERT_EQ(ctx.GetMode(), requested);
    }

    DocState doc;
    RecordingGL gl;
    ViewRenderContext ctx{gl};
    Camera3D camera{{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, -2, 2, -2, 2, -2, 2, kDefaultZoom3D, kMinDepthRadius3D};
};

TEST_F(FrameTest, SoftwareProjectionScalesBySmallerSideAndMapsDepth)
{
    struct Case {
        ShortRect rect;
        double x, y, z;
        double px, py, depth;
        const char* why;
    };
    const Case cases[] = {
        {{0, 0, 100, 100}, 0, 0, 0, 50, 50, 0.5, "centre, halfway in depth"},
        {{0, 0, 100, 200}, 0, 0, 0, 100, 50, 0.5, "wide view: centre"},
        {{0, 0, 100, 100}, 0, 1, 0, 50 + kOffset, 50, 0.5, "square: one unit right"},
        {{0, 0, 100, 200}, 0, 1, 0, 100 + kOffset, 50, 0.5, "wide: the same size"},
        {{0, 0, 100, 200}, 0, 0, 1, 100, 50 - kOffset, 0.5, "up is up"},
        {{0, 0, 100, 100}, 2.3, 0, 0, 50, 50, 0, "near distance"},
        {{0, 0, 100, 100}, -2.3, 0, 0, 50, 50, 1, "far distance"},
    };
    for (const Case& c : cases) {
        Configure(c.rect, RenderModeSoftware);
        ASSERT_EQ(ctx.BeginFrame(false), 0);
        const ProjectedPoint p = ProjectSoftwarePoint(ctx, c.x, c.y, c.z);
        EXPECT_NEAR(p.x, c.px, 1e-9) << c.why;
        EXPECT_NEAR(p.y, c.py, 1e-9) << c.why;
        EXPECT_NEAR(p.depth, c.depth, 1e-9) << c.why;
    }
    // Far off screen both coordinates shrink by one factor.
    const ProjectedPoint far = ProjectSoftwarePoint(ctx, 49.99, 1000, 500);
    EXPECT_NEAR(std::max(std::fabs(far.x), std::fabs(far.y)), 16383, 1e-6);
    // A depth radius of 60: near 1 and far 100 in software.
    camera.depthRadius = 60;
    ctx.BeginFrame(false);
    EXPECT_NEAR(ProjectSoftwarePoint(ctx, 49, 0, 0).depth, 0, 1e-12);
    EXPECT_NEAR(ProjectSoftwarePoint(ctx, -50, 0, 0).depth, 1, 1e-12);
}

TEST_F(FrameTest, OpenGLFrameSetsCameraProjectionAndPlainBackground)
{
    camera.xmin = 0, camera.xmax = 8;
    Configure(ShortRect{10, 20, 110, 220}, RenderModeGLWindow);
    gl.Clear();
    ASSERT_EQ(ctx.BeginFrame(false), 0);
    const double aspect = 2;
    EXPECT_TRUE(gl.HasSequence({
        {"MoveWindow", {20, 10, 200, 100}},
        {"SetWindowViewRect", {20, 10}},
        {"Viewport", {0, 0, 200, 100}},
        {"ClearColor", {0.2, 0.4, 0.6, 0}},
        {"Clear", {GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT}},
        {"MatrixMode", {GL_MODELVIEW}},
        {"LoadIdentity", {}},
        {"LookAt", {50, 0, 0, 0, 0, 0, 0, 0, 1}},
        {"Scaled", {0.5, 1, 1}},
        {"Translated", {-4, 0, 0}},
        {"MatrixMode", {GL_PROJECTION}},
        {"LoadIdentity", {}},
        {"Perspective", {10, aspect, 47.7, 52.3}},
        {"Translated", {0.3 / 200, 0, 0}},
        {"Materialfv", {GL_FRONT_AND_BACK, GL_SPECULAR, 1, 1, 1, 1}},
        {"Color4f", {1, 1, 1, 1}},
    }));
    EXPECT_EQ(gl.Count("Begin"), 0) << "a plain background draws nothing";

    // A tall view widens the field by 1 / aspect; a deep scene moves the planes.
    camera.depthRadius = 60;
    Configure(ShortRect{0, 0, 100, 50}, RenderModeGLWindow);
    gl.Clear();
    ctx.BeginFrame(false);
    EXPECT_TRUE(gl.HasSequence({{"Perspective", {20, 0.5, 1, 110}}}));
    EXPECT_DOUBLE_EQ(FieldOfViewDegrees(kDefaultZoom3D, 3), 10);

    // Before a post pass: transparent black, no background.
    doc.BackgroundType = 1;
    gl.Clear();
    ctx.BeginFrame(true);
    EXPECT_TRUE(gl.HasSequence({{"ClearColor", {0, 0, 0, 0}}, {"Clear", {GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT}}}));
    EXPECT_EQ(gl.Count("Begin"), 0);
}

TEST_F(FrameTest, OpenGLBackgroundsUseTexturesMadeOncePerContext)
{
    doc.BackgroundType = 2;
    Configure(ShortRect{0, 0, 64, 32}, RenderModeGLWindow);
    gl.Clear();
    ctx.BeginFrame(false);
    EXPECT_TRUE(gl.HasSequence({
        {"Disable", {GL_LIGHTING}},
        {"Disable", {GL_DEPTH_TEST}},
        {"Enable", {GL_TEXTURE_2D}},
        {"Clear", {GL_DEPTH_BUFFER_BIT}},
        {"DepthMask", {0}},
        {"TexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT}},
        {"PixelStorei", {GL_UNPACK_SWAP_BYTES, 1}},
        {"TexImage2D", {GL_TEXTURE_2D, 0, GL_RGBA, 16, 16, 0}},
        {"PixelStorei", {GL_UNPACK_SWAP_BYTES, 0}},
        {"Begin", {GL_QUADS}},
        {"TexCoord2d", {2, 4}},
        {"Vertex2d", {1, 1}},
        {"End", {}},
        {"DepthMask", {1}},
        {"Disable", {GL_TEXTURE_2D}},
        {"Enable", {GL_LIGHTING}},
    }));
    ctx.BeginFrame(false);
    EXPECT_EQ(gl.Count("GenTexture"), 1) << "the tile texture is made once";

    doc.BackgroundType = 1;
    gl.Clear();
    ctx.BeginFrame(false);
    EXPECT_EQ(gl.Count("GenTexture"), 2) << "the two wall textures join the floor's";
    EXPECT_EQ(gl.Count("Begin"), 3);
    // The floor's apex sits 16 pixels below the top centre: (16, 48) from
    // the bottom left of a view 32 wide and 64 high.
    EXPECT_TRUE(gl.HasSequence({{"Begin", {GL_POLYGON}}, {"TexCoord2d", {1, -3}}, {"Vertex2d", {0, 0.5}}}));

    // A new configuration forgets the names with its rendering context.
    ctx.Release();
    EXPECT_EQ(ctx.backgroundTextures[0], 0u);
}

TEST_F(FrameTest, PresentSwapsOrCopiesAndCountsEveryFrame)
{
    // Mode 0 still counts.
    EXPECT_EQ(ctx.Present(), 0);
    EXPECT_EQ(GetFramesPresented(), 1u);

    Configure(ShortRect{10, 20, 110, 220}, RenderModeGLWindow);
    gl.Clear();
    EXPECT_EQ(ctx.Present(), 0);
    EXPECT_TRUE(gl.HasSequence({{"ReadPixels", {0, 0, 200, 100}}, {"SwapBuffers", {}}}))
        << "the frame is kept before the swap leaves the back buffer undefined";
    EXPECT_EQ(GetFramesPresented(), 2u);

    // The kept frame lands in the pane image top row first.
    ctx.CopyFrameToPicture();
    EXPECT_EQ(PanePixel(doc, 20, 10), 0xFF000000u | 99u << 8 | 0u);
    EXPECT_EQ(PanePixel(doc, 219, 109), 0xFF000000u | 0u << 8 | 199u);

    // Software: the view's rectangle of the frame goes to the port.
    OffscreenSurface* port = NewOffscreenSurface(ShortRect{0, 0, 200, 300});
    ASSERT_NE(port, nullptr);
    OffscreenSurface* previous = SetCurrentPort(port);
    Configure(ShortRect{10, 20, 110, 220}, RenderModeSoftware);
    ASSERT_EQ(ctx.BeginFrame(false), 0);
    EXPECT_EQ(PanePixel(doc, 20, 10), 0xFF336699u) << "plain background";
    EXPECT_EQ(PanePixel(doc, 19, 10), 0u) << "only the view's rectangle";
    EXPECT_EQ(ctx.Present(), 0);
    EXPECT_EQ(port->memory[10 * 300 + 20], 0xFF336699u);
    EXPECT_EQ(port->memory[10 * 300 + 19], 0u);
    EXPECT_EQ(GetFramesPresented(), 3u);

    // Without a pane image software frames are neither begun nor counted.
    DibImage* image = doc.graphPaneImage;
    doc.graphPaneImage = nullptr;
    EXPECT_EQ(ctx.BeginFrame(false), 2);
    EXPECT_EQ(ctx.Present(), 2);
    EXPECT_EQ(GetFramesPresented(), 3u);
    doc.graphPaneImage = image;
    SetCurrentPort(previous);
    DisposeOffscreenSurface(port);
}

uint32_t Tile(int bitmap, int column, int row)
{
    uint32_t pixel = 0;
    EXPECT_TRUE(TilePixel(bitmap, column, row, pixel));
    return 0xFF000000u | pixel;
}

TEST_F(FrameTest, SoftwareBackgroundsAreComposedOnceAndCopiedReversed)
{
    // Tiles: the copy reverses the rows, so each tile shows its top row at its bottom.
    doc.BackgroundType = 2;
    Configure(ShortRect{0, 0, 32, 40}, RenderModeSoftware);
    ctx.BeginFrame(false);
    EXPECT_TRUE(ctx.backgroundComposed);
    for (int x : {0, 7, 39}) {
        EXPECT_EQ(PanePixel(doc, x, 31), Tile(kFloorTile, x, 0)) << x;
        EXPECT_EQ(PanePixel(doc, x, 0), Tile(kFloorTile, x, 31)) << x;
    }

    // Floor and walls: the walls take the top 16 rows, split at the centre,
    // with columns counted from the centre (floor modulo left of it).
    doc.BackgroundType = 1;
    ctx.Release();
    Configure(ShortRect{0, 0, 60, 40}, RenderModeSoftware);
    ctx.BeginFrame(false);
    const int centre = 20;
    EXPECT_EQ(PanePixel(doc, centre - 1, 0), Tile(kLeftWallTile, 15, 0));
    EXPECT_EQ(PanePixel(doc, centre, 0), Tile(kRightWallTile, 0, 0));
    EXPECT_EQ(PanePixel(doc, centre, 59), Tile(kFloorTile, 0, 59)) << "floor below";
    // Row k below the walls: the floor spans centre - 2k .. centre + 2k.
    EXPECT_EQ(PanePixel(doc, centre - 5, 16 + 2), Tile(kLeftWallTile, -5, 18));
    EXPECT_EQ(PanePixel(doc, centre - 4, 16 + 2), Tile(kFloorTile, -4, 18));
    EXPECT_EQ(PanePixel(doc, centre + 4, 16 + 2), Tile(kRightWallTile, 4, 18));

    // Less than 16 rows high: walls only.
    ctx.Release();
    Configure(ShortRect{0, 0, 10, 40}, RenderModeSoftware);
    ctx.BeginFrame(false);
    for (int y = 0; y < 10; ++y) {
        EXPECT_EQ(PanePixel(doc, 5, y), Tile(kLeftWallTile, 5 - centre, y)) << y;
        EXPECT_EQ(PanePixel(doc, 30, y), Tile(kRightWallTile, 30 - centre, y)) << y;
    }
}

}  // namespace
