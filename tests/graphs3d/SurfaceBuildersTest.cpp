#include "graphs3d/SurfaceBuilders.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/PrepareTreeForGraphing.h"
#include "graphmodel/A3DGraphView.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/AContourPlot.h"
#include "graphs2d/ADensityPlot.h"
#include "graphs2d/GraphFactory.h"
#include "graphs2d/GraphSet.h"
#include "graphs3d/AGridSurface.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/TreeFixture.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

// The graph sets make their 3D views as drawing views (declared with the
// drawing view, whose drag modes clash with the 2D view's).
void Register3DDrawingViews();

namespace {

class SurfaceBuilders : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        Register3DDrawingViews();
        RegisterSurfaceBuilders();
        set = std::make_unique<GraphSet>(ShortRect{0, 0, 100, 201}, nullptr, &doc);
    }
    void TearDown() override
    {
        set.reset();
        for (int32_t code = kFirstFormCode; code <= kLastFormCode; ++code)
            SetFormBuilder(code, nullptr);
    }

    // The value of a tree in u and v.
    double Value(FormulaNode* tree, double u, double v)
    {
        CompiledFormula f(tree, &doc);
        CompileFormula(&f);
        return f.EvaluateAtUVXYZW(u, v, 0, 0, 0, 0);
    }

    int32_t Build(const char* text, bool in3D, double xyType = 1)
    {
        FormulaNode* statement = ReadFormula(text);
        PrepareTreeForGraphing(&doc, statement);
        const int32_t row = set->BuildEquationGraphs(statement, in3D, false, &doc.transform, 1, 0, 1, 0, xyType,
                                                     nullptr);
        FreeTree(statement);
        return row;
    }

    AGridSurface* LastSurface()
    {
        const auto& graphs = set->views3D[0]->graphs;
        auto* s = graphs.count ? dynamic_cast<AGridSurface*>(graphs.storage[graphs.count - 1]) : nullptr;
        EXPECT_TRUE(s && WaitUntil([&] { return s->IsComplete(); }));
        return s;
    }

    FakeGraphServices services;
    DocState doc;
    std::unique_ptr<GraphSet> set;
};

TEST_F(SurfaceBuilders, ExplicitFormsFollowTheirParametrisation)
{
    // f = a + 2 b in the form's two variables; at (u, v) = (0.3, 0.7) it is
    // 1.7 once they are renamed.
    const double u = 0.3, v = 0.7, f = 1.7;
    const struct {
        int32_t code;
        const char* rightSide;
        double x, y, z;
    } cases[] = {
        {5, "x+2*y", u, v, f},
        {6, "y+2*z", f, u, v},
        {7, "x+2*z", u, f, v},
        {8, "theta+2*#2", f * std::sin(v) * std::cos(u), f * std::sin(v) * std::sin(u), f * std::cos(v)},
        {9, "r+2*#2", u * std::sin(v) * std::cos(f), u * std::sin(v) * std::sin(f), u * std::cos(v)},
        {10, "r+2*theta", u * std::sin(f) * std::cos(v), u * std::sin(f) * std::sin(v), u * std::cos(f)},
        {11, "theta+2*z", f * std::cos(u), f * std::sin(u), v},
        {12, "r+2*theta", u * std::cos(v), u * std::sin(v), f},
        {13, "x+2*y", u, v, f},
        {14, "z+2*r", v * std::cos(f), v * std::sin(f), u},
    };
    for (const auto& c : cases) {
        FormulaNode* right = ReadFormula(c.rightSide);
        FormulaNode* g = ExplicitSurfaceParameterised(c.code, right);
        FreeTree(right);
        FormulaNode *x = nullptr, *y = nullptr, *z = nullptr;
        ASSERT_TRUE(ExplicitSurfaceCoordinates(c.code, g, &x, &y, &z)) << c.code;
        FreeTree(g);
        EXPECT_NEAR(Value(x, u, v), c.x, 1e-12) << c.code;
        EXPECT_NEAR(Value(y, u, v), c.y, 1e-12) << c.code;
        EXPECT_NEAR(Value(z, u, v), c.z, 1e-12) << c.code;
    }
}

TEST_F(SurfaceBuilders, SurfacesMarkTheirRangeSlots)
{
    ASSERT_GE(Build("z=x*y", true), 0);
    AGridSurface* s = LastSurface();
    ASSERT_TRUE(s);
    EXPECT_GT(s->TriangleCount(), 0);
    const uint8_t boxOnly[kRangeSlotCount] = {1, 1, 1};
    for (int32_t slot = 0; slot < kRangeSlotCount; ++slot)
        EXPECT_EQ(set->rangeUsed[slot], boxOnly[slot]) << slot;
    // The positions span the view's x and y ranges.
    EXPECT_FLOAT_EQ(s->Positions()[0], -2);
    EXPECT_FLOAT_EQ(s->Positions()[1], -2);
}

TEST_F(SurfaceBuilders, ExpressionInROnlyIsACone)
{
    ASSERT_GE(Build("r", true), 0);
    AGridSurface* cone = LastSurface();
    ASSERT_TRUE(cone);
    for (int32_t g = 0; g < cone->GridSize() * cone->GridSize(); g += 7) {
        const float* p = cone->Positions() + 3 * g;
        EXPECT_NEAR(p[2], std::hypot(p[0], p[1]), 1e-5) << g;
    }
    EXPECT_TRUE(set->rangeUsed[7] && set->rangeUsed[8]);

    ASSERT_GE(Build("x+r", true), 0);
    AGridSurface* plane = LastSurface();
    ASSERT_TRUE(plane);
    EXPECT_FLOAT_EQ(plane->Positions()[0], -2);
    EXPECT_FLOAT_EQ(plane->Positions()[1], -2);
}

TEST_F(SurfaceBuilders, FlatFormsFollowTheXYType)
{
    ASSERT_GE(Build("z=x^2+y^2", false, 2), 0);
    auto& flat = set->views2D[0]->graphs;
    ASSERT_EQ(flat.count, 1);
    EXPECT_TRUE(dynamic_cast<ADensityPlot*>(flat.storage[0]));
    ASSERT_GE(Build("z=x^2+y^2", false, 3), 0);
    ASSERT_EQ(flat.count, 2);
    EXPECT_TRUE(dynamic_cast<AContourPlot*>(flat.storage[1]));
    EXPECT_LT(Build("z=x^2+y^2", false, 4), 0);
    EXPECT_EQ(flat.count, 2);
    EXPECT_EQ(set->views3D[0]->graphs.count, 0);
}

TEST_F(SurfaceBuilders, ParametricSphereUsesTheUAndVRanges)
{
    ASSERT_GE(Build("vector(x,y,z)=vector(cos(u)*sin(v),sin(u)*sin(v),cos(v))", true), 0);
    AGridSurface* s = LastSurface();
    ASSERT_TRUE(s);
    EXPECT_TRUE(set->rangeUsed[11] && set->rangeUsed[12]);
    // u and v run over [0, 1]: the last point is at (cos 1 sin 1, ...).
    const float* last = s->Positions() + 3 * (s->GridSize() * s->GridSize() - 1);
    EXPECT_NEAR(last[0], std::cos(1) * std::sin(1), 1e-6);
    EXPECT_NEAR(last[2], std::cos(1), 1e-6);
}

}  // namespace
