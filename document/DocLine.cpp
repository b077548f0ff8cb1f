#include "document/DocLine.h"

#include "CoreUtilities/PictureHandle.h"
#include "document/DocumentHooks.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"

#include <new>

void InitEquationLine(DocLine* line)
{
    *line = DocLine{};
    line->kind = DocLineEquation;
    line->Color = 1;
    line->Grain = 0.5;
    line->Opacity = 1;
    line->PlottingMode = 2;
    line->XYType = 1;
}

void InitTextLine(DocLine* line)
{
    *line = DocLine{};
    line->kind = DocLineText;
}

void InitTableLine(DocLine* line)
{
    *line = DocLine{};
    line->kind = DocLineTable;
}

bool GrowDocLines(DocLineArray* lines)
{
    return lines->Grow();
}

bool InsertDocLine(DocLineArray* lines, const DocLine& line, int32_t index)
{
    if (index < 0 || index > lines->count)
        return false;
    // The record may live in the storage that growing replaces.
    DocLine copy = line;
    if (!GrowDocLines(lines))
        return false;
    DocLine* at = lines->storage + index;
    MoveBytes(at + 1, at, sizeof(DocLine) * static_cast<size_t>(lines->count - index));
    *at = copy;
    ++lines->count;
    return true;
}

int32_t AppendDocLine(DocLineArray* lines, const DocLine& line)
{
    return lines->Push(line);
}

void RemoveDocLine(DocLineArray* lines, int32_t index)
{
    if (index >= 0 && index < lines->count)
        lines->RemoveAt(index);
}

bool InsertPointerAt(GrowArray<void*>* list, void* pointer, int32_t index)
{
    if (index < 0 || index > list->count || !list->Grow())
        return false;
    void** at = list->storage + index;
    MoveBytes(at + 1, at, sizeof(void*) * static_cast<size_t>(list->count - index));
    *at = pointer;
    ++list->count;
    return true;
}

EditorState* NewLineFormula(DocState* doc, WindowHandle graphPane)
{
    const DocumentHooks& hooks = GetDocumentHooks();
    if (hooks.createCurrentEditorState)
        return hooks.createCurrentEditorState(doc, graphPane);
    auto* state = new (std::nothrow) EditorState;
    if (!state)
        return nullptr;
    state->root = MakePlaceholderNode();
    if (!state->root) {
        delete state;
        return nullptr;
    }
    state->document = doc;
    state->current = state->root;
    SetCurrentEditorState(state);
    return state;
}

void FreeLineFormula(EditorState* state)
{
    if (!state)
        return;
    if (GetCurrentEditorState() == state)
        SetCurrentEditorState(nullptr);
    const DocumentHooks& hooks = GetDocumentHooks();
    if (hooks.freeEditorState) {
        hooks.freeEditorState(state);
        return;
    }
    FreeTree(state->root);
    delete state;
}

void FreeDocLine(DocLine* line)
{
    const DocumentHooks& hooks = GetDocumentHooks();
    if (line->textBox && hooks.destroyTextBox)
        hooks.destroyTextBox(line->textBox);
    line->textBox = nullptr;
    if (line->table && hooks.freeDataTable)
        hooks.freeDataTable(line->table);
    line->table = nullptr;
    FreeLineFormula(line->formula);
    line->formula = nullptr;
    if (line->statements) {
        for (FormulaNode* tree : *line->statements)
            FreeTree(tree);
        line->statements->Clear();
        delete line->statements;
        line->statements = nullptr;
    }
    if (line->graphs) {
        line->graphs->Clear();
        delete line->graphs;
        line->graphs = nullptr;
    }
    FreeGlobalHandle(line->picture);
    line->picture = nullptr;
    if (line->slider && hooks.destroyMathPaneSlider)
        hooks.destroyMathPaneSlider(line->slider);
    line->slider = nullptr;
}
