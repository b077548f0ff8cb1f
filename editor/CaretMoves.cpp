#include "editor/CaretMoves.h"

#include "editor/CaretGeometry.h"
#include "editor/EditedText.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TakesArgumentList.h"
#include "formula/TreeWalk.h"

#include <algorithm>

namespace {

SelectionDragFunction dragFunction = nullptr;

bool IsFirstChild(const FormulaNode* node)
{
    return IndexInParent(node) == 0;
}

bool IsLastChild(const FormulaNode* node)
{
    return node->parent && IndexInParent(node) == node->parent->childCount - 1;
}

bool IsClass(const FormulaNode* node, SyntaxClass cls)
{
    return SyntaxClassOf(node) == cls;
}

// Prefix functions as the caret rules see them: sqrt is not one.
bool IsPrefixFunction(const FormulaNode* node)
{
    return IsClass(node, SyntaxClass::Prefix) && node->kind != KindSqrt;
}

bool IsScriptOrFraction(const FormulaNode* node)
{
    return node->kind == KindSubscript || node->kind == KindFraction || node->kind == KindPower;
}

FormulaNode* Root(EditorState* state)
{
    return state->root ? state->root : FormulaRoot(state->current);
}

FormulaNode* Child(FormulaNode* node, int32_t i)
{
    return i >= 0 && i < node->childCount ? node->children[i] : nullptr;
}

void Select(FormulaNode* node, int32_t mode)
{
    if (node)
        SetEditorSelection(node, mode);
}

void PlaceInside(EditorState* state, int32_t mode, int32_t position)
{
    state->mode = mode;
    state->caret = state->anchor = position;
}

// A prefix function or a bracket puts the caret before its first child; any
// other node puts it after itself.
void EnterNodeFromLeft(FormulaNode* node)
{
    if (node->childCount > 0 && (IsClass(node, SyntaxClass::Prefix) || IsClass(node, SyntaxClass::Enclosing)))
        Select(node->children[0], CaretBefore);
    else
        Select(node, CaretAfter);
}

void EnterNodeFromRight(FormulaNode* node)
{
    if (node->childCount > 0 && (IsClass(node, SyntaxClass::Postfix) || IsClass(node, SyntaxClass::Enclosing)))
        Select(node->children[0], CaretAfter);
    else if (node->childCount > 0 && IsClass(node, SyntaxClass::Prefix))
        Select(node->children[0], CaretBefore);
    else
        Select(node, CaretBefore);
}

FormulaNode* NextPlaceholder(FormulaNode* root, FormulaNode* from, bool includeFrom)
{
    for (FormulaNode* n = NextInPreorder(from); n; n = NextInPreorder(n)) {
        if (n->kind == KindPlaceholder)
            return n;
    }
    for (FormulaNode* n = root; n; n = NextInPreorder(n)) {
        if (n == from && !includeFrom)
            return nullptr;
        if (n->kind == KindPlaceholder)
            return n;
    }
    return nullptr;
}

void AdvanceFromCaretAfter(EditorState* state)
{
    FormulaNode* current = state->current;
    for (FormulaNode* n = current; IsLastChild(n); n = n->parent) {
        FormulaNode* p = n->parent;
        if (IsScriptOrFraction(p))
            break;
        bool isCell = p->parent && p->parent->kind == KindMatrix;
        if (isCell || IsClass(p, SyntaxClass::TwoPlace) || IsClass(p, SyntaxClass::Postfix) ||
            IsClass(p, SyntaxClass::Enclosing) || p->kind == KindSqrt) {
            SelectNodeKeepMode(p);
            return;
        }
    }
    FormulaNode* from = current;
    FormulaNode* up = current->parent;
    while (up && IsPrefixFunction(up)) {
        from = up;
        up = up->parent;
    }
    if (up && IsScriptOrFraction(up) && IndexInParent(from) == 1) {
        SelectNodeKeepMode(up);
        return;
    }
    if (FormulaNode* r = NextAfterSubtree(current)) {
        FormulaNode* parent = r->parent;
        bool factor = parent && parent->kind == KindProduct &&
                      (r->kind != KindNumber || IsFirstChild(r) || parent->children[IndexInParent(r) - 1]->kind != KindNumber);
        bool negativeTerm = r->kind == KindMinus && !(parent && parent->kind == KindSum && IsFirstChild(r));
        if (factor || negativeTerm) {
            state->current = r;
            state->mode = CaretBefore;
            EnterNodeFromLeft(r);
        } else {
            Select(r, CaretBefore);
        }
        return;
    }
    for (FormulaNode* a = current->parent; a; a = a->parent) {
        if (!IsPrefixFunction(a) && !IsClass(a, SyntaxClass::Infix)) {
            SelectNodeKeepMode(a);
            return;
        }
    }
}

void RetreatFromCaretBefore(EditorState* state)
{
    FormulaNode* current = state->current;
    for (FormulaNode* n = current; n->parent && IsFirstChild(n); n = n->parent) {
        FormulaNode* p = n->parent;
        if (IsClass(p, SyntaxClass::Prefix) || IsClass(p, SyntaxClass::Enclosing)) {
            SelectNodeKeepMode(p);
            return;
        }
    }
    if (FormulaNode* previous = PreviousBeforeSubtree(current)) {
        Select(previous, CaretAfter);
        return;
    }
    for (FormulaNode* a = current->parent; a; a = a->parent) {
        if (!IsClass(a, SyntaxClass::Postfix) && !IsClass(a, SyntaxClass::Infix)) {
            SelectNodeKeepMode(a);
            return;
        }
    }
}

void MoveDown(EditorState* state)
{
    FormulaNode* current = state->current;
    if (current->childCount > 0) {
        if (state->mode == SelectionRun || state->mode == SelectionCells)
            Select(Child(current, state->caret), SelectionNode);
        else if (state->mode != SelectionGap)
            SelectNodeKeepMode(current->children[0]);
        return;
    }
    if (state->mode == SelectionNode) {
        Select(current, CaretAfter);
    } else if (state->mode == CaretAfter) {
        for (FormulaNode* a = current->parent; a; a = a->parent) {
            if (!IsClass(a, SyntaxClass::Prefix) && !IsClass(a, SyntaxClass::Infix)) {
                Select(a, CaretAfter);
                return;
            }
        }
    }
}

// From the caret after the node to the nearest parentheses or application
// around it; parentheses that hold an argument list stand for their function.
void CloseParenthesis(EditorState* state)
{
    for (FormulaNode* a = state->current->parent; a; a = a->parent) {
        if (a->kind != KindParentheses && a->kind != KindApplication)
            continue;
        if (a->kind == KindParentheses && a->parent && TakesArgumentList(a->parent->kind))
            a = a->parent;
        state->current = a;
        state->mode = CaretAfter;
        return;
    }
}

void MoveInsideRight(EditorState* state, const EditedText& text, bool stopsAtEndInside)
{
    int32_t p = std::max(state->caret, state->anchor);
    if (state->caret != state->anchor) {
        PlaceInside(state, state->mode, p);
        return;
    }
    if (p >= text.Length()) {
        Select(state->current, CaretAfter);
        return;
    }
    p = text.StepRight(p);
    if (p >= text.Length() && !stopsAtEndInside)
        Select(state->current, CaretAfter);
    else
        PlaceInside(state, state->mode, p);
}

void MoveInsideLeft(EditorState* state, const EditedText& text, bool leavesAtZero)
{
    int32_t p = std::min(state->caret, state->anchor);
    if (p <= 0) {
        Select(state->current, CaretBefore);
        return;
    }
    if (state->caret != state->anchor) {
        PlaceInside(state, state->mode, p);
        return;
    }
    p = text.StepLeft(p);
    if (p <= 0 && leavesAtZero)
        Select(state->current, CaretBefore);
    else
        PlaceInside(state, state->mode, p);
}

}  // namespace

void SetSelectionDragFunction(SelectionDragFunction function)
{
    dragFunction = function;
}

void MoveCaretRight()
{
    EditorState* state = GetCurrentEditorState();
    FormulaNode* current = state->current;
    switch (state->mode) {
    case SelectionNode:
        if (current->kind == KindPlaceholder) {
            FormulaNode* next = NextAfterSubtree(current);
            Select(FirstInPostorder(next ? next : Root(state)), SelectionNode);
        } else {
            Select(current, CaretAfter);
        }
        break;
    case SelectionRun:
        Select(Child(current, state->anchor), CaretAfter);
        break;
    case SelectionGap:
        if (IsClass(current, SyntaxClass::Infix) && Child(current, state->caret + 1))
            Select(current->children[state->caret + 1], CaretBefore);
        else if (IsClass(current, SyntaxClass::Prefix) && current->childCount > 0)
            Select(current->children[0], CaretBefore);
        break;
    case CaretAfter:
        AdvanceFromCaretAfter(state);
        break;
    case CaretBefore: {
        EditedText text(current);
        if (current->kind == KindNumber && text.Length() > 1) {
            PlaceInside(state, InNumber, 1);
        } else if (current->kind == KindText) {
            PlaceInside(state, InText, 0);
        } else if (text.IsName() && text.Length() > 1) {
            int32_t p = text.StepRight(0);
            if (p >= text.Length() && !text.IsCommandName())
                Select(current, CaretAfter);
            else
                PlaceInside(state, InIdentifier, p);
        } else {
            EnterNodeFromLeft(current);
        }
        break;
    }
    case SelectionCells:
        Select(Child(current, std::max(state->caret, state->anchor)), SelectionNode);
        break;
    case InText:
        MoveInsideRight(state, EditedText(current), true);
        break;
    case InNumber: {
        EditedText text(current);
        int32_t p = std::max(state->caret, state->anchor) + 1;
        if (p >= text.Length())
            Select(current, CaretAfter);
        else
            PlaceInside(state, InNumber, p);
        break;
    }
    case InIdentifier: {
        EditedText text(current);
        int32_t p = std::max(state->caret, state->anchor);
        // A command name keeps the caret at its end until the closing
        // backslash.
        if (p < text.Length())
            MoveInsideRight(state, text, text.IsCommandName());
        else if (text.IsCommandName())
            PlaceInside(state, InIdentifier, text.Length());
        else
            Select(current, CaretAfter);
        break;
    }
    default:
        break;
    }
}

void MoveCaretLeft()
{
    EditorState* state = GetCurrentEditorState();
    FormulaNode* current = state->current;
    switch (state->mode) {
    case SelectionNode:
        if (current->kind == KindPlaceholder) {
            FormulaNode* previous = PreviousBeforeSubtree(current);
            Select(LastInPreorder(previous ? previous : Root(state)), SelectionNode);
        } else {
            Select(current, CaretBefore);
        }
        break;
    case SelectionRun:
        Select(Child(current, state->caret), CaretBefore);
        break;
    case SelectionGap:
        if (IsClass(current, SyntaxClass::Infix))
            Select(Child(current, state->caret), CaretAfter);
        else if (IsClass(current, SyntaxClass::Prefix))
            Select(current, CaretBefore);
        break;
    case CaretAfter: {
        EditedText text(current);
        if (current->kind == KindNumber && text.Length() > 1)
            PlaceInside(state, InNumber, text.Length() - 1);
        else if (current->kind == KindText)
            PlaceInside(state, InText, text.Length());
        else if (text.IsName())
            PlaceInside(state, InIdentifier, text.StepLeft(text.Length()));
        else
            EnterNodeFromRight(current);
        break;
    }
    case CaretBefore:
        RetreatFromCaretBefore(state);
        break;
    case SelectionCells:
        Select(Child(current, std::min(state->caret, state->anchor)), SelectionNode);
        break;
    case InText:
        MoveInsideLeft(state, EditedText(current), false);
        break;
    case InNumber: {
        int32_t p = std::min(state->caret, state->anchor) - 1;
        if (p <= 0)
            Select(current, CaretBefore);
        else
            PlaceInside(state, InNumber, p);
        break;
    }
    case InIdentifier:
        MoveInsideLeft(state, EditedText(current), true);
        break;
    default:
        break;
    }
}

void ExtendSelection(int32_t direction)
{
    EditorState* state = GetCurrentEditorState();
    if (state->mode == InText || state->mode == InIdentifier) {
        EditedText text(state->current);
        int32_t lo = std::clamp(std::min(state->caret, state->anchor), 0, text.Length());
        int32_t hi = std::clamp(std::max(state->caret, state->anchor), 0, text.Length());
        int32_t step = direction < 0 ? text.StepLeft(lo) : text.StepRight(hi);
        state->caret = std::min(lo, step);
        state->anchor = std::max(hi, step);
        return;
    }
    if (!dragFunction)
        return;
    FormulaNode* node = state->current;
    int32_t mode = state->mode;
    int32_t caret = state->caret;
    int32_t anchor = state->anchor;
    int moves = mode == SelectionNode || mode == SelectionRun || mode == SelectionGap ? 2 : 1;
    for (int i = 0; i < moves; ++i)
        direction < 0 ? MoveCaretLeft() : MoveCaretRight();
    float x = 0, bottom = 0, top = 0;
    bool hasPoint = GetCaretPoint(&x, &bottom, &top);
    state->current = node;
    state->mode = mode;
    state->caret = caret;
    state->anchor = anchor;
    if (hasPoint)
        dragFunction(direction < 0 ? x + 3 : x, (top + bottom) / 2);
}

void MoveCaret(int32_t code)
{
    EditorState* state = GetCurrentEditorState();
    if (!state || !state->current)
        return;
    FormulaNode* current = state->current;
    FormulaNode* root = Root(state);
    switch (code) {
    case 5632: {
        FormulaNode* target = NextPlaceholder(root, current, false);
        if (!target) {
            FormulaNode* next = NextAfterSubtree(current);
            target = FirstInPostorder(next ? next : root);
        }
        Select(target, SelectionNode);
        break;
    }
    case 5633:
    case 5642:
        Select(state->mode == SelectionNode && current->parent ? current->parent : current, SelectionNode);
        break;
    case 5634:
    case 5643:
        MoveDown(state);
        break;
    case 5635:
    case 5640:
        MoveCaretRight();
        break;
    case 5636:
    case 5639:
        MoveCaretLeft();
        break;
    case 5637:
        if (state->mode == CaretAfter && current->kind == KindText)
            Select(current, SelectionNode);
        break;
    case 5638:
        if (current->childCount > 0) {
            if (state->mode == SelectionRun || state->mode == SelectionCells)
                Select(Child(current, state->anchor), SelectionNode);
            else if (state->mode != SelectionGap)
                SelectNodeKeepMode(current->children[current->childCount - 1]);
        }
        break;
    case 5644:
        ExtendSelection(1);
        break;
    case 5645:
        ExtendSelection(-1);
        break;
    case 5646: {
        FormulaNode* previous = PreviousBeforeSubtree(current);
        SelectNodeKeepMode(LastInPreorder(previous ? previous : root));
        Select(state->current, SelectionNode);
        break;
    }
    case 5647:
        Select(NextPlaceholder(root, current, true), SelectionNode);
        break;
    case 5648:
        CloseParenthesis(state);
        break;
    default:
        break;
    }
}
