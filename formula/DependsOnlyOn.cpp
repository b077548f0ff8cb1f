#include "formula/DependsOnlyOn.h"

#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/SymbolCodes.h"
#include "formula/TreeConstness.h"
#include "formula/TreeWalk.h"

namespace {

constexpr uint32_t kDependencyFlags = kAllowPartialOperator | kAllowBoundIndex | kAllowParameters;

enum class Shape { Plain, Lists, Tuples };

bool IsStatementKind(int32_t kind)
{
    return IsBooleanKind(kind) || kind == KindComma || kind == KindMatrix || kind == KindEquation;
}

bool AcceptedByShape(const FormulaNode* node, Shape shape)
{
    switch (shape) {
    case Shape::Lists:
        return node->kind == KindComma || IsBooleanKind(node->kind);
    case Shape::Tuples:
        return node->kind == KindMatrix || node->kind == KindApplication;
    default:
        return false;
    }
}

bool DependsOnlyOnCodes(const FormulaNode* tree, const DocState* doc, Shape shape, const uint32_t (&codes)[4])
{
    uint32_t flags = kDependencyFlags | (shape == Shape::Lists ? uint32_t{kAllowBooleansToo} : 0u);
    for (PreorderWalk walk(const_cast<FormulaNode*>(tree)); walk.Node(); walk.Next()) {
        const FormulaNode* node = walk.Node();
        if (node->kind == KindVariable) {
            uint32_t code = node->payload.code;
            if (code == codes[0] || code == codes[1] || code == codes[2] || code == codes[3] ||
                !IsBuiltInVariable(code) || HasParentKind(node, KindSubscript))
                continue;
        }
        if (!AcceptedByShape(node, shape) && !IsConstantNode(node, doc, flags, tree))
            return false;
    }
    return true;
}

}  // namespace

bool DependsOnlyOn(const FormulaNode* tree, const DocState* doc, uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    return DependsOnlyOnCodes(tree, doc, Shape::Plain, {a, b, c, d});
}

bool DependsOnlyOnWithLists(const FormulaNode* tree, const DocState* doc, uint32_t a, uint32_t b, uint32_t c,
                            uint32_t d)
{
    return DependsOnlyOnCodes(tree, doc, Shape::Lists, {a, b, c, d});
}

bool TupleDependsOnlyOn(const FormulaNode* tree, const DocState* doc, uint32_t a, uint32_t b, uint32_t c)
{
    return DependsOnlyOnCodes(tree, doc, Shape::Tuples, {a, b, c, kNoVariable});
}

bool IsPlaneExpression(const FormulaNode* tree, const DocState* doc)
{
    return DependsOnlyOn(tree, doc, CodeX, CodeY, CodeR, CodeTheta);
}

bool IsPlaneExpressionWithLists(const FormulaNode* tree, const DocState* doc)
{
    return DependsOnlyOnWithLists(tree, doc, CodeX, CodeY, CodeR, CodeTheta);
}

bool AllNodesConstant(const FormulaNode* tree, const DocState* doc, uint32_t extra)
{
    for (PreorderWalk walk(const_cast<FormulaNode*>(tree)); walk.Node(); walk.Next()) {
        const FormulaNode* node = walk.Node();
        bool variable = node->kind == KindVariable;
        if (extra == kExtraStatements && (variable || IsStatementKind(node->kind)))
            continue;
        if ((extra == kExtraVariables || extra == kExtraVariablesAndLists) && variable)
            continue;
        if (extra == kExtraVariablesAndLists && (node->kind == KindComma || IsBooleanKind(node->kind)))
            continue;
        if (!IsConstantNode(node, doc, kDependencyFlags, tree))
            return false;
    }
    return true;
}
