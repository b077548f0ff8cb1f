// A formula of the parameter u evaluated at many parameters at once: the
// point program over one lane per parameter through the batch interpreter
// where the formula allows it, else one point at a time. On the calling
// thread.
#pragma once

#include <cstdint>

struct CompiledFormula;

// out[i] = f(u[i]) for i < count; NaN throughout without a formula.
void EvaluateAtParameters(CompiledFormula* f, const double* u, int32_t count, double* out);
