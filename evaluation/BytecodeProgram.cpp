#include "evaluation/BytecodeProgram.h"

#include "evaluation/InterpreterBuild.h"

#include "evaluation/BranchLabel.h"
#include "evaluation/CodeGenerator.h"
#include "evaluation/PointCode.h"

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
    pointCode.Clear();
    readsConstants = readsRow = readsSlider = 1;
    straightLine = pointLeaf = 0;
    realPointRuns[0] = realPointRuns[1] = nullptr;
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
        // Code after an 82 is still counted: a branch may jump over it.
        if (instruction.opcode == OpEnd)
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

bool InstructionOperandsValid(const Instruction& instruction)
{
    int32_t a = instruction.arg.a;
    switch (instruction.opcode) {
    case OpLoadSlot:
    case OpStoreSlot: return a >= 0 && a < kLocalBase;
    case OpLoadLocal:
    case OpStoreLocal:
    case OpStoreAndDrop:
    case OpRowFromCounter:
    case OpLoopTest:
    case OpLoopEnd:
    case OpSumGuard:
    case OpProductGuard:
    case OpBeginAggregate:
    case OpBeginMinMax:
    case OpBranch:
    case OpCallUser: return a >= 0 && a <= INT32_MAX - 2;
    case OpLess:
    case OpGreater:
    case OpLeq:
    case OpGeq:
    case OpEqual:
    case OpNotEqual: return a >= 1;
    default: return true;
    }
}

namespace {

// Whether the jump of the instruction at i lands where the static depth is
// the depth the jump leaves: the depth before each instruction is in depth.
bool JumpKeepsDepth(const Instruction* code, int32_t count, const int32_t* depth, int32_t i)
{
    const Instruction& instruction = code[i];
    int32_t a = instruction.arg.a;
    int32_t b = instruction.arg.b;
    switch (instruction.opcode) {
    case OpSkipFalsePair:
    case OpSkipRestPairs: {
        int32_t seen = 0;
        const Instruction* label = FindLabel(code + i, a, b, &seen);
        if (!label)
            return true;  // the run ends there
        // 87 leaves an undefined value for the skipped one; 88 an
        // undefined pair for every further pair it skips.
        int32_t pushed = instruction.opcode == OpSkipFalsePair ? 1 : 2 * (seen - 1);
        return depth[label - code] == depth[i] + pushed;
    }
    case OpLoopTest:
        // The loop's body leaves the depth as it found it, so the exit and
        // the way back meet the same depth.
        return b > 0 && b < count - i && code[i + b].opcode == OpLoopEnd && code[i + b].arg.a == a &&
               code[i + b].arg.b == b && depth[i + b] == depth[i];
    case OpLoopEnd:
        return b > 0 && b <= i && code[i - b].opcode == OpLoopTest && code[i - b].arg.a == a && code[i - b].arg.b == b;
    default:
        return true;
    }
}

}  // namespace

bool VerifyProgram(const BytecodeProgram& program)
{
    const Instruction* code = program.instructions.storage;
    int32_t count = program.instructions.count;
    if (count < 1 || code[count - 1].opcode != OpEnd || program.maxStack < 1)
        return false;
    GrowArray<int32_t> depth;
    int64_t d = 0;
    bool valid = true;
    for (int32_t i = 0; i < count && valid; ++i) {
        const Instruction& instruction = code[i];
        if (instruction.opcode < 0 || instruction.opcode >= kOpcodeCount || !InstructionOperandsValid(instruction) ||
            depth.Push(static_cast<int32_t>(d)) != 0) {
            valid = false;
            break;
        }
        d += StaticStackEffect(instruction.opcode, instruction.arg.a);
        valid = d >= 0 && d < program.maxStack;
    }
    // A formula leaves one value; more would be operands no operator took.
    valid = valid && depth[count - 1] <= 1;
    for (int32_t i = 0; i < count && valid; ++i)
        valid = JumpKeepsDepth(code, count, depth.storage, i);
    depth.Clear();
    return valid;
}

void FinishProgram(BytecodeProgram* program)
{
    ResolveLoopJumps(program);
    if (!VerifyProgram(*program)) {
        program->MakeEndOnly();
        program->ComputeMaxStack();
    }
    PreparePointRuns(program);
    SelectRealPointRuns(program);
}
