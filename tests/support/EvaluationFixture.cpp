#include "support/EvaluationFixture.h"

#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "evaluation/UserFunction.h"
#include "formula/FormulaEngine.h"
#include "support/TreeText.h"
#include "support/WaitUntil.h"

#include <atomic>
#include <chrono>
#include <thread>

void EvaluationTest::SetUp()
{
    ASSERT_TRUE(InitFormulaEngine());
    AbortFlag = 0;
    ResetFailureRegister();
}

void EvaluationTest::TearDown()
{
    formulas_.clear();
    doc.UserFunctions.DeleteCompiledFormulas();
    doc.TableFunctions.Clear();
    doc.TableColumnNames.Clear();
    AbortFlag = 0;
}

CompiledFormula* EvaluationTest::Formula(const char* text)
{
    FormulaNode* tree = ParseTree(text);
    EXPECT_NE(tree, nullptr) << text;
    if (!tree)
        return nullptr;
    formulas_.push_back(std::make_unique<CompiledFormula>(tree, &doc));
    return formulas_.back().get();
}

CompiledFormula* EvaluationTest::Compiled(const char* text)
{
    CompiledFormula* formula = Formula(text);
    if (formula)
        CompileFormula(formula);
    return formula;
}

void EvaluationTest::AddUserFunction(const char* definition)
{
    FormulaNode* tree = ParseTree(definition);
    ASSERT_NE(tree, nullptr) << definition;
    doc.UserFunctions.Push(new UserFunction(tree, &doc));
}

bool EvaluationTest::StopEndsTheRun(CompiledFormula* formula, double x)
{
    std::atomic<bool> done{false};
    std::thread runner([&] {
        formula->EvaluateAtXY(x, 0);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    formula->SetStopFlag(1);
    bool ended = WaitUntil([&] { return done.load(); }, 10);
    runner.join();
    formula->SetStopFlag(0);
    return ended;
}
