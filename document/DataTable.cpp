// The table model: columns, rows, cells, headers and column kinds.
#include "document/DataTable.h"

#include "CoreUtilities/TextEncoding.h"
#include "CoreUtilities/WideString.h"
#include "document/DocLine.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "document/DocumentReader.h"
#include "document/DocumentTask.h"
#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/TreeRewrite.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <string>

bool IndexListContains(const IndexList& list, int32_t index)
{
    return std::find(list.begin(), list.end(), index) != list.end();
}

void IndexListAdd(IndexList* list, int32_t index)
{
    if (!IndexListContains(*list, index))
        list->Push(index);
}

void IndexListRemove(IndexList* list, int32_t index)
{
    for (int32_t i = list->count - 1; i >= 0; --i) {
        if ((*list)[i] == index)
            list->RemoveAt(i);
    }
}

int32_t IndexListMin(const IndexList& list)
{
    return list.count == 0 ? 0 : *std::min_element(list.begin(), list.end());
}

namespace {

bool IsEmptyText(const char16_t* text)
{
    return !text || !*text;
}

void FreeCellText(char16_t* text)
{
    std::free(text);
}

// A copy of the first n units; null for n <= 0 or when the heap refuses.
char16_t* CopyText(const char16_t* text, int32_t n)
{
    return text && n > 0 ? WideDuplicateN(text, static_cast<size_t>(n)) : nullptr;
}

void FreeHeaderFormula(EditorState* state)
{
    if (state)
        FreeLineFormula(state);
}

}  // namespace

// ---- Columns ----

void DataTableColumn::Init()
{
    *this = DataTableColumn{};
}

void DataTableColumn::Free()
{
    for (char16_t* text : cells)
        FreeCellText(text);
    cells.Clear();
    FreeHeaderFormula(headerFormula);
    headerFormula = nullptr;
    FreeTree(computedFormula);
    computedFormula = nullptr;
    delete compiled;
    compiled = nullptr;
    delete[] values;
    values = nullptr;
    valueCount = 0;
}

int32_t DataTableColumn::GetKind()
{
    if (kind != 0)
        return kind;
    if (headerFormula)
        return 1;
    if (cells.count < 2 || IsEmptyText(cells[1]))
        return 0;
    kind = IsNumberText(cells[1]) ? 1 : 2;
    return kind;
}

bool DataTableColumn::ReserveValues()
{
    if (values && valueCount >= cells.count)
        return true;
    auto* grown = new (std::nothrow) double[std::max(cells.count, 1)];
    if (!grown)
        return false;
    delete[] values;
    values = grown;
    valueCount = std::max(cells.count, 1);
    std::fill(values, values + valueCount, NAN);
    return true;
}

void DataTableColumn::ParseCellValue(int32_t i)
{
    if (i >= 0 && i < valueCount && i < cells.count)
        values[i] = cells[i] ? ParseNumberText(cells[i]) : NAN;
}

void DataTableColumn::ParseValues()
{
    if (!ReserveValues())
        return;
    for (int32_t i = 0; i < cells.count; ++i)
        ParseCellValue(i);
}

// ---- Tables ----

DataTable* NewDataTable(DocState* doc)
{
    auto* table = new (std::nothrow) DataTable;
    if (!table)
        return nullptr;
    table->owner = doc;
    table->SetFontSize(kDefaultTableFontSize);
    return table;
}

void DataTable::Free()
{
    for (DataTableColumn* column : columns) {
        column->Free();
        delete column;
    }
    columns.Clear();
    const DocumentHooks& hooks = GetDocumentHooks();
    for (TableScrollBar** bar : {&rowScrollBar, &columnScrollBar}) {
        if (*bar && (*bar)->window && hooks.destroyTableScrollBar)
            hooks.destroyTableScrollBar((*bar)->window);
        delete *bar;
        *bar = nullptr;
    }
}

void FreeDataTable(DocLine* line)
{
    if (!line->table)
        return;
    line->table->Free();
    delete line->table;
    line->table = nullptr;
}

int32_t DataTable::RowCount() const
{
    return columns.count == 0 ? 0 : columns[0]->cells.count;
}

void DataTable::SetFontSize(int32_t size)
{
    fontSize = std::clamp(size, 1, 400);
    rowHeight = fontSize / 2 + fontSize + 2;
    for (DataTableColumn* column : columns) {
        if (column->headerFormula) {
            column->headerFormula->tableFontSize = static_cast<int16_t>(fontSize);
            column->headerFormula->layoutValid = 0;
        }
    }
}

bool DataTable::InsertColumn(int32_t index)
{
    auto* column = new (std::nothrow) DataTableColumn;
    if (!column)
        return false;
    index = std::clamp(index, 0, columns.count);
    if (columns.InsertAt(index, column) != 0) {
        delete column;
        return false;
    }
    return true;
}

bool DataTable::AppendColumn()
{
    return InsertColumn(columns.count);
}

bool DataTable::FillColumnCells(int32_t index)
{
    if (index < 0 || index >= columns.count)
        return false;
    const int32_t from = index == 0 ? 1 : 0;
    const int32_t rows = from < columns.count ? columns[from]->cells.count : 1;
    DataTableColumn* column = columns[index];
    while (column->cells.count < std::max(rows, 1)) {
        if (column->cells.Push(nullptr) != 0)
            return false;
    }
    return true;
}

bool DataTable::EnsureColumn(int32_t index)
{
    if (index != columns.count)
        return index >= 0 && index < columns.count;
    return AppendColumn() && FillColumnCells(index);
}

bool DataTable::AppendHeaderColumn()
{
    if (!AppendColumn())
        return false;
    return columns[columns.count - 1]->cells.Push(nullptr) == 0;
}

bool DataTable::InsertRow(int32_t index)
{
    bool ok = true;
    for (DataTableColumn* column : columns) {
        int32_t at = std::clamp(index, 0, column->cells.count);
        if (column->cells.InsertAt(at, nullptr) != 0)
            ok = false;
    }
    return ok;
}

void DataTable::EnsureRow(int32_t row, bool fit)
{
    bool added = false;
    for (DataTableColumn* column : columns) {
        if (column->cells.count != row)
            continue;
        if (!added && owner)
            CancelDocumentTask(owner);
        if (column->cells.Push(nullptr) == 0)
            added = true;
    }
    if (!added)
        return;
    if (owner)
        owner->undo.kind = UndoNone;
    if (fit)
        FitRows();
}

int32_t DataTable::DeleteRow(int32_t row)
{
    for (DataTableColumn* column : columns) {
        if (row < 0 || row >= column->cells.count)
            continue;
        FreeCellText(column->cells[row]);
        column->cells.RemoveAt(row);
    }
    const int32_t left = RowCount();
    return left == 0 ? -1 : std::min(left - 1, row);
}

int32_t DataTable::DeleteColumn(int32_t column)
{
    if (column < 0 || column >= columns.count)
        return columns.count == 0 ? -1 : std::min(columns.count - 1, std::max(column, 0));
    columns[column]->Free();
    delete columns[column];
    columns.RemoveAt(column);
    return columns.count == 0 ? -1 : std::min(columns.count - 1, column);
}

bool DataTable::IsEmpty() const
{
    return columns.count == 0 || columns[0]->cells.count == 0;
}

bool DataTable::IsRowEmpty(int32_t row) const
{
    for (const DataTableColumn* column : columns) {
        if (row == 0 && column->headerFormula)
            return false;
        if (row >= 0 && row < column->cells.count && !IsEmptyText(column->cells[row]))
            return false;
    }
    return true;
}

bool DataTable::HasOnlyFirstHeader() const
{
    if (columns.count < 2)
        return false;
    for (int32_t i = 0; i < columns.count; ++i) {
        if (columns[i]->headerFormula)
            return false;
        const bool named = !IsEmptyText(GetCell(0, i));
        if (named != (i == 0))
            return false;
    }
    return true;
}

bool DataTable::IsComputedColumn(int32_t column) const
{
    if (column < 0 || column >= columns.count)
        return false;
    return columns[column]->headerFormula || columns[column]->computedFormula;
}

bool DataTable::IsTextColumn(int32_t column) const
{
    return column >= 0 && column < columns.count && columns[column]->GetKind() == 2;
}

const char16_t* DataTable::GetCell(int32_t row, int32_t column) const
{
    if (column < 0 || column >= columns.count)
        return nullptr;
    const DataTableColumn* c = columns[column];
    return row >= 0 && row < c->cells.count ? c->cells[row] : nullptr;
}

void DataTable::SetCell(char16_t* text, int32_t row, int32_t column)
{
    if (column < 0 || column >= columns.count || row < 0 || row >= columns[column]->cells.count) {
        FreeCellText(text);
        return;
    }
    DataTableColumn* c = columns[column];
    FreeCellText(c->cells[row]);
    c->cells[row] = text;
    c->needsMeasure = 1;
}

void DataTable::SetCellText(const char16_t* text, int32_t n, int32_t row, int32_t column)
{
    SetCell(CopyText(text, n), row, column);
}

void DataTable::AppendCellText(const char16_t* text, int32_t n)
{
    if (columns.count == 0 && !AppendColumn())
        return;
    char16_t* copy = CopyText(text, n);
    if (columns[columns.count - 1]->cells.Push(copy) != 0)
        FreeCellText(copy);
}

void AppendCellBytes(DataTable* table, const char* bytes, int32_t length, bool newColumn)
{
    if (newColumn && !table->AppendColumn())
        return;
    if (length <= 0) {
        table->AppendCellText(nullptr, 0);
        return;
    }
    std::string narrow(bytes, static_cast<size_t>(length));
    std::u16string wide(narrow.size() + 1, u'\0');
    NarrowToWide(narrow.c_str(), wide.data(), kTextUtf8);
    table->AppendCellText(wide.data(), static_cast<int32_t>(WideLength(wide.data())));
}

void DataTable::SetHeaderFormula(int32_t column, EditorState* state)
{
    if (column < 0 || column >= columns.count) {
        FreeHeaderFormula(state);
        return;
    }
    DataTableColumn* c = columns[column];
    if (c->headerFormula != state)
        FreeHeaderFormula(c->headerFormula);
    c->headerFormula = state;
    if (state) {
        state->tableFontSize = static_cast<int16_t>(fontSize);
        state->layoutValid = 0;
        if (c->cells.count > 0) {
            FreeCellText(c->cells[0]);
            c->cells[0] = nullptr;
        }
    }
    c->needsMeasure = 1;
    c->needsCompute = 1;
}

EditorState* DataTable::GetColumnHeader(int32_t column, const char16_t** headerText) const
{
    if (headerText)
        *headerText = GetCell(0, column);
    return column >= 0 && column < columns.count ? columns[column]->headerFormula : nullptr;
}

bool DataTable::Normalise()
{
    if (columns.count == 0 && !AppendColumn())
        return false;
    int32_t longest = 1;
    for (const DataTableColumn* column : columns)
        longest = std::max(longest, column->cells.count);
    for (DataTableColumn* column : columns) {
        while (column->cells.count < longest) {
            if (column->cells.Push(nullptr) != 0)
                return false;
        }
    }
    return true;
}

namespace {

// A header formula holding the parsed tree; null (the tree freed) when no
// editor state can be had.
EditorState* NewHeaderFormula(DocState* doc, FormulaNode* tree)
{
    EditorState* saved = GetCurrentEditorState();
    EditorState* state = NewLineFormula(doc, doc ? doc->GraphPaneWindow : nullptr);
    SetCurrentEditorState(saved);
    if (!state) {
        FreeTree(tree);
        return nullptr;
    }
    ReplaceNode(tree, state->root);
    state->current = state->root;
    return state;
}

}  // namespace

void DataTable::ParseHeaderFormulas(DocState* doc)
{
    for (int32_t i = 0; i < columns.count; ++i) {
        DataTableColumn* column = columns[i];
        const char16_t* text = GetCell(0, i);
        if (column->headerFormula || IsEmptyText(text))
            continue;
        FormulaNode* tree = nullptr;
        if (text[0] == u'=')
            tree = ParseFormulaWideString(text + 1);
        else if (!IsIdentifierText(text))
            tree = ParseFormulaWideString(text);
        if (!tree)
            continue;
        if (EditorState* state = NewHeaderFormula(doc, tree))
            SetHeaderFormula(i, state);
    }
}

void DataTable::LocalizeDecimalPoints()
{
    const char16_t separator = GetLocaleDecimalSeparator();
    if (separator == u'.')
        return;
    for (DataTableColumn* column : columns) {
        if (column->GetKind() != 1)
            continue;
        for (int32_t row = 1; row < column->cells.count; ++row) {
            char16_t* text = column->cells[row];
            char16_t* point = text ? const_cast<char16_t*>(WideFindChar(text, u'.')) : nullptr;
            if (point)
                *point = separator;
        }
    }
}

void DataTable::MarkAllColumnsForMeasure()
{
    MutexLock hold(cellLock);
    for (DataTableColumn* column : columns)
        column->needsMeasure = 1;
}

void DataTable::MarkColumnsForRecompute()
{
    // The document task reads and clears the marks.
    MutexLock hold(cellLock);
    for (DataTableColumn* column : columns) {
        if (column->headerFormula || column->computedFormula)
            column->needsCompute = 1;
    }
}

void DataTable::CollectHeaderNames(GrowArray<const char16_t*>* list) const
{
    for (int32_t i = 0; i < columns.count; ++i) {
        const char16_t* text = GetCell(0, i);
        if (!IsEmptyText(text))
            list->Push(text);
    }
}

// ---- Texts ----

bool IsNumberText(const char16_t* text)
{
    if (!text)
        return false;
    const char16_t separator = GetLocaleDecimalSeparator();
    auto digit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    const char16_t* p = text;
    while (*p == u' ' || *p == u'\t')
        ++p;
    if (*p == u'+' || *p == u'-')
        ++p;
    int32_t digits = 0;
    for (; digit(*p); ++p)
        ++digits;
    if (*p == u'.' || *p == separator)
        ++p;
    for (; digit(*p); ++p)
        ++digits;
    if (*p == u'E' || *p == u'e') {
        ++p;
        if (*p == u'+' || *p == u'-')
            ++p;
        if (!digit(*p))
            return false;
        while (digit(*p))
            ++p;
    }
    while (*p == u' ' || *p == u'\t')
        ++p;
    return *p == 0 && digits > 0;
}

bool IsIdentifierText(const char16_t* text)
{
    if (IsEmptyText(text))
        return false;
    for (const char16_t* p = text; *p; ++p) {
        if (!IsNameChar(*p, p == text))
            return false;
    }
    return true;
}

// ---- By table line ----

namespace {

DataTable* TableOf(const DocLine* line)
{
    return line && line->kind == DocLineTable ? line->table : nullptr;
}

}  // namespace

const char16_t* GetTableCellText(const DocLine* line, int32_t row, int32_t column)
{
    DataTable* table = TableOf(line);
    return table ? table->GetCell(row, column) : nullptr;
}

EditorState* GetTableColumnHeader(const DocLine* line, int32_t column, const char16_t** headerText)
{
    DataTable* table = TableOf(line);
    if (!table) {
        if (headerText)
            *headerText = nullptr;
        return nullptr;
    }
    return table->GetColumnHeader(column, headerText);
}

int32_t GetTableColumnCount(const DocLine* line)
{
    DataTable* table = TableOf(line);
    return table ? table->columns.count : 0;
}

int32_t GetTableTop(const DocLine* line)
{
    DataTable* table = TableOf(line);
    return table ? table->top : 0;
}

int32_t GetTableBottom(const DocLine* line)
{
    DataTable* table = TableOf(line);
    return table ? table->top + table->Height() : 0;
}

int32_t GetTableFontSize(const DocLine* line)
{
    DataTable* table = TableOf(line);
    return table ? table->fontSize : kDefaultTableFontSize;
}

int32_t GetTableDisplayRows(const DocLine* line)
{
    DataTable* table = TableOf(line);
    return table ? table->displayRows : 0;
}

void SetTableDisplayRows(DocLine* line, int32_t n)
{
    if (DataTable* table = TableOf(line))
        table->SetDisplayRows(n);
}

int32_t GetTableRowCount(const DocLine* line)
{
    DataTable* table = TableOf(line);
    return table ? table->RowCount() : 0;
}
