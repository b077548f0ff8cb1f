// The software renderer's buffers: fragment storage in chunks, the clears
// at the start of a frame and the blend of each pixel's fragments at its end.
#include "rendering/SoftwareBuffers.h"

#include "rendering/ViewRenderContext.h"

#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "drawing/DDUtils.h"
#include "drawing/DibImage.h"
#include "drawing/OffscreenSurface.h"
#include "drawing/Rasteriser.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

Fragment* AllocFragment(FragmentChunks& chunks)
{
    const int32_t index = chunks.lastFragment + 1;
    const int32_t chunk = index >> 16;
    if ((index & 0xFFFF) == 0) {
        auto** table = new (std::nothrow) Fragment*[chunk + 1];
        if (!table)
            return nullptr;
        auto* block = static_cast<Fragment*>(BudgetMalloc(sizeof(Fragment) * kFragmentsPerChunk, false));
        if (!block) {
            delete[] table;
            return nullptr;
        }
        if (chunks.table)
            std::copy(chunks.table, chunks.table + chunk, table);
        table[chunk] = block;
        delete[] chunks.table;
        chunks.table = table;
    }
    chunks.lastFragment = index;
    return chunks.table[chunk] + (index & 0xFFFF);
}

void InsertFragmentSorted(FragmentChunks& chunks, int32_t* head, Fragment* fragment)
{
    int32_t* link = head;
    while (*link >= 0) {
        const Fragment& f = chunks.table[*link >> 16][*link & 0xFFFF];
        // A NaN on either side never stops the walk.
        if (f.depth <= fragment->depth)
            break;
        link = &chunks.table[*link >> 16][*link & 0xFFFF].next;
    }
    fragment->next = *link;
    *link = chunks.lastFragment;
}

void FreeFragmentChunks(FragmentChunks& chunks)
{
    if (chunks.table && chunks.lastFragment >= 0) {
        for (int32_t i = 0; i <= chunks.lastFragment >> 16; ++i)
            BudgetFree(chunks.table[i]);
    }
    delete[] chunks.table;
    chunks.table = nullptr;
    chunks.lastFragment = -1;
}

void ResetABuffer(ViewRenderContext& ctx)
{
    if (ctx.heads)
        std::memset(ctx.heads.get(), 0xFF, sizeof(int32_t) * static_cast<size_t>(ctx.bufferWidth) * ctx.bufferHeight);
    FreeFragmentChunks(ctx.fragments);
}

void ClearDepthBuffer(ViewRenderContext& ctx)
{
    if (ctx.depthBuffer)
        std::fill_n(ctx.depthBuffer.get(), static_cast<size_t>(ctx.bufferWidth) * ctx.bufferHeight, 2.0);
}

void ClearSoftwareColorBuffer(ViewRenderContext& ctx)
{
    OffscreenSurface* surface = ctx.supersample;
    if (!surface || !ctx.doc || !LockSurface(surface))
        return;
    uint8_t* base = GetSurfaceBaseAddress(surface);
    const int32_t rowBytes = GetSurfaceRowBytes(surface);
    const ShortRect bounds = GetSurfaceBounds(surface);
    const uint8_t* c = ctx.doc->BackgroundColor;
    const uint32_t plain = 0xFF000000u | uint32_t{c[0]} << 16 | uint32_t{c[1]} << 8 | c[2];
    for (int y = 0; y < bounds.bottom; ++y)
        FillPixelRun(reinterpret_cast<uint32_t*>(base + static_cast<ptrdiff_t>(y) * rowBytes), bounds.right, plain);
    DibImage* image = ctx.doc->graphPaneImage;
    if (ctx.doc->BackgroundType != 0 && image && GetDibImageBits(image)) {
        // The composed background is in the pane already, the right way up:
        // each of its pixels becomes a 2x2 block.
        const int32_t imageWidth = image->header.biWidth, imageHeight = std::abs(image->header.biHeight);
        const int32_t imageRowBytes = GetDibImageRowBytes(image);
        const auto* pane = reinterpret_cast<const uint8_t*>(GetDibImageBits(image));
        const int32_t rows = std::min(ShortRectHeight(ctx.innerRect), bounds.bottom - ctx.innerRect.top);
        const int32_t columns = std::min(ShortRectWidth(ctx.innerRect), bounds.right - ctx.innerRect.left);
        for (int32_t y = 0; y < rows; ++y) {
            const int32_t sy = ctx.viewRect.top + y / 2;
            if (sy < 0 || sy >= imageHeight)
                continue;
            const auto* in = reinterpret_cast<const uint32_t*>(pane + static_cast<ptrdiff_t>(sy) * imageRowBytes);
            auto* out = reinterpret_cast<uint32_t*>(base + static_cast<ptrdiff_t>(ctx.innerRect.top + y) * rowBytes) +
                        ctx.innerRect.left;
            for (int32_t x = 0; x < columns; ++x) {
                const int32_t sx = ctx.viewRect.left + x / 2;
                if (sx >= 0 && sx < imageWidth)
                    out[x] = in[sx] | 0xFF000000u;
            }
        }
    }
    UnlockSurface(surface);
}

namespace {

// Fragments over the pixel, farthest first, in integer arithmetic.
uint32_t BlendFragments(const FragmentChunks& chunks, int32_t index, uint32_t pixel)
{
    uint32_t b = pixel & 0xFF, g = pixel >> 8 & 0xFF, r = pixel >> 16 & 0xFF, a = pixel >> 24;
    for (; index >= 0;) {
        const Fragment& f = chunks.table[index >> 16][index & 0xFFFF];
        const uint32_t t = f.colour >> 24, keep = 255 - t;
        b = ((f.colour & 0xFF) * t + b * keep) / 255;
        g = ((f.colour >> 8 & 0xFF) * t + g * keep) / 255;
        r = ((f.colour >> 16 & 0xFF) * t + r * keep) / 255;
        a = 255 - ((255 - a) * keep) / 255;
        index = f.next;
    }
    return a << 24 | r << 16 | g << 8 | b;
}

}  // namespace

void ResolveABuffer(ViewRenderContext& ctx)
{
    if (!ctx.heads || !ctx.fragments.table)
        return;
    const SoftwareTarget t = MakeSoftwareTarget(ctx);
    if (!t.colour)
        return;
    const int32_t top = t.originY, left = t.originX;
    const int32_t bottom = std::min(t.height, top + t.viewHeight * t.factor);
    const int32_t right = std::min(t.width, left + t.viewWidth * t.factor);
    for (int32_t y = top; y < bottom; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(t.colour + static_cast<ptrdiff_t>(y) * t.rowBytes);
        const int32_t* head = t.heads + static_cast<size_t>(y) * t.stride;
        for (int32_t x = left; x < right; ++x) {
            if (head[x] >= 0)
                row[x] = BlendFragments(ctx.fragments, head[x], row[x]);
        }
    }
}

SoftwareTarget MakeSoftwareTarget(ViewRenderContext& ctx)
{
    SoftwareTarget t;
    t.depth = ctx.depthBuffer.get();
    t.heads = ctx.heads.get();
    t.stride = ctx.bufferWidth;
    t.chunks = &ctx.fragments;
    t.viewWidth = std::max(0, ShortRectWidth(ctx.viewRect));
    t.viewHeight = std::max(0, ShortRectHeight(ctx.viewRect));
    if (ctx.supersample && IsSurfaceLocked(ctx.supersample)) {
        t.colour = GetSurfaceBaseAddress(ctx.supersample);
        t.rowBytes = GetSurfaceRowBytes(ctx.supersample);
        const ShortRect bounds = GetSurfaceBounds(ctx.supersample);
        t.width = std::min<int32_t>(bounds.right, ctx.bufferWidth);
        t.height = std::min<int32_t>(bounds.bottom, ctx.bufferHeight);
        t.factor = 2;
        t.originX = ctx.innerRect.left;
        t.originY = ctx.innerRect.top;
        return t;
    }
    DibImage* image = ctx.doc ? ctx.doc->graphPaneImage : nullptr;
    if (!image || !GetDibImageBits(image) || ctx.viewRect.left < 0 || ctx.viewRect.top < 0)
        return t;
    // The view's pixels inside the pane image; an image smaller than the
    // view takes what fits.
    const int32_t imageWidth = image->header.biWidth, imageHeight = std::abs(image->header.biHeight);
    t.rowBytes = GetDibImageRowBytes(image);
    t.colour = reinterpret_cast<uint8_t*>(GetDibImageBits(image)) +
               static_cast<ptrdiff_t>(ctx.viewRect.top) * t.rowBytes + 4 * ctx.viewRect.left;
    t.width = std::max(0, std::min({t.viewWidth, imageWidth - ctx.viewRect.left, ctx.bufferWidth}));
    t.height = std::max(0, std::min({t.viewHeight, imageHeight - ctx.viewRect.top, ctx.bufferHeight}));
    return t;
}
