#include "graphmodel/StatementLists.h"

#include "formula/DependsOnlyOn.h"
#include "formula/EditorState.h"
#include "formula/EquationFormPredicates.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/SymbolCodes.h"
#include "formula/SymbolRename.h"
#include "formula/TreeQuery.h"
#include "formula/TreeWalk.h"
#include "graphmodel/EquationFormClassifier.h"

#include <algorithm>
#include <initializer_list>

namespace {

int32_t FormOf(int32_t code)
{
    return code & 0xFF;
}

bool HasForm(std::initializer_list<int32_t> codes, int32_t form)
{
    return std::find(codes.begin(), codes.end(), form) != codes.end();
}

bool InRange(int32_t form, int32_t low, int32_t high)
{
    return form >= low && form <= high;
}

// A relation, or And, Or and Not of relations, that conditions may be made
// of.
bool IsCondition(const FormulaNode* item, const DocState* doc)
{
    return (IsInequalityKind(item->kind) || IsLogicNode(item)) && IsWellFormedCondition(item, doc);
}

// Every side of every relation of the condition is a function of a and b
// alone. The walk holds no stack, however deep the logic nests.
bool ConditionDependsOnlyOn(const FormulaNode* condition, const DocState* doc, uint32_t a, uint32_t b)
{
    for (PreorderWalk walk(const_cast<FormulaNode*>(condition)); walk.Node();) {
        const FormulaNode* node = walk.Node();
        if (IsLogicKind(node->kind) || node->kind == KindComma) {
            walk.Next();
            continue;
        }
        if (IsInequalityKind(node->kind)) {
            for (uint32_t i = 0; i < node->childCount; ++i) {
                if (!DependsOnlyOn(node->children[i], doc, a, b))
                    return false;
            }
        } else if (!DependsOnlyOn(node, doc, a, b)) {
            return false;
        }
        walk.SkipSubtree();
    }
    return true;
}

// Explicit curves take conditions in their own variables: they are folded
// into the curve's formula. Other forms take them when their builder does.
bool ConditionFits(const FormulaNode* item, int32_t code, bool only3D, const DocState* doc)
{
    const int32_t form = FormOf(code);
    const bool primed = (code & kPrimedFormBit) != 0;
    if (HasForm({1, 2, 31, 32}, form))
        return primed ? ConditionDependsOnlyOn(item, doc, CodeXPrimed, CodeYPrimed)
                      : ConditionDependsOnlyOn(item, doc, CodeX, CodeY);
    if (HasForm({3, 4}, form))
        return primed ? ConditionDependsOnlyOn(item, doc, CodeRPrimed, CodeThetaPrimed)
                      : ConditionDependsOnlyOn(item, doc, CodeR, CodeTheta);
    return FormTakesCondition(code, only3D);
}

enum class ItemFit { Accepted, Refused, Unknown };

ItemFit Fit(bool accepted)
{
    return accepted ? ItemFit::Accepted : ItemFit::Refused;
}

// The first kind of item that the item is, in the order of the kinds, and
// whether the form takes it.
ItemFit FitOfItem(const FormulaNode* item, int32_t code, bool only3D, DocState* doc)
{
    const int32_t form = FormOf(code);
    if (IsColorAssignment(item, CodeR, 'g', 'b', doc, nullptr) || IsColorAssignment(item, 'h', 's', CodeV, doc, nullptr))
        return ItemFit::Accepted;
    if (IsOptionStatement("radius", item))
        return Fit(FormTakesRadius(code));
    if (IsTextOptionStatement(item, "symbol", doc) || IsTextOptionStatement(item, "label", doc) ||
        IsOptionStatement("fontsize", item))
        return Fit(InRange(form, 43, 54));
    if (IsStartPoint2D((code & kPrimedFormBit) != 0, item, doc))
        return Fit(HasForm({37, 38, 42}, form));
    if (IsCondition(item, doc))
        return Fit(ConditionFits(item, code, only3D, doc));
    return ItemFit::Unknown;
}

// The list tests answer for the statement as its form was found: a primed
// statement's symbols are exchanged while they run.
template <typename Test>
auto WithPrimedSwapped(FormulaNode* tree, bool primed, Test test)
{
    if (primed)
        SwapPrimedSymbols(tree);
    auto answer = test();
    if (primed)
        SwapPrimedSymbols(tree);
    return answer;
}

bool IsMatrixOfRows(const FormulaNode* node, int16_t rows)
{
    return node->kind == KindMatrix && node->payload.pair.low == rows;
}

bool IsEquationOfMatrices(const FormulaNode* tree)
{
    return IsTwoSidedEquation(tree) && tree->children[0]->kind == KindMatrix && tree->children[1]->kind == KindMatrix;
}

// Forms of the plane that have no meaning in a 3D view.
int32_t PlaneOnlyReason(const FormulaNode* tree, DocState* doc)
{
    if (IsImplicitPlaneEquation(tree, doc))
        return 19;
    if ((IsTwoSidedEquation(tree) && IsMatrixOfRows(tree->children[0], 2)) || IsArrow2D(tree, doc))
        return 20;
    if (IsTwoSidedEquation(tree) && IsDerivativeOf(tree->children[0], CodeY, CodeX) &&
        DependsOnlyOn(tree->children[1], doc, CodeX, CodeY))
        return 24;
    return 0;
}

}  // namespace

bool FormTakesRadius(int32_t code)
{
    const int32_t form = FormOf(code);
    return HasForm({17, 19, 24, 25, 36, 40, 56, 62}, form) || InRange(form, 43, 50) || InRange(form, 67, 79);
}

bool FormTakesCondition(int32_t code, bool fallback)
{
    const int32_t form = FormOf(code);
    if (form < 5 || form > 80)
        return false;
    if (HasForm({16, 23, 31, 32, 37, 38, 57}, form) || InRange(form, 42, 47) || InRange(form, 59, 66))
        return false;
    if (HasForm({20, 21, 22, 29, 34, 35}, form) || InRange(form, 48, 54))
        return true;
    return fallback;
}

bool IsMultiItemForm(const FormulaNode* list, const DocState* doc)
{
    if (IsArrow2D(list, doc) || IsArrow3D(list, doc) || IsFlowFromImplicitSurface(doc, list))
        return true;
    // A flow from one point takes that point as its second item just as the
    // surface forms take their surface.
    if (IsFlowFromPoint(list, doc))
        return true;
    struct Coordinates {
        uint32_t a, b, c;
    };
    for (const Coordinates& p : {Coordinates{CodeX, CodeY, CodeZ}, Coordinates{CodeR, CodeTheta, CodePhi},
                                 Coordinates{CodeR, CodeTheta, CodeZ}}) {
        if (IsFlowFromParametricSurface(list, doc, p.a, p.b, p.c))
            return true;
    }
    for (const Coordinates& s :
         {Coordinates{CodeX, CodeY, CodeZ}, Coordinates{CodeY, CodeZ, CodeX}, Coordinates{CodeZ, CodeY, CodeX},
          Coordinates{CodeR, CodeTheta, CodePhi}, Coordinates{CodeTheta, CodeR, CodePhi},
          Coordinates{CodePhi, CodeR, CodeTheta}, Coordinates{CodeR, CodeTheta, CodeZ},
          Coordinates{CodeTheta, CodeR, CodeZ}, Coordinates{CodeZ, CodeR, CodeTheta}}) {
        if (IsFlowFromExplicitSurface(list, doc, s.a, s.b, s.c))
            return true;
    }
    return false;
}

bool HasExtraStatements(const FormulaNode* list, const DocState* doc)
{
    if (!list || list->kind != KindComma || list->childCount < 2 || IsList4DPoints(list, doc))
        return false;
    return !(list->childCount == 2 && IsMultiItemForm(list, doc));
}

int32_t ClassifyStatementList(bool only4D, FormulaNode* tree, bool only3D, DocState* doc)
{
    const int32_t code = ClassifyEquationWithRewrite(tree, only3D, only4D, doc);
    if (code == 0)
        return 0;
    struct Items {
        bool extras;
        uint32_t first;
    };
    const Items items = WithPrimedSwapped(tree, (code & kPrimedFormBit) != 0, [&] {
        return Items{HasExtraStatements(tree, doc), IsMultiItemForm(tree, doc) ? 2u : 1u};
    });
    if (!items.extras)
        return code;
    for (uint32_t i = items.first; i < tree->childCount; ++i) {
        switch (FitOfItem(tree->children[i], code, only3D, doc)) {
        case ItemFit::Accepted:
            break;
        case ItemFit::Refused:
            return 0;
        case ItemFit::Unknown:
            // A colour plot's further statements are its own business.
            return HasForm({59, 60}, FormOf(code)) ? code : 0;
        }
    }
    return code;
}

int32_t GetUngraphableReason(FormulaNode* tree, bool only3D, bool only4D, DocState* doc)
{
    if (!tree)
        return 22;
    if (HasExtraStatements(tree, doc)) {
        if (!ExtraItemsAreConstant(tree, doc))
            return 23;
        const int32_t code = ClassifyEquationWithRewrite(tree, only3D, only4D, doc);
        if (code != 0 && ClassifyStatementList(only4D, tree, only3D, doc) == 0)
            return FormTakesCondition(code, only3D) ? 23 : 21;
        tree = tree->children[0];
    }
    if (tree->kind == KindPlaceholder)
        return 22;
    if (HasPlaceholder(tree)) {
        HidePlaceholderMark = 0;
        return 15;
    }
    if (only3D && IsTwoSidedEquation(tree) && IsTimeDerivativeOfXY(tree->children[0]) &&
        IsVectorOf2(tree->children[1], CodeX, CodeY, doc))
        return 24;
    if (ContainsSymbol(tree, CodeT) && !IsEquationOfMatrices(tree))
        return 16;
    if ((ContainsSymbol(tree, CodeU) || ContainsSymbol(tree, CodeV)) && !IsEquationOfMatrices(tree))
        return 17;
    if (only3D) {
        if (int32_t reason = PlaneOnlyReason(tree, doc))
            return reason;
    }
    if (ContainsSymbol(tree, CodeZ) && ContainsSymbol(tree, CodePhi))
        return 18;
    if (only4D && ClassifyEquationWithRewrite(tree, false, false, doc) != 0)
        return 25;
    return 14;
}
