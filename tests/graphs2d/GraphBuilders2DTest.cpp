#include "graphs2d/GraphBuilders2D.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/PrepareTreeForGraphing.h"
#include "graphmodel/AGraphColor.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/A2DInequality.h"
#include "graphs2d/AColorPlot.h"
#include "graphs2d/AFunctionOf_XorY.h"
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

class GraphBuilders2DTest : public TreeTest {
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

    // topKind, when given, replaces the kind of the statement's top node
    // (the reader has no <=).
    int32_t Build(const char* text, double plottingMode = 2, double color = 1, int32_t topKind = 0)
    {
        FormulaNode* statement = ReadFormula(text);
        if (!statement)
            return -2;
        if (topKind)
            statement->kind = topKind;
        PrepareTreeForGraphing(&doc, statement);
        int32_t row = set->BuildEquationGraphs(statement, false, false, &doc.transform, color, 0.5, 1, plottingMode,
                                               1, nullptr);
        FreeTree(statement);
        return row;
    }

    // The last graph of the 2D view as a curve.
    AFunctionOf_XorY* LastCurve(int view)
    {
        const auto& graphs = set->views2D[view]->graphs;
        return graphs.count ? dynamic_cast<AFunctionOf_XorY*>(graphs.storage[graphs.count - 1]) : nullptr;
    }

    FakeGraphServices services_;
    DocState doc;
    std::unique_ptr<GraphSet> set;
};

TEST_F(GraphBuilders2DTest, ExplicitFormsBecomeCurvesOfTheParameter)
{
    struct Case {
        const char* statement;
        int32_t view;
        bool isYofX;
        double at;     // u
        double value;  // f(u)
    };
    const Case cases[] = {
        {"y=x^2+1", 0, true, 3, 10},
        {"x=sin(y)", 0, false, M_PI / 2, 1},
        // A primed statement goes to the second view, in unprimed letters.
        {"#11=#10^3", 1, true, 2, 8},
        {"x^2-3", 0, true, 2, 1},
    };
    int32_t rows = 0;
    for (const Case& c : cases) {
        const int32_t row = Build(c.statement, 1);
        ASSERT_EQ(row, rows++) << c.statement;
        AFunctionOf_XorY* curve = LastCurve(c.view);
        ASSERT_NE(curve, nullptr) << c.statement;
        EXPECT_EQ(curve->IsYofX(), c.isYofX) << c.statement;
        EXPECT_EQ(curve->Mode(), IntervalBounds);
        EXPECT_NEAR(curve->Formula()->EvaluateAt(c.at), c.value, 1e-12) << c.statement;
        // The curve is drawn over its own view's columns.
        const ShortRect& r = set->views2D[c.view]->drawMapping.rect;
        EXPECT_EQ(curve->ColumnCount(), c.isYofX ? r.right - r.left : r.bottom - r.top);
        EXPECT_EQ(set->equationGraphs[row].pair[0].view, static_cast<AGraphView*>(set->views2D[c.view]));
    }
}

TEST_F(GraphBuilders2DTest, TheLinesStyleReachesTheCurve)
{
    ASSERT_EQ(Build("y=x", 0, 17), 0);
    AFunctionOf_XorY* curve = LastCurve(0);
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(curve->Mode(), EdgeSamples);
    EXPECT_TRUE(curve->Color()->IsHidden());
}

// The graph of a pair of a row as a relation plot.
A2DInequality* RelationGraph(const GraphSet& set, int32_t row, int pair)
{
    const GraphRef& ref = set.equationGraphs[row].pair[pair];
    return ref.view ? dynamic_cast<A2DInequality*>(ref.view->graphs[ref.graph]) : nullptr;
}

// Relations become plots of the relation with their boundary formula; a
// non-strict inequality is shaded strictly and gets its boundary curve in
// dark grey as the row's third graph.
TEST_F(GraphBuilders2DTest, RelationsBecomeMaskPlots)
{
    struct Case {
        const char* statement;
        bool isEquation;
        bool boundaryCurve;
        double inside[2];  // a point where the region or curve lies
        double outside[2];
    };
    const Case cases[] = {
        {"x^2+y^2<0.25", false, false, {0, 0}, {0.6, 0}},
        {"x^2+y^2=0.25", true, false, {0.5, 0}, {0, 0}},
        {"y<x^2", false, true, {0, -0.5}, {0, 0.5}},
        {"y^2=x^3-x", true, false, {0, 0}, {0.5, 0.5}},
    };
    // The origin at the view's centre, 64 pixels a unit.
    ViewMapping& view = set->views2D[0]->drawMapping;
    view.Set(view.rect, (view.rect.left + view.rect.right) / 2, (view.rect.top + view.rect.bottom) / 2, 64, -64, 1);
    for (const Case& c : cases) {
        const int32_t row = Build(c.statement, 1, 1, c.boundaryCurve ? KindLeq : 0);
        ASSERT_GE(row, 0) << c.statement;
        A2DInequality* plot = RelationGraph(*set, row, 0);
        ASSERT_NE(plot, nullptr) << c.statement;
        EXPECT_EQ(plot->IsEquation(), c.isEquation) << c.statement;
        EXPECT_EQ(plot->Mode(), LightBoundary) << c.statement;
        ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); })) << c.statement;
        const ViewMapping& m = set->views2D[0]->drawMapping;
        for (const double* p : {c.inside, c.outside}) {
            ASSERT_TRUE(m.ContainsWorldPoint(p[0], p[1])) << c.statement << " view " << m.rect.right << "x"
                                                          << m.rect.bottom << " at " << m.scaleX;
        }
        EXPECT_EQ(plot->LevelAt(m.YToPixel(c.inside[1]), m.XToPixel(c.inside[0])) & 1, 1) << c.statement;
        EXPECT_EQ(plot->LevelAt(m.YToPixel(c.outside[1]), m.XToPixel(c.outside[0])), 0) << c.statement;
        A2DInequality* curve = RelationGraph(*set, row, 2);
        EXPECT_EQ(curve != nullptr, c.boundaryCurve) << c.statement;
        if (curve) {
            EXPECT_TRUE(curve->IsEquation());
            ASSERT_TRUE(WaitUntil([&] { return curve->IsComplete(); }));
            // The boundary y = x^2 passes through the origin.
            EXPECT_EQ(curve->LevelAt(m.YToPixel(0), m.XToPixel(0)), 3);
            EXPECT_EQ(curve->LevelAt(m.YToPixel(-0.5), m.XToPixel(0)), 0);
        }
    }
}

TEST_F(GraphBuilders2DTest, ColourEquationsPaintTheViewFromTheirThreeEntries)
{
    int32_t rows = 0;
    for (const char* statement : {"vector(r,g,b)=vector(x,y,0)", "vector(h,s,v)=vector(x,1,1)"}) {
        ASSERT_EQ(Build(statement), rows++) << statement;
        const auto& graphs = set->views2D[0]->graphs;
        ASSERT_GT(graphs.count, 0);
        auto* plot = dynamic_cast<AColorPlot*>(graphs.storage[graphs.count - 1]);
        ASSERT_NE(plot, nullptr) << statement;
        ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
        EXPECT_FALSE(plot->HasResolution());
        // Over x in [a, b]: the first component's range is x's, so the
        // leftmost cells are dark red for (r, g, b) and red for (h, s, v).
        EXPECT_LT(plot->RangeMin(0), 0) << statement;
        const uint32_t left = plot->Image().cells[0];
        EXPECT_EQ(left >> 16, rows == 1 ? 0u : 0xFFu) << statement;
    }
}

}  // namespace
