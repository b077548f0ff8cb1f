#include "document/DocumentWriter.h"

#include "CoreUtilities/TextBufferStack.h"
#include "document/DocLine.h"
#include "document/DocState.h"
#include "document/DocumentFileHooks.h"
#include "document/DocumentViewSettings.h"
#include "formula/EditorState.h"
#include "formula/LinearFormulaText.h"
#include "platform/NumberText.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int32_t kDocDigits = 16;
constexpr char kDefaultFontName[] = "Times New Roman";

void EndLine()
{
    PutTextChar(';');
    PutTextChar('\r');
}

void WriteNumbersLine(const char* keyword, const double* values, int32_t count)
{
    PutTextString(keyword);
    for (int32_t i = 0; i < count; ++i)
        WriteDocNumber(values[i]);
    EndLine();
}

bool Differs(double value, double fallback)
{
    return std::isnan(value) || value != fallback;
}

bool AnyDiffers(const double* values, const double* fallbacks, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        if (Differs(values[i], fallbacks[i]))
            return true;
    }
    return false;
}

void WriteRangeIfChanged(const char* keyword, const ValueRange& range, double minimum, double maximum)
{
    WriteKeyword2IfChanged(keyword, range.minimum, range.maximum, minimum, maximum);
}

// The top buffer's length, to go back to when a piece cannot be written.
int32_t TopLength()
{
    const TextBufferStack& stack = TheTextBufferStack;
    if (stack.top < 0 || stack.top >= kTextBufferLevels)
        return 0;
    return stack.levels[stack.top].length;
}

void CutTopTo(int32_t length)
{
    TextBufferStack& stack = TheTextBufferStack;
    if (stack.top >= 0 && stack.top < kTextBufferLevels && length <= stack.levels[stack.top].length)
        stack.levels[stack.top].length = length;
}

// "Picture", the quoted picture text and the numbers. A picture that cannot
// be encoded writes its keyword and numbers alone, which the reader skips.
void WritePictureLine(GlobalHandle picture, const double* numbers, int32_t count)
{
    const DocumentFileHooks& hooks = GetDocumentFileHooks();
    PutTextString("Picture ");
    int32_t mark = TopLength();
    PutTextChar('"');
    if (hooks.writePictureText && hooks.writePictureText(picture))
        PutTextChar('"');
    else
        CutTopTo(mark);
    for (int32_t i = 0; i < count; ++i)
        WriteDocNumber(numbers[i]);
    EndLine();
}

void WriteSettings(DocState* doc)
{
    const DocumentFileHooks& hooks = GetDocumentFileHooks();
    ShortRect window = doc->windowRect;
    if (hooks.getMainWindowRect)
        hooks.getMainWindowRect(&window);
    WriteKeywordLine4("Window", window.top, window.left, window.bottom, window.right);
    WriteKeywordIfChanged("PaneDivider", doc->PaneDivider, kPaneDividerDefault);
    WriteKeywordIfChanged("SignificantDigits", doc->SignificantDigits, 6);
    WriteKeywordIfChanged("DrawGraph", doc->DrawGraph, 1);
    WriteFontNameLine(doc->FontName);
    WriteKeywordIfChanged("FontSizes", doc->FontSizes, 24);
    WriteKeywordIfChanged("BackgroundType", doc->BackgroundType, 1);
    if (doc->BackgroundType == 0) {
        const double color[3] = {double(doc->BackgroundColor[0]), double(doc->BackgroundColor[1]),
                                 double(doc->BackgroundColor[2])};
        const double black[3] = {0, 0, 0};
        WriteKeyword3IfChanged("BackgroundColor", color, black);
    }
    WriteKeywordIfChanged("StackPanes", doc->StackPanes, 0);
    WriteKeyword2IfChanged("Slider", doc->SliderMin, doc->SliderMax, 0, 10);
    WriteKeywordIfChanged("SliderSteps", doc->SliderSteps, 100);
    if (hooks.getAnimationSliderValue)
        WriteKeywordIfChanged("SliderControlValue", hooks.getAnimationSliderValue(), 10);
    WriteKeywordIfChanged("SliderMoving", doc->SliderMoving, 0);
    WriteKeywordIfChanged("SliderThrottle", doc->SliderThrottle, 30);
    WriteKeywordIfChanged("SliderOneDirection", doc->SliderOneDirection, 0);
    if (doc->SliderVariable != 'n') {
        int32_t mark = TopLength();
        PutTextString("SliderVariable ");
        if (PutLetterCode(doc->SliderVariable))
            EndLine();
        else
            CutTopTo(mark);
    }
    if (doc->SliderDirection != 1 && doc->SliderMoving)
        WriteKeywordLine("SliderDirection", doc->SliderDirection);
    WriteKeywordIfChanged("UseAntialiasing", doc->UseAntialiasing, 1);
}

void Write2DView(const View2DSettings& view, const char* prefix, bool second)
{
    char keyword[32];
    auto named = [&](const char* name) {
        std::snprintf(keyword, sizeof keyword, "%s.%s", prefix, name);
        return keyword;
    };
    const double scale[4] = {view.unitsX, view.unitsY, double(view.tickKindX), double(view.tickKindY)};
    const double scaleDefault[4] = {0.25, 0.25, 1, 1};
    WriteKeyword4IfChanged(named("Scale"), scale, scaleDefault);
    WriteKeyword2IfChanged(named("BottomLeft"), view.yMin, view.xMin, -2, -2);
    WriteKeywordIfChanged(named("Axes"), view.showAxes, 1);
    WriteKeywordIfChanged(named("GraphPaper"), view.showGraphPaper, 1);
    for (const PlacedPictureRecord& placed : view.pictures) {
        const double numbers[3] = {placed.x, placed.y, 1};
        WritePictureLine(placed.picture, numbers, second ? 3 : 2);
    }
}

void Write3DView(const View3DSettings& view, const char* prefix)
{
    char keyword[32];
    auto named = [&](const char* name) {
        std::snprintf(keyword, sizeof keyword, "%s.%s", prefix, name);
        return keyword;
    };
    static const char* const kBoxNames[3] = {"X", "Y", "Z"};
    for (int i = 0; i < 3; ++i)
        WriteRangeIfChanged(named(kBoxNames[i]), view.box[i], -2, 2);
    WriteKeywordIfChanged(named("Axes"), view.showAxes, 1);
    WriteKeywordIfChanged(named("Depth"), view.zoom, 1.7330909743);
    WriteMatrix3IfChanged(view.rotation, kDefaultViewRotation3D, named("View"));
    WriteKeywordIfChanged(named("Speed"), view.spinSpeed, 0.8);
    if (view.spinSpeed != 0) {
        const double axisDefault[3] = {0, 0, 1};
        WriteKeyword3IfChanged(named("Axis"), view.spinAxis, axisDefault);
    }
}

void Write4DView(const View4DSettings& view)
{
    static const char* const kBoxNames[4] = {"4D.X", "4D.Y", "4D.Z", "4D.W"};
    for (int i = 0; i < 4; ++i)
        WriteRangeIfChanged(kBoxNames[i], view.box[i], -2, 2);
    WriteKeywordIfChanged("4D.Show4DxyPlane", view.showXYPlane, 1);
    WriteKeywordIfChanged("4D.Show4Daxes", view.showAxes, 1);
    WriteKeywordIfChanged("4D.Depth", view.zoom, 1.77309);
    WriteMatrix4IfChanged(view.rotation, kIdentityRotation4D, "4D.View");
    WriteKeywordIfChanged("4D.Speed1", view.spinSpeed[0], 0);
    WriteKeywordIfChanged("4D.Speed2", view.spinSpeed[1], 0);
    if (view.spinSpeed[0] != 0 || view.spinSpeed[1] != 0) {
        const double axisDefault[3] = {0, 0, 0};
        WriteKeyword3IfChanged("4D.Axis1", view.spinAxis[0], axisDefault);
        WriteKeyword3IfChanged("4D.Axis2", view.spinAxis[1], axisDefault);
    }
}

void WriteViews(DocState* doc)
{
    DocumentViewSettings views;
    GetViewSettings(doc, &views);
    const View3DSettings& first3D = views.view3D[0];
    WriteRangeIfChanged("T", first3D.t, 0, 1);
    WriteRangeIfChanged("U", first3D.u, 0, 1);
    WriteRangeIfChanged("V", first3D.v, 0, 1);
    WriteRangeIfChanged("R", first3D.r, 0, 2);
    WriteRangeIfChanged("Theta", first3D.theta, 0, 6.283185307179586);
    WriteRangeIfChanged("Phi", first3D.phi, 0, 3.141592653589793);
    if (views.active == ActiveFirst2D)
        Write2DView(views.view2D[0], "2D", false);
    if (views.second == SecondView2DShown)
        Write2DView(views.view2D[1], "2Dp", true);
    if (views.active == ActiveFirst3D)
        Write3DView(views.view3D[0], "3D");
    if (views.second == SecondView3DShown)
        Write3DView(views.view3D[1], "3Dp");
    if (views.active == Active4D)
        Write4DView(views.view4D);
    // The lists only borrow the views' pictures.
    for (View2DSettings& view : views.view2D)
        view.pictures = GrowArray<PlacedPictureRecord>{};
}

void WriteEquationLine(const DocLine& line)
{
    WriteKeywordIfChanged("Color", line.Color, 1);
    WriteKeywordIfChanged("Grain", line.Grain, 0.5);
    WriteKeywordIfChanged("Opacity", line.Opacity, 1);
    WriteKeywordIfChanged("PlottingMode", line.PlottingMode, 2);
    WriteKeywordIfChanged("XYType", line.XYType, 1);
    if (line.picture)
        WritePictureLine(line.picture, nullptr, 0);
    WriteKeywordIfChanged("MathPaneSlider", line.sliderPosition, 0);
    PutTextString("Expr ");
    const FormulaNode* root = line.formula ? line.formula->root : nullptr;
    if (root)
        WriteFormulaText(root, true);
    else
        PutTextChar('?');
    EndLine();
}

void WriteTextLine(DocState* doc, const DocLine& line)
{
    const DocumentFileHooks& hooks = GetDocumentFileHooks();
    if (!line.textBox || !hooks.writeTextBoxMarkup)
        return;
    PutTextString("Text \"");
    hooks.writeTextBoxMarkup(line.textBox, doc);
    PutTextChar('"');
    EndLine();
}

void WriteTableLine(const DocLine& line)
{
    const DocumentFileHooks& hooks = GetDocumentFileHooks();
    if (!line.table || !hooks.writeTableText)
        return;
    if (hooks.tableFontSize)
        WriteKeywordIfChanged("TableFontSize", hooks.tableFontSize(line.table), 12);
    if (hooks.tableDisplayRows)
        WriteKeywordIfChanged("TableDisplayRows", hooks.tableDisplayRows(line.table), 0);
    PutTextString("Table\r");
    hooks.writeTableText(line.table);
    PutTextString("EndOfTable;\r");
}

void WriteLines(DocState* doc)
{
    for (const DocLine& line : doc->Lines) {
        switch (line.kind) {
        case DocLineEquation: WriteEquationLine(line); break;
        case DocLineText: WriteTextLine(doc, line); break;
        case DocLineTable: WriteTableLine(line); break;
        default: break;
        }
    }
}

}  // namespace

void WriteDocNumber(double x)
{
    char16_t text[kNumberTextUnits];
    size_t length = FormatDouble(text, x, kDocDigits);
    PutTextChar(' ');
    for (size_t i = 0; i < length; ++i)
        PutTextChar(static_cast<char>(text[i]));
}

void WriteKeywordLine(const char* keyword, double x)
{
    WriteNumbersLine(keyword, &x, 1);
}

void WriteKeywordLine2(const char* keyword, double a, double b)
{
    const double values[2] = {a, b};
    WriteNumbersLine(keyword, values, 2);
}

void WriteKeywordLine3(const char* keyword, double a, double b, double c)
{
    const double values[3] = {a, b, c};
    WriteNumbersLine(keyword, values, 3);
}

void WriteKeywordLine4(const char* keyword, double a, double b, double c, double d)
{
    const double values[4] = {a, b, c, d};
    WriteNumbersLine(keyword, values, 4);
}

void WriteMatrix3Line(const char* keyword, const double* matrix)
{
    WriteNumbersLine(keyword, matrix, 9);
}

void WriteMatrix4Line(const char* keyword, const double* matrix)
{
    WriteNumbersLine(keyword, matrix, 16);
}

void WriteKeywordIfChanged(const char* keyword, double value, double fallback)
{
    if (Differs(value, fallback))
        WriteKeywordLine(keyword, value);
}

void WriteKeyword2IfChanged(const char* keyword, double a, double b, double fallbackA, double fallbackB)
{
    if (Differs(a, fallbackA) || Differs(b, fallbackB))
        WriteKeywordLine2(keyword, a, b);
}

void WriteKeyword3IfChanged(const char* keyword, const double* values, const double* fallbacks)
{
    if (AnyDiffers(values, fallbacks, 3))
        WriteNumbersLine(keyword, values, 3);
}

void WriteKeyword4IfChanged(const char* keyword, const double* values, const double* fallbacks)
{
    if (AnyDiffers(values, fallbacks, 4))
        WriteNumbersLine(keyword, values, 4);
}

void WriteMatrix3IfChanged(const double* matrix, const double* reference, const char* keyword)
{
    if (!MatricesEqual3(matrix, reference))
        WriteMatrix3Line(keyword, matrix);
}

void WriteMatrix4IfChanged(const double* matrix, const double* reference, const char* keyword)
{
    if (!MatricesEqual4(matrix, reference))
        WriteMatrix4Line(keyword, matrix);
}

bool PutLetterCode(uint32_t code)
{
    if ((code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z')) {
        PutTextChar(static_cast<char>(code));
        return true;
    }
    if (code >= 0x80 && code <= 0xFF) {
        PutTextChar(static_cast<char>(0xC0 | (code >> 6)));
        PutTextChar(static_cast<char>(0x80 | (code & 0x3F)));
        return true;
    }
    return false;
}

void WriteParameterLine(double value, int32_t key)
{
    if (value == 1)
        return;
    int32_t mark = TopLength();
    PutTextString("Parameter ");
    if (!PutLetterCode(static_cast<uint32_t>(key))) {
        CutTopTo(mark);
        return;
    }
    PutTextString(" =");
    WriteDocNumber(value);
    EndLine();
}

void WriteFontNameLine(const char* name)
{
    if (std::strcmp(name, kDefaultFontName) == 0)
        return;
    PutTextString("FontName \"");
    PutTextString(name);
    PutTextChar('"');
    EndLine();
}

char* WriteDocumentText(DocState* doc, int32_t* length)
{
    PushTextBuffer();
    WriteKeywordLine("Vellumor", kDocumentFormatVersion);
    WriteSettings(doc);
    WriteViews(doc);
    if (doc->Parameters) {
        for (const ParameterValue& entry : *doc->Parameters)
            WriteParameterLine(entry.value, entry.key);
    }
    WriteLines(doc);
    if (doc->pageMargins) {
        const int32_t* m = doc->pageMargins;
        WriteKeywordLine4("PageMargins", m[2] / 65536.0, m[0] / 65536.0, m[3] / 65536.0, m[1] / 65536.0);
    }
    int32_t written = TopLength();
    PutTextChar(0);
    char* text = PopTextBuffer();
    if (length)
        *length = text ? written : 0;
    return text;
}
