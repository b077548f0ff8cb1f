// What the stop, resume and invalidation routines of compiled formulas
// (CompiledFormula.h) ask of a graph's formula colour: a colour computed by
// formulas of its own stops, resumes and forgets its constants with the
// graph's formulas. The graph model's colour implements it; this layer only
// calls it.
#pragma once

class FormulaColour {
public:
    virtual void StopFormulas() = 0;
    virtual void ResumeFormulas() = 0;
    virtual void InvalidateFormulaConstants() = 0;

protected:
    ~FormulaColour() = default;
};
