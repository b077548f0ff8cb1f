#include "formula/DerivativePasses.h"

#include "formula/ChildSlots.h"
#include "formula/CopyTree.h"
#include "formula/Derivative.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/Simplifier.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeWalk.h"

namespace {

bool IsDerivativeOperator(const FormulaNode* node)
{
    return node->kind == KindOpTotal || node->kind == KindOpPartial;
}

// An application of a derivative operator: the operator and the expression.
bool IsDerivativeApplication(const FormulaNode* node)
{
    return node->kind == KindApplication && node->childCount == 2 && IsDerivativeOperator(node->children[0]) &&
        node->children[0]->childCount > 0;
}

bool IsDerivativeNode(const FormulaNode* node)
{
    return (node->kind == KindPartialDerivative || node->kind == KindTotalDerivative) && node->childCount == 2;
}

// The order an operator asks for: its order folded to a whole number from 0
// to the limit; -1 for any other order.
int WholeOrder(const FormulaNode* order)
{
    FormulaNode* folded = CopyTree(order);
    SimplifyTree(folded);
    double n = IsWholeNumberNode(folded) ? NumberValue(folded) : -1;
    FreeTree(folded);
    return n >= 0 && n <= kMaxDerivativeOrder ? static_cast<int>(n) : -1;
}

// The application becomes its expression inside n derivative nodes.
void ToDerivativeNodes(FormulaNode* application)
{
    FormulaNode* op = application->children[0];
    int n = op->childCount == 1 ? 1 : WholeOrder(op->children[1]);
    if (n < 0)
        return;
    int32_t kind = op->kind == KindOpTotal ? KindTotalDerivative : KindPartialDerivative;
    const FormulaNode* variable = op->children[0];
    FormulaNode* expression = Unlink(application->children[1]);
    for (int k = 0; k < n; ++k)
        expression = MakeBinaryNode(kind, expression, CopyTree(variable));
    ReplaceNode(expression, application);
}

}  // namespace

void ApplicationsToDerivativeNodes(FormulaNode* root)
{
    for (PostorderWalk walk(root); walk.Node(); walk.Next()) {
        if (IsDerivativeApplication(walk.Node()))
            ToDerivativeNodes(walk.Node());
    }
}

void EvaluateDerivativeNodes(FormulaNode* root)
{
    for (PostorderWalk walk(root); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        if (!IsDerivativeNode(node))
            continue;
        Differentiate(node->children[0], node->kind, node->children[1]);
        CollapseToFirstChild(node);
    }
}

void DerivativeNodesToApplications(FormulaNode* root)
{
    for (PostorderWalk walk(root); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        if (!IsDerivativeNode(node))
            continue;
        int32_t op = node->kind == KindTotalDerivative ? KindOpTotal : KindOpPartial;
        FormulaNode* variable = Unlink(node->children[1]);
        FormulaNode* expression = Unlink(node->children[0]);
        ReplaceNode(MakeBinaryNode(KindApplication, MakeUnaryNode(op, variable), expression), node);
    }
}

void EvaluateDerivatives(FormulaNode* root)
{
    StripParentheses(root);
    ApplicationsToDerivativeNodes(root);
    EvaluateDerivativeNodes(root);
    DerivativeNodesToApplications(root);
}

bool HasDerivativeApplication(const FormulaNode* root)
{
    for (PreorderWalk walk(const_cast<FormulaNode*>(root)); walk.Node(); walk.Next()) {
        const FormulaNode* node = walk.Node();
        if (IsDerivativeApplication(node) && node->children[0]->childCount == 1)
            return true;
    }
    return false;
}
