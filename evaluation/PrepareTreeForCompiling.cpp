#include "evaluation/PrepareTreeForCompiling.h"

#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/TableContext.h"
#include "formula/TakesArgumentList.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeSplice.h"
#include "formula/TreeWalk.h"

namespace {

// A builder's result stands for the node's new content; null when not even
// the undefined number could be had.
void ReplaceWithBuilt(FormulaNode* built, FormulaNode* node)
{
    if (built)
        ReplaceNode(built, node);
}

void RemoveIdNodes(FormulaNode* tree)
{
    for (PostorderWalk walk(tree); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        if (node->kind == KindParentheses)
            CollapseToFirstChild(node);
    }
}

void FoldNegativeNumbers(FormulaNode* tree)
{
    for (PostorderWalk walk(tree); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        if (node->kind == KindMinus && node->childCount == 1 && node->children[0]->kind == KindNumber) {
            CollapseToFirstChild(node);
            node->payload.number->value = -node->payload.number->value;
        }
    }
}

// Operands 2 and later of an aggregate go into one list of conditions.
void GatherConditions(FormulaNode* node)
{
    uint32_t conditions = node->childCount - 1u;
    FormulaNode* list = MakeNode(KindConditionList, conditions);
    if (!list)
        return;
    for (uint32_t i = 0; i < conditions; ++i)
        list->children[i] = node->children[i + 1];
    if (!ResizeChildArray(node, 2)) {
        FreeNode(list);
        return;
    }
    for (uint32_t i = 0; i < conditions; ++i)
        list->children[i]->parent = list;
    list->parent = node;
    node->children[1] = list;
}

// A copy of the aggregate as Mean, its first operand squared when asked.
FormulaNode* MeanCopy(const FormulaNode* node, bool squared)
{
    FormulaNode* copy = CopyTree(node);
    if (!copy || copy->kind != node->kind) {
        FreeTree(copy);
        return nullptr;
    }
    copy->kind = KindMean;
    if (squared) {
        FormulaNode* square = MakeSquare(CopyTree(node->children[0]));
        if (!square) {
            FreeTree(copy);
            return nullptr;
        }
        FreeTree(copy->children[0]);
        square->parent = copy;
        copy->children[0] = square;
    }
    return copy;
}

void LowerStdDev(FormulaNode* node)
{
    FormulaNode* meanOfSquares = MeanCopy(node, true);
    FormulaNode* mean = meanOfSquares ? MeanCopy(node, false) : nullptr;
    if (!mean) {
        FreeTree(meanOfSquares);
        return;
    }
    ReplaceWithBuilt(MakeSqrt(MakeDifference(meanOfSquares, MakeSquare(mean))), node);
}

// a < x < b as Interpolate's argument means the place of x in [a, b].
void NormaliseInterpolateRange(FormulaNode* range)
{
    FormulaNode* low = range->children[0];
    FormulaNode* x = range->children[1];
    FormulaNode* high = range->children[2];
    FormulaNode* lowAgain = CopyTree(low);
    FormulaNode* built = MakeQuotient(MakeDifference(x, low), MakeDifference(high, lowAgain));
    // The builders took the three operands (or freed them on failure); only
    // the chain's own array is left, and the transplant frees it.
    if (built)
        TransplantNode(built, range);
    else
        ResizeChildArray(range, 0);
}

void LowerNode(FormulaNode* node, DocState* doc)
{
    if (TakesArgumentList(node->kind) && node->childCount == 1 && node->children[0]->kind == KindComma &&
        node->children[0]->childCount > 0)
        FlattenChild(node, 0);
    if ((IsAggregateKind(node->kind) || IsMinMaxOfTableData(node, doc)) && node->childCount >= 3)
        GatherConditions(node);
    if (node->kind == KindStdDev && node->childCount > 0) {
        LowerStdDev(node);
        return;
    }
    if (node->kind == KindSubscript && node->childCount == 2 && UsesTableColumnPointwise(node->children[0], doc)) {
        FormulaNode* base = node->children[0];
        node->children[0] = node->children[1];
        node->children[1] = base;
        node->kind = KindColumnElement;
        node->payload.code = 0;
        return;
    }
    if (node->kind == KindInterpolate) {
        for (uint32_t i = 1; i < node->childCount; ++i) {
            FormulaNode* operand = node->children[i];
            if (operand->kind == KindLess && operand->childCount == 3)
                NormaliseInterpolateRange(operand);
        }
    }
}

bool IsSumOrProduct(int32_t kind)
{
    return kind == KindSigma || kind == KindCapitalPi;
}

void MakeSumProductLoops(FormulaNode* tree)
{
    for (PostorderWalk walk(tree); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        if (!IsSumOrProduct(node->kind) || node->childCount != 3)
            continue;
        FormulaNode* equation = node->children[1];
        if (equation->kind != KindEquation || equation->childCount != 2)
            continue;
        FormulaNode* body = node->children[0];
        node->children[0] = equation;
        node->children[1] = node->children[2];
        node->children[2] = body;
        node->kind = node->kind == KindSigma ? KindSumLoop : KindProductLoop;
    }
}

// The relation kind that mixes with a chain of the kind: < with leq, > with
// geq; 0 for others.
int32_t MixedPartner(int32_t kind)
{
    switch (kind) {
    case KindLess:
        return KindLeq;
    case KindLeq:
        return KindLess;
    case KindGreater:
        return KindGeq;
    case KindGeq:
        return KindGreater;
    default:
        return 0;
    }
}

int32_t FirstMixedOperand(const FormulaNode* chain)
{
    int32_t partner = MixedPartner(chain->kind);
    if (!partner)
        return -1;
    for (uint32_t i = 0; i < chain->childCount; ++i) {
        if (chain->children[i]->kind == partner && chain->children[i]->childCount > 0)
            return static_cast<int32_t>(i);
    }
    return -1;
}

FormulaNode* Relation(int32_t kind, FormulaNode* a, FormulaNode* b)
{
    return MakeBinaryNode(kind, a, b);
}

// The chain becomes the list of: the operands before the mixed operand q as
// a chain, the relation from the last of them to q's first operand, q, the
// relation from q's last operand to the next operand, and the operands after
// it as a chain. The new relations may mix kinds again; they are queued.
void SplitAroundMixedOperand(FormulaNode* chain, uint32_t i, GrowArray<FormulaNode*>& queue)
{
    int32_t kind = chain->kind;
    uint32_t n = chain->childCount;
    FormulaNode* q = chain->children[i];
    uint32_t before = i;
    uint32_t after = n - 1 - i;
    FormulaNode* beforeChain = before >= 2 ? MakeNode(kind, before) : nullptr;
    FormulaNode* afterChain = after >= 2 ? MakeNode(kind, after) : nullptr;
    uint32_t parts = (beforeChain ? 1u : 0u) + (before ? 1u : 0u) + 1u + (after ? 1u : 0u) + (afterChain ? 1u : 0u);
    FormulaNode* list = MakeNode(KindConditionList, parts);
    bool made = list && (before < 2 || beforeChain) && (after < 2 || afterChain);
    // The links compare copies; a failed copy or link stands as undefined.
    FormulaNode* link1 =
        made && before ? Relation(kind, CopyTree(chain->children[i - 1]), CopyTree(q->children[0])) : nullptr;
    FormulaNode* link2 =
        made && after ? Relation(kind, CopyTree(q->children[q->childCount - 1]), CopyTree(chain->children[i + 1]))
                      : nullptr;
    if (!made || (before && !link1) || (after && !link2)) {
        FreeTree(link1);
        FreeTree(link2);
        if (beforeChain)
            FreeNode(beforeChain);
        if (afterChain)
            FreeNode(afterChain);
        if (list)
            FreeNode(list);
        return;
    }
    // A lone operand on either side is only in its link now.
    if (before == 1)
        FreeTree(chain->children[0]);
    if (after == 1)
        FreeTree(chain->children[n - 1]);
    auto adopt = [](FormulaNode* parent, uint32_t at, FormulaNode* child) {
        parent->children[at] = child;
        child->parent = parent;
    };
    for (uint32_t k = 0; beforeChain && k < before; ++k)
        adopt(beforeChain, k, chain->children[k]);
    for (uint32_t k = 0; afterChain && k < after; ++k)
        adopt(afterChain, k, chain->children[i + 1 + k]);
    uint32_t at = 0;
    for (FormulaNode* part : {beforeChain, link1, q, link2, afterChain}) {
        if (part)
            adopt(list, at++, part);
    }
    TransplantNode(list, chain);
    for (FormulaNode* part : {link1, link2, afterChain}) {
        if (part)
            queue.Push(part);
    }
}

void SplitMixedRelationChains(FormulaNode* tree)
{
    GrowArray<FormulaNode*> queue;
    for (PostorderWalk walk(tree); walk.Node(); walk.Next()) {
        queue.Push(walk.Node());
        while (queue.count > 0) {
            FormulaNode* chain = queue[--queue.count];
            int32_t i = FirstMixedOperand(chain);
            if (i >= 0)
                SplitAroundMixedOperand(chain, static_cast<uint32_t>(i), queue);
        }
    }
    queue.Clear();
}

// Every operand of a branch becomes a (condition, value) pair: an if swaps
// its operands, any other value v becomes (1, v), the otherwise case.
void PrepareBranches(FormulaNode* tree)
{
    uint32_t number = 0;
    for (PostorderWalk walk(tree); walk.Node(); walk.Next()) {
        FormulaNode* branch = walk.Node();
        if (branch->kind != KindBranch)
            continue;
        for (uint32_t i = 0; i < branch->childCount; ++i) {
            FormulaNode* operand = branch->children[i];
            // A formula made from a prepared tree (a derivative's) holds
            // pairs already.
            if (operand->kind == KindBranchPiece && operand->childCount == 2)
                continue;
            if (operand->kind == KindIf && operand->childCount == 2) {
                FormulaNode* value = operand->children[0];
                operand->children[0] = operand->children[1];
                operand->children[1] = value;
                operand->kind = KindBranchPiece;
                continue;
            }
            FormulaNode* one = MakeNumberNode(1.0);
            FormulaNode* value = one ? MoveContentToNewNode(operand, KindBranchPiece, 2) : nullptr;
            if (!value) {
                FreeTree(one);
                continue;
            }
            one->parent = operand;
            operand->children[0] = one;
            operand->children[1] = value;
        }
        branch->payload.code = number++;
    }
}

}  // namespace

void LowerAggregates(FormulaNode* tree, DocState* doc)
{
    for (PostorderWalk walk(tree); walk.Node(); walk.Next())
        LowerNode(walk.Node(), doc);
}

void PrepareTreeForCompiling(FormulaNode* tree, DocState* doc)
{
    RemoveIdNodes(tree);
    FoldNegativeNumbers(tree);
    LowerAggregates(tree, doc);
    MakeSumProductLoops(tree);
    SplitMixedRelationChains(tree);
    PrepareBranches(tree);
}
