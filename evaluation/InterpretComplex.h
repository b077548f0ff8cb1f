// The complex interpreter: runs a program at one point in complex arithmetic.
// A run ends as soon as the value on top of a non-empty stack is undefined,
// unless the program holds an if or a piecewise branch. Both builds
// (InterpreterBuild.h) have the same entry; BytecodeProgram::RunComplex picks
// one.
#pragma once

#include "evaluation/InterpreterBuild.h"
#include "numerics/ComplexValue.h"

struct BytecodeProgram;
struct GridEvalState;
struct RunControl;

namespace baseline {
ComplexValue InterpretComplex(const BytecodeProgram* program, ComplexValue* frame, const GridEvalState* grid,
                              RunControl& control);
}

namespace v3 {
ComplexValue InterpretComplex(const BytecodeProgram* program, ComplexValue* frame, const GridEvalState* grid,
                              RunControl& control);
}

// A complex run in the build the flag picks, under the given control: the
// program's own stop request for a run of its own, the outer run's for a
// nested one (constant-table entries, user-function calls).
inline ComplexValue RunComplexInBuild(const BytecodeProgram* program, ComplexValue* frame, const GridEvalState* grid,
                                      RunControl& control)
{
    return VL_IN_BUILD(InterpretComplex, program, frame, grid, control);
}
