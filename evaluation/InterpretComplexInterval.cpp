// The complex-interval interpreter. InterpretComplexIntervalV3.cpp compiles
// this file a second time for x86-64-v3; the headers come first, so shared
// inline code stays baseline code and only the functions defined here take
// the wider set. The arithmetic itself is the complex-interval library's.
#include "evaluation/InterpretComplexInterval.h"

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/ParameterValue.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileContext.h"
#include "evaluation/ComplexIntervalLibrary.h"
#include "evaluation/GridEvalState.h"
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
constexpr ComplexInterval kLoopStepCap{{100000, 100000}, {0, 0}};
// Value stacks up to this many cells live in the interpreter's own frame.
constexpr int32_t kFewCells = 16;
constexpr ComplexInterval kZero{{0, 0}, {0, 0}};
constexpr ComplexInterval kOne{{1, 1}, {0, 0}};

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
void ForgetLaterStores(const Instruction* pc, ComplexInterval* frame, ComplexInterval* locals)
{
    for (; pc->opcode != OpEnd; ++pc) {
        if (pc->opcode == OpStoreSlot)
            frame[pc->arg.a] = UndefinedComplexInterval;
        else if (pc->opcode == OpStoreLocal)
            locals[pc->arg.a] = UndefinedComplexInterval;
    }
}

ComplexInterval GridPart(const GridEvalState* grid, int32_t axis, int32_t a)
{
    if (!grid || !grid->parts)
        return UndefinedComplexInterval;
    int64_t xCells = static_cast<int64_t>(grid->nX) * grid->nx;
    int64_t cell;
    if (axis == 0)
        cell = static_cast<int64_t>(a) * grid->nx + grid->curI;
    else if (axis == 1)
        cell = xCells + static_cast<int64_t>(a) * grid->ny + grid->curJ;
    else
        cell = xCells + static_cast<int64_t>(grid->nY) * grid->ny + static_cast<int64_t>(a) * grid->nz + grid->curK;
    return static_cast<const ComplexInterval*>(grid->parts)[cell];
}

ComplexInterval PointOf(ComplexValue c)
{
    return {{c.re, c.re}, {c.im, c.im}};
}

bool IsExactly(ComplexInterval z, ComplexInterval truth)
{
    return ComplexIntervalEquals(z, truth);
}

// The relation chain over values[0 .. n-2] and top: the top two operands
// first, then each further operand, walking down, with the one above it,
// combined with ComplexIntervalAnd.
ComplexInterval Chain(int32_t opcode, const ComplexInterval* values, int32_t n, ComplexInterval top)
{
    ComplexInterval result = ComplexIntervalTrue;
    ComplexInterval upper = top;
    for (int32_t i = n - 2; i >= 0; --i) {
        ComplexInterval lower = values[i];
        ComplexInterval holds;
        switch (opcode) {
        case OpLess: holds = ComplexIntervalLess(lower, upper); break;
        case OpGreater: holds = ComplexIntervalGreater(lower, upper); break;
        case OpLeq: holds = ComplexIntervalLessEqual(lower, upper); break;
        case OpGeq: holds = ComplexIntervalGreaterEqual(lower, upper); break;
        case OpEqual: holds = ComplexIntervalEqualTruth(lower, upper); break;
        default: holds = ComplexIntervalNot(ComplexIntervalEqualTruth(lower, upper)); break;
        }
        result = ComplexIntervalAnd(holds, result);
        upper = lower;
    }
    return result;
}

// The piecewise choice over n (condition, value) pairs at pairs[0 .. 2n-2]
// and top, the last pair taken first. A certainly true condition overrides
// every pair written after it, an undecided one widens the result to the
// rectangle holding its value too, and a false or undefined one never
// contributes.
ComplexInterval Piecewise(const ComplexInterval* pairs, int32_t n, ComplexInterval top)
{
    ComplexInterval result = UndefinedComplexInterval;
    ComplexInterval acc = kZero;
    for (int32_t j = n - 1; j >= 0; --j) {
        ComplexInterval c = pairs[2 * j];
        ComplexInterval v = j == n - 1 ? top : pairs[2 * j + 1];
        if (IsUndefinedComplexInterval(c) || IsExactly(c, kZero))
            continue;  // acc Or false leaves acc as it is
        if (IsExactly(acc, kZero) || IsExactly(c, ComplexIntervalTrue))
            result = v;
        else
            result = ComplexIntervalUnion(result, v);
        acc = ComplexIntervalOr(acc, c);
    }
    return result;
}

// Opcode 85: runs user function index on a fresh frame holding the n
// arguments. Its own function, so that the frame's stack space goes back
// after every call.
__attribute__((noinline)) ComplexInterval CallUserFunction(const BytecodeProgram* caller, int32_t index,
                                                           const ComplexInterval* arguments, int32_t n,
                                                           RunControl& control)
{
    const BytecodeProgram* callee = UserFunctionCallee(caller->doc, index, n);
    // Each level of recursion uses machine stack: stop short of its end.
    if (!callee || !HasStackRoom(0))
        return UndefinedComplexInterval;
    int32_t cells = std::max(n, kCallFrameFixedSlots + callee->localCount);
    uint32_t bytes = static_cast<uint32_t>(cells) * sizeof(ComplexInterval);
    HeapCells heap;
    ComplexInterval* frame;
    if (HasStackRoom(bytes)) {
        frame = static_cast<ComplexInterval*>(alloca(bytes));
    } else {
        heap.block = BudgetMalloc(bytes, false);
        frame = static_cast<ComplexInterval*>(heap.block);
        if (!frame)
            return UndefinedComplexInterval;
    }
    for (int32_t i = 0; i < cells; ++i)
        frame[i] = i < n ? arguments[i] : UndefinedComplexInterval;
    return RunComplexIntervalNested(callee, frame, nullptr, control);
}

// A weight with a NaN bound counts as zero.
bool WeightCounts(ComplexInterval weight)
{
    return !IsUndefinedComplexInterval(weight) && ComplexIntervalDiffers(weight, kZero);
}

// The first value is taken as it is; from then on a value or running value
// that is not real makes the running max and min undefined.
void AddToMinMax(ComplexInterval& max, ComplexInterval& min, ComplexInterval value)
{
    max = IsUndefinedComplexInterval(max) ? value : ComplexIntervalMax(max, value);
    min = IsUndefinedComplexInterval(min) ? value : ComplexIntervalMin(min, value);
}

// Whether the loop counter of slot a certainly lies between start and limit.
bool CertainlyInLoop(const ComplexInterval* locals, int32_t a)
{
    ComplexInterval counter = locals[a];
    return IsExactly(ComplexIntervalGreaterEqual(counter, locals[a + 2]), ComplexIntervalTrue) &&
           IsExactly(ComplexIntervalLessEqual(counter, locals[a + 1]), ComplexIntervalTrue);
}

}  // namespace

ComplexInterval InterpretComplexInterval(const BytecodeProgram* program, ComplexInterval* frame,
                                         const GridEvalState* grid, RunControl& control)
{
    const ComplexValue* constants = nullptr;
    if (program->context) {
        constants = program->context->GetConstants(control);
        if (control.stopped)
            return UndefinedComplexInterval;
    }
    const Instruction* code = program->instructions.storage;
    ComplexInterval* locals = frame + program->localBase;

    ComplexInterval fewCells[kFewCells];
    uint32_t stackBytes = static_cast<uint32_t>(std::max(program->maxStack, 1)) * sizeof(ComplexInterval);
    HeapCells heap;
    ComplexInterval* cells;
    if (program->maxStack <= kFewCells) {
        cells = fewCells;
    } else if (HasStackRoom(stackBytes)) {
        cells = static_cast<ComplexInterval*>(alloca(stackBytes));
    } else {
        heap.block = BudgetMalloc(stackBytes, false);
        cells = static_cast<ComplexInterval*>(heap.block);
        if (!cells) {
            ForgetLaterStores(code, frame, locals);
            return UndefinedComplexInterval;
        }
    }

    const std::atomic<unsigned char>* stopRequest = control.stopRequest;
    const DocState* doc = program->doc;
    // The value on top lives apart from the cells beneath it; sp is the
    // first free cell.
    ComplexInterval top = UndefinedComplexInterval;
    ComplexInterval* sp = cells;
    int32_t row = ToDataRow(ComplexIntervalRealValue(frame[11]));
    GrowArray<int32_t> savedRows{};
    const Instruction* pc = code;

    for (;;) {
        int32_t a = pc->arg.a;
        int32_t b = pc->arg.b;
        const Instruction* next = pc + 1;
        switch (pc->opcode) {
        case OpPushNumber: *sp++ = top; top = {{pc->number, pc->number}, {0, 0}}; break;
        case OpLoadSlot: *sp++ = top; top = frame[a]; break;
        case OpLoadLocal: *sp++ = top; top = locals[a]; break;
        case OpLoadParameter:
            *sp++ = top;
            top = PointOf(GetParameterValue(static_cast<uint32_t>(a), row, doc));
            break;
        case OpStoreSlot: frame[a] = top; break;
        case OpStoreLocal: locals[a] = top; break;
        case OpSwap: std::swap(top, sp[-1]); break;
        case OpDrop: top = *--sp; break;
        case OpLoadXPart:
        case OpLoadYPart:
        case OpLoadZPart:
            *sp++ = top;
            top = GridPart(grid, pc->opcode - OpLoadXPart, a);
            break;
        case OpLoadConstant: *sp++ = top; top = constants ? PointOf(constants[a]) : UndefinedComplexInterval; break;
        case OpAdd: --sp; top = ComplexIntervalAdd(*sp, top); break;
        case OpMultiply: --sp; top = ComplexIntervalMultiply(*sp, top); break;
        case OpDivide: --sp; top = ComplexIntervalDivide(*sp, top); break;
        case OpPower: --sp; top = ComplexIntervalPow(*sp, top); break;
        case OpAngle: --sp; top = ComplexIntervalAtan2Positive(*sp, top); break;
        case OpHypot: --sp; top = ComplexIntervalHypot(*sp, top); break;
        case OpInterval: --sp; top = ComplexIntervalSpan(*sp, top); break;
        case OpNegate: top = ComplexIntervalNegate(top); break;
        case OpAbs: top = ComplexIntervalFromInterval(ComplexIntervalAbs(top)); break;
        case OpSign: top = ComplexIntervalSign(top); break;
        case OpSqrt: top = ComplexIntervalSqrt(top); break;
        case OpExp: top = ComplexIntervalExp(top); break;
        case OpLog10: top = ComplexIntervalLog10(top); break;
        case OpLn: top = ComplexIntervalLog(top); break;
        case OpFactorial: top = ComplexIntervalFactorial(top); break;
        case OpSquare: top = ComplexIntervalSquare(top); break;
        case OpSin: top = ComplexIntervalSin(top); break;
        case OpCos: top = ComplexIntervalCos(top); break;
        case OpTan: top = ComplexIntervalTan(top); break;
        case OpCot: top = ComplexIntervalCot(top); break;
        case OpSec: top = ComplexIntervalSec(top); break;
        case OpCsc: top = ComplexIntervalCsc(top); break;
        case OpAsin: top = ComplexIntervalAsin(top); break;
        case OpAcos: top = ComplexIntervalAcos(top); break;
        case OpAtan: top = ComplexIntervalAtan(top); break;
        case OpAcot: top = ComplexIntervalAcot(top); break;
        case OpAsec: top = ComplexIntervalAsec(top); break;
        case OpAcsc: top = ComplexIntervalAcsc(top); break;
        case OpSinh: top = ComplexIntervalSinh(top); break;
        case OpCosh: top = ComplexIntervalCosh(top); break;
        case OpTanh: top = ComplexIntervalTanh(top); break;
        case OpCoth: top = ComplexIntervalCoth(top); break;
        case OpSech: top = ComplexIntervalSech(top); break;
        case OpCsch: top = ComplexIntervalCsch(top); break;
        case OpAsinh: top = ComplexIntervalAsinh(top); break;
        case OpAcosh: top = ComplexIntervalAcosh(top); break;
        case OpAtanh: top = ComplexIntervalAtanh(top); break;
        case OpAcoth: top = ComplexIntervalAcoth(top); break;
        case OpAsech: top = ComplexIntervalAsech(top); break;
        case OpAcsch: top = ComplexIntervalAcsch(top); break;
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
        case OpTextEqual: --sp; top = TextEqualsComplexInterval(*sp, top); break;
        case OpTextNotEqual: --sp; top = ComplexIntervalNot(TextEqualsComplexInterval(*sp, top)); break;
        case OpAnd: --sp; top = ComplexIntervalAnd(*sp, top); break;
        case OpOr: --sp; top = ComplexIntervalOr(*sp, top); break;
        case OpNot: top = ComplexIntervalNot(top); break;
        case OpRationalPower:
            // base, p, q with q on top.
            sp -= 2;
            top = ComplexIntervalRationalPower(sp[0], sp[1], top);
            break;
        case OpBesselJ: --sp; top = ComplexIntervalBesselJ(top, *sp); break;  // x beneath, the order on top
        case OpFloor: top = ComplexIntervalFloor(top); break;
        case OpCeil: top = ComplexIntervalCeil(top); break;
        case OpIf: --sp; top = IsExactly(top, ComplexIntervalTrue) ? *sp : UndefinedComplexInterval; break;
        case OpBranch:
            if (a <= 0) {
                *sp++ = top;
                top = UndefinedComplexInterval;
            } else {
                sp -= 2 * a - 1;
                top = Piecewise(sp, a, top);
            }
            break;
        case OpReal: top = ComplexIntervalRealPart(top); break;
        case OpImag: top = ComplexIntervalImagPart(top); break;
        case OpInf: top = ComplexIntervalInf(top); break;
        case OpSup: top = ComplexIntervalSup(top); break;
        case OpArg: top = ComplexIntervalFromInterval(ComplexIntervalArg(top)); break;
        case OpConjugate: top = ComplexIntervalConjugate(top); break;
        case OpImaginaryUnit: *sp++ = top; top = {{0, 0}, {1, 1}}; break;
        case OpMod: --sp; top = ComplexIntervalMod(*sp, top); break;
        case OpMin: --sp; top = ComplexIntervalMin(*sp, top); break;
        case OpMax: --sp; top = ComplexIntervalMax(*sp, top); break;
        case OpClamp:
            // x, lo, hi with hi on top.
            sp -= 2;
            top = ComplexIntervalMax(ComplexIntervalMin(sp[0], top), sp[1]);
            break;
        case OpBinomial: --sp; top = ComplexIntervalBinomial(*sp, top); break;
        case OpFail:
            top = UndefinedComplexInterval;
            ForgetLaterStores(next, frame, locals);
            goto done;
        case OpInterpolate1: top = EvalTableFunctionComplexInterval1(static_cast<uint32_t>(a), top, doc); break;
        case OpInterpolate2:
            --sp;
            top = EvalTableFunctionComplexInterval2(static_cast<uint32_t>(a), top, *sp, doc);
            break;
        case OpCallUser: {
            // The arguments in written order, the last one on top.
            int32_t n = std::max(a, 0);
            *sp = top;
            ComplexInterval* arguments = sp - (n - 1);
            ComplexInterval result = CallUserFunction(program, b, arguments, n, control);
            sp = n == 0 ? sp + 1 : arguments;
            top = result;
            if (control.stopped)
                goto done;
            break;
        }
        case OpSkipFalsePair:
            if (IsExactly(top, ComplexIntervalFalse)) {
                *sp++ = top;
                top = UndefinedComplexInterval;
                int32_t seen;
                const Instruction* label = FindLabel(pc, a, b, &seen);
                if (!label)
                    goto done;
                next = label + 1;
            }
            break;
        case OpSkipRestPairs:
            if (sp != cells && IsExactly(sp[-1], ComplexIntervalTrue)) {
                int32_t seen;
                const Instruction* label = FindLabel(pc, a, b, &seen);
                if (!label)
                    goto done;
                // The chosen pair moves down under an undefined pair for
                // every pair skipped.
                for (int32_t skipped = seen - 1; skipped > 0; --skipped) {
                    *sp++ = top;
                    *sp++ = UndefinedComplexInterval;
                    top = UndefinedComplexInterval;
                }
                next = label + 1;
            }
            break;
        case OpStoreAndDrop:
            locals[a] = top;
            top = *--sp;
            break;
        case OpLoopTest: {
            ComplexInterval counter = ComplexIntervalRealPart(locals[a]);
            ComplexInterval limit = ComplexIntervalRealPart(locals[a + 1]);
            if (IsExactly(ComplexIntervalGreater(counter, limit), ComplexIntervalTrue)) {
                next = pc + b + 1;
            } else if (!IsExactly(ComplexIntervalLessEqual(ComplexIntervalSubtract(limit, counter), kLoopStepCap),
                                  ComplexIntervalTrue)) {
                top = UndefinedComplexInterval;
                next = pc + b + 1;
            }
            break;
        }
        case OpLoopEnd: {
            ComplexInterval counter = locals[a];
            ComplexInterval stepped = ComplexIntervalAdd(counter, kOne);
            // A counter too large to count by 1 ends the loop undefined.
            locals[a] = ComplexIntervalEquals(stepped, counter) ? UndefinedComplexInterval : stepped;
            pc -= b;
            continue;  // the loop test makes the checks
        }
        case OpSumGuard:
            // A term whose counter may lie outside the loop may be absent:
            // the result must then hold the sum's neutral value.
            if (!CertainlyInLoop(locals, a))
                top = ComplexIntervalIncludeReal(top, 0);
            break;
        case OpProductGuard:
            // An absent factor is 1 + 0i.
            if (!CertainlyInLoop(locals, a))
                top = {IntervalIncludePoint(top.re, 1), IntervalIncludePoint(top.im, 0)};
            break;
        case OpRestoreRow:
            // A pop with nothing saved keeps the current row.
            if (savedRows.count > 0)
                row = savedRows[--savedRows.count];
            break;
        case OpRowFromCounter: row = ToDataRow(ComplexIntervalRealValue(locals[a])); break;
        case OpAggregateWeighted: {
            // count, sum, value, weight
            ComplexInterval weight = top;
            ComplexInterval value = *--sp;
            top = *--sp;  // the sum
            if (WeightCounts(weight) && !IsUndefinedComplexInterval(value)) {
                sp[-1] = ComplexIntervalAdd(sp[-1], weight);
                top = ComplexIntervalAdd(top, value);
            }
            break;
        }
        case OpAggregateStep: {
            // count, sum, value
            ComplexInterval value = top;
            top = *--sp;
            if (!IsUndefinedComplexInterval(value)) {
                sp[-1] = ComplexIntervalAdd(sp[-1], kOne);
                top = ComplexIntervalAdd(top, value);
            }
            break;
        }
        case OpMinMaxWeighted: {
            // max, min, value, weight
            ComplexInterval weight = top;
            ComplexInterval value = *--sp;
            top = *--sp;  // the min
            if (WeightCounts(weight) && !IsUndefinedComplexInterval(value))
                AddToMinMax(sp[-1], top, value);
            break;
        }
        case OpMinMaxStep: {
            // max, min, value
            ComplexInterval value = top;
            top = *--sp;
            if (!IsUndefinedComplexInterval(value))
                AddToMinMax(sp[-1], top, value);
            break;
        }
        case OpBeginAggregate:
        case OpBeginMinMax: {
            // The running count and sum, or max and min, go on the stack.
            ComplexInterval start = pc->opcode == OpBeginAggregate ? kZero : UndefinedComplexInterval;
            *sp++ = top;
            *sp++ = start;
            top = start;
            savedRows.Push(row);
            locals[a] = kOne;
            double limit = static_cast<double>(b) + 1;
            locals[a + 1] = {{limit, limit}, {0, 0}};
            break;
        }
        case OpSelectRow:
            savedRows.Push(row);
            row = ToDataRow(ComplexIntervalRealValue(top));
            top = *--sp;
            break;
        case OpEnd: goto done;
        default: break;  // 13, 86 and unknown opcodes do nothing
        }
        pc = next;
        if (IsUndefinedComplexInterval(top) && sp != cells) {
            top = UndefinedComplexInterval;
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
    return top;
}

}  // namespace VL_INTERPRETER_BUILD

#if defined(VL_INTERPRETER_V3)
#pragma GCC pop_options
#else

ComplexInterval RunComplexIntervalNested(const BytecodeProgram* program, ComplexInterval* frame,
                                         const GridEvalState* grid, RunControl& control)
{
#if defined(__x86_64__)
    if (InterpreterBuildFlag)
        return v3::InterpretComplexInterval(program, frame, grid, control);
#endif
    return baseline::InterpretComplexInterval(program, frame, grid, control);
}

ComplexInterval BytecodeProgram::RunComplexInterval(ComplexInterval* frame) const
{
    RunControl control{&stopRequested, false};
    return RunComplexIntervalNested(this, frame, nullptr, control);
}

#endif
