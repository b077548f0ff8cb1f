#include "CoreUtilities/TextEncoding.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::u16string Widen(const std::string& bytes, TextEncoding encoding)
{
    std::vector<char16_t> out(bytes.size() + 1, u'?');
    NarrowToWide(bytes.c_str(), out.data(), encoding);
    return out.data();
}

std::string Narrow(const std::u16string& text, TextEncoding encoding)
{
    size_t size = NarrowSizeOfWide(text.c_str(), encoding);
    std::string out(size + 8, '?');
    WideToNarrow(text.c_str(), out.data(), size, encoding);
    return out.c_str();
}

struct DecodeCase {
    const char* what;
    std::string bytes;
    std::u16string expected;  // empty: rejected
};

TEST(TextEncodingTest, StrictUtf8DecodeTable)
{
    const DecodeCase cases[] = {
        {"ASCII", "abc", u"abc"},
        {"two bytes", "\xC3\xA9", u"\u00E9"},
        {"three bytes", "\xE2\x82\xAC", u"\u20AC"},
        {"last BMP unit", "\xEF\xBF\xBF", u"\uFFFF"},
        {"four bytes give a pair", "\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
        {"last code point", "\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
        {"overlong zero", "\xC0\x80", u""},
        {"overlong two-byte", "\xC1\xBF", u""},
        {"overlong three-byte", "\xE0\x9F\xBF", u""},
        {"overlong four-byte", "\xF0\x8F\xBF\xBF", u""},
        {"encoded high surrogate", "\xED\xA0\x80", u""},
        {"encoded low surrogate", "\xED\xBF\xBF", u""},
        {"truncated three-byte", "\xE2\x82", u""},
        {"truncated four-byte", "a\xF0\x9F\x98", u""},
        {"stray continuation", "a\x80z", u""},
        {"bad continuation", "\xE2\x28\xA1", u""},
        {"above U+10FFFF", "\xF4\x90\x80\x80", u""},
        {"lead F5", "\xF5\x80\x80\x80", u""},
        {"ASCII after F4 swallowed", "\xF4\x41\x80\x80", u""},
        {"ASCII after F0", "\xF0\x41\x80\x80", u""},
        {"ASCII after E0", "\xE0\x41\x80", u""},
        {"ASCII after ED", "\xED\x41\x80", u""},
        {"ASCII after C3", "\xC3\x41", u""},
        {"lead byte as second byte of F4", "\xF4\xC0\x80\x80", u""},
        {"lead byte as last byte", "\xE2\x82\xC0", u""},
        {"last byte below the range", "\xF0\x9F\x98\x7F", u""},
        {"highest ED before the surrogates", "\xED\x9F\xBF", u"\uD7FF"},
        {"first F4", "\xF4\x80\x80\x80", u"\xDBC0\xDC00"},
        {"five-byte lead", "\xF8\x88\x80\x80\x80", u""},
        {"six-byte lead", "\xFC\x84\x80\x80\x80\x80", u""},
        {"byte FF", "\xFF", u""},
        {"bad byte after good text", "valid text \xC0\x80", u""},
    };
    for (const DecodeCase& c : cases)
        EXPECT_EQ(Widen(c.bytes, kTextUtf8), c.expected) << c.what;
}

TEST(TextEncodingTest, AsciiAndOneByteEncodingsRejectWhatTheyCannotHold)
{
    EXPECT_EQ(Widen("caf\xE9", kTextAscii), u"");
    EXPECT_EQ(Widen("caf\xE9", kTextOneByte), u"caf\u00E9");
    EXPECT_EQ(Widen("plain", kTextAscii), u"plain");
    EXPECT_EQ(Widen("plain", static_cast<TextEncoding>(7)), u"");

    EXPECT_EQ(Narrow(u"\u0141odz", kTextOneByte), "");
    EXPECT_EQ(Narrow(u"caf\u00E9", kTextOneByte), "caf\xE9");
    EXPECT_EQ(Narrow(u"caf\u00E9", kTextAscii), "");
    EXPECT_EQ(Narrow(u"plain", kTextAscii), "plain");
    EXPECT_EQ(NarrowSizeOfWide(u"plain", static_cast<TextEncoding>(7)), 0u);
}

TEST(TextEncodingTest, NarrowSizeMatchesWhatTheWriterWrites)
{
    const std::u16string texts[] = {
        u"a\u00E9\u20AC\xD83D\xDE00",  // 1 + 2 + 3 + 4 + terminator
        u"", u"a", u"\u07FF\u0800\uFFFF",
        u"a\xD800",           // high surrogate at the end
        u"\xD800z",           // high surrogate before a non-surrogate
        u"x\xDC00y",          // lone low surrogate
        u"\xDBFF\xDBFF\xDFFF",  // lone high, then a pair
    };
    EXPECT_EQ(NarrowSizeOfWide(texts[0].c_str(), kTextUtf8), 11u);
    for (const std::u16string& text : texts) {
        std::string bytes = Narrow(text, kTextUtf8);
        EXPECT_EQ(bytes.size() + 1, NarrowSizeOfWide(text.c_str(), kTextUtf8));
        EXPECT_EQ(NarrowSizeOfWide(text.c_str(), kTextOneByte), text.size() + 1);
        EXPECT_EQ(text.empty(), bytes.empty()) << "a non-empty text must not be lost";
    }
}

TEST(TextEncodingTest, LoneSurrogatesAreWrittenSoThatTheTextReadsBack)
{
    const struct {
        std::u16string text;
        std::u16string readBack;
    } cases[] = {
        {u"ab\xD800", u"ab\uFFFD"},
        {u"\xD800z", u"\uFFFDz"},
        {u"x\xDC00y", u"x\uFFFDy"},
        {u"\xDBFF\xDBFF\xDFFF", u"\uFFFD\xDBFF\xDFFF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Widen(Narrow(c.text, kTextUtf8), kTextUtf8), c.readBack);
}

TEST(TextEncodingTest, Utf8WriterNeverWritesPastTheGivenSize)
{
    const std::u16string text = u"a\u00E9\u20AC\xD83D\xDE00";
    const std::string whole = Narrow(text, kTextUtf8);
    for (size_t size = 0; size <= whole.size() + 2; ++size) {
        std::string out(size + 4, '#');
        WideToNarrow(text.c_str(), out.data(), size, kTextUtf8);
        EXPECT_EQ(out.substr(size), "####") << "size " << size;
        if (size == 0)
            continue;
        // No room is like bad input: the whole result is empty, never cut.
        std::string written = out.c_str();
        EXPECT_EQ(written, size > whole.size() ? whole : "") << "size " << size;
    }
    for (TextEncoding encoding : {kTextAscii, kTextOneByte}) {
        std::string out(8, '#');
        WideToNarrow(u"plain", out.data(), 3, encoding);
        EXPECT_EQ(out[0], 0);
        EXPECT_EQ(out.substr(3), "#####");
    }
}

TEST(TextEncodingTest, EveryBmpUnitAndAstralSamplesRoundTrip)
{
    for (char32_t u = 1; u <= 0xFFFF; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF)
            continue;
        const char16_t text[2] = {static_cast<char16_t>(u), 0};
        char bytes[4];
        char16_t back[2] = {};
        WideToNarrow(text, bytes, sizeof bytes, kTextUtf8);
        NarrowToWide(bytes, back, kTextUtf8);
        ASSERT_EQ(back[0], text[0]) << std::hex << unsigned(u);
        ASSERT_EQ(back[1], 0);
    }
    for (char32_t c : {0x10000u, 0x1F600u, 0x2A6D6u, 0xE0001u, 0xFFFFDu, 0x10FFFFu}) {
        const char16_t text[3] = {static_cast<char16_t>((c - 0x10000) / 1024 + 0xD800),
                                  static_cast<char16_t>((c - 0x10000) % 1024 + 0xDC00), 0};
        std::string bytes = Narrow(text, kTextUtf8);
        EXPECT_EQ(bytes.size(), 4u);
        EXPECT_EQ(Widen(bytes, kTextUtf8), text) << std::hex << unsigned(c);
    }
}

TEST(TextEncodingTest, CoresStopWithTheirCodesAndLeaveTheCursorsAtTheStop)
{
    // Two units of room: the pair does not fit after "a".
    const std::string bytes = "a\xF0\x9F\x98\x80";
    const auto* source = reinterpret_cast<const unsigned char*>(bytes.data());
    const unsigned char* cursor = source;
    char16_t units[2];
    char16_t* target = units;
    EXPECT_EQ(Utf8ToUtf16Core(cursor, source + bytes.size(), target, units + 2), kTargetFull);
    EXPECT_EQ(cursor, source + 1);
    EXPECT_EQ(target, units + 1);

    cursor = source;
    target = units;
    EXPECT_EQ(Utf8ToUtf16Core(cursor, source + 3, target, units + 2), kSourceExhausted);
    EXPECT_EQ(cursor, source + 1);

    const std::u16string text = u"\u20AC\xD83D\xDE00";
    const char16_t* wide = text.data();
    unsigned char out[6];
    unsigned char* outCursor = out;
    EXPECT_EQ(Utf16ToUtf8Core(wide, text.data() + 3, outCursor, out + 6), kTargetFull);
    EXPECT_EQ(wide, text.data() + 1);  // the pair is not split
    EXPECT_EQ(outCursor, out + 3);

    EXPECT_FALSE(IsLegalUtf8Sequence(source, 0));
    EXPECT_FALSE(IsLegalUtf8Sequence(source, 5));
    EXPECT_TRUE(IsLegalUtf8Sequence(source + 1, 4));
}

}  // namespace
