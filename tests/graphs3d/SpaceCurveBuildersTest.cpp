#include "graphs3d/SpaceCurveBuilders.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "document/DocumentServices.h"
#include "document/DocumentTask.h"
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/PrepareTreeForGraphing.h"
#include "graphmodel/A3DGraphView.h"
#include "graphmodel/AGraphColor.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/A2DGraph.h"
#include "graphs2d/GraphBuilders2D.h"
#include "graphs2d/GraphFactory.h"
#include "graphs2d/GraphSet.h"
#include "graphs3d/A3DPoint.h"
#include "graphs3d/AData3DPlot.h"
#include "graphs3d/AStartOnPoint.h"
#include "graphs3d/ACurve3D.h"
#include "graphs3d/ASpaceCurve.h"
#include "graphs3d/ASpaceCurve4D.h"
#include "graphs3d/A4DDrawingView.h"
#include "graphs3d/UnitSphere.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>

// The graph sets make their 3D views as drawing views.
void Register3DDrawingViews();

namespace {

// Row r of the test's table column holds r (rows from 1, three rows).
double RowNumber(const DocState*, uint32_t, int32_t row)
{
    return row >= 1 && row <= 3 ? row : NAN;
}

class SpaceCurveBuilders : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        Register3DDrawingViews();
        Register4DDrawingView();
        RegisterGraphBuilders2D();
        RegisterSpaceCurveBuilders();
        // A second registration must not make the plane forms call
        // themselves.
        RegisterSpaceCurveBuilders();
        set = std::make_unique<GraphSet>(ShortRect{0, 0, 100, 201}, nullptr, &doc);
    }
    void TearDown() override
    {
        set.reset();
        for (int32_t code = kFirstFormCode; code <= kLastFormCode; ++code)
            SetFormBuilder(code, nullptr);
        SetGraphViewMakers(GraphViewMakers{});
        for (FormulaNode*& c : doc.transform.components) {
            FreeTree(c);
            c = nullptr;
        }
        doc.transform.kind = 0;
        doc.TableFunctions.Clear();
    }

    // The statement's last graph in the view of the type, complete; null
    // when nothing of the type was built.
    template <typename Graph>
    Graph* Build(const char* text, bool in3D, int32_t view = 0)
    {
        FormulaNode* statement = ReadFormula(text);
        if (!statement)
            return nullptr;
        PrepareTreeForGraphing(&doc, statement);
        lastRow = set->BuildEquationGraphs(statement, in3D, false, &doc.transform, 1, 0.5, 1, 0, 1, nullptr);
        FreeTree(statement);
        const auto& graphs = in3D ? set->views3D[view]->graphs : set->views2D[view]->graphs;
        if (lastRow < 0 || !graphs.count)
            return nullptr;
        auto* graph = dynamic_cast<Graph*>(graphs.storage[graphs.count - 1]);
        EXPECT_TRUE(graph && WaitUntil([&] { return graph->IsComplete(); })) << text;
        return graph;
    }

    // The statement's last graph in the 4D view, complete.
    ASpaceCurve4D* Build4D(const char* text)
    {
        FormulaNode* statement = ReadFormula(text);
        if (!statement)
            return nullptr;
        PrepareTreeForGraphing(&doc, statement);
        lastRow = set->BuildEquationGraphs(statement, false, true, &doc.transform, 1, 0.5, 1, 0, 1, nullptr);
        FreeTree(statement);
        const auto& graphs = set->view4D->graphs;
        if (lastRow < 0 || !graphs.count)
            return nullptr;
        auto* curve = dynamic_cast<ASpaceCurve4D*>(graphs.storage[graphs.count - 1]);
        EXPECT_TRUE(curve && WaitUntil([&] { return curve->IsComplete(); })) << text;
        return curve;
    }

    std::set<int32_t> SlotsUsed() const
    {
        std::set<int32_t> slots;
        for (int32_t s = 0; s < kRangeSlotCount; ++s) {
            if (set->rangeUsed[s])
                slots.insert(s);
        }
        return slots;
    }

    void ClearSlots()
    {
        for (uint8_t& used : set->rangeUsed)
            used = 0;
    }

    static Vec3 Centre(const A3DPoint& p)
    {
        Vec3 c{0, 0, 0};
        for (int32_t i = 0; i < kUnitSphereVertices; ++i) {
            c.x += p.Positions()[3 * i] / kUnitSphereVertices;
            c.y += p.Positions()[3 * i + 1] / kUnitSphereVertices;
            c.z += p.Positions()[3 * i + 2] / kUnitSphereVertices;
        }
        return c;
    }

    FakeGraphServices services;
    DocState doc;
    std::unique_ptr<GraphSet> set;
    int32_t lastRow = -1;
};

// Each curve form samples its closed form at both ends of its range and
// marks the slots of its parameter and its view's box.
TEST_F(SpaceCurveBuilders, CurveFormsFollowTheirClosedForms)
{
    const double c1 = std::cos(1.0), s1 = std::sin(1.0);
    const struct {
        const char* statement;
        double first[3], last[3];
        std::set<int32_t> slots;
    } cases[] = {
        {"vector(x,y,z)=vector(cos(t),sin(t),t)", {1, 0, 0}, {c1, s1, 1}, {0, 1, 2, 10}},
        {"vector(cos(t),sin(t),t)", {1, 0, 0}, {c1, s1, 1}, {0, 1, 2, 10}},
        {"vector(r,theta,#2)=vector(2,t,pi/2)", {2, 0, 0}, {2 * c1, 2 * s1, 0}, {0, 1, 2, 10}},
        {"vector(r,theta,z)=vector(1,t,t)", {1, 0, 0}, {c1, s1, 1}, {0, 1, 2, 10}},
        // Over the z range of the box, [-2, 2].
        {"x+i*y=e^(i*z)", {std::cos(-2.0), std::sin(-2.0), -2}, {std::cos(2.0), std::sin(2.0), 2}, {0, 1, 2}},
        // Plane curves lie in z = 0 in a 3D view.
        {"vector(x,y)=vector(t,t^2)", {0, 0, 0}, {1, 1, 0}, {0, 1, 2, 10}},
        {"z=t+i*t^2", {0, 0, 0}, {1, 1, 0}, {0, 1, 2, 10}},
        {"vector(r,theta)=vector(1,t)", {1, 0, 0}, {c1, s1, 0}, {0, 1, 2, 10}},
    };
    for (const auto& c : cases) {
        ClearSlots();
        auto* curve = Build<ASpaceCurve>(c.statement, true);
        ASSERT_NE(curve, nullptr) << c.statement;
        EXPECT_EQ(SlotsUsed(), c.slots) << c.statement;
        const float* p = curve->Points();
        const float* q = p + 3 * (curve->SampleCount() - 1);
        for (int32_t a = 0; a < 3; ++a) {
            EXPECT_NEAR(p[a], c.first[a], 1e-6) << c.statement << " axis " << a;
            EXPECT_NEAR(q[a], c.last[a], 1e-6) << c.statement << " axis " << a;
        }
    }
}

// A primed helix goes to the second 3D view and marks its box; a radius
// makes a tube; the plane forms still make plane curves in a 2D view.
TEST_F(SpaceCurveBuilders, ViewsRadiusAndTwoDimensionalForms)
{
    auto* primed = Build<ASpaceCurve>("vector(x',y',z')=vector(cos(t),sin(t),t)", true, 1);
    ASSERT_NE(primed, nullptr);
    EXPECT_EQ(SlotsUsed(), (std::set<int32_t>{4, 5, 6, 10}));
    EXPECT_EQ(set->views3D[0]->graphs.count, 0);

    auto* tube = Build<ASpaceCurve>("vector(x,y,z)=vector(cos(t),sin(t),t),'radius'=0.1*t", true);
    ASSERT_NE(tube, nullptr);
    ASSERT_TRUE(tube->Curve()->IsTube());
    EXPECT_NEAR(tube->Radii()[tube->SampleCount() - 1], 0.1, 1e-12);

    for (const char* plane : {"vector(x,y)=vector(t,t^2)", "vector(t,1-t)", "vector(r,theta)=vector(1,t)"}) {
        const int32_t before = set->views2D[0]->graphs.count;
        EXPECT_NE(Build<A2DGraph>(plane, false), nullptr) << plane;
        EXPECT_EQ(set->views2D[0]->graphs.count, before + 1) << plane;
    }
}

// Points in the three coordinate systems, drawn around their place.
TEST_F(SpaceCurveBuilders, PointForms)
{
    const struct {
        const char* statement;
        double x, y, z;
    } cases[] = {
        {"vector(1,2,3)", 1, 2, 3},
        {"vector(x,y,z)=vector(1,-2,0.5)", 1, -2, 0.5},
        {"vector(r,theta,z)=vector(2,pi/2,1)", 0, 2, 1},
        {"vector(r,theta,#2)=vector(2,0,pi/2)", 2, 0, 0},
    };
    for (const auto& c : cases) {
        ClearSlots();
        auto* point = Build<A3DPoint>(c.statement, true);
        ASSERT_NE(point, nullptr) << c.statement;
        ASSERT_TRUE(point->IsDefined()) << c.statement;
        const Vec3 centre = Centre(*point);
        EXPECT_NEAR(centre.x, c.x, 1e-5) << c.statement;
        EXPECT_NEAR(centre.y, c.y, 1e-5) << c.statement;
        EXPECT_NEAR(centre.z, c.z, 1e-5) << c.statement;
        EXPECT_EQ(SlotsUsed(), (std::set<int32_t>{0, 1, 2})) << c.statement;
    }
}

// Under a map of space a point gets its image in the second view, with its
// own colour, in the same equation row.
TEST_F(SpaceCurveBuilders, MappedPointInTheSecondView)
{
    doc.transform.kind = 4;
    doc.transform.components[0] = ReadFormula("2*x'");
    doc.transform.components[1] = ReadFormula("y'");
    doc.transform.components[2] = ReadFormula("z'+1");
    ASSERT_NE(Build<A3DPoint>("vector(1,2,3)", true), nullptr);
    const auto& second = set->views3D[1]->graphs;
    ASSERT_EQ(second.count, 1);
    auto* image = dynamic_cast<A3DPoint*>(second.storage[0]);
    ASSERT_NE(image, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return image->IsComplete(); }));
    const Vec3 centre = Centre(*image);
    EXPECT_NEAR(centre.x, 2, 1e-5);
    EXPECT_NEAR(centre.y, 2, 1e-5);
    EXPECT_NEAR(centre.z, 4, 1e-5);
    ASSERT_GE(lastRow, 0);
    EXPECT_EQ(set->equationGraphs[lastRow].pair[1].view, set->views3D[1]);
    EXPECT_EQ(SlotsUsed(), (std::set<int32_t>{0, 1, 2, 4, 5, 6}));
}

// A helix under a map of space: its image in the second view is the map of
// each of its points, over the same T range.
TEST_F(SpaceCurveBuilders, MappedSpaceCurveInTheSecondView)
{
    doc.transform.kind = 4;
    doc.transform.components[0] = ReadFormula("2*x'");
    doc.transform.components[1] = ReadFormula("y'");
    doc.transform.components[2] = ReadFormula("z'+1");
    ASSERT_NE(Build<ASpaceCurve>("vector(x,y,z)=vector(cos(t),sin(t),t)", true), nullptr);
    const auto& second = set->views3D[1]->graphs;
    ASSERT_EQ(second.count, 1);
    auto* image = dynamic_cast<ASpaceCurve*>(second.storage[0]);
    ASSERT_NE(image, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return image->IsComplete(); }));
    const float* p = image->Points();
    const float* q = p + 3 * (image->SampleCount() - 1);
    const double expectFirst[3] = {2, 0, 1}, expectLast[3] = {2 * std::cos(1.0), std::sin(1.0), 2};
    for (int32_t a = 0; a < 3; ++a) {
        EXPECT_NEAR(p[a], expectFirst[a], 1e-6) << a;
        EXPECT_NEAR(q[a], expectLast[a], 1e-6) << a;
    }
    ASSERT_GE(lastRow, 0);
    EXPECT_EQ(set->equationGraphs[lastRow].pair[1].view, set->views3D[1]);
}

// A data line under a map of space: the plot in the first view and its
// image in the second, each with its own compiled options.
TEST_F(SpaceCurveBuilders, MappedDataKeepsItsOptionsInBothViews)
{
    RegisterDocumentServices();
    auto saved = GetDocumentHooks().tableValue;
    GetDocumentHooks().tableValue = &RowNumber;
    doc.TableFunctions.Push({InternSymbolName8("col"), 0, 0, 3, 0});
    doc.transform.kind = 4;
    doc.transform.components[0] = ReadFormula("x'");
    doc.transform.components[1] = ReadFormula("y'");
    doc.transform.components[2] = ReadFormula("~1*z'");
    auto* plot = Build<AData3DPlot>("vector(x,y,z)=vector('col',2*'col',3*'col'),'fontsize'=2*'col'", true);
    ASSERT_NE(plot, nullptr);
    ASSERT_EQ(plot->PointCount(), 3);
    EXPECT_EQ(plot->Points()[3 * 2 + 2], 9.f);
    ASSERT_EQ(set->views3D[1]->graphs.count, 1);
    auto* image = dynamic_cast<AData3DPlot*>(set->views3D[1]->graphs.storage[0]);
    ASSERT_NE(image, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return image->IsComplete(); }));
    ASSERT_EQ(image->PointCount(), 3);
    EXPECT_EQ(image->Points()[3 * 2 + 2], -9.f);
    ASSERT_NE(plot->Sizes(), nullptr);
    ASSERT_NE(image->Sizes(), nullptr);
    EXPECT_NE(plot->Sizes(), image->Sizes());
    EXPECT_EQ(image->Sizes()[2], 6.f);
    EXPECT_EQ(SlotsUsed(), (std::set<int32_t>{0, 1, 2, 4, 5, 6}));
    set.reset();
    GetDocumentHooks().tableValue = saved;
}

// The 4D curve runs over the 4D view's T range; in its condition u and v
// are the third and fourth coordinates. A list of 4D points keeps its
// items.
TEST_F(SpaceCurveBuilders, FourDimensionalCurvesAndPointLists)
{
    auto* curve = Build4D("vector(x,y,u,v)=vector(t,0,2*t,~1),v<0,u>1");
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(SlotsUsed(), (std::set<int32_t>{0, 1, 2, 3, 10}));
    ASSERT_EQ(curve->PointCount(), 600);
    for (int32_t i = 0; i < 600; i += 50) {
        const double t = i / 599.0;
        EXPECT_EQ(curve->Defined()[i] != 0, 2 * t > 1) << i;
        if (curve->Defined()[i]) {
            EXPECT_NEAR(curve->NormalizedPoints()[4 * i + 2], t, 1e-12) << i;
        }
    }

    ClearSlots();
    auto* points = Build4D("(vector(0,0,0,0),vector(1,1,1,1),vector(2,0,0,2))");
    ASSERT_NE(points, nullptr);
    EXPECT_EQ(points->PointCount(), 3);
    EXPECT_FALSE(points->HasResolution());
    EXPECT_EQ(SlotsUsed(), (std::set<int32_t>{0, 1, 2, 3}));
}

// An arrow from (0,0,0) to (1,1,1) under a map F of space: its image in
// the second view starts at F(0,0,0).
TEST_F(SpaceCurveBuilders, ArrowAndItsImage)
{
    doc.transform.kind = 4;
    doc.transform.components[0] = ReadFormula("2*x'");
    doc.transform.components[1] = ReadFormula("y'+1");
    doc.transform.components[2] = ReadFormula("z'");
    auto* arrow = Build<AStartOnPoint>("vector(0,0,0),vector(1,1,1)", true);
    ASSERT_NE(arrow, nullptr);
    ASSERT_EQ(set->views3D[1]->graphs.count, 1);
    auto* image = dynamic_cast<AStartOnPoint*>(set->views3D[1]->graphs.storage[0]);
    ASSERT_NE(image, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return image->PointsReady() && arrow->PointsReady(); }));
    ASSERT_EQ(image->StartPoints().count, 1);
    const SpacePoint* start = image->StartPoints().At(0);
    EXPECT_EQ(start->x, 0);
    EXPECT_EQ(start->y, 1);
    EXPECT_EQ(start->z, 0);
    EXPECT_EQ(SlotsUsed(), (std::set<int32_t>{0, 1, 2, 4, 5, 6}));
}

}  // namespace
