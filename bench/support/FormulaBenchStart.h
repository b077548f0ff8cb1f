// What the typesetting and editing benchmarks share: an offscreen
// application with the formula engine, and a typical long line of terms.
#pragma once

#include <initializer_list>

struct FormulaNode;

void StartOffscreenFormulaBench();
// A node of the kind whose children are the given ones, in order.
FormulaNode* AttachChildren(FormulaNode* parent, std::initializer_list<FormulaNode*> children);
// A sum of terms 3 x sin y + 4 x sin y + ..., with `extra` more empty slots
// after them for the caller to fill.
FormulaNode* MakeSineTermSum(int terms, int extra = 0);
