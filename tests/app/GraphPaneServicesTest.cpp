#include "app/CGraphView.h"
#include "app/CMainFrame.h"
#include "app/CNewGraphBar.h"
#include "app/DemoPlayer.h"
#include "app/GraphPaneServices.h"
#include "document/DocState.h"
#include "drawing/DDUtils.h"
#include "drawing/DrawingPort.h"
#include "editor/COndrelView.h"
#include "editor/EquationViewServices.h"
#include "graphs2d/GraphSet.h"
#include "platform/PortDC.h"
#include "platform/WindowQueries.h"
#include "support/PortFixture.h"
#include "support/ZonedGraphSet.h"

#include "support/TestApp.h"

#include <QApplication>
#include <QCursor>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

ShortRect Rect(int top, int left, int bottom, int right)
{
    ShortRect r;
    SetShortRect(r, top, left, bottom, right);
    return r;
}

uint32_t HeldKeys = 0;

QApplication& App()
{
    return TestApp();
}

class GraphPaneServicesTest : public PortFixture {
protected:
    void SetUp() override
    {
        App();
        LoadCursorsAndRegions();
        graphView_ = std::make_unique<CGraphView>(nullptr);
        graphView_->resize(100, 80);
        graphView_->show();
        equationView_ = std::make_unique<COndrelView>(nullptr);
        SetGraphPaneWindow(graphView_.get());
        DocState* doc = GetDocState();
        doc->Graphs = &graphs_;
        doc->GraphPaneWindow = graphView_.get();
        SetModifierSource([] { return HeldKeys; });
    }
    void TearDown() override
    {
        PortFixture::TearDown();
        DocState* doc = GetDocState();
        doc->Graphs = nullptr;
        doc->GraphPaneWindow = nullptr;
        doc->DemoUserControl = false;
        doc->CurrentTableRect = Rect(0, 0, 0, 0);
        SetGraphPaneWindow(nullptr);
        SetModifierSource(nullptr);
        SetDemoMode(0);
        HeldKeys = 0;
        SetRegionEmpty(TermDragRegion);
        equationView_.reset();
        graphView_.reset();
    }
    // The mouse over point p of the graph pane; the cursor then a marker that
    // the graph pane never sets, so that "left alone" shows.
    void MouseAt(int v, int h)
    {
        QCursor::setPos(graphView_->mapToGlobal(QPoint(h, v)));
        SetCursor(nullptr, UpDownCursor);
    }

    // Axes along the bottom strip; a graph in the top-left corner.
    ZonedGraphSet graphs_{Rect(0, 0, 30, 50), Rect(60, 0, 80, 100)};
    std::unique_ptr<CGraphView> graphView_;
    std::unique_ptr<COndrelView> equationView_;
};

constexpr uint32_t kAlt = static_cast<uint32_t>(ModifierKey::Alt);
constexpr uint32_t kControl = static_cast<uint32_t>(ModifierKey::Control);
constexpr uint32_t kShift = static_cast<uint32_t>(ModifierKey::Shift);

TEST_F(GraphPaneServicesTest, AltAndControlTurnTheWholePaneIntoOneZone)
{
    struct Case {
        uint32_t keys;
        int v, h;
        CursorHandle* expected;
    };
    const Case cases[] = {
        {0, 10, 10, &MoveCursor},           // over the graph
        {0, 70, 50, &OpenHandCursor},       // over the axes
        {0, 40, 80, &ArrowCursor},          // over neither
        {kAlt, 10, 10, &OpenHandCursor},    // Alt: the axes everywhere
        {kAlt, 40, 80, &OpenHandCursor},
        {kControl, 70, 50, &MoveCursor},    // Control: the graph everywhere
        {kControl, 40, 80, &MoveCursor},
        {kAlt | kControl, 40, 80, &OpenHandCursor},
        {kAlt | kShift, 10, 10, &MoveCursor},  // with Shift: the views' zones
        {kAlt | kShift, 40, 80, &ArrowCursor},
        {kControl | kShift, 70, 50, &OpenHandCursor},
        {kControl | kShift, 40, 80, &ArrowCursor},
        {0, -5, 10, &UpDownCursor},         // outside the pane: left alone
        {kAlt, 40, 120, &UpDownCursor},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "keys " << c.keys << " at v" << c.v << " h" << c.h);
        HeldKeys = c.keys;
        MouseAt(c.v, c.h);
        UpdateGraphPaneCursor();
        EXPECT_EQ(GetCursor(), *c.expected);
    }

    // Without the equation view the keys change nothing.
    SetEquationView(nullptr);
    HeldKeys = kAlt;
    MouseAt(10, 10);
    UpdateGraphPaneCursor();
    EXPECT_EQ(GetCursor(), MoveCursor);
    HeldKeys = kControl;
    MouseAt(70, 50);
    UpdateGraphPaneCursor();
    EXPECT_EQ(GetCursor(), OpenHandCursor);
}

TEST_F(GraphPaneServicesTest, CaptureElsewhereAndDemonstrationsLeaveTheCursorAlone)
{
    QWidget other;
    other.resize(10, 10);
    other.show();
    other.grabMouse();
    MouseAt(10, 10);
    UpdateGraphPaneCursor();
    EXPECT_EQ(GetCursor(), UpDownCursor);
    other.releaseMouse();

    // The graph pane's own capture (a drag in it) does not stop it.
    graphView_->grabMouse();
    UpdateGraphPaneCursor();
    EXPECT_EQ(GetCursor(), MoveCursor);
    graphView_->releaseMouse();

    SetDemoMode(1);
    MouseAt(10, 10);
    UpdateGraphPaneCursor();
    EXPECT_EQ(GetCursor(), UpDownCursor);
    // The zones are rebuilt all the same.
    EXPECT_TRUE(PointInRegion(ShortPoint{10, 10}, GraphHitRegion));
    GetDocState()->DemoUserControl = true;
    UpdateGraphPaneCursor();
    EXPECT_EQ(GetCursor(), MoveCursor);
}

TEST_F(GraphPaneServicesTest, ADialogOverThePaneKeepsItsOwnCursor)
{
    graphView_->unsetCursor();
    QWidget dialog(nullptr, Qt::Dialog);
    dialog.setGeometry(QRect(graphView_->mapToGlobal(QPoint(0, 0)), QSize(60, 40)));
    dialog.show();
    MouseAt(10, 10);
    ASSERT_EQ(QApplication::widgetAt(QCursor::pos()), &dialog);
    UpdateGraphPaneCursor();
    EXPECT_EQ(GetCursor(), MoveCursor);
    EXPECT_FALSE(dialog.testAttribute(Qt::WA_SetCursor));
    EXPECT_TRUE(graphView_->testAttribute(Qt::WA_SetCursor));
    EXPECT_EQ(graphView_->cursor().shape(), Qt::BitmapCursor);
    MouseAt(40, 80);
    UpdateGraphPaneCursor();
    EXPECT_EQ(graphView_->cursor().shape(), Qt::ArrowCursor);

    // The equation pane's cursors go to the equation pane alone.
    equationView_->unsetCursor();
    SetEquationPaneCursor(ShortPoint{500, 500}, false);
    EXPECT_TRUE(equationView_->testAttribute(Qt::WA_SetCursor));
    EXPECT_FALSE(dialog.testAttribute(Qt::WA_SetCursor));
}

TEST_F(GraphPaneServicesTest, EquationPaneCursorPrefersTheTermThenTheTable)
{
    SetRegionToRect(TermDragRegion, Rect(0, 0, 20, 40));
    GetDocState()->CurrentTableRect = Rect(10, 0, 50, 100);
    struct Case {
        int v, h;
        bool dragging;
        CursorHandle* expected;
    };
    const Case cases[] = {
        {5, 5, false, &OpenHandCursor},   {5, 5, true, &ClosedHandCursor},
        {15, 5, false, &OpenHandCursor},  {15, 5, true, &ClosedHandCursor},  // term over table
        {30, 5, false, &UpDownCursor},    {30, 5, true, &UpDownCursor},
        {60, 5, false, &ArrowCursor},     {60, 5, true, &ArrowCursor},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "v" << c.v << " dragging " << c.dragging);
        SetCursor(nullptr, nullptr);
        SetEquationPaneCursor(ShortPoint{static_cast<int16_t>(c.v), static_cast<int16_t>(c.h)}, c.dragging);
        EXPECT_EQ(GetCursor(), *c.expected);
    }
    // Nothing selected can be dragged yet.
    UpdateTermDragRegion();
    EXPECT_TRUE(IsRegionEmpty(TermDragRegion));
}

TEST_F(GraphPaneServicesTest, CursorsLoadOnceAndRegionsSurviveASecondLoad)
{
    Region graph = GraphHitRegion, axis = AxisHitRegion, term = TermDragRegion;
    SetRegionToRect(AxisHitRegion, Rect(0, 0, 5, 5));
    LoadCursorsAndRegions();
    EXPECT_EQ(GraphHitRegion, graph);
    EXPECT_EQ(AxisHitRegion, axis);
    EXPECT_EQ(TermDragRegion, term);
    EXPECT_FALSE(IsRegionEmpty(AxisHitRegion));
    const CursorHandle all[] = {MoveCursor, OpenHandCursor, ClosedHandCursor, UpDownCursor, ArrowCursor};
    for (size_t i = 0; i < 5; ++i) {
        ASSERT_NE(all[i], nullptr);
        for (size_t k = i + 1; k < 5; ++k)
            EXPECT_NE(all[i], all[k]);
    }
    EXPECT_EQ(LoadCursorResource(kMoveCursorId), MoveCursor);
    EXPECT_EQ(LoadCursorResource(1), nullptr);

    SetMoveCursor();
    EXPECT_EQ(GetCursor(), MoveCursor);
    SetClosedHandCursor();
    EXPECT_EQ(GetCursor(), ClosedHandCursor);
    SetGraphArrowCursor();
    EXPECT_EQ(GetCursor(), ArrowCursor);
    SetCursorHandle(OpenHandCursor);
    ResetCursor();
    EXPECT_EQ(GetCursor(), ArrowCursor);

    DisposeCursorRegions();
    EXPECT_EQ(GraphHitRegion, nullptr);
    LoadCursorsAndRegions();
    EXPECT_NE(GraphHitRegion, nullptr);
    EXPECT_TRUE(IsRegionEmpty(AxisHitRegion));
}

TEST_F(GraphPaneServicesTest, RedrawDrawsTheShownPaneWithThePortsContextAside)
{
    MakePort(8, 8);
    PortDC* own = GetPortDC();
    DocState* doc = GetDocState();

    graphView_->hide();
    RedrawGraphPane();
    EXPECT_TRUE(graphs_.draws.empty());
    DrawGraphViewsDetached(doc);
    ASSERT_EQ(graphs_.draws.size(), 1u);

    graphView_->show();
    RedrawGraphPane();
    RedrawGraphPaneWith(doc, 5);
    ASSERT_EQ(graphs_.draws.size(), 3u);
    for (const ZonedGraphSet::DrawCall& call : graphs_.draws) {
        EXPECT_EQ(call.flag, 1);
        EXPECT_FALSE(call.portHadDC);
    }
    EXPECT_EQ(graphs_.draws[0].part, 2);
    EXPECT_EQ(graphs_.draws[1].part, 2);
    EXPECT_EQ(graphs_.draws[2].part, 5);
    EXPECT_EQ(GetPortDC(), own);

    // The pane's surface is the one it made for its size.
    OffscreenSurface* surface = GetGraphPaneSurface(doc);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface, graphView_->Surface());
    EXPECT_EQ(ShortRectWidth(surface->bounds), 100);
    EXPECT_EQ(ShortRectHeight(surface->bounds), 80);

    doc->Graphs = nullptr;
    RedrawGraphPane();
    EXPECT_EQ(graphs_.draws.size(), 3u);
}

TEST_F(GraphPaneServicesTest, GraphBarSliderFollowsTheDocument)
{
    SyncGraphBarSlider();  // no frame: nothing to do
    auto frame = std::make_unique<CMainFrame>();
    ASSERT_TRUE(frame->Create());
    EXPECT_EQ(GetAppMainFrame(), frame.get());
    DocState* doc = GetDocState();
    doc->SliderMin = -2.5;
    doc->SliderMax = 7;
    doc->SliderSteps = 40;
    doc->SliderVariable = 't';
    SyncGraphBarSlider();
    CNewGraphBar* bar = frame->GraphBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->SliderMinValue(), -2.5);
    EXPECT_EQ(bar->SliderMaxValue(), 7);
    EXPECT_EQ(bar->SliderSteps(), 40);
    EXPECT_EQ(frame->AnimationVariable(), 't');
    EXPECT_FALSE(IsDemoInForeground());
    frame.reset();
    EXPECT_EQ(GetAppMainFrame(), nullptr);
}

}  // namespace
