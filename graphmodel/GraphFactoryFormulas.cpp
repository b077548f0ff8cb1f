#include "graphmodel/GraphFactoryFormulas.h"

#include "document/DocState.h"
#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/EquationFormPredicates.h"
#include "formula/FormulaNode.h"
#include "formula/FunctionDefinitions.h"
#include "formula/Isolate.h"
#include "formula/NameRegistry.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/SymbolCodes.h"
#include "formula/SymbolRename.h"
#include "formula/TreeQuery.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeSplice.h"
#include "formula/TreeWalk.h"
#include "graphmodel/AGraphColor.h"

#include <cmath>
#include <initializer_list>

namespace {

FormulaNode* MakeEquationFor(uint32_t code, FormulaNode* value)
{
    return MakeBinaryNode(KindEquation, MakeVariableNode(code), value);
}

// Substitutes each equation in order and frees them.
void SubstituteAndFree(FormulaNode* tree, std::initializer_list<FormulaNode*> equations)
{
    for (FormulaNode* equation : equations) {
        SubstituteEquation(tree, equation);
        FreeTree(equation);
    }
}

FormulaNode* MappedCopy(const FormulaNode* formula, const FormulaNode* x, const FormulaNode* y)
{
    if (!formula)
        return nullptr;
    FormulaNode* mapped = CopyTree(formula);
    SwapPrimedSymbols(mapped);
    SubstituteAndFree(mapped, {MakeEquationFor(CodeXPrimed, CopyTree(x)), MakeEquationFor(CodeYPrimed, CopyTree(y))});
    return mapped;
}

}  // namespace

FormulaNode* ChainedRelationProduct(const FormulaNode* relation, FormulaNode* product)
{
    if (IsLogicKind(relation->kind) || relation->childCount < 2)
        return product ? product : MakeNumberNode(1);
    FormulaNode* const* o = relation->children;
    FormulaNode* q = MakeDifference(CopyTree(o[0]), CopyTree(o[1]));
    for (uint32_t i = 2; i < relation->childCount; ++i)
        q = MakeProduct(q, MakeDifference(CopyTree(o[i - 1]), CopyTree(o[i])));
    return product ? MakeProduct(product, q) : q;
}

void RenameXYToUV(FormulaNode* tree)
{
    RenameSymbol(tree, CodeX, CodeU);
    RenameSymbol(tree, CodeY, CodeV);
}

void ReplaceVariableByTree(FormulaNode* tree, uint32_t code, const FormulaNode* other)
{
    ReplaceVariablesByTrees(tree, {{code, other}});
}

void ReplaceVariablesByTrees(FormulaNode* tree, std::initializer_list<VariableReplacement> replacements)
{
    for (PreorderWalk walk(tree); walk.Node();) {
        FormulaNode* node = walk.Node();
        const VariableReplacement* found = nullptr;
        for (const VariableReplacement& r : replacements) {
            if (IsVariable(node, r.code) && !IsSubscriptBase(node))
                found = &r;
        }
        if (found) {
            ReplaceNode(CopyTree(found->tree), node);
            walk.SkipSubtree();
        } else {
            walk.Next();
        }
    }
}

void ReplaceVariableByComplex(FormulaNode* tree, uint32_t a, uint32_t b, uint32_t c)
{
    FormulaNode* complex =
        MakeSum(MakeVariableNode(b), MakeProduct(MakeVariableNode(CodeI), MakeVariableNode(c)));
    ReplaceVariableByTree(tree, a, complex);
    FreeTree(complex);
}

void ReplaceZByComplex(uint32_t b, FormulaNode* tree, uint32_t c)
{
    ReplaceVariableByComplex(tree, CodeZ, c, b);
}

bool IsFlowForm(const FormulaNode* equation)
{
    return equation->childCount > 0 && equation->children[0]->kind != KindMatrix;
}

int32_t SurfaceStyleFromXYType(double xyType)
{
    if (!std::isfinite(xyType) || std::fabs(xyType) >= 2147483647.0)
        return 1;
    return static_cast<int32_t>(xyType) & 3;
}

FormulaNode* FindVariable(FormulaNode* tree, uint32_t code)
{
    for (PreorderWalk walk(tree); walk.Node(); walk.Next()) {
        if (IsVariable(walk.Node(), code))
            return walk.Node();
    }
    return nullptr;
}

bool SolveForVariable(uint32_t code, FormulaNode* equation)
{
    FormulaNode* variable = FindVariable(equation, code);
    if (!variable)
        return false;
    FormulaNode* isolated = IsolateNode(variable);
    // Isolate may stop at an operation it cannot undo, or isolate inside an
    // equation nested in this one: only the variable alone on the left of
    // this equation solves it.
    if (!isolated || !IsVariable(isolated, code) || isolated->parent != equation || equation->kind != KindEquation ||
        !IsChildAt(isolated, 0))
        return false;
    return DeleteOperand(equation, 0);
}

FormulaNode* MakeProductOfCopies(const FormulaNode* a, const FormulaNode* b, const FormulaNode* c,
                                 const FormulaNode* d)
{
    return MakeProduct(CopyTree(a), MakeProduct3(CopyTree(b), CopyTree(c), CopyTree(d)));
}

void SphericalToSpace(const FormulaNode* a, const FormulaNode* b, const FormulaNode* c, FormulaNode** x,
                      FormulaNode** y, FormulaNode** z)
{
    *x = MakeProduct3(CopyTree(a), MakeSin(CopyTree(b)), MakeCos(CopyTree(c)));
    *y = MakeProduct3(CopyTree(a), MakeSin(CopyTree(b)), MakeSin(CopyTree(c)));
    *z = MakeProduct(CopyTree(a), MakeCos(CopyTree(b)));
}

void CylindricalToSpace(const FormulaNode* a, const FormulaNode* b, const FormulaNode* c, FormulaNode** x,
                        FormulaNode** y, FormulaNode** z)
{
    *x = MakeProduct(CopyTree(a), MakeCos(CopyTree(b)));
    *y = MakeProduct(CopyTree(a), MakeSin(CopyTree(b)));
    *z = CopyTree(c);
}

void ApplyPlaneTransform(FormulaNode* tree, const TransformRecord* record)
{
    if (!record || record->kind != 1 || !record->components[0] || !record->components[1])
        return;
    FormulaNode* radius =
        MakeSqrt(MakeSum(MakeSquare(MakeVariableNode(CodeX)), MakeSquare(MakeVariableNode(CodeY))));
    FormulaNode* angle = MakeBinaryNode(KindPointAngle, MakeVariableNode(CodeX), MakeVariableNode(CodeY));
    SubstituteAndFree(tree, {MakeEquationFor(CodeR, radius), MakeEquationFor(CodeTheta, angle),
                             MakeEquationFor(CodeX, CopyTree(record->components[0])),
                             MakeEquationFor(CodeY, CopyTree(record->components[1]))});
    RenameSymbol(tree, CodeXPrimed, CodeX);
    RenameSymbol(tree, CodeYPrimed, CodeY);
}

void MapThroughPlaneTransform(const FormulaNode* x, const TransformRecord* record, const FormulaNode* y,
                              FormulaNode** mappedX, FormulaNode** mappedY)
{
    *mappedX = MappedCopy(record->components[0], x, y);
    *mappedY = MappedCopy(record->components[1], x, y);
}

void MapColorFormulas(AGraphColor* colour, const FormulaNode* e1, const FormulaNode* e2, const FormulaNode* e3)
{
    for (CompiledFormula* formula : {colour->red, colour->green, colour->blue}) {
        if (!formula || !formula->tree)
            continue;
        SwapPrimedSymbols(formula->tree);
        for (const FormulaNode* equation : {e1, e2, e3})
            SubstituteEquation(formula->tree, equation);
    }
}
