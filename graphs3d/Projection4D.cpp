#include "graphs3d/Projection4D.h"

#include <cmath>

namespace {

double Dot4(const double (&a)[4], const double (&b)[4])
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
}

void Store(const Vec4& v, double (&out)[4])
{
    for (int i = 0; i < 4; ++i)
        out[i] = v.v[i];
}

Vec4 Normalized(const Vec4& v)
{
    const double length = std::sqrt(v.v[0] * v.v[0] + v.v[1] * v.v[1] + v.v[2] * v.v[2] + v.v[3] * v.v[3]);
    Vec4 out;
    ScaleVec4(v, out, 1 / length);
    return out;
}

}  // namespace

Box4D Box4DOf(const A4DGraphView& view)
{
    return Box4D{{view.xMin, view.yMin, view.zMin, view.wMin}, {view.xMax, view.yMax, view.zMax, view.wMax}};
}

Box4D Box4DOf(const Projection4D& projection)
{
    if (projection.owner)
        return Box4DOf(*projection.owner);
    const double* b = projection.box;
    return Box4D{{b[0], b[2], b[4], b[6]}, {b[1], b[3], b[5], b[7]}};
}

const Projection4D* ProjectionOf(const A4DGraphView* view)
{
    return view ? &view->projection : nullptr;
}

void ComputeProjection4D(Projection4D& out, const Matrix4& R, double r, const Box4D& box)
{
    Vec4 E, c1, c2;
    TransformVec4(0, 0, 0, kEyeDistance4D, E, R);
    TransformVec4(0, 1, 0, 0, c1, R);
    TransformVec4(0, 0, 1, 0, c2, R);
    Vec4 minusE;
    ScaleVec4(E, minusE, -1);
    const Vec4 D = Normalized(minusE);
    Vec4 X, Y, Z;
    Cross4(X, c2, c1, D);
    X = Normalized(X);
    Cross4(Y, c2, D, X);
    Y = Normalized(Y);
    Cross4(Z, Y, X, D);
    Z = Normalized(Z);
    Store(E, out.eye);
    Store(D, out.D);
    Store(X, out.X);
    Store(Y, out.Y);
    Store(Z, out.Z);
    for (int i = 0; i < 4; ++i) {
        out.box[2 * i] = box.min[i];
        out.box[2 * i + 1] = box.max[i];
    }
    const double nearDistance = kEyeDistance4D - r, farDistance = r + kEyeDistance4D;
    out.depthScale = 1 / (farDistance - nearDistance);
    out.depthOffset = nearDistance / (nearDistance - farDistance);
}

void Project4DPoint(const Projection4D& p, const double (&P)[4], Vec3& out, double& depth)
{
    const double d[4] = {P[0] - p.eye[0], P[1] - p.eye[1], P[2] - p.eye[2], P[3] - p.eye[3]};
    out.x = Dot4(d, p.X);
    out.y = Dot4(d, p.Y);
    out.z = Dot4(d, p.Z);
    depth = Dot4(d, p.D) * p.depthScale + p.depthOffset;
}

bool NormalizeTo4DBox(const Box4D& box, const double (&value)[4], double (&out)[4])
{
    bool finite = true;
    for (int i = 0; i < 4; ++i) {
        const double width = box.max[i] - box.min[i];
        out[i] = (value[i] - (box.min[i] + box.max[i]) / 2) * 2 / width;
        finite = finite && std::isfinite(out[i]);
    }
    return finite;
}

void Box4DScales(const Box4D& box, double (&out)[4])
{
    for (int i = 0; i < 4; ++i)
        out[i] = 2 / (box.max[i] - box.min[i]);
}

void ProjectToPanel(const Vec3& p, double& horizontal, double& vertical)
{
    const double distance = kEyeDistance4D - p.x;
    horizontal = kEyeDistance4D * p.y / distance;
    vertical = -kEyeDistance4D * p.z / distance;
}
