#include "formula/NamedSymbolTable.h"

#include "CoreUtilities/WideString.h"
#include "formula/SymbolCodes.h"
#include "formula/Utf8Name.h"

const NamedSymbolEntry NamedSymbolTable[kNamedSymbolCount] = {
    {u"pi", 0x03C0, CodePi},   {u"phi", 0x03C6, CodePhi},       {u"theta", 0x03B8, CodeTheta},
    {u"inf", 0x221E, CodeInf}, {u"degree", 0x00B0, CodeDegree}, {u"ldots", 0x2026, CodeLdots},
};

uint32_t NamedSymbolCode(const char16_t* name)
{
    for (const NamedSymbolEntry& entry : NamedSymbolTable) {
        if (WideCompare(entry.name, name) == 0)
            return entry.code;
    }
    return 0;
}

uint32_t SymbolCodeFromName(const char16_t* name)
{
    if (!name)
        return 0;
    char16_t first = name[0];
    if (first && !name[1] && ((first >= u'a' && first <= u'z') || (first >= u'A' && first <= u'Z')))
        return first;
    return NamedSymbolCode(name);
}

uint32_t SymbolCodeFromName8(const char* name)
{
    return WithWideName(name, SymbolCodeFromName);
}

int NamedSymbolIndex(uint32_t code)
{
    for (int i = 0; i < kNamedSymbolCount; ++i) {
        if (NamedSymbolTable[i].code == code)
            return i;
    }
    return -1;
}
