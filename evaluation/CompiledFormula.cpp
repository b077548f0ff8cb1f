#include "evaluation/CompiledFormula.h"

#include "CoreUtilities/ThreadStorage.h"
#include "document/DocState.h"
#include "document/ParameterValue.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileBatch.h"
#include "evaluation/ConstantTable.h"
#include "evaluation/InterpreterBuild.h"
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

#include <cmath>
#include <initializer_list>
#include <new>

namespace {

constexpr uint32_t kCodeU = 'u';
constexpr uint32_t kCodeV = 'v';
constexpr uint32_t kCodeX = 'x';
constexpr uint32_t kCodeY = 'y';

bool ContainsAny(const FormulaNode* tree, std::initializer_list<uint32_t> codes)
{
    for (uint32_t code : codes) {
        if (ContainsSymbol(tree, code))
            return true;
    }
    return false;
}

bool ContainsKind(FormulaNode* tree, int32_t kind)
{
    for (PreorderWalk walk(tree); walk.Node(); walk.Next()) {
        if (walk.Node()->kind == kind)
            return true;
    }
    return false;
}

// A sum or product whose start or limit moves along a row or layer: the
// batch interpreters read loop bounds once for all points. In a 3D layer y
// (and v) varies from point to point as well, so it counts like x and u.
bool HasPointDependentLoopBounds(FormulaNode* tree)
{
    for (PreorderWalk walk(tree); walk.Node(); walk.Next()) {
        const FormulaNode* node = walk.Node();
        if ((node->kind != KindSigma && node->kind != KindCapitalPi) || node->childCount != 3)
            continue;
        // Operands: body, k = start, limit.
        for (int operand = 1; operand <= 2; ++operand) {
            if (ContainsAny(node->children[operand], {kCodeX, kCodeU, kCodeY, kCodeV}))
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
            ContainsAny(node->children[0], {kCodeX, kCodeU, kCodeY, kCodeV}))
            return true;
    }
    return false;
}

// The calling thread's frame as real cells, grown to the slots every
// program needs: a thread may run a formula compiled on another one.
double* RealFrame()
{
    if (!EnsureEvalFrame())
        return nullptr;
    return static_cast<double*>(GetEvalFrame());
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

void CompiledFormula::CompilePointProgram()
{
    delete pointProgram;
    pointProgram = nullptr;
    if (pointContext.table)
        pointContext.table->Clear();
    pointProgram = new (std::nothrow) BytecodeProgram(tree, &pointContext, false, false, doc);
    if (pointContext.table)
        pointContext.table->CompileAll();
    uint8_t complex = UsesComplexNumbers(tree, doc) ? 1 : 0;
    if (pointProgram)
        pointProgram->isComplex = complex;
    pointContext.isComplex = complex;
    // The table's entries may differ from the last compile (another tree,
    // or a batch that made the formula complex): its old values must not be
    // read as current.
    pointContext.constantsReady.store(0, std::memory_order_release);
}

namespace {

struct SlotValue {
    int32_t slot;
    double value;
};

// Every real point entry: the given slots and slot 2 (the slider value) on
// the calling thread's frame, then one run of the point program.
inline __attribute__((always_inline)) double EvaluateWithSlots(const CompiledFormula* formula,
                                                         std::initializer_list<SlotValue> slots)
{
    const BytecodeProgram* program = formula->pointProgram;
    double* frame = RealFrame();
    if (!program || !frame)
        return NAN;
    frame[2] = formula->doc ? formula->doc->GetSliderValue() : NAN;
    for (const SlotValue& slot : slots)
        frame[slot.slot] = slot.value;
    // Complex programs wait for the complex interpreter; until then their
    // real entries answer undefined.
    if (program->isComplex)
        return NAN;
    RunControl control{&program->stopRequested, false};
    return RunRealInBuild(program, frame, nullptr, control);
}

}  // namespace

double CompiledFormula::EvaluateAt(double u)
{
    return EvaluateWithSlots(this, {{0, u}});
}

double CompiledFormula::EvaluateAtXY(double x, double y)
{
    return EvaluateWithSlots(this, {{3, x}, {4, y}});
}

double CompiledFormula::EvaluateAtUVXYZW(double u, double v, double x, double y, double z, double w)
{
    return EvaluateWithSlots(this, {{0, u}, {1, v}, {3, x}, {4, y}, {5, z}, {6, w}});
}

double CompiledFormula::EvaluateAtRow(int32_t row, double x, double y, double z)
{
    return EvaluateWithSlots(this, {{3, x}, {4, y}, {5, z}, {11, static_cast<double>(row)}});
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
        ResolveLoopJumps(f->pointProgram);
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
