#include "graphs2d/GraphBuilders2D.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/PrepareTreeForGraphing.h"
#include "graphmodel/AGraphColor.h"
#include "graphs2d/A2DGraphView.h"
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

    int32_t Build(const char* text, double plottingMode = 2, double color = 1)
    {
        FormulaNode* statement = ReadFormula(text);
        if (!statement)
            return -2;
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
