// The animation slider: positions mapped to values of the slider variable,
// the frame-by-frame sweep back and forth (or round in one direction), and
// the user's own moves of the slider.
#include "CoreUtilities/Clock.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "platform/NumberText.h"

#include <algorithm>

namespace {

const DocumentHooks& Hooks()
{
    return GetDocumentHooks();
}

void ApplyIdleTimerPolicy(DocState* doc)
{
    if (Hooks().updateIdleTimer)
        Hooks().updateIdleTimer(doc);
}

}  // namespace

double DocState::SliderValueAt(int32_t position) const
{
    return SliderMin + (SliderMax - SliderMin) / SliderSteps * position;
}

void DocState::SetAnimationSliderPosition(int32_t position)
{
    animationPosition = position;
    if (Hooks().setAnimationSliderPosition)
        Hooks().setAnimationSliderPosition(position);
}

void DocState::StartAnimation()
{
    SliderMoving = true;
    startPending = true;
    ApplyIdleTimerPolicy(this);
}

bool DocState::IsAnimationIdle() const
{
    const bool benchmark = Hooks().isBenchmarkRunning && Hooks().isBenchmarkRunning();
    return !(SliderMoving && (!startPending || benchmark));
}

void DocState::SyncAnimationValue()
{
    SetSliderValue(SliderValueAt(animationPosition));
}

void DocState::PlayAnimation()
{
    SetAnimationSliderPosition(0);
    SyncAnimationValue();
    StartAnimation();
    firstSweep = true;
    AnimationSweepDone = false;
}

void DocState::ToggleAnimation(bool restart)
{
    if (SliderMoving) {
        StopAnimation();
    } else {
        if (restart) {
            StopGraphing();
            BeginGraphing();
        }
        StartAnimation();
        ClearLineStatusCodes();
        GraphWorkPending = true;
        if (restart) {
            SetAnimationSliderPosition(0);
            SyncAnimationValue();
            TimeAnimation(true);
        }
    }
    if (Hooks().updateGraphBar)
        Hooks().updateGraphBar();
    if (Hooks().setDocModified)
        Hooks().setDocModified(true);
}

void DocState::AnimateGraph(bool oneDirection, bool restart)
{
    if ((someGraphable || !analysisFinished) && IsGraphPaneShown())
        BeginGraphing();
    SliderOneDirection = oneDirection;
    ToggleAnimation(restart);
}

void DocState::AnimationStep()
{
    startPending = false;
    const int32_t steps = std::max<int32_t>(SliderSteps, 1);
    // A position left beyond a range made smaller counts as its end.
    const int32_t p = std::clamp(animationPosition, 0, steps);
    if (p == steps) {
        SliderDirection = -1;
        TimeAnimation(false);
        if (firstSweep) {
            // A played animation rests one frame at the top.
            AnimationSweepDone = true;
            firstSweep = false;
            if (Hooks().isBenchmarkRunning && Hooks().isBenchmarkRunning())
                StopAnimation();
            return;
        }
    } else if (p == 0) {
        SliderDirection = 1;
    }
    int32_t next;
    if (SliderOneDirection) {
        SliderDirection = 1;
        next = p == steps ? 0 : p + 1;
    } else {
        next = p + SliderDirection;
    }
    SetSliderValue(SliderValueAt(next));
    if (Graphs)
        Graphs->AllVariableChanged(SliderVariable);
    SetAnimationSliderPosition(next);
    const bool paneShown = !Hooks().isEquationPaneShown || Hooks().isEquationPaneShown();
    if (paneShown && AnyResultShown())
        panelsNeedLayout = true;
    QueueResultRefresh();
}

void DocState::SetAnimationPosition(int32_t position)
{
    const double old = GetSliderValue();
    animationPosition = position;
    SetSliderValue(SliderValueAt(position));
    const bool changed = GetSliderValue() != old;
    if (IsGraphPaneShown() && Graphs) {
        if (changed)
            Graphs->AllVariableChanged(SliderVariable);
        Graphs->WaitAndUploadMeshes(2, IsAnimationIdle());
    }
    if (changed) {
        QueueResultRefresh();
        UpdateTables();
    }
    GraphWorkPending = true;
    ApplyIdleTimerPolicy(this);
}

void DocState::TimeAnimation(bool start)
{
    if (start) {
        timingStart = ClockMicroseconds();
        std::copy_n(u"Timing...", 10, StatusHint);
        return;
    }
    if (timingStart == 0)
        return;
    const double seconds = static_cast<double>(ClockMicroseconds() - timingStart) / 1e6;
    char16_t text[kNumberTextUnits];
    FormatDouble(text, seconds, 2);
    std::copy_n(text, std::min<size_t>(kNumberTextUnits, kStatusHintUnits), StatusHint);
    StatusHint[kStatusHintUnits - 1] = 0;
    timingStart = 0;
    if (Hooks().redrawEquationPane)
        Hooks().redrawEquationPane();
}

void DocState::ToggleThrottle()
{
    SliderThrottle = SliderThrottle != 0 ? -SliderThrottle : 30;
}

void DocState::ClearLineStatusCodes()
{
    bool cleared = false;
    for (DocLine& line : Lines) {
        if (line.kind == DocLineEquation && line.status != 0) {
            line.status = 0;
            cleared = true;
        }
    }
    if (cleared && Hooks().layoutEquationPane)
        Hooks().layoutEquationPane();
}

void DocState::OnMathPaneSliderMoved(bool changed, uint32_t key)
{
    if (IsGraphPaneShown()) {
        if (someGraphable)
            BeginGraphing();
        UpdateMathPaneSliderValues();
        if (Graphs) {
            if (changed)
                Graphs->AllVariableChanged(key);
            Graphs->WaitAndUploadMeshes(2, IsAnimationIdle());
        }
        if (Hooks().redrawGraphPane)
            Hooks().redrawGraphPane(this);
    } else {
        UpdateMathPaneSliderValues();
    }
    QueueResultRefresh();
    UpdateTables();
    const bool paneShown = !Hooks().isEquationPaneShown || Hooks().isEquationPaneShown();
    if (paneShown && Hooks().redrawEquationPane)
        Hooks().redrawEquationPane();
    GraphWorkPending = true;
    ApplyIdleTimerPolicy(this);
}
