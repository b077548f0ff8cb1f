// Data plots of table rows: which rows a condition keeps, the texts and
// sizes each row gets, the data bounds, and what is drawn, including rows
// whose sizes come from anything a table may hold.
#include "graphs2d/AData2DPlot.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocumentTask.h"
#include "drawing/DDUtils.h"
#include "document/DataTable.h"
#include "document/DocLine.h"
#include "document/DocState.h"
#include "document/DocumentReader.h"
#include "document/DocumentServices.h"
#include "document/DocumentViewSettings.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphs2d/ViewMapping.h"
#include "support/FakeGraphServices.h"
#include "support/PortFixture.h"
#include "support/TestApp.h"
#include "support/TreeText.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace {

constexpr RgbColor kInk = 0x0000FF;

struct Options {
    const char* condition = nullptr;
    const char* radius = nullptr;
    const char* symbol = nullptr;
    const char* label = nullptr;
    const char* fontSize = nullptr;
};

class DataPlot : public PortFixture {
protected:
    static void SetUpTestSuite()
    {
        TestApp();
        StartWorkerThreads();
    }

    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        RegisterDataTableHooks();
        RegisterDocumentServices();
        ResetKeptViewSettings();
        doc.Init(nullptr);
        // 20 pixels a unit, world 0 at pixel (10, 110).
        ShortRect r;
        SetShortRect(r, 0, 0, 121, 121);
        mapping.Set(r, 10, 110, 20, -20, 1);
        mapping.doc = &doc;
    }

    void TearDown() override
    {
        doc.FreeLines();
        doc.TableFunctions.Clear();
        ResetKeptViewSettings();
        PortFixture::TearDown();
    }

    // One table of the columns, each a header and its cells, ready to read.
    void ReadTable(const std::vector<std::vector<std::string>>& columns)
    {
        std::string text = "Vellumor 4;\rWindow 0 0 0 0;\rTable\r";
        for (const auto& column : columns) {
            for (const std::string& cell : column)
                text += "\t" + cell;
            text += "\r";
        }
        text += "EndOfTable;\r";
        doc.Reset(nullptr);
        ASSERT_TRUE(ReadDocumentText(&doc, text.data(), text.size()));
        for (DataTableColumn* column : doc.Lines[0].table->columns)
            column->ParseValues();
        doc.ClassifyAllTableColumns();
        doc.RebuildTableFunctions();
    }

    CompiledFormula* Formula(const char* text) { return text ? new CompiledFormula(ParseTree(text), &doc) : nullptr; }

    std::unique_ptr<AData2DPlot> Plot(const char* x, const char* y, const Options& o = {})
    {
        auto* colour = new AGraphColor(nullptr, &doc);
        colour->rgb = kInk;
        auto plot = std::make_unique<AData2DPlot>(Formula(x), Formula(y), colour, Formula(o.condition),
                                                  Formula(o.radius), Formula(o.symbol), Formula(o.label),
                                                  Formula(o.fontSize), &mapping, &doc);
        EXPECT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
        return plot;
    }

    void DrawOnWhite(AData2DPlot& plot)
    {
        MakePort(mapping.rect.right, mapping.rect.bottom);
        ReleasePortDC();  // the plot acquires the port's context itself
        plot.Draw();
    }

    RgbColor At(double x, double y) { return Colour(mapping.XToPixel(x), mapping.YToPixel(y)); }

    FakeGraphServices services;
    DocState doc;
    ViewMapping mapping;
};

TEST_F(DataPlot, ConditionKeepsOnlyRowsWhereItIsExactlyOne)
{
    ReadTable({{"X", "1", "2", "3", "4", "5"}, {"Y", "0", "1", "2", "3", "4"}, {"K", "1", "2", "", "1", "0"}});
    // The condition column itself: 2, an empty cell (NaN) and 0 leave out.
    auto plot = Plot("X", "Y", {.condition = "K"});
    ASSERT_EQ(plot->RowCount(), 5);
    const bool kept[] = {true, false, false, true, false};
    for (int32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(std::isfinite(plot->X(i)), kept[i]) << "row " << i + 1;
        if (kept[i]) {
            EXPECT_EQ(plot->X(i), i + 1);
            EXPECT_EQ(plot->Y(i), i);
        }
    }
    // A relation sees the row's own x and y.
    auto right = Plot("X", "Y", {.condition = "(> x 3)"});
    EXPECT_TRUE(std::isnan(right->X(2)));
    EXPECT_EQ(right->X(3), 4);

    double x0, x1, y0, y1;
    ASSERT_TRUE(plot->GetDataBounds(&x0, &x1, &y0, &y1));
    EXPECT_EQ(x0, 1);
    EXPECT_EQ(x1, 4);
    EXPECT_EQ(y0, 0);
    EXPECT_EQ(y1, 3);

    // Left out rows are not drawn; kept ones are discs in the colour.
    DrawOnWhite(*plot);
    EXPECT_EQ(At(1, 0), kInk);
    EXPECT_EQ(At(4, 3), kInk);
    EXPECT_EQ(At(2, 1), 0xFFFFFFu);
    EXPECT_EQ(At(5, 4), 0xFFFFFFu);
}

TEST_F(DataPlot, BoundsAreFalseWhenNoRowIsDefined)
{
    ReadTable({{"X", "", ""}, {"Y", "1", "2"}});
    auto plot = Plot("X", "Y");
    ASSERT_EQ(plot->RowCount(), 2);
    double x0 = 7, x1 = 7, y0 = 7, y1 = 7;
    EXPECT_FALSE(plot->GetDataBounds(&x0, &x1, &y0, &y1));
    EXPECT_EQ(x0, 7);
    // Formulas that read no column have no rows, and no bounds.
    auto none = Plot("1", "2");
    EXPECT_EQ(none->RowCount(), 0);
    EXPECT_TRUE(none->IsComplete());
    EXPECT_FALSE(none->GetDataBounds(&x0, &x1, &y0, &y1));
}

TEST_F(DataPlot, RowsCarryTheirOwnTextsAndAnEmptySymbolGetsADisc)
{
    ReadTable({{"X", "1", "3"}, {"Y", "1", "3"}, {"S", "A", ""}, {"L", "one", "three"}});
    auto plot = Plot("X", "Y", {.symbol = "S", .label = "L"});
    ASSERT_NE(plot->Symbol(0), nullptr);
    EXPECT_EQ(std::u16string(plot->Symbol(0)), u"A");
    EXPECT_EQ(plot->Symbol(1), nullptr);
    EXPECT_EQ(std::u16string(plot->Label(1)), u"three");
    DrawOnWhite(*plot);
    // Row 2 has no symbol text: its disc; row 1 its symbol, not a disc.
    EXPECT_EQ(At(3, 3), kInk);
    int inked = 0;
    const int h = mapping.XToPixel(1), v = mapping.YToPixel(1);
    for (int dy = -8; dy <= 8; ++dy)
        for (int dx = -8; dx <= 8; ++dx)
            inked += Colour(h + dx, v + dy) != 0xFFFFFFu;
    EXPECT_GT(inked, 0);
    // The label lies to the right of the disc.
    int labelInk = 0;
    for (int dy = -8; dy <= 8; ++dy)
        for (int dx = 6; dx <= 40; ++dx)
            labelInk += Colour(mapping.XToPixel(3) + dx, mapping.YToPixel(3) + dy) != 0xFFFFFFu;
    EXPECT_GT(labelInk, 0);
}

TEST_F(DataPlot, AnySizeFromATableDrawsSafely)
{
    ReadTable({{"X", "1", "2", "3", "4"}, {"Y", "1", "2", "3", "4"}, {"R", "0.5", "-1", "", "1e300"}});
    auto inked = [&](double x, double y, int dx) { return Colour(mapping.XToPixel(x) + dx, mapping.YToPixel(y)) != 0xFFFFFFu; };
    auto plot = Plot("X", "Y", {.condition = "(< x 4)", .radius = "R", .label = "\"t\"", .fontSize = "R"});
    DrawOnWhite(*plot);
    // Half a unit is 10 pixels: the disc reaches 8 pixels out.
    EXPECT_TRUE(inked(1, 1, 8));
    // Negative and undefined radii fall back to 3 pixels.
    EXPECT_TRUE(inked(2, 2, 2));
    EXPECT_FALSE(inked(2, 2, -6));
    EXPECT_TRUE(inked(3, 3, 2));
    EXPECT_FALSE(inked(3, 3, -6));
    // A huge radius is held to the view: it fills it, and drawing ends.
    auto huge = Plot("X", "Y", {.condition = "(> x 3)", .radius = "R", .label = "\"t\"", .fontSize = "R"});
    DrawOnWhite(*huge);
    EXPECT_NE(Colour(0, 0), 0xFFFFFFu);
    EXPECT_NE(Colour(120, 120), 0xFFFFFFu);
}

TEST_F(DataPlot, ColourChangesAndHiddenPlots)
{
    ReadTable({{"X", "1"}, {"Y", "1"}});
    auto plot = Plot("X", "Y");
    plot->SetOption(8, 17);
    EXPECT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
    DrawOnWhite(*plot);
    EXPECT_EQ(At(1, 1), 0xFFFFFFu);
    // The picture colour without a picture draws without one.
    plot->SetOption(8, 999);
    EXPECT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
    DrawOnWhite(*plot);
    plot->SetOption(8, 2);
    EXPECT_TRUE(WaitUntil([&] { return plot->IsComplete(); }));
    DrawOnWhite(*plot);
    EXPECT_NE(At(1, 1), 0xFFFFFFu);
}

}  // namespace
