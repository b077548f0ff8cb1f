// Compile time grows linearly with the tree: a chain 30,000 deep and a sum
// of 65,535 terms compile in a fraction of a second (quadratic passes took
// tens of seconds). Trees this deep are
// built and freed on a thread with a large stack, since not every tree
// routine walks without recursion.
#include "evaluation/CompiledFormula.h"

#include "document/DocState.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/GridProgramSet.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "support/SmallStack.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>

namespace {

constexpr size_t kLargeStack = 512u * 1024 * 1024;

// A sanitizer build runs several times slower; the bounds grow with it.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr double kSlowdown = 5;
#else
constexpr double kSlowdown = 1;
#endif

// ((x + 1) + 1) ... + 1, depth deep.
FormulaNode* Chain(int32_t depth)
{
    FormulaNode* node = MakeVariableNode('x');
    for (int32_t i = 0; i < depth; ++i)
        node = MakeBinaryNode(KindSum, node, MakeNumberNode(1));
    return node;
}

// 1 x + 2 x + ... + n x as one sum of n terms.
FormulaNode* WideSum(int32_t n)
{
    FormulaNode* sum = MakeNode(KindSum, static_cast<uint32_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        FormulaNode* term = MakeBinaryNode(KindProduct, MakeNumberNode(i + 1), MakeVariableNode('x'));
        term->parent = sum;
        sum->children[i] = term;
    }
    return sum;
}

double SecondsToCompile(FormulaNode* (*make)(int32_t), int32_t size, double x, double* value, bool grid)
{
    double seconds = 0;
    OnSmallStack(kLargeStack, [&] {
        InitFormulaEngine();
        DocState doc;
        auto formula = std::make_unique<CompiledFormula>(make(size), &doc);
        auto start = std::chrono::steady_clock::now();
        CompileFormula(formula.get());
        std::unique_ptr<GridProgramSet> set(grid ? LinkGridFormula(formula.get()) : nullptr);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        *value = formula->EvaluateAtXY(x, 0);
    });
    return seconds;
}

TEST(CompileTime, DeepAndWideTreesCompileInLinearTime)
{
    struct Case {
        const char* what;
        FormulaNode* (*make)(int32_t);
        int32_t size;
        double x;
        double expected;
        double seconds;  // generous, for a loaded machine of two cores
    };
    const Case cases[] = {
        {"a chain 30,000 deep", Chain, 30000, 0.5, 30000.5, 1},
        {"a sum of 65,535 terms", WideSum, 65535, 2, 65535.0 * 65536.0, 2},
    };
    for (const Case& c : cases) {
        for (bool grid : {false, true}) {
            double value = NAN;
            double seconds = SecondsToCompile(c.make, c.size, c.x, &value, grid);
            EXPECT_LT(seconds, c.seconds * kSlowdown) << c.what << (grid ? " linked for a grid" : "");
            EXPECT_EQ(value, c.expected) << c.what;
        }
    }
}

}  // namespace
