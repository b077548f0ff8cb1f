// The HSV post pass: graphs whose colour programs give hue, saturation and
// value are drawn over a transparent black frame; the frame is then copied
// into a rectangle texture and drawn again over the background through a
// program that turns it into red, green and blue, keeping its alpha.
#include "rendering/ViewRenderContext.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "rendering/GpuProgramObject.h"
#include "rendering/GpuProgramTexts.h"

#include <GL/gl.h>

#ifndef GL_TEXTURE_RECTANGLE
#define GL_TEXTURE_RECTANGLE 0x84F5
#endif
#ifndef GL_FRAGMENT_PROGRAM_ARB
#define GL_FRAGMENT_PROGRAM_ARB 0x8804
#endif
#ifndef GL_MULTISAMPLE_ARB
#define GL_MULTISAMPLE_ARB 0x809D
#endif
#ifndef GL_CLAMP
#define GL_CLAMP 0x2900
#endif

void ViewRenderContext::HSVToRGBPostPass()
{
    if (mode != RenderModeGLWindow || !glWindow)
        return;
    const int width = ShortRectWidth(viewRect), height = ShortRectHeight(viewRect);
    if (width <= 0 || height <= 0)
        return;
    auto restore = [&] {
        gl.DepthMask(true);
        gl.Disable(GL_BLEND);
        gl.Enable(GL_DEPTH_TEST);
        gl.Enable(GL_LIGHT0);
        gl.Enable(GL_LIGHTING);
        gl.Enable(GL_NORMALIZE);
        gl.Color4f(1, 1, 1, 1);
    };
    gl.Disable(GL_DEPTH_TEST);
    gl.Disable(GL_LIGHT0);
    gl.Disable(GL_LIGHTING);
    gl.Disable(GL_NORMALIZE);
    gl.Enable(GL_BLEND);
    gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (!postPassTexture || postPassWidth != width || postPassHeight != height) {
        if (postPassTexture)
            gl.DeleteTexture(postPassTexture);
        while (gl.GetError() != GL_NO_ERROR) {
        }
        postPassTexture = gl.GenTexture();
        gl.BindTexture(GL_TEXTURE_RECTANGLE, postPassTexture);
        gl.TexImage2D(GL_TEXTURE_RECTANGLE, 0, 4, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        postPassWidth = width;
        postPassHeight = height;
        if (gl.GetError() != GL_NO_ERROR) {
            // Copying into a texture that does not exist would show garbage:
            // the frame stays as drawn.
            gl.DeleteTexture(postPassTexture);
            postPassTexture = 0;
            postPassWidth = postPassHeight = 0;
            PostFailure(FailureRendering);
            restore();
            return;
        }
    }
    gl.BindTexture(GL_TEXTURE_RECTANGLE, postPassTexture);
    gl.ReadBuffer(GL_BACK);
    gl.CopyTexSubImage2D(GL_TEXTURE_RECTANGLE, 0, 0, 0, 0, 0, width, height);

    gl.Enable(GL_MULTISAMPLE_ARB);
    // The background again, over the depth buffer of the graphs.
    SetupCamera(false, false);
    gl.Disable(GL_LIGHT0);
    gl.Disable(GL_LIGHTING);
    gl.Disable(GL_NORMALIZE);
    gl.DepthMask(false);
    gl.Enable(GL_FRAGMENT_PROGRAM_ARB);
    gl.Enable(GL_TEXTURE_RECTANGLE);
    if (hsvProgram.text.empty()) {
        hsvProgram.name = "HSVToRGB";
        hsvProgram.text = HSVToRGBProgramText();
        hsvProgram.type = GpuFragmentProgram;
    }
    BindGpuProgram(gl, hsvProgram);
    gl.Color4f(1, 1, 1, 1);
    gl.BindTexture(GL_TEXTURE_RECTANGLE, postPassTexture);
    gl.TexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_WRAP_S, GL_CLAMP);
    gl.TexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_WRAP_T, GL_CLAMP);
    gl.TexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl.TexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_MIN_FILTER, GL_NEAREST);

    // One quad over the view in pixels; rectangle textures address pixels.
    gl.MatrixMode(GL_PROJECTION);
    gl.PushMatrix();
    gl.LoadIdentity();
    gl.MatrixMode(GL_MODELVIEW);
    gl.PushMatrix();
    gl.LoadIdentity();
    gl.Translated(-1, -1, 0);
    gl.Scaled(2.0 / width, 2.0 / height, 1);
    gl.Translated(0.375, 0.375, 0);
    gl.Begin(GL_QUADS);
    const double corners[4][2] = {{0, 0}, {double(width), 0}, {double(width), double(height)}, {0, double(height)}};
    for (const auto& c : corners) {
        gl.TexCoord2d(c[0], c[1]);
        gl.Vertex2d(c[0], c[1]);
    }
    gl.End();
    gl.MatrixMode(GL_PROJECTION);
    gl.PopMatrix();
    gl.MatrixMode(GL_MODELVIEW);
    gl.PopMatrix();

    gl.Disable(GL_TEXTURE_RECTANGLE);
    gl.Disable(GL_FRAGMENT_PROGRAM_ARB);
    restore();
}
