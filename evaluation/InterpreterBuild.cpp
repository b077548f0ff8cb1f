#include "evaluation/InterpreterBuild.h"

#include "CoreUtilities/ThreadLocks.h"
#include "CoreUtilities/ThreadStorage.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/InterpretReal.h"
#include "evaluation/RunControl.h"

unsigned char InterpreterBuildFlag = 0;

namespace {

// Polled by runs on threads that no global stop flag concerns.
const std::atomic<unsigned char> NeverRaised{0};

}  // namespace

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

RunControl MakeRunControl(const BytecodeProgram* program)
{
    // A thread is of one kind for its whole life, so the test is made once
    // per run and each instruction polls two bytes.
    const std::atomic<unsigned char>* threadStop = &NeverRaised;
    if (IsSingleJobThread())
        threadStop = &SingleJobOverdue;
    else if (IsDocumentTaskThread())
        threadStop = &DocumentTaskAbort;
    return {&program->stopRequested, threadStop, false};
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
    RunControl control = MakeRunControl(this);
    return RunRealNested(this, frame, grid, control);
}
