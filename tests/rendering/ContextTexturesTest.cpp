// Textures of a render context in each mode, and the HSV post pass, on the
// recording OpenGL table.
#include "rendering/GLProbe.h"
#include "rendering/SoftwareTextures.h"
#include "rendering/ViewRenderContext.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "document/DocState.h"
#include "drawing/DibImage.h"
#include "support/RecordingGL.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace {

constexpr uint32_t kRectangleTexture = 0x84F5;

class ContextTextures : public ::testing::Test {
protected:
    void SetUp() override
    {
        RecordingGL probe;
        ProbeOpenGL(probe);
        doc.BackgroundType = 0;
        doc.graphPaneImage = NewDibImage(ShortRect{0, 0, 100, 100});
        ctx.SetOwner(nullptr, &doc);
        picture = NewPictureHandle(ShortRect{0, 0, 3, 5});
        ResetFailureRegister();
    }
    void TearDown() override
    {
        ctx.Release();
        DestroyAllGLWindows();
        DisposeDibImage(doc.graphPaneImage);
        FreeGlobalHandle(picture);
    }
    void Configure(int32_t requested)
    {
        ctx.SetRequestedMode(requested);
        ctx.Configure(ShortRect{0, 0, 60, 80}, &camera);
        ASSERT_EQ(ctx.GetMode(), requested);
    }

    DocState doc;
    RecordingGL gl;
    ViewRenderContext ctx{gl};
    PictureHandle picture = nullptr;
    Camera3D camera{{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, -2, 2, -2, 2, -2, 2, kDefaultZoom3D, kMinDepthRadius3D};
};

TEST_F(ContextTextures, SoftwareTexturesAreMadeAndFreedInSoftwareMode)
{
    Configure(RenderModeSoftware);
    TextureHandle texture = ctx.CreateTextureFromPicture(picture);
    ASSERT_NE(texture, nullptr);
    EXPECT_TRUE(ctx.IsTextureValid(texture));
    EXPECT_EQ(ctx.CreateTextureFromPicture(nullptr), nullptr);
    ctx.DeleteTexture(texture, RenderModeSoftware, nullptr);
    EXPECT_EQ(gl.Count("GenTexture"), 0);
}

TEST_F(ContextTextures, OpenGLTexturesArePowerOfTwoAndFreedOnlyInTheirOwnContext)
{
    Configure(RenderModeGLWindow);
    TextureHandle texture = ctx.CreateTextureFromPicture(picture);
    ASSERT_NE(texture, nullptr);
    const std::vector<double> image = gl.Args("TexImage2D");
    ASSERT_GE(image.size(), 5u);
    EXPECT_EQ(image[3], 8) << "width 5 -> 8";
    EXPECT_EQ(image[4], 4) << "height 3 -> 4";
    EXPECT_TRUE(ctx.IsTextureValid(texture));
    gl.texturesValid = false;
    EXPECT_FALSE(ctx.IsTextureValid(texture));
    int other = 0;
    ctx.DeleteTexture(texture, RenderModeGLWindow, &other);
    EXPECT_EQ(gl.Count("DeleteTexture"), 0) << "another context's name is left to that context";
    ctx.DeleteTexture(texture, RenderModeGLWindow, ctx.GetGLContext());
    EXPECT_EQ(gl.Count("DeleteTexture"), 1);
}

TEST_F(ContextTextures, HSVPostPassCopiesTheFrameIntoATextureKeptWhileTheSizeHolds)
{
    Configure(RenderModeGLWindow);
    ASSERT_EQ(ctx.BeginFrame(true), 0);
    const int madeBefore = gl.Count("GenTexture");
    ctx.HSVToRGBPostPass();
    ctx.HSVToRGBPostPass();
    EXPECT_EQ(gl.Count("GenTexture"), madeBefore + 1) << "made once for the view's size";
    EXPECT_EQ(gl.Args("CopyTexSubImage2D"), (std::vector<double>{kRectangleTexture, 0, 0, 0, 0, 0, 80, 60}));
    EXPECT_EQ(gl.Count("CopyTexSubImage2D"), 2);
    EXPECT_EQ(gl.Count("PushMatrix"), gl.Count("PopMatrix"));
    EXPECT_FALSE(IsFailurePending());

    // A texture the driver refuses: failure 49 and the frame left as drawn.
    ctx.Release();
    Configure(RenderModeGLWindow);
    gl.calls.clear();
    gl.pendingErrors = {GL_NO_ERROR, GL_OUT_OF_MEMORY};
    ctx.HSVToRGBPostPass();
    EXPECT_EQ(gl.Count("CopyTexSubImage2D"), 0);
    EXPECT_EQ(TakePendingFailure(), FailureRendering);
    EXPECT_EQ(ctx.postPassTexture, 0u);
}

}  // namespace
