#include "editor/TypesetDriver.h"

#include "document/DocState.h"
#include "editor/FormulaDrawingPort.h"
#include "editor/LineWrapping.h"
#include "editor/TypesetHandlers.h"
#include "editor/TypesetLayout.h"
#include "editor/TypesetMetrics.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/ScriptSizeTable.h"
#include "formula/TreeWalk.h"
#include "platform/NumberText.h"

#include <algorithm>

namespace {

// Significant digits a document may ask for: more than a double holds say
// nothing, and fewer than one is no number.
constexpr int32_t kMostDigits = 17;

// The sizes PrepareTypesetting fills for the state being laid out.
ScriptSizeTable PreparedSizes = DefaultScriptSizeTable;

void StartNode(FormulaNode* node)
{
    SetTypesetMetrics(ScriptLevelSize(BoxOf(node).scriptLevel));
    ClearTypesetStyle();
}

}  // namespace

void UseNodeMetrics(FormulaNode* node)
{
    StartNode(node);
}

namespace {

float CurrentWrapWidth()
{
    const EditorState* state = GetCurrentEditorState();
    return state ? state->wrapWidth : kNoWrapWidth;
}

// The node, too wide for the wrap width, and every ancestor.
void MarkWide(FormulaNode* node)
{
    for (; node; node = node->parent)
        BoxOf(node).wideMark = 1;
}

}  // namespace

void PrepareTypesetting(WindowHandle window, DocState* doc)
{
    if (!doc)
        doc = GetDocState();
    DisplayDigits = std::clamp<int32_t>(doc->SignificantDigits, 1, kMostDigits);
    EditorState* state = GetCurrentEditorState();
    float base = state && state->tableFontSize > 0 ? state->tableFontSize : doc->FontSizes;
    FillScriptSizeTable(PreparedSizes, base);
    SetFormulaTypeface(doc->FontName);
    if (state) {
        state->sizeTable = &PreparedSizes;
        state->window = window;
        state->document = doc;
    }
}

void RelayoutFormula()
{
    EditorState* state = GetCurrentEditorState();
    if (!state)
        return;
    if (state->layoutValid && state->wrapWidth == state->lastWrapWidth)
        return;
    FormulaNode* root = CurrentFormulaRoot();
    if (!root)
        return;
    CurrentScriptSizeTable = state->sizeTable ? state->sizeTable : &DefaultScriptSizeTable;
    SplitLongNumbers(root);
    InsertNeededParentheses(root);
    EnsureLayoutBoxes(root);
    AssignScriptLevels(root);
    MarkTableFunctionNames(root, state->document);
    MeasureFormulaFitted(root);
    PositionFormula();
    ComputeLineBreaks();
    state->layoutValid = 1;
    state->lastWrapWidth = state->wrapWidth;
}

void MeasureFormula(FormulaNode* root)
{
    if (!root)
        return;
    float wrapWidth = CurrentWrapWidth();
    for (PostorderWalk walk(root); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        StartNode(node);
        TypesetHandlerOf(node)(node, kMeasurePhase, nullptr);
        LayoutBox& box = BoxOf(node);
        if (!box.wideMark && wrapWidth < box.width)
            MarkWide(node);
    }
    // The root was measured last, so the metrics are still its own.
    const LayoutBox& box = BoxOf(root);
    if (EditorState* state = GetCurrentEditorState())
        state->baselineOffset = box.depth - (box.atomFlag ? 0 : AxisHeight(Typeset.size));
}

void MeasureFormulaFitted(FormulaNode* root)
{
    MeasureFormula(root);
    if (root && BoxOf(root).wideMark) {
        AssignScriptLevels(root);
        MeasureFormula(root);
    }
}

void PositionFormula()
{
    FormulaNode* root = CurrentFormulaRoot();
    if (!root)
        return;
    for (PreorderWalk walk(root); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        LayoutBox& box = BoxOf(node);
        if (node == root) {
            box.relativeX = 0;
            box.relativeY = box.height + box.depth;
            box.absoluteLeft = box.relativeX;
            box.absoluteBottom = box.relativeY;
        }
        for (uint32_t i = 0; i < node->childCount; ++i) {
            LayoutBox& child = BoxOf(node->children[i]);
            child.absoluteLeft = box.absoluteLeft + child.relativeX;
            child.absoluteBottom = box.absoluteBottom + child.relativeY;
        }
    }
}

void DrawFormula(FormulaNode* root, PortDC* dc)
{
    if (!root)
        return;
    for (PostorderWalk walk(root); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        StartNode(node);
        TypesetHandlerOf(node)(node, kDrawPhase, dc);
    }
}

void EnsureLayoutBoxes(FormulaNode* root)
{
    if (!root)
        return;
    for (PreorderWalk walk(root); walk.Node(); walk.Next())
        walk.Node()->EnsureLayoutBox();
}

void CheckLayoutBoxes()
{
    EditorState* state = GetCurrentEditorState();
    FormulaNode* root = CurrentFormulaRoot();
    if (!state || !root)
        return;
    for (PreorderWalk walk(root); walk.Node(); walk.Next()) {
        if (!walk.Node()->layoutBox) {
            state->layoutValid = 0;
            return;
        }
    }
}

void SelectEntireFormula()
{
    EditorState* state = GetCurrentEditorState();
    if (!state)
        return;
    state->previousCommand = 0;
    SetEditorSelection(CurrentFormulaRoot(), SelectionNode);
}

FormulaNode* CurrentFormulaRoot()
{
    EditorState* state = GetCurrentEditorState();
    if (!state)
        return nullptr;
    return state->root ? state->root : FormulaRoot(state->current);
}
