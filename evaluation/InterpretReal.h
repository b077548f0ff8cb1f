// The real interpreter: runs a program in double arithmetic, NaN being the
// undefined value. Both builds (InterpreterBuild.h) have the same entry;
// BytecodeProgram::RunReal picks one. InterpretRealAtPoint is a run of its
// own under the program's stop request, outside grid evaluation.
#pragma once

#include "evaluation/BytecodeProgram.h"

namespace baseline {
// The run a point entry of this build calls for the program.
RealPointRun RealPointRunOf(const BytecodeProgram* program);
double InterpretReal(const BytecodeProgram* program, double* frame, const GridEvalState* grid, RunControl& control);
double InterpretRealAtPoint(const BytecodeProgram* program, double* frame);
}

namespace v3 {
// The run a point entry of this build calls for the program.
RealPointRun RealPointRunOf(const BytecodeProgram* program);
double InterpretReal(const BytecodeProgram* program, double* frame, const GridEvalState* grid, RunControl& control);
double InterpretRealAtPoint(const BytecodeProgram* program, double* frame);
}
