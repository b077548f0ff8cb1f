#include "CoreUtilities/FailureRegister.h"
#include "document/DocState.h"
#include "drawing/DDUtils.h"
#include "drawing/DrawingPort.h"
#include "graphs2d/A2DGraphView.h"
#include "support/FakeGraphServices.h"
#include "support/PortFixture.h"
#include "support/StubPlot.h"
#include "support/TestApp.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kPaperLine = 0xCCFFFF;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kCurve = 0xFF0000;

// A plot that draws the line y = level across its mapping, one screen
// pixel thick, straight into the port.
class LevelPlot : public StubPlot {
public:
    LevelPlot(const ViewMapping* drawMapping, double level) : StubPlot(drawMapping), level(level) {}
    void Draw() override
    {
        ++draws;
        if (!LockPortSurface())
            return;
        uint8_t* base = GetPortBaseAddress();
        const int32_t rowBytes = GetPortRowBytes();
        const int32_t row = mapping->YToPixel(level);
        // A doubled mapping puts world rows one below the pair they halve
        // into: the pen covers the row and the one above.
        for (int32_t k = 0; k < mapping->pixelsPerScreenPixelY; ++k) {
            const int32_t y = row - k;
            if (y < mapping->rect.top || y >= mapping->rect.bottom)
                continue;
            auto* pixels = reinterpret_cast<uint32_t*>(base + y * rowBytes);
            for (int32_t x = mapping->rect.left; x < mapping->rect.right; ++x)
                pixels[x] = kCurve;
        }
        UnlockPortSurface();
    }
    double level;
    int draws = 0;
};

bool IsDark(uint32_t c)
{
    const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    return r + g + b < 3 * 160;
}

class ViewDrawing : public PortFixture {
protected:
    static constexpr int kWidth = 256;
    static constexpr int kHeight = 192;

    void SetUp() override
    {
        TestApp();
        MakePort(kWidth, kHeight, 0x808080);
        ReleasePortDC();  // the view acquires the port's context itself
        SetShortRect(view.rect, 0, 0, kHeight, kWidth);
        view.Resized();
        view.SetDefaultView();
        ResetFailureRegister();
    }

    // Centres world 0 again after the units changed.
    void Centre()
    {
        view.xMin = -(kWidth / 2) * view.unitsX / 16;
        view.yMin = -(kHeight / 2) * view.unitsY / 16;
        view.UpdateScaleAndOrigin();
    }

    // Dark pixels in the box (columns x0..x1, rows y0..y1, inclusive).
    int DarkIn(int x0, int x1, int y0, int y1)
    {
        int n = 0;
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x)
                n += IsDark(Colour(x, y));
        }
        return n;
    }

    void Save(const char* name)
    {
        QImage image(reinterpret_cast<const uchar*>(surface_->memory), kWidth, kHeight, 4 * kWidth,
                     QImage::Format_RGB32);
        image.save(name);
    }

    A2DGraphView view;
};

TEST_F(ViewDrawing, TheDefaultViewHasPaperAxesTicksAndLabelsWhereTheMappingSays)
{
    view.Render(nullptr, nullptr, true);
    const int row = view.screenMapping.YToPixel(0);
    const int column = view.screenMapping.XToPixel(0);
    ASSERT_EQ(row, 95);
    ASSERT_EQ(column, 128);
    EXPECT_EQ(view.XAxisRow(), row);
    EXPECT_EQ(view.YAxisColumn(), column);
    if (const char* out = std::getenv("VL_SAVE_VIEW_PNG"))
        Save(out);
    // The axes, solid.
    for (int x = 0; x < kWidth; ++x)
        EXPECT_EQ(Colour(x, row), kBlack) << x;
    for (int y = 0; y < kHeight; ++y)
        EXPECT_EQ(Colour(column, y), kBlack) << y;
    // Paper every 16 pixels, white between, away from axes and labels.
    for (int y = 0; y < 70; ++y) {
        for (int x = 150; x < kWidth; ++x) {
            const bool line = (y - row) % 16 == 0 || (x - column) % 16 == 0;
            ASSERT_EQ(Colour(x, y), line ? kPaperLine : kWhite) << x << "," << y;
        }
    }
    // Marks every unit (64 pixels), three pixels either side of the axis.
    for (int x : {0, 64, 192}) {
        EXPECT_EQ(Colour(x, row - 3), kBlack) << x;
        EXPECT_EQ(Colour(x, row + 3), kBlack) << x;
        EXPECT_NE(Colour(x, row - 4), kBlack) << x;
    }
    for (int x : {16, 32, 48, 160, 176, 208}) {
        EXPECT_NE(Colour(x, row - 3), kBlack) << x;
    }
    for (int y : {31, 159})
        EXPECT_EQ(Colour(column + 3, y), kBlack) << y;
    // Labels under the marks at 1 and -1, none for the origin.
    EXPECT_GT(DarkIn(186, 198, row + 6, row + 16), 0);
    EXPECT_GT(DarkIn(58, 70, row + 6, row + 16), 0);
    EXPECT_EQ(DarkIn(121, 127, row + 6, row + 16), 0);
    EXPECT_EQ(DarkIn(129, 135, row + 6, row + 16), 0);
    // The y label "1" ends left of the axis, on the mark's row.
    EXPECT_GT(DarkIn(110, 125, 31 - 8, 31 + 4), 0);
}

TEST_F(ViewDrawing, AfterZoomingInMarksFallEverySixteenPixelsAndLabelsEveryEighty)
{
    view.StepUnits(0);
    ASSERT_EQ(view.unitsX, 0.1);
    ASSERT_EQ(view.tickKindX, TickKind5);
    Centre();
    view.Render(nullptr, nullptr, true);
    const int row = view.XAxisRow();
    const int column = view.YAxisColumn();
    ASSERT_EQ(column, 128);
    for (int x = 0; x < kWidth; ++x) {
        const bool mark = (x - column) % 16 == 0;
        EXPECT_EQ(Colour(x, row - 3) == kBlack, mark) << x;
    }
    // Labels at 0.5 (column 208) and -0.5 (48), none at 0.2 or 0.3.
    EXPECT_GT(DarkIn(198, 218, row + 6, row + 16), 0);
    EXPECT_GT(DarkIn(38, 58, row + 6, row + 16), 0);
    EXPECT_EQ(DarkIn(150, 185, row + 6, row + 16), 0);
    // The paper keeps its 16-pixel pitch through the origin.
    EXPECT_EQ(Colour(200, row - 16 * 4), kPaperLine);
    EXPECT_EQ(Colour(200, row - 16 * 4 + 1), kWhite);
}

TEST_F(ViewDrawing, AnAxisHeldAtTheBoundIsDottedWithItsTicks)
{
    // World 0 lies left of the view: the y axis is held at left + 6.
    view.xMin = 1;
    view.UpdateScaleAndOrigin();
    view.Render(nullptr, nullptr, true);
    ASSERT_TRUE(view.YAxisHeld());
    ASSERT_FALSE(view.XAxisHeld());
    const int column = view.YAxisColumn();
    EXPECT_EQ(column, 6);
    int black = 0, other = 0;
    for (int y = 0; y < 60; ++y)
        (Colour(column, y) == kBlack ? black : other) += 1;
    EXPECT_GT(black, 15);
    EXPECT_GT(other, 15);
    // The solid x axis for comparison.
    for (int x = 10; x < kWidth; ++x)
        EXPECT_EQ(Colour(x, view.XAxisRow()), kBlack) << x;
    // Labels still read the true x values: 2 is at column 64.
    EXPECT_GT(DarkIn(56, 72, view.XAxisRow() + 6, view.XAxisRow() + 16), 0);
}

TEST_F(ViewDrawing, TicksBeyondPrecisionAreLeftOutAndTheFailurePosted)
{
    EXPECT_FALSE(IsBeyondPrecision(1, 0.25));
    EXPECT_FALSE(IsBeyondPrecision(0, 1e-300));
    EXPECT_EQ(TakePendingFailure(), 0);
    EXPECT_TRUE(IsBeyondPrecision(1e17, 1));
    EXPECT_EQ(TakePendingFailure(), 37);
    // Posted again once re-armed, as each graph-building run does.
    RearmFailure(37);
    EXPECT_TRUE(IsBeyondPrecision(1, 1e-16));
    EXPECT_EQ(TakePendingFailure(), 37);
    RearmFailure(37);

    view.unitsX = 1e-3;
    view.tickKindX = TickKind5;
    view.xMin = 1e15;
    view.UpdateScaleAndOrigin();
    view.Render(nullptr, nullptr, true);
    EXPECT_EQ(TakePendingFailure(), 37);
    const int row = view.XAxisRow();
    // No x marks or labels: only the (dotted) y axis crosses these rows.
    for (int x = view.YAxisColumn() + 1; x < kWidth; ++x) {
        EXPECT_NE(Colour(x, row - 3), kBlack) << x;
    }
    EXPECT_EQ(DarkIn(20, kWidth - 1, row + 4, row + 16), 0);
    // The y axis keeps its ticks.
    EXPECT_EQ(Colour(view.YAxisColumn() + 3, view.screenMapping.YToPixel(1)), kBlack);
}

TEST_F(ViewDrawing, PlotsDrawOverThePaperAndUnderTheAxes)
{
    auto* plot = new LevelPlot(&view.drawMapping, 1);
    view.graphs.Push(plot);
    auto* hidden = new LevelPlot(&view.drawMapping, -1);
    view.graphs.Push(hidden);
    GrowArray<int32_t> subset;
    subset.Push(0);
    view.Render(&subset, nullptr, true);
    EXPECT_EQ(plot->draws, 1);
    EXPECT_EQ(hidden->draws, 0);
    const int curveRow = view.screenMapping.YToPixel(1);
    EXPECT_EQ(Colour(50, curveRow), kCurve);
    EXPECT_EQ(Colour(view.YAxisColumn(), curveRow), kBlack);
    EXPECT_NE(Colour(50, view.screenMapping.YToPixel(-1)), kCurve);
    subset.Clear();

    // Background and axes alone.
    Fill(0x808080);
    view.Render(nullptr, nullptr, false);
    EXPECT_EQ(plot->draws, 1);
    EXPECT_NE(Colour(50, curveRow), kCurve);
}

TEST_F(ViewDrawing, AntialiasedPlotsDrawDoubledAndAreHalvedWithoutAMissingSurface)
{
    FakeGraphServices services;
    FakeGraphServices::antialias = true;
    DocState doc;
    view.doc = &doc;
    view.Resized();
    ASSERT_NE(view.supersampleSurface, nullptr);
    ASSERT_EQ(view.drawMapping.pixelsPerScreenPixelY, 2);
    auto* plot = new LevelPlot(&view.drawMapping, 1);
    view.graphs.Push(plot);
    view.Render(nullptr, nullptr, true);
    const int curveRow = view.screenMapping.YToPixel(1);
    // Two doubled rows halve into the curve's own screen row.
    EXPECT_EQ(Colour(50, curveRow), kCurve);
    EXPECT_NE(Colour(50, curveRow + 1), kCurve);
    EXPECT_EQ(Colour(50, curveRow + 16), kPaperLine);
    EXPECT_EQ(Colour(view.YAxisColumn(), 3), kBlack);

    // Without the surface drawing falls back to screen resolution.
    DisposeOffscreenSurface(view.supersampleSurface);
    view.supersampleSurface = nullptr;
    Fill(0x808080);
    view.Render(nullptr, nullptr, true);
    EXPECT_EQ(view.drawMapping.pixelsPerScreenPixelY, 1);
    EXPECT_EQ(Colour(50, curveRow), kCurve);
    EXPECT_EQ(Colour(50, curveRow + 16), kPaperLine);
    view.doc = nullptr;
}

TEST_F(ViewDrawing, ATraceShowsCrossHairMarkerAndReadout)
{
    view.trace.kind = TracePoint;
    view.trace.x = 1;
    view.trace.y = 1;
    view.Render(nullptr, nullptr, true);
    const int h = view.screenMapping.XToPixel(1), v = view.screenMapping.YToPixel(1);
    ASSERT_EQ(h, 192);
    ASSERT_EQ(v, 31);
    if (const char* out = std::getenv("VL_SAVE_TRACE_PNG"))
        Save(out);
    // The marker's frame: 9 x 9 around the traced pixel.
    for (int k = -4; k <= 4; ++k) {
        EXPECT_EQ(Colour(h - 4, v + k), kBlack) << k;
        EXPECT_EQ(Colour(h + 4, v + k), kBlack) << k;
    }
    // The cross-hair: every third pixel, broken around the marker.
    int hair = 0;
    for (int y = 40; y < 88; ++y)
        hair += Colour(h, y) == 0x3F3F3F;
    EXPECT_EQ(hair, 16);
    // The readout box in the top-left corner holds text.
    EXPECT_GT(DarkIn(0, 40, 0, 33), 0);

    // A dragged point shows no overlay.
    Fill(0x808080);
    view.trace.kind = TraceDraggablePoint;
    view.Render(nullptr, nullptr, true);
    EXPECT_NE(Colour(h - 4, v), kBlack);
}

std::vector<std::u16string> Readout(const TraceInfo& trace)
{
    char16_t lines[kReadoutLines][kReadoutLineUnits];
    const int32_t count = TraceReadoutLines(trace, lines);
    return std::vector<std::u16string>(lines, lines + count);
}

TEST(TraceReadout, LinesByKind)
{
    TraceInfo trace;
    trace.kind = TracePoint;
    trace.x = 1.5;
    trace.y = -0.0;
    EXPECT_EQ(Readout(trace), (std::vector<std::u16string>{u"x: 1.5", u"y: 0"}));

    trace.kind = TraceParametric;
    trace.t = 2;
    EXPECT_EQ(Readout(trace)[2], u"t: 2");

    trace.kind = TracePolarRFromPoint;
    trace.x = 3;
    trace.y = 4;
    EXPECT_EQ(Readout(trace), (std::vector<std::u16string>{u"x: 3", u"y: 4", u"r: 5", u"\u03B8:2"}));

    trace.kind = TraceVector;
    trace.componentX = 1;
    trace.componentY = -1;
    EXPECT_EQ(Readout(trace)[3], u"y component: -1");

    trace.kind = TraceIntervalPoint;
    trace.xLow = 1;
    trace.xHigh = std::numeric_limits<double>::quiet_NaN();
    trace.yLow = -1;
    trace.yHigh = 2;
    EXPECT_EQ(Readout(trace), (std::vector<std::u16string>{u"x: not a number", u"y: -1 ... 2"}));
}

}  // namespace
