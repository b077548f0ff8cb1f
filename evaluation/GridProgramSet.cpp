#include "evaluation/GridProgramSet.h"

#include "CoreUtilities/ThreadStorage.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileBatch.h"
#include "evaluation/CompiledFormula.h"
#include "formula/TreeConstness.h"

#include <new>

namespace {

void DeletePrograms(GrowArray<BytecodeProgram*>& programs)
{
    for (BytecodeProgram* program : programs)
        delete program;
    programs.Clear();
}

// Each one-axis subtree as a sub-program of its own: no context, no grid,
// run on the calling thread's frame when a grid is prepared. The subtrees
// stay the formulas'; the list is emptied.
void CompileParts(GrowArray<GridPart>& subtrees, GrowArray<BytecodeProgram*>& programs, DocState* doc)
{
    for (const GridPart& part : subtrees) {
        BeginCompileBatch();
        auto* program = new (std::nothrow) BytecodeProgram(part.subtree, nullptr, false, false, doc);
        RaiseEvalFrameSlots(static_cast<uint32_t>(FinishCompileBatch()));
        if (program)
            FinishProgram(program);
        // The index of an entry is its position: a refused push leaves the
        // later parts undefined rather than shifted.
        if (programs.Push(program) != 0) {
            delete program;
            break;
        }
    }
    subtrees.Clear();
}

}  // namespace

GridProgramSet::~GridProgramSet()
{
    DeletePrograms(xParts);
    DeletePrograms(yParts);
    DeletePrograms(zParts);
}

GridProgramSet* LinkGridFormulas(CompiledFormula* const* formulas, int32_t n)
{
    DocState* doc = nullptr;
    BeginGridCompileBatch();
    for (int32_t i = 0; i < n; ++i) {
        if (!formulas[i])
            continue;
        if (!doc)
            doc = formulas[i]->doc;
        formulas[i]->CompileGridProgram();
    }
    int32_t slotCount = FinishCompileBatch();
    GridPartLists subtrees = TakeGridParts();

    auto* set = new (std::nothrow) GridProgramSet;
    if (set) {
        set->slotCount = slotCount;
        set->doc = doc;
        CompileParts(subtrees.x, set->xParts, doc);
        CompileParts(subtrees.y, set->yParts, doc);
        CompileParts(subtrees.z, set->zParts, doc);
    }
    subtrees.x.Clear();
    subtrees.y.Clear();
    subtrees.z.Clear();

    bool rows = true;
    for (int32_t i = 0; i < n; ++i)
        rows = rows && (!formulas[i] || formulas[i]->treeAllowsRows);
    for (int32_t i = 0; i < n; ++i) {
        if (formulas[i])
            formulas[i]->canEvaluateRows = rows ? 1 : 0;
    }
    if (set)
        set->canEvaluateRows = rows ? 1 : 0;

    for (int32_t i = 0; i < n; ++i) {
        CompiledFormula* f = formulas[i];
        if (!f || !f->gridProgram)
            continue;
        FinishProgram(f->gridProgram);
        // Every program of the batch may touch every local of it (the
        // batch stores reused subtrees into earlier programs), so each
        // needs the whole batch's slots.
        f->gridProgram->localCount = slotCount - kLocalBase;
        if (set) {
            if (!set->stopRequest)
                set->stopRequest = &f->gridProgram->stopRequested;
            if (UsesComplexNumbers(f->tree, f->doc))
                set->isComplex = 1;
        }
    }
    RaiseEvalFrameSlots(static_cast<uint32_t>(slotCount));
    if (!set)
        return nullptr;
    set->xPartCount = set->xParts.count;
    set->yPartCount = set->yParts.count;
    set->zPartCount = set->zParts.count;
    return set;
}

GridProgramSet* LinkGridFormula(CompiledFormula* f)
{
    return LinkGridFormulas(&f, 1);
}

GridProgramSet* LinkGridFormulas2(CompiledFormula* f1, CompiledFormula* f2)
{
    CompiledFormula* formulas[] = {f1, f2};
    return LinkGridFormulas(formulas, 2);
}

GridProgramSet* LinkGridFormulas3(CompiledFormula* f1, CompiledFormula* f2, CompiledFormula* f3)
{
    CompiledFormula* formulas[] = {f1, f2, f3};
    return LinkGridFormulas(formulas, 3);
}

GridProgramSet* LinkGridFormulas4(CompiledFormula* f1, CompiledFormula* f2, CompiledFormula* f3, CompiledFormula* f4)
{
    CompiledFormula* formulas[] = {f1, f2, f3, f4};
    return LinkGridFormulas(formulas, 4);
}

GridProgramSet* LinkGridFormulas9(CompiledFormula* const (&formulas)[9])
{
    return LinkGridFormulas(formulas, 9);
}

GridProgramSet* LinkGridFormulas12(CompiledFormula* const (&formulas)[12])
{
    return LinkGridFormulas(formulas, 12);
}
