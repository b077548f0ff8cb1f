#include "editor/EditorStateLife.h"

#include "CoreUtilities/Clock.h"
#include "editor/FormulaDrawingPort.h"
#include "editor/TypesetDriver.h"
#include "formula/EditorState.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/CopyTree.h"
#include "platform/CaretBlink.h"

#include <new>

namespace {

uint32_t lastCaretRefresh = 0;

}  // namespace

EditorState* NewEditorState()
{
    InitFormulaEngine();
    FormulaNode* box = MakePlaceholderNode();
    if (!box)
        return nullptr;
    auto* state = new (std::nothrow) EditorState;
    if (!state) {
        FreeNode(box);
        return nullptr;
    }
    state->root = box;
    state->current = box;
    return state;
}

EditorState* CreateCurrentEditorState(DocState* doc, WindowHandle window)
{
    EditorState* state = NewEditorState();
    if (!state)
        return nullptr;
    state->document = doc;
    SetCurrentEditorState(state);
    PrepareTypesetting(window, doc);
    state->originV = 0;
    state->originH = 0;
    state->editedSinceCaretMove = 1;
    return state;
}

void FreeEditorState(EditorState* state)
{
    if (!state)
        return;
    if (GetCurrentEditorState() == state)
        SetCurrentEditorState(nullptr);
    FreeTree(state->root ? state->root : FormulaRoot(state->current));
    delete state;
}

void MakeEditorStateCurrent(EditorState* state, WindowHandle window)
{
    SetCurrentEditorState(state);
    if (!state)
        return;
    PrepareTypesetting(window, state->document);
    SetFormulaOrigin(state->originH, state->originV);
}

void ActivateEditorState(EditorState* state, WindowHandle window)
{
    if (EditorState* previous = GetCurrentEditorState())
        previous->active = 0;
    if (state)
        state->active = 1;
    MakeEditorStateCurrent(state, window);
}

FormulaNode* GetEditorRoot(const EditorState* state)
{
    return state ? (state->root ? state->root : FormulaRoot(state->current)) : nullptr;
}

int32_t GetFormulaBoxWidth(const EditorState* state)
{
    FormulaNode* root = GetEditorRoot(state);
    return root && root->layoutBox ? TruncatePixel(root->layoutBox->width) : 0;
}

int32_t GetFormulaBoxHeight(const EditorState* state)
{
    FormulaNode* root = GetEditorRoot(state);
    return root && root->layoutBox ? TruncatePixel(root->layoutBox->height + root->layoutBox->depth) : 0;
}

void DrawFormulaState(EditorState* state, WindowHandle window, PortDC* dc)
{
    MakeEditorStateCurrent(state, window);
    if (!state)
        return;
    RelayoutFormula();
    DrawFormula(GetEditorRoot(state), dc);
}

void RefreshCaretBlink(EditorState* state, WindowHandle window)
{
    int32_t ticks = CaretBlinkPeriod();
    if (!state || !state->active || ticks <= 0)
        return;
    uint32_t now = SystemTickCount();
    // Ticks of 1/60 s to milliseconds, in 64 bits.
    if (static_cast<int64_t>(now - lastCaretRefresh) * 60 <= static_cast<int64_t>(ticks) * 1000)
        return;
    MakeEditorStateCurrent(state, window);
    lastCaretRefresh = now;
}
