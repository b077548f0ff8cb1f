// The complex interpreter. InterpretComplexV3.cpp compiles this file a second
// time for x86-64-v3; the headers come first, so shared inline code stays
// baseline code and only the functions defined here take the wider set.
#include "evaluation/InterpretComplex.h"

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/ParameterValue.h"
#include "evaluation/BranchLabel.h"
#include "evaluation/BudgetBlock.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileContext.h"
#include "evaluation/ComplexLibrary.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/InterpreterBuild.h"
#include "evaluation/RealLibrary.h"
#include "evaluation/RunControl.h"
#include "evaluation/UserFunctionCall.h"
#include "formula/FormulaEngine.h"

#include <alloca.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "evaluation/InterpreterTarget.h"

namespace VL_INTERPRETER_BUILD {
namespace {

// A loop with more steps left than this yields undefined.
constexpr double kLoopStepCap = 100000;
// Value stacks up to this many cells live in the interpreter's own frame.
constexpr int32_t kFewCells = 16;
constexpr ComplexValue kZero{0, 0};
constexpr ComplexValue kOne{1, 0};

// A run that ends before its end writes undefined into every slot the rest
// of the program would have stored: a later program of the batch reads the
// computed slots and shared subexpressions, and must find this point's
// undefined value there, not the last point's.
void ForgetLaterStores(const Instruction* pc, ComplexValue* frame, ComplexValue* locals)
{
    for (; pc->opcode != OpEnd; ++pc) {
        if (pc->opcode == OpStoreSlot)
            frame[pc->arg.a] = UndefinedComplex;
        else if (pc->opcode == OpStoreLocal)
            locals[pc->arg.a] = UndefinedComplex;
    }
}

ComplexValue GridPart(const GridEvalState* grid, int32_t axis, int32_t a)
{
    int64_t cell = grid ? PartCell(*grid, axis, a) : -1;
    return cell < 0 ? UndefinedComplex : static_cast<const ComplexValue*>(grid->parts)[cell];
}

// Table functions take real arguments only.
ComplexValue EvalTableFunctionComplex1(uint32_t id, ComplexValue x, const DocState* doc)
{
    if (!IsRealComplex(x))
        return UndefinedComplex;
    return ComplexValue{EvalTableFunctionReal1(id, x.re, doc), 0};
}

ComplexValue EvalTableFunctionComplex2(uint32_t id, ComplexValue a, ComplexValue b, const DocState* doc)
{
    if (!IsRealComplex(a) || !IsRealComplex(b))
        return UndefinedComplex;
    return ComplexValue{EvalTableFunctionReal2(id, a.re, b.re, doc), 0};
}

// The relation chain over values[0 .. n-2] and top: the pair relations
// combined with And, from the top pair down.
ComplexValue Chain(int32_t opcode, const ComplexValue* values, int32_t n, ComplexValue top)
{
    ComplexValue result = kOne;
    ComplexValue upper = top;
    for (int32_t i = n - 2; i >= 0; --i) {
        ComplexValue lower = values[i];
        ComplexValue holds;
        switch (opcode) {
        case OpLess: holds = ComplexLess(lower, upper); break;
        case OpGreater: holds = ComplexGreater(lower, upper); break;
        case OpLeq: holds = ComplexLessEqual(lower, upper); break;
        case OpGeq: holds = ComplexGreaterEqual(lower, upper); break;
        case OpEqual: holds = ComplexEqualTruth(lower, upper); break;
        default: holds = ComplexNot(ComplexEqualTruth(lower, upper)); break;
        }
        result = ComplexAnd(holds, result);
        upper = lower;
    }
    return result;
}

// The piecewise choice over n (condition, value) pairs at pairs[0 .. 2n-2]
// and top, the last pair taken first. A condition with a NaN part counts as
// 0; one that is not 0 but not exactly 1 chooses only when no later pair
// holds.
ComplexValue Piecewise(const ComplexValue* pairs, int32_t n, ComplexValue top)
{
    ComplexValue result = UndefinedComplex;
    ComplexValue acc = kZero;
    for (int32_t j = n - 1; j >= 0; --j) {
        ComplexValue c = pairs[2 * j];
        ComplexValue v = j == n - 1 ? top : pairs[2 * j + 1];
        if (ComplexDiffers(c, c))
            c = kZero;
        if (!ComplexDiffers(c, kZero))
            continue;  // acc Or 0 leaves a truth value as it is
        result = !ComplexDiffers(acc, kZero) || IsTrueComplex(c) ? v : UndefinedComplex;
        acc = ComplexOr(acc, c);
    }
    return result;
}

// The running count and sum of a row aggregate take a value with no NaN part.
void AddToAggregate(ComplexValue& count, ComplexValue& sum, ComplexValue weight, ComplexValue value)
{
    count = ComplexValue{count.re + weight.re, count.im + weight.im};
    sum = ComplexValue{sum.re + value.re, sum.im + value.im};
}

// The first value is taken as it is; from then on a value or running value
// that is not real makes the running max and min undefined.
void AddToMinMax(ComplexValue& max, ComplexValue& min, ComplexValue value)
{
    max = HasNaNPart(max) ? value : ComplexMax(max, value);
    min = HasNaNPart(min) ? value : ComplexMin(min, value);
}

// A weight with a NaN part counts as 0.
bool WeightCounts(ComplexValue weight)
{
    return !HasNaNPart(weight) && ComplexDiffers(weight, kZero);
}

}  // namespace

ComplexValue InterpretComplex(const BytecodeProgram* program, ComplexValue* frame, const GridEvalState* grid,
                              RunControl& control)
{
    const ComplexValue* constants = nullptr;
    if (program->context) {
        constants = program->context->GetConstants(control);
        if (control.stopped)
            return UndefinedComplex;
    }
    const Instruction* code = program->instructions.storage;
    ComplexValue* locals = frame + program->localBase;

    ComplexValue fewCells[kFewCells];
    uint32_t stackBytes = static_cast<uint32_t>(std::max(program->maxStack, 1)) * sizeof(ComplexValue);
    BudgetBlock heap;
    ComplexValue* cells;
    if (program->maxStack <= kFewCells) {
        cells = fewCells;
    } else if (HasStackRoom(stackBytes)) {
        cells = static_cast<ComplexValue*>(alloca(stackBytes));
    } else {
        heap.block = BudgetMalloc(stackBytes, false);
        cells = static_cast<ComplexValue*>(heap.block);
        if (!cells) {
            ForgetLaterStores(code, frame, locals);
            return UndefinedComplex;
        }
    }

    const std::atomic<unsigned char>* stopRequest = control.stopRequest;
    const DocState* doc = program->doc;
    // The value on top lives apart from the cells beneath it; sp is the
    // first free cell.
    ComplexValue top = UndefinedComplex;
    ComplexValue* sp = cells;
    int32_t row = ToDataRow(ComplexToReal(frame[11]));
    GrowArray<int32_t> savedRows{};
    const Instruction* pc = code;

    for (;;) {
        int32_t a = pc->arg.a;
        int32_t b = pc->arg.b;
        const Instruction* next = pc + 1;
        switch (pc->opcode) {
        case OpPushNumber: *sp++ = top; top = ComplexValue{pc->number, 0}; break;
        case OpLoadSlot: *sp++ = top; top = frame[a]; break;
        case OpLoadLocal: *sp++ = top; top = locals[a]; break;
        case OpLoadParameter:
            *sp++ = top;
            top = GetParameterValue(static_cast<uint32_t>(a), row, doc);
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
        case OpLoadConstant: *sp++ = top; top = constants ? constants[a] : UndefinedComplex; break;
        case OpAdd: --sp; top = ComplexValue{sp->re + top.re, sp->im + top.im}; break;
        case OpMultiply: --sp; top = ComplexMultiply(*sp, top); break;
        case OpDivide: --sp; top = ComplexDivide(*sp, top); break;
        case OpPower: --sp; top = ComplexPow(*sp, top); break;
        case OpAngle: --sp; top = ComplexAtan2Positive(*sp, top); break;
        case OpHypot: --sp; top = ComplexHypot(*sp, top); break;
        case OpInterval: --sp; break;
        case OpNegate: top = ComplexValue{-top.re, -top.im}; break;
        case OpAbs: top = ComplexValue{ComplexAbs(top), 0}; break;
        case OpSign: top = ComplexSign(top); break;
        case OpSqrt: top = ComplexSqrt(top); break;
        case OpExp: top = ComplexExp(top); break;
        case OpLog10: top = ComplexLog10(top); break;
        case OpLn: top = ComplexLog(top); break;
        case OpFactorial: top = ComplexFactorial(top); break;
        case OpSquare: top = ComplexSquare(top); break;
        case OpSin: top = ComplexSin(top); break;
        case OpCos: top = ComplexCos(top); break;
        case OpTan: top = ComplexTan(top); break;
        case OpCot: top = ComplexCot(top); break;
        case OpSec: top = ComplexSec(top); break;
        case OpCsc: top = ComplexCsc(top); break;
        case OpAsin: top = ComplexAsin(top); break;
        case OpAcos: top = ComplexAcos(top); break;
        case OpAtan: top = ComplexAtan(top); break;
        case OpAcot: top = ComplexAcot(top); break;
        case OpAsec: top = ComplexAsec(top); break;
        case OpAcsc: top = ComplexAcsc(top); break;
        case OpSinh: top = ComplexSinh(top); break;
        case OpCosh: top = ComplexCosh(top); break;
        case OpTanh: top = ComplexTanh(top); break;
        case OpCoth: top = ComplexCoth(top); break;
        case OpSech: top = ComplexSech(top); break;
        case OpCsch: top = ComplexCsch(top); break;
        case OpAsinh: top = ComplexAsinh(top); break;
        case OpAcosh: top = ComplexAcosh(top); break;
        case OpAtanh: top = ComplexAtanh(top); break;
        case OpAcoth: top = ComplexAcoth(top); break;
        case OpAsech: top = ComplexAsech(top); break;
        case OpAcsch: top = ComplexAcsch(top); break;
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
        case OpTextEqual: --sp; top = TextEqualsComplex(*sp, top); break;
        case OpTextNotEqual: --sp; top = ComplexNot(TextEqualsComplex(*sp, top)); break;
        case OpAnd: --sp; top = ComplexAnd(*sp, top); break;
        case OpOr: --sp; top = ComplexOr(*sp, top); break;
        case OpNot: top = ComplexNot(top); break;
        case OpRationalPower:
            // base, p, q with q on top.
            sp -= 2;
            top = ComplexRationalPower(sp[0], sp[1], top);
            break;
        case OpBesselJ: --sp; top = ComplexBesselJ(top, *sp); break;  // x beneath, the order on top
        case OpFloor: top = ComplexFloor(top); break;
        case OpCeil: top = ComplexCeil(top); break;
        case OpIf: --sp; top = IsTrueComplex(top) ? *sp : UndefinedComplex; break;
        case OpBranch:
            if (a <= 0) {
                *sp++ = top;
                top = UndefinedComplex;
            } else {
                sp -= 2 * a - 1;
                top = Piecewise(sp, a, top);
            }
            break;
        case OpReal: top = ComplexValue{top.re, 0}; break;
        case OpImag: top = ComplexValue{top.im, 0}; break;
        case OpArg: top = ComplexValue{std::atan2(top.im, top.re), 0}; break;
        case OpConjugate: top = ComplexValue{top.re, -top.im}; break;
        case OpImaginaryUnit: *sp++ = top; top = ComplexValue{0, 1}; break;
        case OpMod: --sp; top = ComplexMod(*sp, top); break;
        case OpMin: --sp; top = ComplexMin(*sp, top); break;
        case OpMax: --sp; top = ComplexMax(*sp, top); break;
        case OpClamp:
            // x, lo, hi with hi on top.
            sp -= 2;
            top = ComplexMax(ComplexMin(sp[0], top), sp[1]);
            break;
        case OpBinomial: --sp; top = ComplexBinomial(*sp, top); break;
        case OpFail:
            top = UndefinedComplex;
            ForgetLaterStores(next, frame, locals);
            goto done;
        case OpInterpolate1: top = EvalTableFunctionComplex1(static_cast<uint32_t>(a), top, doc); break;
        case OpInterpolate2:
            --sp;
            top = EvalTableFunctionComplex2(static_cast<uint32_t>(a), top, *sp, doc);
            break;
        case OpCallUser: {
            // The arguments in written order, the last one on top.
            int32_t n = std::max(a, 0);
            *sp = top;
            ComplexValue* arguments = sp - (n - 1);
            ComplexValue result = CallUserFunction(program, b, arguments, n, UndefinedComplex,
                                                   [&control](const BytecodeProgram* callee, ComplexValue* calleeFrame) {
                                                       return RunComplexInBuild(callee, calleeFrame, nullptr, control);
                                                   });
            sp = n == 0 ? sp + 1 : arguments;
            top = result;
            if (control.stopped)
                goto done;
            break;
        }
        case OpSkipFalsePair:
            if (top.re == 0 && top.im == 0) {
                *sp++ = top;
                top = UndefinedComplex;
                int32_t seen;
                const Instruction* label = FindLabel(pc, a, b, &seen);
                if (!label)
                    goto done;
                next = label + 1;
            }
            break;
        case OpSkipRestPairs:
            if (sp != cells && IsTrueComplex(sp[-1])) {
                int32_t seen;
                const Instruction* label = FindLabel(pc, a, b, &seen);
                if (!label)
                    goto done;
                // The chosen pair moves down under an undefined pair for
                // every pair skipped.
                for (int32_t skipped = seen - 1; skipped > 0; --skipped) {
                    *sp++ = top;
                    *sp++ = UndefinedComplex;
                    top = UndefinedComplex;
                }
                next = label + 1;
            }
            break;
        case OpStoreAndDrop:
            locals[a] = top;
            top = *--sp;
            break;
        case OpLoopTest: {
            // Real parts only: imaginary parts play no part here.
            double counter = locals[a].re;
            double limit = locals[a + 1].re;
            if (counter > limit) {
                next = pc + b + 1;
            } else if (!(limit - counter <= kLoopStepCap)) {
                top = UndefinedComplex;
                next = pc + b + 1;
            }
            break;
        }
        case OpLoopEnd: {
            ComplexValue counter = locals[a];
            ComplexValue stepped{counter.re + 1, counter.im + 0};
            // A counter too large to count by 1 ends the loop undefined.
            locals[a] = ComplexEquals(stepped, counter) ? UndefinedComplex : stepped;
            pc -= b;
            continue;  // the loop test makes the checks
        }
        case OpSumGuard:
        case OpProductGuard: {
            ComplexValue counter = locals[a];
            if (!IsTrueComplex(ComplexGreaterEqual(counter, locals[a + 2])) ||
                !IsTrueComplex(ComplexLessEqual(counter, locals[a + 1])))
                top = UndefinedComplex;
            break;
        }
        case OpRestoreRow:
            // A pop with nothing saved keeps the current row.
            if (savedRows.count > 0)
                row = savedRows[--savedRows.count];
            break;
        case OpRowFromCounter: row = ToDataRow(ComplexToReal(locals[a])); break;
        case OpAggregateWeighted: {
            // count, sum, value, weight
            ComplexValue weight = top;
            ComplexValue value = *--sp;
            top = *--sp;  // the sum
            if (WeightCounts(weight) && !HasNaNPart(value))
                AddToAggregate(sp[-1], top, weight, value);
            break;
        }
        case OpAggregateStep: {
            // count, sum, value
            ComplexValue value = top;
            top = *--sp;
            if (!HasNaNPart(value))
                AddToAggregate(sp[-1], top, kOne, value);
            break;
        }
        case OpMinMaxWeighted: {
            // max, min, value, weight
            ComplexValue weight = top;
            ComplexValue value = *--sp;
            top = *--sp;  // the min
            if (WeightCounts(weight) && !HasNaNPart(value))
                AddToMinMax(sp[-1], top, value);
            break;
        }
        case OpMinMaxStep: {
            // max, min, value
            ComplexValue value = top;
            top = *--sp;
            if (!HasNaNPart(value))
                AddToMinMax(sp[-1], top, value);
            break;
        }
        case OpBeginAggregate:
        case OpBeginMinMax: {
            // The running count and sum, or max and min, go on the stack.
            ComplexValue start = pc->opcode == OpBeginAggregate ? kZero : UndefinedComplex;
            *sp++ = top;
            *sp++ = start;
            top = start;
            savedRows.Push(row);
            locals[a] = kOne;
            locals[a + 1] = ComplexValue{static_cast<double>(b) + 1, 0};
            break;
        }
        case OpSelectRow:
            savedRows.Push(row);
            row = ToDataRow(ComplexToReal(top));
            top = *--sp;
            break;
        case OpEnd: goto done;
        default: break;  // 13, 72, 73, 86 and unknown opcodes do nothing
        }
        pc = next;
        if (HasNaNPart(top) && sp != cells) {
            top = UndefinedComplex;
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

VL_INTERPRETER_TARGET_END

#if !defined(VL_INTERPRETER_V3)

ComplexValue BytecodeProgram::RunComplex(ComplexValue* frame, const GridEvalState* grid) const
{
    RunControl control{&stopRequested, false};
    return RunComplexInBuild(this, frame, grid, control);
}

#endif
