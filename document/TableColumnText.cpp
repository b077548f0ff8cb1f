#include "document/TableColumnText.h"

bool IsTextColumn(uint32_t, const DocState*)
{
    // The tables keep no cells yet, so no column holds text.
    return false;
}
