#include "formula/RewriteRules.h"

#include "CoreUtilities/WideString.h"
#include "formula/Binders.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/Simplifier.h"
#include "formula/SimplifierSwitches.h"
#include "formula/SymbolRename.h"
#include "formula/TreeEquality.h"
#include "formula/TreeQuery.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeWalk.h"

GrowArray<SubstitutionBinding> SubstitutionTable;

namespace {

// One node of the subject against one node of the pattern, operands aside.
bool SameNode(const FormulaNode* subject, const FormulaNode* pattern)
{
    if (subject->kind != pattern->kind || subject->childCount != pattern->childCount)
        return false;
    switch (subject->kind) {
    case KindNumber:
        return NumberValue(subject) == NumberValue(pattern);
    case KindText:
        return WideEqual(subject->Text(), pattern->Text());
    case KindVariable:
        return subject->payload.code == pattern->payload.code &&
            (!IsSubscriptBase(subject) || IsSubscriptBase(pattern));
    case KindMatrix:
    case KindSubscript:
        return subject->payload.pair.low == pattern->payload.pair.low &&
            subject->payload.pair.high == pattern->payload.pair.high;
    default:
        return true;
    }
}

bool Bind(uint32_t key, const FormulaNode* subject)
{
    if (const FormulaNode* bound = LookupBinding(key))
        return TreesEqual(subject, bound);
    FormulaNode* copy = CopyTree(subject);
    if (SubstitutionTable.Push({key, copy}) == 0)
        return true;
    FreeTree(copy);
    return false;
}

bool SomeBindingHolds(uint32_t code)
{
    for (int32_t i = 0; i < SubstitutionTable.count; ++i) {
        if (ContainsSymbol(SubstitutionTable[i].subtree, code))
            return true;
    }
    return false;
}

// A summation, product or integral of the right side over a name that a
// bound subtree holds would capture that name where the subtree goes into
// its scope (f(x) = the sum of k x over k, applied to k): its index takes a
// nameless internal code first.
void RenameCapturingIndices(FormulaNode* rightSide)
{
    // Deeper than every internal index of the bound subtrees too.
    uint32_t depth = 0;
    for (int32_t i = 0; i < SubstitutionTable.count; ++i) {
        uint32_t code = FreeInternalIndexCode(SubstitutionTable[i].subtree, depth);
        if (!code)
            return;
        depth = code - InternalIndexCode(0);
    }
    for (PreorderWalk walk(rightSide); walk.Node(); walk.Next()) {
        FormulaNode* binder = walk.Node();
        FormulaNode* index = const_cast<FormulaNode*>(BinderVariable(binder));
        if (!index || index->kind != KindVariable || !SomeBindingHolds(index->payload.code))
            continue;
        uint32_t fresh = FreeInternalIndexCode(rightSide, depth);
        if (!fresh)
            return;
        RenameSymbol(const_cast<FormulaNode*>(BinderScope(binder)), index->payload.code, fresh);
        index->payload.code = fresh;
    }
}

}  // namespace

bool MatchPattern(const FormulaNode* subject, const FormulaNode* pattern)
{
    // The subject is walked in step with the pattern; below a bound
    // variable its subtree is passed over whole.
    PreorderWalk walk(const_cast<FormulaNode*>(pattern), const_cast<FormulaNode*>(subject));
    while (const FormulaNode* node = walk.Node()) {
        if (node->kind == KindBoundVariable) {
            if (!Bind(node->payload.code, walk.Shadow()))
                return false;
            walk.SkipSubtree();
            continue;
        }
        if (!SameNode(walk.Shadow(), node))
            return false;
        walk.Next();
    }
    return true;
}

const FormulaNode* LookupBinding(uint32_t key)
{
    for (int32_t i = 0; i < SubstitutionTable.count; ++i) {
        if (SubstitutionTable[i].key == key)
            return SubstitutionTable[i].subtree;
    }
    return nullptr;
}

void InstantiateRule(FormulaNode* subject, const FormulaNode* rightSide)
{
    FormulaNode* copy = CopyTree(rightSide);
    RenameCapturingIndices(copy);
    PreorderWalk walk(copy);
    while (FormulaNode* node = walk.Node()) {
        const FormulaNode* bound = node->kind == KindBoundVariable ? LookupBinding(node->payload.code) : nullptr;
        if (!bound) {
            walk.Next();
            continue;
        }
        ReplaceNode(CopyTree(bound), node);
        walk.SkipSubtree();
    }
    ReplaceNode(copy, subject);
    if (SubstitutionTable.count == 0)
        return;
    {
        SwitchSetting keepPowers(DistributePowersFlag, 0);
        SimplifyTree(subject);
    }
    CleanUpSigns(subject);
}

bool MatchAndRewrite(FormulaNode* subject, const FormulaNode* leftSide, const FormulaNode* rightSide)
{
    FreeSubstitutionTable();
    if (!MatchPattern(subject, leftSide))
        return false;
    InstantiateRule(subject, rightSide);
    return true;
}

bool ApplyEquationAsRule(FormulaNode* subject, const FormulaNode* equation)
{
    if (equation->kind != KindEquation || equation->childCount < 2)
        return false;
    const FormulaNode* rightSide = equation->children[equation->childCount - 1];
    for (uint32_t i = 0; i + 1 < equation->childCount; ++i) {
        if (MatchAndRewrite(subject, equation->children[i], rightSide))
            return true;
    }
    return false;
}

void FreeSubstitutionTable()
{
    for (int32_t i = 0; i < SubstitutionTable.count; ++i)
        FreeTree(SubstitutionTable[i].subtree);
    SubstitutionTable.Clear();
}

FormulaNode* MakeBoundVariableNode(uint32_t key)
{
    FormulaNode* node = MakeNode(KindBoundVariable, 0);
    if (node)
        node->payload.code = key;
    return node;
}
