// The complex-interval interpreter: runs a complex program over a box of
// inputs, every value a rectangle of the complex plane. A run ends as soon as
// the value on top of a non-empty stack is undefined, unless the program
// holds an if or a piecewise branch. One build serves both settings of the
// interpreter build flag: every operation is a call into the complex-interval
// library, which both would share.
#pragma once

#include "numerics/ComplexInterval.h"

struct BytecodeProgram;
struct GridEvalState;
struct RunControl;

// A run under the given control; grid gives opcodes 8 to 10 their values and
// is null outside grid evaluation.
ComplexInterval InterpretComplexInterval(const BytecodeProgram* program, ComplexInterval* frame,
                                         const GridEvalState* grid, RunControl& control);
