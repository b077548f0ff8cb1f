#include "graphs2d/AColorPlot.h"

#include "formula/SymbolCodes.h"
#include "graphmodel/GraphCodes.h"
#include "support/CellPlotFixture.h"

#include <memory>

namespace {

class ColorPlot : public CellPlotFixture {
protected:
    // Components in x and y, moved to u and v as the factory does.
    CompiledFormula* Component(const char* text)
    {
        CompiledFormula* f = Formula(text);
        f->RenameSymbol(CodeX, CodeU);
        f->RenameSymbol(CodeY, CodeV);
        return f;
    }
    std::unique_ptr<AColorPlot> Plot(const char* a, const char* b, const char* c, bool hsv = false,
                                     const char* complex = nullptr)
    {
        auto plot = std::make_unique<AColorPlot>(Component(a), Component(b), Component(c),
                                                 complex ? Formula(complex) : nullptr, hsv, Colour(0xCE00CE),
                                                 &mapping);
        EXPECT_TRUE(WaitUntil([&] { return plot->IsComplete(); })) << a;
        return plot;
    }
    static uint32_t Cell(const AColorPlot& plot, int i, int j) { return plot.Image().cells[j * plot.Image().width + i]; }
};

TEST_F(ColorPlot, ComponentsAreScaledByTheirRangesOverTheView)
{
    auto plot = Plot("x", "y", "0");
    EXPECT_EQ(plot->RangeMin(0), -2);
    EXPECT_EQ(plot->RangeMax(0), 2);
    EXPECT_EQ(plot->RangeMin(1), -1);
    EXPECT_EQ(plot->RangeMax(1), 1);
    EXPECT_EQ(plot->RangeMin(2), 0);
    EXPECT_EQ(plot->RangeMax(2), 1);
    EXPECT_EQ(Cell(*plot, 0, 40), 0x000000u);   // (-2, -1)
    EXPECT_EQ(Cell(*plot, 80, 0), 0xFFFF00u);   // (2, 1)
    EXPECT_EQ(Cell(*plot, 40, 20), 0x7F7F00u);  // (0, 0): half of each

    // Within [0, 1] a component is used as it is.
    auto half = Plot("0.5", "0", "1");
    EXPECT_EQ(Cell(*half, 13, 17), 0x7F00FFu);
}

TEST_F(ColorPlot, HueIsScaledButNotClamped)
{
    auto plot = Plot("x", "1", "1", true);
    // The hue runs one turn across the view: red at both ends, cyan in the
    // middle.
    EXPECT_EQ(Cell(*plot, 0, 3), 0xFF0000u);
    EXPECT_EQ(Cell(*plot, 80, 3), 0xFF0000u);
    EXPECT_EQ(Cell(*plot, 40, 3), 0x00FFFFu);
    // An infinite hue has no turn to wrap: it paints as hue 0.
    const double v[3] = {INFINITY, 1, 1};
    EXPECT_EQ(plot->CellColor(v), 0xFF0000u);
}

TEST_F(ColorPlot, UndefinedCellsAreLeftUnpainted)
{
    auto plot = Plot("1", "sqrt(x)", "0");
    EXPECT_EQ(Cell(*plot, 10, 10), kColorCellUndefined);
    EXPECT_EQ(Cell(*plot, 70, 10), 0xFF0000u | (Cell(*plot, 70, 10) & 0xFF00));
    EXPECT_EQ(plot->GetStatus(), MessageNone);
    WhitePort();
    // Graph paper under the plot shows through: a grey pixel darkens red.
    PortFixture::At(70, 12) = 0x808080;
    plot->Draw();
    EXPECT_EQ(PortFixture::Colour(10, 10), 0xFFFFFFu);
    EXPECT_EQ(PortFixture::Colour(70, 10), Cell(*plot, 70, 10));
    EXPECT_LT((PortFixture::Colour(70, 12) >> 16) & 0xFF, 0xFFu);
    EXPECT_FALSE(plot->HitTest(-1, 0));
    EXPECT_TRUE(plot->HitTest(1, 0));

    auto none = Plot("sqrt(~1-x^2)", "0", "0");
    EXPECT_TRUE(none->Image().AllEqual(kColorCellUndefined));
    EXPECT_EQ(none->GetStatus(), MessageUndefinedInRegion);
}

TEST_F(ColorPlot, ScrollingReusesCellsAndTheTraceShowsTheComplexValue)
{
    auto plot = Plot("x", "y", "x*y", false, "x+i*y");
    const std::vector<uint32_t> before = Cells(plot->Image().cells, plot->Image().Count());
    mapping.Set(mapping.rect, 33, 20, 20, -20, 1);  // 7 pixels to the left
    plot->ViewScrolled(-7, 0);
    ASSERT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
    for (int j = 0; j < 41; ++j) {
        for (int i = 0; i < 74; ++i)
            ASSERT_EQ(Cell(*plot, i, j), before[j * 81 + i + 7]) << i << ", " << j;
    }
    const double v[3] = {(80 - 33) / 20.0, 1, (80 - 33) / 20.0};
    EXPECT_EQ(Cell(*plot, 80, 0), plot->CellColor(v)) << "an exposed cell";

    const TraceInfo trace = plot->Trace(0.5, -0.25);
    EXPECT_EQ(trace.kind, TraceComplexValue);
    EXPECT_EQ(trace.value.re, 0.5);
    EXPECT_EQ(trace.value.im, -0.25);
}

}  // namespace
