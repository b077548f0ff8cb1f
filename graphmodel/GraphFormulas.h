// What a graph does to all its formulas at once when it stops, starts again
// or learns that a parameter changed. A graph passes every formula it
// evaluates, those of its colour included; null entries are skipped.
#pragma once

#include <cstdint>

struct CompiledFormula;

// Raises the stop requests: running interpreters give up at their next
// instruction.
void StopFormulas(CompiledFormula* const* formulas, int32_t n);
// Lowers them again.
void ResumeFormulas(CompiledFormula* const* formulas, int32_t n);
// The constant parts are evaluated again at their next use.
void InvalidateConstants(CompiledFormula* const* formulas, int32_t n);
// Some formula uses the variable (a SymbolCode or a numbered variable's key).
bool AnyFormulaDependsOn(CompiledFormula* const* formulas, int32_t n, uint32_t code);
