#include "graphs2d/A2DInequality.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs2d/ViewMapping.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/PortFixture.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr RgbColor kInk = 0x0000FF;

struct PixelBox {
    double x0, x1, y0, y1;
};

class Inequality : public PortFixture {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        View(64, 48, 32, 24, 12);
    }

    void View(int width, int height, double originX, double originY, double scale)
    {
        ShortRect r;
        SetShortRect(r, 0, 0, height, width);
        mapping.Set(r, originX, originY, scale, -scale, 1);
        mapping.doc = &doc;
    }

    CompiledFormula* Compiled(const char* text)
    {
        auto* f = new CompiledFormula(ReadFormula(text), &doc);
        CompileFormula(f);
        return f;
    }

    // The plot of a relation, complete unless asked not to wait.
    std::unique_ptr<A2DInequality> Plot(const char* relation, bool isEquation, int32_t mode = ClassifiedBoundary,
                                        int32_t parts = 0, const char* boundary = nullptr, bool wait = true)
    {
        auto* colour = new AGraphColor(nullptr, &doc);
        colour->rgb = kInk;
        auto plot = std::make_unique<A2DInequality>(new CompiledFormula(ReadFormula(relation), &doc),
                                                    boundary ? new CompiledFormula(ReadFormula(boundary), &doc)
                                                             : nullptr,
                                                    colour, mode, isEquation, &mapping, parts);
        if (wait) {
            EXPECT_TRUE(WaitUntil([&] { return plot->IsComplete(); }, 30)) << relation;
        }
        return plot;
    }

    PixelBox BoxOf(int row, int column) const
    {
        const ViewMapping& m = mapping;
        return PixelBox{(column - m.originX - 0.5) * m.unitsPerPixelX, (column + 1 - m.originX - 0.5) * m.unitsPerPixelX,
                        -(row + 1 - m.originY - 0.5) * m.unitsPerPixelY, -(row - m.originY - 0.5) * m.unitsPerPixelY};
    }

    // Every level as one string per row.
    static std::vector<std::string> Levels(const A2DInequality& plot)
    {
        const ShortRect& r = plot.MaskRect();
        std::vector<std::string> rows;
        for (int row = r.top; row < r.bottom; ++row) {
            std::string line;
            for (int column = r.left; column < r.right; ++column)
                line += static_cast<char>('0' + plot.LevelAt(row, column));
            rows.push_back(line);
        }
        return rows;
    }

    FakeGraphServices services;
    DocState doc;
    ViewMapping mapping;
};

bool Is(const Interval& v, double value)
{
    return v.lo == value && v.hi == value;
}

// Some piece of a 5 x 5 grid over the box may hold the relation.
bool AnyPieceMayHold(CompiledFormula* f, const PixelBox& b)
{
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 5; ++j) {
            const double x0 = b.x0 + (b.x1 - b.x0) * i / 5, x1 = i == 4 ? b.x1 : b.x0 + (b.x1 - b.x0) * (i + 1) / 5;
            const double y0 = b.y0 + (b.y1 - b.y0) * j / 5, y1 = j == 4 ? b.y1 : b.y0 + (b.y1 - b.y0) * (j + 1) / 5;
            if (f->EvaluateOverBoxXY(x0, x1, y0, y1).hi == 1)
                return true;
        }
    }
    return false;
}

// The level of one pixel decided on its own box alone, by brute force.
int ReferenceLevel(CompiledFormula* f, const PixelBox& b, bool isEquation, int mode)
{
    const Interval v = f->EvaluateOverBoxXY(b.x0, b.x1, b.y0, b.y1);
    if (std::isnan(v.hi) || Is(v, 0))
        return 0;
    if (Is(v, 1))
        return 3;
    if (isEquation)
        return AnyPieceMayHold(f, b) ? 3 : 0;
    const double corner = f->EvaluateAtXY(b.x0, b.y1);
    if (mode == CornerSample)
        return corner == 1 ? 3 : 0;
    if (mode == LightBoundary)
        return 1;
    for (double other : {f->EvaluateAtXY(b.x1, b.y0), f->EvaluateAtXY(b.x1, b.y1), f->EvaluateAtXY(b.x0, b.y0)}) {
        if (other != corner)
            return 1;
    }
    return AnyPieceMayHold(f, b) ? 1 : (corner == 1 ? 3 : 0);
}

// The subdivided mask equals the pixel-by-pixel reference in every mode: so
// no pixel whose box is certainly false is shaded and none certainly true
// is left out, whatever rectangles the parts decided at once.
TEST_F(Inequality, MaskMatchesPixelByPixelIntervalReference)
{
    struct Case {
        const char* relation;
        bool isEquation;
        double scale;
    };
    const Case cases[] = {
        {"x^2+y^2<4", false, 12},
        {"y<x", false, 12},
        {"sin(x*y)>0", false, 6},
        {"y^2=x^3-x", true, 12},
        {"x^2+y^2=4", true, 12},
        {"y<sqrt(x)", false, 12},
        {"x*y>1", false, 12},
    };
    for (const Case& c : cases) {
        View(64, 48, 32, 24, c.scale);
        CompiledFormula* f = Compiled(c.relation);
        for (int mode : {CornerSample, LightBoundary, ClassifiedBoundary}) {
            auto plot = Plot(c.relation, c.isEquation, mode);
            int certainlyTrue = 0, certainlyFalse = 0;
            for (int row = 0; row < 48; ++row) {
                for (int column = 0; column < 64; ++column) {
                    const PixelBox b = BoxOf(row, column);
                    const Interval v = f->EvaluateOverBoxXY(b.x0, b.x1, b.y0, b.y1);
                    const int level = plot->LevelAt(row, column);
                    if (Is(v, 1)) {
                        ++certainlyTrue;
                        ASSERT_EQ(level, 3) << c.relation << " certainly true at " << row << "," << column;
                    }
                    if (Is(v, 0)) {
                        ++certainlyFalse;
                        ASSERT_EQ(level, 0) << c.relation << " certainly false at " << row << "," << column;
                    }
                    ASSERT_EQ(level, ReferenceLevel(f, b, c.isEquation, mode))
                        << c.relation << " mode " << mode << " at " << row << "," << column;
                }
            }
            // The views hold both kinds of pixel, so the checks above bite.
            EXPECT_GT(certainlyFalse, 0) << c.relation;
            if (!c.isEquation) {
                EXPECT_GT(certainlyTrue, 0) << c.relation;
            }
            EXPECT_EQ(plot->GetStatus(), MessageNone) << c.relation;
        }
        delete f;
    }
}

// Every pixel a point of the curve lies in is drawn.
TEST_F(Inequality, ImplicitCurvesLeaveNoPixelOfTheCurveBlank)
{
    auto expectDrawn = [&](A2DInequality& plot, double x, double y, const char* name) {
        const int column = mapping.XToPixel(x), row = mapping.YToPixel(y);
        if (column < 0 || column >= 64 || row < 0 || row >= 48)
            return;
        ASSERT_EQ(plot.LevelAt(row, column), 3) << name << " misses (" << x << ", " << y << ")";
    };
    auto circle = Plot("x^2+y^2=4", true);
    for (int k = 0; k < 4000; ++k) {
        const double t = 2 * M_PI * k / 4000;
        expectDrawn(*circle, 2 * std::cos(t), 2 * std::sin(t), "circle");
    }
    auto cubic = Plot("y^2=x^3-x", true);
    for (int k = 0; k <= 4000; ++k) {
        const double x = -1 + 4.0 * k / 4000;
        const double y2 = x * x * x - x;
        if (y2 < 0)
            continue;
        expectDrawn(*cubic, x, std::sqrt(y2), "cubic");
        expectDrawn(*cubic, x, -std::sqrt(y2), "cubic");
    }
}

TEST_F(Inequality, StatusesOnceComplete)
{
    struct Case {
        const char* relation;
        bool isEquation;
        int32_t status;
    };
    const Case cases[] = {
        {"x^2+y^2<-1", false, MessageFalseEverywhere},
        {"x>1000", false, MessageFalseInRegion},
        {"x^2+y^2=-1", true, MessageNotSatisfiedAnywhere},
        {"x=1000", true, MessageNotSatisfiedInRegion},
        {"x^2+y^2<4", false, MessageNone},
        {"x^2+y^2=4", true, MessageNone},
    };
    for (const Case& c : cases) {
        auto plot = Plot(c.relation, c.isEquation);
        EXPECT_EQ(plot->GetStatus(), c.status) << c.relation;
    }
}

TEST(InequalitySplit, HalvesLargeRectanglesAcrossTheirLongerSide)
{
    struct Case {
        int w, h;
        bool splits;
        ShortRect first, second;
    };
    // Rectangles from (top 10, left 20).
    const Case cases[] = {
        {11, 3, true, {10, 20, 13, 25}, {10, 25, 13, 31}},
        {10, 10, false, {}, {}},
        {1, 10, false, {}, {}},
        {3, 11, true, {10, 20, 15, 23}, {15, 20, 21, 23}},
        {11, 11, true, {10, 20, 15, 31}, {15, 20, 21, 31}},
        {1, 40, true, {10, 20, 30, 21}, {30, 20, 50, 21}},
        {40, 1, true, {10, 20, 11, 40}, {10, 40, 11, 60}},
    };
    for (const Case& c : cases) {
        ShortRect r{10, 20, static_cast<int16_t>(10 + c.h), static_cast<int16_t>(20 + c.w)};
        ShortRect first{}, second{};
        ASSERT_EQ(SplitPixelRect(r, &first, &second), c.splits) << c.w << "x" << c.h;
        if (!c.splits)
            continue;
        EXPECT_TRUE(EqualShortRects(first, c.first)) << c.w << "x" << c.h;
        EXPECT_TRUE(EqualShortRects(second, c.second)) << c.w << "x" << c.h;
    }
    EXPECT_EQ(MaskRowBytes(0), 4);
    EXPECT_EQ(MaskRowBytes(15), 4);
    EXPECT_EQ(MaskRowBytes(16), 8);
    EXPECT_EQ(MaskRowBytes(64), 20);
}

// Stops in the middle of the work lose nothing: after any number of them the
// mask is the one an uninterrupted run gives, whatever the number of parts.
TEST_F(Inequality, StopsMidRunThenRestartGiveTheUninterruptedMask)
{
    View(400, 300, 200, 150, 4);
    const char* relation = "sin(x*y)>cos(x+y)";
    auto whole = Plot(relation, false, LightBoundary, 1);
    const auto expected = Levels(*whole);
    for (int32_t parts : {1, 3}) {
        auto plot = Plot(relation, false, LightBoundary, parts, nullptr, false);
        int stopsMidRun = 0;
        for (int round = 0; round < 20 && !plot->IsComplete(); ++round) {
            // The first stop comes before the parts are under way.
            const int64_t before = plot->BoxEvaluations();
            if (round > 0)
                WaitUntil([&] { return plot->BoxEvaluations() > before + 30 || plot->IsComplete(); });
            plot->Stop();
            if (!plot->IsComplete()) {
                ++stopsMidRun;
                EXPECT_GT(plot->Pending().count, 0);
            }
            // The view's restart when nothing moved.
            if (round % 2)
                plot->ViewScrolled(0, 0);
            else
                plot->ViewResized();
        }
        ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }, 30));
        EXPECT_GT(stopsMidRun, 0) << parts;
        EXPECT_EQ(Levels(*plot), expected) << parts;
    }
}

// A pan keeps the shifted mask and computes the exposed strips only; a
// resize keeps the bottom-left corner's pixels.
TEST_F(Inequality, PanAndResizeComputeOnlyWhatIsExposed)
{
    View(120, 100, 60, 50, 10);
    const char* relation = "sin(x*y)>0";
    auto plot = Plot(relation, false, ClassifiedBoundary, 2);
    const int64_t full = plot->BoxEvaluations();

    plot->Stop();
    View(120, 100, 60 + 12, 50 - 7, 10);
    plot->ViewScrolled(12, -7);
    ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
    const int64_t afterPan = plot->BoxEvaluations() - full;
    EXPECT_LT(afterPan, full / 3);
    auto fresh = Plot(relation, false, ClassifiedBoundary, 2);
    EXPECT_EQ(Levels(*plot), Levels(*fresh));

    // Taller and wider: the bottom-left pixel keeps its world point.
    plot->Stop();
    const int64_t beforeResize = plot->BoxEvaluations();
    View(130, 110, 60 + 12, 50 - 7 + 10, 10);
    plot->ViewResized();
    ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
    EXPECT_LT(plot->BoxEvaluations() - beforeResize, full / 3);
    auto freshLarger = Plot(relation, false, ClassifiedBoundary, 2);
    EXPECT_EQ(Levels(*plot), Levels(*freshLarger));

    // A pan beyond the view recomputes everything.
    plot->Stop();
    View(130, 110, 60 + 12 + 500, 50 - 7 + 10, 10);
    plot->ViewScrolled(500, 0);
    ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
    auto farFresh = Plot(relation, false, ClassifiedBoundary, 2);
    EXPECT_EQ(Levels(*plot), Levels(*farFresh));
}

TEST_F(Inequality, ViewWithoutRowsHasNoMaskAndNeverCompletes)
{
    View(64, 0, 32, 0, 12);
    auto plot = Plot("x^2+y^2<4", false, ClassifiedBoundary, 0, "x^2+y^2-4", false);
    EXPECT_EQ(plot->Mask(), nullptr);
    EXPECT_EQ(plot->ComputeChunk(0), GraphJobNothingToDo);
    EXPECT_FALSE(WaitUntil([&] { return plot->IsComplete(); }, 0.2));
    EXPECT_EQ(plot->GetStatus(), MessageNone);
    EXPECT_FALSE(plot->HitTest(0, 0));
    EXPECT_EQ(plot->Trace(0, 0).kind, TraceNothing);
    MakePort(64, 1);
    plot->Draw();
}

// A slider value seen before shows its stored mask without computing.
TEST_F(Inequality, SliderValuesSeenBeforeRecallTheirMask)
{
    doc.SliderVariable = 'n';
    doc.SliderValue = 1;
    MakePort(64, 48);
    auto plot = Plot("x^2+y^2<n", false);
    auto slide = [&](double value) {
        doc.SliderValue = value;
        plot->VariableChanged('n');
        EXPECT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
        plot->Draw();
        return Levels(*plot);
    };
    const auto two = slide(2);
    const auto three = slide(3);
    EXPECT_NE(two, three);
    EXPECT_EQ(plot->Cache().Count(), 2);
    const int64_t before = plot->BoxEvaluations();
    EXPECT_EQ(slide(2), two);
    // Only each part's look at the whole plane.
    EXPECT_LE(plot->BoxEvaluations() - before, 64);
    // Another variable of the relation is no slider step: everything again.
    plot->Restart();
    EXPECT_EQ(plot->Cache().Count(), 0);
}

TEST_F(Inequality, DrawShadesTheMaskInTheColour)
{
    MakePort(64, 48);
    auto plot = Plot("x^2+y^2<4", false, LightBoundary);
    plot->Draw();
    EXPECT_EQ(Colour(32, 24), kInk);
    EXPECT_EQ(Colour(1, 1), 0xFFFFFFu);
    // The undecided boundary is tinted lightly, between ink and paper.
    const int column = mapping.XToPixel(2.0), row = mapping.YToPixel(0.0);
    ASSERT_EQ(plot->LevelAt(row, column), 1);
    EXPECT_NE(Colour(column, row), kInk);
    EXPECT_NE(Colour(column, row), 0xFFFFFFu);
    // A plotting-mode change recomputes the mask in the new mode.
    plot->SetOption(OptionPlottingMode, ClassifiedBoundary);
    ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
    EXPECT_EQ(plot->Mode(), ClassifiedBoundary);
    plot->SetOption(OptionPlottingMode, 7);
    EXPECT_EQ(plot->Mode(), ClassifiedBoundary);
}

TEST_F(Inequality, TraceAndHitsFollowTheBoundary)
{
    auto plot = Plot("x^2+y^2=4", true, ClassifiedBoundary, 0, "x^2+y^2-4");
    const TraceInfo t = plot->Trace(2.3, 0.4);
    ASSERT_EQ(t.kind, TracePoint);
    EXPECT_NEAR(std::hypot(t.x, t.y), 2, 1e-9);
    EXPECT_NEAR(std::atan2(t.y, t.x), std::atan2(0.4, 2.3), 0.1);
    EXPECT_TRUE(plot->HitTest(2.02, 0.01));
    EXPECT_FALSE(plot->HitTest(0, 0));
    EXPECT_EQ(plot->NearestPoint(2.01, 0.0, 0.2, 0, 0).found, 1);
    // Without a boundary formula there is nothing to trace.
    auto bare = Plot("x^2+y^2=4", true);
    EXPECT_EQ(bare->Trace(2.3, 0.4).kind, TraceNothing);
    EXPECT_FALSE(bare->HitTest(2, 0));
}

}  // namespace

namespace {

// Stops and resizes while the parts run, as a window's layout does at
// start-up, lose no work.
TEST_F(Inequality, ResizesWhileRunningLoseNoWork)
{
    const char* relation = "sin(x*y)>0";
    View(300, 200, 150, 100, 12);
    auto plot = Plot(relation, false, ClassifiedBoundary, 3, nullptr, false);
    for (int round = 0; round < 12; ++round) {
        plot->Stop();
        // The bottom-left pixel keeps its world point.
        const int width = 300 + 17 * (round % 4), height = 200 + 11 * (round % 3);
        View(width, height, 150, 100 + (height - 200), 12);
        plot->ViewResized();
        std::this_thread::sleep_for(std::chrono::microseconds(300 * (round % 5)));
    }
    ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }, 30));
    auto fresh = Plot(relation, false, ClassifiedBoundary, 3);
    EXPECT_EQ(Levels(*plot), Levels(*fresh));
}

// A view that changes its drawing mapping without telling its plots (as
// when it starts supersampling) gets a mask of the new mapping once drawn,
// not the old one stretched or dropped.
TEST_F(Inequality, DrawingMappingChangedBehindThePlotIsComputedAfresh)
{
    const char* relation = "x^2+y^2<4";
    auto plot = Plot(relation, false);
    View(128, 96, 64, 48, 24);
    MakePort(128, 96);
    plot->Draw();
    ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
    EXPECT_TRUE(EqualShortRects(plot->MaskRect(), mapping.rect));
    auto fresh = Plot(relation, false);
    EXPECT_EQ(Levels(*plot), Levels(*fresh));
    plot->Draw();
    EXPECT_EQ(Colour(64, 48), kInk);
}

}  // namespace
