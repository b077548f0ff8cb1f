#include "evaluation/InterpreterBuild.h"

#include "CoreUtilities/ThreadLocks.h"
#include "CoreUtilities/ThreadStorage.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/InterpretReal.h"
#include "evaluation/RunControl.h"

unsigned char InterpreterBuildFlag = 0;

bool CanRunV3Build()
{
#if defined(__x86_64__)
    return __builtin_cpu_supports("x86-64-v3");
#else
    return false;
#endif
}

void SelectInterpreterBuild()
{
    InterpreterBuildFlag = CanRunV3Build() ? 1 : 0;
}

bool ThreadFlagStopsRun()
{
    return (SingleJobOverdue.load(std::memory_order_relaxed) && IsSingleJobThread()) ||
           (DocumentTaskAbort.load(std::memory_order_relaxed) && IsDocumentTaskThread());
}

double RunRealNested(const BytecodeProgram* program, double* frame, const GridEvalState* grid, RunControl& control)
{
#if defined(__x86_64__)
    if (InterpreterBuildFlag)
        return v3::InterpretReal(program, frame, grid, control);
#endif
    return baseline::InterpretReal(program, frame, grid, control);
}

double BytecodeProgram::RunReal(double* frame, const GridEvalState* grid) const
{
    RunControl control{&stopRequested, false};
#if defined(__x86_64__)
    if (InterpreterBuildFlag)
        return v3::InterpretReal(this, frame, grid, control);
#endif
    return baseline::InterpretReal(this, frame, grid, control);
}
