// Software primitives: projection, light and depth cue, then the rasterizer.
#include "rendering/PrimitiveDrawing.h"

#include "rendering/SoftwareLabels.h"
#include "rendering/SoftwarePointsAndLines.h"
#include "rendering/SoftwareTriangles.h"
#include "rendering/ViewRenderContext.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"

#include <algorithm>
#include <cmath>

namespace {

// Towards the light, in camera space (the viewer looks along -x).
constexpr double kLightComponent = 0.57735026918962576;
constexpr Vec3 kLight{kLightComponent, -kLightComponent, kLightComponent};

struct BoxMapping {
    double cx, cy, cz, sx, sy, sz;
    Vec3 Map(const float* p) const { return Vec3{(p[0] - cx) * sx, (p[1] - cy) * sy, (p[2] - cz) * sz}; }
};

// False when the box has no extent or no finite one: nothing can be drawn.
bool MappingOf(const ViewRenderContext& ctx, BoxMapping& out)
{
    if (!ctx.camera || !ctx.positions)
        return false;
    const Camera3D& c = *ctx.camera;
    out = BoxMapping{(c.xmin + c.xmax) / 2, (c.ymin + c.ymax) / 2, (c.zmin + c.zmax) / 2,
                     4 / (c.xmax - c.xmin), 4 / (c.ymax - c.ymin), 4 / (c.zmax - c.zmin)};
    const double product = out.sx * out.sy * out.sz;
    return product != 0 && std::isfinite(product);
}

// Every current vertex projected; null when memory is refused.
ScreenVertex* ProjectVertices(const ViewRenderContext& ctx, const BoxMapping& box)
{
    ScreenVertex* v = AllocScreenVertices(ctx.vertexCount);
    if (!v)
        return nullptr;
    for (int32_t i = 0; i < ctx.vertexCount; ++i) {
        const Vec3 q = box.Map(ctx.positions + 3 * i);
        const ProjectedPoint p = ProjectSoftwarePoint(ctx, q.x, q.y, q.z);
        v[i] = ScreenVertex{static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.depth), 0, 0, 0, 1, 0,
                            0};
    }
    return v;
}

void ColourOf(const ViewRenderContext& ctx, int32_t vertex, float (&rgb)[3])
{
    if (ctx.colorSource == 1 && ctx.colors) {
        for (int k = 0; k < 3; ++k)
            rgb[k] = ctx.colors[3 * vertex + k];
        return;
    }
    rgb[0] = (ctx.currentColor >> 16 & 0xFF) / 255.0f;
    rgb[1] = (ctx.currentColor >> 8 & 0xFF) / 255.0f;
    rgb[2] = (ctx.currentColor & 0xFF) / 255.0f;
}

// The part of a shaded triangle beyond the near plane, as OpenGL keeps it:
// corners in front of it are replaced by the cuts of their edges, with
// colour, opacity and texture coordinates interpolated in space. The number
// of corners (0, 3 or 4).
int32_t ClipToNearPlane(const ViewRenderContext& ctx, const Vec3 (&box)[3], const ScreenVertex (&s)[3],
                        ScreenVertex (&out)[4])
{
    if (s[0].depth >= 0 && s[1].depth >= 0 && s[2].depth >= 0) {
        out[0] = s[0], out[1] = s[1], out[2] = s[2];
        return 3;
    }
    const double nearDistance = -ctx.depthOffset / ctx.depthScale;
    double distance[3];
    for (int k = 0; k < 3; ++k)
        distance[k] = DotVec3(Vec3{box[k].x - ctx.eye.x, box[k].y - ctx.eye.y, box[k].z - ctx.eye.z},
                              ctx.viewDirection);
    int32_t n = 0;
    for (int k = 0; k < 3; ++k) {
        const int previous = (k + 2) % 3;
        const bool inPrevious = s[previous].depth >= 0, in = s[k].depth >= 0;
        if (inPrevious != in) {
            const double t = (nearDistance - distance[previous]) / (distance[k] - distance[previous]);
            const Vec3& p = box[previous];
            const Vec3& q = box[k];
            const ProjectedPoint at =
                ProjectSoftwarePoint(ctx, p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t, p.z + (q.z - p.z) * t);
            const auto mix = [&](float a, float b) { return static_cast<float>(a + (b - a) * t); };
            const ScreenVertex &a = s[previous], &b = s[k];
            out[n++] = ScreenVertex{static_cast<float>(at.x), static_cast<float>(at.y),
                                    static_cast<float>(std::max(at.depth, 0.0)), mix(a.red, b.red),
                                    mix(a.green, b.green), mix(a.blue, b.blue), mix(a.alpha, b.alpha), mix(a.u, b.u),
                                    mix(a.v, b.v)};
        }
        if (in)
            out[n++] = s[k];
    }
    return n;
}

float Clamp01(float value)
{
    return std::clamp(value, 0.0f, 1.0f);
}

bool InRange(int64_t index, int32_t count)
{
    return index >= 0 && index < count;
}

}  // namespace

ScreenVertex* AllocScreenVertices(int32_t count)
{
    void* block = count > 0 && static_cast<uint64_t>(count) * sizeof(ScreenVertex) <= UINT32_MAX
                      ? BudgetMalloc(static_cast<uint32_t>(count * sizeof(ScreenVertex)), false)
                      : nullptr;
    if (!block)
        PostFailure(FailureOutOfMemory);
    return static_cast<ScreenVertex*>(block);
}

void FreeScreenVertices(ScreenVertex* vertices)
{
    BudgetFree(vertices);
}

float CornerIntensity(const Camera3D& camera, float nx, float ny, float nz, bool front)
{
    Vec3 n{nx * (camera.xmax - camera.xmin) / 4, ny * (camera.ymax - camera.ymin) / 4,
           nz * (camera.zmax - camera.zmin) / 4};
    const double length = std::sqrt(DotVec3(n, n));
    if (length != 0 && std::isfinite(length))
        n = Vec3{n.x / length, n.y / length, n.z / length};
    if (!front)
        n = Vec3{-n.x, -n.y, -n.z};
    Vec3 m;
    InverseRotateVec3(m, camera.rotation, n.x, n.y, n.z);
    const double d = DotVec3(m, kLight);
    const double s = std::max(2 * d * m.x - kLight.x, 0.0);
    const double s2 = s * s, s4 = s2 * s2;
    const double intensity = 0.6 * std::max(d, 0.0) + 0.2 + 0.2 * s4 * s4;
    return std::isfinite(intensity) ? static_cast<float>(intensity) : 0.2f;
}

bool DrawSoftwareTriangles(ViewRenderContext& ctx, const int32_t* triangles, int32_t count,
                           const SoftwareTexture* texture)
{
    BoxMapping box;
    if (!triangles || count <= 0 || !MappingOf(ctx, box))
        return true;
    AddDrawnTriangles(static_cast<uint64_t>(count));
    ScreenVertex* v = ProjectVertices(ctx, box);
    if (!v)
        return false;
    const bool textured = ctx.colorSource == 2 && texture && ctx.texCoords;
    const Camera3D& camera = *ctx.camera;
    bool drawn = true;
    for (int32_t t = 0; t < count && drawn; ++t) {
        const int32_t* corner = triangles + 3 * t;
        if (!InRange(corner[0], ctx.vertexCount) || !InRange(corner[1], ctx.vertexCount) ||
            !InRange(corner[2], ctx.vertexCount))
            continue;
        ScreenVertex s[3] = {v[corner[0]], v[corner[1]], v[corner[2]]};
        if (s[0].depth < 0 && s[1].depth < 0 && s[2].depth < 0)
            continue;
        const Vec3 A = box.Map(ctx.positions + 3 * corner[0]), B = box.Map(ctx.positions + 3 * corner[1]),
                   C = box.Map(ctx.positions + 3 * corner[2]);
        Vec3 normal;
        CrossVec3(Vec3{B.x - A.x, B.y - A.y, B.z - A.z}, normal, C.x - A.x, C.y - A.y, C.z - A.z);
        const bool front = DotVec3(normal, ctx.viewDirection) < 0;
        for (int k = 0; k < 3; ++k) {
            const int32_t i = corner[k];
            const float intensity =
                ctx.normals ? CornerIntensity(camera, ctx.normals[3 * i], ctx.normals[3 * i + 1], ctx.normals[3 * i + 2],
                                              front)
                            : 0.2f;
            if (textured) {
                s[k].u = ctx.texCoords[2 * i];
                s[k].v = 1 - ctx.texCoords[2 * i + 1];
                s[k].red = s[k].green = s[k].blue = Clamp01(intensity);
            } else {
                float rgb[3];
                ColourOf(ctx, i, rgb);
                s[k].red = Clamp01(intensity * rgb[0]);
                s[k].green = Clamp01(intensity * rgb[1]);
                s[k].blue = Clamp01(intensity * rgb[2]);
            }
            s[k].alpha = ctx.opacity;
        }
        const Vec3 box3[3] = {A, B, C};
        ScreenVertex polygon[4];
        const int32_t n = ClipToNearPlane(ctx, box3, s, polygon);
        for (int32_t i = 2; i < n && drawn; ++i)
            drawn = textured ? RasterizeTexturedTriangle(texture, polygon[0], polygon[i - 1], polygon[i], ctx.raster)
                             : RasterizeTriangle(polygon[0], polygon[i - 1], polygon[i], ctx.raster);
    }
    FreeScreenVertices(v);
    return drawn;
}

bool DrawSoftwareLines(ViewRenderContext& ctx, const uint16_t* pairs, int32_t count)
{
    BoxMapping box;
    if (!pairs || count <= 0 || !MappingOf(ctx, box))
        return true;
    ScreenVertex* v = ProjectVertices(ctx, box);
    if (!v)
        return false;
    // Grey towards the far side: full colour nearer than 48, grey 0.5 from 52.
    for (int32_t i = 0; i < ctx.vertexCount; ++i) {
        const Vec3 q = box.Map(ctx.positions + 3 * i);
        const double distance =
            DotVec3(Vec3{q.x - ctx.eye.x, q.y - ctx.eye.y, q.z - ctx.eye.z}, ctx.viewDirection);
        const float cue = Clamp01(static_cast<float>((52 - distance) * 0.25));
        float rgb[3];
        ColourOf(ctx, i, rgb);
        v[i].red = 0.5f * (1 - cue) + cue * rgb[0];
        v[i].green = 0.5f * (1 - cue) + cue * rgb[1];
        v[i].blue = 0.5f * (1 - cue) + cue * rgb[2];
        v[i].alpha = 1;
    }
    bool drawn = true;
    for (int32_t k = 0; k < count && drawn; ++k) {
        const uint16_t a = pairs[2 * k], b = pairs[2 * k + 1];
        if (!InRange(a, ctx.vertexCount) || !InRange(b, ctx.vertexCount) || v[a].depth < 0 || v[b].depth < 0)
            continue;
        drawn = RasterizeLine(v[a], v[b], ctx.raster);
    }
    FreeScreenVertices(v);
    return drawn;
}

bool DrawSoftwarePoints(ViewRenderContext& ctx, const uint16_t* indices, const char16_t* const* labels,
                        const char16_t* const* secondLabels, const float* sizes, int32_t count)
{
    BoxMapping box;
    if (count <= 0 || !MappingOf(ctx, box))
        return true;
    ScreenVertex* v = ProjectVertices(ctx, box);
    if (!v)
        return false;
    bool drawn = true;
    for (int32_t k = 0; k < count && drawn; ++k) {
        const int32_t i = indices ? indices[k] : k;
        if (!InRange(i, ctx.vertexCount) || v[i].depth < 0)
            continue;
        float rgb[3];
        ColourOf(ctx, i, rgb);
        ScreenVertex p = v[i];
        p.red = rgb[0], p.green = rgb[1], p.blue = rgb[2], p.alpha = 1;
        const float size = sizes ? sizes[k] : 9;
        drawn = labels && labels[k] ? RasterizeLabel(p, labels[k], size, ctx.raster, ctx.doc)
                                    : RasterizePoint(p, ctx.raster);
        if (drawn && secondLabels && secondLabels[k]) {
            ScreenVertex moved = p;
            moved.x += 4;
            drawn = RasterizeLabel(moved, secondLabels[k], size, ctx.raster, ctx.doc);
        }
    }
    FreeScreenVertices(v);
    return drawn;
}
