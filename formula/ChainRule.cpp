#include "formula/ChainRule.h"

#include "CoreUtilities/MemoryBudget.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"

namespace {

// How the outer derivative D meets w.
enum class Combine : uint8_t {
    Times,     // D w
    NegTimes,  // -(D w)
    Over,      // w / D
    NegOver,   // -(w / D)
};

using OuterBuilder = FormulaNode* (*)(const FormulaNode* f);

struct ChainRuleEntry {
    int32_t kind;
    Combine combine;
    OuterBuilder outer;
};

FormulaNode* C(const FormulaNode* f)
{
    return CopyTree(f);
}

// The table of the derivatives; every F in an entry is a fresh copy.
const ChainRuleEntry kChainRules[] = {
    {KindSin, Combine::Times, [](const FormulaNode* f) { return MakeCos(C(f)); }},
    {KindCos, Combine::NegTimes, [](const FormulaNode* f) { return MakeSin(C(f)); }},
    {KindTan, Combine::Times, [](const FormulaNode* f) { return MakeSquare(MakeSec(C(f))); }},
    {KindCot, Combine::NegTimes, [](const FormulaNode* f) { return MakeSquare(MakeCsc(C(f))); }},
    {KindCsc, Combine::NegTimes, [](const FormulaNode* f) { return MakeProduct(MakeCsc(C(f)), MakeCot(C(f))); }},
    {KindSec, Combine::Times, [](const FormulaNode* f) { return MakeProduct(MakeSec(C(f)), MakeTan(C(f))); }},
    {KindAsin, Combine::Over, [](const FormulaNode* f) { return MakeSqrt(MakeOneMinusSquare(C(f))); }},
    {KindAcos, Combine::NegOver, [](const FormulaNode* f) { return MakeSqrt(MakeOneMinusSquare(C(f))); }},
    {KindAtan, Combine::Over, [](const FormulaNode* f) { return MakeOnePlusSquare(C(f)); }},
    {KindAcot, Combine::NegOver, [](const FormulaNode* f) { return MakeOnePlusSquare(C(f)); }},
    {KindAcsc, Combine::NegOver,
        [](const FormulaNode* f) { return MakeProduct(MakeAbs(C(f)), MakeSqrt(MakeSquareMinusOne(C(f)))); }},
    {KindAsec, Combine::Over,
        [](const FormulaNode* f) { return MakeProduct(MakeAbs(C(f)), MakeSqrt(MakeSquareMinusOne(C(f)))); }},
    {KindSinh, Combine::Times, [](const FormulaNode* f) { return MakeCosh(C(f)); }},
    {KindCosh, Combine::Times, [](const FormulaNode* f) { return MakeSinh(C(f)); }},
    {KindTanh, Combine::Times, [](const FormulaNode* f) { return MakeSquare(MakeSech(C(f))); }},
    {KindCoth, Combine::NegTimes, [](const FormulaNode* f) { return MakeSquare(MakeCsch(C(f))); }},
    {KindCsch, Combine::NegTimes, [](const FormulaNode* f) { return MakeProduct(MakeCsch(C(f)), MakeCoth(C(f))); }},
    {KindSech, Combine::NegTimes, [](const FormulaNode* f) { return MakeProduct(MakeSech(C(f)), MakeTanh(C(f))); }},
    {KindAsinh, Combine::Over, [](const FormulaNode* f) { return MakeSqrt(MakeOnePlusSquare(C(f))); }},
    {KindAcosh, Combine::Over, [](const FormulaNode* f) { return MakeSqrt(MakeSquareMinusOne(C(f))); }},
    {KindAtanh, Combine::Over, [](const FormulaNode* f) { return MakeOneMinusSquare(C(f)); }},
    {KindAcoth, Combine::Over, [](const FormulaNode* f) { return MakeNegation(MakeSquareMinusOne(C(f))); }},
    {KindAcsch, Combine::NegOver,
        [](const FormulaNode* f) { return MakeProduct(MakeAbs(C(f)), MakeSqrt(MakeOnePlusSquare(C(f)))); }},
    {KindAsech, Combine::NegOver,
        [](const FormulaNode* f) { return MakeProduct(C(f), MakeSqrt(MakeOneMinusSquare(C(f)))); }},
    {KindExp, Combine::Times, [](const FormulaNode* f) { return MakeExp(C(f)); }},
};

}  // namespace

FormulaNode* ChainRuleDerivative(int32_t kind, const FormulaNode* argument, FormulaNode** inner)
{
    for (const ChainRuleEntry& entry : kChainRules) {
        if (entry.kind != kind)
            continue;
        FormulaNode* outer = entry.outer(argument);
        FormulaNode* w = CopyTree(argument);
        *inner = w;
        bool times = entry.combine == Combine::Times || entry.combine == Combine::NegTimes;
        FormulaNode* result = times ? MakeProduct(outer, w) : MakeQuotient(w, outer);
        if (entry.combine == Combine::NegTimes || entry.combine == Combine::NegOver)
            result = MakeNegation(result);
        // A build that ran out of memory may have freed the copy; there is
        // nothing to differentiate then.
        if (!result || AbortFlag)
            *inner = nullptr;
        return result;
    }
    return nullptr;
}
