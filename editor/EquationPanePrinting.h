// The equation pane on paper: the document laid out again for the page
// width, cut into pages where no formula, table or line of text is split
// across an edge (a text block that does not fit goes on from the first
// character that did not), and each page drawn as its band of the layout.
#pragma once

#include "CoreUtilities/ShortRect.h"

#include <QTextDocument>

#include <cstdint>
#include <memory>
#include <vector>

class COurEdit;
class PortDC;

// One pane's part of a print job: the pages it prints and whether it goes on.
struct CPrintInfo {
    int32_t minPage = 1;
    int32_t maxPage = 0;  // below minPage: nothing to print
    int32_t currentPage = 0;
    bool continuePrinting = true;
};

// One piece of the document on one page, in layout pixels.
struct COndrelView_PrintChunk {
    int32_t lineIndex = 0;
    int32_t page = 1;
    int32_t pageTop = 0;
    int32_t lineTop = 0;              // a continued text block: its page's top
    COurEdit* textBox = nullptr;      // null for formulas and tables
    int32_t firstCharacter = 0;       // where this piece of a text block starts
    int32_t endCharacter = 0;         // the first character that did not fit
    ShortRect rect{0, 0, 0, 0};       // a text block's box; empty otherwise
    int32_t textTop = 0;              // the piece's first line, in the box's text
    int32_t textHeight = 0;           // the piece's height on the page
};

// What the page cutter knows of a line: a formula or table by its extent,
// a text block by its top and the box that measures its pieces.
struct PrintLineExtent {
    int32_t kind = 0;  // DocLineKind
    int32_t top = 0;
    int32_t bottom = 0;
    COurEdit* textBox = nullptr;
    ShortRect rect{0, 0, 0, 0};
};

// A piece of text that fits: the first character that did not (the text's
// length when all did), where the piece starts in the text and its height.
struct TextPieceFit {
    int32_t endCharacter = 0;
    int32_t textLength = 0;
    int32_t textTop = 0;
    int32_t height = 0;
};
// Measures the rest of line index from character first into height pixels.
using TextPieceMeasure = TextPieceFit (*)(void* context, int32_t index, int32_t first, int32_t height);

// A line that does not fit below the one before starts a new page whose top
// lies this far above the line.
constexpr int32_t kPrintPageTopMargin = 10;

// Cuts the lines into pages of pageHeight layout pixels. The first line on
// a page stays there whatever its height. False when a text block cannot
// place a single line even at the top of a page: then nothing is printed.
bool PaginatePrintLines(const std::vector<PrintLineExtent>& lines, int32_t pageHeight, TextPieceMeasure measure,
                        void* context, std::vector<COndrelView_PrintChunk>& chunks);

// The layout rows [top, bottom) that page p shows.
void GetPrintPageBand(const std::vector<COndrelView_PrintChunk>& chunks, int32_t page, int32_t pageHeight,
                      int32_t& top, int32_t& bottom);

// The page in layout pixels: as many screen pixels as the printable area
// measures at the screen's resolution.
void PrintPageInScreenPixels(int32_t deviceWidth, int32_t deviceHeight, double deviceDpiX, double deviceDpiY,
                             double screenDpiX, double screenDpiY, int32_t& width, int32_t& height);

// What the equation view holds from the start of printing to its end.
struct EquationPanePrintState {
    PortDC* printerDC = nullptr;
    int32_t pageWidth = 0, pageHeight = 0;  // layout pixels
    ShortRect savedPaneRect{0, 0, 0, 0};
    std::vector<COndrelView_PrintChunk> chunks;
    // Each text block's text laid out for the paper, by line index.
    std::vector<std::unique_ptr<QTextDocument>> texts;
};

// Every text block's print layout is dropped.
void ResetPrintFormatRanges();
