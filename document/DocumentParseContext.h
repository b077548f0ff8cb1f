// What the document scanner, the grammar and the reader share during one
// parse: the input, the scanner's sections under construction, and the
// reader that the grammar's reductions call. Only these three include it.
#pragma once

#include "CoreUtilities/MemoryBudget.h"

#include <cstddef>
#include <cstdint>

class COurEdit;
struct DataTable;
struct DocState;
struct FormulaNode;
class DocumentReader;

// A formula under construction and how deep its tree is.
struct ParsedExpr {
    FormulaNode* node;
    int32_t depth;
};

// A section of bytes collected by the scanner (picture text, print record).
struct ByteRun {
    char* bytes;  // malloc'd
    int32_t length;
};

// The grammar's first token says which input follows.
enum DocInputKind : int32_t { DocInputDocument = 1, DocInputFormula = 2 };

// Font names hold at most 255 bytes; typefaces in marks at most 31.
constexpr int32_t kFontNameBytes = 256;
constexpr int32_t kFaceNameBytes = 32;
// Sizes a "<size=" mark may set, in pixels.
constexpr int32_t kSmallestTextSize = 1;
constexpr int32_t kLargestTextSize = 1000;

struct DocScanState {
    const char* input = nullptr;
    size_t length = 0;
    size_t position = 0;
    DocInputKind kind = DocInputDocument;
    bool startTokenSent = false;
    // Text blocks are UTF-8 (else the Macintosh code page).
    bool utf8 = true;
    DocState* doc = nullptr;
    COurEdit* textBox = nullptr;
    DataTable* table = nullptr;
    bool newColumn = false;
    ByteRun picture{nullptr, 0};
    int32_t pictureCapacity = 0;
    ByteRun print{nullptr, 0};
    int32_t printCapacity = 0;
    // A run outgrew the memory it may take; its section gives no value.
    bool runFailed = false;
    char fontName[kFontNameBytes] = {};
};

// Appends bytes to a run that grows in steps; false (the run marked failed)
// when it would pass the document size limit or memory is refused.
bool AppendToRun(ByteRun* run, int32_t* capacity, const char* bytes, size_t count);
void FreeRun(ByteRun* run, int32_t* capacity);
// Frees whatever sections the scanner still holds (an aborted parse).
void ReleaseScanSections(DocScanState* scan);
