#include "evaluation/UserFunction.h"

#include "CoreUtilities/EngineThread.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompiledFormula.h"
#include "support/EvaluationFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

namespace {

using UserFunctionTest = EvaluationTest;

// Parameters as bound variables holding their codes: ?120 is x, ?97 a,
// ?98 b, ?110 n.
TEST_F(UserFunctionTest, CallsPassTheirArgumentsInOrder)
{
    AddUserFunction("(= (function f x) (power ?120 2))");
    AddUserFunction("(= (function g (, a b)) (+ ?97 (minus ?98)))");
    // Parameters in an order that crosses their codes: h(b, a) = 10 b + a.
    AddUserFunction("(= (function h (, b a)) (+ (* 10 ?98) ?97))");
    doc.CompileUserFunctions();
    EXPECT_EQ(Compiled("(function f 3)")->EvaluateAtXY(0, 0), 9);
    EXPECT_EQ(Compiled("(function g (, 5 2))")->EvaluateAtXY(0, 0), 3);
    EXPECT_EQ(Compiled("(function h (, 1 2))")->EvaluateAtXY(0, 0), 12);
    // A call inside a formula that varies: f(x + 1) + g(x, 1).
    EXPECT_EQ(Compiled("(+ (function f (+ x 1)) (function g (, x 1)))")->EvaluateAtXY(2, 0), 10);
}

TEST_F(UserFunctionTest, CallsThatCannotRunYieldUndefined)
{
    AddUserFunction("(= (function f x) (power ?120 2))");
    AddUserFunction("(= (function g (, a b)) (+ ?97 ?98))");
    // A body that reads a free graphing variable is not compiled.
    AddUserFunction("(= (function k a) (+ ?97 y))");
    doc.CompileUserFunctions();
    EXPECT_EQ(doc.UserFunctions[2]->program, nullptr);
    const char* calls[] = {
        "(function k 1)",
        "(function g 1)",          // too few arguments
        "(function f (, 1 2))",    // too many
        "(+ 1 (function q 1))",    // no such function: the whole run is undefined
    };
    for (const char* call : calls)
        EXPECT_TRUE(std::isnan(Compiled(call)->EvaluateAtXY(0, 0))) << call;
    // The stack stays balanced around a refused call: its undefined value
    // compares false and the sum around it is whole.
    EXPECT_EQ(Compiled("(+ 1 (< (function g (, 1 2 3)) 5) 2)")->EvaluateAtXY(0, 0), 3);
}

TEST_F(UserFunctionTest, TooManyParametersForACallFrameAreNotCompiled)
{
    AddUserFunction("(= (function f (, a b c d e1 f1 g h j k l m o)) ?97)");
    doc.CompileUserFunctions();
    EXPECT_EQ(doc.UserFunctions[0]->ParameterCount(), 13);
    EXPECT_EQ(doc.UserFunctions[0]->program, nullptr);
}

TEST_F(UserFunctionTest, RecursionByPiecesEnds)
{
    // f(n) = 1 if n = 0, otherwise n f(n - 1)
    AddUserFunction("(= (function f n) (branch (if 1 (= ?110 0)) (* ?110 (function f (+ ?110 (minus 1))))))");
    doc.CompileUserFunctions();
    EXPECT_EQ(Compiled("(function f 5)")->EvaluateAtXY(0, 0), 120);
}

TEST_F(UserFunctionTest, RunawayRecursionEndsUndefinedOnAWorkerStack)
{
    // f(x) = f(x) + 1 never ends by itself.
    AddUserFunction("(= (function f x) (+ (function f ?120) 1))");
    doc.CompileUserFunctions();
    CompiledFormula* call = Compiled("(function f 1)");
    struct Run {
        CompiledFormula* call;
        double result;
    } run{call, 0};
    pthread_t thread;
    ASSERT_TRUE(StartEngineThread(
        [](void* argument) -> void* {
            auto* r = static_cast<Run*>(argument);
            r->result = r->call->EvaluateAtXY(0, 0);
            return nullptr;
        },
        &run, &thread));
    pthread_join(thread, nullptr);
    EXPECT_TRUE(std::isnan(run.result));
}

TEST_F(UserFunctionTest, AStopReachesALongCall)
{
    // About 10^10 steps: only the stop request ends it.
    AddUserFunction("(= (function f x) (sum (sum (* j k ?120) (= k 1) 100000) (= j 1) 100000))");
    doc.CompileUserFunctions();
    EXPECT_TRUE(StopEndsTheRun(Compiled("(function f x)"), 1));
}

}  // namespace
