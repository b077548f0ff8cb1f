// The document state record: everything one open document holds.
#pragma once

#include "document/TableFunctionList.h"

#include <cstdint>

struct DocState {
    // Id of the running analysis thread (StartCoopThread); NoCoopThread (-1)
    // when none. The analysis clears it itself as its last step.
    int32_t AnalysisThread = -1;
    // Names the tables define as functions.
    TableFunctionList TableFunctions;

    // Rows of the table column named by the code; 0 for no column.
    int32_t TableColumnRowCount(uint32_t code) const;
};
