#include "app/IdleTimer.h"

#include "app/DemoPlayer.h"
#include "app/ShellServices.h"
#include "CoreUtilities/FailureRegister.h"
#include "document/DocState.h"
#include "editor/EquationViewServices.h"
#include "graphs2d/GraphSet.h"
#include "platform/WindowTimer.h"

namespace {

constexpr double kOff = -1;
constexpr double kSoon = 0.01;         // after a redraw request or an animation step
constexpr double kFastest = 0.001;     // analysis, graph building, meter, benchmark
constexpr double kSpinning = 0.01;     // a spinning view or a demonstration
constexpr double kFailureOrTask = 0.1;
constexpr double kGraphWork = 0.5;

// Seconds to whole milliseconds, truncated toward zero; not positive is 0.
uint32_t Milliseconds(double seconds)
{
    return seconds > 0 ? static_cast<uint32_t>(seconds * 1000) : 0;
}

bool TimerRuns(const DocState* doc)
{
    return doc->IdleTimerId != 0 && WindowTimerPeriod(doc->GraphPaneWindow, doc->IdleTimerId) >= 0;
}

// (Re)starts the timer under its identifier, and records the period it runs with.
void StartTimer(DocState* doc, double seconds)
{
    if (doc->IdleTimerId)
        KillWindowTimer(doc->GraphPaneWindow, doc->IdleTimerId);
    int32_t id = doc->IdleTimerId ? doc->IdleTimerId : kIdleTimerId;
    doc->IdleTimerId = SetWindowTimer(doc->GraphPaneWindow, id, Milliseconds(seconds), TimerProc);
    doc->IdleTimerPeriod = seconds;
}

}  // namespace

void RestartIdleTimerSoon(DocState* doc)
{
    // The soon period is recorded, so that the next policy pass puts the
    // timer back to what the pending work asks for. A stopped timer starts
    // too when the tick can serve a redraw: the last graph part can finish
    // just after the tick that found all work done and stopped the timer.
    // (Callers may hold the redraw lock: the flag is not read here.)
    if (TimerRuns(doc) || doc->CanServeRedraw())
        StartTimer(doc, kSoon);
}

void ScheduleIdleTimer(DocState* doc, double seconds)
{
    StartTimer(doc, seconds > 0 ? seconds : 0);
}

double ChooseIdleTimerPeriod(DocState* doc)
{
    double base = kOff;
    if (doc->GraphWorkPending)
        base = kGraphWork;
    if (IsFailurePending() || doc->TaskState.load(std::memory_order_relaxed) == 2)
        base = kFailureOrTask;
    // Without this, finished graphs whose tick cleared the pending work
    // before their redraw request came would never be shown.
    if (doc->IsRedrawDue())
        base = kSoon;
    CMainFrame* frame = GetMainFrame();
    if (!frame || IsMainFrameMinimised(frame))
        return base;
    double period = base;
    if ((doc->Graphs && doc->Graphs->IsSpinning()) || IsDemoRunning())
        period = FrameRateMeterSwitch || IsBenchmarkRunning() ? kFastest : kSpinning;
    if (doc->AnalysisThread > 0 || doc->GraphBuildPhase != 0)
        period = kFastest;
    return period;
}

void UpdateIdleTimer(DocState* doc)
{
    double period = ChooseIdleTimerPeriod(doc);
    if (TimerRuns(doc) && period == doc->IdleTimerPeriod)
        return;
    if (period == kOff) {
        if (doc->IdleTimerId)
            KillWindowTimer(doc->GraphPaneWindow, doc->IdleTimerId);
        doc->IdleTimerId = 0;
        doc->IdleTimerPeriod = kOff;
        return;
    }
    StartTimer(doc, period);
}
