#include "graphs2d/ADEPlot.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "drawing/DDUtils.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs2d/SolutionCurve.h"
#include "graphs2d/ViewMapping.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/PortFixture.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr RgbColor kInk = 0x0000FF;

std::vector<WorldPoint> Points(const SolutionCurve* c)
{
    std::vector<WorldPoint> points;
    for (int32_t i = 0; c && i < c->count; ++i)
        points.push_back(c->PointAt(i));
    return points;
}

class DEPlot : public PortFixture {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        // A 401 x 321 view, world 0 at pixel (200, 160), 64 pixels a unit.
        ShortRect r;
        SetShortRect(r, 0, 0, 321, 401);
        mapping.Set(r, 200, 160, 64, -64, 1);
        mapping.doc = &doc;
    }

    CompiledFormula* Formula(const char* text) { return text ? new CompiledFormula(ReadFormula(text), &doc) : nullptr; }

    // dx/dt = f, dy/dt = g, or dy/dx = f when g is null; from the start
    // point when given, else on the seed grid.
    std::unique_ptr<ADEPlot> Plot(const char* f, const char* g = nullptr, const char* startX = nullptr,
                                  const char* startY = nullptr, double grain = 0.5)
    {
        auto* colour = new AGraphColor(nullptr, &doc);
        colour->rgb = kInk;
        auto plot = std::make_unique<ADEPlot>(Formula(f), Formula(g), Formula(startX), Formula(startY), colour, grain,
                                              &mapping);
        EXPECT_TRUE(WaitUntil([&] { return plot->IsComplete(); })) << f;
        return plot;
    }

    std::vector<WorldPoint> Curve(ADEPlot& plot, int32_t i)
    {
        SolutionCurve c;
        EXPECT_TRUE(plot.CopyCurve(i, &c));
        return Points(&c);
    }

    FakeGraphServices services;
    DocState doc;
    ViewMapping mapping;
};

TEST_F(DEPlot, SeedSpacingFollowsTheGrainHeldToItsRange)
{
    const struct {
        double grain;
        int32_t spacing;
    } cases[] = {
        {0, 200}, {1, 50}, {0.5, 125}, {1.4, 50}, {-2, 200}, {std::nan(""), 125},
        {std::numeric_limits<double>::infinity(), 50},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ADEPlot::SpacingFor(c.grain), c.spacing) << c.grain;
}

TEST_F(DEPlot, AZeroSlopeDrawsOneLinePerSeedRow)
{
    auto plot = Plot("0", nullptr, nullptr, nullptr, 1);
    ASSERT_EQ(plot->Spacing(), 50);
    // Curves by their height: each row's first seed gives a forward and a
    // backward curve that together cross the view; the row's other seeds
    // lie on that line and are skipped.
    std::map<double, std::vector<std::vector<WorldPoint>>> rows;
    for (int32_t i = 0; i < plot->CurveCount(); ++i) {
        const auto points = Curve(*plot, i);
        ASSERT_FALSE(points.empty());
        for (const WorldPoint& p : points)
            ASSERT_EQ(p.y, points[0].y);
        rows[points[0].y].push_back(points);
    }
    // Seed rows 50 pixels apart through y = 0: pixel rows 10, 60, ..., 310.
    EXPECT_EQ(rows.size(), 7u);
    for (const auto& [y, curves] : rows) {
        ASSERT_EQ(curves.size(), 2u) << y;
        EXPECT_EQ(std::fmod(y * 64, 50), 0) << y;
        const double xs[] = {curves[0].back().x, curves[1].back().x};
        // One reaches the left edge, the other the right.
        EXPECT_NEAR(std::fmin(xs[0], xs[1]), -200.0 / 64, 1.0 / 64);
        EXPECT_NEAR(std::fmax(xs[0], xs[1]), 200.0 / 64, 1.0 / 64);
    }
}

TEST_F(DEPlot, TheCircleSystemKeepsItsRadius)
{
    // x' = -y, y' = x from (2, 0): over five turns of 128 pixels radius in
    // each direction, each point within a thousandth of a pixel of the
    // circle.
    auto plot = Plot("-y", "x", "2", "0");
    ASSERT_EQ(plot->CurveCount(), 2);
    for (int32_t i = 0; i < 2; ++i) {
        const auto points = Curve(*plot, i);
        EXPECT_EQ(points.size(), 4000u);
        double drift = 0, turning = 0;
        for (size_t k = 0; k < points.size(); ++k) {
            drift = std::fmax(drift, std::fabs(std::hypot(points[k].x, points[k].y) - 2));
            if (k)
                turning += std::remainder(std::atan2(points[k].y, points[k].x) -
                                              std::atan2(points[k - 1].y, points[k - 1].x),
                                          2 * M_PI);
        }
        EXPECT_LT(drift, 1e-3 / 64) << i;
        // Forward is counter-clockwise, as the field turns.
        EXPECT_GT(turning * (i == 0 ? 1 : -1), 2 * M_PI * 5) << i;
    }
}

TEST_F(DEPlot, StartPointsThatGoNowhere)
{
    const struct {
        const char *f, *g, *x0, *y0;
        size_t points;
    } cases[] = {
        {"x-y", nullptr, "10", "0", 0},  // outside the view
        {"-y", "x", "0", "10", 0},
        {"x", "y", "0", "0", 1},  // a stationary point
        {"ln(x)", nullptr, "~1", "0", 1},  // an undefined slope
        {"y", nullptr, "NaN", "0", 0},
    };
    for (const auto& c : cases) {
        auto plot = Plot(c.f, c.g, c.x0, c.y0);
        ASSERT_EQ(plot->CurveCount(), 2) << c.f;
        for (int32_t i = 0; i < 2; ++i)
            EXPECT_EQ(Curve(*plot, i).size(), c.points) << c.f << ", " << c.x0 << " " << c.y0;
    }
}

TEST_F(DEPlot, ABlowUpLeavesTheViewCleanly)
{
    // y' = y^2 from (0, 1) is 1/(1 - x): it leaves through the top before
    // x = 1 and falls towards 0 leaving through the left edge, as a slope
    // equation and as a system.
    for (const char* g : {static_cast<const char*>(nullptr), "y^2"}) {
        auto plot = Plot(g ? "1" : "y^2", g, "0", "1");
        ASSERT_EQ(plot->CurveCount(), 2);
        for (int32_t i = 0; i < 2; ++i) {
            const auto points = Curve(*plot, i);
            ASSERT_GT(points.size(), 50u);
            EXPECT_LT(points.size(), 1000u);
            for (const WorldPoint& p : points) {
                ASSERT_TRUE(mapping.ContainsWorldPoint(p.x, p.y));
                EXPECT_NEAR(p.y, 1 / (1 - p.x), 1e-6 * std::fmax(1, p.y * p.y)) << p.x;
            }
            const WorldPoint end = points.back();
            if (end.x > 0)
                EXPECT_GT(end.y, 160.0 / 64 - 2.0 / 64);
            else
                EXPECT_LT(end.x, -200.0 / 64 + 2.0 / 64);
        }
    }
}

TEST_F(DEPlot, TracingSolvesThroughThePoint)
{
    auto slope = Plot("x-y", nullptr, "0", "0");
    TraceInfo t = slope->Trace(1, 0.5);
    EXPECT_EQ(t.kind, TraceSolutionCurves);
    EXPECT_EQ(t.color, static_cast<int32_t>(kInk));
    ASSERT_TRUE(t.forwardCurve && t.backwardCurve);
    EXPECT_GT(t.forwardCurve->count, 10);
    EXPECT_GT(t.backwardCurve->count, 10);
    EXPECT_EQ(t.forwardCurve->PointAt(0).x, 1);
    EXPECT_GT(t.forwardCurve->PointAt(5).x, 1);
    EXPECT_LT(t.backwardCurve->PointAt(5).x, 1);
    HoldTracedSolutionCurves(t.forwardCurve, t.backwardCurve);
    EXPECT_EQ(TracedSolutionCurve(1)->PointAt(0).y, 0.5);

    // A system is traced forward only.
    auto system = Plot("-y", "x", "1", "0");
    t = system->Trace(1, 0);
    ASSERT_TRUE(t.forwardCurve);
    EXPECT_EQ(t.backwardCurve, nullptr);
    HoldTracedSolutionCurves(t.forwardCurve, nullptr);
    EXPECT_EQ(TracedSolutionCurve(1), nullptr);
    HoldTracedSolutionCurves(nullptr, nullptr);
}

TEST_F(DEPlot, DrawsItsCurves)
{
    auto plot = Plot("0", nullptr, "0", "1");
    MakePort(401, 321);
    ReleasePortDC();  // the plot acquires the port's context itself
    plot->Draw();
    // The line y = 1, pixel row 96, across the view.
    for (int x : {0, 100, 200, 399})
        EXPECT_EQ(Colour(x, 96), kInk) << x;
    EXPECT_EQ(Colour(200, 97), 0xFFFFFFu);
}

TEST_F(DEPlot, RestartsDrawsAndTracesWhileTheWorkerSolves)
{
    MakePort(401, 321);
    ReleasePortDC();
    auto plot = Plot("sin(x*y)", nullptr, nullptr, nullptr, 1);
    const int32_t curves = plot->CurveCount();
    for (int round = 0; round < 20; ++round) {
        plot->Restart();
        plot->Draw();
        const TraceInfo t = plot->Trace(0.5, 0.5);
        HoldTracedSolutionCurves(t.forwardCurve, t.backwardCurve);
        if (round % 5 == 0)
            plot->SetOption(OptionResolution, 1);
    }
    HoldTracedSolutionCurves(nullptr, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
    // The traces raised counters of the last grid, which may skip seeds.
    EXPECT_GT(plot->CurveCount(), curves / 2);
}

}  // namespace
