// The forward search of the branch jumps (opcodes 87 and 88) for the label
// that closes a pair, shared by the interpreters that follow labels.
#pragma once

#include "evaluation/BytecodeProgram.h"

#include <cstdint>

// The label that closes pair b of branch a, searching forward from pc; null
// when the program ends first. labelsOfBranch counts the labels of branch a
// met on the way, the found one included.
inline const Instruction* FindLabel(const Instruction* pc, int32_t a, int32_t b, int32_t* labelsOfBranch)
{
    int32_t seen = 0;
    for (const Instruction* scan = pc + 1;; ++scan) {
        if (scan->opcode == OpEnd)
            return nullptr;
        if (scan->opcode == OpLabel && scan->arg.a == a) {
            ++seen;
            if (scan->arg.b == b) {
                *labelsOfBranch = seen;
                return scan;
            }
        }
    }
}
