// The real interpreter. InterpretRealV3.cpp compiles this file a second time
// for x86-64-v3. Everything the body calls is declared by the headers below,
// before the instruction set changes, so out-of-line copies of shared inline
// code are always baseline code; only the functions defined here take the
// wider instruction set.
#include "evaluation/InterpretReal.h"

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/SmallNumerics.h"
#include "evaluation/BranchLabel.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileContext.h"
#include "evaluation/ConstantTable.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/InterpreterFloor.h"
#include "evaluation/ParameterValue.h"
#include "evaluation/RunControl.h"
#include "evaluation/UserFunctionCall.h"
#include "numerics/RealLibrary.h"

#include <alloca.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "evaluation/InterpreterLoop.h"

namespace VL_INTERPRETER_BUILD {
namespace {

// The processor's square root: the library function would also set errno
// for a negative operand, which costs a call site in the loop.
inline double SquareRoot(double x)
{
#if defined(__SSE2__)
    return _mm_cvtsd_f64(_mm_sqrt_sd(_mm_setzero_pd(), _mm_set_sd(x)));
#else
    return std::sqrt(x);
#endif
}

using Unary = double (*)(double);
using Binary = double (*)(double below, double top);

constexpr OpcodeFunctions<Unary> MakeUnaryTable()
{
    OpcodeFunctions<Unary> t;
    t.entries[OpNegate] = [](double x) { return -x; };
    t.entries[OpAbs] = [](double x) { return std::fabs(x); };
    t.entries[OpSign] = RealSign;
    t.entries[OpSqrt] = SquareRoot;
    t.entries[OpSquare] = [](double x) { return x * x; };
    t.entries[OpFloor] = Floor;
    t.entries[OpCeil] = [](double x) { return -Floor(-x); };
    // The imaginary part and the argument of a real value.
    t.entries[OpImag] = [](double) { return 0.0; };
    t.entries[OpArg] = [](double) { return 0.0; };
    t.entries[OpExp] = [](double x) { return std::exp(x); };
    t.entries[OpLog10] = [](double x) { return std::log10(x); };
    t.entries[OpLn] = [](double x) { return std::log(x); };
    t.entries[OpFactorial] = RealFactorial;
    t.entries[OpSin] = [](double x) { return std::sin(x); };
    t.entries[OpCos] = [](double x) { return std::cos(x); };
    t.entries[OpTan] = [](double x) { return std::tan(x); };
    t.entries[OpCot] = RealCot;
    t.entries[OpSec] = RealSec;
    t.entries[OpCsc] = RealCsc;
    t.entries[OpAsin] = [](double x) { return std::asin(x); };
    t.entries[OpAcos] = [](double x) { return std::acos(x); };
    t.entries[OpAtan] = [](double x) { return std::atan(x); };
    t.entries[OpAcot] = RealAcot;
    t.entries[OpAsec] = RealAsec;
    t.entries[OpAcsc] = RealAcsc;
    t.entries[OpSinh] = [](double x) { return std::sinh(x); };
    t.entries[OpCosh] = [](double x) { return std::cosh(x); };
    t.entries[OpTanh] = [](double x) { return std::tanh(x); };
    t.entries[OpCoth] = RealCoth;
    t.entries[OpSech] = RealSech;
    t.entries[OpCsch] = RealCsch;
    t.entries[OpAsinh] = RealAsinh;
    t.entries[OpAcosh] = RealAcosh;
    t.entries[OpAtanh] = RealAtanh;
    t.entries[OpAcoth] = RealAcoth;
    t.entries[OpAsech] = RealAsech;
    t.entries[OpAcsch] = RealAcsch;
    return t;
}

constexpr OpcodeFunctions<Binary> MakeBinaryTable()
{
    OpcodeFunctions<Binary> t;
    t.entries[OpAdd] = [](double a, double b) { return a + b; };
    t.entries[OpMultiply] = [](double a, double b) { return a * b; };
    t.entries[OpDivide] = [](double a, double b) { return a / b; };
    t.entries[OpPower] = RealPower;
    t.entries[OpAngle] = [](double x, double y) { return Atan2Positive(y, x); };
    t.entries[OpHypot] = Hypot;
    // A point is its own interval: the upper end stands.
    t.entries[OpInterval] = [](double, double hi) { return hi; };
    t.entries[OpTextEqual] = TextEquals;
    t.entries[OpTextNotEqual] = [](double a, double b) { return RealNot(TextEquals(a, b)); };
    t.entries[OpBesselJ] = [](double x, double order) { return RealBesselJ(order, x); };
    t.entries[OpMod] = RealMod;
    t.entries[OpMin] = MinDouble;
    t.entries[OpMax] = MaxDouble;
    t.entries[OpBinomial] = RealBinomial;
    return t;
}

struct RealArith {
    using Value = double;
    static constexpr double kUndefined = NAN;
    static constexpr double kZero = 0;
    static constexpr double kOne = 1;
    static constexpr double kTrue = 1;
    // A real run goes on past undefined values: they stay NaN to the end.
    static constexpr bool kEndsOnUndefined = false;
    // Only real runs take the fused point code.
    static constexpr bool kRunsPointCode = true;
    static constexpr OpcodeFunctions<Unary> kUnary = MakeUnaryTable();
    static constexpr OpcodeFunctions<Binary> kBinary = MakeBinaryTable();

    static constexpr bool InlineUnary(int32_t opcode)
    {
        switch (opcode) {
        case OpNegate:
        case OpAbs:
        case OpSign:
        case OpSqrt:
        case OpSquare:
        case OpFloor:
        case OpCeil:
        case OpImag:
        case OpArg: return true;
        default: return false;
        }
    }
    static bool IsUndefined(double x) { return std::isnan(x); }
    static bool Equals(double a, double b) { return a == b; }
    static double Number(double d) { return d; }
    static double Parameter(ComplexValue c) { return ComplexToReal(c); }
    static double Constant(ComplexValue c) { return c.re; }
    static int32_t Row(double x) { return ToDataRow(x); }

    static double Relation(int32_t opcode, double lower, double upper)
    {
        switch (opcode) {
        case OpLess: return RealLess(lower, upper);
        case OpGreater: return RealGreater(lower, upper);
        case OpLeq: return RealLessEqual(lower, upper);
        case OpGeq: return RealGreaterEqual(lower, upper);
        case OpEqual: return RealEqual(lower, upper);
        default: return RealNot(RealEqual(lower, upper));
        }
    }
    static double And(double a, double b) { return RealAnd(a, b); }
    static double Or(double a, double b) { return RealOr(a, b); }
    static double Not(double x) { return RealNot(x); }
    // Two candidate values leave a point undecided.
    static double Union(double, double) { return NAN; }
    static double RationalPower(double base, double p, double q) { return ::RationalPower(base, q, p); }
    static double ImaginaryUnit() { return NAN; }
    static LoopStepResult LoopStep(double counter, double limit)
    {
        if (counter > limit)
            return kLoopDone;
        return limit - counter <= 100000 ? kLoopBody : kLoopTooLong;
    }
    static double Guard(int32_t, double) { return NAN; }
    static double Table1(uint32_t id, double x, const DocState* doc) { return EvalTableFunctionReal1(id, x, doc); }
    static double Table2(uint32_t id, double a, double b, const DocState* doc)
    {
        return EvalTableFunctionReal2(id, a, b, doc);
    }
    static double RunNested(const BytecodeProgram* program, double* frame, RunControl& control);
    static double Exit(double x) { return x; }
};

double RealArith::RunNested(const BytecodeProgram* program, double* frame, RunControl& control)
{
    return RunProgram<RealArith>(program, frame, nullptr, control);
}

}  // namespace

double InterpretReal(const BytecodeProgram* program, double* frame, const GridEvalState* grid, RunControl& control)
{
    return RunProgram<RealArith>(program, frame, grid, control);
}

double InterpretRealAtPoint(const BytecodeProgram* program, double* frame)
{
    // Point code runs lean, and a lean run makes its own control only when
    // it must evaluate constants: the run is then a jump.
    if (program->pointLeaf)
        return RunCode<RealArith, true, true>(program, program->pointCode.storage, frame, nullptr, nullptr);
    if (program->pointCode.count > 0)
        return RunCode<RealArith, true>(program, program->pointCode.storage, frame, nullptr, nullptr);
    RunControl control{&program->stopRequested, false};
    return RunProgram<RealArith>(program, frame, nullptr, control);
}

}  // namespace VL_INTERPRETER_BUILD

VL_INTERPRETER_TARGET_END
