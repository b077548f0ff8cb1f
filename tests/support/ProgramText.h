// Programs written as program text (the form the disassembler writes), for
// tests of the interpreters that must not depend on what the code generator
// emits.
#pragma once

#include "evaluation/BytecodeProgram.h"

#include <cstdint>
#include <memory>
#include <string>

// The program of the text, loop jumps resolved and its stack depth counted;
// extraStack cells more make a program whose stack does not fit the
// interpreter's own frame.
std::unique_ptr<BytecodeProgram> ProgramOf(const std::string& text, int32_t extraStack = 0);

// The shortest text that reads back as the value.
std::string NumberText(double value);
