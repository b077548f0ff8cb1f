#include "CoreUtilities/TextEncoding.h"

#include "CoreUtilities/WideString.h"

#include <cstring>

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

bool IsHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Trailing bytes announced by a lead byte; 4 and 5 are never legal.
int TrailingBytes(unsigned char lead)
{
    if (lead < 0xC0)
        return 0;
    if (lead < 0xE0)
        return 1;
    if (lead < 0xF0)
        return 2;
    if (lead < 0xF8)
        return 3;
    return lead < 0xFC ? 4 : 5;
}

int Utf8Length(char32_t c)
{
    if (c < 0x80)
        return 1;
    if (c < 0x800)
        return 2;
    return c < 0x10000 ? 3 : 4;
}

// The code point at source (a pair, a lone surrogate as U+FFFD, or one unit)
// and how many units it takes.
char32_t NextCodePoint(const char16_t* source, const char16_t* sourceEnd, int& units)
{
    char32_t u = source[0];
    units = 1;
    if (IsHighSurrogate(u) && sourceEnd - source > 1 && IsLowSurrogate(source[1])) {
        units = 2;
        return (u - 0xD800) * 1024 + (source[1] - 0xDC00) + 0x10000;
    }
    if (IsHighSurrogate(u) || IsLowSurrogate(u))
        return kReplacementCharacter;
    return u;
}

// One unit per byte below limit; anything else (or no room) empties the result.
char* WideToBytes(const char16_t* source, char* destination, size_t size, char32_t limit)
{
    size_t i = 0;
    for (; source[i]; ++i) {
        if (source[i] >= limit || i + 1 >= size) {
            destination[0] = 0;
            return destination;
        }
        destination[i] = static_cast<char>(source[i]);
    }
    destination[i] = 0;
    return destination;
}

}  // namespace

Utf8ConversionResult Utf16ToUtf8Core(const char16_t*& source, const char16_t* sourceEnd,
                                     unsigned char*& target, unsigned char* targetEnd)
{
    static constexpr unsigned char kLeadMark[5] = {0, 0x00, 0xC0, 0xE0, 0xF0};
    while (source < sourceEnd) {
        int units = 1;
        char32_t c = NextCodePoint(source, sourceEnd, units);
        int bytes = Utf8Length(c);
        if (targetEnd - target < bytes)
            return kTargetFull;
        for (int i = bytes - 1; i > 0; --i) {
            target[i] = static_cast<unsigned char>(0x80 | (c & 0x3F));
            c >>= 6;
        }
        target[0] = static_cast<unsigned char>(kLeadMark[bytes] | c);
        target += bytes;
        source += units;
    }
    return kConversionOk;
}

bool IsLegalUtf8Sequence(const unsigned char* lead, int length)
{
    if (length < 1 || length > 4)
        return false;
    if ((lead[0] >= 0x80 && lead[0] <= 0xC1) || lead[0] > 0xF4)
        return false;
    for (int i = 1; i < length; ++i) {
        if (lead[i] < 0x80 || lead[i] > 0xBF)
            return false;
    }
    if (length < 2)
        return true;
    // These leads narrow the second byte's range: overlong forms below, encoded
    // surrogates (ED) and code points past U+10FFFF (F4) above.
    unsigned char second = lead[1];
    switch (lead[0]) {
    case 0xE0: return second >= 0xA0;
    case 0xED: return second <= 0x9F;
    case 0xF0: return second >= 0x90;
    case 0xF4: return second <= 0x8F;
    default: return true;
    }
}

Utf8ConversionResult Utf8ToUtf16Core(const unsigned char*& source, const unsigned char* sourceEnd,
                                     char16_t*& target, char16_t* targetEnd)
{
    static constexpr unsigned char kLeadMask[4] = {0x7F, 0x1F, 0x0F, 0x07};
    while (source < sourceEnd) {
        int trailing = TrailingBytes(source[0]);
        if (sourceEnd - source <= trailing)
            return kSourceExhausted;
        if (!IsLegalUtf8Sequence(source, trailing + 1))
            return kSourceIllegal;
        char32_t c = source[0] & kLeadMask[trailing];
        for (int i = 1; i <= trailing; ++i)
            c = (c << 6) | (source[i] & 0x3F);
        if (target >= targetEnd)
            return kTargetFull;
        if (c <= 0xFFFF) {
            if (IsHighSurrogate(c) || IsLowSurrogate(c))
                return kSourceIllegal;
            *target++ = static_cast<char16_t>(c);
        } else if (c <= 0x10FFFF) {
            if (targetEnd - target < 2)
                return kTargetFull;
            *target++ = static_cast<char16_t>((c - 0x10000) / 1024 + 0xD800);
            *target++ = static_cast<char16_t>((c - 0x10000) % 1024 + 0xDC00);
        } else {
            return kSourceIllegal;
        }
        source += trailing + 1;
    }
    return kConversionOk;
}

char16_t* NarrowToWide(const char* source, char16_t* destination, TextEncoding encoding)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(source);
    size_t length = std::strlen(source);
    destination[0] = 0;
    switch (encoding) {
    case kTextAscii:
    case kTextOneByte:
        for (size_t i = 0; i < length; ++i) {
            if (encoding == kTextAscii && bytes[i] >= 0x80) {
                destination[0] = 0;
                return destination;
            }
            destination[i] = bytes[i];
        }
        destination[length] = 0;
        break;
    case kTextUtf8: {
        char16_t* target = destination;
        if (Utf8ToUtf16Core(bytes, bytes + length, target, destination + length) == kConversionOk)
            *target = 0;
        else
            destination[0] = 0;
        break;
    }
    }
    return destination;
}

char* WideToNarrow(const char16_t* source, char* destination, size_t size, TextEncoding encoding)
{
    if (size == 0)
        return destination;
    switch (encoding) {
    case kTextAscii:
        return WideToBytes(source, destination, size, 0x80);
    case kTextOneByte:
        return WideToBytes(source, destination, size, 0x100);
    case kTextUtf8: {
        auto* target = reinterpret_cast<unsigned char*>(destination);
        const char16_t* cursor = source;
        if (Utf16ToUtf8Core(cursor, source + WideLength(source), target,
                            target + size - 1) == kConversionOk)
            *target = 0;
        else
            destination[0] = 0;
        return destination;
    }
    }
    destination[0] = 0;
    return destination;
}

size_t NarrowSizeOfWide(const char16_t* source, TextEncoding encoding)
{
    switch (encoding) {
    case kTextAscii:
    case kTextOneByte:
        return WideLength(source) + 1;
    case kTextUtf8: {
        // Counted exactly as Utf16ToUtf8Core writes: a pair 4, a lone surrogate 3.
        const char16_t* end = source + WideLength(source);
        size_t bytes = 1;
        for (const char16_t* cursor = source; cursor < end;) {
            int units = 1;
            bytes += static_cast<size_t>(Utf8Length(NextCodePoint(cursor, end, units)));
            cursor += units;
        }
        return bytes;
    }
    }
    return 0;
}
