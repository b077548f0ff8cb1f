// Programs written instruction by instruction, for tests of the interpreters
// that must not depend on what the code generator emits.
#pragma once

#include "evaluation/BytecodeProgram.h"

#include <cstdint>
#include <initializer_list>
#include <memory>

struct HandOp {
    int32_t opcode;
    int32_t a;
    int32_t b;
    double value;
};

// Opcode 0 pushing the value.
inline HandOp Num(double value)
{
    return {0, 0, 0, value};
}

inline HandOp Op(int32_t opcode, int32_t a = 0, int32_t b = 0)
{
    return {opcode, a, b, 0};
}

// The program of the instructions, with opcode 103 appended, loop distances
// filled in (each 90 paired with the next 91 of its slot) and room for the
// deepest stack any of them can build.
inline std::unique_ptr<BytecodeProgram> MakeHandProgram(std::initializer_list<HandOp> ops, int32_t extraStack = 0)
{
    auto program = std::make_unique<BytecodeProgram>();
    for (const HandOp& op : ops) {
        Instruction instruction{};
        instruction.opcode = op.opcode;
        if (op.opcode == 0) {
            instruction.number = op.value;
        } else {
            instruction.arg.a = op.a;
            instruction.arg.b = op.b;
        }
        program->instructions.Push(instruction);
    }
    Instruction end{};
    end.opcode = 103;
    program->instructions.Push(end);
    Instruction* code = program->instructions.storage;
    int32_t count = program->instructions.count;
    for (int32_t i = 0; i < count; ++i) {
        if (code[i].opcode != 90)
            continue;
        for (int32_t j = i + 1; j < count; ++j) {
            if (code[j].opcode == 91 && code[j].arg.a == code[i].arg.a) {
                code[i].arg.b = code[j].arg.b = j - i;
                break;
            }
        }
    }
    program->maxStack = 2 * count + 2 + extraStack;
    return program;
}
