// Fonts by face name and fractional size, the width of wide text in them,
// and drawing text at a device context's pen. User-interface thread only.
#pragma once

#include "platform/SystemFont.h"

#include <cstdint>

class PortDC;

class TextFont {
public:
    // Size in device units, truncated toward zero to whole pixels of
    // character height; escapement in tenths of a degree, counter-clockwise.
    TextFont(const char* face, float size, bool bold, bool italic, int32_t escapement = 0);
    ~TextFont();
    TextFont(const TextFont&) = delete;
    TextFont& operator=(const TextFont&) = delete;

    // Makes the font again from these values. When the system cannot make
    // it, the handle is null and the metrics are all zero.
    void Create(const char* face, float size, bool bold, bool italic, int32_t escapement = 0);

    float Ascent() const;
    float Descent() const;
    float Height() const;

    FontHandle handle = nullptr;
    TextMetrics metrics{};
};

// The font's ascent; the text does not matter.
float FontAscentOf(const char16_t* text, const TextFont& font);
// Width in the typesetting context (the screen's without one) with the font
// selected; a font without a handle measures in the context's own font.
// 0 when nothing can be measured.
float MeasureTextWidth(const char16_t* text, const TextFont& font);
// A code point above 0xFFFF measures as its surrogate pair; one that is no
// code point at all measures 0.
float MeasureCodePointWidth(uint32_t codePoint, const TextFont& font);
// The character's bearings in the font (GetSystemFontBearings).
void MeasureCharacterBearings(char16_t unit, const TextFont& font, int32_t& left, int32_t& right);
// Draws the text with its baseline on the context's pen (null: the drawing
// port's context) and moves the pen to the text's end.
void DrawTextAtPen(const char16_t* text, const TextFont& font, PortDC* dc);
void DrawCodePointAtPen(uint32_t codePoint, const TextFont& font, PortDC* dc);
