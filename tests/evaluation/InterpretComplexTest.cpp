#include "evaluation/InterpretComplex.h"

#include "CoreUtilities/ThreadLocks.h"
#include "CoreUtilities/ThreadStorage.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/InterpreterBuild.h"
#include "evaluation/RunControl.h"
#include "numerics/ComplexLibrary.h"
#include "numerics/TextIdentity.h"
#include "support/BudgetRefusal.h"
#include "support/CompilerFixture.h"
#include "support/ProgramText.h"
#include "support/SmallStack.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 3.141592653589793;
constexpr ComplexValue kUndefined{kNaN, kNaN};

struct Frame {
    ComplexValue slots[64];
    Frame() { std::fill(std::begin(slots), std::end(slots), kUndefined); }
};

ComplexValue RunProgram(const BytecodeProgram& program, Frame& frame)
{
    return program.RunComplex(frame.slots, nullptr);
}

ComplexValue RunText(const std::string& text, bool hasBranches = false)
{
    auto program = ProgramOf(text);
    program->hasBranches = hasBranches ? 1 : 0;
    Frame frame;
    return RunProgram(*program, frame);
}

// Both parts equal, NaN matching NaN.
bool Same(ComplexValue a, ComplexValue b)
{
    auto same = [](double x, double y) { return (std::isnan(x) && std::isnan(y)) || x == y; };
    return same(a.re, b.re) && same(a.im, b.im);
}

struct Case {
    const char* what;
    std::string code;
    ComplexValue expected;
};

void RunTable(std::initializer_list<Case> cases)
{
    for (const Case& c : cases) {
        ComplexValue result = RunText(c.code);
        EXPECT_TRUE(Same(result, c.expected)) << c.what << ": got " << result.re << " + " << result.im << "i, want "
                                              << c.expected.re << " + " << c.expected.im << "i";
    }
}

// 3 + 4i

TEST(InterpretComplex, OpcodesOnComplexValues)
{
    RunTable({
        {"empty program", "103", kUndefined},
        {"i times i is exactly -1", "76, 76, 14, 103", {-1, 0}},
        {"sqrt(-4)", "0 -4, 23, 103", {0, 2}},
        {"Re(3 + 4i)", "0 3, 0 4, 76, 14, 12, 70, 103", {3, 0}},
        {"Im(3 + 4i)", "0 3, 0 4, 76, 14, 12, 71, 103", {4, 0}},
        {"arg(-1)", "0 -1, 74, 103", {kPi, 0}},
        {"conjugate of 3 + 4i", "0 3, 0 4, 76, 14, 12, 75, 103", {3, -4}},
        {"|3 + 4i|", "0 3, 0 4, 76, 14, 12, 21, 103", {5, 0}},
        {"minus", "0 3, 0 4, 76, 14, 12, 20, 103", {-3, -4}},
        {"below / top order", "0 7, 0 2, 15, 103", {3.5, 0}},
        {"angle of (below, top)", "0 0, 0 -1, 17, 103", {3 * kPi / 2, 0}},
        {"angle of a non-real point", "76, 0 1, 17, 103", kUndefined},
        {"Bessel: x beneath, order on top", "0 1, 0 0, 65, 103", ComplexBesselJ({0, 0}, {1, 0})},
        {"clamp", "0 5, 0 0, 0 3, 80, 103", {3, 0}},
        {"min(1, i)", "0 1, 76, 78, 103", kUndefined},
        {"max(2, 3)", "0 2, 0 3, 79, 103", {3, 0}},
        {"acot 0", "0 0, 38, 103", kUndefined},
        {"(-8)^(1/3) is the principal root", "0 -8, 0 1, 0 3, 64, 103",
         ComplexPow({-8, 0}, ComplexDivide({1, 0}, {3, 0}))},
        {"interval keeps its upper end", "0 1, 0 4, 19, 103", {4, 0}},
        {"exchange and drop", "0 1, 0 2, 6, 7, 103", {2, 0}},
        {"82 ends the run undefined", "0 1, 82, 0 2, 103", kUndefined},
    });
}

// Finishing a program with an opcode outside the set makes it end undefined.
TEST(InterpretComplex, AnOpcodeOutsideTheSetEndsUndefined)
{
    auto program = ProgramOf("0 5, 103");
    Instruction unknown{};
    unknown.opcode = 250;
    program->InsertInstruction(1, unknown);
    FinishProgram(program.get());
    Frame frame;
    EXPECT_TRUE(std::isnan(RunProgram(*program, frame).re));
}

TEST(InterpretComplex, RelationsLogicAndBranches)
{
    RunTable({
        {"x < i is false, not undefined", "0 1, 76, 53 2, 103", {0, 0}},
        {"1 < 2 < 3", "0 1, 0 2, 0 3, 53 3, 103", {1, 0}},
        {"1 < 3 < 2", "0 1, 0 3, 0 2, 53 3, 103", {0, 0}},
        {"i = i compares both parts", "76, 76, 57 2, 103", {1, 0}},
        {"1 != i != 1", "0 1, 76, 0 1, 59 3, 103", {1, 0}},
        {"Not 2", "0 2, 63, 103", {1, 0}},
        {"1 And 2", "0 1, 0 2, 61, 103", {0, 0}},
        {"if true", "0 7, 0 1, 68, 103", {7, 0}},
        {"if whose condition is 2", "0 7, 0 2, 68, 103", kUndefined},
        {"piecewise: the second pair holds", "0 0, 0 10, 0 1, 0 20, 0 1, 0 30, 69 3, 103",
         {20, 0}},
        {"piecewise: no condition is 1", "0 0, 0 10, 0 0, 0 20, 69 2, 103", kUndefined},
        {"piecewise: a condition i is not 0", "76, 0 10, 0 0, 0 20, 69 2, 103", {10, 0}},
    });
    std::string apple = "0 " + NumberText(TextIdentityOf(u"apple"));
    std::string pear = "0 " + NumberText(TextIdentityOf(u"pear"));
    RunTable({
        {"equal texts", apple + ", " + apple + ", 58, 103", {1, 0}},
        {"a text and i", apple + ", 76, 58, 103", kUndefined},
        {"different texts", apple + ", " + pear + ", 60, 103", {1, 0}},
    });
}

TEST(InterpretComplex, UndefinedTopEndsTheRunUnlessTheProgramBranches)
{
    // 1/0 beneath a defined value: the drop would bring 1 back.
    const char* code = "0 1, 0 1, 0 0, 15, 7, 0 5, 12, 103";
    EXPECT_TRUE(Same(RunText(code, false), kUndefined));
    EXPECT_TRUE(Same(RunText(code, true), {6, 0}));

    // An undefined value with nothing beneath it does not end the run.
    EXPECT_TRUE(Same(RunText("82, 103", true), kUndefined));
    // Without the early end the relation would turn 1/0 into a truth value.
    EXPECT_TRUE(Same(RunText("0 1, 0 0, 15, 0 1, 53 2, 103"), kUndefined));
    EXPECT_TRUE(Same(RunText("0 1, 0 0, 15, 0 1, 53 2, 103", true), {0, 0}));
}

TEST(InterpretComplex, AnEarlyEndLeavesNoStaleSlotForTheNextProgramOfTheBatch)
{
    // The first program stores 1/x as a shared subexpression (local 0) and
    // r in slot 7; the second reads both.
    auto first = ProgramOf("0 1, 1 3, 15, 5 0, 1 3, 1 4, 18, 4 7, 12, 103");
    auto second = ProgramOf("2 0, 1 7, 12, 103");
    Frame frame;
    frame.slots[3] = {1, 0};
    frame.slots[4] = {0, 0};
    EXPECT_TRUE(Same(RunProgram(*first, frame), {2, 0}));
    EXPECT_TRUE(Same(RunProgram(*second, frame), {2, 0}));
    // At x = 0 the first ends at 1/0; the second must not see x = 1's values.
    frame.slots[3] = {0, 0};
    EXPECT_TRUE(Same(RunProgram(*first, frame), kUndefined));
    EXPECT_TRUE(Same(RunProgram(*second, frame), kUndefined));
    EXPECT_TRUE(Same(frame.slots[7], kUndefined));

    // 82 ends a run the same way.
    auto failing = ProgramOf("82, 0 3, 4 7, 103");
    frame.slots[7] = {9, 0};
    RunProgram(*failing, frame);
    EXPECT_TRUE(Same(frame.slots[7], kUndefined));
}

// Row aggregates over five rows whose value is the row number, with row 3
// undefined: (k - 3) / (k - 3) * k.

TEST(InterpretComplex, RowAggregatesSkipUndefinedValuesInsteadOfEndingTheRun)
{
    struct AggregateCase {
        const char* what;
        const char* code;
        ComplexValue expected;
    };
    const AggregateCase cases[] = {
        {"Sum", "100 0 4, 90 0, 95 0, 2 0, 0 -3, 12, 2 0, 0 -3, 12, 15, 2 0, 14, 98, 91 0, 94, 6, 7, 103", {12, 0}},
        {"Count", "100 0 4, 90 0, 95 0, 2 0, 0 -3, 12, 2 0, 0 -3, 12, 15, 2 0, 14, 98, 91 0, 94, 7, 103", {4, 0}},
        {"Mean", "100 0 4, 90 0, 95 0, 2 0, 0 -3, 12, 2 0, 0 -3, 12, 15, 2 0, 14, 98, 91 0, 94, 6, 15, 103", {3, 0}},
        {"min", "101 0 4, 90 0, 95 0, 2 0, 0 -3, 12, 2 0, 0 -3, 12, 15, 2 0, 14, 99, 91 0, 94, 6, 7, 103", {1, 0}},
        {"max", "101 0 4, 90 0, 95 0, 2 0, 0 -3, 12, 2 0, 0 -3, 12, 15, 2 0, 14, 99, 91 0, 94, 7, 103", {5, 0}},
        // Weighted steps take every row whose weight is defined and not 0,
        // and count the weight.
        {"weighted Sum",
         "100 0 4, 90 0, 95 0, 2 0, 0 -3, 12, 2 0, 0 -3, 12, 15, 2 0, 14, 0 2, 96, 91 0, 94, 6, 7, 103",
         {12, 0}},
        {"weighted Count",
         "100 0 4, 90 0, 95 0, 2 0, 0 -3, 12, 2 0, 0 -3, 12, 15, 2 0, 14, 0 2, 96, 91 0, 94, 7, 103",
         {8, 0}},
        {"weighted max, weight 0",
         "101 0 4, 90 0, 95 0, 2 0, 0 -3, 12, 2 0, 0 -3, 12, 15, 2 0, 14, 0 0, 97, 91 0, 94, 7, 103",
         kUndefined},
        // The first value is taken as it is; a non-real one makes the next
        // step's running min and max undefined.
        {"max of i and 2i",
         "101 0 1, 90 0, 95 0, 2 0, 76, 14, 99, 91 0, 94, 7, 103",
         kUndefined},
        // The undefined value after the aggregate still ends the run.
        {"undefined after the aggregate",
         "101 0 4, 90 0, 95 0, 2 0, 0 -3, 12, 2 0, 0 -3, 12, 15, 2 0, 14, 0 0, 97, 91 0, 94, 7, 0 1, 53 2, 103",
         kUndefined},
    };
    for (const AggregateCase& c : cases) {
        ComplexValue result = RunText(c.code);
        EXPECT_TRUE(Same(result, c.expected)) << c.what << ": got " << result.re << " + " << result.im << "i";
    }
}

// Sum over k from start x to limit y of k, in the loop layout the compiler
// emits (local slot 0 the counter, 1 the limit, 2 the start), with or without
// the guard 92.
std::unique_ptr<BytecodeProgram> SumLoop(bool guarded)
{
    if (guarded)
        return ProgramOf("0 0, 1 3, 5 2, 89 0, 1 4, 89 1, 90 0, 2 0, 92 0, 12, 91 0, 103");
    return ProgramOf("0 0, 1 3, 5 2, 89 0, 1 4, 89 1, 90 0, 2 0, 12, 91 0, 103");
}

TEST(InterpretComplex, LoopsCompareRealPartsAndGuardsRefuseNonRealCounters)
{
    struct LoopCase {
        const char* what;
        ComplexValue start, limit;
        bool guarded;
        ComplexValue expected;
    };
    const LoopCase cases[] = {
        {"1 .. 3", {1, 0}, {3, 0}, true, {6, 0}},
        {"empty", {3, 0}, {1, 0}, true, {0, 0}},
        {"exactly 100,000 steps left", {1, 0}, {100001, 0}, true, {100001.0 * 100002 / 2, 0}},
        {"one more", {1, 0}, {100002, 0}, true, kUndefined},
        {"undefined limit", {1, 0}, kUndefined, true, kUndefined},
        {"a counter too large to count by 1", {1e17, 0}, {1e17 + 2000, 0}, true, kUndefined},
        // The test reads real parts only: a limit of 3 + i counts to 3.
        {"limit 3 + i, unguarded", {1, 0}, {3, 1}, false, {6, 0}},
        // A non-real start fails the guard at the first step.
        {"start 1 + i, guarded", {1, 1}, {3, 0}, true, kUndefined},
    };
    for (const LoopCase& c : cases) {
        auto program = SumLoop(c.guarded);
        Frame frame;
        frame.slots[3] = c.start;
        frame.slots[4] = c.limit;
        ComplexValue result = RunProgram(*program, frame);
        EXPECT_TRUE(Same(result, c.expected)) << c.what << ": got " << result.re << " + " << result.im << "i";
    }
}

TEST(InterpretComplex, BranchLabelsSkipThePairsAfterTheChosenOne)
{
    // Two pairs with labels; the second pair's value ends the run if it runs.
    auto branch = [](const char* firstCondition, const char* secondValue) {
        auto program = ProgramOf(std::string(firstCondition) + ", 87 0 0, 0 10, 88 0 1, 86 0 0, 0 1, 87 0 1, " +
                                 secondValue + ", 88 0 1, 86 0 1, 69 2, 0 100, 12, 103");
        program->hasBranches = 1;
        return program;
    };
    Frame frame;
    EXPECT_TRUE(Same(RunProgram(*branch("0 1", "82"), frame), {110, 0}));
    EXPECT_TRUE(Same(RunProgram(*branch("0 0", "0 20"), frame), {120, 0}));
    // A label that is never found ends the run.
    auto lost = ProgramOf("0 0, 87 5 5, 0 1, 103");
    EXPECT_TRUE(Same(RunProgram(*lost, frame), kUndefined));
}

// A loop polls the stop at its test (straight-line code ends anyway).
TEST(InterpretComplex, RaisedStopRequestEndsALoopAtItsTest)
{
    auto program = ProgramOf("0 0, 0 1, 5 2, 89 0, 0 100, 89 1, 90 0, 2 0, 92 0, 12, 91 0, 103");
    Frame frame;
    program->stopRequested = 1;
    EXPECT_FALSE(Same(RunProgram(*program, frame), {5050, 0}));
    program->stopRequested = 0;
    EXPECT_TRUE(Same(RunProgram(*program, frame), {5050, 0}));

    DocumentTaskAbort.store(1);
    EXPECT_TRUE(Same(RunProgram(*program, frame), {5050, 0}));  // this is no document-task thread
    ComplexValue onTaskThread{};
    std::thread([&] {
        MarkDocumentTaskThread();
        Frame own;
        onTaskThread = RunProgram(*program, own);
    }).join();
    DocumentTaskAbort.store(0);
    EXPECT_FALSE(Same(onTaskThread, {5050, 0}));
}

TEST(InterpretComplex, ValueStackFallsBackToTheBudgetAndThenToUndefined)
{
    // 20,000 cells of 16 bytes do not fit beside the 64 KiB reserve of a
    // 256 KiB thread.
    auto program = ProgramOf("0 1, 0 2, 12, 4 7, 103", 20000);
    ComplexValue fromBudget{};
    ComplexValue refused{};
    ComplexValue slotAfterRefusal{};
    OnSmallStack(256 * 1024, [&] {
        Frame frame;
        fromBudget = RunProgram(*program, frame);
        BudgetRefusal refusal;
        refused = RunProgram(*program, frame);
        slotAfterRefusal = frame.slots[7];
    });
    EXPECT_TRUE(Same(fromBudget, {3, 0}));
    EXPECT_TRUE(Same(refused, kUndefined));
    EXPECT_TRUE(Same(slotAfterRefusal, kUndefined));
}

TEST(InterpretComplex, BothBuildsGiveIdenticalResults)
{
    if (!CanRunV3Build())
        GTEST_SKIP() << "this processor cannot run the x86-64-v3 build";
    std::vector<std::unique_ptr<BytecodeProgram>> programs;
    for (int32_t opcode = 20; opcode <= 52; ++opcode)
        programs.push_back(ProgramOf("1 3, " + std::to_string(opcode) + ", 103"));
    for (int32_t opcode : {63, 66, 67, 70, 71, 74, 75})
        programs.push_back(ProgramOf("1 3, " + std::to_string(opcode) + ", 103"));
    for (int32_t opcode : {12, 14, 15, 16, 17, 18, 61, 65, 77, 78, 79, 81})
        programs.push_back(ProgramOf("1 3, 1 4, " + std::to_string(opcode) + ", 103"));
    programs.push_back(ProgramOf("1 3, 1 4, 53 2, 103"));
    programs.push_back(ProgramOf("1 3, 1 4, 57 2, 103"));
    programs.push_back(ProgramOf("1 3, 1 4, 0 3, 64, 103"));

    const ComplexValue zs[] = {{-7.5, 0}, {-1, 0}, {0, 0}, {0.5, 0}, {2, 0}, {0, 1}, {1.5, -2}, {-3, 0.25}, {kNaN, 0}};
    for (size_t p = 0; p < programs.size(); ++p) {
        for (ComplexValue x : zs) {
            for (ComplexValue y : zs) {
                Frame frame;
                frame.slots[3] = x;
                frame.slots[4] = y;
                RunControl base{&programs[p]->stopRequested, false};
                RunControl wide{&programs[p]->stopRequested, false};
                ComplexValue a = baseline::InterpretComplex(programs[p].get(), frame.slots, nullptr, base);
                ComplexValue b = v3::InterpretComplex(programs[p].get(), frame.slots, nullptr, wide);
                EXPECT_TRUE(std::bit_cast<uint64_t>(a.re) == std::bit_cast<uint64_t>(b.re) &&
                            std::bit_cast<uint64_t>(a.im) == std::bit_cast<uint64_t>(b.im))
                    << "program " << p << " at x = " << x.re << " + " << x.im << "i";
            }
        }
    }
}

class InterpretComplexCalls : public CompilerTest {};

TEST_F(InterpretComplexCalls, UserFunctionsComputeWithComplexArguments)
{
    AddUserFunction("(= (function f x) (* ?0 ?0))");
    AddUserFunction("(= (function g (, a b)) (+ ?0 (minus ?1)))");
    // The factorial by recursion stops where its branch does; an endless
    // recursion stops short of the stack's end.
    AddUserFunction("(= (function h n) (branch (if 1 (= ?0 0)) (* ?0 (function h (+ ?0 (minus 1))))))");
    AddUserFunction("(= (function e x) (+ (function e ?0) 1))");
    doc.CompileUserFunctions();
    const Case cases[] = {
        {"f(i)", "76, 85 1 0, 103", {-1, 0}},
        {"g(5, 2i)", "0 5, 0 2, 76, 14, 85 2 1, 103", {5, -2}},
        {"a missing function", "0 1, 85 1 7, 103", kUndefined},
        {"a call with the wrong argument count", "0 1, 85 1 1, 103", kUndefined},
        {"h(5)", "0 5, 85 1 2, 103", {120, 0}},
        {"e(1)", "0 1, 85 1 3, 103", kUndefined},
    };
    for (const Case& c : cases) {
        auto program = ProgramOf(c.code);
        program->doc = &doc;
        Frame frame;
        ComplexValue result = RunProgram(*program, frame);
        EXPECT_TRUE(Same(result, c.expected)) << c.what << ": got " << result.re << " + " << result.im << "i";
    }
}

}  // namespace
