// The graph pane on a screen of two device pixels per logical pixel: its
// surface, client area, cursor position and zones all count device pixels.
#include "app/GraphPaneServices.h"
#include "app/CGraphView.h"
#include "document/DocState.h"
#include "editor/COndrelView.h"
#include "platform/WindowQueries.h"
#include "support/TestApp.h"
#include "support/ZonedGraphSet.h"

#include <QCursor>
#include <gtest/gtest.h>

namespace {

ShortRect Rect(int top, int left, int bottom, int right)
{
    ShortRect r;
    SetShortRect(r, top, left, bottom, right);
    return r;
}

TEST(GraphPaneScaled, SurfaceClientAreaAndMouseAreInDevicePixels)
{
    TestApp();
    LoadCursorsAndRegions();
    CGraphView pane(nullptr);
    pane.resize(100, 80);
    pane.show();
    ASSERT_EQ(pane.devicePixelRatioF(), 2.0) << "QT_SCALE_FACTOR=2 is missing from the environment";
    // Zones in device pixels: a graph at the top left, axes along the bottom.
    ZonedGraphSet zones(Rect(0, 0, 30, 50), Rect(120, 0, 160, 200));
    DocState* doc = GetDocState();
    doc->Graphs = &zones;
    SetGraphPaneWindow(&pane);

    ASSERT_NE(pane.Surface(), nullptr);
    EXPECT_EQ(ShortRectWidth(pane.Surface()->bounds), 200);
    EXPECT_EQ(ShortRectHeight(pane.Surface()->bounds), 160);
    EXPECT_TRUE(EqualShortRects(GetWindowClientRect(&pane), Rect(0, 0, 160, 200)));

    struct Case {
        int x, y;  // logical pixels of the pane
        CursorHandle* expected;
    } cases[] = {
        {10, 10, &MoveCursor},      // device 20, 20
        {20, 20, &ArrowCursor},     // device 40, 40: below the graph
        {95, 70, &OpenHandCursor},  // device 190, 140: on the axes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << ',' << c.y);
        QCursor::setPos(pane.mapToGlobal(QPoint(c.x, c.y)));
        ShortPoint p;
        ASSERT_TRUE(GetCursorPositionIn(&pane, p));
        EXPECT_EQ(p.h, 2 * c.x);
        EXPECT_EQ(p.v, 2 * c.y);
        SetCursor(nullptr, nullptr);
        UpdateGraphPaneCursor();
        EXPECT_EQ(GetCursor(), *c.expected);
    }
    SetGraphPaneWindow(nullptr);
    doc->Graphs = nullptr;
}

}  // namespace
