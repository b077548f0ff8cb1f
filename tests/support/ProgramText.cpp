#include "support/ProgramText.h"

#include "evaluation/Disassembler.h"

#include <gtest/gtest.h>

std::unique_ptr<BytecodeProgram> ProgramOfText(const char* text, int32_t extraStack)
{
    auto program = std::make_unique<BytecodeProgram>();
    EXPECT_TRUE(Assemble(text, *program)) << text;
    ResolveLoopJumps(program.get());
    program->ComputeMaxStack();
    program->maxStack += extraStack;
    return program;
}
