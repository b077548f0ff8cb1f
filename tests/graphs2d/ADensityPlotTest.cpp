#include "graphs2d/ADensityPlot.h"

#include "graphmodel/GraphCodes.h"
#include "support/CellPlotFixture.h"

#include <memory>

namespace {

class DensityPlot : public CellPlotFixture {
protected:
    std::unique_ptr<ADensityPlot> Plot(const char* text, double resolution = 0, int32_t bands = 0)
    {
        auto plot = std::make_unique<ADensityPlot>(Formula(text), resolution, Colour(0x0000FF), &mapping, bands);
        EXPECT_TRUE(WaitUntil([&] { return plot->IsComplete(); })) << text;
        return plot;
    }
    static std::vector<uint8_t> Image(const ADensityPlot& plot)
    {
        return Cells(plot.Image().cells, plot.Image().Count());
    }
    static uint8_t At(const ADensityPlot& plot, int i, int j) { return plot.Image().cells[j * plot.Image().width + i]; }
};

TEST(DensityShades, ResolutionsGiveShadeCountsAndPaletteFactors)
{
    const struct {
        double resolution;
        int32_t shades;
    } cases[] = {{0, 4}, {0.25, 12}, {0.5, 24}, {1, 24}, {0.1, 6}, {5, 24}, {-1, 4}, {NAN, 24}};
    for (const auto& c : cases)
        EXPECT_EQ(ADensityPlot::ShadeCount(c.resolution), c.shades) << c.resolution;

    RgbColor palette[kDensityValues];
    ADensityPlot::BuildPalette(0x0000FF, 4, palette);
    // Factors 0.26, 0.5067, 0.7533 and 1, sixty entries each.
    const RgbColor blues[] = {66, 129, 192, 255};
    for (int k = 0; k < kDensityValues; ++k)
        ASSERT_EQ(palette[k] & 0xFFFFFF, blues[k / 60]) << k;
}

TEST_F(DensityPlot, CellsPlaceTheValueInTheSampledRange)
{
    auto plot = Plot("x");
    ASSERT_TRUE(plot->RangeValid());
    EXPECT_EQ(plot->ValueMin(), -2);
    EXPECT_EQ(plot->ValueMax(), 2);
    EXPECT_EQ(At(*plot, 0, 0), 0);
    EXPECT_EQ(At(*plot, 40, 7), 120);
    EXPECT_EQ(At(*plot, 80, 40), 239);
    // Just below the maximum, where the scaled value can round up to 240.
    for (double v : {std::nextafter(2.0, 0.0), 1.9999999999999, 2.5, -7.0})
        EXPECT_LE(plot->CellValue(v), 239) << v;
    EXPECT_EQ(plot->CellValue(NAN), kDensityUndefined);
    EXPECT_EQ(plot->GetStatus(), MessageNone);
}

TEST_F(DensityPlot, ConstantAndUndefinedFunctions)
{
    auto constant = Plot("3");
    EXPECT_FALSE(constant->RangeValid());
    EXPECT_EQ(Image(*constant), std::vector<uint8_t>(81 * 41, 239));
    EXPECT_EQ(constant->GetStatus(), MessageNone);

    auto undefined = Plot("sqrt(~1-x^2-y^2)");
    EXPECT_EQ(Image(*undefined), std::vector<uint8_t>(81 * 41, kDensityUndefined));
    EXPECT_EQ(undefined->GetStatus(), MessageUndefinedInRegion);
    // Undefined cells leave the port as it was.
    WhitePort();
    undefined->Draw();
    EXPECT_EQ(Picture(0x000000, 0xFFFFFF), std::vector<std::string>(41, std::string(81, '.')));
    // Half undefined: only the defined half is painted.
    auto half = Plot("sqrt(x)");
    WhitePort();
    half->Draw();
    EXPECT_EQ(PortFixture::Colour(10, 10), 0xFFFFFFu);
    EXPECT_NE(PortFixture::Colour(70, 10), 0xFFFFFFu);
}

TEST_F(DensityPlot, ScrollingKeepsCellsStillInViewAndComputesTheRest)
{
    auto plot = Plot("sin(3*x*y)");
    const auto before = Image(*plot);
    // The picture moves 10 pixels right and 5 down.
    mapping.Set(mapping.rect, 50, 25, 20, -20, 1);
    plot->ViewScrolled(10, 5);
    EXPECT_EQ(plot->FirstPendingRow(), 0);
    EXPECT_EQ(plot->LastPendingRow(), 40) << "every row has new cells at its left";
    ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
    for (int j = 5; j < 41; ++j) {
        for (int i = 10; i < 81; ++i)
            ASSERT_EQ(At(*plot, i, j), before[(j - 5) * 81 + i - 10]) << i << ", " << j;
    }
    // The exposed cells hold f at their new places, on the kept scale.
    EXPECT_EQ(At(*plot, 0, 0), plot->CellValue(std::sin(3 * -2.5 * 1.25)));

    // A vertical scroll computes only the exposed rows.
    mapping.Set(mapping.rect, 50, 28, 20, -20, 1);
    plot->ViewScrolled(0, 3);
    EXPECT_EQ(plot->FirstPendingRow(), 0);
    EXPECT_EQ(plot->LastPendingRow(), 2);
    ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));

    // A scroll by the whole width recomputes everything.
    mapping.Set(mapping.rect, 131, 28, 20, -20, 1);
    plot->ViewScrolled(81, 0);
    EXPECT_EQ(plot->FirstPendingRow(), 0);
    EXPECT_EQ(plot->LastPendingRow(), 40);
    ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
}

TEST_F(DensityPlot, ResizingKeepsTheBottomLeftCells)
{
    auto plot = Plot("x*y");
    const auto before = Image(*plot);
    View(0, 51);  // ten rows more at the top, the bottom row stays
    plot->ViewResized();
    EXPECT_EQ(plot->FirstPendingRow(), 0);
    EXPECT_EQ(plot->LastPendingRow(), 9);
    ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
    for (int j = 0; j < 41; ++j) {
        for (int i = 0; i < 81; ++i)
            ASSERT_EQ(At(*plot, i, j + 10), before[j * 81 + i]);
    }
}

TEST_F(DensityPlot, OneBandOrManyGiveTheSameImage)
{
    auto one = Plot("sin(x*y*5)+x", 0, 1);
    auto many = Plot("sin(x*y*5)+x", 0, 5);
    EXPECT_EQ(Image(*one), Image(*many));
}

TEST_F(DensityPlot, ASliderValueSeenBeforeComesFromTheCache)
{
    auto plot = Plot("x*n");
    WhitePort();
    auto showValue = [&](double n) {
        doc.SetSliderValue(n);
        plot->VariableChanged('n');
        ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
        plot->Draw();
    };
    showValue(0.5);
    const auto half = Image(*plot);
    showValue(0.25);
    EXPECT_EQ(plot->Cache().Count(), 2);
    EXPECT_NE(Image(*plot), half);

    // Back to 0.5 while the bands of another value still run: the cached
    // image is shown at once and nothing overwrites it.
    doc.SetSliderValue(0.75);
    plot->VariableChanged('n');
    doc.SetSliderValue(0.5);
    plot->VariableChanged('n');
    EXPECT_TRUE(plot->IsComplete());
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(Image(*plot), half);
}

}  // namespace
