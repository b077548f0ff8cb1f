// Tables as text: the column lines of the document file, the rows of the
// clipboard and the web page, the header formulas made ready to compute, and
// the hooks through which the document, its reader and writer reach tables.
#include "document/DataTable.h"

#include "CoreUtilities/TextBufferStack.h"
#include "CoreUtilities/WideString.h"
#include "document/DefinitionsPass.h"
#include "document/DocLine.h"
#include "document/DocState.h"
#include "document/DocumentFileHooks.h"
#include "document/DocumentHooks.h"
#include "document/TableFunctions.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/LinearFormulaText.h"
#include "formula/NodeKindTable.h"
#include "formula/PrepareTreeForGraphing.h"
#include "formula/SimplifierSwitches.h"
#include "formula/TreeWalk.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <string>

namespace {

constexpr uint32_t kDataRowSymbol = 14;

// A cell as UTF-8; in a numeric column the first locale separator is
// written as '.', so that files read the same everywhere.
void PutCell(const char16_t* text, bool numeric)
{
    if (!text)
        return;
    const char16_t separator = GetLocaleDecimalSeparator();
    if (!numeric || separator == u'.' || !WideFindChar(text, separator)) {
        PutTextWide(text);
        return;
    }
    std::u16string copy(text);
    copy[copy.find(separator)] = u'.';
    PutTextWide(copy.c_str());
}

// The header cell: its text, or "=" and the header formula's linear text.
void PutHeader(const DataTable& table, int32_t column)
{
    const char16_t* text = nullptr;
    EditorState* formula = table.GetColumnHeader(column, &text);
    PutTextWide(text);
    if (formula && formula->root) {
        PutTextChar('=');
        WriteFormulaText(formula->root, true);
    }
}

void PutRowCells(const DataTable& table, int32_t row, const int32_t* columns, int32_t count, char separator)
{
    for (int32_t k = 0; k < count; ++k) {
        if (k > 0)
            PutTextChar(separator);
        const int32_t column = columns ? columns[k] : k;
        if (row == 0)
            PutHeader(table, column);
        else
            PutCell(table.GetCell(row, column), table.columns[column]->GetKind() == 1);
    }
}

// The list sorted ascending, as a copy.
std::basic_string<int32_t> Sorted(const IndexList& list)
{
    std::basic_string<int32_t> sorted(list.begin(), list.end());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

}  // namespace

void DataTable::WriteText() const
{
    for (int32_t i = 0; i < columns.count; ++i) {
        DataTableColumn* column = columns[i];
        const bool computed = IsComputedColumn(i);
        const bool numeric = column->GetKind() == 1;
        for (int32_t row = 0; row < column->cells.count; ++row) {
            PutTextChar('\t');
            if (row == 0)
                PutHeader(*this, i);
            else if (!computed)
                PutCell(column->cells[row], numeric);
        }
        PutTextChar('\r');
    }
}

void DataTable::WriteRowText(int32_t row) const
{
    PutRowCells(*this, row, nullptr, columns.count, '\t');
}

void DataTable::WriteColumnsText(const IndexList& list) const
{
    std::basic_string<int32_t> selected = Sorted(list);
    selected.erase(std::remove_if(selected.begin(), selected.end(),
                                  [this](int32_t c) { return c < 0 || c >= columns.count; }),
                   selected.end());
    if (selected.empty())
        return;
    for (int32_t row = 0; row < RowCount(); ++row) {
        PutRowCells(*this, row, selected.data(), static_cast<int32_t>(selected.size()), '\t');
        PutTextChar('\r');
    }
}

void DataTable::WriteRowsText(const IndexList& list) const
{
    for (int32_t row : Sorted(list)) {
        if (row < 0 || row >= RowCount())
            continue;
        WriteRowText(row);
        PutTextChar('\r');
    }
}

void WriteTableRow(const DocLine* line, int32_t row)
{
    if (line && line->kind == DocLineTable && line->table)
        line->table->WriteRowText(row);
}

void WriteTableLineText(const DocLine* line)
{
    if (line && line->kind == DocLineTable && line->table)
        line->table->WriteText();
}

void DataTable::PrepareHeaderFormulas(DocState* doc)
{
    for (DataTableColumn* column : columns) {
        FreeTree(column->computedFormula);
        column->computedFormula = nullptr;
        if (!column->headerFormula || !column->headerFormula->root)
            continue;
        const FormulaNode* header = column->headerFormula->root;
        const bool equation = header->kind == KindEquation && header->childCount == 2;
        FormulaNode* copy = CopyTree(equation ? header->children[1] : header);
        if (!copy)
            continue;
        // x_i = ... computes row by row: i is the data row.
        const FormulaNode* name = equation ? header->children[0] : nullptr;
        if (name && name->kind == KindSubscript && name->childCount == 2 &&
            name->children[1]->kind == KindVariable) {
            const uint32_t index = name->children[1]->payload.code;
            for (PreorderWalk walk(copy); walk.Node(); walk.Next()) {
                if (walk.Node()->kind == KindVariable && walk.Node()->payload.code == index)
                    walk.Node()->payload.code = kDataRowSymbol;
            }
        }
        const unsigned char expand = ExpandFlag;
        ExpandFlag = 0;
        SubstituteDefinitions(-1, doc->Definitions, copy);
        ExpandFlag = expand;
        PrepareTreeForGraphing(doc, copy);
        column->computedFormula = copy;
        column->needsCompute = 1;
    }
}

void DocState::ClassifyTableColumns(DataTable* table)
{
    for (DataTableColumn* column : table->columns)
        column->GetKind();
}

void DocState::ClassifyAllTableColumns()
{
    for (DocLine& line : Lines) {
        if (line.kind == DocLineTable && line.table)
            ClassifyTableColumns(line.table);
    }
}

void DocState::CollectTableHeaderNames(GrowArray<const char16_t*>* list) const
{
    for (const DocLine& line : Lines) {
        if (line.kind == DocLineTable && line.table)
            line.table->CollectHeaderNames(list);
    }
}

void RegisterDataTableHooks()
{
    DocumentHooks& hooks = GetDocumentHooks();
    hooks.freeDataTable = [](DataTable* table) {
        table->Free();
        delete table;
    };
    hooks.tableColumnCount = [](const DataTable* table) { return table->columns.count; };
    hooks.tableHeaderFormula = [](DataTable* table, int32_t column) { return table->GetColumnHeader(column, nullptr); };
    hooks.tableColumnIsFormula = [](DataTable* table, int32_t column) {
        return table->GetColumnHeader(column, nullptr) != nullptr;
    };
    hooks.isTableDragging = [](const DataTable* table) { return table->dragging != 0; };
    hooks.setTableDragging = [](DataTable* table, bool dragging) { table->dragging = dragging ? 1 : 0; };
    hooks.isTableRowEmpty = [](const DataTable* table, int32_t row) { return table->IsRowEmpty(row); };
    hooks.isTableCellHidden = [](const DataTable* table, int32_t row, int32_t column) {
        return !const_cast<DataTable*>(table)->IsCellVisible(row, column);
    };
    hooks.markColumnsForRecompute = [](DataTable* table) { table->MarkColumnsForRecompute(); };
    hooks.prepareTableFormulas = [](DataTable* table, DocState* doc) {
        table->PrepareHeaderFormulas(doc);
        MutexLock hold(table->cellLock);
        for (DataTableColumn* column : table->columns)
            column->ParseValues();
    };
    hooks.computeFormulaColumns = [](DataTable* table, DocState* doc) { table->ComputeFormulaColumns(doc); };
    hooks.computeTableColumnKinds = [](DocState* doc) { doc->ClassifyAllTableColumns(); };
    RegisterTableFunctionHooks();

    DocumentFileHooks& file = GetDocumentFileHooks();
    file.newDataTable = &NewDataTable;
    file.appendCellBytes = &AppendCellBytes;
    file.writeTableText = [](DataTable* table) { table->WriteText(); };
    file.setTableFontSize = [](DataTable* table, int32_t size) { table->SetFontSize(size); };
    file.tableFontSize = [](const DataTable* table) { return table->fontSize; };
    file.setTableDisplayRows = [](DataTable* table, int32_t rows) { table->SetDisplayRows(rows); };
    file.tableDisplayRows = [](const DataTable* table) { return table->displayRows; };
    file.prepareTableAfterRead = [](DataTable* table, DocState* doc) {
        // A damaged file may leave columns of unequal length or none.
        table->Normalise();
        table->ParseHeaderFormulas(doc);
        table->LocalizeDecimalPoints();
    };
}
