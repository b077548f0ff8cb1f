// Every change to what the equations say ends here: what was derived from
// the lines is dropped, the math-pane sliders are rebuilt and the analysis
// starts again on the cooperative thread.
#include "document/DocState.h"

#include "document/AnalyseDocument.h"
#include "document/DefinitionTests.h"
#include "document/DocumentHooks.h"
#include "document/DocumentTask.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/SubtreeValue.h"

#include <algorithm>
#include <cmath>

namespace {

const DocumentHooks& Hooks()
{
    return GetDocumentHooks();
}

constexpr int32_t kMaxSliderSteps = 200;

void FreeStatements(DocLine& line)
{
    if (!line.statements)
        return;
    for (FormulaNode* tree : *line.statements)
        FreeTree(tree);
    line.statements->count = 0;
}

void DestroySlider(DocLine& line)
{
    if (line.slider && Hooks().destroyMathPaneSlider)
        Hooks().destroyMathPaneSlider(line.slider);
    line.slider = nullptr;
}

// The arguments of slider(a, b [, n]) in a slider definition.
const FormulaNode* SliderArguments(const FormulaNode* definition)
{
    const FormulaNode* arguments = definition->children[1]->children[0];
    if (arguments->kind == KindParentheses && arguments->childCount == 1)
        arguments = arguments->children[0];
    return arguments;
}

// The number of steps a third slider argument asks for: its value in
// single precision, floored and kept within 1 to 200. An undefined value
// counts as no argument; infinities go to the nearer end.
int32_t SliderSteps(double value)
{
    float single = static_cast<float>(value);
    if (std::isnan(single))
        return kMaxSliderSteps;
    double steps = std::floor(static_cast<double>(single));
    return static_cast<int32_t>(std::clamp(steps, 1.0, static_cast<double>(kMaxSliderSteps)));
}

// Range and steps of a slider-definition line, and its window told them.
void RebuildSlider(DocState* doc, DocLine& line)
{
    const FormulaNode* definition = line.formula->root;
    if (!line.slider && Hooks().createMathPaneSlider) {
        line.slider = Hooks().createMathPaneSlider(doc);
        if (line.slider && Hooks().setMathPaneSliderPosition)
            Hooks().setMathPaneSliderPosition(line.slider, line.sliderPosition);
    }
    const FormulaNode* arguments = SliderArguments(definition);
    double minimum = EvaluateSubtreeReal(arguments->children[0], doc);
    double maximum = EvaluateSubtreeReal(arguments->children[1], doc);
    if (!std::isfinite(minimum))
        minimum = 0;
    if (!std::isfinite(maximum))
        maximum = 1;
    if (maximum == minimum)
        maximum = minimum + 1;
    line.sliderMinimum = minimum;
    line.sliderMaximum = maximum;
    line.sliderSteps = arguments->childCount > 2 ? SliderSteps(EvaluateSubtreeReal(arguments->children[2], doc))
                                                 : kMaxSliderSteps;
    if (line.slider && Hooks().setMathPaneSliderRange)
        Hooks().setMathPaneSliderRange(line.slider, DefinedVariableKey(definition), line.sliderSteps);
    // The value follows the new range before the analysis hands it out.
    line.UpdateSliderValue();
}

bool IsSliderLine(const DocLine& line, const DocState* doc)
{
    return line.kind == DocLineEquation && line.formula && line.formula->root &&
        IsSliderDefinition(line.formula->root, doc);
}

}  // namespace

void DocState::StopAnalysis()
{
    StopCoopThread(AnalysisThread);
    AnalysisThread = NoCoopThread;
}

void DocState::Recompute()
{
    StopAnalysis();
    CancelDocumentTask(this);

    for (DocLine& line : Lines) {
        if (line.kind != DocLineEquation)
            continue;
        FreeStatements(line);
        line.status = 0;
        line.secondView = false;
        if (line.graphs)
            line.graphs->count = 0;
        line.resultCheckNeeded = true;
        line.resultStale = true;
    }

    if (Graphs)
        Graphs->ClearAllGraphs();
    StopAnimation();
    someGraphable = false;
    for (FormulaNode*& component : transform.components) {
        FreeTree(component);
        component = nullptr;
    }
    transform.kind = 0;
    transform.line = nullptr;

    UpdateTables();
    if (IsEditingTable() && Hooks().rebuildTableFunctions)
        Hooks().rebuildTableFunctions(this);

    if (EditMode == EditFormula && currentLine >= 0 && currentLine < Lines.count) {
        if (EditorState* formula = CurrentFormula())
            formula->layoutValid = 0;
    }

    for (DocLine& line : Lines) {
        if (IsSliderLine(line, this))
            RebuildSlider(this, line);
        else
            DestroySlider(line);
    }

    // Before the start: a pass that cannot have a thread runs to its end
    // inside the call and marks itself finished.
    analysisFinished = false;
    GraphBuildPhase = 0;
    AnalysisThread = StartCoopThread(&AnalyseDocument, this);
    RunCoopThreadSlice();

    StopGraphing();
}

void DocState::StopGraphing()
{
    if (Hooks().setDocModified)
        Hooks().setDocModified(true);
    DrawGraph = false;
    if (Hooks().redrawEquationPane)
        Hooks().redrawEquationPane();
    if (EditMode == EditFormula && Hooks().clearPanelEditedMarks)
        Hooks().clearPanelEditedMarks(this);
    if (Graphs)
        Graphs->ClearAllGraphs();
    if (Hooks().redrawGraphPane)
        Hooks().redrawGraphPane(this);
    StopAnimation();
    if (Hooks().updateGraphBar)
        Hooks().updateGraphBar();
    UpdateEditHint();
    if (Hooks().updateGraphPaneCursor)
        Hooks().updateGraphPaneCursor();
    if (Hooks().updateIdleTimer)
        Hooks().updateIdleTimer(this);
}

void DocState::StopAnimation()
{
    SliderMoving = false;
    startPending = false;
    firstSweep = false;
    if (Hooks().refreshAnimationControls)
        Hooks().refreshAnimationControls();
}

void DocState::UpdateTables()
{
    if (!Hooks().markColumnsForRecompute)
        return;
    for (DocLine& line : Lines) {
        if (line.kind == DocLineTable && line.table)
            Hooks().markColumnsForRecompute(line.table);
    }
}

void DocState::UpdateMathPaneSliderValues()
{
    for (DocLine& line : Lines) {
        if (line.slider && IsSliderLine(line, this))
            line.UpdateSliderValue();
    }
}

double DocLine::UpdateSliderValue()
{
    if (slider && GetDocumentHooks().mathPaneSliderPosition)
        sliderPosition = GetDocumentHooks().mathPaneSliderPosition(slider);
    int32_t steps = std::max(sliderSteps, 1);
    double position = std::clamp(sliderPosition, 0, steps);
    sliderValue = sliderMinimum + position * (sliderMaximum - sliderMinimum) / steps;
    return sliderValue;
}
