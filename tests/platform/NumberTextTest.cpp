#include "platform/NumberText.h"

#include "platform/MessageText.h"
#include "support/CommaLocale.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <thread>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::u16string Widen(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

std::u16string File(double x, int digits)
{
    char16_t buffer[kNumberTextUnits];
    FormatDouble(buffer, x, digits);
    return buffer;
}

std::u16string Shown(double x)
{
    char16_t buffer[kNumberTextUnits];
    FormatNumberText(x, buffer);
    return buffer;
}

std::u16string Result(double x, const char16_t* prefix = u"= ")
{
    char16_t buffer[128];
    FormatNumberWithPrefix(buffer, 128, prefix, x);
    return buffer;
}

// A user whose locale writes decimal commas, in the program and in the C
// library (which the window toolkit sets from the environment).
class NumberTextTest : public testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        ASSERT_TRUE(UseCommaNumericLocale());
        DecimalSeparator = GetLocaleDecimalSeparator();
        DisplayDigits = 6;
    }
    void TearDown() override
    {
        std::setlocale(LC_NUMERIC, "C");
        QLocale::setDefault(QLocale::c());
        DecimalSeparator = u'.';
        DisplayDigits = 8;
    }
};

TEST_F(NumberTextTest, FormatTableShowsCommasToTheUserAndPointsInFiles)
{
    ASSERT_EQ(DecimalSeparator, u',');
    const std::u16string infinity = GetMessageText(33);
    const std::u16string notANumber = GetMessageText(34);
    const struct {
        double x;
        std::u16string shown;      // FormatNumberText
        std::u16string result;     // FormatNumberWithPrefix, after "= "
        std::u16string file;       // FormatDouble, 6 digits
        std::u16string mantissa;   // FormatNumberMantissa
        int exponent;
    } cases[] = {
        {3.14159265, u"3,14159", u"3,14159", u"3.14159", u"3,14159", 0},
        {1e20, u"1e+020", u"1e+020", u"1e+020", u"1", 20},
        {0.00012345678, u"0,000123457", u"0,000123457", u"0.000123457", u"0,000123457", 0},
        {-1.5e-7, u"-1,5e-007", u"-1,5e-007", u"-1.5e-007", u"-1,5", -7},
        {2.5e300, u"2,5e+300", u"2,5e+300", u"2.5e+300", u"2,5", 300},
        {1234567.0, u"1,23457e+006", u"1,23457e+006", u"1.23457e+006", u"1,23457", 6},
        {-42.0, u"-42", u"-42", u"-42", u"-42", 0},
        {kInf, u"Infinity", infinity, u"inf", u"Infinity", 0},
        {-kInf, u"Infinity", u"- " + infinity, u"-inf", u"Infinity", 0},
        {kNaN, u"NaN", notANumber, u"nan", u"NaN", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        EXPECT_EQ(Shown(c.x), c.shown);
        EXPECT_EQ(Result(c.x), u"= " + c.result);
        EXPECT_EQ(File(c.x, 6), c.file);
        char16_t mantissa[kNumberTextUnits];
        int32_t exponent = -1;
        FormatNumberMantissa(c.x, mantissa, &exponent);
        EXPECT_EQ(std::u16string(mantissa), c.mantissa);
        EXPECT_EQ(exponent, c.exponent);
    }
    EXPECT_EQ(Result(2.5, nullptr), u"2,5");
}

TEST_F(NumberTextTest, FileTextReadsBackExactlyWhateverTheLocale)
{
    EXPECT_EQ(File(1.0 / 3.0, 16), u"0.3333333333333333");
    EXPECT_EQ(File(32000, 16), u"32000");
    EXPECT_EQ(File(6.283185307179586, 16), u"6.283185307179586");
    // Digits outside 1-17 are held to that range.
    EXPECT_EQ(File(3.14159, 0), u"3");
    EXPECT_EQ(File(3.14159, -5), u"3");
    EXPECT_EQ(File(0.1, 40), u"0.10000000000000001");
    std::mt19937_64 random(11);
    for (int i = 0; i < 20000; ++i) {
        double x;
        uint64_t bits = random();
        std::memcpy(&x, &bits, sizeof x);
        if (!std::isfinite(x))
            continue;
        std::u16string text = File(x, 17);
        ASSERT_LT(text.size(), kNumberTextUnits);
        ASSERT_EQ(ParseWideDouble(text.c_str()), x) << std::string(text.begin(), text.end());
    }
}

TEST_F(NumberTextTest, ResultTextAsksTheLocaleAfreshButNumberTextKeepsItsSeparator)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(Result(2.5), u"= 2.5");
    EXPECT_EQ(Shown(2.5), u"2,5");
}

TEST_F(NumberTextTest, ResultTextNeverWritesPastItsCapacity)
{
    char16_t buffer[12];
    for (size_t capacity = 0; capacity <= 10; ++capacity) {
        std::fill(std::begin(buffer), std::end(buffer), u'#');
        FormatNumberWithPrefix(buffer, capacity, u"value = ", -kInf);
        const std::u16string whole = u"value = - " + std::u16string(GetMessageText(33));
        EXPECT_EQ(buffer[capacity], u'#');
        if (capacity > 0) {
            EXPECT_EQ(std::u16string(buffer), whole.substr(0, capacity - 1));
        }
    }
}

TEST_F(NumberTextTest, DisplayDigitsBelongToEachThread)
{
    DisplayDigits = 12;
    std::u16string other;
    std::thread task([&] { other = Shown(3.14159265358979); });
    task.join();
    EXPECT_EQ(other, u"3,1415927");
    EXPECT_EQ(Shown(3.14159265358979), u"3,14159265359");
}

TEST_F(NumberTextTest, ParseTableWithACommaSeparator)
{
    const struct {
        std::u16string text;
        double expected;
    } cases[] = {
        {u" 2,5", 2.5},     {u"2.5", 2.5},        {u"\t\r\n 7", 7},
        {u"1,5e2", 150},    {u"-0,25", -0.25},    {u"1,2,3", 1.2},
        {u"1e3x", 1000},    {u"Infinity", kInf},  {u"  Infinityx", kInf},
        {u"-Infinity", kNaN}, {u"NaN", kNaN},     {u"abc", kNaN},
        {u"inf", kNaN},     {u"", kNaN},          {u"   ", kNaN},
    };
    for (const auto& c : cases) {
        double value = ParseNumberText(c.text.c_str());
        if (std::isnan(c.expected))
            EXPECT_TRUE(std::isnan(value)) << std::string(c.text.begin(), c.text.end());
        else
            EXPECT_EQ(value, c.expected) << std::string(c.text.begin(), c.text.end());
    }
    EXPECT_TRUE(std::isnan(ParseNumberText(nullptr)));
    // The caller's text is read, never changed (it may be read-only).
    static const char16_t readOnly[] = u"3,75";
    EXPECT_EQ(ParseNumberText(readOnly), 3.75);
    EXPECT_EQ(std::u16string(readOnly), u"3,75");
}

TEST_F(NumberTextTest, NumberSyntaxTableForNarrowAndWideText)
{
    const double denormMin = std::numeric_limits<double>::denorm_min();
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"1e3x", 1000},     {"x", kNaN},         {"  -12.5e-1", -1.25}, {"+3", 3},
        {".5", 0.5},        {"5.", 5},           {".", kNaN},           {"-", kNaN},
        {"+.e1", kNaN},     {"1e", 1},           {"1e+", 1},            {"2E2", 200},
        {"1,5", 1},         {"inf", kNaN},       {"nan", kNaN},         {"infinity", kNaN},
        {"0x10", 0},        {"1e999", kInf},     {"-1e999", -kInf},     {"1e-999", 0},
        {"4.9e-324", denormMin}, {"0e99999", 0},
        {"123456789012345678901234567890", 1.2345678901234568e29},
        {"0.000000000000000000000000000000000000000000000001e-300", 0},
        {"", kNaN},
    };
    for (const auto& c : cases) {
        const double narrow = ParseNarrowDouble(c.text);
        const double wide = ParseWideDouble(Widen(c.text).c_str());
        if (std::isnan(c.expected)) {
            EXPECT_TRUE(std::isnan(narrow)) << c.text;
            EXPECT_TRUE(std::isnan(wide)) << c.text;
        } else {
            EXPECT_EQ(narrow, c.expected) << c.text;
            EXPECT_EQ(wide, c.expected) << c.text;
        }
    }
    EXPECT_TRUE(std::signbit(ParseNarrowDouble("-1e-999")));
    EXPECT_TRUE(std::isnan(ParseWideDouble(nullptr)));
    EXPECT_TRUE(std::isnan(ParseNarrowDouble(nullptr)));
}

// Texts of megabytes: the digits before and after the point move the
// magnitude by millions, and the exponent must be counted against them.
TEST_F(NumberTextTest, LongMantissasReadWithTheirExponents)
{
    const std::string millionZeros(3000000, '0');
    const std::string millionThrees(3000000, '3');
    const struct {
        const char* why;
        std::string text;
        double expected;
    } cases[] = {
        {"leading fraction zeros and a large exponent", "0." + millionZeros + "1e3000001", 1},
        {"long integer part and a large negative exponent", "1" + millionZeros + "e-3000000", 1},
        {"long integer part, one place further", "1" + millionZeros + "e-3000001", 0.1},
        {"long repeating mantissa", millionThrees + "e-3000000", 1.0 / 3.0},
        {"repeating mantissa after the point", "0." + millionThrees + "e1", 10.0 / 3.0},
        {"long integer part without exponent", "1" + millionZeros, kInf},
        {"tiny without exponent", "0." + millionZeros + "1", 0},
        {"leading integer zeros", millionZeros + "25e-1", 2.5},
        {"exponent past any counter", "1e99999999999999999999999", kInf},
        {"negative exponent past any counter", "1e-99999999999999999999999", 0},
        {"long mantissa lifted from below the range", "0." + millionZeros + "5e3000000", 0.5},
        {"dropped tail rounds up", "9007199254740993" + std::string(1000, '0') + "1e-1001", 9007199254740994.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseNarrowDouble(c.text.c_str()), c.expected) << c.why;
        EXPECT_EQ(ParseWideDouble(Widen(c.text).c_str()), c.expected) << c.why;
    }
}

TEST(LocaleDecimalSeparatorTest, PrintableAsciiSeparatorsOnly)
{
    const struct {
        QLocale locale;
        char16_t expected;
    } cases[] = {
        {QLocale(QLocale::German, QLocale::Germany), u','},
        {QLocale(QLocale::French, QLocale::France), u','},
        {QLocale(QLocale::English, QLocale::UnitedStates), u'.'},
        {QLocale::c(), u'.'},
        {QLocale(QLocale::Arabic, QLocale::Egypt), u'.'},  // U+066B is not ASCII
    };
    for (const auto& c : cases) {
        QLocale::setDefault(c.locale);
        EXPECT_EQ(GetLocaleDecimalSeparator(), c.expected) << c.locale.name().toStdString();
    }
    QLocale::setDefault(QLocale::c());
}

TEST(NumberTextHelpersTest, BlanksWordsAndNameCharacters)
{
    const char16_t* text = u" \t\r\nx ";
    EXPECT_EQ(SkipBlanks(text), text + 4);
    EXPECT_EQ(SkipBlanks(nullptr), nullptr);
    EXPECT_FALSE(TextStartsWith(u"anything", u""));
    EXPECT_FALSE(TextStartsWith(u"", u""));
    EXPECT_TRUE(TextStartsWith(u"Infinity2", u"Infinity"));
    EXPECT_FALSE(TextStartsWith(u"Inf", u"Infinity"));

    for (char16_t unit : std::u16string(u"0123456789!\"'()+-/<=>"))
        EXPECT_FALSE(IsNameChar(unit, true)) << char(unit);
    for (char16_t unit : std::u16string(u"aZ_. \t*\u03B8\xD83D"))
        EXPECT_TRUE(IsNameChar(unit, false)) << unsigned(unit);
    EXPECT_TRUE(IsNameChar(0, true));
}

}  // namespace
