// The complex forms of opcodes that the point and the batch complex
// interpreters share: the pair test of a relation chain and the table
// functions, which take real arguments only.
#pragma once

#include "evaluation/ParameterValue.h"
#include "numerics/ComplexLibrary.h"
#include "evaluation/Opcodes.h"
#include "numerics/RealLibrary.h"

#include <cstdint>

// The test of a relation chain's pair, lower operand first.
inline ComplexValue ComplexPairTest(int32_t opcode, ComplexValue lower, ComplexValue upper)
{
    switch (opcode) {
    case OpLess: return ComplexLess(lower, upper);
    case OpGreater: return ComplexGreater(lower, upper);
    case OpLeq: return ComplexLessEqual(lower, upper);
    case OpGeq: return ComplexGreaterEqual(lower, upper);
    case OpEqual: return ComplexEqualTruth(lower, upper);
    default: return ComplexNot(ComplexEqualTruth(lower, upper));
    }
}

// A value that is not real makes the table's value undefined.
inline ComplexValue ComplexTableFunction1(uint32_t id, ComplexValue x, const DocState* doc)
{
    return EvalTableFunctionComplex1(id, x, doc);
}

inline ComplexValue ComplexTableFunction2(uint32_t id, ComplexValue a, ComplexValue b, const DocState* doc)
{
    return EvalTableFunctionComplex2(id, a, b, doc);
}
