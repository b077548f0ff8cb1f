#include "formula/Isolate.h"

#include "CoreUtilities/MemoryBudget.h"
#include "formula/ChildSlots.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/Simplifier.h"
#include "formula/SymbolCodes.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeWalk.h"

#include <utility>
#include <vector>

namespace {


void SwapSides(FormulaNode* equation)
{
    std::swap(equation->children[0], equation->children[1]);
}

// A copy of the node without its operand k; of two operands, the other one.
FormulaNode* CopyWithout(const FormulaNode* node, uint32_t k)
{
    if (node->childCount == 2)
        return CopyTree(node->children[1 - k]);
    FormulaNode* rest = MakeNode(node->kind, node->childCount - 1);
    if (!rest)
        return MakeNumberNode(0);
    uint32_t at = 0;
    for (uint32_t i = 0; i < node->childCount; ++i) {
        if (i != k)
            SetChild(rest, at++, CopyTree(node->children[i]));
    }
    // Copies that could not be made leave their slots empty.
    if (AbortFlag) {
        FreeTree(rest);
        return nullptr;
    }
    return rest;
}

// The other side O undoes the operation of P on its operand k.
void ApplyInverseStep(const FormulaNode* p, uint32_t k, FormulaNode* o)
{
    int32_t kind = p->kind;
    if ((kind >= KindSin && kind <= KindSec) || (kind >= KindSinh && kind <= KindSech)) {
        WrapInUnary(o, kind + 6);
        return;
    }
    if ((kind >= KindAsin && kind <= KindAsec) || (kind >= KindAsinh && kind <= KindAsech)) {
        WrapInUnary(o, kind - 6);
        return;
    }
    switch (kind) {
    case KindSum:
        AddToNode(o, MakeNegation(CopyWithout(p, k)));
        break;
    case KindProduct:
        DivideInPlace(o, CopyWithout(p, k));
        break;
    case KindMinus:
        NegateInPlace(o);
        break;
    case KindLog:
        if (p->childCount == 1)
            WrapInBinary(o, MakeNumberNode(10), 0, KindPower);
        else if (k == 0)
            WrapInBinary(o, CopyTree(p->children[1]), 0, KindPower);
        else {
            ReciprocalInPlace(o);
            WrapInBinary(o, CopyTree(p->children[0]), 0, KindPower);
        }
        break;
    case KindSqrt:
        if (p->childCount == 1)
            RaiseInPlace(o, MakeNumberNode(2));
        else if (k == 0)
            RaiseInPlace(o, CopyTree(p->children[1]));
        else {
            WrapInBinary(o, CopyTree(p->children[0]), 1, KindLog);
            ReciprocalInPlace(o);
        }
        break;
    case KindFraction:
        if (k == 0)
            AppendFactor(o, CopyTree(p->children[1]));
        else {
            DivideInPlace(o, CopyTree(p->children[0]));
            ReciprocalInPlace(o);
        }
        break;
    case KindPower:
        if (k == 0)
            RaiseInPlace(o, MakeReciprocal(CopyTree(p->children[1])));
        else if (p->children[0]->kind == KindVariable && p->children[0]->payload.code == CodeE)
            WrapInUnary(o, KindLn);
        else
            WrapInBinary(o, CopyTree(p->children[0]), 1, KindLog);
        break;
    case KindLn:
        WrapInBinary(o, MakeVariableNode(CodeE), 0, KindPower);
        break;
    default:  // parentheses
        break;
    }
}

void IsolateInEquation(EditorState* state, FormulaNode* equation)
{
    FormulaNode* term = state->current;
    std::vector<std::pair<FormulaNode*, uint32_t>> steps;  // node, operand toward the term
    FormulaNode* node = term;
    for (; node->parent != equation; node = node->parent)
        steps.emplace_back(node->parent, static_cast<uint32_t>(IndexInParent(node)));
    uint32_t side = static_cast<uint32_t>(IndexInParent(node));
    FormulaNode* other = equation->children[1 - side];
    for (auto step = steps.rbegin(); step != steps.rend(); ++step)
        ApplyInverseStep(step->first, step->second, other);
    SimplifyTree(other);
    CleanUpSigns(other);
    // The term is copied out first: replacing its own ancestor frees it.
    FormulaNode* isolated = equation->children[side];
    ReplaceNode(CopyTree(term), isolated);
    SetEditorSelection(isolated, SelectionNode);
}

bool IsOperandOneOfEquation(const FormulaNode* node)
{
    const FormulaNode* parent = node->parent;
    return parent && parent->kind == KindEquation && parent->childCount == 2 && parent->children[1] == node;
}

}  // namespace

bool IsInvertibleKind(int32_t kind)
{
    if (kind >= KindSin && kind <= KindAsech)
        return true;
    switch (kind) {
    case KindProduct:
    case KindSum:
    case KindMinus:
    case KindLog:
    case KindSqrt:
    case KindParentheses:
    case KindFraction:
    case KindPower:
    case KindLn:
        return true;
    default:
        return false;
    }
}

bool IsolateCurrentNode()
{
    EditorState* state = GetCurrentEditorState();
    if (!state || !state->current || !state->current->parent)
        return false;
    FormulaNode* term = state->current;
    if (term->parent->kind == KindEquation) {
        if (!IsOperandOneOfEquation(term))
            return false;
        SwapSides(term->parent);
        return true;
    }
    FormulaNode* equation = term->parent;
    while (equation && equation->kind != KindEquation)
        equation = equation->parent;
    if (!equation || equation->childCount != 2)
        return false;
    FormulaNode* blocking = nullptr;
    for (FormulaNode* node = term->parent; node != equation; node = node->parent) {
        if (!IsInvertibleKind(node->kind)) {
            blocking = node;
            break;
        }
    }
    if (blocking)
        SetEditorSelection(blocking, SelectionNode);
    else
        IsolateInEquation(state, equation);
    if (IsOperandOneOfEquation(state->current))
        SwapSides(state->current->parent);
    return true;
}

void IsolateSelection()
{
    if (IsolateCurrentNode())
        InvalidateFormulaLayout();
}

FormulaNode* IsolateNode(FormulaNode* node)
{
    EditorState temporary;
    temporary.current = node;
    CurrentEditorStateScope scope(&temporary);
    IsolateCurrentNode();
    return temporary.current;
}
