// The symbols whose names have several letters, with their fixed codes, and
// the look-up of a typed name as a symbol code.
#pragma once

#include <cstdint>

struct NamedSymbolEntry {
    const char16_t* name;
    uint32_t displayChar;
    uint32_t code;
};

constexpr int kNamedSymbolCount = 6;

extern const NamedSymbolEntry NamedSymbolTable[kNamedSymbolCount];

// The code of a named symbol, or 0.
uint32_t NamedSymbolCode(const char16_t* name);
// A single letter a-z or A-Z is its own code; else the named symbol's code, or 0.
uint32_t SymbolCodeFromName(const char16_t* name);
uint32_t SymbolCodeFromName8(const char* name);
// Position 0-5 in the table, or -1.
int NamedSymbolIndex(uint32_t code);
