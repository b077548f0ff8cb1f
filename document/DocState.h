// The document state record: everything one open document holds.
#pragma once

#include "CoreUtilities/Condition.h"
#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/Mutex.h"
#include "CoreUtilities/ShortRect.h"
#include "document/TableFunctionList.h"
#include "evaluation/UserFunction.h"
#include "platform/WindowHandle.h"
#include "platform/WindowQueries.h"

#include <atomic>
#include <cstdint>

class GraphSet;
struct FormulaNode;

struct DocState {
    // Id of the running analysis thread (StartCoopThread); NoCoopThread (-1)
    // when none. The analysis clears it itself as its last step.
    int32_t AnalysisThread = -1;
    // The letter the animation slider drives.
    uint8_t SliderVariable = 'n';
    // The functions the document defines, in definition order.
    UserFunctionList UserFunctions;
    // Names the tables define as functions.
    TableFunctionList TableFunctions;
    // The key (SymbolCode, or numbered key of x_k) that each
    // parameter-definition line defines, in line order; kept by the analysis
    // until the lines answer for themselves.
    GrowArray<uint32_t> ParameterKeys;

    // The document task (DocumentTaskState): 0 before the first task, 2 while
    // the document-task thread runs it, 3 once it ended. Graph building and
    // the idle timer read it without locks.
    std::atomic<int32_t> TaskState{0};
    // Guard the change to 3 and announce it.
    Mutex TaskLock;
    Condition TaskSignal;

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
    // The slider variable's current value, which every evaluation writes
    // into slot 2. The animation moves it on the user-interface thread while
    // graph workers and the task threads evaluate, so it is one atomic word.
    std::atomic<double> SliderValue{0};
    double GetSliderValue() const { return SliderValue.load(std::memory_order_relaxed); }
    void SetSliderValue(double value) { SliderValue.store(value, std::memory_order_relaxed); }

    // The user has taken control of the running demonstration.
    bool DemoUserControl = false;

    // The equation pane's current table, in the pane's coordinates; empty
    // when no table is current.
    ShortRect CurrentTableRect{0, 0, 0, 0};

    // Rows of the table column named by the code; 0 for no column.
    int32_t TableColumnRowCount(uint32_t code) const;

    // The names of the tables' columns (GetTableColumnNames), rebuilt on
    // demand while the flag is set; the document sets it whenever its
    // tables change. The names stay owned by the name registry.
    GrowArray<const char16_t*> TableColumnNames;
    uint8_t TableColumnNamesStale = 1;
    // Pushes the name of every column of every table, in line and column
    // order, skipping null and empty names.
    void CollectTableColumnNames(GrowArray<const char16_t*>& list) const;

    // Compiles every user function that has no program yet, so that the
    // document task finds them ready.
    void CompileUserFunctions();
    // The document task, run on the document-task thread: recomputes table
    // formula columns and the result texts of equation lines; ends early
    // while DocumentTaskAbort is raised.
    void RefreshResults();

    // The SymbolCode of the slider variable (a letter is its own code).
    uint32_t GetSliderVariable() const { return SliderVariable; }
    // Some user function's head names the function as the node does.
    bool HasUserFunction(const FormulaNode* name) const { return FindUserFunction(name) >= 0; }
    // The first such user function's index, or -1.
    int32_t FindUserFunction(const FormulaNode* name) const;

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
