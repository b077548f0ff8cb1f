#include "evaluation/BytecodeProgram.h"
#include "support/BudgetRefusal.h"
#include "support/Disassembler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

std::string Roundtrip(const char* text)
{
    BytecodeProgram program;
    EXPECT_TRUE(Assemble(text, program)) << text;
    return Disassemble(program);
}

int32_t MaxStackOf(const char* text)
{
    BytecodeProgram program;
    EXPECT_TRUE(Assemble(text, program)) << text;
    program.ComputeMaxStack();
    return program.maxStack;
}

std::string Resolved(const char* text)
{
    BytecodeProgram program;
    EXPECT_TRUE(Assemble(text, program)) << text;
    ResolveLoopJumps(&program);
    return Disassemble(program);
}

}  // namespace

TEST(BytecodeProgramTest, InstructionsAreSixteenBytes)
{
    EXPECT_EQ(sizeof(Instruction), 16u);
}

TEST(BytecodeProgramTest, ProgramTextReadsBackAsWritten)
{
    const char* texts[] = {
        "103",
        "0 2.5, 103",
        "1 3, 29, 5 0, 2 0, 12, 103",
        "0 3.141592653589793, 0 -0.017453292519943295, 0 inf, 0 nan, 103",
        "85 2 7, 86 0 1, 90 3 4, 91 3 4, 100 0 9, 103",
        "53 3, 69 2, 83 300, 84 301, 103",
    };
    for (const char* text : texts)
        EXPECT_EQ(Roundtrip(text), text);
}

TEST(BytecodeProgramTest, BadProgramTextIsRefusedAndAddsNothing)
{
    const char* texts[] = {"104", "-1", "1", "0 x", "1 3 29", "12; 103", "1 3,, 103"};
    for (const char* text : texts) {
        BytecodeProgram program;
        EXPECT_FALSE(Assemble(text, program)) << text;
        EXPECT_EQ(program.Count(), 0) << text;
    }
}

TEST(BytecodeProgramTest, MaxStackIsTheHighestStaticDepthPlusOne)
{
    struct Case {
        const char* code;
        int32_t maxStack;
    } cases[] = {
        {"103", 2},                                   // depth never above the start of 1
        {"0 0, 0 0, 12, 103", 3},
        {"1 3, 28, 11 0, 1 3, 14, 12, 103", 4},
        {"0 1, 0 2, 0 3, 0 4, 53 4, 103", 5},         // a chain takes 1 - n
        {"0 1, 0 2, 0 3, 0 4, 53 4, 0 1, 0 1, 12, 12, 103", 5},
        {"0 1, 0 1, 0 0, 0 2, 69 2, 0 1, 0 1, 0 1, 103", 5},  // 1 - 2n after a branch
        {"0 1, 0 2, 0 3, 85 3 0, 0 1, 0 1, 0 1, 103", 5},      // 1 - n after a call
        {"0 1, 0 2, 82, 0 1, 0 1, 0 1, 103", 6},      // a branch may jump past an 82
        {"0 1, 103, 0 1, 0 1, 0 1", 2},               // so does 103
        {"0 0, 100 1 9, 90 1, 95 1, 3 300, 98, 91 1, 94, 6, 7, 103", 5},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MaxStackOf(c.code), c.maxStack) << c.code;
}

TEST(BytecodeProgramTest, LoopJumpsPairEachTestWithTheFirstFollowingEndOfItsSlot)
{
    struct Case {
        const char* code;
        const char* resolved;
    } cases[] = {
        // One loop: the test jumps past the end, the end back to the test.
        {"0 0, 0 1, 5 2, 89 0, 0 3, 89 1, 90 0, 2 0, 92 0, 12, 91 0, 103",
         "0 0, 0 1, 5 2, 89 0, 0 3, 89 1, 90 0 4, 2 0, 92 0, 12, 91 0 4, 103"},
        // Nested loops over slots 0 and 3.
        {"90 0, 90 3, 2 3, 91 3, 91 0, 103", "90 0 4, 90 3 2, 2 3, 91 3 2, 91 0 4, 103"},
        // Sequential loops sharing one slot: each test finds its own end.
        {"90 0, 13, 91 0, 90 0, 13, 13, 91 0, 103", "90 0 2, 13, 91 0 2, 90 0 3, 13, 13, 91 0 3, 103"},
        // A test without an end keeps its distance.
        {"90 5 7, 91 4, 103", "90 5 7, 91 4 0, 103"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Resolved(c.code), c.resolved) << c.code;
}

TEST(BytecodeProgramTest, InsertedInstructionsShiftTheRestOfTheCode)
{
    BytecodeProgram program;
    ASSERT_TRUE(Assemble("1 3, 29, 2 0, 12, 103", program));
    Instruction store{};
    store.opcode = OpStoreLocal;
    store.arg.a = 0;
    ASSERT_TRUE(program.InsertInstruction(2, store));
    Instruction first{};
    first.opcode = OpNop;
    ASSERT_TRUE(program.InsertInstruction(0, first));
    EXPECT_EQ(Disassemble(program), "13, 1 3, 29, 5 0, 2 0, 12, 103");
    EXPECT_FALSE(program.InsertInstruction(8, first));
    EXPECT_EQ(program.error, 1);
}

TEST(BytecodeProgramTest, RefusedAppendsAnswerOneAndSetTheErrorFlag)
{
    BytecodeProgram program;
    {
        BudgetRefusal refusal;
        EXPECT_EQ(program.Emit(OpAdd), 1);
        EXPECT_EQ(program.EmitInt(OpLoadSlot, 3), 1);
        EXPECT_EQ(program.EmitPointer(OpCallUser, 1, 0), 1);
        EXPECT_EQ(program.EmitConstant(2.0), 1);
    }
    EXPECT_EQ(program.error, 1);
    EXPECT_EQ(program.Count(), 0);
    EXPECT_EQ(program.EmitConstant(2.0), 0);
    EXPECT_EQ(Disassemble(program), "0 2");
}

TEST(BytecodeProgramTest, EndOnlyProgramNeedsNoMemory)
{
    BytecodeProgram kept;
    ASSERT_TRUE(Assemble("0 1, 0 2, 12, 103", kept));
    BytecodeProgram empty;
    {
        BudgetRefusal refusal;
        // The block of the first program comes back and serves the end.
        kept.MakeEndOnly();
        // Nothing was ever allocated for the second: it shares the static end.
        empty.MakeEndOnly();
        EXPECT_EQ(empty.EmitConstant(1.0), 1);
        Instruction nop{};
        nop.opcode = OpNop;
        EXPECT_FALSE(empty.InsertInstruction(0, nop));
        ResolveLoopJumps(&empty);
    }
    EXPECT_EQ(Disassemble(kept), "103");
    EXPECT_EQ(Disassemble(empty), "103");
    empty.ComputeMaxStack();
    EXPECT_EQ(empty.maxStack, 2);
}

namespace {

TEST(BytecodeProgramTest, TheVerifierRefusesProgramsThatCouldLeaveTheirStack)
{
    struct Case {
        const char* what;
        const char* code;
        bool valid;
    } cases[] = {
        {"x + 1", "1 3, 0 1, 12, 103", true},
        {"mod(x): the missing operand is the undefined value beneath", "1 3, 77, 103", true},
        {"clamp(x)", "1 3, 80, 103", false},
        {"mod(mod(x))", "1 3, 77, 77, 103", false},
        {"1 = mod(mod(i + x))", "0 1, 76, 1 3, 12, 77, 77, 57 2, 103", false},
        {"no end", "0 1, 0 2, 12", false},
        {"a fixed slot past 11", "1 12, 103", false},
        {"a chain of no operands", "0 1, 53 0, 103", false},
        {"sum of k = 1 to 3 of x", "0 0, 0 1, 5 2, 89 0, 0 3, 89 1, 90 0, 1 3, 92 0, 12, 91 0, 103", true},
        {"a sum whose body leaves two values",
         "0 0, 0 1, 5 2, 89 0, 0 3, 89 1, 90 0, 1 3, 0 1, 92 0, 12, 91 0, 103", false},
        {"a loop end without its test", "0 1, 91 0, 103", false},
        {"a pair skip that lands one value short", "1 3, 87 0 0, 0 1, 0 2, 86 0 0, 69 1, 103", false},
        {"a pair skip that lands right", "1 3, 87 0 0, 0 2, 86 0 0, 69 1, 103", true},
    };
    for (const Case& c : cases) {
        BytecodeProgram program;
        ASSERT_TRUE(Assemble(c.code, program)) << c.what;
        program.ComputeMaxStack();
        ResolveLoopJumps(&program);
        EXPECT_EQ(VerifyProgram(program), c.valid) << c.what;
        FinishProgram(&program);
        if (!c.valid)
            EXPECT_EQ(Disassemble(program), "103") << c.what;
    }

    // An opcode outside the set, and a recorded maximum below the depth.
    BytecodeProgram unknown;
    ASSERT_TRUE(Assemble("0 5, 103", unknown));
    unknown.ComputeMaxStack();
    Instruction outside{};
    outside.opcode = 250;
    unknown.InsertInstruction(1, outside);
    EXPECT_FALSE(VerifyProgram(unknown));
    BytecodeProgram shallow;
    ASSERT_TRUE(Assemble("0 1, 0 2, 0 3, 12, 12, 103", shallow));
    shallow.ComputeMaxStack();
    EXPECT_TRUE(VerifyProgram(shallow));
    shallow.maxStack = 3;
    EXPECT_FALSE(VerifyProgram(shallow));
}

}  // namespace
