#include "drawing/CaretStepping.h"

#include "CoreUtilities/WideString.h"
#include "drawing/TextFont.h"
#include "platform/PortDC.h"

#include <algorithm>
#include <memory>
#include <new>

namespace {

bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

int32_t CaretTextLength(const char16_t* text)
{
    return text ? static_cast<int32_t>(WideLength(text)) : 0;
}

int32_t StepCaret(const char16_t* text, int32_t index, int32_t direction)
{
    int32_t length = CaretTextLength(text);
    switch (direction) {
    case 0:
    case 2:
        if (index <= 0)
            return index;
        // An index past the text steps without looking at what is not there.
        if (index <= length && index >= 2 && IsLowSurrogate(text[index - 1]))
            return index - 2;
        return index - 1;
    case 1:
    case 3:
        if (index >= length)
            return index;
        if (index >= 0 && IsHighSurrogate(text[index]) && index < length - 1)
            return index + 2;
        return index + 1;
    default:
        return index;
    }
}

int32_t TextRunDirection(const char16_t*)
{
    return 2;
}

int32_t StepCaretInRun(const char16_t* text, int32_t a, int32_t b, int32_t direction)
{
    int32_t from = direction == 2 ? std::max(a, b) : std::min(a, b);
    return StepCaret(text, from, direction);
}

int32_t CaretIndexInCells(const int32_t* dx, int32_t length, float x)
{
    // Nothing to place: the caret can only stand at the start.
    if (length <= 0 || !dx)
        return 0;
    float left = static_cast<float>(dx[0] / -2);
    if (left > x)
        return 0;
    for (int32_t i = 0; i < length; ++i) {
        if (left <= x && x < left + static_cast<float>(dx[i]))
            return i;
        left += static_cast<float>(dx[i]);
    }
    return length;
}

int32_t CaretIndexAtX(const char16_t* text, float x, const TextFont& font)
{
    int32_t length = CaretTextLength(text);
    if (length == 0)
        return 0;
    std::unique_ptr<PortDC> dc(PortDC::NewForMeasuring());
    std::unique_ptr<int32_t[]> dx(new (std::nothrow) int32_t[static_cast<size_t>(length)]);
    if (!dc || !dx)
        return -1;
    if (font.handle)
        dc->SelectFont(font.handle);
    dc->GetCharacterAdvances(text, length, dx.get());
    return CaretIndexInCells(dx.get(), length, x);
}
