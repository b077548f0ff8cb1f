// The 4D panel over a real graph set: its sliders turn and spin the 4D
// view's planes, its menu sets the mouse mode and the preset views, its
// check boxes the axes and the grid.
#include "app/C4DControls.h"

#include "CoreUtilities/Clock.h"
#include "app/C4DAxes.h"
#include "app/Slider4D.h"
#include "document/DocState.h"
#include "graphmodel/A4DGraphView.h"
#include "graphmodel/RenderContext.h"
#include "graphs2d/GraphSet.h"
#include "support/FakeGraphServices.h"
#include "support/TestApp.h"

#include <QCheckBox>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cmath>

namespace {

uint32_t FakeNow = 5000;
uint32_t FakeTicks()
{
    return FakeNow;
}

class FourDPanel : public testing::Test {
protected:
    static void SetUpTestSuite() { TestApp(); }
    void SetUp() override
    {
        FakeNow = 5000;
        SetClockTickSource(&FakeTicks);
        doc = GetDocState();
        set = new GraphSet(ShortRect{0, 0, 200, 300}, nullptr, doc);
        doc->Graphs = set;
        set->active = set->view4D;
        set->second = nullptr;
        view = set->view4D;
        view->SetIdentityRotation();
    }
    void TearDown() override
    {
        doc->Graphs = nullptr;
        delete set;
        doc->rotationPeriod4D = 0;
        doc->rotationPlane4D = 0;
        SetClockTickSource(nullptr);
    }
    Slider4D* SliderOf(int32_t code) const
    {
        for (int row = 0; row < 6; ++row) {
            if (panel.SliderAt(row)->PlaneCode() == code)
                return panel.SliderAt(row);
        }
        return nullptr;
    }

    FakeGraphServices services;
    DocState* doc = nullptr;
    GraphSet* set = nullptr;
    A4DGraphView* view = nullptr;
    C4DControls panel{nullptr};
};

TEST_F(FourDPanel, SlidersSitInRowOrderWithTheirPlanesAndTips)
{
    const int32_t codes[6] = {32, 33, 35, 34, 36, 37};
    const char* tips[6] = {"Rotate xy Plane", "Rotate xu Plane", "Rotate yu Plane",
                           "Rotate xv Plane", "Rotate yv Plane", "Rotate uv Plane"};
    for (int row = 0; row < 6; ++row) {
        EXPECT_EQ(panel.SliderAt(row)->PlaneCode(), codes[row]);
        EXPECT_EQ(panel.SliderAt(row)->toolTip().toStdString(), tips[row]);
        EXPECT_EQ(panel.SliderAt(row)->size(), QSize(89, 10));
    }
}

TEST_F(FourDPanel, ASevenPixelDragMovesThreePicturesTurnsThreeAndAHalfDegreesAndSpinsAtItsRate)
{
    Slider4D* xu = SliderOf(33);
    xu->OnLButtonDown(10, false);
    FakeNow += 100;
    xu->OnMouseMove(17, false);
    EXPECT_EQ(xu->Value(), 3) << "at most 3 pictures a move";
    // The xu plane turned by 7 half-degrees.
    const double theta = 7 * M_PI / 360;
    EXPECT_NEAR(view->rotation[0][0], std::cos(theta), 1e-12);
    EXPECT_NEAR(view->rotation[0][2], std::sin(theta), 1e-12);
    EXPECT_NEAR(view->rotation[2][0], -std::sin(theta), 1e-12);
    EXPECT_EQ(view->rotation[1][1], 1);
    // 7 pixels in 0.1 s: 70 half-degrees a second.
    EXPECT_TRUE(view->IsSpinning());
    EXPECT_NEAR(view->spinStep1, 70 * M_PI / 360, 1e-12);
    EXPECT_EQ(doc->rotationPlane4D, 33);
    EXPECT_NEAR(doc->rotationPeriod4D, 1.0 / 70, 1e-12);

    // A leftward flick picks at most -3 pictures and a rate limited to 359.
    FakeNow += 1;
    xu->OnMouseMove(7, false);
    EXPECT_EQ(xu->Value(), 0);
    EXPECT_NEAR(view->spinStep1, -359 * M_PI / 360, 1e-12);
}

TEST_F(FourDPanel, HoldingStillStopsThePlaneUnlessShiftIsHeldAndAShiftPressKeepsTheSpin)
{
    Slider4D* yv = SliderOf(36);
    yv->OnLButtonDown(20, false);
    FakeNow += 50;
    yv->OnMouseMove(25, false);
    ASSERT_TRUE(view->IsSpinning());
    FakeNow += 600;
    yv->OnMouseMove(25, false);
    EXPECT_TRUE(view->IsSpinning()) << "666 ms have not passed";
    FakeNow += 100;
    yv->OnMouseMove(25, true);
    EXPECT_TRUE(view->IsSpinning()) << "Shift keeps it";
    yv->OnMouseMove(25, false);
    EXPECT_FALSE(view->IsSpinning());

    // Spinning again; a press with Shift leaves the spin alone, a plain
    // press stops it.
    yv->OnMouseMove(30, false);
    ASSERT_TRUE(view->IsSpinning());
    yv->OnLButtonDown(30, true);
    EXPECT_TRUE(view->IsSpinning());
    yv->OnLButtonDown(30, false);
    EXPECT_FALSE(view->IsSpinning());
}

TEST_F(FourDPanel, TheMenuSetsTheMouseModeAndThePresetsKeepIt)
{
    EXPECT_EQ(panel.MenuButtonText().toStdString(), "Mouse: (xyu)'");
    panel.OnMenuCommand(MenuMouseXYV);
    EXPECT_EQ(view->mouseMode, 2);
    EXPECT_EQ(panel.MouseMode(), 2);
    EXPECT_EQ(panel.MenuButtonText().toStdString(), "Mouse: (xyv)'");
    view->RotatePlane(32, 45);
    panel.OnMenuCommand(MenuViewXUV);
    // View xuv is preset 6: the yu turn leaves x on the screen's vertical.
    A4DGraphView reference(new RenderContext);
    reference.ShowPreset(6);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(view->rotation[i][j], reference.rotation[i][j], 1e-15);
    EXPECT_FALSE(view->IsSpinning());
    EXPECT_EQ(view->mouseMode, 2);
    EXPECT_EQ(panel.MenuButtonText().toStdString(), "Mouse: (xyv)'");
}

TEST_F(FourDPanel, CheckBoxesDriveTheViewAndFollowItWithoutSendingBack)
{
    QList<QCheckBox*> boxes = panel.findChildren<QCheckBox*>();
    ASSERT_EQ(boxes.size(), 2);
    QCheckBox* grid = boxes[0]->text() == "Show xy grid" ? boxes[0] : boxes[1];
    QCheckBox* shown = boxes[0] == grid ? boxes[1] : boxes[0];
    shown->click();
    EXPECT_EQ(view->showAxes, 0);
    EXPECT_EQ(view->showGrid, 1);
    grid->click();
    EXPECT_EQ(view->showGrid, 0);
    view->showAxes = view->showGrid = 1;
    panel.SetCheckStates(false, true);
    EXPECT_FALSE(shown->isChecked());
    EXPECT_EQ(view->showAxes, 1) << "following the view sends nothing";
}

TEST_F(FourDPanel, TheSpinningPlanesSliderStepsOncePerPeriod)
{
    doc->Set4DRotationSpeed(34, -4);  // xv, a picture every quarter second backwards
    Slider4D* xv = SliderOf(34);
    FakeNow += 300;
    panel.AnimateSpinningSlider();
    EXPECT_EQ(xv->Value(), 7);
    FakeNow += 100;
    panel.AnimateSpinningSlider();
    EXPECT_EQ(xv->Value(), 7) << "a quarter second has not passed";
    FakeNow += 200;
    panel.AnimateSpinningSlider();
    EXPECT_EQ(xv->Value(), 6);
    EXPECT_EQ(SliderOf(32)->Value(), 0);
}

TEST_F(FourDPanel, TheAxisCrossKeepsThePositionsTheViewSet)
{
    const double positions[5][2] = {{0, 0}, {1, 0}, {0, -1}, {0.5, 0.5}, {-0.2, 0.1}};
    C4DAxes::SetPositions(positions);
    EXPECT_EQ(C4DAxes::Positions()[3][0], 0.5);
    EXPECT_EQ(C4DAxes::Positions()[4][1], 0.1);
}

}  // namespace
