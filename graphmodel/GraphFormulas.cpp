#include "graphmodel/GraphFormulas.h"

#include "evaluation/CompiledFormula.h"

bool AnyFormulaDependsOn(CompiledFormula* const* formulas, int32_t n, uint32_t code)
{
    for (int32_t i = 0; i < n; ++i) {
        if (formulas[i] && formulas[i]->DependsOn(code))
            return true;
    }
    return false;
}
