#include "formula/TermMoves.h"

#include "CoreUtilities/MemoryBudget.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/Simplifier.h"
#include "formula/TreeEquality.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeSplice.h"
#include "formula/TreeWalk.h"

#include <utility>

int TermMoveDirection = 1;

namespace {

bool IsOperandListKind(int32_t kind)
{
    return kind == KindProduct || kind == KindSum || kind == KindEquation || kind == KindComma;
}

bool IsBoundOperatorKind(int32_t kind)
{
    return kind == KindSigma || kind == KindCapitalPi || kind == KindIntegral;
}

bool CanAbsorbFactor(int32_t kind)
{
    switch (kind) {
    case KindSigma:
    case KindCapitalPi:
    case KindIntegral:
    case KindSum:
    case KindEquation:
    case KindSqrt:
    case KindPower:
    case KindParentheses:
    case KindFraction:
        return true;
    default:
        return false;
    }
}

bool IsNumber(const FormulaNode* node, double value)
{
    return node->kind == KindNumber && node->payload.number->value == value;
}

// Once memory ran out the moved node may have gone with the refusal; the
// command frame then puts the formula and the selection back.
void Select(FormulaNode* node)
{
    if (node && !AbortFlag)
        SetEditorSelection(node, SelectionNode);
}

// Whether the term depends on the operator's bound variable: the integration
// variable, or the index of a summation or product.
bool DependsOnBoundVariable(const FormulaNode* term, const FormulaNode* boundOperator)
{
    if (boundOperator->childCount < 2)
        return true;
    const FormulaNode* bound = boundOperator->children[1];
    if (bound->kind == KindEquation && bound->childCount > 0)
        bound = bound->children[0];
    for (PreorderWalk walk(const_cast<FormulaNode*>(term)); walk.Node(); walk.Next()) {
        if (TreesEqual(walk.Node(), bound))
            return true;
    }
    return false;
}

void InsertOperandAt(FormulaNode* node, uint32_t at, FormulaNode* operand)
{
    if (!operand || !ResizeChildArray(node, node->childCount + 1u)) {
        FreeTree(operand);
        return;
    }
    for (uint32_t i = node->childCount - 1u; i > at; --i)
        node->children[i] = node->children[i - 1];
    node->children[at] = operand;
    operand->parent = node;
}

// Takes the factor out of its product. A product of two becomes the other
// factor; the neighbour pointer, when given, follows it there. Null, with
// the factor left in place, when memory ran out.
FormulaNode* RemoveFactor(FormulaNode* factor, FormulaNode** neighbour = nullptr)
{
    FormulaNode* product = factor->parent;
    bool collapses = product->childCount == 2;
    FormulaNode* removed = DetachOperand(product, static_cast<uint32_t>(IndexInParent(factor)));
    if (removed && collapses && neighbour)
        *neighbour = product;
    return removed;
}

// A slot whose content leaves is given the number 1, so that the node keeps
// its shape. Null, with the child left in place, when memory ran out.
FormulaNode* TakeOutLeavingOne(FormulaNode* child)
{
    FormulaNode* parent = child->parent;
    uint32_t at = static_cast<uint32_t>(IndexInParent(child));
    FormulaNode* one = MakeNumberNode(1);
    if (!one)
        return nullptr;
    parent->children[at] = one;
    one->parent = parent;
    child->parent = nullptr;
    return child;
}

// The sum or equation takes the factor into each of its operands: copies,
// simplified, into all but the operand nearest the factor, which takes the
// factor itself. Answers the node that holds the factor.
FormulaNode* MultiplyIntoOperands(FormulaNode* list, FormulaNode* factor)
{
    int32_t count = list->childCount;
    int32_t nearest = TermMoveDirection > 0 ? 0 : count - 1;
    for (int32_t k = 0; k < count; ++k) {
        int32_t i = TermMoveDirection > 0 ? count - 1 - k : k;
        if (i == nearest)
            continue;
        FormulaNode* operand = list->children[i];
        InsertFactorInto(operand, CopyTree(factor));
        if (AbortFlag) {
            FreeTree(factor);
            return nullptr;
        }
        SimplifyAndCleanUp(list->children[i]);
    }
    return InsertFactorInto(list->children[nearest], factor);
}

void SwapOperands(FormulaNode* node, uint32_t a, uint32_t b)
{
    std::swap(node->children[a], node->children[b]);
}

void MoveIntoNeighbour(FormulaNode* term, FormulaNode* neighbour)
{
    switch (neighbour->kind) {
    case KindSigma:
    case KindCapitalPi:
    case KindIntegral:
        if (DependsOnBoundVariable(term, neighbour) || !RemoveFactor(term, &neighbour))
            return;
        Select(InsertFactorInto(neighbour->children[0], term));
        return;
    case KindSum:
    case KindEquation:
        if (RemoveFactor(term, &neighbour))
            Select(MultiplyIntoOperands(neighbour, term));
        return;
    case KindSqrt: {
        if (!RemoveFactor(term, &neighbour))
            return;
        FormulaNode* square = MakeSquare(term);
        if (!square)
            return;
        SimplifyTree(square);
        Select(InsertFactorInto(neighbour->children[0], square));
        return;
    }
    case KindParentheses: {
        FormulaNode* product = term->parent;
        bool collapses = product->childCount == 2;
        if (!RemoveFactor(term, &neighbour))
            return;
        FormulaNode* content = neighbour->children[0];
        FormulaNode* holder = content->kind == KindSum || content->kind == KindEquation
            ? MultiplyIntoOperands(content, term)
            : InsertFactorInto(content, term);
        // Parentheses that stood in a product of two are no longer needed.
        if (!AbortFlag && collapses && neighbour->kind == KindParentheses) {
            bool holderIsContent = holder == neighbour->children[0];
            CollapseToFirstChild(neighbour);
            if (holderIsContent)
                holder = neighbour;
        }
        Select(holder);
        return;
    }
    case KindFraction: {
        if (!RemoveFactor(term, &neighbour))
            return;
        if (term->kind == KindFraction && term->childCount == 2 && IsNumber(term->children[0], 1)) {
            FormulaNode* denominator = DetachOperand(term, 1);
            // term has become its numerator, the 1 (or stayed whole when memory ran out).
            FreeTree(term);
            Select(InsertFactorInto(neighbour->children[1], denominator));
        } else {
            Select(InsertFactorInto(neighbour->children[0], term));
        }
        return;
    }
    case KindPower: {
        if (TreesEqual(term, neighbour->children[0])) {
            if (!RemoveFactor(term, &neighbour))
                return;
            FreeTree(term);
            FormulaNode* exponent = neighbour->children[1];
            AddToNode(exponent, MakeNumberNode(1));
            SimplifyTree(exponent);
            Select(neighbour->children[0]);
            return;
        }
        if (!RemoveFactor(term, &neighbour))
            return;
        FormulaNode* root = MakePower(term, MakeReciprocal(CopyTree(neighbour->children[1])));
        if (!root)
            return;
        SimplifyTree(root);
        Select(InsertFactorInto(neighbour->children[0], root));
        return;
    }
    default:
        return;
    }
}

void MoveWithinOperator(int type, FormulaNode* term)
{
    FormulaNode* list = term->parent;
    uint32_t i = static_cast<uint32_t>(IndexInParent(term));
    int direction = TermMoveDirection;
    if (type == 1) {
        if (direction < 0) {
            for (uint32_t k = i; k > 0; --k)
                SwapOperands(list, k, k - 1);
        } else {
            for (uint32_t k = i; k + 1 < list->childCount; ++k)
                SwapOperands(list, k, k + 1);
        }
        Select(term);
        return;
    }
    FormulaNode* neighbour = list->children[i + direction];
    if (type == 2 && list->kind == KindProduct && CanAbsorbFactor(neighbour->kind)) {
        MoveIntoNeighbour(term, neighbour);
        return;
    }
    SwapOperands(list, i, i + direction);
    Select(term);
}

// The term changes sign on every other side of its equation.
void MoveTermAcrossEquals(FormulaNode* term)
{
    FormulaNode* sum = term->parent;
    FormulaNode* equation = sum->parent;
    int direction = TermMoveDirection;
    uint32_t j = static_cast<uint32_t>(IndexInParent(sum));
    uint32_t target = j + direction;
    if (!DetachOperand(sum, static_cast<uint32_t>(IndexInParent(term))))
        return;
    if (sum->kind == KindParentheses)
        CollapseToFirstChild(sum);
    auto receive = [direction](FormulaNode* side, FormulaNode* negated) {
        if (direction < 0)
            AppendOperand(side, negated, KindSum);
        else
            PrependOperand(side, negated, KindSum);
    };
    for (uint32_t k = 0; k < equation->childCount; ++k) {
        if (k == j || k == target)
            continue;
        receive(equation->children[k], MakeNegation(CopyTree(term)));
        SimplifyTree(equation->children[k]);
    }
    bool wasNegated = term->kind == KindMinus;
    FormulaNode* negated = MakeNegation(term);
    receive(equation->children[target], negated);
    if (AbortFlag)
        return;
    if (wasNegated) {
        CollapseToFirstChild(negated);
        CollapseToFirstChild(negated);
    }
    Select(negated);
}

// The factor divides every other side of its equation.
void MoveFactorAcrossEquals(FormulaNode* factor)
{
    FormulaNode* product = factor->parent;
    FormulaNode* equation = product->parent;
    int direction = TermMoveDirection;
    uint32_t j = static_cast<uint32_t>(IndexInParent(product));
    uint32_t target = j + direction;
    if (!RemoveFactor(factor))
        return;
    if (product->kind == KindParentheses)
        CollapseToFirstChild(product);
    FormulaNode* reciprocal = MakeReciprocal(factor);
    if (!reciprocal)
        return;
    NormalizeNode(reciprocal);
    TermMoveDirection = -direction;
    for (uint32_t k = 0; k < equation->childCount; ++k) {
        if (k == j || k == target)
            continue;
        InsertFactorBeside(equation->children[k], CopyTree(reciprocal));
        SimplifyTree(equation->children[k]);
    }
    Select(InsertFactorBeside(equation->children[target], reciprocal));
    TermMoveDirection = direction;
}

void FactorOutOfSum(FormulaNode* term, FormulaNode* sum)
{
    FormulaNode* factor = CopyTree(term);
    for (uint32_t i = 0; i < sum->childCount; ++i) {
        FormulaNode* t = sum->children[i];
        DivideInPlace(t, CopyTree(factor));
        SimplifyTree(t);
        CleanUpSigns(t);
    }
    Select(InsertFactorBeside(sum, factor));
}

// The factor leaves its product for the place beside the product's parent.
void MoveFactorOut(FormulaNode* term, FormulaNode* product)
{
    FormulaNode* parent = product->parent;
    bool bound = IsBoundOperatorKind(parent->kind) && parent->children[0] == product;
    if (bound) {
        if (DependsOnBoundVariable(term, parent) || !RemoveFactor(term))
            return;
        Select(InsertFactorBeside(parent, term));
        return;
    }
    switch (parent->kind) {
    case KindSqrt:
        if (parent->childCount != 1 || !RemoveFactor(term))
            return;
        Select(InsertFactorBeside(parent, MakeSqrt(term)));
        return;
    case KindFraction: {
        bool denominator = parent->children[1] == product;
        if (!RemoveFactor(term))
            return;
        Select(InsertFactorBeside(parent, denominator ? MakeReciprocal(term) : term));
        return;
    }
    case KindParentheses: {
        FormulaNode* power = parent->parent;
        if (power && power->kind == KindPower && power->children[0] == parent) {
            if (!RemoveFactor(term))
                return;
            CollapseToFirstChild(parent);
            FormulaNode* exponent = CopyTree(power->children[1]);
            if (exponent)
                SimplifyTree(exponent);
            Select(InsertFactorBeside(power, MakePower(term, exponent)));
            return;
        }
        if (RemoveFactor(term))
            Select(InsertFactorBeside(parent, term));
        return;
    }
    case KindMinus:
        if (RemoveFactor(term))
            Select(InsertFactorBeside(parent, term));
        return;
    default:
        return;
    }
}

bool IsAtEnd(const FormulaNode* node, int direction)
{
    int32_t i = IndexInParent(node);
    return direction > 0 ? i == node->parent->childCount - 1 : i == 0;
}

FormulaNode* CurrentNode()
{
    EditorState* state = GetCurrentEditorState();
    return state ? state->current : nullptr;
}

}  // namespace

FormulaNode* InsertFactorBeside(FormulaNode* node, FormulaNode* factor)
{
    if (!factor)
        return nullptr;
    FormulaNode* parent = node->parent;
    if (parent && parent->kind == KindParentheses && parent->parent && parent->parent->kind == KindProduct) {
        FormulaNode* product = parent->parent;
        uint32_t at = static_cast<uint32_t>(IndexInParent(parent));
        CollapseToFirstChild(parent);
        InsertOperandAt(product, TermMoveDirection > 0 ? at + 1 : at, factor);
        return factor;
    }
    if (parent && parent->kind == KindProduct) {
        uint32_t at = static_cast<uint32_t>(IndexInParent(node));
        InsertOperandAt(parent, TermMoveDirection > 0 ? at + 1 : at, factor);
        return factor;
    }
    if (TermMoveDirection > 0)
        AppendFactor(node, factor);
    else
        PrependFactor(node, factor);
    return factor;
}

FormulaNode* InsertFactorInto(FormulaNode* node, FormulaNode* factor)
{
    if (!factor)
        return nullptr;
    if (node->kind == KindParentheses)
        CollapseToFirstChild(node);
    if (node->kind == KindMinus && node->childCount == 1)
        node = node->children[0];
    FormulaNode* parent = node->parent;
    if (parent && parent->kind == KindProduct) {
        uint32_t at = static_cast<uint32_t>(IndexInParent(node));
        InsertOperandAt(parent, TermMoveDirection > 0 ? at : at + 1, factor);
        return factor;
    }
    if (IsNumber(node, 1)) {
        TransplantNode(factor, node);
        return node;
    }
    if (TermMoveDirection > 0)
        PrependFactor(node, factor);
    else
        AppendFactor(node, factor);
    return factor;
}

void MoveSelectedTerm(int type)
{
    FormulaNode* term = CurrentNode();
    if (!term || !term->parent)
        return;
    FormulaNode* parent = term->parent;
    int direction = TermMoveDirection;
    int32_t i = IndexInParent(term);
    if (IsOperandListKind(parent->kind) && !IsAtEnd(term, direction)) {
        MoveWithinOperator(type, term);
        return;
    }
    switch (parent->kind) {
    case KindMinus:
    case KindParentheses:
        Select(GetCurrentEditorState()->mode == SelectionNode ? parent : term);
        return;
    case KindSigma:
    case KindCapitalPi:
    case KindIntegral:
        if (i != 0 || DependsOnBoundVariable(term, parent) || !TakeOutLeavingOne(term))
            return;
        Select(InsertFactorBeside(parent, term));
        return;
    case KindFraction:
        if (!TakeOutLeavingOne(term))
            return;
        if (i == 0) {
            Select(InsertFactorBeside(parent, term));
        } else {
            CollapseToFirstChild(parent);
            Select(InsertFactorBeside(parent, MakeReciprocal(term)));
        }
        return;
    case KindPower: {
        if (i != 0)
            return;
        FormulaNode* exponent = parent->children[1];
        AddToNode(exponent, MakeNumberNode(-1));
        SimplifyTree(exponent);
        CleanUpSigns(exponent);
        Select(InsertFactorBeside(parent, CopyTree(term)));
        return;
    }
    case KindSum: {
        FormulaNode* equation = parent->parent;
        if (equation && equation->kind == KindEquation && !IsAtEnd(parent, direction))
            MoveTermAcrossEquals(term);
        else
            FactorOutOfSum(term, parent);
        return;
    }
    case KindProduct: {
        FormulaNode* outer = parent->parent;
        if (!outer)
            return;
        if (outer->kind == KindEquation) {
            if (!IsAtEnd(parent, direction))
                MoveFactorAcrossEquals(term);
            return;
        }
        if (outer->kind == KindSum) {
            FactorOutOfSum(term, outer);
            return;
        }
        if (outer->kind == KindMinus && outer->parent && outer->parent->kind == KindSum) {
            FactorOutOfSum(term, outer->parent);
            return;
        }
        MoveFactorOut(term, parent);
        return;
    }
    default:
        return;
    }
}

void MoveTermCommand(int type, int direction)
{
    TermMoveDirection = direction;
    MoveSelectedTerm(type);
    if (AbortFlag)
        return;
    FormulaNode* current = CurrentNode();
    if (current && current->kind == KindParentheses)
        CollapseToFirstChild(current);
    InvalidateFormulaLayout();
}

void MoveFactorDown()
{
    FormulaNode* term = CurrentNode();
    if (!term || !term->parent)
        return;
    TermMoveDirection = -1;
    FormulaNode* parent = term->parent;
    FormulaNode* moved = nullptr;
    if (parent->kind == KindFraction && parent->children[0] == term) {
        if (!TakeOutLeavingOne(term))
            return;
        moved = MakePower(term, MakeNumberNode(-1));
        if (!moved)
            return;
        SimplifyAndCleanUp(moved);
        InsertFactorBeside(parent->children[1], moved);
    } else if (parent->kind == KindProduct && parent->parent && parent->parent->kind == KindFraction &&
        parent->parent->children[0] == parent) {
        FormulaNode* fraction = parent->parent;
        if (!RemoveFactor(term))
            return;
        moved = MakePower(term, MakeNumberNode(-1));
        if (!moved)
            return;
        SimplifyAndCleanUp(moved);
        InsertFactorBeside(fraction->children[1], moved);
    }
    Select(moved);
    InvalidateFormulaLayout();
}

void MoveFactorUp()
{
    FormulaNode* term = CurrentNode();
    if (!term || !term->parent)
        return;
    TermMoveDirection = 1;
    FormulaNode* parent = term->parent;
    FormulaNode* moved = nullptr;
    if (parent->kind == KindFraction && parent->children[1] == term) {
        if (!TakeOutLeavingOne(term))
            return;
        CollapseToFirstChild(parent);
        moved = MakePower(term, MakeNumberNode(-1));
        if (!moved)
            return;
        SimplifyTree(moved);
        InsertFactorBeside(parent, moved);
    } else if (parent->kind == KindProduct && parent->parent && parent->parent->kind == KindFraction &&
        parent->parent->children[1] == parent) {
        FormulaNode* fraction = parent->parent;
        if (!RemoveFactor(term))
            return;
        moved = MakePower(term, MakeNumberNode(-1));
        if (!moved)
            return;
        SimplifyTree(moved);
        InsertFactorBeside(fraction->children[0], moved);
    }
    Select(moved);
    InvalidateFormulaLayout();
}

void SwapWithNeighbour(int direction)
{
    FormulaNode* term = CurrentNode();
    if (term && term->parent && !IsAtEnd(term, direction)) {
        uint32_t i = static_cast<uint32_t>(IndexInParent(term));
        SwapOperands(term->parent, i, i + direction);
    }
    InvalidateFormulaLayout();
}

bool CanMoveSelectedTerm()
{
    FormulaNode* term = CurrentNode();
    if (!term || !term->parent)
        return false;
    const FormulaNode* parent = term->parent;
    switch (parent->kind) {
    case KindProduct:
    case KindSum:
    case KindEquation:
    case KindComma:
    case KindMinus:
    case KindParentheses:
    case KindFraction:
        return true;
    case KindPower:
    case KindSigma:
    case KindCapitalPi:
    case KindIntegral:
        return parent->children[0] == term;
    default:
        return false;
    }
}
