// The lines of a document: equations, text blocks and tables, kept as
// records in one growable array.
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/MemoryBudget.h"
#include "platform/WindowHandle.h"

#include <cstdint>

class CMathPaneSlider;
class COurEdit;
struct DataTable;
struct DocState;
struct EditorState;
struct FormulaNode;

enum DocLineKind : int32_t {
    DocLineEquation = 0,
    DocLineText = 1,
    DocLineTable = 2,
};

constexpr int32_t kResultTextUnits = 256;

// A record copied as bytes when the array grows: a pointer to a line holds
// only until the next insertion. A field a kind does not use stays zero.
struct DocLine {
    int32_t kind = DocLineEquation;
    EditorState* formula = nullptr;
    // The analysed statements of the equation, owned.
    GrowArray<FormulaNode*>* statements = nullptr;
    // 1-8 solid colours, 10-16 patterns, 17 hidden, 999 the line's picture.
    double Color = 0;
    // Resolution of the line's graphs, 0 to 1.
    double Grain = 0;
    double Opacity = 0;
    double PlottingMode = 0;
    // 1 surface, 2 density plot, 3 contour plot.
    double XYType = 0;
    // The line's graph numbers in the graph set's equation table, owned.
    GrowArray<int32_t>* graphs = nullptr;
    GlobalHandle picture = nullptr;
    // MessageCode shown under the equation; 0 none.
    int16_t status = 0;
    // The statements go to the second view.
    bool secondView = false;
    CMathPaneSlider* slider = nullptr;
    double sliderMinimum = 0;
    double sliderMaximum = 0;
    int32_t sliderSteps = 0;
    int32_t sliderPosition = 0;
    double sliderValue = 0;
    bool resultCheckNeeded = false;
    bool resultStale = false;
    bool hasResult = false;
    char16_t resultText[kResultTextUnits] = {};
    COurEdit* textBox = nullptr;
    DataTable* table = nullptr;

    // The line shows a value right of its equation (cached once checked).
    bool HasResult(DocState* doc);
    // Writes resultText from the first statement; the value task's work.
    void ComputeResultText(DocState* doc);
    // The value at the slider window's position, stored and answered.
    double UpdateSliderValue();
};

// The records themselves, in document order.
using DocLineArray = GrowArray<DocLine>;

// A zeroed record of the kind; an equation with its style defaults.
void InitEquationLine(DocLine* line);
void InitTextLine(DocLine* line);
void InitTableLine(DocLine* line);

// Room for one more line; false, the array unchanged, when refused.
bool GrowDocLines(DocLineArray* lines);
// The record goes in at the index (0 to count); false, nothing changed,
// when the array cannot grow.
bool InsertDocLine(DocLineArray* lines, const DocLine& line, int32_t index);
// 0 on success, 1 when the array cannot grow.
int32_t AppendDocLine(DocLineArray* lines, const DocLine& line);
// Closes the gap; the removed record's contents are the caller's to free.
void RemoveDocLine(DocLineArray* lines, int32_t index);

// Inserts into a pointer list, moving the later entries up; false when the
// list cannot grow or the index is outside 0 to count.
bool InsertPointerAt(GrowArray<void*>* list, void* pointer, int32_t index);

// A new editor state with an empty placeholder, made current (through the
// editor when one is registered); null when memory is refused.
EditorState* NewLineFormula(DocState* doc, WindowHandle graphPane);
void FreeLineFormula(EditorState* state);
// Frees every part the line owns and clears its pointers; absent parts
// (no statements, graphs, picture, slider, box or table) are skipped.
void FreeDocLine(DocLine* line);
