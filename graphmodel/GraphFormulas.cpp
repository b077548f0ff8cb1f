#include "graphmodel/GraphFormulas.h"

#include "evaluation/CompiledFormula.h"

void StopFormulas(CompiledFormula* const* formulas, int32_t n)
{
    for (int32_t i = 0; i < n; ++i) {
        if (formulas[i])
            formulas[i]->SetStopFlag(1);
    }
}

void ResumeFormulas(CompiledFormula* const* formulas, int32_t n)
{
    for (int32_t i = 0; i < n; ++i) {
        if (formulas[i])
            formulas[i]->SetStopFlag(0);
    }
}

void InvalidateConstants(CompiledFormula* const* formulas, int32_t n)
{
    for (int32_t i = 0; i < n; ++i) {
        if (!formulas[i])
            continue;
        formulas[i]->pointContext.constantsReady.store(0, std::memory_order_release);
        formulas[i]->gridContext.constantsReady.store(0, std::memory_order_release);
    }
}

bool AnyFormulaDependsOn(CompiledFormula* const* formulas, int32_t n, uint32_t code)
{
    for (int32_t i = 0; i < n; ++i) {
        if (formulas[i] && formulas[i]->DependsOn(code))
            return true;
    }
    return false;
}
