#include "app/FrameDocumentCalls.h"

#include "document/DocState.h"
#include "document/DocumentGraphSet.h"

void DocIdleUpdate(DocState* doc)
{
    if (doc)
        doc->IdleUpdate();
}

void DocClearGraphs(DocState* doc)
{
    if (doc && doc->Graphs)
        doc->Graphs->ClearAllGraphs();
}

void DocMakeAllOpaque(DocState* doc)
{
    if (doc)
        doc->MakeAllOpaque();
}

bool DocPanesSideBySide(const DocState* doc)
{
    return doc && doc->StackPanes;
}
