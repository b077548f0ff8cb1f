#include "drawing/TextFont.h"

#include "CoreUtilities/WideString.h"
#include "drawing/DrawingPort.h"
#include "drawing/EquationPaneHooks.h"
#include "platform/PortDC.h"

#include <cmath>

namespace {

// The typesetting context, or the screen's borrowed for one call.
class MeasuringDC {
public:
    MeasuringDC() : dc_(TypesetDC), borrowed_(!TypesetDC)
    {
        if (borrowed_)
            dc_ = PortDC::NewForMeasuring();
    }
    ~MeasuringDC()
    {
        if (borrowed_)
            delete dc_;
    }
    MeasuringDC(const MeasuringDC&) = delete;
    MeasuringDC& operator=(const MeasuringDC&) = delete;

    PortDC* get() const { return dc_; }

private:
    PortDC* dc_;
    bool borrowed_;
};

// The UTF-16 units of a code point; 0 units for a value that is none.
int EncodeCodePoint(uint32_t codePoint, char16_t (&units)[3])
{
    int n = 0;
    if (codePoint > 0x10FFFF)
        return 0;
    if (codePoint > 0xFFFF) {
        codePoint -= 0x10000;
        units[n++] = static_cast<char16_t>(0xD800 + (codePoint >> 10));
        units[n++] = static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
    } else {
        units[n++] = static_cast<char16_t>(codePoint);
    }
    units[n] = 0;
    return n;
}

}  // namespace

TextFont::TextFont(const char* face, float size, bool bold, bool italic, int32_t escapement)
{
    Create(face, size, bold, italic, escapement);
}

TextFont::~TextFont()
{
    DeleteSystemFont(handle);
    handle = nullptr;
}

void TextFont::Create(const char* face, float size, bool bold, bool italic, int32_t escapement)
{
    DeleteSystemFont(handle);
    handle = nullptr;
    metrics = TextMetrics{};
    // A size that does not truncate to a 32-bit height cannot be made.
    if (!std::isfinite(size) || std::fabs(size) >= 2147483648.0f)
        return;
    FontSpec spec{face, -static_cast<int32_t>(size), escapement, bold ? 700 : 400, italic};
    handle = CreateSystemFont(spec);
    if (!handle)
        return;
    MeasuringDC dc;
    if (!dc.get()) {
        GetSystemFontMetrics(handle, metrics);
        return;
    }
    FontHandle previous = dc.get()->SelectFont(handle);
    dc.get()->GetTextMetrics(metrics);
    dc.get()->SelectFont(previous);
}

float TextFont::Ascent() const
{
    return static_cast<float>(metrics.ascent);
}

float TextFont::Descent() const
{
    return static_cast<float>(metrics.descent);
}

float TextFont::Height() const
{
    return static_cast<float>(metrics.ascent + metrics.descent);
}

float FontAscentOf(const char16_t*, const TextFont& font)
{
    return font.Ascent();
}

float MeasureTextWidth(const char16_t* text, const TextFont& font)
{
    if (!text)
        return 0;
    MeasuringDC dc;
    if (!dc.get())
        return 0;
    FontHandle previous = font.handle ? dc.get()->SelectFont(font.handle) : nullptr;
    int32_t width = dc.get()->GetTextExtent(text, static_cast<int32_t>(WideLength(text)));
    if (font.handle)
        dc.get()->SelectFont(previous);
    return static_cast<float>(width);
}

float MeasureCodePointWidth(uint32_t codePoint, const TextFont& font)
{
    char16_t units[3];
    return EncodeCodePoint(codePoint, units) ? MeasureTextWidth(units, font) : 0;
}

void MeasureCharacterBearings(char16_t unit, const TextFont& font, int32_t& left, int32_t& right)
{
    GetSystemFontBearings(font.handle, unit, &left, &right);
}

void DrawTextAtPen(const char16_t* text, const TextFont& font, PortDC* dc)
{
    if (!dc)
        dc = GetPortDC();
    if (!dc || !text)
        return;
    FontHandle previous = font.handle ? dc->SelectFont(font.handle) : nullptr;
    uint32_t align = dc->TextAlign();
    dc->SetTextAlign(kTextAlignBaseline | kTextAlignUpdatePosition);
    dc->TextOut(0, 0, text, static_cast<int32_t>(WideLength(text)));
    dc->SetTextAlign(align);
    if (font.handle)
        dc->SelectFont(previous);
}

void DrawCodePointAtPen(uint32_t codePoint, const TextFont& font, PortDC* dc)
{
    char16_t units[3];
    if (EncodeCodePoint(codePoint, units))
        DrawTextAtPen(units, font, dc);
}
