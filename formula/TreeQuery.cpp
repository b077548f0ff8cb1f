#include "formula/TreeQuery.h"

#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeWalk.h"

namespace {

// The first node of the subtree that passes the test, or null. The walks do
// not change the tree.
template <typename Test>
const FormulaNode* FindNode(const FormulaNode* root, Test test)
{
    for (PreorderWalk walk(const_cast<FormulaNode*>(root)); walk.Node(); walk.Next()) {
        if (test(walk.Node()))
            return walk.Node();
    }
    return nullptr;
}

}  // namespace

uint32_t CountNodes(const FormulaNode* root)
{
    uint32_t count = 0;
    FindNode(root, [&](const FormulaNode*) {
        ++count;
        return false;
    });
    return count;
}

bool ContainsSymbol(const FormulaNode* root, uint32_t code)
{
    return FindNode(root, [code](const FormulaNode* node) { return IsVariable(node, code); });
}

bool ContainsMatrix(const FormulaNode* root)
{
    return FindNode(root, [](const FormulaNode* node) { return node->kind == KindMatrix; });
}

bool ContainsKind(const FormulaNode* root, int32_t kind)
{
    return FindNode(root, [kind](const FormulaNode* node) { return node->kind == kind; });
}

bool IsOperandOf(const FormulaNode* node, int32_t parentKind, uint32_t position)
{
    const FormulaNode* parent = node->parent;
    return parent && parent->kind == parentKind && position < parent->childCount && parent->children[position] == node;
}

bool IsFractionExponent(const FormulaNode* node)
{
    if (node->kind != KindFraction)
        return false;
    const FormulaNode* exponent = HasParentKind(node, KindMinus) ? node->parent : node;
    return IsOperandOf(exponent, KindPower, 1) && !IsVariable(exponent->parent->children[0], 'e');
}

bool IsSubscriptBase(const FormulaNode* node)
{
    return IsOperandOf(node, KindSubscript, 0);
}

bool IsFOfXProduct(const FormulaNode* node)
{
    if (node->kind != KindProduct || node->childCount != 2)
        return false;
    const FormulaNode* argument = node->children[1];
    return IsVariable(node->children[0], 'f') && argument->kind == KindParentheses && argument->childCount == 1 &&
           IsVariable(argument->children[0], 'x');
}
