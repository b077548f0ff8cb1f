#include "evaluation/InterpreterBuild.h"

#include "CoreUtilities/ThreadLocks.h"
#include "CoreUtilities/ThreadStorage.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/RunControl.h"

unsigned char InterpreterBuildFlag = 0;

bool CanRunV3Build()
{
#if defined(__x86_64__) && defined(__clang__)
    // clang knows no level names; every processor with these sets also has
    // the rest of the level (F16C, LZCNT, MOVBE).
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") && __builtin_cpu_supports("bmi") &&
           __builtin_cpu_supports("bmi2");
#elif defined(__x86_64__)
    return __builtin_cpu_supports("x86-64-v3");
#else
    return false;
#endif
}

void SelectInterpreterBuild()
{
    InterpreterBuildFlag = CanRunV3Build() ? 1 : 0;
}

void SelectRealPointRuns(BytecodeProgram* program)
{
    program->realPointRuns[0] = baseline::RealPointRunOf(program);
#if defined(__x86_64__)
    program->realPointRuns[1] = v3::RealPointRunOf(program);
#else
    program->realPointRuns[1] = program->realPointRuns[0];
#endif
}

bool ThreadFlagStopsRun()
{
    return (SingleJobOverdue.load(std::memory_order_relaxed) && IsSingleJobThread()) ||
           (DocumentTaskAbort.load(std::memory_order_relaxed) && IsDocumentTaskThread());
}

double BytecodeProgram::RunReal(double* frame, const GridEvalState* grid) const
{
    RunControl control{&stopRequested, false};
    return RunRealInBuild(this, frame, grid, control);
}
