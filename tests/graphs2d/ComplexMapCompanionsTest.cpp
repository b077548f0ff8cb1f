// Graphs of the first view and their images under the document's map of
// the plane in the second view, and the map's own plot.
#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DataTable.h"
#include "document/DocLine.h"
#include "document/DocState.h"
#include "document/DocumentReader.h"
#include "document/DocumentTask.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/PrepareTreeForGraphing.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/A2DInequality.h"
#include "graphs2d/AColorPlot.h"
#include "graphs2d/AData2DPlot.h"
#include "graphs2d/AParametricCurve.h"
#include "graphs2d/APointPlot.h"
#include "graphs2d/ATextureMapPlot.h"
#include "graphs2d/ATransformPlot.h"
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
#include <string>

namespace {

// x' and y' as the reader writes them.
#define XP "#10"
#define YP "#11"

class ComplexMapCompanions : public TreeTest {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        TreeTest::SetUp();
        RegisterGraphBuilders2D();
        // Two views of about 290 by 280 pixels, world 0 in their middles.
        set = std::make_unique<GraphSet>(ShortRect{0, 0, 300, 600}, nullptr, &doc);
    }
    void TearDown() override
    {
        set.reset();
        doc.ClearTransformRecord();
        for (int32_t code = kFirstFormCode; code <= kLastFormCode; ++code)
            SetFormBuilder(code, nullptr);
        TreeTest::TearDown();
    }

    // The plane given in primed letters: (x, y) = (x'^2 - y'^2, 2 x' y').
    void PullBackBySquare()
    {
        doc.transform.kind = 1;
        doc.transform.components[0] = ReadFormula(XP "^2-" YP "^2");
        doc.transform.components[1] = ReadFormula("2*" XP "*" YP);
        Prepare();
    }
    // z' = z^2: the real and imaginary parts of (x + i y)^2.
    void PushForwardBySquare()
    {
        doc.transform.kind = 2;
        FormulaNode* square = ReadFormula("(x+i*y)^2");
        doc.transform.components[0] = MakeRealPart(CopyTree(square));
        doc.transform.components[1] = MakeImagPart(square);
        Prepare();
    }
    // A new run: the graphs of the last one go.
    void Prepare()
    {
        set->ClearAllGraphs();
        set->BuildComplexMapViews(false, false, false, false, &doc.transform, &doc);
    }

    int32_t Build(const char* text, double color = 1)
    {
        FormulaNode* statement = ReadFormula(text);
        if (!statement)
            return -2;
        PrepareTreeForGraphing(&doc, statement);
        const int32_t row =
            set->BuildEquationGraphs(statement, false, false, &doc.transform, color, 0.5, 1, 2, 1, nullptr);
        FreeTree(statement);
        return row;
    }

    template <typename T>
    T* Pair(int32_t row, int pair)
    {
        const GraphRef& ref = set->equationGraphs[row].pair[pair];
        return ref.view ? dynamic_cast<T*>(ref.view->graphs[ref.graph]) : nullptr;
    }

    FakeGraphServices services_;
    DocState doc;
    std::unique_ptr<GraphSet> set;
};

TEST_F(ComplexMapCompanions, TheMapsPlotGoesIntoTheSecondView)
{
    PullBackBySquare();
    ASSERT_EQ(set->second, static_cast<AGraphView*>(set->views2D[1]));
    ASSERT_EQ(set->equationGraphs.count, 1);
    EXPECT_NE(Pair<ATransformPlot>(0, 0), nullptr);
    EXPECT_EQ(set->equationGraphs[0].pair[0].view, static_cast<AGraphView*>(set->views2D[1]));

    doc.ClearTransformRecord();
    PushForwardBySquare();
    ASSERT_EQ(set->equationGraphs.count, 1);
    EXPECT_NE(Pair<ATextureMapPlot>(0, 0), nullptr);
}

// y = 1 pulled back through (x'^2 - y'^2, 2 x' y') is the hyperbola 2 x y = 1.
TEST_F(ComplexMapCompanions, AnExplicitCurveIsPulledBackAsAnImplicitCurve)
{
    PullBackBySquare();
    const int32_t row = Build("y=1");
    ASSERT_EQ(row, 1);
    auto* companion = Pair<A2DInequality>(row, 1);
    ASSERT_NE(companion, nullptr);
    EXPECT_EQ(set->equationGraphs[row].pair[1].view, static_cast<AGraphView*>(set->views2D[1]));
    EXPECT_TRUE(companion->IsEquation());
    ASSERT_TRUE(WaitUntil([&] { return companion->IsComplete(); }));
    for (double x : {0.7, 1.0, 1.6})
        EXPECT_TRUE(companion->HitTest(x, 1 / (2 * x))) << x;
    EXPECT_FALSE(companion->HitTest(1, 1));
    EXPECT_FALSE(companion->HitTest(1, -0.5));
    // The curve is drawn through its companion, not through the map's plot.
    EXPECT_EQ(set->complexMapGraphs.count, 0);
}

TEST_F(ComplexMapCompanions, RelationsAndTheirBoundariesArePulledBack)
{
    PullBackBySquare();
    // y <= 0 pulls back to x y <= 0, its boundary to the two axes.
    FormulaNode* statement = ReadFormula("y<0");
    statement->kind = KindLeq;
    PrepareTreeForGraphing(&doc, statement);
    const int32_t row = set->BuildEquationGraphs(statement, false, false, &doc.transform, 1, 0.5, 1, 2, 1, nullptr);
    FreeTree(statement);
    ASSERT_GE(row, 0);
    auto* region = Pair<A2DInequality>(row, 1);
    auto* boundary = Pair<A2DInequality>(row, 3);
    ASSERT_NE(region, nullptr);
    ASSERT_NE(boundary, nullptr);
    EXPECT_FALSE(region->IsEquation());
    EXPECT_TRUE(boundary->IsEquation());
    ASSERT_TRUE(WaitUntil([&] { return boundary->IsComplete(); }));
    EXPECT_TRUE(boundary->HitTest(0, 1));
    EXPECT_TRUE(boundary->HitTest(1, 0));
    EXPECT_FALSE(boundary->HitTest(1, 1));
}

// Under z' = z^2 a curve given by its points is pushed through the map: the
// unit circle is run round twice as fast.
TEST_F(ComplexMapCompanions, AParametricCurveIsPushedThroughTheMap)
{
    PushForwardBySquare();
    const int32_t row = Build("vector(x,y)=vector(cos(t),sin(t))");
    ASSERT_GE(row, 0);
    auto* curve = Pair<AParametricCurve>(row, 1);
    ASSERT_NE(curve, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return curve->IsComplete(); }));
    ASSERT_GT(curve->SampleCount(), 2);
    const A2DGraphView* first = set->views2D[0];
    const WorldPoint* samples = curve->Samples();
    const WorldPoint& last = samples[curve->SampleCount() - 1];
    EXPECT_NEAR(samples[0].x, 1, 1e-12);
    EXPECT_NEAR(samples[0].y, 0, 1e-12);
    // Over the first view's T range.
    EXPECT_NEAR(last.x, std::cos(2 * first->tMax), 1e-9);
    EXPECT_NEAR(last.y, std::sin(2 * first->tMax), 1e-9);
}

TEST_F(ComplexMapCompanions, EachKindCarriesOnlyWhatItCan)
{
    PushForwardBySquare();
    // An explicit curve cannot be pushed forward: the map's plot redraws it.
    int32_t row = Build("y=x");
    ASSERT_EQ(row, 1);
    EXPECT_EQ(set->equationGraphs[row].pair[1].view, nullptr);
    ASSERT_EQ(set->complexMapGraphs.count, 1);
    EXPECT_EQ(set->complexMapGraphs[0], set->views2D[0]->graphs.count - 1);
    // A point and an arrow are.
    row = Build("vector(1,1)");
    auto* point = Pair<APointPlot>(row, 1);
    ASSERT_NE(point, nullptr);
    row = Build("vector(0,1),vector(1,1)");
    EXPECT_NE(Pair<AnArrowPlot>(row, 1), nullptr);

    doc.ClearTransformRecord();
    PullBackBySquare();
    // A parametric curve cannot be pulled back.
    row = Build("vector(x,y)=vector(t,t)");
    EXPECT_EQ(set->equationGraphs[row].pair[1].view, nullptr);
    EXPECT_EQ(set->complexMapGraphs.count, 1);
    // A colour plot is.
    row = Build("vector(r,g,b)=vector(x,y,0)");
    EXPECT_NE(Pair<AColorPlot>(row, 1), nullptr);
}

// Under z' = z^2 each row goes through the map, and a condition on x still
// tests the row: row 1 is (1, 1), whose image (0, 2) has x = 0.
TEST_F(ComplexMapCompanions, DataRowsArePushedThroughTheMapAndTheirConditionStillTestsTheRow)
{
    RegisterDataTableHooks();
    std::string text = "Vellumor 4;\rWindow 0 0 0 0;\rTable\r\tX\t1\t2\t-1\r\tY\t1\t0\t1\rEndOfTable;\r";
    ASSERT_TRUE(ReadDocumentText(&doc, text.data(), text.size()));
    for (DataTableColumn* column : doc.Lines[0].table->columns)
        column->ParseValues();
    doc.ClassifyAllTableColumns();
    doc.RebuildTableFunctions();
    PushForwardBySquare();
    const int32_t row = Build("vector(x,y)=vector(X,Y),x>0");
    ASSERT_GE(row, 0);
    auto* data = Pair<AData2DPlot>(row, 1);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(set->equationGraphs[row].pair[1].view, static_cast<AGraphView*>(set->views2D[1]));
    ASSERT_TRUE(WaitUntil([&] { return data->IsComplete(); }));
    ASSERT_EQ(data->RowCount(), 3);
    EXPECT_EQ(data->X(0), 0);
    EXPECT_EQ(data->Y(0), 2);
    EXPECT_EQ(data->X(1), 4);
    EXPECT_EQ(data->Y(1), 0);
    EXPECT_TRUE(std::isnan(data->X(2)));
    set->ClearAllGraphs();
    doc.FreeLines();
    doc.TableFunctions.Clear();
}

TEST_F(ComplexMapCompanions, APrimedStatementGetsNoCompanion)
{
    for (bool pullBack : {true, false}) {
        doc.ClearTransformRecord();
        pullBack ? PullBackBySquare() : PushForwardBySquare();
        const int32_t row = Build(YP "=" XP "^3");
        ASSERT_EQ(row, 1);
        EXPECT_EQ(set->equationGraphs[row].pair[0].view, static_cast<AGraphView*>(set->views2D[1]));
        EXPECT_EQ(set->equationGraphs[row].pair[1].view, nullptr);
        EXPECT_EQ(set->complexMapGraphs.count, 0);
    }
}

TEST_F(ComplexMapCompanions, WithoutAMapNothingIsAdded)
{
    const int32_t row = Build("y=1");
    ASSERT_EQ(row, 0);
    EXPECT_EQ(set->equationGraphs[row].pair[1].view, nullptr);
    EXPECT_EQ(set->views2D[1]->graphs.count, 0);
}

}  // namespace
