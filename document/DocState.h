// The document state record: everything one open document holds.
#pragma once

#include "CoreUtilities/Condition.h"
#include "CoreUtilities/Mutex.h"
#include "document/TableFunctionList.h"

#include <atomic>
#include <cstdint>

struct DocState {
    // Id of the running analysis thread (StartCoopThread); NoCoopThread (-1)
    // when none. The analysis clears it itself as its last step.
    int32_t AnalysisThread = -1;
    // Names the tables define as functions.
    TableFunctionList TableFunctions;

    // The document task (DocumentTaskState): 0 before the first task, 2 while
    // the document-task thread runs it, 3 once it ended. Graph building and
    // the idle timer read it without locks.
    std::atomic<int32_t> TaskState{0};
    // Guard the change to 3 and announce it.
    Mutex TaskLock;
    Condition TaskSignal;

    // Rows of the table column named by the code; 0 for no column.
    int32_t TableColumnRowCount(uint32_t code) const;

    // Compiles every user function that has no program yet, so that the
    // document task finds them ready.
    void CompileUserFunctions();
    // The document task, run on the document-task thread: recomputes table
    // formula columns and the result texts of equation lines; ends early
    // while DocumentTaskAbort is raised.
    void RefreshResults();
};
