// A render context's textures: made from pictures in the context's mode,
// checked before use and freed only where they belong.
#include "rendering/SoftwareTextures.h"
#include "rendering/ViewRenderContext.h"

#include "document/DocState.h"
#include "drawing/DibImage.h"

#include <cstdint>

namespace {

uint32_t NameOf(TextureHandle texture)
{
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(texture));
}

}  // namespace

TextureHandle ViewRenderContext::CreateTextureFromPicture(PictureHandle picture)
{
    if (!picture)
        return nullptr;
    switch (mode) {
    case RenderModeNone:
        // The software path will want a pane image to draw into.
        if (doc && !doc->graphPaneImage)
            doc->graphPaneImage = NewDibImage(ShortRect{0, 0, 10, 10});
        return nullptr;
    case RenderModeSoftware:
        return MakeSoftwareTexture(picture, doc, false);
    case RenderModeGLWindow:
        MakeCurrent();
        return reinterpret_cast<TextureHandle>(uintptr_t{CreateGLTextureFromPicture(picture, gl)});
    default:
        return nullptr;
    }
}

bool ViewRenderContext::IsTextureValid(TextureHandle texture)
{
    if (mode != RenderModeGLWindow)
        return true;
    const uint32_t name = NameOf(texture);
    for (uint32_t background : backgroundTextures)
        if (background != 0 && background == name)
            return false;
    MakeCurrent();
    return gl.IsTexture(name);
}

void ViewRenderContext::DeleteTexture(TextureHandle texture, int32_t kind, GLContextHandle glContext)
{
    if (!texture)
        return;
    if (kind == RenderModeSoftware) {
        FreeSoftwareTexture(static_cast<SoftwareTexture*>(texture));
    } else if (kind == RenderModeGLWindow && mode == RenderModeGLWindow && GetGLContext() == glContext) {
        // A name of another context goes with that context.
        MakeCurrent();
        gl.DeleteTexture(NameOf(texture));
    }
}
