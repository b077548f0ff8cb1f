#include "formula/ResultText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr size_t kRoom = 128;

using Writer = std::function<void(char16_t*, size_t)>;

std::u16string Written(const Writer& write)
{
    char16_t buffer[kRoom];
    write(buffer, kRoom);
    return buffer;
}

struct TextCase {
    const char* name;
    Writer write;
    std::u16string text;
};

const double kNaN = std::nan("");

std::vector<TextCase> Cases()
{
    return {
        {"[1, 2]", [](char16_t* b, size_t n) { FormatIntervalText(1, 2, u"= ", b, n); }, u"= [1, 2]"},
        {"exterior of [1, 3]", [](char16_t* b, size_t n) { FormatIntervalText(3, 1, nullptr, b, n); },
         u"[- infinity, 1] union [3, infinity]"},
        {"1 - i", [](char16_t* b, size_t n) { FormatComplexText(b, n, nullptr, {1, -1}); }, u"1 - i"},
        {"1 + 2i", [](char16_t* b, size_t n) { FormatComplexText(b, n, nullptr, {1, 2}); }, u"1 + 2i"},
        {"3 + 0.5i", [](char16_t* b, size_t n) { FormatComplexText(b, n, nullptr, {3, 0.5}); }, u"3 + 0.5i"},
        {"i", [](char16_t* b, size_t n) { FormatComplexText(b, n, nullptr, {0, 1}); }, u" i"},
        {"-i", [](char16_t* b, size_t n) { FormatComplexText(b, n, nullptr, {0, -1}); }, u" - i"},
        {"2i", [](char16_t* b, size_t n) { FormatComplexText(b, n, nullptr, {0, 2}); }, u" 2i"},
        {"= 2 - 3i", [](char16_t* b, size_t n) { FormatComplexText(b, n, u"= ", {2, -3}); }, u"= 2 - 3i"},
        {"NaN part", [](char16_t* b, size_t n) { FormatComplexText(b, n, u"= ", {1, kNaN}); }, u"= not a number"},
        {"true", [](char16_t* b, size_t n) { FormatBooleanText(true, b, n); }, u"true"},
        {"false", [](char16_t* b, size_t n) { FormatBooleanText(false, b, n); }, u"false"},
        {"[0, 0]", [](char16_t* b, size_t n) { FormatTruthIntervalText(0, 0, b, n); }, u"false"},
        {"[0, 1]", [](char16_t* b, size_t n) { FormatTruthIntervalText(0, 1, b, n); }, u"[false, true]"},
        {"[1, 1]", [](char16_t* b, size_t n) { FormatTruthIntervalText(1, 1, b, n); }, u"true"},
        {"[NaN, 1]", [](char16_t* b, size_t n) { FormatTruthIntervalText(kNaN, 1, b, n); }, u"false"},
        {"[1, NaN]", [](char16_t* b, size_t n) { FormatTruthIntervalText(1, kNaN, b, n); }, u"false"},
    };
}

TEST(ResultTextTest, IntervalsComplexValuesAndTruthValues)
{
    for (const TextCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Written(c.write), c.text);
    }
}

// At every capacity from 0 to the whole text, the writer ends its text inside
// the buffer and writes nothing past it, and what it wrote begins the full text.
TEST(ResultTextTest, WritersNeverPassTheirCapacity)
{
    const std::u16string longPrefix(200, u'=');
    std::vector<TextCase> cases = Cases();
    cases.push_back({"long prefix", [&](char16_t* b, size_t n) { FormatIntervalText(3, 1, longPrefix.c_str(), b, n); },
                     longPrefix + u"[- infinity, 1] union [3, infinity]"});
    cases.push_back({"surrogate pair in the prefix",
                     [](char16_t* b, size_t n) { FormatComplexText(b, n, u"\U0001D465 = ", {1, 1}); },
                     u"\U0001D465 = 1 + i"});
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        for (size_t capacity = 0; capacity <= c.text.size() + 1; ++capacity) {
            std::vector<char16_t> buffer(capacity + 8, u'#');
            c.write(buffer.data(), capacity);
            for (size_t i = capacity; i < buffer.size(); ++i)
                ASSERT_EQ(buffer[i], u'#') << "unit " << i << " written at capacity " << capacity;
            if (capacity == 0)
                continue;
            std::u16string text(buffer.data());
            ASSERT_LT(text.size(), capacity);
            EXPECT_EQ(c.text.compare(0, text.size(), text), 0) << "capacity " << capacity;
            if (!text.empty()) {
                EXPECT_FALSE(text.back() >= 0xD800 && text.back() <= 0xDBFF) << "half a pair";
            }
        }
    }
}

}  // namespace
