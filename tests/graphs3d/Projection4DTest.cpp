#include "graphs3d/Projection4D.h"

#include "graphmodel/A4DGraphView.h"
#include "graphmodel/RenderContext.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

Matrix4 PlaneMatrix(int p, int q, double theta)
{
    Matrix4 m;
    SetIdentity4(m);
    m.m[p][p] = m.m[q][q] = std::cos(theta);
    m.m[p][q] = std::sin(theta);
    m.m[q][p] = -std::sin(theta);
    return m;
}

Matrix4 RotationOf(const A4DGraphView& view)
{
    Matrix4 m;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            m.m[i][j] = view.rotation[i][j];
    return m;
}

void ExpectNear(const Matrix4& a, const Matrix4& b, double tolerance, const char* what)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(a.m[i][j], b.m[i][j], tolerance) << what << " [" << i << "][" << j << "]";
}

const int kPlanes[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};

class ViewModel4D : public ::testing::Test {
protected:
    A4DGraphView view{new RenderContext};
};

TEST_F(ViewModel4D, DefaultViewTurnsXuThenXyAndAFullTurnChangesNothing)
{
    Matrix4 expected;
    MultiplyMatrix4(PlaneMatrix(0, 1, M_PI / 4), PlaneMatrix(0, 2, -M_PI / 6), expected);
    ExpectNear(RotationOf(view), expected, 1e-15, "default view");
    EXPECT_DOUBLE_EQ(view.zoom, 1.7330909743);
    EXPECT_EQ(view.wMin, -2);
    for (int code = 96; code <= 101; ++code) {
        const Matrix4 before = RotationOf(view);
        view.RotatePlane(code, 720);  // 2 pi
        ExpectNear(RotationOf(view), before, 1e-14, "full turn");
    }
    view.RotatePlane(32, 90);
    EXPECT_TRUE(view.IsSpinning());
    const Matrix4 before = RotationOf(view);
    view.RotatePlane(32, 0);
    EXPECT_FALSE(view.IsSpinning()) << "a value of 0 only stops the spin";
    EXPECT_TRUE(Matrix4NearlyEqual(RotationOf(view), before));
}

TEST_F(ViewModel4D, PlaneSpinsHaveTheTabledAxesAndTurnAsTheirPlane)
{
    const double axes[6][2][3] = {
        {{-1, 0, 0}, {-1, 0, 0}}, {{0, -1, 0}, {0, -1, 0}}, {{0, 0, -1}, {0, 0, -1}},
        {{0, 0, -1}, {0, 0, 1}},  {{0, 1, 0}, {0, -1, 0}},  {{-1, 0, 0}, {1, 0, 0}},
    };
    for (int k = 0; k < 6; ++k) {
        view.RotatePlane(32 + k, 90);
        EXPECT_DOUBLE_EQ(view.spinStep1, M_PI / 4) << k;
        EXPECT_DOUBLE_EQ(view.spinStep2, M_PI / 4) << k;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(view.spinAxis1[i], axes[k][0][i]) << k;
            EXPECT_EQ(view.spinAxis2[i], axes[k][1][i]) << k;
        }
        // One second of that spin is the plane's own turn by pi / 4, and
        // the decomposition of the plane's matrix gives the same axes.
        Matrix4 step;
        DoubleRotation4(step, view.spinAxis1, view.spinStep1, view.spinAxis2, view.spinStep2);
        ExpectNear(step, PlaneMatrix(kPlanes[k][0], kPlanes[k][1], M_PI / 4), 1e-12, "spin step");
        double a1[3], a2[3], t1, t2;
        DecomposeDoubleRotation4(a1, t1, a2, t2, PlaneMatrix(kPlanes[k][0], kPlanes[k][1], M_PI / 4));
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(a1[i], axes[k][0][i], 1e-12) << k;
            EXPECT_NEAR(a2[i], axes[k][1][i], 1e-12) << k;
        }
    }
}

TEST_F(ViewModel4D, PresetsBuildTheirViewsFromTheIdentityAndStopTheSpin)
{
    struct Turn {
        int p, q;
        double halfDegrees;
    };
    const std::vector<Turn> presets[4] = {
        {{0, 2, -60}, {0, 1, 90}},
        {{2, 3, 540}, {0, 3, -60}, {0, 1, 90}},
        {{0, 2, -60}, {0, 1, 90}, {1, 3, 540}, {0, 2, 180}, {1, 2, 360}},
        {{0, 2, -60}, {0, 1, 90}, {0, 2, 180}, {2, 3, 360}, {1, 3, -180}, {0, 1, -180}},
    };
    for (int preset = 4; preset <= 7; ++preset) {
        view.mouseMode = 2;
        view.RotatePlane(33, 45);
        view.SetViewOption(16, preset);
        Matrix4 expected;
        SetIdentity4(expected);
        for (const Turn& t : presets[preset - 4])
            MultiplyMatrix4(PlaneMatrix(t.p, t.q, t.halfDegrees * M_PI / 360), expected, expected);
        ExpectNear(RotationOf(view), expected, 1e-14, "preset");
        EXPECT_FALSE(view.IsSpinning()) << preset;
        EXPECT_EQ(view.mouseMode, 2) << "a preset keeps the mouse mode";
    }
    view.SetViewOption(16, 1);
    EXPECT_EQ(view.mouseMode, 1);
    view.SetViewOption(16, 3);
    EXPECT_EQ(view.mouseMode, 1);
}

TEST_F(ViewModel4D, AxesAndGridFollowTheValueAndTheNewDocumentResetShowsThem)
{
    view.SetViewOption(14, 0);
    view.SetViewOption(15, 0);
    EXPECT_EQ(view.showAxes, 0);
    EXPECT_EQ(view.showGrid, 0);
    view.SetViewOption(14, 0);
    EXPECT_EQ(view.showAxes, 0) << "a value, not a toggle";
    view.uMax = 5;
    view.Zoom(6);
    EXPECT_EQ(view.showAxes, 0);
    EXPECT_EQ(view.uMax, 5);
    view.Zoom(7);
    EXPECT_EQ(view.showAxes, 1);
    EXPECT_EQ(view.showGrid, 1);
    EXPECT_EQ(view.uMax, 1);
}

// The projection of the vertices of [-1, 1]^4 at the depth radius 2.3: the
// first three rotated coordinates are shown and the fourth is the depth.
TEST_F(ViewModel4D, TheFourCubesVerticesProjectToTheirRotatedCoordinates)
{
    const double r = 2.3;
    for (int rotationCase = 0; rotationCase < 2; ++rotationCase) {
        Matrix4 R;
        if (rotationCase == 0)
            SetIdentity4(R);
        else
            R = RotationOf(view);
        Projection4D p{};
        ComputeProjection4D(p, R, r, Box4DOf(view));
        for (int corner = 0; corner < 16; ++corner) {
            const double P[4] = {corner & 1 ? 1.0 : -1.0, corner & 2 ? 1.0 : -1.0, corner & 4 ? 1.0 : -1.0,
                                 corner & 8 ? 1.0 : -1.0};
            double rotated[4];  // transpose(R) P: the point in the eye's frame
            for (int i = 0; i < 4; ++i)
                rotated[i] = R.m[0][i] * P[0] + R.m[1][i] * P[1] + R.m[2][i] * P[2] + R.m[3][i] * P[3];
            Vec3 out;
            double depth;
            Project4DPoint(p, P, out, depth);
            EXPECT_NEAR(out.x, rotated[0], 1e-12) << corner;
            EXPECT_NEAR(out.y, rotated[1], 1e-12) << corner;
            EXPECT_NEAR(out.z, rotated[2], 1e-12) << corner;
            EXPECT_NEAR(depth, (r - rotated[3]) / (2 * r), 1e-12) << corner;
            if (rotationCase == 0)
                EXPECT_EQ(depth < 0.5, P[3] > 0) << "the eye looks down the fourth axis from +50";
        }
        // Depth 0 at r before the origin, 0.5 at it, 1 at r beyond.
        const double towardsEye[4] = {-p.D[0] * r, -p.D[1] * r, -p.D[2] * r, -p.D[3] * r};
        const double origin[4] = {0, 0, 0, 0};
        const double beyond[4] = {p.D[0] * r, p.D[1] * r, p.D[2] * r, p.D[3] * r};
        const double expected[3] = {0, 0.5, 1};
        const double* points[3] = {towardsEye, origin, beyond};
        for (int k = 0; k < 3; ++k) {
            Vec3 out;
            double depth;
            Project4DPoint(p, *reinterpret_cast<const double(*)[4]>(points[k]), out, depth);
            EXPECT_NEAR(depth, expected[k], 1e-12) << k;
        }
    }
}

TEST(Box4D, NormalisesEachAxisIntoMinusOneToOne)
{
    const Box4D box{{1, -2, 0, -10}, {3, 2, 4, 10}};
    const struct {
        double value[4];
        double normalised[4];
    } cases[] = {
        {{1, -2, 0, -10}, {-1, -1, -1, -1}},
        {{3, 2, 4, 10}, {1, 1, 1, 1}},
        {{2, 0, 2, 0}, {0, 0, 0, 0}},
        {{0, 1, 1, 5}, {-2, 0.5, -0.5, 0.5}},
    };
    for (const auto& c : cases) {
        double out[4];
        EXPECT_TRUE(NormalizeTo4DBox(box, c.value, out));
        for (int i = 0; i < 4; ++i)
            EXPECT_DOUBLE_EQ(out[i], c.normalised[i]);
    }
    double scales[4];
    Box4DScales(box, scales);
    EXPECT_DOUBLE_EQ(scales[0], 1);
    EXPECT_DOUBLE_EQ(scales[3], 0.1);
    // A side of no width, or a value that is not finite, normalises to
    // nothing.
    double out[4];
    EXPECT_FALSE(NormalizeTo4DBox(Box4D{{0, 0, 0, 1}, {1, 1, 1, 1}}, {1, 1, 1, 1}, out));
    EXPECT_FALSE(NormalizeTo4DBox(box, {INFINITY, 0, 0, 0}, out));
}

TEST(Box4D, AGraphReadsItsViewsCurrentBoxNotTheLastFramesCopy)
{
    A4DGraphView view(new RenderContext);
    const Projection4D* p = ProjectionOf(&view);
    ASSERT_EQ(p, &view.projection);
    view.xMin = -8;
    view.wMax = 9;
    const Box4D box = Box4DOf(*p);
    EXPECT_EQ(box.min[0], -8);
    EXPECT_EQ(box.max[3], 9);
    Projection4D loose{};
    loose.box[6] = 3;
    loose.box[7] = 4;
    EXPECT_EQ(Box4DOf(loose).max[3], 4) << "without a view, its own copy";
    EXPECT_EQ(ProjectionOf(nullptr), nullptr);
}

TEST(Box4D, PanelPointsAreSeenFromTheCameraEye)
{
    double h, v;
    ProjectToPanel(Vec3{0, 1, 1}, h, v);
    EXPECT_DOUBLE_EQ(h, 1);
    EXPECT_DOUBLE_EQ(v, -1);
    ProjectToPanel(Vec3{25, 1, 0}, h, v);
    EXPECT_DOUBLE_EQ(h, 2) << "nearer the eye looks larger";
}

}  // namespace
