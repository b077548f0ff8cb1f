// Textures made from pictures and from label texts: the software
// renderer's mip-mapped 512 x 512 textures, and OpenGL textures of
// power-of-two sizes up to 512. User-interface thread only.
#pragma once

#include "CoreUtilities/PictureHandle.h"

#include <cstdint>

class GLFunctions;
struct DocState;

// One block: the ten level pointers, then the levels from 1 x 1 up to
// 512 x 512 texels (level k is 2^k x 2^k, 0xAARRGGBB), rows from the
// picture's bottom row upwards.
struct SoftwareTexture {
    uint32_t* levels[10];
};
constexpr uint32_t kSoftwareTexelBytes = 1398100;
constexpr uint32_t kSoftwareTextureBytes = sizeof(SoftwareTexture) + kSoftwareTexelBytes;

// 4, doubled while below n, at most 512.
int32_t TextureSizeFor(int32_t n);
// The picture stretched over 512 x 512 with its mip levels. With colourKey
// the texels of the document's background colour (white on a textured
// background) become transparent and all others opaque; without it a
// picture with no alpha at all becomes opaque. Null (failure 36 posted)
// when memory is refused or the picture is unusable.
SoftwareTexture* MakeSoftwareTexture(PictureHandle picture, const DocState* doc, bool colourKey);
void FreeSoftwareTexture(SoftwareTexture* texture);
// The text at its baseline in a plain "Times New Roman" of that size (9
// unless inside (0, 100)), colour 0xRRGGBB, on a transparent background.
SoftwareTexture* CreateTextTexture(const char16_t* text, float size, uint32_t colour, const DocState* doc);
// A texture name of the current OpenGL context holding the picture
// stretched to power-of-two sides; its first row is the picture's top row.
// 0 for an unusable picture.
uint32_t CreateGLTextureFromPicture(PictureHandle picture, GLFunctions& gl);
// A new texture name of the current context bound to GL_TEXTURE_2D, with
// one wrap mode for s and t and one filter for both directions.
uint32_t NewBoundTexture2D(GLFunctions& gl, int wrap, int filter);
