#include "formula/DependsOnlyOn.h"

#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeConstness.h"
#include "formula/TreeWalk.h"

namespace {

constexpr uint32_t kDependencyFlags = kAllowPartialOperator | kAllowBoundIndex | kAllowParameters;

}  // namespace

bool DependsOnlyOn(const FormulaNode* tree, const DocState* doc, uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    for (PreorderWalk walk(const_cast<FormulaNode*>(tree)); walk.Node(); walk.Next()) {
        const FormulaNode* node = walk.Node();
        if (node->kind == KindVariable) {
            uint32_t code = node->payload.code;
            if (code == a || code == b || code == c || code == d || !IsBuiltInVariable(code) ||
                HasParentKind(node, KindSubscript))
                continue;
        }
        if (!IsConstantNode(node, doc, kDependencyFlags, tree))
            return false;
    }
    return true;
}
