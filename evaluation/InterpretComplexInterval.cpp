#include "evaluation/InterpretComplexInterval.h"

#include "numerics/ComplexIntervalLibrary.h"
#include "numerics/IntervalLibrary.h"
#include "numerics/RealLibrary.h"

#include <cmath>

#include "evaluation/InterpreterLoop.h"

namespace baseline {
namespace {

using Unary = ComplexInterval (*)(ComplexInterval);
using Binary = ComplexInterval (*)(ComplexInterval below, ComplexInterval top);

constexpr OpcodeFunctions<Unary> MakeUnaryTable()
{
    OpcodeFunctions<Unary> t;
    t.entries[OpNegate] = ComplexIntervalNegate;
    t.entries[OpAbs] = [](ComplexInterval z) { return ComplexIntervalFromInterval(ComplexIntervalAbs(z)); };
    t.entries[OpSign] = ComplexIntervalSign;
    t.entries[OpSqrt] = ComplexIntervalSqrt;
    t.entries[OpExp] = ComplexIntervalExp;
    t.entries[OpLog10] = ComplexIntervalLog10;
    t.entries[OpLn] = ComplexIntervalLog;
    t.entries[OpFactorial] = ComplexIntervalFactorial;
    t.entries[OpSquare] = ComplexIntervalSquare;
    t.entries[OpSin] = ComplexIntervalSin;
    t.entries[OpCos] = ComplexIntervalCos;
    t.entries[OpTan] = ComplexIntervalTan;
    t.entries[OpCot] = ComplexIntervalCot;
    t.entries[OpSec] = ComplexIntervalSec;
    t.entries[OpCsc] = ComplexIntervalCsc;
    t.entries[OpAsin] = ComplexIntervalAsin;
    t.entries[OpAcos] = ComplexIntervalAcos;
    t.entries[OpAtan] = ComplexIntervalAtan;
    t.entries[OpAcot] = ComplexIntervalAcot;
    t.entries[OpAsec] = ComplexIntervalAsec;
    t.entries[OpAcsc] = ComplexIntervalAcsc;
    t.entries[OpSinh] = ComplexIntervalSinh;
    t.entries[OpCosh] = ComplexIntervalCosh;
    t.entries[OpTanh] = ComplexIntervalTanh;
    t.entries[OpCoth] = ComplexIntervalCoth;
    t.entries[OpSech] = ComplexIntervalSech;
    t.entries[OpCsch] = ComplexIntervalCsch;
    t.entries[OpAsinh] = ComplexIntervalAsinh;
    t.entries[OpAcosh] = ComplexIntervalAcosh;
    t.entries[OpAtanh] = ComplexIntervalAtanh;
    t.entries[OpAcoth] = ComplexIntervalAcoth;
    t.entries[OpAsech] = ComplexIntervalAsech;
    t.entries[OpAcsch] = ComplexIntervalAcsch;
    t.entries[OpFloor] = ComplexIntervalFloor;
    t.entries[OpCeil] = ComplexIntervalCeil;
    t.entries[OpReal] = ComplexIntervalRealPart;
    t.entries[OpImag] = ComplexIntervalImagPart;
    t.entries[OpInf] = ComplexIntervalInf;
    t.entries[OpSup] = ComplexIntervalSup;
    t.entries[OpArg] = [](ComplexInterval z) { return ComplexIntervalFromInterval(ComplexIntervalArg(z)); };
    t.entries[OpConjugate] = ComplexIntervalConjugate;
    return t;
}

constexpr OpcodeFunctions<Binary> MakeBinaryTable()
{
    OpcodeFunctions<Binary> t;
    t.entries[OpAdd] = ComplexIntervalAdd;
    t.entries[OpMultiply] = ComplexIntervalMultiply;
    t.entries[OpDivide] = ComplexIntervalDivide;
    t.entries[OpPower] = ComplexIntervalPow;
    t.entries[OpAngle] = ComplexIntervalAtan2Positive;
    t.entries[OpHypot] = ComplexIntervalHypot;
    t.entries[OpInterval] = ComplexIntervalSpan;
    t.entries[OpTextEqual] = TextEqualsComplexInterval;
    t.entries[OpTextNotEqual] = [](ComplexInterval below, ComplexInterval top) {
        return ComplexIntervalNot(TextEqualsComplexInterval(below, top));
    };
    t.entries[OpBesselJ] = [](ComplexInterval x, ComplexInterval order) { return ComplexIntervalBesselJ(order, x); };
    t.entries[OpMod] = ComplexIntervalMod;
    t.entries[OpMin] = ComplexIntervalMin;
    t.entries[OpMax] = ComplexIntervalMax;
    t.entries[OpBinomial] = ComplexIntervalBinomial;
    return t;
}

ComplexInterval PointOf(ComplexValue c)
{
    return {{c.re, c.re}, {c.im, c.im}};
}

struct ComplexIntervalArith {
    using Value = ComplexInterval;
    static constexpr ComplexInterval kUndefined{{NAN, NAN}, {NAN, NAN}};
    static constexpr ComplexInterval kZero = ComplexIntervalFalse;
    static constexpr ComplexInterval kOne = ComplexIntervalTrue;
    static constexpr ComplexInterval kTrue = ComplexIntervalTrue;
    static constexpr ComplexInterval kLoopStepCap{{100000, 100000}, {0, 0}};
    static constexpr bool kEndsOnUndefined = true;
    static constexpr bool kRunsPointCode = false;
    static constexpr OpcodeFunctions<Unary> kUnary = MakeUnaryTable();
    static constexpr OpcodeFunctions<Binary> kBinary = MakeBinaryTable();

    static constexpr bool InlineUnary(int32_t) { return false; }
    static bool IsUndefined(const ComplexInterval& z) { return IsUndefinedComplexInterval(z); }
    static bool Equals(const ComplexInterval& a, const ComplexInterval& b) { return ComplexIntervalEquals(a, b); }
    static ComplexInterval Number(double d) { return {{d, d}, {0, 0}}; }
    static ComplexInterval Parameter(ComplexValue c) { return PointOf(c); }
    static ComplexInterval Constant(ComplexValue c) { return PointOf(c); }
    // A value that is not real names no row.
    static int32_t Row(const ComplexInterval& z) { return ToDataRow(ComplexIntervalRealValue(z)); }

    static ComplexInterval Relation(int32_t opcode, ComplexInterval lower, ComplexInterval upper)
    {
        switch (opcode) {
        case OpLess: return ComplexIntervalLess(lower, upper);
        case OpGreater: return ComplexIntervalGreater(lower, upper);
        case OpLeq: return ComplexIntervalLessEqual(lower, upper);
        case OpGeq: return ComplexIntervalGreaterEqual(lower, upper);
        case OpEqual: return ComplexIntervalEqualTruth(lower, upper);
        default: return ComplexIntervalNot(ComplexIntervalEqualTruth(lower, upper));
        }
    }
    static ComplexInterval And(ComplexInterval a, ComplexInterval b) { return ComplexIntervalAnd(a, b); }
    static ComplexInterval Or(ComplexInterval a, ComplexInterval b) { return ComplexIntervalOr(a, b); }
    static ComplexInterval Not(ComplexInterval z) { return ComplexIntervalNot(z); }
    static ComplexInterval Union(ComplexInterval a, ComplexInterval b) { return ComplexIntervalUnion(a, b); }
    static ComplexInterval RationalPower(ComplexInterval base, ComplexInterval p, ComplexInterval q)
    {
        return ComplexIntervalRationalPower(base, p, q);
    }
    static ComplexInterval ImaginaryUnit() { return {{0, 0}, {1, 1}}; }
    // Loops count along the real axis.
    static ComplexInterval LoopPart(ComplexInterval z) { return ComplexIntervalRealPart(z); }
    static LoopStepResult LoopStep(Value counter, Value limit) { return interpreter_loop::StepByRelations<ComplexIntervalArith>(counter, limit); }
    // An absent term is 0, an absent factor 1 + 0i.
    static ComplexInterval Guard(int32_t opcode, ComplexInterval top)
    {
        if (opcode == OpSumGuard)
            return ComplexIntervalIncludeReal(top, 0);
        return {IntervalIncludePoint(top.re, 1), IntervalIncludePoint(top.im, 0)};
    }
    static ComplexInterval Table1(uint32_t id, ComplexInterval x, const DocState* doc)
    {
        return EvalTableFunctionComplexInterval1(id, x, doc);
    }
    static ComplexInterval Table2(uint32_t id, ComplexInterval a, ComplexInterval b, const DocState* doc)
    {
        return EvalTableFunctionComplexInterval2(id, a, b, doc);
    }
    static ComplexInterval RunNested(const BytecodeProgram* program, ComplexInterval* frame, RunControl& control)
    {
        return InterpretComplexInterval(program, frame, nullptr, control);
    }
    static ComplexInterval Exit(const ComplexInterval& top) { return top; }
};

}  // namespace
}  // namespace baseline

ComplexInterval InterpretComplexInterval(const BytecodeProgram* program, ComplexInterval* frame,
                                         const GridEvalState* grid, RunControl& control)
{
    return baseline::RunProgram<baseline::ComplexIntervalArith>(program, frame, grid, control);
}

ComplexInterval BytecodeProgram::RunComplexInterval(ComplexInterval* frame) const
{
    RunControl control{&stopRequested, false};
    return InterpretComplexInterval(this, frame, nullptr, control);
}
