#include "document/DocState.h"

int32_t DocState::TableColumnRowCount(uint32_t code) const
{
    const TableFunctionEntry* entry = FindTableFunction(TableFunctions, code);
    return entry ? entry->rowCount : 0;
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
