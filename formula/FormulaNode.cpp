#include "formula/FormulaNode.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "formula/NodeKindTable.h"
#include "formula/NodePoolSet.h"

#include <cassert>
#include <cstdlib>
#include <cstring>

namespace {

BlockPool& Pool(int index)
{
    NodePoolSet* set = CurrentNodePoolSet();
    assert(set && "the formula engine is not started on this thread group");
    return (*set)[index];
}

// Pools 2-4 hold arrays of one to three children.
int ChildPoolFor(uint32_t count)
{
    return kOneChildPool + static_cast<int>(count) - 1;
}

}  // namespace

void NodeMemoryFailure()
{
    AbortFlag = 1;
    FlushNodePools();
    PostFailure(FailureOutOfMemory);
}

FormulaNode* AllocZeroedNode()
{
    void* block = Pool(kNodeBlockPool).Allocate();
    if (!block) {
        NodeMemoryFailure();
        return nullptr;
    }
    std::memset(block, 0, sizeof(FormulaNode));
    return static_cast<FormulaNode*>(block);
}

FormulaNode** AllocChildArray(uint32_t count)
{
    if (count == 0 || count > kMaxChildCount)
        return nullptr;
    if (count <= 3)
        return static_cast<FormulaNode**>(Pool(ChildPoolFor(count)).Allocate());
    if (ShouldAbortComputation())
        return nullptr;
    return static_cast<FormulaNode**>(std::malloc(count * sizeof(FormulaNode*)));
}

FormulaNode** NewChildArray(uint32_t count)
{
    FormulaNode** array = AllocChildArray(count);
    // Only large arrays may fall back on the plain heap: a small one must go
    // back to the pool it came from, and a heap block there would corrupt it.
    if (!array && count > 3 && count <= kMaxChildCount)
        array = static_cast<FormulaNode**>(std::malloc(count * sizeof(FormulaNode*)));
    if (!array)
        NodeMemoryFailure();
    return array;
}

void FreeChildStorage(FormulaNode* node)
{
    if (!node)
        return;
    if (node->childCount == 0) {
        if (node->kind == KindText) {
            std::free(node->children);
            node->children = nullptr;
        } else if (node->kind == KindNumber && node->payload.number) {
            Pool(kNumberPayloadPool).DeferFree(node->payload.number);
            node->payload.number = nullptr;
        }
        return;
    }
    if (!node->children)
        return;
    if (node->childCount <= 3)
        Pool(ChildPoolFor(node->childCount)).DeferFree(node->children);
    else
        std::free(node->children);
}

void FreeNodeBlocks(FormulaNode* node)
{
    if (!node)
        return;
    if (node->layoutBox)
        Pool(kLayoutBoxPool).DeferFree(node->layoutBox);
    Pool(kNodeBlockPool).DeferFree(node);
}

void FreeNode(FormulaNode* node)
{
    FreeChildStorage(node);
    FreeNodeBlocks(node);
}

bool ResizeChildArray(FormulaNode* node, uint32_t count)
{
    if (count > kMaxChildCount)
        return false;
    if (count == 0) {
        // A number that shrinks to no children has handed its payload to
        // another node (content moves); it is not this node's to free.
        if (node->kind == KindNumber)
            node->payload.number = nullptr;
        FreeChildStorage(node);
        node->children = nullptr;
        node->childCount = 0;
        return true;
    }
    FormulaNode** array = NewChildArray(count);
    if (!array)
        return false;
    uint32_t kept = node->childCount < count ? node->childCount : count;
    if (kept && node->children)
        std::memcpy(array, node->children, kept * sizeof(FormulaNode*));
    FreeChildStorage(node);
    node->children = array;
    node->childCount = static_cast<uint16_t>(count);
    return true;
}

void FormulaNode::EnsureLayoutBox()
{
    if (layoutBox)
        return;
    void* block = Pool(kLayoutBoxPool).Allocate();
    if (!block) {
        NodeMemoryFailure();
        return;
    }
    std::memset(block, 0, sizeof(LayoutBox));
    layoutBox = static_cast<LayoutBox*>(block);
}

FormulaNode* MakeNode(int32_t kind, uint32_t count)
{
    if (count > kMaxChildCount)
        return nullptr;
    FormulaNode* node = AllocZeroedNode();
    if (!node)
        return nullptr;
    if (count && !ResizeChildArray(node, count)) {
        FreeNodeBlocks(node);
        return nullptr;
    }
    // Null slots until the caller fills them, so that a build that stops
    // half way can be freed as it stands.
    for (uint32_t i = 0; i < count; ++i)
        node->children[i] = nullptr;
    node->kind = kind;
    return node;
}

FormulaNode* MakeNumberNode(double value)
{
    FormulaNode* node = MakeNode(KindNumber, 0);
    if (!node)
        return nullptr;
    auto* payload = static_cast<NumberPayload*>(Pool(kNumberPayloadPool).Allocate());
    if (!payload) {
        FreeNodeBlocks(node);
        NodeMemoryFailure();
        return nullptr;
    }
    std::memset(payload, 0, sizeof(NumberPayload));
    payload->value = value;
    node->payload.number = payload;
    return node;
}

FormulaNode* MakePlaceholderNode()
{
    return MakeNode(KindPlaceholder, 0);
}

FormulaNode* MakeVariableNode(uint32_t code)
{
    FormulaNode* node = MakeNode(KindVariable, 0);
    if (!node)
        return nullptr;
    node->payload.code = code;
    // Without a box the variable is still whole: the typesetter makes one
    // when it lays the formula out.
    node->EnsureLayoutBox();
    if (node->layoutBox)
        node->layoutBox->flags &= ~3u;
    return node;
}
