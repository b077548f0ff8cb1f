#include "formula/Binders.h"

#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeQuery.h"
#include "formula/TreeWalk.h"

#include <algorithm>

namespace {

// Where a binder keeps its declaration (the index equation, or the variable
// of an integral) and its scope; -1 for other nodes.
struct BinderSlots {
    int declaration;
    int scope;
};

BinderSlots SlotsOf(const FormulaNode* node)
{
    constexpr BinderSlots kNone{-1, -1};
    switch (node->kind) {
    case KindSigma:
    case KindCapitalPi:
        return node->childCount == 3 ? BinderSlots{1, 0} : kNone;
    case KindSumLoop:
    case KindProductLoop:
        return node->childCount == 3 ? BinderSlots{0, 2} : kNone;
    case KindIntegral:
        return node->childCount == 2 || node->childCount == 4 ? BinderSlots{1, 0} : kNone;
    default:
        return kNone;
    }
}

}  // namespace

const FormulaNode* BinderVariable(const FormulaNode* node)
{
    BinderSlots slots = SlotsOf(node);
    if (slots.declaration < 0)
        return nullptr;
    const FormulaNode* declared = node->children[slots.declaration];
    if (node->kind == KindIntegral)
        return declared;
    return declared->kind == KindEquation && declared->childCount == 2 ? declared->children[0] : nullptr;
}

const FormulaNode* BinderScope(const FormulaNode* node)
{
    BinderSlots slots = SlotsOf(node);
    return slots.scope < 0 ? nullptr : node->children[slots.scope];
}

bool DeclaresCode(const FormulaNode* binder, uint32_t code)
{
    const FormulaNode* variable = BinderVariable(binder);
    return variable && IsVariable(variable, code);
}

bool DeclaresNameOf(const FormulaNode* binder, const FormulaNode* pattern)
{
    const FormulaNode* variable = BinderVariable(binder);
    return variable && variable->kind == KindVariable && ContainsSymbol(pattern, variable->payload.code);
}

const FormulaNode* BinderEntered(const FormulaNode* node)
{
    const FormulaNode* parent = node->parent;
    if (!parent)
        return nullptr;
    if (BinderScope(parent) == node || BinderVariable(parent) == node)
        return parent;
    // The index variable inside the index equation of its binder.
    const FormulaNode* binder = parent->parent;
    return binder && BinderVariable(binder) == node ? binder : nullptr;
}

const FormulaNode* ReboundBinder(const FormulaNode* node, const FormulaNode* pattern, const FormulaNode* root)
{
    for (const FormulaNode* at = node; at && at != root; at = at->parent) {
        const FormulaNode* binder = BinderEntered(at);
        // A binder above the root is not looked at.
        if (binder && DeclaresNameOf(binder, pattern) && (at->parent != root || binder == root))
            return binder;
    }
    return nullptr;
}

uint32_t FreeInternalIndexCode(const FormulaNode* root, uint32_t depth)
{
    const uint32_t first = InternalIndexCode(0);
    const uint32_t last = InternalIndexCode(127);
    for (PreorderWalk walk(const_cast<FormulaNode*>(root)); walk.Node(); walk.Next()) {
        const FormulaNode* index = BinderVariable(walk.Node());
        if (index && index->kind == KindVariable && index->payload.code >= first && index->payload.code <= last)
            depth = std::max(depth, index->payload.code - first + 1);
    }
    return InternalIndexCode(depth);
}
