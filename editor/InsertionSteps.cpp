#include "editor/InsertionSteps.h"

#include "editor/EditedText.h"
#include "editor/EditorCommands.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeSplice.h"
#include "formula/TreeWalk.h"

#include <algorithm>
#include <string>

namespace {

FormulaNode* lastPlaceholder = nullptr;

EditorState* State()
{
    return GetCurrentEditorState();
}

}  // namespace

FormulaNode* LastInsertedPlaceholder()
{
    return lastPlaceholder;
}

void InsertPlaceholderChild(FormulaNode* node, uint32_t i)
{
    lastPlaceholder = nullptr;
    uint32_t count = node->childCount;
    if (i > count || count >= kMaxChildCount)
        return;
    FormulaNode* box = MakePlaceholderNode();
    if (!box)
        return;
    if (!ResizeChildArray(node, count + 1)) {
        FreeNode(box);
        return;
    }
    for (uint32_t k = count; k > i; --k)
        node->children[k] = node->children[k - 1];
    node->children[i] = box;
    box->parent = node;
    lastPlaceholder = box;
    SetEditorSelection(box, SelectionNode);
}

void WrapCurrent(int32_t kind, uint32_t count, uint32_t position)
{
    EditorState* state = State();
    lastPlaceholder = nullptr;
    if (!state || !state->current || count == 0 || position >= count)
        return;
    FormulaNode* node = state->current;
    bool wasPlaceholder = node->kind == KindPlaceholder;
    FormulaNode* boxes[4] = {};
    if (count > 4)
        return;
    for (uint32_t i = 0; i + 1 < count; ++i) {
        boxes[i] = MakePlaceholderNode();
        if (!boxes[i]) {
            for (FormulaNode* box : boxes)
                FreeTree(box);
            return;
        }
    }
    FormulaNode* moved = MoveContentToNewNode(node, kind, count);
    if (!moved) {
        for (FormulaNode* box : boxes)
            FreeTree(box);
        return;
    }
    uint32_t next = 0;
    for (uint32_t i = 0; i < count; ++i) {
        FormulaNode* child = i == position ? moved : boxes[next++];
        node->children[i] = child;
        child->parent = node;
    }
    if (count == 2) {
        lastPlaceholder = node->children[1 - position];
        SetEditorSelection(lastPlaceholder, SelectionNode);
        return;
    }
    if (count > 2) {
        lastPlaceholder = node->children[position == 0 ? 1 : 0];
        SetEditorSelection(lastPlaceholder, SelectionNode);
        return;
    }
    SyntaxClass cls = SyntaxClassOf(node);
    if (KeypadCommandActive && kind != KindOpPartial && !wasPlaceholder)
        SetEditorSelection(node, SelectionNode);
    else if (wasPlaceholder)
        SetEditorSelection(moved, SelectionNode);
    else if (cls == SyntaxClass::Postfix)
        SetEditorSelection(node, CaretAfter);
    else if (cls == SyntaxClass::Prefix)
        SetEditorSelection(moved, CaretBefore);
    else
        SetEditorSelection(moved, state->mode);
}

void WrapCurrentUnary(int32_t kind)
{
    WrapCurrent(kind, 1, 0);
}

void WrapCurrentBinary(int32_t kind, bool first)
{
    WrapCurrent(kind, 2, first ? 0 : 1);
}

void AppendOperand(int32_t kind)
{
    EditorState* state = State();
    FormulaNode* current = state->current;
    if (current->kind == kind && current->childCount > 0) {
        InsertPlaceholderChild(current, current->childCount);
    } else if (current->parent && current->parent->kind == kind) {
        InsertPlaceholderChild(current->parent, static_cast<uint32_t>(IndexInParent(current)) + 1);
    } else {
        WrapCurrentBinary(kind, true);
    }
}

void PrependOperand(int32_t kind)
{
    EditorState* state = State();
    FormulaNode* current = state->current;
    FormulaNode* parent = current->parent;
    if (current->kind == kind && current->childCount > 0) {
        InsertPlaceholderChild(current, 0);
    } else if (parent && parent->kind == kind) {
        InsertPlaceholderChild(parent, static_cast<uint32_t>(IndexInParent(current)));
    } else if (kind == KindProduct && parent && parent->kind == KindPower && IndexInParent(current) == 0) {
        state->current = parent;
        WrapCurrentBinary(KindProduct, false);
    } else {
        WrapCurrentBinary(kind, false);
    }
}

void WrapDotOrCross(int32_t kind, bool first)
{
    EditorState* state = State();
    FormulaNode* parent = state->current->parent;
    if (parent && parent->kind == KindGrad) {
        parent->kind = kind == KindDot ? KindDiv : KindCurl;
        SetEditorSelection(parent->children[0], SelectionNode);
        return;
    }
    WrapCurrentBinary(kind, first);
}

void SplitProductAt(int32_t kind)
{
    EditorState* state = State();
    FormulaNode* current = state->current;
    FormulaNode* product = current->parent;
    if (!product || product->kind != KindProduct)
        return;
    uint32_t at = static_cast<uint32_t>(IndexInParent(current)) + 1;
    uint32_t count = product->childCount;
    if (at >= count)
        return;
    // The two sides are built first, so that a refusal changes nothing.
    FormulaNode* left = at == 1 ? product->children[0] : MakeNode(KindProduct, at);
    FormulaNode* right = count - at == 1 ? product->children[at] : MakeNode(KindProduct, count - at);
    if (!left || !right) {
        if (left && at != 1)
            FreeNode(left);
        if (right && count - at != 1)
            FreeNode(right);
        return;
    }
    FormulaNode** slots = NewChildArray(2);
    if (!slots) {
        if (at != 1)
            FreeNode(left);
        if (count - at != 1)
            FreeNode(right);
        return;
    }
    if (at != 1) {
        for (uint32_t i = 0; i < at; ++i) {
            left->children[i] = product->children[i];
            left->children[i]->parent = left;
        }
    }
    if (count - at != 1) {
        for (uint32_t i = at; i < count; ++i) {
            right->children[i - at] = product->children[i];
            right->children[i - at]->parent = right;
        }
    }
    // The old array goes by its own size; the sides hold the children now.
    FreeChildStorage(product);
    product->kind = kind;
    product->children = slots;
    product->childCount = 2;
    product->children[0] = left;
    product->children[1] = right;
    left->parent = right->parent = product;
    // A side of the new node's kind is flattened into it (right first, so
    // that the left index stays).
    if (right->kind == kind)
        FlattenChild(product, 1);
    if (left->kind == kind)
        FlattenChild(product, 0);
    FormulaNode* rhs = product->children[left->kind == kind ? product->childCount - 1 : 1];
    if (right->kind != kind)
        rhs = right;
    SetEditorSelection(rhs, CaretBefore);
}

void PrepareToWrap()
{
    EditorState* state = State();
    switch (state->mode) {
    case SelectionRun:
        GroupSelectedRange();
        break;
    case SelectionGap:
        if (IsNamedFunctionKind(state->current->kind))
            state->mode = SelectionNode;
        break;
    case CaretAfter:
        state->mode = SelectionNode;
        break;
    case CaretBefore:
        PrependOperand(KindProduct);
        break;
    default:
        break;
    }
}

void PrepareTemplateOperand()
{
    EditorState* state = State();
    switch (state->mode) {
    case SelectionRun:
        GroupSelectedRange();
        break;
    case CaretAfter:
        if (CaretBetweenFactors()) {
            FormulaNode* current = state->current;
            SetEditorSelection(current->parent->children[IndexInParent(current) + 1], SelectionNode);
        } else {
            AppendOperand(KindProduct);
        }
        break;
    case CaretBefore:
        state->mode = SelectionNode;
        break;
    default:
        break;
    }
}

bool CaretBetweenFactors()
{
    EditorState* state = State();
    if (state->mode != CaretAfter)
        return false;
    FormulaNode* node = state->current;
    // Out of first operands of functions and last factors: the caret after
    // sin x in sin x·y stands between sin x and y.
    while (node->parent) {
        FormulaNode* parent = node->parent;
        int32_t index = IndexInParent(node);
        bool firstOfPrefix = index == 0 && SyntaxClassOf(parent) == SyntaxClass::Prefix;
        bool lastFactor = parent->kind == KindProduct && index == parent->childCount - 1;
        if (!firstOfPrefix && !lastFactor)
            break;
        node = parent;
    }
    FormulaNode* parent = node->parent;
    if (!parent || parent->kind != KindProduct || IndexInParent(node) + 1 >= parent->childCount)
        return false;
    state->current = node;
    return true;
}

void SplitNumberAtCaret()
{
    EditorState* state = State();
    FormulaNode* number = state->current;
    if (state->mode != InNumber || number->kind != KindNumber)
        return;
    std::u16string text = TypedNumberText(number);
    int32_t length = static_cast<int32_t>(text.size());
    int32_t lo = std::clamp(std::min(state->caret, state->anchor), 0, length);
    int32_t hi = std::clamp(std::max(state->caret, state->anchor), 0, length);
    text.erase(static_cast<size_t>(lo), static_cast<size_t>(hi - lo));
    if (lo <= 0 || lo >= static_cast<int32_t>(text.size())) {
        if (text.empty())
            text = u"0";
        SetNumberText(number, text);
        SetEditorSelection(number, lo <= 0 ? CaretBefore : CaretAfter);
        return;
    }
    FormulaNode* rest = MakeNumberNode(0);
    if (!rest)
        return;
    SetNumberText(rest, text.substr(static_cast<size_t>(lo)));
    FormulaNode* parent = number->parent;
    FormulaNode* first = number;
    if (parent && parent->kind == KindProduct) {
        uint32_t index = static_cast<uint32_t>(IndexInParent(number)) + 1;
        uint32_t count = parent->childCount;
        if (!ResizeChildArray(parent, count + 1)) {
            FreeTree(rest);
            return;
        }
        for (uint32_t k = count; k > index; --k)
            parent->children[k] = parent->children[k - 1];
        parent->children[index] = rest;
        rest->parent = parent;
    } else {
        if (!WrapInBinary(number, rest, 1, KindProduct))
            return;
        first = number->children[0];
    }
    SetNumberText(first, text.substr(0, static_cast<size_t>(lo)));
    SetEditorSelection(first, CaretAfter);
}
