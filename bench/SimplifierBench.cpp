// The simplifier and differentiation on formulas that grow: like terms are
// found by pairwise scans, so the time per pair of terms is the figure to
// compare across sizes (the 10-term sum is the reference); expansion and
// derivatives of growing formulas for the cost per result node.
#include "CoreUtilities/MemoryBudget.h"
#include "formula/CopyTree.h"
#include "formula/Derivative.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/NodePoolSet.h"
#include "formula/Simplifier.h"
#include "formula/SimplifierSwitches.h"
#include "formula/TreeQuery.h"

#include <benchmark/benchmark.h>

namespace {

FormulaNode* Attach(FormulaNode* parent, uint32_t i, FormulaNode* child)
{
    parent->children[i] = child;
    child->parent = parent;
    return child;
}

FormulaNode* Binary(int32_t kind, FormulaNode* a, FormulaNode* b)
{
    FormulaNode* node = MakeNode(kind, 2);
    Attach(node, 0, a);
    Attach(node, 1, b);
    return node;
}

// n terms that are never alike: every pair is compared and none merges.
FormulaNode* DistinctTerms(uint32_t n)
{
    FormulaNode* sum = MakeNode(KindSum, n);
    for (uint32_t k = 0; k < n; ++k)
        Attach(sum, k, Binary(KindProduct, MakeNumberNode(k + 2), MakeVariableNode(256 + k)));
    return sum;
}

void BM_DistinctTerms(benchmark::State& state)
{
    InitFormulaEngine();
    uint32_t n = static_cast<uint32_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        FormulaNode* sum = DistinctTerms(n);
        state.ResumeTiming();
        SimplifyTree(sum);
        state.PauseTiming();
        FreeTree(sum);
        FlushNodePools();
        state.ResumeTiming();
    }
    double pairs = 0.5 * n * (n - 1.0);
    state.counters["time_per_pair"] = benchmark::Counter(pairs * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DistinctTerms)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// (x1 + 1)(x2 + 1)...(xk + 1) expanded: 2^k terms.
void BM_ExpandProductOfBinomials(benchmark::State& state)
{
    InitFormulaEngine();
    uint32_t k = static_cast<uint32_t>(state.range(0));
    SwitchSetting expanding(ExpandFlag, 1);
    uint32_t terms = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FormulaNode* product = MakeNode(KindProduct, k);
        for (uint32_t j = 0; j < k; ++j)
            Attach(product, j, Binary(KindSum, MakeVariableNode(256 + j), MakeNumberNode(1)));
        state.ResumeTiming();
        SimplifyTree(product);
        state.PauseTiming();
        terms = product->childCount;
        FreeTree(product);
        FlushNodePools();
        state.ResumeTiming();
    }
    state.counters["terms"] = terms;
    state.counters["time_per_term"] = benchmark::Counter(static_cast<double>(terms) *
            static_cast<double>(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ExpandProductOfBinomials)->Arg(4)->Arg(8)->Arg(12)->Unit(benchmark::kMicrosecond);

FormulaNode* Unary(int32_t kind, FormulaNode* a)
{
    FormulaNode* node = MakeNode(kind, 1);
    Attach(node, 0, a);
    return node;
}

// d/dx of sin(cos(sin(... x))) (range 0) and of x sin(x) cos(x) ... as one
// product of that many factors (range 1).
void BM_Differentiate(benchmark::State& state)
{
    InitFormulaEngine();
    bool chain = state.range(0) == 0;
    uint32_t size = static_cast<uint32_t>(state.range(1));
    FormulaNode* variable = MakeVariableNode('x');
    uint32_t nodes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FormulaNode* tree;
        if (chain) {
            tree = MakeVariableNode('x');
            for (uint32_t j = 0; j < size; ++j)
                tree = Unary(j % 2 ? KindCos : KindSin, tree);
        } else {
            tree = MakeNode(KindProduct, size);
            for (uint32_t j = 0; j < size; ++j)
                Attach(tree, j, Unary(KindSin + j % 20, MakeVariableNode('x')));
        }
        state.ResumeTiming();
        Differentiate(tree, KindTotalDerivative, variable);
        state.PauseTiming();
        nodes = CountNodes(tree);
        FreeTree(tree);
        FlushNodePools();
        state.ResumeTiming();
    }
    state.counters["result_nodes"] = nodes;
    FreeTree(variable);
}
BENCHMARK(BM_Differentiate)->Args({0, 10})->Args({0, 40})->Args({0, 160})->Args({1, 5})->Args({1, 20})->Args({1, 80})->Unit(benchmark::kMicrosecond);

}  // namespace
