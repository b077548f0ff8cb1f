#include "formula/ResultText.h"

#include "CoreUtilities/WideString.h"
#include "platform/MessageText.h"
#include "platform/NumberText.h"

#include <cmath>
#include <iterator>
#include <limits>

namespace {

constexpr int32_t kFalseText = 31;
constexpr int32_t kTrueText = 32;
constexpr int32_t kUndecidedText = 35;

// The caller's buffer filled from the start. Once a piece has been cut
// nothing more is appended, so a short buffer holds the beginning of the text.
class BoundedText {
public:
    BoundedText(char16_t* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity)
    {
        if (capacity_ > 0)
            buffer_[0] = 0;
    }
    void Append(const char16_t* text)
    {
        if (!cut_)
            cut_ = !WideAppendBounded(buffer_, capacity_, used_, text);
    }
    // The punctuation and then x.
    void AppendNumber(const char16_t* punctuation, double x)
    {
        char16_t piece[2 * kNumberTextUnits];
        FormatNumberWithPrefix(piece, std::size(piece), punctuation, x);
        Append(piece);
    }

private:
    char16_t* buffer_;
    size_t capacity_;
    size_t used_ = 0;
    bool cut_ = false;
};

}  // namespace

void FormatIntervalText(double lo, double hi, const char16_t* prefix, char16_t* buffer, size_t capacity)
{
    BoundedText text(buffer, capacity);
    text.Append(prefix);
    if (!(lo > hi)) {
        text.AppendNumber(u"[", lo);
        text.AppendNumber(u", ", hi);
    } else {
        constexpr double kInfinity = std::numeric_limits<double>::infinity();
        text.AppendNumber(u"[", -kInfinity);
        text.AppendNumber(u", ", hi);
        text.AppendNumber(u"] union [", lo);
        text.AppendNumber(u", ", kInfinity);
    }
    text.Append(u"]");
}

void FormatComplexText(char16_t* buffer, size_t capacity, const char16_t* prefix, ComplexValue value)
{
    BoundedText text(buffer, capacity);
    text.Append(prefix);
    if (std::isnan(value.re) || std::isnan(value.im)) {
        text.AppendNumber(nullptr, value.re + value.im);
        return;
    }
    if (value.re != 0)
        text.AppendNumber(nullptr, value.re);
    text.Append(u" ");
    double im = value.im;
    if (im < 0) {
        text.Append(u"- ");
        im = -im;
    } else if (value.re != 0) {
        text.Append(u"+ ");
    }
    if (im != 1)
        text.AppendNumber(nullptr, im);
    text.Append(u"i");
}

void FormatBooleanText(bool flag, char16_t* buffer, size_t capacity)
{
    BoundedText(buffer, capacity).Append(GetMessageText(flag ? kTrueText : kFalseText));
}

void FormatTruthIntervalText(double lo, double hi, char16_t* buffer, size_t capacity)
{
    int32_t code = kUndecidedText;
    if ((lo == 0 && hi == 0) || std::isnan(lo) || std::isnan(hi))
        code = kFalseText;
    else if (lo != 0 || hi == 0)
        code = kTrueText;
    BoundedText(buffer, capacity).Append(GetMessageText(code));
}
