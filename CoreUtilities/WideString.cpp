#include "CoreUtilities/WideString.h"

#include "CoreUtilities/TextEncoding.h"

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>

size_t WideLength(const char16_t* text)
{
    const char16_t* end = text;
    while (*end)
        ++end;
    return static_cast<size_t>(end - text);
}

char16_t* WideCopy(char16_t* destination, const char16_t* source)
{
    std::memmove(destination, source, (WideLength(source) + 1) * sizeof(char16_t));
    return destination;
}

char16_t* WideDuplicateN(const char16_t* text, size_t n)
{
    auto* copy = static_cast<char16_t*>(std::malloc((n + 1) * sizeof(char16_t)));
    if (!copy)
        return nullptr;
    std::memcpy(copy, text, n * sizeof(char16_t));
    copy[n] = 0;
    return copy;
}

int WideCompare(const char16_t* a, const char16_t* b)
{
    if (!a || !b)
        return (a == nullptr) - (b == nullptr);
    for (;; ++a, ++b) {
        if (*a != *b)
            return *a < *b ? -1 : 1;
        if (*a == 0)
            return 0;
    }
}

bool WideEqual(const char16_t* a, const char16_t* b)
{
    return WideCompare(a, b) == 0;
}

const char16_t* WideFindChar(const char16_t* text, char16_t unit)
{
    return text ? WideFindCharRaw(text, unit) : nullptr;
}

const char16_t* WideFindCharRaw(const char16_t* text, char16_t unit)
{
    for (;; ++text) {
        if (*text == unit)
            return text;
        if (*text == 0)
            return nullptr;
    }
}

int FormatWide(char16_t* buffer, size_t length, const char* format, ...)
{
    if (length == 0)
        return 0;
    buffer[0] = 0;
    // The C library's numeric locale follows the user's; this call must not.
    static const locale_t classic = newlocale(LC_ALL_MASK, "C", locale_t{});
    locale_t previous = uselocale(classic);
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int needed = std::vsnprintf(nullptr, 0, format, args);
    std::string narrow;
    if (needed > 0) {
        narrow.resize(static_cast<size_t>(needed) + 1);
        std::vsnprintf(narrow.data(), narrow.size(), format, again);
    }
    va_end(again);
    va_end(args);
    uselocale(previous);
    if (needed <= 0)
        return 0;

    const auto* source = reinterpret_cast<const unsigned char*>(narrow.data());
    char16_t* target = buffer;
    Utf8ToUtf16Core(source, source + needed, target, buffer + length - 1);
    *target = 0;
    return static_cast<int>(target - buffer);
}

bool WideAppendBounded(char16_t* buffer, size_t capacity, size_t& used, const char16_t* text)
{
    if (used >= capacity)
        return !text || !*text;
    for (; text && *text && used + 1 < capacity; ++text) {
        bool pairCut = *text >= 0xD800 && *text <= 0xDBFF && used + 2 >= capacity;
        if (pairCut)
            break;
        buffer[used++] = *text;
    }
    buffer[used] = 0;
    return !text || !*text;
}
