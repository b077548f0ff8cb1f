#include "formula/VectorOperators.h"

#include "formula/ChildSlots.h"
#include "formula/CopyTree.h"
#include "formula/DerivativePasses.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeWalk.h"

namespace {

constexpr uint32_t kAxes[] = {'x', 'y', 'z'};

// The partial derivative of the expression by axis 0, 1 or 2 (x, y, z).
FormulaNode* Partial(FormulaNode* expression, int axis)
{
    return MakePartialDerivativeNode(expression, MakeVariableNode(kAxes[axis]));
}

FormulaNode* PartialOfCopy(const FormulaNode* expression, int axis)
{
    return Partial(CopyTree(expression), axis);
}

// The operand when it is a matrix of the given number of elements.
FormulaNode* VectorOperand(const FormulaNode* node, uint32_t elements)
{
    FormulaNode* operand = node->childCount == 1 ? node->children[0] : nullptr;
    return operand && operand->kind == KindMatrix && operand->childCount == elements ? operand : nullptr;
}

FormulaNode* Gradient(FormulaNode* node)
{
    FormulaNode* u = node->children[0];
    return MakeVector3(PartialOfCopy(u, 0), PartialOfCopy(u, 1), Partial(Unlink(u), 2));
}

FormulaNode* Divergence(FormulaNode* node)
{
    FormulaNode* field = VectorOperand(node, 3);
    if (field)
        return MakeTernaryNode(KindSum, Partial(Unlink(field->children[0]), 0),
            Partial(Unlink(field->children[1]), 1), Partial(Unlink(field->children[2]), 2));
    field = VectorOperand(node, 2);
    if (field)
        return MakeSum(Partial(Unlink(field->children[0]), 0), Partial(Unlink(field->children[1]), 1));
    return nullptr;
}

// dF_a/d(axis b) - dF_b/d(axis a) ... as one difference of copies.
FormulaNode* CurlTerm(const FormulaNode* field, int plusElement, int plusAxis, int minusElement, int minusAxis)
{
    return MakeDifference(PartialOfCopy(field->children[plusElement], plusAxis),
        PartialOfCopy(field->children[minusElement], minusAxis));
}

FormulaNode* Curl(FormulaNode* node)
{
    const FormulaNode* field = VectorOperand(node, 3);
    if (!field)
        return nullptr;
    return MakeVector3(CurlTerm(field, 2, 1, 1, 2), CurlTerm(field, 0, 2, 2, 0), CurlTerm(field, 1, 0, 0, 1));
}

}  // namespace

void ExpandVectorOperator(FormulaNode* node)
{
    FormulaNode* expanded = nullptr;
    switch (node->kind) {
    case KindGrad:
        expanded = node->childCount == 1 ? Gradient(node) : nullptr;
        break;
    case KindDiv:
        expanded = Divergence(node);
        break;
    case KindCurl:
        expanded = Curl(node);
        break;
    default:
        break;
    }
    if (expanded)
        ReplaceNode(expanded, node);
}

void ExpandVectorOperators(FormulaNode* root)
{
    for (PostorderWalk walk(root); walk.Node(); walk.Next())
        ExpandVectorOperator(walk.Node());
    DerivativeNodesToApplications(root);
}

void ExpandVectorOperatorsInSelection()
{
    EditorState* state = GetCurrentEditorState();
    if (!state || !state->current)
        return;
    ExpandVectorOperator(state->current);
    DerivativeNodesToApplications(state->current);
}
