#include "graphs2d/CurveAndPointBuilders.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/PrepareTreeForGraphing.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/A2DVectorPlot.h"
#include "graphs2d/ADEPlot.h"
#include "graphs2d/SolutionCurve.h"
#include "graphs2d/APointPlot.h"
#include "graphs2d/AParametricCurve.h"
#include "graphs2d/AnArrowPlot.h"
#include "graphs2d/GraphBuilders2D.h"
#include "graphs2d/GraphFactory.h"
#include "graphs2d/GraphSet.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/TreeFixture.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

class CurveAndPointBuilders : public TreeTest {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        TreeTest::SetUp();
        RegisterGraphBuilders2D();
        set = std::make_unique<GraphSet>(ShortRect{0, 0, 100, 201}, nullptr, &doc);
    }
    void TearDown() override
    {
        set.reset();
        for (int32_t code = kFirstFormCode; code <= kLastFormCode; ++code)
            SetFormBuilder(code, nullptr);
        TreeTest::TearDown();
    }

    // The statement's plot in the first 2D view, complete; null when none
    // of the type was built.
    template <typename Plot>
    Plot* Build(const char* text)
    {
        FormulaNode* statement = ReadFormula(text);
        if (!statement)
            return nullptr;
        PrepareTreeForGraphing(&doc, statement);
        const int32_t row =
            set->BuildEquationGraphs(statement, false, false, &doc.transform, 1, 0.5, 1, 2, 1, nullptr);
        FreeTree(statement);
        const auto& graphs = set->views2D[0]->graphs;
        if (row < 0 || !graphs.count)
            return nullptr;
        auto* plot = dynamic_cast<Plot*>(graphs.storage[graphs.count - 1]);
        EXPECT_TRUE(plot && WaitUntil([&] { return plot->IsComplete(); })) << text;
        return plot;
    }

    FakeGraphServices services_;
    DocState doc;
    std::unique_ptr<GraphSet> set;
};

TEST_F(CurveAndPointBuilders, CurvesTakeTheirParameterAndRange)
{
    const struct {
        const char* statement;
        int32_t slot;  // the range slot marked
        double x0, y0; // the point at the range's start
        double x1, y1; // and at its end
    } cases[] = {
        // r = 1 over theta in [0, 2 pi]: the unit circle.
        {"r=1", 8, 1, 0, 1, 0},
        // theta = r over r in [0, 2].
        {"theta=r", 7, 0, 0, 2 * std::cos(2), 2 * std::sin(2)},
        {"vector(x,y)=vector(t,t^2)", 10, 0, 0, 1, 1},
        {"vector(t,1-t)", 10, 0, 1, 1, 0},
        {"vector(r,theta)=vector(t,0)", 10, 0, 0, 1, 0},
        {"z=t+i*t^2", 10, 0, 0, 1, 1},
    };
    for (const auto& c : cases) {
        set->rangeUsed[c.slot] = 0;
        auto* curve = Build<AParametricCurve>(c.statement);
        ASSERT_NE(curve, nullptr) << c.statement;
        EXPECT_EQ(set->rangeUsed[c.slot], 1) << c.statement;
        EXPECT_EQ(curve->SampleCount(), 600) << c.statement;
        const WorldPoint first = curve->Samples()[0], last = curve->Samples()[curve->SampleCount() - 1];
        EXPECT_NEAR(first.x, c.x0, 1e-12) << c.statement;
        EXPECT_NEAR(first.y, c.y0, 1e-12) << c.statement;
        EXPECT_NEAR(last.x, c.x1, 1e-12) << c.statement;
        EXPECT_NEAR(last.y, c.y1, 1e-12) << c.statement;
    }
}

TEST_F(CurveAndPointBuilders, PointsAndArrows)
{
    const struct {
        const char* statement;
        double x, y;
        bool draggable;
    } points[] = {
        {"vector(1,2)", 1, 2, false},
        {"vector(x,y)=vector(3,4)", 3, 4, false},
        {"vector(r,theta)=vector(2,pi/2)", 0, 2, false},
        {"z=2+3*i", 2, 3, false},
        // A parameter's definition gives the point the user drags, at the
        // parameter's current value: every name reads 1 in a document
        // that was never analysed.
        {"a=2+3*i", 1, 0, true},
    };
    for (const auto& c : points) {
        auto* point = Build<APointPlot>(c.statement);
        ASSERT_NE(point, nullptr) << c.statement;
        EXPECT_NEAR(point->PointX(), c.x, 1e-15) << c.statement;
        EXPECT_NEAR(point->PointY(), c.y, 1e-15) << c.statement;
        EXPECT_EQ(point->IsDraggable(), c.draggable) << c.statement;
    }
    auto* sized = Build<APointPlot>("vector(1,2),'fontsize'=14,'label'=\"p\"");
    ASSERT_NE(sized, nullptr);
    EXPECT_EQ(sized->Size(), 14);

    auto* arrow = Build<AnArrowPlot>("vector(0,1),vector(2,3)");
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(arrow->X1(), 0);
    EXPECT_EQ(arrow->Y1(), 1);
    EXPECT_EQ(arrow->X2(), 2);
    EXPECT_EQ(arrow->Y2(), 3);
}

TEST_F(CurveAndPointBuilders, VectorFieldsOfXAndY)
{
    auto* field = Build<A2DVectorPlot>("vector(d*x,d*y)=vector(y,-x)");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->Spacing(), 55);
    const VectorCell& c = field->Cells()[2 * field->GridColumns() + 3];
    EXPECT_EQ(c.fieldX, c.y);
    EXPECT_EQ(c.fieldY, -c.x);
}

TEST_F(CurveAndPointBuilders, DifferentialEquations)
{
    // The first point of the forward curve: the start point, or the first
    // seed; then where one step took it.
    const struct {
        const char* text;
        double x0, y0, x1, y1;
    } cases[] = {
        // The view shows x from -2 to 1.1, y from -2 to -0.45, 64 pixels a unit.
        {"function(optotal(x),y)=x,vector(x,y)=vector(~1,~1)", -1, -1, -0.984375, -1.0155029},
        {"function(optotal(t),vector(x,y))=vector(-y,x),vector(x,y)=vector(0,~1)", 0, -1, 0.015625, -0.9998779},
        // z' = i z is the same rotation.
        {"function(optotal(t),z)=i*z,vector(x,y)=vector(0,~1)", 0, -1, 0.015625, -0.9998779},
    };
    for (const auto& c : cases) {
        auto* plot = Build<ADEPlot>(c.text);
        ASSERT_NE(plot, nullptr) << c.text;
        SolutionCurve curve;
        ASSERT_TRUE(plot->CopyCurve(0, &curve)) << c.text;
        ASSERT_GT(curve.count, 1);
        EXPECT_EQ(curve.PointAt(0).x, c.x0) << c.text;
        EXPECT_EQ(curve.PointAt(0).y, c.y0) << c.text;
        EXPECT_NEAR(curve.PointAt(1).x, c.x1, 1e-7) << c.text;
        EXPECT_NEAR(curve.PointAt(1).y, c.y1, 1e-7) << c.text;
    }
    // Without a start point the seeds of the small view give curves.
    auto* grid = Build<ADEPlot>("function(optotal(x),y)=x-y");
    ASSERT_NE(grid, nullptr);
    EXPECT_GE(grid->CurveCount(), 2);
}

}  // namespace
