#include "formula/CopyTree.h"

#include "CoreUtilities/WideString.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/NodePoolSet.h"
#include "formula/TreeWalk.h"

#include <cstring>

namespace {

// Its address marks unfilled slots; no node lives there.
const char FillMark = 0;

bool IsRealChild(const FormulaNode* child)
{
    return child && child != CopyFillPattern;
}

// Frees the tree in post-order. A node's payload is its own while it is
// being freed, so it serves as the cursor of the next child slot to look at
// and the walk needs neither recursion nor a search of the parent's array.
// Slots that hold no node (the fill pattern of a copy that stopped, or a
// null left where a subtree was taken out) are passed over.
void FreeSubtree(FormulaNode* root)
{
    if (!root)
        return;
    FormulaNode* node = root;
    if (node->childCount && node->children)
        node->payload.code = 0;
    for (;;) {
        FormulaNode* child = nullptr;
        if (node->childCount && node->children) {
            while (!child && node->payload.code < node->childCount) {
                FormulaNode* slot = node->children[node->payload.code++];
                if (IsRealChild(slot))
                    child = slot;
            }
        }
        if (child) {
            node = child;
            if (node->childCount && node->children)
                node->payload.code = 0;
            continue;
        }
        FormulaNode* parent = node == root ? nullptr : node->parent;
        FreeNode(node);
        if (!parent)
            return;
        node = parent;
    }
}

// Gives the copy the source's content without its children: kind, payload,
// count, and its own number payload, text or child array of fresh nodes.
bool CopyNodeContent(const FormulaNode* source, FormulaNode* copy)
{
    copy->kind = source->kind;
    copy->payload = source->payload;
    copy->childCount = source->childCount;
    if (source->kind == KindNumber && source->childCount == 0) {
        copy->payload.number = nullptr;
        auto* payload = static_cast<NumberPayload*>((*CurrentNodePoolSet())[kNumberPayloadPool].Allocate());
        if (!payload)
            return false;
        std::memcpy(payload, source->payload.number, sizeof(NumberPayload));
        copy->payload.number = payload;
        return true;
    }
    if (source->kind == KindText && source->childCount == 0) {
        if (!source->children)
            return true;
        char16_t* text = WideDuplicateN(source->Text(), WideLength(source->Text()));
        copy->children = reinterpret_cast<FormulaNode**>(text);
        return text != nullptr;
    }
    if (source->childCount == 0)
        return true;
    copy->children = AllocChildArray(source->childCount);
    if (!copy->children)
        return false;
    for (uint32_t i = 0; i < source->childCount; ++i)
        copy->children[i] = CopyFillPattern;
    for (uint32_t i = 0; i < source->childCount; ++i) {
        FormulaNode* child = AllocZeroedNode();
        if (!child)
            return false;
        child->parent = copy;
        copy->children[i] = child;
    }
    return true;
}

}  // namespace

FormulaNode* const CopyFillPattern = reinterpret_cast<FormulaNode*>(const_cast<char*>(&FillMark));

void FreeTree(FormulaNode* root)
{
    FreeSubtree(root);
}

void FreePartialCopy(FormulaNode* root)
{
    FreeSubtree(root);
}

FormulaNode* CopyTree(const FormulaNode* root)
{
    if (!root)
        return nullptr;
    FormulaNode* copyRoot = AllocZeroedNode();
    if (!copyRoot)
        return MakeNumberNode(UndefinedReal);
    // The walk does not change the source tree.
    for (PreorderWalk walk(const_cast<FormulaNode*>(root), copyRoot); walk.Node(); walk.Next()) {
        if (!CopyNodeContent(walk.Node(), walk.Shadow())) {
            FreePartialCopy(copyRoot);
            // Taken before the flush, from the blocks just freed.
            FormulaNode* undefined = MakeNumberNode(UndefinedReal);
            NodeMemoryFailure();
            return undefined;
        }
    }
    return copyRoot;
}

FormulaNode* CopyTreeForEdit(const FormulaNode* root)
{
    return CopyTree(root);
}
