#include "editor/CaretGeometry.h"

#include "editor/EditedText.h"
#include "editor/EditorPredicates.h"
#include "editor/TypesetAtoms.h"
#include "editor/TypesetDriver.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeWalk.h"

#include <algorithm>
#include <cmath>

namespace {

FloatRect BoxRect(const FormulaNode* node)
{
    FloatRect r{0, 0, 0, 0};
    GetNodeBoxRect(node, r);
    return r;
}

FormulaNode* Child(const FormulaNode* node, int32_t i)
{
    return i >= 0 && i < node->childCount ? node->children[i] : nullptr;
}

void Unite(FloatRect& r, const FloatRect& other)
{
    r.top = std::min(r.top, other.top);
    r.left = std::min(r.left, other.left);
    r.bottom = std::max(r.bottom, other.bottom);
    r.right = std::max(r.right, other.right);
}

// A named function written sin²x: the first child of a power whose exponent
// stands after the name.
const FormulaNode* PowerOverFunctionName(const FormulaNode* node)
{
    const FormulaNode* power = node->parent;
    if (!IsNamedFunctionKind(node->kind) || node->childCount != 1 || !power || power->kind != KindPower ||
        IndexInParent(node) != 0 || power->childCount != 2 || !power->layoutBox || power->layoutBox->wideMark)
        return nullptr;
    return power;
}

float PrefixWidth(FormulaNode* node, const std::u16string& text, int32_t n)
{
    UseNodeMetrics(node);
    n = std::clamp<int32_t>(n, 0, static_cast<int32_t>(text.size()));
    return n > 0 ? MeasureFormulaTextPrefix(text.c_str(), n) : 0;
}

void NodeSelectionExtra(const FormulaNode* node, const FloatRect& rect, FloatRect& extra)
{
    const FormulaNode* power = PowerOverFunctionName(node);
    if (power) {
        extra = BoxRect(power->children[1]);
        extra.top = std::max(extra.top, rect.top);
        return;
    }
    const FormulaNode* application = node->parent;
    if ((node->kind == KindOpTotal || node->kind == KindOpPartial) && application &&
        application->kind == KindApplication && IndexInParent(node) == 0 && application->childCount == 2) {
        const FormulaNode* argument = application->children[1];
        if (argument->kind == KindVariable || argument->kind == KindSubscript) {
            extra = BoxRect(argument);
            extra.top = std::max(extra.top, rect.top);
            extra.right = std::min(extra.right, rect.right);
        }
    }
}

void CellBlockRect(const EditorState* state, FloatRect& rect)
{
    const FormulaNode* matrix = state->current;
    int32_t columns = matrix->payload.pair.high;
    if (matrix->kind != KindMatrix || columns <= 0)
        return;
    int32_t a = std::min(state->caret, state->anchor), b = std::max(state->caret, state->anchor);
    int32_t firstRow = std::min(a / columns, b / columns), lastRow = std::max(a / columns, b / columns);
    int32_t firstColumn = std::min(a % columns, b % columns), lastColumn = std::max(a % columns, b % columns);
    bool any = false;
    for (int32_t row = firstRow; row <= lastRow; ++row) {
        for (int32_t column = firstColumn; column <= lastColumn; ++column) {
            FormulaNode* cell = Child(matrix, row * columns + column);
            if (!cell)
                continue;
            FloatRect r = BoxRect(cell);
            if (any)
                Unite(rect, r);
            else
                rect = r;
            any = true;
        }
    }
}

}  // namespace

void GetNodeBoxRect(const FormulaNode* node, FloatRect& out)
{
    if (!node || !node->layoutBox)
        return;
    const LayoutBox& box = *node->layoutBox;
    out.left = box.absoluteLeft;
    out.right = box.absoluteLeft + box.width;
    out.bottom = box.absoluteBottom;
    out.top = box.absoluteBottom - (box.height + box.depth);
}

void GetCaretRects(FloatRect& rect, FloatRect& extra)
{
    extra = FloatRect{0, 0, 0, 0};
    EditorState* state = GetCurrentEditorState();
    if (!state || !state->current)
        return;
    RelayoutFormula();
    FormulaNode* current = state->current;
    rect = BoxRect(current);
    int32_t lo = std::min(state->caret, state->anchor), hi = std::max(state->caret, state->anchor);
    switch (state->mode) {
    case SelectionNode:
        NodeSelectionExtra(current, rect, extra);
        break;
    case SelectionRun: {
        FormulaNode* first = Child(current, state->caret);
        FormulaNode* last = Child(current, state->anchor);
        if (!first || !last)
            break;
        if (current->kind == KindBranch) {
            rect.top = BoxRect(first).top;
            rect.bottom = BoxRect(last).bottom;
        } else {
            rect.left = BoxRect(first).left;
            rect.right = BoxRect(last).right;
        }
        break;
    }
    case SelectionGap:
        if (SyntaxClassOf(current) == SyntaxClass::Prefix && current->childCount > 0) {
            rect.right = BoxRect(current->children[0]).left;
            if (const FormulaNode* power = PowerOverFunctionName(current))
                rect.right -= power->children[1]->layoutBox ? power->children[1]->layoutBox->width : 0;
        } else if (Child(current, state->caret) && Child(current, state->caret + 1)) {
            rect.left = BoxRect(current->children[state->caret]).right;
            rect.right = BoxRect(current->children[state->caret + 1]).left;
        }
        break;
    case SelectionCells:
        CellBlockRect(state, rect);
        break;
    case InText: {
        std::u16string shown = QuoteText(current->Text());
        float left = rect.left;
        rect.left = left + PrefixWidth(current, shown, lo + 1);
        rect.right = left + PrefixWidth(current, shown, hi + 1);
        break;
    }
    case InNumber:
    case InIdentifier: {
        EditedText text(current);
        float left = rect.left;
        rect.left = left + PrefixWidth(current, text.Text(), lo);
        rect.right = left + PrefixWidth(current, text.Text(), hi);
        break;
    }
    default:
        break;
    }
}

bool GetCaretPoint(float* x, float* bottom, float* top)
{
    EditorState* state = GetCurrentEditorState();
    if (!state || !state->current)
        return false;
    FloatRect rect{0, 0, 0, 0}, extra;
    GetCaretRects(rect, extra);
    switch (state->mode) {
    case CaretAfter:
        *x = rect.right - 1;
        *bottom = rect.bottom - 1;
        break;
    case CaretBefore:
        *x = rect.left;
        *bottom = rect.bottom;
        break;
    case SelectionNode:
        *x = (rect.left + rect.right) / 2;
        *bottom = rect.bottom;
        break;
    case InText:
    case InNumber:
    case InIdentifier:
        if (state->caret != state->anchor)
            return false;
        *x = rect.left;
        *bottom = rect.bottom;
        break;
    default:
        return false;
    }
    *top = rect.top;
    return true;
}

void DrawSelectionHighlight(PortDC* dc)
{
    EditorState* state = GetCurrentEditorState();
    if (!state || !state->active || !HasVisibleSelection() || !state->layoutValid)
        return;
    SetFormulaOrigin(state->originH, state->originV);
    FloatRect rect{0, 0, 0, 0}, extra;
    GetCaretRects(rect, extra);
    FillFormulaRoundRect(rect, false, dc);
    if (extra.right != extra.left) {
        extra.top = rect.top;
        FillFormulaRoundRect(extra, true, dc);
    }
}

void CaretRectToWindow(ShortRect& out)
{
    FloatRect rect{0, 0, 0, 0}, extra;
    GetCaretRects(rect, extra);
    SetShortRect(out, FormulaOriginY + TruncatePixel(rect.top), FormulaOriginX + TruncatePixel(rect.left),
                 FormulaOriginY + TruncatePixel(rect.bottom), FormulaOriginX + TruncatePixel(rect.right));
}

void GetSelectionRect(ShortRect& out)
{
    CaretRectToWindow(out);
}

void GetVariableRect(uint32_t code, ShortRect& out)
{
    EditorState* state = GetCurrentEditorState();
    if (!state || !state->current)
        return;
    FormulaNode* root = state->root ? state->root : FormulaRoot(state->current);
    for (FormulaNode* n = root; n; n = NextInPreorder(n)) {
        if (!IsVariable(n, code))
            continue;
        FormulaNode* current = state->current;
        int32_t mode = state->mode;
        state->current = n;
        state->mode = SelectionNode;
        CaretRectToWindow(out);
        state->current = current;
        state->mode = mode;
        return;
    }
}
