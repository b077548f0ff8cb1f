// The complex batch interpreter. InterpretComplexBatchV3.cpp compiles this
// file a second time for x86-64-v3; the headers come first, so shared inline
// code stays baseline code.
//
// Every value is a lane vector of N + 1 cells of a ComplexValue's size: the
// first cell holds the 32-bit varying flag in its first four bytes (0: the
// one value in lane 1 stands for every lane; 1: lanes 1 .. N each hold their
// own), the others hold the lanes. Stack entries, frame slots and the two
// temporaries all have this shape.
#include "evaluation/InterpretComplexBatch.h"

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/MemoryBudget.h"
#include "evaluation/BudgetBlock.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileContext.h"
#include "evaluation/FrameSlots.h"
#include "evaluation/ComplexOpcodes.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/InterpreterBuild.h"
#include "evaluation/LaneVector.h"
#include "evaluation/ParameterValue.h"
#include "evaluation/RunControl.h"
#include "formula/FormulaEngine.h"
#include "numerics/ComplexLibrary.h"
#include "numerics/RealLibrary.h"

#include <alloca.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "evaluation/InterpreterTarget.h"

namespace VL_INTERPRETER_BUILD {
namespace {

constexpr double kLoopStepCap = 100000;
constexpr ComplexValue kZero{0, 0};
constexpr ComplexValue kOne{1, 0};
// The two temporaries of the relation chains and the piecewise choice live
// beside the value stack.
constexpr int32_t kTemporaries = 2;

// A uniform vector made per-lane, its one value in every lane.
void Spread(ComplexValue* v, int32_t n)
{
    if (IsVarying(v))
        return;
    std::fill(v + 2, v + n + 1, v[1]);
    SetVarying(v, true);
}

void Copy(ComplexValue* to, const ComplexValue* from, int32_t n)
{
    std::copy(from, from + (IsVarying(from) ? n + 1 : 2), to);
}

// The running value of a loop that ran too long: undefined, its mode kept.
void MakeUndefined(ComplexValue* v, int32_t n)
{
    std::fill(v + 1, v + (IsVarying(v) ? n + 1 : 2), UndefinedComplex);
}

// A library routine as a type of its own, so that each operation's lane
// loop calls it directly (and inlines the small ones).
template <auto Routine>
struct Call {
    template <typename... Operands>
    ComplexValue operator()(Operands... operands) const
    {
        return Routine(operands...);
    }
};

// The lanes of a one-operand operation, in place.
template <typename F>
void Unary(ComplexValue* v, int32_t n, F f)
{
    int32_t last = IsVarying(v) ? n : 1;
    for (int32_t lane = 1; lane <= last; ++lane)
        v[lane] = f(v[lane]);
}

// to := f(a, b) lane by lane; to may be a or b. The result is per-lane when
// an operand is, a uniform operand taking part with its one value.
template <typename F>
void Binary(ComplexValue* to, const ComplexValue* a, const ComplexValue* b, int32_t n, F f)
{
    bool av = IsVarying(a);
    bool bv = IsVarying(b);
    ComplexValue a1 = a[1];
    ComplexValue b1 = b[1];
    if (!av && !bv) {
        SetUniform(to, f(a1, b1));
        return;
    }
    if (av && bv) {
        for (int32_t lane = 1; lane <= n; ++lane)
            to[lane] = f(a[lane], b[lane]);
    } else if (av) {
        for (int32_t lane = 1; lane <= n; ++lane)
            to[lane] = f(a[lane], b1);
    } else {
        for (int32_t lane = 1; lane <= n; ++lane)
            to[lane] = f(a1, b[lane]);
    }
    SetVarying(to, true);
}

// The same with three operands.
template <typename F>
void Ternary(ComplexValue* to, const ComplexValue* a, const ComplexValue* b, const ComplexValue* c, int32_t n, F f)
{
    bool av = IsVarying(a);
    bool bv = IsVarying(b);
    bool cv = IsVarying(c);
    ComplexValue a1 = a[1];
    ComplexValue b1 = b[1];
    ComplexValue c1 = c[1];
    if (!av && !bv && !cv) {
        SetUniform(to, f(a1, b1, c1));
        return;
    }
    for (int32_t lane = 1; lane <= n; ++lane)
        to[lane] = f(av ? a[lane] : a1, bv ? b[lane] : b1, cv ? c[lane] : c1);
    SetVarying(to, true);
}

// The lane of a vector, whatever its mode.
ComplexValue Lane(const ComplexValue* v, int32_t lane)
{
    return IsVarying(v) ? v[lane] : v[1];
}

ComplexValue Sum(ComplexValue a, ComplexValue b)
{
    return ComplexValue{a.re + b.re, a.im + b.im};
}

// The library routine of each one-operand opcode of the table below; null
// for the others.
using UnaryRoutine = ComplexValue (*)(ComplexValue);
struct UnaryTable {
    UnaryRoutine routines[kOpcodeCount] = {};
    constexpr UnaryTable()
    {
        const UnaryRoutine inOrder[] = {
            ComplexSign,  ComplexSqrt,  ComplexExp,   ComplexLog10, ComplexLog,   ComplexFactorial, ComplexSquare,
            ComplexSin,   ComplexCos,   ComplexTan,   ComplexCot,   ComplexSec,   ComplexCsc,       ComplexAsin,
            ComplexAcos,  ComplexAtan,  ComplexAcot,  ComplexAsec,  ComplexAcsc,  ComplexSinh,      ComplexCosh,
            ComplexTanh,  ComplexCoth,  ComplexSech,  ComplexCsch,  ComplexAsinh, ComplexAcosh,     ComplexAtanh,
            ComplexAcoth, ComplexAsech, ComplexAcsch};
        for (int32_t i = 0; i < static_cast<int32_t>(std::size(inOrder)); ++i)
            routines[OpSign + i] = inOrder[i];
        routines[OpNot] = ComplexNot;
        routines[OpFloor] = ComplexFloor;
        routines[OpCeil] = ComplexCeil;
    }
};
const UnaryTable kUnaryRoutines;

bool Defined(ComplexValue z)
{
    return !HasNaNPart(z);
}

// The values, the lanes and the frame of one run.
struct Run {
    int32_t n;
    int32_t lanes;  // n + 1 cells per vector
    ComplexValue* frame;
    int32_t localBase;

    ComplexValue* Slot(int32_t s) const { return frame + static_cast<int64_t>(s) * lanes; }
};

// A per-axis value precomputed for the grid (opcodes 8, 9, 10).
void PushGridPart(ComplexValue* to, const GridEvalState* state, int32_t axis, int32_t a)
{
    int64_t cell = PartCell(*state, axis, a);
    bool layer = state->nz != 0;
    // A run of lanes starts at the first column or row.
    if (cell < 0 || (axis == 0 && state->curI != 0) || (axis == 1 && layer && state->curJ != 0)) {
        SetUniform(to, UndefinedComplex);
        return;
    }
    const ComplexValue* from = static_cast<const ComplexValue*>(state->parts) + cell;
    if (axis == 2 || (axis == 1 && !layer)) {
        SetUniform(to, *from);
        return;
    }
    // x parts: the current column on, on every row of a layer; y parts in a
    // layer: row r's value in every lane of row r.
    int32_t rows = layer ? state->ny : 1;
    for (int32_t r = 0; r < rows; ++r) {
        ComplexValue* row = to + 1 + static_cast<int64_t>(r) * state->nx;
        if (axis == 0)
            std::copy(from, from + state->nx, row);
        else
            std::fill(row, row + state->nx, from[r]);
    }
    SetVarying(to, true);
}

// Relation chain over the n entries from a1 up: the pair tests from the top
// pair down, combined with And in the accumulator, which ends in a1's place.
void RelationChain(int32_t opcode, ComplexValue* a1, int32_t n, ComplexValue* accumulator, const Run& run)
{
    SetUniform(accumulator, kOne);
    for (int32_t m = n - 1; m >= 1; --m) {
        const ComplexValue* lower = a1 + static_cast<int64_t>(m - 1) * run.lanes;
        const ComplexValue* upper = a1 + static_cast<int64_t>(m) * run.lanes;
        Ternary(accumulator, lower, upper, accumulator, run.n,
                [opcode](ComplexValue l, ComplexValue u, ComplexValue acc) {
                    return ComplexAnd(ComplexPairTest(opcode, l, u), acc);
                });
    }
    Copy(a1, accumulator, run.n);
}

// Piecewise choice over n (condition, value) pairs from c1 up, last pair
// first: per lane the value of the first pair whose condition is exactly 1,
// undefined where none is. The result is always per-lane.
void Piecewise(ComplexValue* c1, int32_t pairs, ComplexValue* result, ComplexValue* met, const Run& run)
{
    std::fill(result + 1, result + run.n + 1, UndefinedComplex);
    std::fill(met + 1, met + run.n + 1, kZero);
    for (int32_t m = pairs; m >= 1; --m) {
        const ComplexValue* condition = c1 + static_cast<int64_t>(2 * (m - 1)) * run.lanes;
        const ComplexValue* value = condition + run.lanes;
        for (int32_t lane = 1; lane <= run.n; ++lane) {
            ComplexValue c = Lane(condition, lane);
            if (!Defined(c))
                c = kZero;
            if (!ComplexDiffers(c, kZero))
                continue;
            result[lane] = !ComplexDiffers(met[lane], kZero) || IsTrueComplex(c) ? Lane(value, lane) : UndefinedComplex;
            met[lane] = ComplexOr(met[lane], c);
        }
    }
    SetVarying(result, true);
    Copy(c1, result, run.n);
}

// The steps of the row aggregates: where the condition holds and the value
// is defined, the two running values take the value. Once any entry is
// per-lane both running values are.
template <typename Step>
void AggregateStep(ComplexValue* first, ComplexValue* second, const ComplexValue* value, const ComplexValue* condition,
                   int32_t n, Step step)
{
    bool varying = IsVarying(first) || IsVarying(second) || IsVarying(value) || (condition && IsVarying(condition));
    if (!varying) {
        if ((!condition || IsTrueComplex(condition[1])) && Defined(value[1]))
            step(first[1], second[1], value[1]);
        return;
    }
    Spread(first, n);
    Spread(second, n);
    for (int32_t lane = 1; lane <= n; ++lane) {
        ComplexValue v = Lane(value, lane);
        if ((!condition || IsTrueComplex(Lane(condition, lane))) && Defined(v))
            step(first[lane], second[lane], v);
    }
}

void CountAndSum(ComplexValue& count, ComplexValue& sum, ComplexValue value)
{
    count = Sum(count, kOne);
    sum = Sum(sum, value);
}

void MaxAndMin(ComplexValue& max, ComplexValue& min, ComplexValue value)
{
    max = ComplexDiffers(max, max) ? value : ComplexMax(max, value);
    min = ComplexDiffers(min, min) ? value : ComplexMin(min, value);
}

// Per lane the real part where the imaginary part is 0, else NaN.
void WriteOutputs(const ComplexValue* top, int32_t n, double* out)
{
    if (!IsVarying(top)) {
        std::fill(out, out + n, ComplexToReal(top[1]));
        return;
    }
    for (int32_t lane = 1; lane <= n; ++lane)
        out[lane - 1] = ComplexToReal(top[lane]);
}

}  // namespace

void InterpretComplexBatch(const BytecodeProgram* program, GridEvalState* state, double* out)
{
    int32_t n = BatchLaneCount(*state);
    if (n <= 0)
        return;
    RunControl control{&program->stopRequested, false};
    const ComplexValue* constants = program->context ? program->context->GetConstants(control) : nullptr;
    Run run{n, n + 1, static_cast<ComplexValue*>(state->frame), program->localBase};

    int64_t entries = std::max(program->maxStack, 1) + kTemporaries;
    int64_t bytes64 = entries * run.lanes * static_cast<int64_t>(sizeof(ComplexValue));
    uint32_t bytes = bytes64 <= UINT32_MAX ? static_cast<uint32_t>(bytes64) : UINT32_MAX;
    BudgetBlock heap;
    ComplexValue* stack;
    if (bytes64 <= UINT32_MAX && HasStackRoom(bytes)) {
        stack = static_cast<ComplexValue*>(alloca(bytes));
    } else {
        heap.block = bytes64 <= UINT32_MAX ? BudgetMalloc(bytes, false) : nullptr;
        stack = static_cast<ComplexValue*>(heap.block);
        if (!stack) {
            std::fill(out, out + n, NAN);
            return;
        }
    }
    ComplexValue* temporary = stack + (entries - kTemporaries) * run.lanes;
    ComplexValue* other = temporary + run.lanes;
    ComplexValue* top = stack;
    SetUniform(top, UndefinedComplex);
    auto below = [&] { return top - run.lanes; };
    auto push = [&] { return top += run.lanes; };
    auto pop = [&](int32_t count) { top -= static_cast<int64_t>(count) * run.lanes; };

    const DocState* doc = program->doc;
    const std::atomic<unsigned char>* stopRequest = control.stopRequest;
    int32_t row = ToDataRow(ComplexToReal(run.Slot(SlotDataRow)[1]));
    GrowArray<int32_t> savedRows{};
    const Instruction* pc = program->instructions.storage;
    auto local = [&](int32_t k) { return run.Slot(run.localBase + k); };

    for (;;) {
        if (StopFlagsRaised(stopRequest) != 0 && StopChecksFire(stopRequest))
            break;
        int32_t a = pc->arg.a;
        int32_t b = pc->arg.b;
        const Instruction* next = pc + 1;
        int32_t opcode = pc->opcode;
        switch (opcode) {
        case OpPushNumber: SetUniform(push(), ComplexValue{pc->number, 0}); break;
        case OpImaginaryUnit: SetUniform(push(), ComplexValue{0, 1}); break;
        case OpLoadSlot: Copy(push(), run.Slot(a), n); break;
        case OpLoadLocal: Copy(push(), local(a), n); break;
        case OpLoadParameter: SetUniform(push(), GetParameterValue(static_cast<uint32_t>(a), row, doc)); break;
        case OpStoreSlot:
            // A store into a per-lane input slot makes the next row write
            // its inputs anew.
            if (a <= 4)
                state->laneInputBytes = 0;
            Copy(run.Slot(a), top, n);
            break;
        case OpStoreLocal: Copy(local(a), top, n); break;
        case OpStoreAndDrop:
            Copy(local(a), top, n);
            pop(1);
            break;
        case OpSwap:
            std::swap_ranges(top, top + (IsVarying(top) || IsVarying(below()) ? run.lanes : 2), below());
            break;
        case OpDrop: pop(1); break;
        case OpInterval:
            // below := top; a uniform top spreads over a per-lane below.
            if (IsVarying(below()) && !IsVarying(top))
                std::fill(below() + 1, below() + n + 1, top[1]);
            else
                Copy(below(), top, n);
            pop(1);
            break;
        case OpLoadXPart:
        case OpLoadYPart:
        case OpLoadZPart: PushGridPart(push(), state, opcode - OpLoadXPart, a); break;
        case OpLoadConstant: SetUniform(push(), constants ? constants[a] : UndefinedComplex); break;
        case OpAdd: Binary(below(), below(), top, n, Call<Sum>{}); pop(1); break;
        case OpMultiply: Binary(below(), below(), top, n, Call<ComplexMultiply>{}); pop(1); break;
        case OpDivide: Binary(below(), below(), top, n, Call<ComplexDivide>{}); pop(1); break;
        case OpPower: Binary(below(), below(), top, n, Call<ComplexPow>{}); pop(1); break;
        // The angle of the point (below, top), as at a single point.
        case OpAngle: Binary(below(), below(), top, n, Call<ComplexAtan2Positive>{}); pop(1); break;
        case OpHypot: Binary(below(), below(), top, n, Call<ComplexHypot>{}); pop(1); break;
        case OpTextEqual: Binary(below(), below(), top, n, Call<TextEqualsComplex>{}); pop(1); break;
        case OpTextNotEqual:
            Binary(below(), below(), top, n,
                   [](ComplexValue x, ComplexValue y) { return ComplexNot(TextEqualsComplex(x, y)); });
            pop(1);
            break;
        case OpAnd: Binary(below(), below(), top, n, Call<ComplexAnd>{}); pop(1); break;
        case OpOr: Binary(below(), below(), top, n, Call<ComplexOr>{}); pop(1); break;
        // x beneath, the order on top.
        case OpBesselJ:
            Binary(below(), below(), top, n, [](ComplexValue x, ComplexValue order) { return ComplexBesselJ(order, x); });
            pop(1);
            break;
        case OpMod: Binary(below(), below(), top, n, Call<ComplexMod>{}); pop(1); break;
        case OpMin: Binary(below(), below(), top, n, Call<ComplexMin>{}); pop(1); break;
        case OpMax: Binary(below(), below(), top, n, Call<ComplexMax>{}); pop(1); break;
        case OpBinomial: Binary(below(), below(), top, n, Call<ComplexBinomial>{}); pop(1); break;
        case OpRationalPower: {
            ComplexValue* base = top - 2 * run.lanes;
            Ternary(base, base, below(), top, n, Call<ComplexRationalPower>{});
            pop(2);
            break;
        }
        case OpClamp: {
            // x, lo, hi with hi on top.
            ComplexValue* x = top - 2 * run.lanes;
            Ternary(x, x, below(), top, n,
                    [](ComplexValue v, ComplexValue lo, ComplexValue hi) { return ComplexMax(ComplexMin(v, hi), lo); });
            pop(2);
            break;
        }
        case OpNegate: Unary(top, n, [](ComplexValue z) { return ComplexValue{-z.re, -z.im}; }); break;
        case OpAbs: Unary(top, n, [](ComplexValue z) { return ComplexValue{ComplexAbs(z), 0}; }); break;
        case OpReal: Unary(top, n, [](ComplexValue z) { return ComplexValue{z.re, 0}; }); break;
        case OpImag: Unary(top, n, [](ComplexValue z) { return ComplexValue{z.im, 0}; }); break;
        case OpArg: Unary(top, n, [](ComplexValue z) { return ComplexValue{std::atan2(z.im, z.re), 0}; }); break;
        case OpConjugate: Unary(top, n, [](ComplexValue z) { return ComplexValue{z.re, -z.im}; }); break;
        case OpLess:
        case OpGreater:
        case OpLeq:
        case OpGeq:
        case OpEqual:
        case OpNotEqual: {
            int32_t count = std::max(a, 1);
            ComplexValue* a1 = top - static_cast<int64_t>(count - 1) * run.lanes;
            RelationChain(opcode, a1, count, temporary, run);
            top = a1;
            break;
        }
        case OpIf: {
            // The value beneath, the condition on top.
            ComplexValue* value = below();
            if (IsVarying(top)) {
                ComplexValue v1 = value[1];
                bool varying = IsVarying(value);
                for (int32_t lane = 1; lane <= n; ++lane)
                    value[lane] = IsTrueComplex(top[lane]) ? (varying ? value[lane] : v1) : UndefinedComplex;
                SetVarying(value, true);
            } else if (!IsTrueComplex(top[1])) {
                SetUniform(value, UndefinedComplex);
            }
            pop(1);
            break;
        }
        case OpBranch: {
            int32_t pairs = std::max(a, 0);
            ComplexValue* c1 = top - static_cast<int64_t>(2 * pairs - 1) * run.lanes;
            Piecewise(c1, pairs, temporary, other, run);
            top = c1;
            break;
        }
        case OpInterpolate1:
            Unary(top, n, [a, doc](ComplexValue x) { return ComplexTableFunction1(static_cast<uint32_t>(a), x, doc); });
            break;
        case OpInterpolate2:
            Binary(below(), below(), top, n, [a, doc](ComplexValue lower, ComplexValue upper) {
                return ComplexTableFunction2(static_cast<uint32_t>(a), upper, lower, doc);
            });
            pop(1);
            break;
        case OpLoopTest: {
            ComplexValue counter = local(a)[1];
            ComplexValue limit = local(a + 1)[1];
            if (!IsTrueComplex(ComplexLessEqual(counter, limit))) {
                next = pc + b + 1;
            } else if (!IsTrueComplex(ComplexLessEqual(ComplexValue{limit.re - counter.re, limit.im - counter.im},
                                                         ComplexValue{kLoopStepCap, 0}))) {
                MakeUndefined(top, n);
                next = pc + b + 1;
            }
            break;
        }
        case OpLoopEnd: {
            ComplexValue counter = local(a)[1];
            ComplexValue stepped = Sum(counter, kOne);
            // A counter too large to count by 1 ends the loop at its next test.
            local(a)[1] = ComplexDiffers(counter, stepped) ? stepped : UndefinedComplex;
            next = pc - b;
            break;
        }
        case OpBeginAggregate:
        case OpBeginMinMax: {
            ComplexValue start = opcode == OpBeginAggregate ? kZero : UndefinedComplex;
            SetUniform(push(), start);
            SetUniform(push(), start);
            savedRows.Push(row);
            SetUniform(local(a), kOne);
            SetUniform(local(a + 1), ComplexValue{static_cast<double>(b) + 1, 0});
            break;
        }
        case OpRowFromCounter: row = ToDataRow(ComplexToReal(local(a)[1])); break;
        case OpSelectRow:
            savedRows.Push(row);
            row = ToDataRow(ComplexToReal(top[1]));
            pop(1);
            break;
        case OpRestoreRow:
            // A pop with nothing saved keeps the current row.
            if (savedRows.count > 0)
                row = savedRows[--savedRows.count];
            break;
        case OpAggregateWeighted:
            // K, S, V, C
            AggregateStep(top - 3 * run.lanes, top - 2 * run.lanes, below(), top, n, CountAndSum);
            pop(2);
            break;
        case OpMinMaxWeighted:
            // Mx, Mn, V, C
            AggregateStep(top - 3 * run.lanes, top - 2 * run.lanes, below(), top, n, MaxAndMin);
            pop(2);
            break;
        case OpAggregateStep:
            // K, S, V
            AggregateStep(top - 2 * run.lanes, below(), top, nullptr, n, CountAndSum);
            pop(1);
            break;
        case OpMinMaxStep:
            // Mx, Mn, V
            AggregateStep(top - 2 * run.lanes, below(), top, nullptr, n, MaxAndMin);
            pop(1);
            break;
        case OpFail:
            SetUniform(top, UndefinedComplex);
            ForgetLaterStores(next, run.frame, n, run.localBase, UndefinedComplex);
            goto done;
        case OpCallUser:
        case OpEnd: goto done;
        default:
            // The one-operand routines; 13, 72, 73, 86, 87, 88, 92, 93 and
            // unknown opcodes do nothing.
            if (static_cast<uint32_t>(opcode) < kOpcodeCount && kUnaryRoutines.routines[opcode])
                Unary(top, n, kUnaryRoutines.routines[opcode]);
            break;
        }
        pc = next;
    }

done:
    WriteOutputs(top, n, out);
    savedRows.Clear();
}

}  // namespace VL_INTERPRETER_BUILD

VL_INTERPRETER_TARGET_END

#if !defined(VL_INTERPRETER_V3)

void BytecodeProgram::RunComplexBatch(GridEvalState* state, double* out) const
{
    VL_IN_BUILD(InterpretComplexBatch, this, state, out);
}

#endif
