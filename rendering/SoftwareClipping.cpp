// Line clipping by moving the outside end, polygon clipping by walking the
// edges against one boundary after another.
#include "rendering/SoftwareClipping.h"

#include <cstddef>

namespace {

constexpr int kFields = 9;
static_assert(sizeof(ScreenVertex) == kFields * sizeof(float));

// left, right, top, bottom: the coordinate tested, the boundary, and
// whether inside lies below it.
struct Boundary {
    size_t coordinate;  // 0 x, 1 y
    float value;
    bool insideBelow;
    bool inclusive;
};

float Field(const ScreenVertex& v, size_t i)
{
    return reinterpret_cast<const float*>(&v)[i];
}

bool Inside(const ScreenVertex& v, const Boundary& b)
{
    const float c = Field(v, b.coordinate);
    // Each comparison is false for a NaN.
    if (!b.insideBelow)
        return c >= b.value;
    return b.inclusive ? c <= b.value : c < b.value;
}

// from + (to - from) t for every field, then the tested coordinate exactly
// on the boundary.
ScreenVertex CutAt(const ScreenVertex& from, const ScreenVertex& to, const Boundary& b)
{
    const float t = (b.value - Field(from, b.coordinate)) / (Field(to, b.coordinate) - Field(from, b.coordinate));
    ScreenVertex out;
    auto* o = reinterpret_cast<float*>(&out);
    for (size_t i = 0; i < kFields; ++i)
        o[i] = Field(from, i) + (Field(to, i) - Field(from, i)) * t;
    o[b.coordinate] = b.value;
    return out;
}

void Boundaries(ViewSize view, float inset, bool inclusive, Boundary (&out)[4])
{
    out[0] = Boundary{0, 0, false, true};
    out[1] = Boundary{0, view.width - inset, true, inclusive};
    out[2] = Boundary{1, 0, false, true};
    out[3] = Boundary{1, view.height - inset, true, inclusive};
}

}  // namespace

bool ClipLineToView(const ScreenVertex& a, const ScreenVertex& b, ViewSize view, ScreenVertex (&out)[2])
{
    out[0] = a;
    out[1] = b;
    Boundary bounds[4];
    Boundaries(view, 1.5f, false, bounds);
    for (const Boundary& edge : bounds) {
        const bool in0 = Inside(out[0], edge), in1 = Inside(out[1], edge);
        if (!in0 && !in1)
            return false;
        if (in0 != in1) {
            const int inside = in0 ? 0 : 1;
            out[1 - inside] = CutAt(out[inside], out[1 - inside], edge);
        }
    }
    return true;
}

int32_t ClipTriangleToView(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, ViewSize view,
                           ScreenVertex (&out)[7])
{
    // Each boundary adds at most one corner: 3 + 4 = 7.
    ScreenVertex buffers[2][7];
    ScreenVertex* polygon = buffers[0];
    polygon[0] = a, polygon[1] = b, polygon[2] = c;
    int32_t count = 3;
    Boundary bounds[4];
    Boundaries(view, 0.5f, true, bounds);
    int which = 0;
    for (const Boundary& edge : bounds) {
        int32_t inside = 0;
        for (int32_t i = 0; i < count; ++i)
            inside += Inside(polygon[i], edge) ? 1 : 0;
        if (inside == 0)
            return 0;
        if (inside == count)
            continue;
        ScreenVertex* next = buffers[1 - which];
        int32_t n = 0;
        for (int32_t i = 0; i < count; ++i) {
            const ScreenVertex& previous = polygon[i == 0 ? count - 1 : i - 1];
            const ScreenVertex& current = polygon[i];
            const bool previousIn = Inside(previous, edge), currentIn = Inside(current, edge);
            if (previousIn != currentIn && n < 7)
                next[n++] = CutAt(previous, current, edge);
            if (currentIn && n < 7)
                next[n++] = current;
        }
        which = 1 - which;
        polygon = next;
        count = n;
    }
    for (int32_t i = 0; i < count; ++i)
        out[i] = polygon[i];
    return count;
}

int32_t ClipTexturedTriangleToView(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                                   ViewSize view, ScreenVertex (&out)[7])
{
    return ClipTriangleToView(a, b, c, view, out);
}
