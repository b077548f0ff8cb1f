#include "editor/WrappedText.h"

#include "platform/PortDC.h"

#include <algorithm>
#include <vector>

namespace {

bool IsBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

bool IsLineEnd(char16_t c)
{
    return c == u'\r' || c == u'\n';
}

int32_t Length(const char16_t* text)
{
    int32_t n = 0;
    while (text[n])
        ++n;
    return n;
}

struct TextLine {
    int32_t start;
    int32_t length;
    bool last;  // ends the text or a paragraph
};

// The longest run from start that fits, broken after a blank; a word wider
// than the width stands alone (and is cut by the clip).
TextLine NextLine(const char16_t* text, int32_t start, int32_t end, int32_t width, PortDC* dc)
{
    auto fits = [&](int32_t stop) { return dc->GetTextExtent(text + start, stop - start) <= width; };
    int32_t lastFit = -1;
    int32_t i = start;
    for (; i < end && !IsLineEnd(text[i]); ++i) {
        if (!IsBlank(text[i]))
            continue;
        if (!fits(i))
            break;
        lastFit = i;
    }
    bool paragraphEnd = i >= end || IsLineEnd(text[i]);
    if (paragraphEnd && fits(i))
        return TextLine{start, i - start, true};
    if (lastFit < 0)
        return TextLine{start, i - start, paragraphEnd};
    return TextLine{start, lastFit - start, false};
}

}  // namespace

void DrawWrappedText(const char16_t* text, PortDC* dc, ShortRect& rect, int32_t alignment, bool measureOnly,
                     FontHandle font)
{
    if (!text || !dc)
        return;
    FontHandle previous = font ? dc->SelectFont(font) : nullptr;
    TextMetrics metrics;
    dc->GetTextMetrics(metrics);
    const int32_t lineHeight = std::max(1, metrics.height);
    const int32_t end = Length(text);
    const uint32_t align = dc->TextAlign();
    dc->SetTextAlign(0);
    if (ShortRectWidth(rect) <= 0) {
        rect.right = SaturateToShort(rect.left + dc->GetTextExtent(text, end));
        rect.bottom = SaturateToShort(rect.top + lineHeight);
        if (!measureOnly)
            dc->TextOut(rect.left, rect.top, text, end);
    } else {
        const int32_t width = ShortRectWidth(rect);
        int32_t y = rect.top;
        int32_t widest = 0;
        int32_t i = 0;
        while (i < end && IsBlank(text[i]))
            ++i;
        while (i < end && (measureOnly || y + lineHeight <= rect.bottom)) {
            TextLine line = NextLine(text, i, end, width, dc);
            int32_t w = dc->GetTextExtent(text + line.start, line.length);
            widest = std::max(widest, w);
            if (!measureOnly) {
                int32_t x = rect.left;
                if (alignment == kAlignRight)
                    x = rect.right - w;
                else if (alignment == kAlignCenter)
                    x = rect.left + (width - w) / 2;
                if (alignment == kAlignJustify && !line.last) {
                    // The spaces share the room that is left.
                    int32_t spaces = 0;
                    for (int32_t k = 0; k < line.length; ++k)
                        spaces += text[line.start + k] == u' ';
                    int32_t extra = width - w;
                    int32_t cx = x;
                    int32_t given = 0;
                    for (int32_t k = 0; k < line.length; ++k) {
                        dc->TextOut(cx, y, text + line.start + k, 1);
                        cx += dc->GetTextExtent(text + line.start + k, 1);
                        if (text[line.start + k] == u' ' && spaces > 0) {
                            int32_t share = extra * (given + 1) / spaces - extra * given / spaces;
                            cx += share;
                            ++given;
                        }
                    }
                } else {
                    dc->TextOut(x, y, text + line.start, line.length);
                }
            }
            y += lineHeight;
            i = line.start + line.length;
            if (i < end && IsLineEnd(text[i])) {
                // CR LF is one break.
                if (text[i] == u'\r' && i + 1 < end && text[i + 1] == u'\n')
                    ++i;
                ++i;
            } else {
                while (i < end && IsBlank(text[i]))
                    ++i;
            }
        }
        if (measureOnly) {
            rect.bottom = SaturateToShort(y);
            if (alignment != kAlignJustify)
                rect.right = SaturateToShort(rect.left + widest);
        }
    }
    dc->SetTextAlign(align);
    if (font)
        dc->SelectFont(previous);
}
