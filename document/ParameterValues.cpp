#include "document/ParameterValues.h"

#include "document/DefinitionTests.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "document/PanelCellText.h"
#include "formula/EditorState.h"
#include "formula/EquationFormPredicates.h"
#include "formula/FormulaNode.h"
#include "formula/FunctionDefinitions.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeWalk.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

constexpr int32_t kLetterCodes = 256;

bool IsFunctionHead(const FormulaNode* node)
{
    const FormulaNode* parent = node->parent;
    return parent && parent->kind == KindApplication && parent->childCount > 0 && parent->children[0] == node;
}

bool IsIndexPart(const FormulaNode* node)
{
    return node->parent && node->parent->kind == KindSubscript;
}

// The variable is a coordinate of a derivative dy/dx or dz/dt.
bool IsInDerivative(const FormulaNode* node)
{
    const FormulaNode* grandparent = node->parent ? node->parent->parent : nullptr;
    return grandparent && IsDerivativeLeftSide(grandparent);
}

}  // namespace

int32_t FindParameterValue(const GrowArray<ParameterValue>& list, uint32_t key)
{
    for (int32_t i = 0; i < list.count; ++i) {
        if (static_cast<uint32_t>(list[i].key) == key)
            return i;
    }
    return -1;
}

void DocState::CollectParameterLines()
{
    ParameterLines.count = 0;
    for (int32_t i = 0; i < Lines.count; ++i) {
        const DocLine& line = Lines[i];
        if (line.kind != DocLineEquation || !line.formula || !line.formula->root)
            continue;
        const FormulaNode* root = line.formula->root;
        DefinedParameter entry;
        entry.line = i;
        if (IsParameterDefinition(root)) {
            ComplexValue value = ComplexConstantValue(root->children[1]);
            entry.re = value.re;
            entry.im = value.im;
        } else if (IsSliderDefinition(root, this)) {
            entry.slider = true;
        } else {
            continue;
        }
        entry.key = DefinedVariableKey(root);
        // A refused entry reads as 1, like a letter nothing defines.
        ParameterLines.Push(entry);
    }
}

ComplexValue DocumentParameterValue(uint32_t key, int32_t row, const DocState* doc)
{
    for (const DefinedParameter& entry : doc->ParameterLines) {
        if (entry.key != key)
            continue;
        if (!entry.slider)
            return {entry.re, entry.im};
        const DocLine& line = doc->Lines[entry.line];
        if (line.slider)
            return {line.sliderValue, 0};
    }
    if (FindTableFunction(doc->TableFunctions, key)) {
        const DocumentHooks& hooks = GetDocumentHooks();
        double value = row >= 0 && hooks.tableValue ? hooks.tableValue(doc, key, row) : NAN;
        return {value, 0};
    }
    return {1, 0};
}

double DocState::GetVariableValue(uint32_t key)
{
    MutexLock hold(VariablesLock);
    int32_t i = Variables ? FindParameterValue(*Variables, key) : -1;
    return i >= 0 ? (*Variables)[i].value : NAN;
}

void DocState::ClearVariables()
{
    MutexLock hold(VariablesLock);
    if (Variables)
        Variables->count = 0;
}

void DocState::AddFreeVariables(const FormulaNode* tree)
{
    if (!tree || !Variables || !Parameters)
        return;
    bool added = false;
    for (PreorderWalk walk(const_cast<FormulaNode*>(tree)); walk.Node(); walk.Next()) {
        const FormulaNode* node = walk.Node();
        if (node->kind != KindVariable)
            continue;
        uint32_t code = node->payload.code;
        if (code >= kLetterCodes || IsReservedSymbol(code) || code == GetSliderVariable() || IsSummationIndex(node) ||
            IsParameterKeyDefined(code, this) || IsSliderDefined(code, this) || IsTableFunctionName(code, this) ||
            IsFunctionHead(node) || IsIndexPart(node) || IsColorStatement(node))
            continue;
        MutexLock hold(VariablesLock);
        if (FindParameterValue(*Variables, code) >= 0 || Variables->count >= kValueCells)
            continue;
        double value = 1;
        int32_t remembered = FindParameterValue(*Parameters, code);
        if (remembered >= 0)
            value = (*Parameters)[remembered].value;
        else if (Parameters->Push(ParameterValue{1, static_cast<int32_t>(code)}) != 0)
            continue;
        if (Variables->Push(ParameterValue{value, static_cast<int32_t>(code)}) != 0)
            continue;
        panels.valueCells[Variables->count - 1].value = value;
        added = true;
    }
    if (!added)
        return;
    panelsNeedLayout = true;
    if (GetDocumentHooks().redrawEquationPane)
        GetDocumentHooks().redrawEquationPane();
}

void SubstituteParameters(FormulaNode* tree, DocState* doc)
{
    if (!tree || !doc)
        return;
    for (PreorderWalk walk(tree); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        if (node->kind != KindVariable || node->payload.code >= kLetterCodes)
            continue;
        uint32_t code = node->payload.code;
        if (IsTableFunctionName(code, doc) || IsSummationIndex(node) || IsInDerivative(node) || IsIndexPart(node) ||
            IsFunctionHead(node))
            continue;
        double value = doc->GetVariableValue(code);
        if (std::isnan(value))
            continue;
        // A variable has no children: the number takes its place and the
        // walk goes on past it.
        if (FormulaNode* number = MakeNumberNode(value))
            ReplaceNode(number, node);
    }
}

void DocState::StoreValueCell()
{
    int32_t cell = currentValueCell;
    if (cell < 0 || cell >= kValueCells)
        return;
    PanelBlock::ValueCell& valueCell = panels.valueCells[cell];
    double value = ParseNumberText(valueCell.text);
    if (std::isnan(value))
        value = 0;
    {
        MutexLock hold(VariablesLock);
        if (Variables && cell < Variables->count) {
            ParameterValue& variable = (*Variables)[cell];
            variable.value = value;
            int32_t remembered = Parameters ? FindParameterValue(*Parameters, variable.key) : -1;
            if (remembered >= 0)
                (*Parameters)[remembered].value = value;
        }
    }
    valueCell.value = value;
    valueCell.edited = true;
    panelsNeedLayout = true;
    if (GetDocumentHooks().redrawEquationPane)
        GetDocumentHooks().redrawEquationPane();
    StopGraphing();
}

void DocState::OnPanelKey(char16_t ch)
{
    undo.kind = UndoNone;
    if (EditMode == EditRangeCell) {
        OnRangeCellKey(ch);
        return;
    }
    if (EditMode != EditValueCell || !IsPanelKey(ch))
        return;
    int32_t rows = Variables ? Variables->count : 0;
    int32_t row = std::clamp(currentValueCell, 0, kValueCells - 1);
    char16_t* text = panels.valueCells[row].text;
    int32_t length = PanelTextLength(text);
    auto selectRow = [&](int32_t next) {
        currentValueCell = next;
        panelCaret = 0;
        panelAnchor = PanelTextLength(panels.valueCells[next].text);
    };
    switch (ch) {
    case kPanelTab:
        selectRow(rows > 0 ? (row + 1) % rows : row);
        break;
    case kPanelLeft:
    case kPanelRight:
        MovePanelCaret(ch, panelCaret, panelAnchor, length);
        break;
    case kPanelUp:
        if (row > 0)
            selectRow(row - 1);
        break;
    case kPanelDown:
        if (row + 1 < rows)
            selectRow(row + 1);
        break;
    default:
        if (GetDocumentHooks().setDocModified)
            GetDocumentHooks().setDocModified(true);
        EditPanelCellText(text, panelCaret, panelAnchor, ch);
        StoreValueCell();
        break;
    }
    for (int32_t i = 0; i < rows; ++i) {
        PanelBlock::ValueCell& cell = panels.valueCells[i];
        if (i != currentValueCell && cell.text[0] == 0) {
            cell.text[0] = u'0';
            cell.text[1] = 0;
            cell.value = 0;
        }
    }
    panelsNeedLayout = true;
    if (GetDocumentHooks().redrawEquationPane)
        GetDocumentHooks().redrawEquationPane();
    Recompute();
}
