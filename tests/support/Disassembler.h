// Program text: one line of instructions separated by ", ", each the opcode
// followed by its operands ("1 3, 29, 5 0, 2 0, 12, 103"). Numbers are
// written shortest round-trip, locale-free; "nan" and "inf" as such.
#pragma once

#include <string>

struct BytecodeProgram;

std::string Disassemble(const BytecodeProgram& program);

// Appends the instructions of the text to the program; false (the program
// unchanged) on text that is not a program or when memory runs out.
bool Assemble(const char* text, BytecodeProgram& program);
