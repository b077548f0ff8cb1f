#include "editor/EquationPanePrinting.h"

#include "document/DataTable.h"
#include "document/DocState.h"
#include "editor/COndrelView.h"
#include "editor/COurEdit.h"
#include "editor/EditorStateLife.h"
#include "editor/EquationViewServices.h"
#include "editor/LineWrapping.h"
#include "formula/EditorState.h"
#include "platform/PortDC.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace {

const std::vector<COndrelView_PrintChunk> NoChunks;

void AppendChunk(std::vector<COndrelView_PrintChunk>& chunks, int32_t index, int32_t page, int32_t pageTop,
                 int32_t lineTop)
{
    COndrelView_PrintChunk chunk;
    chunk.lineIndex = index;
    chunk.page = page;
    chunk.pageTop = pageTop;
    chunk.lineTop = lineTop;
    chunks.push_back(chunk);
}

// Moves every formula and table of the layout up by d pixels (down when
// negative); text blocks are printed from their own pieces.
void ShiftLines(DocState* doc, int32_t d)
{
    for (DocLine& line : doc->Lines) {
        if (line.kind == DocLineEquation && line.formula)
            line.formula->originV = SaturateToShort(line.formula->originV - d);
        else if (line.kind == DocLineTable)
            ScrollTableBy(&line, d);
    }
}

// Every formula is typeset again at the next layout.
void MarkLinesForLayout(DocState* doc)
{
    for (DocLine& line : doc->Lines)
        if (line.kind == DocLineEquation && line.formula)
            line.formula->layoutValid = 0;
}

// The text of a block laid out as on paper, its lines' tops and the
// characters they start with.
struct TextLines {
    std::vector<int32_t> tops, bottoms, starts;
    int32_t length = 0;
};

TextLines LinesOf(QTextDocument* text)
{
    TextLines out;
    QAbstractTextDocumentLayout* layout = text->documentLayout();
    for (QTextBlock block = text->begin(); block.isValid(); block = block.next()) {
        const double blockTop = layout->blockBoundingRect(block).top();
        QTextLayout* lines = block.layout();
        for (int i = 0; lines && i < lines->lineCount(); ++i) {
            QTextLine line = lines->lineAt(i);
            out.tops.push_back(static_cast<int32_t>(std::floor(blockTop + line.y())));
            out.bottoms.push_back(static_cast<int32_t>(std::ceil(blockTop + line.y() + line.height())));
            out.starts.push_back(block.position() + line.textStart());
        }
    }
    out.length = std::max(0, text->characterCount() - 1);
    return out;
}

// How much of a block, from character first, fits in height pixels: whole
// lines only. The first piece starts at the text's top, with its margin.
TextPieceFit FitTextPiece(QTextDocument* text, int32_t first, int32_t height)
{
    TextPieceFit fit;
    TextLines lines = LinesOf(text);
    fit.textLength = lines.length;
    fit.endCharacter = lines.length;
    const size_t count = lines.starts.size();
    size_t firstLine = 0;
    while (firstLine + 1 < count && lines.starts[firstLine + 1] <= first)
        ++firstLine;
    fit.textTop = first == 0 || count == 0 ? 0 : lines.tops[firstLine];
    int32_t end = static_cast<int32_t>(std::ceil(text->size().height()));
    for (size_t i = firstLine; i < count; ++i) {
        if (lines.bottoms[i] - fit.textTop > height) {
            fit.endCharacter = lines.starts[i];
            end = lines.tops[i];
            break;
        }
    }
    fit.height = std::max(0, end - fit.textTop);
    return fit;
}

struct PrintMeasureContext {
    EquationPanePrintState* state;
};

TextPieceFit MeasureFromState(void* context, int32_t index, int32_t first, int32_t height)
{
    auto* state = static_cast<PrintMeasureContext*>(context)->state;
    QTextDocument* text = index >= 0 && index < static_cast<int32_t>(state->texts.size())
        ? state->texts[static_cast<size_t>(index)].get()
        : nullptr;
    return text ? FitTextPiece(text, first, height) : TextPieceFit{};
}

}  // namespace

bool PaginatePrintLines(const std::vector<PrintLineExtent>& lines, int32_t pageHeight, TextPieceMeasure measure,
                        void* context, std::vector<COndrelView_PrintChunk>& chunks)
{
    chunks.clear();
    const int32_t h = std::max(1, pageHeight);
    int32_t page = 1, pageTop = 0, lastTop = 0, first = 0;
    bool pending = false;
    size_t i = 0;
    while (i < lines.size()) {
        if (pending) {
            ++page;
            lastTop = pageTop;
            pending = false;
        }
        const PrintLineExtent& line = lines[i];
        const int32_t index = static_cast<int32_t>(i);
        // Something is on this page already (after a continued text block
        // the line's top equals the page's, so the tops cannot tell).
        const bool pageUsed = !chunks.empty() && chunks.back().page == page;
        if (line.kind != DocLineText) {
            // A formula or table that reaches past the page's bottom starts
            // the next page, unless it is the first on this one.
            if (line.bottom > pageTop + h && pageUsed) {
                pending = true;
                pageTop = line.top - kPrintPageTopMargin;
                continue;
            }
            lastTop = line.top;
            AppendChunk(chunks, index, page, pageTop, lastTop);
            ++i;
            continue;
        }
        if (first == 0)
            lastTop = line.top;
        const int32_t offset = lastTop - pageTop;
        if (offset >= h) {
            pending = true;
            pageTop = lastTop;
            continue;
        }
        TextPieceFit fit = measure ? measure(context, index, first, h - offset) : TextPieceFit{};
        if (fit.endCharacter <= first && fit.endCharacter < fit.textLength) {
            // Not a line fits: on a fresh page nothing ever will.
            if (!pageUsed) {
                chunks.clear();
                return false;
            }
            pending = true;
            pageTop = lastTop;
            continue;
        }
        COndrelView_PrintChunk chunk;
        chunk.lineIndex = index;
        chunk.page = page;
        chunk.pageTop = pageTop;
        chunk.lineTop = lastTop;
        chunk.textBox = line.textBox;
        chunk.firstCharacter = first;
        chunk.endCharacter = fit.endCharacter;
        chunk.rect = line.rect;
        chunk.textTop = fit.textTop;
        chunk.textHeight = fit.height;
        chunks.push_back(chunk);
        if (fit.endCharacter < fit.textLength) {
            // The rest goes on at the top of the next page, whose band
            // begins where this piece ended in the layout.
            pending = true;
            first = fit.endCharacter;
            pageTop = lastTop + fit.height;
        } else {
            ++i;
            first = 0;
        }
    }
    return true;
}

void GetPrintPageBand(const std::vector<COndrelView_PrintChunk>& chunks, int32_t page, int32_t pageHeight,
                      int32_t& top, int32_t& bottom)
{
    top = 0;
    bool found = false;
    for (const COndrelView_PrintChunk& chunk : chunks) {
        if (!found && chunk.page == page) {
            top = chunk.pageTop;
            found = true;
        } else if (found && chunk.page > page) {
            bottom = std::min(chunk.pageTop, top + pageHeight);
            return;
        }
    }
    // The last page shows one page height: a page's top may lie further
    // down than page x height after tall lines.
    bottom = top + pageHeight;
}

void PrintPageInScreenPixels(int32_t deviceWidth, int32_t deviceHeight, double deviceDpiX, double deviceDpiY,
                             double screenDpiX, double screenDpiY, int32_t& width, int32_t& height)
{
    const float inchesX = static_cast<float>(deviceWidth / std::max(1.0, deviceDpiX));
    const float inchesY = static_cast<float>(deviceHeight / std::max(1.0, deviceDpiY));
    width = std::max(1, static_cast<int32_t>(screenDpiX * inchesX));
    height = std::max(1, static_cast<int32_t>(screenDpiY * inchesY));
}

void ResetPrintFormatRanges()
{
    COndrelView* view = GetEquationView();
    if (EquationPanePrintState* state = view ? view->PrintState() : nullptr)
        state->texts.clear();
}

const std::vector<COndrelView_PrintChunk>& COndrelView::PrintChunks() const
{
    return m_print ? m_print->chunks : NoChunks;
}

void COndrelView::OnBeginPrinting(QPaintDevice& printer, CPrintInfo& info)
{
    DocState* doc = GetDocState();
    if (!m_print)
        m_print = std::make_unique<EquationPanePrintState>();
    EquationPanePrintState& state = *m_print;
    ResetPrintFormatRanges();
    if (!state.printerDC) {
        state.printerDC = PortDC::NewForMeasuring();
        state.savedPaneRect = doc->equationPaneRect;
    }
    SetEquationViewPrinterDC(state.printerDC);
    PrintPageInScreenPixels(printer.width(), printer.height(), printer.logicalDpiX(), printer.logicalDpiY(),
                            logicalDpiX(), logicalDpiY(), state.pageWidth, state.pageHeight);
    const int32_t w = state.pageWidth, h = state.pageHeight;

    // The lines laid out for the paper; while printing the layout only
    // reports its height.
    SetShortRect(doc->equationPaneRect, 0, 0, SaturateToShort(h), SaturateToShort(w));
    MarkLinesForLayout(doc);
    LayoutLinesWithDC(state.printerDC);
    SetShortRect(doc->equationPaneRect, 0, 0, SaturateToShort(GetViewLayoutValue()), SaturateToShort(w));

    std::vector<PrintLineExtent> lines(static_cast<size_t>(doc->Lines.count));
    state.texts.resize(lines.size());
    EditorState* saved = GetCurrentEditorState();
    for (int32_t i = 0; i < doc->Lines.count; ++i) {
        DocLine& line = doc->Lines[i];
        PrintLineExtent& extent = lines[static_cast<size_t>(i)];
        extent.kind = line.kind;
        if (line.kind == DocLineEquation && line.formula) {
            MakeEditorStateCurrent(line.formula, this);
            extent.top = line.formula->originV;
            extent.bottom = extent.top + static_cast<int32_t>(GetFormulaHeight());
        } else if (line.kind == DocLineTable) {
            extent.top = GetTableTop(&line);
            extent.bottom = GetTableBottom(&line);
        } else if (line.kind == DocLineText && line.textBox) {
            QWidget* box = TextBoxWindow(line.textBox);
            QRect r = box ? box->geometry() : QRect();
            extent.textBox = line.textBox;
            extent.top = r.top();
            extent.bottom = r.bottom() + 1;
            SetShortRect(extent.rect, r.top(), r.left(), r.bottom() + 1, r.right() + 1);
            // The text as the box shows it at its paper width.
            auto text = std::unique_ptr<QTextDocument>(line.textBox->document()->clone());
            const int frame = line.textBox->frameWidth();
            text->setTextWidth(std::max(1, r.width() - 2 * frame));
            state.texts[static_cast<size_t>(i)] = std::move(text);
        } else {
            // A line without content takes no room.
            extent.kind = DocLineEquation;
            extent.top = extent.bottom = i > 0 ? lines[static_cast<size_t>(i - 1)].top : 0;
        }
    }
    SetCurrentEditorState(saved);
    if (saved)
        MakeEditorStateCurrent(saved, this);

    PrintMeasureContext context{&state};
    if (!PaginatePrintLines(lines, h, &MeasureFromState, &context, state.chunks)) {
        info.continuePrinting = false;
        info.maxPage = 0;
        return;
    }
    info.minPage = 1;
    info.maxPage = state.chunks.empty() ? 0 : state.chunks.back().page;
}

void COndrelView::OnPrint(QPainter& painter, CPrintInfo& info)
{
    DocState* doc = GetDocState();
    if (!m_print || !m_print->printerDC || !doc->printing)
        return;
    EquationPanePrintState& state = *m_print;
    const int32_t page = info.currentPage;
    const int32_t w = state.pageWidth, h = state.pageHeight;
    int32_t top = 0, bottom = 0;
    GetPrintPageBand(state.chunks, page, h, top, bottom);
    const int32_t band = std::clamp(bottom - top, 0, h);
    QPaintDevice* device = painter.device();
    if (!device || band <= 0)
        return;
    // The isotropic mapping of the page's layout pixels to the device.
    const double scale = std::min(static_cast<double>(device->width()) / w, static_cast<double>(device->height()) / h);

    // Formulas and tables: the band drawn by the pane's own drawing, with
    // lines outside it cut off at its edges.
    QImage image(w, band, QImage::Format_RGB32);
    if (!image.isNull()) {
        image.fill(Qt::white);
        const ShortRect paneRect = doc->equationPaneRect;
        ShiftLines(doc, top);
        SetShortRect(doc->equationPaneRect, 0, 0, SaturateToShort(band - 1), SaturateToShort(w));
        if (PortDC* dc = PortDC::NewForPixels(image.bits(), image.width(), image.height(),
                                              static_cast<int>(image.bytesPerLine()))) {
            DrawPaneContents(dc);
            delete dc;
        }
        doc->equationPaneRect = paneRect;
        ShiftLines(doc, -top);
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(0, 0, w * scale, band * scale), image);
        painter.restore();
    }

    // Text blocks: each piece of this page drawn by its text, at the paper
    // resolution.
    for (const COndrelView_PrintChunk& chunk : state.chunks) {
        if (chunk.page != page || !chunk.textBox || chunk.lineIndex >= static_cast<int32_t>(state.texts.size()))
            continue;
        QTextDocument* text = state.texts[static_cast<size_t>(chunk.lineIndex)].get();
        if (!text)
            continue;
        const int frame = chunk.textBox->frameWidth();
        const int32_t y = chunk.lineTop - top + frame;
        const int32_t height = std::min(chunk.textHeight, h - (chunk.lineTop - top));
        painter.save();
        painter.scale(scale, scale);
        painter.translate(chunk.rect.left + frame, y - chunk.textTop);
        text->drawContents(&painter, QRectF(0, chunk.textTop, ShortRectWidth(chunk.rect), std::max(0, height)));
        painter.restore();
    }
}

void COndrelView::OnEndPrinting(CPrintInfo&)
{
    DocState* doc = GetDocState();
    SetEquationViewPrinterDC(nullptr);
    if (!m_print)
        return;
    if (m_print->printerDC)
        doc->equationPaneRect = m_print->savedPaneRect;
    delete m_print->printerDC;
    m_print->printerDC = nullptr;
    m_print->chunks.clear();
    ResetPrintFormatRanges();
    MarkLinesForLayout(doc);
    InvalidateEquationLayout();
}
