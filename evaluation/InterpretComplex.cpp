// The complex interpreter. InterpretComplexV3.cpp compiles this file a second
// time for x86-64-v3; the headers come first, so shared inline code stays
// baseline code and only the functions defined here take the wider set.
#include "evaluation/InterpretComplex.h"

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/MemoryBudget.h"
#include "evaluation/BranchLabel.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileContext.h"
#include "evaluation/ComplexOpcodes.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/InterpreterBuild.h"
#include "evaluation/ParameterValue.h"
#include "evaluation/RunControl.h"
#include "evaluation/UserFunctionCall.h"
#include "formula/FormulaEngine.h"
#include "numerics/ComplexLibrary.h"
#include "numerics/RealLibrary.h"

#include <alloca.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "evaluation/InterpreterLoop.h"

namespace VL_INTERPRETER_BUILD {
namespace {

using Unary = ComplexValue (*)(ComplexValue);
using Binary = ComplexValue (*)(ComplexValue below, ComplexValue top);

constexpr OpcodeFunctions<Unary> MakeUnaryTable()
{
    OpcodeFunctions<Unary> t;
    t.entries[OpNegate] = [](ComplexValue z) { return ComplexValue{-z.re, -z.im}; };
    t.entries[OpAbs] = [](ComplexValue z) { return ComplexValue{ComplexAbs(z), 0}; };
    t.entries[OpSign] = ComplexSign;
    t.entries[OpSqrt] = ComplexSqrt;
    t.entries[OpExp] = ComplexExp;
    t.entries[OpLog10] = ComplexLog10;
    t.entries[OpLn] = ComplexLog;
    t.entries[OpFactorial] = ComplexFactorial;
    t.entries[OpSquare] = ComplexSquare;
    t.entries[OpSin] = ComplexSin;
    t.entries[OpCos] = ComplexCos;
    t.entries[OpTan] = ComplexTan;
    t.entries[OpCot] = ComplexCot;
    t.entries[OpSec] = ComplexSec;
    t.entries[OpCsc] = ComplexCsc;
    t.entries[OpAsin] = ComplexAsin;
    t.entries[OpAcos] = ComplexAcos;
    t.entries[OpAtan] = ComplexAtan;
    t.entries[OpAcot] = ComplexAcot;
    t.entries[OpAsec] = ComplexAsec;
    t.entries[OpAcsc] = ComplexAcsc;
    t.entries[OpSinh] = ComplexSinh;
    t.entries[OpCosh] = ComplexCosh;
    t.entries[OpTanh] = ComplexTanh;
    t.entries[OpCoth] = ComplexCoth;
    t.entries[OpSech] = ComplexSech;
    t.entries[OpCsch] = ComplexCsch;
    t.entries[OpAsinh] = ComplexAsinh;
    t.entries[OpAcosh] = ComplexAcosh;
    t.entries[OpAtanh] = ComplexAtanh;
    t.entries[OpAcoth] = ComplexAcoth;
    t.entries[OpAsech] = ComplexAsech;
    t.entries[OpAcsch] = ComplexAcsch;
    t.entries[OpFloor] = ComplexFloor;
    t.entries[OpCeil] = ComplexCeil;
    t.entries[OpReal] = [](ComplexValue z) { return ComplexValue{z.re, 0}; };
    t.entries[OpImag] = [](ComplexValue z) { return ComplexValue{z.im, 0}; };
    t.entries[OpArg] = [](ComplexValue z) { return ComplexValue{std::atan2(z.im, z.re), 0}; };
    t.entries[OpConjugate] = [](ComplexValue z) { return ComplexValue{z.re, -z.im}; };
    return t;
}

constexpr OpcodeFunctions<Binary> MakeBinaryTable()
{
    OpcodeFunctions<Binary> t;
    t.entries[OpAdd] = [](ComplexValue a, ComplexValue b) { return ComplexValue{a.re + b.re, a.im + b.im}; };
    t.entries[OpMultiply] = ComplexMultiply;
    t.entries[OpDivide] = ComplexDivide;
    t.entries[OpPower] = ComplexPow;
    t.entries[OpAngle] = ComplexAtan2Positive;
    t.entries[OpHypot] = ComplexHypot;
    // A point is its own interval: the upper end stands.
    t.entries[OpInterval] = [](ComplexValue, ComplexValue hi) { return hi; };
    t.entries[OpTextEqual] = TextEqualsComplex;
    t.entries[OpTextNotEqual] = [](ComplexValue a, ComplexValue b) { return ComplexNot(TextEqualsComplex(a, b)); };
    t.entries[OpBesselJ] = [](ComplexValue x, ComplexValue order) { return ComplexBesselJ(order, x); };
    t.entries[OpMod] = ComplexMod;
    t.entries[OpMin] = ComplexMin;
    t.entries[OpMax] = ComplexMax;
    t.entries[OpBinomial] = ComplexBinomial;
    return t;
}

struct ComplexArith {
    using Value = ComplexValue;
    static constexpr ComplexValue kUndefined{NAN, NAN};
    static constexpr ComplexValue kZero{0, 0};
    static constexpr ComplexValue kOne{1, 0};
    static constexpr ComplexValue kTrue{1, 0};
    static constexpr bool kEndsOnUndefined = true;
    static constexpr bool kRunsPointCode = false;
    static constexpr OpcodeFunctions<Unary> kUnary = MakeUnaryTable();
    static constexpr OpcodeFunctions<Binary> kBinary = MakeBinaryTable();

    static constexpr bool InlineUnary(int32_t) { return false; }
    static bool IsUndefined(ComplexValue z) { return HasNaNPart(z); }
    static bool Equals(ComplexValue a, ComplexValue b) { return ComplexEquals(a, b); }
    static ComplexValue Number(double d) { return {d, 0}; }
    static ComplexValue Parameter(ComplexValue c) { return c; }
    static ComplexValue Constant(ComplexValue c) { return c; }
    static int32_t Row(ComplexValue z) { return ToDataRow(ComplexToReal(z)); }

    static ComplexValue Relation(int32_t opcode, ComplexValue lower, ComplexValue upper)
    {
        return ComplexPairTest(opcode, lower, upper);
    }
    static ComplexValue And(ComplexValue a, ComplexValue b) { return ComplexAnd(a, b); }
    static ComplexValue Or(ComplexValue a, ComplexValue b) { return ComplexOr(a, b); }
    static ComplexValue Not(ComplexValue z) { return ComplexNot(z); }
    // Two candidate values leave a point undecided.
    static ComplexValue Union(ComplexValue, ComplexValue) { return kUndefined; }
    static ComplexValue RationalPower(ComplexValue base, ComplexValue p, ComplexValue q)
    {
        return ComplexRationalPower(base, p, q);
    }
    static ComplexValue ImaginaryUnit() { return {0, 1}; }
    // Loops count along the real axis: imaginary parts play no part here.
    static LoopStepResult LoopStep(ComplexValue counter, ComplexValue limit)
    {
        if (counter.re > limit.re)
            return kLoopDone;
        return limit.re - counter.re <= 100000 ? kLoopBody : kLoopTooLong;
    }
    static ComplexValue Guard(int32_t, ComplexValue) { return kUndefined; }
    static ComplexValue Table1(uint32_t id, ComplexValue x, const DocState* doc)
    {
        return ComplexTableFunction1(id, x, doc);
    }
    static ComplexValue Table2(uint32_t id, ComplexValue a, ComplexValue b, const DocState* doc)
    {
        return ComplexTableFunction2(id, a, b, doc);
    }
    static ComplexValue RunNested(const BytecodeProgram* program, ComplexValue* frame, RunControl& control);
    static ComplexValue Exit(ComplexValue z) { return z; }
};

ComplexValue ComplexArith::RunNested(const BytecodeProgram* program, ComplexValue* frame, RunControl& control)
{
    return RunProgram<ComplexArith>(program, frame, nullptr, control);
}

}  // namespace

ComplexValue InterpretComplex(const BytecodeProgram* program, ComplexValue* frame, const GridEvalState* grid,
                              RunControl& control)
{
    return RunProgram<ComplexArith>(program, frame, grid, control);
}

}  // namespace VL_INTERPRETER_BUILD

VL_INTERPRETER_TARGET_END

#if !defined(VL_INTERPRETER_V3)

ComplexValue BytecodeProgram::RunComplex(ComplexValue* frame, const GridEvalState* grid) const
{
    RunControl control{&stopRequested, false};
    return RunComplexInBuild(this, frame, grid, control);
}

#endif
