#include "formula/Substitution.h"

#include "CoreUtilities/MemoryBudget.h"
#include "formula/Binders.h"
#include "formula/ChildSlots.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/Simplifier.h"
#include "formula/SimplifierSwitches.h"
#include "formula/TreeEquality.h"
#include "formula/TreeQuery.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeWalk.h"

namespace {

bool IsTwoSidedEquation(const FormulaNode* node)
{
    return node->kind == KindEquation && node->childCount == 2;
}

// Every node of the expression equal to lhs becomes a copy of rhs, except
// where a summation, product or integral of the expression rebinds a name
// of lhs: there the name is the binder's own.
void ReplaceOccurrences(FormulaNode* expression, const FormulaNode* lhs, const FormulaNode* rhs)
{
    bool variable = lhs->kind == KindVariable;
    PreorderWalk walk(expression);
    while (FormulaNode* node = walk.Node()) {
        const FormulaNode* binder = node != expression ? BinderEntered(node) : nullptr;
        if (binder && DeclaresNameOf(binder, lhs)) {
            walk.SkipSubtree();
        } else if (TreesEqual(node, lhs) && !(variable && IsSubscriptBase(node))) {
            // The copy of rhs is not searched again.
            ReplaceNode(CopyTree(rhs), node);
            walk.SkipSubtree();
        } else {
            walk.Next();
        }
    }
}

bool HoldsSubtreeEqualTo(const FormulaNode* root, const FormulaNode* pattern)
{
    for (PreorderWalk walk(const_cast<FormulaNode*>(root)); walk.Node(); walk.Next()) {
        if (TreesEqual(walk.Node(), pattern))
            return true;
    }
    return false;
}

// Substitutions that cannot be carried out by replacing: into an indefinite
// integral over a name of lhs (a function of that name, whose value at rhs
// needs its antiderivative), and into the scope of a binder whose own name
// rhs holds (the name would be captured: x = k in a sum over k). These stay
// pending.
bool MustStayPending(const FormulaNode* expression, const FormulaNode* lhs, const FormulaNode* rhs)
{
    for (PreorderWalk walk(const_cast<FormulaNode*>(expression)); walk.Node(); walk.Next()) {
        const FormulaNode* node = walk.Node();
        const FormulaNode* scope = BinderScope(node);
        if (!scope || !BinderVariable(node))
            continue;
        if (node->kind == KindIntegral && node->childCount == 2 && DeclaresNameOf(node, lhs))
            return true;
        if (DeclaresNameOf(node, rhs) && !DeclaresNameOf(node, lhs) && HoldsSubtreeEqualTo(scope, lhs))
            return true;
    }
    return false;
}

// (E with x = b) + -(E with x = a), the substitutions left to be carried out.
void SplitIntoDifference(FormulaNode* node)
{
    FormulaNode* expression = Unlink(node->children[0]);
    FormulaNode* condition = Unlink(node->children[1]);
    FormulaNode* upper = Unlink(node->children[2]);
    FormulaNode* atUpper = IsTwoSidedEquation(condition)
        ? MakeSubstitution(CopyTree(expression), CopyTree(condition->children[0]), upper)
        : MakeBinaryNode(KindSubstitution, CopyTree(expression), upper);
    FormulaNode* atLower = MakeBinaryNode(KindSubstitution, expression, condition);
    ReplaceNode(MakeSum(atUpper, MakeNegation(atLower)), node);
}

}  // namespace

void PerformSubstitution(FormulaNode* node)
{
    if (node->kind != KindSubstitution)
        return;
    if (node->childCount == 3) {
        SplitIntoDifference(node);
        return;
    }
    if (node->childCount != 2 || !IsTwoSidedEquation(node->children[1]))
        return;
    const FormulaNode* condition = node->children[1];
    if (MustStayPending(node->children[0], condition->children[0], condition->children[1]))
        return;
    ReplaceOccurrences(node->children[0], condition->children[0], condition->children[1]);
    CollapseToFirstChild(node);
    {
        SwitchSetting keepPowers(DistributePowersFlag, 0);
        SimplifyTree(node);
    }
    CleanUpSigns(node);
}

void ExpandSubstitutions(FormulaNode* root)
{
    for (PostorderWalk walk(root); walk.Node(); walk.Next()) {
        if (ShouldAbortComputation())
            return;
        PerformSubstitution(walk.Node());
    }
}

void ExpandSubstitutionsInSelection()
{
    EditorState* state = GetCurrentEditorState();
    if (!state || !state->current)
        return;
    ExpandSubstitutions(state->current);
    InvalidateFormulaLayout();
}
