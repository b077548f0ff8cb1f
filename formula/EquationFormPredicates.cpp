#include "formula/EquationFormPredicates.h"

#include "formula/Definitions.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/SymbolCodes.h"
#include "formula/TableContext.h"
#include "formula/TreeQuery.h"
#include "formula/TreeWalk.h"

#include <initializer_list>
#include <vector>

bool IsColorRedComponent(const FormulaNode* node)
{
    const FormulaNode* vector = node->parent;
    if (!IsVariable(node, 'r') || !vector || vector->kind != KindMatrix || vector->childCount != 3 ||
        vector->payload.pair.low != 3 || vector->payload.pair.high != 1)
        return false;
    return vector->children[0] == node && IsVariable(vector->children[1], 'g') &&
           IsVariable(vector->children[2], 'b') && HasParentKind(vector, KindEquation);
}

namespace {

bool IsVariableColumn(const FormulaNode* vector, const char* names)
{
    if (vector->kind != KindMatrix || vector->childCount != 3 || vector->payload.pair.low != 3 ||
        vector->payload.pair.high != 1)
        return false;
    for (uint32_t i = 0; i < 3; ++i) {
        if (!IsVariable(vector->children[i], static_cast<uint8_t>(names[i])))
            return false;
    }
    return true;
}

// (dx, dy) or (dx, dy, dz): items that are the products d x, d y, d z.
bool IsDifferentialVector(const FormulaNode* vector)
{
    if (vector->kind != KindMatrix || vector->childCount < 2 || vector->childCount > 3)
        return false;
    for (uint32_t i = 0; i < vector->childCount; ++i) {
        const FormulaNode* item = vector->children[i];
        if (item->kind != KindProduct || item->childCount != 2 || !IsVariable(item->children[0], 'd') ||
            !IsVariable(item->children[1], 'x' + i))
            return false;
    }
    return true;
}

// A column vector of count entries.
bool IsColumn(const FormulaNode* node, uint32_t count)
{
    return node->kind == KindMatrix && node->childCount == count && node->payload.pair.low == int16_t(count) &&
           node->payload.pair.high == 1;
}

bool EntriesDependOnlyOn(const FormulaNode* vector, const DocState* doc, uint32_t a, uint32_t b,
                         uint32_t c = kNoVariable, uint32_t d = kNoVariable)
{
    for (uint32_t i = 0; i < vector->childCount; ++i) {
        if (!DependsOnlyOn(vector->children[i], doc, a, b, c, d))
            return false;
    }
    return true;
}

// The total-derivative operator in the variable applied to something.
bool IsTimeOperatorApplication(const FormulaNode* node, uint32_t variable)
{
    if (node->kind != KindApplication || node->childCount != 2)
        return false;
    const FormulaNode* op = node->children[0];
    return op->kind == KindOpTotal && op->childCount == 1 && IsVariable(op->children[0], variable);
}

// The product d*a.
bool IsDifferential(const FormulaNode* node, uint32_t a)
{
    return node->kind == KindProduct && node->childCount == 2 && IsVariable(node->children[0], 'd') &&
           IsVariable(node->children[1], a);
}

bool IsDataEquation3(const FormulaNode* eq, const DocState* doc, uint32_t a, uint32_t b, uint32_t c)
{
    return IsTwoSidedEquation(eq) && IsVariableTriple(eq->children[0], a, b, c) &&
           IsDataVector3(eq->children[1], doc);
}

bool ContainsAny(const FormulaNode* tree, std::initializer_list<uint32_t> codes)
{
    for (uint32_t code : codes) {
        if (code != kNoVariable && ContainsSymbol(tree, code))
            return true;
    }
    return false;
}

}  // namespace

bool IsColorStatement(const FormulaNode* node)
{
    const FormulaNode* parent = node->parent;
    if (!parent)
        return false;
    if (IsVariableColumn(parent, "rgb") || IsVariableColumn(parent, "hsv"))
        return true;
    return parent->kind == KindProduct && parent->parent && IsDifferentialVector(parent->parent);
}

bool UsesDefinedParameter(const FormulaNode* root, const DocState* doc)
{
    for (PreorderWalk walk(const_cast<FormulaNode*>(root)); walk.Node(); walk.Next()) {
        if (walk.Node()->kind == KindVariable && IsParameterDefined(walk.Node(), doc))
            return true;
    }
    return false;
}

bool IsGraphVariableNode(const FormulaNode* node)
{
    return node->kind == KindVariable && IsBuiltInVariable(node->payload.code);
}

bool IsSubscriptedGraphVariable(const FormulaNode* node)
{
    return IsIndexedVariable(node) && IsBuiltInVariable(node->children[0]->payload.code);
}

bool IsSubscriptedVariable(const FormulaNode* node, uint32_t code)
{
    return IsIndexedVariable(node) && node->children[0]->payload.code == code;
}

bool IsTwoSidedEquation(const FormulaNode* node)
{
    return node && node->kind == KindEquation && node->childCount == 2;
}

bool ExtraItemsAreConstant(const FormulaNode* list, const DocState* doc)
{
    for (uint32_t i = 1; i < list->childCount; ++i) {
        if (!AllNodesConstant(list->children[i], doc, kExtraStatements))
            return false;
    }
    return true;
}

bool IsWellFormedCondition(const FormulaNode* tree, const DocState* doc)
{
    return AllNodesConstant(tree, doc, kExtraVariablesAndLists);
}

bool HasPlaceholder(const FormulaNode* tree)
{
    for (PreorderWalk walk(const_cast<FormulaNode*>(tree)); walk.Node(); walk.Next()) {
        if (walk.Node()->kind == KindPlaceholder)
            return true;
    }
    return false;
}

bool IsExplicitFor(const FormulaNode* eq, const DocState* doc, uint32_t v, uint32_t a, uint32_t b, uint32_t c,
                   uint32_t d)
{
    if (!IsTwoSidedEquation(eq))
        return false;
    const FormulaNode* left = eq->children[0];
    const FormulaNode* right = eq->children[1];
    if ((IsVariable(left, v) || IsSubscriptedVariable(left, v)) && DependsOnlyOn(right, doc, a, b, c, d))
        return true;
    return IsVariable(right, v) && !IsGraphVariableNode(left) && !IsOptionStatement("radius", eq) &&
           DependsOnlyOn(left, doc, a, b, c, d);
}

bool IsComplexPairSum(const FormulaNode* node, uint32_t a, uint32_t b)
{
    if (node->kind != KindSum || node->childCount != 2 || !IsVariable(node->children[0], a))
        return false;
    const FormulaNode* term = node->children[1];
    return term->kind == KindProduct && term->childCount == 2 && IsVariable(term->children[0], CodeI) &&
           IsVariable(term->children[1], b);
}

bool IsComplexPlaneEquation(const FormulaNode* eq, const DocState* doc, uint32_t v)
{
    return IsTwoSidedEquation(eq) && IsComplexPairSum(eq->children[0], CodeX, CodeY) &&
           DependsOnlyOn(eq->children[1], doc, v);
}

bool IsVariablePair(const FormulaNode* node, uint32_t a, uint32_t b)
{
    return IsColumn(node, 2) && IsVariable(node->children[0], a) && IsVariable(node->children[1], b);
}

bool IsVariableTriple(const FormulaNode* node, uint32_t a, uint32_t b, uint32_t c)
{
    return IsColumn(node, 3) && IsVariable(node->children[0], a) && IsVariable(node->children[1], b) &&
           IsVariable(node->children[2], c);
}

bool IsVariableQuad(const FormulaNode* node, uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    return IsColumn(node, 4) && IsVariable(node->children[0], a) && IsVariable(node->children[1], b) &&
           IsVariable(node->children[2], c) && IsVariable(node->children[3], d);
}

bool IsDifferentialPair(const FormulaNode* node)
{
    return IsColumn(node, 2) && IsDifferentialVector(node);
}

bool IsDifferentialTriple(const FormulaNode* node)
{
    return IsColumn(node, 3) && IsDifferentialVector(node);
}

bool IsVectorOf2(const FormulaNode* node, uint32_t a, uint32_t b, const DocState* doc)
{
    return IsColumn(node, 2) && EntriesDependOnlyOn(node, doc, a, b);
}

bool IsVectorOf3(const FormulaNode* node, const DocState* doc, uint32_t a, uint32_t b, uint32_t c)
{
    return IsColumn(node, 3) && EntriesDependOnlyOn(node, doc, a, b, c);
}

bool IsVectorOf4(const FormulaNode* node, uint32_t a, uint32_t b, const DocState* doc)
{
    return IsColumn(node, 4) && EntriesDependOnlyOn(node, doc, a, b);
}

bool IsPlaneVectorOf3(const FormulaNode* node, const DocState* doc)
{
    return IsColumn(node, 3) && EntriesDependOnlyOn(node, doc, CodeX, CodeY, CodeR, CodeTheta);
}

bool IsColorTriple(const FormulaNode* node, const DocState* doc)
{
    if (!IsColumn(node, 3))
        return false;
    for (uint32_t i = 0; i < 3; ++i) {
        if (!AllNodesConstant(node->children[i], doc, kExtraVariables))
            return false;
    }
    return true;
}

bool IsInequalityKind(int32_t kind)
{
    return kind >= KindLess && kind <= KindGeq;
}

bool IsLogicKind(int32_t kind)
{
    return kind >= KindAnd && kind <= KindNot;
}

bool IsLogicCombination(const FormulaNode* node)
{
    // A loop over pending logic nodes, not recursion: a typed formula may
    // nest them deeper than the stack allows.
    std::vector<const FormulaNode*> pending{node};
    while (!pending.empty()) {
        const FormulaNode* arguments = pending.back();
        pending.pop_back();
        if (arguments->childCount == 1 && arguments->children[0]->kind == KindComma)
            arguments = arguments->children[0];
        if (arguments->childCount == 0)
            return false;
        for (uint32_t i = 0; i < arguments->childCount; ++i) {
            const FormulaNode* argument = arguments->children[i];
            if (IsLogicKind(argument->kind))
                pending.push_back(argument);
            else if (!IsInequalityKind(argument->kind))
                return false;
        }
    }
    return true;
}

bool IsLogicNode(const FormulaNode* node)
{
    return IsLogicKind(node->kind) && IsLogicCombination(node);
}

bool AllChildrenPlane(const DocState* doc, const FormulaNode* node)
{
    for (uint32_t i = 0; i < node->childCount; ++i) {
        if (!IsPlaneExpression(node->children[i], doc))
            return false;
    }
    return true;
}

bool AllChildrenPlaneWithLists(const DocState* doc, const FormulaNode* node)
{
    for (uint32_t i = 0; i < node->childCount; ++i) {
        if (!IsPlaneExpressionWithLists(node->children[i], doc))
            return false;
    }
    return true;
}

bool ChildrenDependOnlyOn(const FormulaNode* node, uint32_t a, const DocState* doc, uint32_t b)
{
    for (uint32_t i = 0; i < node->childCount; ++i) {
        if (!DependsOnlyOnWithLists(node->children[i], doc, b, a))
            return false;
    }
    return true;
}

bool IsImplicitPlaneEquation(const FormulaNode* eq, const DocState* doc)
{
    return eq->childCount == 2 && AllChildrenPlane(doc, eq);
}

bool IsImplicitSpaceEquation(const FormulaNode* eq, const DocState* doc)
{
    return IsTwoSidedEquation(eq) && DependsOnlyOn(eq->children[0], doc, CodeX, CodeY, CodeZ) &&
           DependsOnlyOn(eq->children[1], doc, CodeX, CodeY, CodeZ);
}

bool IsPlaneRelation(const FormulaNode* node, const DocState* doc)
{
    if (IsInequalityKind(node->kind))
        return node->childCount >= 2 && AllChildrenPlane(doc, node);
    return IsLogicNode(node) && AllChildrenPlaneWithLists(doc, node);
}

bool IsNonStrictPlaneRelation(const FormulaNode* node, const DocState* doc)
{
    return node->childCount == 2 && (node->kind == KindLeq || node->kind == KindGeq) && AllChildrenPlane(doc, node);
}

bool IsDerivativeOf(const FormulaNode* node, uint32_t a, uint32_t b)
{
    if (IsTimeOperatorApplication(node, b))
        return IsVariable(node->children[1], a);
    return node->kind == KindFraction && node->childCount == 2 && IsDifferential(node->children[0], a) &&
           IsDifferential(node->children[1], b);
}

bool IsDerivativeLeftSide(const FormulaNode* node)
{
    return IsDerivativeOf(node, CodeY, CodeX) || IsDerivativeOf(node, CodeZ, CodeT);
}

bool IsTimeDerivativeOfXY(const FormulaNode* node)
{
    if (!IsTimeOperatorApplication(node, CodeT))
        return false;
    const FormulaNode* vector = node->children[1];
    return vector->kind == KindMatrix && vector->childCount == 2 &&
           vector->payload.pair.low * vector->payload.pair.high == 2 && IsVariable(vector->children[0], CodeX) &&
           IsVariable(vector->children[1], CodeY);
}

bool IsTimeDerivativeOfXYZ(const FormulaNode* node)
{
    return IsTimeOperatorApplication(node, CodeT) && IsVariableTriple(node->children[1], CodeX, CodeY, CodeZ);
}

bool IsVectorField2D(const FormulaNode* eq, const DocState* doc)
{
    return IsTwoSidedEquation(eq) && IsDifferentialPair(eq->children[0]) &&
           IsVectorOf2(eq->children[1], CodeX, CodeY, doc);
}

bool IsVectorField3D(const FormulaNode* eq, const DocState* doc)
{
    return IsTwoSidedEquation(eq) &&
           (IsTimeDerivativeOfXYZ(eq->children[0]) || IsDifferentialTriple(eq->children[0])) &&
           IsVectorOf3(eq->children[1], doc, CodeX, CodeY, CodeZ);
}

bool IsFlowEquation3D(const FormulaNode* eq, const DocState* doc)
{
    return IsTwoSidedEquation(eq) && IsTimeDerivativeOfXYZ(eq->children[0]) &&
           IsVectorOf3(eq->children[1], doc, CodeX, CodeY, CodeZ);
}

bool IsStartPoint3D(const FormulaNode* eq, const DocState* doc)
{
    return IsParametric3D(eq, CodeX, CodeY, doc, CodeZ, kNoVariable, kNoVariable);
}

bool IsStartPoint2D(bool primed, const FormulaNode* eq, const DocState* doc)
{
    return primed ? IsParametric2D(eq, CodeXPrimed, CodeYPrimed, doc, kNoVariable)
                  : IsParametric2D(eq, CodeX, CodeY, doc, kNoVariable);
}

bool IsParametric2D(const FormulaNode* eq, uint32_t a, uint32_t b, const DocState* doc, uint32_t c)
{
    return IsTwoSidedEquation(eq) && IsVariablePair(eq->children[0], a, b) &&
           IsVectorOf2(eq->children[1], c, kNoVariable, doc);
}

bool IsParametric3D(const FormulaNode* eq, uint32_t a, uint32_t b, const DocState* doc, uint32_t c, uint32_t d,
                    uint32_t e)
{
    return IsTwoSidedEquation(eq) && IsVariableTriple(eq->children[0], a, b, c) &&
           IsVectorOf3(eq->children[1], doc, d, e, kNoVariable);
}

bool IsParametric4D(const FormulaNode* eq, const DocState* doc, uint32_t a, uint32_t b)
{
    return IsTwoSidedEquation(eq) && IsVariableQuad(eq->children[0], CodeX, CodeY, CodeU, CodeV) &&
           IsVectorOf4(eq->children[1], a, b, doc);
}

bool IsColorMapEquation(const FormulaNode* eq, uint32_t a, uint32_t b, const DocState* doc, uint32_t c)
{
    return IsTwoSidedEquation(eq) && IsVariableTriple(eq->children[0], a, b, c) &&
           IsPlaneVectorOf3(eq->children[1], doc);
}

bool IsPlaneTransform(const FormulaNode* eq, const DocState* doc, uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    return IsTwoSidedEquation(eq) && IsVariablePair(eq->children[0], a, b) &&
           IsVectorOf2(eq->children[1], c, d, doc) && ContainsAny(eq->children[1], {c, d});
}

bool IsSpaceTransform(const FormulaNode* eq, const DocState* doc, uint32_t a, uint32_t b, uint32_t c, uint32_t d,
                      uint32_t e, uint32_t f)
{
    return IsTwoSidedEquation(eq) && IsVariableTriple(eq->children[0], a, b, c) &&
           IsVectorOf3(eq->children[1], doc, d, e, f) && ContainsAny(eq->children[1], {d, e, f});
}

bool IsDataVector2(const FormulaNode* node, const DocState* doc)
{
    return IsVectorOf2(node, kNoVariable, kNoVariable, doc) && UsesTableColumnPointwise(node, doc);
}

bool IsDataVector3(const FormulaNode* node, const DocState* doc)
{
    return IsConstantVector3(node, doc) && UsesTableColumnPointwise(node, doc);
}

bool IsXYData(const FormulaNode* eq, const DocState* doc)
{
    return IsTwoSidedEquation(eq) && IsVariablePair(eq->children[0], CodeX, CodeY) &&
           IsDataVector2(eq->children[1], doc);
}

bool IsPolarData(const FormulaNode* eq, const DocState* doc)
{
    return IsTwoSidedEquation(eq) && IsVariablePair(eq->children[0], CodeR, CodeTheta) &&
           IsDataVector2(eq->children[1], doc);
}

bool IsXYZData(const FormulaNode* eq, const DocState* doc)
{
    return IsDataEquation3(eq, doc, CodeX, CodeY, CodeZ);
}

bool IsCylindricalData(const FormulaNode* eq, const DocState* doc)
{
    return IsDataEquation3(eq, doc, CodeR, CodeTheta, CodeZ);
}

bool IsSphericalData(const FormulaNode* eq, const DocState* doc)
{
    return IsDataEquation3(eq, doc, CodeR, CodeTheta, CodePhi);
}

bool IsConstantVector3(const FormulaNode* node, const DocState* doc)
{
    return IsVectorOf3(node, doc, kNoVariable, kNoVariable, kNoVariable);
}

bool IsList4DPoints(const FormulaNode* list, const DocState* doc)
{
    if (list->kind != KindComma || list->childCount == 0)
        return false;
    for (uint32_t i = 0; i < list->childCount; ++i) {
        if (!IsVectorOf4(list->children[i], kNoVariable, kNoVariable, doc))
            return false;
    }
    return true;
}

bool IsArrow2D(const FormulaNode* list, const DocState* doc)
{
    return list->kind == KindComma && list->childCount >= 2 &&
           IsVectorOf2(list->children[0], kNoVariable, kNoVariable, doc) &&
           IsVectorOf2(list->children[1], kNoVariable, kNoVariable, doc);
}

bool IsArrow3D(const FormulaNode* list, const DocState* doc)
{
    return list->kind == KindComma && list->childCount >= 2 && IsConstantVector3(list->children[0], doc) &&
           IsConstantVector3(list->children[1], doc);
}

bool IsFlowFromPoint(const FormulaNode* list, const DocState* doc)
{
    return list->kind == KindComma && list->childCount >= 2 && IsFlowEquation3D(list->children[0], doc) &&
           IsStartPoint3D(list->children[1], doc);
}

bool IsFlowFromImplicitSurface(const DocState* doc, const FormulaNode* list)
{
    return list->kind == KindComma && list->childCount >= 2 && IsVectorField3D(list->children[0], doc) &&
           IsImplicitSpaceEquation(list->children[1], doc) && !IsOptionStatement("radius", list->children[1]);
}

bool IsFlowFromExplicitSurface(const FormulaNode* list, const DocState* doc, uint32_t v, uint32_t a, uint32_t b)
{
    return list->kind == KindComma && list->childCount >= 2 && IsVectorField3D(list->children[0], doc) &&
           IsExplicitFor(list->children[1], doc, v, a, b);
}

bool IsFlowFromParametricSurface(const FormulaNode* list, const DocState* doc, uint32_t a, uint32_t b, uint32_t c)
{
    return list->kind == KindComma && list->childCount >= 2 && IsVectorField3D(list->children[0], doc) &&
           IsParametric3D(list->children[1], a, b, doc, c, CodeU, CodeV);
}

bool IsOptionStatement(const char* name, const FormulaNode* eq)
{
    return IsTwoSidedEquation(eq) && IsVariable(eq->children[0], InternSymbolName8(name));
}

bool IsTextOptionStatement(const FormulaNode* eq, const char* name, const DocState* doc)
{
    if (!IsOptionStatement(name, eq))
        return false;
    const FormulaNode* right = eq->children[1];
    return right->kind == KindText || (right->kind == KindVariable && IsTableFunctionName(right->payload.code, doc));
}

bool HasRadiusOption(const FormulaNode* list)
{
    if (list->kind != KindComma)
        return false;
    for (uint32_t i = 1; i < list->childCount; ++i) {
        if (IsOptionStatement("radius", list->children[i]))
            return true;
    }
    return false;
}

bool HasSymbolOrLabelOption(int32_t code, const FormulaNode* list, const DocState* doc)
{
    int32_t form = code & 0xFF;
    if (form < 51 || form > 54 || list->kind != KindComma)
        return false;
    for (uint32_t i = 1; i < list->childCount; ++i) {
        const FormulaNode* item = list->children[i];
        if (IsTextOptionStatement(item, "symbol", doc) || IsTextOptionStatement(item, "label", doc))
            return true;
    }
    return false;
}
