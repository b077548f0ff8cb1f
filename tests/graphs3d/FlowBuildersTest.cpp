#include "graphs3d/FlowBuilders.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/PrepareTreeForGraphing.h"
#include "graphmodel/A3DGraphView.h"
#include "graphs2d/GraphFactory.h"
#include "graphs2d/GraphSet.h"
#include "graphs3d/A3DVectorField.h"
#include "graphs3d/ADEPlot3D.h"
#include "graphs3d/FlowCurve.h"
#include "graphs3d/AStartOnGrid.h"
#include "graphs3d/AStartOnImplicit.h"
#include "graphs3d/AStartOnLattice.h"
#include "graphs3d/AStartOnPoint.h"
#include "graphs3d/ATransformedDEPlot3D.h"
#include "graphs3d/ATransformedImplicitSurface.h"
#include "graphs3d/ImplicitSurfaceBuilder.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <typeinfo>

void Register3DDrawingViews();

namespace {

class FlowBuilders : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        Register3DDrawingViews();
        RegisterFlowBuilders();
        set = std::make_unique<GraphSet>(ShortRect{0, 0, 100, 201}, nullptr, &doc);
    }
    void TearDown() override
    {
        set.reset();
        for (int32_t code = kFirstFormCode; code <= kLastFormCode; ++code)
            SetFormBuilder(code, nullptr);
    }

    // The start-point set the statement made in the first 3D view, with its
    // points and plot complete.
    AStartPointSet* Build(const char* text)
    {
        FormulaNode* statement = ReadFormula(text);
        PrepareTreeForGraphing(&doc, statement);
        set->BuildEquationGraphs(statement, true, false, &doc.transform, 1, 0, 1, 0, 1, nullptr);
        FreeTree(statement);
        const auto& graphs = set->views3D[0]->graphs;
        auto* start = graphs.count ? dynamic_cast<AStartPointSet*>(graphs.storage[graphs.count - 1]) : nullptr;
        EXPECT_TRUE(start && WaitUntil([&] { return start->IsComplete(); }, 20)) << text;
        return start;
    }

    FakeGraphServices services;
    DocState doc;
    std::unique_ptr<GraphSet> set;
};

// Each form's start-point set and plot, where its points lie, and the range
// slots it marks beside the box (0-2).
TEST_F(FlowBuilders, EachFormStartsFromItsSetAndMarksItsSlots)
{
    const char* flow = "function(optotal(t),vector(x,y,z))=vector(-y,x,0)";
    const char* arrows = "vector(d*x,d*y,d*z)=vector(-y,x,0)";
    auto on = [](double (*f)(const SpacePoint&)) { return f; };
    const struct {
        std::string text;
        const std::type_info& setType;
        bool flows;
        int32_t points;
        double (*residual)(const SpacePoint&);
        std::initializer_list<int32_t> slots;
    } cases[] = {
        {arrows, typeid(AStartOnLattice), false, 64, nullptr, {}},
        {flow, typeid(AStartOnLattice), true, 8, nullptr, {}},
        {std::string(flow) + ",vector(x,y,z)=vector(1,0,0)", typeid(AStartOnPoint), true, 1,
         on([](const SpacePoint& p) { return std::hypot(p.x - 1, p.y, p.z); }), {}},
        {std::string(flow) + ",x^2+y^2+z^2=1", typeid(AStartOnImplicit), true, -1,
         on([](const SpacePoint& p) { return std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z) - 1; }), {}},
        {std::string(arrows) + ",r=1", typeid(AStartOnGrid), false, 25,
         on([](const SpacePoint& p) { return std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z) - 1; }), {8, 9}},
        {std::string(flow) + ",z=x*y", typeid(AStartOnGrid), true, 4,
         on([](const SpacePoint& p) { return p.z - p.x * p.y; }), {}},
        {std::string(flow) + ",vector(r,theta,z)=vector(1,u,v)", typeid(AStartOnGrid), true, 4,
         on([](const SpacePoint& p) { return std::hypot(p.x, p.y) - 1; }), {11, 12}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        set = std::make_unique<GraphSet>(ShortRect{0, 0, 100, 201}, nullptr, &doc);
        AStartPointSet* start = Build(c.text.c_str());
        ASSERT_NE(start, nullptr);
        EXPECT_EQ(typeid(*start), c.setType);
        if (c.flows)
            EXPECT_NE(dynamic_cast<ADEPlot3D*>(start->Plot()), nullptr);
        else
            EXPECT_NE(dynamic_cast<A3DVectorField*>(start->Plot()), nullptr);
        const PointStore& points = start->StartPoints();
        if (c.points >= 0)
            EXPECT_EQ(points.count, c.points);
        else
            EXPECT_GT(points.count, 8);
        for (int32_t i = 0; c.residual && i < points.count; ++i)
            EXPECT_NEAR(c.residual(*points.At(i)), 0, c.setType == typeid(AStartOnImplicit) ? 0.06 : 1e-9);
        for (int32_t slot = 0; slot < kRangeSlotCount; ++slot) {
            const bool used = slot < 3 || std::find(c.slots.begin(), c.slots.end(), slot) != c.slots.end();
            EXPECT_EQ(set->rangeUsed[slot] != 0, used) << slot;
        }
    }
}

// Under a map of space a flow of the first view, and an implicit surface,
// get their images in the second view; arrows have no lines to map.
TEST_F(FlowBuilders, MapOfSpaceGivesFlowsAndImplicitSurfacesACompanion)
{
    RegisterImplicitSurfaceBuilder();
    doc.transform.kind = 4;
    const char* map[3] = {"x*cos(y)", "x*sin(y)", "z"};
    for (int32_t i = 0; i < 3; ++i)
        doc.transform.components[i] = ReadFormula(map[i]);
    const auto& second = set->views3D[1]->graphs;
    Build("function(optotal(t),vector(x,y,z))=vector(0,1,0),vector(x,y,z)=vector(1,0,0)");
    ASSERT_EQ(second.count, 1);
    auto* flow = dynamic_cast<ATransformedDEPlot3D*>(second.storage[0]);
    ASSERT_NE(flow, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return flow->IsComplete(); }));
    ASSERT_EQ(flow->CurveCount(), 1);
    // The line y' = 1 from (1, 0, 0) maps onto the unit circle.
    const FlowCurve* image = flow->CurveAt(0);
    for (int32_t k = 0; k < image->count; ++k)
        EXPECT_NEAR(std::hypot(image->points[3 * k], image->points[3 * k + 1]), 1, 1e-5);
    Build("vector(d*x,d*y,d*z)=vector(-y,x,0)");
    EXPECT_EQ(second.count, 1);
    FormulaNode* sphere = ReadFormula("x^2+y^2+z^2=1");
    PrepareTreeForGraphing(&doc, sphere);
    set->BuildEquationGraphs(sphere, true, false, &doc.transform, 1, 0, 1, 0, 1, nullptr);
    FreeTree(sphere);
    ASSERT_EQ(second.count, 2);
    EXPECT_NE(dynamic_cast<ATransformedImplicitSurface*>(second.storage[1]), nullptr);
}

}  // namespace
