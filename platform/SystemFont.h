// System font objects: a face, a height in pixels and a style, made once and
// selected into device contexts to measure and draw text. Sizes are pixels,
// so text looks the same at any screen resolution.
#pragma once

#include <cstdint>

struct FontData;
using FontHandle = FontData*;

// What a font is made from. A negative height asks for a character (em)
// height, a positive one for a cell height (ascent + descent), 0 for the
// default. Escapement is counter-clockwise, in tenths of a degree.
struct FontSpec {
    const char* face;
    int32_t height;
    int32_t escapement;
    int32_t weight;  // 400 regular, 700 bold
    bool italic;
};

// The metrics read from a font, in whole pixels.
struct TextMetrics {
    int32_t height;           // ascent + descent
    int32_t ascent;
    int32_t descent;
    int32_t internalLeading;  // height - character height
    int32_t externalLeading;
    int32_t aveCharWidth;
    int32_t maxCharWidth;
    int32_t weight;
    uint8_t italic;
};

// Faces longer than this, heights beyond the 16-bit pixel range and a null
// face are refused.
constexpr int kMaxFaceLength = 31;
constexpr int32_t kMaxFontHeight = 32767;

// Null when the font cannot be made.
FontHandle CreateSystemFont(const FontSpec& spec);
// A font still selected into a device context stays until the last one
// deselects it (ReleaseSystemFont), so no context is left with a freed font.
void DeleteSystemFont(FontHandle font);
// A device context takes and lets go of the font it selects. Release answers
// false when that freed a font its owner had deleted.
void RetainSystemFont(FontHandle font);
bool ReleaseSystemFont(FontHandle font);
// The height and escapement the font was made with.
int32_t SystemFontHeight(FontHandle font);
int32_t SystemFontEscapement(FontHandle font);
// The family the system drew the face from (UTF-8, valid while the font lives).
const char* SystemFontFamily(FontHandle font);
// The font device contexts use before another is selected.
FontHandle StockSystemFont();

void GetSystemFontMetrics(FontHandle font, TextMetrics& out);
// The advance of each UTF-16 unit of text, whole pixels, no ligatures or
// kerning: a surrogate pair's advance goes to its first unit and 0 to the
// second; a lone surrogate advances as the replacement character.
void GetSystemFontAdvances(FontHandle font, const char16_t* text, int32_t length, int32_t* dx);
// The whole-pixel space from the pen to a character's ink (negative when the
// ink reaches left of the pen) and from its ink to its advance (negative when
// the ink reaches past it); 0 and 0 for a surrogate or without a font.
void GetSystemFontBearings(FontHandle font, char16_t unit, int32_t* left, int32_t* right);
