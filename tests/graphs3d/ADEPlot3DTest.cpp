#include "graphs3d/ADEPlot3D.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/ACurve3D.h"
#include "graphs3d/FlowCurve.h"
#include "rendering/ViewRenderContext.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/RecordingGL.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

class DEPlot3D : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }
    void SetUp() override { ASSERT_TRUE(InitFormulaEngine()); }
    void TearDown() override
    {
        plot.reset();
        if (condition)
            delete condition;
        starts.Clear();
    }

    CompiledFormula* Formula(const char* text) { return text ? new CompiledFormula(ReadFormula(text), &doc) : nullptr; }

    ADEPlot3D& Make(const char* f, const char* g, const char* h, const char* radius = nullptr,
                    const char* conditionText = nullptr, int32_t kind = ColorSolid)
    {
        auto* colour = new AGraphColor(&context, &doc);
        colour->kind = kind;
        if (kind == ColorRgbFormulas) {
            colour->red = Formula("0.25");
            colour->green = Formula("0.5");
            colour->blue = Formula("0");
        }
        condition = Formula(conditionText);
        plot = std::make_unique<ADEPlot3D>(Formula(f), Formula(g), Formula(h), Formula(radius), condition, colour, 1,
                                           &starts, &x0, &x1, &y0, &y1, &z0, &z1, &context);
        return *plot;
    }

    void AddStart(double x, double y, double z) { ASSERT_EQ(starts.Push(SpacePoint{x, y, z}), 0); }

    FakeGraphServices services;
    DocState doc;
    RecordingGL gl;
    ViewRenderContext context{gl};
    PointStore starts;
    CompiledFormula* condition = nullptr;
    std::unique_ptr<ADEPlot3D> plot;
    double x0 = -2, x1 = 2, y0 = -2, y1 = 2, z0 = -2, z1 = 2;
};

// The rotation x' = -y, y' = x keeps every point on the circle it starts
// on, even after the full 2,000 steps (about six turns); the line stops at
// the step limit with the start and every fourth point, or with a radius
// formula every tenth.
TEST_F(DEPlot3D, RotationKeepsItsRadiusAndStoresEverySthPoint)
{
    const struct {
        const char* radius;
        int32_t s, points;
    } cases[] = {{nullptr, 4, 501}, {"0.05", 10, 201}};
    for (const auto& c : cases) {
        ADEPlot3D& p = Make("-y", "x", "0", c.radius);
        PointStore line;
        ASSERT_TRUE(p.IntegrateFlowLine(SpacePoint{1, 0, 0.5}, c.s, line));
        ASSERT_EQ(line.count, c.points);
        double worst = 0, turned = 0;
        for (int32_t i = 0; i < line.count; ++i) {
            const SpacePoint* q = line.At(i);
            worst = std::max(worst, std::fabs(std::hypot(q->x, q->y) - 1));
            EXPECT_EQ(q->z, 0.5);
            if (i > 0) {
                const SpacePoint* o = line.At(i - 1);
                turned += std::remainder(std::atan2(q->y, q->x) - std::atan2(o->y, o->x), 2 * M_PI);
            }
        }
        EXPECT_LT(worst, 1e-9);
        // 2,000 steps of arc 0.005 x 4 on the unit circle.
        EXPECT_NEAR(turned, 40.0, 1e-6);
        line.Clear();
    }
}

// Each way a line ends early: it leaves the box enlarged by three widths,
// the condition fails, or the field vanishes (the step becomes infinite).
TEST_F(DEPlot3D, LineEndsAtTheEnlargedBoxTheConditionOrAZeroField)
{
    const struct {
        const char* f;
        const char* g;
        const char* h;
        const char* condition;
        SpacePoint start;
        int32_t points;
    } cases[] = {
        // x grows by 0.02 a step from 0.01 to below 14: 699 steps, 174
        // stored.
        {"1", "0", "0", nullptr, {0.01, 0, 0}, 175},
        // z falls by 0.02 a step from 1: the point below the plane ends it
        // after 50 steps, 12 stored.
        {"0", "0", "-1", "z>0", {0, 0, 1}, 13},
        {"0", "0", "0", nullptr, {0.5, 0.5, 0.5}, 1},
        // Outside the enlarged box the first step already ends it.
        {"1", "0", "0", nullptr, {20, 0, 0}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.f + std::string(" ") + c.h);
        ADEPlot3D& p = Make(c.f, c.g, c.h, nullptr, c.condition);
        PointStore line;
        ASSERT_TRUE(p.IntegrateFlowLine(c.start, kFlowStoreEvery, line));
        EXPECT_EQ(line.count, c.points);
        for (int32_t i = 1; i < line.count; ++i)
            EXPECT_LT(std::fabs(line.At(i)->x), 14);
        line.Clear();
        plot.reset();
        delete condition;
        condition = nullptr;
    }
}

TEST(DEPlot3DParts, StartPointsAreSharedInEvenContiguousRuns)
{
    const struct {
        int32_t count, parts, p, first, end;
    } cases[] = {
        {10, 4, 0, 0, 3}, {10, 4, 1, 3, 6}, {10, 4, 2, 6, 9}, {10, 4, 3, 9, 10},
        // Fewer points than parts: one each, the rest get none.
        {2, 4, 0, 0, 1},  {2, 4, 1, 1, 2},  {2, 4, 2, 2, 2},  {2, 4, 3, 2, 2},
        {0, 2, 0, 0, 0},  {4, 2, 0, 0, 2},  {4, 2, 1, 2, 4},
    };
    for (const auto& c : cases) {
        int32_t first = -1, end = -1;
        ADEPlot3D::PartRange(c.count, c.parts, c.p, first, end);
        EXPECT_EQ(first, c.first) << c.count << " " << c.parts << " " << c.p;
        EXPECT_EQ(end, c.end) << c.count << " " << c.parts << " " << c.p;
    }
}

// The whole plot on the pool: one line per start point, radii and colours
// per stored point; a restart keeps the old lines until the next load drops
// exactly those.
TEST_F(DEPlot3D, ComputesALinePerStartAndALoadDropsOnlyTheOldLines)
{
    for (int32_t i = 0; i < 5; ++i)
        AddStart(0.2 * (i + 1), 0, 0);
    ADEPlot3D& p = Make("-y", "x", "0.1", "0.02+0*x", nullptr, ColorRgbFormulas);
    p.Start();
    ASSERT_TRUE(WaitUntil([&] { return p.IsComplete(); }));
    ASSERT_EQ(p.CurveCount(), 5);
    for (int32_t i = 0; i < p.CurveCount(); ++i) {
        const FlowCurve* c = p.CurveAt(i);
        ASSERT_NE(c->radii, nullptr);
        ASSERT_NE(c->colors, nullptr);
        EXPECT_GT(c->count, 1);
        // With radii the line is a tube, built on the worker.
        ASSERT_NE(c->curve, nullptr);
        EXPECT_TRUE(c->curve->IsTube());
        EXPECT_TRUE(c->curve->IsComplete());
        EXPECT_DOUBLE_EQ(c->radii[c->count - 1], 0.02);
        EXPECT_FLOAT_EQ(c->colors[3 * (c->count - 1)], 0.25f);
        EXPECT_FLOAT_EQ(c->colors[3 * (c->count - 1) + 1], 0.5f);
    }
    p.Stop();
    p.Restart();
    EXPECT_EQ(p.RemoveCount(), 5);
    p.Start();
    ASSERT_TRUE(WaitUntil([&] { return p.IsComplete(); }));
    EXPECT_EQ(p.CurveCount(), 10);
    p.SetOption(OptionUploadMesh, 0);
    EXPECT_EQ(p.CurveCount(), 5);
    EXPECT_EQ(p.RemoveCount(), 0);
}

}  // namespace
