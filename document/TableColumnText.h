// Text held in the document's table columns.
#pragma once

#include <cstdint>

struct DocState;

// The code names a table column that holds text.
bool IsTextColumn(uint32_t code, const DocState* doc);
