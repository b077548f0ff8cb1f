#include "support/EditTreeInvariants.h"

#include "editor/EditedText.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeWalk.h"

#include <cstdio>
#include <string>

namespace {

// The shape each kind must have; empty when it holds.
std::string ShapeProblem(const FormulaNode* node)
{
    int32_t kind = node->kind;
    uint32_t count = node->childCount;
    switch (kind) {
    case KindNumber:
        return node->payload.number ? "" : "a number without its value";
    case KindPlaceholder:
    case KindVariable:
        return count == 0 ? "" : "a leaf with children";
    case KindText:
        return node->Text() ? "" : "a text without its string";
    case KindMatrix: {
        int32_t rows = node->payload.pair.low, columns = node->payload.pair.high;
        if (rows <= 0 || columns <= 0 || rows * columns != static_cast<int32_t>(count))
            return "a matrix whose extents do not match its cells";
        return rows > 100 || columns > 100 ? "a matrix beyond the largest extent" : "";
    }
    default:
        break;
    }
    if (count == 0)
        return "an operator without operands";
    const NodeKindEntry* entry = NodeKindEntryOf(kind);
    if (entry && entry->syntaxClass == SyntaxClass::Infix && kind != KindComma && kind != KindBranch && count < 2)
        return "an operator row of one operand";
    if ((kind == KindFraction || kind == KindPower) && count != 2)
        return "a fraction or power without two operands";
    return "";
}

bool HasRangeMode(int32_t mode)
{
    return mode == InText || mode == InNumber || mode == InIdentifier;
}

}  // namespace

std::string EditTreeProblem(const EditorState& state)
{
    const FormulaNode* root = state.root;
    if (!root)
        return "no formula";
    if (root->parent)
        return "the root has a parent";
    bool found = false;
    for (PreorderWalk walk(const_cast<FormulaNode*>(root)); walk.Node(); walk.Next()) {
        const FormulaNode* node = walk.Node();
        if (node->kind != KindText && node->childCount > 0 && !node->children)
            return "a node counts children it has no slots for";
        if (node->kind != KindText) {
            for (uint32_t i = 0; i < node->childCount; ++i) {
                if (!node->children[i] || node->children[i]->parent != node)
                    return "child " + std::to_string(i) + " of kind " + std::to_string(node->kind) + " is not linked";
            }
        }
        std::string shape = ShapeProblem(node);
        if (!shape.empty())
            return shape + " (kind " + std::to_string(node->kind) + ")";
        found = found || node == state.current;
    }
    if (!found)
        return "the selection is not a node of the formula";
    const FormulaNode* current = state.current;
    if (state.mode < SelectionNode || state.mode > InIdentifier)
        return "an unknown selection mode";
    if (current->kind == KindPlaceholder && state.mode != SelectionNode)
        return "a placeholder with a caret beside it";
    if (state.mode == SelectionRun &&
        (state.caret < 0 || state.anchor < 0 || state.caret >= current->childCount || state.anchor >= current->childCount))
        return "a run outside its node";
    if (state.mode == SelectionGap && SyntaxClassOf(current) != SyntaxClass::Prefix &&
        (state.caret < 0 || state.caret + 1 >= current->childCount))
        return "a gap outside its node";
    if (state.mode == SelectionCells &&
        (current->kind != KindMatrix || state.caret < 0 || state.anchor < 0 || state.caret >= current->childCount ||
         state.anchor >= current->childCount))
        return "a cell block outside its matrix";
    if (HasRangeMode(state.mode)) {
        int32_t length = EditedText(current).Length();
        if (state.caret < 0 || state.anchor < 0 || state.caret > length || state.anchor > length)
            return "a position outside the text";
        if (state.mode == InText && current->kind != KindText)
            return "a text caret outside a text";
        if (state.mode == InNumber && current->kind != KindNumber)
            return "a number caret outside a number";
    }
    return "";
}

bool EditTreeInvariantsHold(const EditorState& state)
{
    std::string problem = EditTreeProblem(state);
    if (!problem.empty())
        fprintf(stderr, "edit tree: %s\n", problem.c_str());
    return problem.empty();
}
