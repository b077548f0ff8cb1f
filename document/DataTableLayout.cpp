// Where a table's columns, rows and bands lie in the equation pane, which
// cell a point names, how wide each column must be, and the table's own
// scroll bars while it shows only some rows or columns.
#include "document/DataTable.h"

#include "CoreUtilities/WideString.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "formula/EditorState.h"
#include "platform/SystemFont.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {

const DocumentHooks& Hooks()
{
    return GetDocumentHooks();
}

}  // namespace

FontHandle TableFont(int32_t size, bool bold)
{
    static FontHandle fonts[2] = {nullptr, nullptr};
    static int32_t sizes[2] = {0, 0};
    const int k = bold ? 1 : 0;
    if (!fonts[k] || sizes[k] != size) {
        if (fonts[k])
            DeleteSystemFont(fonts[k]);
        fonts[k] = CreateSystemFont(FontSpec{"Times New Roman", -size, 0, bold ? 700 : 400, false});
        sizes[k] = size;
    }
    return fonts[k];
}

namespace {

int32_t TextWidth(const char16_t* text, int32_t size, bool bold)
{
    if (!text || !*text)
        return 0;
    FontHandle font = TableFont(size, bold);
    if (!font)
        return 0;
    const int32_t n = static_cast<int32_t>(WideLength(text));
    std::vector<int32_t> dx(static_cast<size_t>(n));
    GetSystemFontAdvances(font, text, n, dx.data());
    int32_t width = 0;
    for (int32_t a : dx)
        width += a;
    return width;
}

ShortRect MakeRect(int32_t top, int32_t left, int32_t bottom, int32_t right)
{
    ShortRect r;
    SetShortRect(r, top, left, bottom, right);
    return r;
}

}  // namespace

int32_t TableTextWidth(const char16_t* text, int32_t size, bool bold)
{
    return TextWidth(text, size, bold);
}

// ---- Measures ----

int32_t DataTable::HeaderHeight()
{
    int32_t above = fontSize;
    int32_t below = fontSize / 2;
    for (const DataTableColumn* column : columns) {
        if (!column->headerFormula)
            continue;
        above = std::max(above, column->headerAbove + 3);
        below = std::max(below, column->headerBelow);
    }
    headerAscent = above;
    return above + below + 6;
}

int32_t DataTable::FullHeight()
{
    const int32_t rows = RowCount();
    return HeaderHeight() + (rows < 2 ? 0 : (rows - 1) * rowHeight);
}

bool DataTable::ShowsAllRows()
{
    UpdateScrollBars();
    return displayRows == 0 || displayRows >= RowCount();
}

bool DataTable::ShowsAllColumns()
{
    UpdateScrollBars();
    return visibleWidth == 0 || visibleWidth >= TotalWidth();
}

int32_t DataTable::TotalWidth() const
{
    int32_t width = 0;
    for (const DataTableColumn* column : columns)
        width += column->width;
    return width;
}

int32_t DataTable::Height()
{
    if (ShowsAllRows())
        return FullHeight();
    return HeaderHeight() + (displayRows - 1) * rowHeight;
}

int32_t DataTable::HeightWithScrollBar()
{
    const int32_t height = Height();
    return height + (columnScrollBar ? columnScrollBar->thickness : 0);
}

int32_t DataTable::ColumnLeft(int32_t i) const
{
    int32_t x = left;
    for (int32_t k = 0; k < i && k < columns.count; ++k)
        x += columns[k]->width;
    return x;
}

int32_t DataTable::ColumnRight(int32_t i) const
{
    return ColumnLeft(i) + (i >= 0 && i < columns.count ? columns[i]->width : 0);
}

int32_t DataTable::RowPosition() const
{
    return rowScrollBar ? std::max(rowScrollBar->position, 0) : 0;
}

int32_t DataTable::ColumnPosition() const
{
    return columnScrollBar ? std::max(columnScrollBar->position, 0) : 0;
}

int32_t DataTable::FirstVisibleRow()
{
    if (ShowsAllRows() || !rowScrollBar)
        return 1;
    if (rowScrollBar->position < 0)
        rowScrollBar->position = 0;
    return rowScrollBar->position + 1;
}

int32_t DataTable::LastVisibleRow()
{
    const int32_t rows = RowCount();
    if (ShowsAllRows())
        return rows - 1;
    return std::min(FirstVisibleRow() + displayRows - 1, rows) - 1;
}

int32_t DataTable::FirstVisibleColumn()
{
    const int32_t position = ColumnPosition();
    if (ShowsAllColumns() || position == 0)
        return 0;
    for (int32_t i = 0; i < columns.count; ++i) {
        if (ColumnLeft(i) - left > position)
            return std::max(i - 1, 0);
    }
    return columns.count - 1;
}

int32_t DataTable::LastVisibleColumn()
{
    if (ShowsAllColumns())
        return columns.count - 1;
    const int32_t position = ColumnPosition();
    const int32_t shown = VisibleWidth();
    for (int32_t i = 0; i < columns.count; ++i) {
        if (ColumnRight(i) - left - position > shown)
            return i;
    }
    return columns.count - 1;
}

int32_t DataTable::VisibleWidth()
{
    if (!ShowsAllColumns())
        return visibleWidth;
    return TotalWidth();
}

int32_t DataTable::RowTop(int32_t row)
{
    if (row == 0)
        return top + 4;
    return top + HeaderHeight() + (row - FirstVisibleRow()) * rowHeight + 4;
}

int32_t DataTable::RowAtY(int32_t y)
{
    const int32_t offset = y - (top + 2);
    const int32_t header = HeaderHeight();
    if (offset < header)
        return 0;
    return FirstVisibleRow() + (offset - header) / rowHeight;
}

// ---- Rectangles ----

ShortRect DataTable::CellTextRect(int32_t row, int32_t column)
{
    const int32_t p = ColumnPosition();
    const int32_t rowTop = RowTop(row);
    if (row == 0)
        return MakeRect(rowTop, ColumnLeft(column) - p + 2, rowTop + HeaderHeight(), ColumnRight(column) - p - 2);
    return MakeRect(rowTop, ColumnLeft(column) - p + 5, rowTop + rowHeight, ColumnRight(column) - p - 3);
}

ShortRect DataTable::CellEditorRect(int32_t row, int32_t column)
{
    ShortRect r = CellTextRect(row, column);
    int32_t rectTop = r.top;
    if (row == 0 && !(column >= 0 && column < columns.count && columns[column]->headerFormula))
        rectTop += headerAscent - fontSize + 3;
    rectTop += (fontSize - 4) / 6 + 1;
    if (fontSize >= 13 && fontSize <= 24)
        rectTop += 1;
    r.top = static_cast<int16_t>(rectTop);
    return r;
}

ShortRect DataTable::CellFrameRect(int32_t row, int32_t column)
{
    const int32_t p = ColumnPosition();
    const int32_t rowTop = RowTop(row);
    return MakeRect(rowTop - 2, ColumnLeft(column) - p + 1, rowTop + rowHeight - 1, ColumnRight(column) - p + 2);
}

ShortRect DataTable::ScrollBarBand()
{
    const int32_t bottom = top + Height();
    return MakeRect(bottom, left, bottom + (columnScrollBar ? columnScrollBar->thickness : 0) + 6, left + VisibleWidth());
}

ShortRect DataTable::VisibleRect()
{
    ShortRect r = MakeRect(top, left, top + Height() + 1, left + VisibleWidth() + 1);
    if (owner && !IsShortRectEmpty(owner->equationPaneRect)) {
        ShortRect clipped;
        if (!IntersectShortRects(r, owner->equationPaneRect, clipped))
            return MakeRect(0, 0, 0, 0);
        return clipped;
    }
    return r;
}

// ---- Hit tests ----

bool DataTable::ContainsPoint(ShortPoint p)
{
    return p.v >= top && p.v <= top + Height() && p.h >= left;
}

bool DataTable::InColumnSelectStrip(ShortPoint p)
{
    return p.v > top - 15 && p.v < top && p.h >= left && p.h <= left + VisibleWidth();
}

bool DataTable::InRowSelectStrip(ShortPoint p)
{
    return p.h > left - 15 && p.h < left && p.v >= top && p.v <= top + Height();
}

bool DataTable::InScrollBarBand(ShortPoint p)
{
    return PointInShortRect(p, ScrollBarBand());
}

bool DataTable::IsCellVisible(int32_t row, int32_t column)
{
    const bool rowShown = row == 0 || (row >= FirstVisibleRow() && row <= LastVisibleRow());
    return rowShown && column >= FirstVisibleColumn() && column <= LastVisibleColumn();
}

void DataTable::CellAt(ShortPoint p, int32_t* row, int32_t* column)
{
    *row = 0;
    *column = 0;
    if (columns.count == 0)
        return;
    int32_t x = left - ColumnPosition();
    int32_t found = columns.count - 1;
    for (int32_t i = 0; i < columns.count; ++i) {
        if (p.h >= x && p.h <= x + columns[i]->width) {
            found = i;
            break;
        }
        x += columns[i]->width;
    }
    *column = found;
    *row = std::clamp(RowAtY(p.v), 0, std::max(columns[found]->cells.count - 1, 0));
}

namespace {

void SelectIndex(IndexList* list, int32_t index, int32_t mode)
{
    switch (mode) {
    case 0: {
        const int32_t from = list->count == 0 ? index : IndexListMin(*list);
        for (int32_t i = std::min(from, index); i <= std::max(from, index); ++i)
            IndexListAdd(list, i);
        break;
    }
    case 1:
        if (IndexListContains(*list, index))
            IndexListRemove(list, index);
        else
            IndexListAdd(list, index);
        break;
    default:
        IndexListAdd(list, index);
        break;
    }
}

}  // namespace

bool DataTable::SelectColumnsAt(IndexList* list, ShortPoint p, int32_t mode)
{
    int32_t x = left - ColumnPosition();
    for (int32_t i = 0; i < columns.count; ++i) {
        if (p.h >= x && p.h <= x + columns[i]->width) {
            SelectIndex(list, i, mode);
            return true;
        }
        x += columns[i]->width;
    }
    return false;
}

bool DataTable::SelectRowsAt(IndexList* list, ShortPoint p, int32_t mode)
{
    const int32_t row = RowAtY(p.v);
    if (row < 0 || row >= RowCount())
        return false;
    SelectIndex(list, row, mode);
    return true;
}

// ---- Layout ----

void DataTable::SetOrigin(int32_t newTop, int32_t newLeft)
{
    top = newTop;
    left = newLeft;
    PlaceScrollBars();
    LayoutHeaders();
}

void DataTable::LayoutHeaders()
{
    if (!Hooks().layoutTableHeader)
        return;
    const int32_t p = ColumnPosition();
    // Measure first: the band's ascent depends on every header.
    for (int32_t i = 0; i < columns.count; ++i) {
        DataTableColumn* column = columns[i];
        if (!column->headerFormula)
            continue;
        column->headerFormula->tableFontSize = static_cast<int16_t>(fontSize);
        column->headerFormula->layoutValid = 0;
        Hooks().layoutTableHeader(owner, column->headerFormula, top + 7, ColumnLeft(i) - p, &column->headerWidth,
                                  &column->headerAbove, &column->headerBelow);
        MeasureColumn(i);
    }
    HeaderHeight();
    // Then every baseline meets the others, each formula centred.
    for (int32_t i = 0; i < columns.count; ++i) {
        DataTableColumn* column = columns[i];
        if (!column->headerFormula)
            continue;
        const int32_t down = headerAscent - column->headerAbove - 3;
        const int32_t across = (column->width - column->headerWidth) / 2;
        column->headerFormula->layoutValid = 0;
        Hooks().layoutTableHeader(owner, column->headerFormula, top + 7 + down, ColumnLeft(i) - p + across,
                                  &column->headerWidth, &column->headerAbove, &column->headerBelow);
    }
}

bool DataTable::MeasureColumn(int32_t i)
{
    if (i < 0 || i >= columns.count)
        return false;
    DataTableColumn* column = columns[i];
    int32_t width = kNewColumnWidth;
    if (column->headerFormula)
        width = std::max(width, column->headerWidth + 6);
    // The document task may be swapping computed cells in.
    MutexLock hold(cellLock);
    const bool many = column->cells.count > 1000;
    size_t longest = 0;
    for (int32_t row = 0; row < column->cells.count; ++row) {
        const char16_t* text = column->cells[row];
        if (!text || !*text)
            continue;
        if (many) {
            const size_t length = WideLength(text);
            if (length <= longest)
                continue;
            longest = length;
        }
        width = std::max(width, TextWidth(text, fontSize, row == 0) + 8);
    }
    column->needsMeasure = 0;
    const bool changed = width != column->width;
    column->width = width;
    return changed;
}

bool DataTable::RemeasureColumns()
{
    bool changed = false;
    for (int32_t i = 0; i < columns.count; ++i) {
        bool marked;
        {
            MutexLock hold(cellLock);
            marked = columns[i]->needsMeasure != 0;
        }
        if (marked && MeasureColumn(i))
            changed = true;
    }
    return changed;
}

namespace {

// The bar exists exactly while wanted; its range follows.
void KeepBar(DataTable* table, TableScrollBar** bar, bool wanted, int32_t maximum, bool vertical)
{
    const DocumentHooks& hooks = GetDocumentHooks();
    if (!wanted) {
        if (*bar && (*bar)->window && hooks.destroyTableScrollBar)
            hooks.destroyTableScrollBar((*bar)->window);
        delete *bar;
        *bar = nullptr;
        return;
    }
    if (!*bar) {
        *bar = new (std::nothrow) TableScrollBar;
        if (!*bar)
            return;
        if (hooks.createTableScrollBar)
            (*bar)->window = hooks.createTableScrollBar(table, vertical);
    }
    (*bar)->maximum = maximum;
    (*bar)->position = std::clamp((*bar)->position, 0, maximum);
    if ((*bar)->window && hooks.setTableScrollRange)
        hooks.setTableScrollRange((*bar)->window, maximum, (*bar)->position);
}

}  // namespace

void DataTable::UpdateScrollBars()
{
    const int32_t rows = RowCount();
    KeepBar(this, &rowScrollBar, displayRows > 1 && displayRows < rows, rows - displayRows, true);
    const int32_t total = TotalWidth();
    KeepBar(this, &columnScrollBar, visibleWidth > 0 && visibleWidth < total, total - visibleWidth, false);
}

void DataTable::PlaceScrollBars()
{
    UpdateScrollBars();
    const DocumentHooks& hooks = GetDocumentHooks();
    if (!hooks.placeTableScrollBar)
        return;
    const int32_t height = Height();
    const int32_t width = VisibleWidth();
    if (rowScrollBar && rowScrollBar->window)
        rowScrollBar->thickness =
            hooks.placeTableScrollBar(rowScrollBar->window, left + width + 1, top, height + 1, true);
    if (columnScrollBar && columnScrollBar->window)
        columnScrollBar->thickness =
            hooks.placeTableScrollBar(columnScrollBar->window, left, top + height, width + 1, false);
}

void DataTable::SetScrollPosition(bool rows, int32_t position)
{
    TableScrollBar* bar = rows ? rowScrollBar : columnScrollBar;
    if (!bar)
        return;
    bar->position = std::clamp(position, 0, bar->maximum);
    const DocumentHooks& hooks = GetDocumentHooks();
    if (bar->window && hooks.setTableScrollRange)
        hooks.setTableScrollRange(bar->window, bar->maximum, bar->position);
    if (!rows)
        LayoutHeaders();
    if (owner && hooks.updateTableCellEditor)
        hooks.updateTableCellEditor(owner);
}

void DataTable::ScrollBy(int32_t d)
{
    top -= d;
    LayoutHeaders();
    PlaceScrollBars();
}

void ScrollTableBy(DocLine* line, int32_t d)
{
    if (line && line->kind == DocLineTable && line->table)
        line->table->ScrollBy(d);
}

void DataTable::ScrollCellIntoView(int32_t row, int32_t column)
{
    if (row > 0 && rowScrollBar) {
        if (row < FirstVisibleRow())
            SetScrollPosition(true, row - 1);
        else if (row > LastVisibleRow())
            SetScrollPosition(true, row - displayRows + 1);
    }
    if (columnScrollBar && column >= 0 && column < columns.count) {
        if (column < FirstVisibleColumn())
            SetScrollPosition(false, ColumnLeft(column) - left);
        else if (column > LastVisibleColumn())
            SetScrollPosition(false, ColumnRight(column) - visibleWidth - left);
    }
}

void DataTable::FitRows()
{
    if (Height() > kTallestTable)
        displayRows = kTallestTable / rowHeight;
    {
        // Graph workers may be reading the values through the table functions.
        MutexLock hold(cellLock);
        for (DataTableColumn* column : columns)
            column->ParseValues();
    }
    MarkColumnsForRecompute();
    UpdateScrollBars();
    if (owner)
        owner->Recompute();
}

bool DataTable::DragDisplayRows(ShortPoint p)
{
    const int32_t header = HeaderHeight();
    int32_t rows = p.v - top < header ? 1 : (p.v - top - header) / rowHeight + 1;
    if (rows >= RowCount())
        rows = 0;
    const bool changed = rows != displayRows;
    displayRows = rows;
    UpdateScrollBars();
    const DocumentHooks& hooks = GetDocumentHooks();
    if (changed && hooks.setDocModified)
        hooks.setDocModified(true);
    if (owner && hooks.updateTableCellEditor)
        hooks.updateTableCellEditor(owner);
    return changed;
}
