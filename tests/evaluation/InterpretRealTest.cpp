#include "evaluation/InterpretReal.h"

#include "CoreUtilities/ThreadLocks.h"
#include "CoreUtilities/ThreadStorage.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/InterpreterBuild.h"
#include "evaluation/RealLibrary.h"
#include "evaluation/RunControl.h"
#include "evaluation/TextIdentity.h"
#include "support/BudgetRefusal.h"
#include "support/HandProgram.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <pthread.h>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 3.141592653589793;

struct Frame {
    double slots[64];
    Frame() { std::fill(std::begin(slots), std::end(slots), kNaN); }
};

double RunHand(const BytecodeProgram& program, Frame& frame)
{
    return program.RunReal(frame.slots, nullptr);
}

double RunHand(std::initializer_list<HandOp> ops, double x = kNaN, double y = kNaN)
{
    auto program = MakeHandProgram(ops);
    Frame frame;
    frame.slots[3] = x;
    frame.slots[4] = y;
    return RunHand(*program, frame);
}

bool SameValue(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

struct Case {
    const char* what;
    std::initializer_list<HandOp> ops;
    double expected;
};

void RunTable(std::initializer_list<Case> cases)
{
    for (const Case& c : cases) {
        double result = RunHand(c.ops);
        EXPECT_TRUE(SameValue(result, c.expected)) << c.what << ": got " << result << ", want " << c.expected;
    }
}

TEST(InterpretReal, ArithmeticAndStackOpcodes)
{
    RunTable({
        {"empty program", {}, kNaN},
        {"a number", {Num(2.5)}, 2.5},
        {"below - top order", {Num(7), Num(2), Op(15)}, 3.5},
        {"power", {Num(2), Num(10), Op(16)}, 1024},
        {"square", {Num(-3), Op(28)}, 9},
        {"exchange and drop", {Num(1), Num(2), Op(6), Op(7)}, 2},
        {"interval keeps its upper end", {Num(1), Num(4), Op(19)}, 4},
        {"cube root of -8", {Num(-8), Num(1), Num(3), Op(64)}, -2},
        {"(-8)^(2/3) as 8^0.666...", {Num(-8), Num(2), Num(3), Op(64)}, std::pow(8.0, 2.0 / 3)},
        {"mod takes the divisor's sign", {Num(-1), Num(3), Op(77)}, 2},
        {"min ignores a NaN second operand", {Num(2), Num(kNaN), Op(78)}, 2},
        {"clamp", {Num(5), Num(0), Num(3), Op(80)}, 3},
        {"binomial", {Num(5), Num(2), Op(81)}, 10},
        {"factorial", {Num(5), Op(27)}, 120},
        {"angle of (below, top)", {Num(0), Num(-1), Op(17)}, 3 * kPi / 2},
        {"hypot", {Num(3), Num(4), Op(18)}, 5},
        {"Bessel: x beneath, order on top", {Num(1), Num(0), Op(65)}, RealBesselJ(0, 1)},
        {"acot 0", {Num(0), Op(38)}, kPi / 2},
        {"imaginary unit is undefined", {Op(76)}, kNaN},
        {"imaginary part of a real is 0", {Num(5), Op(71)}, 0},
        {"real part leaves the value", {Num(5), Op(70)}, 5},
        {"an unknown opcode does nothing", {Num(5), Op(250)}, 5},
        {"an unknown name reads 1", {Op(3, 'a')}, 1},
        {"a missing table function is undefined", {Num(1), Op(83, 'T')}, kNaN},
        {"82 ends the run undefined", {Num(1), Op(82), Num(2)}, kNaN},
    });
}

TEST(InterpretReal, RelationsAndLogicWithNaN)
{
    RunTable({
        {"1 < 2 < 3", {Num(1), Num(2), Num(3), Op(53, 3)}, 1},
        {"1 < 3 < 2", {Num(1), Num(3), Num(2), Op(53, 3)}, 0},
        {"x < NaN is false, not undefined", {Num(1), Num(kNaN), Op(53, 2)}, 0},
        {"3 >= 3 >= 1", {Num(3), Num(3), Num(1), Op(56, 3)}, 1},
        {"NaN = NaN", {Num(kNaN), Num(kNaN), Op(57, 2)}, 0},
        {"1 != 2 != 1 holds pairwise", {Num(1), Num(2), Num(1), Op(59, 3)}, 1},
        {"not NaN", {Num(kNaN), Op(63)}, 0},
        {"only exactly 1 is true", {Num(1), Num(2), Op(61)}, 0},
        {"or with NaN", {Num(kNaN), Num(1), Op(62)}, 1},
        {"if true", {Num(7), Num(1), Op(68)}, 7},
        {"if with an undefined condition", {Num(7), Num(kNaN), Op(68)}, kNaN},
        {"piecewise with no true condition", {Num(0), Num(1), Num(0), Num(2), Op(69, 2)}, kNaN},
        {"piecewise takes the first true pair", {Num(1), Num(1), Num(1), Num(2), Op(69, 2)}, 1},
        {"piecewise skips an undefined condition", {Num(kNaN), Num(1), Num(1), Num(2), Op(69, 2)}, 2},
    });
    double apple = TextIdentityOf(u"apple");
    RunTable({
        {"equal texts", {Num(apple), Num(TextIdentityOf(u"apple")), Op(58)}, 1},
        {"different texts are not equal", {Num(apple), Num(TextIdentityOf(u"pear")), Op(60)}, 1},
    });
}

TEST(InterpretReal, FixedSlotsLocalsAndComputedSlots)
{
    // r stored into slot 7 by the first program, read by the next one.
    auto first = MakeHandProgram({Op(1, 3), Op(1, 4), Op(18), Op(4, 7), Op(1, 3), Op(12)});
    auto second = MakeHandProgram({Op(1, 7), Op(5, 0), Op(2, 0), Op(14)});
    Frame frame;
    frame.slots[3] = 3;
    frame.slots[4] = 4;
    EXPECT_EQ(RunHand(*first, frame), 8);
    EXPECT_EQ(frame.slots[7], 5);
    EXPECT_EQ(RunHand(*second, frame), 25);
    EXPECT_EQ(frame.slots[12], 5);  // local slot 0 follows the twelve fixed slots
}

// Sum over k from start to limit of k, in the loop layout the compiler emits
// (local slot 0 the counter, 1 the limit, 2 the start).
std::unique_ptr<BytecodeProgram> SumLoop(double start, double limit)
{
    return MakeHandProgram({Num(0), Num(start), Op(5, 2), Op(89, 0), Num(limit), Op(89, 1), Op(90, 0), Op(2, 0),
                            Op(92, 0), Op(12), Op(91, 0)});
}

TEST(InterpretReal, LoopsAndTheirCap)
{
    struct LoopCase {
        double start, limit, expected;
    };
    const LoopCase cases[] = {
        {1, 3, 6},
        {3, 1, 0},                          // empty
        {1, 100001, 100001.0 * 100002 / 2},  // exactly 100,000 steps left at the start
        {1, 100002, kNaN},                  // one more
        {1, kNaN, kNaN},
        {1e17, 1e17 + 2000, kNaN},  // the counter no longer counts by 1
    };
    for (const LoopCase& c : cases) {
        auto program = SumLoop(c.start, c.limit);
        Frame frame;
        EXPECT_TRUE(SameValue(RunHand(*program, frame), c.expected)) << c.start << " .. " << c.limit;
    }
}

TEST(InterpretReal, AggregatesOverRows)
{
    // Over 5 rows of a name that reads 1 at every row (the document defines
    // nothing): Sum, Count and Mean, and the running max of the row index.
    auto sum = MakeHandProgram({Op(100, 0, 4), Op(90, 0), Op(95, 0), Op(3, 'c'), Op(98), Op(91, 0), Op(94), Op(6), Op(7)});
    auto count = MakeHandProgram({Op(100, 0, 4), Op(90, 0), Op(95, 0), Op(3, 'c'), Op(98), Op(91, 0), Op(94), Op(7)});
    auto weighted = MakeHandProgram(
        {Op(100, 0, 4), Op(90, 0), Op(95, 0), Op(3, 'c'), Num(2), Op(96), Op(91, 0), Op(94), Op(6), Op(15)});
    auto maxRow = MakeHandProgram({Op(101, 0, 4), Op(90, 0), Op(95, 0), Op(2, 0), Op(99), Op(91, 0), Op(94), Op(7)});
    Frame frame;
    EXPECT_EQ(RunHand(*sum, frame), 5);
    EXPECT_EQ(RunHand(*count, frame), 5);
    EXPECT_EQ(RunHand(*weighted, frame), 0.5);  // the weight counts, the value sums
    EXPECT_EQ(RunHand(*maxRow, frame), 5);
}

TEST(InterpretReal, BranchLabelsSkipThePairsAfterTheChosenOne)
{
    // Two pairs with labels; the second pair's value ends the run if it runs.
    auto branch = [](double firstCondition, HandOp secondValue) {
        return MakeHandProgram({Num(firstCondition), Op(87, 0, 0), Num(10), Op(88, 0, 1), Op(86, 0, 0), Num(1),
                                Op(87, 0, 1), secondValue, Op(88, 0, 1), Op(86, 0, 1), Op(69, 2), Num(100), Op(12)});
    };
    Frame frame;
    EXPECT_EQ(RunHand(*branch(1, Op(82)), frame), 110);
    EXPECT_EQ(RunHand(*branch(0, Num(20)), frame), 120);
    // A label that is never found ends the run.
    auto lost = MakeHandProgram({Num(0), Op(87, 5, 5), Num(1)});
    EXPECT_TRUE(std::isnan(RunHand(*lost, frame)));
}

TEST(InterpretReal, DataRowsOutsideInt32ReadAsNoRow)
{
    EXPECT_EQ(ToDataRow(3.9), 3);
    EXPECT_EQ(ToDataRow(-3.9), -3);
    EXPECT_EQ(ToDataRow(kNaN), INT32_MIN);
    EXPECT_EQ(ToDataRow(1e10), INT32_MIN);
    EXPECT_EQ(ToDataRow(-1e10), INT32_MIN);
    // A frame whose row slot holds any bit pattern still runs.
    auto program = MakeHandProgram({Op(3, 'c')});
    Frame frame;
    frame.slots[11] = std::bit_cast<double>(uint64_t{0x7ff4000000000001});
    EXPECT_EQ(RunHand(*program, frame), 1);
}

TEST(InterpretReal, RaisedStopRequestEndsTheRunAfterOneInstruction)
{
    auto program = MakeHandProgram({Num(1), Num(2), Op(12)});
    Frame frame;
    program->stopRequested = 1;
    EXPECT_EQ(RunHand(*program, frame), 1);
    program->stopRequested = 0;
    EXPECT_EQ(RunHand(*program, frame), 3);
}

TEST(InterpretReal, ThreadStopFlagsStopOnlyTheirThread)
{
    auto program = MakeHandProgram({Num(1), Num(2), Op(12)});
    struct Flag {
        std::atomic<unsigned char>* flag;
        void (*mark)();
    };
    const Flag flags[] = {{&DocumentTaskAbort, MarkDocumentTaskThread}, {&SingleJobOverdue, MarkSingleJobThread}};
    for (const Flag& f : flags) {
        f.flag->store(1);
        Frame frame;
        EXPECT_EQ(RunHand(*program, frame), 3);  // this thread is not of that kind
        double onThatThread = 0;
        std::thread([&] {
            f.mark();
            Frame own;
            onThatThread = RunHand(*program, own);
        }).join();
        EXPECT_EQ(onThatThread, 1);
        f.flag->store(0);
    }
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

TEST(InterpretReal, ValueStackFallsBackToTheBudgetAndThenToUndefined)
{
    // A stack of 30,000 cells does not fit beside the 64 KiB reserve of a
    // 256 KiB thread.
    auto program = MakeHandProgram({Num(1), Num(2), Op(12)}, 30000);
    double fromBudget = 0;
    double refused = 0;
    OnSmallStack(256 * 1024, [&] {
        Frame frame;
        fromBudget = RunHand(*program, frame);
        BudgetRefusal refusal;
        refused = RunHand(*program, frame);
    });
    EXPECT_EQ(fromBudget, 3);
    EXPECT_TRUE(std::isnan(refused));
}

TEST(InterpretReal, BothBuildsGiveIdenticalResults)
{
    if (!CanRunV3Build())
        GTEST_SKIP() << "this processor cannot run the x86-64-v3 build";
    // Every unary opcode on x, and the binary ones on x and y.
    std::vector<std::unique_ptr<BytecodeProgram>> programs;
    for (int32_t opcode = 20; opcode <= 52; ++opcode)
        programs.push_back(MakeHandProgram({Op(1, 3), Op(opcode)}));
    for (int32_t opcode : {27, 63, 66, 67})
        programs.push_back(MakeHandProgram({Op(1, 3), Op(opcode)}));
    for (int32_t opcode : {12, 14, 15, 16, 17, 18, 53, 58, 61, 65, 77, 78, 79, 81})
        programs.push_back(MakeHandProgram({Op(1, 3), Op(1, 4), Op(opcode, 2)}));
    programs.push_back(MakeHandProgram({Op(1, 3), Op(1, 4), Num(3), Op(64)}));
    programs.push_back(MakeHandProgram({Op(1, 4), Op(1, 3), Op(1, 3), Op(14), Op(15), Op(1, 3), Op(1, 4), Op(15), Op(12)}));

    const double xs[] = {-7.5, -2, -1, -0.5, 0, 1e-300, 0.25, 0.5, 1, 1.5, 2, 3.3, 10, 31.5, 170.5, 1e10, kNaN};
    const double ys[] = {-3, 0.5, 2, 7};
    for (size_t p = 0; p < programs.size(); ++p) {
        for (double x : xs) {
            for (double y : ys) {
                Frame frame;
                frame.slots[3] = x;
                frame.slots[4] = y;
                RunControl base{&programs[p]->stopRequested, false};
                RunControl wide{&programs[p]->stopRequested, false};
                double a = baseline::InterpretReal(programs[p].get(), frame.slots, nullptr, base);
                double b = v3::InterpretReal(programs[p].get(), frame.slots, nullptr, wide);
                EXPECT_EQ(std::bit_cast<uint64_t>(a), std::bit_cast<uint64_t>(b))
                    << "program " << p << " at x = " << x << ", y = " << y << ": " << a << " and " << b;
            }
        }
    }
}

}  // namespace
