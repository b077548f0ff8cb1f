// Graphs are built only on request and only in idle time: the frame's idle
// work prepares the graph set once the analysis has finished and turns the
// statements into graphs line by line, a second at most per call; the graph
// pane's idle work redraws when the workers ask, paces the animation and
// finally writes each line's graph status.
#include "document/GraphSchedule.h"

#include "CoreUtilities/Clock.h"
#include "CoreUtilities/CoopThread.h"
#include "CoreUtilities/FailureRegister.h"
#include "document/DefinitionTests.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "document/DocumentTask.h"
#include "formula/DependsOnlyOn.h"
#include "formula/EditorState.h"
#include "platform/MessageText.h"
#include "platform/NumberText.h"

#include <cmath>
#include <new>

namespace {

const DocumentHooks& Hooks()
{
    return GetDocumentHooks();
}

constexpr int32_t kBuildSliceTicks = 60;
constexpr int32_t kProgressTicks = 90;
constexpr int32_t kMeterPaneTicks = 150;
constexpr int32_t kMeterTicks = 60;
constexpr int32_t kMemoryFailure = 36;
constexpr int32_t kMessageEndOfExponent = 28;
constexpr int32_t kMessageProductLikeCall = 30;

// Milliseconds between graph-pane redraws; set at the first idle tick.
int32_t RedrawInterval = 0;
uint32_t LastAnimationStep = 0;

// The clock wraps: readings are compared by their difference.
int32_t Since(uint32_t then)
{
    return static_cast<int32_t>(ClockMilliseconds() - then);
}

void Call(void (*hook)())
{
    if (hook)
        hook();
}

void Call(void (*hook)(DocState*), DocState* doc)
{
    if (hook)
        hook(doc);
}

void RedrawViews(DocState* doc, int32_t part)
{
    if (Hooks().redrawGraphViews)
        Hooks().redrawGraphViews(doc, part);
}

void ScheduleIdleTimer(DocState* doc, int32_t milliseconds)
{
    if (Hooks().scheduleIdleTimer)
        Hooks().scheduleIdleTimer(doc, milliseconds < 0 ? 0 : milliseconds);
}

void LayOutEquationPane()
{
    if (Hooks().layoutEquationPane)
        Hooks().layoutEquationPane();
    else
        Call(Hooks().redrawEquationPane);
}

FormulaNode* LineRoot(const DocLine& line)
{
    return line.formula ? line.formula->root : nullptr;
}

// Definition lines are graphed only when they define a parameter (a point
// to drag) or a subscripted variable.
bool IsSkippedDefinition(const DocLine& line)
{
    const FormulaNode* root = LineRoot(line);
    return root && IsDefinitionLine(root) && !IsParameterDefinition(root) && !IsIndexedVariableDefinition(root);
}

bool IsSubscriptedDefinitionLine(const DocLine& line)
{
    const FormulaNode* root = LineRoot(line);
    return root && IsDefinitionLine(root) && IsIndexedVariableDefinition(root);
}

// A pattern colour is kept only where surfaces can show it.
void ResetPatternColours(DocState* doc)
{
    for (DocLine& line : doc->Lines) {
        if (line.kind != DocLineEquation || !(line.Color > 8) || line.Color == 17)
            continue;
        if (!(Hooks().allSurfaceForms && Hooks().allSurfaceForms(&line, doc)))
            line.Color = 1;
    }
}

void PrepareGraphSet(DocState* doc)
{
    Call(Hooks().updateGraphBar);
    if (doc->justLoaded)
        doc->justLoaded = false;
    else if (Hooks().setDocModified)
        Hooks().setDocModified(true);
    RearmFailure(kMemoryFailure);
    // Graph building fills the variables list again.
    doc->ClearVariables();
    Call(Hooks().rebuildTableFunctions, doc);
    ResetPatternColours(doc);
    if (!doc->timingStart)
        doc->StatusHint[0] = 0;
    doc->UpdateHasTranslucent();
    doc->UpdateHasPictures();
    doc->recomputeOnStyleChange = false;
    DocumentGraphSet* graphs = doc->Graphs;
    const ViewLayoutFlags& flags = doc->viewLayout;
    if (graphs)
        graphs->BuildComplexMapViews(flags.firstView3D, flags.view4D, flags.secondViewShown, flags.secondView3D,
                                     &doc->transform, doc);
    doc->GraphBuildPhase = 2;
    doc->buildingLine = 0;
    doc->buildingStatement = 0;
    doc->CompileUserFunctions();
    if (graphs && graphs->Shows2DView()) {
        graphs->ReleaseRenderResources();
        if (!doc->DrawGraph && Hooks().redrawGraphPane)
            Hooks().redrawGraphPane(doc);
    }
    if (graphs && (graphs->Shows4DView() != doc->view4DAtBegin || graphs->HasSecondView() != doc->secondViewAtBegin)) {
        graphs->ReleaseRenderResources();
        Call(Hooks().postGraphPaneResize, doc);
    }
    Call(Hooks().computeTableColumnKinds, doc);
}

bool BeforeDeadline(uint32_t deadline)
{
    return static_cast<int32_t>(ClockMilliseconds() - deadline) < 0;
}

// One statement to the factory; its row joins the line's list, or the line
// says why nothing was built.
void BuildStatement(DocState* doc, DocLine& line, FormulaNode* statement)
{
    const ViewLayoutFlags& flags = doc->viewLayout;
    const bool is3D = line.secondView ? flags.secondView3D : flags.firstView3D;
    int32_t message = 0;
    const int32_t row = Hooks().buildEquationGraphs
        ? Hooks().buildEquationGraphs(doc, statement, is3D, flags.view4D, &doc->transform, line.Color, line.Grain,
                                      line.Opacity, line.PlottingMode, line.XYType, &message)
        : -1;
    if (row != -1) {
        // A row that cannot be noted is lost to the line's status only.
        line.graphs->Push(row);
        if (line.picture && Hooks().formTakesPicture && Hooks().formTakesPicture(statement, doc)) {
            if (doc->Graphs)
                doc->Graphs->UpdateViewports();
            ApplyLinePictureToGraphs(doc, &line);
        }
        line.status = 0;
        return;
    }
    if (IsSubscriptedDefinitionLine(line))
        return;
    // A constant statement shows its value instead of a reason.
    FormulaNode* first = line.statements->count ? (*line.statements)[0] : nullptr;
    if (line.graphs->count == 0 && first && !DependsOnlyOn(first, doc, kNoVariable))
        line.status = static_cast<int16_t>(message);
}

void FinishBuild(DocState* doc)
{
    if (doc->Graphs)
        doc->Graphs->ReportUsedRanges();
    doc->DrawGraph = false;
    for (const DocLine& line : doc->Lines) {
        if (line.kind == DocLineEquation && line.graphs && line.graphs->count > 0)
            doc->DrawGraph = true;
    }
    doc->GraphWorkPending = true;
    if (!doc->IsGraphPaneShown() && doc->DrawGraph)
        Call(Hooks().revealGraphPane);
    LayOutEquationPane();
    Call(Hooks().updateGraphBar);
    Call(Hooks().updateGraphPaneCursor);
    doc->GraphBuildPhase = 0;
    Call(Hooks().updateIdleTimer, doc);
}

void BuildLines(DocState* doc)
{
    if (doc->Graphs)
        doc->Graphs->UpdateViewports();
    const uint32_t deadline = ClockMilliseconds() + static_cast<uint32_t>(TicksToMilliseconds(kBuildSliceTicks));
    while (doc->buildingLine < doc->Lines.count && BeforeDeadline(deadline)) {
        DocLine& line = doc->Lines[doc->buildingLine];
        bool passOver = line.kind != DocLineEquation || !line.statements;
        if (!passOver && doc->buildingStatement == 0) {
            passOver = &line == doc->transform.line;
            if (!passOver) {
                if (!line.graphs)
                    line.graphs = new (std::nothrow) GrowArray<int32_t>;
                if (line.graphs)
                    line.graphs->count = 0;
                passOver = !line.graphs || IsSkippedDefinition(line);
            }
        }
        if (!passOver) {
            while (doc->buildingStatement < line.statements->count && BeforeDeadline(deadline)) {
                FormulaNode* statement = (*line.statements)[doc->buildingStatement];
                ++doc->buildingStatement;
                if (statement)
                    BuildStatement(doc, line, statement);
            }
            if (doc->buildingStatement < line.statements->count)
                return;
        }
        ++doc->buildingLine;
        doc->buildingStatement = 0;
    }
    if (doc->buildingLine >= doc->Lines.count)
        FinishBuild(doc);
}

// The status of a line with graphs: its first row's, but none when another
// row reports none or the pane is hidden.
int16_t LineGraphStatus(DocState* doc, const DocLine& line)
{
    if (!doc->IsGraphPaneShown())
        return 0;
    int32_t status = doc->Graphs->GetEquationStatus((*line.graphs)[0]);
    for (int32_t i = 1; i < line.graphs->count; ++i) {
        if (doc->Graphs->GetEquationStatus((*line.graphs)[i]) == 0)
            status = 0;
    }
    return static_cast<int16_t>(status);
}

void RefreshLineStatus(DocState* doc)
{
    bool changed = doc->firstIncompleteLine != nullptr;
    doc->firstIncompleteLine = nullptr;
    for (DocLine& line : doc->Lines) {
        if (!doc->Graphs->AreAllComplete())
            break;
        if (line.kind != DocLineEquation || !line.graphs || line.graphs->count == 0)
            continue;
        const int16_t status = LineGraphStatus(doc, line);
        changed = changed || status != line.status;
        line.status = status;
    }
    if (changed)
        LayOutEquationPane();
    doc->GraphWorkPending = false;
}

// Serves a redraw request, or the graph set's own pace while it computes.
void RedrawWhenDue(DocState* doc)
{
    DocumentGraphSet* graphs = doc->Graphs;
    const bool requested = doc->TakeRedrawRequest();
    bool served = !requested;
    if (doc->DrawGraph && doc->someGraphable && graphs && (graphs->IsBusy() || requested)) {
        const bool meter = FrameRateMeterSwitch != 0;
        const uint32_t now = ClockMilliseconds();
        const int32_t since = static_cast<int32_t>(now - static_cast<uint32_t>(doc->lastRedrawTime));
        if (doc->IsAnimating() && !doc->firstSweep) {
            if (meter || since >= RedrawInterval) {
                doc->lastRedrawTime = static_cast<int32_t>(now);
                RedrawViews(doc, 5);
                Call(Hooks().destroyRetiredGLWindows);
            } else {
                ScheduleIdleTimer(doc, RedrawInterval - since);
            }
        } else if (!doc->IsAnimating() && !meter && since < RedrawInterval) {
            ScheduleIdleTimer(doc, RedrawInterval - since);
        } else {
            doc->lastRedrawTime = static_cast<int32_t>(now);
            graphs->UploadAllMeshes();
            Call(Hooks().redrawGraphPane, doc);
            Call(Hooks().destroyRetiredGLWindows);
            served = true;
            if (meter && static_cast<int32_t>(now - static_cast<uint32_t>(doc->nextMeterPaneTime)) > 0) {
                doc->nextMeterPaneTime = static_cast<int32_t>(now) + TicksToMilliseconds(kMeterPaneTicks);
                Call(Hooks().redrawEquationPane);
            }
        }
        if (graphs->Shows4DView() && doc->rotationPeriod4D != 0)
            Call(Hooks().spin4DStep, doc);
    } else {
        Call(Hooks().destroyRetiredGLWindows);
    }
    if (!served)
        doc->RequestRedraw();
}

}  // namespace

int32_t AnimationFrameMilliseconds(int32_t throttle)
{
    return throttle > 0 ? TicksToMillisecondsReal(60.0 / throttle) : 0;
}

bool AnimationStepDue(int32_t sinceLastStep, int32_t throttle)
{
    return throttle <= 0 || sinceLastStep >= AnimationFrameMilliseconds(throttle);
}

void DocState::BeginGraphing()
{
    if (DrawGraph && !IsGraphPaneShown())
        StopGraphing();
    CoopSliceOverrun = 0;
    view4DAtBegin = Graphs && Graphs->Shows4DView();
    secondViewAtBegin = Graphs && Graphs->HasSecondView();
    GraphBuildPhase = 1;
    progressClock = static_cast<int32_t>(ClockMilliseconds());
}

bool DocState::CanDrawGraph() const
{
    if (analysisFinished && !someGraphable)
        return false;
    if (DrawGraph && IsGraphPaneShown())
        return false;
    const bool demo = Hooks().isDemoRunning && Hooks().isDemoRunning();
    return documentReady && !demo;
}

void DocState::ComputeGraphsStep()
{
    if (GraphBuildPhase == 0)
        return;
    if (AnalysisThread != NoCoopThread) {
        CoopSliceOverrun = 0;
        RunCoopThreadSlice();
    }
    if (Since(static_cast<uint32_t>(progressClock)) > TicksToMilliseconds(kProgressTicks)) {
        progressClock = static_cast<int32_t>(ClockMilliseconds());
        LayOutEquationPane();
    }
    if (AnalysisThread != NoCoopThread) {
        CoopSliceOverrun = 0;
        return;
    }
    // A value task queued but not started reads the variables and table
    // lists as soon as it starts: it is waited for like a running one.
    if (IsDocumentTaskPending(this))
        return;
    if (DrawGraph && IsGraphPaneShown()) {
        GraphBuildPhase = 0;
        return;
    }
    if (GraphBuildPhase == 1)
        PrepareGraphSet(this);
    BuildLines(this);
}

void DocState::ComputeGraphsAndWait()
{
    if (Graphs)
        Graphs->WaitAndUploadMeshes(kBuildSliceTicks, !IsAnimating());
}

DocLine* DocState::FirstIncompleteLine()
{
    if (!Graphs)
        return nullptr;
    for (DocLine& line : Lines) {
        if (line.kind != DocLineEquation || !line.graphs)
            continue;
        for (int32_t row : *line.graphs) {
            if (!Graphs->IsEquationComplete(row))
                return &line;
        }
    }
    return nullptr;
}

void DocState::IdleTick()
{
    if (RedrawInterval == 0)
        RedrawInterval = TicksToMilliseconds(1);
    DocumentGraphSet* graphs = Graphs;
    if (!graphs)
        return;
    const bool demo = Hooks().isDemoRunning && Hooks().isDemoRunning();
    bool served = false;
    if (DrawGraph && graphs->AreAllComplete()) {
        graphs->UploadFinishedMeshes();
        const bool requested = TakeRedrawRequest();
        served = requested;
        if (requested)
            RedrawViews(this, 3);
        if (demo) {
            graphs->UploadPartialMeshes();
            if (requested)
                RedrawViews(this, 4);
        }
        if (IsAnimating()) {
            const int32_t since = Since(LastAnimationStep);
            if (AnimationStepDue(since, SliderThrottle)) {
                Call(Hooks().animationStep, this);
                LastAnimationStep = ClockMilliseconds();
                MutexLock hold(RedrawLock);
                Call(Hooks().restartIdleTimerSoon, this);
            } else {
                ScheduleIdleTimer(this, AnimationFrameMilliseconds(SliderThrottle) - since);
            }
        }
        if (!demo) {
            graphs->UploadPartialMeshes();
            if (requested)
                RedrawViews(this, 4);
        }
        // The views were drawn for it; the pane's own redraw below still
        // serves a request raised meanwhile.
    }
    RedrawWhenDue(this);
    Call(Hooks().destroyParkedGLWindows);
    // Each frame drawn for a finished computation is one frame of a movie.
    if (served)
        Call(Hooks().captureMovieFrame);
    if (IsAnimating())
        return;
    if (!graphs->AreAllComplete() && Since(static_cast<uint32_t>(progressClock)) > TicksToMilliseconds(kProgressTicks)) {
        progressClock = static_cast<int32_t>(ClockMilliseconds());
        firstIncompleteLine = FirstIncompleteLine();
        LayOutEquationPane();
    }
    if (graphs->AreAllComplete() && GraphWorkPending)
        RefreshLineStatus(this);
}

void DocState::IdleUpdate()
{
    ComputeGraphsStep();
    CommitPendingCellEdit();
    if (TakeResultsRefresh())
        Call(Hooks().redrawEquationPane);
}

void DocState::RecordFrameTime(double seconds)
{
    frameTimes[frameTimeIndex] = seconds;
    frameTimeIndex = (frameTimeIndex + 1) % kFrameTimeRingSize;
    if (FrameRateMeterSwitch && Since(static_cast<uint32_t>(meterRefreshTime)) > TicksToMilliseconds(kMeterTicks)) {
        meterRefreshTime = static_cast<int32_t>(ClockMilliseconds());
        DrawFrameRateMeter();
    }
}

bool FrameRateMeterText(const DocState* doc, char16_t* text, size_t units)
{
    double sum = 0;
    for (double t : doc->frameTimes) {
        if (t == 0)
            return false;
        sum += t;
    }
    double rate = kFrameTimeRingSize / sum;
    rate = rate < 10 ? std::floor(rate * 10) * 0.1 : std::floor(rate);
    if (!std::isfinite(rate) || units < 32)
        return false;
    FormatDouble(text, rate, 4);
    return true;
}

void DocState::DrawFrameRateMeter()
{
    char16_t text[64];
    if (FrameRateMeterText(this, text, 64) && Hooks().drawFrameRate)
        Hooks().drawFrameRate(this, text);
}

void DocState::UpdateEditHint()
{
    if (Hooks().isDemoRunning && Hooks().isDemoRunning())
        return;
    const int32_t code = Hooks().editHintCode ? Hooks().editHintCode(this) : 0;
    const char16_t* text = code >= kMessageEndOfExponent && code <= kMessageProductLikeCall ? GetMessageText(code)
                                                                                            : nullptr;
    int32_t i = 0;
    for (; text && text[i] && i < kStatusHintUnits - 1; ++i)
        StatusHint[i] = text[i];
    StatusHint[i] = 0;
}

void DocState::ClearEditHint()
{
    if (!(Hooks().isDemoRunning && Hooks().isDemoRunning()))
        StatusHint[0] = 0;
}

void DocState::RefreshEditState()
{
    Call(Hooks().redrawEquationPane);
    Call(Hooks().updateGraphPaneCursor);
    UpdateEditHint();
}
