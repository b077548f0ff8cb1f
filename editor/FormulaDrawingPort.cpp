#include "editor/FormulaDrawingPort.h"

#include "drawing/CaretStepping.h"
#include "drawing/DrawingPort.h"
#include "drawing/EquationPaneHooks.h"
#include "drawing/TextFont.h"
#include "editor/LineWrapping.h"
#include "editor/TypesetDriver.h"
#include "editor/TypesetMetrics.h"
#include "platform/PortDC.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

int32_t FormulaOriginX = 0;
int32_t FormulaOriginY = 0;

namespace {

constexpr const char* kSymbolFace = "Symbol";
constexpr int32_t kTurned = 1800;

char Typeface[64] = "Times New Roman";

// The device's integer position and the pen's exact one.
POINT Position{0, 0};
float PenX = 0;
float PenY = 0;

struct SymbolMapping {
    uint32_t codePoint;
    uint16_t symbol;
};

// Sorted by code point.
constexpr SymbolMapping kSymbolMap[] = {
    {0x00B0, 0xB0}, {0x00B1, 0xB1}, {0x00D7, 0xB4}, {0x03B8, 0x71}, {0x03C0, 0x70},
    {0x03C6, 0x66}, {0x2026, 0xBC}, {0x2202, 0xB6}, {0x2207, 0xD1}, {0x220A, 0xCE},
    {0x220F, 0xD5}, {0x2211, 0xE5}, {0x2212, 0x2D}, {0x2213, 0xB1 | kSymbolRotated},
    {0x2215, 0xA4}, {0x221E, 0xA5}, {0x222B, 0xF2}, {0x2260, 0xB9}, {0x2264, 0xA3},
    {0x2265, 0xB3}, {0x239B, 0xE6}, {0x239C, 0xE7}, {0x239D, 0xE8}, {0x239E, 0xF6},
    {0x239F, 0xF7}, {0x23A0, 0xF8}, {0x23A7, 0xEC}, {0x23A8, 0xED}, {0x23A9, 0xEE},
    {0x23AA, 0xEF}, {0x23AB, 0xFC}, {0x23AC, 0xFD}, {0x23AD, 0xFE},
};

struct DescentEntry {
    uint32_t codePoint;
    float ofSize;  // of s
};

constexpr DescentEntry kDescents[] = {
    {u'g', 0.25f}, {u'j', 0.25f}, {u'p', 0.25f}, {u'q', 0.25f}, {u'y', 0.25f}, {u'Q', 0.25f},
    {0x2211, 0.1f}, {0x239B, 0.111f}, {0x239C, 0.085f}, {0x23A8, 0.085f}, {0x239D, 0.293f},
    {0x23A7, 0.075f}, {0x23A9, 0.07f}, {0x23AA, 0.08f},
};

// Fonts are made per size and style and kept for the next call: a formula
// measures and draws many glyphs at a few sizes. They stay for the run (the
// window system's font machinery may be gone when statics are destroyed).
struct CachedFont {
    std::string face;
    int32_t size;
    bool bold;
    bool italic;
    int32_t escapement;
    TextFont* font;
};

constexpr size_t kCachedFonts = 12;
CachedFont Cache[kCachedFonts];
size_t NextVictim = 0;

const TextFont& FontFor(const char* face, int32_t escapement = 0, float scale = 1)
{
    float pixels = Typeset.size * scale;
    int32_t size = TruncatePixel(pixels);
    for (CachedFont& c : Cache) {
        if (c.font && c.size == size && c.bold == Typeset.bold && c.italic == Typeset.italic &&
            c.escapement == escapement && c.face == face)
            return *c.font;
    }
    CachedFont& slot = Cache[NextVictim];
    NextVictim = (NextVictim + 1) % kCachedFonts;
    delete slot.font;
    slot.font = nullptr;
    slot.face = face;
    slot.size = size;
    slot.bold = Typeset.bold;
    slot.italic = Typeset.italic;
    slot.escapement = escapement;
    slot.font = new (std::nothrow) TextFont(face, pixels, Typeset.bold, Typeset.italic, escapement);
    static const TextFont none(nullptr, 0, false, false);
    return slot.font ? *slot.font : none;
}

const TextFont& TypefaceFont()
{
    return FontFor(Typeface);
}

// The face standing in for the symbol font draws its bracket pieces a
// quarter taller than the pieces their advances were made for: they are
// drawn smaller, so that stacked pieces keep to their brackets' height.
constexpr float kBracketPieceScale = 0.8f;

const TextFont& SymbolFontFor(uint32_t codePoint, uint16_t mapped)
{
    bool piece = codePoint >= 0x239B && codePoint <= 0x23AD;
    return FontFor(kSymbolFace, mapped & kSymbolRotated ? kTurned : 0, piece ? kBracketPieceScale : 1);
}

PortDC* OutputDC(PortDC* dc)
{
    return dc ? dc : GetPortDC();
}

// The UTF-16 units of a code point, terminated; false beyond Unicode.
bool EncodeGlyph(uint32_t codePoint, char16_t (&units)[3])
{
    units[0] = units[1] = units[2] = 0;
    if (codePoint > 0x10FFFF)
        return false;
    if (codePoint > 0xFFFF) {
        uint32_t v = codePoint - 0x10000;
        units[0] = static_cast<char16_t>(0xD800 + (v >> 10));
        units[1] = static_cast<char16_t>(0xDC00 + (v & 0x3FF));
    } else {
        units[0] = static_cast<char16_t>(codePoint);
    }
    return true;
}

int32_t TextLength(const char16_t* text)
{
    int32_t n = 0;
    while (text[n])
        ++n;
    return n;
}

// The advances of the first n units, less the ink beyond either end.
float MeasureUnits(const char16_t* text, int32_t n, const TextFont& font)
{
    if (!font.handle || n <= 0)
        return 0;
    std::u16string units(text, static_cast<size_t>(n));
    float width = MeasureTextWidth(units.c_str(), font);
    int32_t a = 0, c = 0;
    MeasureCharacterBearings(units.front(), font, a, c);
    if (a < 0)
        width += static_cast<float>(a);
    MeasureCharacterBearings(units.back(), font, a, c);
    if (c < 0)
        width += static_cast<float>(c);
    return width;
}

void DrawWithFont(const char16_t* text, const TextFont& font, PortDC* dc)
{
    dc = OutputDC(dc);
    if (!dc || !font.handle)
        return;
    dc->MoveTo(Position.x, Position.y);
    DrawTextAtPen(text, font, dc);
    Position = dc->CurrentPosition();
}

// The pen of formula rules for one call, and the previous pen again after it.
class RulePen {
public:
    explicit RulePen(PortDC* dc) : dc_(dc)
    {
        PortPen pen;
        pen.width = TruncatePixel(Typeset.size / 20);
        pen.colour = dc->Pen().colour;
        previous_ = dc->SelectPen(pen);
    }
    ~RulePen() { dc_->SelectPen(previous_); }
    RulePen(const RulePen&) = delete;
    RulePen& operator=(const RulePen&) = delete;

private:
    PortDC* dc_;
    PortPen previous_;
};

void FillRoundRect(int left, int top, int right, int bottom, bool invert, PortDC* dc)
{
    dc = OutputDC(dc);
    if (!dc || right <= left || bottom <= top)
        return;
    ColorRef colour = HighlightColor();
    auto fill = [&](int x0, int y0, int x1, int y1) {
        if (x1 <= x0 || y1 <= y0)
            return;
        if (invert) {
            dc->PatBlt(x0, y0, x1 - x0, y1 - y0, PatternOp::InvertDestination);
        } else {
            ShortRect r;
            SetShortRect(r, y0, x0, y1, x1);
            dc->FillRect(r, colour);
        }
    };
    // The 2 x 2 corner ellipses take the outermost pixel of each corner.
    if (bottom - top <= 2 || right - left <= 2) {
        fill(left, top, right, bottom);
        return;
    }
    fill(left + 1, top, right - 1, top + 1);
    fill(left, top + 1, right, bottom - 1);
    fill(left + 1, bottom - 1, right - 1, bottom);
}

}  // namespace

int32_t TruncatePixel(float value)
{
    if (!(value == value))
        return 0;
    constexpr float kLimit = 1.0e9f;
    return static_cast<int32_t>(std::clamp(value, -kLimit, kLimit));
}

void SetFormulaOrigin(int32_t x, int32_t y)
{
    FormulaOriginX = x;
    FormulaOriginY = y;
}

void SetFormulaTypeface(const char* face)
{
    if (!face)
        face = "";
    std::strncpy(Typeface, face, sizeof Typeface - 1);
    Typeface[sizeof Typeface - 1] = 0;
}

const char* FormulaTypeface()
{
    return Typeface;
}

void FormulaMoveTo(float x, float y)
{
    Position = POINT{TruncatePixel(x) + FormulaOriginX, TruncatePixel(y) + FormulaOriginY};
    PenX = x;
    PenY = y;
}

void FormulaMoveBy(float dx, float dy)
{
    Position.x += TruncatePixel(dx);
    Position.y += TruncatePixel(dy);
    PenX += dx;
    PenY += dy;
}

void FormulaLineBy(float dx, float dy, PortDC* dc)
{
    POINT end{Position.x + TruncatePixel(dx), Position.y + TruncatePixel(dy)};
    if ((dc = OutputDC(dc))) {
        RulePen pen(dc);
        dc->MoveTo(Position.x, Position.y);
        dc->LineTo(end.x, end.y);
    }
    Position = end;
    PenX += dx;
    PenY += dy;
}

void FormulaPolylineBy(int32_t count, const float* steps, PortDC* dc)
{
    if (!(dc = OutputDC(dc)) || !steps || count <= 0)
        return;
    RulePen pen(dc);
    POINT at = Position;
    dc->MoveTo(at.x, at.y);
    for (int32_t i = 0; i < count; ++i) {
        at.x += TruncatePixel(steps[2 * i + 1]);
        at.y += TruncatePixel(steps[2 * i]);
        dc->LineTo(at.x, at.y);
    }
}

POINT FormulaCurrentPosition()
{
    return Position;
}

float MeasureFormulaText(const char16_t* text)
{
    return text ? MeasureUnits(text, TextLength(text), TypefaceFont()) : 0;
}

float MeasureFormulaTextPrefix(const char16_t* text, int32_t n)
{
    return text ? MeasureUnits(text, std::min(n, TextLength(text)), TypefaceFont()) : 0;
}

void DrawFormulaText(const char16_t* text, PortDC* dc)
{
    if (text)
        DrawWithFont(text, TypefaceFont(), dc);
}

uint16_t MapToSymbolFont(uint32_t codePoint)
{
    const SymbolMapping* end = kSymbolMap + std::size(kSymbolMap);
    const SymbolMapping* found = std::lower_bound(
        kSymbolMap, end, codePoint, [](const SymbolMapping& m, uint32_t cp) { return m.codePoint < cp; });
    return found != end && found->codePoint == codePoint ? found->symbol : 0;
}

float MeasureFormulaGlyph(uint32_t codePoint)
{
    if (codePoint > 0xFFFF) {
        char16_t pair[3];
        return EncodeGlyph(codePoint, pair) ? MeasureFormulaText(pair) : 0;
    }
    uint16_t mapped = MapToSymbolFont(codePoint);
    const TextFont& font = mapped ? SymbolFontFor(codePoint, mapped) : TypefaceFont();
    if (!font.handle)
        return 0;
    char16_t unit[2] = {static_cast<char16_t>(mapped ? mapped & 0xFF : codePoint), 0};
    float width = MeasureTextWidth(unit, font);
    int32_t a = 0, c = 0;
    MeasureCharacterBearings(unit[0], font, a, c);
    if (c < 0)
        width -= static_cast<float>(c);
    // Outline fonts have no overhang to add half of.
    return width;
}

float GlyphLeftBearing(uint32_t codePoint)
{
    if (codePoint > 0xFFFF)
        return 0;
    uint16_t mapped = MapToSymbolFont(codePoint);
    const TextFont& font = mapped ? SymbolFontFor(codePoint, mapped) : TypefaceFont();
    if (!font.handle)
        return 0;
    int32_t a = 0, c = 0;
    MeasureCharacterBearings(static_cast<char16_t>(mapped ? mapped & 0xFF : codePoint), font, a, c);
    return static_cast<float>(a);
}

void DrawFormulaGlyph(uint32_t codePoint, PortDC* dc)
{
    uint16_t mapped = codePoint > 0xFFFF ? 0 : MapToSymbolFont(codePoint);
    if (!mapped) {
        char16_t units[3];
        if (EncodeGlyph(codePoint, units))
            DrawFormulaText(units, dc);
        return;
    }
    char16_t unit[2] = {static_cast<char16_t>(mapped & 0xFF), 0};
    if (!(mapped & kSymbolRotated)) {
        DrawWithFont(unit, SymbolFontFor(codePoint, mapped), dc);
        return;
    }
    // Turned about its start, the glyph would hang left of and above the
    // position: it is drawn from the opposite corner of its cell.
    const TextFont& turned = FontFor(kSymbolFace, kTurned);
    int32_t rise = static_cast<int32_t>(turned.Descent() - turned.Ascent());
    Position.x += TruncatePixel(MeasureFormulaGlyph(codePoint));
    Position.y += rise;
    DrawWithFont(unit, turned, dc);
    Position.y -= rise;
}

float GlyphAscent(uint32_t codePoint)
{
    static constexpr char16_t kShortLetters[] = u"acegmnopqrsuvwxyz";
    float s = Typeset.size;
    if (codePoint < 0x80 && codePoint && std::char_traits<char16_t>::find(kShortLetters, 17, static_cast<char16_t>(codePoint)))
        return 0.5f * s + 3;
    if (codePoint == 0x2211)
        return 0.9f * s;
    return s;
}

float GlyphDescent(uint32_t codePoint)
{
    for (const DescentEntry& e : kDescents) {
        if (e.codePoint == codePoint)
            return e.ofSize * Typeset.size;
    }
    return 1;
}

float LowercaseHalfHeight()
{
    return 0.5f * Typeset.size + 1;
}

FontHandle SelectPortFont(FontHandle font)
{
    PortDC* dc = GetPortDC();
    if (!dc)
        return nullptr;
    dc->SetTextAlign(kTextAlignBaseline | kTextAlignUpdatePosition);
    return dc->SelectFont(font);
}

int32_t TextCaretIndexAtX(const char16_t* text, float x)
{
    return CaretIndexAtX(text, x, TypefaceFont());
}

void FillSelectionRoundRect(const ShortRect& r, PortDC* dc)
{
    if (IsShortRectEmpty(r))
        return;
    int dx = 0, dy = 0;
    if (dc && dc != TypesetDC) {
        dx = FormulaOriginX;
        dy = FormulaOriginY;
    }
    FillRoundRect(r.left + dx, r.top + dy, r.right + 1 + dx, r.bottom + 1 + dy, false, dc ? dc : TypesetDC);
}

void FillFormulaRoundRect(const FloatRect& r, bool invert, PortDC* dc)
{
    FillRoundRect(TruncatePixel(r.left) + FormulaOriginX, TruncatePixel(r.top) + FormulaOriginY,
                  TruncatePixel(r.right) + FormulaOriginX, TruncatePixel(r.bottom) + FormulaOriginY, invert, dc);
}

void FormulaRectToWindow(ShortRect& out)
{
    SetShortRect(out, FormulaOriginY, FormulaOriginX, FormulaOriginY + TruncatePixel(GetFormulaHeight()),
                 FormulaOriginX + TruncatePixel(GetFormulaWidth()));
}

void GetFormulaRect(ShortRect& out)
{
    FormulaRectToWindow(out);
}
