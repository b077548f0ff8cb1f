// The interval interpreter: runs a program over intervals, telling which
// values the formula can take while its variables range over the intervals
// in the frame. A run ends as soon as the value on top of a non-empty stack
// is undefined, unless the program holds an if or a piecewise branch; an
// exterior final result becomes the whole line. One build serves both
// settings of the interpreter build flag: every operation is a call into the
// interval library, which both would share.
#pragma once

#include "numerics/Interval.h"

struct BytecodeProgram;
struct RunControl;

// A run under the given control: the program's own stop request for a run
// of its own, the outer run's for a nested one (user-function calls).
Interval InterpretInterval(const BytecodeProgram* program, Interval* frame, RunControl& control);
