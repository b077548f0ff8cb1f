// File > Print: the document as one print job, the equation pane's pages
// first and then the graph pane's.
#pragma once

#include <QString>

class CGraphView;
class COndrelView;
class QPrinter;

// Prints on a printer the caller has set up. False when nothing could be
// printed: the job did not start, or a page failed and the job was aborted.
// A job without pages prints nothing and answers true.
bool PrintDocument(QPrinter& printer, COndrelView* equations, CGraphView* graph);

// The job's name: the document's title, or the program's without one.
QString PrintJobName();

// The print dialog; true to print with the printer as chosen.
using PrintDialogHook = bool (*)(QPrinter& printer);
// Replaces the dialog (tests); null restores it.
void SetPrintDialogHook(PrintDialogHook hook);
// Ends a page and starts the next; false when the printer refused.
using PageFeedHook = bool (*)(QPrinter& printer);
// Replaces the page feed (tests); null restores it.
void SetPageFeedHook(PageFeedHook hook);
