#include "app/PrintJob.h"

#include "app/CGraphView.h"
#include "app/CMainFrame.h"
#include "app/COndrelDoc.h"
#include "document/DocState.h"
#include "editor/COndrelView.h"
#include "editor/EquationPanePrinting.h"
#include "editor/EquationViewServices.h"
#include "platform/MessageBox.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace {

bool ShowPrintDialog(QPrinter& printer)
{
    QPrintDialog dialog(&printer, GetMainFrame());
    // Whole documents only; the page range and the selection mean nothing
    // here. Printing to a file stays offered: it is how a PDF is made.
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    return dialog.exec() == QDialog::Accepted;
}

bool FeedPage(QPrinter& printer)
{
    return printer.newPage();
}

PrintDialogHook DialogHook = nullptr;
PageFeedHook FeedHook = nullptr;

// The job's pages: the painter begins with the first page, so that a job
// without pages leaves no output.
class PrintedPages {
public:
    explicit PrintedPages(QPrinter& printer) : printer_(printer) {}
    ~PrintedPages() { Finish(); }

    // A new page to draw on; null when the job failed.
    QPainter* NextPage()
    {
        if (!good_)
            return nullptr;
        if (!started_) {
            started_ = true;
            good_ = painter_.begin(&printer_);
            return good_ ? &painter_ : nullptr;
        }
        good_ = (FeedHook ? FeedHook : &FeedPage)(printer_);
        return good_ ? &painter_ : nullptr;
    }
    bool Good() const { return good_; }
    void Finish()
    {
        if (!painter_.isActive())
            return;
        if (!good_)
            printer_.abort();
        painter_.end();
    }

private:
    QPrinter& printer_;
    QPainter painter_;
    bool started_ = false;
    bool good_ = true;
};

}  // namespace

void SetPrintDialogHook(PrintDialogHook hook)
{
    DialogHook = hook;
}

void SetPageFeedHook(PageFeedHook hook)
{
    FeedHook = hook;
}

QString PrintJobName()
{
    COndrelDoc* document = GetEquationView() ? GetDocument() : nullptr;
    return document ? document->Title() : QStringLiteral("Vellumor");
}

bool PrintDocument(QPrinter& printer, COndrelView* equations, CGraphView* graph)
{
    DocState* doc = GetDocState();
    doc->printing = true;
    printer.setDocName(PrintJobName());
    PrintedPages pages(printer);
    if (equations) {
        CPrintInfo info;
        equations->OnBeginPrinting(printer, info);
        for (int32_t page = info.minPage; page <= info.maxPage && info.continuePrinting; ++page) {
            QPainter* painter = pages.NextPage();
            if (!painter)
                break;
            info.currentPage = page;
            equations->OnPrint(*painter, info);
        }
        equations->OnEndPrinting(info);
    }
    if (graph && pages.Good()) {
        const int32_t count = graph->OnBeginPrinting(printer);
        for (int32_t page = 1; page <= count; ++page) {
            QPainter* painter = pages.NextPage();
            if (!painter)
                break;
            graph->OnPrint(*painter, printer);
        }
        graph->OnEndPrinting();
    }
    const bool good = pages.Good();
    pages.Finish();
    doc->printing = false;
    return good;
}

void CMainFrame::OnFilePrint()
{
    QPrinter printer(QPrinter::HighResolution);
    if (!(DialogHook ? DialogHook : &ShowPrintDialog)(printer))
        return;
    if (!PrintDocument(printer, m_equationView, m_graphView))
        ShowMessageBox(u"The document could not be printed.", u"Vellumor", MessageBoxIcon::Warning);
}
