// What the atom handlers show, for the handlers and the editor that measure
// within atoms.
#pragma once

#include <cstdint>
#include <string>

struct FormulaNode;

// A text node's text between typographic double quotes.
std::u16string QuoteText(const char16_t* text);
// The character a named symbol (codes 1-6) is shown as; 0 for other codes.
uint32_t NamedSymbolGlyph(uint32_t code);
// A number node's typed text (the field need not be terminated).
std::u16string NumberText(const FormulaNode* node);
// The one character a variable shows; 0 when it shows a name.
uint32_t VariableGlyph(const FormulaNode* node);
