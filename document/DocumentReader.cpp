#include "document/DocumentReader.h"

#include "CoreUtilities/PictureHandle.h"
#include "CoreUtilities/TextEncoding.h"
#include "CoreUtilities/WideString.h"
#include "document/DocumentFileHooks.h"
#include "document/DocumentHooks.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/ParsedTreeNormalization.h"
#include "formula/TreeRewrite.h"
#include "numerics/RotationAxisAngle.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "DocumentGrammar.h"

int docparse(DocumentReader* reader);

// The grammar over the reader's input; true when it was read to its end.
bool DocParse(DocumentReader* reader)
{
    return docparse(reader) == 0;
}
bool StartDocScanner(DocumentReader* reader);
void StopDocScanner(DocumentReader* reader);
int DocLex(DOCSTYPE* value, DocumentReader* reader);

namespace {

constexpr char kHeaderKeyword[] = "Vellumor";
// Text sizes a document may set for its fonts and tables, in pixels.
constexpr int32_t kSmallestFontSize = 4;
constexpr int32_t kLargestFontSize = 400;
constexpr int32_t kLargestMatrixSide = 32767;

int32_t g_lastVersion = 0;

// Numbers from a file into integer fields: truncated toward zero, held to
// the field's range, NaN giving the fallback.
int32_t ToInt(double x, int32_t lowest, int32_t highest, int32_t fallback)
{
    if (std::isnan(x))
        return fallback;
    double t = std::trunc(x);
    if (t <= lowest)
        return lowest;
    if (t >= highest)
        return highest;
    return static_cast<int32_t>(t);
}

int16_t ToShort(double x, int16_t fallback)
{
    return static_cast<int16_t>(ToInt(x, INT16_MIN, INT16_MAX, fallback));
}

uint8_t ToFlag(double x)
{
    return x != 0 ? 1 : 0;
}

void TakeSettings(const DocState* doc, DocumentFileSettings* s)
{
    s->windowRect = doc->windowRect;
    s->PaneDivider = doc->PaneDivider;
    s->SignificantDigits = doc->SignificantDigits;
    s->drawGraphAsRead = doc->drawGraphAsRead;
    std::memcpy(s->FontName, doc->FontName, sizeof s->FontName);
    s->FontName[kFontNameBytes - 1] = 0;
    s->FontSizes = doc->FontSizes;
    s->BackgroundType = doc->BackgroundType;
    std::memcpy(s->BackgroundColor, doc->BackgroundColor, 3);
    s->StackPanes = doc->StackPanes;
    s->SliderMin = doc->SliderMin;
    s->SliderMax = doc->SliderMax;
    s->SliderSteps = doc->SliderSteps;
    s->sliderControlRead = false;
    s->sliderControlValue = 10;
    s->SliderMoving = doc->SliderMoving;
    s->SliderThrottle = doc->SliderThrottle;
    s->SliderOneDirection = doc->SliderOneDirection;
    s->SliderVariable = doc->SliderVariable;
    s->SliderDirection = doc->SliderDirection;
    s->UseAntialiasing = doc->UseAntialiasing;
    s->textEncoding = 0;
    s->hasPageMargins = doc->pageMargins != nullptr;
    if (doc->pageMargins)
        std::memcpy(s->pageMargins, doc->pageMargins, sizeof s->pageMargins);
}

void ApplySettings(DocState* doc, const DocumentFileSettings& s)
{
    doc->windowRect = s.windowRect;
    doc->PaneDivider = s.PaneDivider;
    doc->SignificantDigits = s.SignificantDigits;
    doc->drawGraphAsRead = s.drawGraphAsRead;
    std::memcpy(doc->FontName, s.FontName, sizeof doc->FontName);
    doc->FontSizes = s.FontSizes;
    doc->BackgroundType = s.BackgroundType;
    std::memcpy(doc->BackgroundColor, s.BackgroundColor, 3);
    doc->StackPanes = s.StackPanes;
    doc->SliderMin = s.SliderMin;
    doc->SliderMax = s.SliderMax;
    doc->SliderSteps = s.SliderSteps;
    doc->SliderMoving = s.SliderMoving;
    doc->SliderThrottle = s.SliderThrottle;
    doc->SliderOneDirection = s.SliderOneDirection;
    doc->SliderVariable = s.SliderVariable;
    doc->SliderDirection = s.SliderDirection;
    doc->UseAntialiasing = s.UseAntialiasing;
    doc->textEncoding = s.textEncoding;
    if (s.hasPageMargins) {
        if (!doc->pageMargins)
            doc->pageMargins = static_cast<int32_t*>(BudgetMalloc(sizeof s.pageMargins, false));
        if (doc->pageMargins)
            std::memcpy(doc->pageMargins, s.pageMargins, sizeof s.pageMargins);
    }
    const DocumentFileHooks& hooks = GetDocumentFileHooks();
    if (s.sliderControlRead && hooks.setAnimationSliderPos)
        hooks.setAnimationSliderPos(s.sliderControlValue);
}

bool DemoRunning()
{
    const DocumentHooks& hooks = GetDocumentHooks();
    return hooks.isDemoRunning && hooks.isDemoRunning();
}

void SetRange(ValueRange* range, const double* n)
{
    range->minimum = n[0];
    range->maximum = n[1];
}

// A rotation read from an old file becomes a spin: its axis, and ten times
// its angle as the speed.
void SpinFromRotation3(View3DSettings* view, const double* matrix)
{
    double angle = 0;
    RotationToAxisAngle3(matrix, view->spinAxis, &angle);
    view->spinSpeed = angle * 10;
}

void SpinFromRotation4(View4DSettings* view, const double* matrix)
{
    double angles[2];
    RotationToAxisAngle4(matrix, view->spinAxis, angles);
    for (int k = 0; k < 2; ++k)
        view->spinSpeed[k] = std::clamp(angles[k] * 10, -3.1, 3.1);
}

// The UTF-8 name's code; 0 when the name is empty or not UTF-8.
uint32_t InternUtf8Name(const char* name)
{
    size_t length = std::strlen(name);
    if (length == 0)
        return 0;
    auto* wide = static_cast<char16_t*>(std::malloc((length + 1) * sizeof(char16_t)));
    if (!wide)
        return 0;
    NarrowToWide(name, wide, kTextUtf8);
    uint32_t code = wide[0] ? InternSymbolName(wide) : 0;
    std::free(wide);
    return code;
}

bool IsTwoItemList(const FormulaNode* node)
{
    return node->kind == KindComma && node->childCount == 2;
}

bool TakesTwoOperands(int32_t kind)
{
    switch (kind) {
    case KindSn: case KindChoice: case KindInterval: case KindDot: case KindCross: case KindBesselJ:
    case KindIf: case KindNotEqual: case KindIn: case KindPower: case KindEquation:
    case KindConditionList: case KindBooleanMark:
        return true;
    default:
        return false;
    }
}

bool TakesOneOrTwoOperands(int32_t kind)
{
    return kind == KindLog || kind == KindSqrt || kind == KindGrad;
}

int32_t OperatorKind(int op)
{
    switch (op) {
    case '+': case '-': return KindSum;
    case '*': return KindProduct;
    case '/': return KindFraction;
    case '^': return KindPower;
    case '_': return KindSubscript;
    case '=': return KindEquation;
    case '>': return KindGreater;
    case '<': return KindLess;
    case ',': return KindComma;
    default: return 0;
    }
}

void NormalizeReadTree(FormulaNode* root)
{
    StripParentheses(root);
    FlattenInfixOperators(root);
    NormalizeParsedTree(root);
}

}  // namespace

// ---- Scanner runs ----------------------------------------------------------

bool AppendToRun(ByteRun* run, int32_t* capacity, const char* bytes, size_t count)
{
    size_t needed = static_cast<size_t>(run->length) + count;
    if (needed > kMaxDocumentTextBytes)
        return false;
    if (needed > static_cast<size_t>(*capacity)) {
        size_t grown = std::max<size_t>({1024, needed, static_cast<size_t>(*capacity) * 2});
        grown = std::min(grown, kMaxDocumentTextBytes);
        char* bigger = static_cast<char*>(std::realloc(run->bytes, grown));
        if (!bigger)
            return false;
        run->bytes = bigger;
        *capacity = static_cast<int32_t>(grown);
    }
    std::memcpy(run->bytes + run->length, bytes, count);
    run->length = static_cast<int32_t>(needed);
    return true;
}

void FreeRun(ByteRun* run, int32_t* capacity)
{
    std::free(run->bytes);
    *run = ByteRun{nullptr, 0};
    *capacity = 0;
}

void ReleaseScanSections(DocScanState* scan)
{
    const DocumentFileHooks& hooks = GetDocumentFileHooks();
    const DocumentHooks& documentHooks = GetDocumentHooks();
    (void)hooks;
    if (scan->textBox && documentHooks.destroyTextBox)
        documentHooks.destroyTextBox(scan->textBox);
    scan->textBox = nullptr;
    if (scan->table && documentHooks.freeDataTable)
        documentHooks.freeDataTable(scan->table);
    scan->table = nullptr;
    FreeRun(&scan->picture, &scan->pictureCapacity);
    FreeRun(&scan->print, &scan->printCapacity);
}

int doclex(DOCSTYPE* value, DocumentReader* reader)
{
    DocScanState& scan = reader->scan;
    if (!scan.startTokenSent) {
        scan.startTokenSent = true;
        return scan.kind == DocInputDocument ? TOK_DOCUMENT_START : TOK_FORMULA_START;
    }
    return DocLex(value, reader);
}

// ---- The reader ------------------------------------------------------------

DocumentReader::DocumentReader(DocState* doc, DocInputKind kind, const char* text, size_t length) : doc_(doc)
{
    scan.input = text;
    scan.length = length;
    scan.kind = kind;
    scan.doc = doc;
    InitEquationLine(&pending_);
    if (kind == DocInputDocument && doc) {
        firstLine_ = doc->Lines.count;
        TakeSettings(doc, &settings_);
        GetViewSettings(doc, &views_);
        // Pictures already placed stay with the views; the record collects
        // only the ones this text places.
        for (View2DSettings& view : views_.view2D)
            view.pictures = GrowArray<PlacedPictureRecord>{};
    }
}

DocumentReader::~DocumentReader()
{
    StopDocScanner(this);
    ReleaseScanSections(&scan);
    if (!committed_) {
        // The lines this read appended go again.
        if (doc_) {
            for (int32_t i = firstLine_; i < doc_->Lines.count; ++i)
                FreeDocLine(&doc_->Lines[i]);
            doc_->Lines.count = firstLine_;
        }
        FreeViewPictures(&views_);
    }
    parameters_.Clear();
    FreeDocLine(&pending_);
    FreeTree(formula_);
}

bool DocumentReader::Run()
{
    if (!StartDocScanner(this))
        return false;
    return DocParse(this);
}

void DocumentReader::Commit()
{
    ApplySettings(doc_, settings_);
    ApplyViewSettings(doc_, &views_);
    if (!doc_->Parameters)
        doc_->Parameters = new (std::nothrow) ParameterValueList;
    for (const ParameterValue& entry : parameters_) {
        if (!doc_->Parameters || doc_->Parameters->Push(entry) != 0)
            break;
    }
    committed_ = true;
    doc_->readSucceeded = true;
}

FormulaNode* DocumentReader::TakeFormula()
{
    FormulaNode* tree = formula_;
    formula_ = nullptr;
    return tree;
}

bool DocumentReader::EndDocument()
{
    return headerRead_;
}

void DocumentReader::FormulaResult(FormulaNode* tree)
{
    NormalizeReadTree(tree);
    FreeTree(formula_);
    formula_ = tree;
}

void DocumentReader::BeginNumbers()
{
    numberCount_ = 0;
    numbersOverflow_ = false;
}

void DocumentReader::BeginNumbers(double first)
{
    BeginNumbers();
    AddNumber(first);
}

void DocumentReader::AddNumber(double x)
{
    if (numberCount_ == static_cast<int32_t>(std::size(numbers_))) {
        numbersOverflow_ = true;
        return;
    }
    numbers_[numberCount_++] = x;
}

void DocumentReader::KeywordStatement(int32_t id)
{
    auto keyword = static_cast<DocKeyword>(id);
    // "nan" and "inf" are what a setting that is not a number is written as;
    // like them, the words NaN and Infinity set nothing.
    bool finite = std::all_of(numbers_, numbers_ + numberCount_, [](double x) { return std::isfinite(x); });
    if (numbersOverflow_ || !finite || !KeywordTakesCount(keyword, numberCount_)) {
        CountError();
        return;
    }
    const double* n = numbers_;
    if (keyword == KwHeader) {
        headerRead_ = true;
        version_ = ToInt(n[0], INT32_MIN, INT32_MAX, 0);
        g_lastVersion = version_;
        settings_.textEncoding = 0;
        FreeDocLine(&pending_);
        InitEquationLine(&pending_);
        return;
    }
    // Nothing before a header belongs to a document.
    if (!headerRead_)
        return;
    ApplySettingKeyword(keyword, n);
    ApplyViewKeyword(keyword, n);
    ApplyLineKeyword(keyword, n);
}

void DocumentReader::ApplySettingKeyword(DocKeyword keyword, const double* n)
{
    DocumentFileSettings& s = settings_;
    switch (keyword) {
    case KwTextEncodingUTF8: s.textEncoding = 0; break;
    case KwTextEncodingMacOS: s.textEncoding = 1; break;
    case KwWindow:
        s.windowRect = {ToShort(n[0], 0), ToShort(n[1], 0), ToShort(n[2], 0), ToShort(n[3], 0)};
        break;
    case KwPaneDivider:
        if (!DemoRunning())
            s.PaneDivider = ToInt(n[0], 0, kPaneDividerDefault, kPaneDividerDefault);
        break;
    case KwSignificantDigits: s.SignificantDigits = static_cast<int16_t>(ToInt(n[0], 1, 17, 6)); break;
    case KwDrawGraph: s.drawGraphAsRead = ToFlag(n[0]); break;
    case KwFontSizes:
        s.FontSizes = static_cast<int16_t>(ToInt(n[0], kSmallestFontSize, kLargestFontSize, 24));
        break;
    case KwBackgroundType: s.BackgroundType = static_cast<uint8_t>(ToInt(n[0], 0, 255, 1)); break;
    case KwBackgroundColor:
        for (int i = 0; i < 3; ++i)
            s.BackgroundColor[i] = static_cast<uint8_t>(ToInt(n[i], 0, 255, 0));
        break;
    case KwStackPanes:
        if (!DemoRunning())
            s.StackPanes = ToFlag(n[0]);
        break;
    case KwPageMargins: {
        // Stored as m2, m0, m3, m1 in 16.16 fixed point. Sixteen digits do
        // not always hold a 16.16 value exactly, so the nearest one is taken:
        // truncating would lose a unit on every save.
        static const int kOrder[4] = {2, 0, 3, 1};
        for (int i = 0; i < 4; ++i)
            s.pageMargins[kOrder[i]] = ToInt(std::round(n[i] * 65536), INT32_MIN, INT32_MAX, 0);
        s.hasPageMargins = true;
        break;
    }
    case KwSlider: s.SliderMin = n[0]; s.SliderMax = n[1]; break;
    case KwSliderSteps: s.SliderSteps = static_cast<int16_t>(ToInt(n[0], 1, INT16_MAX, 100)); break;
    case KwSliderControlValue:
        s.sliderControlRead = true;
        s.sliderControlValue = ToInt(n[0], INT32_MIN, INT32_MAX, 10);
        break;
    case KwSliderMoving: s.SliderMoving = ToFlag(n[0]); break;
    case KwSliderThrottle: s.SliderThrottle = ToInt(n[0], INT32_MIN, INT32_MAX, 30); break;
    case KwSliderOneDirection: s.SliderOneDirection = ToFlag(n[0]); break;
    case KwSliderDirection: s.SliderDirection = ToInt(n[0], INT32_MIN, INT32_MAX, 1); break;
    case KwUseAntialiasing: s.UseAntialiasing = ToFlag(n[0]); break;
    default: break;
    }
}

void DocumentReader::ApplyViewKeyword(DocKeyword keyword, const double* n)
{
    View2DSettings* v2 = views_.view2D;
    View3DSettings* v3 = views_.view3D;
    View4DSettings& v4 = views_.view4D;
    // Statements of the second 2D and 3D views name the view by "p".
    int second = 0;
    switch (keyword) {
    case KwT:
        for (int i = 0; i < 2; ++i) {
            SetRange(&v2[i].t, n);
            SetRange(&v3[i].t, n);
        }
        SetRange(&v4.t, n);
        break;
    case KwU:
        SetRange(&v3[0].u, n);
        SetRange(&v3[1].u, n);
        SetRange(&v4.u, n);
        break;
    case KwV:
        SetRange(&v3[0].v, n);
        SetRange(&v3[1].v, n);
        SetRange(&v4.v, n);
        break;
    case KwR:
        for (int i = 0; i < 2; ++i) {
            SetRange(&v2[i].r, n);
            SetRange(&v3[i].r, n);
        }
        break;
    case KwTheta:
        for (int i = 0; i < 2; ++i) {
            SetRange(&v2[i].theta, n);
            SetRange(&v3[i].theta, n);
        }
        break;
    case KwPhi:
        SetRange(&v3[0].phi, n);
        SetRange(&v3[1].phi, n);
        break;
    case KwHideAxes:
        for (int i = 0; i < 2; ++i) {
            v2[i].showAxes = v2[i].showGraphPaper = 0;
            v3[i].showAxes = 0;
        }
        break;
    case Kw2DpScale: second = 1; [[fallthrough]];
    case Kw2DScale:
        v2[second].unitsX = n[0];
        v2[second].unitsY = n[1];
        v2[second].tickKindX = ToInt(n[2], INT32_MIN, INT32_MAX, 1);
        v2[second].tickKindY = ToInt(n[3], INT32_MIN, INT32_MAX, 1);
        break;
    case Kw2DpBottomLeft: second = 1; [[fallthrough]];
    case Kw2DBottomLeft:
        v2[second].yMin = n[0];
        v2[second].xMin = n[1];
        break;
    case Kw2DpAxes: second = 1; [[fallthrough]];
    case Kw2DAxes: v2[second].showAxes = ToFlag(n[0]); break;
    case Kw2DpGraphPaper: second = 1; [[fallthrough]];
    case Kw2DGraphPaper: v2[second].showGraphPaper = ToFlag(n[0]); break;
    case Kw3DpX: second = 1; [[fallthrough]];
    case Kw3DX: SetRange(&v3[second].box[0], n); break;
    case Kw3DpY: second = 1; [[fallthrough]];
    case Kw3DY: SetRange(&v3[second].box[1], n); break;
    case Kw3DpZ: second = 1; [[fallthrough]];
    case Kw3DZ: SetRange(&v3[second].box[2], n); break;
    case Kw3DpView: second = 1; [[fallthrough]];
    case Kw3DView: std::copy(n, n + 9, v3[second].rotation); break;
    case Kw3DpRotation: second = 1; [[fallthrough]];
    case Kw3DRotation: SpinFromRotation3(&v3[second], n); break;
    case Kw3DpAxis: second = 1; [[fallthrough]];
    case Kw3DAxis: std::copy(n, n + 3, v3[second].spinAxis); break;
    case Kw3DpSpeed: second = 1; [[fallthrough]];
    case Kw3DSpeed: v3[second].spinSpeed = n[0]; break;
    case Kw3DpDepth: second = 1; [[fallthrough]];
    case Kw3DDepth: v3[second].zoom = n[0]; break;
    case Kw3DpAxes: second = 1; [[fallthrough]];
    case Kw3DAxes: v3[second].showAxes = ToFlag(n[0]); break;
    case Kw4DDepth: v4.zoom = n[0]; break;
    case Kw4DView: std::copy(n, n + 16, v4.rotation); break;
    case Kw4DRotation: SpinFromRotation4(&v4, n); break;
    case Kw4DAxis1: std::copy(n, n + 3, v4.spinAxis[0]); break;
    case Kw4DAxis2: std::copy(n, n + 3, v4.spinAxis[1]); break;
    case Kw4DSpeed1: v4.spinSpeed[0] = n[0]; break;
    case Kw4DSpeed2: v4.spinSpeed[1] = n[0]; break;
    case Kw4DX: SetRange(&v4.box[0], n); break;
    case Kw4DY: SetRange(&v4.box[1], n); break;
    case Kw4DZ: SetRange(&v4.box[2], n); break;
    case Kw4DW: SetRange(&v4.box[3], n); break;
    case Kw4DShow4Daxes: v4.showAxes = ToFlag(n[0]); break;
    case Kw4DShow4DxyPlane: v4.showXYPlane = ToFlag(n[0]); break;
    case Kw2DT: SetRange(&v2[0].t, n); break;
    case Kw2DR: SetRange(&v2[0].r, n); break;
    case Kw2DTheta: SetRange(&v2[0].theta, n); break;
    case Kw3DT: SetRange(&v3[0].t, n); break;
    case Kw3DU: SetRange(&v3[0].u, n); break;
    case Kw3DV: SetRange(&v3[0].v, n); break;
    case Kw3DR: SetRange(&v3[0].r, n); break;
    case Kw3DTheta: SetRange(&v3[0].theta, n); break;
    case Kw3DPhi: SetRange(&v3[0].phi, n); break;
    case Kw4DT: SetRange(&v4.t, n); break;
    case Kw4DU: SetRange(&v4.u, n); break;
    case Kw4DV: SetRange(&v4.v, n); break;
    default: break;
    }
}

void DocumentReader::ApplyLineKeyword(DocKeyword keyword, const double* n)
{
    switch (keyword) {
    case KwColor: pending_.Color = n[0]; break;
    case KwGrain: pending_.Grain = std::clamp(n[0], 0.0, 1.0); break;
    case KwOpacity: pending_.Opacity = n[0]; break;
    case KwPlottingMode: pending_.PlottingMode = n[0]; break;
    case KwXYType: pending_.XYType = n[0]; break;
    case KwMathPaneSlider: pending_.sliderPosition = ToInt(n[0], INT32_MIN, INT32_MAX, 0); break;
    case KwTableFontSize:
        pendingTableFontSize_ = ToInt(n[0], kSmallestFontSize, kLargestFontSize, 12);
        break;
    case KwTableDisplayRows: pendingDisplayRows_ = ToInt(n[0], 0, INT16_MAX, 0); break;
    default: break;
    }
}

void DocumentReader::FontNameStatement(const char* name)
{
    // A name cut short by a NUL byte to nothing names no face.
    if (!headerRead_ || !*name)
        return;
    std::strncpy(settings_.FontName, name, kFontNameBytes - 1);
    settings_.FontName[kFontNameBytes - 1] = 0;
}

void DocumentReader::SliderVariableStatement(int32_t code)
{
    if (headerRead_)
        settings_.SliderVariable = static_cast<uint8_t>(code);
}

void DocumentReader::ParameterStatement(int32_t code, double value)
{
    if (headerRead_ && std::isfinite(value))
        parameters_.Push(ParameterValue{value, code});
}

void DocumentReader::AppendLine(DocLine* line)
{
    // Straight into the document: a read that fails takes them out again.
    if (AppendDocLine(&doc_->Lines, *line) != 0)
        FreeDocLine(line);
    *line = DocLine{};
}

void DocumentReader::ExprStatement(FormulaNode* tree)
{
    if (!headerRead_) {
        FreeTree(tree);
        return;
    }
    NormalizeReadTree(tree);
    EditorState* state = NewLineFormula(doc_, doc_->GraphPaneWindow);
    if (!state) {
        FreeTree(tree);
        return;
    }
    ReplaceNode(tree, state->root);
    state->current = state->root;
    pending_.formula = state;
    AppendLine(&pending_);
    InitEquationLine(&pending_);
}

void DocumentReader::TextBlockStatement(COurEdit* box)
{
    if (!headerRead_ || !box) {
        DiscardTextBox(box);
        return;
    }
    DocLine line;
    InitTextLine(&line);
    line.textBox = box;
    AppendLine(&line);
}

void DocumentReader::TableStatement(DataTable* table)
{
    if (!headerRead_ || !table) {
        DiscardTable(table);
        return;
    }
    const DocumentFileHooks& hooks = GetDocumentFileHooks();
    if (hooks.setTableFontSize)
        hooks.setTableFontSize(table, pendingTableFontSize_);
    if (hooks.setTableDisplayRows)
        hooks.setTableDisplayRows(table, pendingDisplayRows_);
    pendingTableFontSize_ = 12;
    pendingDisplayRows_ = 0;
    DocLine line;
    InitTableLine(&line);
    line.table = table;
    AppendLine(&line);
}

void DocumentReader::PictureStatement(ByteRun text)
{
    const DocumentFileHooks& hooks = GetDocumentFileHooks();
    bool placed = numberCount_ == 2 || numberCount_ == 3;
    bool finite = std::all_of(numbers_, numbers_ + numberCount_, [](double x) { return std::isfinite(x); });
    if (!headerRead_ || numbersOverflow_ || !finite || !(numberCount_ == 0 || placed)) {
        if (headerRead_)
            CountError();
        std::free(text.bytes);
        return;
    }
    GlobalHandle picture = hooks.decodePictureText ? hooks.decodePictureText(text.bytes, text.length) : nullptr;
    std::free(text.bytes);
    if (!picture)
        return;
    if (!placed) {
        FreeGlobalHandle(pending_.picture);
        pending_.picture = picture;
        return;
    }
    View2DSettings& view = views_.view2D[numberCount_ == 3 ? 1 : 0];
    if (view.pictures.Push(PlacedPictureRecord{picture, numbers_[0], numbers_[1]}) != 0)
        FreeGlobalHandle(picture);
}

void DocumentReader::DiscardTextBox(COurEdit* box)
{
    const DocumentHooks& hooks = GetDocumentHooks();
    if (box && hooks.destroyTextBox)
        hooks.destroyTextBox(box);
}

void DocumentReader::DiscardTable(DataTable* table)
{
    const DocumentHooks& hooks = GetDocumentHooks();
    if (table && hooks.freeDataTable)
        hooks.freeDataTable(table);
}

// ---- Formula reductions ----------------------------------------------------

bool DocumentReader::Settled(ParsedExpr* out, FormulaNode* node, int32_t depth)
{
    if (!node || depth > kMaxFormulaDepth) {
        FreeTree(node);
        CountError();
        *out = ParsedExpr{nullptr, 0};
        return false;
    }
    *out = ParsedExpr{node, depth};
    return true;
}

bool DocumentReader::Leaf(ParsedExpr* out, FormulaNode* node)
{
    return Settled(out, node, 1);
}

bool DocumentReader::Unary(int op, ParsedExpr* out, ParsedExpr a)
{
    FormulaNode* node = nullptr;
    int32_t depth = a.depth + 1;
    switch (op) {
    case '!': node = MakeUnaryNode(KindFact, a.node); break;
    case '-': node = MakeNegation(a.node); break;
    case '|': node = MakeUnaryNode(KindAbs, a.node); break;
    // Grouping parentheses go again before the tree is used.
    case '(': node = MakeUnaryNode(KindParentheses, a.node); depth = a.depth; break;
    case '[': node = MakeUnaryNode(KindParsedBracket, a.node); break;
    default: FreeTree(a.node); break;
    }
    return Settled(out, node, depth);
}

bool DocumentReader::Binary(int op, ParsedExpr* out, ParsedExpr a, ParsedExpr b)
{
    int32_t kind = OperatorKind(op);
    // Rows of one n-ary operator become one node, so they add no depth.
    bool row = kind == KindSum || kind == KindProduct || kind == KindEquation || kind == KindComma;
    int32_t left = a.depth + (row && a.node->kind == kind ? 0 : 1);
    int32_t right = b.depth + 1 + (op == '-' ? 1 : 0);
    FormulaNode* node = nullptr;
    switch (op) {
    case '+': node = MakeSum(a.node, b.node); break;
    case '-': node = MakeDifference(a.node, b.node); break;
    case '*': node = MakeProduct(a.node, b.node); break;
    case '/': node = MakeQuotient(a.node, b.node); break;
    case '^': node = MakePower(a.node, b.node); break;
    case '_': node = MakeSubscript(a.node, b.node); break;
    default: node = MakeBinaryNode(kind, a.node, b.node); break;
    }
    return Settled(out, node, std::max(left, right));
}

bool DocumentReader::Application(ParsedExpr* out, char* name, ParsedExpr argument)
{
    int32_t kind = KindFromName8(name);
    FormulaNode* e = argument.node;
    FormulaNode* node = nullptr;
    if (TakesTwoOperands(kind)) {
        if (IsTwoItemList(e)) {
            e->kind = kind;
            node = e;
        } else {
            node = MakeBinaryNode(kind, e, MakePlaceholderNode());
        }
    } else if (TakesOneOrTwoOperands(kind) && IsTwoItemList(e)) {
        e->kind = kind;
        node = e;
    } else if (kind) {
        node = MakeUnaryNode(kind, e);
    } else if (uint32_t code = InternUtf8Name(name)) {
        node = MakeBinaryNode(KindApplication, MakeVariableNode(code), e);
    } else {
        FreeTree(e);
    }
    std::free(name);
    return Settled(out, node, argument.depth + 1);
}

bool DocumentReader::Vector(ParsedExpr* out, ParsedExpr argument)
{
    FormulaNode* e = argument.node;
    FlattenInfixOperators(e);
    FormulaNode* node = nullptr;
    if (e->kind == KindComma) {
        if (e->childCount <= kLargestMatrixSide) {
            e->kind = KindMatrix;
            e->payload.pair = {static_cast<int16_t>(e->childCount), 1};
            node = e;
        } else {
            FreeTree(e);
        }
    } else {
        node = MakeUnaryNode(KindMatrix, e);
        if (node)
            node->payload.pair = {1, 1};
    }
    return Settled(out, node, argument.depth + 1);
}

FormulaNode* DocumentReader::NameNode(char* name)
{
    uint32_t code = InternUtf8Name(name);
    std::free(name);
    return code ? MakeVariableNode(code) : nullptr;
}

FormulaNode* DocumentReader::TextNode(char16_t* text)
{
    FormulaNode* node = MakeNode(KindText, 0);
    if (!node) {
        std::free(text);
        return nullptr;
    }
    node->children = reinterpret_cast<FormulaNode**>(text);
    return node;
}

// ---- Entry points ----------------------------------------------------------

bool ReadDocumentText(DocState* doc, const char* text, size_t length)
{
    g_lastVersion = 0;
    doc->readSucceeded = false;
    size_t header = sizeof kHeaderKeyword - 1;
    if (!text || length < header || length > kMaxDocumentTextBytes || std::memcmp(text, kHeaderKeyword, header) != 0)
        return false;
    {
        DocumentReader reader(doc, DocInputDocument, text, length);
        if (!reader.Run())
            return false;
        reader.Commit();
    }
    PrepareTablesAfterRead(doc);
    if (g_lastVersion < 4)
        ConvertPreVersion4Equations(doc);
    if (const DocumentHooks& hooks = GetDocumentHooks(); hooks.rebuildTableFunctions)
        hooks.rebuildTableFunctions(doc);
    return true;
}

int32_t LastDocumentFormatVersion()
{
    return g_lastVersion;
}

FormulaNode* ParseFormulaBuffer(const char* text, size_t length)
{
    if (!text || length > kMaxDocumentTextBytes)
        return nullptr;
    DocumentReader reader(nullptr, DocInputFormula, text, length);
    return reader.Run() ? reader.TakeFormula() : nullptr;
}

FormulaNode* ParseFormulaString(const char* text)
{
    return text ? ParseFormulaBuffer(text, std::strlen(text)) : nullptr;
}

FormulaNode* ParseFormulaWideString(const char16_t* text)
{
    if (!text)
        return nullptr;
    size_t size = NarrowSizeOfWide(text, kTextUtf8);
    if (size == 0)
        return nullptr;
    char* narrow = static_cast<char*>(std::malloc(size));
    if (!narrow)
        return nullptr;
    WideToNarrow(text, narrow, size, kTextUtf8);
    FormulaNode* tree = ParseFormulaBuffer(narrow, std::strlen(narrow));
    std::free(narrow);
    return tree;
}

int32_t CheckBinaryDocumentSignature(const unsigned char* data, size_t length)
{
    static const unsigned char kSignature[16] = {0, 1, 2, 3, 4, 'O', 'N', 'D', 'R', 'E', 'L', 4, 3, 2, 1, 0};
    if (!data || length < 28 || std::memcmp(data, kSignature, sizeof kSignature) != 0)
        return 0;
    auto int32At = [&](size_t at) {
        return static_cast<int32_t>(uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 |
                                    uint32_t(data[at + 2]) << 16 | uint32_t(data[at + 3]) << 24);
    };
    return int32At(16) == 32 ? int32At(24) : 0;
}

void PrepareTablesAfterRead(DocState* doc)
{
    const DocumentFileHooks& hooks = GetDocumentFileHooks();
    if (!hooks.prepareTableAfterRead)
        return;
    for (DocLine& line : doc->Lines) {
        if (line.kind == DocLineTable && line.table)
            hooks.prepareTableAfterRead(line.table, doc);
    }
}
