#include "rendering/RotationKit.h"

#include <cfloat>
#include <cmath>
#include <numbers>

namespace {

constexpr double kNearlyEqualTolerance = 8 * DBL_EPSILON;

// Writes the rotation by angle with cosine C and sine S about the unit axis n
// (the sense of MatrixFromAxisAngle3) into rows and columns first to
// first + 2 of m.
template <int N>
void PutAxisRotation(double (&m)[N][N], int first, const Vec3& n, double C, double S)
{
    const double D = 1 - C;
    const double block[3][3] = {
        {C + D * n.x * n.x, D * n.x * n.y + S * n.z, D * n.x * n.z - S * n.y},
        {D * n.x * n.y - S * n.z, C + D * n.y * n.y, D * n.y * n.z + S * n.x},
        {D * n.x * n.z + S * n.y, D * n.y * n.z - S * n.x, C + D * n.z * n.z},
    };
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            m[first + r][first + c] = block[r][c];
    }
}

template <int N>
bool NearlyEqual(const double (&a)[N][N], const double (&b)[N][N])
{
    for (int r = 0; r < N; ++r) {
        for (int c = 0; c < N; ++c) {
            if (!(std::fabs(a[r][c] - b[r][c]) <= kNearlyEqualTolerance))
                return false;
        }
    }
    return true;
}

template <int N>
void Identity(double (&m)[N][N])
{
    for (int r = 0; r < N; ++r) {
        for (int c = 0; c < N; ++c)
            m[r][c] = r == c ? 1 : 0;
    }
}

template <int N>
void Transpose(double (&m)[N][N])
{
    for (int r = 0; r < N; ++r) {
        for (int c = r + 1; c < N; ++c) {
            const double t = m[r][c];
            m[r][c] = m[c][r];
            m[c][r] = t;
        }
    }
}

template <int N>
void Multiply(const double (&a)[N][N], const double (&b)[N][N], double (&out)[N][N])
{
    double t[N][N];
    for (int r = 0; r < N; ++r) {
        for (int c = 0; c < N; ++c) {
            double sum = 0;
            for (int k = 0; k < N; ++k)
                sum += a[r][k] * b[k][c];
            t[r][c] = sum;
        }
    }
    for (int r = 0; r < N; ++r) {
        for (int c = 0; c < N; ++c)
            out[r][c] = t[r][c];
    }
}

// q <- p q transpose(p).
template <int N>
void Conjugate(const double (&p)[N][N], double (&q)[N][N])
{
    double t[N][N];
    for (int r = 0; r < N; ++r) {
        for (int c = 0; c < N; ++c)
            t[r][c] = p[c][r];
    }
    Multiply(q, t, t);
    Multiply(p, t, q);
}

template <int N>
void NormalizeRow(double (&row)[N])
{
    double sum = 0;
    for (double x : row)
        sum += x * x;
    const double length = std::sqrt(sum);
    for (double& x : row)
        x /= length;
}

Vec4 Row(const Matrix4& M, int r)
{
    return Vec4{{M.m[r][0], M.m[r][1], M.m[r][2], M.m[r][3]}};
}

void SetRow(Matrix4& M, int r, const Vec4& v)
{
    for (int c = 0; c < 4; ++c)
        M.m[r][c] = v.v[c];
    NormalizeRow(M.m[r]);
}

// Hamilton product.
Vec4 QuaternionProduct(const Vec4& p, const Vec4& q)
{
    const double* a = p.v;
    const double* b = q.v;
    return Vec4{{a[0] * b[0] - a[1] * b[1] - a[2] * b[2] - a[3] * b[3],
                 a[0] * b[1] + a[1] * b[0] + a[2] * b[3] - a[3] * b[2],
                 a[0] * b[2] - a[1] * b[3] + a[2] * b[0] + a[3] * b[1],
                 a[0] * b[3] + a[1] * b[2] - a[2] * b[1] + a[3] * b[0]}};
}

// The unit axis and the cosine and sine of the turn that takes trackball
// vector B to A. Opposite vectors have no cross product to give an axis: any
// axis across them makes the half turn, where the zero axis would give a
// reflection.
void ArcAxis(const Vec3& A, const Vec3& B, Vec3& n, double& C, double& S)
{
    CrossVec3(A, n, B.x, B.y, B.z);
    S = std::sqrt(DotVec3(n, n));
    C = DotVec3(A, B);
    if (S > 0) {
        n = Vec3{n.x / S, n.y / S, n.z / S};
    } else if (C < 0) {
        if (std::fabs(A.z) < 0.9)
            CrossVec3(A, n, 0, 0, 1);
        else
            CrossVec3(A, n, 1, 0, 0);
        NormalizeVec3(n, n);
    }
}

bool AllFinite(const Matrix3& M)
{
    for (const auto& row : M.m) {
        for (double x : row) {
            if (!std::isfinite(x))
                return false;
        }
    }
    return true;
}

}  // namespace

Vec3& CrossVec3(const Vec3& v, Vec3& out, double a, double b, double c)
{
    // v may be out.
    const Vec3 r{v.y * c - v.z * b, v.z * a - v.x * c, v.x * b - v.y * a};
    out = r;
    return out;
}

Vec3& NormalizeVec3(const Vec3& v, Vec3& out)
{
    const double length = std::sqrt(DotVec3(v, v));
    out = Vec3{v.x / length, v.y / length, v.z / length};
    return out;
}

Vec3& RotateVec3(Vec3& out, const Matrix3& R, double a, double b, double c)
{
    const auto& m = R.m;
    out = Vec3{m[0][0] * a + m[0][1] * b + m[0][2] * c, m[1][0] * a + m[1][1] * b + m[1][2] * c,
               m[2][0] * a + m[2][1] * b + m[2][2] * c};
    return out;
}

Vec3& InverseRotateVec3(Vec3& out, const Matrix3& R, double a, double b, double c)
{
    const auto& m = R.m;
    out = Vec3{m[0][0] * a + m[1][0] * b + m[2][0] * c, m[0][1] * a + m[1][1] * b + m[2][1] * c,
               m[0][2] * a + m[1][2] * b + m[2][2] * c};
    return out;
}

Vec4& ScaleVec4(const Vec4& v, Vec4& out, double s)
{
    for (int i = 0; i < 4; ++i)
        out.v[i] = v.v[i] * s;
    return out;
}

Vec4& SubtractVec4(const Vec4& v, Vec4& out, double a, double b, double c, double d)
{
    out = Vec4{{v.v[0] - a, v.v[1] - b, v.v[2] - c, v.v[3] - d}};
    return out;
}

Vec4& TransformVec4(double a, double b, double c, double d, Vec4& out, const Matrix4& M)
{
    for (int r = 0; r < 4; ++r)
        out.v[r] = M.m[r][0] * a + M.m[r][1] * b + M.m[r][2] * c + M.m[r][3] * d;
    return out;
}

Vec4& Cross4(Vec4& out, const Vec4& a, const Vec4& b, const Vec4& c)
{
    // Cofactor expansion along the first row: the minor of column i, with
    // the alternating sign.
    Vec4 r;
    for (int i = 0; i < 4; ++i) {
        int col[3];
        for (int k = 0, j = 0; k < 4; ++k) {
            if (k != i)
                col[j++] = k;
        }
        const double minor = a.v[col[0]] * (b.v[col[1]] * c.v[col[2]] - b.v[col[2]] * c.v[col[1]]) -
                             a.v[col[1]] * (b.v[col[0]] * c.v[col[2]] - b.v[col[2]] * c.v[col[0]]) +
                             a.v[col[2]] * (b.v[col[0]] * c.v[col[1]] - b.v[col[1]] * c.v[col[0]]);
        r.v[i] = (i % 2 == 0) ? minor : -minor;
    }
    out = r;
    return out;
}

bool Matrix3NearlyEqual(const Matrix3& A, const Matrix3& B) { return NearlyEqual(A.m, B.m); }
bool Matrix4NearlyEqual(const Matrix4& A, const Matrix4& B) { return NearlyEqual(A.m, B.m); }
void SetIdentity3(Matrix3& out) { Identity(out.m); }
void SetIdentity4(Matrix4& out) { Identity(out.m); }
void Transpose3(Matrix3& M) { Transpose(M.m); }
void Transpose4(Matrix4& M) { Transpose(M.m); }
void CopyMatrix3(const Matrix3& source, Matrix3& destination) { destination = source; }
void CopyMatrix4(const Matrix4& source, Matrix4& destination) { destination = source; }
void MultiplyMatrix3(const Matrix3& A, const Matrix3& B, Matrix3& out) { Multiply(A.m, B.m, out.m); }
void MultiplyMatrix4(const Matrix4& A, const Matrix4& B, Matrix4& out) { Multiply(A.m, B.m, out.m); }

void Reorthonormalize3(Matrix3& M)
{
    auto& m = M.m;
    NormalizeRow(m[1]);
    Vec3 r0;
    CrossVec3(Vec3{m[1][0], m[1][1], m[1][2]}, r0, m[2][0], m[2][1], m[2][2]);
    NormalizeVec3(r0, r0);
    Vec3 r2;
    CrossVec3(r0, r2, m[1][0], m[1][1], m[1][2]);
    NormalizeVec3(r2, r2);
    m[0][0] = r0.x, m[0][1] = r0.y, m[0][2] = r0.z;
    m[2][0] = r2.x, m[2][1] = r2.y, m[2][2] = r2.z;
}

void Reorthonormalize4(Matrix4& M)
{
    NormalizeRow(M.m[1]);
    const Vec4 r1 = Row(M, 1), oldR2 = Row(M, 2), oldR3 = Row(M, 3);
    Vec4 t;
    SetRow(M, 0, Cross4(t, r1, oldR2, oldR3));
    const Vec4 r0 = Row(M, 0);
    SetRow(M, 2, Cross4(t, oldR3, r0, r1));
    SetRow(M, 3, Cross4(t, r1, r0, Row(M, 2)));
}

Vec3& TrackballVector(ShortPoint centre, ShortPoint point, Vec3& out, int radius)
{
    // A view too small to have a ball turns nothing.
    if (radius < 1) {
        out = Vec3{0, 0, 1};
        return out;
    }
    double x = double(point.h - centre.h) / radius;
    double y = double(centre.v - point.v) / radius;
    const double r2 = x * x + y * y;
    if (r2 < 1) {
        out = Vec3{x, y, std::sqrt(1 - r2)};
    } else {
        const double r = std::sqrt(r2);
        out = Vec3{x / r, y / r, 0};
    }
    return out;
}

void ArcRotation3(Matrix3& out, const Vec3& A, const Vec3& B)
{
    Vec3 n;
    double C, S;
    ArcAxis(A, B, n, C, S);
    // Trackball order (right, up, toward the viewer) into camera order.
    PutAxisRotation(out.m, 0, Vec3{n.z, n.x, n.y}, C, S);
}

void ArcRotation4(Matrix4& out, const Vec3& A, const Vec3& B, int kind)
{
    if (kind != 1 && kind != 2)
        return;
    Vec3 n;
    double C, S;
    ArcAxis(A, B, n, C, S);
    SetIdentity4(out);
    if (kind == 1)
        PutAxisRotation(out.m, 0, Vec3{n.z, n.x, n.y}, C, S);
    else
        PutAxisRotation(out.m, 1, n, C, S);
}

void TrackballRotation3(ShortPoint p, ShortPoint q, ShortPoint centre, int radius, Matrix3& out)
{
    Vec3 from, to;
    TrackballVector(centre, p, from, radius);
    TrackballVector(centre, q, to, radius);
    ArcRotation3(out, to, from);
}

void TrackballRotation4(ShortPoint p, ShortPoint q, ShortPoint centre, int radius, Matrix4& out, int kind)
{
    Vec3 from, to;
    TrackballVector(centre, p, from, radius);
    TrackballVector(centre, q, to, radius);
    ArcRotation4(out, to, from, kind);
}

void MatrixFromAxisAngle3(Matrix3& out, double nx, double ny, double nz, double a)
{
    PutAxisRotation(out.m, 0, Vec3{nx, ny, nz}, std::cos(a), std::sin(a));
}

void AxisAngleFromMatrix3(Vec3& axis, double& angle, const Matrix3& M)
{
    const auto& m = M.m;
    const double t = m[0][0] + m[1][1] + m[2][2];
    // 2 sin(angle) times the axis.
    const Vec3 w{m[1][2] - m[2][1], m[2][0] - m[0][2], m[0][1] - m[1][0]};
    const double s = std::sqrt(DotVec3(w, w)) / 2;
    const double c = (t - 1) / 2;
    if (!AllFinite(M) || !(t < 3) || (s == 0 && c >= 0)) {
        axis = Vec3{0, 0, -1};
        angle = 0;
        return;
    }
    // atan2 rather than acos of the trace: exact near 0 and pi, and never
    // outside [0, pi] when rounding pushes the trace past 3 or -1.
    angle = std::atan2(s, c);
    if (c >= 0) {
        axis = Vec3{w.x / (2 * s), w.y / (2 * s), w.z / (2 * s)};
        NormalizeVec3(axis, axis);
        return;
    }
    // Beyond a right angle the sine fades: the symmetric part, D n n^T,
    // gives the axis, from its largest diagonal entry.
    const double D = 1 - c;
    int i = 0;
    if (m[1][1] > m[i][i])
        i = 1;
    if (m[2][2] > m[i][i])
        i = 2;
    double n[3];
    n[i] = std::sqrt(std::fmax(0.0, (m[i][i] - c) / D));
    for (int j = 0; j < 3; ++j) {
        if (j != i)
            n[j] = (m[i][j] + m[j][i]) / (2 * D * n[i]);
    }
    axis = Vec3{n[0], n[1], n[2]};
    NormalizeVec3(axis, axis);
    // The antisymmetric part still tells the sense, where it is not lost.
    if (DotVec3(axis, w) < 0)
        axis = Vec3{-axis.x, -axis.y, -axis.z};
}

Vec3& RotateAboutAxis(const Vec3& v, Vec3& out, double nx, double ny, double nz, double a)
{
    Matrix3 R;
    MatrixFromAxisAngle3(R, nx, ny, nz, a);
    return RotateVec3(out, R, v.x, v.y, v.z);
}

void DoubleRotation4(Matrix4& out, const double (&axis1)[3], double angle1, const double (&axis2)[3],
                     double angle2)
{
    const double s1 = std::sin(angle1 / 2), s2 = std::sin(angle2 / 2);
    const Vec4 q1{{std::cos(angle1 / 2), s1 * axis1[0], s1 * axis1[1], s1 * axis1[2]}};
    const Vec4 q2{{std::cos(angle2 / 2), s2 * axis2[0], s2 * axis2[1], s2 * axis2[2]}};
    for (int c = 0; c < 4; ++c) {
        Vec4 e{{0, 0, 0, 0}};
        e.v[c] = 1;
        const Vec4 image = QuaternionProduct(QuaternionProduct(q1, e), q2);
        for (int r = 0; r < 4; ++r)
            out.m[r][c] = image.v[r];
    }
}

void DecomposeDoubleRotation4(double (&axis1)[3], double& angle1, double (&axis2)[3], double& angle2,
                              const Matrix4& M)
{
    const auto& m = M.m;
    const double b = (m[1][0] - m[0][1] + m[2][3] - m[3][2]) / 4;
    const double c = (m[0][0] + m[1][1] + m[2][2] + m[3][3]) / 4;
    const double d = (m[2][0] - m[0][2] + m[3][1] - m[1][3]) / 4;
    const double e = (m[3][0] - m[0][3] + m[1][2] - m[2][1]) / 4;
    const double f = std::sqrt(b * b + c * c + d * d + e * e);
    const double l = std::sqrt(1 - f * f);
    const double g = c / f;
    const double k = std::sqrt(1 - g * g);
    const double u[3] = {(m[3][2] + m[1][0] - m[0][1] - m[2][3]) / (4 * g * l),
                         (m[2][0] - m[3][1] - m[0][2] + m[1][3]) / (4 * g * l),
                         (m[2][1] + m[3][0] - m[1][2] - m[0][3]) / (4 * g * l)};
    const double w[3] = {b / (f * k), d / (f * k), e / (f * k)};
    const double uLength = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    const double wLength = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
    bool finite = true;
    for (int i = 0; i < 3; ++i) {
        axis1[i] = u[i] / uLength;
        axis2[i] = w[i] / wLength;
        finite = finite && std::isfinite(axis1[i]) && std::isfinite(axis2[i]);
    }
    angle1 = 2 * std::acos(f);
    angle2 = 2 * std::acos(g);
    if (!finite) {
        for (int i = 0; i < 3; ++i)
            axis1[i] = axis2[i] = 0;
        angle1 = angle2 = 0;
    }
}

void ConjugateRotation3(const Matrix3& P, Matrix3& Q)
{
    Conjugate(P.m, Q.m);
    Reorthonormalize3(Q);
}

void ConjugateRotation4(const Matrix4& P, Matrix4& Q)
{
    Conjugate(P.m, Q.m);
    Reorthonormalize4(Q);
}

void DefaultViewRotation3(Matrix3& out)
{
    Matrix3 aboutY;
    MatrixFromAxisAngle3(out, 0, 0, 1, 0.3);
    MatrixFromAxisAngle3(aboutY, 0, 1, 0, std::numbers::pi / 6);
    MultiplyMatrix3(out, aboutY, out);
}
