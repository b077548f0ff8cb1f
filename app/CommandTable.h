// The frame's commands as one table: each command's id, menu text, handler,
// enable rule and check rule; the menus, the accelerators and the context
// menus are lists of ids into it. The rules read a snapshot of the program's
// state, so that every menu item, shortcut and tool button agrees.
#pragma once

#include <cstdint>

class CMainFrame;

// What the enable and check rules look at.
struct CommandContext {
    bool demo = false;         // a demonstration or the benchmark runs
    bool demoPaused = false;
    bool benchmark = false;
    bool movie = false;        // a movie is being written
    int32_t editMode = 0;      // EditMode of the document
    bool focusInFrame = true;  // the keyboard focus is in the frame (not a dialog)
    bool canRevert = false;    // the document has a file and changes since it
    // The formula being edited.
    bool hasSelection = false;
    bool hasFormula = false;
    bool subtreeSelected = false;
    bool canMakeString = false;
    bool canPaste = false;
    // The clipboard.
    bool clipboardHasImage = false;
    bool clipboardHasText = false;
    // The focused edit box (a text block, or a box outside the frame).
    bool editBoxHasSelection = false;
    bool editBoxHasText = false;
    bool editBoxCanPaste = false;
    bool editBoxCanUndo = false;
    bool cellSelection = false;  // a value or range cell selection
    bool undoAvailable = false;
    bool undoIsTextBlockCell = false;
    // Tables.
    bool editingTable = false;
    bool canUseTableCommands = false;
    bool formulaCellBelowHeader = false;
    // Graphs.
    bool graphShown = false;
    bool hasGraphSet = false;
    bool shows2D = false;
    bool secondView = false;
    bool canDrawGraph = false;
    bool canExtendRanges = false;
    bool animating = false;
    bool anyUsesSlider = false;
    bool equation3D = false;
    int32_t lineXYType = 0;
    bool canUseTransparency = false;
    bool translucent = false;
    bool antialiasing = false;
    // 0 none, 1 all addressed views, 2 some of them.
    int32_t axesCheck = 0;
    int32_t paperCheck = 0;
    // Rendering.
    bool glAvailable = false;
    bool software3D = false;
    int32_t renderMode = 4;
    bool ignoreZBufferTest = false;
    bool keypadShown = false;
    // The edited text block's selection (TextEffect bits; pixels 0 when mixed).
    bool textBlock = false;
    int32_t textEffectsOn = 0;
    int32_t textEffectsOff = 0;
    int32_t textPixels = 0;
};

// Check states; a command without a check rule is not checkable.
enum CommandCheck : int32_t { CheckOff = 0, CheckOn = 1, CheckPartial = 2 };

struct CommandEntry {
    int32_t id;
    // The menu text as the menu shows it; a tab separates the shortcut shown.
    const char* text;
    void (*run)(CMainFrame& frame);
    bool (*enabled)(const CommandContext& c);
    int32_t (*check)(const CommandContext& c);  // null: not checkable
};

// The entry of an id, or null.
const CommandEntry* FindCommand(int32_t id);
int32_t CommandCount();
const CommandEntry& CommandAt(int32_t i);

// A menu of the menu bar or a context menu: a title and its ids, 0 for a
// separator, ended by -1.
struct MenuSpec {
    const char* title;
    const int32_t* items;
};
int32_t MenuCount();
const MenuSpec& MenuAt(int32_t i);
extern const MenuSpec EquationPaneContextMenu;
extern const MenuSpec GraphPaneContextMenu;

// The accelerators in order; where two entries share keys the earlier wins.
struct AcceleratorEntry {
    const char* keys;  // QKeySequence portable text
    int32_t id;
};
int32_t AcceleratorCount();
const AcceleratorEntry& AcceleratorAt(int32_t i);

// The state of the program as the rules see it.
CommandContext ReadCommandContext(CMainFrame* frame);
bool IsCommandEnabled(int32_t id, const CommandContext& c);
// -1 for a command that is not checkable.
int32_t CommandCheckState(int32_t id, const CommandContext& c);

// The zoom codes for Zoom In (in) or Zoom Out with the modifiers held.
int32_t ZoomCode(bool in, bool ctrl, bool shift);
// The zoom of the views: when split, code1 goes to the active view and code2
// to the second; else code1 to both.
struct ZoomPlan {
    bool split;
    int32_t code1;
    int32_t code2;
};
// secondShown: a second view is shown; activeIs2D: the active view is the
// first 2D view; secondIs2D: the second view is the second 2D view; any2D:
// a 2D view is shown.
ZoomPlan PlanZoom(int32_t code, bool secondShown, bool activeIs2D, bool secondIs2D, bool any2D);
