#include "evaluation/ConstantEvaluation.h"

#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/ConstantTable.h"
#include "support/EvaluationFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <thread>

namespace {

using ConstantEvaluationTest = EvaluationTest;

void Invalidate(CompiledFormula* f)
{
    f->pointContext.constantsReady.store(0);
}

TEST_F(ConstantEvaluationTest, ConstantsFollowTheSliderAfterInvalidation)
{
    CompiledFormula* f = Compiled("(+ x (power n 2))");
    ASSERT_EQ(f->pointContext.table->entries.count, 1);
    doc.SliderValue = 2;
    EXPECT_EQ(f->EvaluateAtXY(1, 0), 5);
    doc.SliderValue = 3;
    EXPECT_EQ(f->EvaluateAtXY(1, 0), 5);  // still the values of the last evaluation
    Invalidate(f);
    EXPECT_EQ(f->EvaluateAtXY(1, 0), 10);
    // Compiling again makes the values stale as well.
    doc.SliderValue = 4;
    CompileFormula(f);
    EXPECT_EQ(f->EvaluateAtXY(1, 0), 17);
    // A formula without constants has an empty table.
    CompiledFormula* plain = Compiled("(+ x 1)");
    EXPECT_EQ(plain->pointContext.table->entries.count, 0);
    EXPECT_EQ(plain->EvaluateAtXY(1, 0), 2);
}

TEST_F(ConstantEvaluationTest, TwoThreadsRacingEvaluateTheConstantsOnce)
{
    // A constant that takes a while, so that both threads arrive while it runs.
    CompiledFormula* f = Compiled("(+ x (sum (* k n) (= k 1) 20000))");
    doc.SliderValue = 1;
    const double expected = 20000.0 * 20001 / 2;
    for (int round = 0; round < 20; ++round) {
        Invalidate(f);
        uint64_t before = ConstantEvaluationCount.load();
        double results[2] = {0, 0};
        std::barrier start(2);
        auto run = [&](int which) {
            start.arrive_and_wait();
            results[which] = f->EvaluateAtXY(0, 0);
        };
        std::thread first(run, 0);
        std::thread second(run, 1);
        first.join();
        second.join();
        EXPECT_EQ(ConstantEvaluationCount.load() - before, 1u);
        EXPECT_EQ(results[0], expected);
        EXPECT_EQ(results[1], expected);
    }
}

TEST_F(ConstantEvaluationTest, AStopEndsALongConstantAndLeavesItNotCurrent)
{
    // About 10^10 steps in one constant entry.
    CompiledFormula* f = Compiled("(+ x (sum (sum (* j k n) (= k 1) 100000) (= j 1) 100000))");
    EXPECT_TRUE(StopEndsTheRun(f, 1));
    EXPECT_EQ(f->pointContext.constantsReady.load(), 0);
}

}  // namespace
