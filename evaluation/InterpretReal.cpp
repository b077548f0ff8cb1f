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

// A call frame taken from the budget, given back on every path out.
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
        if (scan->opcode == 86 && scan->arg.a == a) {
            ++seen;
            if (scan->arg.b == b) {
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


}  // namespace


// Superword vectorisation would pack top and below into one vector register
// and unpack them at every instruction.
__attribute__((optimize("no-tree-slp-vectorize"))) double InterpretReal(const BytecodeProgram* program, double* frame,
                                                                        const GridEvalState* grid, RunControl& control)
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
    static const void* const kHandlers[104] = {
        &&op0,  &&op1,  &&op2,  &&op3,  &&op4,  &&op5,  &&op6,  &&op7,  &&op8,  &&op9,  &&op10, &&op11, &&op12,
        &&op13, &&op14, &&op15, &&op16, &&op17, &&op18, &&op19, &&op20, &&op21, &&op22, &&op23, &&op24, &&op25,
        &&op26, &&op27, &&op28, &&op29, &&op30, &&op31, &&op32, &&op33, &&op34, &&op35, &&op36, &&op37, &&op38,
        &&op39, &&op40, &&op41, &&op42, &&op43, &&op44, &&op45, &&op46, &&op47, &&op48, &&op49, &&op50, &&op51,
        &&op52, &&op53, &&op54, &&op55, &&op56, &&op57, &&op58, &&op59, &&op60, &&op61, &&op62, &&op63, &&op64,
        &&op65, &&op66, &&op67, &&op68, &&op69, &&op70, &&op71, &&op72, &&op73, &&op74, &&op75, &&op76, &&op77,
        &&op78, &&op79, &&op80, &&op81, &&op82, &&op83, &&op84, &&op85, &&op86, &&op87, &&op88, &&op89, &&op90,
        &&op91, &&op92, &&op93, &&op94, &&op95, &&op96, &&op97, &&op98, &&op99, &&op100, &&op101, &&op102,
        &&op103};
    int32_t a;
    int32_t b;
// Decodes the instruction at pc and jumps to its handler; an opcode above
// 103 does nothing.
#define VL_GO()                                                                               \
    do {                                                                                      \
        a = pc->arg.a;                                                               \
        b = pc->arg.b;                                                               \
        goto* (static_cast<uint32_t>(pc->opcode) < 104 ? kHandlers[pc->opcode] : &&opNothing); \
    } while (0)
// After an instruction: the stop checks, then the next handler.
#define VL_CHECK_AND_GO()                                              \
    do {                                                               \
        if (__builtin_expect(StopFlagsRaised(stopRequest) != 0, 0))    \
            goto slowCheck;                                            \
        VL_GO();                                                       \
    } while (0)
#define VL_NEXT          \
    do {                 \
        ++pc;            \
        VL_CHECK_AND_GO(); \
    } while (0)

    VL_GO();
    {
        op0: VL_PUSH(pc->number);  VL_NEXT;
        op1: VL_PUSH(frame[a]);  VL_NEXT;
        op2: VL_PUSH(locals[a]);  VL_NEXT;
        op3: VL_PUSH_CALL(ComplexToReal(GetParameterValue(static_cast<uint32_t>(a), row, doc)));  VL_NEXT;
        op4: frame[a] = top;  VL_NEXT;
        op5: locals[a] = top;  VL_NEXT;
        op6: std::swap(top, below);  VL_NEXT;
        op7: VL_BINARY(below);  VL_NEXT;
        op8:
        op9:
        op10: VL_PUSH_CALL(GridPart(grid, pc->opcode - 8, a));  VL_NEXT;
        op11: VL_PUSH(constants ? constants[a].re : NAN);  VL_NEXT;
        op12: VL_BINARY(below + top);  VL_NEXT;
        op14: VL_BINARY(below * top);  VL_NEXT;
        op15: VL_BINARY(below / top);  VL_NEXT;
        op16: VL_BINARY(std::pow(below, top));  VL_NEXT;
        op17: VL_BINARY(Atan2Positive(top, below));  VL_NEXT;
        op18: VL_BINARY(Hypot(below, top));  VL_NEXT;
        op19: below = *--sp;  VL_NEXT;
        op20: top = -top;  VL_NEXT;
        op21: top = std::fabs(top);  VL_NEXT;
        op22: top = RealSign(top);  VL_NEXT;
        op23: top = SquareRoot(top);  VL_NEXT;
        op24: VL_UNARY_CALL(std::exp(top));  VL_NEXT;
        op25: VL_UNARY_CALL(std::log10(top));  VL_NEXT;
        op26: VL_UNARY_CALL(std::log(top));  VL_NEXT;
        op27: VL_UNARY_CALL(RealFactorial(top));  VL_NEXT;
        op28: top = top * top;  VL_NEXT;
        op29: VL_UNARY_CALL(std::sin(top));  VL_NEXT;
        op30: VL_UNARY_CALL(std::cos(top));  VL_NEXT;
        op31: VL_UNARY_CALL(std::tan(top));  VL_NEXT;
        op32: VL_UNARY_CALL(RealCot(top));  VL_NEXT;
        op33: VL_UNARY_CALL(RealSec(top));  VL_NEXT;
        op34: VL_UNARY_CALL(RealCsc(top));  VL_NEXT;
        op35: VL_UNARY_CALL(std::asin(top));  VL_NEXT;
        op36: VL_UNARY_CALL(std::acos(top));  VL_NEXT;
        op37: VL_UNARY_CALL(std::atan(top));  VL_NEXT;
        op38: VL_UNARY_CALL(RealAcot(top));  VL_NEXT;
        op39: VL_UNARY_CALL(RealAsec(top));  VL_NEXT;
        op40: VL_UNARY_CALL(RealAcsc(top));  VL_NEXT;
        op41: VL_UNARY_CALL(std::sinh(top));  VL_NEXT;
        op42: VL_UNARY_CALL(std::cosh(top));  VL_NEXT;
        op43: VL_UNARY_CALL(std::tanh(top));  VL_NEXT;
        op44: VL_UNARY_CALL(RealCoth(top));  VL_NEXT;
        op45: VL_UNARY_CALL(RealSech(top));  VL_NEXT;
        op46: VL_UNARY_CALL(RealCsch(top));  VL_NEXT;
        op47: VL_UNARY_CALL(RealAsinh(top));  VL_NEXT;
        op48: VL_UNARY_CALL(RealAcosh(top));  VL_NEXT;
        op49: VL_UNARY_CALL(RealAtanh(top));  VL_NEXT;
        op50: VL_UNARY_CALL(RealAcoth(top));  VL_NEXT;
        op51: VL_UNARY_CALL(RealAsech(top));  VL_NEXT;
        op52: VL_UNARY_CALL(RealAcsch(top));  VL_NEXT;
        op53:
        op54:
        op55:
        op56:
        op57:
        op59: {
            *sp++ = below;
            int32_t n = std::max(a, 1);
            const double* values = sp - (n - 1);
            switch (pc->opcode) {  // the relation
            case 53: top = Chain(values, n, top, [](double l, double r) { return RealLess(l, r) == 1; }); break;
            case 54: top = Chain(values, n, top, [](double l, double r) { return RealGreater(l, r) == 1; }); break;
            case 55: top = Chain(values, n, top, [](double l, double r) { return RealLessEqual(l, r) == 1; }); break;
            case 56: top = Chain(values, n, top, [](double l, double r) { return RealGreaterEqual(l, r) == 1; }); break;
            case 57: top = Chain(values, n, top, [](double l, double r) { return RealEqual(l, r) == 1; }); break;
            default: top = Chain(values, n, top, [](double l, double r) { return RealNot(RealEqual(l, r)) == 1; }); break;
            }
            sp -= n - 1;
            below = *--sp;
            VL_NEXT;
        }
        op58: VL_BINARY(TextEquals(below, top));  VL_NEXT;
        op60: VL_BINARY(RealNot(TextEquals(below, top)));  VL_NEXT;
        op61: VL_BINARY(RealAnd(below, top));  VL_NEXT;
        op62: VL_BINARY(RealOr(below, top));  VL_NEXT;
        op63: top = RealNot(top);  VL_NEXT;
        op64: {
            // base, p, q with q on top.
            double base = *--sp;
            VL_BINARY(RationalPower(base, top, below));
            VL_NEXT;
        }
        op65: VL_BINARY(RealBesselJ(top, below));  VL_NEXT;  // x beneath, the order on top
        op66: top = Floor(top);  VL_NEXT;
        op67: top = -Floor(-top);  VL_NEXT;
        op68: VL_BINARY(top == 1 ? below : NAN);  VL_NEXT;
        op69:
            if (a <= 0) {
                VL_PUSH(NAN);
            } else {
                *sp++ = below;
                double* pairs = sp - (2 * a - 1);
                top = Piecewise(pairs, a, top);
                sp = pairs;
                below = *--sp;
            }
            VL_NEXT;
        op71:
        op74: top = 0;  VL_NEXT;
        op76: VL_PUSH(NAN);  VL_NEXT;
        op77: VL_BINARY(RealMod(below, top));  VL_NEXT;
        op78: VL_BINARY(MinDouble(below, top));  VL_NEXT;
        op79: VL_BINARY(MaxDouble(below, top));  VL_NEXT;
        op80: {
            // x, lo, hi with hi on top.
            double x = *--sp;
            VL_BINARY(MaxDouble(MinDouble(x, top), below));
            VL_NEXT;
        }
        op81: VL_BINARY(RealBinomial(below, top));  VL_NEXT;
        op82: VL_END(NAN);
        op83: VL_UNARY_CALL(EvalTableFunctionReal1(static_cast<uint32_t>(a), top, doc));  VL_NEXT;
        op84: VL_BINARY(EvalTableFunctionReal2(static_cast<uint32_t>(a), top, below, doc));  VL_NEXT;
        op85: {
            // The arguments in written order, the last one from top.
            *sp++ = below;
            *sp = top;
            int32_t n = std::max(a, 0);
            double result = CallUserFunction(program, b, sp - (n - 1), n, control);
            sp += n == 0 ? 1 : 1 - n;
            top = result;
            below = *--sp;
            if (control.stopped)
                VL_END(top);
            VL_NEXT;
        }
        op87:
            if (top == 0) {
                *sp++ = below;
                *sp++ = top;
                int32_t seen;
                const Instruction* label = FindLabel(pc, a, b, &seen);
                below = *--sp;
                top = NAN;
                if (!label)
                    VL_END(top);
                pc = label + 1;
                VL_CHECK_AND_GO();
            }
            VL_NEXT;
        op88:
            if (below == 1) {
                *sp++ = below;
                *sp++ = top;
                int32_t seen;
                const Instruction* label = FindLabel(pc, a, b, &seen);
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
        op89:
            locals[a] = top;
            VL_BINARY(below);
            VL_NEXT;
        op90: {
            double counter = locals[a];
            double limit = locals[a + 1];
            if (counter > limit) {
                pc += b + 1;
                VL_CHECK_AND_GO();
            }
            if (!(limit - counter <= kLoopStepCap)) {
                top = NAN;
                pc += b + 1;
                VL_CHECK_AND_GO();
            }
            VL_NEXT;
        }
        op91: {
            double counter = locals[a];
            double next = counter + 1;
            // A counter too large to count by 1 ends the loop undefined.
            locals[a] = next == counter ? NAN : next;
            pc -= b;
            VL_GO();  // the loop test makes the stop checks
        }
        op92:
        op93: {
            double counter = locals[a];
            if (!(locals[a + 2] <= counter && counter <= locals[a + 1]))
                top = NAN;
            VL_NEXT;
        }
        op94:
            // A pop with nothing saved keeps the current row.
            if (savedRows.count > 0)
                row = savedRows[--savedRows.count];
            VL_NEXT;
        op95: row = ToDataRow(locals[a]);  VL_NEXT;
        op96: {
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
        op97: {
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
        op98: {
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
        op99: {
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
        op100:
        op101: {
            double start = pc->opcode == 100 ? 0 : NAN;
            *sp++ = below;
            *sp++ = top;
            savedRows.Push(row);
            below = start;
            top = start;
            locals[a] = 1;
            locals[a + 1] = static_cast<double>(b) + 1;
            VL_NEXT;
        }
        op102: {
            int32_t next = ToDataRow(top);
            *sp++ = below;  // the stack waits in its cells over the call
            savedRows.Push(row);
            top = *--sp;
            below = *--sp;
            row = next;
            VL_NEXT;
        }
        op103: VL_END(top);
        op13:
        op70:
        op72:
        op73:
        op75:
        op86:
        opNothing:
            // 13, 70, 72, 73, 75, 86 and unknown opcodes do nothing.
            VL_NEXT;
    }
    slowCheck : {
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

#if defined(VL_INTERPRETER_V3)
#pragma GCC pop_options
#endif
