#include "document/DocState.h"

#include "CoreUtilities/PictureHandle.h"
#include "document/DocumentHooks.h"
#include "document/DocumentTask.h"
#include "drawing/DibImage.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/NameRegistry.h"
#include "formula/NodePoolSet.h"
#include "formula/RewriteRules.h"

#include <algorithm>
#include <cstring>

namespace {

const DocumentHooks& Hooks()
{
    return GetDocumentHooks();
}

bool IsDemoRunningNow()
{
    return Hooks().isDemoRunning && Hooks().isDemoRunning();
}

void RedrawEquationPaneNow()
{
    if (Hooks().redrawEquationPane)
        Hooks().redrawEquationPane();
}

void ZeroPaneRects(DocState* doc)
{
    for (ShortRect* r : {&doc->equationPaneRect, &doc->graphPaneRect, &doc->spareRects[0], &doc->spareRects[1],
                         &doc->statusHintRect, &doc->panelRects[0], &doc->panelRects[1], &doc->windowRect})
        *r = ShortRect{0, 0, 0, 0};
}

void FreeValueList(ParameterValueList*& list)
{
    if (list)
        list->Clear();
    delete list;
    list = nullptr;
}

void FreeTransform(TransformRecord& transform)
{
    for (FormulaNode*& component : transform.components) {
        FreeTree(component);
        component = nullptr;
    }
}

}  // namespace

DocState::~DocState()
{
    // Nothing may run on a freed document, nor wait for it in the task queue.
    StopAnalysis();
    CancelDocumentTask(this);
    FreeUndoRecord();
    FreeTransform(transform);
    FreeDefinitions();
    for (DocLine& line : Lines)
        FreeDocLine(&line);
    Lines.Clear();
    tableSelection.Clear();
    TableFunctionWork.Clear();
    TableFunctions.Clear();
    FreeValueList(Variables);
    FreeValueList(Parameters);
    BudgetFree(pageMargins);
    delete Graphs;
}

void ClearDocState(DocState* doc)
{
    doc->tag = 0;
    doc->GraphPaneWindow = nullptr;
    doc->graphPaneImage = nullptr;
    doc->Variables = doc->Parameters = nullptr;
    doc->panels = PanelBlock{};
    doc->EditMode = EditFormula;
    doc->currentLine = 0;
    doc->printRecord = 0;
    doc->pageMargins = nullptr;
    doc->SignificantDigits = 0;
    doc->FontName[0] = 0;
    doc->FontSizes = 0;
    doc->BackgroundType = 0;
    doc->SliderMin = doc->SliderMax = 0;
    doc->SliderSteps = 0;
    doc->SliderValue = doc->sliderValueMirror = 0;
    doc->SliderVariable = 0;
    doc->SliderThrottle = 0;
    doc->SliderDirection = 1;
    doc->drawGraphAsRead = false;
    doc->panelsNeedLayout = false;
    doc->transform.Grain = 0;
    doc->PaneDivider = 0;
    doc->AnalysisThread = 0;
    doc->UseAntialiasing = false;
    doc->IdleTimerPeriod = 0;
}

void DocState::Init(WindowHandle graphPane)
{
    FontName[0] = 0;
    ZeroPaneRects(this);
    printRecord = 0;
    BudgetFree(pageMargins);
    pageMargins = nullptr;
    printing = false;
    // A second new document in one process still holds the first one's
    // transform and undo copies: they are freed, not dropped.
    FreeTransform(transform);
    FreeUndoRecord();
    tableCellEditor = nullptr;
    EditMode = EditNothing;
    currentLine = -1;
    currentTableRow = currentTableColumn = 0;
    panelCaret = panelAnchor = 0;

    if (Graphs) {
        delete Graphs;
        Graphs = nullptr;
        FreeValueList(Variables);
        FreeValueList(Parameters);
    }
    Graphs = Hooks().newGraphSet ? Hooks().newGraphSet(graphPaneRect, graphPane, this)
                                 : new (std::nothrow) DocumentGraphSet;
    if (!Variables)
        Variables = new (std::nothrow) ParameterValueList;
    if (!Parameters)
        Parameters = new (std::nothrow) ParameterValueList;

    // The pane's image outlives a pane closed before it; it goes with the
    // document it showed.
    DisposeDibImage(graphPaneImage);
    graphPaneImage = nullptr;
    documentReady = false;
    paletteLine = 0;
    tableFunctionsChanged = true;
    SetCurrentEditorState(nullptr);
    std::fill(std::begin(frameTimes), std::end(frameTimes), 0.0);
    frameTimeIndex = 0;
    meterRefreshTime = lastRedrawTime = nextMeterPaneTime = 0;
    AnalysisThread = NoCoopThread;
    Reset(graphPane);
}

void DocState::Reset(WindowHandle graphPane)
{
    if (Graphs)
        Graphs->ClearAllGraphs();

    std::strcpy(FontName, "Times New Roman");
    SliderMin = 0;
    SliderMax = 10;
    SignificantDigits = 6;
    FontSizes = 24;
    SliderValue = sliderValueMirror = 1.0;
    BackgroundType = 1;
    BackgroundColor[0] = BackgroundColor[1] = BackgroundColor[2] = 0;
    rotationPeriod4D = 0;
    StackPanes = false;
    SliderSteps = 100;
    SliderThrottle = 30;
    SliderVariable = 'n';
    SliderDirection = 1;

    spin4D[0] = spin4D[1] = 0;
    timingStart = 0;
    readSucceeded = false;
    equationScrollBar = false;
    panels = PanelBlock{};
    ZeroPaneRects(this);

    tag = kDocStateTag;
    GraphPaneWindow = graphPane;

    DrawGraph = someGraphable = analysisFinished = SliderMoving = false;
    firstSweep = startPending = SliderOneDirection = GraphWorkPending = justLoaded = false;
    EditMode = EditNothing;
    currentLine = -1;
    drawGraphAsRead = true;
    panelsNeedLayout = true;
    textEncoding = 0;
    hasTranslucent = hasPictures = recomputeOnStyleChange = pointStylesUsed = false;

    // A demonstration keeps its layout and its timing text.
    if (!IsDemoRunningNow()) {
        StatusHint[0] = 0;
        PaneDivider = kPaneDividerDefault;
        UseAntialiasing = true;
    } else if (StatusHint[0] != u'T') {
        StatusHint[0] = 0;
    }

    IdleTimerPeriod = 0;

    FreeUndoRecord();

    FreeTransform(transform);
    transform.kind = 0;
    transform.Color = 0;
    transform.Grain = 0.5;
    transform.line = nullptr;

    view4DAtBegin = secondViewAtBegin = false;
    GraphBuildPhase = 0;
    TakeRedrawRequest();
    TakeResultsRefresh();
    cellEditOpen = false;

    FreeLines();
    if (Variables)
        Variables->count = 0;
    if (Parameters)
        Parameters->count = 0;

    if (Graphs)
        Graphs->SetViewCodes(7);
    printing = false;
}

void DocState::FreeUndoRecord()
{
    if (Hooks().resetEditorUndo)
        Hooks().resetEditorUndo();
    FreeTree(undo.formula);
    BudgetFree(undo.caretPath);
    BudgetFree(undo.snapshotText);
    undo = UndoRecord{};
}

WindowHandle DocState::CurrentEditWindow()
{
    DocLine* line = CurrentLine();
    if (line->kind == DocLineTable)
        return tableCellEditor;
    return line->textBox && Hooks().textBoxWindow ? Hooks().textBoxWindow(line->textBox) : nullptr;
}

EditorState* DocState::CurrentFormula()
{
    DocLine* line = CurrentLine();
    if (line->kind != DocLineTable)
        return line->formula;
    return line->table && Hooks().tableHeaderFormula ? Hooks().tableHeaderFormula(line->table, currentTableColumn)
                                                     : nullptr;
}

namespace {

// The current line when one is current and it has the kind.
const DocLine* CurrentOfKind(const DocState* doc, int32_t kind)
{
    if (doc->currentLine < 0 || doc->currentLine >= doc->Lines.count)
        return nullptr;
    const DocLine* line = &doc->Lines[doc->currentLine];
    return line->kind == kind ? line : nullptr;
}

}  // namespace

bool DocState::IsEditingEquation() const
{
    return EditMode == EditFormula && CurrentOfKind(this, DocLineEquation);
}

bool DocState::IsEditingTextBlock() const
{
    return EditMode == EditTextOrCell && CurrentOfKind(this, DocLineText);
}

bool DocState::IsEditingTable() const
{
    return (EditMode == EditFormula || EditMode == EditTextOrCell) && CurrentOfKind(this, DocLineTable);
}

bool DocState::IsOnTableFormulaColumn() const
{
    if (!IsEditingTable())
        return false;
    DataTable* table = Lines[currentLine].table;
    return table && Hooks().tableColumnIsFormula && Hooks().tableColumnIsFormula(table, currentTableColumn);
}

bool DocState::CanUseTableCommands() const
{
    return IsEditingTable() || (EditMode == EditTableColumns && tableSelection.count == 1);
}

bool DocState::IsTableActive() const
{
    return IsEditingTable() || EditMode == EditTableColumns || EditMode == EditTableRows;
}

bool DocState::IsTableDragging() const
{
    const DocLine* line = CurrentOfKind(this, DocLineTable);
    return IsTableActive() && line && line->table && Hooks().isTableDragging && Hooks().isTableDragging(line->table);
}

bool DocState::IsEditingTableRowEmpty() const
{
    const DocLine* line = CurrentOfKind(this, DocLineTable);
    return EditMode == EditTextOrCell && line && line->table && Hooks().isTableRowEmpty &&
        Hooks().isTableRowEmpty(line->table, currentTableRow);
}

bool DocState::HasNoPanelRows() const
{
    for (const PanelBlock::RangeRow& row : panels.rangeRows) {
        if (row.used)
            return false;
    }
    return !Variables || Variables->count == 0;
}

double DocState::MinimumLineHeight() const
{
    return std::max(9.0, 0.8 * FontSizes);
}

void DocState::EndEditing()
{
    DocLine* line = currentLine >= 0 && currentLine < Lines.count ? &Lines[currentLine] : nullptr;
    if (line && line->kind == DocLineTable && line->table && Hooks().setTableDragging)
        Hooks().setTableDragging(line->table, false);
    switch (EditMode) {
    case EditFormula:
        RedrawEquationPaneNow();
        break;
    case EditTextOrCell: {
        bool hidden = line && line->table && Hooks().isTableCellHidden &&
            Hooks().isTableCellHidden(line->table, currentTableRow, currentTableColumn);
        if (!hidden && Hooks().hideTableCellEditor)
            Hooks().hideTableCellEditor(tableCellEditor);
        break;
    }
    case EditTableColumns:
    case EditTableRows:
    case EditValueCell:
    case EditRangeCell:
        RedrawEquationPaneNow();
        break;
    default:
        break;
    }
    EditMode = EditNothing;
    currentLine = -1;
    tableSelection.count = 0;
    SetCurrentEditorState(nullptr);
}

void DocState::OnMouseUp(ShortPoint)
{
    if (paletteLine != 0) {
        if (Hooks().applyColorPaletteChoice)
            Hooks().applyColorPaletteChoice(this);
        paletteLine = 0;
    } else if (EditMode == EditFormula && Hooks().formulaMouseUp) {
        Hooks().formulaMouseUp();
    }
    if (IsTableDragging() && Hooks().setTableDragging)
        Hooks().setTableDragging(Lines[currentLine].table, false);
}

void DocState::RequestRedraw()
{
    MutexLock hold(RedrawLock);
    redrawRequested = true;
    // Under the lock, so that a tick that takes the flag after this point
    // also finds the timer restarted.
    if (Hooks().restartIdleTimerSoon)
        Hooks().restartIdleTimerSoon(this);
}

namespace {

// The flag's value, cleared, under its lock.
bool TakeFlag(Mutex& lock, bool& flag)
{
    MutexLock hold(lock);
    bool raised = flag;
    flag = false;
    return raised;
}

}  // namespace

bool DocState::TakeRedrawRequest()
{
    return TakeFlag(RedrawLock, redrawRequested);
}

bool DocState::IsRedrawDue()
{
    if (!CanServeRedraw())
        return false;
    MutexLock hold(RedrawLock);
    return redrawRequested;
}

void DocState::RequestResultsRefresh()
{
    MutexLock hold(ResultsLock);
    resultsRefreshRequested = true;
}

bool DocState::TakeResultsRefresh()
{
    return TakeFlag(ResultsLock, resultsRefreshRequested);
}

int32_t DocState::TableColumnRowCount(uint32_t code) const
{
    const TableFunctionEntry* entry = FindTableFunction(TableFunctions, code);
    return entry ? entry->rowCount : 0;
}

void DocState::CollectTableColumnNames(GrowArray<const char16_t*>& list) const
{
    // The table functions are the named columns, one entry each.
    GrowArray<const TableFunctionEntry*> columns;
    for (const TableFunctionEntry& entry : TableFunctions) {
        if (columns.Push(&entry) != 0) {
            columns.Clear();
            return;
        }
    }
    std::stable_sort(columns.begin(), columns.end(), [](const TableFunctionEntry* a, const TableFunctionEntry* b) {
        return a->lineIndex != b->lineIndex ? a->lineIndex < b->lineIndex : a->column < b->column;
    });
    for (const TableFunctionEntry* entry : columns) {
        const char16_t* name = SymbolName(entry->key);
        if (name && *name && list.Push(name) != 0)
            break;
    }
    columns.Clear();
}

void ApplyPreferencesToDocument(DocState* doc)
{
    static const DocumentPreferences defaults;
    const DocumentPreferences* preferences = Hooks().preferences ? Hooks().preferences() : &defaults;
    doc->SignificantDigits = preferences->significantDigits;
    doc->StackPanes = preferences->graphsToTheRight;
    doc->FontSizes = preferences->mainFontSize;
    doc->BackgroundType = preferences->backgroundType;
    std::memcpy(doc->BackgroundColor, preferences->backgroundColor, sizeof doc->BackgroundColor);
    std::memcpy(doc->FontName, preferences->typeface, sizeof doc->FontName);
    doc->FontName[sizeof doc->FontName - 1] = 0;
}

void ReleaseDocumentGlobals()
{
    ClearNameRegistry();
    if (Hooks().releaseEditorGlobals)
        Hooks().releaseEditorGlobals();
    FreeSubstitutionTable();
    DestroyNodePoolSet();
    DocState* doc = GetDocState();
    doc->TableFunctionWork.Clear();
    doc->TableFunctions.Clear();
}
