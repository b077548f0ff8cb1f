// Typing into the current formula: letters become variables side by side in
// a product, and the letters just typed that spell a function, a named
// symbol or a name in use become it on the spot; digits and the decimal
// separator extend a number's typed text; backslash names; text.
#pragma once

#include <cstdint>

struct FormulaNode;

// A letter, a named-symbol code (1-6) or another character as a variable at
// the caret.
void InsertLetter(uint32_t ch);
// The current placeholder becomes a variable for ch; the caret goes after it
// and the name typed so far is recognised.
void InsertVariableAtCaret(uint32_t ch);
void RecogniseTypedName(FormulaNode* node);
// '0'-'9' (':' makes the number 10).
void InsertDigit(uint32_t ch);
void ReplaceWithDigit(uint32_t ch);
void InsertDecimalPoint();
// Starts a command name at the caret, or finishes the one being typed.
void BackslashCommand();
void InsertIntoText(uint32_t ch);
void InsertIntoIdentifier(uint32_t ch);
// The quotation mark outside a text: an empty text at the caret, with the
// caret inside it.
void OpenTextAtCaret();
// The run of letters that ends at the caret, or the selected product of
// variables, becomes one multi-letter variable.
void MakeNameFromLetters();

// Where the letters of a name typed one by one are found: the factors of a
// product, backwards from the node. The index of the name's first letter in
// the product, or -1 when the letters do not spell the name (a letter typed
// right after the multiplication key ends the run).
int32_t MatchTrailingLetters(const FormulaNode* node, const char16_t* name);

// The explicit-multiplication mark of a variable (the multiplication key was
// typed right after it).
constexpr uint8_t kExplicitProductMark = 1;
