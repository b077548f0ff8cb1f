// What a graph asks of all its formulas at once (stopping, resuming and
// invalidating them are evaluation's StopFormulaList and its siblings). A
// graph passes every formula it evaluates, those of its colour included;
// null entries are skipped.
#pragma once

#include <cstdint>

struct CompiledFormula;

// Some formula uses the variable (a SymbolCode or a numbered variable's key).
bool AnyFormulaDependsOn(CompiledFormula* const* formulas, int32_t n, uint32_t code);
