#include "editor/EditorCommands.h"

#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "editor/CaretMoves.h"
#include "editor/DoSymbolicCommand.h"
#include "editor/EditorPredicates.h"
#include "editor/TypesetDriver.h"
#include "editor/Typing.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/IsCaretMoveCommand.h"
#include "formula/NodeKindTable.h"
#include "formula/SymbolCodes.h"
#include "platform/NumberText.h"

uint8_t KeypadCommandActive = 0;

namespace {

constexpr uint8_t N = 0;
constexpr uint8_t C = kKeyCtrl;
constexpr uint8_t S = kKeyShift;
constexpr uint8_t CS = kKeyCtrl | kKeyShift;
constexpr uint8_t ANY = kKeyAnyModifiers;

constexpr int32_t kBackspace = 5641;
constexpr int32_t kDeleteRight = 5649;
constexpr int32_t kClear = 8707;
constexpr int32_t kCopy = 8705;
constexpr int32_t kListSeparator = 6407;
constexpr int32_t kInsertCharacter = 6412;

EditorCommandCode lastCommand = 0;
EditorCommandCode previousCommand = 0;
bool undoSnapshotPending = true;

EditorOperations operations;

bool IsTermMove(EditorCommandCode code)
{
    return code >= 8448 && code <= 8457;
}

bool IsSymbolCode(EditorCommandCode code)
{
    return code == 4870 || code == 4882 || code == 4884 || code == 4904 || code == 4914;
}

// The symbol a named-symbol command types.
uint32_t SymbolOfCommand(EditorCommandCode code)
{
    switch (code) {
    case 4870: return CodePhi;
    case 4882: return CodePi;
    case 4884: return CodeTheta;
    case 4904: return CodeLdots;
    default: return CodeDegree;
    }
}

bool IsAsciiLetter(EditorCommandCode code)
{
    return (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z');
}

bool RowMatches(const KeyTableEntry& row, uint32_t ch, uint32_t ch2, uint32_t flags)
{
    if (row.character == ch && (row.modifiers == flags || row.modifiers == ANY))
        return true;
    // The second form is compared as a signed byte, and Shift does not count.
    uint32_t second = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(ch2 & 0xFF)));
    if (ch2 > 0xFF)
        return false;
    return row.character == second && (row.modifiers == (flags & ~static_cast<uint32_t>(kKeyShift)) || row.modifiers == flags);
}

void Run(void (*operation)(int32_t), int32_t code)
{
    if (operation)
        operation(code);
}

void Run(void (*operation)())
{
    if (operation)
        operation();
}

}  // namespace

const KeyTableEntry KeyTable[] = {
    {CS, ',', 6409}, {CS, '.', 6410}, {CS, 'G', 4115}, {C, 'G', 4914}, {C, 'J', 4174}, {C, '-', 6400},
    {CS, kKeyLeft, 8452}, {CS, kKeyRight, 8449}, {CS, kKeyUp, 8454}, {CS, kKeyDown, 8455},
    {C, kKeyLeft, 8451}, {C, kKeyRight, 8448}, {C, kKeyUp, 8454}, {C, kKeyDown, 8455},
    {S, kKeyLeft, 5645}, {S, kKeyRight, 5644}, {S, kKeyUp, 5642}, {S, kKeyDown, 5643},
    {N, kKeyLeft, 5636}, {N, kKeyRight, 5635}, {N, kKeyUp, 5633}, {N, kKeyDown, 5634},
    {C, '[', 4162}, {C, ';', 4904}, {C, 'g', 4914}, {C, 'f', 4175}, {C, '.', 4163}, {C, 'j', 4174},
    {CS, '4', 6339}, {C, '4', 6408}, {C, '6', 4173}, {C, 'x', 4164}, {C, 'r', 4145},
    {C, '<', 6409}, {C, '>', 6410}, {CS, '<', 6409}, {CS, '>', 6410},
    {CS, 'E', 4112}, {CS, 'N', 6411}, {CS, 'K', 4161}, {C, '\t', 6305}, {CS, 'A', 6304},
    {CS, 'R', 4145}, {CS, 'S', 6331}, {CS, 'P', 6341}, {CS, 'X', 4164}, {CS, 'G', 4115},
    {CS, 'I', 6336}, {CS, 'F', 4175},
    {ANY, 0x2212, 4118}, {ANY, 0x00B1, 4116}, {ANY, 0x2213, 4117}, {ANY, 0x00D7, 4102},
    {ANY, 0x2215, 4158}, {ANY, 0x2044, 4158}, {ANY, 0x2264, 6409}, {ANY, 0x2265, 6410},
    {ANY, 0x2260, 6411}, {ANY, 0x2208, 4112}, {ANY, 0x221A, 4145}, {ANY, 0x221B, 6319},
    {ANY, 0x220F, 6341}, {ANY, 0x2211, 6331}, {ANY, 0x222B, 6335}, {ANY, 0x2013, 6400},
    {ANY, 0x03C0, 4882}, {ANY, 0x03B8, 4884}, {ANY, 0x03A6, 4870}, {ANY, 0x00B0, 4914},
    {ANY, 0x2026, 4904}, {ANY, 127, 5649}, {ANY, 0x00F7, 4158}, {ANY, '{', 4189},
    {ANY, '@', 6314}, {ANY, '#', 6315}, {ANY, '<', 6405}, {ANY, '>', 6406}, {ANY, ';', 6407},
    {ANY, '+', 4104}, {ANY, '*', 4102}, {ANY, '^', 4159}, {ANY, '!', 4114}, {ANY, '|', 4156},
    {ANY, '(', 4155}, {ANY, ')', 5648}, {ANY, '[', 4155}, {ANY, '/', 4158}, {ANY, '=', 6401},
    {ANY, '-', 4118}, {ANY, '"', 4099}, {ANY, '_', 4157}, {N, '\'', 4172}, {S, '\t', 5646},
    {N, '\t', 5632}, {0, 0, 0},
};

EditorOperations& GetEditorOperations()
{
    return operations;
}

EditorCommandCode KeyToEditorCommand(uint32_t ch, uint32_t ch2, uint32_t flags)
{
    if (ch == 8)
        return flags & kKeyShift ? kDeleteRight : kBackspace;
    if (ch == 27 && flags == 0)
        return kClear;
    bool plain = flags == 0 || flags == kKeyShift;
    if (plain && ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '.' ||
                  ch == DecimalSeparator || ch == '\\'))
        return static_cast<EditorCommandCode>(ch);
    if (IsTextMode() && ch < 128 && ch != '\t' && ch != ' ' && ch != '"' && !(ch >= kKeyLeft && ch <= kKeyDown))
        return static_cast<EditorCommandCode>(ch);
    for (const KeyTableEntry* row = KeyTable; row->command != 0; ++row) {
        if (RowMatches(*row, ch, ch2, flags))
            return row->command;
    }
    if (ch == ',')
        return DecimalSeparator == u',' ? 0 : kListSeparator;
    return ch > 128 ? kInsertCharacter : 0;
}

EditorCommandCode LastEditorCommand()
{
    return lastCommand;
}

EditorCommandCode PreviousEditorCommand()
{
    return previousCommand;
}

bool IsUndoSnapshotPending()
{
    return undoSnapshotPending;
}

void TakeUndoSnapshot()
{
    if (EditorState* state = GetCurrentEditorState()) {
        PushUndoSnapshot(state);
        // The document's one record serves Edit Undo.
        if (DocState* doc = state->document; doc && doc->EditMode == EditFormula && doc->CurrentFormula() == state)
            doc->SaveUndoForEdit();
    }
    undoSnapshotPending = true;
}

void TakeUndoSnapshotIfPending()
{
    if (!undoSnapshotPending)
        return;
    TakeUndoSnapshot();
    undoSnapshotPending = false;
}

void TakeUndoSnapshotUnlessRepeated(EditorCommandCode code)
{
    if (code == kBackspace && previousCommand == kBackspace) {
        undoSnapshotPending = true;
        return;
    }
    if (IsTermMove(code) && IsTermMove(previousCommand)) {
        undoSnapshotPending = true;
        return;
    }
    TakeUndoSnapshot();
}

void ResetCommandRepeat()
{
    lastCommand = 0;
    previousCommand = 0;
    undoSnapshotPending = true;
}

void ResetEditorUndo()
{
    lastCommand = 0;
    previousCommand = 0;
    undoSnapshotPending = true;
}

void DoEditorCommand(EditorCommandCode code)
{
    EditorState* state = GetCurrentEditorState();
    if (!state || !state->current)
        return;
    previousCommand = lastCommand;
    lastCommand = code;
    if (IsCaretMoveCommand(code)) {
        ResetCommandRepeat();
        MoveCaret(code);
        return;
    }
    if (code == kBackspace || code == kDeleteRight) {
        TakeUndoSnapshotUnlessRepeated(code);
        Run(code == kBackspace ? operations.deleteLeft : operations.deleteRight);
        InvalidateFormulaLayout();
        return;
    }
    if (code >= 8704 && code <= 8707) {
        if (code != kCopy)
            TakeUndoSnapshot();
        Run(operations.clipboardCommand, code);
        InvalidateFormulaLayout();
        return;
    }
    // Past here a command grows the formula: none runs while memory is short.
    if (CheckMemoryBudget())
        return;
    if (code >= 8192 && code <= 8709) {
        // The symbolic commands keep their own undo step (a run of term moves
        // is one).
        DoSymbolicCommand(code);
        undoSnapshotPending = true;
        return;
    }
    bool inText = IsTextMode();
    if (code == '\\' && !inText) {
        TakeUndoSnapshotIfPending();
        BackslashCommand();
    } else if (code > 0 && code < 256 && inText) {
        TakeUndoSnapshotIfPending();
        InsertIntoText(static_cast<uint32_t>(code));
    } else if (code == KindText && inText) {
        SetEditorSelection(state->current, CaretAfter);
    } else if (code == '.' || code == DecimalSeparator) {
        TakeUndoSnapshotIfPending();
        InsertDecimalPoint();
    } else if (code >= 6153 && code <= 6411) {
        TakeUndoSnapshotIfPending();
        if (code == 6340)
            MakeNameFromLetters();
        else
            Run(operations.insertTemplate, code);
    } else if (IsAsciiLetter(code)) {
        TakeUndoSnapshotIfPending();
        InsertLetter(static_cast<uint32_t>(code));
    } else if (IsSymbolCode(code)) {
        TakeUndoSnapshotIfPending();
        InsertLetter(SymbolOfCommand(code));
    } else if (code == KindText && !operations.insertOperatorNode) {
        TakeUndoSnapshotIfPending();
        OpenTextAtCaret();
    } else if ((code >= KindMatrix && code < kFirstTableKind + kNodeKindCount) || code == KindText) {
        TakeUndoSnapshotIfPending();
        Run(operations.insertOperatorNode, code);
    } else if (code >= '0' && code <= '9') {
        TakeUndoSnapshotIfPending();
        InsertDigit(static_cast<uint32_t>(code));
    } else {
        return;
    }
    InvalidateFormulaLayout();
}

void InsertUnicodeCharacter(uint32_t ch)
{
    EditorState* state = GetCurrentEditorState();
    if (!state || !state->current)
        return;
    previousCommand = lastCommand;
    lastCommand = kInsertCharacter;
    if (CheckMemoryBudget())
        return;
    TakeUndoSnapshotIfPending();
    if (state->mode == InText)
        InsertIntoText(ch);
    else if (state->mode == InIdentifier)
        InsertIntoIdentifier(ch);
    else
        InsertLetter(ch);
    InvalidateFormulaLayout();
}

void RunEditorCommand(EditorCommandCode code, uint32_t ch, EditorState* state, WindowHandle window)
{
    if (!state)
        return;
    SetCurrentEditorState(state);
    PrepareTypesetting(window);
    if (code == 0)
        return;
    state->editedSinceCaretMove = IsCaretMoveCommand(code) ? 0 : 1;
    if (code == kInsertCharacter)
        InsertUnicodeCharacter(ch);
    else
        DoEditorCommand(code);
}

EditorCommandCode HandleEditorKey(uint32_t ch, uint32_t ch2, uint32_t flags, EditorState* state, WindowHandle window)
{
    if (!state)
        return 0;
    SetCurrentEditorState(state);
    PrepareTypesetting(window);
    EditorCommandCode code = KeyToEditorCommand(ch, ch2, flags);
    RunEditorCommand(code, ch, state, window);
    return code;
}
