#include "document/DocState.h"
#include "graphmodel/A3DGraphView.h"
#include "graphmodel/A4DGraphView.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/GraphSet.h"
#include "support/FakeGraphServices.h"
#include "support/StubPlot.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class ViewPreparation : public testing::Test {
protected:
    void SetUp() override { set = std::make_unique<GraphSet>(ShortRect{0, 0, 300, 801}, nullptr, &doc); }

    void Prepare(bool is3D, bool is4D, bool twoViews, bool secondIs3D, uint32_t kind = 0)
    {
        TransformRecord record;
        record.kind = kind;
        set->BuildComplexMapViews(is3D, is4D, twoViews, secondIs3D, &record, &doc);
    }

    FakeGraphServices services;
    DocState doc;
    std::unique_ptr<GraphSet> set;
};

TEST_F(ViewPreparation, TheShownViewsFollowTheFlagsAndTheTransform)
{
    struct Case {
        bool is3D, is4D, twoViews, secondIs3D;
        uint32_t kind;
        int active;  // 0, 1 2D; 2, 3 3D; 4 the 4D view
        int second;  // -1 none
    };
    const Case cases[] = {
        {false, false, false, false, 0, 0, -1},
        {false, false, true, false, 0, 0, 1},
        {false, false, true, true, 0, 0, 3},
        {true, false, false, false, 0, 2, -1},
        {false, true, true, true, 0, 4, -1},     // the 4D view is always alone
        {false, false, false, false, 1, 0, 1},   // a map of the plane shows both planes
        {false, false, false, false, 2, 0, 1},
        {true, false, false, false, 4, 2, 3},    // a map of space both spaces
        {false, true, false, false, 4, 4, -1},
        {true, false, false, false, 1, 2, -1},   // a plane map in 3D changes nothing
    };
    AGraphView* views[] = {set->views2D[0], set->views2D[1], set->views3D[0], set->views3D[1], set->view4D};
    int index = 0;
    for (const Case& c : cases) {
        Prepare(c.is3D, c.is4D, c.twoViews, c.secondIs3D, c.kind);
        EXPECT_EQ(set->active, views[c.active]) << "case " << index;
        EXPECT_EQ(set->second, c.second < 0 ? nullptr : views[c.second]) << "case " << index;
        EXPECT_EQ(set->HasSecondView(), c.second >= 0) << "case " << index;
        ++index;
    }
    // Two views share the pane side by side.
    Prepare(false, false, false, false, 1);
    EXPECT_LT(set->views2D[0]->rect.right, set->views2D[1]->rect.left);
}

TEST_F(ViewPreparation, TheTablesAreEmptiedAndTheRangesMadeToAgree)
{
    set->equationGraphs.Push(EquationGraphs{});
    set->complexMapGraphs.Push(3);
    set->rangeUsed[4] = 1;
    // The 4D view active: T, U and V come from it, R, Theta and Phi from the
    // first 3D view.
    set->view4D->tMin = 5;
    set->view4D->tMax = 6;
    set->view4D->uMin = -1;
    set->views3D[0]->rMin = 0.5;
    set->views3D[0]->phiMax = 1;
    set->views2D[0]->tMin = 9;
    Prepare(false, true, false, false);
    EXPECT_EQ(set->equationGraphs.count, 0);
    EXPECT_EQ(set->complexMapGraphs.count, 0);
    EXPECT_EQ(set->rangeUsed[4], 0);
    for (A2DGraphView* view : set->views2D) {
        EXPECT_EQ(view->tMin, 5);
        EXPECT_EQ(view->tMax, 6);
        EXPECT_EQ(view->rMin, 0.5);
    }
    for (A3DGraphView* view : set->views3D) {
        EXPECT_EQ(view->tMin, 5);
        EXPECT_EQ(view->uMin, -1);
        EXPECT_EQ(view->phiMax, 1);
        EXPECT_EQ(view->depthRadius, 1.2);
    }

    // The first 2D view active: T, R and Theta from it; Phi only reaches
    // the second 3D view.
    set->views2D[0]->tMin = 2;
    set->views2D[0]->thetaMax = 3;
    set->views3D[1]->phiMax = 7;
    Prepare(false, false, false, false);
    EXPECT_EQ(set->view4D->tMin, 2);
    EXPECT_EQ(set->views3D[1]->thetaMax, 3);
    EXPECT_EQ(set->views3D[1]->phiMax, 1);
    EXPECT_EQ(set->view4D->uMin, -1);
}

TEST_F(ViewPreparation, GraphsAreNotedForTheTransformPlotOnlyUnderAMapOfThePlane)
{
    for (uint32_t kind : {0u, 1u, 2u, 4u}) {
        TransformRecord record;
        record.kind = kind;
        set->NoteComplexMapGraph(7, &record);
    }
    set->NoteComplexMapGraph(8, nullptr);
    ASSERT_EQ(set->complexMapGraphs.count, 2);
    EXPECT_EQ(set->complexMapGraphs[0], 7);
    // The next run starts without them.
    Prepare(false, false, false, false);
    EXPECT_EQ(set->complexMapGraphs.count, 0);
}

}  // namespace
