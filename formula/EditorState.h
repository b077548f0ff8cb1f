// The equation editor's state as the symbolic commands see it: the node a
// command acts on, the selection around it, the current state, and the
// snapshots that make a command undoable.
#pragma once

#include "platform/WindowHandle.h"

#include <cstdint>
#include <vector>

struct FormulaNode;
struct DocState;
struct ScriptSizeTable;

// No wrapping: a wrap width no formula reaches.
constexpr float kNoWrapWidth = 10000.0f;

// How the current node is selected and what caret and anchor mean:
//   0 the node's subtree;
//   1 a run of its operands, caret..anchor;
//   2 the operator gap after operand caret (or after a prefix function's name);
//   3, 4 an insertion point just after, just before the node;
//   5 a block of matrix cells, caret and anchor its corner cells;
//   6, 7, 8 positions in a text's string, a number's typed text, a
//   multi-letter name (a range when they differ).
using SelectionMode = int32_t;
constexpr SelectionMode SelectionNode = 0;
constexpr SelectionMode SelectionRun = 1;
constexpr SelectionMode SelectionGap = 2;
constexpr SelectionMode CaretAfter = 3;
constexpr SelectionMode CaretBefore = 4;
constexpr SelectionMode SelectionCells = 5;
constexpr SelectionMode InText = 6;
constexpr SelectionMode InNumber = 7;
constexpr SelectionMode InIdentifier = 8;

// One undo step: a copy of the formula and the way from its root to the node
// that was current.
struct EditorSnapshot {
    FormulaNode* formula = nullptr;
    std::vector<uint32_t> path;
    SelectionMode mode = 0;
    int32_t anchor = 0;
    int32_t caret = 0;
};

// Where a display line of a wrapped formula begins in the one-line layout,
// and how far down it is shown.
struct LineBreak {
    float xStart;
    float yOffset;
    float unused;
};

struct EditorState {
    FormulaNode* root = nullptr;
    DocState* document = nullptr;
    FormulaNode* current = nullptr;
    SelectionMode mode = 0;
    int32_t caret = 0;
    int32_t anchor = 0;
    // Cleared by every edit; the next paint lays the formula out again.
    uint8_t layoutValid = 0;
    // Set by an edit, cleared by a caret move: the caret then stands in
    // place of the placeholder it is on, which is not drawn.
    uint8_t editedSinceCaretMove = 0;
    // The state shown with a caret; at most one state has it.
    uint8_t active = 0;
    // Pane position of the formula's top-left corner.
    int16_t originV = 0;
    int16_t originH = 0;

    // Typesetting: the window the formula is shown in, the font sizes it
    // lays out with, the width it wraps at and the one it was last laid out
    // at, its lines, and the distance from the bottom of the first line up
    // to its baseline.
    WindowHandle window = nullptr;
    ScriptSizeTable* sizeTable = nullptr;
    // The font size of the table whose header the formula is; 0 for an
    // equation line, which takes the document's.
    int16_t tableFontSize = 0;
    float wrapWidth = kNoWrapWidth;
    float lastWrapWidth = 0;
    int32_t lineCount = 1;
    // lineCount entries, the first {0, 0, 0}; and the widest display line.
    std::vector<LineBreak> lineBreaks;
    float widestLine = 0;
    float baselineOffset = 0;
    // The command before this one, so that a run of term moves is one step.
    int32_t previousCommand = 0;
    std::vector<EditorSnapshot> undo;

    EditorState() = default;
    EditorState(const EditorState&) = delete;
    EditorState& operator=(const EditorState&) = delete;
    ~EditorState();
};

EditorState* GetCurrentEditorState();
void SetCurrentEditorState(EditorState* state);

// While set, the typesetter leaves out the question mark of an empty current
// placeholder; the editor sets or clears it after each command, and a line's
// graph status clears it so that the mark shows why nothing is graphed.
// User-interface thread.
extern uint8_t HidePlaceholderMark;

// Makes a state current for its life and puts the previous one back on every
// way out.
class CurrentEditorStateScope {
public:
    explicit CurrentEditorStateScope(EditorState* state) : saved_(GetCurrentEditorState())
    {
        SetCurrentEditorState(state);
    }
    ~CurrentEditorStateScope() { SetCurrentEditorState(saved_); }
    CurrentEditorStateScope(const CurrentEditorStateScope&) = delete;
    CurrentEditorStateScope& operator=(const CurrentEditorStateScope&) = delete;

private:
    EditorState* saved_;
};

// The root of the tree the node stands in.
FormulaNode* FormulaRoot(FormulaNode* node);

// The one way a command places the caret: the node and mode are brought to
// the one form each place in the formula has (the caret before a factor is
// the caret after the factor before it, and so on).
void SetEditorSelection(FormulaNode* node, int32_t mode);
void SelectNodeKeepMode(FormulaNode* node);

// The layout class of the node's kind; leaf for kinds outside the table.
enum class SyntaxClass : uint8_t;
SyntaxClass SyntaxClassOf(const FormulaNode* node);
// A variable whose multi-letter name begins with a backslash: a command
// name still being typed.
bool IsCommandNameVariable(const FormulaNode* node);

// Operands anchor..caret of the current node move into one new node of its
// kind, which takes their place and becomes current with mode 0.
void GroupSelectedRange();

// Ends every command: the layout of the current formula is made again on
// the next paint.
void InvalidateFormulaLayout();

// One undo snapshot before a command, except between two term moves, so that
// a run of moves is undone at once.
void SaveUndoForEdit(EditorState* state, int32_t command);
// A snapshot of the formula and selection as they are now.
void PushUndoSnapshot(EditorState* state);
void ClearUndoSnapshots(EditorState* state);
// The formula and selection go back to the last snapshot; false without one.
bool UndoLastEdit(EditorState* state);

// The path of child indices from the root down to the node, and back.
std::vector<uint32_t> PathFromRoot(const FormulaNode* node);
FormulaNode* NodeAtPath(FormulaNode* root, const std::vector<uint32_t>& path);
