// Timers that belong to a window and call a procedure on the user-interface
// thread, by identifier.
#pragma once

#include "platform/WindowHandle.h"

#include <cstdint>

using TimerProcedure = void (*)();

// Periods below this run at it: a 0 ms timer would spin the processor.
constexpr uint32_t kMinimumTimerMilliseconds = 1;

// Starts timer id of the window (null: of no window), replacing one with the
// same id; it ends with its window. Answers id, or 0 for id 0 or without a
// procedure.
int32_t SetWindowTimer(WindowHandle window, int32_t id, uint32_t milliseconds, TimerProcedure procedure);
// False when no such timer runs.
bool KillWindowTimer(WindowHandle window, int32_t id);
// The period the timer runs with, or -1 when it does not run.
int32_t WindowTimerPeriod(WindowHandle window, int32_t id);
