#include "graphmodel/EquationFormClassifier.h"

#include "document/DefinitionTests.h"
#include "evaluation/LinearForm.h"
#include "formula/Definitions.h"
#include "formula/DependsOnlyOn.h"
#include "formula/EquationFormPredicates.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/SymbolCodes.h"
#include "formula/SymbolRename.h"
#include "formula/TableContext.h"
#include "formula/TreeConstness.h"
#include "formula/TreeWalk.h"
#include "graphmodel/AGraphColor.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

constexpr uint32_t kBlank = kNoVariable;

// One shape test of the ordered sequence.
struct FormTest {
    int32_t code;
    bool planeOnly;  // skipped when the statement goes into a 3D view
    bool (*matches)(const FormulaNode* tree, DocState* doc);
};

int32_t FirstMatch(std::initializer_list<FormTest> tests, const FormulaNode* tree, bool only3D, DocState* doc)
{
    for (const FormTest& test : tests) {
        if ((!only3D || !test.planeOnly) && test.matches(tree, doc))
            return test.code;
    }
    return 0;
}

bool HasCode(std::initializer_list<int32_t> codes, int32_t code)
{
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

bool InRange(int32_t code, int32_t low, int32_t high)
{
    return code >= low && code <= high;
}

// Whole-tree list forms: 4D points, arrows, flows from a point or a surface.
int32_t ClassifyList(const FormulaNode* tree, bool only3D, DocState* doc)
{
    return FirstMatch(
        {
            {23, false, [](const FormulaNode* t, DocState* d) { return IsList4DPoints(t, d); }},
            {61, true, [](const FormulaNode* t, DocState* d) { return IsArrow2D(t, d); }},
            {62, false, [](const FormulaNode* t, DocState* d) { return IsArrow3D(t, d); }},
            {36, false, [](const FormulaNode* t, DocState* d) { return IsFlowFromPoint(t, d); }},
            {77, false,
             [](const FormulaNode* t, DocState* d) { return IsFlowFromParametricSurface(t, d, CodeX, CodeY, CodeZ); }},
            {78, false,
             [](const FormulaNode* t, DocState* d) {
                 return IsFlowFromParametricSurface(t, d, CodeR, CodeTheta, CodePhi);
             }},
            {79, false,
             [](const FormulaNode* t, DocState* d) {
                 return IsFlowFromParametricSurface(t, d, CodeR, CodeTheta, CodeZ);
             }},
            {68, false,
             [](const FormulaNode* t, DocState* d) { return IsFlowFromExplicitSurface(t, d, CodeX, CodeY, CodeZ); }},
            {69, false,
             [](const FormulaNode* t, DocState* d) { return IsFlowFromExplicitSurface(t, d, CodeY, CodeZ, CodeX); }},
            {70, false,
             [](const FormulaNode* t, DocState* d) { return IsFlowFromExplicitSurface(t, d, CodeZ, CodeY, CodeX); }},
            {71, false,
             [](const FormulaNode* t, DocState* d) {
                 return IsFlowFromExplicitSurface(t, d, CodeR, CodeTheta, CodePhi);
             }},
            {73, false,
             [](const FormulaNode* t, DocState* d) {
                 return IsFlowFromExplicitSurface(t, d, CodePhi, CodeR, CodeTheta);
             }},
            {72, false,
             [](const FormulaNode* t, DocState* d) {
                 return IsFlowFromExplicitSurface(t, d, CodeTheta, CodeR, CodePhi);
             }},
            {74, false,
             [](const FormulaNode* t, DocState* d) { return IsFlowFromExplicitSurface(t, d, CodeR, CodeTheta, CodeZ); }},
            {75, false,
             [](const FormulaNode* t, DocState* d) { return IsFlowFromExplicitSurface(t, d, CodeZ, CodeR, CodeTheta); }},
            {76, false,
             [](const FormulaNode* t, DocState* d) { return IsFlowFromExplicitSurface(t, d, CodeTheta, CodeR, CodeZ); }},
            {67, false, [](const FormulaNode* t, DocState* d) { return IsFlowFromImplicitSurface(d, t); }},
        },
        tree, only3D, doc);
}

// z = constant that needs complex numbers or a parameter of another line.
bool IsComplexPointEquation(const FormulaNode* eq, DocState* doc)
{
    return IsVariable(eq->children[0], CodeZ) && DependsOnlyOn(eq->children[1], doc, kBlank) &&
           UsesComplexNumbers(eq->children[1], doc);
}

// z on one side, a function of x, y, r and theta on the other.
bool IsMixedExplicitZ(const FormulaNode* eq, DocState* doc)
{
    return IsExplicitFor(eq, doc, CodeZ, CodeX, CodeY, CodeR, CodeTheta);
}

// Equations with a graph variable alone on a side.
int32_t ClassifyExplicit(const FormulaNode* eq, bool only3D, DocState* doc)
{
    return FirstMatch(
        {
            {1, true, [](const FormulaNode* t, DocState* d) { return IsExplicitFor(t, d, CodeY, CodeX, kBlank); }},
            {2, true, [](const FormulaNode* t, DocState* d) { return IsExplicitFor(t, d, CodeX, CodeY, kBlank); }},
            {3, true, [](const FormulaNode* t, DocState* d) { return IsExplicitFor(t, d, CodeR, CodeTheta, kBlank); }},
            {4, true, [](const FormulaNode* t, DocState* d) { return IsExplicitFor(t, d, CodeTheta, CodeR, kBlank); }},
            {44, true, IsComplexPointEquation},
            {5, false, [](const FormulaNode* t, DocState* d) { return IsExplicitFor(t, d, CodeZ, CodeX, CodeY); }},
            {6, false, [](const FormulaNode* t, DocState* d) { return IsExplicitFor(t, d, CodeX, CodeY, CodeZ); }},
            {7, false, [](const FormulaNode* t, DocState* d) { return IsExplicitFor(t, d, CodeY, CodeX, CodeZ); }},
            {8, false,
             [](const FormulaNode* t, DocState* d) { return IsExplicitFor(t, d, CodeR, CodeTheta, CodePhi); }},
            {9, false,
             [](const FormulaNode* t, DocState* d) { return IsExplicitFor(t, d, CodeTheta, CodeR, CodePhi); }},
            {10, false,
             [](const FormulaNode* t, DocState* d) { return IsExplicitFor(t, d, CodePhi, CodeR, CodeTheta); }},
            {11, false,
             [](const FormulaNode* t, DocState* d) { return IsExplicitFor(t, d, CodeR, CodeTheta, CodeZ); }},
            {12, false,
             [](const FormulaNode* t, DocState* d) { return IsExplicitFor(t, d, CodeZ, CodeR, CodeTheta); }},
            {14, false,
             [](const FormulaNode* t, DocState* d) { return IsExplicitFor(t, d, CodeTheta, CodeR, CodeZ); }},
            {13, false, IsMixedExplicitZ},
            {29, true, [](const FormulaNode* t, DocState* d) { return IsImplicitPlaneEquation(t, d); }},
            {30, false, [](const FormulaNode* t, DocState* d) { return IsImplicitSpaceEquation(t, d); }},
            {39, false, [](const FormulaNode* t, DocState* d) { return IsExplicitFor(t, d, CodeZ, CodeT, kBlank); }},
            {22, false, [](const FormulaNode* t, DocState* d) { return IsExplicitFor(t, d, CodeW, CodeZ, kBlank); }},
        },
        eq, only3D, doc);
}

// Equations of vectors, derivatives and parameters.
int32_t ClassifyEquationGroup(const FormulaNode* eq, bool only3D, DocState* doc)
{
    return FirstMatch(
        {
            {52, false, [](const FormulaNode* t, DocState* d) { return IsXYZData(t, d); }},
            {53, false, [](const FormulaNode* t, DocState* d) { return IsCylindricalData(t, d); }},
            {54, false, [](const FormulaNode* t, DocState* d) { return IsSphericalData(t, d); }},
            {49, true, [](const FormulaNode* t, DocState* d) { return IsXYData(t, d); }},
            {50, true, [](const FormulaNode* t, DocState* d) { return IsPolarData(t, d); }},
            {46, true,
             [](const FormulaNode* t, DocState* d) { return IsParametric2D(t, CodeX, CodeY, d, kBlank); }},
            {47, true,
             [](const FormulaNode* t, DocState* d) { return IsParametric2D(t, CodeR, CodeTheta, d, kBlank); }},
            {16, true, [](const FormulaNode* t, DocState* d) { return IsVectorField2D(t, d); }},
            {64, false,
             [](const FormulaNode* t, DocState* d) {
                 return IsParametric3D(t, CodeX, CodeY, d, CodeZ, kBlank, kBlank);
             }},
            {65, false,
             [](const FormulaNode* t, DocState* d) {
                 return IsParametric3D(t, CodeR, CodeTheta, d, CodeZ, kBlank, kBlank);
             }},
            {66, false,
             [](const FormulaNode* t, DocState* d) {
                 return IsParametric3D(t, CodeR, CodeTheta, d, CodePhi, kBlank, kBlank);
             }},
            {17, false, [](const FormulaNode* t, DocState* d) { return IsVectorField3D(t, d); }},
            {18, false, [](const FormulaNode* t, DocState* d) { return IsParametric2D(t, CodeX, CodeY, d, CodeT); }},
            {15, false,
             [](const FormulaNode* t, DocState* d) { return IsParametric2D(t, CodeR, CodeTheta, d, CodeT); }},
            {59, true, [](const FormulaNode* t, DocState* d) { return IsColorMapEquation(t, CodeR, 'g', d, 'b'); }},
            {60, true, [](const FormulaNode* t, DocState* d) { return IsColorMapEquation(t, 'h', 's', d, CodeV); }},
            {19, false,
             [](const FormulaNode* t, DocState* d) { return IsParametric3D(t, CodeX, CodeY, d, CodeZ, CodeT, kBlank); }},
            {20, false, [](const FormulaNode* t, DocState* d) { return IsParametric4D(t, d, CodeT, kBlank); }},
            {21, false, [](const FormulaNode* t, DocState* d) { return IsParametric4D(t, d, CodeU, CodeV); }},
            {24, false,
             [](const FormulaNode* t, DocState* d) {
                 return IsParametric3D(t, CodeR, CodeTheta, d, CodePhi, CodeT, kBlank);
             }},
            {25, false,
             [](const FormulaNode* t, DocState* d) {
                 return IsParametric3D(t, CodeR, CodeTheta, d, CodeZ, CodeT, kBlank);
             }},
            {26, false,
             [](const FormulaNode* t, DocState* d) { return IsParametric3D(t, CodeX, CodeY, d, CodeZ, CodeU, CodeV); }},
            {27, false,
             [](const FormulaNode* t, DocState* d) {
                 return IsParametric3D(t, CodeR, CodeTheta, d, CodePhi, CodeU, CodeV);
             }},
            {28, false,
             [](const FormulaNode* t, DocState* d) {
                 return IsParametric3D(t, CodeR, CodeTheta, d, CodeZ, CodeU, CodeV);
             }},
            {43, true, [](const FormulaNode* t, DocState*) { return IsParameterDefinition(t); }},
            {29, true, [](const FormulaNode* t, DocState* d) { return IsImplicitPlaneEquation(t, d); }},
            {39, true, [](const FormulaNode* t, DocState* d) { return IsComplexPlaneEquation(t, d, CodeT); }},
            {40, false, [](const FormulaNode* t, DocState* d) { return IsComplexPlaneEquation(t, d, CodeZ); }},
            {30, false, [](const FormulaNode* t, DocState* d) { return IsImplicitSpaceEquation(t, d); }},
        },
        eq, only3D, doc);
}

// Differential equations, tested before any other equation.
int32_t ClassifyDifferential(const FormulaNode* eq, bool only3D, DocState* doc)
{
    return FirstMatch(
        {
            {37, true,
             [](const FormulaNode* t, DocState* d) {
                 return IsDerivativeOf(t->children[0], CodeY, CodeX) && DependsOnlyOn(t->children[1], d, CodeX, CodeY);
             }},
            {42, true,
             [](const FormulaNode* t, DocState* d) {
                 return IsDerivativeOf(t->children[0], CodeZ, CodeT) && DependsOnlyOn(t->children[1], d, CodeZ);
             }},
            {38, true,
             [](const FormulaNode* t, DocState* d) {
                 return IsTimeDerivativeOfXY(t->children[0]) && IsVectorOf2(t->children[1], CodeX, CodeY, d);
             }},
        },
        eq, only3D, doc);
}

// Some variable, other than a subscript's base, is a graph variable.
bool HasGraphVariable(const FormulaNode* tree)
{
    for (PreorderWalk walk(const_cast<FormulaNode*>(tree)); walk.Node(); walk.Next()) {
        if (IsGraphVariableNode(walk.Node()) && !HasParentKind(walk.Node(), KindSubscript))
            return true;
    }
    return false;
}

// Expressions, vectors and relations.
int32_t ClassifyExpression(const FormulaNode* tree, bool only3D, DocState* doc)
{
    int32_t code = FirstMatch(
        {
            {51, false, [](const FormulaNode* t, DocState* d) { return IsDataVector3(t, d); }},
            {63, false, [](const FormulaNode* t, DocState* d) { return IsConstantVector3(t, d); }},
            {48, true, [](const FormulaNode* t, DocState* d) { return IsDataVector2(t, d); }},
            {45, true, [](const FormulaNode* t, DocState* d) { return IsVectorOf2(t, kBlank, kBlank, d); }},
            {55, true, [](const FormulaNode* t, DocState* d) { return IsVectorOf2(t, CodeT, kBlank, d); }},
            {56, false, [](const FormulaNode* t, DocState* d) { return IsVectorOf3(t, d, CodeT, kBlank, kBlank); }},
            {58, false, [](const FormulaNode* t, DocState* d) { return IsVectorOf3(t, d, CodeU, CodeV, kBlank); }},
        },
        tree, only3D, doc);
    if (code || !HasGraphVariable(tree))
        return code;
    code = FirstMatch(
        {
            {31, true, [](const FormulaNode* t, DocState* d) { return DependsOnlyOn(t, d, CodeX); }},
            {32, true, [](const FormulaNode* t, DocState* d) { return DependsOnlyOn(t, d, CodeY); }},
            {33, false, [](const FormulaNode* t, DocState* d) { return IsPlaneExpression(t, d); }},
            {41, false, [](const FormulaNode* t, DocState* d) { return DependsOnlyOn(t, d, CodeZ); }},
        },
        tree, only3D, doc);
    if (code || only3D)
        return code;
    return FirstMatch(
        {
            {35, true, [](const FormulaNode* t, DocState* d) { return IsNonStrictPlaneRelation(t, d); }},
            {34, true, [](const FormulaNode* t, DocState* d) { return IsPlaneRelation(t, d); }},
        },
        tree, only3D, doc);
}

bool StartsExplicitGroup(const FormulaNode* eq)
{
    const FormulaNode* left = eq->children[0];
    return IsGraphVariableNode(left) || IsSubscriptedGraphVariable(left) || IsGraphVariableNode(eq->children[1]);
}

// The first item of a comma list, or the tree.
const FormulaNode* FirstItem(const FormulaNode* tree)
{
    return tree->kind == KindComma && tree->childCount > 0 ? tree->children[0] : tree;
}

// A chained relation a < x < b with constant ends.
bool IsRangeOfX(const FormulaNode* item, DocState* doc)
{
    return item->kind == KindLess && item->childCount == 3 && IsVariable(item->children[1], CodeX) &&
           DependsOnlyOn(item->children[0], doc, kBlank) && DependsOnlyOn(item->children[2], doc, kBlank);
}

// An equation of two sides in x and y, both linear: the axis of a rotation.
bool IsLinearAxis(const FormulaNode* item, DocState* doc)
{
    if (!IsTwoSidedEquation(item))
        return false;
    for (const FormulaNode* side : {item->children[0], item->children[1]}) {
        if (!DependsOnlyOn(side, doc, CodeX, CodeY) || !IsLinearInXYZ(side, doc))
            return false;
    }
    return true;
}

int32_t FormOf(int32_t code)
{
    return code & 0xFF;
}

// Whether XYType, as the line stores it, selects a surface: an integer
// masked with 3 is 1. A value no integer holds is taken as a surface, the
// style a line has when nothing is said.
bool IsSurfaceStyle(double xyType)
{
    if (!std::isfinite(xyType) || std::fabs(xyType) >= 2147483647.0)
        return true;
    return (static_cast<int32_t>(xyType) & 3) == 1;
}

template <typename Test>
bool EveryStatement(FormulaNode* const* list, int32_t count, Test test)
{
    if (!list)
        return false;
    for (int32_t i = 0; i < count; ++i) {
        if (!test(list[i]))
            return false;
    }
    return true;
}

template <typename Test>
bool SomeStatement(FormulaNode* const* list, int32_t count, Test test)
{
    if (!list)
        return false;
    for (int32_t i = 0; i < count; ++i) {
        if (test(list[i]))
            return true;
    }
    return false;
}

// The test of InvolvesThirdAxis on one statement as it stands.
bool IsSpatialShape(DocState* doc, const FormulaNode* tree)
{
    const FormulaNode* item = FirstItem(tree);
    if (IsPlaneExpression(item, doc) && !DependsOnlyOn(item, doc, CodeX) && !DependsOnlyOn(item, doc, CodeY))
        return true;
    if (IsExplicitFor(item, doc, CodeZ, CodeR, CodeTheta) || IsExplicitFor(item, doc, CodeZ, CodeX, CodeY) ||
        DependsOnlyOn(item, doc, CodeZ))
        return true;
    return item->childCount == 2 && IsVariable(item->children[0], CodeZ) && IsPlaneExpression(item->children[1], doc);
}

}  // namespace

bool IsRotateSurface(const FormulaNode* tree, DocState* doc)
{
    if (tree->kind != KindRotate)
        return false;
    const FormulaNode* list = ArgumentThroughParentheses(tree);
    if (!list || list->kind != KindComma || list->childCount < 2 || list->childCount > 4)
        return false;
    const FormulaNode* curve = list->children[0];
    if (!DependsOnlyOn(curve, doc, CodeX) && !IsExplicitFor(curve, doc, CodeY, CodeX, kBlank))
        return false;
    if (!IsLinearAxis(list->children[1], doc))
        return false;
    for (uint32_t i = 2; i < list->childCount; ++i) {
        const FormulaNode* item = list->children[i];
        if (!IsRangeOfX(item, doc) && !AllNodesConstant(item, doc, kExtraNone))
            return false;
    }
    return true;
}

int32_t ClassifyEquation(FormulaNode* tree, bool only3D, DocState* doc)
{
    if (!tree)
        return 0;
    if (int32_t code = ClassifyList(tree, only3D, doc))
        return code;
    if (tree->kind == KindComma) {
        if (tree->childCount == 0 || !ExtraItemsAreConstant(tree, doc))
            return 0;
        tree = tree->children[0];
    }
    if (IsRotateSurface(tree, doc))
        return 80;
    if (tree->kind != KindEquation)
        return ClassifyExpression(tree, only3D, doc);
    if (tree->childCount != 2)
        return 0;
    if (int32_t code = ClassifyDifferential(tree, only3D, doc))
        return code;
    return StartsExplicitGroup(tree) ? ClassifyExplicit(tree, only3D, doc) : ClassifyEquationGroup(tree, only3D, doc);
}

int32_t ClassifyEquationWithRewrite(FormulaNode* tree, bool only3D, bool only4D, DocState* doc)
{
    if (!tree)
        return 0;
    int32_t code = ClassifyEquation(tree, only3D, doc);
    if (code == 0) {
        SwapPrimedSymbols(tree);
        code = ClassifyEquation(tree, only3D, doc);
        SwapPrimedSymbols(tree);
        // The 4D forms have no second view to be drawn in.
        if (InRange(code, 20, 23))
            code = 0;
        else if (code)
            code |= kPrimedFormBit;
    }
    if (only4D && !InRange(code, 20, 23))
        code = 0;
    if (code && !InRange(FormOf(code), 48, 54) && UsesTableColumnPointwise(tree, doc))
        code = 0;
    return code;
}

StatementForm ClassifyForAnalysis(FormulaNode* tree, double xyType, DocState* doc)
{
    StatementForm form;
    if (!tree)
        return form;
    form.code = ClassifyEquationWithRewrite(tree, false, false, doc);
    form.graphable = form.code != 0 && (!IsDefinitionLine(tree) || IsParameterDefinition(tree) ||
                                        IsIndexedVariableDefinition(tree));
    form.needs3D = NeedsThreeDView(form.code, xyType);
    form.is4D = InRange(form.code, 20, 23);
    form.primed = (form.code & kPrimedFormBit) != 0;
    form.hasSymbolOrLabel = HasSymbolOrLabelOption(form.code, tree, doc);
    return form;
}

bool NeedsThreeDView(int32_t code, double xyType)
{
    int32_t form = FormOf(code);
    if (HasCode({5, 12, 13, 33, 41}, form))
        return IsSurfaceStyle(xyType);
    return InRange(form, 6, 11) || HasCode({14, 17, 19, 30, 36, 40, 56, 58}, form) || InRange(form, 24, 28) ||
           InRange(form, 51, 54) || InRange(form, 62, 80);
}

bool IsSurfaceForm(FormulaNode* tree, bool only3D, bool only4D, DocState* doc)
{
    int32_t form = FormOf(ClassifyEquationWithRewrite(tree, only3D, only4D, doc));
    return InRange(form, 5, 14) || InRange(form, 21, 22) || InRange(form, 26, 28) || HasCode({33, 41, 58, 80}, form);
}

bool AllSurfaceForms(FormulaNode* const* list, int32_t count, bool only3D, bool only4D, DocState* doc)
{
    return EveryStatement(list, count, [=](FormulaNode* tree) { return IsSurfaceForm(tree, only3D, only4D, doc); });
}

bool FormTakesPicture(FormulaNode* tree, bool only3D, bool only4D, DocState* doc)
{
    int32_t form = FormOf(ClassifyEquationWithRewrite(tree, only3D, only4D, doc));
    return InRange(form, 5, 14) || InRange(form, 21, 22) || InRange(form, 26, 28) || InRange(form, 44, 50) ||
           HasCode({33, 41, 58, 80}, form);
}

bool IsPointOrDataForm(FormulaNode* tree, bool only3D, bool only4D, DocState* doc)
{
    return InRange(FormOf(ClassifyEquationWithRewrite(tree, only3D, only4D, doc)), 44, 50);
}

bool AllPointOrDataForms(FormulaNode* const* list, int32_t count, bool only3D, bool only4D, DocState* doc)
{
    return EveryStatement(list, count,
                          [=](FormulaNode* tree) { return IsPointOrDataForm(tree, only3D, only4D, doc); });
}

bool IsSolidIn3D(FormulaNode* tree, DocState* doc)
{
    int32_t form = FormOf(ClassifyEquationWithRewrite(tree, true, false, doc));
    if (InRange(form, 5, 14) || InRange(form, 21, 22) || InRange(form, 26, 28) || InRange(form, 63, 66) ||
        HasCode({30, 33, 41, 58, 80}, form))
        return true;
    // Curves, fields and flows are tubes only when given a radius.
    return (HasCode({17, 19, 24, 25, 36, 56}, form) || InRange(form, 67, 79)) && HasRadiusOption(tree);
}

bool AnySolidIn3D(FormulaNode* const* list, int32_t count, DocState* doc)
{
    return SomeStatement(list, count, [=](FormulaNode* tree) { return IsSolidIn3D(tree, doc); });
}

bool InvolvesThirdAxis(DocState* doc, FormulaNode* tree)
{
    if (!tree)
        return false;
    if (IsSpatialShape(doc, tree))
        return true;
    SwapPrimedSymbols(tree);
    bool spatial = IsSpatialShape(doc, tree);
    SwapPrimedSymbols(tree);
    return spatial;
}

bool AnyEquationIs3D(FormulaNode* const* list, int32_t count, DocState* doc)
{
    return SomeStatement(list, count, [=](FormulaNode* tree) { return InvolvesThirdAxis(doc, tree); });
}

bool IsColorAssignment(const FormulaNode* eq, uint32_t a, uint32_t b, uint32_t c, const DocState* doc,
                       const AGraphColor* colour)
{
    return IsTwoSidedEquation(eq) && IsVariableTriple(eq->children[0], a, b, c) &&
           IsColorTriple(eq->children[1], doc) && !(colour && colour->IsHidden());
}
