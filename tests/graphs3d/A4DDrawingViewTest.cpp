#include "graphs3d/A4DDrawingView.h"

#include "CoreUtilities/Clock.h"
#include "CoreUtilities/FailureRegister.h"
#include "graphs3d/A3DDrawingView.h"
#include "graphs3d/A4DGraph.h"
#include "graphs3d/Projection4D.h"
#include "rendering/GLProbe.h"
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

// A graph that draws nothing and remembers the box it was restarted with.
class BoxGraph : public A4DGraph {
public:
    explicit BoxGraph(const Projection4D* p) : projection(p) {}
    int32_t ComputeChunk(int32_t) override { return 5; }
    bool IsComplete() override { return complete; }
    int32_t GetStatus() override { return 0; }
    void VariableChanged(uint32_t) override {}
    void SetOption(int32_t, double) override {}
    void Restart() override { xMaxAtRestart.push_back(Box4DOf(*projection).max[0]); }
    bool Draw() override { return true; }
    double GetExtent() override { return extent; }

    const Projection4D* projection;
    bool complete = true;
    double extent = 0;
    std::vector<double> xMaxAtRestart;
};

Matrix4 RotationOf(const A4DGraphView& view)
{
    Matrix4 m;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            m.m[i][j] = view.rotation[i][j];
    return m;
}

class DrawingView4D : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetFailureRegister();
        FakeNow = 5500;
        SetClockTickSource(&FakeTicks);
        RecordingGL probe;
        ProbeOpenGL(probe);
        view.rect = ShortRect{0, 0, 300, 400};
        SetAxisCrossHook([](const double (&positions)[5][2]) {
            Cross.assign(&positions[0][0], &positions[0][0] + 10);
        });
    }
    void TearDown() override
    {
        SetAxisCrossHook(nullptr);
        view.FreeGraphs();
        view.Context().Release();
        DestroyAllGLWindows();
        SetClockTickSource(nullptr);
    }
    BoxGraph* AddGraph()
    {
        auto* g = new BoxGraph(ProjectionOf(&view));
        view.graphs.Push(g);
        return g;
    }
    int LinesDrawn() const
    {
        int lines = 0;
        for (const GLCall& call : gl.calls)
            lines += call.name == "DrawElements" && call.args.size() > 1 && call.args[0] == GL_LINES;
        return lines;
    }

    static std::vector<double> Cross;
    RecordingGL gl;
    A4DDrawingView view{new ViewRenderContext(gl)};
};

std::vector<double> DrawingView4D::Cross;

TEST_F(DrawingView4D, AFrameDrawsEightGridLinesEachWayAndFourAxesAndFillsTheAxisCross)
{
    AddGraph()->extent = 3;
    view.Draw(1);
    ASSERT_EQ(view.Context().GetMode(), RenderModeGLWindow);
    EXPECT_EQ(view.depthRadius, 3);
    EXPECT_EQ(LinesDrawn(), 16 + 4);
    EXPECT_TRUE(gl.HasSequence({{"Clear", {}}, {"DrawElements", {GL_LINES, 2, GL_UNSIGNED_SHORT}}, {"SwapBuffers", {}}}));
    ASSERT_EQ(Cross.size(), 10u);
    // The origin is the box centre, seen at the panel's centre; the x end
    // of the default view lies off it.
    EXPECT_NEAR(Cross[0], 0, 1e-12);
    EXPECT_NEAR(Cross[1], 0, 1e-12);
    EXPECT_GT(std::hypot(Cross[2], Cross[3]), 0.5);

    gl.Clear();
    view.SetViewOption(15, 0);
    view.Draw(1);
    EXPECT_EQ(LinesDrawn(), 4) << "axes only";
    gl.Clear();
    view.SetViewOption(14, 0);
    view.Draw(1);
    EXPECT_EQ(LinesDrawn(), 0);
}

TEST_F(DrawingView4D, ASegmentReachingBeyondTheDepthRadiusTowardTheEyeIsNotDrawn)
{
    view.SetIdentityRotation();  // the eye on +v
    view.Draw(1);
    const double r = view.depthRadius;
    struct Case {
        double endV;
        int lines;
    } cases[] = {{0.9 * r, 1}, {-5 * r, 1}, {1.01 * r, 0}};
    for (const Case& c : cases) {
        gl.Clear();
        const double from[4] = {0, 0, 0, 0}, to[4] = {0.5, 0, 0, c.endV};
        view.DrawSegment4D(from, to, 0xFF0000);
        EXPECT_EQ(LinesDrawn(), c.lines) << c.endV;
    }
}

TEST_F(DrawingView4D, AxesCrossAtTheWorldZeroLimitedToTheBox)
{
    view.xMin = 1;
    view.xMax = 3;
    view.yMin = -4;
    view.yMax = 0;
    view.zMin = view.zMax = 5;  // no width, above 0
    double O[4];
    view.AxesOrigin(O);
    EXPECT_EQ(O[0], -1);
    EXPECT_EQ(O[1], 1);
    EXPECT_EQ(O[2], -1);
    EXPECT_EQ(O[3], 0);
    view.wMin = view.wMax = 0;  // no width at 0: nothing to limit
    view.AxesOrigin(O);
    EXPECT_EQ(O[3], 0);
}

// The zoom animation's restarts see the box they are for: graphs read the
// view's box when they start, not the copy of the last frame.
TEST_F(DrawingView4D, ZoomCodesHalveOrDoubleTheBoxAndEveryRestartSeesItsBox)
{
    BoxGraph* g = AddGraph();
    view.Zoom(3);
    EXPECT_DOUBLE_EQ(view.xMin, -4);
    EXPECT_DOUBLE_EQ(view.wMax, 4);
    EXPECT_EQ(g->xMaxAtRestart, (std::vector<double>{2.5, 3.125, 4})) << "two animation steps, then the end";
    EXPECT_EQ(view.projection.box[1], 4) << "the projection's copy follows at once";
    for (int code : {0, 1, 2, 4, 5}) {
        view.xMin = view.yMin = view.zMin = view.wMin = -2;
        view.xMax = view.yMax = view.zMax = view.wMax = 2;
        view.Zoom(code);
        EXPECT_DOUBLE_EQ(view.xMax, 1) << code;
        EXPECT_DOUBLE_EQ(view.wMin, -1) << code;
    }
    view.Zoom(6);
    EXPECT_EQ(view.xMax, 2);
}

TEST_F(DrawingView4D, AFlickLeavesADoubleSpinAndHoldingStillStopsIt)
{
    AddGraph();
    view.BeginDrag(ShortPoint{150, 200}, false, false);
    EXPECT_EQ(view.dragMode, Drag4DRotate);
    const Matrix4 before = RotationOf(view);
    FakeNow += 20;
    view.DragStep(ShortPoint{150, 206});
    EXPECT_FALSE(Matrix4NearlyEqual(RotationOf(view), before));
    EXPECT_TRUE(view.IsSpinning());
    EXPECT_LE(view.spinStep1, kMaxSpinSpeed3D);
    Matrix4 check = RotationOf(view);
    Matrix4 transposed = check;
    Transpose4(transposed);
    Matrix4 product;
    MultiplyMatrix4(check, transposed, product);
    Matrix4 identity;
    SetIdentity4(identity);
    EXPECT_TRUE(Matrix4NearlyEqual(product, identity)) << "still a rotation";
    view.DragStep(ShortPoint{150, 206});
    FakeNow += 334;
    view.DragStep(ShortPoint{150, 206});
    EXPECT_FALSE(view.IsSpinning()) << "held still for more than 20 ticks";
    view.EndDrag();
    EXPECT_EQ(view.dragMode, Drag4DNone);

    // Ctrl zooms and leaves the rotation alone.
    view.BeginDrag(ShortPoint{100, 100}, true, false);
    view.DragStep(ShortPoint{110, 100});
    EXPECT_NEAR(view.zoom, kDefaultZoom3D + 0.3, 1e-12);
}

TEST_F(DrawingView4D, ASpinTurnsItsPlaneWhileEveryGraphIsCompleteAndPausesOtherwise)
{
    BoxGraph* g = AddGraph();
    view.SetIdentityRotation();
    view.RotatePlane(32, 90);  // xy at pi/4 per second
    view.AdvanceSpin();        // starts the clock
    FakeNow += 100;
    view.AdvanceSpin();
    EXPECT_NEAR(view.rotation[0][0], std::cos(M_PI / 40), 1e-9);
    EXPECT_NEAR(view.rotation[0][1], std::sin(M_PI / 40), 1e-9);
    EXPECT_NEAR(view.rotation[2][2], 1, 1e-12);
    g->complete = false;
    const Matrix4 paused = RotationOf(view);
    FakeNow += 100;
    view.AdvanceSpin();
    EXPECT_TRUE(Matrix4NearlyEqual(RotationOf(view), paused)) << "waits while a graph computes";
    g->complete = true;
    view.lastSpinStep1 = view.lastSpinStep2 = 0;
    view.spinStep1 = view.spinStep2 = 100;
    FakeNow += 100;
    view.AdvanceSpin();
    EXPECT_NEAR(view.lastSpinStep1, 0.3490658503988659, 1e-12) << "never more than 20 degrees a frame";
}

}  // namespace
