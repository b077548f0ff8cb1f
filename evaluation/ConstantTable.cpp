#include "evaluation/ConstantTable.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "evaluation/BytecodeProgram.h"
#include "formula/FormulaEngine.h"
#include "formula/TreeEquality.h"

#include <new>

ConstantTable::~ConstantTable()
{
    Clear();
    values.Clear();
}

int32_t ConstantTable::Add(FormulaNode* subtree)
{
    for (int32_t i = 0; i < entries.count; ++i) {
        if (TreesEqual(entries[i].subtree, subtree))
            return i;
    }
    // The values kept from before a clear already cover the first indices.
    if (values.count <= entries.count && values.Push(UndefinedComplex) != 0)
        return -1;
    if (entries.Push({subtree, nullptr}) != 0)
        return -1;
    return entries.count - 1;
}

void ConstantTable::CompileAll()
{
    for (int32_t i = 0; i < entries.count; ++i) {
        ConstantEntry& entry = entries[i];
        if (entry.program)
            continue;
        entry.program = new (std::nothrow) BytecodeProgram(entry.subtree, nullptr, true, false, doc);
        if (!entry.program) {
            PostFailure(FailureOutOfMemory);
            continue;
        }
        FinishProgram(entry.program);
    }
}

void ConstantTable::Clear()
{
    for (int32_t i = 0; i < entries.count; ++i)
        delete entries[i].program;
    entries.Clear();
}
