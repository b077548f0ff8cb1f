// A formula as one line of UTF-8 text: what documents ("Expr" statements),
// the clipboard, table headers and web-page alt texts carry. The document
// reader's grammar reads it back into a tree that means the same formula.
#pragma once

#include <cstdint>

struct FormulaNode;

// Appends the UTF-8 form of a wide string to the top text buffer; nothing for
// a null string.
void PutTextWide(const char16_t* text);

// Appends how a variable's code is spelled: a letter as itself, a named
// symbol by its name, any other name between single quotes.
void PutVariableName(uint32_t code);

// Appends the subtree's linear text to the top text buffer. With bracket set
// a parentheses node is written "[...]", which the reader keeps as a node;
// clear, it is written "(...)", which only groups.
void WriteFormulaText(const FormulaNode* node, bool bracket);

// The subtree's linear text as a new NUL-terminated string; the caller frees
// it with BudgetFree. Null when the text could not be had whole.
char* FormulaToText(const FormulaNode* node, bool bracket);

// Whether a child written inside its parent's operator needs "(...)" so that
// the reader groups it as the tree does. childKind is the child's
// GroupingKind.
bool NeedsGroupingParentheses(int32_t childKind, uint32_t position, int32_t parentKind);

// The kind a node groups as: a negative number is written with its sign and
// so groups like a minus node; every other node groups as its kind.
int32_t GroupingKind(const FormulaNode* node);
