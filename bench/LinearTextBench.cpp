// The linear formula text of a wide sum (16,384 terms c*x with 16-digit
// coefficients) against the floor of the same output: std::to_chars of the
// coefficients and the operator bytes written into one array.
#include "CoreUtilities/MemoryBudget.h"
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/LinearFormulaText.h"
#include "formula/NodeKindTable.h"
#include "formula/NodePoolSet.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kTerms = 16384;

double Coefficient(uint32_t i)
{
    return (i + 1) * 0.3713;
}

FormulaNode* WideSum()
{
    InitFormulaEngine();
    FormulaNode* root = MakeNode(KindSum, kTerms);
    for (uint32_t i = 0; i < kTerms; ++i) {
        FormulaNode* product = MakeNode(KindProduct, 2);
        product->children[0] = MakeNumberNode(Coefficient(i));
        product->children[1] = MakeVariableNode('x');
        product->children[0]->parent = product->children[1]->parent = product;
        root->children[i] = product;
        product->parent = root;
    }
    return root;
}

void WriteFormulaTextOfWideSum(benchmark::State& state)
{
    FormulaNode* root = WideSum();
    size_t bytes = 0;
    for (auto _ : state) {
        char* text = FormulaToText(root, true);
        bytes = std::strlen(text);
        BudgetFree(text);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    FreeTree(root);
    FlushNodePools();
}

void ToCharsBaseline(benchmark::State& state)
{
    std::vector<double> values(kTerms);
    for (uint32_t i = 0; i < kTerms; ++i)
        values[i] = Coefficient(i);
    std::vector<char> out(kTerms * 32);
    size_t bytes = 0;
    for (auto _ : state) {
        char* at = out.data();
        for (uint32_t i = 0; i < kTerms; ++i) {
            if (i)
                *at++ = '+';
            at = std::to_chars(at, out.data() + out.size(), values[i], std::chars_format::general, 16).ptr;
            *at++ = '*';
            *at++ = 'x';
        }
        bytes = static_cast<size_t>(at - out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

}  // namespace

BENCHMARK(WriteFormulaTextOfWideSum)->Unit(benchmark::kMillisecond);
BENCHMARK(ToCharsBaseline)->Unit(benchmark::kMillisecond);
