// Renaming the variables of a subtree, and the primed graphing variables
// (x', y', z', r', theta', phi') of coordinate mappings.
#pragma once

#include <cstdint>

struct FormulaNode;

// Every variable of code from gets code to, except a subscript's base.
void RenameSymbol(FormulaNode* root, uint32_t from, uint32_t to);
// phi 2 <-> 9, theta 3 <-> 8, x <-> 10, y <-> 11, z <-> 12, r <-> 13; any
// other code is its own partner.
uint32_t SwapPrimedCode(uint32_t code);
// A prime over a variable that has a primed partner becomes that partner:
// x' is the variable of code 10; a' stays a prime.
void FoldPrimedVariables(FormulaNode* root);
// Every variable becomes its primed partner and back, except the red of a
// colour statement; applied twice it restores the tree.
void SwapPrimedSymbols(FormulaNode* root);
