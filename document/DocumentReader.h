// Reading document text and formula text. A document's settings are
// collected while the text is parsed and applied together once the whole
// text has been read, and the lines it appended are taken out again when it
// fails, so that a read that fails changes nothing; a bad statement is
// skipped, a bad formula fails the read.
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "document/DocLine.h"
#include "document/DocState.h"
#include "document/DocumentKeywords.h"
#include "document/DocumentParseContext.h"
#include "document/DocumentViewSettings.h"

#include <cstddef>
#include <cstdint>

struct FormulaNode;

// Texts above this size are refused before anything is read.
constexpr size_t kMaxDocumentTextBytes = size_t{1} << 28;
// Formulas nested deeper than this are not read.
constexpr int32_t kMaxFormulaDepth = 200;

// Reads a document into doc. True, with doc->readSucceeded set, when the
// whole text was read; on failure doc is left as it was.
bool ReadDocumentText(DocState* doc, const char* text, size_t length);
// The format version of the last read's header; 0 when it had none.
int32_t LastDocumentFormatVersion();

// The tree of a formula text, or null when the text is not one formula. The
// caller owns the tree.
FormulaNode* ParseFormulaBuffer(const char* text, size_t length);
FormulaNode* ParseFormulaString(const char* text);
FormulaNode* ParseFormulaWideString(const char16_t* text);

// The format number of the older binary document form, or 0.
int32_t CheckBinaryDocumentSignature(const unsigned char* data, size_t length);

void PrepareTablesAfterRead(DocState* doc);
// Version 3 wrote coordinate maps as (x, y) = ...; they now read (d x, d y).
void ConvertPreVersion4Equations(DocState* doc);

// The document settings a file sets, staged until the read completes.
struct DocumentFileSettings {
    ShortRect windowRect;
    int32_t PaneDivider;
    int16_t SignificantDigits;
    bool drawGraphAsRead;
    char FontName[kFontNameBytes];
    int16_t FontSizes;
    uint8_t BackgroundType;
    uint8_t BackgroundColor[3];
    bool StackPanes;
    double SliderMin, SliderMax;
    int16_t SliderSteps;
    bool sliderControlRead;
    int32_t sliderControlValue;
    bool SliderMoving;
    int32_t SliderThrottle;
    bool SliderOneDirection;
    uint8_t SliderVariable;
    int32_t SliderDirection;
    bool UseAntialiasing;
    int32_t textEncoding;
    bool hasPageMargins;
    int32_t pageMargins[4];
};

// One parse: what the scanner and the grammar's reductions work on.
class DocumentReader {
public:
    DocumentReader(DocState* doc, DocInputKind kind, const char* text, size_t length);
    ~DocumentReader();
    DocumentReader(const DocumentReader&) = delete;
    DocumentReader& operator=(const DocumentReader&) = delete;

    // Parses the whole text; true when it was read to its end.
    bool Run();
    // Document input: applies what was read to the document.
    void Commit();
    // Formula input: the tree, now the caller's.
    FormulaNode* TakeFormula();
    int32_t Version() const { return headerRead_ ? version_ : 0; }
    int32_t Errors() const { return errors_; }
    // The typeface and size the text has set so far, for new text boxes.
    const char* FontName() const { return settings_.FontName; }
    int32_t FontSize() const { return settings_.FontSizes; }

    // The grammar's reductions.
    bool EndDocument();
    void FormulaResult(FormulaNode* tree);
    void BeginNumbers();
    void BeginNumbers(double first);
    void AddNumber(double x);
    void KeywordStatement(int32_t keyword);
    void FontNameStatement(const char* name);
    void SliderVariableStatement(int32_t code);
    void ParameterStatement(int32_t code, double value);
    void ExprStatement(FormulaNode* tree);
    void TextBlockStatement(COurEdit* box);
    void TableStatement(DataTable* table);
    void PictureStatement(ByteRun text);
    void DiscardTextBox(COurEdit* box);
    void DiscardTable(DataTable* table);
    void CountError() { ++errors_; }

    bool Leaf(ParsedExpr* out, FormulaNode* node);
    bool Unary(int op, ParsedExpr* out, ParsedExpr a);
    bool Binary(int op, ParsedExpr* out, ParsedExpr a, ParsedExpr b);
    bool Application(ParsedExpr* out, char* name, ParsedExpr argument);
    bool Vector(ParsedExpr* out, ParsedExpr argument);
    // Null when the name cannot be had; the name is freed either way.
    FormulaNode* NameNode(char* name);
    FormulaNode* TextNode(char16_t* text);

    DocScanState scan;
    void* scanner = nullptr;

private:
    bool Settled(ParsedExpr* out, FormulaNode* node, int32_t depth);
    void ApplyViewKeyword(DocKeyword keyword, const double* n);
    void ApplySettingKeyword(DocKeyword keyword, const double* n);
    void ApplyLineKeyword(DocKeyword keyword, const double* n);
    void AppendLine(DocLine* line);

    DocState* doc_;
    bool headerRead_ = false;
    int32_t version_ = 0;
    int32_t errors_ = 0;
    bool numbersOverflow_ = false;
    int32_t numberCount_ = 0;
    double numbers_[16] = {};
    DocumentFileSettings settings_{};
    DocumentViewSettings views_;
    GrowArray<ParameterValue> parameters_;
    // The document's line count before this read.
    int32_t firstLine_ = 0;
    DocLine pending_{};
    int32_t pendingTableFontSize_ = 12;
    int32_t pendingDisplayRows_ = 0;
    FormulaNode* formula_ = nullptr;
    bool committed_ = false;
};
