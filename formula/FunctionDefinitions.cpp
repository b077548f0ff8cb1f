#include "formula/FunctionDefinitions.h"

#include "formula/Binders.h"
#include "formula/CopyTree.h"
#include "formula/Definitions.h"
#include "formula/EquationFormPredicates.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/RewriteRules.h"
#include "formula/Simplifier.h"
#include "formula/TreeQuery.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeWalk.h"

namespace {

// An application (function, argument) whose function is a variable or an
// indexed variable.
bool IsNamedApplication(const FormulaNode* node)
{
    return node->kind == KindApplication && node->childCount == 2 && IsVariableOrIndexed(node->children[0]);
}

// x_k of the parameters: its uses in the body and itself become the bound
// variable of its key.
void BindNumberedParameter(FormulaNode* parameter, FormulaNode* body)
{
    uint32_t key = NumberedVariableKey(parameter);
    FormulaNode* rule = MakeBinaryNode(KindEquation, CopyTree(parameter), MakeBoundVariableNode(key));
    SubstituteEquation(body, rule);
    FreeTree(rule);
    if (FormulaNode* bound = MakeBoundVariableNode(key))
        ReplaceNode(bound, parameter);
}

}  // namespace

void SubstituteEquation(FormulaNode* root, const FormulaNode* equation)
{
    if (equation->childCount == 0)
        return;
    PreorderWalk walk(root);
    while (FormulaNode* node = walk.Node()) {
        const FormulaNode* binder = node != root ? BinderEntered(node) : nullptr;
        if (binder && DeclaresNameOf(binder, equation->children[0]))
            walk.SkipSubtree();
        else if (!IsColorStatement(node) && ApplyEquationAsRule(node, equation))
            walk.SkipSubtree();
        else
            walk.Next();
    }
}

bool ContainsSubtreeEqualTo(FormulaNode* root, const FormulaNode* equation)
{
    if (equation->childCount == 0)
        return false;
    for (PreorderWalk walk(root); walk.Node(); walk.Next()) {
        FreeSubstitutionTable();
        if (!IsColorStatement(walk.Node()) && MatchPattern(walk.Node(), equation->children[0]))
            return true;
    }
    return false;
}

void BindFunctionParameters(FormulaNode* equation)
{
    if (equation->kind != KindEquation || equation->childCount != 2 || !IsNamedApplication(equation->children[0]))
        return;
    FormulaNode* body = equation->children[1];
    FormulaNode* parameters = equation->children[0]->children[1];
    for (PostorderWalk walk(parameters); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        if (node->kind == KindVariable && CanBeFunctionParameter(node->payload.code) &&
            !(node->parent && IsNumberedVariable(node->parent))) {
            node->kind = KindBoundVariable;
            MarkBoundSymbol(node->payload.code, body);
        } else if (IsNumberedVariable(node)) {
            BindNumberedParameter(node, body);
        }
    }
}

void MarkBoundSymbol(uint32_t code, FormulaNode* root)
{
    PreorderWalk walk(root);
    while (FormulaNode* node = walk.Node()) {
        // A summation of the body over the same name keeps its own index.
        const FormulaNode* binder = node != root ? BinderEntered(node) : nullptr;
        if (binder && DeclaresCode(binder, code)) {
            walk.SkipSubtree();
            continue;
        }
        if (IsVariable(node, code) && !IsSubscriptBase(node))
            node->kind = KindBoundVariable;
        walk.Next();
    }
}

bool IsBoundVariableList(const FormulaNode* node)
{
    if (node->kind == KindBoundVariable)
        return true;
    if (node->kind != KindComma)
        return false;
    for (uint32_t i = 0; i < node->childCount; ++i) {
        if (node->children[i]->kind != KindBoundVariable)
            return false;
    }
    return true;
}

bool IsUserFunctionHead(const FormulaNode* equation)
{
    return equation->childCount > 0 && IsNamedApplication(equation->children[0]) &&
        IsBoundVariableList(equation->children[0]->children[1]);
}

FormulaNode* MakeIfNode(FormulaNode* condition, FormulaNode* value)
{
    return MakeBinaryNode(KindIf, value, condition);
}

void PrependBranchPiece(FormulaNode* piece, FormulaNode* node)
{
    PrependOperand(node, piece, KindBranch);
}

FormulaNode* AndConditions(FormulaNode* condition, FormulaNode* previous)
{
    if (!previous)
        return condition;
    AppendOperand(previous, condition, KindAnd);
    return previous;
}

bool ListShapesMatch(const FormulaNode* left, const FormulaNode* right)
{
    bool leftList = left->kind == KindComma;
    bool rightList = right->kind == KindComma;
    return leftList == rightList && (!leftList || left->childCount == right->childCount);
}

uint32_t BoundVariableCodeAt(uint32_t code, const FormulaNode* parameters, const FormulaNode* targets)
{
    if (parameters->kind != KindComma || targets->kind != KindComma)
        return code;
    for (uint32_t i = 0; i < parameters->childCount && i < targets->childCount; ++i) {
        const FormulaNode* parameter = parameters->children[i];
        const FormulaNode* target = targets->children[i];
        // Only a variable's payload is a code; a number's is its value's block.
        bool named = target->kind == KindVariable || target->kind == KindBoundVariable;
        if (parameter->kind == KindBoundVariable && parameter->payload.code == code)
            return named ? target->payload.code : code;
    }
    return code;
}

void RemapBoundVariables(FormulaNode* root, const FormulaNode* targets, const FormulaNode* parameters)
{
    for (PreorderWalk walk(root); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        if (node->kind == KindBoundVariable)
            node->payload.code = BoundVariableCodeAt(node->payload.code, parameters, targets);
    }
}

bool IsSummationIndex(const FormulaNode* variable)
{
    for (const FormulaNode* up = variable->parent; up; up = up->parent) {
        if (!IsSumOrProductOperatorKind(up->kind) || up->childCount != 3)
            continue;
        const FormulaNode* equation = up->children[1];
        if (equation->kind == KindEquation && equation->childCount == 2 &&
            IsVariable(equation->children[0], variable->payload.code))
            return true;
    }
    return false;
}
