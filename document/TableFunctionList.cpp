#include "document/TableFunctionList.h"

const TableFunctionEntry* FindTableFunction(const TableFunctionList& list, uint32_t code)
{
    for (const TableFunctionEntry& entry : list) {
        if (entry.key == code)
            return &entry;
    }
    return nullptr;
}
