#include "graphs3d/ImplicitSurfaceBuilder.h"

#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/PrepareTreeForGraphing.h"
#include "graphmodel/A3DGraphView.h"
#include "graphs2d/GraphFactory.h"
#include "graphs2d/GraphSet.h"
#include "graphs3d/AnImplicitSurface.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/TreeFixture.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

class ImplicitSurfaceBuilderTest : public TreeTest {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        TreeTest::SetUp();
        RegisterImplicitSurfaceBuilder();
        set = std::make_unique<GraphSet>(ShortRect{0, 0, 100, 201}, nullptr, &doc);
    }
    void TearDown() override
    {
        set.reset();
        SetFormBuilder(30, nullptr);
        TreeTest::TearDown();
    }

    // The statement built in 3D; the surface it made in the first 3D view.
    AnImplicitSurface* Build(const char* text)
    {
        FormulaNode* statement = ReadFormula(text);
        PrepareTreeForGraphing(&doc, statement);
        set->BuildEquationGraphs(statement, true, false, &doc.transform, 1, 0.5, 1, 0, 1, nullptr);
        FreeTree(statement);
        A3DGraphView* view = set->views3D[0];
        return view->graphs.count == 1 ? dynamic_cast<AnImplicitSurface*>(view->graphs[0]) : nullptr;
    }

    FakeGraphServices services_;
    DocState doc;
    std::unique_ptr<GraphSet> set;
};

// F is the left side minus the right, over the view's box; a condition
// after the comma keeps only the vertices where it holds.
TEST_F(ImplicitSurfaceBuilderTest, EquationInXYZBecomesTheSurfaceOfTheDifference)
{
    const struct {
        const char* text;
        bool upperHalfOnly;
    } cases[] = {{"x^2+y^2+z^2=1.5^2", false}, {"x^2+y^2=1.5^2-z^2,z>0", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        AnImplicitSurface* surface = Build(c.text);
        ASSERT_NE(surface, nullptr);
        EXPECT_EQ(surface->CellCount(), 22);
        ASSERT_TRUE(WaitUntil([&] { return surface->IsComplete(); }));
        ASSERT_GT(surface->CountPublishedTriangles(), 100);
        float lowest = 10;
        for (int32_t p = 0; p < surface->PartCount(); ++p) {
            const MeshVertexArray& v = surface->PublishedVertices(p);
            for (int32_t i = 0; i < v.count; ++i) {
                const float* q = v.At(i)->position;
                EXPECT_NEAR(std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2]), 1.5, 0.03);
                lowest = std::min(lowest, q[2]);
            }
        }
        EXPECT_EQ(lowest > -0.2f, c.upperHalfOnly) << lowest;
        set->ClearAllGraphs();
    }
}

}  // namespace
