// Formula trees from a compact infix text, for tests; mostly the linear text
// the formula writer writes:
//   x^2+2*x+1   a-b (a sum with a minus term)   -x (minus)   a/b*c ((a/b) c)
//   sin(x), log(x,2), sqrt(x,3), function(f,x), optotal(x), optotal(x,2)
//   matrix(2,2,1,2,3,4), vector(1,2,3), [x] (a parentheses node), x!, x'
//   pi, theta, e, i, 'alpha' (a registry name), #300 (the variable of code
//   300), #8082(y,x) (a node of kind 8082), ~3 (the number -3), 1e10, NaN,
//   Infinity
// Operators of one level make one node: a+b+c is one sum, a+(b+c) two.
#pragma once

#include <functional>
#include <string>

struct FormulaNode;

// The tree of the text; null (and a test failure) when the text is not read
// whole.
FormulaNode* ReadFormula(const char* text);
// The same without the test failure: for text that may be anything.
FormulaNode* ReadFormulaQuietly(const char* text);

// The linear text of the formula read from text after the operation worked on
// it in place; fails the test when the tree is no longer well formed.
// "unreadable" when the text is not read.
std::string TextAfter(const char* text, const std::function<void(FormulaNode*)>& operation);
