// The unit in which the rest of the system evaluates a formula numerically:
// it owns a formula tree, compiles it alone or in a batch with the other
// formulas of a graph, and evaluates it at points on the calling thread's
// evaluation frame.
#pragma once

#include "evaluation/CompileContext.h"
#include "numerics/Interval.h"

#include <cstdint>

class FormulaColour;
struct BytecodeProgram;
struct DocState;
struct FormulaNode;
struct GridEvalState;
struct LinearForm;

struct CompiledFormula {
    // Owned; rewritten in place by the preparation for compiling.
    FormulaNode* tree;
    // For point evaluation; null until compiled.
    BytecodeProgram* pointProgram = nullptr;
    // For grid evaluation; null until linked.
    BytecodeProgram* gridProgram = nullptr;
    CompileContext pointContext;
    CompileContext gridContext;
    DocState* doc;
    // The formula may be evaluated a whole grid row (or layer) at a time:
    // its tree allows it, and so does every formula of the grid set it was
    // last linked in (GridProgramSet.h).
    uint8_t canEvaluateRows = 1;
    // What the tree alone allows.
    uint8_t treeAllowsRows = 1;

    // Takes ownership of the tree and prepares it for compiling.
    CompiledFormula(FormulaNode* tree, DocState* doc);
    ~CompiledFormula();
    CompiledFormula(const CompiledFormula&) = delete;
    CompiledFormula& operator=(const CompiledFormula&) = delete;

    // A new formula over a copy of the tree and the same document; not
    // compiled. Null when memory for it is refused.
    CompiledFormula* Clone() const;
    // Moves a variable into another one's slot (x to u, y to v) before
    // compiling.
    void RenameSymbol(uint32_t from, uint32_t to);

    // Generates the point program and its constants afresh.
    void CompilePointProgram();
    // Generates the grid program and its constants afresh, inside the grid
    // batch that linking opened (GridProgramSet.h).
    void CompileGridProgram();

    // Row j (2D) or layer j (3D) of the grid the state is prepared for, one
    // value per point into out, in point order (column by column, in a
    // layer row after row): the grid program run over all points at once.
    // Only for a formula that can evaluate rows; out gets NaN throughout
    // when the state or the program cannot run. Nothing is written for a
    // grid without points.
    void EvaluateRow(int32_t j, GridEvalState* state, double* out);
    // One point of the grid, on the state's frame: the fallback of formulas
    // that cannot evaluate rows.
    double EvaluateAtGridPoint(int32_t i, int32_t j, GridEvalState* state);
    double EvaluateAtGridPoint3D(int32_t i, int32_t j, int32_t k, GridEvalState* state);

    // Each writes the listed slots of the calling thread's frame, and slot 2
    // with the slider value when the program reads it, and runs the point
    // program; undefined when it is not compiled. Slots an entry does not
    // write keep what the frame held.
    double EvaluateAt(double u);
    double EvaluateAtXY(double x, double y);
    double EvaluateAtUVXYZW(double u, double v, double x, double y, double z, double w);
    double EvaluateAtRow(int32_t row, double x, double y, double z);
    // Complex evaluation, whatever the program's arithmetic: the complex
    // interpreter on the frame's slots as complex cells.
    ComplexValue EvaluateComplex();
    ComplexValue EvaluateComplexAtXY(double x, double y);

    // The most rows of a table column the formula reads (the rows a data
    // plot evaluates); 0 when it reads none.
    int32_t MaxTableLength() const;
    // The tree has a variable with the code; a numbered variable's key is
    // tested by its base variable.
    bool DependsOn(uint32_t code) const;
    // The root's text for a text formula, a table column's cell text for a
    // formula that names the column, else null.
    const char16_t* TextAtRow(int32_t row) const;
    // A copy of that text, which the caller frees with std::free: safe
    // while the document task rewrites computed cells; null for none.
    char16_t* CopyTextAtRow(int32_t row) const;

    // For a relation <, <=, > or >= of two linear sides: true and the form f
    // such that the relation holds exactly where f > 0 (f >= 0 for <= and
    // >=).
    bool GetLinearHalfSpace(LinearForm* form) const;
    // No node of the tree is of a kind without a derivative rule.
    bool IsDifferentiable() const;
    // A new formula, not compiled, of the partial derivative by the variable
    // of the code; of an undefined number once computations must stop.
    CompiledFormula* MakeDerivative(uint32_t code) const;
    // For a list of points of four components: one formula per component,
    // at 4 i + j, each point's four compiled as one batch. The caller owns
    // the formulas and the array (BudgetFree); both null and 0 when memory
    // is refused.
    void MakeComponentFormulas4(CompiledFormula*** array, int32_t* count) const;

    // Raises (1) or lowers (0) the stop request of both programs; while it is
    // raised every run of the formula ends after its current instruction.
    BytecodeProgram* SetStopFlag(uint8_t value);
    bool IsStopRequested() const;

    // The range of the formula while its variables range over the given
    // intervals: u over [lo, hi]; x and y over the box (z = [0, 0]); x, y
    // and z over the box. The slider variable is the point of its value. A
    // complex formula runs over rectangles and answers only when the
    // imaginary interval of its result is exactly [0, 0]. Undefined (NaN
    // ends) where the formula is undefined somewhere in the box.
    Interval EvaluateOverInterval(double lo, double hi);
    Interval EvaluateOverBoxXY(double x0, double x1, double y0, double y1);
    Interval EvaluateOverBoxXYZ(double x0, double x1, double y0, double y1, double z0, double z1);
};

// Compiles n formulas (null ones skipped) as one batch: they share local
// slots and the computed slots r, spherical radius, theta and phi, are
// evaluated in their compile order on one frame, and run in complex
// arithmetic together when one of them needs it. At most 15 formulas.
void CompileFormulas(CompiledFormula* const* formulas, int32_t n);
void CompileFormula(CompiledFormula* f);
void CompileFormulas3(CompiledFormula* f1, CompiledFormula* f2, CompiledFormula* f3);
void CompileFormulas4(CompiledFormula* f1, CompiledFormula* f2, CompiledFormula* f3, CompiledFormula* f4);

// Raises the stop request of every given formula (null ones skipped), and
// first the colour's own formulas when a colour is given: every run of them
// ends after its current instruction. The 9 and 13 forms take more formulas.
void StopFormulas(FormulaColour* colour, CompiledFormula* f1 = nullptr, CompiledFormula* f2 = nullptr,
                  CompiledFormula* f3 = nullptr, CompiledFormula* f4 = nullptr, CompiledFormula* f5 = nullptr);
void StopFormulas9(FormulaColour* colour, CompiledFormula* const (&formulas)[9]);
void StopFormulas13(FormulaColour* colour, CompiledFormula* const (&formulas)[13]);
// Lowers them again.
void ResumeFormulas(FormulaColour* colour, CompiledFormula* f1 = nullptr, CompiledFormula* f2 = nullptr,
                    CompiledFormula* f3 = nullptr, CompiledFormula* f4 = nullptr, CompiledFormula* f5 = nullptr);
void ResumeFormulas9(FormulaColour* colour, CompiledFormula* const (&formulas)[9]);
void ResumeFormulas13(FormulaColour* colour, CompiledFormula* const (&formulas)[13]);

// Marks the constants of both programs of every given formula (null ones
// skipped), and of the colour's formulas when a colour is given, as not
// current: the next run of each evaluates them again (after a parameter or
// the slider changed).
void InvalidateConstants(FormulaColour* colour, CompiledFormula* f1 = nullptr, CompiledFormula* f2 = nullptr,
                         CompiledFormula* f3 = nullptr, CompiledFormula* f4 = nullptr, CompiledFormula* f5 = nullptr);
void InvalidateConstants13(FormulaColour* colour, CompiledFormula* const (&formulas)[13]);
// The same three over a list of any length, for graphs that keep their
// formulas in one.
void StopFormulaList(FormulaColour* colour, CompiledFormula* const* formulas, int32_t n);
void ResumeFormulaList(FormulaColour* colour, CompiledFormula* const* formulas, int32_t n);
void InvalidateFormulaList(FormulaColour* colour, CompiledFormula* const* formulas, int32_t n);
