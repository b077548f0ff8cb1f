// The interpreters exist in two builds of one source: the x86-64 baseline and
// x86-64-v3 (AVX2 and the bit-manipulation sets; no fused multiply-add, so
// both round alike). One process-wide byte, written once at start-up before
// any formula is compiled, picks the build for every run. Elsewhere than on
// x86-64 there is only the baseline build.
#pragma once

struct BytecodeProgram;
struct GridEvalState;
struct RunControl;

// 1 runs the x86-64-v3 builds, 0 the baseline builds.
extern unsigned char InterpreterBuildFlag;

// Whether this processor can run the x86-64-v3 builds.
bool CanRunV3Build();
// Sets the flag from the processor's features.
void SelectInterpreterBuild();

// A run in the build the flag picks, under the given control: the entry of
// runs nested in another one (constant-table entries).
double RunRealNested(const BytecodeProgram* program, double* frame, const GridEvalState* grid, RunControl& control);
