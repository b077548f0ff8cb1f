#include "rendering/FrameBackground.h"
#include "rendering/SoftwareTextures.h"

#include "document/DocState.h"
#include "drawing/DDUtils.h"
#include "drawing/OffscreenSurface.h"
#include "platform/BitmapResource.h"
#include "rendering/ViewRenderContext.h"

#include <GL/gl.h>

#include <algorithm>

#ifndef GL_BGRA
#define GL_BGRA 0x80E1
#endif
#ifndef GL_UNSIGNED_INT_8_8_8_8
#define GL_UNSIGNED_INT_8_8_8_8 0x8035
#endif

namespace {

constexpr int kTileSize = 16;
// Window background where a picture is missing.
constexpr uint32_t kWindowBackground = 0xFFFFFFFF;

// Loaded once per process; an empty picture stands for a missing one.
const BitmapPixels& Tile(int bitmap)
{
    static BitmapPixels tiles[3];
    static bool loaded = false;
    if (!loaded) {
        loaded = true;
        for (int i = 0; i < 3; ++i) {
            if (!LoadBitmapResource(kFloorTile + i, tiles[i]) || tiles[i].width != kTileSize ||
                tiles[i].height != kTileSize)
                tiles[i] = BitmapPixels{};
        }
    }
    static const BitmapPixels none;
    return bitmap >= kFloorTile && bitmap <= kLeftWallTile ? tiles[bitmap - kFloorTile] : none;
}

// Slot of the render context's texture names: 279, 281, 280.
int TextureSlot(int bitmap)
{
    return bitmap == kFloorTile ? 0 : bitmap == kLeftWallTile ? 1 : 2;
}

uint32_t TileTexture(ViewRenderContext& ctx, int bitmap)
{
    uint32_t& name = ctx.backgroundTextures[TextureSlot(bitmap)];
    if (!name)
        name = CreateTileTexture(ctx, bitmap);
    return name;
}

// A point given in view pixels from the left and bottom edges.
void FloorVertex(GLFunctions& gl, double x, double y, int width, int height)
{
    gl.TexCoord2d(x / kTileSize, -y / kTileSize);
    gl.Vertex2d(2 * x / width - 1, 2 * y / height - 1);
}

// Row k below the walls: which picture covers pane column x.
int FloorRowTile(int x, int centre, int k, int right)
{
    if (x < centre - 2 * k)
        return kLeftWallTile;
    if (x < std::min(centre + 2 * k, right))
        return kFloorTile;
    return kRightWallTile;
}

}  // namespace

bool TilePixel(int bitmap, int i, int j, uint32_t& out)
{
    const BitmapPixels& tile = Tile(bitmap);
    if (tile.pixels.empty())
        return false;
    // Floor modulo: columns left of the centre count down from 15.
    out = tile.pixels[static_cast<size_t>((j & 15) * kTileSize + (i & 15))];
    return true;
}

uint32_t CreateTileTexture(ViewRenderContext& ctx, int bitmap)
{
    const BitmapPixels& tile = Tile(bitmap);
    if (tile.pixels.empty())
        return 0;
    // Opaque words 0xAARRGGBB; with the bytes swapped they arrive as B, G, R, A.
    uint32_t rows[kTileSize * kTileSize];
    for (int i = 0; i < kTileSize * kTileSize; ++i)
        rows[i] = 0xFF000000u | tile.pixels[static_cast<size_t>(i)];
    GLFunctions& gl = ctx.gl;
    const uint32_t name = NewBoundTexture2D(gl, GL_REPEAT, GL_NEAREST);
    gl.PixelStorei(GL_UNPACK_ROW_LENGTH, kTileSize);
    gl.PixelStorei(GL_UNPACK_SWAP_BYTES, 1);
    gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kTileSize, kTileSize, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8, rows);
    gl.PixelStorei(GL_UNPACK_SWAP_BYTES, 0);
    gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    return name;
}

void DrawTiledBackground(ViewRenderContext& ctx, bool clearDepth)
{
    GLFunctions& gl = ctx.gl;
    const double width = ShortRectWidth(ctx.viewRect), height = ShortRectHeight(ctx.viewRect);
    if (clearDepth)
        gl.Clear(GL_DEPTH_BUFFER_BIT);
    gl.DepthMask(false);
    gl.BindTexture(GL_TEXTURE_2D, TileTexture(ctx, kFloorTile));
    gl.Begin(GL_QUADS);
    gl.TexCoord2d(0, 0);
    gl.Vertex2d(-1, -1);
    gl.TexCoord2d(width / kTileSize, 0);
    gl.Vertex2d(1, -1);
    gl.TexCoord2d(width / kTileSize, height / kTileSize);
    gl.Vertex2d(1, 1);
    gl.TexCoord2d(0, height / kTileSize);
    gl.Vertex2d(-1, 1);
    gl.End();
    gl.DepthMask(true);
}

void DrawFloorBackground(ViewRenderContext& ctx, bool clearDepth)
{
    GLFunctions& gl = ctx.gl;
    const int width = std::max(1, ShortRectWidth(ctx.viewRect)), height = std::max(1, ShortRectHeight(ctx.viewRect));
    if (clearDepth)
        gl.Clear(GL_DEPTH_BUFFER_BIT);
    gl.DepthMask(false);
    const uint32_t floor = TileTexture(ctx, kFloorTile), left = TileTexture(ctx, kLeftWallTile),
                   right = TileTexture(ctx, kRightWallTile);
    const double vx = width / 2.0, vy = height - 16.0, e = std::max(width, height);
    struct Polygon {
        uint32_t texture;
        int count;
        double xy[8];
    };
    const Polygon polygons[3] = {
        {floor, 3, {vx, vy, vx - 2 * e, vy - e, vx + 2 * e, vy - e}},
        {left, 4, {vx, vy, vx - 2 * e, vy - e, vx - 2 * e, vy + e, vx, vy + e}},
        {right, 4, {vx, vy, vx + 2 * e, vy - e, vx + 2 * e, vy + e, vx, vy + e}},
    };
    for (const Polygon& p : polygons) {
        gl.BindTexture(GL_TEXTURE_2D, p.texture);
        gl.Begin(GL_POLYGON);
        for (int i = 0; i < p.count; ++i)
            FloorVertex(gl, p.xy[2 * i], p.xy[2 * i + 1], width, height);
        gl.End();
    }
    gl.DepthMask(true);
}

void ComposeSoftwareBackground(ViewRenderContext& ctx)
{
    OffscreenSurface* surface = ctx.background;
    if (!surface || !ctx.doc || !LockSurface(surface))
        return;
    const ShortRect bounds = GetSurfaceBounds(surface);
    const PixelBuffer buffer{GetSurfaceBaseAddress(surface), GetSurfaceRowBytes(surface), bounds.right,
                             bounds.bottom};
    const int L = ctx.viewRect.left, T = ctx.viewRect.top;
    const int R = L + bounds.right, B = T + bounds.bottom;
    const int type = ctx.doc->BackgroundType;
    const int centre = (L + R) / 2;
    const int wallRows = std::min(T + 16, B);
    const int floorRows = std::min(wallRows + (centre - L) / 2, B);
    uint32_t probe;
    if (!TilePixel(kFloorTile, 0, 0, probe) || !TilePixel(kLeftWallTile, 0, 0, probe) ||
        !TilePixel(kRightWallTile, 0, 0, probe)) {
        FillRect32(buffer, bounds, kWindowBackground);
        UnlockSurface(surface);
        return;
    }
    for (int y = T; y < B; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(buffer.pixels + static_cast<ptrdiff_t>(y - T) * buffer.rowBytes);
        for (int x = L; x < R; ++x) {
            int bitmap = kFloorTile;
            int column = x;
            if (type == 1) {
                column = x - centre;
                if (y < wallRows)
                    bitmap = x < centre ? kLeftWallTile : kRightWallTile;
                else if (y < floorRows)
                    bitmap = FloorRowTile(x, centre, y - wallRows, R);
            }
            uint32_t pixel = 0;
            TilePixel(bitmap, column, y, pixel);
            row[x - L] = 0xFF000000u | pixel;
        }
    }
    // The copy into the frame reverses the rows again, so the floor lies
    // below the walls; a supersampled frame takes it from the pane.
    if (type == 1)
        FlipRowsInPlace(buffer, bounds);
    UnlockSurface(surface);
}
