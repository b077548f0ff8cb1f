#include "evaluation/LinearForm.h"

#include "CoreUtilities/MemoryBudget.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/SubtreeValue.h"
#include "formula/TreeConstness.h"

#include <cmath>

namespace {

// Stack a level of the recursion may take; a deeper tree counts as not
// linear rather than running out of stack.
constexpr uint32_t kLevelStackBytes = 512;

bool HasVariables(const LinearForm& form)
{
    return form.a != 0 || form.b != 0 || form.c != 0;
}

LinearForm Scaled(const LinearForm& form, double factor)
{
    return {form.a * factor, form.b * factor, form.c * factor, form.d * factor};
}

bool Extract(const FormulaNode* node, DocState* doc, LinearForm& form);

bool ExtractSum(const FormulaNode* sum, DocState* doc, LinearForm& form)
{
    form = {0, 0, 0, 0};
    for (uint32_t i = 0; i < sum->childCount; ++i) {
        LinearForm term;
        if (!Extract(sum->children[i], doc, term))
            return false;
        form = {form.a + term.a, form.b + term.b, form.c + term.c, form.d + term.d};
    }
    return true;
}

// At most one factor may hold x, y or z; the others scale it.
bool ExtractProduct(const FormulaNode* product, DocState* doc, LinearForm& form)
{
    form = {0, 0, 0, 1};
    for (uint32_t i = 0; i < product->childCount; ++i) {
        LinearForm factor;
        if (!Extract(product->children[i], doc, factor))
            return false;
        if (HasVariables(factor)) {
            if (HasVariables(form))
                return false;
            form = Scaled(factor, form.d);
        } else {
            form = Scaled(form, factor.d);
        }
    }
    return true;
}

bool ExtractQuotient(const FormulaNode* quotient, DocState* doc, LinearForm& form)
{
    LinearForm denominator;
    if (quotient->childCount != 2 || !Extract(quotient->children[0], doc, form) ||
        !Extract(quotient->children[1], doc, denominator) || HasVariables(denominator) || denominator.d == 0)
        return false;
    form = Scaled(form, 1 / denominator.d);
    return true;
}

bool Extract(const FormulaNode* node, DocState* doc, LinearForm& form)
{
    if (!HasStackRoom(kLevelStackBytes))
        return false;
    if (IsEvaluableForResult(node, doc)) {
        form = {0, 0, 0, EvaluateSubtreeReal(node, doc)};
        // An undefined or infinite constant makes no plane.
        return std::isfinite(form.d);
    }
    switch (node->kind) {
    case KindVariable: {
        uint32_t code = node->payload.code;
        form = {code == 'x' ? 1.0 : 0.0, code == 'y' ? 1.0 : 0.0, code == 'z' ? 1.0 : 0.0, 0};
        return HasVariables(form);
    }
    case KindSum:
        return ExtractSum(node, doc, form);
    case KindProduct:
        return ExtractProduct(node, doc, form);
    case KindMinus:
        if (node->childCount != 1 || !Extract(node->children[0], doc, form))
            return false;
        form = Scaled(form, -1);
        return true;
    case KindFraction:
        return ExtractQuotient(node, doc, form);
    default:
        return false;
    }
}

bool IsHalfSpaceRelation(int32_t kind)
{
    return kind == KindLess || kind == KindLeq || kind == KindGreater || kind == KindGeq;
}

}  // namespace

bool ExtractLinearForm(const FormulaNode* tree, DocState* doc, LinearForm* form)
{
    return Extract(tree, doc, *form);
}

bool IsLinearInXYZ(const FormulaNode* tree, DocState* doc)
{
    LinearForm scratch;
    return ExtractLinearForm(tree, doc, &scratch);
}

bool CompiledFormula::GetLinearHalfSpace(LinearForm* form) const
{
    LinearForm left;
    LinearForm right;
    if (!IsHalfSpaceRelation(tree->kind) || tree->childCount != 2 ||
        !ExtractLinearForm(tree->children[0], doc, &left) || !ExtractLinearForm(tree->children[1], doc, &right))
        return false;
    // f > 0 (or f >= 0) exactly where the relation holds.
    bool lessThan = tree->kind == KindLess || tree->kind == KindLeq;
    const LinearForm& big = lessThan ? right : left;
    const LinearForm& small = lessThan ? left : right;
    *form = {big.a - small.a, big.b - small.b, big.c - small.c, big.d - small.d};
    return true;
}
