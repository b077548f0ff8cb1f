#include "formula/Derivative.h"

#include "CoreUtilities/CoopThread.h"
#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/MemoryBudget.h"
#include "formula/Binders.h"
#include "formula/ChainRule.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/Simplifier.h"
#include "formula/SymbolCodes.h"
#include "formula/TreeEquality.h"
#include "formula/TreeQuery.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeWalk.h"

#include <algorithm>
#include <initializer_list>

thread_local unsigned char KeepUnknownDerivatives = 0;

namespace {

// log x = ln x / ln 10
constexpr double kLogOfE = 0.4342944819032518;

// What one differentiation is by.
struct DerivativeBy {
    int32_t kind;
    const FormulaNode* variable;
    bool partial;
    // A partial derivative by a plain variable without the keep flag: what
    // does not hold the variable's code counts as constant.
    bool simple;
    uint32_t code;  // the variable's code, 0 when it is not a variable
    const FormulaNode* root;  // the subtree differentiated
};

void DifferentiateBy(FormulaNode* node, const DerivativeBy& by);

FormulaNode* C(const FormulaNode* node)
{
    return CopyTree(node);
}

// The node of the built tree down the path of child positions; null when a
// failed build has no such node.
FormulaNode* At(FormulaNode* built, std::initializer_list<uint32_t> path)
{
    for (uint32_t i : path) {
        if (!built || i >= built->childCount)
            return nullptr;
        built = built->children[i];
    }
    return built;
}

// Normalises the node's content children before parents, passing over the
// targets, which their own differentiation left normal: the rule's own nodes
// (M^(n-1), ln M L', ...) and the copies are not normal as built.
void NormalizeAroundTargets(FormulaNode* node, std::initializer_list<FormulaNode*> targets)
{
    // Reversed pre-order puts every node after all of its descendants, and a
    // node's normalisation touches nothing but its own subtree.
    GrowArray<FormulaNode*> order{};
    for (PreorderWalk walk(node); walk.Node();) {
        FormulaNode* visited = walk.Node();
        if (std::find(targets.begin(), targets.end(), visited) != targets.end()) {
            walk.SkipSubtree();
            continue;
        }
        if (order.Push(visited)) {
            order.Clear();
            SimplifyTree(node);
            return;
        }
        walk.Next();
    }
    for (int32_t k = order.count - 1; k >= 0; --k)
        NormalizeNode(order[k]);
    order.Clear();
}

// The node takes the built tree's content; then each target, a node inside
// the built tree, is differentiated, and the rest of the content normalised.
void BecomeAndDifferentiate(FormulaNode* node, FormulaNode* built, std::initializer_list<FormulaNode*> targets,
    const DerivativeBy& by)
{
    ReplaceNode(built, node);
    for (FormulaNode* target : targets) {
        if (target)
            DifferentiateBy(target, by);
    }
    NormalizeAroundTargets(node, targets);
}

// The node stays as an internal derivative node over its content.
void KeepAsDerivative(FormulaNode* node, const DerivativeBy& by)
{
    WrapInBinary(node, CopyTree(by.variable), 1, by.kind);
}

bool HoldsVariable(const FormulaNode* subtree, const DerivativeBy& by)
{
    return ContainsSymbol(subtree, by.code);
}

// The index of a summation, product or integral is no function of anything:
// it differentiates to 0 where it is bound inside the subtree differentiated
// (a derivative by the same name means the name outside), and also under a
// binder above it unless the derivative is by that very index.
bool IsBoundIndex(const FormulaNode* variable, const DerivativeBy& by)
{
    if (ReboundBinder(variable, variable, by.root))
        return true;
    return variable->payload.code != by.code && ReboundBinder(variable, variable, nullptr);
}

// The node is the variable differentiated by.
bool IsTheVariable(const FormulaNode* node, const DerivativeBy& by)
{
    return by.code && IsVariable(node, by.code) && !IsBoundIndex(node, by);
}

void DifferentiateVariable(FormulaNode* node, const DerivativeBy& by)
{
    uint32_t code = node->payload.code;
    if (IsBoundIndex(node, by))
        BecomeNumber(node, 0);
    else if (by.simple && code != by.code)
        BecomeNumber(node, 0);
    else if (IsConstantSymbol(code))
        BecomeNumber(node, 0);
    else if (by.code && code == by.code)
        BecomeNumber(node, 1);
    else
        KeepAsDerivative(node, by);
}

// (x, y) and (x, y, z) by their letters, their primed codes 10-12, or primed
// letters: a point moving in time t, kept whole by a total derivative.
bool IsPhaseVector(const FormulaNode* matrix)
{
    uint32_t count = matrix->childCount;
    if (count != 2 && count != 3)
        return false;
    bool letters = true;
    bool codes = true;
    bool primes = true;
    for (uint32_t k = 0; k < count; ++k) {
        const FormulaNode* cell = matrix->children[k];
        letters = letters && IsVariable(cell, 'x' + k);
        codes = codes && IsVariable(cell, 10 + k);
        primes = primes && cell->kind == KindPrime && cell->childCount == 1 && IsVariable(cell->children[0], 'x' + k);
    }
    return letters || codes || primes;
}

void DifferentiateChild(FormulaNode* node, uint32_t i, const DerivativeBy& by)
{
    if (i < node->childCount)
        DifferentiateBy(node->children[i], by);
}

void DifferentiateProduct(FormulaNode* node, const DerivativeBy& by)
{
    // S times R, R the other factors as one product.
    if (node->childCount > 2) {
        FormulaNode* rest = MakeNode(KindProduct, node->childCount - 1u);
        if (!rest)
            return;
        for (uint32_t k = 1; k < node->childCount; ++k) {
            rest->children[k - 1] = node->children[k];
            node->children[k]->parent = rest;
        }
        if (!ResizeChildArray(node, 2)) {
            for (uint32_t k = 1; k < node->childCount; ++k)
                node->children[k]->parent = node;
            FreeNode(rest);
            return;
        }
        node->children[1] = rest;
        rest->parent = node;
    }
    FormulaNode* s = node->children[0];
    FormulaNode* r = node->children[1];
    if (IsNumberNode(s) || (by.simple && !HoldsVariable(s, by))) {
        DifferentiateBy(r, by);
    } else if (by.simple && !HoldsVariable(r, by)) {
        node->children[0] = r;
        node->children[1] = s;
        DifferentiateBy(s, by);
    } else {
        // S R' + R S'
        FormulaNode* built = MakeSum(MakeProduct(C(s), C(r)), MakeProduct(C(r), C(s)));
        BecomeAndDifferentiate(node, built, {At(built, {0, 1}), At(built, {1, 1})}, by);
    }
}

// (v u' - u v') / v^2
void DifferentiateFraction(FormulaNode* node, const DerivativeBy& by)
{
    const FormulaNode* u = node->children[0];
    const FormulaNode* v = node->children[1];
    FormulaNode* built = MakeQuotient(MakeSum(MakeProduct(C(v), C(u)), MakeNegation(MakeProduct(C(u), C(v)))),
        MakeSquare(C(v)));
    BecomeAndDifferentiate(node, built, {At(built, {0, 0, 1}), At(built, {0, 1, 0, 1})}, by);
}

void DifferentiatePower(FormulaNode* node, const DerivativeBy& by)
{
    const FormulaNode* m = node->children[0];
    const FormulaNode* l = node->children[1];
    FormulaNode* built;
    if (IsVariable(m, CodeE)) {
        // e^L L'
        built = MakeProduct(MakePower(C(m), C(l)), C(l));
        BecomeAndDifferentiate(node, built, {At(built, {1})}, by);
    } else if (IsNumberNode(l)) {
        // n M^(n-1) M'
        double n = NumberValue(l);
        FormulaNode* power = MakePower(C(m), MakeNumberNode(n - 1));
        if (IsTheVariable(m, by)) {
            BecomeAndDifferentiate(node, MakeProduct(MakeNumberNode(n), power), {}, by);
        } else {
            built = MakeProduct3(MakeNumberNode(n), power, C(m));
            BecomeAndDifferentiate(node, built, {At(built, {2})}, by);
        }
    } else if (!by.code || HoldsVariable(l, by) || !by.partial || KeepUnknownDerivatives) {
        // M^L (ln M L' + L/M M')
        built = MakeProduct(C(node),
            MakeSum(MakeProduct(MakeLn(C(m)), C(l)), MakeProduct(MakeQuotient(C(l), C(m)), C(m))));
        BecomeAndDifferentiate(node, built, {At(built, {1, 0, 1}), At(built, {1, 1, 1})}, by);
    } else {
        // L M^(L-1) M', L free of the variable
        FormulaNode* power = MakePower(C(m), MakeSum(C(l), MakeNumberNode(-1)));
        if (IsTheVariable(m, by)) {
            BecomeAndDifferentiate(node, MakeProduct(C(l), power), {}, by);
        } else {
            built = MakeProduct3(C(l), power, C(m));
            BecomeAndDifferentiate(node, built, {At(built, {2})}, by);
        }
    }
}

void DifferentiateByKind(FormulaNode* node, const DerivativeBy& by)
{
    FormulaNode* f = node->childCount ? node->children[0] : nullptr;
    FormulaNode* built;
    FormulaNode* inner = nullptr;
    switch (node->kind) {
    case KindNumber:
        // The typed text stays; the typesetter writes a value it no longer
        // matches anew.
        node->payload.number->value = 0;
        return;
    case KindVariable:
        DifferentiateVariable(node, by);
        return;
    case KindMatrix:
        if (!by.partial && by.code == CodeT && IsPhaseVector(node)) {
            KeepAsDerivative(node, by);
            return;
        }
        [[fallthrough]];
    case KindSum:
    case KindBranch:
        for (uint32_t i = 0; i < node->childCount; ++i)
            DifferentiateBy(node->children[i], by);
        return;
    case KindProduct:
        DifferentiateProduct(node, by);
        return;
    case KindFraction:
        if (node->childCount == 2)
            DifferentiateFraction(node, by);
        return;
    case KindPower:
        if (node->childCount == 2)
            DifferentiatePower(node, by);
        return;
    case KindLn:
        // F' / F
        built = MakeQuotient(C(f), C(f));
        BecomeAndDifferentiate(node, built, {At(built, {0})}, by);
        return;
    case KindLog:
        if (node->childCount == 2) {
            // ln A / ln B
            ReplaceNode(MakeQuotient(MakeLn(C(f)), MakeLn(C(node->children[1]))), node);
            DifferentiateBy(node, by);
            return;
        }
        // (log e F') / F
        built = MakeQuotient(MakeProduct(MakeNumberNode(kLogOfE), C(f)), C(f));
        BecomeAndDifferentiate(node, built, {At(built, {0, 1})}, by);
        return;
    case KindSqrt:
        if (node->childCount == 2) {
            // A^(1/n)
            ReplaceNode(MakePower(C(f), MakeReciprocal(C(node->children[1]))), node);
            DifferentiateBy(node, by);
            return;
        }
        // F' / (2 sqrt F)
        built = MakeQuotient(C(f), MakeProduct(MakeNumberNode(2), MakeSqrt(C(f))));
        BecomeAndDifferentiate(node, built, {At(built, {0})}, by);
        return;
    case KindAbs:
        if (ContainsMatrix(node)) {
            KeepAsDerivative(node, by);
            return;
        }
        // sgn(F) F'
        built = MakeProduct(MakeSgn(C(f)), C(f));
        BecomeAndDifferentiate(node, built, {At(built, {1})}, by);
        return;
    case KindMinus:
    case KindSigma:
    case KindLeftParen:
    case KindImag:
    case KindReal:
    case KindIf:
    case KindAggregateSum:
    case KindCount:
    case KindMean:
    case KindStdDev:
    case KindRe:
    case KindIm:
    case KindColumnElement:
        DifferentiateChild(node, 0, by);
        return;
    case KindSumLoop:
        DifferentiateChild(node, 2, by);
        return;
    case KindBranchPiece:
        DifferentiateChild(node, 1, by);
        return;
    case KindBoundVariable:
        // A parameter of a function definition; the parameter differentiated
        // by was met as the variable itself.
    case KindSgn:
    case KindFloor:
    case KindCeil:
    case KindAnd:
    case KindOr:
    case KindNot:
    case KindConditionList:
        BecomeNumber(node, 0);
        return;
    default:
        break;
    }
    if (f && (built = ChainRuleDerivative(node->kind, f, &inner)))
        BecomeAndDifferentiate(node, built, {inner}, by);
    else
        KeepAsDerivative(node, by);
}

void DifferentiateBy(FormulaNode* node, const DerivativeBy& by)
{
    CoopYield();
    if (ShouldAbortComputation()) {
        if (FormulaNode* infinity = MakeVariableNode(CodeInf))
            ReplaceNode(infinity, node);
        return;
    }
    if (!by.code && TreesEqual(node, by.variable)) {
        BecomeNumber(node, 1);
        return;
    }
    if (by.partial && IsIndependentOf(node, by.variable)) {
        if (KeepUnknownDerivatives)
            KeepAsDerivative(node, by);
        else
            BecomeNumber(node, 0);
        return;
    }
    DifferentiateByKind(node, by);
    NormalizeChildrenAndNode(node);
}

}  // namespace

void Differentiate(FormulaNode* node, int32_t kind, const FormulaNode* variable)
{
    bool isVariable = variable->kind == KindVariable;
    bool partial = kind == KindPartialDerivative;
    DerivativeBy by{kind, variable, partial, partial && isVariable && !KeepUnknownDerivatives,
        isVariable ? variable->payload.code : 0u, node};
    DifferentiateBy(node, by);
}

bool IsIndependentOf(const FormulaNode* subtree, const FormulaNode* variable)
{
    if (variable->kind == KindVariable)
        return !ContainsSymbol(subtree, variable->payload.code);
    for (PreorderWalk walk(const_cast<FormulaNode*>(subtree)); walk.Node(); walk.Next()) {
        if (TreesEqual(walk.Node(), variable))
            return false;
    }
    return true;
}
