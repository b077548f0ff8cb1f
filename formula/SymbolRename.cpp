#include "formula/SymbolRename.h"

#include "formula/EquationFormPredicates.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/SymbolCodes.h"
#include "formula/TreeQuery.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeWalk.h"

namespace {

struct PrimedPair {
    uint32_t plain;
    uint32_t primed;
};

constexpr PrimedPair kPrimedPairs[] = {
    {CodePhi, CodePhiPrimed}, {CodeTheta, CodeThetaPrimed}, {CodeX, CodeXPrimed},
    {CodeY, CodeYPrimed},     {CodeZ, CodeZPrimed},         {CodeR, CodeRPrimed},
};

}  // namespace

void RenameSymbol(FormulaNode* root, uint32_t from, uint32_t to)
{
    for (PreorderWalk walk(root); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        if (IsVariable(node, from) && !IsSubscriptBase(node))
            node->payload.code = to;
    }
}

uint32_t SwapPrimedCode(uint32_t code)
{
    for (const PrimedPair& pair : kPrimedPairs) {
        if (code == pair.plain)
            return pair.primed;
        if (code == pair.primed)
            return pair.plain;
    }
    return code;
}

void FoldPrimedVariables(FormulaNode* root)
{
    for (PostorderWalk walk(root); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        if (node->kind != KindPrime || node->childCount == 0 || node->children[0]->kind != KindVariable)
            continue;
        uint32_t code = node->children[0]->payload.code;
        uint32_t primed = SwapPrimedCode(code);
        if (primed == code)
            continue;
        CollapseToFirstChild(node);
        node->payload.code = primed;
    }
}

void SwapPrimedSymbols(FormulaNode* root)
{
    for (PostorderWalk walk(root); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        if (node->kind == KindVariable && !IsColorRedComponent(node))
            node->payload.code = SwapPrimedCode(node->payload.code);
    }
}
