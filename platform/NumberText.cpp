#include "platform/NumberText.h"

#include "CoreUtilities/WideString.h"
#include "platform/LocaleInfo.h"
#include "platform/MessageText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <type_traits>

thread_local int32_t DisplayDigits = 8;
char16_t DecimalSeparator = u'.';

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr int32_t kMaxDigits = 17;  // beyond this only binary noise shows
constexpr int kExponentDigits = 3;

bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }

// "%.*g" in the C locale, with the exponent widened to three digits. Answers
// the length; never more than 31 characters.
size_t FormatGeneral(char* out, double x, int32_t digits)
{
    digits = std::clamp(digits, int32_t{1}, kMaxDigits);
    char* end = std::to_chars(out, out + 32, x, std::chars_format::general, digits).ptr;
    char* e = std::find(out, end, 'e');
    if (e != end) {
        int have = static_cast<int>(end - (e + 2));  // after the exponent's sign
        int pad = std::max(0, kExponentDigits - have);
        std::copy_backward(e + 2, end, end + pad);
        std::fill(e + 2, e + 2 + pad, '0');
        end += pad;
    }
    *end = 0;
    return static_cast<size_t>(end - out);
}

void ReplaceFirst(char16_t* text, char16_t from, char16_t to)
{
    if (char16_t* found = const_cast<char16_t*>(WideFindCharRaw(text, from)))
        *found = to;
}

bool IsScanSpace(char32_t c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Reads the number syntax at the start of text; NaN when it does not start
// with a number. Unit is char or char16_t.
template <typename Unit>
double ScanNumber(const Unit* text)
{
    if (!text)
        return kNaN;
    auto at = [&](size_t k) {
        return static_cast<char32_t>(static_cast<std::make_unsigned_t<Unit>>(text[k]));
    };
    size_t i = 0;
    while (IsScanSpace(at(i)))
        ++i;
    bool negative = at(i) == '-';
    if (at(i) == '-' || at(i) == '+')
        ++i;
    // The digits are reduced to at most kKeptDigits significant ones and a
    // decimal exponent counted in 64 bits, so that texts of any length read
    // with a correct magnitude and from_chars sees a short text.
    constexpr size_t kKeptDigits = 800;  // more than correct rounding needs
    constexpr int64_t kExponentCap = 1000000000;
    std::string significant;
    // The value is 0.significant times 10^(pointShift + exponent): integer
    // digits from the first non-zero one raise it, zeros between the point
    // and the first non-zero digit lower it.
    int64_t pointShift = 0;
    bool sawDigit = false;
    bool droppedNonZero = false;
    auto takeDigits = [&](bool beforePoint) {
        for (; IsDigit(at(i)); ++i) {
            sawDigit = true;
            char digit = static_cast<char>(at(i));
            if (significant.empty() && digit == '0') {
                if (!beforePoint)
                    --pointShift;
                continue;
            }
            if (beforePoint)
                ++pointShift;
            if (significant.size() < kKeptDigits)
                significant += digit;
            else if (digit != '0')
                droppedNonZero = true;
        }
    };
    takeDigits(true);
    if (at(i) == '.') {
        ++i;
        takeDigits(false);
    }
    if (!sawDigit)
        return kNaN;
    int64_t exponent = 0;
    if (at(i) == 'e' || at(i) == 'E') {
        size_t j = i + 1;
        bool negativeExponent = at(j) == '-';
        if (at(j) == '-' || at(j) == '+')
            ++j;
        for (; IsDigit(at(j)); ++j)
            exponent = std::min(exponent * 10 + static_cast<int64_t>(at(j) - '0'), kExponentCap);
        if (negativeExponent)
            exponent = -exponent;
    }
    if (significant.empty())
        return negative ? -0.0 : 0.0;
    int64_t decimalExponent = exponent + pointShift;
    if (droppedNonZero)
        significant += '1';  // keeps the rounding direction of the dropped tail
    std::string number = negative ? "-0." : "0.";
    number += significant;
    number += 'e';
    number += std::to_string(std::clamp<int64_t>(decimalExponent, -kExponentCap, kExponentCap));
    double value = 0;
    auto result = std::from_chars(number.data(), number.data() + number.size(), value,
                                  std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // As the C library reads it: too large is infinite, too small is zero.
        value = decimalExponent > 0 ? kInfinity : 0.0;
        if (negative)
            value = -value;
    }
    return value;
}

}  // namespace

size_t FormatDouble(char16_t* buffer, double x, int32_t digits)
{
    char narrow[32];
    size_t length = FormatGeneral(narrow, x, digits);
    std::copy(narrow, narrow + length + 1, buffer);
    return length;
}

void FormatNumberText(double x, char16_t* buffer)
{
    if (std::isinf(x)) {
        WideCopy(buffer, u"Infinity");
    } else if (std::isnan(x)) {
        WideCopy(buffer, u"NaN");
    } else {
        FormatDouble(buffer, x, DisplayDigits);
        ReplaceFirst(buffer, u'.', DecimalSeparator);
    }
}

void FormatNumberMantissa(double x, char16_t* buffer, int32_t* exponent)
{
    *exponent = 0;
    if (!std::isfinite(x)) {
        FormatNumberText(x, buffer);
        return;
    }
    FormatDouble(buffer, x, DisplayDigits);
    if (char16_t* e = const_cast<char16_t*>(WideFindCharRaw(buffer, u'e'))) {
        *e = 0;
        *exponent = static_cast<int32_t>(ParseWideDouble(e + 1));
    }
    ReplaceFirst(buffer, u'.', DecimalSeparator);
}

void FormatNumberWithPrefix(char16_t* buffer, size_t capacity, const char16_t* prefix, double x)
{
    if (capacity == 0)
        return;
    size_t used = 0;
    buffer[0] = 0;
    if (prefix)
        WideAppendBounded(buffer, capacity, used, prefix);
    if (std::isnan(x)) {
        WideAppendBounded(buffer, capacity, used, GetMessageText(34));
    } else if (std::isinf(x)) {
        if (x < 0)
            WideAppendBounded(buffer, capacity, used, u"- ");
        WideAppendBounded(buffer, capacity, used, GetMessageText(33));
    } else {
        char16_t number[kNumberTextUnits];
        FormatDouble(number, x, DisplayDigits);
        char16_t separator = GetLocaleDecimalSeparator();
        if (separator != u'.')
            ReplaceFirst(number, u'.', separator);
        WideAppendBounded(buffer, capacity, used, number);
    }
}

double ParseNumberText(const char16_t* text)
{
    if (!text || !*text)
        return kNaN;
    text = SkipBlanks(text);
    if (TextStartsWith(text, u"Infinity"))
        return kInfinity;
    if (TextStartsWith(text, u"NaN"))
        return kNaN;
    // Parsed from a copy: the caller's text may be read-only or read by
    // another thread.
    std::u16string copy(text);
    ReplaceFirst(copy.data(), DecimalSeparator, u'.');
    return ParseWideDouble(copy.c_str());
}

double ParseNarrowDouble(const char* text)
{
    return ScanNumber(text);
}

double ParseWideDouble(const char16_t* text)
{
    return ScanNumber(text);
}

char16_t GetLocaleDecimalSeparator()
{
    char16_t point = LocaleDecimalPoint();
    return point >= 0x20 && point <= 0x7F ? point : u'.';
}

const char16_t* SkipBlanks(const char16_t* text)
{
    if (!text)
        return nullptr;
    while (*text == u'\t' || *text == u'\n' || *text == u'\r' || *text == u' ')
        ++text;
    return text;
}

bool TextStartsWith(const char16_t* text, const char16_t* word)
{
    if (!word || !*word || !text)
        return false;
    for (; *word; ++text, ++word) {
        if (*text != *word)
            return false;
    }
    return true;
}

bool IsNameChar(char16_t unit, bool /*firstPosition*/)
{
    if (unit >= u'0' && unit <= u'9')
        return false;
    switch (unit) {
    case u'!': case u'"': case u'\'': case u'(': case u')': case u'+':
    case u'-': case u'/': case u'<': case u'=': case u'>':
        return false;
    default:
        return true;
    }
}
