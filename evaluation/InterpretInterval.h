// The interval interpreter: runs a program over intervals, telling which
// values the formula can take while its variables range over the intervals
// in the frame. A run ends as soon as the value on top of a non-empty stack
// is undefined, unless the program holds an if or a piecewise branch; an
// exterior final result becomes the whole line. Both builds
// (InterpreterBuild.h) have the same entry; BytecodeProgram::RunInterval
// picks one.
#pragma once

#include "evaluation/Interval.h"

struct BytecodeProgram;
struct RunControl;

namespace baseline {
Interval InterpretInterval(const BytecodeProgram* program, Interval* frame, RunControl& control);
}

namespace v3 {
Interval InterpretInterval(const BytecodeProgram* program, Interval* frame, RunControl& control);
}

// A run in the build the flag picks, under the given control: the entry of
// runs nested in another one (user-function calls).
Interval RunIntervalNested(const BytecodeProgram* program, Interval* frame, RunControl& control);
