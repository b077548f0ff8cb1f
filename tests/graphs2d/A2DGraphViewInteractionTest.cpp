// The 2D view's answers to the user: zoom about a fixed point, panning by
// whole pixels with capped automatic scrolling, the zoom box, pictures, and
// what a press starts for each combination of keys.
#include "graphs2d/A2DGraphView.h"

#include "document/DocumentTask.h"
#include "document/DocState.h"
#include "graphmodel/GraphCodes.h"
#include "CoreUtilities/PictureHandle.h"
#include "support/FakeGraphServices.h"
#include "support/StubPlot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// A plot that answers a fixed hit and traces the point it is asked about;
// it notes the whole-pixel scrolls it is told of.
class PressPlot : public StubPlot {
public:
    PressPlot(const ViewMapping* m, int priority, bool hit) : StubPlot(m), priority_(priority), hit_(hit) {}
    int GetHitPriority() override { return priority_; }
    bool HitTest(double, double) override { return hit_; }
    TraceInfo Trace(double x, double y) override
    {
        TraceInfo t;
        t.kind = TracePoint;
        t.x = x;
        t.y = y;
        return t;
    }
    void ViewScrolled(int32_t dx, int32_t dy) override { scrolls.push_back({dx, dy}); }

    std::vector<std::pair<int32_t, int32_t>> scrolls;

private:
    int priority_;
    bool hit_;
};

ShortPoint P(int v, int h)
{
    return ShortPoint{static_cast<int16_t>(v), static_cast<int16_t>(h)};
}

ViewMouseEvent Press(ShortPoint p, bool traceAll = false, bool pan = false, bool box = false, bool twice = false)
{
    return ViewMouseEvent{p, traceAll, pan, traceAll, box, twice};
}

class ViewInteraction : public testing::Test {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        view.doc = &doc;
        // 400 x 300: world 0 at column 200, row 149, 64 pixels a unit.
        SetShortRect(view.rect, 0, 0, 300, 400);
        view.Resized();
        view.SetDefaultView();
        view.UpdateMappings();
        view.trace.Clear();
    }

    PressPlot* Add(int priority = HitPriorityNext, bool hit = false)
    {
        auto* plot = new PressPlot(&view.drawMapping, priority, hit);
        view.graphs.Push(plot);
        return plot;
    }

    void Drag(ShortPoint from, std::initializer_list<ShortPoint> moves, const ViewMouseEvent& press)
    {
        ViewMouseEvent e = press;
        e.point = from;
        view.MouseDown(e);
        for (ShortPoint p : moves)
            view.MouseMove(p.h, p.v);
    }

    double WorldX(int h) const { return (h - view.screenMapping.originX) * view.screenMapping.unitsPerPixelX; }
    double WorldY(int v) const { return -(v - view.screenMapping.originY) * view.screenMapping.unitsPerPixelY; }

    FakeGraphServices services;
    DocState doc;
    A2DGraphView view;
};

TEST_F(ViewInteraction, ZoomKeepsTheAxesCrossingOrTheTracePointOnItsPixel)
{
    struct Case {
        const char* name;
        int32_t traceKind;
        double x, y;
        int32_t code;
        bool unitsChange;
    };
    const Case cases[] = {
        {"no trace, in", TraceNothing, 0, 0, 0, true},
        {"no trace, out", TraceNothing, 0, 0, 3, true},
        {"NaN trace counts as none", TracePoint, NAN, 1, 0, true},
        {"trace inside, in", TracePoint, 1.5, 0.75, 0, true},
        {"trace inside, out on x", TracePoint, -2.25, 1.25, 4, true},
        {"trace outside", TracePoint, 100, 0.5, 0, false},
    };
    for (const Case& c : cases) {
        SetUp();
        // Move the view off centre so that the axes' crossing is not the
        // view's middle.
        view.Pan(-37, 21);
        view.trace.Clear();
        view.trace.kind = c.traceKind;
        view.trace.x = c.x;
        view.trace.y = c.y;
        const ViewMapping before = view.screenMapping;
        const int column = view.YAxisColumn(), row = view.XAxisRow();
        const double wx = (column - before.originX) * before.unitsPerPixelX;
        const double wy = -(row - before.originY) * before.unitsPerPixelY;
        const double unitsX = view.unitsX, unitsY = view.unitsY;
        services.paneRedraws = 0;
        view.Zoom(c.code);
        const ViewMapping& after = view.screenMapping;
        EXPECT_EQ(unitsX != view.unitsX || unitsY != view.unitsY, c.unitsChange) << c.name;
        // Four frames on the way and the last.
        EXPECT_EQ(services.paneRedraws, 5) << c.name;
        if (c.traceKind == TraceNothing || std::isnan(c.x)) {
            EXPECT_EQ(view.trace.kind, TraceNothing) << c.name;
            EXPECT_NEAR(after.XToPixel(wx), column, 1) << c.name;
            EXPECT_NEAR(after.YToPixel(wy), row, 1) << c.name;
        } else if (c.unitsChange) {
            EXPECT_EQ(after.XToPixel(c.x), before.XToPixel(c.x)) << c.name;
            EXPECT_EQ(after.YToPixel(c.y), before.YToPixel(c.y)) << c.name;
        } else {
            // Out of sight on x: brought to the middle column; y stays.
            EXPECT_NEAR(after.XToPixel(c.x), 200, 1) << c.name;
            EXPECT_EQ(after.YToPixel(c.y), before.YToPixel(c.y)) << c.name;
        }
    }
}

TEST_F(ViewInteraction, ADragMovesTheViewByWholePixelsAndThePlotsFollow)
{
    PressPlot* plot = Add();
    const double xMin = view.xMin, yMin = view.yMin, scaleX = view.scaleX, scaleY = view.scaleY;
    // Alt grabs the view anywhere.
    Drag(P(100, 150), {P(104, 160)}, Press(P(0, 0), false, true));
    EXPECT_EQ(view.dragMode, DragPan);
    // Right 10 and down 4: the world under the pointer moves with it.
    EXPECT_DOUBLE_EQ(view.xMin, xMin - 10 / scaleX);
    EXPECT_DOUBLE_EQ(view.yMin, yMin - 4 / scaleY);
    ASSERT_FALSE(plot->scrolls.empty());
    EXPECT_EQ(plot->scrolls.back(), std::make_pair(10, 4));
    // Ticks still fall on whole pixels.
    const double tick = std::ceil(view.xMin / 1.0) * 1.0;
    const double column = view.screenMapping.scaleX * tick + view.screenMapping.originX;
    EXPECT_NEAR(column, std::round(column), 1e-9);
    view.MouseUp(P(104, 160));
    EXPECT_EQ(view.dragMode, DragNone);
}

TEST_F(ViewInteraction, AutomaticScrollingIsAQuarterOfTheDistanceCappedAt20)
{
    struct Case {
        ShortPoint outside;
        int dx, dy;  // the pan of a move that rests there, in pixels
    };
    const Case cases[] = {
        {P(150, -8), 2, 0},     {P(150, -40), 10, 0}, {P(150, -100), 20, 0},
        {P(150, -5000), 20, 0}, {P(150, 499), -20, 0}, {P(-30, 200), 0, 7},
        {P(340, 200), 0, -10},  {P(-200, 900), -20, 20},
    };
    for (const Case& c : cases) {
        SetUp();
        Drag(P(150, 200), {c.outside}, Press(P(0, 0), false, true));
        const double xMin = view.xMin, yMin = view.yMin;
        // The pointer rests outside: the idle step sends the same point.
        view.MouseMove(c.outside.h, c.outside.v);
        EXPECT_NEAR((view.xMin - xMin) * view.scaleX, c.dx, 1e-6) << c.outside.h << "," << c.outside.v;
        EXPECT_NEAR((view.yMin - yMin) * view.scaleY, c.dy, 1e-6) << c.outside.h << "," << c.outside.v;
        view.MouseUp(c.outside);
    }
}

TEST_F(ViewInteraction, AZoomBoxShowsItsRangesUnlessItIsThinnerThanAPixel)
{
    const double xMin = view.xMin, yMin = view.yMin, unitsX = view.unitsX;
    for (ShortPoint end : {P(100, 100), P(160, 100), P(100, 250)}) {
        Drag(P(100, 100), {end}, Press(P(0, 0), false, false, true));
        EXPECT_EQ(view.dragMode, DragZoomBox);
        view.MouseUp(end);
        EXPECT_EQ(view.xMin, xMin);
        EXPECT_EQ(view.yMin, yMin);
        EXPECT_EQ(view.unitsX, unitsX);
    }
    // A box 20 pixels wide and 10 high: each axis fitted on its own.
    const double x0 = WorldX(100), x1 = WorldX(120), y0 = WorldY(110), y1 = WorldY(100);
    Drag(P(100, 100), {P(110, 120)}, Press(P(0, 0), false, false, true));
    view.MouseUp(P(110, 120));
    EXPECT_LT(view.unitsX, unitsX);
    EXPECT_LE(view.xMin, x0);
    EXPECT_GE(WorldX(view.rect.right - 1), x1);
    EXPECT_LE(view.yMin, y0);
    EXPECT_GE(WorldY(view.rect.top), y1);
    EXPECT_NE(view.unitsX, view.unitsY);
}

TEST_F(ViewInteraction, WhatAPressStartsByKeysAndPlace)
{
    struct Case {
        const char* name;
        bool traceAll, pan, box;
        bool curveHit, pointPlot, picture;
        ShortPoint at;
        int32_t mode;
        bool answer;         // true: the press did nothing
        int32_t traced;      // -1: not looked at
    };
    const ShortPoint empty = P(40, 40);       // off both axis bands
    const ShortPoint onAxis = P(149, 60);     // on the x axis
    const ShortPoint onPicture = P(60, 330);  // inside the placed picture
    const Case cases[] = {
        {"Shift draws a box", false, false, true, true, false, false, empty, DragZoomBox, false, -1},
        {"Shift on a point still boxes", false, false, true, false, true, false, empty, DragZoomBox, false, -1},
        {"Alt pans", false, true, false, true, false, false, empty, DragPan, false, -1},
        {"Ctrl traces the first graph anywhere", true, false, false, false, false, false, empty, DragTrace, false, 0},
        {"Ctrl leaves pictures alone", true, false, false, false, false, true, onPicture, DragTrace, false, 0},
        {"a press on a picture grabs it", false, false, false, false, false, true, onPicture, DragPicture, false, -1},
        {"empty area does nothing", false, false, false, false, false, false, empty, DragNone, true, -1},
        {"a curve under the press is traced", false, false, false, true, false, false, empty, DragTrace, false, 1},
        {"an empty axis band grabs the view", false, false, false, false, false, false, onAxis, DragPan, false, -1},
        {"a point on the axis band is traced", false, false, false, false, true, false, onAxis, DragTrace, false, 2},
    };
    for (const Case& c : cases) {
        SetUp();
        view.pictures.FreeAll();
        view.graphs.Push(new PressPlot(&view.drawMapping, HitPriorityLast, false));
        view.graphs.Push(new PressPlot(&view.drawMapping, HitPriorityNext, c.curveHit));
        view.graphs.Push(new PressPlot(&view.drawMapping, HitPriorityFirst, c.pointPlot));
        if (c.picture) {
            ShortRect r;
            SetShortRect(r, 0, 0, 40, 40);
            PictureHandle picture = NewPictureHandle(r);
            ASSERT_NE(picture, nullptr);
            ShortPoint at = onPicture;
            view.PlacePicture(picture, &at);
            FreeGlobalHandle(picture);
        }
        view.tracedGraph = -1;
        const bool answer = view.MouseDown(Press(c.at, c.traceAll, c.pan, c.box));
        EXPECT_EQ(answer, c.answer) << c.name;
        EXPECT_EQ(view.dragMode, c.mode) << c.name;
        if (c.traced >= 0)
            EXPECT_EQ(view.tracedGraph, c.traced) << c.name;
        if (c.mode == DragTrace)
            EXPECT_NE(view.trace.kind, TraceNothing) << c.name;
        view.MouseUp(c.at);
        EXPECT_EQ(view.dragMode, DragNone) << c.name;
        // The graphs go with the view at the next set-up.
        DeleteGraphs(view.graphs);
    }
}

TEST_F(ViewInteraction, ADoubleClickOnAGraphZoomsInAboutIt)
{
    Add(HitPriorityNext, true);
    const double unitsX = view.unitsX;
    EXPECT_FALSE(view.MouseDown(Press(P(40, 40), false, false, false, true)));
    EXPECT_LT(view.unitsX, unitsX);
    view.MouseUp(P(40, 40));
}

TEST_F(ViewInteraction, APictureDroppedCentredAndDraggedOutIsGone)
{
    ShortRect r;
    SetShortRect(r, 0, 0, 20, 30);
    PictureHandle picture = NewPictureHandle(r);
    ASSERT_NE(picture, nullptr);
    view.PlacePicture(picture, nullptr);
    FreeGlobalHandle(picture);
    ASSERT_EQ(view.pictures.entries.count, 1);
    // Centred on the view's middle, (150, 200).
    ShortRect placed = view.PictureRect(0);
    EXPECT_EQ(placed.left, 185);
    // The picture's bottom row is the one above the point's world y.
    EXPECT_EQ(placed.top, 139);
    EXPECT_EQ(ShortRectWidth(placed), 30);

    // Moved a little, it stays.
    Drag(P(150, 200), {P(160, 190)}, Press(P(0, 0)));
    EXPECT_EQ(view.dragMode, DragPicture);
    view.MouseUp(P(160, 190));
    ASSERT_EQ(view.pictures.entries.count, 1);
    EXPECT_EQ(view.PictureRect(0).left, 175);
    EXPECT_EQ(view.PictureRect(0).top, 149);
    // Dragged wholly out of the view, it goes.
    Drag(P(160, 190), {P(160, -300)}, Press(P(0, 0)));
    view.MouseUp(P(160, -300));
    EXPECT_EQ(view.pictures.entries.count, 0);
}

// A point that can be dragged: hit within its own pixel, traced where the
// pointer is, and moved by the options the trace sends it.
class DraggablePoint : public StubPlot {
public:
    explicit DraggablePoint(const ViewMapping* m) : StubPlot(m) {}
    int GetHitPriority() override { return HitPriorityFirst; }
    bool HitTest(double x, double y) override
    {
        return std::fabs(x - px) < 4 * mapping->unitsPerPixelX && std::fabs(y - py) < 4 * mapping->unitsPerPixelY;
    }
    TraceInfo Trace(double x, double y) override
    {
        TraceInfo t;
        t.kind = TraceDraggablePoint;
        t.x = x;
        t.y = y;
        return t;
    }
    void SetOption(int32_t code, double value) override
    {
        (code == OptionPointX ? px : py) = value;
        ++moves;
    }
    double px = 1, py = 1;
    int moves = 0;
};

TEST_F(ViewInteraction, ADraggedPointFollowsThePointerPixelByPixel)
{
    Add(HitPriorityNext, true);  // a curve under it loses to the point
    auto* point = new DraggablePoint(&view.drawMapping);
    view.graphs.Push(point);
    // The point (1, 1) is at column 264, row 85: a press there grabs it.
    EXPECT_FALSE(view.MouseDown(Press(P(85, 264))));
    EXPECT_EQ(view.dragMode, DragTrace);
    EXPECT_EQ(view.tracedGraph, 1);
    view.MouseMove(274, 101);
    EXPECT_DOUBLE_EQ(point->px, WorldX(274));
    EXPECT_DOUBLE_EQ(point->py, WorldY(101));
    // A move within the same pixel sends nothing more.
    const int moves = point->moves;
    view.MouseMove(274, 101);
    EXPECT_EQ(point->moves, moves);
    view.MouseUp(P(101, 274));
    EXPECT_EQ(view.trace.kind, TraceDraggablePoint);
    EXPECT_EQ(view.dragMode, DragNone);
}

TEST_F(ViewInteraction, AxisBandsAndTheTraceBandsMakeTheCursorRegions)
{
    EXPECT_TRUE(view.IsOnAxisBand(P(142, 10)));
    EXPECT_FALSE(view.IsOnAxisBand(P(141, 10)));
    EXPECT_TRUE(view.IsOnAxisBand(P(158, 10)));
    EXPECT_FALSE(view.IsOnAxisBand(P(159, 10)));
    EXPECT_TRUE(view.IsOnAxisBand(P(10, 184)));
    EXPECT_FALSE(view.IsOnAxisBand(P(10, 183)));
    view.showAxes = 0;
    EXPECT_FALSE(view.IsOnAxisBand(P(149, 10)));
    view.showAxes = 1;

    Region r = NewRegion();
    view.GetGraphHitRegion(r, 0, P(10, 10));
    EXPECT_FALSE(PointInRegion(P(10, 10), r));
    view.trace.kind = TracePoint;
    view.trace.x = 1;  // column 264
    view.trace.y = 1;  // row 85
    view.GetGraphHitRegion(r, 0, P(10, 10));
    EXPECT_TRUE(PointInRegion(P(10, 269), r));
    EXPECT_FALSE(PointInRegion(P(10, 270), r));
    EXPECT_TRUE(PointInRegion(P(80, 10), r));
    EXPECT_FALSE(PointInRegion(P(79, 10), r));
    view.GetGraphHitRegion(r, 1, P(10, 10));
    EXPECT_TRUE(PointInRegion(P(0, 0), r));
    DisposeRegion(r);
}

}  // namespace
