#include "rendering/ViewRenderContext.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "document/DocState.h"
#include "drawing/DibImage.h"
#include "rendering/GLProbe.h"
#include "support/RecordingGL.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr ShortRect kRect{10, 20, 110, 220};
constexpr ShortRect kOtherRect{10, 20, 110, 260};

Camera3D DefaultCamera()
{
    return Camera3D{{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, -2, 2, -2, 2, -2, 2, kDefaultZoom3D, kMinDepthRadius3D};
}

// A document with a pane image, a context on a recording table, and OpenGL
// probed (or not) on that table.
class RenderContextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetFailureRegister();
        SetHardwareAcceleration(0);
        doc.BackgroundType = 0;
        doc.graphPaneImage = NewDibImage(ShortRect{0, 0, 200, 300});
        Probe(true);
        ctx.SetOwner(nullptr, &doc);
    }
    void TearDown() override
    {
        ctx.Release();
        DestroyAllGLWindows();
        DisposeDibImage(doc.graphPaneImage);
        doc.graphPaneImage = nullptr;
        SetHardwareAcceleration(0);
        ResetFailureRegister();
    }
    void Probe(bool withGL)
    {
        RecordingGL probe;
        probe.probeWorks = withGL;
        ProbeOpenGL(probe);
    }

    DocState doc;
    RecordingGL gl;
    ViewRenderContext ctx{gl};
    Camera3D camera = DefaultCamera();
};

TEST_F(RenderContextTest, ModeChoiceFollowsRequestProbeSettingsAndDocument)
{
    struct Case {
        int32_t requested;
        bool openGL;
        int32_t acceleration;
        bool translucent, labels;
        int32_t expected;
        const char* why;
    };
    const Case cases[] = {
        {RenderModeAutomatic, true, 0, false, false, RenderModeGLWindow, "automatic picks OpenGL when it can"},
        {RenderModeAutomatic, true, 2, false, false, RenderModeGLWindow, "OpenGL allowed"},
        {RenderModeGLWindow, true, 0, false, false, RenderModeGLWindow, "OpenGL asked for"},
        {RenderModeSoftware, true, 0, false, false, RenderModeSoftware, "software asked for"},
        {RenderModeAutomatic, false, 0, false, false, RenderModeSoftware, "no OpenGL: software"},
        {RenderModeGLWindow, false, 0, false, false, RenderModeSoftware, "no OpenGL overrides the request"},
        {RenderModeGLWindow, true, 1, false, false, RenderModeSoftware, "software-only setting"},
        {RenderModeAutomatic, true, 1, false, false, RenderModeSoftware, "software-only setting, automatic"},
        {RenderModeGLWindow, true, 0, true, false, RenderModeSoftware, "translucency needs software"},
        {RenderModeAutomatic, true, 2, false, true, RenderModeSoftware, "plot labels need software"},
    };
    for (const Case& c : cases) {
        Probe(c.openGL);
        SetHardwareAcceleration(c.acceleration);
        doc.hasTranslucent = c.translucent;
        doc.hasPlotLabels = c.labels;
        ViewRenderContext fresh(gl);
        fresh.SetOwner(nullptr, &doc);
        fresh.SetRequestedMode(c.requested);
        EXPECT_EQ(fresh.ChooseMode(kRect), c.expected) << c.why;
        fresh.Configure(kRect, &camera);
        EXPECT_EQ(fresh.GetMode(), c.expected) << c.why;
        EXPECT_EQ(fresh.IsOpenGL(), c.expected == RenderModeGLWindow) << c.why;
        EXPECT_TRUE(fresh.IsReady()) << c.why;
    }
    doc.hasTranslucent = doc.hasPlotLabels = false;
}

TEST_F(RenderContextTest, AutomaticModeKeepsSoftwareUntilRectangleChangeOrRecheck)
{
    ctx.Configure(kRect, &camera);
    ASSERT_EQ(ctx.GetMode(), RenderModeGLWindow);
    doc.hasTranslucent = true;
    ctx.Configure(kRect, &camera);
    EXPECT_EQ(ctx.GetMode(), RenderModeSoftware) << "a translucent line moves the view to software";
    doc.hasTranslucent = false;
    ctx.Configure(kRect, &camera);
    EXPECT_EQ(ctx.GetMode(), RenderModeSoftware) << "opaque again: software stays";
    ctx.RequestModeRecheck();
    ctx.Configure(kRect, &camera);
    EXPECT_EQ(ctx.GetMode(), RenderModeGLWindow) << "a recheck returns to OpenGL";

    ctx.SetRequestedMode(RenderModeSoftware);
    ctx.Configure(kRect, &camera);
    ASSERT_EQ(ctx.GetMode(), RenderModeSoftware);
    ctx.SetRequestedMode(RenderModeAutomatic);
    ctx.Configure(kRect, &camera);
    EXPECT_EQ(ctx.GetMode(), RenderModeSoftware);
    ctx.Configure(kOtherRect, &camera);
    EXPECT_EQ(ctx.GetMode(), RenderModeGLWindow) << "a new rectangle chooses again";
}

TEST_F(RenderContextTest, BackEndIsRebuiltOnlyWhenSomethingChanged)
{
    ctx.Configure(kRect, &camera);
    ctx.Configure(kRect, &camera);
    EXPECT_EQ(gl.windowsCreated, 1) << "same rectangle and settings: built once";

    // A moved OpenGL view keeps its window; BeginFrame moves it.
    ctx.Configure(kOtherRect, &camera);
    EXPECT_EQ(gl.windowsCreated, 1);
    EXPECT_TRUE(EqualShortRects(ctx.viewRect, kOtherRect));
    gl.Clear();
    ctx.BeginFrame(false);
    EXPECT_TRUE(gl.HasSequence({{"MoveWindow", {20, 10, 240, 100}}, {"Viewport", {0, 0, 240, 100}}}));

    // Software: a new rectangle, translucency or pane image rebuilds.
    ctx.SetRequestedMode(RenderModeSoftware);
    ctx.Configure(kRect, &camera);
    ASSERT_EQ(ctx.GetMode(), RenderModeSoftware);
    EXPECT_EQ(ParkedGLWindowCount(), 1) << "the released window waits for the next redraw";
    double* depth = ctx.depthBuffer.get();
    ctx.Configure(kRect, &camera);
    EXPECT_EQ(ctx.depthBuffer.get(), depth) << "nothing changed: buffers kept";
    EXPECT_TRUE(ctx.NeedsReconfigure(kOtherRect, RenderModeSoftware));
    doc.hasTranslucent = true;
    ctx.Configure(kRect, &camera);
    EXPECT_NE(ctx.heads, nullptr) << "translucency: the A-buffer heads replace the depth buffer";
    EXPECT_EQ(ctx.depthBuffer, nullptr);
    doc.hasTranslucent = false;

    // A pane image of another size, even at the same address, rebuilds.
    ctx.Configure(kRect, &camera);
    doc.graphPaneImage->header.biWidth = 250;
    EXPECT_TRUE(ctx.NeedsReconfigure(kRect, RenderModeSoftware));
    doc.graphPaneImage->header.biWidth = 300;
    EXPECT_FALSE(ctx.NeedsReconfigure(kRect, RenderModeSoftware));

    DestroyAllGLWindows();
    EXPECT_EQ(ParkedGLWindowCount(), 0);
    EXPECT_EQ(gl.windowsDestroyed, 1);
}

TEST_F(RenderContextTest, ReleaseKeepsOnlyRequestedModeDocumentAndParent)
{
    ctx.SetRequestedMode(RenderModeGLWindow);
    ctx.Release();
    EXPECT_EQ(ctx.GetMode(), RenderModeNone) << "release in mode 0 only clears the record";
    EXPECT_EQ(ctx.GetRequestedMode(), RenderModeGLWindow);

    ctx.Configure(kRect, &camera);
    ctx.SetShinyColor(0x336699);
    ctx.Release();
    EXPECT_FALSE(ctx.IsReady());
    EXPECT_EQ(ctx.GetRequestedMode(), RenderModeGLWindow);
    EXPECT_EQ(ctx.doc, &doc);
    EXPECT_EQ(ctx.camera, nullptr);
    EXPECT_EQ(ctx.glWindow, nullptr);
    EXPECT_EQ(ctx.GetGLContext(), nullptr);
    EXPECT_EQ(ctx.fragments.lastFragment, -1);
    EXPECT_EQ(ParkedGLWindowCount(), 1);
    EXPECT_EQ(gl.windowsDestroyed, 0) << "parked, not destroyed";
}

TEST_F(RenderContextTest, FailedChildWindowFallsBackToSoftwareUntilRecheck)
{
    gl.failWindowCreation = true;
    ctx.Configure(kRect, &camera);
    EXPECT_EQ(ctx.GetMode(), RenderModeSoftware) << "the view still draws";
    EXPECT_EQ(TakePendingFailure(), FailureRendering);
    gl.Clear();
    ctx.Configure(kOtherRect, &camera);
    EXPECT_EQ(ctx.GetMode(), RenderModeSoftware);
    EXPECT_EQ(gl.Count("CreateWindowAndContext"), 0) << "not tried again every frame";
    gl.failWindowCreation = false;
    ctx.RequestModeRecheck();
    ctx.Configure(kOtherRect, &camera);
    EXPECT_EQ(ctx.GetMode(), RenderModeGLWindow);
}

TEST_F(RenderContextTest, BoxSizeAndBoundingRadiusUseTheNormalisedBox)
{
    camera.xmin = 0, camera.xmax = 8;
    camera.ymin = -1, camera.ymax = 1;
    camera.zmin = 10, camera.zmax = 14;
    ctx.Configure(kRect, &camera);
    double dx, dy, dz;
    ctx.GetBoxSize(dx, dy, dz);
    EXPECT_EQ(dx, 8);
    EXPECT_EQ(dy, 2);
    EXPECT_EQ(dz, 4);
    EXPECT_EQ(ctx.GetBoundingRadius(nullptr, 0), 0);
    // Each axis is scaled by 4 / width about the box centre (4, 0, 12).
    const float points[] = {4, 0, 12, 8, 0, 12, 4, 1, 14};
    EXPECT_DOUBLE_EQ(ctx.GetBoundingRadius(points, 2), 2);
    EXPECT_DOUBLE_EQ(ctx.GetBoundingRadius(points, 3), std::sqrt(8.0));
}

TEST_F(RenderContextTest, DrawingStateGoesToOpenGLOrToTheSoftwareRecord)
{
    const float xyz[6] = {}, uv[4] = {};
    ctx.Configure(kRect, &camera);
    ASSERT_TRUE(ctx.IsOpenGL());
    gl.Clear();
    ctx.SetShinyColor(0xFF8000);
    ctx.SetFlatColor(0x336699);
    ctx.SetColorArray(xyz);
    ctx.SetTexCoordArray(uv);
    ctx.SetClipPlane(1, 2, 3, 4);
    EXPECT_TRUE(gl.HasSequence({
        {"Materialf", {GL_FRONT_AND_BACK, GL_SHININESS, 32}},
        {"Materialfv", {GL_FRONT_AND_BACK, GL_SPECULAR, 1, 128 / 255.0, 0, 1}},
        {"Materialfv", {GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, 1, 128 / 255.0, 0, 1}},
        // Flat: the global ambient of 0.2 times the ambient gives the colour.
        {"Materialfv", {GL_FRONT_AND_BACK, GL_AMBIENT, 0x33 / 51.0, 0x66 / 51.0, 0x99 / 51.0, 1}},
        {"Enable", {GL_COLOR_MATERIAL}},
        {"ColorMaterial", {GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE}},
        {"ColorPointer", {3, GL_FLOAT, 0}},
        {"EnableClientState", {GL_TEXTURE_COORD_ARRAY}},
        {"TexCoordPointer", {2, GL_FLOAT, 0}},
        {"Enable", {GL_CLIP_PLANE1}},
        {"ClipPlane", {GL_CLIP_PLANE1, 1, 2, 3, 4}},
    }));
    GpuProgram* none = nullptr;
    EXPECT_FALSE(ctx.BindColorPrograms(none, none)) << "no program object yet: colours stay on the processor";

    ctx.SetRequestedMode(RenderModeSoftware);
    ctx.Configure(kRect, &camera);
    gl.Clear();
    ctx.SetShinyColor(0x123456);
    ctx.SetOpacity(0.5f);
    ctx.SetVertexArray(xyz, 2);
    ctx.SetColorArray(xyz);
    ctx.SetClipPlane(1, 2, 3, 4);
    EXPECT_EQ(ctx.currentColor, 0x123456u);
    EXPECT_EQ(ctx.opacity, 0.5f);
    EXPECT_EQ(ctx.vertexCount, 2);
    EXPECT_EQ(ctx.colors, xyz);
    EXPECT_EQ(ctx.colorSource, 1u);
    ctx.SetTexCoordArray(uv);
    EXPECT_EQ(ctx.colorSource, 2u);
    EXPECT_TRUE(gl.calls.empty()) << "software mode makes no GL call";

    ctx.Release();
    ctx.SetShinyColor(0xFFFFFF);
    ctx.SetVertexArray(xyz, 2);
    EXPECT_EQ(ctx.vertexCount, 0) << "mode 0 ignores drawing state";
    EXPECT_TRUE(gl.calls.empty());
}

TEST_F(RenderContextTest, GpuProgramsNeedOpenGLAndAllFourExtensions)
{
    EXPECT_FALSE(ctx.CanUseGPUPrograms()) << "mode 0";
    ctx.Configure(kRect, &camera);
    EXPECT_TRUE(ctx.CanUseGPUPrograms());
    gl.extensions = "GL_ARB_vertex_program GL_ARB_fragment_program GL_ARB_shader_objects";
    EXPECT_FALSE(ctx.CanUseGPUPrograms());
}

TEST_F(RenderContextTest, IgnoreZBufferFlagChangesOnlyWithOpenGL)
{
    SetIgnoreZBufferTest(true);
    Probe(false);
    SetIgnoreZBufferTest(false);
    EXPECT_TRUE(GetIgnoreZBufferTest());
    Probe(true);
    SetIgnoreZBufferTest(false);
    EXPECT_FALSE(GetIgnoreZBufferTest());
    SetIgnoreZBufferTest(true);
}

}  // namespace
