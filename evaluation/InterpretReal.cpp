// The real interpreter. InterpretRealV3.cpp compiles this file a second time
// for x86-64-v3. Everything the body calls is declared by the headers below,
// before the instruction set changes, so out-of-line copies of shared inline
// code are always baseline code; only the functions defined here take the
// wider instruction set.
#include "evaluation/InterpretReal.h"

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/SmallNumerics.h"
#include "document/ParameterValue.h"
#include "evaluation/BranchLabel.h"
#include "evaluation/BudgetBlock.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileContext.h"
#include "evaluation/ConstantTable.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/InterpreterFloor.h"
#include "evaluation/RealLibrary.h"
#include "evaluation/RunControl.h"
#include "evaluation/UserFunctionCall.h"

#include <alloca.h>
#include <cmath>
#include <cstdint>
#include <utility>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "evaluation/InterpreterTarget.h"

namespace VL_INTERPRETER_BUILD {
namespace {

// A loop with more steps left than this yields undefined.
constexpr double kLoopStepCap = 100000;
// Value stacks up to this many cells live in the interpreter's own frame.
constexpr int32_t kFewCells = 32;

using Relation = double (*)(double, double);

double RealNotEqual(double a, double b)
{
    return RealNot(RealEqual(a, b));
}

// The relation every adjacent pair of a chain opcode's operands must satisfy.
Relation ChainRelation(int32_t opcode)
{
    switch (opcode) {
    case OpLess: return RealLess;
    case OpGreater: return RealGreater;
    case OpLeq: return RealLessEqual;
    case OpGeq: return RealGreaterEqual;
    case OpEqual: return RealEqual;
    default: return RealNotEqual;
    }
}

// 1 when every adjacent pair of values[0 .. n-2], top satisfies the relation.
double Chain(const double* values, int32_t n, double top, Relation holds)
{
    double right = top;
    double result = 1;
    for (int32_t i = n - 2; i >= 0; --i) {
        result = RealAnd(result, holds(values[i], right));
        right = values[i];
    }
    return result;
}

// The piecewise choice over n (condition, value) pairs at pairs[0 .. 2n-2]
// and top, the last pair taken first.
double Piecewise(const double* pairs, int32_t n, double top)
{
    double result = NAN;
    double acc = 0;
    for (int32_t j = n - 1; j >= 0; --j) {
        double c = pairs[2 * j];
        double v = j == n - 1 ? top : pairs[2 * j + 1];
        if (std::isnan(c) || c == 0) {
            acc = RealOr(acc, 0);
        } else if (acc == 0 || c == 1) {
            result = v;
            acc = RealOr(acc, c);
        } else {
            result = NAN;
            acc = RealOr(acc, c);
        }
    }
    return result;
}

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

double GridPart(const GridEvalState* grid, int32_t axis, int32_t a)
{
    int64_t cell = grid ? PartCell(*grid, axis, a) : -1;
    return cell < 0 ? NAN : static_cast<const double*>(grid->parts)[cell];
}

}  // namespace

// Superword vectorisation would pack top and below into one vector register
// and unpack them at every instruction (GCC does; clang has no such switch
// per function).
#if defined(__clang__)
#define VL_NO_SLP_VECTORIZE
#else
#define VL_NO_SLP_VECTORIZE __attribute__((optimize("no-tree-slp-vectorize")))
#endif
VL_NO_SLP_VECTORIZE double InterpretReal(const BytecodeProgram* program, double* frame, const GridEvalState* grid,
                                         RunControl& control)
{
    const ComplexValue* constants = nullptr;
    if (CompileContext* context = program->context) {
        // Once the values are current every run reads them without a call.
        if (context->constantsReady.load(std::memory_order_acquire) && context->table) {
            if (context->table->values.count > 0)
                constants = context->table->values.storage;
        } else {
            constants = context->GetConstants(control);
            if (control.stopped)
                return NAN;
        }
    }

    // Most programs need a few cells: those come from this frame without a
    // test, since the machine stack always has room for a small frame (a
    // nested call makes sure of 64 KiB before it runs).
    double fewCells[kFewCells];
    uint32_t stackBytes = static_cast<uint32_t>(std::max(program->maxStack, 1)) * sizeof(double);
    void* heapCells = nullptr;
    double* cells;
    if (program->maxStack <= kFewCells) {
        cells = fewCells;
    } else if (HasStackRoom(stackBytes)) {
        cells = static_cast<double*>(alloca(stackBytes));
    } else {
        heapCells = BudgetMalloc(stackBytes, false);
        cells = static_cast<double*>(heapCells);
        if (!cells)
            return NAN;
    }
    GrowArray<int32_t> savedRows{};
    double result = NAN;

// Ends the run with a value.
#define VL_END(value)     \
    do {                  \
        result = (value); \
        goto done;        \
    } while (0)

    // Kept in registers: nothing the run calls can change them.
    const std::atomic<unsigned char>* stopRequest = control.stopRequest;
    const DocState* doc = program->doc;
    double* locals = frame + program->localBase;
    const Instruction* pc = program->instructions.storage;

    // The two values on top of the stack live in registers, the rest in
    // cells. A binary operation then waits only for its arithmetic, not for
    // a store and a load of the same cell. Before the first instruction top
    // is undefined; below stands for the empty stack beneath it.
    double top = NAN;
    double below = NAN;
    double* sp = cells;  // the cells beneath below; sp is the first free one
    int32_t row = ToDataRow(frame[11]);

// Pushes a value: below goes to a cell, top to below.
#define VL_PUSH(value)           \
    do {                         \
        double pushed = (value); \
        *sp++ = below;           \
        below = top;             \
        top = pushed;            \
    } while (0)
// The same for a value that takes a call: registers do not survive calls,
// so top and below wait in cells while it runs. Keeping every call free of
// live values is what lets the compiler hold top and below in registers.
#define VL_PUSH_CALL(value)      \
    do {                         \
        *sp++ = below;           \
        *sp = top;               \
        double pushed = (value); \
        below = *sp;             \
        top = pushed;            \
    } while (0)
// A two-operand opcode: top becomes the result of below and top. Both are
// consumed by the operation, so it may call out.
#define VL_BINARY(result) \
    do {                  \
        top = (result);   \
        below = *--sp;    \
    } while (0)
// A one-operand opcode that calls out.
#define VL_UNARY_CALL(result) \
    do {                      \
        *sp++ = below;        \
        top = (result);       \
        below = *--sp;        \
    } while (0)

    // Threaded dispatch: every handler jumps straight to the next one.
    static const void* const kHandlers[kOpcodeCount] = {
        &&OpPushNumber, &&OpLoadSlot, &&OpLoadLocal, &&OpLoadParameter, &&OpStoreSlot, &&OpStoreLocal, &&OpSwap,
        &&OpDrop, &&OpLoadXPart, &&OpLoadYPart, &&OpLoadZPart, &&OpLoadConstant, &&OpAdd, &&OpNop, &&OpMultiply,
        &&OpDivide, &&OpPower, &&OpAngle, &&OpHypot, &&OpInterval, &&OpNegate, &&OpAbs, &&OpSign, &&OpSqrt, &&OpExp,
        &&OpLog10, &&OpLn, &&OpFactorial, &&OpSquare, &&OpSin, &&OpCos, &&OpTan, &&OpCot, &&OpSec, &&OpCsc, &&OpAsin,
        &&OpAcos, &&OpAtan, &&OpAcot, &&OpAsec, &&OpAcsc, &&OpSinh, &&OpCosh, &&OpTanh, &&OpCoth, &&OpSech, &&OpCsch,
        &&OpAsinh, &&OpAcosh, &&OpAtanh, &&OpAcoth, &&OpAsech, &&OpAcsch, &&OpLess, &&OpGreater, &&OpLeq, &&OpGeq,
        &&OpEqual, &&OpTextEqual, &&OpNotEqual, &&OpTextNotEqual, &&OpAnd, &&OpOr, &&OpNot, &&OpRationalPower,
        &&OpBesselJ, &&OpFloor, &&OpCeil, &&OpIf, &&OpBranch, &&OpReal, &&OpImag, &&OpInf, &&OpSup, &&OpArg,
        &&OpConjugate, &&OpImaginaryUnit, &&OpMod, &&OpMin, &&OpMax, &&OpClamp, &&OpBinomial, &&OpFail,
        &&OpInterpolate1, &&OpInterpolate2, &&OpCallUser, &&OpLabel, &&OpSkipFalsePair, &&OpSkipRestPairs,
        &&OpStoreAndDrop, &&OpLoopTest, &&OpLoopEnd, &&OpSumGuard, &&OpProductGuard, &&OpRestoreRow,
        &&OpRowFromCounter, &&OpAggregateWeighted, &&OpMinMaxWeighted, &&OpAggregateStep, &&OpMinMaxStep,
        &&OpBeginAggregate, &&OpBeginMinMax, &&OpSelectRow, &&OpEnd};
// Decodes the instruction at pc and jumps to its handler; an opcode above
// 103 does nothing.
#define VL_GO() goto* (static_cast<uint32_t>(pc->opcode) < kOpcodeCount ? kHandlers[pc->opcode] : &&opNothing)
// After an instruction: the stop checks, then the next handler.
#define VL_CHECK_AND_GO()                                           \
    do {                                                            \
        if (__builtin_expect(StopFlagsRaised(stopRequest) != 0, 0)) \
            goto slowCheck;                                         \
        VL_GO();                                                    \
    } while (0)
#define VL_NEXT            \
    do {                   \
        ++pc;              \
        VL_CHECK_AND_GO(); \
    } while (0)

    VL_GO();
    {
        OpPushNumber: VL_PUSH(pc->number); VL_NEXT;
        OpLoadSlot: VL_PUSH(frame[pc->arg.a]); VL_NEXT;
        OpLoadLocal: VL_PUSH(locals[pc->arg.a]); VL_NEXT;
        OpLoadParameter:
            VL_PUSH_CALL(ComplexToReal(GetParameterValue(static_cast<uint32_t>(pc->arg.a), row, doc)));
            VL_NEXT;
        OpStoreSlot: frame[pc->arg.a] = top; VL_NEXT;
        OpStoreLocal: locals[pc->arg.a] = top; VL_NEXT;
        OpSwap: std::swap(top, below); VL_NEXT;
        OpDrop: VL_BINARY(below); VL_NEXT;
        OpLoadXPart:
        OpLoadYPart:
        OpLoadZPart: VL_PUSH_CALL(GridPart(grid, pc->opcode - OpLoadXPart, pc->arg.a)); VL_NEXT;
        OpLoadConstant: VL_PUSH(constants ? constants[pc->arg.a].re : NAN); VL_NEXT;
        OpAdd: VL_BINARY(below + top); VL_NEXT;
        OpMultiply: VL_BINARY(below * top); VL_NEXT;
        OpDivide: VL_BINARY(below / top); VL_NEXT;
        OpPower: VL_BINARY(std::pow(below, top)); VL_NEXT;
        OpAngle: VL_BINARY(Atan2Positive(top, below)); VL_NEXT;
        OpHypot: VL_BINARY(Hypot(below, top)); VL_NEXT;
        OpInterval: below = *--sp; VL_NEXT;
        OpNegate: top = -top; VL_NEXT;
        OpAbs: top = std::fabs(top); VL_NEXT;
        OpSign: top = RealSign(top); VL_NEXT;
        OpSqrt: top = SquareRoot(top); VL_NEXT;
        OpSquare: top = top * top; VL_NEXT;
        // The library functions, each called from its own handler: one call
        // site per function predicts better than one for all.
        OpExp: VL_UNARY_CALL(std::exp(top)); VL_NEXT;
        OpLog10: VL_UNARY_CALL(std::log10(top)); VL_NEXT;
        OpLn: VL_UNARY_CALL(std::log(top)); VL_NEXT;
        OpFactorial: VL_UNARY_CALL(RealFactorial(top)); VL_NEXT;
        OpSin: VL_UNARY_CALL(std::sin(top)); VL_NEXT;
        OpCos: VL_UNARY_CALL(std::cos(top)); VL_NEXT;
        OpTan: VL_UNARY_CALL(std::tan(top)); VL_NEXT;
        OpCot: VL_UNARY_CALL(RealCot(top)); VL_NEXT;
        OpSec: VL_UNARY_CALL(RealSec(top)); VL_NEXT;
        OpCsc: VL_UNARY_CALL(RealCsc(top)); VL_NEXT;
        OpAsin: VL_UNARY_CALL(std::asin(top)); VL_NEXT;
        OpAcos: VL_UNARY_CALL(std::acos(top)); VL_NEXT;
        OpAtan: VL_UNARY_CALL(std::atan(top)); VL_NEXT;
        OpAcot: VL_UNARY_CALL(RealAcot(top)); VL_NEXT;
        OpAsec: VL_UNARY_CALL(RealAsec(top)); VL_NEXT;
        OpAcsc: VL_UNARY_CALL(RealAcsc(top)); VL_NEXT;
        OpSinh: VL_UNARY_CALL(std::sinh(top)); VL_NEXT;
        OpCosh: VL_UNARY_CALL(std::cosh(top)); VL_NEXT;
        OpTanh: VL_UNARY_CALL(std::tanh(top)); VL_NEXT;
        OpCoth: VL_UNARY_CALL(RealCoth(top)); VL_NEXT;
        OpSech: VL_UNARY_CALL(RealSech(top)); VL_NEXT;
        OpCsch: VL_UNARY_CALL(RealCsch(top)); VL_NEXT;
        OpAsinh: VL_UNARY_CALL(RealAsinh(top)); VL_NEXT;
        OpAcosh: VL_UNARY_CALL(RealAcosh(top)); VL_NEXT;
        OpAtanh: VL_UNARY_CALL(RealAtanh(top)); VL_NEXT;
        OpAcoth: VL_UNARY_CALL(RealAcoth(top)); VL_NEXT;
        OpAsech: VL_UNARY_CALL(RealAsech(top)); VL_NEXT;
        OpAcsch: VL_UNARY_CALL(RealAcsch(top)); VL_NEXT;
        OpLess:
        OpGreater:
        OpLeq:
        OpGeq:
        OpEqual:
        OpNotEqual: {
            *sp++ = below;
            int32_t n = std::max(pc->arg.a, 1);
            const double* values = sp - (n - 1);
            top = Chain(values, n, top, ChainRelation(pc->opcode));
            sp -= n - 1;
            below = *--sp;
            VL_NEXT;
        }
        OpTextEqual: VL_BINARY(TextEquals(below, top)); VL_NEXT;
        OpTextNotEqual: VL_BINARY(RealNot(TextEquals(below, top))); VL_NEXT;
        OpAnd: VL_BINARY(RealAnd(below, top)); VL_NEXT;
        OpOr: VL_BINARY(RealOr(below, top)); VL_NEXT;
        OpNot: top = RealNot(top); VL_NEXT;
        OpRationalPower: {
            // base, p, q with q on top.
            double base = *--sp;
            VL_BINARY(RationalPower(base, top, below));
            VL_NEXT;
        }
        OpBesselJ: VL_BINARY(RealBesselJ(top, below)); VL_NEXT;  // x beneath, the order on top
        OpFloor: top = Floor(top); VL_NEXT;
        OpCeil: top = -Floor(-top); VL_NEXT;
        OpIf: VL_BINARY(top == 1 ? below : NAN); VL_NEXT;
        OpBranch:
            if (pc->arg.a <= 0) {
                VL_PUSH(NAN);
            } else {
                *sp++ = below;
                double* pairs = sp - (2 * pc->arg.a - 1);
                top = Piecewise(pairs, pc->arg.a, top);
                sp = pairs;
                below = *--sp;
            }
            VL_NEXT;
        OpImag:
        OpArg: top = 0; VL_NEXT;
        OpImaginaryUnit: VL_PUSH(NAN); VL_NEXT;
        OpMod: VL_BINARY(RealMod(below, top)); VL_NEXT;
        OpMin: VL_BINARY(MinDouble(below, top)); VL_NEXT;
        OpMax: VL_BINARY(MaxDouble(below, top)); VL_NEXT;
        OpClamp: {
            // x, lo, hi with hi on top.
            double x = *--sp;
            VL_BINARY(MaxDouble(MinDouble(x, top), below));
            VL_NEXT;
        }
        OpBinomial: VL_BINARY(RealBinomial(below, top)); VL_NEXT;
        OpFail: VL_END(NAN);
        OpInterpolate1: VL_UNARY_CALL(EvalTableFunctionReal1(static_cast<uint32_t>(pc->arg.a), top, doc)); VL_NEXT;
        OpInterpolate2: VL_BINARY(EvalTableFunctionReal2(static_cast<uint32_t>(pc->arg.a), top, below, doc)); VL_NEXT;
        OpCallUser: {
            // The arguments in written order, the last one from top.
            *sp++ = below;
            *sp = top;
            int32_t n = std::max(pc->arg.a, 0);
            double result = CallUserFunction(program, pc->arg.b, sp - (n - 1), n, static_cast<double>(NAN),
                                             [&control](const BytecodeProgram* callee, double* calleeFrame) {
                                                 return InterpretReal(callee, calleeFrame, nullptr, control);
                                             });
            sp += n == 0 ? 1 : 1 - n;
            top = result;
            below = *--sp;
            if (control.stopped)
                VL_END(top);
            VL_NEXT;
        }
        OpSkipFalsePair:
            if (top == 0) {
                *sp++ = below;
                *sp++ = top;
                int32_t seen;
                const Instruction* label = FindLabel(pc, pc->arg.a, pc->arg.b, &seen);
                below = *--sp;
                top = NAN;
                if (!label)
                    VL_END(top);
                pc = label + 1;
                VL_CHECK_AND_GO();
            }
            VL_NEXT;
        OpSkipRestPairs:
            if (below == 1) {
                *sp++ = below;
                *sp++ = top;
                int32_t seen;
                const Instruction* label = FindLabel(pc, pc->arg.a, pc->arg.b, &seen);
                --sp;
                if (!label)
                    VL_END(*sp);
                // The chosen value moves down under an undefined pair for
                // every pair skipped.
                for (int32_t skipped = seen - 1; skipped > 0; --skipped) {
                    *++sp = NAN;
                    *++sp = NAN;
                }
                top = *sp;
                below = sp[-1];
                sp -= 1;
                pc = label + 1;
                VL_CHECK_AND_GO();
            }
            VL_NEXT;
        OpStoreAndDrop:
            locals[pc->arg.a] = top;
            VL_BINARY(below);
            VL_NEXT;
        OpLoopTest: {
            double counter = locals[pc->arg.a];
            double limit = locals[pc->arg.a + 1];
            if (counter > limit) {
                pc += pc->arg.b + 1;
                VL_CHECK_AND_GO();
            }
            if (!(limit - counter <= kLoopStepCap)) {
                top = NAN;
                pc += pc->arg.b + 1;
                VL_CHECK_AND_GO();
            }
            VL_NEXT;
        }
        OpLoopEnd: {
            double counter = locals[pc->arg.a];
            double next = counter + 1;
            // A counter too large to count by 1 ends the loop undefined.
            locals[pc->arg.a] = next == counter ? NAN : next;
            pc -= pc->arg.b;
            VL_GO();  // the loop test makes the stop checks
        }
        OpSumGuard:
        OpProductGuard: {
            double counter = locals[pc->arg.a];
            if (!(locals[pc->arg.a + 2] <= counter && counter <= locals[pc->arg.a + 1]))
                top = NAN;
            VL_NEXT;
        }
        OpRestoreRow:
            // A pop with nothing saved keeps the current row.
            if (savedRows.count > 0)
                row = savedRows[--savedRows.count];
            VL_NEXT;
        OpRowFromCounter: row = ToDataRow(locals[pc->arg.a]); VL_NEXT;
        OpAggregateWeighted: {
            // count, sum, value, weight
            double weight = top;
            double value = below;
            double sum = *--sp;
            double count = *--sp;
            if (!(std::isnan(weight) || weight == 0 || std::isnan(value))) {
                count += weight;
                sum += value;
            }
            top = sum;
            below = count;
            VL_NEXT;
        }
        OpMinMaxWeighted: {
            // max, min, value, weight
            double weight = top;
            double value = below;
            double min = *--sp;
            double max = *--sp;
            if (!(std::isnan(weight) || weight == 0 || std::isnan(value))) {
                max = std::isnan(max) ? value : MaxDouble(max, value);
                min = std::isnan(min) ? value : MinDouble(min, value);
            }
            top = min;
            below = max;
            VL_NEXT;
        }
        OpAggregateStep: {
            // count, sum, value
            double value = top;
            double sum = below;
            double count = *--sp;
            if (!std::isnan(value)) {
                count += 1;
                sum += value;
            }
            top = sum;
            below = count;
            VL_NEXT;
        }
        OpMinMaxStep: {
            // max, min, value
            double value = top;
            double min = below;
            double max = *--sp;
            if (!std::isnan(value)) {
                max = std::isnan(max) ? value : MaxDouble(max, value);
                min = std::isnan(min) ? value : MinDouble(min, value);
            }
            top = min;
            below = max;
            VL_NEXT;
        }
        OpBeginAggregate:
        OpBeginMinMax: {
            double start = pc->opcode == OpBeginAggregate ? 0 : NAN;
            *sp++ = below;
            *sp++ = top;
            savedRows.Push(row);
            below = start;
            top = start;
            locals[pc->arg.a] = 1;
            locals[pc->arg.a + 1] = static_cast<double>(pc->arg.b) + 1;
            VL_NEXT;
        }
        OpSelectRow: {
            int32_t next = ToDataRow(top);
            *sp++ = below;  // the stack waits in its cells over the call
            savedRows.Push(row);
            top = *--sp;
            below = *--sp;
            row = next;
            VL_NEXT;
        }
        OpEnd: VL_END(top);
        OpNop:
        OpReal:
        OpInf:
        OpSup:
        OpConjugate:
        OpLabel:
        opNothing:
            // Unknown opcodes do nothing as well.
            VL_NEXT;
    }
slowCheck: {
        *sp++ = below;
        *sp = top;
        bool stop = StopChecksFire(stopRequest);
        top = *sp;
        below = *--sp;
        if (stop) {
            control.stopped = true;
            VL_END(top);
        }
        VL_GO();
    }
#undef VL_GO
#undef VL_CHECK_AND_GO
#undef VL_NEXT
#undef VL_PUSH
#undef VL_PUSH_CALL
#undef VL_UNARY_CALL
#undef VL_BINARY
#undef VL_END

done:
    if (__builtin_expect(heapCells != nullptr || savedRows.storage != nullptr, 0)) {
        // The result waits in memory over the calls, as values do in the loop.
        fewCells[0] = result;
        BudgetFree(heapCells);
        savedRows.Clear();
        result = fewCells[0];
    }
    return result;
}

}  // namespace VL_INTERPRETER_BUILD

VL_INTERPRETER_TARGET_END
