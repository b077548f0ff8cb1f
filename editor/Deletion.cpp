#include "editor/Deletion.h"

#include "editor/EditedText.h"
#include "editor/InsertionSteps.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeSplice.h"
#include "formula/TreeWalk.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

// Two numbers side by side merge while their texts stay shorter than this.
constexpr size_t kLongestMergedNumber = 24;

EditorState* State()
{
    return GetCurrentEditorState();
}

bool IsSignKind(int32_t kind)
{
    return kind == KindPlusOrMinus || kind == KindMinusOrPlus || kind == KindMinus;
}

bool IsInfix(const FormulaNode* node)
{
    return SyntaxClassOf(node) == SyntaxClass::Infix || node->kind == KindDot || node->kind == KindCross;
}

bool KeepsEmptyOperands(int32_t kind)
{
    return kind == KindOpTotal || kind == KindOpPartial || kind == KindSigma || kind == KindCapitalPi ||
           kind == KindMatrix;
}

// The last part of what the node ends with: its last operand when it is a
// product or a sum.
FormulaNode* LastPart(FormulaNode* node)
{
    return (node->kind == KindProduct || node->kind == KindSum) && node->childCount ? node->children[node->childCount - 1]
                                                                                    : node;
}

// A node of the parent's infix kind inside it gives its operands to it.
void FlattenIntoParent(FormulaNode* node)
{
    FormulaNode* parent = node->parent;
    if (parent && parent->kind == node->kind && SyntaxClassOf(node) == SyntaxClass::Infix)
        FlattenChild(parent, static_cast<uint32_t>(IndexInParent(node)));
}

// Child i of the node (two operands or more) becomes the first factor of the
// operand after it; the caret goes after it.
void JoinIntoNext(FormulaNode* node, uint32_t i)
{
    if (i + 1 >= node->childCount)
        return;
    bool collapses = node->childCount == 2;
    FormulaNode* left = DetachOperand(node, i);
    if (!left)
        return;
    FormulaNode* next = collapses ? node : node->children[i];
    FormulaNode* leftLast = left->kind == KindProduct && left->childCount ? left->children[left->childCount - 1] : left;
    if (!PrependFactor(next, left)) {
        SetEditorSelection(next, CaretBefore);
        return;
    }
    // next's record is the product now: flatten a product put first in it,
    // and the product itself into a product around it.
    if (next->childCount && next->children[0]->kind == KindProduct)
        FlattenChild(next, 0);
    FlattenIntoParent(next);
    SetEditorSelection(leftLast, CaretAfter);
}

// The prefix or enclosing node gives way to its operand.
void RemoveOperator(FormulaNode* node)
{
    CollapseToFirstChild(node);
}

// A ±, ∓ or minus that is a later term of a sum goes; its operand joins the
// term before as a factor. False when the node is no such term.
bool JoinSignedTerm(FormulaNode* sign)
{
    FormulaNode* sum = sign->parent;
    int32_t index = IndexInParent(sign);
    if (!IsSignKind(sign->kind) || !sum || sum->kind != KindSum || index < 1)
        return false;
    RemoveOperator(sign);
    JoinIntoNext(sum, static_cast<uint32_t>(index - 1));
    return true;
}

void SetInside(EditorState* state, int32_t mode, int32_t position)
{
    state->mode = mode;
    state->caret = state->anchor = position;
}

bool IsFiniteNumber(const FormulaNode* node)
{
    return node->kind == KindNumber && node->payload.number && std::isfinite(node->payload.number->value);
}

// The positions of a range inside the atom, clamped to its string.
void OrderedRange(const EditorState* state, const EditedText& text, int32_t& lo, int32_t& hi)
{
    lo = text.Clamp(std::min(state->caret, state->anchor));
    hi = text.Clamp(std::max(state->caret, state->anchor));
}

void ClearTextRange(EditorState* state)
{
    FormulaNode* node = state->current;
    EditedText edited(node);
    int32_t lo, hi;
    OrderedRange(state, edited, lo, hi);
    std::u16string text = edited.Text();
    text.erase(static_cast<size_t>(lo), static_cast<size_t>(hi - lo));
    if (SetTextNodeText(node, text))
        SetInside(state, InText, lo);
}

// After a range went from a number or a name: the caret at either end
// stands outside it.
void PlaceAfterRange(EditorState* state, int32_t lo, int32_t length, int32_t mode)
{
    if (lo <= 0)
        SetEditorSelection(state->current, CaretBefore);
    else if (lo >= length)
        SetEditorSelection(state->current, CaretAfter);
    else
        SetInside(state, mode, lo);
}

void ClearNumberRange(EditorState* state)
{
    FormulaNode* node = state->current;
    EditedText edited(node);
    int32_t lo, hi;
    OrderedRange(state, edited, lo, hi);
    std::u16string text = edited.Text();
    text.erase(static_cast<size_t>(lo), static_cast<size_t>(hi - lo));
    if (text.empty()) {
        DeleteNodeToPlaceholder();
        return;
    }
    SetNumberText(node, text);
    PlaceAfterRange(state, lo, static_cast<int32_t>(text.size()), InNumber);
}

void ClearNameRange(EditorState* state)
{
    FormulaNode* node = state->current;
    EditedText edited(node);
    int32_t lo, hi;
    OrderedRange(state, edited, lo, hi);
    std::u16string name = edited.Text();
    if (lo == 0 && hi == static_cast<int32_t>(name.size())) {
        DeleteNodeToPlaceholder();
        return;
    }
    name.erase(static_cast<size_t>(lo), static_cast<size_t>(hi - lo));
    uint32_t code = InternSymbolName(name.c_str());
    if (!code)
        return;
    node->payload.code = code;
    if (!EditedText(node).IsName()) {
        SetEditorSelection(node, lo <= 0 ? CaretBefore : CaretAfter);
        return;
    }
    PlaceAfterRange(state, lo, static_cast<int32_t>(name.size()), InIdentifier);
}

// Backspace (direction -1) or Delete (+1) inside a text, number or name.
void DeleteCharacter(EditorState* state, int32_t direction)
{
    FormulaNode* node = state->current;
    EditedText edited(node);
    if (state->caret != state->anchor) {
        ClearSelection();
        return;
    }
    if ((node->kind == KindText && edited.Length() == 0) ||
        (state->mode == InIdentifier && edited.Text() == u"\\")) {
        DeleteNodeToPlaceholder();
        return;
    }
    int32_t at = edited.Clamp(state->caret);
    if (direction < 0) {
        if (at == 0)
            return;
        state->caret = edited.StepLeft(at);
        state->anchor = at;
    } else {
        if (at >= edited.Length())
            return;
        state->caret = at;
        state->anchor = edited.StepRight(at);
    }
    ClearSelection();
}

void DeleteBeforeCaret(EditorState* state)
{
    FormulaNode* current = state->current;
    for (int guard = 0; guard < 1 << 16 && (current->kind == KindProduct || current->kind == KindSum) &&
                        current->childCount;
         ++guard)
        current = current->children[current->childCount - 1];
    state->current = current;
    SyntaxClass cls = SyntaxClassOf(current);
    if ((cls == SyntaxClass::Postfix || cls == SyntaxClass::Enclosing) && current->childCount == 1) {
        RemoveOperator(current);
        FormulaNode* last = LastPart(current);
        FlattenIntoParent(current);
        SetEditorSelection(last, CaretAfter);
        return;
    }
    if (IsFiniteNumber(current)) {
        std::u16string text = TypedNumberText(current);
        if (text.size() > 1) {
            text.pop_back();
            SetNumberText(current, text);
            SetEditorSelection(current, CaretAfter);
            return;
        }
    }
    DeleteNodeToPlaceholder();
}

// Two numbers side by side in a product become one, the caret where they
// met; false when they may not.
bool MergeNumbers(EditorState* state, FormulaNode* product, int32_t index)
{
    FormulaNode* first = product->children[index - 1];
    FormulaNode* second = product->children[index];
    if (first->kind != KindNumber || second->kind != KindNumber)
        return false;
    std::u16string a = TypedNumberText(first);
    std::u16string b = TypedNumberText(second);
    bool bothSeparated = a.find(DecimalSeparator) != std::u16string::npos &&
                         b.find(DecimalSeparator) != std::u16string::npos;
    if (a.size() + b.size() >= kLongestMergedNumber || bothSeparated)
        return false;
    bool collapses = product->childCount == 2;
    SetNumberText(first, a + b);
    if (!DeleteOperand(product, static_cast<uint32_t>(index)))
        return false;
    // With two factors the product's record took the merged number.
    FormulaNode* merged = collapses ? product : first;
    state->current = merged;
    SetInside(state, InNumber, static_cast<int32_t>(a.size()));
    return true;
}

void DeleteAfterOperator(EditorState* state)
{
    FormulaNode* node = state->current;
    for (int guard = 0; guard < 1 << 16 && node->parent; ++guard) {
        FormulaNode* parent = node->parent;
        int32_t index = IndexInParent(node);
        SyntaxClass cls = SyntaxClassOf(parent);
        if ((cls == SyntaxClass::Prefix || cls == SyntaxClass::Enclosing) && parent->childCount == 1) {
            if (JoinSignedTerm(parent))
                return;
            RemoveOperator(parent);
            SetEditorSelection(parent, CaretBefore);
            return;
        }
        if (IsInfix(parent) && index > 0) {
            if (parent->kind == KindProduct && MergeNumbers(state, parent, index))
                return;
            JoinOperandsAt(parent, static_cast<uint32_t>(index - 1));
            return;
        }
        if (cls == SyntaxClass::TwoPlace && index == 1) {
            JoinOperandsOfBinary(0, parent);
            return;
        }
        if ((IsInfix(parent) || cls == SyntaxClass::Postfix) && index == 0) {
            node = parent;
            continue;
        }
        return;
    }
}

void DeleteOperandOfSubscript(EditorState* state, FormulaNode* subscript, uint32_t index)
{
    if (index == 0) {
        SetEditorSelection(subscript, SelectionNode);
        return;
    }
    if (static_cast<int32_t>(index) <= subscript->payload.pair.low)
        --subscript->payload.pair.low;
    else if (subscript->payload.pair.high > 0)
        --subscript->payload.pair.high;
    FormulaNode* next = DeleteOperandAt(index, subscript);
    (void)state;
    SetEditorSelection(next, CaretAfter);
}

void DeleteCellOfMatrix(FormulaNode* matrix, uint32_t index)
{
    int16_t rows = matrix->payload.pair.low;
    int16_t columns = matrix->payload.pair.high;
    bool vector = rows == 1 || columns == 1;
    if (!vector || matrix->childCount <= 1) {
        SetEditorSelection(matrix, SelectionNode);
        return;
    }
    if (!DeleteChild(matrix, index))
        return;
    if (rows == 1)
        matrix->payload.pair.high = static_cast<int16_t>(columns - 1);
    else
        matrix->payload.pair.low = static_cast<int16_t>(rows - 1);
    if (index > 0)
        SetEditorSelection(matrix->children[index - 1], CaretAfter);
    else
        SetEditorSelection(matrix->children[0], CaretBefore);
}

}  // namespace

FormulaNode* DeleteOperandAt(uint32_t index, FormulaNode* node)
{
    if (index >= node->childCount)
        return node;
    if (node->childCount == 1) {
        CollapseToFirstChild(node);
        return node;
    }
    if (node->childCount == 2 && !KeepsEmptyOperands(node->kind)) {
        DeleteOperand(node, index);
        return node;
    }
    if (!DeleteChild(node, index))
        return node;
    return node->children[index > 0 ? index - 1 : 0];
}

void JoinOperandsAt(FormulaNode* node, uint32_t i)
{
    JoinIntoNext(node, i);
}

void JoinOperandsOfBinary(uint32_t index, FormulaNode* node)
{
    if (node->childCount != 2 || index > 0)
        return;
    JoinIntoNext(node, index);
}

void DeleteNodeToPlaceholder()
{
    EditorState* state = State();
    FormulaNode* current = state->current;
    if (current->kind == KindPlaceholder && !current->parent) {
        SetEditorSelection(current, SelectionNode);
        return;
    }
    if (current->kind != KindPlaceholder) {
        FormulaNode* box = MakePlaceholderNode();
        if (!box)
            return;
        ReplaceNode(box, current);
    }
    SetEditorSelection(current, SelectionNode);
    if (current->parent && current->parent->kind == KindProduct)
        DeletePlaceholder();
}

void DeletePlaceholder()
{
    EditorState* state = State();
    FormulaNode* box = state->current;
    FormulaNode* parent = box->parent;
    if (box->kind != KindPlaceholder || !parent)
        return;
    uint32_t index = static_cast<uint32_t>(IndexInParent(box));
    if (parent->kind == KindSubscript) {
        DeleteOperandOfSubscript(state, parent, index);
        return;
    }
    if (parent->kind == KindMatrix) {
        DeleteCellOfMatrix(parent, index);
        return;
    }
    if (index == 0 && parent->childCount > 1 &&
        (parent->kind == KindSubstitution || parent->kind == KindSigma || parent->kind == KindCapitalPi)) {
        SetEditorSelection(parent, SelectionNode);
        return;
    }
    if (parent->kind == KindMinus && parent->parent && parent->parent->kind == KindSum) {
        // The empty term goes with its sign.
        RemoveOperator(parent);
        box = parent;
        parent = box->parent;
        index = static_cast<uint32_t>(IndexInParent(box));
    }
    FormulaNode* next = DeleteOperandAt(index, parent);
    SetEditorSelection(next, index == 0 ? CaretBefore : CaretAfter);
}

void DeleteGapOperator()
{
    EditorState* state = State();
    FormulaNode* node = state->current;
    if (SyntaxClassOf(node) == SyntaxClass::Prefix && node->childCount == 1) {
        if (JoinSignedTerm(node))
            return;
        RemoveOperator(node);
        SetEditorSelection(node, CaretBefore);
        return;
    }
    if (IsInfix(node) && state->caret >= 0 && state->caret + 1 < node->childCount) {
        JoinOperandsAt(node, static_cast<uint32_t>(state->caret));
        return;
    }
    SetEditorSelection(node, SelectionNode);
}

void RemoveGapOperator()
{
    EditorState* state = State();
    FormulaNode* node = state->current;
    if (SyntaxClassOf(node) == SyntaxClass::Prefix && node->childCount == 1 && !IsSignKind(node->kind)) {
        RemoveOperator(node);
        state->current = node;
        state->mode = CaretBefore;
        return;
    }
    DeleteGapOperator();
}

void DeleteMatrixBlock()
{
    EditorState* state = State();
    FormulaNode* matrix = state->current;
    int32_t rows = matrix->payload.pair.low;
    int32_t columns = matrix->payload.pair.high;
    if (matrix->kind != KindMatrix || rows <= 0 || columns <= 0 || rows * columns != matrix->childCount)
        return;
    int32_t count = rows * columns;
    int32_t a = std::clamp(state->caret, 0, count - 1);
    int32_t b = std::clamp(state->anchor, 0, count - 1);
    int32_t r0 = std::min(a / columns, b / columns), r1 = std::max(a / columns, b / columns);
    int32_t c0 = std::min(a % columns, b % columns), c1 = std::max(a % columns, b % columns);
    bool wholeRows = c0 == 0 && c1 == columns - 1;
    bool wholeColumns = r0 == 0 && r1 == rows - 1;
    if (wholeRows == wholeColumns)
        return;
    std::vector<FormulaNode*> kept;
    std::vector<FormulaNode*> dropped;
    for (int32_t i = 0; i < count; ++i) {
        int32_t r = i / columns, c = i % columns;
        bool inside = wholeRows ? (r >= r0 && r <= r1) : (c >= c0 && c <= c1);
        (inside ? dropped : kept).push_back(matrix->children[i]);
    }
    if (!ResizeChildArray(matrix, static_cast<uint32_t>(kept.size())))
        return;
    for (size_t i = 0; i < kept.size(); ++i)
        matrix->children[i] = kept[i];
    for (FormulaNode* cell : dropped)
        FreeTree(cell);
    if (wholeRows)
        matrix->payload.pair.low = static_cast<int16_t>(rows - (r1 - r0 + 1));
    else
        matrix->payload.pair.high = static_cast<int16_t>(columns - (c1 - c0 + 1));
    SetEditorSelection(matrix, SelectionNode);
}

void EnterTextAtEnd()
{
    EditorState* state = State();
    EditedText text(state->current);
    if (text.Length() == 0) {
        DeleteNodeToPlaceholder();
        return;
    }
    SetInside(state, InText, text.Length());
}

namespace {

// What Backspace and Delete do alike: a selection goes, and characters go
// in the key's direction. False for the caret modes, which differ.
bool DeleteSelected(EditorState* state, int direction)
{
    if (state->mode == SelectionRun)
        GroupSelectedRange();
    switch (state->mode) {
    case SelectionNode:
        if (state->current->kind == KindPlaceholder)
            DeletePlaceholder();
        else
            DeleteNodeToPlaceholder();
        return true;
    case SelectionGap: DeleteGapOperator(); return true;
    case SelectionCells: DeleteMatrixBlock(); return true;
    case InText:
    case InNumber:
    case InIdentifier: DeleteCharacter(state, direction); return true;
    default: return false;
    }
}

}  // namespace

void DeleteLeft()
{
    EditorState* state = State();
    if (!state || !state->current || DeleteSelected(state, -1))
        return;
    switch (state->mode) {
    case CaretAfter:
        if (state->current->kind == KindText)
            EnterTextAtEnd();
        else
            DeleteBeforeCaret(state);
        break;
    case CaretBefore: DeleteAfterOperator(state); break;
    default: break;
    }
}

void DeleteRight()
{
    EditorState* state = State();
    if (state && state->current)
        DeleteSelected(state, 1);
}

void ClearSelection()
{
    EditorState* state = State();
    if (!state || !state->current)
        return;
    int32_t mode = state->mode;
    bool range = state->caret != state->anchor;
    if (mode == SelectionCells) {
        DeleteMatrixBlock();
        return;
    }
    if (mode == InText && range) {
        ClearTextRange(state);
        return;
    }
    if (mode == InNumber && range) {
        ClearNumberRange(state);
        return;
    }
    if (mode == InIdentifier && range) {
        ClearNameRange(state);
        return;
    }
    if (mode == SelectionRun)
        GroupSelectedRange();
    if (state->mode != SelectionNode && state->mode != SelectionGap)
        return;
    DeleteNodeToPlaceholder();
    FormulaNode* box = state->current;
    if (box->kind == KindPlaceholder && box->parent && box->parent->childCount > 1 &&
        box->parent->kind != KindProduct)
        DeletePlaceholder();
}
