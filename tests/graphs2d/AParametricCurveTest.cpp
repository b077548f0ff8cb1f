#include "graphs2d/AParametricCurve.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "drawing/DDUtils.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs2d/ViewMapping.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/PortFixture.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace {

constexpr RgbColor kInk = 0x0000FF;
constexpr double kTwoPi = 6.283185307179586;

class ParametricCurve : public PortFixture {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        // 32 pixels a unit, world 0 at the centre of pixel (50, 40).
        ShortRect r;
        SetShortRect(r, 0, 0, 81, 101);
        mapping.Set(r, 50, 40, 32, -32, 1);
        mapping.doc = &doc;
    }

    // The curve (x(u), y(u)) over [tMin, tMax], complete.
    std::unique_ptr<AParametricCurve> Curve(const char* x, const char* y, double grain = 0.5,
                                            int32_t kind = TraceParametric)
    {
        auto* colour = new AGraphColor(nullptr, &doc);
        colour->rgb = kInk;
        auto curve = std::make_unique<AParametricCurve>(new CompiledFormula(ReadFormula(x), &doc),
                                                        new CompiledFormula(ReadFormula(y), &doc), colour, grain,
                                                        kind, &mapping, &tMin, &tMax);
        EXPECT_TRUE(WaitUntil([&] { return curve->IsComplete(); })) << x << ", " << y;
        return curve;
    }

    void DrawOnWhite(AParametricCurve& curve)
    {
        MakePort(mapping.rect.right, mapping.rect.bottom);
        ReleasePortDC();  // the curve acquires the port's context itself
        curve.Draw();
    }

    int InkNear(int h, int v, int radius = 1)
    {
        int n = 0;
        for (int y = v - radius; y <= v + radius; ++y) {
            for (int x = h - radius; x <= h + radius; ++x)
                n += Colour(x, y) == kInk;
        }
        return n;
    }

    FakeGraphServices services;
    DocState doc;
    ViewMapping mapping;
    double tMin = 0, tMax = kTwoPi;
};

TEST_F(ParametricCurve, SampleCountFollowsTheGrainHeldToItsRange)
{
    const struct {
        double grain;
        int32_t count;
    } cases[] = {
        {0, 200}, {0.5, 600}, {1, 1000}, {-0.249, 200}, {-5, 200}, {7, 1000}, {std::nan(""), 600},
        {std::numeric_limits<double>::infinity(), 1000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AParametricCurve::SampleCountFor(c.grain), c.count) << c.grain;
    // Construction and the resolution option take the same counts, and the
    // last sample always stands for tMax.
    auto curve = Curve("u", "0", -1);
    EXPECT_EQ(curve->SampleCount(), 200);
    EXPECT_EQ(curve->Samples()[199].x, kTwoPi);
    curve->SetOption(OptionResolution, 3);
    ASSERT_TRUE(WaitUntil([&] { return curve->IsComplete(); }));
    EXPECT_EQ(curve->SampleCount(), 1000);
    EXPECT_EQ(curve->ComputedCount(), 1000);
    EXPECT_EQ(curve->Samples()[999].x, kTwoPi);
    EXPECT_DOUBLE_EQ(curve->Samples()[500].x, kTwoPi * 500 / 999);
}

TEST_F(ParametricCurve, ACircleClosesAndIsDrawnOnItsPixels)
{
    auto circle = Curve("cos(u)", "sin(u)");
    const WorldPoint* s = circle->Samples();
    const int32_t n = circle->SampleCount();
    EXPECT_NEAR(s[0].x, s[n - 1].x, 1e-15);
    EXPECT_NEAR(s[0].y, s[n - 1].y, 1e-15);
    EXPECT_EQ(circle->GetStatus(), MessageNone);
    DrawOnWhite(*circle);
    for (double a = 0; a < kTwoPi; a += 0.1)
        EXPECT_GT(InkNear(mapping.XToPixel(std::cos(a)), mapping.YToPixel(std::sin(a))), 0) << a;
    // Nothing inside, and the closing segment left no gap at (1, 0).
    EXPECT_EQ(InkNear(50, 40, 20), 0);
    EXPECT_GT(InkNear(82, 40, 0), 0);
}

TEST_F(ParametricCurve, AnUndefinedOrInfiniteSampleBreaksTheLine)
{
    // 201 samples over [-1, 1]: sample 100 lies exactly at 0, where 1/u is
    // infinite; the branches must not be joined through the view.
    tMin = -1;
    tMax = 1;
    auto curve = Curve("u", "1/u", 1.0 / 800);
    ASSERT_EQ(curve->SampleCount(), 201);
    EXPECT_TRUE(std::isinf(curve->Samples()[100].y));
    DrawOnWhite(*curve);
    for (int v = 0; v < 81; ++v)
        EXPECT_NE(Colour(50, v), kInk) << v;
    // The branches themselves are drawn.
    EXPECT_GT(InkNear(mapping.XToPixel(0.9), mapping.YToPixel(1 / 0.9)), 0);
    EXPECT_GT(InkNear(mapping.XToPixel(-0.9), mapping.YToPixel(-1 / 0.9)), 0);
}

TEST_F(ParametricCurve, StatusTellsOutsideFromUndefined)
{
    EXPECT_EQ(Curve("u+100", "u")->GetStatus(), MessageCurveOutsideRegion);
    EXPECT_EQ(Curve("sqrt(~1-u^2)", "u")->GetStatus(), MessageUndefinedOrInfiniteInRegion);
    EXPECT_EQ(Curve("cos(u)", "sin(u)")->GetStatus(), MessageNone);
}

TEST_F(ParametricCurve, TraceSnapsToAxisCrossingsAndEnds)
{
    // From the start at t = -1 the trace walks to the crossing of the x
    // axis at t = pi and snaps onto y = 0.
    tMin = -1;
    tMax = kTwoPi - 1;
    auto circle = Curve("cos(u)", "sin(u)", 0.5, TracePolarRFromPoint);
    // The trace starts where the graph was hit.
    ASSERT_TRUE(circle->HitTest(-1.0, 0.05));
    TraceInfo at = circle->Trace(-1.0, 0.05);
    EXPECT_EQ(at.kind, TracePolarRFromPoint);
    EXPECT_EQ(at.snapped, 1);
    EXPECT_EQ(at.y, 0);
    EXPECT_NEAR(at.x, -1, 1e-12);
    EXPECT_NEAR(at.t, M_PI, 1e-9);
    EXPECT_EQ(circle->LastTraceT(), at.t);
    // Away from axes, ends and tangents the readout stays on the curve.
    ASSERT_TRUE(circle->HitTest(std::cos(2.2), std::sin(2.2)));
    at = circle->Trace(std::cos(2.2) * 1.02, std::sin(2.2) * 1.02);
    EXPECT_EQ(at.snapped, 0);
    EXPECT_NEAR(at.t, 2.2, 0.01);
    EXPECT_NEAR(std::hypot(at.x, at.y), 1, 1e-12);

    // The upper half circle: near either end the readout goes to the end.
    tMin = 0;
    tMax = M_PI / 2;
    auto quarter = Curve("cos(u)", "sin(u)");
    ASSERT_TRUE(quarter->HitTest(0.99, 0.1));
    at = quarter->Trace(0.98, 0.12);
    EXPECT_EQ(at.snapped, 1);
    EXPECT_EQ(at.t, 0);
    ASSERT_TRUE(quarter->HitTest(0.05, 0.99));
    at = quarter->Trace(0.05, 0.99);
    EXPECT_EQ(at.snapped, 1);
    EXPECT_EQ(at.t, M_PI / 2);
}

TEST_F(ParametricCurve, TraceSnapsToTheEdgeOfTheDomain)
{
    // x = sqrt(u) is undefined below 0: a trace near the origin stops at
    // the domain's edge, t = 0.
    tMin = -1;
    tMax = 1;
    auto curve = Curve("sqrt(u)", "u");
    curve->HitTest(0.5, 0.25);
    TraceInfo at = curve->Trace(0.02, 0.0);
    EXPECT_EQ(at.snapped, 1);
    EXPECT_NEAR(at.t, 0, 1e-12);
    EXPECT_EQ(at.x, 0);
}

TEST_F(ParametricCurve, HitsWithinFourPixelsAndRemembersWhere)
{
    auto circle = Curve("cos(u)", "sin(u)");
    const double px = mapping.unitsPerPixelX;
    EXPECT_TRUE(circle->HitTest(0, 1 + 3 * px));
    EXPECT_NEAR(circle->LastTraceT(), M_PI / 2, 0.15);
    EXPECT_FALSE(circle->HitTest(0, 1 + 6 * px));
    EXPECT_FALSE(circle->HitTest(0, 0));
    circle->SetOption(OptionColor, kHiddenColorCode);
    EXPECT_FALSE(circle->HitTest(0, 1));
    EXPECT_EQ(circle->Trace(0, 1).kind, TraceNothing);
}

TEST_F(ParametricCurve, NearestPointLiesOnTheCurve)
{
    auto circle = Curve("cos(u)", "sin(u)");
    NearestPointResult r = circle->NearestPoint(0.72, 0.7, 0.1, -100, 100);
    ASSERT_EQ(r.found, 1);
    EXPECT_NEAR(std::hypot(r.nearest.x, r.nearest.y), 1, 1e-12);
    EXPECT_NEAR(r.nearest.t, std::atan2(0.7, 0.72), 1e-3);
    EXPECT_LE(r.before.t, r.nearest.t + 0.07);
    EXPECT_GE(r.after.t, r.nearest.t - 0.07);
    // A range the circle is not in finds nothing.
    EXPECT_EQ(circle->NearestPoint(0.7, 0.7, 0.1, 10, 20).found, 0);
}

TEST_F(ParametricCurve, RestartRecomputesOnlyWhenTheRangeChanged)
{
    auto circle = Curve("cos(u)", "sin(u)");
    const int redraws = FakeGraphServices::redraws;
    circle->Restart();
    ASSERT_TRUE(WaitUntil([&] { return circle->IsComplete(); }));
    EXPECT_EQ(FakeGraphServices::redraws, redraws);
    // The view's range changed behind the curve (a default view, a copied
    // range): the samples follow it.
    tMax = M_PI;
    circle->Restart();
    ASSERT_TRUE(WaitUntil([&] { return circle->IsComplete(); }));
    const WorldPoint last = circle->Samples()[circle->SampleCount() - 1];
    EXPECT_NEAR(last.x, -1, 1e-15);
    EXPECT_NEAR(circle->ParameterOf(circle->SampleCount() - 1), M_PI, 0);
}

TEST_F(ParametricCurve, VariablesTheCurveDoesNotUseLeaveItAlone)
{
    auto curve = Curve("a*cos(u)", "sin(u)");
    const int redraws = FakeGraphServices::redraws;
    curve->VariableChanged('b');
    EXPECT_EQ(curve->ComputedCount(), curve->SampleCount());
    curve->VariableChanged('a');
    ASSERT_TRUE(WaitUntil([&] { return curve->IsComplete(); }));
    EXPECT_GT(FakeGraphServices::redraws, redraws);
}

}  // namespace
