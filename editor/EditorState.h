// The editing state of one formula: its tree, the node a command acts on and
// how it is selected. Exactly one state is current at a time; the symbolic
// commands work on the current state's current node.
#pragma once

#include <cstdint>

struct DocState;
struct FormulaNode;

// How the current node is selected: 0 the node, 1 a run of its operands
// (caret..anchor), 5 a block of matrix cells; the other modes are carets.
using SelectionMode = int32_t;

struct EditorState {
    FormulaNode* root = nullptr;
    DocState* document = nullptr;
    FormulaNode* current = nullptr;
    SelectionMode mode = 0;
    int32_t caret = 0;
    int32_t anchor = 0;
    // Cleared by every edit; the next paint lays the formula out again.
    uint8_t layoutValid = 0;
};

// Null before the first formula exists.
EditorState* GetCurrentEditorState();
void SetCurrentEditorState(EditorState* state);

// Ends every editing and symbolic command: the current formula's layout is
// made invalid, every node gets a layout box and the root box's size is
// cleared, so that the next paint lays the formula out again.
void InvalidateFormulaLayout();
