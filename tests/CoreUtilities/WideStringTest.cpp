#include "CoreUtilities/WideString.h"

#include "support/CommaLocale.h"

#include <clocale>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

TEST(WideStringTest, CompareOrdersByUnsignedUnitsWithNullLast)
{
    const struct {
        const char16_t* a;
        const char16_t* b;
        int expected;
    } cases[] = {
        {nullptr, u"", 1}, {u"", nullptr, -1}, {nullptr, nullptr, 0},
        {u"", u"", 0},     {u"a", u"b", -1},   {u"ab", u"a", 1},
        {u"\uFFFF", u"a", 1},  // units compare unsigned
        {u"x\xD83D\xDE00", u"x\uFFFF", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WideCompare(c.a, c.b), c.expected);
        EXPECT_EQ(WideEqual(c.a, c.b), c.expected == 0);
    }
}

TEST(WideStringTest, FindCharFindsTheFirstOccurrenceOrTheTerminator)
{
    const char16_t* text = u"a=b=c";
    EXPECT_EQ(WideFindChar(text, u'='), text + 1);
    EXPECT_EQ(WideFindChar(text, 0), text + 5);
    EXPECT_EQ(WideFindChar(text, u'z'), nullptr);
    EXPECT_EQ(WideFindChar(nullptr, u'a'), nullptr);
    EXPECT_EQ(WideFindCharRaw(text, u'c'), text + 4);
    EXPECT_EQ(WideLength(text), 5u);
    EXPECT_EQ(WideLength(u""), 0u);
}

TEST(WideStringTest, CopyHandlesOverlapAndDuplicateTakesNUnits)
{
    char16_t buffer[16] = u"abcdef";
    EXPECT_EQ(WideCopy(buffer + 2, buffer), buffer + 2);
    EXPECT_EQ(std::u16string(buffer), u"ababcdef");
    WideCopy(buffer, buffer + 3);
    EXPECT_EQ(std::u16string(buffer), u"bcdef");

    char16_t* copy = WideDuplicateN(u"hello", 3);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::u16string(copy), u"hel");
    std::free(copy);
    copy = WideDuplicateN(u"hello", 0);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy[0], 0);
    std::free(copy);
}

TEST(WideStringTest, FormatWideWritesUtf8ArgumentsAndNeverPastItsLength)
{
    char16_t buffer[32];
    ASSERT_TRUE(UseCommaNumericLocale());  // numbers must not follow it
    EXPECT_EQ(FormatWide(buffer, 32, "%d %s %.3g", -42, "caf\xC3\xA9", 2.5), 12);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(std::u16string(buffer), u"-42 caf\u00E9 2.5");

    char16_t small[8];
    for (char16_t& unit : small)
        unit = u'#';
    EXPECT_EQ(FormatWide(small, 5, "%s", "abcdefgh"), 4);
    EXPECT_EQ(std::u16string(small, 8), std::u16string(u"abcd\0###", 8));
    // A pair is never cut in half at the end of the room.
    FormatWide(small, 3, "a%s", "\xF0\x9F\x98\x80");
    EXPECT_EQ(std::u16string(small), u"a");
    small[0] = u'#';
    EXPECT_EQ(FormatWide(small, 0, "%d", 1), 0);
    EXPECT_EQ(small[0], u'#');
}

}  // namespace
