// A small complex evaluator of formula trees for tests: the value of a tree
// at a point, to check that a rewrite keeps the value. Principal branches
// throughout; what it cannot evaluate (derivative nodes, unknown variables,
// unknown kinds) and whatever passes through an infinity is NaN.
#pragma once

#include <complex>
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include <gtest/gtest.h>

struct FormulaNode;

using Complex = std::complex<double>;
using TestPoint = std::map<uint32_t, double>;

Complex EvaluateTree(const FormulaNode* node, const TestPoint& point);

// The free variable codes of the tree other than the constants pi, e and i.
std::set<uint32_t> FreeVariables(const FormulaNode* node);

// Checks that the two trees have the same value (within a relative 1e-9, or
// both undefined) at a few pseudo-random points where each variable lies in
// [low, high].
::testing::AssertionResult SameValues(const FormulaNode* before, const FormulaNode* after, double low = 0.5,
    double high = 2.5);
