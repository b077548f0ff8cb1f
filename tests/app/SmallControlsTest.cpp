// The program's buttons and sliders and the graph tool bar, driven as a
// user drives them.
#include "app/CNewGraphBar.h"
#include "app/COdSlider.h"
#include "app/DemoPlayer.h"
#include "app/ProgramButtons.h"
#include "document/DocState.h"
#include "support/TestApp.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class SmallControlsTest : public testing::Test {
protected:
    void SetUp() override { TestApp(); }
    void TearDown() override
    {
        SetDemoMode(0);
        GetDocState()->demoPaused = false;
    }
};

// Pixels of the picture: those that differ from the button's face colour.
int InkPixels(const QImage& image, QRgb face)
{
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ink += image.pixel(x, y) != face;
    return ink;
}

TEST_F(SmallControlsTest, DisabledPictureIsGreyedNotHiddenAndMagentaShowsTheFace)
{
    QWidget window;
    auto* button = new COdXPStyleButton(&window);
    ASSERT_TRUE(button->SetBitmapId(324));  // a play picture on magenta
    button->SizeToContent();
    EXPECT_EQ(button->size(), QSize(21, 21));
    window.show();
    const QRgb face = button->palette().color(QPalette::Button).rgb();
    const QImage enabled = button->grab().toImage();
    button->setEnabled(false);
    const QImage disabled = button->grab().toImage();
    int magenta = 0;
    for (int y = 0; y < enabled.height(); ++y)
        for (int x = 0; x < enabled.width(); ++x)
            magenta += enabled.pixel(x, y) == qRgb(255, 0, 255);
    EXPECT_EQ(magenta, 0);
    // Disabled: still drawn, but not as it was.
    EXPECT_GT(InkPixels(disabled, face), 20);
    EXPECT_NE(enabled, disabled);
    EXPECT_FALSE(button->isHidden());
    // A picture that cannot be read leaves no picture.
    EXPECT_FALSE(button->SetBitmapIdOnly(99999));
    EXPECT_TRUE(button->icon().isNull());
}

TEST_F(SmallControlsTest, SliderKeepsQuietUnlessAskedAndLeavesTheMouseToAnUnpausedDemo)
{
    QWidget window;
    auto* slider = new COdSlider(1021, &window);
    slider->setGeometry(0, 0, 175, 25);
    window.show();
    EXPECT_EQ(slider->GetPos(), 1);
    EXPECT_EQ(slider->GetRangeCount(), 11);
    QSignalSpy moved(slider, &COdSlider::Moved);
    slider->SetPos(3, false);
    EXPECT_EQ(moved.count(), 0);
    slider->SetPos(4, true);
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved.at(0).at(1).toInt(), 4);

    // A click at the far end moves the slider only when the demo is paused.
    const QPoint end(170, 12);
    SetDemoMode(1);
    QTest::mouseClick(slider, Qt::LeftButton, {}, end);
    EXPECT_EQ(slider->GetPos(), 4);
    GetDocState()->demoPaused = true;
    QTest::mouseClick(slider, Qt::LeftButton, {}, end);
    EXPECT_GT(slider->GetPos(), 4);
}

TEST_F(SmallControlsTest, ReadoutDecimalsFollowTheRangeAndSteps)
{
    const struct {
        double min, max;
        int32_t steps;
        int32_t decimals;
    } cases[] = {
        {0, 2, 10, 1},   // 20 is a multiple of 10
        {0, 1, 3, 2},
        {0, 10, 10, 0},
        {-5, 5, 5, 0},
        {0, 2.5, 5, 1},  // the span's whole part decides
        {0, 10, 0, 2},   // no steps: no multiples to test
        {0, 10, -4, 2},
        {0, 1e300, 10, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CNewGraphBar::ReadoutDecimals(c.min, c.max, c.steps), c.decimals) << c.min << " " << c.max << " " << c.steps;

    QMainWindow frame;
    auto* bar = new CNewGraphBar(&frame);
    bar->SetSliderMinValue(0);
    bar->SetSliderMaxValue(2);
    bar->SetSliderSteps(10);
    bar->SetSliderPos(3);
    EXPECT_EQ(bar->Readout()->text(), QStringLiteral("0.6"));
    // A position past the range widens it.
    bar->SetSliderPos(12);
    EXPECT_EQ(bar->SliderSteps(), 12);
    bar->SetSliderSteps(0);
    EXPECT_EQ(bar->GetSliderValue(), 0);
    bar->ShowReadout(false);
    EXPECT_TRUE(bar->Readout()->text().isEmpty());
}

TEST_F(SmallControlsTest, SliderDragStopsTheAnimationThenReportsAndAsksForADrawing)
{
    QMainWindow frame;
    auto* bar = new CNewGraphBar(&frame);
    frame.addToolBar(bar);
    frame.resize(700, 300);
    frame.show();
    QStringList order;
    QObject::connect(bar, &CNewGraphBar::StopAnimationRequested, [&] { order << "stop"; });
    QObject::connect(bar, &CNewGraphBar::SliderMoved, [&](int32_t id, int32_t) { order << QString::number(id); });
    QObject::connect(bar, &CNewGraphBar::DrawGraphRequested, [&] { order << "draw"; });
    bar->Slider()->setFocus();
    QTest::keyClick(bar->Slider(), Qt::Key_Right);
    EXPECT_EQ(order, (QStringList{"stop", "1021", "draw"}));
    // The frame's own moves only report.
    order.clear();
    bar->SetSliderPos(5);
    EXPECT_EQ(order, (QStringList{"1021"}));
}

TEST_F(SmallControlsTest, GrainPopupStartsAtAHalfAndPicturesFollowTheLevel)
{
    QMainWindow frame;
    auto* bar = new CNewGraphBar(&frame);
    frame.addToolBar(bar);
    frame.resize(700, 300);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    CGrainButton* grain = bar->GrainButton();
    // Disabled, the button opens nothing.
    bar->OpenGrainSlider(90);
    EXPECT_EQ(grain->Popup(), nullptr);
    bar->EnableGrain(true);
    QList<int32_t> reported;
    QObject::connect(bar, &CNewGraphBar::SliderMoved, [&](int32_t id, int32_t p) {
        if (id == CGrainSlider::kId)
            reported << p;
    });
    bar->OpenGrainSlider(90);
    CGrainSlider* popup = grain->Popup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(reported, QList<int32_t>{6});
    QTest::mouseRelease(popup, Qt::LeftButton, {}, QPoint(5, 5));
    QApplication::processEvents();
    EXPECT_EQ(grain->Popup(), nullptr);
    EXPECT_EQ(reported, QList<int32_t>{6});

    const struct {
        double grain;
        int32_t level;
    } steps[] = {{0.1, 0}, {0.3, 1}, {0.2, 0}, {0.26, 1}, {0.5, 2}, {0.75, 3}, {1.0, 3}, {0.0, 0}};
    for (const auto& s : steps) {
        bar->SetGrainValue(s.grain);
        EXPECT_EQ(grain->Level(), s.level) << s.grain;
        EXPECT_EQ(grain->BitmapId(), 241 + s.level) << s.grain;
    }
}

TEST_F(SmallControlsTest, SecondRowStaysCentredOnEachHalfAndMenusFollowTheViews)
{
    QMainWindow frame;
    auto* bar = new CNewGraphBar(&frame);
    frame.addToolBar(bar);
    frame.resize(800, 300);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    bar->SetTwoRows(true);
    EXPECT_EQ(bar->CalcFixedLayout().height(), 90);
    EXPECT_EQ(bar->Button(CNewGraphBar::IdGraph)->y(), 11 + 45);
    for (int width : {800, 1000}) {
        frame.resize(width, 300);
        QApplication::processEvents();
        const QPoint menu1 = bar->Button(CNewGraphBar::IdMenu1)->mapTo(&frame, QPoint(0, 0));
        const QPoint zoom2 = bar->Button(CNewGraphBar::IdZoomOut2)->mapTo(&frame, QPoint(0, 0));
        EXPECT_EQ(menu1.x(), width / 4 + 23) << width;
        EXPECT_EQ(zoom2.x(), width / 4 + width / 2 - 86) << width;
    }
    bar->SetTwoRows(false);
    EXPECT_TRUE(bar->Button(CNewGraphBar::IdMenu1)->isHidden());
    EXPECT_EQ(bar->Button(CNewGraphBar::IdGraph)->y(), 11);

    // The other view is 3D: Copy Other Range is disabled.
    bar->SetViewMenuState([](int32_t) {
        GraphBarViewMenuState state;
        state.is2D = true;
        state.sameKindAsOther = false;
        state.axesShown = true;
        return state;
    });
    std::unique_ptr<QMenu> menu(bar->BuildViewMenu(0, nullptr));
    for (QAction* action : menu->actions()) {
        const int id = action->data().toInt();
        if (id == CNewGraphBar::IdCopyOtherRange) {
            EXPECT_FALSE(action->isEnabled());
        } else if (id == CNewGraphBar::IdSetRange) {
            EXPECT_TRUE(action->isEnabled());
        } else if (id == CNewGraphBar::IdDrawAxes) {
            EXPECT_TRUE(action->isChecked());
        }
    }
}

TEST_F(SmallControlsTest, ZoomPicturesFollowTheModifiersOnlyOver2DViews)
{
    QMainWindow frame;
    auto* bar = new CNewGraphBar(&frame);
    auto picture = [&](int32_t id) { return static_cast<COdXPStyleButton*>(bar->Button(id))->BitmapId(); };
    bar->UpdateZoomButtons(true, false, true, false, false);
    EXPECT_EQ(picture(CNewGraphBar::IdZoomIn), 303);
    EXPECT_EQ(picture(CNewGraphBar::IdZoomOut), 309);
    bar->UpdateZoomButtons(false, true, true, false, false);
    EXPECT_EQ(picture(CNewGraphBar::IdZoomIn), 308);
    EXPECT_EQ(picture(CNewGraphBar::IdZoomOut), 310);
    bar->UpdateZoomButtons(true, true, false, false, false);
    EXPECT_EQ(picture(CNewGraphBar::IdZoomIn), 200);
    EXPECT_EQ(picture(CNewGraphBar::IdZoomOut), 199);
    // Two rows: each view's pair by its own kind.
    bar->SetTwoRows(true);
    bar->UpdateZoomButtons(true, false, true, false, true);
    EXPECT_EQ(picture(CNewGraphBar::IdZoomIn1), 200);
    EXPECT_EQ(picture(CNewGraphBar::IdZoomIn2), 303);
}

TEST_F(SmallControlsTest, NavAndStopDemoSwapWhatTheUserCanPress)
{
    QMainWindow frame;
    auto* bar = new CNewGraphBar(&frame);
    bar->SetNavEnabled(false);
    EXPECT_FALSE(bar->Button(CNewGraphBar::IdZoomIn)->isEnabled());
    EXPECT_FALSE(bar->Button(CNewGraphBar::IdGraph)->isEnabled());
    bar->SetNavEnabled(true);
    EXPECT_TRUE(bar->Button(CNewGraphBar::IdZoomOut)->isEnabled());
    bar->ShowStopDemo(true);
    EXPECT_TRUE(bar->Button(CNewGraphBar::IdGraph)->isHidden());
    EXPECT_FALSE(bar->Button(CNewGraphBar::IdStopDemo)->isHidden());
    EXPECT_TRUE(bar->Button(CNewGraphBar::IdStopDemo)->isEnabled());
    bar->SetAnimateState(true);
    EXPECT_EQ(bar->Button(CNewGraphBar::IdPlay)->toolTip(), QStringLiteral("Stop animation"));
}

}  // namespace
