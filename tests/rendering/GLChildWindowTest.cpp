#include "rendering/GLChildWindow.h"

#include "document/DocState.h"
#include "drawing/DibImage.h"
#include "rendering/GLProbe.h"
#include "rendering/ViewRenderContext.h"
#include "support/TestApp.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <vector>

namespace {

// A graph pane that notes where mouse events reach it and which keys.
class RecordingPane : public QWidget {
public:
    std::vector<QPoint> presses;
    std::vector<int> keys;

protected:
    void mousePressEvent(QMouseEvent* e) override { presses.push_back(e->position().toPoint()); }
    void keyPressEvent(QKeyEvent* e) override { keys.push_back(e->key()); }
};

TEST(GLChildWindow, MouseReachesThePaneInPaneCoordinatesAndKeysPassOn)
{
    TestApp();
    RecordingPane pane;
    GLChildWindow child(&pane);
    const ShortRect view{20, 300, 220, 500};
    child.SetViewRect(&view);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 5), QPointF(10, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&child, &press);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QCoreApplication::sendEvent(&child, &key);
    ASSERT_EQ(pane.presses.size(), 1u);
    EXPECT_EQ(pane.presses[0], QPoint(310, 25));
    EXPECT_EQ(pane.keys, std::vector<int>{Qt::Key_Left});

    // Before the first frame there is no rectangle: positions pass unchanged.
    child.SetViewRect(nullptr);
    QCoreApplication::sendEvent(&child, &press);
    EXPECT_EQ(pane.presses.back(), QPoint(10, 5));
}

TEST(GLChildWindow, PanePointsWrapLikeSixteenBitWords)
{
    const ShortRect view{32000, 32000, 32100, 32100};
    const ShortPoint p = PanePointOfChildPoint(&view, 1000, 10);
    EXPECT_EQ(p.h, static_cast<int16_t>(33000));
    EXPECT_EQ(p.v, 32010);
}

TEST(GLChildWindow, WithoutADisplayEveryViewDrawsInSoftware)
{
    ProbeOpenGL();
    EXPECT_FALSE(AreGLExtensionsAvailable());
    DocState doc;
    doc.graphPaneImage = NewDibImage(ShortRect{0, 0, 40, 40});
    ViewRenderContext ctx;
    ctx.SetOwner(nullptr, &doc);
    ctx.SetRequestedMode(RenderModeGLWindow);
    ctx.Configure(ShortRect{0, 0, 40, 40}, nullptr);
    EXPECT_EQ(ctx.GetMode(), RenderModeSoftware);
    EXPECT_EQ(ctx.BeginFrame(false), 0);
    ctx.Release();
    DisposeDibImage(doc.graphPaneImage);
}

}  // namespace
