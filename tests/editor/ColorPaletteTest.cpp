#include "editor/ColorPalette.h"

#include "document/DocState.h"
#include "formula/FormulaEngine.h"
#include "support/DocumentLines.h"
#include "support/FakeGraphServices.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The swatches from the left, plain and with the patterns.
TEST(ColorPaletteChoices, EachSwatchShowsAndGivesItsColour)
{
    const struct {
        bool extended;
        int32_t choice;
        int32_t shown;
        int32_t given;
    } cases[] = {
        {false, 1, 1, 1},   {false, 8, 8, 8},   {false, 9, 17, 17}, {false, 10, 0, 0}, {false, 0, 0, 0},
        {true, 1, 1, 1},    {true, 8, 8, 8},    {true, 9, 10, 10},  {true, 15, 16, 16}, {true, 16, 17, 17},
        {true, 17, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PaletteChoiceCode(c.choice, c.extended), c.shown) << c.extended << " " << c.choice;
        EXPECT_EQ(PaletteChoiceColorCode(c.choice, c.extended), c.given) << c.extended << " " << c.choice;
    }
    EXPECT_EQ(PaletteChoiceCount(false), 9);
    EXPECT_EQ(PaletteChoiceCount(true), 16);
}

// The choice a line's colour starts from; codes the palette does not offer
// (a damaged file) start from none, which keeps the colour.
TEST(ColorPaletteChoices, TheInitialChoiceIsTheLinesColour)
{
    const struct {
        double code;
        bool extended;
        int32_t choice;
    } cases[] = {
        {3, false, 3}, {17, false, 9}, {17, true, 16}, {12, true, 11}, {0, false, 0},
        {9, false, 9}, {12, false, 0}, {999, false, 0}, {-1, true, 0}, {NAN, false, 0}, {INFINITY, true, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InitialPaletteChoice(c.code, c.extended), c.choice) << c.code << " " << c.extended;
}

TEST(ColorPaletteChoices, ThePointerPicksASwatchNearThePalette)
{
    const int32_t top = 100, left = 50, choices = 9;
    const struct {
        int16_t v, h;
        int32_t choice;
    } cases[] = {
        {105, 55, 1},  {105, 69, 1},  {105, 70, 2},  {105, 229, 9}, {105, 240, 9},
        // Left of the first swatch but within 15 pixels: the first.
        {105, 36, 1},  {105, 34, 0},
        {86, 60, 1},   {84, 60, 0},   {135, 60, 1},  {136, 60, 0},  {105, 246, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PaletteChoiceAt(ShortPoint{c.v, c.h}, top, left, choices), c.choice) << c.v << " " << c.h;
}

class ColorPalettePopup : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        doc = GetDocState();
        ClearDocState(doc);
        ASSERT_TRUE(AppendEquationLine(*doc, "y=x"));
        doc->Lines[0].Color = 3;
    }
    void TearDown() override { ClearDocState(doc); }

    // Press on the swatch at (100, 50), moves through the points, release.
    void Pick(std::initializer_list<ShortPoint> moves)
    {
        OpenColorPalette(doc->Lines[0].Color, false, 100, 50, 0);
        EXPECT_TRUE(IsColorPaletteOpen());
        for (ShortPoint p : moves)
            TrackColorPalette(p);
        ApplyColorPaletteChoice(doc);
        EXPECT_FALSE(IsColorPaletteOpen());
    }

    FakeGraphServices services;
    DocState* doc = nullptr;
};

TEST_F(ColorPalettePopup, TheReleaseGivesTheLineTheSwatchUnderThePointer)
{
    Pick({ShortPoint{105, 95}, ShortPoint{105, 135}});
    EXPECT_EQ(doc->Lines[0].Color, 5);
    // The ninth swatch of the plain palette hides the graphs.
    Pick({ShortPoint{105, 225}});
    EXPECT_EQ(doc->Lines[0].Color, 17);
}

TEST_F(ColorPalettePopup, AReleaseAwayFromThePaletteKeepsTheColour)
{
    Pick({ShortPoint{105, 135}, ShortPoint{300, 400}});
    EXPECT_EQ(doc->Lines[0].Color, 3);
    // A colour the palette cannot show is kept as well.
    doc->Lines[0].Color = 999;
    Pick({ShortPoint{300, 400}});
    EXPECT_EQ(doc->Lines[0].Color, 999);
}

// Without a move the first swatch is taken, as a click on it.
TEST_F(ColorPalettePopup, APressAndReleaseWithoutAMoveTakesTheFirstColour)
{
    Pick({});
    EXPECT_EQ(doc->Lines[0].Color, 1);
}

TEST_F(ColorPalettePopup, TrackingReportsOnlyAChangedHighlight)
{
    OpenColorPalette(3, false, 100, 50, 0);
    EXPECT_TRUE(TrackColorPalette(ShortPoint{105, 95}));
    EXPECT_FALSE(TrackColorPalette(ShortPoint{106, 96}));
    EXPECT_EQ(doc->paletteHighlight, 3);
    // Away from the palette the highlight goes back to the line's own.
    EXPECT_TRUE(TrackColorPalette(ShortPoint{105, 75}));
    EXPECT_TRUE(TrackColorPalette(ShortPoint{300, 300}));
    EXPECT_EQ(doc->paletteHighlight, 3);
    ApplyColorPaletteChoice(doc);
}

}  // namespace
