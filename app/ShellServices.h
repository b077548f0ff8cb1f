// What the engine asks of the application shell, without the window classes.
#pragma once

#include "CoreUtilities/ShortRect.h"

#include <cstdint>

class CMainFrame;

// Copies the graph pane's offscreen image to its window; the whole pane is
// presented whatever rectangle is given.
void PresentGraphPane(const ShortRect* r);
// The idle timer's procedure: the frame's idle work.
void TimerProc();
bool IsMainFrameMinimised(const CMainFrame* frame);
// CMainFrame::IsForegroundDuringDemo of the frame.
bool IsMainFrameForegroundDuringDemo(const CMainFrame* frame);
// The graph bar's slider readout and steps, and the frame's animation variable.
void SetMainFrameSlider(CMainFrame* frame, double minimum, double maximum, int32_t steps, char variable);
