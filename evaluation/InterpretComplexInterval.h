// The complex-interval interpreter: runs a complex program over a box of
// inputs, every value a rectangle of the complex plane. A run ends as soon as
// the value on top of a non-empty stack is undefined, unless the program
// holds an if or a piecewise branch. Both builds (InterpreterBuild.h) have
// the same entry; BytecodeProgram::RunComplexInterval picks one.
#pragma once

#include "evaluation/ComplexInterval.h"

struct BytecodeProgram;
struct GridEvalState;
struct RunControl;

namespace baseline {
ComplexInterval InterpretComplexInterval(const BytecodeProgram* program, ComplexInterval* frame,
                                         const GridEvalState* grid, RunControl& control);
}

namespace v3 {
ComplexInterval InterpretComplexInterval(const BytecodeProgram* program, ComplexInterval* frame,
                                         const GridEvalState* grid, RunControl& control);
}

// A run in the build the flag picks, under the given control: the entry of
// runs nested in another one (user-function calls).
ComplexInterval RunComplexIntervalNested(const BytecodeProgram* program, ComplexInterval* frame,
                                         const GridEvalState* grid, RunControl& control);
