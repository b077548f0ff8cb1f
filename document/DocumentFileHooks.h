// What the document text writer and reader ask of the layers that own text
// boxes, tables, pictures, the main window and the animation slider. Each
// owner fills its entries at start-up. An entry left null answers as a
// program without that part: text blocks and tables are then neither written
// nor read (their sections are still scanned and skipped), pictures are
// dropped, and the window rectangle and slider value are the document's own.
#pragma once

#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/ShortRect.h"

#include <cstdint>

class COurEdit;
struct DataTable;
struct DocState;

struct DocumentFileHooks {
    // Text blocks. The reader makes a box in the face and size the file has
    // set so far, then inserts runs and switches formats at the box's
    // insertion point while it scans the markup.
    COurEdit* (*createTextBox)(DocState* doc, const char* face, int32_t pixels) = nullptr;
    // Bytes in UTF-8 when utf8 is set, else in the Macintosh code page.
    void (*replaceTextBoxSelection)(COurEdit* box, const char* bytes, int32_t length, bool utf8) = nullptr;
    void (*insertTextBoxChar)(COurEdit* box, char byte) = nullptr;
    void (*insertTextBoxLineBreak)(COurEdit* box) = nullptr;
    // effect: 0 bold, 1 italic, 2 underline.
    void (*setTextBoxEffect)(COurEdit* box, int32_t effect, bool on) = nullptr;
    void (*setTextBoxSelectionFace)(COurEdit* box, const char* face) = nullptr;
    void (*setTextBoxSelectionSize)(COurEdit* box, int32_t pixels) = nullptr;
    // Appends the box's text as document markup to the top text buffer.
    void (*writeTextBoxMarkup)(COurEdit* box, DocState* doc) = nullptr;

    // Tables.
    DataTable* (*newDataTable)(DocState* doc) = nullptr;
    // Appends a cell of UTF-8 bytes to the last column, first appending a
    // column when newColumn is set.
    void (*appendCellBytes)(DataTable* table, const char* bytes, int32_t length, bool newColumn) = nullptr;
    // Appends the column lines of the table to the top text buffer.
    void (*writeTableText)(DataTable* table) = nullptr;
    void (*setTableFontSize)(DataTable* table, int32_t size) = nullptr;
    int32_t (*tableFontSize)(const DataTable* table) = nullptr;
    void (*setTableDisplayRows)(DataTable* table, int32_t rows) = nullptr;
    int32_t (*tableDisplayRows)(const DataTable* table) = nullptr;
    // After a read: header texts that are formulas become header formulas,
    // and numeric cells take the user's decimal separator.
    void (*prepareTableAfterRead)(DataTable* table, DocState* doc) = nullptr;

    // Pictures: base64 PNG text to a picture, and a picture appended to the
    // top text buffer as its text (false when it could not be encoded).
    GlobalHandle (*decodePictureText)(const char* text, int32_t length) = nullptr;
    bool (*writePictureText)(GlobalHandle picture) = nullptr;

    // The main window's rectangle in screen coordinates.
    bool (*getMainWindowRect)(ShortRect* rect) = nullptr;
    // The tool bar's animation slider.
    int32_t (*getAnimationSliderValue)() = nullptr;
    void (*setAnimationSliderPos)(int32_t value) = nullptr;
};

// The hooks every layer fills; one set for the process.
DocumentFileHooks& GetDocumentFileHooks();
