#include "graphs2d/ATransformPlot.h"

#include "document/GraphOptions.h"
#include "evaluation/CompiledFormula.h"
#include "graphmodel/AGraphColor.h"
#include "support/MapPlotFixture.h"

#include <cmath>

namespace {

// x' and y' as the reader writes them.
#define XP "#10"
#define YP "#11"

class TransformPlot : public MapPlotFixture {
protected:
    ATransformPlot* Plot()
    {
        auto* plot = dynamic_cast<ATransformPlot*>(second()->Plot(0));
        EXPECT_NE(plot, nullptr);
        if (plot)
            EXPECT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
        return plot;
    }
};

// Each pixel of the second view holds the first view's point the map
// gives for it: for the identity its own world point.
TEST_F(TransformPlot, EveryPixelHoldsItsPointOfTheFirstView)
{
    Map(1, XP, "2*" YP);
    ATransformPlot* plot = Plot();
    ASSERT_NE(plot, nullptr);
    const ViewMapping& m = second()->drawMapping;
    for (int32_t i : {0, 17, 100}) {
        for (int32_t j : {0, 50, plot->Image().height - 1}) {
            const MapPoint p = plot->PointAt(i, j);
            EXPECT_FLOAT_EQ(p.x, static_cast<float>((m.rect.left + i - m.originX) * m.unitsPerPixelX));
            EXPECT_FLOAT_EQ(p.y, static_cast<float>(-2 * (m.rect.top + j - m.originY) * m.unitsPerPixelY));
        }
    }
}

TEST_F(TransformPlot, AnUndefinedMapLeavesItsPixelsAlone)
{
    Map(1, "sqrt(" XP ")", YP);
    ATransformPlot* plot = Plot();
    ASSERT_NE(plot, nullptr);
    // Left of x' = 0 the map is undefined: infinite, never pending.
    const MapPoint left = plot->PointAt(3, 40);
    EXPECT_TRUE(std::isinf(left.x) && std::isinf(left.y));
    EXPECT_TRUE(IsFiniteMapPoint(plot->PointAt(180, 40)));
    DrawBoth();
    const ShortRect& r = second()->rect;
    for (int v = r.top; v < r.bottom; v += 7)
        EXPECT_EQ(Colour(r.left + 3, v), 0xFFFFFFu) << v;
}

// The identity shows the first view again: paper, axes and the listed
// red line, pixel for pixel where the four samples agree.
TEST_F(TransformPlot, TheIdentityMapShowsTheFirstViewAgain)
{
    Map(1, XP, YP);
    ASSERT_NE(Plot(), nullptr);
    DrawBoth();
    EXPECT_LT(MeanDifferenceFromFirstView(), 2.0);
    // The red line at y = 0.5 is in the second view too.
    const int32_t row = second()->screenMapping.YToPixel(0.5);
    EXPECT_EQ(Colour(second()->rect.left + 40, row), 0xFF0000u);
}

// The map y = 2 y' halves heights: the line y = 0.5 shows at y' = 0.25,
// blended with the paper next to it since the map stretches it.
TEST_F(TransformPlot, ListedGraphsAreBentThroughTheMap)
{
    Map(1, XP, "2*" YP);
    ASSERT_NE(Plot(), nullptr);
    DrawBoth();
    const int32_t h = second()->rect.left + 60;
    const uint32_t line = Colour(h, second()->screenMapping.YToPixel(0.25));
    EXPECT_EQ(line >> 16, 0xFFu);
    EXPECT_LT((line >> 8) & 0xFF, 0x90u);
    EXPECT_GT((Colour(h, second()->screenMapping.YToPixel(0.5)) >> 8) & 0xFF, 0xC0u);
}

// A hidden colour leaves out paper and axes; with no listed graphs and no
// pictures nothing is drawn at all, and white never covers the view.
TEST_F(TransformPlot, AHiddenColourShowsOnlyTheListedGraphs)
{
    Map(1, XP, YP);
    ATransformPlot* plot = Plot();
    ASSERT_NE(plot, nullptr);
    plot->SetOption(OptionColor, 17);
    DrawBoth();
    const ShortRect& r = second()->rect;
    int32_t red = 0, other = 0;
    for (int v = r.top; v < r.bottom; ++v) {
        for (int h = r.left; h < r.right; ++h) {
            const uint32_t c = Colour(h, v);
            red += c == 0xFF0000;
            other += c != 0xFF0000 && c != 0xFFFFFF;
        }
    }
    EXPECT_GE(red, r.right - r.left - 8);
    EXPECT_EQ(other, 0);

    set->complexMapGraphs.Clear();
    MakePort(kPaneWidth, kPaneHeight, 0x808080);
    ReleasePortDC();
    plot->Draw();
    EXPECT_EQ(Colour(r.left + 50, r.top + 50), 0x808080u);
}

TEST_F(TransformPlot, AScrollKeepsThePointsStillInView)
{
    Map(1, XP, YP);
    ATransformPlot* plot = Plot();
    ASSERT_NE(plot, nullptr);
    const MapPoint before = plot->PointAt(50, 60);
    plot->Stop();
    plot->ViewScrolled(10, 0);
    // The point moved with the picture; the exposed column waits.
    const MapPoint moved = plot->PointAt(60, 60);
    EXPECT_EQ(moved.x, before.x);
    EXPECT_EQ(moved.y, before.y);
    EXPECT_EQ(plot->FirstPendingRow(), 0);
    EXPECT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
}

}  // namespace
