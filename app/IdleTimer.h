// The idle timer: one timer whose period follows the work that is pending,
// and which does not run when nothing is. User-interface thread only.
#pragma once

#include <cstdint>

struct DocState;

// The identifier the idle timer runs under.
constexpr int32_t kIdleTimerId = 1;

// When the timer runs: runs it again at 10 ms (after a redraw request or an
// animation step), and records that period.
void RestartIdleTimerSoon(DocState* doc);
// Runs the timer at the period in seconds (not positive: as soon as the
// timer can), and records it.
void ScheduleIdleTimer(DocState* doc, double seconds);
// The period the pending work asks for, in seconds, or -1 for no timer.
double ChooseIdleTimerPeriod(DocState* doc);
// Applies ChooseIdleTimerPeriod unless the timer already runs with it.
void UpdateIdleTimer(DocState* doc);
