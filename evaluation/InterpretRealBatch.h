// The real batch interpreter: runs a grid program over every point of one
// grid row (2D) or layer (3D) at once, each instruction decoded once for the
// whole batch. Values that are the same at every point (constants, the
// slider, y of a row, z of a layer, loop counters) are computed once. Each
// point gets what the real interpreter gives there, except where the batch
// rules differ: loop bounds and data rows are read from the first lane, a
// loop with an undefined bound is empty, and an aggregate takes a row only
// when its weight is exactly 1. Both builds (InterpreterBuild.h) have the
// same entry; BytecodeProgram::RunRealBatch picks one.
#pragma once

struct BytecodeProgram;
struct GridEvalState;

namespace baseline {
void InterpretRealBatch(const BytecodeProgram* program, GridEvalState* grid, double* out);
}

namespace v3 {
void InterpretRealBatch(const BytecodeProgram* program, GridEvalState* grid, double* out);
}
