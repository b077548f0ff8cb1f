#include "evaluation/CompiledFormula.h"

#include "CoreUtilities/ThreadStorage.h"
#include "CoreUtilities/WideString.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileBatch.h"
#include "evaluation/ConstantTable.h"
#include "evaluation/FrameSlots.h"
#include "evaluation/FormulaColour.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/InterpreterBuild.h"
#include "evaluation/LaneVector.h"
#include "evaluation/ParameterValue.h"
#include "evaluation/PrepareTreeForCompiling.h"
#include "evaluation/RunControl.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/SymbolRename.h"
#include "formula/TreeConstness.h"
#include "formula/TreeQuery.h"
#include "formula/TreeWalk.h"
#include "numerics/ComplexInterval.h"
#include "numerics/RealLibrary.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <new>

namespace {

// The variables whose value changes from point to point of a grid row or
// layer: u, x and the values computed from x (r, theta, phi and the
// spherical radius), and, since y moves along the lanes of a 3D layer, y
// and v as well.
constexpr uint32_t kPointVariables[] = {'u', 'v', 'x', 'y', 'r', 3, 2, 7};

bool ContainsPointVariable(const FormulaNode* tree)
{
    for (uint32_t code : kPointVariables) {
        if (ContainsSymbol(tree, code))
            return true;
    }
    return false;
}

// The operands of a sum or product that hold its start and its limit: as
// written (body, k = start, limit), or prepared for compiling (k = start,
// limit, body), as a formula made from a prepared one holds them; -1 for
// another node.
int32_t FirstBoundOperand(const FormulaNode* node)
{
    if (node->childCount != 3)
        return -1;
    switch (node->kind) {
    case KindSigma:
    case KindCapitalPi: return 1;
    case KindSumLoop:
    case KindProductLoop: return 0;
    default: return -1;
    }
}

// A sum or product whose start or limit moves along a row or layer: the
// batch interpreters read loop bounds once for all points.
bool HasPointDependentLoopBounds(FormulaNode* tree)
{
    for (PreorderWalk walk(tree); walk.Node(); walk.Next()) {
        const FormulaNode* node = walk.Node();
        int32_t first = FirstBoundOperand(node);
        if (first < 0)
            continue;
        for (int32_t operand = first; operand <= first + 1; ++operand) {
            if (ContainsPointVariable(node->children[operand]))
                return true;
        }
    }
    return false;
}

// A table column read at a row whose row moves from point to point.
bool HasPointDependentRowRead(FormulaNode* tree)
{
    for (PreorderWalk walk(tree); walk.Node(); walk.Next()) {
        const FormulaNode* node = walk.Node();
        // Operands after preparation: the row index, then the column.
        if (node->kind == KindColumnElement && node->childCount == 2 &&
            ContainsPointVariable(node->children[0]))
            return true;
    }
    return false;
}

// The calling thread's frame as cells of the run's type, grown to the slots
// every program needs: a thread may run a formula compiled on another one.
template <typename Cell>
Cell* ThreadFrame()
{
    return static_cast<Cell*>(ReadyEvalFrame());
}

}  // namespace

CompiledFormula::CompiledFormula(FormulaNode* tree, DocState* doc) : tree(tree), doc(doc)
{
    canEvaluateRows = HasPointDependentLoopBounds(tree) ? 0 : 1;
    pointContext.SetDocument(doc);
    gridContext.SetDocument(doc);
    PrepareTreeForCompiling(tree, doc);
    if (canEvaluateRows && (HasPointDependentRowRead(tree) || ContainsKind(tree, KindApplication)))
        canEvaluateRows = 0;
    treeAllowsRows = canEvaluateRows;
}

CompiledFormula::~CompiledFormula()
{
    FreeTree(tree);
    delete pointProgram;
    delete gridProgram;
}

CompiledFormula* CompiledFormula::Clone() const
{
    return new (std::nothrow) CompiledFormula(CopyTree(tree), doc);
}

void CompiledFormula::RenameSymbol(uint32_t from, uint32_t to)
{
    ::RenameSymbol(tree, from, to);
}

namespace {

// The point or the grid program of the tree afresh, with its constants.
void CompileProgram(FormulaNode* tree, DocState* doc, BytecodeProgram*& program, CompileContext& context, bool grid)
{
    delete program;
    program = nullptr;
    if (context.table)
        context.table->Clear();
    program = new (std::nothrow) BytecodeProgram(tree, &context, false, grid, doc);
    if (context.table)
        context.table->CompileAll();
    uint8_t complex = UsesComplexNumbers(tree, doc) ? 1 : 0;
    if (program)
        program->isComplex = complex;
    context.isComplex = complex;
    // The table's entries may differ from the last compile (another tree,
    // or a batch that made the formula complex): its old values must not be
    // read as current.
    context.constantsReady.store(0, std::memory_order_release);
}

}  // namespace

void CompiledFormula::CompilePointProgram()
{
    CompileProgram(tree, doc, pointProgram, pointContext, false);
}

void CompiledFormula::CompileGridProgram()
{
    CompileProgram(tree, doc, gridProgram, gridContext, true);
}

namespace {

// The frame slots the grid program reads and writes: the fixed slots and
// the locals of its linked batch.
int32_t GridSlots(const BytecodeProgram* program)
{
    return program->localBase + program->localCount;
}

// A grid of complex formulas evaluates them all in complex arithmetic.
bool RunsComplex(const BytecodeProgram* program, const GridEvalState* state)
{
    return program->isComplex || state->isComplex;
}

}  // namespace

void CompiledFormula::EvaluateRow(int32_t j, GridEvalState* state, double* out)
{
    int32_t n = BatchLaneCount(*state);
    if (n == 0)
        return;
    const BytecodeProgram* program = gridProgram;
    double slider = DocSliderValue(doc);
    bool complex = program && RunsComplex(program, state);
    bool ready = program && (complex ? SetRowInputs<ComplexValue>(state, j, slider, GridSlots(program))
                                     : SetRowInputs<double>(state, j, slider, GridSlots(program)));
    if (!ready)
        std::fill_n(out, n, NAN);
    else if (complex)
        program->RunComplexBatch(state, out);
    else
        program->RunRealBatch(state, out);
}

namespace {

// The inputs of one point in cells of the run's type; the layer and z too
// when k is given.
template <typename Cell>
Cell* PointInputs(GridEvalState* state, int32_t i, int32_t j, const int32_t* k, double slider, int32_t slots)
{
    return k ? SetPointInputs3D<Cell>(state, i, j, *k, slider, slots) : SetPointInputs<Cell>(state, i, j, slider, slots);
}

double EvaluateGridPoint(const CompiledFormula* formula, GridEvalState* state, int32_t i, int32_t j, const int32_t* k)
{
    const BytecodeProgram* program = formula->gridProgram;
    if (!program)
        return NAN;
    double slider = DocSliderValue(formula->doc);
    if (RunsComplex(program, state)) {
        ComplexValue* frame = PointInputs<ComplexValue>(state, i, j, k, slider, GridSlots(program));
        return frame ? ComplexToReal(program->RunComplex(frame, state)) : NAN;
    }
    double* frame = PointInputs<double>(state, i, j, k, slider, GridSlots(program));
    return frame ? program->RunReal(frame, state) : NAN;
}

}  // namespace

double CompiledFormula::EvaluateAtGridPoint(int32_t i, int32_t j, GridEvalState* state)
{
    return EvaluateGridPoint(this, state, i, j, nullptr);
}

double CompiledFormula::EvaluateAtGridPoint3D(int32_t i, int32_t j, int32_t k, GridEvalState* state)
{
    return EvaluateGridPoint(this, state, i, j, &k);
}

namespace {

struct SlotValue {
    int32_t slot;
    double value;
};

// A complex run of the point program on the thread's frame as complex
// cells: the given slots with imaginary part 0, and slot 2.
__attribute__((noinline)) ComplexValue RunComplexWithSlots(const CompiledFormula* formula,
                                                           std::initializer_list<SlotValue> slots)
{
    const BytecodeProgram* program = formula->pointProgram;
    ComplexValue* frame = ThreadFrame<ComplexValue>();
    if (!program || !frame)
        return ComplexValue{NAN, NAN};
    if (program->readsSlider)
        frame[SlotSlider] = ComplexValue{DocSliderValue(formula->doc), 0};
    for (const SlotValue& slot : slots)
        frame[slot.slot] = ComplexValue{slot.value, 0};
    return program->RunComplex(frame, nullptr);
}

// Every real point entry: the given slots and slot 2 (the slider value) on
// the calling thread's frame, then one run of the point program. A complex
// program answers the real part of a real result, else undefined. Slot 2
// is written only for a program that reads it: the document's value takes
// a call, and no other program reads the slot of this frame. The slots come
// one by one, so that their numbers stay constants in the code.
template <typename... Slots>
__attribute__((noinline)) double EvaluateSlowly(const CompiledFormula* formula, Slots... slots)
{
    const BytecodeProgram* program = formula->pointProgram;
    if (!program)
        return NAN;
    if (program->isComplex)
        return ComplexToReal(RunComplexWithSlots(formula, {slots...}));
    double* frame = ThreadFrame<double>();
    if (!frame)
        return NAN;
    if (program->readsSlider)
        frame[SlotSlider] = DocSliderValue(formula->doc);
    ((frame[slots.slot] = slots.value), ...);
    return RunRealAtPointInBuild(program, frame);
}

// The common case without a call before the run, which then is one
// indirect jump to the run the program chose; everything else goes the slow
// way.
template <typename... Slots>
inline __attribute__((always_inline)) double EvaluateWithSlots(const CompiledFormula* formula, Slots... slots)
{
    const BytecodeProgram* program = formula->pointProgram;
    auto* frame = static_cast<double*>(CurrentEvalFrame());
    if (__builtin_expect(program && frame && !(program->isComplex | program->readsSlider), 1)) {
        RealPointRun run = program->realPointRuns[InterpreterBuildFlag];
        if (__builtin_expect(run != nullptr, 1)) {
            ((frame[slots.slot] = slots.value), ...);
            return run(program, program->pointCode.storage, frame, nullptr, nullptr);
        }
    }
    return EvaluateSlowly(formula, slots...);
}

}  // namespace

double CompiledFormula::EvaluateAt(double u)
{
    return EvaluateWithSlots(this, SlotValue{SlotU, u});
}

double CompiledFormula::EvaluateAtXY(double x, double y)
{
    return EvaluateWithSlots(this, SlotValue{SlotX, x}, SlotValue{SlotY, y});
}

double CompiledFormula::EvaluateAtUVXYZW(double u, double v, double x, double y, double z, double w)
{
    return EvaluateWithSlots(this, SlotValue{SlotU, u}, SlotValue{SlotV, v}, SlotValue{SlotX, x}, SlotValue{SlotY, y},
                             SlotValue{SlotZ, z}, SlotValue{SlotW, w});
}

double CompiledFormula::EvaluateAtRow(int32_t row, double x, double y, double z)
{
    return EvaluateWithSlots(this, SlotValue{SlotX, x}, SlotValue{SlotY, y}, SlotValue{SlotZ, z},
                             SlotValue{SlotDataRow, static_cast<double>(row)});
}

ComplexValue CompiledFormula::EvaluateComplex()
{
    return RunComplexWithSlots(this, {});
}

ComplexValue CompiledFormula::EvaluateComplexAtXY(double x, double y)
{
    return RunComplexWithSlots(this, {{SlotX, x}, {SlotY, y}});
}

int32_t CompiledFormula::MaxTableLength() const
{
    return MaxTableLengthOfTree(tree, doc);
}

bool CompiledFormula::DependsOn(uint32_t code) const
{
    return ContainsSymbol(tree, code & 0xFFFF);
}

const char16_t* CompiledFormula::TextAtRow(int32_t row) const
{
    if (tree->kind == KindText)
        return tree->Text();
    if (tree->kind == KindVariable && IsTableFunctionName(tree->payload.code, doc))
        return TableColumnText(tree->payload.code, row, doc);
    return nullptr;
}

char16_t* CompiledFormula::CopyTextAtRow(int32_t row) const
{
    if (tree->kind == KindText) {
        const char16_t* text = tree->Text();
        return text ? WideDuplicateN(text, WideLength(text)) : nullptr;
    }
    if (tree->kind == KindVariable && IsTableFunctionName(tree->payload.code, doc))
        return CopyTableColumnText(tree->payload.code, row, doc);
    return nullptr;
}

BytecodeProgram* CompiledFormula::SetStopFlag(uint8_t value)
{
    if (pointProgram)
        pointProgram->stopRequested.store(value, std::memory_order_relaxed);
    if (gridProgram)
        gridProgram->stopRequested.store(value, std::memory_order_relaxed);
    return pointProgram;
}

bool CompiledFormula::IsStopRequested() const
{
    return pointProgram && pointProgram->stopRequested.load(std::memory_order_relaxed) != 0;
}

void CompileFormulas(CompiledFormula* const* formulas, int32_t n)
{
    BeginCompileBatch();
    for (int32_t i = 0; i < n; ++i) {
        if (formulas[i])
            formulas[i]->CompilePointProgram();
    }
    RaiseEvalFrameSlots(static_cast<uint32_t>(FinishCompileBatch()));
    bool complex = false;
    for (int32_t i = 0; i < n; ++i)
        complex = complex || (formulas[i] && formulas[i]->pointProgram && formulas[i]->pointProgram->isComplex);
    for (int32_t i = 0; i < n; ++i) {
        CompiledFormula* f = formulas[i];
        if (!f || !f->pointProgram)
            continue;
        // Formulas compiled together run in the same arithmetic.
        if (complex) {
            f->pointProgram->isComplex = 1;
            f->pointContext.isComplex = 1;
        }
        FinishProgram(f->pointProgram);
    }
}

void CompileFormula(CompiledFormula* f)
{
    CompileFormulas(&f, 1);
}

void CompileFormulas3(CompiledFormula* f1, CompiledFormula* f2, CompiledFormula* f3)
{
    CompiledFormula* formulas[] = {f1, f2, f3};
    CompileFormulas(formulas, 3);
}

void CompileFormulas4(CompiledFormula* f1, CompiledFormula* f2, CompiledFormula* f3, CompiledFormula* f4)
{
    CompiledFormula* formulas[] = {f1, f2, f3, f4};
    CompileFormulas(formulas, 4);
}

namespace {

struct SlotRange {
    int32_t slot;
    Interval range;
};

// Every interval entry: the given slots as intervals and slot 2 as the point
// of the slider value, or for a complex program the same as rectangles on
// the real axis, then one run of the point program over them. A complex
// result counts only when it is certainly real.
Interval EvaluateOverSlots(const CompiledFormula* formula, std::initializer_list<SlotRange> slots)
{
    constexpr Interval kUndefined{NAN, NAN};
    const BytecodeProgram* program = formula->pointProgram;
    if (!program || !EnsureEvalFrame() ||
        GetEvalFrameCapacity() < static_cast<uint32_t>(program->localBase + program->localCount))
        return kUndefined;
    double slider = DocSliderValue(formula->doc);
    if (!program->isComplex) {
        Interval* frame = static_cast<Interval*>(GetEvalFrame());
        frame[SlotSlider] = Interval{slider, slider};
        for (const SlotRange& slot : slots)
            frame[slot.slot] = slot.range;
        return program->RunInterval(frame);
    }
    ComplexInterval* frame = static_cast<ComplexInterval*>(GetEvalFrame());
    frame[SlotSlider] = ComplexInterval{{slider, slider}, {0, 0}};
    for (const SlotRange& slot : slots)
        frame[slot.slot] = ComplexInterval{slot.range, {0, 0}};
    ComplexInterval result = program->RunComplexInterval(frame);
    return IsRealComplexInterval(result) ? result.re : kUndefined;
}

}  // namespace

Interval CompiledFormula::EvaluateOverInterval(double lo, double hi)
{
    return EvaluateOverSlots(this, {{SlotU, {lo, hi}}});
}

Interval CompiledFormula::EvaluateOverBoxXY(double x0, double x1, double y0, double y1)
{
    return EvaluateOverSlots(this, {{SlotX, {x0, x1}}, {SlotY, {y0, y1}}, {SlotZ, {0, 0}}});
}

Interval CompiledFormula::EvaluateOverBoxXYZ(double x0, double x1, double y0, double y1, double z0, double z1)
{
    return EvaluateOverSlots(this, {{SlotX, {x0, x1}}, {SlotY, {y0, y1}}, {SlotZ, {z0, z1}}});
}

namespace {

void SetStopFlags(CompiledFormula* const* formulas, int32_t n, uint8_t value)
{
    for (int32_t i = 0; i < n; ++i) {
        if (formulas[i])
            formulas[i]->SetStopFlag(value);
    }
}

void StopOrResume(FormulaColour* colour, CompiledFormula* const* formulas, int32_t n, uint8_t stop)
{
    if (colour) {
        if (stop)
            colour->StopFormulas();
        else
            colour->ResumeFormulas();
    }
    SetStopFlags(formulas, n, stop);
}

void Invalidate(FormulaColour* colour, CompiledFormula* const* formulas, int32_t n)
{
    if (colour)
        colour->InvalidateFormulaConstants();
    for (int32_t i = 0; i < n; ++i) {
        if (!formulas[i])
            continue;
        formulas[i]->pointContext.constantsReady.store(0, std::memory_order_release);
        formulas[i]->gridContext.constantsReady.store(0, std::memory_order_release);
    }
}

}  // namespace

void StopFormulas(FormulaColour* colour, CompiledFormula* f1, CompiledFormula* f2, CompiledFormula* f3,
                  CompiledFormula* f4, CompiledFormula* f5)
{
    CompiledFormula* const formulas[] = {f1, f2, f3, f4, f5};
    StopOrResume(colour, formulas, 5, 1);
}

void StopFormulas9(FormulaColour* colour, CompiledFormula* const (&formulas)[9])
{
    StopOrResume(colour, formulas, 9, 1);
}

void StopFormulas13(FormulaColour* colour, CompiledFormula* const (&formulas)[13])
{
    StopOrResume(colour, formulas, 13, 1);
}

void ResumeFormulas(FormulaColour* colour, CompiledFormula* f1, CompiledFormula* f2, CompiledFormula* f3,
                    CompiledFormula* f4, CompiledFormula* f5)
{
    CompiledFormula* const formulas[] = {f1, f2, f3, f4, f5};
    StopOrResume(colour, formulas, 5, 0);
}

void ResumeFormulas9(FormulaColour* colour, CompiledFormula* const (&formulas)[9])
{
    StopOrResume(colour, formulas, 9, 0);
}

void ResumeFormulas13(FormulaColour* colour, CompiledFormula* const (&formulas)[13])
{
    StopOrResume(colour, formulas, 13, 0);
}

void InvalidateConstants(FormulaColour* colour, CompiledFormula* f1, CompiledFormula* f2, CompiledFormula* f3,
                         CompiledFormula* f4, CompiledFormula* f5)
{
    CompiledFormula* const formulas[] = {f1, f2, f3, f4, f5};
    Invalidate(colour, formulas, 5);
}

void InvalidateConstants13(FormulaColour* colour, CompiledFormula* const (&formulas)[13])
{
    Invalidate(colour, formulas, 13);
}

void StopFormulaList(FormulaColour* colour, CompiledFormula* const* formulas, int32_t n)
{
    StopOrResume(colour, formulas, n, 1);
}

void ResumeFormulaList(FormulaColour* colour, CompiledFormula* const* formulas, int32_t n)
{
    StopOrResume(colour, formulas, n, 0);
}

void InvalidateFormulaList(FormulaColour* colour, CompiledFormula* const* formulas, int32_t n)
{
    Invalidate(colour, formulas, n);
}
