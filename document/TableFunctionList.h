// The names that the document's tables define as functions: one entry per
// table column that a formula can read.
#pragma once

#include "CoreUtilities/GrowArray.h"

#include <cstdint>

struct TableFunctionEntry {
    uint32_t key;  // SymbolCode of the column's name
    int32_t lineIndex;
    int32_t column;  // 0 is the first column
    int32_t rowCount;
    uint8_t flag;
};

using TableFunctionList = GrowArray<TableFunctionEntry>;

// The entry whose key is the code, or null.
const TableFunctionEntry* FindTableFunction(const TableFunctionList& list, uint32_t code);
