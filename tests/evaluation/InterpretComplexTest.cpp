#include "evaluation/InterpretComplex.h"

#include "CoreUtilities/ThreadLocks.h"
#include "CoreUtilities/ThreadStorage.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/ComplexLibrary.h"
#include "evaluation/InterpreterBuild.h"
#include "evaluation/RunControl.h"
#include "evaluation/TextIdentity.h"
#include "support/BudgetRefusal.h"
#include "support/CompilerFixture.h"
#include "support/HandProgram.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <pthread.h>
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

ComplexValue RunHand(const BytecodeProgram& program, Frame& frame)
{
    return program.RunComplex(frame.slots, nullptr);
}

ComplexValue RunHand(std::initializer_list<HandOp> ops, bool hasBranches = false)
{
    auto program = MakeHandProgram(ops);
    program->hasBranches = hasBranches ? 1 : 0;
    Frame frame;
    return RunHand(*program, frame);
}

// Both parts equal, NaN matching NaN.
bool Same(ComplexValue a, ComplexValue b)
{
    auto same = [](double x, double y) { return (std::isnan(x) && std::isnan(y)) || x == y; };
    return same(a.re, b.re) && same(a.im, b.im);
}

struct Case {
    const char* what;
    std::initializer_list<HandOp> ops;
    ComplexValue expected;
};

void RunTable(std::initializer_list<Case> cases)
{
    for (const Case& c : cases) {
        ComplexValue result = RunHand(c.ops);
        EXPECT_TRUE(Same(result, c.expected)) << c.what << ": got " << result.re << " + " << result.im << "i, want "
                                              << c.expected.re << " + " << c.expected.im << "i";
    }
}

// 3 + 4i
#define THREE_FOUR_I Num(3), Num(4), Op(76), Op(14), Op(12)

TEST(InterpretComplex, OpcodesOnComplexValues)
{
    RunTable({
        {"empty program", {}, kUndefined},
        {"i times i is exactly -1", {Op(76), Op(76), Op(14)}, {-1, 0}},
        {"sqrt(-4)", {Num(-4), Op(23)}, {0, 2}},
        {"Re(3 + 4i)", {THREE_FOUR_I, Op(70)}, {3, 0}},
        {"Im(3 + 4i)", {THREE_FOUR_I, Op(71)}, {4, 0}},
        {"arg(-1)", {Num(-1), Op(74)}, {kPi, 0}},
        {"conjugate of 3 + 4i", {THREE_FOUR_I, Op(75)}, {3, -4}},
        {"|3 + 4i|", {THREE_FOUR_I, Op(21)}, {5, 0}},
        {"minus", {THREE_FOUR_I, Op(20)}, {-3, -4}},
        {"below / top order", {Num(7), Num(2), Op(15)}, {3.5, 0}},
        {"angle of (below, top)", {Num(0), Num(-1), Op(17)}, {3 * kPi / 2, 0}},
        {"angle of a non-real point", {Op(76), Num(1), Op(17)}, kUndefined},
        {"Bessel: x beneath, order on top", {Num(1), Num(0), Op(65)}, ComplexBesselJ({0, 0}, {1, 0})},
        {"clamp", {Num(5), Num(0), Num(3), Op(80)}, {3, 0}},
        {"min(1, i)", {Num(1), Op(76), Op(78)}, kUndefined},
        {"max(2, 3)", {Num(2), Num(3), Op(79)}, {3, 0}},
        {"acot 0", {Num(0), Op(38)}, kUndefined},
        {"(-8)^(1/3) is the principal root", {Num(-8), Num(1), Num(3), Op(64)},
         ComplexPow({-8, 0}, ComplexDivide({1, 0}, {3, 0}))},
        {"interval keeps its upper end", {Num(1), Num(4), Op(19)}, {4, 0}},
        {"exchange and drop", {Num(1), Num(2), Op(6), Op(7)}, {2, 0}},
        {"an unknown opcode does nothing", {Num(5), Op(250)}, {5, 0}},
        {"82 ends the run undefined", {Num(1), Op(82), Num(2)}, kUndefined},
    });
}

TEST(InterpretComplex, RelationsLogicAndBranches)
{
    RunTable({
        {"x < i is false, not undefined", {Num(1), Op(76), Op(53, 2)}, {0, 0}},
        {"1 < 2 < 3", {Num(1), Num(2), Num(3), Op(53, 3)}, {1, 0}},
        {"1 < 3 < 2", {Num(1), Num(3), Num(2), Op(53, 3)}, {0, 0}},
        {"i = i compares both parts", {Op(76), Op(76), Op(57, 2)}, {1, 0}},
        {"1 != i != 1", {Num(1), Op(76), Num(1), Op(59, 3)}, {1, 0}},
        {"Not 2", {Num(2), Op(63)}, {1, 0}},
        {"1 And 2", {Num(1), Num(2), Op(61)}, {0, 0}},
        {"if true", {Num(7), Num(1), Op(68)}, {7, 0}},
        {"if whose condition is 2", {Num(7), Num(2), Op(68)}, kUndefined},
        {"piecewise: the second pair holds", {Num(0), Num(10), Num(1), Num(20), Num(1), Num(30), Op(69, 3)},
         {20, 0}},
        {"piecewise: no condition is 1", {Num(0), Num(10), Num(0), Num(20), Op(69, 2)}, kUndefined},
        {"piecewise: a condition i is not 0", {Op(76), Num(10), Num(0), Num(20), Op(69, 2)}, {10, 0}},
    });
    double apple = TextIdentityOf(u"apple");
    RunTable({
        {"equal texts", {Num(apple), Num(TextIdentityOf(u"apple")), Op(58)}, {1, 0}},
        {"a text and i", {Num(apple), Op(76), Op(58)}, kUndefined},
        {"different texts", {Num(apple), Num(TextIdentityOf(u"pear")), Op(60)}, {1, 0}},
    });
}

TEST(InterpretComplex, UndefinedTopEndsTheRunUnlessTheProgramBranches)
{
    // 1/0 beneath a defined value: the drop would bring 1 back.
    std::initializer_list<HandOp> ops = {Num(1), Num(1), Num(0), Op(15), Op(7), Num(5), Op(12)};
    EXPECT_TRUE(Same(RunHand(ops, false), kUndefined));
    EXPECT_TRUE(Same(RunHand(ops, true), {6, 0}));

    // An undefined value with nothing beneath it does not end the run.
    EXPECT_TRUE(Same(RunHand({Op(82)}, true), kUndefined));
    // Without the early end the relation would turn 1/0 into a truth value.
    EXPECT_TRUE(Same(RunHand({Num(1), Num(0), Op(15), Num(1), Op(53, 2)}), kUndefined));
    EXPECT_TRUE(Same(RunHand({Num(1), Num(0), Op(15), Num(1), Op(53, 2)}, true), {0, 0}));
}

TEST(InterpretComplex, AnEarlyEndLeavesNoStaleSlotForTheNextProgramOfTheBatch)
{
    // The first program stores 1/x as a shared subexpression (local 0) and
    // r in slot 7; the second reads both.
    auto first = MakeHandProgram({Num(1), Op(1, 3), Op(15), Op(5, 0), Op(1, 3), Op(1, 4), Op(18), Op(4, 7), Op(12)});
    auto second = MakeHandProgram({Op(2, 0), Op(1, 7), Op(12)});
    Frame frame;
    frame.slots[3] = {1, 0};
    frame.slots[4] = {0, 0};
    EXPECT_TRUE(Same(RunHand(*first, frame), {2, 0}));
    EXPECT_TRUE(Same(RunHand(*second, frame), {2, 0}));
    // At x = 0 the first ends at 1/0; the second must not see x = 1's values.
    frame.slots[3] = {0, 0};
    EXPECT_TRUE(Same(RunHand(*first, frame), kUndefined));
    EXPECT_TRUE(Same(RunHand(*second, frame), kUndefined));
    EXPECT_TRUE(Same(frame.slots[7], kUndefined));

    // 82 ends a run the same way.
    auto failing = MakeHandProgram({Op(82), Num(3), Op(4, 7)});
    frame.slots[7] = {9, 0};
    RunHand(*failing, frame);
    EXPECT_TRUE(Same(frame.slots[7], kUndefined));
}

// Row aggregates over five rows whose value is the row number, with row 3
// undefined: (k - 3) / (k - 3) * k.
#define ROW_VALUE Op(2, 0), Num(-3), Op(12), Op(2, 0), Num(-3), Op(12), Op(15), Op(2, 0), Op(14)

TEST(InterpretComplex, RowAggregatesSkipUndefinedValuesInsteadOfEndingTheRun)
{
    struct AggregateCase {
        const char* what;
        std::initializer_list<HandOp> ops;
        ComplexValue expected;
    };
    const AggregateCase cases[] = {
        {"Sum", {Op(100, 0, 4), Op(90, 0), Op(95, 0), ROW_VALUE, Op(98), Op(91, 0), Op(94), Op(6), Op(7)}, {12, 0}},
        {"Count", {Op(100, 0, 4), Op(90, 0), Op(95, 0), ROW_VALUE, Op(98), Op(91, 0), Op(94), Op(7)}, {4, 0}},
        {"Mean", {Op(100, 0, 4), Op(90, 0), Op(95, 0), ROW_VALUE, Op(98), Op(91, 0), Op(94), Op(6), Op(15)}, {3, 0}},
        {"min", {Op(101, 0, 4), Op(90, 0), Op(95, 0), ROW_VALUE, Op(99), Op(91, 0), Op(94), Op(6), Op(7)}, {1, 0}},
        {"max", {Op(101, 0, 4), Op(90, 0), Op(95, 0), ROW_VALUE, Op(99), Op(91, 0), Op(94), Op(7)}, {5, 0}},
        // Weighted steps take every row whose weight is defined and not 0,
        // and count the weight.
        {"weighted Sum",
         {Op(100, 0, 4), Op(90, 0), Op(95, 0), ROW_VALUE, Num(2), Op(96), Op(91, 0), Op(94), Op(6), Op(7)},
         {12, 0}},
        {"weighted Count",
         {Op(100, 0, 4), Op(90, 0), Op(95, 0), ROW_VALUE, Num(2), Op(96), Op(91, 0), Op(94), Op(7)},
         {8, 0}},
        {"weighted max, weight 0",
         {Op(101, 0, 4), Op(90, 0), Op(95, 0), ROW_VALUE, Num(0), Op(97), Op(91, 0), Op(94), Op(7)},
         kUndefined},
        // The first value is taken as it is; a non-real one makes the next
        // step's running min and max undefined.
        {"max of i and 2i",
         {Op(101, 0, 1), Op(90, 0), Op(95, 0), Op(2, 0), Op(76), Op(14), Op(99), Op(91, 0), Op(94), Op(7)},
         kUndefined},
        // The undefined value after the aggregate still ends the run.
        {"undefined after the aggregate",
         {Op(101, 0, 4), Op(90, 0), Op(95, 0), ROW_VALUE, Num(0), Op(97), Op(91, 0), Op(94), Op(7), Num(1),
          Op(53, 2)},
         kUndefined},
    };
    for (const AggregateCase& c : cases) {
        ComplexValue result = RunHand(c.ops);
        EXPECT_TRUE(Same(result, c.expected)) << c.what << ": got " << result.re << " + " << result.im << "i";
    }
}

// Sum over k from start x to limit y of k, in the loop layout the compiler
// emits (local slot 0 the counter, 1 the limit, 2 the start), with or without
// the guard 92.
std::unique_ptr<BytecodeProgram> SumLoop(bool guarded)
{
    if (guarded)
        return MakeHandProgram({Num(0), Op(1, 3), Op(5, 2), Op(89, 0), Op(1, 4), Op(89, 1), Op(90, 0), Op(2, 0),
                                Op(92, 0), Op(12), Op(91, 0)});
    return MakeHandProgram(
        {Num(0), Op(1, 3), Op(5, 2), Op(89, 0), Op(1, 4), Op(89, 1), Op(90, 0), Op(2, 0), Op(12), Op(91, 0)});
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
        ComplexValue result = RunHand(*program, frame);
        EXPECT_TRUE(Same(result, c.expected)) << c.what << ": got " << result.re << " + " << result.im << "i";
    }
}

TEST(InterpretComplex, BranchLabelsSkipThePairsAfterTheChosenOne)
{
    // Two pairs with labels; the second pair's value ends the run if it runs.
    auto branch = [](double firstCondition, HandOp secondValue) {
        auto program = MakeHandProgram({Num(firstCondition), Op(87, 0, 0), Num(10), Op(88, 0, 1), Op(86, 0, 0),
                                        Num(1), Op(87, 0, 1), secondValue, Op(88, 0, 1), Op(86, 0, 1), Op(69, 2),
                                        Num(100), Op(12)});
        program->hasBranches = 1;
        return program;
    };
    Frame frame;
    EXPECT_TRUE(Same(RunHand(*branch(1, Op(82)), frame), {110, 0}));
    EXPECT_TRUE(Same(RunHand(*branch(0, Num(20)), frame), {120, 0}));
    // A label that is never found ends the run.
    auto lost = MakeHandProgram({Num(0), Op(87, 5, 5), Num(1)});
    EXPECT_TRUE(Same(RunHand(*lost, frame), kUndefined));
}

TEST(InterpretComplex, RaisedStopRequestEndsTheRunAfterOneInstruction)
{
    auto program = MakeHandProgram({Num(1), Num(2), Op(12)});
    Frame frame;
    program->stopRequested = 1;
    EXPECT_TRUE(Same(RunHand(*program, frame), {1, 0}));
    program->stopRequested = 0;
    EXPECT_TRUE(Same(RunHand(*program, frame), {3, 0}));

    DocumentTaskAbort.store(1);
    EXPECT_TRUE(Same(RunHand(*program, frame), {3, 0}));  // this is no document-task thread
    ComplexValue onTaskThread{};
    std::thread([&] {
        MarkDocumentTaskThread();
        Frame own;
        onTaskThread = RunHand(*program, own);
    }).join();
    DocumentTaskAbort.store(0);
    EXPECT_TRUE(Same(onTaskThread, {1, 0}));
}

// Runs body on a thread with a small machine stack.
template <typename Body>
void OnSmallStack(size_t bytes, Body body)
{
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, bytes);
    pthread_t thread;
    auto start = [](void* argument) -> void* {
        (*static_cast<Body*>(argument))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, start, &body), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

TEST(InterpretComplex, ValueStackFallsBackToTheBudgetAndThenToUndefined)
{
    // 20,000 cells of 16 bytes do not fit beside the 64 KiB reserve of a
    // 256 KiB thread.
    auto program = MakeHandProgram({Num(1), Num(2), Op(12), Op(4, 7)}, 20000);
    ComplexValue fromBudget{};
    ComplexValue refused{};
    ComplexValue slotAfterRefusal{};
    OnSmallStack(256 * 1024, [&] {
        Frame frame;
        fromBudget = RunHand(*program, frame);
        BudgetRefusal refusal;
        refused = RunHand(*program, frame);
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
        programs.push_back(MakeHandProgram({Op(1, 3), Op(opcode)}));
    for (int32_t opcode : {63, 66, 67, 70, 71, 74, 75})
        programs.push_back(MakeHandProgram({Op(1, 3), Op(opcode)}));
    for (int32_t opcode : {12, 14, 15, 16, 17, 18, 53, 57, 61, 65, 77, 78, 79, 81})
        programs.push_back(MakeHandProgram({Op(1, 3), Op(1, 4), Op(opcode, 2)}));
    programs.push_back(MakeHandProgram({Op(1, 3), Op(1, 4), Num(3), Op(64)}));

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
        {"f(i)", {Op(76), Op(85, 1, 0)}, {-1, 0}},
        {"g(5, 2i)", {Num(5), Num(2), Op(76), Op(14), Op(85, 2, 1)}, {5, -2}},
        {"a missing function", {Num(1), Op(85, 1, 7)}, kUndefined},
        {"a call with the wrong argument count", {Num(1), Op(85, 1, 1)}, kUndefined},
        {"h(5)", {Num(5), Op(85, 1, 2)}, {120, 0}},
        {"e(1)", {Num(1), Op(85, 1, 3)}, kUndefined},
    };
    for (const Case& c : cases) {
        auto program = MakeHandProgram(c.ops);
        program->doc = &doc;
        Frame frame;
        ComplexValue result = RunHand(*program, frame);
        EXPECT_TRUE(Same(result, c.expected)) << c.what << ": got " << result.re << " + " << result.im << "i";
    }
}

}  // namespace
