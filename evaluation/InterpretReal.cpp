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
#include <array>
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
    // A subtraction as such: the compiler makes one of an added negation in
    // some handlers and not in others, and the two builds would then give
    // NaNs of different signs.
    static double Subtract(double a, double b) { return a - b; }
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

namespace {

// A program without point code runs its instructions under its own stop
// request.
double RunInstructionsAtPoint(const BytecodeProgram* program, const Instruction*, double* frame,
                              const GridEvalState* grid, RunControl*)
{
    RunControl control{&program->stopRequested, false};
    return RunProgram<RealArith>(program, frame, grid, control);
}

// Point code of one or two operations on frame slots and numbers, the most
// common graphs (y = x + 1, y = 2x + 1, y = x^2 + 1, y = |x|), runs as a
// function of its own, without dispatch: a push, and then at most one
// operation that ends the run, each computing what its handler computes.
using interpreter_loop::FusedAdd;
using interpreter_loop::FusedDivide;
using interpreter_loop::FusedMultiply;
using interpreter_loop::FusedSubtract;

// The pushes such code starts with.
constexpr int32_t kFirstOperations[] = {
    OpLoadSlot,    OpSlotAddNumber, OpSlotSubtractNumber, OpSlotMultiplyNumber, OpSlotDivideNumber, OpSlotAddSlot,
    OpSlotSubtractSlot, OpSlotMultiplySlot, OpSlotDivideSlot, OpSquareSlot, OpAbsSlot, OpSqrtSlot,
};
// The operations that may end it: the end alone (index 0), then the
// last-operation forms that take an operand or a function.
constexpr int32_t kLastCount = 1 + OpAbsThenEnd - OpAddNumberThenEnd + 1;
constexpr int32_t LastOperation(int32_t index)
{
    return index == 0 ? OpEnd : OpAddNumberThenEnd + index - 1;
}
constexpr int32_t LastIndex(int32_t opcode)
{
    if (opcode == OpEnd)
        return 0;
    return opcode >= OpAddNumberThenEnd && opcode <= OpAbsThenEnd ? opcode - OpAddNumberThenEnd + 1 : kLastCount;
}

template <int32_t kOp>
double Pushed(const Instruction* code, const double* frame)
{
    const int32_t a = code->arg.a;
    if constexpr (kOp == OpLoadSlot)
        return frame[a];
    else if constexpr (kOp == OpSlotAddNumber)
        return FusedAdd<RealArith>(frame[a], code[1].number);
    else if constexpr (kOp == OpSlotSubtractNumber)
        return FusedSubtract<RealArith>(frame[a], code[1].number);
    else if constexpr (kOp == OpSlotMultiplyNumber)
        return FusedMultiply<RealArith>(frame[a], code[1].number);
    else if constexpr (kOp == OpSlotDivideNumber)
        return FusedDivide<RealArith>(frame[a], code[1].number);
    else if constexpr (kOp == OpSlotAddSlot)
        return FusedAdd<RealArith>(frame[a], frame[code->arg.b]);
    else if constexpr (kOp == OpSlotSubtractSlot)
        return FusedSubtract<RealArith>(frame[a], frame[code->arg.b]);
    else if constexpr (kOp == OpSlotMultiplySlot)
        return FusedMultiply<RealArith>(frame[a], frame[code->arg.b]);
    else if constexpr (kOp == OpSlotDivideSlot)
        return FusedDivide<RealArith>(frame[a], frame[code->arg.b]);
    else
        return RealArith::kUnary[kOp == OpSquareSlot ? OpSquare : kOp == OpAbsSlot ? OpAbs : OpSqrt](frame[a]);
}

template <int32_t kOp>
double Finished(double top, const Instruction* code, const double* frame)
{
    if constexpr (kOp == OpEnd)
        return top;
    else if constexpr (kOp == OpAddNumberThenEnd)
        return FusedAdd<RealArith>(top, code->number);
    else if constexpr (kOp == OpSubtractNumberThenEnd)
        return FusedSubtract<RealArith>(top, code->number);
    else if constexpr (kOp == OpMultiplyNumberThenEnd)
        return FusedMultiply<RealArith>(top, code->number);
    else if constexpr (kOp == OpDivideNumberThenEnd)
        return FusedDivide<RealArith>(top, code->number);
    else if constexpr (kOp == OpAddSlotThenEnd)
        return FusedAdd<RealArith>(top, frame[code->arg.a]);
    else if constexpr (kOp == OpSubtractSlotThenEnd)
        return FusedSubtract<RealArith>(top, frame[code->arg.a]);
    else if constexpr (kOp == OpMultiplySlotThenEnd)
        return FusedMultiply<RealArith>(top, frame[code->arg.a]);
    else if constexpr (kOp == OpDivideSlotThenEnd)
        return FusedDivide<RealArith>(top, frame[code->arg.a]);
    else if constexpr (kOp == OpMultiplySlotAddNumberThenEnd)
        return FusedAdd<RealArith>(FusedMultiply<RealArith>(top, frame[code->arg.a]), code[1].number);
    else
        return RealArith::kUnary[kOp == OpSqrtThenEnd ? OpSqrt : OpAbs](top);
}

constexpr int32_t PushLength(int32_t op)
{
    return op >= OpSlotAddNumber && op <= OpSlotDivideNumber ? 2 : 1;
}

template <int32_t kFirst, int32_t kLast>
double ShortRun(const BytecodeProgram*, const Instruction* code, double* frame, const GridEvalState*, RunControl*)
{
    return Finished<kLast>(Pushed<kFirst>(code, frame), code + PushLength(kFirst), frame);
}

constexpr int32_t kFirstCount = std::size(kFirstOperations);

template <int32_t... kIndex>
constexpr std::array<RealPointRun, sizeof...(kIndex)> MakeShortRuns(std::integer_sequence<int32_t, kIndex...>)
{
    return {&ShortRun<kFirstOperations[kIndex / kLastCount], LastOperation(kIndex % kLastCount)>...};
}

// By first and last operation.
constexpr std::array<RealPointRun, kFirstCount * kLastCount> kShortRuns =
    MakeShortRuns(std::make_integer_sequence<int32_t, kFirstCount * kLastCount>{});

// A slot and then any function of the table: one call through it.
double SlotThenFunctionRun(const BytecodeProgram*, const Instruction* code, double* frame, const GridEvalState*,
                           RunControl*)
{
    return RealArith::kUnary[code[1].opcode](frame[code->arg.a]);
}

int32_t IndexIn(const int32_t* list, int32_t count, int32_t opcode)
{
    return static_cast<int32_t>(std::find(list, list + count, opcode) - list);
}

// The run of point code that is a push and at most one last operation, or
// a slot and a function; else null. Such code reads no constant and no
// parameter.
RealPointRun ShortRunOf(const Instruction* code, int32_t count)
{
    int32_t first = IndexIn(kFirstOperations, kFirstCount, code[0].opcode);
    if (first == kFirstCount)
        return nullptr;
    int32_t next = PushLength(code[0].opcode);
    if (next >= count)
        return nullptr;
    int32_t last = LastIndex(code[next].opcode);
    // Words from there to the end of the code, the end's own included.
    int32_t words = code[next].opcode == OpEnd ? 1 : code[next].opcode == OpMultiplySlotAddNumberThenEnd ? 3 : 2;
    if (last < kLastCount && next + words == count)
        return kShortRuns[first * kLastCount + last];
    bool slotThenFunction = code[0].opcode == OpLoadSlot && count == 3 && code[1].opcode < kOpcodeCount &&
                            RealArith::kUnary[code[1].opcode] != nullptr;
    return slotThenFunction ? &SlotThenFunctionRun : nullptr;
}

RealPointRun ChooseRealPointRun(const BytecodeProgram* program)
{
    if (program->pointCode.count > 0) {
        if (RealPointRun run = ShortRunOf(program->pointCode.storage, program->pointCode.count))
            return run;
    }
    // Point code runs lean, and a lean run makes its own control only when
    // it must evaluate constants.
    if (program->pointLeaf)
        return &RunCode<RealArith, true, true>;
    if (program->pointCode.count > 0)
        return &RunCode<RealArith, true>;
    return &RunInstructionsAtPoint;
}

}  // namespace

RealPointRun RealPointRunOf(const BytecodeProgram* program)
{
    return ChooseRealPointRun(program);
}

double InterpretRealAtPoint(const BytecodeProgram* program, double* frame)
{
    return RealPointRunOf(program)(program, program->pointCode.storage, frame, nullptr, nullptr);
}

}  // namespace VL_INTERPRETER_BUILD

VL_INTERPRETER_TARGET_END
