#include "document/DefinitionsPass.h"

#include "CoreUtilities/MemoryBudget.h"
#include "document/DefinitionTests.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "formula/CopyTree.h"
#include "formula/Derivative.h"
#include "formula/DerivativePasses.h"
#include "formula/EditorState.h"
#include "formula/Definitions.h"
#include "formula/EquationFormPredicates.h"
#include "formula/FormulaNode.h"
#include "formula/FunctionDefinitions.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/RewriteRules.h"
#include "formula/TreeEquality.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeWalk.h"

#include <cmath>
#include <new>
#include <vector>

namespace {

constexpr int32_t kExtraSubstitutions = 100;

FormulaNode* RightSide(FormulaNode* definition)
{
    return definition->children[definition->childCount - 1];
}

// The definition's left side applies a name to arguments: the name, else null.
const FormulaNode* AppliedName(const FormulaNode* definition)
{
    const FormulaNode* left = definition->children[0];
    if (left->kind != KindApplication || left->childCount != 2)
        return nullptr;
    return left->children[0];
}

// Copies of the formula's definitions: the formula, or each definition item
// of a definition list.
void CollectDefinitionTrees(const FormulaNode* formula, TreeList* list)
{
    if (!formula || !IsDefinitionLine(formula))
        return;
    if (formula->kind != KindComma) {
        if (FormulaNode* copy = CopyTree(formula))
            list->Push(copy);
        return;
    }
    for (uint32_t i = 0; i < formula->childCount; ++i) {
        if (!IsDefinitionEquation(formula->children[i]))
            continue;
        if (FormulaNode* copy = CopyTree(formula->children[i]))
            list->Push(copy);
    }
}

// Some application in the tree names a function the document defines.
bool AppliesDefinedFunction(const FormulaNode* tree, const DocState* doc)
{
    for (PreorderWalk walk(const_cast<FormulaNode*>(tree)); walk.Node(); walk.Next()) {
        const FormulaNode* node = walk.Node();
        if (node->kind != KindApplication || node->childCount != 2)
            continue;
        if (doc->HasUserFunction(node->children[0]))
            return true;
        for (const FormulaNode* definition : doc->Definitions) {
            const FormulaNode* name = AppliedName(definition);
            if (name && TreesEqual(name, node->children[0]))
                return true;
        }
    }
    return false;
}

bool HasDerivativeOfFunction(const FormulaNode* tree, const DocState* doc)
{
    return HasDerivativeApplication(tree) && AppliesDefinedFunction(tree, doc);
}

// if(condition, value) for the case arguments of a function of parameters:
// parameter = argument for each argument that is not a bound variable,
// joined by And; the value has the case's bound variables renamed to the
// parameters'. Null when memory runs out.
FormulaNode* MakeCasePiece(const FormulaNode* parameters, const FormulaNode* arguments, const FormulaNode* value)
{
    FormulaNode* condition = nullptr;
    bool list = arguments->kind == KindComma;
    uint32_t count = list ? arguments->childCount : 1;
    for (uint32_t i = 0; i < count; ++i) {
        const FormulaNode* argument = list ? arguments->children[i] : arguments;
        const FormulaNode* parameter = list ? parameters->children[i] : parameters;
        if (argument->kind == KindBoundVariable)
            continue;
        FormulaNode* equation = MakeBinaryNode(KindEquation, CopyTree(parameter), CopyTree(argument));
        condition = AndConditions(equation, condition);
    }
    FormulaNode* body = CopyTree(value);
    if (!condition || !body) {
        FreeTree(condition);
        FreeTree(body);
        return nullptr;
    }
    FormulaNode* piece = MakeIfNode(condition, body);
    if (piece)
        RemapBoundVariables(piece, parameters, arguments);
    return piece;
}

// The case (a definition applying the head's name to arguments of the same
// shape, not all bound variables) goes first in the body.
void MergeCase(FormulaNode* function, const FormulaNode* special)
{
    const FormulaNode* head = function->children[0];
    const FormulaNode* name = AppliedName(special);
    if (!name || function == special || !TreesEqual(name, head->children[0]))
        return;
    const FormulaNode* parameters = head->children[1];
    const FormulaNode* arguments = special->children[0]->children[1];
    if (!ListShapesMatch(parameters, arguments) || IsBoundVariableList(arguments))
        return;
    if (FormulaNode* piece = MakeCasePiece(parameters, arguments, RightSide(const_cast<FormulaNode*>(special))))
        PrependBranchPiece(piece, RightSide(function));
}

}  // namespace

void FreeTreeList(TreeList* list)
{
    for (FormulaNode* tree : *list)
        FreeTree(tree);
    list->Clear();
}

void SubstituteDefinitions(int32_t skip, const TreeList& definitions, FormulaNode* tree)
{
    const int32_t limit = definitions.count + kExtraSubstitutions;
    for (int32_t pass = 0; pass < limit; ++pass) {
        int32_t made = 0;
        PreorderWalk walk(tree);
        while (FormulaNode* node = walk.Node()) {
            bool applied = false;
            if (!IsColorStatement(node)) {
                for (int32_t j = 0; j < definitions.count && !applied; ++j)
                    applied = j != skip && ApplyEquationAsRule(node, definitions[j]);
            }
            if (!applied) {
                walk.Next();
                continue;
            }
            if (++made >= limit)
                break;
            walk.SkipSubtree();
        }
        if (made == 0)
            return;
    }
}

void SubstituteDefinitionsInSets(const TreeList& definitions, FormulaNode* statement)
{
    if (statement->kind != KindComma)
        return;
    for (uint32_t i = 1; i < statement->childCount; ++i) {
        FormulaNode* item = statement->children[i];
        if ((item->kind != KindEquation && item->kind != KindIn) || item->childCount != 2)
            continue;
        FormulaNode* set = item->children[1];
        if (IsVariableOrIndexed(item->children[0]) && set->kind == KindSet) {
            for (uint32_t k = 0; k < set->childCount; ++k)
                SubstituteDefinitions(-1, definitions, set->children[k]);
        }
    }
}

void DocState::FreeDefinitions()
{
    ParameterLines.Clear();
    FreeTreeList(&Definitions);
    UserFunctions.DeleteCompiledFormulas();
}

void DocState::CollectDefinitions()
{
    FreeDefinitions();
    if (AbortFlag)
        return;
    CollectParameterLines();

    const DocumentHooks& hooks = GetDocumentHooks();
    for (const DocLine& line : Lines) {
        if (line.kind == DocLineEquation && line.formula && line.formula->root) {
            const FormulaNode* root = line.formula->root;
            if (!IsParameterDefinition(root) && !IsSliderDefinition(root, this))
                CollectDefinitionTrees(root, &Definitions);
        } else if (line.kind == DocLineTable && line.table && hooks.tableColumnCount && hooks.tableHeaderFormula) {
            int32_t columns = hooks.tableColumnCount(line.table);
            for (int32_t column = 0; column < columns; ++column) {
                EditorState* header = hooks.tableHeaderFormula(line.table, column);
                if (header && header->root)
                    CollectDefinitionTrees(header->root, &Definitions);
            }
        }
    }

    for (FormulaNode* definition : Definitions)
        BindFunctionParameters(definition);

    // Which definitions each right side uses, then closed over the uses of
    // those: a definition in its own list is circular.
    const int32_t n = Definitions.count;
    std::vector<std::vector<int32_t>> uses(n);
    std::vector<std::vector<char>> member(n, std::vector<char>(n, 0));
    for (int32_t i = 0; i < n; ++i) {
        for (int32_t j = 0; j < n; ++j) {
            if (ContainsSubtreeEqualTo(RightSide(Definitions[i]), Definitions[j])) {
                uses[i].push_back(j);
                member[i][j] = 1;
            }
        }
    }
    FreeSubstitutionTable();
    for (int32_t i = 0; i < n; ++i) {
        std::vector<char> expanded(n, 0);
        for (size_t k = 0; k < uses[i].size(); ++k) {
            int32_t j = uses[i][k];
            if (expanded[j])
                continue;
            expanded[j] = 1;
            // By index: the list may grow while it is read.
            for (size_t m = 0; m < uses[j].size(); ++m) {
                int32_t used = uses[j][m];
                if (!member[i][used]) {
                    member[i][used] = 1;
                    uses[i].push_back(used);
                }
            }
        }
    }

    for (int32_t i = n - 1; i >= 0; --i) {
        if (!member[i][i])
            continue;
        FormulaNode* definition = Definitions[i];
        const FormulaNode* left = definition->children[0];
        if (IsVariableOrIndexed(left)) {
            FormulaNode* undefined = MakeBinaryNode(KindEquation, CopyTree(left), MakeNumberNode(NAN));
            if (!undefined)
                continue;
            Definitions.RemoveAt(i);
            FreeTree(definition);
            Definitions.Push(undefined);
        } else if (IsUserFunctionHead(definition) && !HasDerivativeOfFunction(definition, this)) {
            auto* function = new (std::nothrow) UserFunction(definition, this);
            if (!function || UserFunctions.Push(function)) {
                if (function)
                    function->definition = nullptr;
                delete function;
                continue;
            }
            Definitions.RemoveAt(i);
        }
    }

    for (UserFunction* function : UserFunctions) {
        for (const FormulaNode* special : Definitions)
            MergeCase(function->definition, special);
    }
    for (int32_t k = 0; k < Definitions.count; ++k) {
        if (!IsUserFunctionHead(Definitions[k]))
            continue;
        for (int32_t j = 0; j < Definitions.count; ++j)
            MergeCase(Definitions[k], Definitions[j]);
    }

    for (int32_t i = 0; i < Definitions.count; ++i) {
        FormulaNode* right = RightSide(Definitions[i]);
        if (!HasDerivativeOfFunction(right, this))
            continue;
        FormulaNode* copy = CopyTree(right);
        if (!copy)
            continue;
        SubstituteDefinitions(i, Definitions, copy);
        KeepUnknownDerivatives = 1;
        EvaluateDerivatives(copy);
        KeepUnknownDerivatives = 0;
        ReplaceNode(copy, right);
    }

    for (UserFunction* function : UserFunctions)
        SubstituteDefinitions(-1, Definitions, RightSide(function->definition));
}

int32_t DocState::FindUserFunction(const FormulaNode* name) const
{
    for (int32_t i = 0; i < UserFunctions.count; ++i) {
        if (UserFunctions[i]->MatchesHead(name))
            return i;
    }
    return -1;
}

const BytecodeProgram* DocState::GetUserFunction(int32_t index) const
{
    return index >= 0 && index < UserFunctions.count ? UserFunctions[index]->program : nullptr;
}

void DocState::CompileUserFunctions()
{
    for (UserFunction* function : UserFunctions)
        function->Compile();
}
