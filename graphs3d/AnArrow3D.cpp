#include "graphs3d/AnArrow3D.h"

#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/ACurve3D.h"
#include "graphs3d/Vec3Values.h"
#include "rendering/ViewRenderContext.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kSqrt3 = 1.732050807568877;

bool Finite(const float* p)
{
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

}  // namespace

AnArrow3D::AnArrow3D(const float* from, const float* to, double radius, AGraphColor* color, bool fixedSize,
                     bool noHead, ViewRenderContext* context)
    : context(context), from(from), to(to), radius(radius), color(color), barbCount(fixedSize ? 4 : 3),
      noHead(noHead), fixedSize(fixedSize)
{
    if (radius != 0)
        shaft = new (std::nothrow)
            ACurve3D(kArrowProfilePoints, profile, profileRadii, nullptr, color, 1, 1, true, context);
    BuildMesh();
}

AnArrow3D::~AnArrow3D()
{
    delete shaft;
    mesh.Clear();
}

void AnArrow3D::BuildMesh()
{
    ready.store(0, std::memory_order_release);
    if (!from || !to || !Finite(from) || !Finite(to))
        return;
    const double length = std::hypot(to[0] - from[0], to[1] - from[1], to[2] - from[2]);
    if (!(length > 0) || !std::isfinite(length))
        return;
    if (radius == 0) {
        BuildLineArrow(length);
    } else {
        if (!shaft)
            return;
        BuildTubeArrow(length);
    }
    ready.store(1, std::memory_order_release);
}

void AnArrow3D::BuildLineArrow(double length)
{
    const Vec3 p0{from[0], from[1], from[2]}, p1{to[0], to[1], to[2]};
    StoreTriple(profile, p1);
    StoreTriple(profile + 3, p0);
    double bx = 4, by = 4, bz = 4;
    if (context)
        context->GetBoxSize(bx, by, bz);
    if (!noHead) {
        Vec3 d{p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
        // A head of one size in the view: work in the box's normalised
        // directions.
        if (fixedSize)
            d = Normalized(Vec3{d.x / bx, d.y / by, d.z / bz});
        const Vec3 h = std::fabs(d.z) <= std::fabs(d.x) ? Vec3{0, 0, 1} : Vec3{1, 0, 0};
        const Vec3 u = Normalized(Cross(d, h));
        const Vec3 v = Normalized(Cross(d, u));
        const double smallest = std::min({bx, by, bz});
        const double k = std::min(0.15 + smallest * 0.25 * 0.05 / length, 0.6);
        const double back = fixedSize ? 0.1 : k;
        const double rho = fixedSize ? 0.05 : 0.1 * length;
        const Vec3 scale = fixedSize ? Vec3{bx, by, bz} : Vec3{1, 1, 1};
        for (int32_t i = 0; i < barbCount; ++i) {
            const double angle = kTwoPi * i / barbCount;
            const double c = std::cos(angle) * rho, s = std::sin(angle) * rho;
            StoreTriple(profile + 3 * (2 + i), {(c * u.x + s * v.x - back * d.x) * scale.x + p1.x,
                                                (c * u.y + s * v.y - back * d.y) * scale.y + p1.y,
                                                (c * u.z + s * v.z - back * d.z) * scale.z + p1.z});
        }
    }
    extent = context ? context->GetBoundingRadius(profile, 2) : 0;
    headPending.store(1, std::memory_order_release);
}

void AnArrow3D::BuildTubeArrow(double length)
{
    const double r = std::min(std::fabs(radius), length / 2);
    const double headRadius = std::min(2 * r, 0.7 * length);
    const double headLength = std::min(headRadius * kSqrt3, 0.7 * length);
    const double f = headLength / length;
    const float base[3] = {static_cast<float>(to[0] - f * (to[0] - from[0])),
                           static_cast<float>(to[1] - f * (to[1] - from[1])),
                           static_cast<float>(to[2] - f * (to[2] - from[2]))};
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    const double rim = std::max(r, headRadius);
    // Tail disc, shaft, the rim of the head and its cone, each its own
    // piece between breaks.
    const struct {
        const float* at;
        double radius;
    } rows[kArrowProfilePoints] = {{from, 0}, {from, r},      {nullptr, nan}, {from, r},  {base, r}, {nullptr, nan},
                                   {base, r}, {base, rim},    {nullptr, nan}, {base, rim}, {to, 0}};
    for (int32_t i = 0; i < kArrowProfilePoints; ++i) {
        if (rows[i].at)
            StoreTriple(profile + 3 * i, PointAt(rows[i].at, 0));
        else
            StoreTriple(profile + 3 * i, {nan, nan, nan});
        profileRadii[i] = rows[i].radius;
    }
    shaft->Restart();
    shaft->BuildTube();
    extent = shaft->GetExtent();
}

void AnArrow3D::SetOption(int32_t code, double value)
{
    if (code == OptionColor) {
        if (color)
            color->SetColorCode(value);
        return;
    }
    if (shaft) {
        if (code == OptionResolution) {
            shaft->SetOption(code, value);
            BuildMesh();
        } else if ((code == OptionUploadMesh || code == OptionUploadProgress || code == 7 || code == OptionOpacity) &&
                   IsReady()) {
            shaft->SetOption(code, value);
        }
        return;
    }
    if (code != OptionUploadMesh || !IsReady() || headPending.exchange(0, std::memory_order_acq_rel) == 0)
        return;
    const int32_t lines = noHead ? 1 : barbCount + 1;
    uint16_t pairs[2 * (kArrowProfilePoints - 1)];
    for (int32_t i = 0; i < lines; ++i) {
        pairs[2 * i] = 0;
        pairs[2 * i + 1] = static_cast<uint16_t>(i + 1);
    }
    mesh.SetLines(profile, pairs, nullptr, static_cast<uint32_t>(lines + 1), lines, context);
}

bool AnArrow3D::Draw()
{
    if (!IsReady() || !color)
        return true;
    if (shaft)
        return shaft->Draw();
    if (mesh.state == MeshEmpty || !context)
        return true;
    if (color->kind == ColorHidden) {
        mesh.Sync();
        return true;
    }
    context->SetFlatColor(color->rgb);
    mesh.Draw();
    return true;
}
