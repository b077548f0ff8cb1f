#include "formula/TreeEquality.h"

#include "CoreUtilities/WideString.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeWalk.h"

namespace {

bool SameNode(const FormulaNode* a, const FormulaNode* b)
{
    if (a->kind != b->kind || a->childCount != b->childCount)
        return false;
    switch (a->kind) {
    case KindNumber:
        return a->payload.number && b->payload.number && a->payload.number->value == b->payload.number->value;
    case KindVariable:
    case KindBoundVariable:
        return a->payload.code == b->payload.code;
    case KindText:
        return WideEqual(a->Text(), b->Text());
    case KindMatrix:
    case KindSubscript:
        // A 1 x 3 row and a 3 x 1 column with the same cells differ.
        return a->payload.pair.low == b->payload.pair.low && a->payload.pair.high == b->payload.pair.high;
    default:
        return true;
    }
}

}  // namespace

bool TreesEqual(const FormulaNode* a, const FormulaNode* b)
{
    if (!a || !b)
        return false;
    // Nodes are compared before the walk steps, so b has a's shape wherever
    // the walk goes next.
    for (PreorderWalk walk(const_cast<FormulaNode*>(a), const_cast<FormulaNode*>(b)); walk.Node(); walk.Next()) {
        if (!SameNode(walk.Node(), walk.Shadow()))
            return false;
    }
    return true;
}
