// Passes that replace notations the compiler and the classifier cannot take:
// definite integrals, unit-vector hats and colour equations.
#pragma once

struct FormulaNode;

// Every definite integral (integrand, variable, lower, upper) becomes a
// weighted sum over 513 equally spaced points: the extended Simpson-type
// rule with end weights 3/8, 7/6, 23/24, exact for cubics. The summation's
// index takes an internal code that no name has, one per nesting depth, so
// that lowering again on every analysis uses no name codes up.
void LowerDefiniteIntegrals(FormulaNode* root);
// The integral node becomes its weighted sum; it stays when integrals are
// nested too deeply for an index code.
void IntegralToWeightedSum(FormulaNode* integral);
// hat(x), hat(y), hat(z) become the unit vectors; hat(v) of anything else
// becomes v / |v|.
void LowerUnitVectors(FormulaNode* root);
// color = f becomes the HSV vector equation (h, s, v) = (f, 1, 1).
void LowerColorEquations(FormulaNode* root);
