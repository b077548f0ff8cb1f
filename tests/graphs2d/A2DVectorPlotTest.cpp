#include "graphs2d/A2DVectorPlot.h"

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
#include <limits>
#include <memory>

namespace {

constexpr RgbColor kInk = 0x0000FF;

class VectorPlot : public PortFixture {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        View(32, 32);
    }

    // A 201 x 161 view, world 0 at pixel (100, 80).
    void View(double scaleX, double scaleY)
    {
        ShortRect r;
        SetShortRect(r, 0, 0, 161, 201);
        mapping.Set(r, 100, 80, scaleX, -scaleY, 1);
        mapping.doc = &doc;
    }

    std::unique_ptr<A2DVectorPlot> Field(const char* u, const char* v, double grain = 0.5, bool normalized = false)
    {
        auto* colour = new AGraphColor(nullptr, &doc);
        colour->rgb = kInk;
        auto plot = std::make_unique<A2DVectorPlot>(new CompiledFormula(ReadFormula(u), &doc),
                                                    new CompiledFormula(ReadFormula(v), &doc), grain, colour,
                                                    normalized, &mapping);
        EXPECT_TRUE(WaitUntil([&] { return plot->IsComplete(); })) << u << ", " << v;
        return plot;
    }

    // Pixel length of every drawn arrow.
    std::vector<double> ArrowLengths(const A2DVectorPlot& plot)
    {
        std::vector<double> lengths;
        for (int32_t n = 0; n < plot.GridRows() * plot.GridColumns(); ++n) {
            const VectorCell& c = plot.Cells()[n];
            const WorldPoint a = plot.ArrowVector(c.fieldX, c.fieldY);
            lengths.push_back(std::hypot(a.x / mapping.unitsPerPixelX, a.y / mapping.unitsPerPixelY));
        }
        return lengths;
    }

    FakeGraphServices services;
    DocState doc;
    ViewMapping mapping;
};

TEST_F(VectorPlot, SpacingFollowsTheGrainHeldToItsRange)
{
    const struct {
        double grain;
        int32_t spacing;
    } cases[] = {
        {0, 100}, {1, 10}, {0.5, 55}, {1.2, 10}, {-3, 100}, {std::nan(""), 55},
        {std::numeric_limits<double>::infinity(), 10},
    };
    for (const auto& c : cases)
        EXPECT_EQ(A2DVectorPlot::SpacingFor(c.grain), c.spacing) << c.grain;
    auto plot = Field("1", "0", 1);
    EXPECT_EQ(plot->Spacing(), 10);
    // One cell outside the view on each side, and beyond.
    EXPECT_GE((plot->GridColumns() - 3) * 10, 201 - 10 - 6);
    plot->SetOption(OptionResolution, 7);
    ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
    EXPECT_EQ(plot->Spacing(), 10);
}

TEST_F(VectorPlot, AConstantFieldGivesEqualArrowsOfAboutOneCell)
{
    auto plot = Field("1", "0", 0.5);
    for (double length : ArrowLengths(*plot))
        EXPECT_NEAR(length, 55 - std::min(55 / 32.0, 6.0), 1e-9);
    EXPECT_EQ(plot->GetStatus(), MessageNone);
    MakePort(201, 161);
    plot->Draw();
    // Cells sit on the grid through the origin, 6 pixels left of it: one
    // arrow starts at pixel (94, 80) and runs right along row 80.
    const VectorCell& c = plot->Cells()[2 * plot->GridColumns() + 2];
    EXPECT_EQ(mapping.XToPixel(c.x), 94);
    EXPECT_EQ(mapping.YToPixel(c.y), 80);
    for (int x = 94; x < 94 + 45; ++x)
        EXPECT_EQ(Colour(x, 80), kInk) << x;
}

TEST_F(VectorPlot, NormalisedArrowsAllHaveTheSameLength)
{
    auto plot = Field("x", "y^3", 0.5, true);
    int32_t drawn = 0;
    for (double length : ArrowLengths(*plot)) {
        if (length == 0)
            continue;  // the cell at the origin has no direction
        EXPECT_NEAR(length, 55 - 8, 1e-9);
        ++drawn;
    }
    EXPECT_GT(drawn, 10);
}

TEST_F(VectorPlot, AnUndefinedFieldDrawsNothingAndSaysSo)
{
    auto plot = Field("sqrt(~1)", "1");
    EXPECT_EQ(plot->GetStatus(), MessageUndefinedInRegion);
    MakePort(201, 161);
    plot->Draw();
    for (int y = 0; y < 161; ++y) {
        for (int x = 0; x < 201; ++x)
            ASSERT_EQ(Colour(x, y), 0xFFFFFFu) << x << "," << y;
    }
    EXPECT_FALSE(plot->HitTest(0, 0));
}

TEST_F(VectorPlot, PanningByOneSpacingMovesTheCellsByOneColumn)
{
    auto plot = Field("x", "y", 0.5);
    const int32_t columns = plot->GridColumns(), rows = plot->GridRows();
    std::vector<double> before(static_cast<size_t>(columns * rows));
    for (int32_t n = 0; n < columns * rows; ++n)
        before[n] = plot->Cells()[n].x;
    // The view's content moves right by one spacing: the world origin moves
    // with it, and the mapping is moved before the plot is told.
    ShortRect r = mapping.rect;
    mapping.Set(r, 100 + 55, 80, 32, -32, 1);
    plot->ViewScrolled(55, 0);
    ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
    EXPECT_EQ(plot->ComputedByLastStart(), rows);
    for (int32_t i = 0; i < rows; ++i) {
        for (int32_t j = 1; j < columns; ++j)
            EXPECT_EQ(plot->Cells()[i * columns + j].x, before[i * columns + j - 1]) << i << "," << j;
    }
    // Content moving up by one spacing: row i (from the bottom) takes row
    // i - 1's cell, and the bottom row is computed.
    for (int32_t n = 0; n < columns * rows; ++n)
        before[n] = plot->Cells()[n].y;
    mapping.Set(r, 100 + 55, 80 - 55, 32, -32, 1);
    plot->ViewScrolled(0, -55);
    ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
    EXPECT_EQ(plot->ComputedByLastStart(), columns);
    for (int32_t i = 1; i < rows; ++i) {
        for (int32_t j = 0; j < columns; ++j)
            EXPECT_EQ(plot->Cells()[i * columns + j].y, before[(i - 1) * columns + j]) << i << "," << j;
    }
    // Every cell holds the field at its own point.
    for (int32_t n = 0; n < columns * rows; ++n) {
        EXPECT_EQ(plot->Cells()[n].fieldX, plot->Cells()[n].x);
        EXPECT_EQ(plot->Cells()[n].fieldY, plot->Cells()[n].y);
    }
}

TEST_F(VectorPlot, TraceAndHit)
{
    auto plot = Field("1", "2", 0.5);
    TraceInfo at = plot->Trace(0.3, 0.4);
    EXPECT_EQ(at.kind, TraceVector);
    EXPECT_EQ(at.componentX, 1);
    EXPECT_EQ(at.componentY, 2);
    EXPECT_EQ(at.color, static_cast<int32_t>(kInk));
    const VectorCell& c = plot->Cells()[2 * plot->GridColumns() + 2];
    EXPECT_TRUE(plot->HitTest(c.x, c.y));
    EXPECT_TRUE(plot->HitTest(c.x + 0.2, c.y + 0.4));
    EXPECT_FALSE(plot->HitTest(c.x + 0.3, c.y));
}

}  // namespace
