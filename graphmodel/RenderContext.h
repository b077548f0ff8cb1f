// What a 3D or 4D view and a graph colour ask of the renderer that draws
// them. The renderer derives its contexts from this class; the bodies here
// are those of a context that has no mode yet: it draws nothing, offers no
// GPU programs or textures, and remembers the mode it was asked for.
// User-interface thread only.
#pragma once

#include "CoreUtilities/PictureHandle.h"
#include "CoreUtilities/ShortRect.h"
#include "platform/WindowHandle.h"

#include <cstdint>

struct DocState;
struct GpuProgram;

// A texture made by a context; null for none.
using TextureHandle = void*;
// The OpenGL context of a context in mode 2; null otherwise.
using GLContextHandle = void*;

enum RenderMode : int32_t {
    RenderModeNone = 0,
    RenderModeSoftware = 1,
    RenderModeGLWindow = 2,
    RenderModeGLShared = 3,
    // Requested only: the context chooses.
    RenderModeAutomatic = 4,
};

class RenderContext {
public:
    RenderContext() = default;
    virtual ~RenderContext() = default;
    RenderContext(const RenderContext&) = delete;
    RenderContext& operator=(const RenderContext&) = delete;

    virtual void SetOwner(WindowHandle parent, DocState* doc);
    // The mode in use (RenderMode 0-3) and its OpenGL context.
    virtual int32_t GetMode() { return RenderModeNone; }
    virtual GLContextHandle GetGLContext() { return nullptr; }
    // The mode asked for: 4 automatic, 1 software, 2 OpenGL child window.
    virtual int32_t GetRequestedMode() { return requestedMode_; }
    virtual void SetRequestedMode(int32_t mode) { requestedMode_ = mode; }
    // Tears the current mode down.
    virtual void Release() {}
    // The automatic mode chooses again at the next frame.
    virtual void RequestModeRecheck() {}
    // Copies the view's OpenGL frame into the graph pane's picture.
    virtual void CopyFrameToPicture() {}

    // OpenGL with vertex and fragment programs.
    virtual bool CanUseGPUPrograms() { return false; }
    virtual bool IsNVIDIARenderer() { return false; }
    // False when either program fails to load or bind.
    virtual bool BindColorPrograms(GpuProgram* fragment, GpuProgram* vertex);
    virtual void UnbindColorPrograms() {}
    // Local parameter index of the bound fragment program.
    virtual void SetFragmentProgramParameter(int32_t index, const double (&values)[4]);
    virtual void SetShinyColor(RgbColor rgb);

    // Null when no texture can be made.
    virtual TextureHandle CreateTextureFromPicture(PictureHandle picture);
    virtual bool IsTextureValid(TextureHandle texture);
    // Frees a texture made while the context had that mode and GL context.
    virtual void DeleteTexture(TextureHandle texture, int32_t mode, GLContextHandle glContext);
    // Turns the HSV colours of the frame drawn so far into RGB (OpenGL only).
    virtual void HSVToRGBPostPass() {}

private:
    int32_t requestedMode_ = RenderModeAutomatic;
};
