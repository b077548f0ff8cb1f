// Primitives on wide strings: arrays of UTF-16 units ended by a 0 unit.
// Lengths count units, not characters.
#pragma once

#include <cstddef>

size_t WideLength(const char16_t* text);
// Copies source with its terminator; the two may overlap. Answers destination.
char16_t* WideCopy(char16_t* destination, const char16_t* source);
// A new string on the plain heap (free it with std::free) holding the first n
// units of text and a terminator; null when the heap refuses.
char16_t* WideDuplicateN(const char16_t* text, size_t n);
// -1, 0 or 1 by unsigned unit values; a null string sorts after every other
// string, and two nulls are equal.
int WideCompare(const char16_t* a, const char16_t* b);
bool WideEqual(const char16_t* a, const char16_t* b);
// The first occurrence of unit; asking for 0 finds the terminator. Null for a
// null string or when the unit does not occur.
const char16_t* WideFindChar(const char16_t* text, char16_t unit);
// As WideFindChar on a string that is never null.
const char16_t* WideFindCharRaw(const char16_t* text, char16_t unit);
// Appends text after the first used units of a buffer of capacity units and
// ends it with a 0, cutting what does not fit (never half a surrogate pair);
// used moves past what was appended. Nothing is written when used is not
// below capacity. False when some of the text was cut.
bool WideAppendBounded(char16_t* buffer, size_t capacity, size_t& used, const char16_t* text);
// printf-style formatting into a wide buffer of length units (terminator
// included), never writing past it: a longer text is cut, as is one that is
// not UTF-8, at the first bad byte. The format and any %s arguments are
// UTF-8; numbers are written without the user's locale.
// Answers the units written before the terminator.
int FormatWide(char16_t* buffer, size_t length, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
