// The value of a formula tree by the real interpreter: the tree is copied,
// compiled alone and evaluated at a point of x, y and z, as a graph would.
#pragma once

#include <gtest/gtest.h>

struct FormulaNode;

double InterpretAt(const FormulaNode* tree, double x, double y, double z);

// Checks that the interpreter gives the two trees the same value (within a
// relative 1e-9, or both undefined) at a few points where x, y and z lie in
// [low, high].
::testing::AssertionResult SameInterpretedValues(const FormulaNode* before, const FormulaNode* after,
    double low = 0.5, double high = 2.5);
