#include "graphs2d/AContourPlot.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "drawing/DDUtils.h"
#include "graphs2d/ViewMapping.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/PortFixture.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <vector>

namespace {

TEST(ContourLevels, NiceStepsAndLevelChoices)
{
    const struct {
        double x, step;
    } steps[] = {{0.542857, 0.55}, {1.4, 1.5}, {1.6, 1.5}, {1.7, 2}, {9.6, 9.5}, {0.14, 0.15}, {0.26, 0.25}, {1.175, 1}};
    for (const auto& c : steps)
        EXPECT_NEAR(NiceStep(c.x), c.step, 1e-12) << c.x;

    const struct {
        double a, b;
        int32_t n;
        double first, step;
        int32_t zeroAt;  // the level that must be exactly 0, or -1
    } cases[] = {
        {-3.8, 3.8, 14, -3.3, 0.55, 6},
        // Equal margins: the level is dropped at the top.
        {0.3, 9.7, 8, 1, 1, -1},
        // The sampled maximum exactly 0 with many levels: every level fits
        // below it and 0 stays the last.
        {-4, 0, 24, -3.45, 0.15, 23},
        {0, 4, 24, 0, 0.15, 0},
    };
    for (const auto& c : cases) {
        double out[kMaxContourLevels + 1];
        out[c.n] = 12345;  // the slot past the levels stays untouched
        ASSERT_TRUE(ChooseContourLevels(c.a, c.b, c.n, out)) << c.a << " " << c.b;
        for (int32_t k = 0; k < c.n; ++k)
            EXPECT_NEAR(out[k], c.first + k * c.step, 1e-9) << c.a << " " << c.b << " level " << k;
        if (c.zeroAt >= 0)
            EXPECT_EQ(out[c.zeroAt], 0.0) << c.a << " " << c.b;
        EXPECT_EQ(out[c.n], 12345);
    }

    // Empty, reversed, overflowing and unscalable spans offer no levels.
    double out[kMaxContourLevels];
    for (const auto& span : std::vector<std::pair<double, double>>{
             {1, 1}, {2, 1}, {-1.7e308, 1.7e308}, {0, 1e-320}, {NAN, 1}, {0, INFINITY}})
        EXPECT_FALSE(ChooseContourLevels(span.first, span.second, 8, out));
}

TEST(ContourLevels, LevelCountsStayWithinTheLevelsAPlotHolds)
{
    const struct {
        double resolution;
        int32_t count;
    } cases[] = {{0, 4}, {0.25, 9}, {0.5, 14}, {1, 24}, {1.5, 24}, {-3, 4}, {NAN, 14}, {INFINITY, 24}};
    for (const auto& c : cases)
        EXPECT_EQ(ContourLevelCount(c.resolution), c.count) << c.resolution;
}

class ContourPlot : public PortFixture {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        // 32 pixels a unit: the grid runs from -1.5625 to 1.5625 on both
        // axes in cells of 1/16, so (0, 0) and (1, 0) are grid nodes.
        ShortRect r;
        SetShortRect(r, 0, 0, 100, 100);
        mapping.Set(r, 49.5, 49.5, 32, -32, 1);
        mapping.doc = &doc;
    }

    std::unique_ptr<AContourPlot> Plot(const char* text, double resolution = 0)
    {
        auto* colour = new AGraphColor(nullptr, &doc);
        colour->rgb = 0x0000FF;
        auto plot = std::make_unique<AContourPlot>(new CompiledFormula(ReadFormula(text), &doc), resolution, colour,
                                                   &mapping);
        EXPECT_TRUE(WaitUntil([&] { return plot->SweepFinished(); })) << text;
        return plot;
    }

    // Plots draw while no device context is held, as the view calls them.
    void WhitePort()
    {
        MakePort(100, 100);
        ReleasePortDC();
    }

    static bool Near(const ContourPoint& p, double x, double y) { return std::hypot(p.x - x, p.y - y) < 1e-12; }

    FakeGraphServices services;
    DocState doc;
    ViewMapping mapping;
};

TEST_F(ContourPlot, CircleSegmentsJoinAtSharedCrossings)
{
    auto plot = Plot("x^2+y^2");
    ASSERT_TRUE(plot->LevelsValid());
    ASSERT_EQ(plot->LevelCount(), 4);
    for (int32_t k = 0; k < 4; ++k)
        EXPECT_DOUBLE_EQ(plot->Levels()[k], k + 1.0);
    EXPECT_TRUE(plot->IsComplete());
    EXPECT_EQ(plot->GetStatus(), MessageNone);

    std::map<int32_t, int> uses;
    for (int32_t i = 0; i < plot->SegmentCount(); ++i) {
        const ContourSegment& s = plot->SegmentAt(i);
        ASSERT_EQ(plot->PointAt(s.first).levelIndex, plot->PointAt(s.second).levelIndex);
        ++uses[s.first];
        ++uses[s.second];
    }
    ASSERT_EQ(static_cast<int32_t>(uses.size()), plot->PointCount()) << "a crossing no segment uses";
    const double margin = 1e-9;
    int interior = 0;
    for (int32_t i = 0; i < plot->PointCount(); ++i) {
        const ContourPoint& p = plot->PointAt(i);
        const double level = plot->Levels()[p.levelIndex];
        EXPECT_NEAR(p.x * p.x + p.y * p.y, level, 0.01 * level) << i;
        const bool onBorder = std::fabs(p.x - plot->GridLeft()) < margin || std::fabs(p.x - plot->GridRight()) < margin ||
                              std::fabs(p.y - plot->GridBottom()) < margin || std::fabs(p.y - plot->GridTop()) < margin;
        if (!onBorder) {
            ++interior;
            EXPECT_EQ(uses[i], 2) << "crossing " << i << " at " << p.x << ", " << p.y;
        } else {
            EXPECT_EQ(uses[i], 1) << "border crossing " << i;
        }
    }
    // Circles of radius 1 and sqrt 2 lie inside the grid; 3 and 4 leave it.
    EXPECT_GT(interior, 100);
}

TEST_F(ContourPlot, ALevelThroughAGridNodeCountsTheNodeAsAbove)
{
    // x^2 + y^2 = 1 passes through the node (1, 0). Inside the circle the
    // node's two cells meet the level there; the cells right of it, where
    // the level only touches the node, add no segment.
    auto plot = Plot("x^2+y^2");
    ASSERT_EQ(plot->Levels()[0], 1.0);
    int touching = 0;
    for (int32_t i = 0; i < plot->SegmentCount(); ++i) {
        const ContourSegment& s = plot->SegmentAt(i);
        const ContourPoint &a = plot->PointAt(s.first), &b = plot->PointAt(s.second);
        if (Near(a, 1, 0) || Near(b, 1, 0)) {
            ++touching;
            EXPECT_LE(std::max(a.x, b.x), 1.0 + 1e-12);
        }
    }
    EXPECT_EQ(touching, 3);
}

TEST_F(ContourPlot, ConstantOrUndefinedFunctionsHaveNoLines)
{
    for (const char* text : {"3", "sqrt(~1-x^2-y^2)"}) {
        auto plot = Plot(text);
        EXPECT_FALSE(plot->LevelsValid()) << text;
        EXPECT_TRUE(plot->IsComplete()) << text;
        EXPECT_EQ(plot->SegmentCount(), 0) << text;
        EXPECT_EQ(plot->GetStatus(), MessageUndefinedOrConstantInRegion) << text;
        WhitePort();
        plot->Draw();
        EXPECT_EQ(Picture(0x000000, 0xFFFFFF), std::vector<std::string>(100, std::string(100, '.'))) << text;
    }
}

TEST_F(ContourPlot, ScrollingKeepsTheLevelsAndANewResolutionChoosesAgain)
{
    auto plot = Plot("x^2+y^2");
    const std::vector<double> before(plot->Levels(), plot->Levels() + plot->LevelCount());
    // Pan far to the right: the function's range over the view changes.
    mapping.Set(mapping.rect, -150.5, 49.5, 32, -32, 1);
    plot->ViewScrolled(-200, 0);
    ASSERT_TRUE(WaitUntil([&] { return plot->SweepFinished(); }));
    EXPECT_EQ(std::vector<double>(plot->Levels(), plot->Levels() + plot->LevelCount()), before);
    EXPECT_EQ(plot->SegmentCount(), 0) << "no kept level reaches the panned view";
    EXPECT_EQ(plot->GetStatus(), MessageUndefinedOrConstantInRegion);

    plot->SetOption(OptionResolution, 1);
    ASSERT_TRUE(WaitUntil([&] { return plot->SweepFinished(); }));
    ASSERT_EQ(plot->LevelCount(), 24);
    EXPECT_GT(plot->Levels()[0], 4) << "chosen from the panned view";
    EXPECT_GT(plot->SegmentCount(), 0);
}

TEST_F(ContourPlot, LevelsDarkenDownwardsAndTheLinesAreDrawnInThem)
{
    auto plot = Plot("x^2+y^2");
    // Factors 0.26, 0.5067, 0.7533 and 1 of the blue channel.
    EXPECT_EQ(plot->LevelColor(0), 66u);
    EXPECT_EQ(plot->LevelColor(1), 129u);
    EXPECT_EQ(plot->LevelColor(2), 192u);
    EXPECT_EQ(plot->LevelColor(3), 255u);

    WhitePort();
    plot->Draw();
    // The unit circle crosses the x axis at pixel (81, 49) or its neighbour.
    bool inked = false;
    for (int px = 80; px <= 82; ++px)
        inked = inked || Colour(px, 49) == 66u || Colour(px, 50) == 66u;
    EXPECT_TRUE(inked);
    EXPECT_EQ(Colour(49, 49), 0xFFFFFFu) << "nothing at the centre";
}

TEST_F(ContourPlot, HitAndTraceFollowTheLevelNearTheMouse)
{
    auto plot = Plot("x^2+y^2");
    EXPECT_FALSE(plot->HitTest(0, 0));
    ASSERT_TRUE(plot->HitTest(0.6, 0.8 + 0.02));
    EXPECT_EQ(plot->HitLevel(), 0);
    const TraceInfo trace = plot->Trace(0.6, 0.82);
    ASSERT_EQ(trace.kind, TraceContourLevel);
    EXPECT_EQ(trace.t, 1.0);
    EXPECT_NEAR(std::hypot(trace.x, trace.y), 1, 1e-6);
    EXPECT_NEAR(trace.x, 0.6, 0.05);

    const NearestPointResult near = plot->NearestPoint(1.41, 0.05, 0.1, 0, INFINITY);
    EXPECT_EQ(near.nearest.t, 2.0) << "the level of the nearest segment";
}

}  // namespace
