// Small vectors and matrices of the 3D and 4D views: row-major matrices of
// doubles acting on column vectors, the virtual trackball, (axis, angle)
// conversions and the 4D double rotation. Everything works on the caller's
// storage; products go through a temporary, so an output may be an input.
//
// One rotation sense holds for every (axis, angle) pair of the views and of
// the document: MatrixFromAxisAngle3(n, a) turns a column vector by -a about
// n (the transpose of the right-hand rotation), and AxisAngleFromMatrix3
// inverts it.
#pragma once

#include "CoreUtilities/ShortRect.h"

struct Vec3 {
    double x, y, z;
};

// Also a quaternion v[0] + v[1] i + v[2] j + v[3] k.
struct Vec4 {
    double v[4];
};

// Element m[r][c] is row r, column c.
struct Matrix3 {
    double m[3][3];
};

struct Matrix4 {
    double m[4][4];
};

inline double DotVec3(const Vec3& a, const Vec3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// out = v x (a, b, c); returns out.
Vec3& CrossVec3(const Vec3& v, Vec3& out, double a, double b, double c);
// out = v / |v| (a zero vector gives components that are not finite).
Vec3& NormalizeVec3(const Vec3& v, Vec3& out);
// out = R (a, b, c).
Vec3& RotateVec3(Vec3& out, const Matrix3& R, double a, double b, double c);
// out = transpose(R) (a, b, c).
Vec3& InverseRotateVec3(Vec3& out, const Matrix3& R, double a, double b, double c);

Vec4& ScaleVec4(const Vec4& v, Vec4& out, double s);
// out = v - (a, b, c, d).
Vec4& SubtractVec4(const Vec4& v, Vec4& out, double a, double b, double c, double d);
// out = M (a, b, c, d).
Vec4& TransformVec4(double a, double b, double c, double d, Vec4& out, const Matrix4& M);
// out_i = det[e_i; a; b; c]: orthogonal to a, b and c.
Vec4& Cross4(Vec4& out, const Vec4& a, const Vec4& b, const Vec4& c);

// Every element within 8 double epsilons.
bool Matrix3NearlyEqual(const Matrix3& A, const Matrix3& B);
bool Matrix4NearlyEqual(const Matrix4& A, const Matrix4& B);
void SetIdentity3(Matrix3& out);
void SetIdentity4(Matrix4& out);
void Transpose3(Matrix3& M);
void Transpose4(Matrix4& M);
void CopyMatrix3(const Matrix3& source, Matrix3& destination);
void CopyMatrix4(const Matrix4& source, Matrix4& destination);
// out = A B.
void MultiplyMatrix3(const Matrix3& A, const Matrix3& B, Matrix3& out);
void MultiplyMatrix4(const Matrix4& A, const Matrix4& B, Matrix4& out);
// Rebuilds a rotation that rounding has skewed: row 1 keeps its direction.
void Reorthonormalize3(Matrix3& M);
void Reorthonormalize4(Matrix4& M);

// The point on the unit trackball under a pane point (x right, y up, z
// towards the viewer); points on or beyond the rim go to the rim.
Vec3& TrackballVector(ShortPoint centre, ShortPoint point, Vec3& out, int radius);
// The rotation in camera order (toward the viewer, right, up) that takes
// trackball vector B to A.
void ArcRotation3(Matrix3& out, const Vec3& A, const Vec3& B);
// Kind 1 turns coordinates 0-2 as ArcRotation3 does, kind 2 coordinates
// 1-3 in trackball order; other kinds leave out alone.
void ArcRotation4(Matrix4& out, const Vec3& A, const Vec3& B, int kind);
// The rotation that a drag from p to q makes.
void TrackballRotation3(ShortPoint p, ShortPoint q, ShortPoint centre, int radius, Matrix3& out);
void TrackballRotation4(ShortPoint p, ShortPoint q, ShortPoint centre, int radius, Matrix4& out, int kind);

// The axis is used as given: callers pass unit axes.
void MatrixFromAxisAngle3(Matrix3& out, double nx, double ny, double nz, double a);
// A unit axis and an angle in [0, pi]; the identity (and anything that is
// not a rotation of finite elements) gives (0, 0, -1) and 0.
void AxisAngleFromMatrix3(Vec3& axis, double& angle, const Matrix3& M);
// out = MatrixFromAxisAngle3(n, a) v.
Vec3& RotateAboutAxis(const Vec3& v, Vec3& out, double nx, double ny, double nz, double a);

// The map p -> q1 p q2 of quaternions, q_k = (cos(angle_k / 2), sin(angle_k / 2) axis_k).
void DoubleRotation4(Matrix4& out, const double (&axis1)[3], double angle1, const double (&axis2)[3],
                     double angle2);
// Inverts DoubleRotation4 for angles strictly between 0 and pi; where the
// axes are undetermined (the identity among others) every output is 0.
void DecomposeDoubleRotation4(double (&axis1)[3], double& angle1, double (&axis2)[3], double& angle2,
                              const Matrix4& M);

// Q, a rotation in the frame P maps from, expressed in P's target frame:
// Q <- P Q transpose(P), reorthonormalised.
void ConjugateRotation3(const Matrix3& P, Matrix3& Q);
void ConjugateRotation4(const Matrix4& P, Matrix4& Q);

// 0.3 radians about z times -pi/6 about y: the eye 30 degrees above the xy
// plane.
void DefaultViewRotation3(Matrix3& out);
