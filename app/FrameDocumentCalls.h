// Document operations the shell calls. Those whose owner is not written yet
// do nothing; the shell's call order is already final.
#pragma once

struct DocState;

// The document's idle work: graph building in slices, results refresh,
// caret housekeeping.
void DocIdleUpdate(DocState* doc);
// Clears every graph, so that the memory they held is released. Stub.
void DocClearGraphs(DocState* doc);
// Makes every equation line opaque after a transparency failure. Stub.
void DocMakeAllOpaque(DocState* doc);
// The panes are side by side (the document's StackPanes flag). Stub: stacked.
bool DocPanesSideBySide(const DocState* doc);
