#include "formula/LoweringPasses.h"

#include "formula/Binders.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/Substitution.h"
#include "formula/SymbolCodes.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeWalk.h"

namespace {


// The summation's weights: 3/8, 7/6 and 23/24.
constexpr double kWeight1 = 0.375;
constexpr double kWeight2 = 1.1666666666666667;
constexpr double kWeight3 = 0.9583333333333334;
constexpr double kIntervals = 512;
constexpr double kFirstInnerPoint = 3;
constexpr double kLastInnerPoint = 509;

// Builds the weighted sum from copies of the integral's parts.
class WeightedSum {
public:
    WeightedSum(const FormulaNode* integral, uint32_t index)
        : f_(integral->children[0]), x_(integral->children[1]), a_(integral->children[2]),
          b_(integral->children[3]), index_(index)
    {
    }

    FormulaNode* Build() const
    {
        FormulaNode* left = MakeSum(Weighted(kWeight1, Copy(a_)), Weighted(kWeight2, MakeSum(Copy(a_), Step(1))));
        FormulaNode* middle = MakeSum(Weighted(kWeight3, MakeSum(Copy(a_), Step(2))),
            Weighted(kWeight3, MakeDifference(Copy(b_), Step(2))));
        FormulaNode* right =
            MakeSum(Weighted(kWeight2, MakeDifference(Copy(b_), Step(1))), Weighted(kWeight1, Copy(b_)));
        FormulaNode* ends = MakeTernaryNode(KindSum, left, middle, right);
        FormulaNode* point = MakeSum(Copy(a_),
            MakeQuotient(MakeProduct(MakeVariableNode(index_), Width()), MakeNumberNode(kIntervals)));
        FormulaNode* inner = MakeTernaryNode(KindSigma, At(point),
            MakeBinaryNode(KindEquation, MakeVariableNode(index_), MakeNumberNode(kFirstInnerPoint)),
            MakeNumberNode(kLastInnerPoint));
        return MakeProduct(Step(1), MakeSum(ends, inner));
    }

private:
    static FormulaNode* Copy(const FormulaNode* node) { return CopyTree(node); }
    // b - a
    FormulaNode* Width() const { return MakeDifference(Copy(b_), Copy(a_)); }
    // steps * (b - a) / 512 as (b - a) / (512 / steps)
    FormulaNode* Step(int steps) const { return MakeQuotient(Width(), MakeNumberNode(kIntervals / steps)); }
    // f at the point, as a substitution to be carried out.
    FormulaNode* At(FormulaNode* point) const { return MakeSubstitution(Copy(f_), Copy(x_), point); }
    FormulaNode* Weighted(double weight, FormulaNode* point) const
    {
        return MakeProduct(MakeNumberNode(weight), At(point));
    }

    const FormulaNode* f_;
    const FormulaNode* x_;
    const FormulaNode* a_;
    const FormulaNode* b_;
    uint32_t index_;
};

bool IsDefiniteIntegral(const FormulaNode* node)
{
    return node->kind == KindIntegral && node->childCount == 4;
}

FormulaNode* UnitVector(int axis)
{
    return MakeVector3(MakeNumberNode(axis == 0), MakeNumberNode(axis == 1), MakeNumberNode(axis == 2));
}

void LowerUnitVector(FormulaNode* hat)
{
    const FormulaNode* v = hat->children[0];
    for (int axis = 0; axis < 3; ++axis) {
        if (IsVariable(v, CodeX + axis)) {
            ReplaceNode(UnitVector(axis), hat);
            return;
        }
    }
    ReplaceNode(MakeQuotient(CopyTree(v), MakeAbs(CopyTree(v))), hat);
}

}  // namespace

void IntegralToWeightedSum(FormulaNode* integral)
{
    uint32_t index = FreeInternalIndexCode(integral, 0);
    if (!IsDefiniteIntegral(integral) || !index)
        return;
    FormulaNode* sum = WeightedSum(integral, index).Build();
    ExpandSubstitutions(sum);
    ReplaceNode(sum, integral);
}

void LowerDefiniteIntegrals(FormulaNode* root)
{
    for (PostorderWalk walk(root); walk.Node(); walk.Next()) {
        if (IsDefiniteIntegral(walk.Node()))
            IntegralToWeightedSum(walk.Node());
    }
}

void LowerUnitVectors(FormulaNode* root)
{
    for (PostorderWalk walk(root); walk.Node(); walk.Next()) {
        if (walk.Node()->kind == KindHat && walk.Node()->childCount == 1)
            LowerUnitVector(walk.Node());
    }
}

void LowerColorEquations(FormulaNode* root)
{
    uint32_t color = InternSymbolName(u"color");
    if (!color)
        return;
    for (PostorderWalk walk(root); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        if (node->kind != KindEquation || node->childCount != 2 || !IsVariable(node->children[0], color))
            continue;
        FormulaNode* hsv = MakeVector3(MakeVariableNode('h'), MakeVariableNode('s'), MakeVariableNode('v'));
        FormulaNode* value = MakeVector3(CopyTree(node->children[1]), MakeNumberNode(1), MakeNumberNode(1));
        ReplaceNode(MakeBinaryNode(KindEquation, hsv, value), node);
    }
}
