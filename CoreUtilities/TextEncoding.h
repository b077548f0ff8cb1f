// Conversions between wide (UTF-16) text and the three 8-bit encodings that
// files and the clipboard carry. Bad input never fails loudly: the result is
// empty (its first unit or byte is 0).
#pragma once

#include <cstddef>
#include <cstdint>

enum TextEncoding : int32_t {
    kTextAscii = 0,    // bytes and units below 128
    kTextOneByte = 1,  // one byte per code point 0-255
    kTextUtf8 = 2,     // strict UTF-8
};

enum Utf8ConversionResult : int32_t {
    kConversionOk = 0,
    kSourceExhausted = 1,  // the source ends inside a sequence
    kTargetFull = 2,
    kSourceIllegal = 3,
};

// destination must hold strlen(source) + 1 units. Answers destination.
char16_t* NarrowToWide(const char* source, char16_t* destination, TextEncoding encoding);
// Writes at most size bytes (terminator included); size 0 writes nothing.
// A text that does not fit gives an empty result. Answers destination.
char* WideToNarrow(const char16_t* source, char* destination, size_t size, TextEncoding encoding);
// The bytes WideToNarrow needs, terminator included; 0 for an unknown encoding.
size_t NarrowSizeOfWide(const char16_t* source, TextEncoding encoding);

// Both cursors are left after the last unit converted. A surrogate without
// its partner is written as U+FFFD, so that whatever is written reads back.
Utf8ConversionResult Utf16ToUtf8Core(const char16_t*& source, const char16_t* sourceEnd,
                                     unsigned char*& target, unsigned char* targetEnd);
// Accepts exactly well-formed UTF-8: no overlong forms, no encoded
// surrogates, nothing above U+10FFFF.
Utf8ConversionResult Utf8ToUtf16Core(const unsigned char*& source, const unsigned char* sourceEnd,
                                     char16_t*& target, char16_t* targetEnd);
// Whether the length bytes at lead form one legal UTF-8 sequence.
bool IsLegalUtf8Sequence(const unsigned char* lead, int length);
