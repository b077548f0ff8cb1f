// One user-defined function of the document: its definition f(x, ...) = body,
// kept in the document's user-function list, and the compiled body that
// calls run on a frame of their own.
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "evaluation/FrameSlots.h"

#include <cstdint>

struct BytecodeProgram;
struct DocState;
struct FormulaNode;

// Cells of a call frame below the callee's local slots; a function takes at
// most this many parameters, since its arguments fill cells from 0 on.
constexpr int32_t kCallFrameFixedSlots = FixedSlotCount;

struct UserFunction {
    // Owned: an equation whose left side is the head (an application of the
    // function's name to the parameters) and whose right side is the body.
    // In the body each parameter is a bound variable; compiling renumbers
    // them to their positions.
    FormulaNode* definition;
    DocState* doc;
    // Owned; null until compiled, and for a body that cannot be compiled.
    BytecodeProgram* program = nullptr;
    // Compile has run: a body that failed is not tried again while a caller
    // may be reading the program.
    bool compiled = false;

    UserFunction(FormulaNode* definition, DocState* doc);
    ~UserFunction();
    UserFunction(const UserFunction&) = delete;
    UserFunction& operator=(const UserFunction&) = delete;

    // The head names the function as the name does (a variable or an indexed
    // variable, compared as trees).
    bool MatchesHead(const FormulaNode* name) const;
    // Compiles the body once; a repeat does nothing. A body that
    // reads a free variable, or a head with more parameters than a call
    // frame holds, stays without a program, so every call yields undefined.
    void Compile();
    // The number of parameters the head names (0 for a malformed head).
    int32_t ParameterCount() const;
};

using UserFunctionList = GrowArray<UserFunction*>;

// The compiled body of the document's user function number index when it
// takes argumentCount arguments; null when there is no such function, it has
// no program or it takes another number of arguments, so that the call
// yields undefined.
const BytecodeProgram* UserFunctionCallee(const DocState* doc, int32_t index, int32_t argumentCount);
