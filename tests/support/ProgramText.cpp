#include "support/ProgramText.h"

#include "support/Disassembler.h"

#include <gtest/gtest.h>

#include <charconv>

std::unique_ptr<BytecodeProgram> ProgramOf(const std::string& text, int32_t extraStack)
{
    auto program = std::make_unique<BytecodeProgram>();
    EXPECT_TRUE(Assemble(text.c_str(), *program)) << text;
    ResolveLoopJumps(program.get());
    program->ComputeMaxStack();
    program->maxStack += extraStack;
    return program;
}

std::string NumberText(double value)
{
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}
