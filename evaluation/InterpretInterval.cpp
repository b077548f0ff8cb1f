#include "evaluation/InterpretInterval.h"

#include "numerics/IntervalLibrary.h"
#include "numerics/RealLibrary.h"

#include <cmath>

#include "evaluation/InterpreterLoop.h"

namespace baseline {
namespace {

using Unary = Interval (*)(Interval);
using Binary = Interval (*)(Interval below, Interval top);

constexpr OpcodeFunctions<Unary> MakeUnaryTable()
{
    OpcodeFunctions<Unary> t;
    t.entries[OpNegate] = IntervalNegate;
    t.entries[OpAbs] = IntervalAbs;
    t.entries[OpSign] = IntervalSign;
    t.entries[OpSqrt] = IntervalSqrt;
    t.entries[OpExp] = IntervalExp;
    t.entries[OpLog10] = IntervalLog10;
    t.entries[OpLn] = IntervalLn;
    t.entries[OpFactorial] = IntervalFactorial;
    t.entries[OpSquare] = IntervalSquare;
    t.entries[OpSin] = IntervalSin;
    t.entries[OpCos] = IntervalCos;
    t.entries[OpTan] = IntervalTan;
    t.entries[OpCot] = IntervalCot;
    t.entries[OpSec] = IntervalSec;
    t.entries[OpCsc] = IntervalCsc;
    t.entries[OpAsin] = IntervalAsin;
    t.entries[OpAcos] = IntervalAcos;
    t.entries[OpAtan] = IntervalAtan;
    t.entries[OpAcot] = IntervalAcot;
    t.entries[OpAsec] = IntervalAsec;
    t.entries[OpAcsc] = IntervalAcsc;
    t.entries[OpSinh] = IntervalSinh;
    t.entries[OpCosh] = IntervalCosh;
    t.entries[OpTanh] = IntervalTanh;
    t.entries[OpCoth] = IntervalCoth;
    t.entries[OpSech] = IntervalSech;
    t.entries[OpCsch] = IntervalCsch;
    t.entries[OpAsinh] = IntervalAsinh;
    t.entries[OpAcosh] = IntervalAcosh;
    t.entries[OpAtanh] = IntervalAtanh;
    t.entries[OpAcoth] = IntervalAcoth;
    t.entries[OpAsech] = IntervalAsech;
    t.entries[OpAcsch] = IntervalAcsch;
    t.entries[OpFloor] = IntervalFloor;
    t.entries[OpCeil] = IntervalCeil;
    // The imaginary part and the argument of a real interval.
    t.entries[OpImag] = [](Interval) { return Interval{0, 0}; };
    t.entries[OpArg] = [](Interval) { return Interval{0, 0}; };
    t.entries[OpInf] = [](Interval x) { return Interval{x.lo, x.lo}; };
    t.entries[OpSup] = [](Interval x) { return Interval{x.hi, x.hi}; };
    return t;
}

constexpr OpcodeFunctions<Binary> MakeBinaryTable()
{
    OpcodeFunctions<Binary> t;
    t.entries[OpAdd] = IntervalAdd;
    t.entries[OpMultiply] = IntervalMultiply;
    t.entries[OpDivide] = IntervalDivide;
    t.entries[OpPower] = IntervalPower;
    t.entries[OpAngle] = [](Interval x, Interval y) { return IntervalAngle(y, x); };
    t.entries[OpHypot] = IntervalHypot;
    t.entries[OpInterval] = [](Interval below, Interval top) { return Interval{below.lo, top.hi}; };
    t.entries[OpTextEqual] = TextEqualsInterval;
    t.entries[OpTextNotEqual] = [](Interval below, Interval top) { return TruthNot(TextEqualsInterval(below, top)); };
    t.entries[OpBesselJ] = [](Interval x, Interval order) { return IntervalBesselJ(order, x); };
    t.entries[OpMod] = IntervalMod;
    t.entries[OpMin] = IntervalMin;
    t.entries[OpMax] = IntervalMax;
    t.entries[OpBinomial] = IntervalBinomial;
    return t;
}

struct IntervalArith {
    using Value = Interval;
    static constexpr Interval kUndefined{NAN, NAN};
    static constexpr Interval kZero{0, 0};
    static constexpr Interval kOne{1, 1};
    static constexpr Interval kTrue = TruthTrue;
    static constexpr Interval kLoopStepCap{100000, 100000};
    static constexpr bool kEndsOnUndefined = true;
    static constexpr bool kRunsPointCode = false;
    static constexpr OpcodeFunctions<Unary> kUnary = MakeUnaryTable();
    static constexpr OpcodeFunctions<Binary> kBinary = MakeBinaryTable();

    static constexpr bool InlineUnary(int32_t) { return false; }
    static bool IsUndefined(Interval x) { return IsUndefinedInterval(x); }
    static bool Equals(Interval a, Interval b) { return IntervalEquals(a, b); }
    static Interval Number(double d) { return {d, d}; }
    // A parameter with an imaginary part has no interval value.
    static Interval Parameter(ComplexValue c) { return IntervalFromComplex(c); }
    static Interval Constant(ComplexValue c) { return {c.re, c.re}; }
    static int32_t Row(Interval x) { return ToDataRow(x.lo); }

    static TruthInterval Relation(int32_t opcode, Interval lower, Interval upper)
    {
        switch (opcode) {
        case OpLess: return IntervalLess(lower, upper);
        case OpGreater: return IntervalGreater(lower, upper);
        case OpLeq: return IntervalLessEqual(lower, upper);
        case OpGeq: return IntervalGreaterEqual(lower, upper);
        case OpEqual: return IntervalEqual(lower, upper);
        default: return TruthNot(IntervalEqual(lower, upper));
        }
    }
    static TruthInterval And(Interval a, Interval b) { return TruthAnd(a, b); }
    static TruthInterval Or(Interval a, Interval b) { return TruthOr(a, b); }
    static TruthInterval Not(Interval a) { return TruthNot(a); }
    static Interval Union(Interval a, Interval b) { return IntervalUnion(a, b); }
    static Interval RationalPower(Interval base, Interval p, Interval q) { return IntervalRationalPower(base, p, q); }
    static Interval ImaginaryUnit() { return IntervalFromComplex(ComplexValue{0, 1}); }
    static Interval LoopPart(Interval x) { return x; }
    static LoopStepResult LoopStep(Value counter, Value limit) { return interpreter_loop::StepByRelations<IntervalArith>(counter, limit); }
    // 0 is the neutral value of a sum, 1 of a product.
    static Interval Guard(int32_t opcode, Interval top) { return IntervalIncludePoint(top, opcode == OpSumGuard ? 0 : 1); }
    static Interval Table1(uint32_t id, Interval x, const DocState* doc) { return EvalTableFunctionInterval1(id, x, doc); }
    static Interval Table2(uint32_t id, Interval a, Interval b, const DocState* doc)
    {
        return EvalTableFunctionInterval2(id, a, b, doc);
    }
    static Interval RunNested(const BytecodeProgram* program, Interval* frame, RunControl& control)
    {
        return InterpretInterval(program, frame, control);
    }
    // Callers read the result as an ordinary interval: an exterior one is
    // handed over as the whole line that holds it.
    static Interval Exit(Interval top) { return IsExteriorInterval(top) ? Interval{-INFINITY, INFINITY} : top; }
};

}  // namespace
}  // namespace baseline

Interval InterpretInterval(const BytecodeProgram* program, Interval* frame, RunControl& control)
{
    return baseline::RunProgram<baseline::IntervalArith>(program, frame, nullptr, control);
}

Interval BytecodeProgram::RunInterval(Interval* frame) const
{
    RunControl control{&stopRequested, false};
    return InterpretInterval(this, frame, control);
}
