// The software renderer's per-frame buffers: the depth buffer for opaque
// scenes, the A-buffer (per-pixel lists of fragments, farthest first) for
// translucent ones, and where a scan converter writes a pixel. Everything
// here runs on the user-interface thread inside a view's frame.
#pragma once

#include <cstddef>
#include <cstdint>

class ViewRenderContext;

// One entry of a pixel's list in the A-buffer.
struct Fragment {
    // Index of the next fragment of the same pixel; -1 ends the list.
    int32_t next;
    double depth;
    // 0xAARRGGBB.
    uint32_t colour;
};

// Fragments live in chunks of 65,536 so that a frame allocates once per
// chunk; an index holds the chunk in its high 16 bits.
constexpr int32_t kFragmentsPerChunk = 65536;
struct FragmentChunks {
    Fragment** table = nullptr;
    int32_t lastFragment = -1;
};

// The next free fragment; null (nothing changed) when memory is refused.
Fragment* AllocFragment(FragmentChunks& chunks);
// Links the fragment last allocated into the list at head, which stays
// ordered from the farthest to the nearest; of two equal depths the later
// lies nearer the head.
void InsertFragmentSorted(FragmentChunks& chunks, int32_t* head, Fragment* fragment);
// Frees every chunk and the table.
void FreeFragmentChunks(FragmentChunks& chunks);

// Where the scan converters write, in buffer pixels: the view's pixels at
// 1x, the supersample surface (the view's pixels from the inner rectangle
// on) at 2x. Exactly one of depth and heads is set.
struct SoftwareTarget {
    uint8_t* colour = nullptr;
    int32_t rowBytes = 0;
    double* depth = nullptr;
    int32_t* heads = nullptr;
    // Row stride of depth and heads.
    int32_t stride = 0;
    // The pixels that may be written: [0, width) x [0, height).
    int32_t width = 0, height = 0;
    // Supersample factor (1 or 2) and where the view's pixel (0, 0) lies.
    int32_t factor = 1;
    int32_t originX = 0, originY = 0;
    // The view in 1x pixels, for clipping.
    int32_t viewWidth = 0, viewHeight = 0;
    FragmentChunks* chunks = nullptr;
};

// A 0..255 channel value as a byte: 0 at or below 0, 255 at or above 255,
// otherwise truncated.
inline uint32_t ChannelByte(float value)
{
    if (!(value > 0))
        return 0;
    if (value >= 255)
        return 255;
    return static_cast<uint32_t>(value);
}
inline uint32_t PackColour(float red, float green, float blue, float alpha)
{
    return ChannelByte(alpha) << 24 | ChannelByte(red) << 16 | ChannelByte(green) << 8 | ChannelByte(blue);
}

// Writes the pixel at index of depth and heads (colour at pixel): a sorted
// fragment, or, when nearer than the stored depth and depthWrite allows,
// its depth and colour. False only when a fragment was refused.
inline bool WritePixel(SoftwareTarget& t, size_t index, uint32_t* pixel, double depth, uint32_t colour,
                       bool depthWrite = true)
{
    if (t.heads) {
        Fragment* f = AllocFragment(*t.chunks);
        if (!f)
            return false;
        f->depth = depth;
        f->colour = colour;
        InsertFragmentSorted(*t.chunks, t.heads + index, f);
    } else if (depth < t.depth[index] && depthWrite) {
        t.depth[index] = depth;
        *pixel = colour;
    }
    return true;
}

// Writes one pixel at (x, y); pixels outside the target are left out.
inline bool PlotPixel(SoftwareTarget& t, int32_t x, int32_t y, double depth, uint32_t colour)
{
    if (static_cast<uint32_t>(x) >= static_cast<uint32_t>(t.width) ||
        static_cast<uint32_t>(y) >= static_cast<uint32_t>(t.height))
        return true;
    return WritePixel(t, static_cast<size_t>(y) * t.stride + x,
                      reinterpret_cast<uint32_t*>(t.colour + static_cast<ptrdiff_t>(y) * t.rowBytes) + x, depth,
                      colour);
}

// Per-frame clears, after the background is in the 1x target.
void ResetABuffer(ViewRenderContext& ctx);
void ClearDepthBuffer(ViewRenderContext& ctx);
void ClearSoftwareColorBuffer(ViewRenderContext& ctx);
// Blends every pixel's fragments into the colour target, farthest first.
void ResolveABuffer(ViewRenderContext& ctx);
// Where the scan converters of this frame write.
SoftwareTarget MakeSoftwareTarget(ViewRenderContext& ctx);
