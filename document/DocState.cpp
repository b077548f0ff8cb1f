#include "document/DocState.h"

int32_t DocState::TableColumnRowCount(uint32_t code) const
{
    const TableFunctionEntry* entry = FindTableFunction(TableFunctions, code);
    return entry ? entry->rowCount : 0;
}
