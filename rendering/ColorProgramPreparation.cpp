#include "rendering/ColorProgramPreparation.h"

#include "evaluation/PrepareTreeForCompiling.h"
#include "formula/CopyTree.h"
#include "formula/Definitions.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/Simplifier.h"
#include "formula/SimplifierSwitches.h"
#include "formula/SymbolCodes.h"
#include "formula/TreeConstness.h"
#include "formula/TreeRewrite.h"
#include "rendering/FragmentProgramCompiler.h"
#include "rendering/GpuProgramTexts.h"

#include <utility>
#include <vector>

namespace {

// Formulas nested deeper than this stay on the processor: every pass below
// recurses over the tree.
constexpr uint32_t kMaxFormulaDepth = 120;
// A complex expansion copies each part several times, so nesting multiplies
// its size; beyond this many nodes the formula stays on the processor.
constexpr uint32_t kMaxExpandedNodes = 4000;
thread_local bool ExpansionTooLarge = false;

FormulaNode* Copy(const FormulaNode* node)
{
    return CopyTree(node);
}

FormulaNode* Number(double value)
{
    return MakeNumberNode(value);
}

FormulaNode* Child(const FormulaNode* node, uint32_t i)
{
    return node->children[i];
}

bool IsNumber(const FormulaNode* node, double value)
{
    return node && node->kind == KindNumber && node->payload.number && node->payload.number->value == value;
}

bool IsUnsupportedKind(int32_t kind)
{
    switch (kind) {
    case KindApplication:
    case KindFact:
    case KindOpPartial:
    case KindSigma:
    case KindCapitalPi:
    case KindLeftParen:
    case KindChoice:
    case KindBesselJ:
    case KindIf:
    case KindBranch:
    case KindAnd:
    case KindOr:
    case KindInf:
    case KindSup:
    case KindSumLoop:
    case KindProductLoop:
    case KindBranchPiece:
        return true;
    default:
        return false;
    }
}

// Depth and size without recursion.
bool FitsLimits(const FormulaNode* root, uint32_t maxDepth, uint32_t maxNodes)
{
    std::vector<std::pair<const FormulaNode*, uint32_t>> stack{{root, 1}};
    uint32_t nodes = 0;
    while (!stack.empty()) {
        auto [node, depth] = stack.back();
        stack.pop_back();
        if (depth > maxDepth || ++nodes > maxNodes)
            return false;
        if (node->kind == KindText)
            continue;
        for (uint32_t i = 0; i < node->childCount; ++i)
            if (node->children[i])
                stack.push_back({node->children[i], depth + 1});
    }
    return true;
}

void Replace(FormulaNode* node, FormulaNode* replacement)
{
    ReplaceNode(replacement, node);
}

FormulaNode* HalfPi()
{
    return MakeQuotient(MakeVariableNode(CodePi), Number(2));
}

// (1/x) as its own copy each time it is needed.
FormulaNode* Reciprocal(const FormulaNode* x)
{
    return MakeQuotient(Number(1), Copy(x));
}

// ln((1 + x) / (1 - x)) / 2 and ln((1 + x) / (x - 1)) / 2.
FormulaNode* HalfLnRatio(const FormulaNode* x, bool flipped)
{
    FormulaNode* below = flipped ? MakeDifference(Copy(x), Number(1)) : MakeDifference(Number(1), Copy(x));
    return MakeQuotient(MakeLn(MakeQuotient(MakeSum(Number(1), Copy(x)), below)), Number(2));
}

FormulaNode* Re(const FormulaNode* pair)
{
    return Copy(pair->children[0]);
}

FormulaNode* Im(const FormulaNode* pair)
{
    return Copy(pair->children[1]);
}

// a^2 + b^2 of a pair.
FormulaNode* NormSquared(const FormulaNode* z)
{
    return MakeSum(MakeSquare(Re(z)), MakeSquare(Im(z)));
}

// Expands a formula built from copies of pairs; null (the formula freed)
// when it did not become a pair.
FormulaNode* Expanded(FormulaNode* formula)
{
    ExpandComplexTree(formula);
    if (IsComplexPair(formula))
        return formula;
    FreeTree(formula);
    return nullptr;
}

// The pair iz = (-b, a) of z = (a, b).
FormulaNode* TimesI(const FormulaNode* z)
{
    return MakeComplexPair(MakeNegation(Im(z)), Re(z));
}

FormulaNode* ComplexNumber(double re, double im)
{
    return MakeComplexPair(Number(re), Number(im));
}

FormulaNode* PairFromExpansion(FormulaNode* formula, bool asinForm)
{
    FormulaNode* w = Expanded(formula);
    if (!w)
        return nullptr;
    FormulaNode* result = asinForm ? MakeComplexPair(Im(w), MakeNegation(Re(w)))
                                   : MakeComplexPair(MakeQuotient(Im(w), Number(2)),
                                                     MakeQuotient(Re(w), Number(-2)));
    FreeTree(w);
    return result;
}

// atan z from the expansion of ln((1 + iz) / (1 - iz)).
FormulaNode* ComplexAtan(const FormulaNode* z)
{
    FormulaNode* ratio = MakeQuotient(MakeSum(ComplexNumber(1, 0), TimesI(z)),
                                      MakeDifference(ComplexNumber(1, 0), TimesI(z)));
    return PairFromExpansion(MakeLn(ratio), false);
}

FormulaNode* ComplexAsin(const FormulaNode* z)
{
    FormulaNode* root = MakeSqrt(MakeDifference(ComplexNumber(1, 0), MakeProduct(Copy(z), Copy(z))));
    return PairFromExpansion(MakeLn(MakeSum(TimesI(z), root)), true);
}

// The pair of the node whose children are all pairs; null for a kind that
// stays as it is.
FormulaNode* ExpandedPair(FormulaNode* node)
{
    const uint32_t n = node->childCount;
    const FormulaNode* z = n > 0 ? Child(node, 0) : nullptr;
    const FormulaNode* w = n > 1 ? Child(node, 1) : nullptr;
    switch (node->kind) {
    case KindNumber:
        return MakeComplexPair(Copy(node), Number(0));
    case KindVariable:
        if (node->payload.code == CodeI)
            return ComplexNumber(0, 1);
        if (IsReservedVariable(node))
            return MakeComplexPair(Copy(node), Number(0));
        return MakeComplexPair(MakeRealPart(Copy(node)), MakeImagPart(Copy(node)));
    case KindParentheses:
        return n == 1 ? MakeComplexPair(Re(z), Im(z)) : nullptr;
    case KindProduct: {
        if (n == 0)
            return nullptr;
        FormulaNode* re = Re(z);
        FormulaNode* im = Im(z);
        for (uint32_t k = 1; k < n; ++k) {
            const FormulaNode* f = Child(node, k);
            FormulaNode* nextRe = MakeDifference(MakeProduct(Copy(re), Re(f)), MakeProduct(Copy(im), Im(f)));
            FormulaNode* nextIm = MakeSum(MakeProduct(re, Im(f)), MakeProduct(im, Re(f)));
            re = nextRe;
            im = nextIm;
        }
        return MakeComplexPair(re, im);
    }
    case KindSum: {
        FormulaNode* re = MakeNode(KindSum, n);
        FormulaNode* im = MakeNode(KindSum, n);
        if (!re || !im) {
            FreeNode(re);
            FreeNode(im);
            return nullptr;
        }
        for (uint32_t k = 0; k < n; ++k) {
            re->children[k] = Re(Child(node, k));
            re->children[k]->parent = re;
            im->children[k] = Im(Child(node, k));
            im->children[k]->parent = im;
        }
        return MakeComplexPair(re, im);
    }
    case KindLess:
    case KindLeq:
    case KindGreater:
    case KindGeq:
    case KindSgn:
    case KindFloor:
    case KindMod:
    case KindMin:
    case KindMax:
    case KindConditionList: {
        FormulaNode* re = MakeNode(node->kind, n);
        if (!re)
            return nullptr;
        for (uint32_t k = 0; k < n; ++k) {
            re->children[k] = Re(Child(node, k));
            re->children[k]->parent = re;
        }
        return MakeComplexPair(re, Number(0));
    }
    case KindMinus:
        return MakeComplexPair(MakeNegation(Re(z)), MakeNegation(Im(z)));
    case KindSin:
    case KindCos: {
        const bool sine = node->kind == KindSin;
        FormulaNode* re = MakeProduct(sine ? MakeSin(Re(z)) : MakeCos(Re(z)), MakeCosh(Im(z)));
        FormulaNode* im = MakeProduct(sine ? MakeCos(Re(z)) : MakeNegation(MakeSin(Re(z))), MakeSinh(Im(z)));
        LowerTreeForGPU(re);
        LowerTreeForGPU(im);
        return MakeComplexPair(re, im);
    }
    case KindAsin:
        return ComplexAsin(z);
    case KindAtan:
        return ComplexAtan(z);
    case KindAcot: {
        FormulaNode* inverse = Expanded(MakeQuotient(ComplexNumber(1, 0), Copy(z)));
        if (!inverse)
            return nullptr;
        FormulaNode* result = ComplexAtan(inverse);
        FreeTree(inverse);
        return result;
    }
    case KindLog: {
        if (n != 1)
            return nullptr;
        FormulaNode* l = Expanded(MakeLn(Copy(z)));
        if (!l)
            return nullptr;
        FormulaNode* result = MakeComplexPair(MakeQuotient(Re(l), MakeLn(Number(10))),
                                              MakeQuotient(Im(l), MakeLn(Number(10))));
        FreeTree(l);
        return result;
    }
    case KindSqrt: {
        if (n != 1)
            return nullptr;
        if (IsNumber(Child(z, 1), 0))
            return MakeComplexPair(MakeSqrt(Re(z)), Number(0));
        FormulaNode* r = MakeSqrt(MakeSqrt(NormSquared(z)));
        FormulaNode* h = MakeProduct(Number(0.5), MakePointAngle(Re(z), Im(z)));
        return MakeComplexPair(MakeProduct(Copy(r), MakeCos(Copy(h))), MakeProduct(r, MakeSin(h)));
    }
    case KindAbs:
        return MakeComplexPair(MakeSqrt(NormSquared(z)), Number(0));
    case KindOverline:
        return MakeComplexPair(Re(z), MakeNegation(Im(z)));
    case KindFraction: {
        if (n != 2)
            return nullptr;
        FormulaNode* re = MakeSum(MakeProduct(Re(z), Re(w)), MakeProduct(Im(z), Im(w)));
        FormulaNode* im = MakeDifference(MakeProduct(Im(z), Re(w)), MakeProduct(Re(z), Im(w)));
        return MakeComplexPair(MakeQuotient(re, NormSquared(w)), MakeQuotient(im, NormSquared(w)));
    }
    case KindPower: {
        if (n != 2)
            return nullptr;
        const FormulaNode* c = Child(w, 0);
        const FormulaNode* d = Child(w, 1);
        const FormulaNode* a = Child(z, 0);
        const FormulaNode* b = Child(z, 1);
        if (IsNumber(d, 0) && IsNumber(c, 2))
            return MakeComplexPair(MakeDifference(MakeSquare(Re(z)), MakeSquare(Im(z))),
                                   MakeProduct3(Number(2), Re(z), Im(z)));
        if (IsNumber(d, 0) && IsNumber(b, 0))
            return MakeComplexPair(MakePower(Re(z), Copy(c)), Number(0));
        FormulaNode* power;
        if (a->kind == KindVariable && a->payload.code == CodeE && IsNumber(b, 0))
            power = MakeExp(Copy(w));
        else
            power = MakeExp(MakeProduct(Copy(w), MakeLn(Copy(z))));
        FormulaNode* result = Expanded(power);
        if (!result)
            return nullptr;
        FormulaNode* pair = MakeComplexPair(Re(result), Im(result));
        FreeTree(result);
        return pair;
    }
    case KindLn:
        return MakeComplexPair(MakeLn(MakeSqrt(NormSquared(z))), MakePointAngle(Re(z), Im(z)));
    case KindExp:
        return MakeComplexPair(MakeProduct(MakeExp(Re(z)), MakeCos(Im(z))),
                               MakeProduct(MakeExp(Re(z)), MakeSin(Im(z))));
    case KindArg:
        return MakeComplexPair(MakePointAngle(Re(z), Im(z)), Number(0));
    case KindImag:
    case KindIm:
        return MakeComplexPair(Im(z), Number(0));
    case KindReal:
    case KindRe:
        return MakeComplexPair(Re(z), Number(0));
    default:
        return nullptr;
    }
}

std::string PrepareAndBuild(FormulaNode* copies[3], FormulaNode* condition, bool hsv, ProgramConstantTrees* parameters,
                            bool hsvOut, DocState* doc)
{
    const bool colours = copies[0] && copies[1] && copies[2];
    FormulaNode* trees[4] = {copies[0], copies[1], copies[2], condition};
    for (FormulaNode* tree : trees) {
        if (!tree)
            continue;
        if (HasGPUUnsupportedNode(tree) || !FitsLimits(tree, kMaxFormulaDepth, UINT32_MAX))
            return {};
    }
    for (FormulaNode* tree : trees) {
        if (!tree)
            continue;
        LowerAggregates(tree, doc);
        LowerTreeForGPU(tree);
        ReplaceByRealPart(doc, tree);
    }
    if (!colours)
        return BuildRGBFragmentProgram(parameters, nullptr, nullptr, nullptr, condition, doc);
    if (hsv)
        return BuildHSVFragmentProgram(parameters, copies[0], copies[1], copies[2], condition, doc, hsvOut);
    return BuildRGBFragmentProgram(parameters, copies[0], copies[1], copies[2], condition, doc);
}

std::string ColorTextHook(const FormulaNode* red, const FormulaNode* green, const FormulaNode* blue,
                          const FormulaNode* condition, bool hsv, ProgramConstantTrees* parameters, bool hsvOut,
                          DocState* doc)
{
    const FormulaNode* colour[3] = {red, green, blue};
    return PrepareColorProgramText(colour, condition, hsv, parameters, hsvOut, doc);
}

}  // namespace

std::string PrepareColorProgramText(const FormulaNode* const colour[3], const FormulaNode* condition, bool hsv,
                                 ProgramConstantTrees* parameters, bool hsvOut, DocState* doc)
{
    const bool colours = colour && colour[0] && colour[1] && colour[2];
    if (!colours && !condition)
        return {};
    FormulaNode* copies[3] = {nullptr, nullptr, nullptr};
    if (colours) {
        for (int k = 0; k < 3; ++k)
            copies[k] = CopyTree(colour[k]);
        // The program's conversion takes degrees; the formula gives turns.
        if (hsv && !hsvOut)
            copies[0] = MakeProduct(Number(360), copies[0]);
    }
    FormulaNode* conditionCopy = condition ? CopyTree(condition) : nullptr;
    const std::string text = PrepareAndBuild(copies, conditionCopy, hsv && colours, parameters, hsvOut, doc);
    for (FormulaNode* copy : copies)
        FreeTree(copy);
    FreeTree(conditionCopy);
    return text;
}

std::string PrepareConstantColorProgramText(const FormulaNode* condition, ProgramConstantTrees* parameters,
                                         bool textureOnly, DocState* doc)
{
    if (textureOnly)
        return PrepareColorProgramText(nullptr, condition, false, parameters, false, doc);
    FormulaNode* ones[3] = {Number(1), Number(1), Number(1)};
    const FormulaNode* colour[3] = {ones[0], ones[1], ones[2]};
    std::string text = PrepareColorProgramText(colour, condition, false, parameters, false, doc);
    for (FormulaNode* one : ones)
        FreeTree(one);
    return text;
}

bool HasGPUUnsupportedNode(const FormulaNode* tree)
{
    std::vector<const FormulaNode*> stack{tree};
    while (!stack.empty()) {
        const FormulaNode* node = stack.back();
        stack.pop_back();
        if (!node)
            continue;
        if (IsUnsupportedKind(node->kind))
            return true;
        if (node->kind == KindVariable) {
            const uint32_t code = node->payload.code;
            if ((code >= CodeThetaPrimed && code <= CodeRPrimed) || code == CodeT || code == CodeU || code == CodeV)
                return true;
        }
        if (node->kind == KindText)
            continue;
        for (uint32_t i = 0; i < node->childCount; ++i)
            stack.push_back(node->children[i]);
    }
    return false;
}

void LowerNodeForGPU(FormulaNode* node)
{
    const uint32_t n = node->childCount;
    const FormulaNode* x = n > 0 ? node->children[0] : nullptr;
    const FormulaNode* b = n > 1 ? node->children[1] : nullptr;
    const FormulaNode* c = n > 2 ? node->children[2] : nullptr;
    FormulaNode* replacement = nullptr;
    switch (node->kind) {
    case KindVariable:
        if (node->payload.code == CodeDegree)
            replacement = Number(0.017453292519943295);
        break;
    case KindTan:
        replacement = x ? MakeQuotient(MakeSin(Copy(x)), MakeCos(Copy(x))) : nullptr;
        break;
    case KindCot:
        replacement = x ? MakeQuotient(MakeCos(Copy(x)), MakeSin(Copy(x))) : nullptr;
        break;
    case KindCsc:
        replacement = x ? MakeQuotient(Number(1), MakeSin(Copy(x))) : nullptr;
        break;
    case KindSec:
        replacement = x ? MakeQuotient(Number(1), MakeCos(Copy(x))) : nullptr;
        break;
    case KindAcos:
        replacement = x ? MakeDifference(HalfPi(), MakeAsin(Copy(x))) : nullptr;
        break;
    case KindAcsc:
        replacement = x ? MakeAsin(Reciprocal(x)) : nullptr;
        break;
    case KindAsec:
        replacement = x ? MakeDifference(HalfPi(), MakeAsin(Reciprocal(x))) : nullptr;
        break;
    case KindSinh:
        replacement = x ? MakeQuotient(MakeExpDifference(Copy(x)), Number(2)) : nullptr;
        break;
    case KindCosh:
        replacement = x ? MakeQuotient(MakeExpSum(Copy(x)), Number(2)) : nullptr;
        break;
    case KindTanh:
        replacement = x ? MakeQuotient(MakeExpDifference(Copy(x)), MakeExpSum(Copy(x))) : nullptr;
        break;
    case KindCoth:
        replacement = x ? MakeQuotient(MakeExpSum(Copy(x)), MakeExpDifference(Copy(x))) : nullptr;
        break;
    case KindCsch:
        replacement = x ? MakeQuotient(Number(2), MakeExpDifference(Copy(x))) : nullptr;
        break;
    case KindSech:
        replacement = x ? MakeQuotient(Number(2), MakeExpSum(Copy(x))) : nullptr;
        break;
    case KindAsinh:
        replacement = x ? MakeLn(MakeSum(Copy(x), MakeSqrt(MakeOnePlusSquare(Copy(x))))) : nullptr;
        break;
    case KindAcosh:
        replacement = x ? MakeLn(MakeSum(Copy(x), MakeSqrt(MakeSquareMinusOne(Copy(x))))) : nullptr;
        break;
    case KindAtanh:
        replacement = x ? HalfLnRatio(x, false) : nullptr;
        break;
    case KindAcoth:
        replacement = x ? HalfLnRatio(x, true) : nullptr;
        break;
    case KindAcsch:
        replacement = x ? MakeLn(MakeSum(Reciprocal(x), MakeSqrt(MakeOnePlusSquare(Reciprocal(x))))) : nullptr;
        break;
    case KindAsech:
        replacement = x ? MakeLn(MakeSum(Reciprocal(x), MakeSqrt(MakeSquareMinusOne(Reciprocal(x))))) : nullptr;
        break;
    case KindLog:
        if (n == 2)
            replacement = MakeQuotient(MakeLn(Copy(x)), MakeLn(Copy(b)));
        break;
    case KindSqrt:
        if (n == 2)
            replacement = MakePower(Copy(x), MakeQuotient(Number(1), Copy(b)));
        break;
    case KindSn:
        replacement = b ? MakeProduct(Copy(x), MakePower(Number(10), Copy(b))) : nullptr;
        break;
    case KindCeil:
        replacement = x ? MakeNegation(MakeFloor(MakeNegation(Copy(x)))) : nullptr;
        break;
    case KindClamp:
        replacement = c ? MakeMin(Copy(c), MakeMax(Copy(b), Copy(x))) : nullptr;
        break;
    default:
        break;
    }
    if (replacement)
        Replace(node, replacement);
}

void LowerTreeForGPU(FormulaNode* tree)
{
    if (!tree)
        return;
    if (tree->kind != KindText)
        for (uint32_t i = 0; i < tree->childCount; ++i)
            LowerTreeForGPU(tree->children[i]);
    LowerNodeForGPU(tree);
}

bool IsComplexPair(const FormulaNode* node)
{
    return node && node->kind == KindComplexPair && node->childCount == 2;
}

void ExpandComplexTree(FormulaNode* node)
{
    if (!node || node->kind == KindText)
        return;
    for (uint32_t i = 0; i < node->childCount; ++i) {
        if (!IsComplexPair(node->children[i]))
            ExpandComplexTree(node->children[i]);
        // A part that stayed as it was keeps its parent as it is too.
        if (!IsComplexPair(node->children[i]))
            return;
    }
    ExpandComplexNode(node);
}

void ExpandComplexNode(FormulaNode* node)
{
    if (ExpansionTooLarge)
        return;
    for (uint32_t i = 0; i < node->childCount; ++i)
        if (!IsComplexPair(node->children[i]))
            return;
    FormulaNode* pair = ExpandedPair(node);
    if (!pair)
        return;
    if (!IsComplexPair(pair)) {
        FreeTree(pair);
        return;
    }
    Replace(node, pair);
    {
        SwitchSetting keepPowers(DistributePowersFlag, 0);
        SimplifyTree(node);
    }
    RewriteHalfPowers(node);
    if (!FitsLimits(node, UINT32_MAX, kMaxExpandedNodes))
        ExpansionTooLarge = true;
}

void ReplaceByRealPart(DocState* doc, FormulaNode* tree)
{
    if (!tree || !UsesComplexNumbers(tree, doc))
        return;
    FormulaNode* copy = CopyTree(tree);
    if (!copy)
        return;
    ExpansionTooLarge = false;
    ExpandComplexTree(copy);
    if (ExpansionTooLarge)
        // Too large to run per pixel: the free i left in place keeps the
        // program from being built.
        Replace(tree, MakeVariableNode(CodeI));
    else if (IsComplexPair(copy))
        Replace(tree, CopyTree(copy->children[0]));
    ExpansionTooLarge = false;
    FreeTree(copy);
}

void RewriteHalfPowers(FormulaNode* tree)
{
    if (!tree || tree->kind == KindText)
        return;
    for (uint32_t i = 0; i < tree->childCount; ++i)
        RewriteHalfPowers(tree->children[i]);
    if (tree->kind == KindPower && tree->childCount == 2) {
        const FormulaNode* exponent = tree->children[1];
        if (exponent->kind == KindFraction && exponent->childCount == 2 && IsNumber(exponent->children[0], 1) &&
            IsNumber(exponent->children[1], 2))
            Replace(tree, MakeSqrt(CopyTree(tree->children[0])));
    }
}

FormulaNode* MakeSelfProduct(FormulaNode* x)
{
    return MakeProduct(x, CopyTree(x));
}

FormulaNode* MakeAtan(FormulaNode* x)
{
    return MakeUnaryNode(KindAtan, x);
}

FormulaNode* MakeAsin(FormulaNode* x)
{
    return MakeUnaryNode(KindAsin, x);
}

FormulaNode* MakeFloor(FormulaNode* x)
{
    return MakeUnaryNode(KindFloor, x);
}

FormulaNode* MakeMin(FormulaNode* a, FormulaNode* b)
{
    return MakeBinaryNode(KindMin, a, b);
}

FormulaNode* MakeMax(FormulaNode* a, FormulaNode* b)
{
    return MakeBinaryNode(KindMax, a, b);
}

FormulaNode* MakePointAngle(FormulaNode* x, FormulaNode* y)
{
    return MakeBinaryNode(KindPointAngle, x, y);
}

FormulaNode* MakeExpSum(FormulaNode* x)
{
    FormulaNode* copy = CopyTree(x);
    return MakeSum(MakeExp(x), MakeExp(MakeNegation(copy)));
}

FormulaNode* MakeExpDifference(FormulaNode* x)
{
    FormulaNode* copy = CopyTree(x);
    return MakeDifference(MakeExp(x), MakeExp(MakeNegation(copy)));
}

FormulaNode* MakeComplexPair(FormulaNode* real, FormulaNode* imaginary)
{
    return MakeBinaryNode(KindComplexPair, real, imaginary);
}

void RegisterGpuProgramTexts()
{
    GpuProgramTexts texts;
    texts.makeColorProgramText = &ColorTextHook;
    texts.makeConstantColorProgramText = &PrepareConstantColorProgramText;
    texts.vertexProgramText = ColorVertexProgramText();
    SetGpuProgramTexts(texts);
}
