#include "document/UserFunction.h"

#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/TreeEquality.h"

UserFunction::UserFunction(FormulaNode* definition, DocState* doc) : definition(definition), doc(doc) {}

UserFunction::~UserFunction()
{
    FreeTree(definition);
}

bool UserFunction::MatchesHead(const FormulaNode* name) const
{
    if (!definition || definition->childCount < 1)
        return false;
    const FormulaNode* head = definition->children[0];
    return head->childCount > 0 && TreesEqual(head->children[0], name);
}
