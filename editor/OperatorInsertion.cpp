#include "editor/OperatorInsertion.h"

#include "CoreUtilities/WideString.h"
#include "editor/Deletion.h"
#include "editor/FormulaScrap.h"
#include "editor/InsertionSteps.h"
#include "editor/Typing.h"
#include "formula/DocumentQueries.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TakesArgumentList.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeWalk.h"

namespace {

EditorState* State()
{
    return GetCurrentEditorState();
}

bool IsSignKind(int32_t kind)
{
    return kind == KindPlusOrMinus || kind == KindMinusOrPlus || kind == KindMinus;
}

// Selects the operand wrapped last (the placeholder just made) and wraps it
// in the kind.
void WrapNewOperand(int32_t kind)
{
    if (FormulaNode* box = LastInsertedPlaceholder()) {
        SetEditorSelection(box, SelectionNode);
        WrapCurrentUnary(kind);
    }
}

// An operand of a product, a sign, a function, the argument of a log, or the
// base of sin²: what the caret after it ends is the enclosing node.
bool InOperandContext(const FormulaNode* node)
{
    const FormulaNode* parent = node->parent;
    if (!parent)
        return false;
    int32_t index = IndexInParent(node);
    if (parent->kind == KindProduct || parent->kind == KindMinus || IsNamedFunctionKind(parent->kind))
        return true;
    if (parent->kind == KindLog && index == 0)
        return true;
    return parent->kind == KindPower && index == 0 && IsNamedFunctionKind(node->kind);
}

FormulaNode* ClimbOperandContext(FormulaNode* node)
{
    while (InOperandContext(node))
        node = node->parent;
    return node;
}

// The variable the multiplication key follows keeps the mark that ends the
// recognition of typed names across it.
void MarkExplicitProduct(FormulaNode* variable)
{
    variable->EnsureLayoutBox();
    if (variable->layoutBox)
        variable->layoutBox->flags |= kExplicitProductMark;
}

// A product f·(x) of a variable (or indexed variable) and parentheses becomes
// the application f(x).
bool MakeApplicationOfProduct(FormulaNode* product)
{
    if (!product || product->kind != KindProduct || product->childCount != 2)
        return false;
    FormulaNode* head = product->children[0];
    FormulaNode* argument = product->children[1];
    bool named = head->kind == KindVariable || head->kind == KindSubscript;
    if (!named || argument->kind != KindParentheses || argument->childCount != 1)
        return false;
    CollapseToFirstChild(argument);
    product->kind = KindApplication;
    return true;
}

void InsertText(int32_t mode)
{
    EditorState* state = State();
    if (mode == CaretBefore)
        PrependOperand(KindProduct);
    else if (state->current->kind != KindPlaceholder)
        AppendOperand(KindProduct);
    MakeTextNode();
}

void InsertMatrix(int32_t mode)
{
    if (mode == CaretAfter)
        AppendOperand(KindProduct);
    else if (mode == CaretBefore)
        PrependOperand(KindProduct);
    MakeOneByOneMatrix();
}

void InsertProduct(int32_t mode)
{
    EditorState* state = State();
    FormulaNode* variable = mode == CaretAfter && state->current->kind == KindVariable ? state->current : nullptr;
    if (mode == CaretAfter) {
        if (CaretBetweenFactors())
            AppendOperand(KindProduct);
        else
            MultiplyAfterCaret();
    } else {
        PrependOperand(KindProduct);
    }
    if (variable) {
        // Wrapped, the variable's record holds the product and the variable
        // its first factor.
        MarkExplicitProduct(variable->kind == KindVariable ? variable : variable->children[0]);
    }
}

void InsertSum(int32_t mode)
{
    if (mode == SelectionNode)
        AppendOperand(KindSum);
    else if (mode == CaretBefore)
        PrependOperand(KindSum);
    else if (CaretBetweenFactors())
        SplitProductAt(KindSum);
    else
        AddAfterCaret();
}

void NegateBeforeCaret(int32_t kind)
{
    EditorState* state = State();
    FormulaNode* current = state->current;
    if (current->parent && current->parent->kind == KindProduct && IndexInParent(current) == 0)
        state->current = current->parent;
    WrapCurrentUnary(kind);
}

void InsertSign(int32_t kind, int32_t mode)
{
    EditorState* state = State();
    if (mode == SelectionNode) {
        if (state->current->kind == KindPlaceholder) {
            WrapCurrentUnary(kind);
        } else {
            AppendOperand(KindSum);
            WrapNewOperand(kind);
        }
    } else if (mode == CaretBefore) {
        NegateBeforeCaret(kind);
    } else if (CaretBetweenFactors()) {
        SplitProductAt(KindSum);
        NegateBeforeCaret(kind);
    } else {
        AddAfterCaret();
        WrapNewOperand(kind);
    }
}

void InsertInfix(int32_t kind, int32_t mode)
{
    if (mode == SelectionNode)
        AppendOperand(kind);
    else if (mode == CaretBefore)
        PrependOperand(kind);
    else if (CaretBetweenFactors())
        SplitProductAt(kind);
    else
        AppendOperand(kind);
}

void InsertPrefix(int32_t kind, int32_t mode)
{
    EditorState* state = State();
    if (mode != CaretAfter) {
        WrapCurrentUnary(kind);
    } else if (CaretBetweenFactors()) {
        FormulaNode* current = state->current;
        state->current = current->parent->children[IndexInParent(current) + 1];
        state->mode = CaretBefore;
        WrapCurrentUnary(kind);
    } else {
        AppendOperand(KindProduct);
        WrapNewOperand(kind);
    }
}

void InsertEnclosing(int32_t kind, int32_t mode)
{
    EditorState* state = State();
    FormulaNode* current = state->current;
    if (mode == SelectionNode) {
        WrapCurrentUnary(kind);
    } else if (mode == CaretBefore) {
        PrependOperand(KindProduct);
        WrapNewOperand(kind);
    } else if (kind == KindParentheses && current->kind == KindVariable &&
               DocHasUserFunction(state->document, current)) {
        // f( after a defined function f applies it.
        WrapCurrentBinary(KindApplication, true);
    } else {
        AppendOperand(KindProduct);
        WrapNewOperand(kind);
    }
}

void InsertPostfix(int32_t kind, int32_t mode)
{
    if (mode == CaretBefore) {
        PrependOperand(KindProduct);
        WrapNewOperand(kind);
    } else {
        WrapCurrentUnary(kind);
    }
}

void InsertTwoPlace(int32_t kind, int32_t mode)
{
    EditorState* state = State();
    bool first = mode != CaretBefore;
    if (mode == SelectionNode && kind == KindInterval && state->current->kind == KindPlaceholder)
        first = false;
    WrapCurrentBinary(kind, first);
}

// The selection is brought to a node or a caret beside one; false when the
// command has nothing to act on.
bool PrepareOperatorSelection(int32_t kind)
{
    EditorState* state = State();
    if (state->mode == SelectionGap && kind == KindPower && IsNamedFunctionKind(state->current->kind))
        state->mode = SelectionNode;
    if (state->mode == SelectionGap)
        RemoveGapOperator();
    else if (state->mode == InNumber)
        SplitNumberAtCaret();
    if (state->mode == SelectionRun)
        GroupSelectedRange();
    return state->mode == SelectionNode || state->mode == CaretAfter || state->mode == CaretBefore;
}

// Where = and the other relations go: up to the top of the statement, but
// not out of a list, a condition or a piece of a piecewise definition.
bool StopsRelationClimb(const FormulaNode* node, int32_t kind)
{
    const FormulaNode* parent = node->parent;
    if (!parent)
        return true;
    auto stops = [](int32_t k) {
        return k == KindComma || k == KindIf || k == KindBranch || (k >= KindRotate && k <= KindNot);
    };
    if (stops(parent->kind))
        return true;
    if (parent->kind == KindParentheses && parent->parent && stops(parent->parent->kind))
        return true;
    if (kind == KindEquation && IndexInParent(node) >= 1 &&
        (parent->kind == KindSubstitution || parent->kind == KindSigma || parent->kind == KindCapitalPi))
        return true;
    return false;
}

bool IsTopOfStatement(const FormulaNode* node)
{
    const FormulaNode* parent = node->parent;
    if (!parent)
        return true;
    if (parent->kind == KindComma && !parent->parent)
        return true;
    return parent->kind == KindApplication && parent->childCount > 0 && parent->children[0]->kind == KindVariable;
}

bool RetypeGapRelation(int32_t kind)
{
    EditorState* state = State();
    FormulaNode* node = state->current;
    if (SyntaxClassOf(node) == SyntaxClass::Infix && node->childCount == 2 && IsTopOfStatement(node)) {
        node->kind = kind;
        return true;
    }
    FormulaNode* sum = node->parent;
    if (node->kind == KindMinus && sum && sum->kind == KindSum && sum->childCount == 2 && IndexInParent(node) == 1 &&
        IsTopOfStatement(sum)) {
        CollapseToFirstChild(node);
        sum->kind = kind;
        SetEditorSelection(sum, SelectionGap);
        state->caret = 0;
        return true;
    }
    return false;
}

bool StopsListClimb(const FormulaNode* node)
{
    const FormulaNode* parent = node->parent;
    if (!parent || parent->kind == KindComma)
        return true;
    if (parent->kind == KindApplication && IndexInParent(node) >= 1) {
        int32_t head = parent->children[0]->kind;
        return head != KindOpTotal && head != KindOpPartial;
    }
    if (parent->kind == KindBranch || parent->kind == KindSet || TakesArgumentList(parent->kind))
        return true;
    return parent->kind == KindParentheses && parent->parent && TakesArgumentList(parent->parent->kind);
}

}  // namespace

void MultiplyAfterCaret()
{
    EditorState* state = State();
    state->current = ClimbOperandContext(state->current);
    AppendOperand(KindProduct);
}

void AddAfterCaret()
{
    EditorState* state = State();
    state->current = ClimbOperandContext(state->current);
    AppendOperand(KindSum);
}

void MakeOneByOneMatrix()
{
    EditorState* state = State();
    FormulaNode* wrapper = state->current;
    FormulaNode** before = wrapper->children;
    WrapCurrentUnary(KindMatrix);
    // A wrap always gives the record a new child array.
    if (wrapper->children != before && wrapper->kind == KindMatrix) {
        wrapper->payload.pair.low = 1;
        wrapper->payload.pair.high = 1;
    }
}

void MakeTextNode()
{
    EditorState* state = State();
    FormulaNode* box = state->current;
    if (!box || box->kind != KindPlaceholder)
        return;
    char16_t* empty = WideDuplicateN(u"", 0);
    if (!empty)
        return;
    box->kind = KindText;
    box->children = reinterpret_cast<FormulaNode**>(empty);
    box->childCount = 0;
    state->mode = InText;
    state->caret = state->anchor = 0;
}

void InsertOperatorNode(int32_t kind)
{
    EditorState* state = State();
    if (!state || !state->current)
        return;
    if (state->mode == SelectionCells) {
        ApplyScrapToCellBlock(kind);
        return;
    }
    if (!PrepareOperatorSelection(kind))
        return;
    int32_t mode = state->mode;
    if (kind == KindText) {
        InsertText(mode);
        return;
    }
    if (kind == KindMatrix) {
        InsertMatrix(mode);
        return;
    }
    if (kind == KindProduct) {
        InsertProduct(mode);
        return;
    }
    if (kind == KindSum) {
        InsertSum(mode);
        return;
    }
    if (IsSignKind(kind)) {
        InsertSign(kind, mode);
        return;
    }
    if (kind == KindDot || kind == KindCross) {
        WrapDotOrCross(kind, mode != CaretBefore);
        return;
    }
    const NodeKindEntry* entry = NodeKindEntryOf(kind);
    if (!entry || kind < KindMatrix)
        return;
    switch (entry->syntaxClass) {
    case SyntaxClass::Infix: InsertInfix(kind, mode); break;
    case SyntaxClass::Prefix: InsertPrefix(kind, mode); break;
    case SyntaxClass::Enclosing: InsertEnclosing(kind, mode); break;
    case SyntaxClass::Postfix: InsertPostfix(kind, mode); break;
    case SyntaxClass::TwoPlace: InsertTwoPlace(kind, mode); break;
    default: break;
    }
}

void InsertRelation(int32_t kind)
{
    EditorState* state = State();
    if (!state || !state->current)
        return;
    if (state->mode == SelectionGap && RetypeGapRelation(kind))
        return;
    if (state->mode == InNumber)
        SplitNumberAtCaret();
    if (state->mode == SelectionRun)
        GroupSelectedRange();
    int32_t mode = state->mode;
    if (mode != SelectionNode && mode != SelectionGap && mode != CaretAfter && mode != CaretBefore)
        return;
    if (mode == CaretAfter) {
        FormulaNode* saved = state->current;
        if (CaretBetweenFactors() && !state->current->parent->parent) {
            SplitProductAt(kind);
            return;
        }
        state->current = saved;
    }
    FormulaNode* node = state->current;
    while (!StopsRelationClimb(node, kind))
        node = node->parent;
    if (!node->parent && kind == KindEquation)
        MakeApplicationOfProduct(node);
    state->current = node;
    state->mode = SelectionNode;
    AppendOperand(kind);
}

void InsertListSeparator()
{
    EditorState* state = State();
    if (!state || !state->current)
        return;
    if (state->mode == SelectionRun)
        GroupSelectedRange();
    if (state->mode == InNumber)
        SplitNumberAtCaret();
    int32_t mode = state->mode;
    if (mode != SelectionNode && mode != SelectionGap && mode != CaretAfter && mode != CaretBefore)
        return;
    FormulaNode* node = state->current;
    FormulaNode* parent = node->parent;
    if (parent && parent->kind == KindParentheses && parent->parent && !parent->parent->parent &&
        IndexInParent(parent) == 1 && MakeApplicationOfProduct(parent->parent)) {
        // The parentheses' record now holds their content.
        node = parent;
    }
    while (!StopsListClimb(node))
        node = node->parent;
    state->current = node;
    state->mode = SelectionNode;
    AppendOperand(KindComma);
}

void InsertMinusSign()
{
    EditorState* state = State();
    if (!state || !state->current)
        return;
    if (state->mode == SelectionRun)
        GroupSelectedRange();
    int32_t mode = state->mode;
    if (mode == CaretAfter && CaretBetweenFactors()) {
        FormulaNode* current = state->current;
        FormulaNode* next = current->parent->children[IndexInParent(current) + 1];
        state->current = next;
        WrapCurrentUnary(KindMinus);
        SetEditorSelection(next->childCount ? next->children[0] : next, CaretBefore);
        return;
    }
    if (mode == SelectionNode || mode == CaretAfter || mode == CaretBefore)
        WrapCurrentUnary(KindMinus);
}
