#include "graphs3d/A3DDrawingView.h"

#include "CoreUtilities/Clock.h"
#include "CoreUtilities/FailureRegister.h"
#include "graphs3d/A3DGraph.h"
#include "rendering/GLProbe.h"
#include "rendering/MeshBuffer.h"
#include "rendering/RotationKit.h"
#include "rendering/ViewRenderContext.h"
#include "support/RecordingGL.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

uint32_t FakeNow = 5000;
uint32_t FakeTicks()
{
    return FakeNow;
}

// A graph of one hand-made coloured triangle, or of data bounds only.
class MeshGraph : public A3DGraph {
public:
    explicit MeshGraph(ViewRenderContext* ctx) : ctx(ctx) {}
    int32_t ComputeChunk(int32_t) override { return 5; }
    bool IsComplete() override { return true; }
    int32_t GetStatus() override { return 0; }
    void VariableChanged(uint32_t) override {}
    void SetOption(int32_t, double) override {}
    void Restart() override
    {
        ++restarts;
        if (view)
            xMaxAtRestart.push_back(view->xMax);
    }
    bool Draw() override
    {
        static const float xyz[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0}, n[9] = {0, 0, 1, 0, 0, 1, 0, 0, 1},
                           rgb[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        static const int32_t tri[3] = {0, 1, 2};
        if (mesh.state == MeshEmpty)
            mesh.SetTriangles(xyz, n, rgb, nullptr, tri, 3, 1, false, ctx);
        ctx->SetShinyColor(0xFF0000);
        mesh.Draw();
        return true;
    }
    double GetExtent() override { return extent; }
    bool GetDataBounds(double* x0, double* x1, double* y0, double* y1, double* z0, double* z1) override
    {
        if (!hasData)
            return false;
        *x0 = -1, *x1 = 1, *y0 = -1, *y1 = 1, *z0 = 0, *z1 = 7;
        return true;
    }

    ViewRenderContext* ctx;
    MeshBuffer mesh;
    double extent = 0;
    bool hasData = false;
    int restarts = 0;
    const A3DGraphView* view = nullptr;
    std::vector<double> xMaxAtRestart;
};

class DrawingViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetFailureRegister();
        FakeNow = 5500;  // half a second after the clock's base
        SetClockTickSource(&FakeTicks);
        RecordingGL probe;
        ProbeOpenGL(probe);
        view.rect = ShortRect{0, 0, 300, 400};
        view.spinSpeed = 0;
    }
    void TearDown() override
    {
        view.FreeGraphs();
        view.Context().Release();
        DestroyAllGLWindows();
        SetClockTickSource(nullptr);
    }
    MeshGraph* AddGraph()
    {
        auto* g = new MeshGraph(&view.Context());
        view.graphs.Push(g);
        return g;
    }
    Matrix3 Rotation() const
    {
        Matrix3 m;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                m.m[i][j] = view.rotation[i][j];
        return m;
    }

    RecordingGL gl;
    A3DDrawingView view{new ViewRenderContext(gl)};
};

TEST_F(DrawingViewTest, OnePixelDragToTheRightTurnsTheFrontPointRightByTheTrackballAngle)
{
    const Matrix3 before = Rotation();
    Vec3 front;
    RotateVec3(front, before, 1, 0, 0);  // the scene point nearest the eye
    view.BeginDrag(ShortPoint{150, 200}, false, false);
    FakeNow += 20;
    view.DragStep(ShortPoint{150, 201});
    Vec3 seen;
    InverseRotateVec3(seen, Rotation(), front.x, front.y, front.z);
    // Radius 0.4 x 300 = 120 pixels: one pixel is 1/120 radian.
    EXPECT_NEAR(seen.y, std::sin(1.0 / 120), 1e-4) << "moves right on screen";
    EXPECT_NEAR(seen.z, 0, 1e-9) << "turned about the screen's up axis";
    Vec3 up;
    RotateVec3(up, before, 0, 0, 1);
    EXPECT_NEAR(std::fabs(DotVec3(up, Vec3{view.spinAxis[0], view.spinAxis[1], view.spinAxis[2]})), 1, 1e-6);
    EXPECT_NEAR(view.spinSpeed, (1.0 / 120) / 0.020, 1e-3);
    view.EndDrag();
    EXPECT_EQ(view.dragMode, DragNone);
    EXPECT_GT(view.spinSpeed, 0) << "a flick keeps spinning";
}

TEST_F(DrawingViewTest, SpinSpeedStaysFiniteAndBoundedAndStopsWhenHeldStill)
{
    view.BeginDrag(ShortPoint{150, 200}, false, false);
    view.DragStep(ShortPoint{150, 260});  // no time passed
    EXPECT_DOUBLE_EQ(view.spinSpeed, kMaxSpinSpeed3D);
    view.DragStep(ShortPoint{150, 260});
    FakeNow += 334;
    view.DragStep(ShortPoint{150, 260});
    EXPECT_EQ(view.spinSpeed, 0) << "held still for more than 20 ticks";
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(std::isfinite(view.rotation[i][0] + view.rotation[i][1] + view.rotation[i][2]));
}

TEST_F(DrawingViewTest, ConstrainedDragKeepsTheAxisOfItsFirstStepAndHoldsBackSmallMoves)
{
    view.BeginDrag(ShortPoint{150, 200}, false, true);
    const Matrix3 start = Rotation();
    view.DragStep(ShortPoint{152, 202});  // 4 pixels: held back
    EXPECT_TRUE(Matrix3NearlyEqual(Rotation(), start));
    view.DragStep(ShortPoint{150, 210});  // mostly sideways: chooses the axis
    ASSERT_TRUE(view.axisChosen);
    const Vec3 axis{view.spinAxis[0], view.spinAxis[1], view.spinAxis[2]};
    const double* c = view.chosenDirection;
    const int chosen = std::fabs(c[0]) >= std::fabs(c[1]) && std::fabs(c[0]) > std::fabs(c[2]) ? 0
                       : std::fabs(c[1]) > std::fabs(c[2])                                     ? 1
                                                                                               : 2;
    EXPECT_NEAR(std::fabs((&axis.x)[chosen]), 1, 1e-9) << "a world axis";
    FakeNow += 10;
    view.DragStep(ShortPoint{190, 210});  // now mostly vertical
    EXPECT_NEAR(std::fabs((&view.spinAxis[0])[chosen]), 1, 1e-9) << "the first step's axis stays";
}

TEST_F(DrawingViewTest, ZoomDragStopsAtItsLimits)
{
    struct Case {
        int16_t dv;
        double zoom;
    };
    for (const Case& c : {Case{200, kMaxZoom3D}, Case{-1000, kMinZoom3D}, Case{10, kDefaultZoom3D + 0.3}}) {
        view.zoom = kDefaultZoom3D;
        view.spinSpeed = 0.8;
        view.BeginDrag(ShortPoint{100, 100}, true, false);
        view.DragStep(ShortPoint{int16_t(100 + c.dv), 100});
        EXPECT_NEAR(view.zoom, c.zoom, 1e-12) << c.dv;
        EXPECT_EQ(view.spinSpeed, 0.8) << "a zoom drag leaves the spin alone";
        view.EndDrag();
    }
}

TEST_F(DrawingViewTest, SpinStepsAreSmoothedCappedAndSkippedWithoutGraphs)
{
    view.spinSpeed = 1;
    view.AdvanceSpin();
    EXPECT_EQ(view.spinClock, 0u) << "an empty view neither spins nor keeps time";
    AddGraph();
    view.AdvanceSpin();  // starts the clock, turns nothing
    EXPECT_EQ(view.lastSpinStep, 0);
    FakeNow += 100;
    view.AdvanceSpin();
    EXPECT_NEAR(view.lastSpinStep, 0.1, 1e-12);
    FakeNow += 200;  // a slow frame: the step rises slowly
    view.AdvanceSpin();
    EXPECT_NEAR(view.lastSpinStep, 0.99 * 0.1 + 0.01 * 0.2, 1e-12);
    FakeNow += 10;  // a fast one: it falls faster
    view.AdvanceSpin();
    EXPECT_NEAR(view.lastSpinStep, 0.8 * 0.101 + 0.2 * 0.01, 1e-12);
    view.lastSpinStep = 0;
    view.spinSpeed = 100;
    FakeNow += 100;
    view.AdvanceSpin();
    EXPECT_NEAR(view.lastSpinStep, M_PI / 9, 1e-12) << "never more than 20 degrees a frame";
}

TEST_F(DrawingViewTest, ZoomCommandsScaleTheBoxAboutItsCentreAndDataWidensIt)
{
    MeshGraph* g = AddGraph();
    g->view = &view;
    view.Zoom(3);
    EXPECT_DOUBLE_EQ(view.xMin, -4);
    EXPECT_DOUBLE_EQ(view.zMax, 4);
    EXPECT_EQ(g->xMaxAtRestart, (std::vector<double>{2.5, 3.125, 4})) << "two animation frames, then the end";
    view.Zoom(0);
    EXPECT_DOUBLE_EQ(view.yMax, 2);
    view.showAxes = 0;
    view.tMax = 9;
    view.Zoom(6);
    EXPECT_EQ(view.showAxes, 0);
    EXPECT_EQ(view.tMax, 9);
    view.Zoom(7);
    EXPECT_EQ(view.showAxes, 1);
    EXPECT_EQ(view.tMax, 1);

    g->restarts = 0;
    EXPECT_FALSE(view.CanExtendRangesToData());
    g->hasData = true;
    EXPECT_TRUE(view.CanExtendRangesToData());
    view.ExtendRangesToData();
    EXPECT_EQ(view.zMax, 7);
    EXPECT_EQ(view.zMin, -2);
    EXPECT_EQ(g->restarts, 1);
    EXPECT_FALSE(view.CanExtendRangesToData());
}

TEST_F(DrawingViewTest, AFrameDrawsTheGraphsMeshWithColoursThenTheGreenAxes)
{
    MeshGraph* g = AddGraph();
    g->extent = 3;
    view.Draw(1);
    ASSERT_EQ(view.Context().GetMode(), RenderModeGLWindow);
    EXPECT_EQ(view.depthRadius, 3);
    EXPECT_TRUE(gl.HasSequence({{"Clear", {}},
                                {"EnableClientState", {GL_COLOR_ARRAY}},
                                {"DrawElements", {GL_TRIANGLES, 3, GL_UNSIGNED_INT}},
                                {"Materialfv", {GL_FRONT_AND_BACK, GL_AMBIENT, 0, 5, 0}},
                                {"Enable", {GL_FOG}},
                                {"DrawElements", {GL_LINES, 6, GL_UNSIGNED_SHORT}},
                                {"Disable", {GL_FOG}},
                                {"DrawElements", {GL_TRIANGLES, 6, GL_UNSIGNED_INT}},
                                {"SwapBuffers", {}}}));
    // The axes' extent: the x arrow tip at 2.2 on the box's own scale.
    view.showAxes = 1;
    EXPECT_NEAR(view.GetAxesExtent(), 2.2, 1e-6);
}

}  // namespace
