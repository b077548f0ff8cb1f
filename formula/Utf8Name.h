// Names that arrive as UTF-8 (document text) looked up through the wide-name
// functions.
#pragma once

#include <cstdlib>

// The name as a new wide string on the plain heap (empty when the UTF-8 is
// malformed); null for a null name or when the heap refuses.
char16_t* WideNameFromUtf8(const char* name);

// Answers lookup of the wide form of the name.
template <typename Lookup>
auto WithWideName(const char* name, Lookup lookup)
{
    char16_t* wide = WideNameFromUtf8(name);
    auto result = lookup(wide);
    std::free(wide);
    return result;
}
