#include "evaluation/UserFunction.h"

#include "evaluation/BytecodeProgram.h"
#include "evaluation/ParameterValue.h"
#include "evaluation/PrepareTreeForCompiling.h"
#include "formula/CopyTree.h"
#include "formula/DependsOnlyOn.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeEquality.h"
#include "formula/TreeWalk.h"

#include <new>

namespace {

const FormulaNode* HeadOf(const FormulaNode* definition)
{
    if (!definition || definition->kind != KindEquation || definition->childCount != 2)
        return nullptr;
    const FormulaNode* head = definition->children[0];
    return head->childCount == 2 ? head : nullptr;
}

// The position of the parameter whose code the bound variable carries, or
// -1. One pass over the body with this lookup renumbers every parameter
// without mistaking a position already written for another code.
int32_t ParameterPosition(const FormulaNode* parameters, uint32_t code)
{
    if (parameters->kind != KindComma)
        return parameters->payload.code == code ? 0 : -1;
    for (uint32_t i = 0; i < parameters->childCount; ++i) {
        if (parameters->children[i]->payload.code == code)
            return static_cast<int32_t>(i);
    }
    return -1;
}

}  // namespace

UserFunction::UserFunction(FormulaNode* definition, DocState* doc) : definition(definition), doc(doc) {}

UserFunction::~UserFunction()
{
    FreeTree(definition);
    delete program;
}

bool UserFunction::MatchesHead(const FormulaNode* name) const
{
    if (!definition || definition->childCount < 1)
        return false;
    const FormulaNode* head = definition->children[0];
    return head->childCount > 0 && TreesEqual(head->children[0], name);
}

int32_t UserFunction::ParameterCount() const
{
    const FormulaNode* head = HeadOf(definition);
    if (!head)
        return 0;
    const FormulaNode* parameters = head->children[1];
    return parameters->kind == KindComma ? parameters->childCount : 1;
}

void UserFunction::Compile()
{
    if (compiled)
        return;
    compiled = true;
    int32_t parameterCount = ParameterCount();
    if (parameterCount == 0 || parameterCount > kCallFrameFixedSlots)
        return;
    FormulaNode* body = definition->children[1];
    if (!DependsOnlyOn(body, doc, kNoVariable))
        return;
    PrepareTreeForCompiling(definition, doc);
    body = definition->children[1];
    const FormulaNode* parameters = definition->children[0]->children[1];
    for (PreorderWalk walk(body); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        if (node->kind != KindBoundVariable)
            continue;
        int32_t position = ParameterPosition(parameters, node->payload.code);
        if (position >= 0)
            node->payload.code = static_cast<uint32_t>(position);
    }
    // With branch labels, so that a recursion stops where its branch does.
    program = new (std::nothrow) BytecodeProgram(body, nullptr, true, false, doc);
    if (program)
        FinishProgram(program);
}

const BytecodeProgram* UserFunctionCallee(const DocState* doc, int32_t index, int32_t argumentCount)
{
    const UserFunction* function = index < 0 ? nullptr : DocUserFunction(doc, index);
    if (!function || !function->program || function->ParameterCount() != argumentCount)
        return nullptr;
    return function->program;
}
