// Programs written as program text (Disassembler.h) for tests of the
// interpreters that must not depend on what the code generator emits.
#pragma once

#include "evaluation/BytecodeProgram.h"

#include <cstdint>
#include <memory>

// The program of the text, loop jumps resolved and its stack depth counted;
// extraStack cells more make a program whose stack does not fit the
// interpreter's own frame.
std::unique_ptr<BytecodeProgram> ProgramOfText(const char* text, int32_t extraStack = 0);
