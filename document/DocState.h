// The document state record: everything one open document holds.
#pragma once

#include "CoreUtilities/Condition.h"
#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/Mutex.h"
#include "document/TableFunctionList.h"
#include "document/UserFunction.h"

#include <atomic>
#include <cstdint>

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

    // Rows of the table column named by the code; 0 for no column.
    int32_t TableColumnRowCount(uint32_t code) const;

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
};
