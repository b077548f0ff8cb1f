#include "graphs3d/AStartOnGrid.h"
#include "graphs3d/AStartOnImplicit.h"
#include "graphs3d/AStartOnLattice.h"
#include "graphs3d/AStartOnPoint.h"

#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/A3DVectorField.h"
#include "graphs3d/ADEPlot3D.h"
#include "rendering/ViewRenderContext.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/RecordingGL.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <tuple>

namespace {

class StartPointSets : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }
    void SetUp() override { ASSERT_TRUE(InitFormulaEngine()); }

    CompiledFormula* F(const char* text) { return text ? new CompiledFormula(ReadFormula(text), &doc) : nullptr; }
    AGraphColor* Colour() { return new AGraphColor(&context, &doc); }

    std::unique_ptr<AStartOnLattice> Lattice(const char* f, const char* g, const char* h, bool flow,
                                             double resolution = 0, const char* condition = nullptr)
    {
        std::unique_ptr<AStartOnLattice> set(new AStartOnLattice(F(f), F(g), F(h), nullptr, F(condition), resolution,
                                                                 1, Colour(), &context, &x0, &x1, &y0, &y1, &z0,
                                                                 &z1, flow));
        EXPECT_TRUE(WaitUntil([&] { return set->IsComplete(); }));
        return set;
    }

    FakeGraphServices services;
    DocState doc;
    RecordingGL gl;
    ViewRenderContext context{gl};
    double x0 = -1, x1 = 1, y0 = -1, y1 = 1, z0 = -1, z1 = 1;
    double u0 = 0, u1 = 2 * M_PI, v0 = 0, v1 = M_PI;
};

TEST(StartCount, FollowsTheResolutionWithinItsBounds)
{
    const struct {
        double resolution;
        int32_t min, max;
        double rounding;
        int32_t n;
    } cases[] = {
        {0, 2, 8, 0, 2},    {0, 5, 50, 0, 5},   {0, 4, 14, 0, 4},    {0, 8, 28, 0, 8},   {0, 2, 8, 0.5, 2},
        {0, 4, 16, 0.5, 4}, {1, 5, 50, 0, 50},  {1, 4, 16, 0.5, 16}, {0.5, 2, 8, 0, 5},  {0.25, 2, 8, 0.5, 4},
        // A damaged file's resolution stays within the bounds.
        {NAN, 4, 16, 0.5, 4}, {1e9, 4, 16, 0.5, 16}, {-3, 5, 50, 0, 5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StartCount(c.resolution, c.min, c.max, c.rounding), c.n) << c.resolution << " " << c.min;
}

// n = 4 in [-1, 1]^3: 64 points on the lattice, arrows at most 2 x 0.5 / 3
// long; a uniform field draws every arrow exactly that long.
TEST_F(StartPointSets, LatticeOfFourHasSixtyFourPointsAndArrowsOfAThird)
{
    auto set = Lattice("1", "0", "0", false);
    EXPECT_EQ(set->Count(), 4);
    EXPECT_DOUBLE_EQ(set->ArrowLength(), 1.0 / 3);
    const PointStore& points = set->StartPoints();
    ASSERT_EQ(points.count, 64);
    std::set<std::tuple<double, double, double>> distinct;
    for (int32_t i = 0; i < points.count; ++i) {
        const SpacePoint* p = points.At(i);
        distinct.insert({p->x, p->y, p->z});
        for (double c : {p->x, p->y, p->z})
            EXPECT_NEAR(std::remainder(c + 1, 2.0 / 3), 0, 1e-12) << c;
    }
    EXPECT_EQ(distinct.size(), 64u);
    auto* field = dynamic_cast<A3DVectorField*>(set->Plot());
    ASSERT_NE(field, nullptr);
    const ArrowBatch* batch = field->BatchAt(field->BatchCount() - 1);
    ASSERT_EQ(batch->count, 64);
    for (int32_t i = 0; i < batch->count; ++i) {
        const float* item = batch->items + 6 * i;
        EXPECT_NEAR(item[0] - item[3], 1.0 / 3, 1e-6);
        EXPECT_EQ(item[1], item[4]);
        EXPECT_EQ(item[2], item[5]);
    }
}

// The counts of resolution 0 for flows and for arrows; a condition false
// everywhere leaves the set empty and the plot completes with nothing.
TEST_F(StartPointSets, ResolutionZeroCountsAndAnEmptyCondition)
{
    EXPECT_EQ(Lattice("1", "0", "0", true)->StartPoints().count, 8);
    EXPECT_EQ(Lattice("1", "0", "0", false)->StartPoints().count, 64);
    auto none = Lattice("1", "0", "0", true, 0, "x>5");
    EXPECT_EQ(none->StartPoints().count, 0);
    EXPECT_TRUE(none->IsComplete());
    for (bool flow : {true, false}) {
        std::unique_ptr<AStartOnGrid> grid(new AStartOnGrid(F("1"), F("0"), F("0"), F("u"), F("v"), F("0"), nullptr,
                                                            nullptr, 0, 1, Colour(), &u0, &u1, &v0, &v1, &x0, &x1,
                                                            &y0, &y1, &z0, &z1, &context, flow));
        ASSERT_TRUE(WaitUntil([&] { return grid->IsComplete(); }));
        EXPECT_EQ(grid->StartPoints().count, flow ? 4 : 25);
    }
}

// Start points on a sphere lie on it: from a grid of its parametrisation
// exactly, from its implicit equation within the polygoniser's error, with
// at most one point per cell of the coarse grid.
TEST_F(StartPointSets, StartPointsOnASphereLieOnIt)
{
    std::unique_ptr<AStartOnGrid> grid(new AStartOnGrid(
        F("-y"), F("x"), F("0"), F("sin(v)*cos(u)"), F("sin(v)*sin(u)"), F("cos(v)"), nullptr, nullptr, 1, 1,
        Colour(), &u0, &u1, &v0, &v1, &x0, &x1, &y0, &y1, &z0, &z1, &context, true));
    ASSERT_TRUE(WaitUntil([&] { return grid->IsComplete(); }));
    EXPECT_EQ(grid->StartPoints().count, 64);
    for (int32_t i = 0; i < grid->StartPoints().count; ++i) {
        const SpacePoint* p = grid->StartPoints().At(i);
        EXPECT_NEAR(std::sqrt(p->x * p->x + p->y * p->y + p->z * p->z), 1, 1e-12);
    }
    x0 = y0 = z0 = -2;
    x1 = y1 = z1 = 2;
    std::unique_ptr<AStartOnImplicit> implicit(new AStartOnImplicit(
        F("-y"), F("x"), F("0"), nullptr, F("x^2+y^2+z^2-1.5^2"), nullptr, 1, 1, Colour(), &x0, &x1, &y0, &y1, &z0,
        &z1, &context, true));
    ASSERT_TRUE(WaitUntil([&] { return implicit->IsComplete(); }, 20));
    EXPECT_EQ(implicit->Count(), 14);
    const PointStore& points = implicit->StartPoints();
    EXPECT_GT(points.count, 40);
    std::set<std::tuple<int32_t, int32_t, int32_t>> cells;
    for (int32_t i = 0; i < points.count; ++i) {
        const SpacePoint* p = points.At(i);
        EXPECT_NEAR(std::sqrt(p->x * p->x + p->y * p->y + p->z * p->z), 1.5, 0.03);
        EXPECT_TRUE(cells.insert({OccupancyCell(p->x, -2, 2, 14), OccupancyCell(p->y, -2, 2, 14),
                                  OccupancyCell(p->z, -2, 2, 14)})
                        .second);
    }
    auto* flow = dynamic_cast<ADEPlot3D*>(implicit->Plot());
    ASSERT_NE(flow, nullptr);
    EXPECT_EQ(flow->CurveCount(), points.count);
}

TEST(OccupancyCell, ClampsAndRefusesABoxOfNoWidth)
{
    EXPECT_EQ(OccupancyCell(-1, -1, 1, 4), 0);
    EXPECT_EQ(OccupancyCell(0.1, -1, 1, 4), 1);
    EXPECT_EQ(OccupancyCell(1, -1, 1, 4), 3);
    EXPECT_EQ(OccupancyCell(50, -1, 1, 4), 4);
    EXPECT_EQ(OccupancyCell(0, 1, 1, 4), -1);
}

// One start point: one flow line.
TEST_F(StartPointSets, PointSetStartsOneLine)
{
    std::unique_ptr<AStartOnPoint> set(new AStartOnPoint(F("0.5"), F("0"), F("0"), F("-y"), F("x"), F("0"), nullptr,
                                                         nullptr, 1, Colour(), &x0, &x1, &y0, &y1, &z0, &z1,
                                                         &context, true));
    ASSERT_TRUE(WaitUntil([&] { return set->IsComplete(); }));
    ASSERT_EQ(set->StartPoints().count, 1);
    EXPECT_EQ(set->StartPoints().At(0)->x, 0.5);
    auto* flow = dynamic_cast<ADEPlot3D*>(set->Plot());
    ASSERT_NE(flow, nullptr);
    EXPECT_EQ(flow->CurveCount(), 1);
}

// Destroying a set while its flow still integrates stops the flow before
// the condition it shares goes.
TEST_F(StartPointSets, DestroyedWhileItsFlowComputes)
{
    x0 = y0 = z0 = -2;
    x1 = y1 = z1 = 2;
    for (int32_t k = 0; k < 5; ++k) {
        std::unique_ptr<AStartOnLattice> set(new AStartOnLattice(F("-y"), F("x"), F("0.01"), nullptr, F("z<1.9"), 1,
                                                                 1, Colour(), &context, &x0, &x1, &y0, &y1, &z0, &z1,
                                                                 true));
        WaitUntil([&] { return set->PointsReady(); });
    }
}

}  // namespace
