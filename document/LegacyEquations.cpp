// Version-3 documents wrote a map of the plane or of space as the vector of
// the coordinates equal to its image; since version 4 the left side is the
// vector of the coordinates' differentials.
#include "document/DocumentReader.h"

#include "formula/CopyTree.h"
#include "formula/DependsOnlyOn.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/SymbolCodes.h"
#include "formula/TreeQuery.h"
#include "formula/TreeRewrite.h"

namespace {

bool IsVariableOf(const FormulaNode* node, uint32_t code)
{
    return node->kind == KindVariable && node->payload.code == code;
}

// "=" with a column vector of the codes on the left, and on the right a
// function of the unprimed coordinates that uses one of them.
bool IsMappingEquation(const FormulaNode* node, const DocState* doc, const uint32_t* left, const uint32_t* right,
                       uint32_t count)
{
    if (node->kind != KindEquation || node->childCount != 2)
        return false;
    const FormulaNode* vector = node->children[0];
    if (vector->kind != KindMatrix || vector->childCount != count || vector->payload.pair.high != 1)
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        if (!IsVariableOf(vector->children[i], left[i]))
            return false;
    }
    const FormulaNode* image = node->children[1];
    bool usesOne = false;
    for (uint32_t i = 0; i < count; ++i)
        usesOne = usesOne || ContainsSymbol(image, right[i]);
    uint32_t c = count == 3 ? right[2] : kNoVariable;
    return usesOne && TupleDependsOnlyOn(image, doc, right[0], right[1], c);
}

constexpr uint32_t kPlane[2] = {CodeX, CodeY};
constexpr uint32_t kPlanePrimed[2] = {CodeXPrimed, CodeYPrimed};
constexpr uint32_t kSpace[3] = {CodeX, CodeY, CodeZ};
constexpr uint32_t kSpacePrimed[3] = {CodeXPrimed, CodeYPrimed, CodeZPrimed};

bool IsXYMappingEquation(const FormulaNode* node, const DocState* doc)
{
    return IsMappingEquation(node, doc, kPlane, kPlane, 2);
}

bool IsPrimedXYMappingEquation(const FormulaNode* node, const DocState* doc)
{
    return IsMappingEquation(node, doc, kPlanePrimed, kPlane, 2);
}

bool IsXYZMappingEquation(const FormulaNode* node, const DocState* doc)
{
    return IsMappingEquation(node, doc, kSpace, kSpace, 3);
}

bool IsPrimedXYZMappingEquation(const FormulaNode* node, const DocState* doc)
{
    return IsMappingEquation(node, doc, kSpacePrimed, kSpace, 3);
}

bool IsPlaneMap(const FormulaNode* node, const DocState* doc)
{
    return IsXYMappingEquation(node, doc) || IsPrimedXYMappingEquation(node, doc);
}

bool IsSpaceMap(const FormulaNode* node, const DocState* doc)
{
    return IsXYZMappingEquation(node, doc) || IsPrimedXYZMappingEquation(node, doc);
}

// Each entry of the equation's left-side vector becomes d times the entry.
void MultiplyLeftByD(FormulaNode* equation)
{
    FormulaNode* vector = equation->children[0];
    for (uint32_t i = 0; i < vector->childCount; ++i) {
        FormulaNode* entry = vector->children[i];
        FormulaNode* product = MakeProduct(MakeVariableNode('d'), CopyTree(entry));
        ReplaceNode(product, entry);
    }
}

}  // namespace

void ConvertPreVersion4Equations(DocState* doc)
{
    for (DocLine& line : doc->Lines) {
        if (line.kind != DocLineEquation || !line.formula || !line.formula->root)
            continue;
        FormulaNode* root = line.formula->root;
        if (IsPlaneMap(root, doc) || IsSpaceMap(root, doc))
            MultiplyLeftByD(root);
        else if (root->kind == KindComma && root->childCount > 0 && IsSpaceMap(root->children[0], doc))
            MultiplyLeftByD(root->children[0]);
    }
}
