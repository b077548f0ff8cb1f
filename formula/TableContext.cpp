#include "formula/TableContext.h"

#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeWalk.h"

namespace {

bool NamesTableColumn(const FormulaNode* node, const DocState* doc)
{
    return node->kind == KindVariable && IsTableFunctionName(node->payload.code, doc);
}

}  // namespace

const FormulaNode* ArgumentThroughParentheses(const FormulaNode* node)
{
    if (node->childCount == 0)
        return nullptr;
    const FormulaNode* argument = node->children[0];
    if (argument->kind == KindParentheses && argument->childCount > 0)
        argument = argument->children[0];
    return argument;
}

bool UsesTableColumnPointwise(const FormulaNode* root, const DocState* doc)
{
    for (PreorderWalk walk(const_cast<FormulaNode*>(root)); walk.Node(); walk.Next()) {
        if (NamesTableColumn(walk.Node(), doc) && !IsInTableAggregateContext(doc, walk.Node(), root->parent))
            return true;
    }
    return false;
}

bool IsInTableAggregateContext(const DocState* doc, const FormulaNode* node, const FormulaNode* stop)
{
    for (; node && node != stop; node = node->parent) {
        if (IsAggregateKind(node->kind) || node->kind == KindColumnElement || node->kind == KindSubscript ||
            IsMinMaxOfTableData(node, doc) || IsInterpolateOfTable(node, doc))
            return true;
    }
    return false;
}

bool IsInterpolateOfTable(const FormulaNode* node, const DocState* doc)
{
    if (node->kind != KindInterpolate)
        return false;
    const FormulaNode* list = ArgumentThroughParentheses(node);
    if (!list || list->kind != KindComma || list->childCount < 2 || !NamesTableColumn(list->children[0], doc))
        return false;
    return list->childCount == 2 ||
           (list->childCount == 3 && IsFlaggedFirstColumn(list->children[0]->payload.code, doc));
}

bool IsMinMaxOfTableData(const FormulaNode* node, const DocState* doc)
{
    if (node->kind != KindMin && node->kind != KindMax)
        return false;
    const FormulaNode* first = ArgumentThroughParentheses(node);
    if (first && first->kind == KindComma && first->childCount > 0)
        first = first->children[0];
    if (!first)
        return false;
    // A plain search, not the pointwise test: that test asks this one of
    // every min and max above a column, and nested calls would recurse.
    for (PreorderWalk walk(const_cast<FormulaNode*>(first)); walk.Node(); walk.Next()) {
        if (NamesTableColumn(walk.Node(), doc))
            return true;
    }
    return false;
}
