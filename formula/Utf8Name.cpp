#include "formula/Utf8Name.h"

#include "CoreUtilities/TextEncoding.h"

#include <cstring>

char16_t* WideNameFromUtf8(const char* name)
{
    if (!name)
        return nullptr;
    // UTF-8 never takes fewer bytes than UTF-16 units.
    auto* wide = static_cast<char16_t*>(std::malloc((std::strlen(name) + 1) * sizeof(char16_t)));
    if (wide)
        NarrowToWide(name, wide, kTextUtf8);
    return wide;
}
