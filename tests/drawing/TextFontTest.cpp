#include "drawing/DrawingPort.h"
#include "drawing/TextFont.h"
#include "drawing/TypesetDCScope.h"
#include "editor/EquationViewServices.h"
#include "platform/PortDC.h"
#include "support/PortFixture.h"
#include "support/TestApp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <memory>

namespace {

class TextFontTest : public PortFixture {
protected:
    static void SetUpTestSuite() { TestApp(); }
};

TEST_F(TextFontTest, SizeTruncatesToCharacterHeightAndFacesResolve)
{
    struct Case {
        const char* face;
        float size;
        int32_t height;
        const char* family;
    };
    const Case cases[] = {
        {"Times New Roman", 12.7f, -12, "Liberation Serif"},
        {"Arial", 30.99f, -30, "Liberation Sans"},
        {"arial", 9.0f, -9, "Liberation Sans"},
        {"Symbol", 24.5f, -24, "DejaVu Serif"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.face);
        TextFont font(c.face, c.size, false, false);
        ASSERT_NE(font.handle, nullptr);
        EXPECT_EQ(SystemFontHeight(font.handle), c.height);
        EXPECT_STREQ(SystemFontFamily(font.handle), c.family);
        // The cell is the character height plus the internal leading.
        EXPECT_EQ(font.metrics.height - font.metrics.internalLeading, -c.height);
        EXPECT_EQ(font.Height(), font.Ascent() + font.Descent());
        EXPECT_GT(font.Ascent(), font.Descent());
        EXPECT_EQ(font.metrics.weight, 400);
    }
    TextFont bold("Times New Roman", 12.7f, true, true, 450);
    EXPECT_EQ(bold.metrics.weight, 700);
    EXPECT_EQ(bold.metrics.italic, 1);
    EXPECT_EQ(SystemFontEscapement(bold.handle), 450);
    EXPECT_EQ(FontAscentOf(u"ignored", bold), bold.Ascent());
}

TEST_F(TextFontTest, FontThatCannotBeMadeHasZeroMetricsAndMeasuresInTheContextsFont)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* face;
        float size;
    };
    const Case cases[] = {
        {"A face name far longer than any the system knows", 12.0f},
        {nullptr, 12.0f},
        {"Arial", nan},
        {"Arial", 1e12f},
        {"Arial", 40000.0f},
    };
    TextFont stockLike("Arial", 13.0f, false, false);
    float stockWidth = MeasureTextWidth(u"Wide text", stockLike);
    ASSERT_GT(stockWidth, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        TextFont font(c.face, c.size, false, false);
        EXPECT_EQ(font.handle, nullptr);
        EXPECT_EQ(font.Height(), 0);
        EXPECT_EQ(font.metrics.aveCharWidth, 0);
        EXPECT_EQ(font.metrics.weight, 0);
        // Without a typesetting context the borrowed screen context measures
        // in its stock font.
        EXPECT_EQ(MeasureTextWidth(u"Wide text", font), stockWidth);
    }

    // In the typesetting context, a failed font measures in whatever font
    // the context holds.
    TextFont big("Times New Roman", 40.0f, false, false);
    std::unique_ptr<PortDC> dc(PortDC::NewForMeasuring());
    dc->SelectFont(big.handle);
    PortDC* saved = TypesetDC;
    TypesetDC = dc.get();
    TextFont failed(nullptr, 12.0f, false, false);
    EXPECT_EQ(MeasureTextWidth(u"Wide text", failed), MeasureTextWidth(u"Wide text", big));
    EXPECT_GT(MeasureTextWidth(u"Wide text", big), stockWidth);
    TypesetDC = saved;
}

TEST_F(TextFontTest, WidthsAddUpAndAstralCodePointsMeasureAsTheirPair)
{
    TextFont font("Times New Roman", 20.0f, false, false);
    float whole = MeasureTextWidth(u"fifl AV", font);
    float sum = 0;
    for (char16_t c : std::u16string(u"fifl AV"))
        sum += MeasureCodePointWidth(c, font);
    // No ligatures and no kerning: the caret's cells add up to the width.
    EXPECT_EQ(whole, sum);
    EXPECT_EQ(MeasureCodePointWidth(0x1D49C, font), MeasureTextWidth(u"\xD835\xDC9C", font));
    EXPECT_GT(MeasureCodePointWidth(0x1D49C, font), 0);
    EXPECT_EQ(MeasureCodePointWidth(0x110000, font), 0);
    EXPECT_EQ(MeasureTextWidth(u"", font), 0);
    EXPECT_EQ(MeasureTextWidth(nullptr, font), 0);

    // Symbol-font characters are measured as the characters they stand for.
    TextFont symbol("Symbol", 20.0f, false, false);
    TextFont serif("DejaVu Serif", 20.0f, false, false);
    EXPECT_EQ(MeasureTextWidth(u"apS\xF0E5", symbol), MeasureTextWidth(u"\u03B1\u03C0\u03A3\u2211", serif));
}

TEST_F(TextFontTest, DrawTextAtPenPutsTheBaselineOnThePenAndMovesIt)
{
    MakePort(80, 40);
    PortDC* dc = GetPortDC();
    ASSERT_NE(dc, nullptr);
    dc->SetBackgroundMode(BackgroundMode::Transparent);
    dc->SetTextColor(0x000000);
    dc->SetTextAlign(0);
    TextFont font("Arial", 20.0f, false, false);
    FontHandle before = dc->SelectFont(nullptr);
    dc->SelectFont(before);

    dc->MoveTo(10, 30);
    DrawTextAtPen(u"HH", font, nullptr);
    int width = static_cast<int>(MeasureTextWidth(u"HH", font));
    EXPECT_EQ(dc->CurrentPosition().x, 10 + width);
    EXPECT_EQ(dc->CurrentPosition().y, 30);
    EXPECT_EQ(dc->TextAlign(), 0u);
    EXPECT_EQ(dc->SelectFont(before), before);

    // H stands on the baseline: dark ink down to the row above the pen,
    // nothing below it, and its top near the cap height above.
    int lowest = -1, highest = 40, leftmost = 80, rightmost = -1;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x)
            if ((Colour(x, y) & 0xFF) < 0x80) {
                lowest = std::max(lowest, y);
                highest = std::min(highest, y);
                leftmost = std::min(leftmost, x);
                rightmost = std::max(rightmost, x);
            }
    EXPECT_EQ(lowest, 29);
    EXPECT_GE(highest, 30 - static_cast<int>(font.Ascent()));
    EXPECT_LE(highest, 30 - 12);
    EXPECT_GE(leftmost, 10);
    EXPECT_LT(rightmost, 10 + width);

    // A quarter-turn escapement runs the text upward, and the pen with it.
    TextFont up("Arial", 20.0f, false, false, 900);
    dc->MoveTo(5, 35);
    DrawTextAtPen(u"HH", up, dc);
    EXPECT_EQ(dc->CurrentPosition().x, 5);
    EXPECT_EQ(dc->CurrentPosition().y, 35 - width);

    // A font without a handle draws in the context's font and still moves the pen.
    TextFont failed(nullptr, 20.0f, false, false);
    dc->MoveTo(0, 20);
    DrawTextAtPen(u"HH", failed, dc);
    EXPECT_EQ(dc->CurrentPosition().x, static_cast<int>(MeasureTextWidth(u"HH", failed)));
}

TEST_F(TextFontTest, OpaqueBackgroundFillsTheTextCell)
{
    MakePort(40, 30, 0xFFFFFF);
    PortDC* dc = GetPortDC();
    dc->SetBackgroundMode(BackgroundMode::Opaque);
    dc->SetBackColor(0x0000FF);  // red in the system's colour order
    dc->SetTextColor(0x000000);
    TextFont font("Arial", 12.0f, false, false);
    dc->MoveTo(2, 20);
    DrawTextAtPen(u"i", font, dc);
    int width = static_cast<int>(MeasureTextWidth(u"i", font));
    EXPECT_EQ(Colour(2, 20 - static_cast<int>(font.Ascent())), 0xFF0000u);
    EXPECT_EQ(Colour(2 + width - 1, 20 + static_cast<int>(font.Descent()) - 1), 0xFF0000u);
    EXPECT_EQ(Colour(2 + width, 20), 0xFFFFFFu);
    EXPECT_EQ(Colour(1, 20), 0xFFFFFFu);
}

TEST_F(TextFontTest, DeletedFontStaysUntilItsContextsLetItGo)
{
    MakePort(60, 30);
    PortDC* dc = GetPortDC();
    auto font = std::make_unique<TextFont>("Arial", 20.0f, false, false);
    TextMetrics made = font->metrics;
    FontHandle stock = dc->SelectFont(font->handle);
    PortDC* measuring = PortDC::NewForMeasuring();
    ASSERT_NE(measuring, nullptr);
    measuring->SelectFont(font->handle);
    font.reset();

    // Both contexts still measure and draw with it (the address sanitizer
    // checks that its memory is still theirs).
    TextMetrics now{};
    dc->GetTextMetrics(now);
    EXPECT_EQ(now.ascent, made.ascent);
    EXPECT_GT(measuring->GetTextExtent(u"Wide", 4), 0);
    dc->SetBackgroundMode(BackgroundMode::Opaque);
    dc->SetBackColor(0x0000FF);
    dc->TextOut(2, 2, u"W", 1);
    EXPECT_EQ(Colour(3, 3), 0xFF0000u);

    // The last context to let go frees it; the replaced font is then gone.
    delete measuring;
    EXPECT_NE(stock, nullptr);
    EXPECT_EQ(dc->SelectFont(stock), nullptr);
    dc->GetTextMetrics(now);
    EXPECT_NE(now.ascent, made.ascent);
}

}  // namespace
