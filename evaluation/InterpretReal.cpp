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

// The data rows saved by aggregates and table reads at a row. A pop with
// nothing saved keeps the current row.
struct SavedRows {
    GrowArray<int32_t> rows;

    ~SavedRows() { rows.Clear(); }
    void Push(int32_t row) { rows.Push(row); }
    int32_t Pop(int32_t current) { return rows.count > 0 ? rows[--rows.count] : current; }
};

// The value stack: maxStack cells on the machine stack when there is room,
// else from the budget.
struct HeapCells {
    void* block = nullptr;
    ~HeapCells() { BudgetFree(block); }
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

double InterpretReal(const BytecodeProgram* program, double* frame, const GridEvalState* grid, RunControl& control)
{
    const ComplexValue* constants = nullptr;
    if (program->context) {
        constants = program->context->GetConstants(control);
        if (control.stopped)
            return NAN;
    }

    uint32_t stackBytes = static_cast<uint32_t>(std::max(program->maxStack, 1)) * sizeof(double);
    HeapCells heap;
    double* cells;
    if (HasStackRoom(stackBytes)) {
        cells = static_cast<double*>(alloca(stackBytes));
    } else {
        heap.block = BudgetMalloc(stackBytes, false);
        cells = static_cast<double*>(heap.block);
        if (!cells)
            return NAN;
    }

    // Kept in registers: nothing the run calls can change them.
    const std::atomic<unsigned char>* stopRequest = control.stopRequest;
    const std::atomic<unsigned char>* threadStop = control.threadStop;
    const DocState* doc = program->doc;
    double* locals = frame + program->localBase;
    const Instruction* pc = program->instructions.storage;

    double top = NAN;
    double* sp = cells;  // the cells beneath top; sp is the first free one
    int32_t row = ToDataRow(frame[11]);
    SavedRows saved;

    for (;;) {
        const int32_t a = pc->operand.ints.a;
        const int32_t b = pc->operand.ints.b;
        switch (pc->opcode) {
        case 0:
            *sp++ = top;
            top = pc->operand.value;
            break;
        case 1:
            *sp++ = top;
            top = frame[a];
            break;
        case 2:
            *sp++ = top;
            top = locals[a];
            break;
        case 3:
            *sp++ = top;
            top = ComplexToReal(GetParameterValue(static_cast<uint32_t>(a), row, doc));
            break;
        case 4:
            frame[a] = top;
            break;
        case 5:
            locals[a] = top;
            break;
        case 6:
            std::swap(top, sp[-1]);
            break;
        case 7:
            top = *--sp;
            break;
        case 8:
        case 9:
        case 10:
            *sp++ = top;
            top = GridPart(grid, pc->opcode - 8, a);
            break;
        case 11:
            *sp++ = top;
            top = constants ? constants[a].re : NAN;
            break;
        case 12:
            top = *--sp + top;
            break;
        case 14:
            top = *--sp * top;
            break;
        case 15:
            top = *--sp / top;
            break;
        case 16:
            top = std::pow(sp[-1], top);
            --sp;
            break;
        case 17:
            top = Atan2Positive(top, sp[-1]);
            --sp;
            break;
        case 18:
            top = Hypot(sp[-1], top);
            --sp;
            break;
        case 19:
            --sp;
            break;
        case 20: top = -top; break;
        case 21: top = std::fabs(top); break;
        case 22: top = RealSign(top); break;
        case 23: top = std::sqrt(top); break;
        case 24: top = std::exp(top); break;
        case 25: top = std::log10(top); break;
        case 26: top = std::log(top); break;
        case 27: top = RealFactorial(top); break;
        case 28: top = top * top; break;
        case 29: top = std::sin(top); break;
        case 30: top = std::cos(top); break;
        case 31: top = std::tan(top); break;
        case 32: top = RealCot(top); break;
        case 33: top = RealSec(top); break;
        case 34: top = RealCsc(top); break;
        case 35: top = std::asin(top); break;
        case 36: top = std::acos(top); break;
        case 37: top = std::atan(top); break;
        case 38: top = RealAcot(top); break;
        case 39: top = RealAsec(top); break;
        case 40: top = RealAcsc(top); break;
        case 41: top = std::sinh(top); break;
        case 42: top = std::cosh(top); break;
        case 43: top = std::tanh(top); break;
        case 44: top = RealCoth(top); break;
        case 45: top = RealSech(top); break;
        case 46: top = RealCsch(top); break;
        case 47: top = RealAsinh(top); break;
        case 48: top = RealAcosh(top); break;
        case 49: top = RealAtanh(top); break;
        case 50: top = RealAcoth(top); break;
        case 51: top = RealAsech(top); break;
        case 52: top = RealAcsch(top); break;
        case 53:
        case 54:
        case 55:
        case 56:
        case 57:
        case 59: {
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
            break;
        }
        case 58:
            top = TextEquals(sp[-1], top);
            --sp;
            break;
        case 60:
            top = RealNot(TextEquals(sp[-1], top));
            --sp;
            break;
        case 61:
            top = RealAnd(sp[-1], top);
            --sp;
            break;
        case 62:
            top = RealOr(sp[-1], top);
            --sp;
            break;
        case 63: top = RealNot(top); break;
        case 64:
            // base, p, q with q on top.
            top = RationalPower(sp[-2], top, sp[-1]);
            sp -= 2;
            break;
        case 65:
            // x beneath, the order on top.
            top = RealBesselJ(top, sp[-1]);
            --sp;
            break;
        case 66: top = std::floor(top); break;
        case 67: top = std::ceil(top); break;
        case 68:
            top = top == 1 ? sp[-1] : NAN;
            --sp;
            break;
        case 69:
            if (a <= 0) {
                *sp++ = top;
                top = NAN;
            } else {
                double* pairs = sp - (2 * a - 1);
                top = Piecewise(pairs, a, top);
                sp = pairs;
            }
            break;
        case 71:
        case 74:
            top = 0;
            break;
        case 76:
            *sp++ = top;
            top = NAN;
            break;
        case 77:
            top = RealMod(sp[-1], top);
            --sp;
            break;
        case 78:
            top = MinDouble(sp[-1], top);
            --sp;
            break;
        case 79:
            top = MaxDouble(sp[-1], top);
            --sp;
            break;
        case 80:
            // x, lo, hi with hi on top.
            top = MaxDouble(MinDouble(sp[-2], top), sp[-1]);
            sp -= 2;
            break;
        case 81:
            top = RealBinomial(sp[-1], top);
            --sp;
            break;
        case 82:
            top = NAN;
            return top;
        case 83:
            top = EvalTableFunctionReal1(static_cast<uint32_t>(a), top, doc);
            break;
        case 84:
            top = EvalTableFunctionReal2(static_cast<uint32_t>(a), top, sp[-1], doc);
            --sp;
            break;
        case 85: {
            // The arguments in written order, the last one from top.
            *sp = top;
            int32_t n = std::max(a, 0);
            double result = CallUserFunction(program, b, sp - (n - 1), n, control);
            if (n == 0)
                *sp++ = top;
            else
                sp -= n - 1;
            top = result;
            if (control.stopped)
                return top;
            break;
        }
        case 87:
            if (top == 0) {
                *sp++ = top;
                top = NAN;
                int32_t seen;
                const Instruction* label = FindLabel(pc, a, b, &seen);
                if (!label)
                    return top;
                pc = label + 1;
                goto check;
            }
            break;
        case 88:
            if (sp[-1] == 1) {
                int32_t seen;
                const Instruction* label = FindLabel(pc, a, b, &seen);
                if (!label)
                    return top;
                for (int32_t skipped = seen - 1; skipped > 0; --skipped) {
                    *sp++ = top;
                    *sp++ = NAN;
                    top = NAN;
                }
                pc = label + 1;
                goto check;
            }
            break;
        case 89:
            locals[a] = top;
            top = *--sp;
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
        case 94:
            row = saved.Pop(row);
            break;
        case 95:
            row = ToDataRow(locals[a]);
            break;
        case 96: {
            // count, sum, value, weight
            double weight = top;
            double value = sp[-1];
            double sum = sp[-2];
            double count = sp[-3];
            if (!(std::isnan(weight) || weight == 0 || std::isnan(value))) {
                count += weight;
                sum += value;
            }
            sp -= 2;
            sp[-1] = count;
            top = sum;
            break;
        }
        case 97: {
            // max, min, value, weight
            double weight = top;
            double value = sp[-1];
            double min = sp[-2];
            double max = sp[-3];
            if (!(std::isnan(weight) || weight == 0 || std::isnan(value))) {
                max = std::isnan(max) ? value : MaxDouble(max, value);
                min = std::isnan(min) ? value : MinDouble(min, value);
            }
            sp -= 2;
            sp[-1] = max;
            top = min;
            break;
        }
        case 98: {
            // count, sum, value
            double value = top;
            if (!std::isnan(value)) {
                sp[-2] += 1;
                sp[-1] += value;
            }
            top = *--sp;
            break;
        }
        case 99: {
            // max, min, value
            double value = top;
            double min = sp[-1];
            double max = sp[-2];
            if (!std::isnan(value)) {
                max = std::isnan(max) ? value : MaxDouble(max, value);
                min = std::isnan(min) ? value : MinDouble(min, value);
            }
            --sp;
            sp[-1] = max;
            top = min;
            break;
        }
        case 100:
        case 101: {
            double start = pc->opcode == 100 ? 0 : NAN;
            saved.Push(row);
            *sp++ = top;
            *sp++ = start;
            top = start;
            locals[a] = 1;
            locals[a + 1] = static_cast<double>(b) + 1;
            break;
        }
        case 102:
            saved.Push(row);
            row = ToDataRow(top);
            top = *--sp;
            break;
        case 103:
            return top;
        default:
            // 13, 70, 72, 73, 75, 86 and unknown opcodes do nothing.
            break;
        }
        ++pc;
    check:
        if ((stopRequest->load(std::memory_order_relaxed) | threadStop->load(std::memory_order_relaxed)) != 0) {
            control.stopped = true;
            return top;
        }
    }
}

}  // namespace VL_INTERPRETER_BUILD

#if defined(VL_INTERPRETER_V3)
#pragma GCC pop_options
#endif
