// Editor commands: the key table that turns keys into command codes, and the
// dispatcher that runs a code on the current editor state with one undo
// snapshot per run of edits. Keys, the key palette, the menus, the
// demonstration player and the clipboard all end in DoEditorCommand.
// User-interface thread only.
#pragma once

#include "platform/WindowHandle.h"

#include <cstdint>

struct EditorState;

using EditorCommandCode = int32_t;

// Modifier flags of a key: bit 0 Ctrl, bit 1 Shift; 255 in a table row
// matches any.
constexpr uint8_t kKeyCtrl = 1;
constexpr uint8_t kKeyShift = 2;
constexpr uint8_t kKeyAnyModifiers = 255;

// The arrow keys travel as these characters.
constexpr uint32_t kKeyLeft = 28;
constexpr uint32_t kKeyRight = 29;
constexpr uint32_t kKeyUp = 30;
constexpr uint32_t kKeyDown = 31;

struct KeyTableEntry {
    uint8_t modifiers;
    uint16_t character;
    int16_t command;
};
// Ended by a row whose command is 0.
extern const KeyTableEntry KeyTable[];

// The command of a key: ch the character, ch2 its second form (the lower-case
// letter of a letter key when Shift is up, else ch), flags the modifiers; 0
// for none.
EditorCommandCode KeyToEditorCommand(uint32_t ch, uint32_t ch2, uint32_t flags);
// Maps a key and runs its command on the state; answers the code.
EditorCommandCode HandleEditorKey(uint32_t ch, uint32_t ch2, uint32_t flags, EditorState* state, WindowHandle window);
// Runs a command on the state made current; 6412 inserts the character ch.
void RunEditorCommand(EditorCommandCode code, uint32_t ch, EditorState* state, WindowHandle window);
// The dispatcher, on the current state.
void DoEditorCommand(EditorCommandCode code);
// A character above U+0080 typed into the formula.
void InsertUnicodeCharacter(uint32_t ch);

// The undo-snapshot policy.
void TakeUndoSnapshot();
void TakeUndoSnapshotIfPending();
void TakeUndoSnapshotUnlessRepeated(EditorCommandCode code);
void ResetCommandRepeat();
// At start-up and for a new document, with the document's undo record.
void ResetEditorUndo();
EditorCommandCode LastEditorCommand();
EditorCommandCode PreviousEditorCommand();
bool IsUndoSnapshotPending();

// Set while a command from the key palette runs.
extern uint8_t KeypadCommandActive;

// The editing operations that insertion, deletion and the clipboard supply;
// a code whose operation is not installed does nothing.
struct EditorOperations {
    void (*insertOperatorNode)(int32_t kind) = nullptr;
    void (*insertTemplate)(int32_t code) = nullptr;
    void (*deleteLeft)() = nullptr;
    void (*deleteRight)() = nullptr;
    void (*clipboardCommand)(int32_t code) = nullptr;
    // Takes out the operator of a gap selection, leaving a caret.
    void (*removeGapOperator)() = nullptr;
};
EditorOperations& GetEditorOperations();
