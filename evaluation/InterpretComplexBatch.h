// The complex batch interpreter: runs a grid program in complex arithmetic
// over every point of one grid row (2D) or layer (3D) at once, and writes one
// real value per point: the real part of the point's result where its
// imaginary part is 0, else NaN. Each lane computes what the complex
// interpreter computes at that point, except that a batch never ends early on
// an undefined value. Both builds (InterpreterBuild.h) have the same entry;
// BytecodeProgram::RunComplexBatch picks one.
#pragma once

struct BytecodeProgram;
struct GridEvalState;

namespace baseline {
void InterpretComplexBatch(const BytecodeProgram* program, GridEvalState* state, double* out);
}

namespace v3 {
void InterpretComplexBatch(const BytecodeProgram* program, GridEvalState* state, double* out);
}
