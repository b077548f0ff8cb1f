// The numeric value of a subtree: a copy of it is compiled into a temporary
// formula and evaluated once on the calling thread's frame. Calculate, the
// matrix lowering, constant folding, linear forms and the document's line
// values all ask it.
#pragma once

#include "numerics/ComplexValue.h"
#include "numerics/Interval.h"

#include <cstdint>

struct DocState;
struct FormulaNode;

// The real value, at u = 0 and the slider's current value; NaN when
// undefined.
double EvaluateSubtreeReal(const FormulaNode* node, DocState* doc);
// The value in complex arithmetic.
ComplexValue EvaluateSubtreeComplex(const FormulaNode* node, DocState* doc);
// The value in interval arithmetic over the box x = y = 0; the two ends in
// the order the interval arithmetic gives them.
Interval EvaluateSubtreeInterval(const FormulaNode* node, DocState* doc);

// The compiling evaluation of a subtree, which the evaluation layer above
// gives at start-up; until then every subtree that is no number is
// undefined.
struct SubtreeEvaluator {
    double (*real)(const FormulaNode* node, DocState* doc) = nullptr;
    ComplexValue (*complex)(const FormulaNode* node, DocState* doc) = nullptr;
    Interval (*interval)(const FormulaNode* node, DocState* doc) = nullptr;
};
void SetSubtreeEvaluator(const SubtreeEvaluator& evaluator);

// Parts that may have a value but keep their form where a value replaces
// subtrees: the index equation of a summation or product, e as the base of
// a power (so that e^x stays e^x) and the name of a function applied, which
// alone is no value.
bool KeepsItsForm(const FormulaNode* node);

// Some node of the subtree is an interval.
bool ContainsIntervalNode(const FormulaNode* root);

// re, im*i or re + im*i as a new tree; the number re when im is 0.
FormulaNode* MakeComplexNumberNode(double re, double im);
