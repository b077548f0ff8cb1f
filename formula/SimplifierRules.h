// The simplifier's rules by node kind, called by NormalizeNode on a node
// whose children are normal. Internal to the simplifier.
#pragma once

struct FormulaNode;

enum class RuleResult {
    Finish,  // the node is done
    Again,   // normalise the same node once more from the start
};

RuleResult NormalizeProduct(FormulaNode* node);
RuleResult NormalizeSum(FormulaNode* node);
RuleResult NormalizePower(FormulaNode* node);
RuleResult NormalizeSqrt(FormulaNode* node);
RuleResult NormalizeFraction(FormulaNode* node);
RuleResult NormalizeMinus(FormulaNode* node);
// Function values: ln, exp, log, factorial, sin, cos, sn, mod, min, max.
RuleResult FoldFunctionValue(FormulaNode* node);

// The negation of a value, never a negative zero.
inline double Negated(double value)
{
    return value == 0 ? 0.0 : -value;
}
