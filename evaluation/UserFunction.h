// User-defined functions as the interpreters call them.
#pragma once

#include <cstdint>

struct BytecodeProgram;
struct DocState;

// Cells of a call frame below the callee's local slots.
constexpr int32_t kCallFrameFixedSlots = 12;

// The compiled body of the document's user function number index when it
// takes argumentCount arguments; null when it has no body or another
// parameter count, so that the call yields undefined.
const BytecodeProgram* UserFunctionCallee(const DocState* doc, int32_t index, int32_t argumentCount);
