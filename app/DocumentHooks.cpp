#include "app/DocumentHooks.h"

void DocIdleUpdate(DocState*) {}

void DocClearGraphs(DocState*) {}

void DocMakeAllOpaque(DocState*) {}

void LoadPreferences() {}

void SavePreferences() {}

bool DocPanesSideBySide(const DocState*)
{
    return false;
}
