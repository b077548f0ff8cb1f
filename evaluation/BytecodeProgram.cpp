#include "evaluation/BytecodeProgram.h"

#include "evaluation/CodeGenerator.h"

#include <algorithm>

namespace {

// The code of every program whose generation failed and that could not get
// memory even for one instruction. Never written, never freed.
Instruction StaticEnd = {OpEnd, {0.0}};

}  // namespace

BytecodeProgram::~BytecodeProgram()
{
    FreeInstructions();
}

bool BytecodeProgram::SharesStaticEnd() const
{
    return instructions.storage == &StaticEnd;
}

void BytecodeProgram::FreeInstructions()
{
    if (SharesStaticEnd())
        instructions = {};
    else
        instructions.Clear();
}

namespace {

int32_t Append(BytecodeProgram& program, const Instruction& instruction)
{
    // A program reduced to the shared end instruction takes no more code.
    if (program.instructions.storage == &StaticEnd || program.instructions.Push(instruction) != 0) {
        program.error = 1;
        return 1;
    }
    return 0;
}

}  // namespace

int32_t BytecodeProgram::Emit(int32_t opcode)
{
    Instruction instruction{};
    instruction.opcode = opcode;
    return Append(*this, instruction);
}

int32_t BytecodeProgram::EmitInt(int32_t opcode, int32_t a)
{
    return EmitPointer(opcode, a, 0);
}

int32_t BytecodeProgram::EmitPointer(int32_t opcode, int32_t a, int32_t b)
{
    Instruction instruction{};
    instruction.opcode = opcode;
    instruction.arg.a = a;
    instruction.arg.b = b;
    return Append(*this, instruction);
}

int32_t BytecodeProgram::EmitConstant(double value)
{
    Instruction instruction{};
    instruction.opcode = OpPushNumber;
    instruction.number = value;
    return Append(*this, instruction);
}

bool BytecodeProgram::InsertInstruction(int32_t position, const Instruction& instruction)
{
    if (position < 0 || position > instructions.count || Append(*this, instruction) != 0) {
        error = 1;
        return false;
    }
    Instruction* code = instructions.storage;
    MoveBytes(code + position + 1, code + position,
              sizeof(Instruction) * static_cast<size_t>(instructions.count - 1 - position));
    code[position] = instruction;
    return true;
}

void BytecodeProgram::ComputeMaxStack()
{
    int64_t depth = 0;
    int64_t highest = 1;
    for (int32_t i = 0; i < instructions.count; ++i) {
        const Instruction& instruction = instructions.storage[i];
        if (instruction.opcode == OpFail || instruction.opcode == OpEnd)
            break;
        depth += StaticStackEffect(instruction.opcode, instruction.arg.a);
        highest = std::max(highest, depth);
    }
    maxStack = static_cast<int32_t>(std::min<int64_t>(highest + 1, INT32_MAX));
}

void BytecodeProgram::MakeEndOnly()
{
    FreeInstructions();
    Instruction end{};
    end.opcode = OpEnd;
    if (instructions.Push(end) != 0) {
        instructions.storage = &StaticEnd;
        instructions.count = 1;
        instructions.capacity = 0;
    }
}

void ResolveLoopJumps(BytecodeProgram* program)
{
    if (program->instructions.storage == &StaticEnd)
        return;
    Instruction* code = program->instructions.storage;
    int32_t count = program->instructions.count;
    for (int32_t i = 0; i < count; ++i) {
        if (code[i].opcode != OpLoopTest)
            continue;
        for (int32_t j = i; j < count; ++j) {
            if (code[j].opcode == OpLoopEnd && code[j].arg.a == code[i].arg.a) {
                code[i].arg.b = j - i;
                code[j].arg.b = j - i;
                break;
            }
        }
    }
}

BytecodeProgram::BytecodeProgram(FormulaNode* tree, CompileContext* compileContext, bool withLabels,
                                 bool gridProgram, DocState* document)
    : context(compileContext), doc(document)
{
    GenerateProgram(*this, tree, withLabels, gridProgram);
}
