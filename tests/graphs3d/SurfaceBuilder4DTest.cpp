#include "graphs3d/SurfaceBuilder4D.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/PrepareTreeForGraphing.h"
#include "graphmodel/A4DGraphView.h"
#include "graphs2d/GraphFactory.h"
#include "graphs2d/GraphSet.h"
#include "graphs3d/A4DDrawingView.h"
#include "graphs3d/AGridSurface4D.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

class SurfaceBuilder4D : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        Register4DDrawingView();
        RegisterSurfaceBuilder4D();
        set = std::make_unique<GraphSet>(ShortRect{0, 0, 100, 201}, nullptr, &doc);
    }
    void TearDown() override
    {
        set.reset();
        for (int32_t code = kFirstFormCode; code <= kLastFormCode; ++code)
            SetFormBuilder(code, nullptr);
        SetGraphViewMakers(GraphViewMakers{});
    }

    int32_t Build(const char* text)
    {
        FormulaNode* statement = ReadFormula(text);
        PrepareTreeForGraphing(&doc, statement);
        const int32_t row =
            set->BuildEquationGraphs(statement, false, true, &doc.transform, 1, 0, 1, 0, 1, nullptr);
        FreeTree(statement);
        return row;
    }

    AGridSurface4D* LastSurface()
    {
        const auto& graphs = set->view4D->graphs;
        auto* s = graphs.count ? dynamic_cast<AGridSurface4D*>(graphs.storage[graphs.count - 1]) : nullptr;
        EXPECT_TRUE(s && WaitUntil([&] { return s->IsComplete(); }));
        return s;
    }

    FakeGraphServices services;
    DocState doc;
    std::unique_ptr<GraphSet> set;
};

TEST_F(SurfaceBuilder4D, AParametricSurfaceRunsOverTheUAndVRangesAndMarksItsSlots)
{
    set->view4D->uMax = 2;
    ASSERT_GE(Build("vector(x,y,u,v)=vector(u,v,u*v,u-v)"), 0);
    AGridSurface4D* s = LastSurface();
    ASSERT_TRUE(s);
    const int32_t n = s->GridSize();
    // The last row: u = 2, v = 0 .. 1, in the box [-2, 2].
    const double* p = s->Points() + 4 * ((n - 1) * n + (n - 1));
    EXPECT_DOUBLE_EQ(p[0], 1);
    EXPECT_DOUBLE_EQ(p[1], 0.5);
    EXPECT_DOUBLE_EQ(p[2], 1);
    EXPECT_DOUBLE_EQ(p[3], 0.5);
    for (int32_t slot : {0, 1, 2, 3, 11, 12})
        EXPECT_TRUE(set->rangeUsed[slot]) << slot;
}

TEST_F(SurfaceBuilder4D, AComplexFunctionIsItsRealAndImaginaryPartsOverXAndY)
{
    ASSERT_GE(Build("w=z^2"), 0);
    AGridSurface4D* s = LastSurface();
    ASSERT_TRUE(s);
    const int32_t n = s->GridSize();
    // (x, y) = (2, -2): z^2 = (2 - 2i)^2 = -8i.
    const double* p = s->Points() + 4 * ((n - 1) * n);
    EXPECT_DOUBLE_EQ(p[0], 1);
    EXPECT_DOUBLE_EQ(p[1], -1);
    EXPECT_NEAR(p[2], 0, 1e-12);
    EXPECT_NEAR(p[3], -4, 1e-12);
    EXPECT_FALSE(set->rangeUsed[11]);
}

}  // namespace
