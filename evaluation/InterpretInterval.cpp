// The interval interpreter. InterpretIntervalV3.cpp compiles this file a
// second time for x86-64-v3; the headers come first, so shared inline code
// stays baseline code and only the functions defined here take the wider
// set. The arithmetic itself is the interval library's, shared by both.
#include "evaluation/InterpretInterval.h"

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/ParameterValue.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileContext.h"
#include "evaluation/InterpreterBuild.h"
#include "evaluation/IntervalLibrary.h"
#include "evaluation/RealLibrary.h"
#include "evaluation/RunControl.h"
#include "evaluation/UserFunction.h"
#include "formula/FormulaEngine.h"

#include <alloca.h>
#include <algorithm>
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

// A loop whose remaining steps are not certainly at most this many yields
// undefined.
constexpr Interval kLoopStepCap{100000, 100000};
// Value stacks up to this many cells live in the interpreter's own frame.
constexpr int32_t kFewCells = 16;
constexpr Interval kZero{0, 0};
constexpr Interval kOne{1, 1};
constexpr Interval kWholeLine{-INFINITY, INFINITY};

// A block taken from the budget, given back on every path out.
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
        if (scan->opcode == OpEnd)
            return nullptr;
        if (scan->opcode == OpLabel && scan->arg.a == a) {
            ++seen;
            if (scan->arg.b == b) {
                *labelsOfBranch = seen;
                return scan;
            }
        }
    }
}

// A run that ends before its end writes undefined into every slot the rest
// of the program would have stored: a later program of the batch reads the
// computed slots and shared subexpressions, and must find this box's
// undefined value there, not the last box's.
void ForgetLaterStores(const Instruction* pc, Interval* frame, Interval* locals)
{
    for (; pc->opcode != OpEnd; ++pc) {
        if (pc->opcode == OpStoreSlot)
            frame[pc->arg.a] = UndefinedInterval;
        else if (pc->opcode == OpStoreLocal)
            locals[pc->arg.a] = UndefinedInterval;
    }
}

// The relation chain over values[0 .. n-2] and top: the truth intervals of
// the adjacent pairs, the earlier operand first, combined with TruthAnd from
// the last pair down.
TruthInterval Chain(int32_t opcode, const Interval* values, int32_t n, Interval top)
{
    TruthInterval result = TruthTrue;
    Interval upper = top;
    for (int32_t i = n - 2; i >= 0; --i) {
        Interval lower = values[i];
        TruthInterval holds;
        switch (opcode) {
        case OpLess: holds = IntervalLess(lower, upper); break;
        case OpGreater: holds = IntervalGreater(lower, upper); break;
        case OpLeq: holds = IntervalLessEqual(lower, upper); break;
        case OpGeq: holds = IntervalGreaterEqual(lower, upper); break;
        case OpEqual: holds = IntervalEqual(lower, upper); break;
        default: holds = TruthNot(IntervalEqual(lower, upper)); break;
        }
        result = TruthAnd(holds, result);
        upper = lower;
    }
    return result;
}

// The piecewise choice over n (condition, value) pairs at pairs[0 .. 2n-2]
// and top, the last pair taken first. A certainly true condition overrides
// every pair written after it, an undecided one widens the result by its
// value, and a certainly false one (or an undefined one) never contributes.
Interval Piecewise(const Interval* pairs, int32_t n, Interval top)
{
    Interval result = UndefinedInterval;
    TruthInterval acc = TruthFalse;
    for (int32_t j = n - 1; j >= 0; --j) {
        Interval c = pairs[2 * j];
        Interval v = j == n - 1 ? top : pairs[2 * j + 1];
        if (IsUndefinedInterval(c) || IntervalEquals(c, kZero))
            continue;  // acc Or false leaves acc as it is
        if (IntervalEquals(acc, TruthFalse) || IntervalEquals(c, TruthTrue))
            result = v;
        else
            result = IntervalUnion(result, v);
        acc = TruthOr(acc, c);
    }
    return result;
}

// Opcode 85: runs user function index on a fresh frame holding the n
// arguments. Its own function, so that the frame's stack space goes back
// after every call.
__attribute__((noinline)) Interval CallUserFunction(const BytecodeProgram* caller, int32_t index,
                                                    const Interval* arguments, int32_t n, RunControl& control)
{
    const BytecodeProgram* callee = UserFunctionCallee(caller->doc, index, n);
    // Each level of recursion uses machine stack: stop short of its end.
    if (!callee || !HasStackRoom(0))
        return UndefinedInterval;
    int32_t cells = std::max(n, kCallFrameFixedSlots + callee->localCount);
    uint32_t bytes = static_cast<uint32_t>(cells) * sizeof(Interval);
    HeapCells heap;
    Interval* frame;
    if (HasStackRoom(bytes)) {
        frame = static_cast<Interval*>(alloca(bytes));
    } else {
        heap.block = BudgetMalloc(bytes, false);
        frame = static_cast<Interval*>(heap.block);
        if (!frame)
            return UndefinedInterval;
    }
    for (int32_t i = 0; i < cells; ++i)
        frame[i] = i < n ? arguments[i] : UndefinedInterval;
    return RunIntervalNested(callee, frame, control);
}

// A weight with a NaN end counts as [0, 0].
bool WeightCounts(Interval weight)
{
    return !IsUndefinedInterval(weight) && !IntervalEquals(weight, kZero);
}

// The first value is taken as it is; from then on the running max and min
// take the larger and smaller ends.
void AddToMinMax(Interval& max, Interval& min, Interval value)
{
    max = IsUndefinedInterval(max) ? value : IntervalMax(max, value);
    min = IsUndefinedInterval(min) ? value : IntervalMin(min, value);
}

// Whether the loop counter of slot a certainly lies between start and limit.
bool CertainlyInLoop(const Interval* locals, int32_t a)
{
    Interval counter = locals[a];
    return IntervalEquals(IntervalGreaterEqual(counter, locals[a + 2]), TruthTrue) &&
           IntervalEquals(IntervalLessEqual(counter, locals[a + 1]), TruthTrue);
}

}  // namespace

Interval InterpretInterval(const BytecodeProgram* program, Interval* frame, RunControl& control)
{
    const ComplexValue* constants = nullptr;
    if (program->context) {
        constants = program->context->GetConstants(control);
        if (control.stopped)
            return UndefinedInterval;
    }
    const Instruction* code = program->instructions.storage;
    Interval* locals = frame + program->localBase;

    Interval fewCells[kFewCells];
    uint32_t stackBytes = static_cast<uint32_t>(std::max(program->maxStack, 1)) * sizeof(Interval);
    HeapCells heap;
    Interval* cells;
    if (program->maxStack <= kFewCells) {
        cells = fewCells;
    } else if (HasStackRoom(stackBytes)) {
        cells = static_cast<Interval*>(alloca(stackBytes));
    } else {
        heap.block = BudgetMalloc(stackBytes, false);
        cells = static_cast<Interval*>(heap.block);
        if (!cells) {
            ForgetLaterStores(code, frame, locals);
            return UndefinedInterval;
        }
    }

    const std::atomic<unsigned char>* stopRequest = control.stopRequest;
    const DocState* doc = program->doc;
    // The value on top lives apart from the cells beneath it; sp is the
    // first free cell.
    Interval top = UndefinedInterval;
    Interval* sp = cells;
    int32_t row = ToDataRow(frame[11].lo);
    GrowArray<int32_t> savedRows{};
    const Instruction* pc = code;

    for (;;) {
        int32_t a = pc->arg.a;
        int32_t b = pc->arg.b;
        const Instruction* next = pc + 1;
        switch (pc->opcode) {
        case OpPushNumber: *sp++ = top; top = Interval{pc->number, pc->number}; break;
        case OpLoadSlot: *sp++ = top; top = frame[a]; break;
        case OpLoadLocal: *sp++ = top; top = locals[a]; break;
        case OpLoadParameter:
            *sp++ = top;
            top = IntervalFromComplex(GetParameterValue(static_cast<uint32_t>(a), row, doc));
            break;
        case OpStoreSlot: frame[a] = top; break;
        case OpStoreLocal: locals[a] = top; break;
        case OpSwap: std::swap(top, sp[-1]); break;
        case OpDrop: top = *--sp; break;
        case OpLoadConstant: {
            *sp++ = top;
            double re = constants ? constants[a].re : NAN;
            top = Interval{re, re};
            break;
        }
        case OpAdd: --sp; top = IntervalAdd(*sp, top); break;
        case OpMultiply: --sp; top = IntervalMultiply(*sp, top); break;
        case OpDivide: --sp; top = IntervalDivide(*sp, top); break;
        case OpPower: --sp; top = IntervalPower(*sp, top); break;
        case OpAngle: --sp; top = IntervalAngle(top, *sp); break;  // x beneath, y on top
        case OpHypot: --sp; top = IntervalHypot(*sp, top); break;
        case OpInterval: --sp; top = Interval{sp->lo, top.hi}; break;
        case OpNegate: top = IntervalNegate(top); break;
        case OpAbs: top = IntervalAbs(top); break;
        case OpSign: top = IntervalSign(top); break;
        case OpSqrt: top = IntervalSqrt(top); break;
        case OpExp: top = IntervalExp(top); break;
        case OpLog10: top = IntervalLog10(top); break;
        case OpLn: top = IntervalLn(top); break;
        case OpFactorial: top = IntervalFactorial(top); break;
        case OpSquare: top = IntervalSquare(top); break;
        case OpSin: top = IntervalSin(top); break;
        case OpCos: top = IntervalCos(top); break;
        case OpTan: top = IntervalTan(top); break;
        case OpCot: top = IntervalCot(top); break;
        case OpSec: top = IntervalSec(top); break;
        case OpCsc: top = IntervalCsc(top); break;
        case OpAsin: top = IntervalAsin(top); break;
        case OpAcos: top = IntervalAcos(top); break;
        case OpAtan: top = IntervalAtan(top); break;
        case OpAcot: top = IntervalAcot(top); break;
        case OpAsec: top = IntervalAsec(top); break;
        case OpAcsc: top = IntervalAcsc(top); break;
        case OpSinh: top = IntervalSinh(top); break;
        case OpCosh: top = IntervalCosh(top); break;
        case OpTanh: top = IntervalTanh(top); break;
        case OpCoth: top = IntervalCoth(top); break;
        case OpSech: top = IntervalSech(top); break;
        case OpCsch: top = IntervalCsch(top); break;
        case OpAsinh: top = IntervalAsinh(top); break;
        case OpAcosh: top = IntervalAcosh(top); break;
        case OpAtanh: top = IntervalAtanh(top); break;
        case OpAcoth: top = IntervalAcoth(top); break;
        case OpAsech: top = IntervalAsech(top); break;
        case OpAcsch: top = IntervalAcsch(top); break;
        case OpLess:
        case OpGreater:
        case OpLeq:
        case OpGeq:
        case OpEqual:
        case OpNotEqual: {
            int32_t n = std::max(a, 1);
            sp -= n - 1;
            top = Chain(pc->opcode, sp, n, top);
            break;
        }
        case OpTextEqual: --sp; top = TextEqualsInterval(*sp, top); break;
        case OpTextNotEqual: --sp; top = TruthNot(TextEqualsInterval(*sp, top)); break;
        case OpAnd: --sp; top = TruthAnd(*sp, top); break;
        case OpOr: --sp; top = TruthOr(*sp, top); break;
        case OpNot: top = TruthNot(top); break;
        case OpRationalPower:
            // base, p, q with q on top.
            sp -= 2;
            top = IntervalRationalPower(sp[0], sp[1], top);
            break;
        case OpBesselJ: --sp; top = IntervalBesselJ(top, *sp); break;  // x beneath, the order on top
        case OpFloor: top = IntervalFloor(top); break;
        case OpCeil: top = IntervalCeil(top); break;
        case OpIf: --sp; top = IntervalEquals(top, TruthTrue) ? *sp : UndefinedInterval; break;
        case OpBranch:
            if (a <= 0) {
                *sp++ = top;
                top = UndefinedInterval;
            } else {
                sp -= 2 * a - 1;
                top = Piecewise(sp, a, top);
            }
            break;
        case OpImag:
        case OpArg: top = kZero; break;
        case OpInf: top = Interval{top.lo, top.lo}; break;
        case OpSup: top = Interval{top.hi, top.hi}; break;
        case OpImaginaryUnit: *sp++ = top; top = IntervalFromComplex(ComplexValue{0, 1}); break;
        case OpMod: --sp; top = IntervalMod(*sp, top); break;
        case OpMin: --sp; top = IntervalMin(*sp, top); break;
        case OpMax: --sp; top = IntervalMax(*sp, top); break;
        case OpClamp:
            // x, lo, hi with hi on top.
            sp -= 2;
            top = IntervalMax(IntervalMin(sp[0], top), sp[1]);
            break;
        case OpBinomial: --sp; top = IntervalBinomial(*sp, top); break;
        case OpFail:
            top = UndefinedInterval;
            ForgetLaterStores(next, frame, locals);
            goto done;
        case OpInterpolate1: top = EvalTableFunctionInterval1(static_cast<uint32_t>(a), top, doc); break;
        case OpInterpolate2:
            --sp;
            top = EvalTableFunctionInterval2(static_cast<uint32_t>(a), top, *sp, doc);
            break;
        case OpCallUser: {
            // The arguments in written order, the last one on top.
            int32_t n = std::max(a, 0);
            *sp = top;
            Interval* arguments = sp - (n - 1);
            Interval result = CallUserFunction(program, b, arguments, n, control);
            sp = n == 0 ? sp + 1 : arguments;
            top = result;
            if (control.stopped)
                goto done;
            break;
        }
        case OpSkipFalsePair:
            if (IntervalEquals(top, kZero)) {
                *sp++ = top;
                top = UndefinedInterval;
                int32_t seen;
                const Instruction* label = FindLabel(pc, a, b, &seen);
                if (!label)
                    goto done;
                next = label + 1;
            }
            break;
        case OpSkipRestPairs:
            if (sp != cells && IntervalEquals(sp[-1], TruthTrue)) {
                int32_t seen;
                const Instruction* label = FindLabel(pc, a, b, &seen);
                if (!label)
                    goto done;
                // The chosen pair moves down under an undefined pair for
                // every pair skipped.
                for (int32_t skipped = seen - 1; skipped > 0; --skipped) {
                    *sp++ = top;
                    *sp++ = UndefinedInterval;
                    top = UndefinedInterval;
                }
                next = label + 1;
            }
            break;
        case OpStoreAndDrop:
            locals[a] = top;
            top = *--sp;
            break;
        case OpLoopTest: {
            Interval counter = locals[a];
            Interval limit = locals[a + 1];
            if (IntervalEquals(IntervalGreater(counter, limit), TruthTrue)) {
                next = pc + b + 1;
            } else if (!IntervalEquals(IntervalLessEqual(IntervalSubtract(limit, counter), kLoopStepCap), TruthTrue)) {
                top = UndefinedInterval;
                next = pc + b + 1;
            }
            break;
        }
        case OpLoopEnd: {
            Interval counter = locals[a];
            Interval stepped = IntervalAdd(counter, kOne);
            // A counter too large to count by 1 ends the loop undefined.
            locals[a] = IntervalEquals(stepped, counter) ? UndefinedInterval : stepped;
            pc -= b;
            continue;  // the loop test makes the checks
        }
        case OpSumGuard:
        case OpProductGuard:
            // A term whose counter may lie outside the loop may be absent:
            // the result must then hold the sum's or product's neutral value.
            if (!CertainlyInLoop(locals, a))
                top = IntervalIncludePoint(top, pc->opcode == OpSumGuard ? 0 : 1);
            break;
        case OpRestoreRow:
            // A pop with nothing saved keeps the current row.
            if (savedRows.count > 0)
                row = savedRows[--savedRows.count];
            break;
        case OpRowFromCounter: row = ToDataRow(locals[a].lo); break;
        case OpAggregateWeighted: {
            // count, sum, value, weight
            Interval weight = top;
            Interval value = *--sp;
            top = *--sp;  // the sum
            if (WeightCounts(weight) && !IsUndefinedInterval(value)) {
                sp[-1] = IntervalAdd(sp[-1], weight);
                top = IntervalAdd(top, value);
            }
            break;
        }
        case OpAggregateStep: {
            // count, sum, value
            Interval value = top;
            top = *--sp;
            if (!IsUndefinedInterval(value)) {
                sp[-1] = IntervalAdd(sp[-1], kOne);
                top = IntervalAdd(top, value);
            }
            break;
        }
        case OpMinMaxWeighted: {
            // max, min, value, weight
            Interval weight = top;
            Interval value = *--sp;
            top = *--sp;  // the min
            if (WeightCounts(weight) && !IsUndefinedInterval(value))
                AddToMinMax(sp[-1], top, value);
            break;
        }
        case OpMinMaxStep: {
            // max, min, value
            Interval value = top;
            top = *--sp;
            if (!IsUndefinedInterval(value))
                AddToMinMax(sp[-1], top, value);
            break;
        }
        case OpBeginAggregate:
        case OpBeginMinMax: {
            // The running count and sum, or max and min, go on the stack.
            Interval start = pc->opcode == OpBeginAggregate ? kZero : UndefinedInterval;
            *sp++ = top;
            *sp++ = start;
            top = start;
            savedRows.Push(row);
            locals[a] = kOne;
            double limit = static_cast<double>(b) + 1;
            locals[a + 1] = Interval{limit, limit};
            break;
        }
        case OpSelectRow:
            savedRows.Push(row);
            row = ToDataRow(top.lo);
            top = *--sp;
            break;
        case OpEnd: goto done;
        default: break;  // 13, 70, 75, 86 and unknown opcodes do nothing
        }
        pc = next;
        if (IsUndefinedInterval(top) && sp != cells) {
            top = UndefinedInterval;
            // Inside a row aggregate the steps skip undefined values (and a
            // running min or max starts undefined): the run goes on there.
            if (!program->hasBranches && savedRows.count == 0) {
                ForgetLaterStores(pc, frame, locals);
                goto done;
            }
        }
        if (__builtin_expect(StopFlagsRaised(stopRequest) != 0, 0) && StopChecksFire(stopRequest)) {
            control.stopped = true;
            goto done;
        }
    }

done:
    savedRows.Clear();
    // Callers read the result as an ordinary interval: an exterior one is
    // handed over as the whole line that holds it.
    return IsExteriorInterval(top) ? kWholeLine : top;
}

}  // namespace VL_INTERPRETER_BUILD

#if defined(VL_INTERPRETER_V3)
#pragma GCC pop_options
#else

Interval RunIntervalNested(const BytecodeProgram* program, Interval* frame, RunControl& control)
{
#if defined(__x86_64__)
    if (InterpreterBuildFlag)
        return v3::InterpretInterval(program, frame, control);
#endif
    return baseline::InterpretInterval(program, frame, control);
}

Interval BytecodeProgram::RunInterval(Interval* frame) const
{
    RunControl control{&stopRequested, false};
    return RunIntervalNested(this, frame, control);
}

#endif
