// A compact prefix notation for formula trees in tests:
//   (+ a b)  sum of terms      (* a b)  product      (= a b)  (, a b)  (< a b c)  (> a b)
//   (sin x), (power x 2), (over 1 x), (Sum v c) ...   kinds by their table names
//   (#8086 ...)  any kind by number     2.5  number     x, alpha, pi  variables
//   %7  variable of code 7    ?0  bound variable of payload 0    "ab"  text    nan  number
#pragma once

#include <string>

struct FormulaNode;

// The tree of the text, or null for text that is not a tree.
FormulaNode* ParseTree(const char* text);

// The text of a tree in the same notation (branch numbers are not shown).
std::string TreeText(const FormulaNode* node);
