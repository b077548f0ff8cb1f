#include "formula/FactorOrder.h"

#include "CoreUtilities/WideString.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/Simplifier.h"
#include "formula/SymbolCodes.h"
#include "formula/TreeEquality.h"

#include <utility>

namespace {


}  // namespace

bool SymbolPrecedes(uint32_t a, uint32_t b)
{
    if (a == CodeDegree)
        return false;
    if (b == CodeDegree)
        return true;
    if (IsNamedSymbolCode(a) && IsAsciiLetter(b))
        return true;
    if (IsAsciiLetter(a) && IsNamedSymbolCode(b))
        return false;
    if (a == CodeE)
        return false;
    if (b == CodeE)
        return true;
    if (a > 255 && b > 255)
        return WideCompare(SymbolName(a), SymbolName(b)) < 0;
    return a < b;
}

// Each step goes down one level in both trees, so the comparison ends, and it
// needs no stack however deep the factors are. Every answer is asymmetric
// (never true both ways), so each swap of SortFactors puts one pair of
// factors in order for good and the passes come to an end.
bool FactorPrecedes(const FormulaNode* p, const FormulaNode* q)
{
    for (;;) {
        if (p->kind == KindPower && q->kind == KindPower && p->childCount == 2 && q->childCount == 2) {
            p = p->children[0];
            q = q->children[0];
            continue;
        }
        if (p->kind == KindNumber)
            return false;
        if (q->kind == KindNumber)
            return true;
        if (p->kind == KindMatrix || q->kind == KindMatrix)
            return false;
        if (p->kind != q->kind)
            return q->kind < p->kind;
        if (p->kind == KindVariable)
            return SymbolPrecedes(q->payload.code, p->payload.code);
        if (p->childCount == 0 || q->childCount == 0)
            return false;
        // The counts are tested first: a long chain of one-operand nodes is
        // never compared whole at every level.
        bool second = p->childCount > 1 && q->childCount > 1 && TreesEqual(p->children[0], q->children[0]);
        p = p->children[second ? 1 : 0];
        q = q->children[second ? 1 : 0];
    }
}

void SortFactors(FormulaNode* product)
{
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (uint32_t k = 1; k < product->childCount; ++k) {
            FormulaNode** slots = product->children;
            if (FactorPrecedes(slots[k - 1], slots[k])) {
                std::swap(slots[k - 1], slots[k]);
                swapped = true;
            }
        }
    }
}
