// Builders of small formula trees. Every subtree passed in becomes a child of
// the new node (nothing is copied). When memory runs out the subtrees passed
// in are freed and the answer is a number node holding UndefinedReal, as for
// a failed copy, so that callers always get a whole tree.
#pragma once

#include <cstdint>

struct FormulaNode;

FormulaNode* MakeUnaryNode(int32_t kind, FormulaNode* a);
FormulaNode* MakeBinaryNode(int32_t kind, FormulaNode* a, FormulaNode* b);
FormulaNode* MakeTernaryNode(int32_t kind, FormulaNode* a, FormulaNode* b, FormulaNode* c);

FormulaNode* MakeProduct(FormulaNode* a, FormulaNode* b);
FormulaNode* MakeProduct3(FormulaNode* a, FormulaNode* b, FormulaNode* c);
FormulaNode* MakeSum(FormulaNode* a, FormulaNode* b);
// a + (-b)
FormulaNode* MakeDifference(FormulaNode* a, FormulaNode* b);
FormulaNode* MakePower(FormulaNode* base, FormulaNode* exponent);
FormulaNode* MakeSquare(FormulaNode* a);
FormulaNode* MakeQuotient(FormulaNode* numerator, FormulaNode* denominator);
FormulaNode* MakeReciprocal(FormulaNode* a);
FormulaNode* MakeNegation(FormulaNode* a);
FormulaNode* MakeOnePlusSquare(FormulaNode* a);
FormulaNode* MakeOneMinusSquare(FormulaNode* a);
FormulaNode* MakeSquareMinusOne(FormulaNode* a);

FormulaNode* MakeSqrt(FormulaNode* a);
FormulaNode* MakeLn(FormulaNode* a);
FormulaNode* MakeExp(FormulaNode* a);
FormulaNode* MakeSin(FormulaNode* a);
FormulaNode* MakeCos(FormulaNode* a);
FormulaNode* MakeTan(FormulaNode* a);
FormulaNode* MakeCot(FormulaNode* a);
FormulaNode* MakeCsc(FormulaNode* a);
FormulaNode* MakeSec(FormulaNode* a);
FormulaNode* MakeSinh(FormulaNode* a);
FormulaNode* MakeCosh(FormulaNode* a);
FormulaNode* MakeTanh(FormulaNode* a);
FormulaNode* MakeCoth(FormulaNode* a);
FormulaNode* MakeCsch(FormulaNode* a);
FormulaNode* MakeSech(FormulaNode* a);
FormulaNode* MakeSgn(FormulaNode* a);
FormulaNode* MakeAbs(FormulaNode* a);
FormulaNode* MakeRealPart(FormulaNode* a);
FormulaNode* MakeImagPart(FormulaNode* a);

// The derivative of the expression by the variable, left for later passes.
FormulaNode* MakePartialDerivativeNode(FormulaNode* expression, FormulaNode* variable);
// expression | left = right
FormulaNode* MakeSubstitution(FormulaNode* expression, FormulaNode* left, FormulaNode* right);
// An ordinary subscript such as x_1.
FormulaNode* MakeSubscript(FormulaNode* base, FormulaNode* index);
// A column vector of three rows.
FormulaNode* MakeVector3(FormulaNode* a, FormulaNode* b, FormulaNode* c);
