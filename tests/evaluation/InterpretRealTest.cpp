#include "evaluation/InterpretReal.h"

#include "CoreUtilities/ThreadLocks.h"
#include "CoreUtilities/ThreadStorage.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/InterpreterBuild.h"
#include "evaluation/RunControl.h"
#include "numerics/RealLibrary.h"
#include "numerics/TextIdentity.h"
#include "support/BudgetRefusal.h"
#include "support/Disassembler.h"
#include "support/ProgramText.h"
#include "support/SmallStack.h"

#include <gtest/gtest.h>

#include <bit>
#include <memory>
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

double RunProgram(const BytecodeProgram& program, Frame& frame)
{
    return program.RunReal(frame.slots, nullptr);
}

double RunText(const std::string& text)
{
    Frame frame;
    return RunProgram(*ProgramOf(text), frame);
}

bool SameValue(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

struct Case {
    const char* what;
    std::string code;
    double expected;
};

void RunTable(std::initializer_list<Case> cases)
{
    for (const Case& c : cases) {
        double result = RunText(c.code);
        EXPECT_TRUE(SameValue(result, c.expected)) << c.what << ": got " << result << ", want " << c.expected;
    }
}

TEST(InterpretReal, ArithmeticAndStackOpcodes)
{
    RunTable({
        {"empty program", "103", kNaN},
        {"a number", "0 2.5, 103", 2.5},
        {"below - top order", "0 7, 0 2, 15, 103", 3.5},
        {"power", "0 2, 0 10, 16, 103", 1024},
        {"square", "0 -3, 28, 103", 9},
        {"exchange and drop", "0 1, 0 2, 6, 7, 103", 2},
        {"interval keeps its upper end", "0 1, 0 4, 19, 103", 4},
        {"cube root of -8", "0 -8, 0 1, 0 3, 64, 103", -2},
        {"(-8)^(2/3) as 8^0.666...", "0 -8, 0 2, 0 3, 64, 103", std::pow(8.0, 2.0 / 3)},
        {"mod takes the divisor's sign", "0 -1, 0 3, 77, 103", 2},
        {"min ignores a NaN second operand", "0 2, 0 nan, 78, 103", 2},
        {"clamp", "0 5, 0 0, 0 3, 80, 103", 3},
        {"binomial", "0 5, 0 2, 81, 103", 10},
        {"factorial", "0 5, 27, 103", 120},
        {"angle of (below, top)", "0 0, 0 -1, 17, 103", 3 * kPi / 2},
        {"hypot", "0 3, 0 4, 18, 103", 5},
        {"Bessel: x beneath, order on top", "0 1, 0 0, 65, 103", RealBesselJ(0, 1)},
        {"acot 0", "0 0, 38, 103", kPi / 2},
        {"imaginary unit is undefined", "76, 103", kNaN},
        {"imaginary part of a real is 0", "0 5, 71, 103", 0},
        {"real part leaves the value", "0 5, 70, 103", 5},
        {"an unknown name reads 1", "3 97, 103", 1},
        {"a missing table function is undefined", "0 1, 83 84, 103", kNaN},
        {"82 ends the run undefined", "0 1, 82, 0 2, 103", kNaN},
    });
}

TEST(InterpretReal, RelationsAndLogicWithNaN)
{
    RunTable({
        {"1 < 2 < 3", "0 1, 0 2, 0 3, 53 3, 103", 1},
        {"1 < 3 < 2", "0 1, 0 3, 0 2, 53 3, 103", 0},
        {"x < NaN is false, not undefined", "0 1, 0 nan, 53 2, 103", 0},
        {"3 >= 3 >= 1", "0 3, 0 3, 0 1, 56 3, 103", 1},
        {"NaN = NaN", "0 nan, 0 nan, 57 2, 103", 0},
        {"1 != 2 != 1 holds pairwise", "0 1, 0 2, 0 1, 59 3, 103", 1},
        {"not NaN", "0 nan, 63, 103", 0},
        {"only exactly 1 is true", "0 1, 0 2, 61, 103", 0},
        {"or with NaN", "0 nan, 0 1, 62, 103", 1},
        {"if true", "0 7, 0 1, 68, 103", 7},
        {"if with an undefined condition", "0 7, 0 nan, 68, 103", kNaN},
        {"piecewise with no true condition", "0 0, 0 1, 0 0, 0 2, 69 2, 103", kNaN},
        {"piecewise takes the first true pair", "0 1, 0 1, 0 1, 0 2, 69 2, 103", 1},
        {"piecewise skips an undefined condition", "0 nan, 0 1, 0 1, 0 2, 69 2, 103", 2},
    });
    std::string apple = "0 " + NumberText(TextIdentityOf(u"apple"));
    std::string pear = "0 " + NumberText(TextIdentityOf(u"pear"));
    RunTable({
        {"equal texts", apple + ", " + apple + ", 58, 103", 1},
        {"different texts are not equal", apple + ", " + pear + ", 60, 103", 1},
        {"a text and a number", apple + ", 0 3, 58, 103", 0},
    });
}

// The loop trusts the opcodes: a program with one outside the set never
// reaches it, since finishing makes it end undefined.
TEST(InterpretReal, AnOpcodeOutsideTheSetEndsUndefined)
{
    auto program = ProgramOf("0 5, 103");
    Instruction unknown{};
    unknown.opcode = 250;
    program->InsertInstruction(1, unknown);
    FinishProgram(program.get());
    Frame frame;
    EXPECT_TRUE(std::isnan(RunProgram(*program, frame)));
}

TEST(InterpretReal, FixedSlotsLocalsAndComputedSlots)
{
    // r stored into slot 7 by the first program, read by the next one.
    auto first = ProgramOf("1 3, 1 4, 18, 4 7, 1 3, 12, 103");
    auto second = ProgramOf("1 7, 5 0, 2 0, 14, 103");
    Frame frame;
    frame.slots[3] = 3;
    frame.slots[4] = 4;
    EXPECT_EQ(RunProgram(*first, frame), 8);
    EXPECT_EQ(frame.slots[7], 5);
    EXPECT_EQ(RunProgram(*second, frame), 25);
    EXPECT_EQ(frame.slots[12], 5);  // local slot 0 follows the twelve fixed slots
}

// Sum over k from start to limit of k, in the loop layout the compiler emits
// (local slot 0 the counter, 1 the limit, 2 the start).
std::unique_ptr<BytecodeProgram> SumLoop(double start, double limit)
{
    std::string code = "0 0, 0 " + NumberText(start) + ", 5 2, 89 0, 0 " + NumberText(limit) +
                       ", 89 1, 90 0, 2 0, 92 0, 12, 91 0, 103";
    return ProgramOf(code);
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
        EXPECT_TRUE(SameValue(RunProgram(*program, frame), c.expected)) << c.start << " .. " << c.limit;
    }
}

TEST(InterpretReal, AggregatesOverRows)
{
    // Over 5 rows of a name that reads 1 at every row (the document defines
    // nothing): Sum, Count and Mean, and the running max of the row index.
    auto sum = ProgramOf("100 0 4, 90 0, 95 0, 3 99, 98, 91 0, 94, 6, 7, 103");
    auto count = ProgramOf("100 0 4, 90 0, 95 0, 3 99, 98, 91 0, 94, 7, 103");
    auto weighted = ProgramOf("100 0 4, 90 0, 95 0, 3 99, 0 2, 96, 91 0, 94, 6, 15, 103");
    auto maxRow = ProgramOf("101 0 4, 90 0, 95 0, 2 0, 99, 91 0, 94, 7, 103");
    Frame frame;
    EXPECT_EQ(RunProgram(*sum, frame), 5);
    EXPECT_EQ(RunProgram(*count, frame), 5);
    EXPECT_EQ(RunProgram(*weighted, frame), 0.5);  // the weight counts, the value sums
    EXPECT_EQ(RunProgram(*maxRow, frame), 5);
}

TEST(InterpretReal, BranchLabelsSkipThePairsAfterTheChosenOne)
{
    // Two pairs with labels; the second pair's value ends the run if it runs.
    auto branch = [](const char* firstCondition, const char* secondValue) {
        std::string code = std::string("0 ") + firstCondition + ", 87 0 0, 0 10, 88 0 1, 86 0 0, 0 1, 87 0 1, " +
                           secondValue + ", 88 0 1, 86 0 1, 69 2, 0 100, 12, 103";
        return ProgramOf(code);
    };
    Frame frame;
    EXPECT_EQ(RunProgram(*branch("1", "82"), frame), 110);
    EXPECT_EQ(RunProgram(*branch("0", "0 20"), frame), 120);
    // A label that is never found ends the run.
    EXPECT_TRUE(std::isnan(RunText("0 0, 87 5 5, 0 1, 103")));
}

TEST(InterpretReal, DataRowsOutsideInt32ReadAsNoRow)
{
    EXPECT_EQ(ToDataRow(3.9), 3);
    EXPECT_EQ(ToDataRow(-3.9), -3);
    EXPECT_EQ(ToDataRow(kNaN), INT32_MIN);
    EXPECT_EQ(ToDataRow(1e10), INT32_MIN);
    EXPECT_EQ(ToDataRow(-1e10), INT32_MIN);
    // A frame whose row slot holds any bit pattern still runs.
    auto program = ProgramOf("3 99, 103");
    Frame frame;
    frame.slots[11] = std::bit_cast<double>(uint64_t{0x7ff4000000000001});
    EXPECT_EQ(RunProgram(*program, frame), 1);
}

// Straight-line code ends anyway; a loop polls the stop at its test.
TEST(InterpretReal, RaisedStopRequestEndsALoopAtItsTest)
{
    auto program = SumLoop(1, 100);
    Frame frame;
    program->stopRequested = 1;
    EXPECT_NE(RunProgram(*program, frame), 5050);
    program->stopRequested = 0;
    EXPECT_EQ(RunProgram(*program, frame), 5050);
}

TEST(InterpretReal, ThreadStopFlagsStopOnlyTheirThread)
{
    auto program = SumLoop(1, 100);
    struct Flag {
        std::atomic<unsigned char>* flag;
        void (*mark)();
    };
    const Flag flags[] = {{&DocumentTaskAbort, MarkDocumentTaskThread}, {&SingleJobOverdue, MarkSingleJobThread}};
    for (const Flag& f : flags) {
        f.flag->store(1);
        Frame frame;
        EXPECT_EQ(RunProgram(*program, frame), 5050);  // this thread is not of that kind
        double onThatThread = 0;
        std::thread([&] {
            f.mark();
            Frame own;
            onThatThread = RunProgram(*program, own);
        }).join();
        EXPECT_NE(onThatThread, 5050);
        f.flag->store(0);
    }
}

TEST(InterpretReal, ValueStackFallsBackToTheBudgetAndThenToUndefined)
{
    // A stack of 30,000 cells does not fit beside the 64 KiB reserve of a
    // 256 KiB thread.
    auto program = ProgramOf("0 1, 0 2, 12, 103", 30000);
    double fromBudget = 0;
    double refused = 0;
    OnSmallStack(256 * 1024, [&] {
        Frame frame;
        fromBudget = RunProgram(*program, frame);
        BudgetRefusal refusal;
        refused = RunProgram(*program, frame);
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
    for (int32_t opcode = 20; opcode <= 67; ++opcode) {
        if (opcode == OpRationalPower)
            continue;
        bool unary = opcode <= OpAcsch || opcode == OpNot || opcode >= OpFloor;
        std::string code = unary ? "1 3, " : "1 3, 1 4, ";
        code += std::to_string(opcode) + (OpcodeTable[opcode].form == OperandForm::A ? " 2" : "") + ", 103";
        programs.push_back(ProgramOf(code));
    }
    for (int32_t opcode : {12, 14, 15, 16, 17, 18, 77, 78, 79, 81})
        programs.push_back(ProgramOf(("1 3, 1 4, " + std::to_string(opcode) + ", 103").c_str()));
    programs.push_back(ProgramOf("1 3, 1 4, 0 3, 64, 103"));

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

namespace {

TEST(InterpretReal, AnEarlyEndLeavesNoStaleSlotForTheNextProgramOfTheBatch)
{
    // The first program of a batch would store r (slot 7) and a shared
    // subexpression (local 0) after its 82; the second reads both.
    auto first = ProgramOf("1 3, 82, 4 7, 5 0, 103");
    auto second = ProgramOf("1 7, 2 0, 12, 103");
    Frame frame;
    frame.slots[3] = 2;
    // What the last point left behind.
    frame.slots[7] = 0.479;
    frame.slots[kLocalBase] = 1;
    EXPECT_TRUE(std::isnan(RunProgram(*first, frame)));
    EXPECT_TRUE(std::isnan(frame.slots[7]));
    EXPECT_TRUE(std::isnan(frame.slots[kLocalBase]));
    EXPECT_TRUE(std::isnan(RunProgram(*second, frame)));
}

}  // namespace
