// The thin layer through which typesetting measures and draws: a current
// position in whole pixels with a drawing origin, lines whose pen follows the
// font size, text and single glyphs in the document's typeface at the
// current size and style (TypesetMetrics), the symbol font's share of the
// mathematical characters, glyph extents for placing, and highlight
// rectangles. User-interface thread only.
#pragma once

#include "CoreUtilities/ShortRect.h"
#include "platform/SystemFont.h"

#include <cstdint>

class PortDC;

// A rectangle in formula coordinates.
struct FloatRect {
    float top, left, bottom, right;
};

// Added to every absolute position: where the formula's top-left corner is
// on the device.
extern int32_t FormulaOriginX;
extern int32_t FormulaOriginY;
void SetFormulaOrigin(int32_t x, int32_t y);

// The face text and unmapped glyphs are measured and drawn in (the
// document's font name; a name the system cannot make measures 0).
void SetFormulaTypeface(const char* face);
const char* FormulaTypeface();

// Coordinates truncate toward zero to whole pixels; the pen position keeps
// the fractions of the last MoveTo and the moves since.
void FormulaMoveTo(float x, float y);
void FormulaMoveBy(float dx, float dy);
// A line from the current position by (dx, dy), which then moves there,
// with a solid pen trunc(s/20) wide (0 draws one pixel) in the context's pen
// colour. A null context draws on the port's.
void FormulaLineBy(float dx, float dy, PortDC* dc);
// count lines, each from the end of the one before, the first from the
// current position; steps holds {dy, dx} per line. Nothing moves.
void FormulaPolylineBy(int32_t count, const float* steps, PortDC* dc);
// The current position on the device (origin included).
POINT FormulaCurrentPosition();

// The width of the text: its advances, less the ink that reaches out at
// either end; 0 when it cannot be measured.
float MeasureFormulaText(const char16_t* text);
float MeasureFormulaTextPrefix(const char16_t* text, int32_t n);
// Draws at the current position, which moves to the text's end.
void DrawFormulaText(const char16_t* text, PortDC* dc);

// The symbol-font character of a code point in the low byte, bit 15 when it
// is drawn turned by 180 degrees; 0 when the typeface draws it.
uint16_t MapToSymbolFont(uint32_t codePoint);
constexpr uint16_t kSymbolRotated = 0x8000;

// A code point above 0xFFFF is text (a surrogate pair); others are drawn in
// the font the map chooses.
float MeasureFormulaGlyph(uint32_t codePoint);
void DrawFormulaGlyph(uint32_t codePoint, PortDC* dc);

// How far right of the pen the glyph's ink begins, at the current size.
float GlyphLeftBearing(uint32_t codePoint);

// Extents for placing, at the current size s: above the baseline (s, 0.5 s +
// 3 for lower-case letters without ascenders, 0.9 s for the summation sign)
// and below it (s/4 for letters with descenders, one pixel for most).
float GlyphAscent(uint32_t codePoint);
float GlyphDescent(uint32_t codePoint);
// Half the height of a lower-case x.
float LowercaseHalfHeight();

// Selects the font on the port's context for baseline text that moves the
// position; answers the font it replaced.
FontHandle SelectPortFont(FontHandle font);
// The caret index within the text nearest an offset x from its start.
int32_t TextCaretIndexAtX(const char16_t* text, float x);

// Fills the rectangle, bottom and right included, in the highlight colour
// with its corner pixels left out; the origin is added for a context other
// than the typesetting one (null means that one). Empty: nothing.
void FillSelectionRoundRect(const ShortRect& r, PortDC* dc);
// The rectangle in formula coordinates moved by the origin, bottom and
// right excluded, filled in the highlight colour or inverted.
void FillFormulaRoundRect(const FloatRect& r, bool invert, PortDC* dc);

// The current formula's rectangle in window coordinates.
void FormulaRectToWindow(ShortRect& out);
void GetFormulaRect(ShortRect& out);

// A coordinate in whole pixels toward zero, held inside the 32-bit range
// (NaN is 0).
int32_t TruncatePixel(float value);
