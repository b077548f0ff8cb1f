#include "support/Disassembler.h"

#include "evaluation/BytecodeProgram.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

void AppendInt(std::string& out, int32_t value)
{
    char buffer[16];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void AppendNumber(std::string& out, double value)
{
    if (std::isnan(value)) {
        out += "nan";
        return;
    }
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

const char* SkipSpaces(const char* p, const char* end)
{
    while (p < end && *p == ' ')
        ++p;
    return p;
}

// An int32 or a double after optional spaces.
template <typename T>
bool Read(const char*& p, const char* end, T& value)
{
    p = SkipSpaces(p, end);
    auto result = std::from_chars(p, end, value);
    if (result.ec != std::errc())
        return false;
    p = result.ptr;
    return true;
}

}  // namespace

std::string Disassemble(const BytecodeProgram& program)
{
    std::string out;
    for (int32_t i = 0; i < program.Count(); ++i) {
        const Instruction& instruction = program.At(i);
        if (i > 0)
            out += ", ";
        AppendInt(out, instruction.opcode);
        OperandForm form = instruction.opcode >= 0 && instruction.opcode < kOpcodeCount
                               ? OpcodeTable[instruction.opcode].form
                               : OperandForm::None;
        switch (form) {
        case OperandForm::None:
            break;
        case OperandForm::Number:
            out += ' ';
            AppendNumber(out, instruction.number);
            break;
        case OperandForm::A:
            out += ' ';
            AppendInt(out, instruction.arg.a);
            break;
        case OperandForm::AB:
            out += ' ';
            AppendInt(out, instruction.arg.a);
            out += ' ';
            AppendInt(out, instruction.arg.b);
            break;
        }
    }
    return out;
}

bool Assemble(const char* text, BytecodeProgram& program)
{
    std::vector<Instruction> code;
    const char* p = text;
    const char* end = text + std::strlen(text);
    while (SkipSpaces(p, end) < end) {
        Instruction instruction{};
        if (!Read(p, end, instruction.opcode) || instruction.opcode < 0 || instruction.opcode >= kOpcodeCount)
            return false;
        switch (OpcodeTable[instruction.opcode].form) {
        case OperandForm::None:
            break;
        case OperandForm::Number:
            if (!Read(p, end, instruction.number))
                return false;
            break;
        case OperandForm::A:
            if (!Read(p, end, instruction.arg.a))
                return false;
            break;
        case OperandForm::AB:
            if (!Read(p, end, instruction.arg.a))
                return false;
            // The distance of a loop instruction may be left out before the
            // jumps are resolved.
            if (SkipSpaces(p, end) < end && *SkipSpaces(p, end) != ',' && !Read(p, end, instruction.arg.b))
                return false;
            break;
        }
        p = SkipSpaces(p, end);
        if (p < end && *p++ != ',')
            return false;
        code.push_back(instruction);
    }
    int32_t before = program.Count();
    for (const Instruction& instruction : code) {
        if (program.instructions.Push(instruction) != 0) {
            program.instructions.count = before;
            return false;
        }
    }
    return true;
}
