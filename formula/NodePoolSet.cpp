#include "formula/NodePoolSet.h"

#include "CoreUtilities/ThreadStorage.h"
#include "formula/FormulaNode.h"

#include <new>

namespace {

NodePoolSet* MainSet = nullptr;
NodePoolSet* DocumentTaskSet = nullptr;

NodePoolSet*& CurrentSlot()
{
    return IsDocumentTaskThread() ? DocumentTaskSet : MainSet;
}

}  // namespace

// Sizes follow the platform's records; child arrays hold 1-3 pointers.
NodePoolSet::NodePoolSet()
    : pools{BlockPool(sizeof(FormulaNode)), BlockPool(sizeof(LayoutBox)),
            BlockPool(sizeof(FormulaNode*)), BlockPool(2 * sizeof(FormulaNode*)),
            BlockPool(3 * sizeof(FormulaNode*)), BlockPool(sizeof(NumberPayload))}
{
}

bool CreateNodePoolSet()
{
    NodePoolSet*& slot = CurrentSlot();
    if (!slot)
        slot = new (std::nothrow) NodePoolSet();
    return slot != nullptr;
}

NodePoolSet* CurrentNodePoolSet()
{
    return CurrentSlot();
}

void FlushNodePools()
{
    NodePoolSet* set = CurrentSlot();
    if (!set)
        return;
    for (BlockPool& pool : set->pools)
        pool.Flush();
}

void DestroyNodePoolSet()
{
    NodePoolSet*& slot = CurrentSlot();
    if (!slot)
        return;
    for (BlockPool& pool : slot->pools)
        pool.Destroy();
    delete slot;
    slot = nullptr;
}
