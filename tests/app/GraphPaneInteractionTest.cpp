// The graph pane with a real 2D view behind it: the wheel zooms about the
// axes' crossing or the trace point, a drag with Alt moves the view by
// whole pixels, and a press on a curve traces it with a readout.
#include "app/CGraphView.h"

#include "document/DocumentTask.h"
#include "document/DocState.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/AFunctionOf_XorY.h"
#include "graphs2d/GraphSet.h"
#include "support/FormulaReader.h"
#include "support/GraphPaneFixture.h"
#include "support/WaitUntil.h"

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

class GraphPaneInteraction : public testing::Test {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        DocState* doc = GetDocState();
        graphs_ = new GraphSet(ShortRect{0, 0, 0, 0}, nullptr, doc);
        ASSERT_TRUE(graphs_->HasViews());
        pane_ = OpenGraphPane(graphs_, 400, 300);
        ASSERT_NE(pane_, nullptr);
        view_ = graphs_->views2D[0];
        view_->doc = doc;
        ASSERT_EQ(graphs_->active, view_);
        ASSERT_EQ(ShortRectWidth(view_->rect), 400);
        view_->SetDefaultView();
        view_->UpdateMappings();
    }

    void TearDown() override
    {
        CloseGraphPane(pane_);
        delete graphs_;
    }

    void Wheel(QPoint at, int delta)
    {
        QWheelEvent event(QPointF(at), QPointF(pane_->mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(pane_, &event);
    }

    AFunctionOf_XorY* AddCurve(const char* text)
    {
        DocState* doc = GetDocState();
        auto* colour = new AGraphColor(nullptr, doc);
        colour->rgb = 0x0000FF;
        auto* curve = new AFunctionOf_XorY(new CompiledFormula(ReadFormula(text), doc), true, colour, RefinedBounds,
                                           &view_->drawMapping);
        EXPECT_TRUE(WaitUntil([&] { return curve->IsComplete(); }));
        view_->graphs.Push(curve);
        return curve;
    }

    GraphSet* graphs_ = nullptr;
    CGraphView* pane_ = nullptr;
    A2DGraphView* view_ = nullptr;
};

TEST_F(GraphPaneInteraction, TheWheelZoomsAboutTheAxesCrossingOrTheTracePoint)
{
    const int column = view_->YAxisColumn(), row = view_->XAxisRow();
    const double units = view_->unitsX;
    // A notch away from the user zooms in, wherever the pointer is.
    Wheel(QPoint(50, 60), 120);
    EXPECT_LT(view_->unitsX, units);
    EXPECT_EQ(view_->screenMapping.XToPixel(0), column);
    EXPECT_EQ(view_->screenMapping.YToPixel(0), row);
    // Half a notch does nothing until the other half comes.
    const double zoomed = view_->unitsX;
    Wheel(QPoint(50, 60), -60);
    EXPECT_EQ(view_->unitsX, zoomed);
    Wheel(QPoint(50, 60), -60);
    EXPECT_EQ(view_->unitsX, units);

    // With a trace, its point keeps its pixel.
    view_->trace.kind = TracePoint;
    view_->trace.x = 1.25;
    view_->trace.y = -0.5;
    const int h = view_->screenMapping.XToPixel(1.25), v = view_->screenMapping.YToPixel(-0.5);
    Wheel(QPoint(300, 200), 120);
    EXPECT_LT(view_->unitsX, units);
    EXPECT_EQ(view_->screenMapping.XToPixel(1.25), h);
    EXPECT_EQ(view_->screenMapping.YToPixel(-0.5), v);
    // The toolbar's zoom out, as the commands call it.
    pane_->ZoomViews(3, WhichActive);
    EXPECT_EQ(view_->unitsX, units);
    EXPECT_EQ(view_->screenMapping.XToPixel(1.25), h);
}

TEST_F(GraphPaneInteraction, AnAltDragMovesTheViewByWholePixels)
{
    AddCurve("u/2");
    const double xMin = view_->xMin, yMin = view_->yMin, scaleX = view_->scaleX, scaleY = view_->scaleY;
    QTest::mousePress(pane_, Qt::LeftButton, Qt::AltModifier, QPoint(150, 100));
    QTest::mouseMove(pane_, QPoint(160, 104));
    EXPECT_EQ(view_->dragMode, DragPan);
    EXPECT_DOUBLE_EQ(view_->xMin, xMin - 10 / scaleX);
    EXPECT_DOUBLE_EQ(view_->yMin, yMin - 4 / scaleY);
    QTest::mouseRelease(pane_, Qt::LeftButton, Qt::AltModifier, QPoint(160, 104));
    EXPECT_EQ(view_->dragMode, DragNone);
    EXPECT_EQ(graphs_->captured, nullptr);
}

TEST_F(GraphPaneInteraction, APressOnACurveTracesItWithAReadout)
{
    AddCurve("sin(u)");
    // On the curve at x = 1.
    const QPoint at(view_->screenMapping.XToPixel(1), view_->screenMapping.YToPixel(std::sin(1.0)));
    QTest::mousePress(pane_, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(view_->dragMode, DragTrace);
    QTest::mouseMove(pane_, at + QPoint(6, 0));
    QTest::mouseRelease(pane_, Qt::LeftButton, Qt::NoModifier, at + QPoint(6, 0));
    ASSERT_EQ(view_->trace.kind, TracePoint);
    const double x = (at.x() + 6 - view_->screenMapping.originX) * view_->screenMapping.unitsPerPixelX;
    EXPECT_DOUBLE_EQ(view_->trace.x, x);
    EXPECT_DOUBLE_EQ(view_->trace.y, std::sin(x));

    // The readout box sits in the view's top-left corner, over the paper.
    QImage image = pane_->grab().toImage();
    if (const char* dir = std::getenv("VL_SCREENSHOT_DIR"))
        image.save(QString::fromUtf8(dir) + "/trace-readout.png");
    int dark = 0;
    for (int y = 2; y < 30; ++y)
        for (int x2 = 2; x2 < 90; ++x2)
            dark += qGray(image.pixel(x2, y)) < 100;
    EXPECT_GT(dark, 20);
}

}  // namespace
