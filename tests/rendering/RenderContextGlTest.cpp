// The render context on the system's OpenGL (run under a virtual display).
#include "rendering/GLProbe.h"
#include "rendering/ViewRenderContext.h"

#include "document/DocState.h"
#include "drawing/DibImage.h"
#include "support/TestApp.h"

#include <GL/gl.h>
#include <QApplication>
#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

uint32_t Rgb(const DocState& doc, int x, int y)
{
    return GetDibImageBits(doc.graphPaneImage)[y * doc.graphPaneImage->header.biWidth + x] & 0xFFFFFF;
}

// For a look by eye: VL_SAVE_PICTURES=folder keeps the pane image.
void SavePicture(const DocState& doc, const char* name)
{
    const char* folder = std::getenv("VL_SAVE_PICTURES");
    if (!folder)
        return;
    const DibHeader& h = doc.graphPaneImage->header;
    QImage image(reinterpret_cast<const uchar*>(GetDibImageBits(doc.graphPaneImage)), h.biWidth, std::abs(h.biHeight),
                 QImage::Format_RGB32);
    image.save(QString::fromUtf8(folder) + "/" + name);
}

class RenderContextGl : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        pane = std::make_unique<QWidget>();
        pane->resize(300, 200);
        pane->show();
        QApplication::processEvents();
        ProbeOpenGL();
        ASSERT_TRUE(AreGLExtensionsAvailable()) << "Mesa offers every entry point the views need";
        doc.graphPaneImage = NewDibImage(ShortRect{0, 0, 200, 300});
        ctx.SetOwner(pane.get(), &doc);
    }
    void TearDown() override
    {
        ctx.Release();
        DestroyAllGLWindows();
        DisposeDibImage(doc.graphPaneImage);
        pane.reset();
    }

    std::unique_ptr<QWidget> pane;
    DocState doc;
    ViewRenderContext ctx;
    Camera3D camera{{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, -2, 2, -2, 2, -2, 2, kDefaultZoom3D, kMinDepthRadius3D};
};

TEST_F(RenderContextGl, FrameShowsBackgroundAndTriangleWhereTheProjectionSays)
{
    doc.BackgroundType = 0;
    doc.BackgroundColor[0] = 0, doc.BackgroundColor[1] = 0, doc.BackgroundColor[2] = 255;
    const ShortRect view{20, 40, 180, 280};
    ctx.Configure(view, &camera);
    ASSERT_TRUE(ctx.IsOpenGL());
    EXPECT_NE(ctx.GetGLContext(), nullptr);
    EXPECT_TRUE(ctx.CanUseGPUPrograms());
    ASSERT_EQ(ctx.BeginFrame(false), 0);
    // A flat red triangle facing the eye, which looks along -x: screen right
    // is +y, up is +z.
    GLFunctions& gl = ctx.gl;
    gl.Disable(GL_LIGHTING);
    gl.Color4f(1, 0, 0, 1);
    gl.Begin(GL_TRIANGLES);
    gl.Vertex3d(0, -0.5, -0.5);
    gl.Vertex3d(0, 0.5, -0.5);
    gl.Vertex3d(0, 0, 0.5);
    gl.End();
    gl.Enable(GL_LIGHTING);
    EXPECT_EQ(gl.GetError(), static_cast<uint32_t>(GL_NO_ERROR));
    EXPECT_EQ(ctx.Present(), 0);
    ctx.CopyFrameToPicture();
    SavePicture(doc, "gl-triangle.png");

    // Where the software projection puts the triangle's points, the frame is
    // red (the software context draws into a pane image of its own).
    DocState other;
    other.graphPaneImage = NewDibImage(ShortRect{0, 0, 200, 300});
    ViewRenderContext software;
    software.SetOwner(nullptr, &other);
    software.SetRequestedMode(RenderModeSoftware);
    software.Configure(view, &camera);
    ASSERT_EQ(software.BeginFrame(false), 0);
    struct Probe {
        double y, z;
        uint32_t rgb;
        const char* why;
    };
    const Probe probes[] = {
        {0, 0, 0xFF0000, "the centre"},
        {0.35, -0.4, 0xFF0000, "near the right corner"},
        {0, 0.4, 0xFF0000, "near the apex"},
        {0.45, 0.3, 0x0000FF, "beside the apex: background"},
        {0, -0.7, 0x0000FF, "below the base: background"},
    };
    for (const Probe& p : probes) {
        const ProjectedPoint at = ProjectSoftwarePoint(software, 0, p.y, p.z);
        EXPECT_EQ(Rgb(doc, view.left + static_cast<int>(at.x), view.top + static_cast<int>(at.y)), p.rgb) << p.why;
    }
    EXPECT_EQ(Rgb(doc, view.left + 1, view.top + 1), 0x0000FFu) << "the view's corner";
    software.Release();
    DisposeDibImage(other.graphPaneImage);
}

TEST_F(RenderContextGl, FloorBackgroundDrawsWallsAboveTheFloor)
{
    doc.BackgroundType = 1;
    const ShortRect view{0, 0, 200, 300};
    ctx.Configure(view, &camera);
    ASSERT_TRUE(ctx.IsOpenGL());
    ASSERT_EQ(ctx.BeginFrame(false), 0);
    EXPECT_EQ(ctx.gl.GetError(), static_cast<uint32_t>(GL_NO_ERROR));
    ctx.Present();
    ctx.CopyFrameToPicture();
    SavePicture(doc, "gl-floor.png");
    // Green: left wall 204 (its lines too), right wall 238 or 255 on its
    // lines, floor 255.
    // The software back-end composes the same scene.
    DocState other;
    other.BackgroundType = 1;
    other.graphPaneImage = NewDibImage(ShortRect{0, 0, 200, 300});
    ViewRenderContext software;
    software.SetOwner(nullptr, &other);
    software.SetRequestedMode(RenderModeSoftware);
    software.Configure(view, &camera);
    ASSERT_EQ(software.BeginFrame(false), 0);
    SavePicture(other, "software-floor.png");
    for (const DocState* d : {static_cast<const DocState*>(&doc), static_cast<const DocState*>(&other)}) {
        auto green = [&](int x, int y) { return (Rgb(*d, x, y) >> 8) & 0xFF; };
        EXPECT_EQ(green(20, 5), 204u) << "left wall";
        EXPECT_GE(green(280, 5), 238u) << "right wall";
        EXPECT_EQ(green(150, 190), 255u) << "floor";
    }
    software.Release();
    DisposeDibImage(other.graphPaneImage);
}

}  // namespace
