// The document state record: everything one open document holds.
#pragma once

#include "CoreUtilities/ShortRect.h"
#include "platform/WindowHandle.h"
#include "platform/WindowQueries.h"

#include <atomic>
#include <cstdint>

class GraphSet;

struct DocState {
    // Id of the running analysis thread (StartCoopThread); NoCoopThread (-1)
    // when none. The analysis clears it itself as its last step.
    int32_t AnalysisThread = -1;

    // The document task (DocumentTaskState): 0 before the first task, 2 while
    // the document-task thread runs it, 3 once it ended. Graph building and
    // the idle timer read it without locks.
    std::atomic<int32_t> TaskState{0};

    // The graph pane's window; the idle timer is set on it.
    WindowHandle GraphPaneWindow = nullptr;
    GraphSet* Graphs = nullptr;

    // The idle timer: its identifier (0 when none runs) and the period it
    // runs with, in seconds (-1 when off).
    int32_t IdleTimerId = 0;
    double IdleTimerPeriod = -1;

    // Set by every change of the graphs; cleared once the graph set has
    // finished and the lines' graph marks are refreshed.
    bool GraphWorkPending = false;
    // 0 idle; 1 the graph set must be prepared; 2 graphs are built line by line.
    int32_t GraphBuildPhase = 0;

    // The animation slider.
    double SliderMin = 0;
    double SliderMax = 10;
    int16_t SliderSteps = 100;
    uint8_t SliderVariable = 'n';

    // The user has taken control of the running demonstration.
    bool DemoUserControl = false;

    // The equation pane's current table, in the pane's coordinates; empty
    // when no table is current.
    ShortRect CurrentTableRect{0, 0, 0, 0};

    // The graph pane is shown at a usable size.
    bool IsGraphPaneShown() const { return IsWindowShownWithArea(GraphPaneWindow); }
};

// The one document of the process.
inline DocState* GetDocState()
{
    static DocState doc;
    return &doc;
}

// The frame-rate meter is switched on (a hidden key of the equation pane toggles it).
inline uint8_t FrameRateMeterSwitch = 0;

inline bool IsPointInCurrentTable(ShortPoint p)
{
    return PointInShortRect(p, GetDocState()->CurrentTableRect);
}
