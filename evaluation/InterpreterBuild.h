// The interpreters exist in two builds of one source: the x86-64 baseline and
// x86-64-v3 (AVX2 and the bit-manipulation sets; no fused multiply-add, so
// both round alike). One process-wide byte, written once at start-up before
// any formula is compiled, picks the build for every run. Elsewhere than on
// x86-64 there is only the baseline build.
#pragma once

#include "evaluation/InterpretReal.h"

struct BytecodeProgram;
struct GridEvalState;
struct RunControl;

// 1 runs the x86-64-v3 builds, 0 the baseline builds.
extern unsigned char InterpreterBuildFlag;

// Whether this processor can run the x86-64-v3 builds.
bool CanRunV3Build();
// Sets the flag from the processor's features.
void SelectInterpreterBuild();

// Sets the program's real point run of each build (BytecodeProgram.h) from
// its finished shape.
void SelectRealPointRuns(BytecodeProgram* program);

// Calls an interpreter entry in the build the flag picks.
#if defined(__x86_64__)
#define VL_IN_BUILD(entry, ...) \
    (InterpreterBuildFlag ? v3::entry(__VA_ARGS__) : baseline::entry(__VA_ARGS__))
#else
#define VL_IN_BUILD(entry, ...) baseline::entry(__VA_ARGS__)
#endif

// A real run in the build the flag picks, under the given control: the
// program's own stop request for a run of its own, the outer run's for a
// nested one (constant-table entries).
inline double RunRealInBuild(const BytecodeProgram* program, double* frame, const GridEvalState* grid,
                             RunControl& control)
{
    return VL_IN_BUILD(InterpretReal, program, frame, grid, control);
}

// A point run of its own (the program's stop request, no grid) in the build
// the flag picks.
inline double RunRealAtPointInBuild(const BytecodeProgram* program, double* frame)
{
    return VL_IN_BUILD(InterpretRealAtPoint, program, frame);
}
