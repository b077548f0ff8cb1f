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
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileContext.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/RealLibrary.h"
#include "evaluation/RunControl.h"
#include "evaluation/UserFunction.h"

#include <alloca.h>
#include <cmath>
#include <emmintrin.h>
#include <cstdint>
#include <utility>

#if defined(VL_INTERPRETER_V3)
#pragma GCC push_options
#pragma GCC target("arch=x86-64-v3")
#define VL_INTERPRETER_BUILD v3
#else
#define VL_INTERPRETER_BUILD baseline
#endif

namespace VL_INTERPRETER_BUILD {
namespace {

// A loop with more steps left than this yields undefined.
constexpr double kLoopStepCap = 100000;
// Value stacks up to this many cells live in the interpreter's own frame.
constexpr int32_t kFewCells = 32;

// The data rows saved by aggregates and table reads at a row. A pop with
// nothing saved keeps the current row.
struct SavedRows {
    GrowArray<int32_t> rows;

    ~SavedRows()
    {
        if (rows.storage)
            rows.Clear();
    }
    void Push(int32_t row) { rows.Push(row); }
    int32_t Pop(int32_t current) { return rows.count > 0 ? rows[--rows.count] : current; }
};

// The value stack: maxStack cells on the machine stack when there is room,
// else from the budget.
struct HeapCells {
    void* block = nullptr;
    ~HeapCells()
    {
        if (block)
            BudgetFree(block);
    }
};

// The label that closes pair b of branch a, searching forward from pc; null
// when the program ends first. labelsOfBranch counts the labels of branch a
// met on the way, the found one included.
const Instruction* FindLabel(const Instruction* pc, int32_t a, int32_t b, int32_t* labelsOfBranch)
{
    int32_t seen = 0;
    for (const Instruction* scan = pc + 1;; ++scan) {
        if (scan->opcode == 103)
            return nullptr;
        if (scan->opcode == 86 && scan->operand.ints.a == a) {
            ++seen;
            if (scan->operand.ints.b == b) {
                *labelsOfBranch = seen;
                return scan;
            }
        }
    }
}

// 1 when every adjacent pair of values[0 .. n-2], top satisfies the relation.
template <typename Relation>
double Chain(const double* values, int32_t n, double top, Relation holds)
{
    double right = top;
    double result = 1;
    for (int32_t i = n - 2; i >= 0; --i) {
        if (!holds(values[i], right))
            result = 0;
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
    return _mm_cvtsd_f64(_mm_sqrt_sd(_mm_setzero_pd(), _mm_set_sd(x)));
}

#if defined(VL_INTERPRETER_V3)
inline double Floor(double x)
{
    return std::floor(x);  // one rounding instruction here
}
#else
// Floor without a call: |x| rounded to an integer by adding and taking away
// 2^52, the sign put back, and 1 taken off where that rounded up. Exactly
// floor for every double; NaN, infinities and |x| >= 2^52 are whole already.
inline double Floor(double x)
{
    if (!(std::fabs(x) < 0x1p52))
        return x;
    double t = std::copysign((std::fabs(x) + 0x1p52) - 0x1p52, x);
    return t > x ? t - 1 : t;
}
#endif

double GridPart(const GridEvalState* grid, int32_t axis, int32_t a)
{
    if (!grid || !grid->parts)
        return NAN;
    int64_t cell;
    int64_t xCells = static_cast<int64_t>(grid->nX) * grid->nx;
    if (axis == 0)
        cell = static_cast<int64_t>(a) * grid->nx + grid->curI;
    else if (axis == 1)
        cell = xCells + static_cast<int64_t>(a) * grid->ny + grid->curJ;
    else
        cell = xCells + static_cast<int64_t>(grid->nY) * grid->ny + static_cast<int64_t>(a) * grid->nz + grid->curK;
    return static_cast<const double*>(grid->parts)[cell];
}

// Opcode 85: runs user function index on a fresh frame holding the n
// arguments. Its own function, so that the frame's stack space goes back
// after every call, and so that a run that calls in a loop does not grow.
__attribute__((noinline)) double CallUserFunction(const BytecodeProgram* caller, int32_t index, const double* arguments,
                                                  int32_t n, RunControl& control)
{
    const BytecodeProgram* callee = UserFunctionCallee(caller->doc, index, n);
    // Each level of recursion uses machine stack: stop short of its end.
    if (!callee || !HasStackRoom(0))
        return NAN;
    int32_t cells = std::max(n, kCallFrameFixedSlots + callee->localCount);
    uint32_t bytes = static_cast<uint32_t>(cells) * sizeof(double);
    HeapCells heap;
    double* frame;
    if (HasStackRoom(bytes)) {
        frame = static_cast<double*>(alloca(bytes));
    } else {
        heap.block = BudgetMalloc(bytes, false);
        frame = static_cast<double*>(heap.block);
        if (!frame)
            return NAN;
    }
    for (int32_t i = 0; i < cells; ++i)
        frame[i] = i < n ? arguments[i] : NAN;
    return InterpretReal(callee, frame, nullptr, control);
}

// The instruction loop, apart from the set-up so that no value of the run is
// live across the calls that free its memory: the values that change at
// every instruction can then stay in registers.
__attribute__((noinline)) double RunInstructions(const BytecodeProgram* program, double* frame,
                                                 const GridEvalState* grid, RunControl& control,
                                                 const ComplexValue* constants, double* cells, SavedRows& saved)
{
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

    for (;;) {
        const int32_t a = pc->operand.ints.a;
        const int32_t b = pc->operand.ints.b;
        switch (pc->opcode) {
        case 0: VL_PUSH(pc->operand.value); break;
        case 1: VL_PUSH(frame[a]); break;
        case 2: VL_PUSH(locals[a]); break;
        case 3: VL_PUSH_CALL(ComplexToReal(GetParameterValue(static_cast<uint32_t>(a), row, doc))); break;
        case 4: frame[a] = top; break;
        case 5: locals[a] = top; break;
        case 6: std::swap(top, below); break;
        case 7: VL_BINARY(below); break;
        case 8:
        case 9:
        case 10: VL_PUSH_CALL(GridPart(grid, pc->opcode - 8, a)); break;
        case 11: VL_PUSH(constants ? constants[a].re : NAN); break;
        case 12: VL_BINARY(below + top); break;
        case 14: VL_BINARY(below * top); break;
        case 15: VL_BINARY(below / top); break;
        case 16: VL_BINARY(std::pow(below, top)); break;
        case 17: VL_BINARY(Atan2Positive(top, below)); break;
        case 18: VL_BINARY(Hypot(below, top)); break;
        case 19: below = *--sp; break;
        case 20: top = -top; break;
        case 21: top = std::fabs(top); break;
        case 22: top = RealSign(top); break;
        case 23: top = SquareRoot(top); break;
        case 24: VL_UNARY_CALL(std::exp(top)); break;
        case 25: VL_UNARY_CALL(std::log10(top)); break;
        case 26: VL_UNARY_CALL(std::log(top)); break;
        case 27: VL_UNARY_CALL(RealFactorial(top)); break;
        case 28: top = top * top; break;
        case 29: VL_UNARY_CALL(std::sin(top)); break;
        case 30: VL_UNARY_CALL(std::cos(top)); break;
        case 31: VL_UNARY_CALL(std::tan(top)); break;
        case 32: VL_UNARY_CALL(RealCot(top)); break;
        case 33: VL_UNARY_CALL(RealSec(top)); break;
        case 34: VL_UNARY_CALL(RealCsc(top)); break;
        case 35: VL_UNARY_CALL(std::asin(top)); break;
        case 36: VL_UNARY_CALL(std::acos(top)); break;
        case 37: VL_UNARY_CALL(std::atan(top)); break;
        case 38: VL_UNARY_CALL(RealAcot(top)); break;
        case 39: VL_UNARY_CALL(RealAsec(top)); break;
        case 40: VL_UNARY_CALL(RealAcsc(top)); break;
        case 41: VL_UNARY_CALL(std::sinh(top)); break;
        case 42: VL_UNARY_CALL(std::cosh(top)); break;
        case 43: VL_UNARY_CALL(std::tanh(top)); break;
        case 44: VL_UNARY_CALL(RealCoth(top)); break;
        case 45: VL_UNARY_CALL(RealSech(top)); break;
        case 46: VL_UNARY_CALL(RealCsch(top)); break;
        case 47: VL_UNARY_CALL(RealAsinh(top)); break;
        case 48: VL_UNARY_CALL(RealAcosh(top)); break;
        case 49: VL_UNARY_CALL(RealAtanh(top)); break;
        case 50: VL_UNARY_CALL(RealAcoth(top)); break;
        case 51: VL_UNARY_CALL(RealAsech(top)); break;
        case 52: VL_UNARY_CALL(RealAcsch(top)); break;
        case 53:
        case 54:
        case 55:
        case 56:
        case 57:
        case 59: {
            *sp++ = below;
            int32_t n = std::max(a, 1);
            const double* values = sp - (n - 1);
            switch (pc->opcode) {
            case 53: top = Chain(values, n, top, [](double l, double r) { return RealLess(l, r) == 1; }); break;
            case 54: top = Chain(values, n, top, [](double l, double r) { return RealGreater(l, r) == 1; }); break;
            case 55: top = Chain(values, n, top, [](double l, double r) { return RealLessEqual(l, r) == 1; }); break;
            case 56: top = Chain(values, n, top, [](double l, double r) { return RealGreaterEqual(l, r) == 1; }); break;
            case 57: top = Chain(values, n, top, [](double l, double r) { return RealEqual(l, r) == 1; }); break;
            default: top = Chain(values, n, top, [](double l, double r) { return RealNot(RealEqual(l, r)) == 1; }); break;
            }
            sp -= n - 1;
            below = *--sp;
            break;
        }
        case 58: VL_BINARY(TextEquals(below, top)); break;
        case 60: VL_BINARY(RealNot(TextEquals(below, top))); break;
        case 61: VL_BINARY(RealAnd(below, top)); break;
        case 62: VL_BINARY(RealOr(below, top)); break;
        case 63: top = RealNot(top); break;
        case 64: {
            // base, p, q with q on top.
            double base = *--sp;
            VL_BINARY(RationalPower(base, top, below));
            break;
        }
        case 65: VL_BINARY(RealBesselJ(top, below)); break;  // x beneath, the order on top
        case 66: top = Floor(top); break;
        case 67: top = -Floor(-top); break;
        case 68: VL_BINARY(top == 1 ? below : NAN); break;
        case 69:
            if (a <= 0) {
                VL_PUSH(NAN);
            } else {
                *sp++ = below;
                double* pairs = sp - (2 * a - 1);
                top = Piecewise(pairs, a, top);
                sp = pairs;
                below = *--sp;
            }
            break;
        case 71:
        case 74: top = 0; break;
        case 76: VL_PUSH(NAN); break;
        case 77: VL_BINARY(RealMod(below, top)); break;
        case 78: VL_BINARY(MinDouble(below, top)); break;
        case 79: VL_BINARY(MaxDouble(below, top)); break;
        case 80: {
            // x, lo, hi with hi on top.
            double x = *--sp;
            VL_BINARY(MaxDouble(MinDouble(x, top), below));
            break;
        }
        case 81: VL_BINARY(RealBinomial(below, top)); break;
        case 82: return NAN;
        case 83: VL_UNARY_CALL(EvalTableFunctionReal1(static_cast<uint32_t>(a), top, doc)); break;
        case 84: VL_BINARY(EvalTableFunctionReal2(static_cast<uint32_t>(a), top, below, doc)); break;
        case 85: {
            // The arguments in written order, the last one from top.
            *sp++ = below;
            *sp = top;
            int32_t n = std::max(a, 0);
            double result = CallUserFunction(program, b, sp - (n - 1), n, control);
            sp += n == 0 ? 1 : 1 - n;
            top = result;
            below = *--sp;
            if (control.stopped)
                return top;
            break;
        }
        case 87:
            if (top == 0) {
                *sp++ = below;
                *sp++ = top;
                int32_t seen;
                const Instruction* label = FindLabel(pc, a, b, &seen);
                below = *--sp;
                top = NAN;
                if (!label)
                    return top;
                pc = label + 1;
                goto check;
            }
            break;
        case 88:
            if (below == 1) {
                *sp++ = below;
                *sp++ = top;
                int32_t seen;
                const Instruction* label = FindLabel(pc, a, b, &seen);
                --sp;
                if (!label)
                    return *sp;
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
                goto check;
            }
            break;
        case 89:
            locals[a] = top;
            VL_BINARY(below);
            break;
        case 90: {
            double counter = locals[a];
            double limit = locals[a + 1];
            if (counter > limit) {
                pc += b + 1;
                goto check;
            }
            if (!(limit - counter <= kLoopStepCap)) {
                top = NAN;
                pc += b + 1;
                goto check;
            }
            break;
        }
        case 91: {
            double counter = locals[a];
            double next = counter + 1;
            // A counter too large to count by 1 ends the loop undefined.
            locals[a] = next == counter ? NAN : next;
            pc -= b;
            continue;  // the loop test makes the stop checks
        }
        case 92:
        case 93: {
            double counter = locals[a];
            if (!(locals[a + 2] <= counter && counter <= locals[a + 1]))
                top = NAN;
            break;
        }
        case 94: row = saved.Pop(row); break;
        case 95: row = ToDataRow(locals[a]); break;
        case 96: {
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
            break;
        }
        case 97: {
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
            break;
        }
        case 98: {
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
            break;
        }
        case 99: {
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
            break;
        }
        case 100:
        case 101: {
            double start = pc->opcode == 100 ? 0 : NAN;
            *sp++ = below;
            *sp++ = top;
            saved.Push(row);
            below = start;
            top = start;
            locals[a] = 1;
            locals[a + 1] = static_cast<double>(b) + 1;
            break;
        }
        case 102: {
            int32_t next = ToDataRow(top);
            *sp++ = below;  // the stack waits in its cells over the call
            saved.Push(row);
            top = *--sp;
            below = *--sp;
            row = next;
            break;
        }
        case 103: return top;
        default:
            // 13, 70, 72, 73, 75, 86 and unknown opcodes do nothing.
            break;
        }
        ++pc;
    check:
        if (__builtin_expect(StopFlagsRaised(stopRequest) != 0, 0)) {
            *sp++ = below;
            *sp = top;
            bool stop = StopChecksFire(stopRequest);
            top = *sp;
            below = *--sp;
            if (stop) {
                control.stopped = true;
                return top;
            }
        }
    }
#undef VL_PUSH
#undef VL_PUSH_CALL
#undef VL_UNARY_CALL
#undef VL_BINARY
}

}  // namespace

double InterpretReal(const BytecodeProgram* program, double* frame, const GridEvalState* grid, RunControl& control)
{
    const ComplexValue* constants = nullptr;
    if (program->context) {
        constants = program->context->GetConstants(control);
        if (control.stopped)
            return NAN;
    }

    // Most programs need a few cells: those come from this frame without a
    // test, since the machine stack always has room for a small frame (a
    // nested call makes sure of 64 KiB before it runs).
    double fewCells[kFewCells];
    uint32_t stackBytes = static_cast<uint32_t>(std::max(program->maxStack, 1)) * sizeof(double);
    HeapCells heap;
    double* cells;
    if (program->maxStack <= kFewCells) {
        cells = fewCells;
    } else if (HasStackRoom(stackBytes)) {
        cells = static_cast<double*>(alloca(stackBytes));
    } else {
        heap.block = BudgetMalloc(stackBytes, false);
        cells = static_cast<double*>(heap.block);
        if (!cells)
            return NAN;
    }
    SavedRows saved;
    return RunInstructions(program, frame, grid, control, constants, cells, saved);
}

}  // namespace VL_INTERPRETER_BUILD

#if defined(VL_INTERPRETER_V3)
#pragma GCC pop_options
#endif
