// A compiled formula: a flat array of 16-byte stack-machine instructions that
// all six interpreters run. Read-only once complete, so any number of threads
// may run one program at once; only stopRequested changes afterwards.
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "evaluation/FrameSlots.h"
#include "evaluation/Opcodes.h"
#include "numerics/ComplexValue.h"

#include <atomic>
#include <cstdint>

struct CompileContext;
struct DocState;
struct FormulaNode;
struct GridEvalState;
struct Interval;
struct ComplexInterval;

struct Instruction {
    int32_t opcode;
    union {
        double number;  // opcode 0
        struct {
            int32_t a;
            int32_t b;
        } arg;
    };
};
static_assert(sizeof(Instruction) == 16);

// Locals follow the fixed variable slots of a frame.
constexpr int32_t kLocalBase = FixedSlotCount;

struct BytecodeProgram;
struct RunControl;

// A real run of point code (or of the instructions, for a program without
// point code) under an optional control: the shape of the interpreter's own
// run, so that an entry can jump straight to it.
using RealPointRun = double (*)(const BytecodeProgram* program, const Instruction* code, double* frame,
                                const GridEvalState* grid, RunControl* control);

struct BytecodeProgram {
    // An if or a piecewise branch occurs: the complex and interval runs then
    // go on past undefined intermediates.
    uint8_t hasBranches = 0;
    uint8_t isComplex = 0;
    // Appending an instruction failed during generation.
    uint8_t error = 0;
    // Owner of the constant table; null for constant entries, user-function
    // bodies and grid sub-programs.
    CompileContext* context = nullptr;
    int32_t maxStack = 0;
    int32_t localBase = kLocalBase;
    int32_t localCount = 0;
    DocState* doc = nullptr;
    std::atomic<uint8_t> stopRequested{0};
    // Always ends with opcode 103 once complete.
    GrowArray<Instruction> instructions;

    // What a run may leave out, set when the program is finished (a program
    // filled by hand keeps the safe values): whether it loads a constant, a
    // parameter at the current data row, or the slider's slot; whether it is
    // straight-line (PointCode.h), so that a point run needs no jumps, row
    // stack or large value stack.
    uint8_t readsConstants = 1;
    uint8_t readsRow = 1;
    uint8_t readsSlider = 1;
    uint8_t straightLine = 0;
    // The real point interpreter's form of a straight-line program, with
    // instructions fused (PointCode.h); empty otherwise.
    GrowArray<Instruction> pointCode;
    // Whether the point code holds only opcodes whose real handlers make no
    // call (PointCode.h), so that a run of it may go without saving anything.
    uint8_t pointLeaf = 0;
    // The real point run of each interpreter build, by the build flag
    // (InterpreterBuild.h), chosen when the program is finished: a point
    // entry then makes one indirect call to it with the point code, no test
    // of the program's shape. Null for a program filled by hand.
    RealPointRun realPointRuns[2] = {};

    // An empty program, to be filled by hand (tests, the disassembler).
    BytecodeProgram() = default;
    // Generates the program of a prepared tree (code generation).
    BytecodeProgram(FormulaNode* tree, CompileContext* context, bool withLabels, bool gridProgram, DocState* doc);
    ~BytecodeProgram();
    BytecodeProgram(const BytecodeProgram&) = delete;
    BytecodeProgram& operator=(const BytecodeProgram&) = delete;

    // Each appends one instruction: 0 on success, 1 (and error set) when the
    // array cannot grow.
    int32_t Emit(int32_t opcode);
    int32_t EmitInt(int32_t opcode, int32_t a);
    int32_t EmitPointer(int32_t opcode, int32_t a, int32_t b);
    int32_t EmitConstant(double value);

    // Puts the instruction before the one at position; false (error set) when
    // the array cannot grow.
    bool InsertInstruction(int32_t position, const Instruction& instruction);

    // maxStack = the highest static depth + 1.
    void ComputeMaxStack();

    // Drops the code and leaves opcode 103 alone, which yields undefined. Never
    // fails: without memory for even that, the program shares one static
    // end instruction.
    void MakeEndOnly();

    // Runs the program over the intervals of the frame (slot s is the s-th
    // Interval); an exterior result comes back as the whole line.
    Interval RunInterval(Interval* frame) const;
    // Runs the program over the rectangles of the frame (slot s is the s-th
    // ComplexInterval).
    ComplexInterval RunComplexInterval(ComplexInterval* frame) const;

    // Runs the program in real arithmetic on the frame (slot s is the s-th
    // double), in the build the interpreter build flag picks; grid is null
    // outside grid evaluation.
    double RunReal(double* frame, const GridEvalState* grid) const;
    // Runs a grid program in real arithmetic over the row or layer that
    // the state's frame holds, one value per point into out, in the build
    // the interpreter build flag picks.
    void RunRealBatch(GridEvalState* state, double* out) const;
    // The same in complex arithmetic (slot s is the s-th ComplexValue).
    ComplexValue RunComplex(ComplexValue* frame, const GridEvalState* grid) const;
    // Runs a grid program in complex arithmetic over the row or layer the
    // state is prepared for: per point the real part of the result where its
    // imaginary part is 0, else NaN, into out.
    void RunComplexBatch(GridEvalState* state, double* out) const;

    int32_t Count() const { return instructions.count; }
    const Instruction& At(int32_t i) const { return instructions.storage[i]; }

private:
    bool SharesStaticEnd() const;
    void FreeInstructions();
};

// Fills the distances of every loop test (90) and loop end (91): each 90
// pairs with the first 91 of the same loop slot at or after it.
void ResolveLoopJumps(BytecodeProgram* program);

// Checks the stack discipline of a finished program: every opcode in the
// set and its operands in range, the static depth never below zero nor past
// maxStack - 1 (the interpreters take maxStack cells and a little room for
// spilling the two values they keep apart), every branch jump and loop
// landing where the depth matches, and the last instruction an end that
// finds at most one value (a formula's result) on the stack. A
// program that any interpreter could run past its value stack fails.
bool VerifyProgram(const BytecodeProgram& program);

// The operands an opcode reads as slots, counts or pair numbers are in
// range.
bool InstructionOperandsValid(const Instruction& instruction);

// Resolves the loop jumps of a program whose generation is complete and
// checks it; a program that fails the check is reduced to its end (the
// undefined value). Then prepares its point runs (PointCode.h). Every
// program is finished this way before it runs.
void FinishProgram(BytecodeProgram* program);
