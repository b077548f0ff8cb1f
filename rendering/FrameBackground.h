// The 3D background of a frame: a floor with two walls or tiles, drawn by
// OpenGL from three 16 x 16 pictures, or composed once per configuration
// into the software path's background surface.
#pragma once

#include <cstdint>

class ViewRenderContext;

// Picture numbers of the floor and tiles, the right wall and the left wall.
constexpr int kFloorTile = 279;
constexpr int kRightWallTile = 280;
constexpr int kLeftWallTile = 281;

void DrawTiledBackground(ViewRenderContext& ctx, bool clearDepth);
void DrawFloorBackground(ViewRenderContext& ctx, bool clearDepth);
// A repeating 16 x 16 texture of the picture; 0 when it cannot be loaded.
uint32_t CreateTileTexture(ViewRenderContext& ctx, int bitmap);
void ComposeSoftwareBackground(ViewRenderContext& ctx);
// The picture's pixel at column i, row j from the top (0x00RRGGBB), both
// taken modulo 16; false when the picture is missing.
bool TilePixel(int bitmap, int i, int j, uint32_t& out);
