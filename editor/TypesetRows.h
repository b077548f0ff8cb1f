// The rules of operator rows that the editor shares with the typesetter.
#pragma once

struct FormulaNode;

// A variable whose registered name has more than one character.
bool IsMultiLetterVariable(const FormulaNode* node);
// Two neighbouring factors of a product are shown with a dot between them
// (2·3, sin x·y); juxtaposition otherwise (2x, x y, 3 sin x).
bool NeedsVisibleDot(const FormulaNode* left, const FormulaNode* right);
