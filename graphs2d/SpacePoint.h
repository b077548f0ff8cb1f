// A point in space: root finders on segments, start points and flow lines.
#pragma once

struct SpacePoint {
    double x, y, z;
};
