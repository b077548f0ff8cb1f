#include "drawing/CaretStepping.h"
#include "drawing/TextFont.h"
#include "platform/PortDC.h"
#include "support/TestApp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <memory>

namespace {

TEST(CaretSteppingTest, StepCaretKeepsSurrogatePairsWhole)
{
    // "𝒜b" is a pair then b; "a" + a lone high surrogate at the end.
    const char16_t* pairFirst = u"\xD835\xDC9C" u"b";
    const char16_t* loneHigh = u"a\xD835";
    const char16_t* lowAtStart = u"\xDC9C" u"a";
    struct Case {
        const char16_t* text;
        int32_t index;
        int32_t direction;
        int32_t expected;
    };
    const Case cases[] = {
        {pairFirst, 0, 1, 2},   // right over the pair
        {pairFirst, 0, 3, 2},
        {pairFirst, 2, 0, 0},   // left over the pair
        {pairFirst, 2, 2, 0},
        {pairFirst, 1, 0, 0},   // inside the pair
        {pairFirst, 3, 0, 2},
        {pairFirst, 2, 1, 3},
        {pairFirst, 3, 1, 3},   // at the end
        {pairFirst, 0, 0, 0},   // at the start
        {pairFirst, 2, 4, 2},   // no such direction
        {pairFirst, 2, -1, 2},
        {loneHigh, 1, 1, 2},    // a lone high surrogate at the end is one step
        {loneHigh, 2, 0, 1},
        {lowAtStart, 1, 0, 0},  // a low surrogate at index 0 has no partner
        {u"", 0, 1, 0},
        {pairFirst, 7, 0, 6},   // past the end: no unit is read
        {pairFirst, -2, 1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "index " << c.index << " direction " << c.direction);
        EXPECT_EQ(StepCaret(c.text, c.index, c.direction), c.expected);
    }
    EXPECT_EQ(CaretTextLength(pairFirst), 3);
    EXPECT_EQ(TextRunDirection(u"abc"), 2);
}

TEST(CaretSteppingTest, StepCaretInRunStepsFromTheEndOfTheRun)
{
    const char16_t* text = u"abcdefg";
    EXPECT_EQ(StepCaretInRun(text, 3, 5, 2), 4);
    EXPECT_EQ(StepCaretInRun(text, 5, 3, 2), 4);
    EXPECT_EQ(StepCaretInRun(text, 3, 5, 1), 4);
    EXPECT_EQ(StepCaretInRun(text, 3, 5, 0), 2);
    EXPECT_EQ(StepCaretInRun(text, 5, 3, 3), 4);
}

TEST(CaretSteppingTest, CellsAreShiftedByHalfTheFirstAdvance)
{
    const int32_t even[] = {10, 10, 10};
    struct Case {
        float x;
        int32_t expected;
    };
    const Case cases[] = {{-6, 0}, {-5, 0}, {4, 0}, {4.99f, 0}, {5, 1}, {14, 1}, {15, 2}, {24.9f, 2}, {25, 3}, {30, 3}};
    for (const Case& c : cases)
        EXPECT_EQ(CaretIndexInCells(even, 3, c.x), c.expected) << "x " << c.x;
    // Every cell moves by half the first advance, not by half its own; an odd
    // advance halves toward zero.
    const int32_t uneven[] = {7, 20, 4};
    EXPECT_EQ(CaretIndexInCells(uneven, 3, -3), 0);
    EXPECT_EQ(CaretIndexInCells(uneven, 3, 3.9f), 0);
    EXPECT_EQ(CaretIndexInCells(uneven, 3, 4), 1);
    EXPECT_EQ(CaretIndexInCells(uneven, 3, 24), 2);
    EXPECT_EQ(CaretIndexInCells(uneven, 3, 28), 3);
    EXPECT_EQ(CaretIndexInCells(nullptr, 0, 5), 0);
}

TEST(CaretSteppingTest, CaretIndexAtXFollowsTheFontsAdvances)
{
    TestApp();

    TextFont font("Times New Roman", 20.0f, false, false);
    const char16_t* text = u"W\xD835\xDC9Ci";
    std::vector<int32_t> dx(4);
    std::unique_ptr<PortDC> dc(PortDC::NewForMeasuring());
    dc->SelectFont(font.handle);
    dc->GetCharacterAdvances(text, 4, dx.data());
    EXPECT_EQ(dx[2], 0);  // the pair's second unit
    float start = static_cast<float>(dx[0] / -2);
    EXPECT_EQ(CaretIndexAtX(text, start - 1, font), 0);
    EXPECT_EQ(CaretIndexAtX(text, 0, font), 0);
    // Past W lies the pair, then i; the caret never lands inside the pair.
    EXPECT_EQ(CaretIndexAtX(text, start + dx[0], font), 1);
    EXPECT_EQ(CaretIndexAtX(text, start + dx[0] + dx[1], font), 3);
    EXPECT_EQ(CaretIndexAtX(text, MeasureTextWidth(text, font), font), 4);
    EXPECT_EQ(CaretIndexAtX(u"", 10, font), 0);
    EXPECT_EQ(CaretIndexAtX(nullptr, 10, font), 0);
}

}  // namespace
