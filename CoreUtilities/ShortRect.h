// 16-bit screen geometry: rectangles with exclusive bottom and right edges,
// points, and colours, with the window system's 32-bit forms.
#pragma once

#include <cstdint>

struct ShortRect {
    int16_t top, left, bottom, right;
};

// v is the row, h the column.
struct ShortPoint {
    int16_t v, h;
};
