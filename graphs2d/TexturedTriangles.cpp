#include "graphs2d/TexturedTriangles.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The 16 sample offsets within a pixel, in units of the per-pixel steps.
constexpr float kSampleOffsets[16][2] = {
    {0, 0},          {0.875f, 0},     {0.25f, 0.0625f}, {0.625f, 0.0625f}, {0.0625f, 0.25f},  {0.4375f, 0.25f},
    {0.8125f, 0.25f}, {0.25f, 0.4375f}, {0.625f, 0.4375f}, {0.0625f, 0.625f}, {0.4375f, 0.625f}, {0.8125f, 0.625f},
    {0.25f, 0.8125f}, {0.625f, 0.8125f}, {0, 0.875f},      {0.875f, 0.875f},
};

uint32_t Average4(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    uint32_t out = 0;
    for (int32_t shift = 0; shift < 32; shift += 8) {
        const uint32_t sum = ((a >> shift) & 0xFF) + ((b >> shift) & 0xFF) + ((c >> shift) & 0xFF) + ((d >> shift) & 0xFF);
        out |= (sum >> 2) << shift;
    }
    return out;
}

// Linear blend of two 32-bit colours, byte by byte, w in [0, 1].
uint32_t Blend(uint32_t a, uint32_t b, float w)
{
    uint32_t out = 0;
    for (int32_t shift = 0; shift < 32; shift += 8) {
        const float x = static_cast<float>((a >> shift) & 0xFF), y = static_cast<float>((b >> shift) & 0xFF);
        out |= static_cast<uint32_t>(x + (y - x) * w + 0.5f) << shift;
    }
    return out;
}

// The texel index of a coordinate: truncated, then within the level.
int32_t TexelIndex(float v, int32_t size)
{
    if (!(v >= 0))
        return 0;
    if (v >= static_cast<float>(size - 1))
        return size - 1;
    return static_cast<int32_t>(v);
}

}  // namespace

bool AllocateTexturePyramid(TexturePyramid& pyramid)
{
    pyramid.block = static_cast<uint32_t*>(BudgetMalloc(kTexturePyramidBytes, false));
    if (!pyramid.block) {
        PostFailure(FailureOutOfMemory);
        return false;
    }
    for (int32_t k = 0; k < kTextureLevels; ++k)
        pyramid.levels[k] = pyramid.block + TextureLevelOffset(k);
    return true;
}

void FreeTexturePyramid(TexturePyramid& pyramid)
{
    BudgetFree(pyramid.block);
    pyramid = TexturePyramid{};
}

void FillTexturePyramid(TexturePyramid& pyramid, const uint8_t* pixels, int32_t rowBytes, const ShortRect& r)
{
    const int32_t w = r.right - r.left, h = r.bottom - r.top;
    uint32_t* top = pyramid.levels[kTextureLevels - 1];
    auto at = [&](int32_t column, int32_t row) {
        column = std::clamp(column, 0, w - 1);
        row = std::clamp(row, 0, h - 1);
        return reinterpret_cast<const uint32_t*>(pixels + static_cast<ptrdiff_t>(r.top + row) * rowBytes)[r.left + column];
    };
    // Texel centres mapped onto the picture's pixel centres, blended
    // between the four nearest; row 0 is the picture's bottom row.
    for (int32_t row = 0; row < kTextureSize; ++row) {
        const float py = (static_cast<float>(kTextureSize - 1 - row) + 0.5f) * h / kTextureSize - 0.5f;
        const int32_t y0 = static_cast<int32_t>(std::floor(py));
        const float fy = py - y0;
        for (int32_t column = 0; column < kTextureSize; ++column) {
            const float px = (column + 0.5f) * w / kTextureSize - 0.5f;
            const int32_t x0 = static_cast<int32_t>(std::floor(px));
            const float fx = px - x0;
            const uint32_t upper = Blend(at(x0, y0), at(x0 + 1, y0), fx);
            const uint32_t lower = Blend(at(x0, y0 + 1), at(x0 + 1, y0 + 1), fx);
            top[row * kTextureSize + column] = Blend(upper, lower, fy);
        }
    }
    ReduceTexturePyramid(pyramid);
}

void ReduceTexturePyramid(TexturePyramid& pyramid)
{
    for (int32_t k = kTextureLevels - 2; k >= 0; --k) {
        const int32_t size = 1 << k;
        const uint32_t* above = pyramid.levels[k + 1];
        uint32_t* level = pyramid.levels[k];
        for (int32_t row = 0; row < size; ++row) {
            for (int32_t column = 0; column < size; ++column) {
                const uint32_t* a = above + (2 * row) * (2 * size) + 2 * column;
                level[row * size + column] = Average4(a[0], a[1], a[2 * size], a[2 * size + 1]);
            }
        }
    }
}

int32_t TextureLevelFor(double a, double at)
{
    const double ratio = std::fabs(a / at);
    double limit = 1;
    for (int32_t level = 0; level < kTextureLevels - 1; ++level, limit *= 4) {
        if (ratio <= limit)
            return level;
    }
    return kTextureLevels - 1;
}

int32_t ClipTexturedPolygon(const TexturedVertex* in, int32_t n, const ShortRect& bounds, TexturedVertex* out)
{
    TexturedVertex buffer[2][9];
    const TexturedVertex* source = in;
    int32_t count = n;
    // Sides in the order left, right, top, bottom: which coordinate, the
    // side's value, and which way is inside.
    const struct {
        bool vertical;
        float value;
        bool keepGreater;
    } sides[4] = {{true, static_cast<float>(bounds.left), true},
                  {true, static_cast<float>(bounds.right), false},
                  {false, static_cast<float>(bounds.top), true},
                  {false, static_cast<float>(bounds.bottom), false}};
    for (int32_t k = 0; k < 4; ++k) {
        const auto& side = sides[k];
        auto coordinate = [&](const TexturedVertex& v) { return side.vertical ? v.x : v.y; };
        auto inside = [&](const TexturedVertex& v) {
            return side.keepGreater ? side.value <= coordinate(v) : coordinate(v) <= side.value;
        };
        int32_t in_count = 0;
        for (int32_t i = 0; i < count; ++i)
            in_count += inside(source[i]) ? 1 : 0;
        if (in_count == 0)
            return 0;
        if (in_count == count)
            continue;
        TexturedVertex* target = buffer[k & 1];
        int32_t m = 0;
        const TexturedVertex* previous = &source[count - 1];
        for (int32_t i = 0; i < count; ++i) {
            const TexturedVertex& current = source[i];
            if (inside(*previous) != inside(current) && m < 9) {
                const float w = (side.value - coordinate(*previous)) / (coordinate(current) - coordinate(*previous));
                TexturedVertex v{};
                v.x = side.vertical ? side.value : previous->x + w * (current.x - previous->x);
                v.y = side.vertical ? previous->y + w * (current.y - previous->y) : side.value;
                v.s = previous->s + w * (current.s - previous->s);
                v.t = previous->t + w * (current.t - previous->t);
                target[m++] = v;
            }
            if (inside(current) && m < 9)
                target[m++] = current;
            previous = &current;
        }
        source = target;
        count = m;
    }
    std::copy(source, source + count, out);
    return count;
}

void DrawTexturedTriangle(const TextureTarget& target, const TexturePyramid& pyramid, const TexturedVertex& a,
                          const TexturedVertex& b, const TexturedVertex& c)
{
    const TexturedVertex triangle[3] = {a, b, c};
    TexturedVertex polygon[9];
    ShortRect bounds;
    SetShortRect(bounds, 0, 0, target.height, target.width);
    const int32_t n = ClipTexturedPolygon(triangle, 3, bounds, polygon);
    for (int32_t k = 1; k + 1 < n; ++k)
        FillTexturedTriangle(target, pyramid, polygon[0], polygon[k], polygon[k + 1]);
}

void FillTexturedTriangle(const TextureTarget& target, const TexturePyramid& pyramid, TexturedVertex a,
                          TexturedVertex b, TexturedVertex c)
{
    TexturedVertex v[3] = {a, b, c};
    std::sort(v, v + 3, [](const TexturedVertex& p, const TexturedVertex& q) { return p.y < q.y; });
    for (TexturedVertex& p : v) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            return;
        p.x = std::floor(p.x);
        p.y = std::floor(p.y);
    }
    const TexturedVertex &P = v[0], &Q = v[1], &R = v[2];
    const double area = static_cast<double>(Q.y - P.y) * (R.x - P.x) - static_cast<double>(R.y - P.y) * (Q.x - P.x);
    if (area == 0)
        return;
    // The plane of s and of t through the three corners.
    const double e1x = Q.x - P.x, e1y = Q.y - P.y, e2x = R.x - P.x, e2y = R.y - P.y;
    const double det = e1x * e2y - e2x * e1y;
    const double s1 = Q.s - P.s, s2 = R.s - P.s, t1 = Q.t - P.t, t2 = R.t - P.t;
    double dsdx = (s1 * e2y - s2 * e1y) / det, dsdy = (s2 * e1x - s1 * e2x) / det;
    double dtdx = (t1 * e2y - t2 * e1y) / det, dtdy = (t2 * e1x - t1 * e2x) / det;
    const double areaST = s1 * t2 - s2 * t1;
    const int32_t level = TextureLevelFor(area, areaST);
    const int32_t size = 1 << level;
    dsdx *= size, dsdy *= size, dtdx *= size, dtdy *= size;
    const double sP = P.s * size, tP = P.t * size;
    const uint32_t* texels = pyramid.levels[level];

    const int32_t yTop = static_cast<int32_t>(P.y), yBottom = static_cast<int32_t>(R.y);
    const double longSlope = (R.x - P.x) / (R.y - P.y);
    for (int32_t y = std::max(yTop, 0); y < std::min(yBottom, target.height); ++y) {
        const double xLong = P.x + (y - P.y) * longSlope;
        double xShort;
        if (y < Q.y)
            xShort = P.x + (y - P.y) * (Q.x - P.x) / (Q.y - P.y);
        else
            xShort = Q.x + (y - Q.y) * (R.x - Q.x) / (R.y - Q.y);
        const double l = std::min(xLong, xShort), r = std::max(xLong, xShort);
        const int32_t x0 = std::max(static_cast<int32_t>(l), 0), x1 = std::min(static_cast<int32_t>(r), target.width);
        uint32_t* row = target.pixels + static_cast<ptrdiff_t>(y) * target.rowPixels;
        for (int32_t x = x0; x < x1; ++x) {
            const double s = sP + (x - P.x) * dsdx + (y - P.y) * dsdy;
            const double t = tP + (x - P.x) * dtdx + (y - P.y) * dtdy;
            uint32_t sum[3] = {0, 0, 0};
            for (const auto& o : kSampleOffsets) {
                const int32_t i = TexelIndex(static_cast<float>(s + o[0] * dsdx + o[1] * dsdy), size);
                const int32_t j = TexelIndex(static_cast<float>(t + o[0] * dtdx + o[1] * dtdy), size);
                const uint32_t texel = texels[j * size + i];
                sum[0] += (texel >> 16) & 0xFF;
                sum[1] += (texel >> 8) & 0xFF;
                sum[2] += texel & 0xFF;
            }
            uint32_t& pixel = row[x];
            uint32_t out = pixel & 0xFF000000u;
            for (int32_t k = 0; k < 3; ++k) {
                const int32_t shift = 16 - 8 * k;
                out |= (((pixel >> shift) & 0xFF) * (sum[k] >> 4) / 255) << shift;
            }
            pixel = out;
        }
    }
}
