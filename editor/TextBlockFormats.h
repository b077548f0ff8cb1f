// How a text box's character formats read as face, pixel size and effects:
// what a format leaves unset comes from the box's default font.
#pragma once

#include <QFont>
#include <QString>
#include <QTextCharFormat>

#include <cstdint>

QString EffectiveFace(const QTextCharFormat& format, const QFont& base);
// Point sizes (pasted text) are taken at the screen's resolution.
int32_t EffectivePixelSize(const QTextCharFormat& format, const QFont& base);
// TextEffect bits.
int32_t EffectsOf(const QTextCharFormat& format);
// A format that sets the pixel size alone.
QTextCharFormat PixelSizeFormat(int32_t pixels);
