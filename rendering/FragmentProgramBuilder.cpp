#include "rendering/FragmentProgramBuilder.h"

#include "CoreUtilities/GrowArray.h"
#include "formula/CopyTree.h"
#include "formula/TreeEquality.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <set>

namespace {

// More instructions than any driver runs natively: such a program would only
// fail to load, so it is refused while being built.
constexpr size_t kMaxInstructions = 16384;

constexpr char kComponents[] = "xyzw";

// Numbers in program texts and keys are written without the C library, so
// that a decimal comma in the user's locale cannot reach the driver.
std::string Fixed(double value, int decimals)
{
    char buffer[400];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (error != std::errc())
        return "0";
    return std::string(buffer, end);
}

std::string Shortest(double value)
{
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::string("0");
}

// "% 35.30f"
std::string ProgramNumber(double value)
{
    std::string text = Fixed(value, 30);
    if (text[0] != '-')
        text.insert(text.begin(), ' ');
    if (text.size() < 35)
        text.insert(0, 35 - text.size(), ' ');
    return text;
}

}  // namespace

void AppendConstantGroups(std::string& out, const double* values, size_t count, const char* lineEnd)
{
    for (size_t group = 0; group * 4 < count; ++group) {
        out += "PARAM C" + std::to_string(group) + " = {" + lineEnd;
        for (size_t i = 0; i < 4; ++i) {
            const size_t at = group * 4 + i;
            out += "    " + ProgramNumber(at < count ? values[at] : 0) + (i < 3 ? "," : "") + lineEnd;
        }
        out += std::string("};") + lineEnd;
    }
}

const std::string& ProgramOperand::KeyText()
{
    if (!keyText.empty())
        return keyText;
    // A letter first keeps the kinds apart: a parameter slot, a constant
    // value and a register name never read alike.
    switch (kind) {
    case OperandParameter:
        keyText = "U" + std::to_string(slot);
        break;
    case OperandConstant:
        keyText = "C" + Shortest(value);
        break;
    case OperandNamed:
        keyText = "N" + name;
        break;
    default:
        // A temporary that nothing defined stands for itself.
        keyText = "\x01" + std::to_string(id);
        break;
    }
    return keyText;
}

FragmentProgramBuilder::FragmentProgramBuilder(ProgramConstantTrees* parameters, DocState* doc)
    : parameters_(parameters), doc_(doc)
{
    x = NamedOperand("fragment.texcoord[0].x");
    y = NamedOperand("fragment.texcoord[0].y");
    z = NamedOperand("fragment.texcoord[0].z");
}

FragmentProgramBuilder::~FragmentProgramBuilder() = default;

int32_t FragmentProgramBuilder::Add(int32_t kind)
{
    auto operand = std::make_unique<ProgramOperand>();
    operand->id = NextOperandId();
    operand->kind = kind;
    const int32_t id = operand->id;
    operands_.emplace(id, std::move(operand));
    return id;
}

ProgramOperand* FragmentProgramBuilder::Operand(int32_t reference) const
{
    if (reference == kNoOperand)
        return nullptr;
    auto found = operands_.find(std::abs(reference));
    return found == operands_.end() ? nullptr : found->second.get();
}

int32_t FragmentProgramBuilder::NewTemp()
{
    return Add(OperandTemporary);
}

int32_t FragmentProgramBuilder::ConstantOperand(double value)
{
    if (!std::isfinite(value))
        throw ProgramBuildError("constant without a finite value");
    const double magnitude = std::fabs(value);
    auto found = constants_.find(magnitude);
    int32_t id;
    if (found != constants_.end()) {
        id = found->second;
    } else {
        id = Add(OperandConstant);
        operands_[id]->value = magnitude;
        constants_.emplace(magnitude, id);
    }
    return value < 0 ? -id : id;
}

int32_t FragmentProgramBuilder::ParameterOperand(const FormulaNode* subtree)
{
    const int32_t count = parameters_ ? parameters_->count : 0;
    for (int32_t i = 0; i < count; ++i) {
        if (!TreesEqual(parameters_->storage[i], subtree))
            continue;
        for (int32_t id : parameterIds_)
            if (operands_[id]->slot == i)
                return id;
    }
    if (!parameters_)
        throw ProgramBuildError("no parameter list");
    FormulaNode* copy = CopyTree(subtree);
    if (!copy || parameters_->Push(copy)) {
        FreeTree(copy);
        throw std::bad_alloc();
    }
    const int32_t id = Add(OperandParameter);
    operands_[id]->slot = count;
    parameterIds_.push_back(id);
    return id;
}

int32_t FragmentProgramBuilder::NamedOperand(const std::string& text)
{
    auto found = named_.find(text);
    if (found != named_.end())
        return found->second;
    const int32_t id = Add(OperandNamed);
    operands_[id]->name = text;
    named_.emplace(text, id);
    return id;
}

void FragmentProgramBuilder::Emit(const char* opcode, int32_t destination, int32_t a, int32_t b, int32_t c,
                                  int32_t d)
{
    if (instructions_.size() >= kMaxInstructions)
        throw ProgramBuildError("program too long");
    ProgramInstruction instruction;
    instruction.opcode = opcode;
    for (int32_t reference : {destination, a, b, c, d})
        if (reference != kNoOperand)
            instruction.operands.push_back(reference);
    instructions_.push_back(std::move(instruction));
}

int32_t FragmentProgramBuilder::EmitReduction(const char* opcode, const int32_t* operands, int32_t n)
{
    if (n == 1)
        return operands[0];
    const int32_t half = n / 2;
    const int32_t left = EmitReduction(opcode, operands, half);
    const int32_t right = EmitReduction(opcode, operands + half, n - half);
    const int32_t result = NewTemp();
    Emit(opcode, result, left, right);
    return result;
}

void FragmentProgramBuilder::RenameToSingleAssignment()
{
    std::map<int32_t, int32_t> renamed;
    for (size_t i = 0; i < instructions_.size(); ++i) {
        ProgramInstruction& instruction = instructions_[i];
        const bool kill = instruction.opcode == "KIL";
        for (size_t k = kill ? 0 : 1; k < instruction.operands.size(); ++k) {
            int32_t& reference = instruction.operands[k];
            auto found = renamed.find(std::abs(reference));
            if (found != renamed.end())
                reference = reference < 0 ? -found->second : found->second;
        }
        if (kill || instruction.operands.empty())
            continue;
        ProgramOperand* destination = Operand(instruction.operands[0]);
        // Output registers are written where the program says; only
        // temporaries are renamed.
        if (destination->kind == OperandTemporary && destination->lastWriter >= 0) {
            const int32_t fresh = NewTemp();
            renamed[destination->id] = fresh;
            instruction.operands[0] = fresh;
            destination = Operand(fresh);
        }
        destination->lastWriter = static_cast<int32_t>(i);
    }
}

void FragmentProgramBuilder::MergeDuplicateInstructions()
{
    RenameToSingleAssignment();
    std::map<std::string, ProgramOperand*> seen;
    for (ProgramInstruction& instruction : instructions_) {
        const bool kill = instruction.opcode == "KIL";
        const size_t firstSource = kill ? 0 : 1;
        std::string key = instruction.opcode + ",";
        for (size_t k = instruction.operands.size(); k-- > firstSource;) {
            int32_t& reference = instruction.operands[k];
            ProgramOperand* operand = Operand(reference);
            while (operand->representative && operand->representative != operand)
                operand = operand->representative;
            reference = reference < 0 ? -operand->id : operand->id;
            if (reference < 0)
                key += "-";
            key += operand->KeyText();
            key += ",";
        }
        if (kill || instruction.operands.empty())
            continue;
        ProgramOperand* destination = Operand(instruction.operands[0]);
        auto found = seen.find(key);
        if (found == seen.end()) {
            seen.emplace(key, destination);
            destination->keyText = "\x01" + std::to_string(reinterpret_cast<uintptr_t>(destination));
            destination->representative = destination;
        } else if (destination->kind != OperandNamed) {
            instruction.dropped = true;
            destination->keyText = found->second->keyText;
            destination->representative = found->second;
        }
    }
}

void FragmentProgramBuilder::AllocateRegisters()
{
    int32_t constantSlot = 0;
    for (auto& [id, operand] : operands_)
        if (operand->kind == OperandConstant)
            operand->slot = constantSlot++;
    for (size_t i = 0; i < instructions_.size(); ++i) {
        for (int32_t reference : instructions_[i].operands) {
            ProgramOperand* operand = Operand(reference);
            if (operand->kind != OperandTemporary)
                continue;
            if (operand->firstUse < 0)
                operand->firstUse = static_cast<int32_t>(i);
            operand->lastUse = static_cast<int32_t>(i);
        }
    }
    std::set<int32_t> free;
    int32_t nextSlot = 0;
    for (size_t i = 0; i < instructions_.size(); ++i) {
        const auto& list = instructions_[i].operands;
        for (int32_t reference : list) {
            ProgramOperand* operand = Operand(reference);
            if (operand->kind != OperandTemporary || operand->firstUse != static_cast<int32_t>(i) || operand->slot >= 0)
                continue;
            if (free.empty()) {
                operand->slot = nextSlot++;
            } else {
                operand->slot = *free.begin();
                free.erase(free.begin());
            }
        }
        for (int32_t reference : list) {
            ProgramOperand* operand = Operand(reference);
            if (operand->kind == OperandTemporary && operand->lastUse == static_cast<int32_t>(i) && operand->slot >= 0)
                free.insert(operand->slot);
        }
    }
    registersAllocated_ = true;
}

void FragmentProgramBuilder::WriteTempDeclarations(std::string& out) const
{
    int32_t highest = 0;
    for (auto& [id, operand] : operands_)
        if (operand->kind == OperandTemporary && operand->slot > highest)
            highest = operand->slot;
    for (int32_t r = 0; r <= highest / 4; ++r)
        out += "TEMP R" + std::to_string(r) + ";\n";
    out += "\n";
}

void FragmentProgramBuilder::WriteParamDeclarations(std::string& out) const
{
    const int32_t n = parameters_ ? parameters_->count : 0;
    for (int32_t u = 0; u < (n + 3) / 4; ++u)
        out += "PARAM U" + std::to_string(u) + " = program.local[" + std::to_string(u) + "];\n";
    if (n > 0)
        out += "\n";
}

void FragmentProgramBuilder::WriteConstants(std::string& out) const
{
    std::vector<double> values;
    for (auto& [id, operand] : operands_)
        if (operand->kind == OperandConstant)
            values.push_back(operand->value);
    AppendConstantGroups(out, values.data(), values.size(), "\n");
    if (!values.empty())
        out += "\n";
}

std::string FragmentProgramBuilder::OperandText(int32_t reference) const
{
    const ProgramOperand* operand = Operand(reference);
    std::string text(1, reference < 0 ? '-' : ' ');
    if (!operand)
        return text;
    static const char kLetters[] = {'U', 'C', 'R'};
    if (operand->kind == OperandNamed)
        return text + operand->name;
    text += kLetters[operand->kind];
    text += std::to_string(operand->slot / 4);
    text += '.';
    text += kComponents[operand->slot % 4];
    return text;
}

std::string FragmentProgramBuilder::WriteProgramText()
{
    MergeDuplicateInstructions();
    AllocateRegisters();
    std::string out = "!!ARBfp1.0\n\n";
    if (usesTexture_)
        out += "TEMP TX;\n";
    WriteTempDeclarations(out);
    WriteParamDeclarations(out);
    WriteConstants(out);
    if (usesTexture_)
        out += "TEX      TX, fragment.texcoord[1].xyzw, texture[0], 2D;\n";
    for (const ProgramInstruction& instruction : instructions_) {
        if (instruction.dropped)
            continue;
        out += instruction.opcode;
        if (instruction.opcode.size() == 3)
            out += "    ";
        for (size_t k = 0; k < instruction.operands.size(); ++k) {
            if (k > 0)
                out += ",";
            out += " " + OperandText(instruction.operands[k]);
        }
        out += ";\n";
    }
    out += "\nEND\n";
    return out;
}
