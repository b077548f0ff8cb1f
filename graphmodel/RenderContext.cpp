#include "graphmodel/RenderContext.h"

// A context without a mode has no window to draw in, programs to bind or
// textures to make.
void RenderContext::SetOwner(WindowHandle, DocState*) {}

bool RenderContext::BindColorPrograms(GpuProgram*, GpuProgram*)
{
    return false;
}

void RenderContext::SetFragmentProgramParameter(int32_t, const double (&)[4]) {}

void RenderContext::SetShinyColor(RgbColor) {}

TextureHandle RenderContext::CreateTextureFromPicture(PictureHandle)
{
    return nullptr;
}

bool RenderContext::IsTextureValid(TextureHandle)
{
    return false;
}

void RenderContext::DeleteTexture(TextureHandle, int32_t, GLContextHandle) {}
