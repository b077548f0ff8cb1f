#include "document/DocState.h"

#include "formula/NameRegistry.h"

#include <algorithm>

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

void DocState::CompileUserFunctions()
{
    for (UserFunction* function : UserFunctions)
        function->Compile();
}

// The document holds no result lines yet, so there is nothing to refresh.
void DocState::RefreshResults() {}

int32_t DocState::FindUserFunction(const FormulaNode* name) const
{
    for (int32_t i = 0; i < UserFunctions.count; ++i) {
        if (UserFunctions[i]->MatchesHead(name))
            return i;
    }
    return -1;
}
