// The assembler behind the colour-formula compiler: it owns a fragment
// program's scalar operands (inputs, constants, parameters, temporaries and
// named registers), collects instructions, drops repeated computations,
// packs temporaries four to a register by lifetime and writes the
// "!!ARBfp1.0" text. The compiler's half of the class (CompileNode and the
// Emit expansions) lives in FragmentProgramCompiler.cpp.
// No OpenGL here: the text is loaded elsewhere. One builder per program,
// used once.
#pragma once

#include "graphmodel/GpuProgram.h"

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

struct DocState;
struct FormulaNode;

// An operand reference is the operand's id, negated for the negated value.
constexpr int32_t kNoOperand = INT32_MIN;

enum OperandKind : int32_t {
    OperandParameter = 0,  // program.local, letter U
    OperandConstant = 1,   // letter C
    OperandTemporary = 2,  // letter R
    OperandNamed = 3,      // a register written by its name
};

struct ProgramOperand {
    int32_t id = 0;
    int32_t kind = OperandTemporary;
    // Scalar slot: register slot / 4, component "xyzw"[slot % 4].
    int32_t slot = -1;
    double value = 0;
    std::string keyText;
    std::string name;
    // The operand whose value this one repeats (itself once defined).
    ProgramOperand* representative = nullptr;
    int32_t firstUse = -1;
    int32_t lastUse = -1;
    int32_t lastWriter = -1;

    // The text two equal values share in the duplicate search.
    const std::string& KeyText();
};

struct ProgramInstruction {
    std::string opcode;
    bool dropped = false;
    // Destination first; KIL has only its source.
    std::vector<int32_t> operands;
};

// The program cannot be built (a formula the GPU cannot express, or a
// program too large); the caller colours on the processor.
struct ProgramBuildError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class FragmentProgramBuilder {
public:
    FragmentProgramBuilder(ProgramConstantTrees* parameters, DocState* doc);
    ~FragmentProgramBuilder();
    FragmentProgramBuilder(const FragmentProgramBuilder&) = delete;
    FragmentProgramBuilder& operator=(const FragmentProgramBuilder&) = delete;

    int32_t NextOperandId() { return ++lastId_; }
    int32_t NewTemp();
    // Shared by absolute value; a negative value gives the negated reference.
    int32_t ConstantOperand(double value);
    // One program.local component per distinct parameter-dependent subtree.
    int32_t ParameterOperand(const FormulaNode* subtree);
    int32_t NamedOperand(const std::string& text);
    void Emit(const char* opcode, int32_t destination, int32_t a = kNoOperand, int32_t b = kNoOperand,
              int32_t c = kNoOperand, int32_t d = kNoOperand);
    // A balanced tree of the binary instruction over n operands.
    int32_t EmitReduction(const char* opcode, const int32_t* operands, int32_t n);
    void UseTexture() { usesTexture_ = true; }
    // Finishes the program: single assignment, duplicates merged, registers
    // packed, text written. Called once.
    std::string WriteProgramText();
    std::string OperandText(int32_t reference) const;

    // The compiler (FragmentProgramCompiler.cpp).
    int32_t CompileNode(const FormulaNode* node);
    int32_t EmitAsin(int32_t x);
    int32_t EmitAtan(int32_t x);
    void EmitAtanUnit(int32_t a);
    int32_t EmitAtan2(int32_t x, int32_t y);
    void EmitHSVToRGB(int32_t red, int32_t green, int32_t blue, int32_t hue, int32_t saturation, int32_t value);
    int32_t EmitEqualsTest(int32_t a, int32_t k);
    void EmitDomainCheck(int32_t result, int32_t test);
    int32_t RadiusSquaredXY();
    int32_t RadiusSquaredXYZ();
    int32_t InverseSphericalRadius();
    int32_t SphericalRadius();
    int32_t Theta();
    int32_t Phi();

    const std::vector<ProgramInstruction>& Instructions() const { return instructions_; }
    ProgramOperand* Operand(int32_t reference) const;

    // The inputs: the surface point.
    int32_t x = 0, y = 0, z = 0;

private:
    int32_t Add(int32_t kind);
    int32_t CompilePower(const FormulaNode* node, int32_t base, int32_t exponent);
    void MergeDuplicateInstructions();
    void RenameToSingleAssignment();
    void AllocateRegisters();
    void WriteTempDeclarations(std::string& out) const;
    void WriteParamDeclarations(std::string& out) const;
    void WriteConstants(std::string& out) const;

    int32_t lastId_ = 0;
    std::map<int32_t, std::unique_ptr<ProgramOperand>> operands_;
    std::map<std::string, int32_t> named_;
    std::map<double, int32_t> constants_;
    std::vector<int32_t> parameterIds_;
    ProgramConstantTrees* parameters_;
    DocState* doc_;
    std::vector<ProgramInstruction> instructions_;
    bool usesTexture_ = false;
    bool registersAllocated_ = false;
    int32_t depth_ = 0;
    // Made on first use.
    int32_t radiusSquaredXY_ = 0, radiusSquaredXYZ_ = 0, inverseRadius_ = 0, radius_ = 0, theta_ = 0, phi_ = 0;
};

// Four-component constant groups as the program texts write them.
void AppendConstantGroups(std::string& out, const double* values, size_t count, const char* lineEnd);
