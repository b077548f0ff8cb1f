// A compiled program: 16-byte stack-machine instructions ending with opcode
// 103, and what its runs need to know about it.
#pragma once

#include "CoreUtilities/GrowArray.h"

#include <atomic>
#include <cstdint>

struct CompileContext;
struct DocState;
struct GridEvalState;

struct Instruction {
    int32_t opcode;
    union {
        double value;  // opcode 0
        struct {
            int32_t a;
            int32_t b;
        } ints;
    } operand;
};
static_assert(sizeof(Instruction) == 16);

struct BytecodeProgram {
    uint8_t hasBranches = 0;
    uint8_t isComplex = 0;
    uint8_t error = 0;
    CompileContext* context = nullptr;
    int32_t maxStack = 0;
    int32_t localBase = 12;
    int32_t localCount = 0;
    DocState* doc = nullptr;
    // Raised and lowered by the formula's owner while other threads run it.
    std::atomic<uint8_t> stopRequested{0};
    GrowArray<Instruction> instructions;

    ~BytecodeProgram() { instructions.Clear(); }

    // Runs the program in real arithmetic on the frame (slot s is the s-th
    // double); grid is null outside grid evaluation.
    double RunReal(double* frame, const GridEvalState* grid) const;
};
