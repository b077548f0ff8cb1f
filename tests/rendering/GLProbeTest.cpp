#include "rendering/GLProbe.h"

#include "document/DocState.h"
#include "drawing/DibImage.h"
#include "rendering/ViewRenderContext.h"
#include "support/RecordingGL.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace {

TEST(GLProbe, ExtensionNamesMatchWholeWordsOnly)
{
    struct Case {
        const char* list;
        const char* name;
        bool expected;
    };
    const Case cases[] = {
        {"GL_ARB_vertex_buffer_object", "GL_ARB_vertex_buffer", false},
        {"GL_ARB_vertex_buffer_object GL_ARB_vertex_buffer", "GL_ARB_vertex_buffer", true},
        {"XGL_ARB_multisample GL_ARB_multisample_x", "GL_ARB_multisample", false},
        {"GL_A GL_ARB_multisample", "GL_ARB_multisample", true},
        {"GL_ARB_multisample GL_B", "GL_ARB_multisample", true},
        {"GL_ARB_multisample", "", false},
        {"GL_ARB multisample", "GL_ARB multisample", false},
        {nullptr, "GL_ARB_multisample", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ListHasExtension(c.list, c.name), c.expected) << (c.list ? c.list : "(none)") << " / " << c.name;

    RecordingGL gl;
    gl.extensions = "GL_ONLY_IN_GL";
    gl.windowSystemExtensions = "GLX_ONLY_IN_WINDOW_SYSTEM";
    EXPECT_TRUE(HasGLExtension(gl, "GL_ONLY_IN_GL"));
    EXPECT_TRUE(HasGLExtension(gl, "GLX_ONLY_IN_WINDOW_SYSTEM"));
    EXPECT_FALSE(HasGLExtension(gl, "GL_ONLY"));
}

TEST(GLProbe, RendererNamesDecideVendorAndBufferObjects)
{
    struct Case {
        const char* renderer;
        bool nvidia, vbos;
    };
    const Case cases[] = {
        {"nVidia GeForce", true, true},
        {"NV30", true, true},
        {"Nouveau", false, true},
        {"ATI Radeon 9800 Pro", false, false},
        {"ATI Radeon 9600", false, true},
        {"llvmpipe (LLVM 15.0.6, 256 bits)", false, true},
    };
    RecordingGL gl;
    for (const Case& c : cases) {
        gl.renderer = c.renderer;
        EXPECT_EQ(IsNVIDIARendererString(gl), c.nvidia) << c.renderer;
        EXPECT_EQ(ShouldUseVBOs(gl), c.vbos) << c.renderer;
    }
    gl.extensions = "GL_ARB_vertex_program";
    gl.renderer = "NV30";
    EXPECT_FALSE(ShouldUseVBOs(gl)) << "no buffer-object extension";
}

TEST(GLProbe, ProbeChoosesSamplesAndNeedsEveryEntryPoint)
{
    struct Case {
        std::set<int> granted;
        std::string missing;
        bool probeWorks;
        int samples;
        bool available;
    };
    const Case cases[] = {
        {{4, 2}, "", true, 4, true},
        {{2}, "", true, 2, true},
        {{}, "", true, 0, true},
        {{4}, "glProgramStringARB", true, 4, false},
        {{4}, "glProgramLocalParameter4dARB", true, 4, false},
        {{4}, "", false, 0, false},
    };
    for (const Case& c : cases) {
        RecordingGL gl;
        gl.grantedSamples = c.granted;
        if (!c.missing.empty())
            gl.missingEntryPoints.insert(c.missing);
        gl.probeWorks = c.probeWorks;
        ProbeOpenGL(gl);
        EXPECT_EQ(GetGLWindowSamples(), c.samples);
        EXPECT_EQ(AreGLExtensionsAvailable(), c.available) << c.missing;
        EXPECT_EQ(gl.Count("EndProbe"), c.probeWorks ? 1 : 0) << "the probe's context lives only while it runs";
    }
    // Entry points resolve in order and stop at the first missing one.
    RecordingGL gl;
    gl.missingEntryPoints.insert(kGLEntryPointNames[EntryBindBuffer]);
    ProbeOpenGL(gl);
    EXPECT_EQ(gl.Count("GetProcAddress"), EntryBindBuffer + 1);
    EXPECT_EQ(GetGLEntryPoint(EntryBindBuffer), nullptr);
}

TEST(GLProbe, ContextsUseTheProbeOutcomeWithoutProbingAgain)
{
    RecordingGL probe;
    probe.grantedSamples = {2};
    ProbeOpenGL(probe);
    const int probes = GetProbeCount();
    DocState doc;
    doc.graphPaneImage = NewDibImage(ShortRect{0, 0, 50, 50});
    RecordingGL gl;
    Camera3D camera{{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, -2, 2, -2, 2, -2, 2, kDefaultZoom3D, kMinDepthRadius3D};
    {
        ViewRenderContext first(gl), second(gl);
        for (ViewRenderContext* ctx : {&first, &second}) {
            ctx->SetOwner(nullptr, &doc);
            for (int frame = 0; frame < 3; ++frame)
                ctx->Configure(ShortRect{0, 0, 50, 50}, &camera);
        }
        EXPECT_EQ(gl.Args("CreateWindowAndContext"), std::vector<double>{2}) << "the probe's 2-sample format";
    }
    EXPECT_EQ(GetProbeCount(), probes);
    EXPECT_EQ(gl.Count("BeginProbe"), 0);
    DestroyAllGLWindows();
    DisposeDibImage(doc.graphPaneImage);
}

TEST(GLProbe, FreshChildWindowIsLitAndDrainsErrors)
{
    RecordingGL probe;
    ProbeOpenGL(probe);
    DocState doc;
    doc.graphPaneImage = NewDibImage(ShortRect{0, 0, 50, 50});
    RecordingGL gl;
    gl.renderer = "NVIDIA";
    // The filter hint is unknown to some drivers; its error must not stay queued.
    gl.pendingErrors = {GL_INVALID_ENUM, GL_INVALID_ENUM};
    ViewRenderContext ctx(gl);
    ctx.SetOwner(nullptr, &doc);
    ctx.Configure(ShortRect{0, 0, 50, 50}, nullptr);
    ASSERT_TRUE(ctx.IsOpenGL());
    EXPECT_TRUE(ctx.IsNVIDIARenderer());
    EXPECT_TRUE(ctx.UsesVBOs());
    EXPECT_EQ(ctx.GetVBOWindow(), ctx.glWindow);
    EXPECT_TRUE(gl.HasSequence({
        {"ShadeModel", {GL_SMOOTH}},
        {"Enable", {GL_LIGHTING}},
        {"Enable", {GL_NORMALIZE}},
        {"Enable", {GL_DEPTH_TEST}},
        {"LightModeli", {GL_LIGHT_MODEL_TWO_SIDE, 1}},
        {"LightModelfv", {GL_LIGHT_MODEL_AMBIENT, 0.2, 0.2, 0.2, 1}},
        {"LoadIdentity", {}},
        {"Lightfv", {GL_LIGHT0, GL_DIFFUSE, 0.6, 0.6, 0.6, 1}},
        {"Lightfv", {GL_LIGHT0, GL_SPECULAR, 0.2, 0.2, 0.2, 1}},
        {"Lightfv", {GL_LIGHT0, GL_POSITION, -1, 1, 1, 0}},
        {"Enable", {GL_LIGHT0}},
        {"EnableClientState", {GL_VERTEX_ARRAY}},
        {"PointSize", {1.5}},
    }));
    EXPECT_TRUE(gl.pendingErrors.empty());
    ctx.Release();
    DestroyAllGLWindows();
    DisposeDibImage(doc.graphPaneImage);
}

}  // namespace
