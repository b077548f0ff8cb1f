// The document's view switches over a real graph set: graph paper in the 2D
// views, the paper background where a 3D or 4D view is shown, antialiasing,
// a view's reset and the 4D plane spin.
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "graphmodel/A3DGraphView.h"
#include "graphmodel/A4DGraphView.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/GraphSet.h"
#include "support/FakeGraphServices.h"
#include "support/TestApp.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class ViewSwitchesTest : public testing::Test {
protected:
    static void SetUpTestSuite() { TestApp(); }
    void SetUp() override
    {
        saved_ = GetDocumentHooks();
        set_ = new GraphSet(ShortRect{0, 0, 200, 300}, nullptr, &doc_);
        doc_.Graphs = set_;
    }
    void TearDown() override { GetDocumentHooks() = saved_; }

    void Show(AGraphView* active, AGraphView* second)
    {
        set_->active = active;
        set_->second = second;
        set_->LayoutViews();
    }

    FakeGraphServices services_;
    DocumentHooks saved_;
    DocState doc_;
    GraphSet* set_;  // owned by the document
};

TEST_F(ViewSwitchesTest, GraphPaperGoesToA2DSlotAndThePaperBackgroundToA3DOne)
{
    A2DGraphView* first2D = set_->views2D[0];
    A2DGraphView* second2D = set_->views2D[1];
    struct Case {
        const char* layout;
        AGraphView* active;
        AGraphView* second;
        int32_t which;
        uint8_t paper1, paper2, background;  // after the toggle
        bool shown0, shown1, shown2;         // IsGraphPaperShown after it
    };
    const Case cases[] = {
        {"2D alone, slot 0", first2D, nullptr, 0, 0, 1, 1, false, false, false},
        {"2D alone, both", first2D, nullptr, 2, 0, 0, 1, false, false, false},
        {"3D alone", set_->views3D[0], nullptr, 0, 1, 1, 0, false, false, false},
        {"4D alone, both", set_->view4D, nullptr, 2, 1, 1, 0, false, false, false},
        {"two 2D, second", first2D, second2D, 1, 1, 0, 1, true, false, false},
        {"two 2D, both", first2D, second2D, 2, 0, 0, 1, false, false, false},
        {"two 3D, second", set_->views3D[0], set_->views3D[1], 1, 1, 1, 0, false, false, false},
    };
    for (const Case& c : cases) {
        first2D->showGraphPaper = second2D->showGraphPaper = 1;
        doc_.BackgroundType = 1;
        Show(c.active, c.second);
        doc_.ToggleGraphPaper(c.which);
        EXPECT_EQ(first2D->showGraphPaper, c.paper1) << c.layout;
        EXPECT_EQ(second2D->showGraphPaper, c.paper2) << c.layout;
        EXPECT_EQ(doc_.BackgroundType, c.background) << c.layout;
        EXPECT_EQ(doc_.IsGraphPaperShown(0), c.shown0) << c.layout;
        EXPECT_EQ(doc_.IsGraphPaperShown(1), c.shown1) << c.layout;
        EXPECT_EQ(doc_.IsGraphPaperShown(2), c.shown2) << c.layout;
    }
    // Toggled back, the 3D view shows its paper again.
    Show(set_->views3D[0], nullptr);
    doc_.ToggleGraphPaper(0);
    EXPECT_EQ(doc_.BackgroundType, 1);
    EXPECT_TRUE(doc_.IsGraphPaperShown(0));
}

TEST_F(ViewSwitchesTest, ThePaperBackgroundComesBackAsThePreferenceSaysAndMarksTheDocument)
{
    static DocumentPreferences preferences;
    GetDocumentHooks().preferences = [] { return static_cast<const DocumentPreferences*>(&preferences); };
    static int modified = 0;
    GetDocumentHooks().setDocModified = [](bool m) { modified += m; };
    const struct {
        uint8_t before, preference, after;
    } cases[] = {{1, 2, 0}, {2, 1, 0}, {0, 2, 2}, {0, 1, 1}, {0, 0, 1}, {3, 2, 2}};
    for (const auto& c : cases) {
        doc_.BackgroundType = c.before;
        preferences.backgroundType = c.preference;
        modified = 0;
        doc_.TogglePaperBackground();
        EXPECT_EQ(doc_.BackgroundType, c.after) << int(c.before) << " " << int(c.preference);
        EXPECT_EQ(doc_.HasPaperBackground(), c.after != 0);
        EXPECT_EQ(modified, 1);
    }
}

TEST_F(ViewSwitchesTest, AntialiasingFlipsAndTheRendererFollows)
{
    static int followed = 0;
    followed = 0;
    GetDocumentHooks().antialiasingChanged = [](DocState* doc) { followed += doc->UsesAntialiasing() ? 1 : 10; };
    const bool before = doc_.UsesAntialiasing();
    doc_.ToggleAntialiasing();
    EXPECT_NE(doc_.UsesAntialiasing(), before);
    doc_.ToggleAntialiasing();
    EXPECT_EQ(doc_.UsesAntialiasing(), before);
    EXPECT_EQ(followed, 11);
}

TEST_F(ViewSwitchesTest, ResetGraphViewResetsOnlyTheAddressedView)
{
    Show(set_->views2D[0], set_->views2D[1]);
    for (A2DGraphView* view : set_->views2D)
        view->SetRanges(5, 9, 5, 9);
    // The default view is centred on the origin.
    const double moved = set_->views2D[0]->xMin;
    EXPECT_GT(moved, 4);
    doc_.ResetGraphView(1);
    EXPECT_EQ(set_->views2D[0]->xMin, moved);
    EXPECT_LT(set_->views2D[1]->xMin, 0);
    doc_.ResetGraphView(2);
    EXPECT_LT(set_->views2D[0]->xMin, 0);
}

TEST_F(ViewSwitchesTest, A4DPlaneSpinsAtItsSpeedUntilASpeedOf0)
{
    A4DGraphView* view = set_->view4D;
    Show(view, nullptr);
    doc_.Set4DRotationSpeed(32 + 3, 90);  // the yu plane
    EXPECT_EQ(doc_.rotationPlane4D, 35);
    EXPECT_DOUBLE_EQ(doc_.rotationPeriod4D, 1.0 / 90);
    EXPECT_TRUE(set_->IsSpinning());
    EXPECT_DOUBLE_EQ(view->spinStep1, M_PI / 4);
    EXPECT_DOUBLE_EQ(view->spinStep2, M_PI / 4);
    EXPECT_EQ(view->spinAxis1[2], -1);
    EXPECT_EQ(view->spinAxis2[2], 1);

    doc_.Set4DRotationSpeed(35, 0);
    EXPECT_EQ(doc_.rotationPeriod4D, 0);
    EXPECT_FALSE(set_->IsSpinning());

    // Stopping the view's spin clears the document's record too.
    doc_.Set4DRotationSpeed(32, 45);
    doc_.spin4D[0] = 3;
    view->SetViewOption(1, 0);
    EXPECT_EQ(doc_.rotationPeriod4D, 0);
    EXPECT_EQ(doc_.spin4D[0], 0);
    EXPECT_FALSE(set_->IsSpinning());
}

TEST_F(ViewSwitchesTest, Rotate4DByTurnsOnePlaneOnce)
{
    A4DGraphView* view = set_->view4D;
    Show(view, nullptr);
    view->SetIdentityRotation();
    const double start[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    // 180 half-degrees in the xy plane: a quarter turn, and no spin.
    doc_.Rotate4DBy(32, 180);
    EXPECT_FALSE(set_->IsSpinning());
    EXPECT_NEAR(view->rotation[0][0], 0, 1e-15);
    EXPECT_NEAR(view->rotation[0][1], 1, 1e-15);
    EXPECT_NEAR(view->rotation[1][0], -1, 1e-15);
    EXPECT_EQ(view->rotation[2][2], 1);
    // Three more quarter turns give the start back.
    doc_.Rotate4DBy(32, 540);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(view->rotation[i][j], start[i][j], 1e-12) << i << j;
    }
    // A speed that is not a number turns nothing and leaves no spin.
    doc_.Rotate4DBy(37, NAN);
    EXPECT_EQ(view->rotation[3][3], 1);
}

}  // namespace
