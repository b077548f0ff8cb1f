// The graph pane: surfaces that follow the pane's size, the mouse passed to
// the graph set, the graph copied, printed and dropped on.
#include "app/CGraphView.h"

#include "app/GraphPaneServices.h"
#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "document/DocState.h"
#include "drawing/DDUtils.h"
#include "graphs2d/GraphSet.h"
#include "support/GraphPaneFixture.h"
#include "support/RecordingGraphView.h"
#include "support/TestApp.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

ShortRect Rect(int top, int left, int bottom, int right)
{
    ShortRect r;
    SetShortRect(r, top, left, bottom, right);
    return r;
}

// Two views side by side; the first 2D view may be shown and takes drops.
class PaneGraphSet : public GraphSet {
public:
    PaneGraphSet() : left_(Rect(10, 10, 90, 70)), right_(Rect(10, 80, 90, 150))
    {
        active = &left_;
        second = &right_;
    }
    bool IsViewShown(int32_t view, ShortRect* r) override
    {
        if (view != FirstView2D || !show2D)
            return false;
        *r = left_.rect;
        return true;
    }
    void DropPicture(int32_t view, GlobalHandle picture, ShortPoint point) override
    {
        ShortRect bounds;
        GetPictureBounds(picture, bounds);
        drops.push_back({view, point, ShortRectWidth(bounds), ShortRectHeight(bounds)});
    }

    struct Drop {
        int32_t view;
        ShortPoint point;
        int width, height;
    };
    RecordingGraphView left_, right_;
    bool show2D = true;
    std::vector<Drop> drops;
};

class CGraphViewTest : public testing::Test {
protected:
    void SetUp() override
    {
        ResetFailureRegister();
        pane_ = OpenGraphPane(&graphs_, 160, 100);
        ASSERT_NE(pane_, nullptr);
    }
    void TearDown() override
    {
        CloseGraphPane(pane_);
        ResetFailureRegister();
    }

    void PutPixel(int v, int h, uint32_t pixel)
    {
        OffscreenSurface* s = pane_->Surface();
        s->memory[v * ShortRectWidth(s->bounds) + h] = pixel;
    }

    // A drag that enters the pane and is dropped at the point.
    bool Drop(const QMimeData& data, QPoint at)
    {
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(pane_, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(pane_, &drop);
        return drop.isAccepted();
    }

    PaneGraphSet graphs_;
    CGraphView* pane_ = nullptr;
};

TEST_F(CGraphViewTest, SurfacesFollowThePaneAndAZeroHeightReleasesThem)
{
    ASSERT_FALSE(pane_->IsNotReady());
    EXPECT_EQ(CurrentPort, pane_->Surface());
    EXPECT_TRUE(EqualShortRects(pane_->Surface()->bounds, Rect(0, 0, 100, 160)));
    EXPECT_TRUE(EqualShortRects(GetDocState()->graphPaneRect, Rect(0, 0, 100, 160)));
    EXPECT_TRUE(EqualShortRects(graphs_.layoutRect, Rect(0, 0, 100, 160)));

    pane_->resize(160, 0);
    EXPECT_TRUE(pane_->IsNotReady());
    EXPECT_EQ(pane_->Surface(), nullptr);
    EXPECT_EQ(pane_->MakeDIB(2), nullptr);
    EXPECT_FALSE(pane_->CopyToClipboard(2));
    EXPECT_FALSE(IsFailurePending());  // nothing to copy is not a shortage

    pane_->resize(120, 90);
    ASSERT_FALSE(pane_->IsNotReady());
    EXPECT_TRUE(EqualShortRects(pane_->Surface()->bounds, Rect(0, 0, 90, 120)));
    EXPECT_EQ(CurrentPort, pane_->Surface());
}

TEST_F(CGraphViewTest, APressDragAndReleaseReachTheViewUnderThePress)
{
    RecordingGraphView& left = graphs_.left_;
    RecordingGraphView& right = graphs_.right_;
    QTest::mousePress(pane_, Qt::LeftButton, Qt::ControlModifier, QPoint(100, 20));
    QTest::mouseMove(pane_, QPoint(60, 30));
    QTest::mouseRelease(pane_, Qt::LeftButton, Qt::ControlModifier, QPoint(65, 40));
    EXPECT_TRUE(left.calls.empty());
    ASSERT_EQ(right.calls.size(), 3u);
    EXPECT_EQ(right.calls[0].kind, 'd');
    EXPECT_EQ(right.calls[0].point.h, 100);
    EXPECT_EQ(right.calls[0].point.v, 20);
    // Control grabs the graph anywhere and leaves pictures alone.
    EXPECT_EQ(right.calls[0].press.traceAll, 1);
    EXPECT_EQ(right.calls[0].press.noPicture, 1);
    EXPECT_EQ(right.calls[0].press.pan, 0);
    EXPECT_EQ(right.calls[0].press.box, 0);
    // The drag stays with the view that took the press, even over the other.
    EXPECT_EQ(right.calls[1].kind, 'm');
    EXPECT_EQ(right.calls[1].point.h, 60);
    EXPECT_EQ(right.calls[1].point.v, 30);
    EXPECT_EQ(right.calls[2].kind, 'u');
    EXPECT_EQ(right.calls[2].point.h, 65);
    EXPECT_EQ(right.calls[2].point.v, 40);
    EXPECT_EQ(graphs_.captured, nullptr);

    // Alt drags the axes, Shift draws a zoom box; outside both views nothing.
    QTest::mousePress(pane_, Qt::LeftButton, Qt::AltModifier | Qt::ShiftModifier, QPoint(20, 20));
    QTest::mouseRelease(pane_, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    ASSERT_EQ(left.calls.size(), 2u);
    EXPECT_EQ(left.calls[0].press.pan, 1);
    EXPECT_EQ(left.calls[0].press.box, 1);
    EXPECT_EQ(left.calls[0].press.traceAll, 0);
    QTest::mousePress(pane_, Qt::LeftButton, Qt::NoModifier, QPoint(155, 95));
    QTest::mouseRelease(pane_, Qt::LeftButton, Qt::NoModifier, QPoint(155, 95));
    EXPECT_EQ(left.calls.size(), 2u);
    EXPECT_EQ(right.calls.size(), 3u);
}

TEST_F(CGraphViewTest, CopyPutsTheGraphOnTheClipboardTheRightWayUp)
{
    PutPixel(0, 0, 0xFF0000);
    PutPixel(99, 159, 0x0000FF);
    const ShortRect& right = graphs_.right_.rect;  // as the graph set laid it out
    PutPixel(right.top, right.left, 0x00FF00);    // the second view's top-left corner
    QApplication::clipboard()->clear();
    ASSERT_TRUE(pane_->CopyToClipboard(2));
    QImage whole = QApplication::clipboard()->image();
    ASSERT_EQ(whole.size(), QSize(160, 100));
    EXPECT_EQ(whole.pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(whole.pixel(159, 99) & 0xFFFFFF, 0x0000FFu);

    ASSERT_TRUE(pane_->CopyToClipboard(1));
    QImage view = QApplication::clipboard()->image();
    ASSERT_EQ(view.size(), QSize(ShortRectWidth(right), ShortRectHeight(right)));
    EXPECT_EQ(view.pixel(0, 0) & 0xFFFFFF, 0x00FF00u);
    EXPECT_FALSE(IsFailurePending());
}

TEST_F(CGraphViewTest, ADroppedBitmapIsPlacedWhereItFalls)
{
    QTemporaryDir dir;
    // A 2 x 1 24-bit bitmap: red, then blue.
    const uint8_t bmp[] = {'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  //
                           40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
                           8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                           0, 0, 255, 255, 0, 0, 0, 0};
    auto write = [&](const char* name, const void* bytes, size_t size) {
        QString path = dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(static_cast<const char*>(bytes), static_cast<qint64>(size));
        return path;
    };
    auto drop = [&](const QString& path, QPoint at) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        return Drop(data, at);
    };
    struct Case {
        const char* name;
        QPoint at;
        bool placed;
    } cases[] = {
        {"graph.bmp", {30, 40}, true},
        {"GRAPH.BMP", {30, 40}, true},        // the extension in any case
        {".bmp", {30, 40}, false},            // the extension alone is no name
        {"graph.png", {30, 40}, false},
        {"graph.bmp", {100, 40}, false},      // not in the shown 2D view
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        graphs_.drops.clear();
        EXPECT_EQ(drop(write(c.name, bmp, sizeof bmp), c.at), c.placed);
        ASSERT_EQ(graphs_.drops.size(), c.placed ? 1u : 0u);
        if (c.placed) {
            EXPECT_EQ(graphs_.drops[0].view, FirstView2D);
            EXPECT_EQ(graphs_.drops[0].point.h, 30);
            EXPECT_EQ(graphs_.drops[0].point.v, 40);
            EXPECT_EQ(graphs_.drops[0].width, 2);
            EXPECT_EQ(graphs_.drops[0].height, 1);
        }
        EXPECT_FALSE(IsFailurePending());
    }

    // A damaged bitmap is refused with its failure; an image dropped as
    // data is placed like a file.
    graphs_.drops.clear();
    EXPECT_FALSE(drop(write("bad.bmp", bmp, 30), {30, 40}));
    EXPECT_EQ(TakePendingFailure(), FailureUnreadableFile);
    QMimeData data;
    QImage image(5, 3, QImage::Format_RGB32);
    image.fill(Qt::green);
    data.setImageData(image);
    EXPECT_TRUE(Drop(data, {20, 30}));
    ASSERT_EQ(graphs_.drops.size(), 1u);
    EXPECT_EQ(graphs_.drops[0].width, 5);

    // Neither a 2D view nor an equation being edited: nothing happens.
    graphs_.show2D = false;
    graphs_.drops.clear();
    EXPECT_FALSE(drop(write("graph.bmp", bmp, sizeof bmp), {30, 40}));
    EXPECT_TRUE(graphs_.drops.empty());
}

TEST_F(CGraphViewTest, ThePanePrintsOnePageAtItsPhysicalSize)
{
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("graph.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    ASSERT_EQ(pane_->OnBeginPrinting(printer), 1);
    {
        QPainter painter(&printer);
        EXPECT_TRUE(pane_->OnPrint(painter, printer));
    }
    pane_->OnEndPrinting();
    QFile pdf(path);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5).startsWith("%PDF"));
    EXPECT_GT(pdf.size(), 500);

    // A hidden pane has nothing to print.
    pane_->hide();
    EXPECT_EQ(pane_->OnBeginPrinting(printer), 0);
    pane_->OnEndPrinting();
}

TEST(PrintedPictureSize, KeepsThePhysicalSizeAndFitsThePage)
{
    struct Case {
        int w, h, printerDpi, screenDpi, pageW, pageH;
        QSize expected;
    } cases[] = {
        {600, 384, 600, 96, 5000, 7000, {3750, 2400}},
        {600, 384, 600, 96, 3000, 7000, {3000, 1920}},   // narrower page: scaled to its width
        {600, 384, 600, 96, 5000, 1200, {1875, 1200}},   // lower page: then to its height
        {600, 384, 96, 96, 5000, 7000, {600, 384}},
        {100, 100, 300, 192, 5000, 7000, {156, 156}},    // a screen of two pixels a point
    };
    for (const Case& c : cases)
        EXPECT_EQ(PrintedPictureSize(c.w, c.h, QSizeF(c.printerDpi, c.printerDpi),
                                     QSizeF(c.screenDpi, c.screenDpi), QSize(c.pageW, c.pageH)),
                  c.expected)
            << c.w << 'x' << c.h << " at " << c.printerDpi;
}

}  // namespace
