#include "document/PanelCellText.h"

#include "CoreUtilities/TextEncoding.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <cstring>
#include <string>

bool IsPanelKey(char16_t ch)
{
    return (ch >= u'0' && ch <= u'9') || ch == u'.' || ch == GetLocaleDecimalSeparator() || ch == kPanelBackspace ||
        ch == kPanelTab || (ch >= kPanelLeft && ch <= kPanelDown) || ch == u'-';
}

int32_t PanelTextLength(const char16_t* text)
{
    int32_t n = 0;
    while (n < kPanelCellChars && text[n])
        ++n;
    return n;
}

// Worked on a copy one unit longer than a cell holds, so that a character
// typed into a full cell never writes past it.
void EditPanelCellText(char16_t* text, int32_t& caret, int32_t& anchor, char16_t ch)
{
    std::u16string work(text, static_cast<size_t>(PanelTextLength(text)));
    int32_t length = static_cast<int32_t>(work.size());
    int32_t from = std::clamp(std::min(caret, anchor), 0, length);
    int32_t to = std::clamp(std::max(caret, anchor), 0, length);
    if (ch == kPanelBackspace) {
        if (from == to && from > 0)
            --from;
        work.erase(static_cast<size_t>(from), static_cast<size_t>(to - from));
    } else {
        work.replace(static_cast<size_t>(from), static_cast<size_t>(to - from), 1, ch);
        ++from;
    }
    if (work.size() > static_cast<size_t>(kPanelCellChars))
        work.resize(static_cast<size_t>(kPanelCellChars));
    std::copy(work.begin(), work.end(), text);
    text[work.size()] = 0;
    caret = anchor = std::min(from, static_cast<int32_t>(work.size()));
}

void MovePanelCaret(char16_t key, int32_t& caret, int32_t& anchor, int32_t length)
{
    const bool left = key == kPanelLeft;
    int32_t to;
    if (caret != anchor)
        to = left ? std::min(caret, anchor) : std::max(caret, anchor);
    else
        to = caret + (left ? -1 : 1);
    caret = anchor = std::clamp(to, 0, length);
}

int32_t InsertBytesIntoWideText(int32_t n, char16_t* text, int32_t position, const char* bytes)
{
    if (n <= 0 || !bytes)
        return 0;
    std::u16string units(static_cast<size_t>(n), u'\0');
    const auto* source = reinterpret_cast<const unsigned char*>(bytes);
    const unsigned char* sourceEnd = source + std::strlen(bytes);
    char16_t* target = units.data();
    Utf8ConversionResult result = Utf8ToUtf16Core(source, sourceEnd, target, units.data() + n);
    if (result == kSourceIllegal || result == kSourceExhausted) {
        // Not UTF-8: one character per byte, as older clipboards give it.
        source = reinterpret_cast<const unsigned char*>(bytes);
        target = units.data();
        while (source < sourceEnd && target < units.data() + n)
            *target++ = *source++;
    }
    units.resize(static_cast<size_t>(target - units.data()));
    std::u16string work(text);
    position = std::clamp(position, 0, static_cast<int32_t>(work.size()));
    work.insert(static_cast<size_t>(position), units);
    std::copy(work.begin(), work.end(), text);
    text[work.size()] = 0;
    return static_cast<int32_t>(units.size());
}

void DeleteWideTextRange(int32_t start, char16_t* text, int32_t end)
{
    int32_t length = static_cast<int32_t>(std::char_traits<char16_t>::length(text));
    start = std::clamp(start, 0, length);
    end = std::clamp(end, start, length);
    std::memmove(text + start, text + end, sizeof(char16_t) * static_cast<size_t>(length - end + 1));
}

void CopyWideTextRange(const char16_t* text, int32_t start, int32_t end, char* out, size_t capacity)
{
    if (capacity == 0)
        return;
    int32_t length = PanelTextLength(text);
    start = std::clamp(start, 0, length);
    end = std::clamp(end, start, length);
    const char16_t* source = text + start;
    auto* target = reinterpret_cast<unsigned char*>(out);
    Utf16ToUtf8Core(source, text + end, target, target + capacity - 1);
    *target = 0;
}
