#include "evaluation/PointCode.h"

#include "evaluation/BytecodeProgram.h"
#include "evaluation/InterpretReal.h"
#include "evaluation/InterpreterBuild.h"
#include "evaluation/RunControl.h"
#include "support/ProgramText.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Frame {
    double slots[64];
    explicit Frame(double x = kNaN, double y = kNaN)
    {
        std::fill(std::begin(slots), std::end(slots), kNaN);
        slots[SlotX] = x;
        slots[SlotY] = y;
        slots[kLocalBase] = 0.75;
        slots[kLocalBase + 1] = -3;
    }
};

// Equal bits, or both NaN (a NaN's payload is no result).
bool SameBits(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

// The generated shapes the fusion rules take apart, each mixed with what
// may stand around them: operands of every kind, subtraction, powers,
// multiply-add chains, shared subexpressions, an early end, deep stacks.
const char* const kPrograms[] = {
    "1 3, 0 1, 12, 103",                                          // x + 1
    "0 2, 1 3, 14, 0 1, 12, 103",                                 // 2x + 1
    "1 3, 28, 0 1, 12, 103",                                      // x^2 + 1
    "0 1.1, 1 3, 28, 14, 0 2.2, 1 4, 0 3, 16, 14, 12, 103",       // with y^3
    "1 4, 1 3, 20, 12, 1 3, 15, 103",                             // (y - x) / x
    "0 7, 1 3, 14, 0 6, 12, 1 3, 14, 0 5, 12, 1 3, 14, 0 0.1, 12, 103",  // Horner
    "1 3, 28, 1 4, 28, 12, 23, 103",                              // distance
    "1 3, 1 3, 1 4, 12, 1 3, 1 4, 20, 12, 14, 15, 1 4, 15, 103",  // fraction
    "1 4, 1 3, 1 4, 15, 12, 1 3, 1 4, 1 3, 15, 20, 12, 14, 103",  // quotients
    "0 1, 1 3, 20, 12, 0 5, 1 4, 20, 12, 14, 103",                // (1 - x)(5 - y)
    "1 3, 2 0, 12, 1 4, 2 1, 20, 12, 12, 2 0, 14, 2 1, 15, 103",  // locals
    "1 3, 0 3, 20, 12, 1 4, 0 -2.5, 20, 12, 14, 103",             // minus numbers
    "1 3, 1 4, 14, 1 3, 1 4, 15, 1 3, 1 4, 12, 1 3, 1 4, 20, 12, 12, 12, 12, 103",
    "1 3, 0 2, 16, 1 4, 0 0.5, 16, 12, 103",                      // powers
    // Whole powers multiplied out, and past the bound through the library.
    "1 3, 0 7, 16, 1 4, 0 5, 16, 12, 1 3, 0 8, 16, 12, 1 4, 0 9, 16, 12, 1 3, 0 1, 16, 12, 103",
    "1 3, 20, 1 4, 14, 0 3, 12, 1 3, 14, 0 -1, 12, 103",          // multiply-add after a negation
    "1 3, 29, 5 0, 2 0, 12, 1 3, 1 4, 18, 4 7, 1 7, 14, 12, 103", // stores, r
    "1 3, 82, 0 1, 12, 4 7, 5 0, 103",                            // early end
    "1 3, 0 1, 53 2, 1 4, 0 2, 12, 68, 103",                      // relation and if
    "1 3, 1 4, 1 3, 1 4, 1 3, 1 4, 1 3, 12, 12, 12, 12, 12, 12, 0 1, 12, 103",
    "1 3, 0 2, 20, 12, 20, 0 4, 20, 12, 103",                     // negation chains
    "1 3, 21, 1 4, 23, 12, 1 3, 23, 14, 1 4, 21, 15, 103",        // |x|, square roots of slots
    // Slot pairs taken at once: each operation on each of the four pairs
    // (after a number, which stays a push of its own).
    "0 0.5, 1 3, 1 4, 12, 12, 1 4, 1 3, 20, 12, 12, 1 3, 1 4, 14, 12, 1 4, 1 3, 15, 12, 103",
    "0 0.5, 1 3, 1 4, 12, 20, 12, 1 4, 1 3, 20, 12, 20, 12, 1 3, 1 4, 14, 20, 12, 1 4, 1 3, 15, 20, 12, 103",
    "0 0.5, 1 3, 1 4, 12, 14, 1 4, 1 3, 20, 12, 14, 1 3, 1 4, 14, 14, 1 4, 1 3, 15, 14, 103",
    "0 0.5, 1 3, 1 4, 12, 15, 1 4, 1 3, 20, 12, 15, 1 3, 1 4, 14, 15, 1 4, 1 3, 15, 15, 103",
    // Squares, absolute values and square roots of slots taken at once.
    "1 3, 1 4, 28, 12, 1 3, 21, 12, 1 4, 23, 12, 1 4, 28, 20, 12, 1 3, 21, 20, 12, 1 4, 23, 20, 12, 103",
    "1 3, 1 4, 28, 14, 1 3, 21, 14, 1 4, 23, 14, 1 4, 28, 15, 1 3, 21, 15, 1 4, 23, 15, 103",
    // A number or slot left of a longer right operand, of each operation.
    "0 2, 1 3, 29, 1 4, 14, 20, 12, 103",                         // 2 - sin(x) y
    "1 3, 1 4, 1 3, 29, 12, 15, 103",                             // x / (y + sin x)
    "0 3, 1 4, 29, 1 3, 12, 14, 0 0.5, 1 3, 23, 29, 12, 12, 103", // 3 (sin y + x) + (0.5 + sin sqrt x)
    "1 4, 1 3, 20, 1 4, 29, 14, 12, 0 -1, 1 3, 28, 21, 15, 14, 103",
    // A slot and then a slot pair taken by each operation.
    "1 4, 1 3, 1 4, 15, 12, 1 3, 1 4, 1 3, 14, 20, 12, 14, 1 3, 1 3, 1 4, 12, 15, 1 4, 1 4, 1 3, 20, 12, 14, 12, 15, 103",
    // A store in the right operand to the slot the left one reads: the
    // load may not move past it.
    "1 3, 1 4, 29, 4 3, 12, 0 1, 12, 103",
};

// Programs of one or two operations, which a point entry runs without
// dispatch.
const char* const kShortPrograms[] = {
    "1 3, 1 4, 12, 23, 103", "1 3, 21, 1 4, 15, 103", "1 3, 0 2, 12, 1 4, 14, 0 1, 12, 103", "1 3, 1 4, 20, 12, 21, 103",
    "1 3, 0 -2, 15, 0 3, 20, 12, 103",
    "1 3, 103",        "1 3, 0 1, 12, 103", "1 3, 0 2, 20, 12, 103", "1 3, 0 2, 14, 103", "1 3, 0 3, 15, 103",
    "1 3, 1 4, 12, 103", "1 3, 1 4, 20, 12, 103", "1 3, 1 4, 14, 103", "1 3, 1 4, 15, 103", "1 3, 28, 103",
    "1 3, 21, 103",    "1 3, 23, 103",      "1 3, 29, 103",          "1 3, 20, 103",      "1 3, 66, 103",
    "1 3, 26, 103",    "1 3, 24, 103",
};

const double kValues[] = {-7.5, -1, -0.0, 0, 1e-310, 0.3, 1, 2.5, 1e300, kInf, -kInf, kNaN};

TEST(PointCode, FusedProgramsComputeExactlyWhatTheirInstructionsDo)
{
    std::set<int32_t> slotOperationForms;
    for (const char* text : kPrograms) {
        auto plain = ProgramOf(text);
        auto fused = ProgramOf(text);
        FinishProgram(fused.get());
        for (int32_t i = 0; i < fused->pointCode.count; ++i) {
            int32_t op = fused->pointCode[i].opcode;
            if (op >= OpAddSlotAddSlot && op <= OpDivideSqrtSlot)
                slotOperationForms.insert(op);
        }
        ASSERT_GT(fused->pointCode.count, 0) << text;
        EXPECT_LT(fused->pointCode.count, fused->instructions.count) << text << ": nothing fused";
        for (double x : kValues) {
            for (double y : kValues) {
                Frame a(x, y);
                Frame b(x, y);
                double expected = plain->RunReal(a.slots, nullptr);
                double got = fused->RunReal(b.slots, nullptr);
                EXPECT_TRUE(SameBits(got, expected)) << text << " at " << x << ", " << y << ": " << got << " for "
                                                     << expected;
                for (int32_t s = 0; s < 64; ++s)
                    EXPECT_TRUE(SameBits(a.slots[s], b.slots[s])) << text << ": slot " << s;
            }
        }
    }
    EXPECT_EQ(slotOperationForms.size(), 28u) << "not every operation on a slot pair or function was made";
}

TEST(PointCode, BothBuildsRunFusedCodeBitForBit)
{
    if (!CanRunV3Build())
        GTEST_SKIP() << "this processor cannot run the x86-64-v3 build";
    for (const char* text : kPrograms) {
        auto program = ProgramOf(text);
        FinishProgram(program.get());
        for (double x : kValues) {
            for (double y : kValues) {
                Frame a(x, y);
                Frame b(x, y);
                double base = baseline::InterpretRealAtPoint(program.get(), a.slots);
                double wide = v3::InterpretRealAtPoint(program.get(), b.slots);
                EXPECT_EQ(std::bit_cast<uint64_t>(base), std::bit_cast<uint64_t>(wide)) << text << " at " << x;
            }
        }
    }
}

TEST(PointCode, EachBuildsPointEntryRunsWhatTheInstructionsDo)
{
    std::vector<const char*> texts(std::begin(kPrograms), std::end(kPrograms));
    texts.insert(texts.end(), std::begin(kShortPrograms), std::end(kShortPrograms));
    for (const char* text : texts) {
        auto plain = ProgramOf(text);
        auto fused = ProgramOf(text);
        FinishProgram(fused.get());
        for (int32_t build = 0; build < (CanRunV3Build() ? 2 : 1); ++build) {
            RealPointRun run = fused->realPointRuns[build];
            ASSERT_NE(run, nullptr) << text;
            for (double x : kValues) {
                for (double y : kValues) {
                    Frame a(x, y);
                    Frame b(x, y);
                    double expected = plain->RunReal(a.slots, nullptr);
                    double got = run(fused.get(), fused->pointCode.storage, b.slots, nullptr, nullptr);
                    EXPECT_TRUE(SameBits(got, expected))
                        << text << " in build " << build << " at " << x << ", " << y << ": " << got << " for "
                        << expected;
                }
            }
        }
    }
}

TEST(PointCode, TheLastOperationEndsTheRunAndALeftOperandWaitsNoMore)
{
    // x / ((x + y)(x - y)) / y: the product first, then x divided by it,
    // x no longer waiting beneath; the last division ends the run.
    auto program = ProgramOf("1 3, 1 3, 1 4, 12, 1 3, 1 4, 20, 12, 14, 15, 1 4, 15, 103");
    FinishProgram(program.get());
    std::vector<int32_t> ops;
    for (int32_t i = 0; i < program->pointCode.count; ++i)
        ops.push_back(program->pointCode[i].opcode);
    EXPECT_EQ(ops, (std::vector<int32_t>{OpSlotAddSlot, OpMultiplySlotSubtractSlot, OpSlotDivide,
                                         OpDivideSlotThenEnd, OpEnd}));
}

TEST(PointCode, AMultiplyAddRoundsTheProductFirst)
{
    // (1 + 2^-52)(1 - 2^-52) is 1 - 2^-104, which rounds to 1; a fused
    // multiply-add would keep the -2^-104.
    double a = 1 + 0x1p-52;
    double b = 1 - 0x1p-52;
    auto program = ProgramOf("1 3, 20, 20, 1 4, 14, 0 -1, 12, 103");
    FinishProgram(program.get());
    ASSERT_EQ(program->pointCode[3].opcode, OpMultiplySlotAddNumberThenEnd);
    Frame frame(a, b);
    EXPECT_EQ(std::bit_cast<uint64_t>(program->RunReal(frame.slots, nullptr)), 0u);
}

TEST(PointCode, OnlyStraightLineProgramsGetPointCodeAndFlagsSayWhatTheyRead)
{
    struct Case {
        const char* text;
        bool straight;
        bool constants, row, slider;
        bool leaf = false;  // runs without a call
    } cases[] = {
        {"1 3, 0 1, 12, 103", true, false, false, false, true},
        {"1 2, 11 0, 12, 103", true, true, false, true, true},
        {"3 97, 1 3, 14, 103", true, false, true, false},
        {"1 3, 29, 103", true, false, false, false},                                    // a sine
        {"1 3, 0 3, 16, 103", true, false, false, false, true},                         // a whole power
        {"1 3, 0 2.5, 16, 103", true, false, false, false},                             // a power
        {"0 1, 5 0, 7, 0 10, 5 1, 7, 90 0, 2 0, 7, 91 0, 0 1, 103", false, false, false, false},  // a loop
        {"0 2, 85 1 0, 103", false, false, false, false},                              // a call
        {"1 3, 8 0, 12, 103", false, false, false, false},                              // a grid part
    };
    for (const Case& c : cases) {
        auto program = ProgramOf(c.text);
        FinishProgram(program.get());
        EXPECT_EQ(program->straightLine != 0, c.straight) << c.text;
        EXPECT_EQ(program->pointCode.count > 0, c.straight) << c.text;
        EXPECT_EQ(program->readsConstants != 0, c.constants) << c.text;
        EXPECT_EQ(program->readsRow != 0, c.row) << c.text;
        EXPECT_EQ(program->readsSlider != 0, c.slider) << c.text;
        EXPECT_EQ(program->pointLeaf != 0, c.leaf) << c.text;
    }
    // A program that fails its check is its end alone, in both forms.
    auto broken = ProgramOf("12, 103");
    FinishProgram(broken.get());
    EXPECT_EQ(broken->instructions.count, 1);
    EXPECT_LE(broken->pointCode.count, 1);
    Frame frame(1, 2);
    EXPECT_TRUE(std::isnan(broken->RunReal(frame.slots, nullptr)));
}

Instruction Word(int32_t opcode, int32_t a = 0, int32_t b = 0)
{
    Instruction word{};
    word.opcode = opcode;
    word.arg.a = a;
    word.arg.b = b;
    return word;
}

TEST(PointCode, TheCheckRejectsFusedCodeThatCouldRunAstray)
{
    Instruction end = Word(OpEnd);
    Instruction number = Word(OpNop);
    number.number = 2;
    struct Case {
        const char* what;
        std::vector<Instruction> code;
        bool valid;
    } cases[] = {
        {"a sound one", {Word(OpSlotAddNumber, 3), number, Word(OpMultiplySlot, 4), end}, true},
        {"a slot past the fixed ones", {Word(OpSlotAddNumber, 12), number, end}, false},
        {"a second slot below zero", {Word(OpSlotAddSlot, 3, -1), end}, false},
        {"a negative local", {Word(OpLoadSlot, 3), Word(OpAddLocal, -1), end}, false},
        {"a negative constant", {Word(OpLoadSlot, 3), Word(OpAddConstant, -2), end}, false},
        {"a two-word form cut by the end", {Word(OpLoadSlot, 3), Word(OpMultiplySlotAddNumber, 3), end}, false},
        {"an operand form on an empty stack", {Word(OpAddSlot, 3), end}, true},  // top starts undefined
        {"a subtraction on an empty stack", {Word(OpSubtract), end}, false},
        {"an opcode past the fused ones", {Word(kAllOpcodeCount), end}, false},
        {"a jump", {Word(OpLoadSlot, 3), Word(OpSkipFalsePair, 0, 1), end}, false},
        {"a call", {Word(OpLoadSlot, 3), Word(OpCallUser, 1, 0), end}, false},
        {"two values left at the end", {Word(OpSquareSlot, 3), Word(OpSquareSlot, 4), end}, false},
        {"no end", {Word(OpSquareSlot, 3)}, false},
        {"a last operation before the end", {Word(OpSquareSlot, 3), Word(OpSqrtThenEnd), end}, true},
        {"a last operation before more code",
         {Word(OpSquareSlot, 3), Word(OpSqrtThenEnd), Word(OpAddNumber), end},
         false},
        {"a left operand past the fixed slots", {Word(OpSquareSlot, 3), Word(OpSlotDivide, 12), end}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VerifyPointCode(c.code.data(), static_cast<int32_t>(c.code.size()), 4), c.valid) << c.what;
    // The stack the code needs must fit maxStack, and maxStack the lean cells.
    std::vector<Instruction> deep = {Word(OpSquareSlot, 3), Word(OpSquareSlot, 4), Word(OpSquareSlot, 5),
                                     Word(OpAdd), Word(OpAdd), end};
    EXPECT_FALSE(VerifyPointCode(deep.data(), 6, 3));
    EXPECT_TRUE(VerifyPointCode(deep.data(), 6, 4));
    EXPECT_FALSE(VerifyPointCode(deep.data(), 6, kLeanStackBytes / 8));
}

}  // namespace
