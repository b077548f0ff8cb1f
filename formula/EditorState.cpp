#include "formula/EditorState.h"

#include "CoreUtilities/WideString.h"
#include "formula/CopyTree.h"
#include "formula/Definitions.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeWalk.h"

#include <algorithm>

namespace {

EditorState* currentState = nullptr;

bool IsTermMoveCommand(int32_t command)
{
    return command >= 8448 && command <= 8457;
}

}  // namespace

uint8_t HidePlaceholderMark = 0;

EditorState::~EditorState()
{
    ClearUndoSnapshots(this);
}

EditorState* GetCurrentEditorState()
{
    return currentState;
}

void SetCurrentEditorState(EditorState* state)
{
    currentState = state;
}

FormulaNode* FormulaRoot(FormulaNode* node)
{
    while (node && node->parent)
        node = node->parent;
    return node;
}

SyntaxClass SyntaxClassOf(const FormulaNode* node)
{
    const NodeKindEntry* entry = node ? NodeKindEntryOf(node->kind) : nullptr;
    return entry ? entry->syntaxClass : SyntaxClass::Leaf;
}

bool IsCommandNameVariable(const FormulaNode* node)
{
    if (!node || node->kind != KindVariable)
        return false;
    // The backslash alone is a one-character name with its own code.
    if ((node->payload.code & 0xFFFF) == u'\\')
        return true;
    if ((node->payload.code & 0xFFFF) < kFirstRegistryCode)
        return false;
    const char16_t* name = SymbolName(node->payload.code);
    return name && name[0] == u'\\';
}

namespace {

bool IsNumber(const FormulaNode* node)
{
    return node && node->kind == KindNumber;
}

// One normalisation step; false when no rule applies.
bool NormaliseOnce(FormulaNode*& node, int32_t& mode)
{
    if (node->kind == KindPlaceholder) {
        mode = SelectionNode;
        return false;
    }
    SyntaxClass cls = SyntaxClassOf(node);
    FormulaNode* parent = node->parent;
    int32_t index = IndexInParent(node);
    if (mode == CaretAfter && node->childCount > 0 && node->kind != KindSqrt &&
        (cls == SyntaxClass::Infix || cls == SyntaxClass::Prefix)) {
        node = node->children[node->childCount - 1];
        return true;
    }
    if (mode == CaretBefore && node->childCount > 0 && node->kind != KindPrime && node->kind != KindHat &&
        (cls == SyntaxClass::Infix || cls == SyntaxClass::Postfix)) {
        node = node->children[0];
        return true;
    }
    if (mode == CaretBefore && parent && index > 0) {
        FormulaNode* previous = parent->children[index - 1];
        // Two numbers side by side keep two places: before the second is not
        // after the first, or typing a digit there would join them.
        if ((parent->kind == KindProduct && (!IsNumber(node) || !IsNumber(previous))) ||
            (node->kind == KindMinus && parent->kind == KindSum)) {
            node = previous;
            mode = CaretAfter;
            return true;
        }
    }
    if (mode == CaretBefore && parent && index == 0 &&
        (parent->kind == KindApplication || IsIndexedVariable(parent))) {
        node = parent;
        return true;
    }
    if ((mode == CaretAfter || mode == CaretBefore) && parent && parent->kind == KindHat) {
        node = parent;
        return true;
    }
    if (mode == CaretBefore && node->kind == KindVariable && parent && parent->kind == KindPrime) {
        node = parent;
        return true;
    }
    return false;
}

}  // namespace

void SetEditorSelection(FormulaNode* node, int32_t mode)
{
    EditorState* state = GetCurrentEditorState();
    if (!state)
        return;
    if (node) {
        // Each rule moves down or up the tree and no rule undoes another, so
        // the loop ends; the guard only bounds a tree that is not well formed.
        for (int guard = 0; guard < 1 << 20 && NormaliseOnce(node, mode); ++guard) {
        }
    }
    state->current = node;
    state->mode = node && node->kind == KindPlaceholder ? SelectionNode : mode;
    if (state->mode == CaretAfter && IsCommandNameVariable(node)) {
        // The caret stays inside a command name until the closing backslash,
        // at its end (never beyond it).
        state->mode = InIdentifier;
        state->caret = state->anchor = static_cast<int32_t>(WideLength(SymbolName(node->payload.code)));
    }
}

void SelectNodeKeepMode(FormulaNode* node)
{
    if (EditorState* state = GetCurrentEditorState())
        SetEditorSelection(node, state->mode);
}

void GroupSelectedRange()
{
    EditorState* state = GetCurrentEditorState();
    if (!state || !state->current)
        return;
    FormulaNode* node = state->current;
    int32_t first = std::min(state->anchor, state->caret);
    int32_t last = std::max(state->anchor, state->caret);
    if (first < 0 || last >= node->childCount)
        return;
    uint32_t count = static_cast<uint32_t>(last - first + 1);
    if (count == node->childCount) {
        SetEditorSelection(node, SelectionNode);
        return;
    }
    FormulaNode* group = MakeNode(node->kind, count);
    if (!group)
        return;
    for (uint32_t i = 0; i < count; ++i) {
        group->children[i] = node->children[first + i];
        group->children[i]->parent = group;
    }
    node->children[first] = group;
    group->parent = node;
    uint32_t removed = count - 1;
    for (uint32_t i = static_cast<uint32_t>(last) + 1; i < node->childCount; ++i)
        node->children[i - removed] = node->children[i];
    ResizeChildArray(node, node->childCount - removed);
    SetEditorSelection(group, SelectionNode);
}

void InvalidateFormulaLayout()
{
    EditorState* state = GetCurrentEditorState();
    if (!state)
        return;
    state->layoutValid = 0;
    FormulaNode* root = state->root ? state->root : FormulaRoot(state->current);
    if (!root)
        return;
    for (PreorderWalk walk(root); walk.Node(); walk.Next())
        walk.Node()->EnsureLayoutBox();
    if (LayoutBox* box = root->layoutBox) {
        box->height = 0;
        box->depth = 0;
        box->width = 0;
    }
}

std::vector<uint32_t> PathFromRoot(const FormulaNode* node)
{
    std::vector<uint32_t> path;
    for (; node && node->parent; node = node->parent)
        path.push_back(static_cast<uint32_t>(IndexInParent(node)));
    std::reverse(path.begin(), path.end());
    return path;
}

FormulaNode* NodeAtPath(FormulaNode* root, const std::vector<uint32_t>& path)
{
    FormulaNode* node = root;
    for (uint32_t i : path) {
        if (!node || i >= node->childCount)
            return nullptr;
        node = node->children[i];
    }
    return node;
}

void PushUndoSnapshot(EditorState* state)
{
    if (!state->current)
        return;
    EditorSnapshot snapshot;
    snapshot.formula = CopyTreeForEdit(FormulaRoot(state->current));
    snapshot.path = PathFromRoot(state->current);
    snapshot.mode = state->mode;
    snapshot.anchor = state->anchor;
    snapshot.caret = state->caret;
    state->undo.push_back(std::move(snapshot));
}

void ClearUndoSnapshots(EditorState* state)
{
    for (EditorSnapshot& snapshot : state->undo)
        FreeTree(snapshot.formula);
    state->undo.clear();
}

void SaveUndoForEdit(EditorState* state, int32_t command)
{
    bool sameRun = IsTermMoveCommand(command) && IsTermMoveCommand(state->previousCommand);
    state->previousCommand = command;
    if (!sameRun)
        PushUndoSnapshot(state);
}

bool UndoLastEdit(EditorState* state)
{
    if (state->undo.empty() || !state->current)
        return false;
    EditorSnapshot snapshot = std::move(state->undo.back());
    state->undo.pop_back();
    FormulaNode* root = FormulaRoot(state->current);
    ReplaceNode(snapshot.formula, root);
    state->current = NodeAtPath(root, snapshot.path);
    if (!state->current)
        state->current = root;
    state->mode = snapshot.mode;
    state->anchor = snapshot.anchor;
    state->caret = snapshot.caret;
    state->previousCommand = 0;
    return true;
}
