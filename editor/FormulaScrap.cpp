#include "editor/FormulaScrap.h"

#include "CoreUtilities/MemoryBudget.h"
#include "editor/Deletion.h"
#include "editor/EditedText.h"
#include "editor/InsertionSteps.h"
#include "editor/OperatorInsertion.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeSplice.h"
#include "formula/TreeWalk.h"

#include <algorithm>
#include <string>

FormulaNode* FormulaScrap = nullptr;
int32_t ScrapOperatorKind = 0;

namespace {

// A number's text may not grow to this many units by a paste.
constexpr size_t kLongestPastedNumber = 23;

EditorState* State()
{
    return GetCurrentEditorState();
}

struct Block {
    int32_t r0, c0, r1, c1, columns;
};

bool SelectedBlock(const EditorState* state, Block& block)
{
    const FormulaNode* matrix = state->current;
    int32_t rows = matrix->payload.pair.low;
    int32_t columns = matrix->payload.pair.high;
    if (matrix->kind != KindMatrix || rows <= 0 || columns <= 0 || rows * columns != matrix->childCount)
        return false;
    int32_t count = rows * columns;
    int32_t a = std::clamp(state->caret, 0, count - 1);
    int32_t b = std::clamp(state->anchor, 0, count - 1);
    block = {std::min(a / columns, b / columns), std::min(a % columns, b % columns), std::max(a / columns, b / columns),
             std::max(a % columns, b % columns), columns};
    return true;
}

// The selected digits of the current number as a number of their own.
FormulaNode* SelectedDigits(const EditorState* state)
{
    EditedText edited(state->current);
    int32_t lo = edited.Clamp(std::min(state->caret, state->anchor));
    int32_t hi = edited.Clamp(std::max(state->caret, state->anchor));
    FormulaNode* number = MakeNumberNode(0);
    if (number)
        SetNumberText(number, edited.Text().substr(static_cast<size_t>(lo), static_cast<size_t>(hi - lo)));
    return number;
}

// A pasted node of its parent's infix kind gives its operands to the parent.
void FlattenPasted(FormulaNode* pasted, bool selectRun)
{
    FormulaNode* parent = pasted->parent;
    if (!parent || parent->kind != pasted->kind || SyntaxClassOf(pasted) != SyntaxClass::Infix)
        return;
    int32_t first = IndexInParent(pasted);
    int32_t count = pasted->childCount;
    if (!FlattenChild(parent, static_cast<uint32_t>(first)))
        return;
    EditorState* state = State();
    if (selectRun) {
        state->current = parent;
        state->mode = SelectionRun;
        state->caret = first;
        state->anchor = first + count - 1;
    } else {
        SetEditorSelection(parent->children[first + count - 1], CaretAfter);
    }
}

}  // namespace

void SetFormulaScrap(FormulaNode* tree)
{
    FreeTree(FormulaScrap);
    FormulaScrap = tree;
    ScrapOperatorKind = 0;
}

void ClearFormulaScrap()
{
    SetFormulaScrap(nullptr);
}

FormulaNode* CopyBlockAsMatrix()
{
    EditorState* state = State();
    Block block{};
    if (!SelectedBlock(state, block))
        return nullptr;
    int32_t rows = block.r1 - block.r0 + 1;
    int32_t columns = block.c1 - block.c0 + 1;
    FormulaNode* matrix = MakeNode(KindMatrix, static_cast<uint32_t>(rows * columns));
    if (!matrix)
        return nullptr;
    matrix->payload.pair.low = static_cast<int16_t>(rows);
    matrix->payload.pair.high = static_cast<int16_t>(columns);
    int32_t slot = 0;
    for (int32_t r = block.r0; r <= block.r1; ++r) {
        for (int32_t c = block.c0; c <= block.c1; ++c) {
            FormulaNode* cell = CopyTreeForEdit(state->current->children[r * block.columns + c]);
            if (!cell) {
                matrix->childCount = static_cast<uint16_t>(slot);
                FreeTree(matrix);
                return nullptr;
            }
            matrix->children[slot++] = cell;
            cell->parent = matrix;
        }
    }
    return matrix;
}

FormulaNode* CopySelectedRange()
{
    EditorState* state = State();
    FormulaNode* node = state->current;
    int32_t first = std::max(0, std::min(state->caret, state->anchor));
    int32_t last = std::min<int32_t>(node->childCount - 1, std::max(state->caret, state->anchor));
    if (first > last)
        return nullptr;
    FormulaNode* copy = MakeNode(node->kind, static_cast<uint32_t>(last - first + 1));
    if (!copy)
        return nullptr;
    for (int32_t i = first; i <= last; ++i) {
        FormulaNode* child = CopyTreeForEdit(node->children[i]);
        if (!child) {
            copy->childCount = static_cast<uint16_t>(i - first);
            FreeTree(copy);
            return nullptr;
        }
        copy->children[i - first] = child;
        child->parent = copy;
    }
    return copy;
}

void CopyToScrap()
{
    EditorState* state = State();
    if (!state || !state->current)
        return;
    int32_t mode = state->mode;
    bool digits = mode == InNumber && state->caret != state->anchor;
    if (mode != SelectionNode && mode != SelectionRun && mode != SelectionGap && mode != SelectionCells && !digits)
        return;
    SetFormulaScrap(nullptr);
    if (mode == SelectionGap) {
        ScrapOperatorKind = state->current->kind;
        return;
    }
    if (digits)
        FormulaScrap = SelectedDigits(state);
    else if (mode == SelectionCells)
        FormulaScrap = CopyBlockAsMatrix();
    else if (mode == SelectionRun)
        FormulaScrap = CopySelectedRange();
    else
        FormulaScrap = CopyTreeForEdit(state->current);
}

void CutToScrap()
{
    EditorState* state = State();
    if (!state || !state->current)
        return;
    if (state->mode == SelectionRun)
        GroupSelectedRange();
    int32_t mode = state->mode;
    bool digits = mode == InNumber && state->caret != state->anchor;
    if (mode != SelectionNode && mode != SelectionGap && !digits)
        return;
    CopyToScrap();
    if (digits) {
        ClearSelection();
        return;
    }
    if (mode == SelectionGap) {
        DeleteGapOperator();
        return;
    }
    if (AbortFlag)
        return;
    DeleteNodeToPlaceholder();
    FormulaNode* box = state->current;
    FormulaNode* parent = box->parent;
    if (box->kind == KindPlaceholder && parent && parent->childCount > 1 && parent->kind != KindSum)
        DeletePlaceholder();
}

void ReplaceWithScrapCopy()
{
    EditorState* state = State();
    FormulaNode* copy = CopyTreeForEdit(FormulaScrap);
    if (!copy)
        return;
    FormulaNode* target = state->current;
    ReplaceNode(copy, target);
    SetEditorSelection(target, state->mode);
}

void PasteAfterCaret()
{
    EditorState* state = State();
    AppendOperand(KindProduct);
    FormulaNode* box = LastInsertedPlaceholder();
    if (!box)
        return;
    ReplaceWithScrapCopy();
    FormulaNode* parent = box->parent;
    if (parent && parent->kind == box->kind && SyntaxClassOf(box) == SyntaxClass::Infix)
        SetEditorSelection(box, SelectionNode);
    else
        SetEditorSelection(box, CaretAfter);
    (void)state;
}

void PasteBeforeCaret()
{
    PrependOperand(KindProduct);
    FormulaNode* box = LastInsertedPlaceholder();
    if (!box)
        return;
    ReplaceWithScrapCopy();
    SetEditorSelection(box, CaretAfter);
}

void PasteIntoNumber()
{
    EditorState* state = State();
    FormulaNode* number = state->current;
    if (state->caret != state->anchor)
        ClearSelection();
    if (state->mode != InNumber || state->current != number || !FormulaScrap || FormulaScrap->kind != KindNumber)
        return;
    std::u16string text = TypedNumberText(number);
    std::u16string inserted = TypedNumberText(FormulaScrap);
    if (text.size() + inserted.size() >= kLongestPastedNumber)
        return;
    int32_t at = EditedText(number).Clamp(state->caret);
    text.insert(static_cast<size_t>(at), inserted);
    SetNumberText(number, text);
    int32_t end = at + static_cast<int32_t>(inserted.size());
    if (end >= static_cast<int32_t>(text.size())) {
        SetEditorSelection(number, CaretAfter);
        return;
    }
    state->mode = InNumber;
    state->caret = state->anchor = end;
}

void PasteFromScrap()
{
    EditorState* state = State();
    if (!state || !state->current)
        return;
    if (state->mode == SelectionRun)
        GroupSelectedRange();
    if (state->mode == InNumber && FormulaScrap && FormulaScrap->kind != KindNumber)
        SplitNumberAtCaret();
    if (ScrapOperatorKind) {
        InsertOperatorNode(ScrapOperatorKind);
        return;
    }
    if (!FormulaScrap)
        return;
    int32_t mode = state->mode;
    switch (mode) {
    case SelectionNode: ReplaceWithScrapCopy(); break;
    case CaretAfter: PasteAfterCaret(); break;
    case CaretBefore: PasteBeforeCaret(); break;
    case InNumber: PasteIntoNumber(); return;
    default: return;
    }
    FormulaNode* pasted = state->current;
    if (state->mode == CaretAfter || state->mode == SelectionNode)
        FlattenPasted(pasted, mode == SelectionNode);
}

void DoClipboardCommand(int32_t code)
{
    switch (code) {
    case 8704: CutToScrap(); break;
    case 8705: CopyToScrap(); break;
    case 8706: PasteFromScrap(); break;
    case 8707: ClearSelection(); break;
    default: break;
    }
}

void ApplyScrapToCellBlock(int32_t kind)
{
    EditorState* state = State();
    Block block{};
    if (!FormulaScrap || !SelectedBlock(state, block))
        return;
    FormulaNode* matrix = state->current;
    int32_t rows = block.r1 - block.r0 + 1;
    int32_t columns = block.c1 - block.c0 + 1;
    bool scrapIsMatrix = FormulaScrap->kind == KindMatrix;
    bool adds = (kind == KindSum || kind == KindMinus) && scrapIsMatrix && FormulaScrap->payload.pair.low == rows &&
                FormulaScrap->payload.pair.high == columns && FormulaScrap->childCount == rows * columns;
    bool multiplies = kind == KindProduct && !scrapIsMatrix;
    if (!adds && !multiplies)
        return;
    for (int32_t r = 0; r < rows; ++r) {
        for (int32_t c = 0; c < columns; ++c) {
            FormulaNode* cell = matrix->children[(block.r0 + r) * block.columns + block.c0 + c];
            FormulaNode* other = CopyTreeForEdit(multiplies ? FormulaScrap : FormulaScrap->children[r * columns + c]);
            if (!other)
                return;
            if (kind == KindMinus && !NegateInPlace(other)) {
                FreeTree(other);
                return;
            }
            AppendOperand(cell, other, multiplies ? KindProduct : KindSum);
        }
    }
}
