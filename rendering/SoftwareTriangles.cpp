// Span filling of triangles: plane gradients for colours (and texture
// coordinates) once per triangle, per pixel only additions.
#include "rendering/SoftwareTriangles.h"

#include "rendering/SoftwareClipping.h"
#include "rendering/SoftwareTextures.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

int32_t Snap(float value)
{
    return static_cast<int32_t>(std::floor(static_cast<float>(value + 0.5f)));
}

// Values carried along the exact left edge and stepped across a span.
struct Channels {
    float a, r, g, b, u, v;
    void AddColours(const Channels& d, float k) { a += k * d.a, r += k * d.r, g += k * d.g, b += k * d.b; }
    void AddTexture(const Channels& d, float k) { u += k * d.u, v += k * d.v; }
};

struct Edge {
    float x = 0, xStep = 0;
    double depth = 0, depthStep = 0;
    int32_t endY = 0;
};

Edge MakeEdge(const SpanVertex& p, const SpanVertex& q)
{
    Edge e;
    const float rows = q.y - p.y;
    e.x = p.x;
    e.xStep = (q.x - p.x) / rows;
    e.depth = p.depth;
    e.depthStep = (q.depth - p.depth) / (static_cast<double>(q.y) - p.y);
    e.endY = q.Y;
    return e;
}

Channels ChannelsOf(const SpanVertex& v)
{
    return Channels{v.a, v.r, v.g, v.b, v.u, v.v};
}

struct Texturing {
    const uint32_t* level = nullptr;
    int32_t size = 0;
};

// The four-sample average of the texels around (u, v), each sample clamped.
uint32_t SampleTexture(const Texturing& tex, float u, float v, const Channels& dx, const Channels& dy)
{
    static const float offsets[4][2] = {{0, 0}, {0.9f, 0}, {0, 0.9f}, {0.9f, 0.9f}};
    uint32_t sum[4] = {0, 0, 0, 0};
    const float top = static_cast<float>(tex.size - 1);
    for (const auto& o : offsets) {
        const float su = std::floor(u + o[0] * dx.u + o[1] * dy.u);
        const float sv = std::floor(v + o[0] * dx.v + o[1] * dy.v);
        const int32_t iu = static_cast<int32_t>(std::clamp(su == su ? su : 0.0f, 0.0f, top));
        const int32_t iv = static_cast<int32_t>(std::clamp(sv == sv ? sv : 0.0f, 0.0f, top));
        const uint32_t texel = tex.level[iv * tex.size + iu];
        for (int k = 0; k < 4; ++k)
            sum[k] += texel >> (8 * k) & 0xFF;
    }
    return (sum[3] / 4) << 24 | (sum[2] / 4) << 16 | (sum[1] / 4) << 8 | sum[0] / 4;
}

uint32_t Modulate(uint32_t texel, uint32_t colour)
{
    uint32_t out = 0;
    for (int k = 0; k < 4; ++k)
        out |= ((texel >> (8 * k) & 0xFF) * (colour >> (8 * k) & 0xFF) / 255) << (8 * k);
    return out;
}

// One span of a row: pixels [xs, xe) with depth from d stepping by dd and
// channels from c stepping by dx. Pixels outside the target are skipped.
template <bool Textured>
bool FillSpan(SoftwareTarget& t, const Texturing& tex, int32_t row, int32_t xs, int32_t xe, double d, double dd,
              Channels c, const Channels& dx, const Channels& dy)
{
    if (static_cast<uint32_t>(row) >= static_cast<uint32_t>(t.height))
        return true;
    if (xs < 0) {
        const float skip = static_cast<float>(-xs);
        d += dd * -xs;
        c.AddColours(dx, skip);
        c.AddTexture(dx, skip);
        xs = 0;
    }
    xe = std::min(xe, t.width);
    const size_t base = static_cast<size_t>(row) * t.stride;
    auto* pixels = reinterpret_cast<uint32_t*>(t.colour + static_cast<ptrdiff_t>(row) * t.rowBytes);
    for (int32_t x = xs; x < xe; ++x) {
        uint32_t colour = PackColour(c.r, c.g, c.b, c.a);
        bool write = true;
        if constexpr (Textured) {
            const uint32_t texel = SampleTexture(tex, c.u, c.v, dx, dy);
            write = (texel >> 24) != 0;
            colour = Modulate(texel, colour);
        }
        if (!WritePixel(t, base + x, pixels + x, d, colour, write))
            return false;
        d += dd;
        c.AddColours(dx, 1);
        if constexpr (Textured)
            c.AddTexture(dx, 1);
    }
    return true;
}

template <bool Textured>
bool Scan(const SoftwareTexture* texture, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
          SoftwareTarget& t)
{
    const float f = static_cast<float>(t.factor);
    ScreenVertex corners[3] = {a, b, c};
    int32_t Y[3];
    for (int i = 0; i < 3; ++i) {
        corners[i].x *= f;
        corners[i].y *= f;
        Y[i] = Snap(corners[i].y);
    }
    if (Y[0] == Y[1] && Y[1] == Y[2])
        return true;
    int order[3] = {0, 1, 2};
    auto exchange = [&](int i, int j) {
        if (Y[order[i]] > Y[order[j]])
            std::swap(order[i], order[j]);
    };
    exchange(0, 1), exchange(1, 2), exchange(0, 1);
    SpanVertex v[3];
    for (int i = 0; i < 3; ++i) {
        const ScreenVertex& s = corners[order[i]];
        MakeSpanVertex(s, Snap(s.x), Y[order[i]], v[i]);
    }
    const SpanVertex &A = v[0], &B = v[1], &C = v[2];
    if (A.X == B.X && B.X == C.X)
        return true;
    const float e1x = B.x - A.x, e1y = B.y - A.y, e2x = C.x - A.x, e2y = C.y - A.y;
    const float det = e2x * e1y - e2y * e1x;
    // Collinear corners cover nothing.
    if (det == 0)
        return true;
    auto gradients = [&](float qa, float qb, float qc, float& ddx, float& ddy) {
        ddx = ((qc - qa) * e1y - (qb - qa) * e2y) / det;
        ddy = ((qb - qa) * e2x - (qc - qa) * e1x) / det;
    };
    Channels dx{}, dy{};
    gradients(A.a, B.a, C.a, dx.a, dy.a);
    gradients(A.r, B.r, C.r, dx.r, dy.r);
    gradients(A.g, B.g, C.g, dx.g, dy.g);
    gradients(A.b, B.b, C.b, dx.b, dy.b);
    Texturing tex;
    float uA = A.u, vA = A.v, uB = B.u, vB = B.v, uC = C.u, vC = C.v;
    if constexpr (Textured) {
        // One mip level per triangle: the one whose texels are about the
        // size of the triangle's pixels.
        const float detUV = (uB - uA) * (vC - vA) - (vB - vA) * (uC - uA);
        const float ratio = std::fabs(det / detUV);
        int32_t k = 9;
        for (int32_t level = 0; level <= 8; ++level) {
            if (ratio <= static_cast<float>(1 << (2 * level))) {
                k = level;
                break;
            }
        }
        tex.size = 1 << k;
        tex.level = texture->levels[k];
        const float size = static_cast<float>(tex.size);
        uA *= size, vA *= size, uB *= size, vB *= size, uC *= size, vC *= size;
        gradients(uA, uB, uC, dx.u, dy.u);
        gradients(vA, vB, vC, dx.v, dy.v);
    }
    SpanVertex sv[3] = {A, B, C};
    sv[0].u = uA, sv[0].v = vA, sv[1].u = uB, sv[1].v = vB, sv[2].u = uC, sv[2].v = vC;

    Edge left, right;
    const SpanVertex* leftStart;
    bool leftEndsAtB = false, rightEndsAtB = false;
    if (A.Y == B.Y) {
        const bool aLeft = A.X < B.X;
        left = MakeEdge(aLeft ? sv[0] : sv[1], sv[2]);
        right = MakeEdge(aLeft ? sv[1] : sv[0], sv[2]);
        leftStart = aLeft ? &sv[0] : &sv[1];
    } else if (det >= 0) {
        left = MakeEdge(sv[0], sv[1]);
        right = MakeEdge(sv[0], sv[2]);
        leftStart = &sv[0];
        leftEndsAtB = true;
    } else {
        left = MakeEdge(sv[0], sv[2]);
        right = MakeEdge(sv[0], sv[1]);
        leftStart = &sv[0];
        rightEndsAtB = true;
    }
    Channels along = ChannelsOf(*leftStart);
    int32_t oldXs = leftStart->X;
    for (int32_t y = A.Y; y < C.Y; ++y) {
        if (y == B.Y && y != A.Y) {
            if (leftEndsAtB) {
                left = MakeEdge(sv[1], sv[2]);
                along = ChannelsOf(sv[1]);
                oldXs = sv[1].X;
            } else if (rightEndsAtB) {
                right = MakeEdge(sv[1], sv[2]);
            }
        }
        const int32_t xs = static_cast<int32_t>(std::floor(left.x)), xe = static_cast<int32_t>(std::floor(right.x));
        if (Textured && xs != oldXs)
            along.AddTexture(dx, static_cast<float>(xs - oldXs));
        oldXs = xs;
        if (xs < xe) {
            const double dd = (right.depth - left.depth) / (xe - xs);
            if (!FillSpan<Textured>(t, tex, y + t.originY, xs + t.originX, xe + t.originX, left.depth, dd, along,
                                    dx, dy))
                return false;
        }
        left.x += left.xStep, right.x += right.xStep;
        left.depth += left.depthStep, right.depth += right.depthStep;
        along.AddColours(dx, left.xStep);
        along.AddColours(dy, 1);
        if constexpr (Textured)
            along.AddTexture(dy, 1);
    }
    return true;
}

template <bool Textured>
bool RasterizeFan(const SoftwareTexture* texture, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                  SoftwareTarget& t)
{
    ScreenVertex polygon[7];
    const int32_t n = ClipTriangleToView(
        a, b, c, ViewSize{static_cast<float>(t.viewWidth), static_cast<float>(t.viewHeight)}, polygon);
    for (int32_t i = 2; i < n; ++i) {
        if (!Scan<Textured>(texture, polygon[0], polygon[i - 1], polygon[i], t)) {
            PostFailure(FailureTransparencyMemory);
            return false;
        }
    }
    return true;
}

}  // namespace

void MakeSpanVertex(const ScreenVertex& v, int32_t x, int32_t y, SpanVertex& out)
{
    out = SpanVertex{x,           y,           static_cast<float>(x), static_cast<float>(y), v.depth, v.alpha * 255,
                     v.red * 255, v.green * 255, v.blue * 255,        v.u,                   v.v};
}

bool ScanTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, SoftwareTarget& t)
{
    return Scan<false>(nullptr, a, b, c, t);
}

bool ScanTexturedTriangle(const SoftwareTexture* texture, const ScreenVertex& a, const ScreenVertex& b,
                          const ScreenVertex& c, SoftwareTarget& t)
{
    return texture ? Scan<true>(texture, a, b, c, t) : true;
}

bool RasterizeTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, SoftwareTarget& t)
{
    return RasterizeFan<false>(nullptr, a, b, c, t);
}

bool RasterizeTexturedTriangle(const SoftwareTexture* texture, const ScreenVertex& a, const ScreenVertex& b,
                               const ScreenVertex& c, SoftwareTarget& t)
{
    return texture ? RasterizeFan<true>(texture, a, b, c, t) : true;
}
