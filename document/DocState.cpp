#include "document/DocState.h"

// The document holds no user functions, tables or result lines yet, so there
// is nothing to compile or refresh.
void DocState::CompileUserFunctions() {}

void DocState::RefreshResults() {}
