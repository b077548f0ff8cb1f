// Hit tests, trace readouts and nearest points of explicit curves, and the
// view's tracing with them: snapping onto a crossing of two curves (never
// onto a touching), and a trace that runs overdue giving nothing.
#include "graphs2d/AFunctionOf_XorY.h"

#include "document/DocumentTask.h"
#include "CoreUtilities/ThreadLocks.h"
#include "document/DocState.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphs2d/A2DGraphView.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/StubPlot.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace {

ShortPoint P(int v, int h)
{
    return ShortPoint{static_cast<int16_t>(v), static_cast<int16_t>(h)};
}

class CurveQueries : public testing::Test {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        view.doc = &doc;
        // 200 x 200 at 64 pixels a unit: world 0 at column 100, row 99.
        SetShortRect(view.rect, 0, 0, 200, 200);
        view.Resized();
        view.SetDefaultView();
        view.UpdateMappings();
    }

    AFunctionOf_XorY* Curve(const char* text, int32_t mode, bool isYofX = true)
    {
        auto* colour = new AGraphColor(nullptr, &doc);
        colour->rgb = 0x0000FF;
        auto* curve = new AFunctionOf_XorY(new CompiledFormula(ReadFormula(text), &doc), isYofX, colour, mode,
                                           &view.drawMapping);
        EXPECT_TRUE(WaitUntil([&] { return curve->IsComplete(); })) << text;
        view.graphs.Push(curve);
        return curve;
    }

    double WorldX(int h) const { return (h - view.screenMapping.originX) * view.screenMapping.unitsPerPixelX; }
    double WorldY(int v) const { return -(v - view.screenMapping.originY) * view.screenMapping.unitsPerPixelY; }

    // A trace of graph 0 pressed at the pixel, as a drag does it.
    TraceInfo TraceAt(ShortPoint p)
    {
        view.tracedGraph = 0;
        view.BeginTrace();
        view.TraceStep(p);
        view.EndTrace();
        return view.trace;
    }

    FakeGraphServices services;
    DocState doc;
    A2DGraphView view;
};

TEST_F(CurveQueries, AHitIsWithinFourPixelsOfTheCurve)
{
    const double u = 1.0 / 64;
    for (bool isYofX : {true, false}) {
        AFunctionOf_XorY* curve = Curve("0.5+0*u", RefinedBounds, isYofX);
        for (int n : {-5, -4, 0, 4, 5}) {
            const double v = 0.5 + n * u;
            const bool hit = isYofX ? curve->HitTest(0.25, v) : curve->HitTest(v, 0.25);
            EXPECT_EQ(hit, std::abs(n) <= 4) << n << (isYofX ? " y=f(x)" : " x=f(y)");
        }
        // Far outside the view there are no columns to hit.
        EXPECT_FALSE(isYofX ? curve->HitTest(50, 0.5) : curve->HitTest(0.5, 50));
    }
    AFunctionOf_XorY* hidden = Curve("0.5+0*u", RefinedBounds);
    hidden->SetOption(OptionColor, 17);
    EXPECT_FALSE(hidden->HitTest(0.25, 0.5));
}

TEST_F(CurveQueries, EachModeAnswersItsOwnKindOfReadout)
{
    AFunctionOf_XorY* edges = Curve("u^2", EdgeSamples);
    AFunctionOf_XorY* bounds = Curve("u^2", IntervalBounds);
    AFunctionOf_XorY* refined = Curve("u^2", RefinedBounds);
    const double t = 0.3, h = 1.0 / 64;

    TraceInfo a = edges->Trace(t, 5);
    EXPECT_EQ(a.kind, TracePoint);
    EXPECT_DOUBLE_EQ(a.x, t);
    EXPECT_DOUBLE_EQ(a.y, t * t);

    TraceInfo b = bounds->Trace(t, 5);
    EXPECT_EQ(b.kind, TraceIntervalPoint);
    const ColumnSample& c = bounds->Columns()[view.drawMapping.XToPixel(t)];
    EXPECT_EQ(b.yLow, std::min(c.low, c.high));
    EXPECT_EQ(b.yHigh, std::max(c.low, c.high));
    EXPECT_DOUBLE_EQ(b.y, (c.low + c.high) / 2);
    EXPECT_DOUBLE_EQ(b.xLow, t - h / 2);
    EXPECT_DOUBLE_EQ(b.xHigh, t + h / 2);
    EXPECT_LE(b.yLow, t * t);
    EXPECT_GE(b.yHigh, t * t);

    TraceInfo r = refined->Trace(t, 5);
    EXPECT_EQ(r.kind, TracePoint);
    EXPECT_DOUBLE_EQ(r.y, t * t);
    EXPECT_FALSE(r.snapped);

    // Only the refined mode knows enough to find a nearest point.
    const double tolerance = 4 * h;
    EXPECT_FALSE(edges->NearestPoint(t, t * t, tolerance, -INFINITY, INFINITY).found);
    EXPECT_FALSE(bounds->NearestPoint(t, t * t, tolerance, -INFINITY, INFINITY).found);
    const NearestPointResult n = refined->NearestPoint(t, t * t, tolerance, -INFINITY, INFINITY);
    ASSERT_TRUE(n.found);
    EXPECT_DOUBLE_EQ(n.nearest.x, t);
    EXPECT_LT(n.before.x, t);
    EXPECT_GT(n.after.x, t);
    EXPECT_NEAR(n.after.x - n.before.x, 2 * tolerance, 1e-12);

    // A point beyond the columns gives nothing.
    EXPECT_EQ(refined->Trace(50, 0).kind, TraceNothing);
}

TEST_F(CurveQueries, TheRefinedTraceSnapsToAZeroWithinThreeColumns)
{
    AFunctionOf_XorY* curve = Curve("u^3-u", RefinedBounds);
    const double h = 1.0 / 64;
    for (int columns : {0, 1, 3, -3}) {
        const TraceInfo t = curve->Trace(columns * h, 1);
        EXPECT_EQ(t.kind, TracePoint) << columns;
        EXPECT_TRUE(t.snapped) << columns;
        EXPECT_NEAR(t.x, 0, 1e-12) << columns;
        EXPECT_EQ(t.y, 0) << columns;
    }
    const TraceInfo far = curve->Trace(6 * h, 1);
    EXPECT_FALSE(far.snapped);
    EXPECT_DOUBLE_EQ(far.x, 6 * h);

    // A pole: the trace goes onto it.
    AFunctionOf_XorY* pole = Curve("1/(u-0.25)", RefinedBounds);
    const TraceInfo p = pole->Trace(0.25 + 2 * h, 1);
    EXPECT_TRUE(p.snapped);
    EXPECT_NEAR(p.x, 0.25, 1e-12);
    EXPECT_TRUE(std::isinf(p.y));
}

TEST_F(CurveQueries, CrossingCurvesSnapTheTraceAndTouchingOnesDoNot)
{
    AFunctionOf_XorY* diagonal = Curve("u", RefinedBounds);
    // Alone, a curve never snaps: two pixels right of where the other will cross.
    const ShortPoint near = P(view.screenMapping.YToPixel(0.5) - 1, view.screenMapping.XToPixel(0.5) + 2);
    TraceInfo alone = TraceAt(near);
    EXPECT_EQ(alone.kind, TracePoint);
    EXPECT_FALSE(alone.snapped);
    EXPECT_DOUBLE_EQ(alone.x, WorldX(near.h));

    Curve("1-u", RefinedBounds);
    services.clicks = 0;
    TraceInfo snapped = TraceAt(near);
    EXPECT_EQ(snapped.kind, TracePoint);
    EXPECT_TRUE(snapped.snapped);
    EXPECT_EQ(snapped.x, 0.5);
    EXPECT_EQ(snapped.y, 0.5);
    EXPECT_EQ(services.clicks, 1);
    // Twenty pixels away the crossing is out of reach.
    TraceInfo away = TraceAt(P(near.v, near.h + 20));
    EXPECT_FALSE(away.snapped);
    EXPECT_DOUBLE_EQ(away.x, WorldX(near.h + 20));
    (void)diagonal;

    // A parabola touching its tangent at (1, 1): no snap.
    DeleteGraphs(view.graphs);
    Curve("u^2", RefinedBounds);
    Curve("2*u-1", RefinedBounds);
    TraceInfo touching = TraceAt(P(view.screenMapping.YToPixel(1), view.screenMapping.XToPixel(1) + 1));
    EXPECT_EQ(touching.kind, TracePoint);
    EXPECT_FALSE(touching.snapped);

    // A line crossed where the other curve runs along it: the pieces cross,
    // but close up they are parallel, so no snap either.
    DeleteGraphs(view.graphs);
    Curve("u", RefinedBounds);
    Curve("u+(u-0.5)^3", RefinedBounds);
    TraceInfo grazing = TraceAt(near);
    EXPECT_EQ(grazing.kind, TracePoint);
    EXPECT_FALSE(grazing.snapped);
    EXPECT_DOUBLE_EQ(grazing.x, WorldX(near.h));
}

// A plot whose queries take until the job is given up.
class SlowPlot : public StubPlot {
public:
    bool HitTest(double, double) override
    {
        WaitForOverdue();
        return true;
    }
    TraceInfo Trace(double x, double y) override
    {
        WaitForOverdue();
        TraceInfo t;
        t.kind = TracePoint;
        t.x = x;
        t.y = y;
        return t;
    }
    static void WaitForOverdue()
    {
        const auto start = std::chrono::steady_clock::now();
        while (!SingleJobOverdue.load() && std::chrono::steady_clock::now() - start < std::chrono::seconds(10))
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
};

TEST_F(CurveQueries, AnOverdueJobGivesNoHitAndNoTrace)
{
    view.graphs.Push(new SlowPlot);
    // The press finds nothing and starts nothing.
    EXPECT_TRUE(view.MouseDown(ViewMouseEvent{P(40, 40), 0, 0, 0, 0, 0}));
    EXPECT_EQ(view.dragMode, DragNone);
    view.MouseUp(P(40, 40));
    // A trace of it comes to nothing, and the view traces again afterwards.
    EXPECT_EQ(TraceAt(P(40, 40)).kind, TraceNothing);
    DeleteGraphs(view.graphs);
    Curve("u", RefinedBounds);
    EXPECT_EQ(TraceAt(P(40, 40)).kind, TracePoint);
}

}  // namespace
