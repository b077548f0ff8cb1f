#include "rendering/RotationKit.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;

double Det3(const Matrix3& M)
{
    const auto& m = M.m;
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// Largest |M M^T - I| element.
template <int N>
double OrthonormalityError(const double (&m)[N][N])
{
    double worst = 0;
    for (int r = 0; r < N; ++r) {
        for (int c = 0; c < N; ++c) {
            double dot = 0;
            for (int k = 0; k < N; ++k)
                dot += m[r][k] * m[c][k];
            worst = std::fmax(worst, std::fabs(dot - (r == c ? 1 : 0)));
        }
    }
    return worst;
}

template <int N>
double MaxDifference(const double (&a)[N][N], const double (&b)[N][N])
{
    double worst = 0;
    for (int r = 0; r < N; ++r) {
        for (int c = 0; c < N; ++c)
            worst = std::fmax(worst, std::fabs(a[r][c] - b[r][c]));
    }
    return worst;
}

Vec3 Unit(double x, double y, double z)
{
    Vec3 v{x, y, z};
    return NormalizeVec3(v, v);
}

}  // namespace

TEST(RotationKitTest, AxisAngleRoundTripOverAxesAndAngles)
{
    const Vec3 axes[] = {Unit(1, 0, 0), Unit(0, 1, 0), Unit(0, 0, 1),  Unit(0, 0, -1),
                         Unit(1, 2, 3), Unit(-3, 1, 0.5), Unit(1e-9, 1, 0), Unit(-1, -1, -1)};
    const double angles[] = {1e-7, 1e-3, 0.3, 1, kPi / 2, 2, 3, kPi - 1e-4, kPi - 1e-8, kPi};
    for (const Vec3& n : axes) {
        for (double a : angles) {
            SCOPED_TRACE(testing::Message() << "axis " << n.x << "," << n.y << "," << n.z << " angle " << a);
            Matrix3 M;
            MatrixFromAxisAngle3(M, n.x, n.y, n.z, a);
            Vec3 axis;
            double angle = -1;
            AxisAngleFromMatrix3(axis, angle, M);
            ASSERT_TRUE(std::isfinite(axis.x) && std::isfinite(axis.y) && std::isfinite(axis.z));
            EXPECT_NEAR(angle, a, 1e-12 + 1e-12 * a);
            EXPECT_NEAR(DotVec3(axis, axis), 1, 1e-14);
            // At pi exactly both senses of the axis are the same rotation.
            const double sense = a == kPi && DotVec3(axis, n) < 0 ? -1 : 1;
            // The axis of a tiny turn is only as good as the matrix allows.
            const double tolerance = a < 1e-5 ? 1e-8 : 1e-9;
            EXPECT_NEAR(sense * axis.x, n.x, tolerance);
            EXPECT_NEAR(sense * axis.y, n.y, tolerance);
            EXPECT_NEAR(sense * axis.z, n.z, tolerance);
            Matrix3 back;
            MatrixFromAxisAngle3(back, axis.x, axis.y, axis.z, angle);
            EXPECT_LT(MaxDifference(back.m, M.m), 1e-14);
        }
    }
}

TEST(RotationKitTest, AxisAngleOfIdentityAndOfBrokenMatrices)
{
    Matrix3 M;
    SetIdentity3(M);
    Vec3 axis;
    double angle = 1;
    AxisAngleFromMatrix3(axis, angle, M);
    EXPECT_EQ(axis.x, 0);
    EXPECT_EQ(axis.y, 0);
    EXPECT_EQ(axis.z, -1);
    EXPECT_EQ(angle, 0);

    // A turn too small to survive rounding, and a matrix holding a NaN, both
    // give the identity's answer rather than a NaN that would stick.
    MatrixFromAxisAngle3(M, 0, 0, 1, 1e-17);
    AxisAngleFromMatrix3(axis, angle, M);
    EXPECT_EQ(angle, 0);
    SetIdentity3(M);
    M.m[1][2] = NAN;
    AxisAngleFromMatrix3(axis, angle, M);
    EXPECT_EQ(angle, 0);
    EXPECT_EQ(axis.z, -1);
}

TEST(RotationKitTest, AxisAngleSenseIsTheTransposedRightHandRotation)
{
    // Turning by a about z takes x to (cos a, -sin a, 0): the sense of -a.
    Vec3 out;
    RotateAboutAxis(Vec3{1, 0, 0}, out, 0, 0, 1, kPi / 2);
    EXPECT_NEAR(out.x, 0, 1e-15);
    EXPECT_NEAR(out.y, -1, 1e-15);
    EXPECT_NEAR(out.z, 0, 1e-15);
}

TEST(RotationKitTest, DefaultViewAndTolerance)
{
    Matrix3 M;
    DefaultViewRotation3(M);
    const double expected[3][3] = {{0.8273456687, 0.2955202067, -0.4776682446},
                                   {-0.2559280063, 0.9553364891, 0.1477601033},
                                   {0.5, 0, 0.8660254038}};
    EXPECT_LT(MaxDifference(M.m, expected), 6e-11);
    EXPECT_TRUE(Matrix3NearlyEqual(M, M));

    Matrix3 A, B;
    SetIdentity3(A);
    SetIdentity3(B);
    B.m[2][1] = 8 * DBL_EPSILON;
    EXPECT_TRUE(Matrix3NearlyEqual(A, B));
    B.m[2][1] = std::nextafter(8 * DBL_EPSILON, 1.0);
    EXPECT_FALSE(Matrix3NearlyEqual(A, B));
    B.m[2][1] = NAN;
    EXPECT_FALSE(Matrix3NearlyEqual(A, B));

    Matrix4 C, D;
    SetIdentity4(C);
    SetIdentity4(D);
    D.m[3][3] += 8 * DBL_EPSILON;
    EXPECT_TRUE(Matrix4NearlyEqual(C, D));
    D.m[3][3] = 1 + 16 * DBL_EPSILON;
    EXPECT_FALSE(Matrix4NearlyEqual(C, D));
}

TEST(RotationKitTest, ProductsAliasTheirInputs)
{
    Matrix3 A, B, expected;
    MatrixFromAxisAngle3(A, 0, 0, 1, 0.4);
    MatrixFromAxisAngle3(B, 0, 0, 1, 0.5);
    MatrixFromAxisAngle3(expected, 0, 0, 1, 0.9);
    MultiplyMatrix3(A, B, A);
    EXPECT_LT(MaxDifference(A.m, expected.m), 1e-15);
    Transpose3(A);
    MultiplyMatrix3(expected, A, A);
    Matrix3 identity;
    SetIdentity3(identity);
    EXPECT_LT(MaxDifference(A.m, identity.m), 1e-15);

    Matrix4 P;
    const double n1[3] = {0, 0, 1}, n2[3] = {1, 0, 0};
    DoubleRotation4(P, n1, 0.7, n2, 0.2);
    Matrix4 Pt = P;
    Transpose4(Pt);
    MultiplyMatrix4(P, Pt, Pt);
    Matrix4 identity4;
    SetIdentity4(identity4);
    EXPECT_LT(MaxDifference(Pt.m, identity4.m), 1e-15);
}

TEST(RotationKitTest, ManySmallTurnsStayARotation)
{
    // A spinning view composes a small turn every frame; renormalising now
    // and then keeps the camera a rotation.
    Matrix3 R, step;
    SetIdentity3(R);
    MatrixFromAxisAngle3(step, 0.48, -0.6, 0.64, 0.001);
    Matrix4 R4, step4;
    SetIdentity4(R4);
    const double a1[3] = {0.6, 0, 0.8}, a2[3] = {0, 1, 0};
    DoubleRotation4(step4, a1, 0.002, a2, 0.003);
    for (int i = 1; i <= 100000; ++i) {
        MultiplyMatrix3(step, R, R);
        MultiplyMatrix4(step4, R4, R4);
        if (i % 100 == 0) {
            Reorthonormalize3(R);
            Reorthonormalize4(R4);
        }
    }
    EXPECT_LT(OrthonormalityError(R.m), 1e-14);
    EXPECT_NEAR(Det3(R), 1, 1e-14);
    EXPECT_LT(OrthonormalityError(R4.m), 1e-14);
    // 100 radians about the axis: the angle modulo 2 pi, in [0, pi].
    Vec3 axis;
    double angle;
    AxisAngleFromMatrix3(axis, angle, R);
    const double wrapped = std::fmod(100.0, 2 * kPi);
    EXPECT_NEAR(angle, wrapped > kPi ? 2 * kPi - wrapped : wrapped, 1e-9);
}

TEST(RotationKitTest, ReorthonormalizeKeepsRotationsAndRowOne)
{
    Matrix3 R, skewed;
    MatrixFromAxisAngle3(R, 0.6, 0, 0.8, 1.1);
    skewed = R;
    Reorthonormalize3(skewed);
    EXPECT_LT(MaxDifference(skewed.m, R.m), 1e-15);

    skewed.m[0][1] += 1e-3;
    skewed.m[1][0] -= 2e-3;
    skewed.m[1][2] += 1e-3;
    const Vec3 row1{skewed.m[1][0], skewed.m[1][1], skewed.m[1][2]};
    Reorthonormalize3(skewed);
    EXPECT_LT(OrthonormalityError(skewed.m), 1e-15);
    EXPECT_NEAR(Det3(skewed), 1, 1e-15);
    const Vec3 newRow1{skewed.m[1][0], skewed.m[1][1], skewed.m[1][2]};
    EXPECT_NEAR(DotVec3(newRow1, row1), std::sqrt(DotVec3(row1, row1)), 1e-15);

    Matrix4 I4, M4;
    SetIdentity4(I4);
    M4 = I4;
    Reorthonormalize4(M4);
    EXPECT_TRUE(Matrix4NearlyEqual(M4, I4));
    M4.m[1][0] = 1e-3;
    M4.m[3][2] = -2e-3;
    M4.m[0][3] = 5e-4;
    Reorthonormalize4(M4);
    EXPECT_LT(OrthonormalityError(M4.m), 1e-15);
    EXPECT_NEAR(M4.m[1][1], 1 / std::sqrt(1 + 1e-6), 1e-15);
}

TEST(RotationKitTest, Cross4IsTheDeterminantVector)
{
    const Vec4 e[4] = {{{1, 0, 0, 0}}, {{0, 1, 0, 0}}, {{0, 0, 1, 0}}, {{0, 0, 0, 1}}};
    Vec4 out;
    Cross4(out, e[1], e[2], e[3]);
    EXPECT_EQ(out.v[0], 1);
    Cross4(out, e[0], e[1], e[2]);
    EXPECT_EQ(out.v[3], -1);
    const Vec4 a{{1, 2, -1, 0.5}}, b{{0, 3, 1, -2}}, c{{2, -1, 4, 1}};
    Cross4(out, a, b, c);
    for (const Vec4* v : {&a, &b, &c})
        EXPECT_NEAR(out.v[0] * v->v[0] + out.v[1] * v->v[1] + out.v[2] * v->v[2] + out.v[3] * v->v[3], 0, 1e-12);
    Vec4 scaled, diff, image;
    ScaleVec4(a, scaled, 2);
    SubtractVec4(scaled, diff, 2, 4, -2, 1);
    EXPECT_EQ(diff.v[0] + diff.v[1] + diff.v[2] + diff.v[3], 0);
    Matrix4 M;
    SetIdentity4(M);
    M.m[0][3] = 2;
    TransformVec4(1, 2, 3, 4, image, M);
    EXPECT_EQ(image.v[0], 9);
    EXPECT_EQ(image.v[3], 4);
}

TEST(RotationKitTest, TrackballVectors)
{
    const ShortPoint centre{100, 200};
    struct Case {
        ShortPoint point;
        int radius;
        Vec3 expected;
    } cases[] = {
        {{100, 200}, 50, {0, 0, 1}},
        {{100, 250}, 50, {1, 0, 0}},
        {{100, 300}, 50, {1, 0, 0}},
        {{50, 200}, 50, {0, 1, 0}},
        {{130, 160}, 50, {-0.8, -0.6, 0}},
        {{100, 225}, 50, {0.5, 0, std::sqrt(0.75)}},
        {{90, 190}, 0, {0, 0, 1}},
    };
    for (const Case& c : cases) {
        Vec3 v;
        TrackballVector(centre, c.point, v, c.radius);
        EXPECT_NEAR(v.x, c.expected.x, 1e-15);
        EXPECT_NEAR(v.y, c.expected.y, 1e-15);
        EXPECT_NEAR(v.z, c.expected.z, 1e-15);
    }
}

TEST(RotationKitTest, TrackballRotationsTakeTheStartToTheEnd)
{
    const ShortPoint centre{150, 200};
    Matrix3 R, identity;
    SetIdentity3(identity);
    TrackballRotation3({140, 210}, {140, 210}, centre, 120, R);
    EXPECT_TRUE(Matrix3NearlyEqual(R, identity));

    // In camera order (toward the viewer, right, up) the drag takes the
    // start's vector to the end's.
    const ShortPoint p{170, 190}, q{120, 260};
    TrackballRotation3(p, q, centre, 120, R);
    Vec3 a, b, image;
    TrackballVector(centre, p, a, 120);
    TrackballVector(centre, q, b, 120);
    RotateVec3(image, R, a.z, a.x, a.y);
    EXPECT_NEAR(image.x, b.z, 1e-15);
    EXPECT_NEAR(image.y, b.x, 1e-15);
    EXPECT_NEAR(image.z, b.y, 1e-15);
    EXPECT_NEAR(Det3(R), 1, 1e-15);

    // A drag from rim to opposite rim is a half turn, not a reflection.
    TrackballRotation3({150, 50}, {150, 350}, centre, 100, R);
    EXPECT_NEAR(Det3(R), 1, 1e-15);
    RotateVec3(image, R, 0, -1, 0);
    EXPECT_NEAR(image.y, 1, 1e-15);

    // 4D kind 1 is the 3D block; kind 2 turns coordinates 1-3 in trackball
    // order; another kind writes nothing.
    TrackballRotation3(p, q, centre, 120, R);
    Matrix4 R4;
    TrackballRotation4(p, q, centre, 120, R4, 1);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(R4.m[r][c], R.m[r][c]) << r << c;
    }
    EXPECT_EQ(R4.m[3][3], 1);
    EXPECT_EQ(R4.m[0][3], 0);
    TrackballRotation4(p, q, centre, 120, R4, 2);
    EXPECT_EQ(R4.m[0][0], 1);
    Vec4 image4;
    TransformVec4(0, a.x, a.y, a.z, image4, R4);
    EXPECT_NEAR(image4.v[1], b.x, 1e-15);
    EXPECT_NEAR(image4.v[2], b.y, 1e-15);
    EXPECT_NEAR(image4.v[3], b.z, 1e-15);
    R4.m[2][2] = 42;
    TrackballRotation4(p, q, centre, 120, R4, 3);
    EXPECT_EQ(R4.m[2][2], 42);
}

TEST(RotationKitTest, DoubleRotationTable)
{
    struct Case {
        double axis1[3], angle1, axis2[3], angle2;
    } cases[] = {
        {{0, 0, 1}, 0.5, {1, 0, 0}, 1.2},
        {{0.6, 0.8, 0}, 3.0, {0, 0.6, -0.8}, 0.1},
        {{0.48, -0.6, 0.64}, 1e-3, {0, 1, 0}, 2.5},
        {{-1, 0, 0}, 2.0, {-1, 0, 0}, 2.0},
        {{0, 1, 0}, kPi - 1e-6, {0, 0, 1}, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "angles " << c.angle1 << ", " << c.angle2);
        Matrix4 M;
        DoubleRotation4(M, c.axis1, c.angle1, c.axis2, c.angle2);
        EXPECT_LT(OrthonormalityError(M.m), 1e-15);
        double axis1[3], axis2[3], angle1, angle2;
        DecomposeDoubleRotation4(axis1, angle1, axis2, angle2, M);
        EXPECT_NEAR(angle1, c.angle1, 2e-7);
        EXPECT_NEAR(angle2, c.angle2, 2e-7);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(axis1[i], c.axis1[i], 2e-7);
            EXPECT_NEAR(axis2[i], c.axis2[i], 2e-7);
        }
    }

    // Left and right factors alone: a left isoclinic turn moves every
    // vector by the same angle.
    const double z[3] = {0, 0, 1}, none[3] = {1, 0, 0};
    Matrix4 L;
    DoubleRotation4(L, z, 1.0, none, 0);
    Vec4 image;
    TransformVec4(0.5, -0.5, 0.5, 0.5, image, L);
    EXPECT_NEAR(image.v[0] * 0.5 - image.v[1] * 0.5 + image.v[2] * 0.5 + image.v[3] * 0.5, std::cos(0.5), 1e-15);
}

TEST(RotationKitTest, DecomposingTheIdentityGivesZeros)
{
    Matrix4 M;
    SetIdentity4(M);
    double axis1[3] = {9, 9, 9}, axis2[3] = {9, 9, 9}, angle1 = 9, angle2 = 9;
    DecomposeDoubleRotation4(axis1, angle1, axis2, angle2, M);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(axis1[i], 0);
        EXPECT_EQ(axis2[i], 0);
    }
    EXPECT_EQ(angle1, 0);
    EXPECT_EQ(angle2, 0);
}

TEST(RotationKitTest, ConjugationMovesARotationIntoTheWorldFrame)
{
    // P maps camera to world; a camera-frame turn about the eye axis (0) is
    // a world turn about P's column 0.
    Matrix3 P, Q, expected;
    DefaultViewRotation3(P);
    MatrixFromAxisAngle3(Q, 1, 0, 0, 0.25);
    ConjugateRotation3(P, Q);
    MatrixFromAxisAngle3(expected, P.m[0][0], P.m[1][0], P.m[2][0], 0.25);
    EXPECT_LT(MaxDifference(Q.m, expected.m), 1e-15);

    Matrix4 P4, Q4, I4;
    const double a[3] = {0.6, 0, 0.8}, b[3] = {0, 1, 0};
    DoubleRotation4(P4, a, 0.9, b, -0.4);
    SetIdentity4(Q4);
    SetIdentity4(I4);
    ConjugateRotation4(P4, Q4);
    EXPECT_TRUE(Matrix4NearlyEqual(Q4, I4));
}
