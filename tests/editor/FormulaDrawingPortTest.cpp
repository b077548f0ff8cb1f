#include "drawing/EquationPaneHooks.h"
#include "drawing/TextFont.h"
#include "editor/FormulaDrawingPort.h"
#include "editor/TypesetMetrics.h"
#include "platform/PortDC.h"
#include "support/TestApp.h"
#include "support/TypesetFixture.h"

#include <gtest/gtest.h>

namespace {

class FormulaDrawingPortTest : public testing::Test {
protected:
    static void SetUpTestSuite() { TestApp(); }
    void SetUp() override
    {
        SetFormulaTypeface("Times New Roman");
        SetFormulaOrigin(0, 0);
        SetTypesetMetrics(24);
        ClearTypesetStyle();
    }
    void TearDown() override
    {
        SetFormulaTypeface("Times New Roman");
        SetFormulaOrigin(0, 0);
        SetTypesetMetrics(24);
        ClearTypesetStyle();
    }
};

TEST_F(FormulaDrawingPortTest, SymbolFontMap)
{
    struct Case {
        uint32_t codePoint;
        uint16_t mapped;
    };
    const Case cases[] = {
        {0x00B1, 0xB1},                   // ±
        {0x2213, 0xB1 | kSymbolRotated},  // ∓ is ± turned over
        {0x03C0, 0x70},                   // π
        {0x03B8, 0x71},                   // θ
        {0x03C6, 0x66},                   // φ
        {0x03B1, 0},                      // α comes from the typeface
        {0x2212, 0x2D},                   // −
        {0x2211, 0xE5},                   // ∑
        {0x239B, 0xE6},                   // parenthesis pieces
        {0x23AD, 0xFE},
        {0x23A1, 0},  // square-bracket pieces are not mapped
        {0x23A6, 0},
        {u'x', 0},
        {0x1D465, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MapToSymbolFont(c.codePoint), c.mapped) << std::hex << c.codePoint;
}

TEST_F(FormulaDrawingPortTest, GlyphExtentsForPlacing)
{
    struct Case {
        float size;
        uint32_t codePoint;
        float ascent;
        float descent;
    };
    const Case cases[] = {
        {24, u'x', 15, 1},  {24, u'd', 24, 1},       {24, u'y', 15, 6},   {24, u'Q', 24, 6},
        {24, u'g', 15, 6},  {24, u'A', 24, 1},       {24, u'2', 24, 1},   {24, 0x2211, 21.6f, 2.4f},
        {40, u'a', 23, 1},  {40, 0x239D, 40, 11.72f}, {40, 0x23A9, 40, 2.8f}, {24, 0x23AA, 24, 1.92f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePoint);
        SetTypesetMetrics(c.size);
        EXPECT_FLOAT_EQ(GlyphAscent(c.codePoint), c.ascent);
        EXPECT_FLOAT_EQ(GlyphDescent(c.codePoint), c.descent);
    }
    SetTypesetMetrics(24);
    EXPECT_FLOAT_EQ(LowercaseHalfHeight(), 13);
}

TEST_F(FormulaDrawingPortTest, TextAndGlyphWidthsAreTheFontsAdvances)
{
    EXPECT_FLOAT_EQ(MeasureFormulaText(u"sin"), FontAdvance(u"sin", "Liberation Serif", 24));
    EXPECT_FLOAT_EQ(MeasureFormulaText(u"2"), FontAdvance(u"2", "Liberation Serif", 24));
    EXPECT_FLOAT_EQ(MeasureFormulaTextPrefix(u"sinh", 3), MeasureFormulaText(u"sin"));
    EXPECT_FLOAT_EQ(MeasureFormulaTextPrefix(u"ab", 99), MeasureFormulaText(u"ab"));
    EXPECT_EQ(MeasureFormulaText(u""), 0);
    EXPECT_EQ(MeasureFormulaText(nullptr), 0);
    // Mapped glyphs come from the symbol font's stand-in.
    EXPECT_FLOAT_EQ(MeasureFormulaGlyph(0x03C0), FontAdvance(u"\u03C0", "DejaVu Serif", 24));
    EXPECT_FLOAT_EQ(MeasureFormulaGlyph(0x2213), MeasureFormulaGlyph(0x00B1));
    // An italic glyph whose ink runs past its advance is measured with it.
    SetTypesetItalic();
    int bearing = FontRightBearing(u'f', "Liberation Serif", 24, true);
    ASSERT_LT(bearing, 0);
    EXPECT_FLOAT_EQ(MeasureFormulaGlyph(u'f'), FontAdvance(u"f", "Liberation Serif", 24, false, true) - bearing);
    ClearTypesetStyle();
    // A code point beyond the 16-bit plane is measured as its surrogate pair.
    EXPECT_GT(MeasureFormulaGlyph(0x1D465), 0);
    EXPECT_FLOAT_EQ(MeasureFormulaGlyph(0x1D465), MeasureFormulaText(u"\U0001D465"));
    EXPECT_EQ(MeasureFormulaGlyph(0x110000), 0);
    // The size truncates to whole pixels.
    SetTypesetMetrics(24.9f);
    EXPECT_FLOAT_EQ(MeasureFormulaText(u"sin"), FontAdvance(u"sin", "Liberation Serif", 24));
}

TEST_F(FormulaDrawingPortTest, FaceThatCannotBeMadeMeasuresNothing)
{
    SetFormulaTypeface("A face name longer than any font system takes in");
    EXPECT_EQ(MeasureFormulaText(u"sin"), 0);
    EXPECT_EQ(MeasureFormulaGlyph(u'x'), 0);
    Canvas canvas(40, 40);
    FormulaMoveTo(5, 30);
    DrawFormulaText(u"x", canvas.dc());
    EXPECT_EQ(canvas.InkBounds(0, 0, 40, 40)[0], -1);
}

TEST_F(FormulaDrawingPortTest, PositionsTruncateAndTextAdvancesThem)
{
    SetFormulaOrigin(100, 50);
    FormulaMoveTo(10.9f, -3.7f);
    EXPECT_EQ(FormulaCurrentPosition().x, 110);
    EXPECT_EQ(FormulaCurrentPosition().y, 47);
    // Each move truncates by itself: fractions are not carried.
    FormulaMoveBy(0.6f, 0.6f);
    FormulaMoveBy(0.6f, 0.6f);
    EXPECT_EQ(FormulaCurrentPosition().x, 110);
    EXPECT_EQ(FormulaCurrentPosition().y, 47);
    Canvas canvas(300, 100);
    FormulaMoveTo(0, 30);
    DrawFormulaText(u"sin", canvas.dc());
    EXPECT_EQ(FormulaCurrentPosition().x, 100 + static_cast<int>(FontAdvance(u"sin", "Liberation Serif", 24)));
    EXPECT_EQ(FormulaCurrentPosition().y, 80);
    // Ink stands on the baseline row at the position.
    std::vector<int> ink = canvas.InkBounds(100, 0, 200, 100);
    EXPECT_EQ(ink[2], 80);
    EXPECT_GE(ink[1], 100);
}

TEST_F(FormulaDrawingPortTest, RulesFollowTheFontSize)
{
    struct Case {
        float size;
        int rows;
    };
    const Case cases[] = {{24, 1}, {19, 1}, {40, 2}, {60, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        SetTypesetMetrics(c.size);
        Canvas canvas(60, 40);
        FormulaMoveTo(10, 20);
        FormulaLineBy(30.8f, 0, canvas.dc());
        EXPECT_EQ(FormulaCurrentPosition().x, 40);
        std::vector<int> ink = canvas.InkBounds(0, 0, 60, 40);
        EXPECT_EQ(ink[2] - ink[0], c.rows);
        if (c.rows == 1) {
            // A thin line leaves its end pixel out.
            EXPECT_EQ(ink[1], 10);
            EXPECT_EQ(ink[3], 40);
        }
    }
    // A polyline starts at the position, takes {dy, dx} steps and moves nothing.
    SetTypesetMetrics(24);
    Canvas canvas(60, 40);
    FormulaMoveTo(5, 5);
    const float steps[] = {0, 20.9f, 10.5f, 0};
    FormulaPolylineBy(2, steps, canvas.dc());
    EXPECT_EQ(FormulaCurrentPosition().x, 5);
    EXPECT_TRUE(canvas.Ink(5, 5));
    EXPECT_TRUE(canvas.Ink(24, 5));
    EXPECT_TRUE(canvas.Ink(25, 14));
    EXPECT_FALSE(canvas.Ink(25, 16));
}

TEST_F(FormulaDrawingPortTest, MinusOrPlusIsPlusOrMinusTurnedOver)
{
    SetTypesetMetrics(40);
    // The bar of ± is at its foot and its stem at its head; ∓ the other way.
    auto draw = [](uint32_t glyph) {
        Canvas canvas(80, 80);
        FormulaMoveTo(10, 50);
        DrawFormulaGlyph(glyph, canvas.dc());
        std::vector<int> ink = canvas.InkBounds(0, 0, 80, 80);
        EXPECT_NE(ink[0], -1);
        auto inkOfRow = [&](int y) {
            int count = 0;
            for (int x = 0; x < 80; ++x)
                count += canvas.Ink(x, y);
            return count;
        };
        // Two rows in, past the antialiased edge.
        bool barOnTop = inkOfRow(ink[0] + 1) > inkOfRow(ink[2] - 2);
        return std::make_pair(barOnTop, ink);
    };
    auto [plusBarOnTop, plusInk] = draw(0x00B1);
    auto [minusBarOnTop, minusInk] = draw(0x2213);
    EXPECT_FALSE(plusBarOnTop);
    EXPECT_TRUE(minusBarOnTop);
    // Turned over within the font's cell: the same columns, and rows
    // inside the cell of the upright glyph.
    EXPECT_NEAR(plusInk[1], minusInk[1], 1);
    EXPECT_NEAR(plusInk[3], minusInk[3], 1);
    TextFont symbol("Symbol", 40, false, false);
    EXPECT_GE(minusInk[0], 50 - symbol.Ascent());
    EXPECT_LE(minusInk[2], 50 + symbol.Descent());
}

TEST_F(FormulaDrawingPortTest, HighlightRectangles)
{
    Canvas canvas(20, 20);
    ShortRect r;
    SetShortRect(r, 2, 3, 6, 8);
    SetFormulaOrigin(4, 5);
    // Another context than the typesetting one takes the origin.
    FillSelectionRoundRect(r, canvas.dc());
    std::vector<int> ink = canvas.InkBounds(0, 0, 20, 20);
    EXPECT_EQ(ink, (std::vector<int>{7, 7, 12, 13}));  // bottom and right included
    EXPECT_FALSE(canvas.Ink(7, 7));                    // corners left out
    EXPECT_TRUE(canvas.Ink(8, 7));
    EXPECT_TRUE(canvas.Ink(7, 8));
    // The typesetting context has the origin already.
    Canvas own(20, 20);
    PortDC* saved = TypesetDC;
    TypesetDC = own.dc();
    FillSelectionRoundRect(r, own.dc());
    TypesetDC = saved;
    EXPECT_EQ(own.InkBounds(0, 0, 20, 20), (std::vector<int>{2, 3, 7, 9}));
    Canvas empty(20, 20);
    SetShortRect(r, 4, 4, 4, 9);
    FillSelectionRoundRect(r, empty.dc());
    FillFormulaRoundRect(FloatRect{3, 3, 3, 9}, false, empty.dc());
    EXPECT_EQ(empty.InkBounds(0, 0, 20, 20)[0], -1);
    // Formula rectangles exclude their bottom and right, and can invert.
    Canvas inverted(20, 20);
    FillFormulaRoundRect(FloatRect{1.5f, 1.9f, 6.2f, 9.9f}, true, inverted.dc());
    EXPECT_EQ(inverted.InkBounds(0, 0, 20, 20), (std::vector<int>{6, 5, 11, 13}));
}

}  // namespace
