#include "graphs2d/A2DGraphView.h"

#include "document/DocState.h"
#include "drawing/OffscreenSurface.h"
#include "graphmodel/GraphCodes.h"
#include "support/FakeGraphServices.h"
#include "support/StubPlot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// A plot with data bounds, that notes the drawing mapping it sees when it is
// stopped and restarted, and its resizes and pans.
class BoundedPlot : public StubPlot {
public:
    explicit BoundedPlot(const ViewMapping* drawMapping) : StubPlot(drawMapping) {}

    void Stop() override { stoppedAtScale.push_back(mapping->scaleX); }
    void Restart() override { restartedAtScale.push_back(mapping->scaleX); }
    void ViewResized() override { ++resized; }
    void ViewScrolled(int32_t dx, int32_t dy) override { scrolled += dx + 100 * dy; }
    void SetOption(int32_t code, double value) override { options.push_back({code, value}); }
    bool HasResolution() override { return false; }
    bool GetDataBounds(double* x0, double* x1, double* y0, double* y1) override
    {
        if (!hasBounds)
            return false;
        *x0 = bounds[0];
        *x1 = bounds[1];
        *y0 = bounds[2];
        *y1 = bounds[3];
        return true;
    }

    bool hasBounds = false;
    double bounds[4] = {};
    std::vector<double> stoppedAtScale;
    std::vector<double> restartedAtScale;
    int resized = 0;
    int scrolled = 0;
    std::vector<std::pair<int32_t, double>> options;
};

class View2D : public testing::Test {
protected:
    // The view as the graph set lays it out: rectangle, document, Resized.
    void Layout(int top, int left, int bottom, int right)
    {
        SetShortRect(view.rect, top, left, bottom, right);
        view.Resized();
    }

    BoundedPlot* Add()
    {
        auto* plot = new BoundedPlot(&view.drawMapping);
        view.graphs.Push(plot);
        return plot;
    }

    // The pixel column of the view's first x tick, as a real number.
    double FirstTickColumn()
    {
        const double spacing = (view.tickKindX == TickKind5 ? 5 : 4) * view.unitsX;
        const double tick = std::ceil(view.xMin / spacing) * spacing;
        return view.screenMapping.scaleX * tick + view.screenMapping.originX;
    }

    FakeGraphServices services;
    DocState doc;
    A2DGraphView view;

    void SetUp() override { view.doc = &doc; }
};

TEST_F(View2D, DefaultViewCentresWorldZeroAt64PixelsPerUnit)
{
    // Placed away from the pane's corner: world 0 is at (200, 149) from the
    // rectangle's top-left.
    SetShortRect(view.rect, 10, 20, 310, 420);
    view.SetDefaultView();
    view.UpdateMappings();
    EXPECT_EQ(view.xMin, -3.125);
    EXPECT_EQ(view.yMin, -2.34375);
    EXPECT_EQ(view.scaleX, 64);
    EXPECT_EQ(view.scaleY, -64);
    EXPECT_EQ(view.originX, 20 + 200);
    EXPECT_EQ(view.originY, 10 + 149);
    EXPECT_EQ(view.screenMapping.XToPixel(0), 220);
    EXPECT_EQ(view.screenMapping.YToPixel(0), 159);
    EXPECT_EQ(view.screenMapping.XToPixel(view.xMin), 20);
    EXPECT_EQ(view.screenMapping.YToPixel(view.yMin), 309);
    EXPECT_EQ(view.tickKindX, TickKind1);
    EXPECT_EQ(view.unitsY, 0.25);

    // Odd sizes halve with truncation.
    SetShortRect(view.rect, 0, 0, 301, 401);
    view.SetDefaultView();
    EXPECT_EQ(view.xMin, -3.125);
    EXPECT_EQ(view.yMin, -2.34375);

    // The polar ranges go back to their defaults.
    view.rMax = 9;
    view.thetaMax = 1;
    SetShortRect(view.rect, 0, 0, 0, 0);
    view.SetDefaultView();
    EXPECT_EQ(view.xMin, -2);
    EXPECT_EQ(view.yMin, -2);
    EXPECT_EQ(view.rMax, 2);
    EXPECT_EQ(view.thetaMax, 6.283185307179586);

    A2DGraphView fresh;
    EXPECT_EQ(fresh.xMin, -2);
    EXPECT_EQ(fresh.yMin, -2);
    EXPECT_EQ(fresh.tMax, 1);
    EXPECT_EQ(fresh.dragPoint.h, -32768);
}

TEST_F(View2D, ZoomStepsWalkTheLatticeBothWays)
{
    struct Step {
        double units;
        int32_t kind;
        double tickSpacing;
    };
    // From the default, zooming in, then zooming out from the default.
    const Step in[] = {{0.1, TickKind5, 0.5},   {0.05, TickKind2, 0.2}, {0.025, TickKind1, 0.1},
                       {0.01, TickKind5, 0.05}, {0.005, TickKind2, 0.02}};
    const Step out[] = {{0.5, TickKind2, 2}, {1, TickKind5, 5}, {2.5, TickKind1, 10}, {5, TickKind2, 20}};
    for (int code : {0, 1}) {
        view.SetDefaultView();
        for (const Step& s : in) {
            view.StepUnits(code);
            EXPECT_NEAR(view.unitsX, s.units, s.units * 1e-12) << code;
            EXPECT_EQ(view.tickKindX, s.kind) << code;
            EXPECT_NEAR((view.tickKindX == TickKind5 ? 5 : 4) * view.unitsX, s.tickSpacing, s.units * 1e-12);
        }
        // Code 1 zooms x alone.
        EXPECT_EQ(view.unitsY, code == 0 ? view.unitsX : 0.25);
    }
    for (int code : {3, 5}) {
        view.SetDefaultView();
        for (const Step& s : out) {
            view.StepUnits(code);
            EXPECT_EQ(view.unitsY, s.units) << code;
            EXPECT_EQ(view.tickKindY, s.kind) << code;
        }
        EXPECT_EQ(view.unitsX, code == 3 ? view.unitsY : 0.25);
    }
    // In then out comes back.
    view.SetDefaultView();
    view.StepUnits(0);
    view.StepUnits(3);
    EXPECT_EQ(view.unitsX, 0.25);
    EXPECT_EQ(view.tickKindX, TickKind1);

    // Other codes, and units that are not a positive number, change nothing.
    for (double units : {0.25, 0.0, -1.0, kNaN, kInf}) {
        for (int code : {-1, 6, 7, 0, 3}) {
            if (units == 0.25 && (code == 0 || code == 3))
                continue;
            view.unitsX = units;
            view.tickKindX = TickKind2;
            view.StepUnitsX(code);
            EXPECT_TRUE(view.unitsX == units || (std::isnan(units) && std::isnan(view.unitsX))) << units;
            EXPECT_EQ(view.tickKindX, TickKind2);
        }
    }
}

TEST_F(View2D, FittingARangeWidensUnitsUntilItFitsThenLeavesIt)
{
    Layout(0, 0, 300, 401);
    view.FitRangeX(-10, 10);
    EXPECT_EQ(view.unitsX, 1);
    EXPECT_EQ(view.tickKindX, TickKind5);
    EXPECT_EQ(view.xMin, -12.5);
    view.UpdateScaleAndOrigin();
    view.UpdateMappings();
    view.FitRangeX(10, -10);
    EXPECT_EQ(view.unitsX, 1);
    EXPECT_EQ(view.tickKindX, TickKind5);
    EXPECT_EQ(view.xMin, -12.5);

    // A narrower range zooms in; y fits by the height.
    view.FitRangeX(0, 1);
    EXPECT_LT(view.unitsX, 1);
    view.FitRangeY(-1, 1);
    EXPECT_GT(view.unitsY, 0);
    EXPECT_LE(2 - 1e-12, 299 * view.unitsY / 16);
}

// Powers of ten made by repeated multiplication are a few ulps off: the
// units must still land on the lattice, or fitting the same range again
// moves them (and the view) each time.
TEST_F(View2D, FittedUnitsStayOnTheLatticeAtEveryScale)
{
    Layout(0, 0, 300, 401);
    for (int e = -24; e <= 24; e += 3) {
        const double p = std::pow(10.0, e);
        for (const auto& r : {std::pair{-3.7, 4.1}, std::pair{0.12, 0.98}, std::pair{5.0, 61.0}}) {
            view.FitRangeX(r.first * p, r.second * p);
            const double units = view.unitsX;
            const double mantissa = 2 * units / std::pow(10.0, std::floor(std::log10(2 * units) + 1e-9));
            EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-12 || std::fabs(mantissa - 2) < 1e-12 ||
                        std::fabs(mantissa - 5) < 1e-12)
                << e << ": " << units;
            view.UpdateScaleAndOrigin();
            view.UpdateMappings();
            const double xMin = view.xMin;
            const int32_t kind = view.tickKindX;
            view.FitRangeX(r.first * p, r.second * p);
            EXPECT_EQ(view.unitsX, units) << e;
            EXPECT_EQ(view.tickKindX, kind) << e;
            EXPECT_EQ(view.xMin, xMin) << e;
        }
    }
}

TEST_F(View2D, DegenerateAndNonFiniteRangesLeaveTheAxis)
{
    Layout(0, 0, 300, 401);
    const double before[3] = {view.unitsX, static_cast<double>(view.tickKindX), view.xMin};
    const double ranges[][2] = {{3, 3},     {0, 0},     {kNaN, 1},         {1, kNaN},        {-kInf, 1},
                                {1, kInf},  {kInf, kInf}, {-1e308, 1e308}, {-kInf, kInf}};
    for (const auto& r : ranges) {
        view.FitRangeX(r[0], r[1]);
        view.FitRangeY(r[0], r[1]);
        EXPECT_EQ(view.unitsX, before[0]) << r[0] << " " << r[1];
        EXPECT_EQ(view.tickKindX, before[1]);
        EXPECT_EQ(view.xMin, before[2]);
        view.SetRanges(r[0], r[1], r[1], r[0]);
        EXPECT_TRUE(std::isfinite(view.xMin) && std::isfinite(view.yMin));
        EXPECT_EQ(view.unitsX, before[0]);
    }

    // Ranges at the ends of the double range still end, on a usable scale.
    for (const auto& r : {std::pair{1e-320, 3e-320}, std::pair{-1e300, 1e300}, std::pair{1.0, 1.0 + 1e-15}}) {
        view.SetDefaultView();
        view.UpdateMappings();
        view.FitRangeX(r.first, r.second);
        EXPECT_TRUE(view.unitsX > 0 && std::isfinite(view.unitsX)) << r.first;
        EXPECT_TRUE(std::isfinite(view.xMin)) << r.first;
    }

    // A tick kind from outside {1, 2, 5} widens as kind 1 and lands on the lattice.
    view.SetDefaultView();
    view.UpdateMappings();
    view.tickKindX = 3;
    view.FitRangeX(-10, 10);
    EXPECT_EQ(view.unitsX, 1);
    EXPECT_EQ(view.tickKindX, TickKind5);
}

TEST_F(View2D, SnappingPutsTicksOnWholePixelsAndIsIdempotent)
{
    Layout(0, 0, 300, 401);
    const double ranges[][4] = {{-10, 10, -5, 5}, {0.1, 0.7, -0.33, 2.9}, {-1234.5, 987.25, 1e-3, 2e-3},
                                {3, 17, -100, -1}};
    for (const auto& r : ranges) {
        view.SetRanges(r[0], r[1], r[2], r[3]);
        const double column = FirstTickColumn();
        EXPECT_NEAR(column, std::round(column), 1e-6) << r[0];
        // The requested range is shown.
        EXPECT_LE(view.xMin, std::min(r[0], r[1]) + view.unitsX / 16);
        EXPECT_GE(view.xMin + 400 * view.unitsX / 16, std::max(r[0], r[1]) - view.unitsX / 16);
        const double xMin = view.xMin, yMin = view.yMin, units = view.unitsX;
        view.SnapRangesToTicks();
        EXPECT_EQ(view.xMin, xMin);
        EXPECT_EQ(view.yMin, yMin);
        view.SetRanges(r[0], r[1], r[2], r[3]);
        EXPECT_EQ(view.xMin, xMin) << r[0];
        EXPECT_EQ(view.yMin, yMin) << r[2];
        EXPECT_EQ(view.unitsX, units);
    }
    EXPECT_EQ(FakeGraphServices::workPending.load(), 8);
    EXPECT_EQ(FakeGraphServices::cursorUpdates.load(), 8);
}

TEST_F(View2D, SetRangesStopsThePlotsBeforeTheMappingChanges)
{
    Layout(0, 0, 300, 401);
    BoundedPlot* plot = Add();
    plot->stoppedAtScale.clear();
    view.SetRanges(-10, 10, -10, 10);
    ASSERT_EQ(plot->stoppedAtScale.size(), 1u);
    EXPECT_EQ(plot->stoppedAtScale[0], 64);
    ASSERT_EQ(plot->restartedAtScale.size(), 1u);
    EXPECT_EQ(plot->restartedAtScale[0], 16);
}

TEST_F(View2D, FittingToDataWidensToEveryPlotsBounds)
{
    Layout(0, 0, 300, 401);
    BoundedPlot* inside = Add();
    Add();  // no data bounds
    EXPECT_FALSE(view.CanExtendRangesToData());
    inside->hasBounds = true;
    const double in[4] = {-1, 1, -1, 1};
    std::copy(in, in + 4, inside->bounds);
    EXPECT_FALSE(view.CanExtendRangesToData());

    BoundedPlot* outside = Add();
    outside->hasBounds = true;
    const double out[4] = {0, 40, -2, 3};
    std::copy(out, out + 4, outside->bounds);
    EXPECT_TRUE(view.CanExtendRangesToData());
    view.ExtendRangesToData();
    EXPECT_LE(view.xMin, -3.125);
    EXPECT_GE(view.xMin + 400 * view.unitsX / 16, 40);
    EXPECT_FALSE(view.CanExtendRangesToData());
}

TEST_F(View2D, TheDrawingMappingDoublesOntoASurfaceThatOnlyGrows)
{
    FakeGraphServices::antialias = true;
    Layout(5, 7, 205, 307);
    ASSERT_NE(view.supersampleSurface, nullptr);
    EXPECT_EQ(view.supersampleWidth, 600);
    EXPECT_EQ(view.supersampleHeight, 400);
    const ShortRect bounds = GetSurfaceBounds(view.supersampleSurface);
    EXPECT_EQ(bounds.right, 600);
    EXPECT_EQ(bounds.bottom, 400);

    const ViewMapping& d = view.drawMapping;
    EXPECT_EQ(d.rect.top, 0);
    EXPECT_EQ(d.rect.left, 0);
    EXPECT_EQ(d.rect.bottom, 400);
    EXPECT_EQ(d.rect.right, 600);
    EXPECT_EQ(d.scaleX, 2 * view.screenMapping.scaleX);
    EXPECT_EQ(d.pixelsPerScreenPixelX, 2);
    EXPECT_EQ(d.doc, &doc);
    EXPECT_EQ(d.XToPixel(view.xMin), 0);
    EXPECT_EQ(d.YToPixel(view.yMin), 399);
    EXPECT_EQ(view.screenMapping.YToPixel(view.yMin), 204);
    EXPECT_EQ(d.XToPixel(1), 2 * (view.screenMapping.XToPixel(1) - 7));

    // Shrinking keeps the surface; growing either way makes a larger one.
    OffscreenSurface* first = view.supersampleSurface;
    Layout(0, 0, 100, 200);
    EXPECT_EQ(view.supersampleSurface, first);
    EXPECT_EQ(view.supersampleWidth, 600);
    EXPECT_EQ(view.drawMapping.rect.right, 400);
    Layout(0, 0, 200, 301);
    EXPECT_EQ(view.supersampleWidth, 602);
    EXPECT_EQ(view.supersampleHeight, 400);
    Layout(0, 0, 100, 100);
    Layout(0, 0, 250, 100);
    EXPECT_EQ(view.supersampleWidth, 602);
    EXPECT_EQ(view.supersampleHeight, 500);

    // Without antialiasing, or without a surface large enough, the plots
    // draw at screen resolution.
    FakeGraphServices::antialias = false;
    Layout(0, 0, 250, 100);
    EXPECT_EQ(view.drawMapping.pixelsPerScreenPixelX, 1);
    EXPECT_EQ(view.drawMapping.originX, view.screenMapping.originX);
    EXPECT_EQ(view.drawMapping.doc, &doc);
    FakeGraphServices::antialias = true;
    Layout(0, 0, 100, 20000);
    EXPECT_EQ(view.supersampleWidth, 602);
    EXPECT_EQ(view.drawMapping.pixelsPerScreenPixelX, 1);
    EXPECT_EQ(view.drawMapping.rect.right, 20000);
}

TEST_F(View2D, ResizingStopsThenTellsEveryPlotAndKeepsTheBottomLeft)
{
    Layout(0, 0, 300, 400);
    BoundedPlot* plot = Add();
    const double xMin = view.xMin, yMin = view.yMin;
    Layout(0, 0, 200, 500);
    EXPECT_EQ(plot->stoppedAtScale.size(), 1u);
    EXPECT_EQ(plot->resized, 1);
    EXPECT_EQ(view.xMin, xMin);
    EXPECT_EQ(view.yMin, yMin);
    EXPECT_EQ(view.screenMapping.YToPixel(yMin), 199);
    view.StopGraphs();
    view.ScrollGraphs(3, -2);
    EXPECT_EQ(plot->stoppedAtScale.size(), 2u);
    EXPECT_EQ(plot->scrolled, 3 - 200);
}

TEST_F(View2D, GraphAndViewOptions)
{
    BoundedPlot* plot = Add();
    view.trace.kind = TracePoint;
    view.SetGraphOption(OptionColor, 999, 0);
    EXPECT_EQ(FakeGraphServices::modified.load(), 0);  // a picture arriving
    EXPECT_EQ(FakeGraphServices::paneInvalidated.load(), 1);
    view.SetGraphOption(OptionResolution, 0.5, 0);
    EXPECT_EQ(view.trace.kind, TraceNothing);
    view.SetGraphOption(OptionColor, 3, 5);  // no graph 5: only the bookkeeping
    EXPECT_EQ(FakeGraphServices::modified.load(), 2);
    EXPECT_EQ(FakeGraphServices::paneInvalidated.load(), 2);
    ASSERT_EQ(plot->options.size(), 2u);
    EXPECT_EQ(plot->options[1].first, OptionResolution);
    EXPECT_FALSE(view.GraphHasResolution(-1));
    EXPECT_FALSE(view.GraphHasResolution(0));
    EXPECT_FALSE(view.GraphHasResolution(1));

    for (int code : {5, 6, 7})
        view.SetViewOption(code);
    EXPECT_EQ(FakeGraphServices::modified.load(), 2);
    view.SetViewOption(ViewOptionToggleAxes);
    EXPECT_EQ(view.showAxes, 0);
    EXPECT_EQ(view.showGraphPaper, 1);
    view.SetViewOption(ViewOptionToggleGraphPaper);
    view.SetViewOption(ViewOptionToggleAxes);
    EXPECT_EQ(view.showAxes, 1);
    EXPECT_EQ(view.showGraphPaper, 0);
    EXPECT_EQ(FakeGraphServices::modified.load(), 5);
    EXPECT_FALSE(view.IsSpinning());
    EXPECT_FALSE(view.HasOwnWindow());
}

TEST_F(View2D, PicturesAreOwnedByTheList)
{
    ShortRect r;
    SetShortRect(r, 0, 0, 2, 3);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(view.pictures.Push({NewPictureHandle(r), 1.0 * i, 2.0}), 0);
    view.pictures.RemoveAt(1);
    ASSERT_EQ(view.pictures.entries.count, 2);
    EXPECT_EQ(view.pictures.entries[1].x, 2);
    // The rest go with the view (address-sanitizer builds see any leak).
}

}  // namespace
