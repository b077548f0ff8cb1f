#include "graphs3d/ACurve3D.h"

#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/BudgetedBlock.h"
#include "graphs3d/LimitGrain.h"
#include "graphs3d/Vec3Values.h"
#include "rendering/ViewRenderContext.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double kTwoPi = 6.283185307179586;

bool SamePoint(const float* a, const float* b)
{
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

}  // namespace

int32_t TubeRingSides(double resolution)
{
    return static_cast<int32_t>(std::trunc(4 * LimitGrain(resolution) + 8));
}

ACurve3D::ACurve3D(int32_t n, const float* points, const double* radii, const float* pointColors,
                   AGraphColor* color, double resolution, double opacity, bool straight, ViewRenderContext* context)
    : context(context), n(std::max(n, 0)), points(points), radii(radii), pointColors(pointColors), color(color),
      opacity(opacity), straight(straight), sides(TubeRingSides(resolution))
{
    AllocateArrays();
    Reset();
}

ACurve3D::~ACurve3D()
{
    mesh.Clear();
    FreeArrays();
}

bool ACurve3D::HasArrays() const
{
    if (n < 2)
        return true;
    if (!radii)
        return linePairs != nullptr;
    return ringVertices && normals && triangles && ringUsable && (!pointColors || ringColors);
}

void ACurve3D::AllocateArrays()
{
    if (n < 2)
        return;
    const int64_t vertices = static_cast<int64_t>(n) * sides;
    if (radii) {
        ringVertices = BudgetedBlock<float>(3 * vertices);
        normals = BudgetedBlock<float>(3 * vertices);
        triangles = BudgetedBlock<int32_t>(3 * 2 * static_cast<int64_t>(sides) * (n - 1));
        ringUsable = BudgetedBlock<uint8_t>(n);
        if (pointColors)
            ringColors = BudgetedBlock<float>(3 * vertices);
    } else {
        linePairs = BudgetedBlock<uint16_t>(2 * static_cast<int64_t>(n));
    }
    // Vertex indices are 32-bit.
    if (vertices > INT32_MAX)
        FreeArrays();
    if (!HasArrays())
        FreeArrays();
}

void ACurve3D::FreeArrays()
{
    ReleaseBlock(ringVertices);
    ReleaseBlock(normals);
    ReleaseBlock(triangles);
    ReleaseBlock(ringUsable);
    ReleaseBlock(ringColors);
    ReleaseBlock(linePairs);
}

void ACurve3D::Reset()
{
    if (normals)
        std::memset(normals, 0, sizeof(float) * 3 * static_cast<size_t>(n) * sides);
    if (ringUsable)
        std::memset(ringUsable, 0, static_cast<size_t>(n));
    triangleCount = 0;
    linePairCount = 0;
    built.store(0, std::memory_order_release);
    meshPending.Arm();
}

void ACurve3D::Restart()
{
    Reset();
}

bool ACurve3D::PointDefined(int32_t i) const
{
    const float* p = points + 3 * i;
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

void ACurve3D::BuildTube()
{
    if (IsComplete() || !HasArrays())
        return;
    if (n >= 2 && points) {
        if (radii) {
            BuildRings();
            BuildRingTriangles();
            BuildRingNormals();
            double largest = 0;
            for (int32_t i = 0; i < n && context; ++i) {
                if (ringUsable[i])
                    largest = std::max(largest, context->GetBoundingRadius(ringVertices + 3 * i * sides, sides));
            }
            extent = largest;
        } else {
            BuildPolyline();
            extent = context ? context->GetBoundingRadius(points, n) : 0;
        }
    }
    built.store(1, std::memory_order_release);
}

void ACurve3D::BuildRings()
{
    // World units per normalised unit on each axis.
    double bx = 4, by = 4, bz = 4;
    if (context)
        context->GetBoxSize(bx, by, bz);
    const Vec3 s{bx / 4, by / 4, bz / 4};
    Vec3 chord{0, 0, 0};
    if (straight) {
        chord = Normalized(Minus(PointAt(points, n - 1), PointAt(points, 0)));
        chord = {chord.x / s.x, chord.y / s.y, chord.z / s.z};
    }
    bool haveFrame = false;
    Vec3 m{0, 0, 0};
    for (int32_t i = 0; i < n; ++i) {
        ringUsable[i] = 0;
        if (!PointDefined(i) || !std::isfinite(radii[i])) {
            haveFrame = false;
            continue;
        }
        int32_t c = i + 1;
        double sign = 1;
        if (i == n - 1 || (i > 0 && !PointDefined(i + 1))) {
            c = i - 1;
            sign = -1;
        }
        if (!PointDefined(c)) {
            haveFrame = false;
            continue;
        }
        const Vec3 p = PointAt(points, i), pc = PointAt(points, c);
        Vec3 t = chord;
        if (!straight) {
            t = Scaled(Minus(pc, p), sign);
            const double length = Length(t);
            // Two equal points have no direction between them.
            if (!(length > 0) || !std::isfinite(length)) {
                haveFrame = false;
                continue;
            }
            t = Scaled(t, 1 / length);
        }
        if (!haveFrame) {
            const Vec3 h = std::fabs(t.z) > std::fabs(t.x) ? Vec3{1, 0, 0} : Vec3{0, 0, 1};
            m = Normalized(Cross(t, h));
            haveFrame = true;
        }
        // Carry the frame along the bend to the next tangent, so the rings
        // do not twist.
        Vec3 next = m;
        if (!straight && i + 2 < n && PointDefined(i + 2)) {
            const Vec3 w = Normalized(Minus(PointAt(points, i + 2), pc));
            const Vec3 a = Cross(t, w);
            if (Length(a) > 1e-7) {
                const Vec3 axis = Normalized(a);
                const double angle = std::acos(std::clamp(DotVec3(t, w), -1.0, 1.0));
                RotateAboutAxis(m, next, axis.x, axis.y, axis.z, -angle);
            }
        }
        const Vec3 b = Normalized(Cross(m, t));
        const double r = radii[i];
        float* ring = ringVertices + 3 * static_cast<int64_t>(i) * sides;
        for (int32_t j = 0; j < sides; ++j) {
            const double angle = kTwoPi * j / sides;
            const double cs = std::cos(angle), sn = std::sin(angle);
            const Vec3 o{cs * m.x + sn * b.x, cs * m.y + sn * b.y, cs * m.z + sn * b.z};
            StoreTriple(ring + 3 * j, {p.x + o.x * s.x * r, p.y + o.y * s.y * r, p.z + o.z * s.z * r});
        }
        if (ringColors) {
            for (int32_t j = 0; j < sides; ++j)
                std::memcpy(ringColors + 3 * (static_cast<int64_t>(i) * sides + j), pointColors + 3 * i,
                            3 * sizeof(float));
        }
        ringUsable[i] = IsFinite(m) && IsFinite(b);
        m = next;
    }
}

void ACurve3D::BuildRingTriangles()
{
    int32_t* out = triangles;
    const int32_t S = sides;
    for (int32_t i = 0; i + 1 < n; ++i) {
        if (!ringUsable[i] || !ringUsable[i + 1])
            continue;
        for (int32_t j = 0; j < S; ++j) {
            const int32_t k = j + 1 == S ? 0 : j + 1;
            const int32_t t[6] = {i * S + j, (i + 1) * S + k, i * S + k, i * S + j, (i + 1) * S + j, (i + 1) * S + k};
            std::memcpy(out, t, sizeof t);
            out += 6;
        }
        triangleCount += 2 * S;
    }
}

void ACurve3D::BuildRingNormals()
{
    const int32_t S = sides;
    auto vertex = [&](int32_t i, int32_t j) { return ringVertices + 3 * (static_cast<int64_t>(i) * S + j); };
    for (int32_t i = 0; i < n; ++i) {
        if (!ringUsable[i])
            continue;
        // The neighbouring ring along the curve that this ring is joined to.
        int32_t c;
        double sign;
        if (i < n - 1 && ringUsable[i + 1]) {
            c = i + 1;
            sign = 1;
        } else if (i > 0 && ringUsable[i - 1]) {
            c = i - 1;
            sign = -1;
        } else {
            continue;
        }
        for (int32_t j = 0; j < S; ++j) {
            const bool last = j == S - 1;
            const int32_t jn = last ? j - 1 : j + 1;
            const float* v = vertex(i, j);
            const float* ringNext = vertex(i, jn);
            const float* curveNext = vertex(c, j);
            // A ring of radius 0 (an arrow's tail or tip) has no direction
            // of its own: the joined ring lends one.
            if (SamePoint(ringNext, v))
                ringNext = vertex(c, jn);
            if (SamePoint(curveNext, v))
                curveNext = vertex(c, jn);
            const Vec3 pv = PointAt(v, 0);
            const Vec3 across = Minus(PointAt(ringNext, 0), pv);
            const Vec3 along = Minus(pv, PointAt(curveNext, 0));
            const Vec3 normal = Scaled(Normalized(Cross(across, along)), last ? -sign : sign);
            if (IsFinite(normal))
                StoreTriple(normals + 3 * (static_cast<int64_t>(i) * S + j), normal);
        }
    }
}

void ACurve3D::BuildPolyline()
{
    // Pairs index 16 bits: a polyline draws at most its first 65,536 points.
    const int32_t last = std::min<int64_t>(n, kMaxIndexedVertices) - 1;
    for (int32_t i = 0; i < last; ++i) {
        if (PointDefined(i) && PointDefined(i + 1)) {
            linePairs[2 * linePairCount] = static_cast<uint16_t>(i);
            linePairs[2 * linePairCount + 1] = static_cast<uint16_t>(i + 1);
            ++linePairCount;
        }
    }
}

int32_t ACurve3D::GetStatus()
{
    if (!IsComplete())
        return MessageNone;
    for (int32_t i = 0; i < n && points; ++i) {
        if (PointDefined(i))
            return MessageNone;
    }
    return MessageUndefinedOrInfiniteForRanges;
}

void ACurve3D::SetOption(int32_t code, double value)
{
    switch (code) {
    case OptionUploadMesh:
        if (!meshPending.TakeIfComplete(IsComplete()))
            return;
        if (n >= 2 && HasArrays() && radii && triangleCount > 0)
            mesh.SetTriangles(ringVertices, normals, ringColors, nullptr, triangles,
                              static_cast<uint32_t>(n) * sides, triangleCount, false, context);
        else if (n >= 2 && HasArrays() && !radii && linePairCount > 0)
            mesh.SetLines(points, linePairs, pointColors,
                          static_cast<uint32_t>(std::min<int64_t>(n, kMaxIndexedVertices)), linePairCount, context);
        else
            mesh.Clear();
        return;
    case OptionOpacity: opacity = value; return;
    case OptionResolution:
        FreeArrays();
        sides = TubeRingSides(value);
        AllocateArrays();
        Reset();
        return;
    default: return;
    }
}

bool ACurve3D::Draw()
{
    if (!HasArrays() || mesh.state == MeshEmpty || !context || !color)
        return true;
    if (color->kind == ColorHidden) {
        mesh.Sync();
        return true;
    }
    if (radii) {
        context->SetOpacity(static_cast<float>(opacity));
        context->SetShinyColor(color->rgb);
    } else {
        context->SetFlatColor(color->rgb);
    }
    mesh.Draw();
    return true;
}
