// The life of an editor state: made with an empty box, made current for a
// window, activated (the one shown with a caret), drawn, freed.
#pragma once

#include "platform/WindowHandle.h"

#include <cstdint>

class PortDC;
struct DocState;
struct EditorState;
struct FormulaNode;

// A state holding one empty box; null when memory ran out.
EditorState* NewEditorState();
// NewEditorState made current for the window with its origin at 0, 0.
EditorState* CreateCurrentEditorState(DocState* doc, WindowHandle window);
// Null is accepted.
void FreeEditorState(EditorState* state);
// Makes the state current, prepares typesetting for the window and takes
// its origin.
void MakeEditorStateCurrent(EditorState* state, WindowHandle window);
// The state becomes the one shown with a caret.
void ActivateEditorState(EditorState* state, WindowHandle window);
FormulaNode* GetEditorRoot(const EditorState* state);
int32_t GetFormulaBoxWidth(const EditorState* state);
int32_t GetFormulaBoxHeight(const EditorState* state);
void DrawFormulaState(EditorState* state, WindowHandle window, PortDC* dc);
// Makes the active state current again once per caret blink, so that the
// caret follows it.
void RefreshCaretBlink(EditorState* state, WindowHandle window);
