// The inside of a font, for the platform code that measures and draws with it.
#pragma once

#include "platform/SystemFont.h"

#include <QByteArray>
#include <QFont>
#include <QString>

struct FontData {
    QFont font;
    int32_t height = 0;
    int32_t escapement = 0;
    // The face is the symbol font: its characters are drawn as the Unicode
    // characters they stand for.
    bool symbol = false;
    QByteArray family;
    TextMetrics metrics{};
    // Device contexts that hold the font selected, and whether its owner
    // has deleted it meanwhile (it goes when the last context lets it go).
    int32_t selections = 0;
    bool deleted = false;
};

// The characters the font draws for text: the units as given, or for the
// symbol font each symbol character as its Unicode character.
QString FontText(const FontData& font, const char16_t* text, int32_t length);
