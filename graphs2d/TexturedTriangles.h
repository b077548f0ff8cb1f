// A small software rasteriser for textured triangles: the texture is a
// pyramid of ten square levels (512 by 512 down to 1 by 1, each texel the
// average of the 2 by 2 beneath it), a triangle reads the level that
// matches its magnification, and each pixel averages 16 samples. The
// target's red, green and blue are multiplied by the texture's, so a white
// target takes the texture's colour.
#pragma once

#include "CoreUtilities/ShortRect.h"

#include <cstdint>

// A triangle corner: pixel position in the target, texture coordinates in
// [0, 1] (t = 0 at the picture's bottom).
struct TexturedVertex {
    float x, y;
    float s, t;
    uint32_t scratch[2];
};

constexpr int32_t kTextureLevels = 10;
constexpr int32_t kTextureSize = 512;
// Bytes of all ten levels together.
constexpr uint32_t kTexturePyramidBytes = 1398100;

struct TexturePyramid {
    // One budgeted block; null when it could not be had.
    uint32_t* block = nullptr;
    // Level k is 2^k by 2^k, row 0 at the bottom.
    uint32_t* levels[kTextureLevels] = {};
};

// The pixel offset of level k in the block: (4^k - 1) / 3.
constexpr uint32_t TextureLevelOffset(int32_t k)
{
    return ((1u << (2 * k)) - 1) / 3;
}

// Allocates the block (failure 36 when refused) and points the levels into it.
bool AllocateTexturePyramid(TexturePyramid& pyramid);
void FreeTexturePyramid(TexturePyramid& pyramid);
// Level 9 from the rectangle of a top-down 32-bit picture, resampled, then
// every smaller level from the one above it.
void FillTexturePyramid(TexturePyramid& pyramid, const uint8_t* pixels, int32_t rowBytes, const ShortRect& r);
// Each level from the one above it, byte by byte (a + b + c + d) >> 2.
void ReduceTexturePyramid(TexturePyramid& pyramid);

// The level a triangle of twice the area a in pixels and at in texture
// units reads: the smallest L with |a / at| <= 4^L, else 9.
int32_t TextureLevelFor(double a, double at);

// Sutherland-Hodgman clipping of the polygon (n vertices, room for 9 in
// out) against left <= x <= right, top <= y <= bottom; the new count.
int32_t ClipTexturedPolygon(const TexturedVertex* in, int32_t n, const ShortRect& bounds, TexturedVertex* out);

// A target of 32-bit pixels, top-down.
struct TextureTarget {
    uint32_t* pixels;
    int32_t width, height;
    int32_t rowPixels;
};

// Clips the triangle to the target and fills it.
void DrawTexturedTriangle(const TextureTarget& target, const TexturePyramid& pyramid, const TexturedVertex& a,
                          const TexturedVertex& b, const TexturedVertex& c);
// Fills a triangle lying within the target; one that is a line or a point
// after its corners are snapped to whole pixels draws nothing.
void FillTexturedTriangle(const TextureTarget& target, const TexturePyramid& pyramid, TexturedVertex a,
                          TexturedVertex b, TexturedVertex c);
