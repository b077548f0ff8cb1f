// Formulas a user can type whose operands do not fit their operators: every
// evaluation entry must answer undefined without touching memory outside
// the run's stack (the address-sanitizer build checks the second half).
#include "evaluation/CompiledFormula.h"

#include "evaluation/BytecodeProgram.h"
#include "numerics/ComplexValue.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/GridProgramSet.h"
#include "formula/LoweringPasses.h"
#include "support/EvaluationFixture.h"
#include "support/TreeText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

const char* const kFormulas[] = {
    "(clamp x)",
    "(clamp x y)",
    "(mod (mod x))",
    "(= 1 (mod (mod (+ i x))))",
    "(sum (, x 1) (= k 1) 100000)",
    "(product (, x y 1) (= k 1) 1000)",
    "(sum (set x 1) (= k 1) 100000)",
    "(sum (dot x 1) (= k 1) 100000)",
    "(sum (cross x y) (= k 1) 100000)",
    "(sum (sum (, k x) (= j 1) 300) (= k 1) 300)",
    "(integral (, x 1) x 0 1)",
    "(, x 1)",
};

class HostileFormulaTest : public EvaluationTest {
protected:
    // Compiles the tree (owned from here on) and runs every entry on it.
    void CheckEveryEntry(FormulaNode* tree, const char* text)
    {
        auto owned = std::make_unique<CompiledFormula>(tree, &doc);
        CompiledFormula* f = owned.get();
        CompileFormula(f);
        ASSERT_NE(f->pointProgram, nullptr) << text;
        EXPECT_TRUE(VerifyProgram(*f->pointProgram)) << text;
        EXPECT_TRUE(std::isnan(f->EvaluateAtXY(0.5, 0.25))) << text;
        EXPECT_TRUE(HasNaNPart(f->EvaluateComplexAtXY(0.5, 0.25))) << text;
        Interval box = f->EvaluateOverBoxXY(0, 1, 0, 1);
        EXPECT_TRUE(std::isnan(box.lo) && std::isnan(box.hi)) << text;

        std::unique_ptr<GridProgramSet> set(LinkGridFormula(f));
        ASSERT_NE(set, nullptr) << text;
        GridEvalState state;
        ASSERT_TRUE(PrepareGrid2D(0, 0, 0.25, 0.25, 4, 3, set.get(), &state)) << text;
        std::vector<double> row(4, 0);
        f->EvaluateRow(1, &state, row.data());
        for (double value : row)
            EXPECT_TRUE(std::isnan(value)) << text << " by rows";
        EXPECT_TRUE(std::isnan(f->EvaluateAtGridPoint(2, 1, &state))) << text << " at a grid point";
    }
};

TEST_F(HostileFormulaTest, EveryEntryAnswersUndefined)
{
    for (const char* text : kFormulas) {
        for (bool lowered : {false, true}) {
            // A graph lowers a definite integral to a weighted sum first.
            FormulaNode* tree = ParseTree(text);
            ASSERT_NE(tree, nullptr) << text;
            if (lowered)
                LowerDefiniteIntegrals(tree);
            CheckEveryEntry(tree, text);
        }
    }
}

}  // namespace
