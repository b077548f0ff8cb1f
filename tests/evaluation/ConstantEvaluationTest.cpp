#include "evaluation/ConstantEvaluation.h"

#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/ConstantTable.h"
#include "evaluation/FormulaColour.h"
#include "support/EvaluationFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <barrier>
#include <thread>

namespace {

using ConstantEvaluationTest = EvaluationTest;

void Invalidate(CompiledFormula* f)
{
    InvalidateConstants(nullptr, f);
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

// A colour that counts what the routines ask of it.
struct CountingColour : FormulaColour {
    int stops = 0;
    int resumes = 0;
    int invalidations = 0;
    void StopFormulas() override { ++stops; }
    void ResumeFormulas() override { ++resumes; }
    void InvalidateFormulaConstants() override { ++invalidations; }
};

TEST_F(ConstantEvaluationTest, GroupRoutinesReachEveryFormulaAndTheColour)
{
    CompiledFormula* formulas[13] = {};
    for (int i = 0; i < 13; i += 2)
        formulas[i] = Compiled("(+ x (power n 2))");
    CountingColour colour;

    StopFormulas13(&colour, formulas);
    for (CompiledFormula* f : formulas)
        EXPECT_TRUE(!f || f->IsStopRequested());
    ResumeFormulas13(&colour, formulas);
    for (CompiledFormula* f : formulas)
        EXPECT_TRUE(!f || !f->IsStopRequested());
    CompiledFormula* first9[9];
    std::copy_n(formulas, 9, first9);
    StopFormulas9(nullptr, first9);
    EXPECT_TRUE(formulas[8]->IsStopRequested());
    EXPECT_FALSE(formulas[10]->IsStopRequested());
    ResumeFormulas9(nullptr, first9);
    StopFormulas(&colour, formulas[0], nullptr, formulas[2]);
    EXPECT_TRUE(formulas[0]->IsStopRequested() && formulas[2]->IsStopRequested());
    EXPECT_FALSE(formulas[4]->IsStopRequested());
    ResumeFormulas(&colour, formulas[0], nullptr, formulas[2]);
    EXPECT_FALSE(formulas[0]->IsStopRequested());
    EXPECT_EQ(colour.stops, 2);
    EXPECT_EQ(colour.resumes, 2);

    // Both contexts of every formula forget their constants.
    doc.SliderValue = 1;
    for (CompiledFormula* f : formulas) {
        if (f)
            EXPECT_EQ(f->EvaluateAtXY(1, 0), 2);
    }
    EXPECT_EQ(formulas[12]->pointContext.constantsReady.load(), 1);
    formulas[12]->gridContext.constantsReady.store(1);
    InvalidateConstants13(&colour, formulas);
    EXPECT_EQ(formulas[12]->pointContext.constantsReady.load(), 0);
    EXPECT_EQ(formulas[12]->gridContext.constantsReady.load(), 0);
    EXPECT_EQ(colour.invalidations, 1);
    doc.SliderValue = 5;
    EXPECT_EQ(formulas[12]->EvaluateAtXY(1, 0), 26);
}

TEST_F(ConstantEvaluationTest, AStopEndsALongConstantAndLeavesItNotCurrent)
{
    // About 10^10 steps in one constant entry.
    CompiledFormula* f = Compiled("(+ x (sum (sum (* j k n) (= k 1) 100000) (= j 1) 100000))");
    EXPECT_TRUE(StopEndsTheRun(f, 1));
    EXPECT_EQ(f->pointContext.constantsReady.load(), 0);
}

}  // namespace
