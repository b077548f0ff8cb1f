// The table of a table line: columns of cells held as wide strings, cell 0
// of each column being its header, which is either a text (the column's
// name) or a header formula typeset like an equation. A header formula
// name = expression makes the column a computed column, which the document
// task fills. Everything here runs on the user-interface thread except
// ComputeFormulaColumns, which builds its texts and values privately and
// swaps them in under cellLock; readers of cell texts on the interface
// thread that may meet a running task (drawing, measuring) take that lock.
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/Mutex.h"
#include "CoreUtilities/ShortRect.h"
#include "document/TableFunctionList.h"
#include "numerics/Interval.h"
#include "platform/WindowHandle.h"

#include <cstdint>

class CompiledFormula;
struct FontData;
class PortDC;
struct DocLine;
struct DocState;
struct EditorState;
struct FormulaNode;

// The table selection and the column lists of the commands.
using IndexList = GrowArray<int32_t>;
bool IndexListContains(const IndexList& list, int32_t index);
// Adds unless present.
void IndexListAdd(IndexList* list, int32_t index);
// Removes every occurrence.
void IndexListRemove(IndexList* list, int32_t index);
// The smallest index; 0 when empty.
int32_t IndexListMin(const IndexList& list);

constexpr int32_t kNewColumnWidth = 25;
constexpr int32_t kDefaultTableFontSize = 12;
// A table taller than this shows only the rows that fit.
constexpr int32_t kTallestTable = 1600;

// One of a table's own scroll bars: present only while rows or columns are
// hidden. The window, when the editor made one, reports its position back
// through SetTableScrollPosition.
struct TableScrollBar {
    WindowHandle window = nullptr;
    int32_t position = 0;
    int32_t maximum = 0;
    // Across the bar, in pixels.
    int32_t thickness = 16;
};

struct DataTableColumn {
    int32_t width = kNewColumnWidth;
    // Owned; its tableFontSize is the table's.
    EditorState* headerFormula = nullptr;
    // The header formula as prepared for computing; owned.
    FormulaNode* computedFormula = nullptr;
    // Present only while the column is computed.
    CompiledFormula* compiled = nullptr;
    // Cell 0 the header text, cells 1.. the data rows; null is an empty cell.
    GrowArray<char16_t*> cells;
    // One value per cell (index 0 unread); owned.
    double* values = nullptr;
    int32_t valueCount = 0;
    uint8_t needsMeasure = 1;
    uint8_t needsCompute = 1;
    // 0 not yet known, 1 numeric, 2 text.
    int32_t kind = 0;
    // The laid-out header formula: width, height above its baseline and
    // depth below it (the editor fills them when it lays the headers out).
    int32_t headerWidth = 0;
    int32_t headerAbove = 0;
    int32_t headerBelow = 0;

    void Init();
    void Free();
    int32_t GetKind();
    bool ReserveValues();
    void ParseCellValue(int32_t i);
    void ParseValues();
};

struct DataTable {
    int32_t top = 0;
    int32_t left = 0;
    int32_t fontSize = kDefaultTableFontSize;
    int32_t rowHeight = 20;
    int32_t headerAscent = kDefaultTableFontSize;
    GrowArray<DataTableColumn*> columns;
    // Rows shown counting the header row; 0 all.
    int32_t displayRows = 0;
    // Width available for the columns; 0 all.
    int32_t visibleWidth = 0;
    TableScrollBar* rowScrollBar = nullptr;
    TableScrollBar* columnScrollBar = nullptr;
    DocState* owner = nullptr;
    // The bottom edge is being dragged to change displayRows.
    uint8_t dragging = 0;
    // Held while computed cells are swapped in, and by interface-thread
    // readers that may meet the document task, and by the table functions
    // (which only read, from any thread).
    mutable Mutex cellLock;

    // Model.
    void Free();
    int32_t RowCount() const;
    void SetFontSize(int32_t size);
    bool InsertColumn(int32_t index);
    bool AppendColumn();
    bool EnsureColumn(int32_t index);
    bool FillColumnCells(int32_t index);
    bool AppendHeaderColumn();
    bool InsertRow(int32_t index);
    void EnsureRow(int32_t row, bool fit);
    int32_t DeleteRow(int32_t row);
    int32_t DeleteColumn(int32_t column);
    bool IsEmpty() const;
    bool IsRowEmpty(int32_t row) const;
    bool HasOnlyFirstHeader() const;
    bool IsComputedColumn(int32_t column) const;
    bool IsTextColumn(int32_t column) const;
    const char16_t* GetCell(int32_t row, int32_t column) const;
    void SetCell(char16_t* text, int32_t row, int32_t column);
    void SetCellText(const char16_t* text, int32_t n, int32_t row, int32_t column);
    void AppendCellText(const char16_t* text, int32_t n);
    void SetHeaderFormula(int32_t column, EditorState* state);
    // The header formula's state when there is one, else null; the text
    // through headerText.
    EditorState* GetColumnHeader(int32_t column, const char16_t** headerText) const;
    void ParseHeaderFormulas(DocState* doc);
    void PrepareHeaderFormulas(DocState* doc);
    void LocalizeDecimalPoints();
    void WriteText() const;
    void WriteRowText(int32_t row) const;
    void WriteColumnsText(const IndexList& columns) const;
    void WriteRowsText(const IndexList& rows) const;
    void MarkAllColumnsForMeasure();
    void MarkColumnsForRecompute();
    void CollectHeaderNames(GrowArray<const char16_t*>* list) const;
    // Every column equally long and at least one cell: what a damaged file
    // may lack.
    bool Normalise();

    // Measures and geometry, in equation-pane pixels.
    int32_t HeaderHeight();
    int32_t FullHeight();
    bool ShowsAllRows();
    bool ShowsAllColumns();
    int32_t TotalWidth() const;
    int32_t Height();
    int32_t HeightWithScrollBar();
    int32_t ColumnLeft(int32_t i) const;
    int32_t ColumnRight(int32_t i) const;
    int32_t RowPosition() const;
    int32_t ColumnPosition() const;
    int32_t FirstVisibleRow();
    int32_t LastVisibleRow();
    int32_t FirstVisibleColumn();
    int32_t LastVisibleColumn();
    int32_t VisibleWidth();
    int32_t RowTop(int32_t row);
    int32_t RowAtY(int32_t y);
    ShortRect CellTextRect(int32_t row, int32_t column);
    ShortRect CellEditorRect(int32_t row, int32_t column);
    ShortRect CellFrameRect(int32_t row, int32_t column);
    ShortRect ScrollBarBand();
    ShortRect VisibleRect();
    bool ContainsPoint(ShortPoint p);
    bool InColumnSelectStrip(ShortPoint p);
    bool InRowSelectStrip(ShortPoint p);
    bool InScrollBarBand(ShortPoint p);
    bool IsCellVisible(int32_t row, int32_t column);
    void CellAt(ShortPoint p, int32_t* row, int32_t* column);
    // mode 0 adds the run from the list's smallest to the found index, 1
    // toggles it, 2 adds it; false when the point names none.
    bool SelectColumnsAt(IndexList* list, ShortPoint p, int32_t mode);
    bool SelectRowsAt(IndexList* list, ShortPoint p, int32_t mode);

    // Layout and scroll bars.
    void SetOrigin(int32_t newTop, int32_t newLeft);
    void SetVisibleWidth(int32_t w) { visibleWidth = w; }
    void SetDisplayRows(int32_t n) { displayRows = n < 0 ? 0 : n; }
    void LayoutHeaders();
    bool MeasureColumn(int32_t i);
    bool RemeasureColumns();
    void UpdateScrollBars();
    void PlaceScrollBars();
    void SetScrollPosition(bool rows, int32_t position);
    void ScrollBy(int32_t d);
    void ScrollCellIntoView(int32_t row, int32_t column);
    void FitRows();
    bool DragDisplayRows(ShortPoint p);

    // Drawing (with the editor): the current cell, the edit mode and the
    // selection apply only to the current line's table (mode 0 otherwise).
    void Draw(int32_t currentRow, int32_t currentColumn, int32_t editMode, const IndexList* selection);
    void DrawColumnSelection(const IndexList& list);
    void DrawRowSelection(const IndexList& list);

    // Commands.
    void SortRows(int32_t column, int32_t direction);
    // On the document-task thread.
    void ComputeFormulaColumns(DocState* doc);

    // Tables as functions. The lookups read the values arrays only and take
    // cellLock, so any thread may call them while the document task swaps
    // computed values in; rows are counted from 1 (0 is the header).
    // One entry per named column, from left to right; false when the list
    // refuses one.
    bool AddTableFunctions(TableFunctionList* list, int32_t line) const;
    double GetValueAt(int32_t column, int32_t row) const;
    // The cell's text, or null; only while the table stays unchanged.
    const char16_t* GetCellAt(int32_t column, int32_t row) const;
    // A copy of the cell's text (free it with std::free), null for none.
    char16_t* CopyCellAt(int32_t column, int32_t row) const;
    // The column over x in [0, 1] spread evenly over the data rows.
    double Interpolate1(int32_t column, double x) const;
    // The whole table over x (rows) and y (columns), both in [0, 1].
    double Interpolate2(double x, double y) const;
    // Intervals that hold every value of the two above over [a, b], and
    // over the box [a, b] by [c, d].
    Interval InterpolateInterval1(int32_t column, Interval x) const;
    Interval InterpolateInterval2(Interval x, Interval y) const;
};

// Whether data row a (0 is the first data row) sorts before row b.
bool TableRowLess(DataTableColumn* column, int32_t a, int32_t b, int32_t direction);

// Number texts: blanks, a sign, digits with one decimal point and an
// exponent with at least one digit, blanks; at least one mantissa digit.
bool IsNumberText(const char16_t* text);
// Every unit a name character; the empty text is no name.
bool IsIdentifierText(const char16_t* text);

// The table's font at the size, regular for data cells and bold for header
// texts; made once per size and weight, on the interface thread only.
FontData* TableFont(int32_t size, bool bold);
// Pixels of the text in the table's font (bold for header texts).
int32_t TableTextWidth(const char16_t* text, int32_t size, bool bold);

DataTable* NewDataTable(DocState* doc);
void FreeDataTable(DocLine* line);
// The document reader's cell entry: strict UTF-8, an invalid one empty.
void AppendCellBytes(DataTable* table, const char* bytes, int32_t length, bool newColumn);

// For other subsystems, by table line.
const char16_t* GetTableCellText(const DocLine* line, int32_t row, int32_t column);
EditorState* GetTableColumnHeader(const DocLine* line, int32_t column, const char16_t** headerText);
int32_t GetTableColumnCount(const DocLine* line);
int32_t GetTableTop(const DocLine* line);
int32_t GetTableBottom(const DocLine* line);
int32_t GetTableFontSize(const DocLine* line);
int32_t GetTableDisplayRows(const DocLine* line);
void SetTableDisplayRows(DocLine* line, int32_t n);
int32_t GetTableRowCount(const DocLine* line);
void WriteTableRow(const DocLine* line, int32_t row);
void WriteTableLineText(const DocLine* line);
void ScrollTableBy(DocLine* line, int32_t d);

// The table answers the document's and the reader's hooks.
void RegisterDataTableHooks();
