// The document state record: everything one open document holds, with the
// equation pane, the sliders, the animation, the graph-building schedule and
// the hand-over flags between threads.
#pragma once

#include "CoreUtilities/Condition.h"
#include "CoreUtilities/CoopThread.h"
#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/Mutex.h"
#include "CoreUtilities/ShortRect.h"
#include "document/DocLine.h"
#include "document/DocumentGraphSet.h"
#include "document/TableFunctionList.h"
#include "evaluation/UserFunction.h"
#include "platform/WindowHandle.h"
#include "platform/WindowQueries.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

struct BytecodeProgram;
struct DataTable;
struct DibImage;
struct FormulaNode;

constexpr uint32_t kDocStateTag = 0x47524146;  // 'GRAF'
constexpr int32_t kPaneDividerDefault = 32000;
constexpr int32_t kStatusHintUnits = 256;
constexpr int32_t kFrameTimeRingSize = 40;

// What is being edited.
enum EditMode : int32_t {
    EditNothing = 0,
    EditFormula = 1,        // an equation, or a table column's header formula
    EditTextOrCell = 2,     // a text block or a table cell
    EditTableColumns = 3,   // table columns selected
    EditTableRows = 4,      // table rows selected
    EditValueCell = 5,      // a value cell of the variables panel
    EditRangeCell = 6,      // a cell of the axis-range panel
};

// What Undo gives back.
enum UndoKind : int16_t {
    UndoNone = 0,
    UndoFormulaEdit = 1,
    UndoTextBox = 2,
    UndoDocumentText = 3,
};

// One entry of the variables list or the "Parameter" list.
struct ParameterValue {
    double value = 0;
    int32_t key = 0;
};
using ParameterValueList = GrowArray<ParameterValue>;

// A value the analysis found on a line: a parameter line's constant, or a
// slider line (read from the line while its slider window exists). Workers
// read these, never the formulas the editor changes.
struct DefinedParameter {
    uint32_t key = 0;
    int32_t line = 0;
    bool slider = false;
    double re = 0;
    double im = 0;
};

// The one statement that maps the plane or space onto itself.
struct TransformRecord {
    // 0 none; 1 x and y given in terms of x' and y'; 2 x' and y' in terms of
    // x and y; 4 x', y', z' in terms of x, y, z.
    uint32_t kind = 0;
    FormulaNode* components[3] = {nullptr, nullptr, nullptr};  // owned
    double Color = 0;
    double Grain = 0.5;
    DocLine* line = nullptr;
};

// Set by the analysis, read by the view preparation.
struct ViewLayoutFlags {
    bool firstView3D = false;
    bool view4D = false;
    bool secondViewShown = false;
    bool secondView3D = false;
};

constexpr int32_t kRangeRows = 13;
constexpr int32_t kValueCells = 100;
constexpr int32_t kPanelCellUnits = 33;

// The block behind the variables panel and the axis-range panel.
struct PanelBlock {
    // Each range row has two cells: side 0 the minimum, side 1 the maximum.
    struct RangeRow {
        char16_t text[2][kPanelCellUnits];
        double value[2];
        // The cell was typed into: its text is the user's, not the value's.
        bool edited[2];
        ShortRect cellRect[2];
        bool used;
    };
    struct ValueCell {
        char16_t text[kPanelCellUnits];
        double value;
        bool edited;
        ShortRect rect;
    };
    RangeRow rangeRows[kRangeRows];
    ValueCell valueCells[kValueCells];
    ShortRect valuePanelRect;
    ShortRect rangePanelRect;
    // The display digits in force when a range was last reported.
    int16_t rangeDigits;
    bool caretShown;
    // Column positions of the panels' texts.
    int16_t valueEqualsX, valueTextX, rangeLabelX, rangeColonX, rangeMinX, rangeDotsX, rangeMaxX;
    // Metrics of the panels' font; rowHeight = ascent + descent.
    int32_t ascent, descent, rowHeight;
};

// The undo record; its use is the undo commands'.
struct UndoRecord {
    FormulaNode* formula = nullptr;  // owned
    int32_t selectionMode = 0;
    int16_t* caretPath = nullptr;  // owned (budget memory)
    int16_t caretPathLength = 0;
    int16_t caret = 0;
    int16_t anchor = 0;
    int16_t kind = UndoNone;
    int16_t lineIndex = 0;
    int16_t tableColumn = 0;
    char* snapshotText = nullptr;  // owned (budget memory)
};

// A mouse press in the equation pane: modifier bits 0 Ctrl and 1 Shift
// (both clear for a demonstration's presses), the time in milliseconds and
// the second press of a double click.
struct PanePress {
    ShortPoint point{0, 0};
    uint32_t modifiers = 0;
    uint32_t time = 0;
    bool doubleClick = false;
};

struct DocState {
    DocState() = default;
    ~DocState();
    DocState(const DocState&) = delete;
    DocState& operator=(const DocState&) = delete;

    // 1. Identity and owners.
    uint32_t tag = 0;
    WindowHandle GraphPaneWindow = nullptr;
    // Owned; made by Init.
    DocumentGraphSet* Graphs = nullptr;
    // The graph pane's image for the GL views; released by the document shell.
    DibImage* graphPaneImage = nullptr;

    // 2. Undo record.
    UndoRecord undo;

    // 3. Lines.
    DocLineArray Lines;

    // 4. Value lists; made by Init, owned.
    ParameterValueList* Variables = nullptr;
    ParameterValueList* Parameters = nullptr;
    // Guards the variables list: the value task reads it while graph
    // building fills it.
    Mutex VariablesLock;

    // 5. Analysis results: owned definition trees, and the user functions in
    // the order they were made.
    GrowArray<FormulaNode*> Definitions;
    UserFunctionList UserFunctions;
    // The parameter and slider lines, in document order; rebuilt with the
    // definitions.
    GrowArray<DefinedParameter> ParameterLines;

    // 6. Panels.
    PanelBlock panels{};

    // 7. Editing state.
    int32_t EditMode = EditNothing;
    int32_t panelCaret = 0;
    int32_t panelAnchor = 0;
    int32_t currentValueCell = 0;
    int32_t currentRangeRow = 0;
    int32_t currentRangeSide = 0;  // 0 minimum, 1 maximum
    int32_t currentLine = -1;
    int32_t currentTableRow = 0;
    int32_t currentTableColumn = 0;
    // The one shared rich-edit window of table cells.
    WindowHandle tableCellEditor = nullptr;
    GrowArray<int32_t> tableSelection;

    // 8. Print settings.
    int32_t printRecord = 0;
    int32_t* pageMargins = nullptr;  // four 16.16 values, owned, or none
    bool printing = false;

    // 9. Document settings.
    int16_t SignificantDigits = 6;
    char FontName[256] = "Times New Roman";
    int16_t FontSizes = 24;
    uint8_t BackgroundType = 1;
    uint8_t BackgroundColor[3] = {0, 0, 0};

    // 10. Animation slider.
    double SliderMin = 0;
    double SliderMax = 10;
    int16_t SliderSteps = 100;
    bool SliderMoving = false;
    // The animation value, which every evaluation reads as the slider
    // variable, and its mirror; written together. The animation moves it on
    // the user-interface thread while graph workers and the task threads
    // evaluate, so it is one atomic word.
    std::atomic<double> SliderValue{1.0};
    double sliderValueMirror = 1.0;
    uint8_t SliderVariable = 'n';
    int32_t SliderThrottle = 30;  // frames per second; 0 or less unpaced
    int32_t SliderDirection = 1;
    bool firstSweep = false;
    bool startPending = false;
    bool SliderOneDirection = false;

    // 11. 4D rotation and timing.
    int32_t rotationPlane4D = 0;
    double rotationPeriod4D = 0;  // 1/speed; 0 none
    int32_t spin4D[2] = {0, 0};
    uint64_t timingStart = 0;  // microseconds; 0 while no timing runs

    // 12. Flags.
    bool DrawGraph = false;
    bool drawGraphAsRead = true;
    bool someGraphable = false;
    bool analysisFinished = false;
    bool equationScrollBar = false;
    bool documentReady = false;
    // The lines' graph status codes need a refresh (graph marks pending).
    bool GraphWorkPending = false;
    bool panelsNeedLayout = true;

    // 13. Pane rectangles.
    ShortRect equationPaneRect{0, 0, 0, 0};
    ShortRect graphPaneRect{0, 0, 0, 0};
    ShortRect spareRects[2] = {{0, 0, 0, 0}, {0, 0, 0, 0}};
    ShortRect statusHintRect{0, 0, 0, 0};
    ShortRect panelRects[2] = {{0, 0, 0, 0}, {0, 0, 0, 0}};
    ShortRect windowRect{0, 0, 0, 0};

    // 14. Shown in the equation pane: editing hints, "Timing..." and the
    // timing result.
    char16_t StatusHint[kStatusHintUnits] = {};

    // 15. View layout found by the analysis.
    ViewLayoutFlags viewLayout;

    // 16. Style summary.
    bool hasTranslucent = false;
    bool hasPictures = false;
    bool recomputeOnStyleChange = false;
    bool pointStylesUsed = false;
    // Some 3D data plot shows symbols or labels, which only the software
    // renderer draws.
    bool hasPlotLabels = false;

    // 17. Graph-building schedule.
    bool view4DAtBegin = false;
    bool secondViewAtBegin = false;
    int32_t buildingLine = 0;
    int32_t buildingStatement = 0;
    int32_t progressClock = 0;
    DocLine* lineBeingAnalysed = nullptr;
    DocLine* firstIncompleteLine = nullptr;
    // 0 idle; 1 the graph set must be prepared; 2 graphs are built line by line.
    int32_t GraphBuildPhase = 0;

    // 18. The map of the plane or space the analysis found.
    TransformRecord transform;

    // 19. Layout and file state.
    int32_t PaneDivider = kPaneDividerDefault;
    bool readSucceeded = false;
    int32_t textEncoding = 0;  // 0 UTF-8, 1 Mac Roman
    // The next graph build leaves the modified flag alone once.
    bool justLoaded = false;
    bool demoPaused = false;

    // 20. Colour palette popup.
    int32_t paletteChoice = 0;
    int32_t paletteHighlight = 0;
    int32_t paletteLine = 0;  // 0 when closed

    // 21. Frame-time ring of the frame-rate meter.
    double frameTimes[kFrameTimeRingSize] = {};
    int32_t frameTimeIndex = 0;
    int32_t meterRefreshTime = 0;
    int32_t lastRedrawTime = 0;
    int32_t nextMeterPaneTime = 0;

    // 22. Id of the running analysis thread; NoCoopThread when no pass runs.
    // The analysis clears it itself as its last step.
    int32_t AnalysisThread = NoCoopThread;

    // 23. View options.
    bool UseAntialiasing = true;
    bool StackPanes = false;  // graph pane below; true beside

    // 24. Table state.
    bool cellEditOpen = false;
    bool tableFunctionsChanged = false;
    TableFunctionList TableFunctionWork;
    TableFunctionList TableFunctions;

    // 25. Thread hand-over, each flag only under its own lock; no code holds
    // two of these locks at once.
    bool redrawRequested = false;
    Mutex RedrawLock;
    bool resultsRefreshRequested = false;
    Mutex ResultsLock;
    // The value task (DocumentTaskState): 0 before the first task, 2 while
    // the document-task thread runs it, 3 once it ended. Graph building and
    // the idle timer read it without locks; the change to 3 is made under
    // TaskLock and announced on TaskSignal.
    std::atomic<int32_t> TaskState{0};
    Mutex TaskLock;
    Condition TaskSignal;

    // 26. The idle timer: its identifier (0 when none runs) and its period in
    // seconds (-1 when off; 0 makes the next policy pass start it afresh).
    int32_t IdleTimerId = 0;
    double IdleTimerPeriod = -1;

    // Stand-ins the panes keep: the user has taken control of the running
    // demonstration; the equation pane's current table, in the pane's
    // coordinates (empty when no table is current).
    bool DemoUserControl = false;
    ShortRect CurrentTableRect{0, 0, 0, 0};

    // Life cycle.
    void Init(WindowHandle graphPane);
    void Reset(WindowHandle graphPane);
    void FreeUndoRecord();

    // The names of the tables' columns (GetTableColumnNames), rebuilt on
    // demand while the flag is set; the document sets it whenever its
    // tables change. The names stay owned by the name registry.
    GrowArray<const char16_t*> TableColumnNames;
    uint8_t TableColumnNamesStale = 1;
    // Pushes the name of every column of every table, in line and column
    // order, skipping null and empty names.
    void CollectTableColumnNames(GrowArray<const char16_t*>& list) const;

    // Accessors; none has side effects.
    DocLine* CurrentLine() { return &Lines[currentLine]; }
    WindowHandle CurrentEditWindow();
    EditorState* CurrentFormula();
    bool IsEditingEquation() const;
    bool IsEditingTextBlock() const;
    bool IsEditingTable() const;
    bool IsOnTableFormulaColumn() const;
    bool CanUseTableCommands() const;
    bool IsTableActive() const;
    bool IsTableDragging() const;
    bool IsEditingTableRowEmpty() const;
    bool UsesAntialiasing() const { return UseAntialiasing; }
    bool IsDemoPaused() const { return demoPaused; }
    // The SymbolCode of the slider variable (a letter is its own code).
    uint32_t GetSliderVariable() const { return SliderVariable; }
    double GetSliderValue() const { return SliderValue.load(std::memory_order_relaxed); }
    // The value and its mirror together.
    void SetSliderValue(double value)
    {
        SliderValue.store(value, std::memory_order_relaxed);
        sliderValueMirror = value;
    }
    bool IsAnimating() const { return SliderMoving; }
    bool HasNoPanelRows() const;
    bool GetPanelsRect(ShortRect* rect) const;
    double MinimumLineHeight() const;
    // The graph pane is shown at a usable size.
    bool IsGraphPaneShown() const { return IsWindowShownWithArea(GraphPaneWindow); }

    // Editing.
    void EndEditing();
    void OnMouseUp(ShortPoint point);

    // Hand-over flags.
    void RequestRedraw();
    bool TakeRedrawRequest();
    // Graphs are drawn and there is something to draw: the next idle tick
    // serves a redraw request.
    bool CanServeRedraw() const { return DrawGraph && someGraphable && Graphs; }
    // A redraw is asked for that the next idle tick will serve.
    bool IsRedrawDue();
    void RequestResultsRefresh();
    bool TakeResultsRefresh();
    void SetGraphWorkPending() { GraphWorkPending = true; }
    void SetRecomputeOnStyleChange() { recomputeOnStyleChange = true; }

    // Lines and their style.
    DocLine* InsertEquationLine();
    void FreeLines();
    bool SetLineGrain(double x);
    void ToggleTransparency();
    void SetCurrentLineXYType(double type);
    void MakeAllOpaque();
    void SetCurrentLinePicture(GlobalHandle picture);
    void PastePicture(GlobalHandle picture, const ShortPoint* point);
    void UpdateHasTranslucent();
    void UpdateHasPictures();
    bool CanToggleTransparency() const;
    bool CurrentLineHasResolution() const;
    bool AnyLineUsesSliderVariable() const;
    void CommitPendingCellEdit();

    // The analysis and the graph schedule.
    void Recompute();
    // Asks for graphs: the next idle slices prepare the graph set and build
    // the lines' graphs once the analysis has finished.
    void BeginGraphing();
    // The enable state of Draw Graph.
    bool CanDrawGraph() const;
    // One idle slice of graph building: at most one second, stopping
    // between statements and resuming there.
    void ComputeGraphsStep();
    // Gives the graphs up to a second to complete and uploads their meshes.
    void ComputeGraphsAndWait();
    // The first equation line one of whose graphs is not complete, or null.
    DocLine* FirstIncompleteLine();
    // The graph pane's idle work: redraws when asked, paces the animation,
    // writes the lines' graph status once all graphs are complete.
    void IdleTick();
    // The frame's idle work: graph building, the open cell edit, new result
    // texts, the caret.
    void IdleUpdate();
    // After each frame of a 3D or 4D view, in seconds.
    void RecordFrameTime(double seconds);
    void DrawFrameRateMeter();
    void UpdateEditHint();
    void ClearEditHint();
    void RefreshEditState();
    void StopAnalysis();
    // Graphs dropped, DrawGraph off, panes refreshed.
    void StopGraphing();
    void StopAnimation();
    // Table columns with header formulas are computed again.
    void UpdateTables();
    // The first statement that maps the plane or space onto itself fills
    // the transform record.
    void FindTransformDefinition();
    // Each slider line with a window takes its value from the window.
    void UpdateMathPaneSliderValues();

    // Parameters, variables and result values.
    // The value of the key in the variables list; NaN when absent.
    double GetVariableValue(uint32_t key);
    void ClearVariables();
    // The free letters of the tree join the variables list (at most
    // kValueCells), with their value from the "Parameter" list, else 1.
    void AddFreeVariables(const FormulaNode* tree);
    bool AnyResultShown() const;
    // Marks every result stale and queues the value task, when results are shown.
    void QueueResultRefresh();
    // A dragged point (the main graph of its line) rewrites its equation
    // as re + im i.
    void SetPointEquationValue(int32_t graph, double re, double im);
    // A key typed into a value cell (EditMode 5) or a range cell (EditMode 6).
    void OnPanelKey(char16_t ch);
    // The edited value cell's text becomes its variable's value.
    void StoreValueCell();

    // Variables and range panels, at the equation pane's bottom right. Cell
    // texts hold at most kPanelCellUnits - 1 characters; the selection of the
    // edited cell runs between panelAnchor (where a drag started) and
    // panelCaret.
    // The graph set reports a range slot's range.
    void SetRangePanelRow(int32_t row, double minimum, double maximum);
    // Rows 0-9 forget what was typed and are reported again.
    void ResetRangePanel();
    // Unless a panel cell is edited: no row is used and no cell typed into.
    void ClearPanelEditedMarks();
    int32_t CountRangePanelRows() const;
    // The baseline of panel row i counted from the bottom.
    int32_t PanelRowY(int32_t i) const;
    void LayoutVariablePanels();
    void DrawVariablePanels();
    // The x where character n of the cell's text begins.
    int32_t MeasureRangeCell(int32_t row, int32_t side, int32_t n);
    int32_t MeasureValueCell(int32_t cell, int32_t n);
    // The caret position for a pixel x.
    int32_t RangeCellCaretAt(int32_t row, int32_t side, int32_t x);
    int32_t ValueCellCaretAt(int32_t cell, int32_t x);
    // The used row and side whose cell holds the point; false for none.
    bool RangeCellAt(ShortPoint point, int32_t* row, int32_t* side) const;
    // The value cell that holds the point, or -1.
    int32_t ValueCellAt(ShortPoint point) const;
    void BeginRangeCellEdit(int32_t row, int32_t side, ShortPoint point, bool doubleClick);
    void BeginValueCellEdit(int32_t cell, ShortPoint point, bool doubleClick);
    // Answer whether the selection changed.
    bool DragSelectRangeCell(ShortPoint point);
    bool DragSelectValueCell(ShortPoint point);
    // The edited range cell's text becomes the range's bound.
    void StoreRangeCell();
    // Pastes UTF-8 text over the selection, cut to what the cell holds.
    void InsertIntoRangeCell(const char* bytes);
    void InsertIntoValueCell(const char* bytes);
    void DeleteRangeCellSelection();
    void DeleteValueCellSelection();
    // The selected characters as UTF-8 with a terminator; kPanelCopyBytes
    // always suffice.
    void CopyRangeFieldSelection(char* out, size_t capacity) const;
    void CopyVariableFieldSelection(char* out, size_t capacity) const;
    void SelectAllInField();
    bool HasCellSelection() const;
    // Empty cells of used rows, but the edited one, become "0".
    void FillEmptyRangeCells();
    // A key typed into a range cell (EditMode 6).
    void OnRangeCellKey(char16_t ch);

    // Undo. The editor saves the current formula before an edit (a run of
    // typing shares one record); restoring swaps it with the current one,
    // so that a second Undo redoes.
    void SaveUndoForEdit();
    void RestoreUndoEdit();
    // The whole document as text, before an operation that rewrites many
    // lines; false when memory ran out.
    bool SaveUndoSnapshot();
    // Edit Undo.
    void Undo();

    // The animation slider. The position of the graph bar's slider, kept
    // here and shown there.
    int32_t animationPosition = 0;
    double SliderValueAt(int32_t position) const;
    int16_t GetSliderSteps() const { return SliderSteps; }
    void SetAnimationSliderPosition(int32_t position);
    void StartAnimation();
    // False while an animation runs in full swing (or for the benchmark).
    bool IsAnimationIdle() const;
    void SyncAnimationValue();
    // From position 0, once up with a rest at the top, then back and forth.
    void PlayAnimation();
    void ToggleAnimation(bool restart);
    void AnimateGraph(bool oneDirection, bool restart);
    // One frame of the running animation.
    void AnimationStep();
    // The user moved the graph bar's slider.
    void SetAnimationPosition(int32_t position);
    // Starts timing, or ends it with the seconds in the status hint.
    void TimeAnimation(bool start);
    void ToggleThrottle();
    void ClearLineStatusCodes();
    // A math-pane slider of the variable (a key) moved; changed is false
    // when it reports the same position again.
    void OnMathPaneSliderMoved(bool changed, uint32_t key);

    // The view switches that live in the document. Planes are the 4D
    // view's plane codes 32-37; which is 0 the active view, 1 the second,
    // 2 both.
    // The plane spins at the speed (0 stops it); the idle tick turns it.
    void Set4DRotationSpeed(int32_t plane, double speed);
    void Rotate4DBy(int32_t plane, double angle);
    void Clear4DRotation();
    bool HasPaperBackground() const { return BackgroundType == 1 || BackgroundType == 2; }
    // The slot's 2D view draws graph paper, or, where a 3D or 4D view is
    // shown, the paper background is on.
    bool IsGraphPaperShown(int32_t which) const;
    void TogglePaperBackground();
    void ToggleGraphPaper(int32_t which);
    void ToggleAntialiasing();
    void ResetGraphView(int32_t which);

    // Definitions and user functions.
    void CollectDefinitions();
    void FreeDefinitions();
    // Rebuilds ParameterLines from the lines' formulas; only while no
    // worker and no value task runs.
    void CollectParameterLines();
    bool HasUserFunction(const FormulaNode* name) const { return FindUserFunction(name) >= 0; }
    // The first user function whose head names the function as the node
    // does, or -1; the compiler's operand for a call.
    int32_t FindUserFunction(const FormulaNode* name) const;
    // The compiled program of user function number index, or null.
    const BytecodeProgram* GetUserFunction(int32_t index) const;
    // Compiles every user function that has no program yet, so that the
    // document task finds them ready.
    void CompileUserFunctions();

    // The equation pane: where the lines go, how they are drawn, and the
    // input the pane hands over. Layout and drawing need the typesetter and
    // live with the editor.
    void LayoutLines();
    void DrawLines();
    void DrawLineSwatch(int32_t line, bool atZero);
    void GetSwatchRect(ShortRect* rect, int32_t line, bool atZero);
    void DrawSliderValue(int32_t line);
    void GetMathPaneRect(ShortRect* rect) const { *rect = equationPaneRect; }
    // The pane's extent across the divider exceeds 27 pixels.
    bool IsMathPaneShown() const;
    bool IsLineInProgress(const DocLine* line) const;
    bool IsFirstIncompleteLine(const DocLine* line) const;
    bool IsLineBusy(const DocLine* line) const;
    // The status text under the line is drawn.
    bool IsLineStatusShown(const DocLine* line) const;
    void ClearTransformRecord();
    void OnMouseDown(const PanePress& press);
    // Only while the button is held; true when the pane needs repainting.
    uint8_t OnMouseMove(ShortPoint point, WindowHandle view);
    void OnKeyDown(uint32_t ch, uint32_t ch2, uint32_t flags, WindowHandle view);
    void BeginEditingCurrentLine();
    void BeginFirstLine();
    void RemoveCurrentLine();
    void ClearDocument();

    // Rows of the table column named by the code; 0 for no column.
    int32_t TableColumnRowCount(uint32_t code) const;
    // The table-function list built again from the table lines, and the
    // names in use noted again (TableFunctions.h).
    void RebuildTableFunctions();
    void NoteEquationNamesInUse();

    // Tables: column kinds, header names, and the Table menu's commands with
    // the cell editing (which lives with the editor).
    void ClassifyTableColumns(DataTable* table);
    void ClassifyAllTableColumns();
    void CollectTableHeaderNames(GrowArray<const char16_t*>* list) const;
    void InsertTableLine();
    void AddTableRow(int32_t after);
    void AddTableColumn(int32_t after);
    void AddTableFormulaColumn(int32_t after);
    void DeleteTableRow();
    void DeleteTableColumn();
    void SortTable(int32_t direction);
    void SetTableFontSize(int32_t size);
    // The selected rows or columns as TAB-separated UTF-8 lines ending in CR;
    // the caller frees the text with BudgetFree. Null when nothing is selected.
    char* CopyTableSelection();
    // A drag out of the edited cell at the pane point: sideways it selects
    // the row under the point, else the column.
    void BeginTableSelection(ShortPoint point);
    // While rows or columns are selected, the one under the pointer joins
    // the selection; true when the pane must be redrawn.
    bool ExtendTableSelection(ShortPoint point);
    void BeginTableCellEdit();
    void CommitTableCellEdit();
    void CommitTableCellText();
    void StoreTableCellText(const char16_t* text, int32_t length, int32_t row, int32_t column);
    void FitCurrentTableRows();
    void PlaceTableCellEditor();
    void UpdateTableCellEditor();
    void ScrollCurrentCellIntoView();
    bool IsCurrentCellHidden();
    // The document task, run on the document-task thread: recomputes table
    // formula columns and the result texts of equation lines; ends early
    // while DocumentTaskAbort is raised.
    void RefreshResults();
};

constexpr size_t kPanelCopyBytes = 4 * (kPanelCellUnits - 1) + 1;
// The letter of a range row (a prime follows rows 4-6).
char16_t RangeRowLetter(bool view4DShown, int32_t row);
// What a range cell accepts besides the keys of a value cell.
bool IsRangeCellChar(char16_t ch);
// The value of a range cell's text such as 2pi; 0 when it does not parse.
double EvaluateRangeCellText(const char16_t* text, DocState* doc);

// Zero-fills a freshly made record field by field; EditMode and
// SliderDirection become 1.
void ClearDocState(DocState* doc);

// The one document of the process.
inline DocState* GetDocState()
{
    static DocState doc;
    return &doc;
}

// For an equation line with graphs and a picture: the line's graphs take
// the picture as their colour.
void ApplyLinePictureToGraphs(DocState* doc, DocLine* line);

// The equation pane's free services: the "= value" right of a formula, a
// graph number added to a line's list, and the hidden Ctrl+Shift keys (true
// when the key was one).
void DrawResultText(DocLine* line, int32_t top, int32_t left);
void GetResultTextRect(ShortRect* rect, DocLine* line);
bool AddLineGraph(DocLine* line, int32_t graph);
bool HandleHiddenShortcut(uint32_t flags, uint32_t ch, uint32_t ch2);

// Copies the preference values into the document.
void ApplyPreferencesToDocument(DocState* doc);
// At exit: what outlives documents.
void ReleaseDocumentGlobals();

// An animation played from its start has run once up to its top.
inline std::atomic<bool> AnimationSweepDone{false};

// The frame-rate meter is switched on (a hidden key of the equation pane toggles it).
inline uint8_t FrameRateMeterSwitch = 0;

inline bool IsPointInCurrentTable(ShortPoint p)
{
    return PointInShortRect(p, GetDocState()->CurrentTableRect);
}
