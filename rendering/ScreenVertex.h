// A vertex as the software renderer receives it: already projected into
// the view, coloured and (for textured primitives) carrying its texture
// coordinates. Coordinates are 1x view pixels, origin top left, y down.
#pragma once

struct ScreenVertex {
    float x, y;
    // 0 at the near plane, 1 at the far plane.
    float depth;
    // 0..1 each.
    float red, green, blue, alpha;
    float u, v;
};
