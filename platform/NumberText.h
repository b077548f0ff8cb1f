// Numbers as text: "%.*g" with exponents of at least three digits (1e+020),
// for the screen (display digits, the user's decimal separator) and for files
// (always '.'), and the parsers that read them back.
#pragma once

#include <cstddef>
#include <cstdint>

// Significant digits of displayed numbers; 8 until the document sets them.
// Each thread has its own, so that a pass that changes them for a while does
// not change the digits of results formatted on another thread.
extern thread_local int32_t DisplayDigits;
// The decimal separator of displayed numbers: '.' until the formula engine
// starts, then the locale's.
extern char16_t DecimalSeparator;

// Units of the buffers the formatters below fill (terminator included).
constexpr size_t kNumberTextUnits = 64;

// x as "%.*g" with digits (1-17) significant digits and '.' as the point: the
// form of files and program texts. Answers the length.
size_t FormatDouble(char16_t* buffer, double x, int32_t digits);
// A number node's text: DisplayDigits and DecimalSeparator; both infinities
// are "Infinity", NaN is "NaN".
void FormatNumberText(double x, char16_t* buffer);
// As FormatNumberText with any exponent cut off and answered in exponent.
void FormatNumberMantissa(double x, char16_t* buffer, int32_t* exponent);
// The optional prefix and then x for a result text: DisplayDigits, the
// locale's separator asked afresh, and the words "infinity", "- infinity" and
// "not a number". Writes at most capacity units, terminator included.
void FormatNumberWithPrefix(char16_t* buffer, size_t capacity, const char16_t* prefix, double x);

// A typed number: blanks skipped, "Infinity" and "NaN" recognised, the
// decimal separator read as '.'; NaN when nothing was read. The text is not
// changed.
double ParseNumberText(const char16_t* text);
// The number at the start of the text (white space, sign, digits with an
// optional point, an optional exponent); NaN when none. Never reads inf, nan
// or hexadecimal forms, and never depends on the C library's locale.
double ParseNarrowDouble(const char* text);
double ParseWideDouble(const char16_t* text);

// The first character of the user's decimal separator when it is printable
// ASCII, else '.'.
char16_t GetLocaleDecimalSeparator();
// The first unit that is not tab, line feed, carriage return or space.
const char16_t* SkipBlanks(const char16_t* text);
// True when word is not empty and text begins with it.
bool TextStartsWith(const char16_t* text, const char16_t* word);
// False for digits and ! " ' ( ) + - / < = >; true for every other unit.
bool IsNameChar(char16_t unit, bool firstPosition);
