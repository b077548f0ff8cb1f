// The display clean-up that ends most symbolic commands.
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/Simplifier.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeSplice.h"
#include "formula/TreeWalk.h"

namespace {

bool IsNegativeNumber(const FormulaNode* node)
{
    return NumberValue(node) < 0;
}

// A negative factor takes its absolute value and the whole product becomes
// the minus of itself, once per such factor. A factor -1 goes altogether:
// -1 x is written -x.
void SignsOfFactors(FormulaNode* product)
{
    uint32_t signs = 0;
    for (uint32_t i = 0; product->kind == KindProduct && i < product->childCount;) {
        FormulaNode* factor = product->children[i];
        if (!IsNegativeNumber(factor)) {
            ++i;
            continue;
        }
        ++signs;
        if (IsNumberWithValue(factor, -1) && product->childCount > 1 && DeleteOperand(product, i))
            continue;
        SetNumberValue(factor, -NumberValue(factor));
        ++i;
    }
    for (uint32_t k = 0; k < signs; ++k)
        WrapInUnary(product, KindMinus);
}

bool IsOneHalf(const FormulaNode* node)
{
    return node->kind == KindFraction && node->childCount == 2 && IsNumberWithValue(node->children[0], 1) &&
        IsNumberWithValue(node->children[1], 2);
}

}  // namespace

// The rewrite of a product's negative factors is done when the walk reaches
// the product, after its factors: it changes the product's record, which
// the walk may only do at the node it stands on.
void CleanUpSigns(FormulaNode* root)
{
    for (PostorderWalk walk(root); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        switch (node->kind) {
        case KindNumber:
            if (IsNegativeNumber(node) && !(node != root && HasParentKind(node, KindProduct))) {
                SetNumberValue(node, -NumberValue(node));
                WrapInUnary(node, KindMinus);
            }
            break;
        case KindProduct:
            SignsOfFactors(node);
            break;
        case KindPower:
            if (node->childCount == 2 && IsOneHalf(node->children[1]) && DeleteChild(node, 1))
                node->kind = KindSqrt;
            break;
        case KindFraction:
            if (node->childCount == 2 && node->children[0]->kind == KindMinus && node->children[0]->childCount == 1) {
                CollapseToFirstChild(node->children[0]);
                WrapInUnary(node, KindMinus);
            }
            break;
        default:
            break;
        }
    }
}
