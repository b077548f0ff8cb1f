// What the document asks of the layers above it (the formula editor and
// typesetting, the tables, the panels, the graph classifier and the
// application shell). Each layer fills its own entries at start-up; an entry
// left null does nothing and answers as a document without that layer would
// (no editor: a formula is a bare editor state; no tables; no demonstration).
#pragma once

#include "CoreUtilities/ShortRect.h"
#include "platform/WindowHandle.h"

#include <cstdint>

class CMathPaneSlider;
class COurEdit;
struct DataTable;
class DocumentGraphSet;
struct DocLine;
struct DocState;
struct EditorState;
struct FormulaNode;
struct TransformRecord;

// The classifier's answer for one analysed statement (no classifier: none
// of these).
struct StatementSummary {
    // Has a form code and is no plain definition (a parameter or a
    // subscripted-variable definition counts).
    bool graphable = false;
    bool needs3D = false;
    bool is4D = false;
    // Found only with primed and plain coordinates exchanged: the second view.
    bool primed = false;
    // A point plot with symbol or label items.
    bool styled = false;
};

// The preference values a new document takes.
struct DocumentPreferences {
    int16_t significantDigits = 6;
    bool graphsToTheRight = false;
    int16_t mainFontSize = 24;
    uint8_t backgroundType = 1;
    uint8_t backgroundColor[3] = {0, 0, 0};
    char typeface[256] = "Times New Roman";
};

struct DocumentHooks {
    // Formula editor and typesetting.
    EditorState* (*createCurrentEditorState)(DocState* doc, WindowHandle window) = nullptr;
    void (*freeEditorState)(EditorState* state) = nullptr;
    void (*activateEditorState)(EditorState* state, WindowHandle window) = nullptr;
    // Ends a selection or a term drag in the current formula.
    void (*formulaMouseUp)() = nullptr;
    void (*redrawEquationPane)() = nullptr;
    // The equation pane is shown (none registered: shown).
    bool (*isEquationPaneShown)() = nullptr;
    void (*scrollEquationCaretIntoView)(DocState* doc) = nullptr;
    void (*destroyTextBox)(COurEdit* box) = nullptr;
    void (*destroyMathPaneSlider)(CMathPaneSlider* slider) = nullptr;
    // A new math-pane slider window in the equation pane, or null.
    CMathPaneSlider* (*createMathPaneSlider)(DocState* doc) = nullptr;
    void (*setMathPaneSliderPosition)(CMathPaneSlider* slider, int32_t position) = nullptr;
    int32_t (*mathPaneSliderPosition)(const CMathPaneSlider* slider) = nullptr;
    // The slider reports moves with the variable's key and runs 0 to steps.
    void (*setMathPaneSliderRange)(CMathPaneSlider* slider, uint32_t key, int32_t steps) = nullptr;
    // The formula is laid out again with the document's typesetting settings.
    void (*layoutFormula)(DocState* doc, EditorState* state) = nullptr;
    void (*selectEntireFormula)(EditorState* state) = nullptr;
    void (*hideTableCellEditor)(WindowHandle editor) = nullptr;
    WindowHandle (*textBoxWindow)(COurEdit* box) = nullptr;
    // The editor's program-wide formula scrap is freed (at exit).
    void (*releaseEditorGlobals)() = nullptr;
    // The editor's own undo record and last commands are forgotten.
    void (*resetEditorUndo)() = nullptr;
    // The text box or table cell editor shows itself and undoes its last
    // edit; answers whether its text height changed.
    bool (*undoInEditWindow)(DocState* doc, WindowHandle window) = nullptr;

    // Tables.
    void (*freeDataTable)(DataTable* table) = nullptr;
    int32_t (*tableColumnCount)(const DataTable* table) = nullptr;
    // The header formula of the column, or null.
    EditorState* (*tableHeaderFormula)(DataTable* table, int32_t column) = nullptr;
    // The column has a header formula or a header text.
    bool (*tableColumnIsFormula)(DataTable* table, int32_t column) = nullptr;
    bool (*isTableDragging)(const DataTable* table) = nullptr;
    void (*setTableDragging)(DataTable* table, bool dragging) = nullptr;
    bool (*isTableRowEmpty)(const DataTable* table, int32_t row) = nullptr;
    // The cell is scrolled out of the table's visible rows.
    bool (*isTableCellHidden)(const DataTable* table, int32_t row, int32_t column) = nullptr;
    // Commits the open cell edit.
    void (*commitTableCellEdit)(DocState* doc) = nullptr;
    // The table-function list is built again from the tables.
    void (*rebuildTableFunctions)(DocState* doc) = nullptr;
    // The value of the table column named by the key at the data row.
    double (*tableValue)(const DocState* doc, uint32_t key, int32_t row) = nullptr;
    // Every column with a header formula or header text is computed again.
    void (*markColumnsForRecompute)(DataTable* table) = nullptr;
    // The header formulas are made ready to evaluate and the cells parsed
    // into values (the analysis, while nothing else runs).
    void (*prepareTableFormulas)(DataTable* table, DocState* doc) = nullptr;
    // The formula columns are computed (the value task, on its own thread).
    void (*computeFormulaColumns)(DataTable* table, DocState* doc) = nullptr;
    // Table layout and the table's own windows (the editor fills these).
    // The header formula is laid out at its table's font size with its
    // top-left corner at (top, left); answers its width and its extent above
    // and below the baseline.
    void (*layoutTableHeader)(DocState* doc, EditorState* state, int32_t top, int32_t left, int32_t* width,
                              int32_t* above, int32_t* below) = nullptr;
    // A table's scroll bar window; it reports moves through
    // DataTable::SetScrollPosition.
    WindowHandle (*createTableScrollBar)(DataTable* table, bool vertical) = nullptr;
    void (*destroyTableScrollBar)(WindowHandle bar) = nullptr;
    void (*setTableScrollRange)(WindowHandle bar, int32_t maximum, int32_t position) = nullptr;
    // Answers the bar's thickness across.
    int32_t (*placeTableScrollBar)(WindowHandle bar, int32_t x, int32_t y, int32_t length, bool vertical) = nullptr;
    // The current table cell is edited (its header formula, or the cell editor).
    void (*beginTableCellEdit)(DocState* doc) = nullptr;
    // The cell editor follows a scroll of the table or the pane.
    void (*updateTableCellEditor)(DocState* doc) = nullptr;

    // Panels and the colour palette popup.
    void (*applyColorPaletteChoice)(DocState* doc) = nullptr;
    void (*clearPanelEditedMarks)(DocState* doc) = nullptr;
    // The graph set takes a range bound typed into the range panel (side 0
    // the minimum) and reports a range slot back into the panel.
    void (*setRangeValue)(DocState* doc, int32_t row, int32_t side, double value) = nullptr;
    void (*reportRange)(DocState* doc, int32_t row) = nullptr;

    // The graph classifier: what the analysis keeps of one statement.
    StatementSummary (*classifyStatement)(FormulaNode* statement, double xyType, DocState* doc) = nullptr;
    // The graph classifier, over the line's statements.
    bool (*anySolidIn3D)(const DocLine* line, DocState* doc) = nullptr;
    bool (*allPointOrDataForms)(const DocLine* line, DocState* doc) = nullptr;

    // Graph building. The graph factory: one analysed statement of an
    // equation line, with the line's style, becomes graphs in the right
    // views; answers the equation-table row it added, or -1 with the
    // MessageCode the line shows in *message. None registered: nothing is
    // graphed and no reason is given.
    int32_t (*buildEquationGraphs)(DocState* doc, FormulaNode* statement, bool is3D, bool is4D,
                                   const TransformRecord* transform, double color, double grain, double opacity,
                                   double plottingMode, double xyType, int32_t* message) = nullptr;
    // Every statement of the line is a surface form for the document's
    // first-view-3D and 4D flags.
    bool (*allSurfaceForms)(const DocLine* line, DocState* doc) = nullptr;
    // The statement's form takes the line's picture as its colour.
    bool (*formTakesPicture)(FormulaNode* statement, DocState* doc) = nullptr;
    // The column kinds of every table are computed.
    void (*computeTableColumnKinds)(DocState* doc) = nullptr;
    // The caret's hint: 28 at the end of an exponent, 29 at the end of a
    // denominator, 30 on a product written like f(x), else 0.
    int32_t (*editHintCode)(DocState* doc) = nullptr;

    // Animation.
    void (*startAnimation)(DocState* doc) = nullptr;
    // One frame of the running animation.
    void (*animationStep)(DocState* doc) = nullptr;
    void (*stopAnimation)(DocState* doc) = nullptr;
    // The graph bar's animation slider shows the position.
    void (*setAnimationSliderPosition)(int32_t position) = nullptr;
    bool (*isBenchmarkRunning)() = nullptr;

    // The graph model: a new graph set for the graph pane (default: a set
    // without views).
    DocumentGraphSet* (*newGraphSet)(ShortRect paneRect, WindowHandle pane, DocState* doc) = nullptr;

    // Application shell.
    // Restarts the idle timer soon; called from any thread, under the
    // redraw lock, so an entry must post to the interface thread rather
    // than touch a timer from another.
    void (*restartIdleTimerSoon)(DocState* doc) = nullptr;
    // The idle timer's period follows the pending work again; called from
    // any thread.
    void (*updateIdleTimer)(DocState* doc) = nullptr;
    bool (*isDemoRunning)() = nullptr;
    const DocumentPreferences* (*preferences)() = nullptr;
    void (*setDocModified)(bool modified) = nullptr;
    void (*postGraphPaneResize)(DocState* doc) = nullptr;
    void (*refreshAnimationControls)() = nullptr;
    void (*updateGraphPaneCursor)() = nullptr;
    void (*redrawGraphPane)(DocState* doc) = nullptr;
    // Redraws the views the part code selects (see DocumentGraphSet::Draw)
    // and presents them.
    void (*redrawGraphViews)(DocState* doc, int32_t part) = nullptr;
    // Removes the child windows of released OpenGL views, once the frame
    // that replaces them is drawn.
    void (*destroyParkedGLWindows)() = nullptr;
    // A movie being saved grabs the frame just drawn.
    void (*captureMovieFrame)() = nullptr;
    // Runs the idle timer once after the milliseconds.
    void (*scheduleIdleTimer)(DocState* doc, int32_t milliseconds) = nullptr;
    void (*updateGraphBar)() = nullptr;
    // The equation pane is laid out again and redrawn.
    void (*layoutEquationPane)() = nullptr;
    // The frame shows the hidden graph pane.
    void (*revealGraphPane)() = nullptr;
    // GL windows retired meanwhile are destroyed.
    void (*destroyRetiredGLWindows)() = nullptr;
    // The 4D view turns one step.
    void (*spin4DStep)(DocState* doc) = nullptr;
    // The window of a math-pane slider.
    WindowHandle (*mathPaneSliderWindow)(CMathPaneSlider* slider) = nullptr;
    // The frame reveals a collapsed equation pane.
    void (*requestPaneRefresh)() = nullptr;
    // The equation pane takes the keyboard focus.
    void (*focusEquationView)() = nullptr;
    // The equation pane's lines are laid out again before its next paint.
    void (*invalidateEquationLayout)() = nullptr;
    // The text block after the current line joins the current one's box.
    void (*mergeNextTextBlock)(DocState* doc) = nullptr;
    // A text block's box is shown, all its text selected and focused.
    void (*showAndSelectTextBox)(COurEdit* box) = nullptr;
    // Draws the frame-rate text at the equation pane's bottom left.
    void (*drawFrameRate)(DocState* doc, const char16_t* text) = nullptr;
    // The renderer follows a changed antialiasing switch: its depth-test
    // override is set, and the graphs are computed again (or redrawn).
    void (*antialiasingChanged)(DocState* doc) = nullptr;
};

// The hooks every layer fills; one set for the process.
DocumentHooks& GetDocumentHooks();
