// The real batch interpreter. InterpretRealBatchV3.cpp compiles this file a
// second time for x86-64-v3; the headers come first, so shared inline code
// stays baseline code and only the functions defined here take the wider
// instruction set.
//
// Every value is a lane vector (LaneVector.h) of N + 1 doubles: stack
// entries, frame slots and the two temporaries alike. An operation on
// uniform operands computes one value; otherwise it loops over the lanes,
// and those loops are what the processor's vector units run.
#include "evaluation/InterpretRealBatch.h"

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/SmallNumerics.h"
#include "document/ParameterValue.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileContext.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/InterpreterBuild.h"
#include "evaluation/LaneVector.h"
#include "evaluation/RealLibrary.h"
#include "evaluation/RunControl.h"

#include <alloca.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#pragma GCC push_options
#if defined(VL_INTERPRETER_V3)
#pragma GCC target("arch=x86-64-v3")
#define VL_INTERPRETER_BUILD v3
#else
#define VL_INTERPRETER_BUILD baseline
#endif
// The lane loops pay for vectorising at any length, which the default cost
// model of -O2 does not assume.
#pragma GCC optimize("tree-vectorize", "vect-cost-model=dynamic")

namespace VL_INTERPRETER_BUILD {
namespace {

constexpr double kLoopStepCap = 100000;
// The relation chains and the piecewise choice work in two lane vectors
// taken with the value stack.
constexpr int32_t kTemporaries = 2;

// The lanes of a run and where its slots lie.
struct Lanes {
    int32_t n;
    int64_t stride;  // n + 1 doubles per vector
    double* frame;
    int32_t localBase;

    double* Slot(int32_t s) const { return frame + s * stride; }
    double* Local(int32_t k) const { return Slot(localBase + k); }
};

void Copy(double* to, const double* from, int32_t n)
{
    if (to != from)
        std::memcpy(to, from, sizeof(double) * (IsVarying(from) ? n + 1 : 2));
}

// A uniform vector made per-lane, its one value in every lane.
void Spread(double* v, int32_t n)
{
    if (IsVarying(v))
        return;
    std::fill_n(v + 2, n - 1, v[1]);
    SetVarying(v, true);
}

// The value of one lane, whatever the vector's mode.
inline double Lane(const double* v, bool varying, int32_t lane)
{
    return varying ? v[lane] : v[1];
}

// Every meaningful lane of v becomes undefined; the mode stays.
void MakeUndefined(double* v, int32_t n)
{
    std::fill_n(v + 1, IsVarying(v) ? n : 1, NAN);
}

// One operand, in place.
template <typename F>
inline __attribute__((always_inline)) void Unary(double* v, int32_t n, F f)
{
    double* __restrict lanes = v + 1;
    int32_t count = IsVarying(v) ? n : 1;
    for (int32_t i = 0; i < count; ++i)
        lanes[i] = f(lanes[i]);
}

// Two operands, below and top, the result in below's place: computed once
// when both are uniform, else lane by lane with a uniform operand's one
// value in every lane.
template <typename F>
inline __attribute__((always_inline)) void Binary(double* below, const double* top, int32_t n, F f)
{
    bool belowVaries = IsVarying(below);
    bool topVaries = IsVarying(top);
    double b1 = below[1];
    double t1 = top[1];
    double* __restrict r = below + 1;
    const double* __restrict t = top + 1;
    if (!belowVaries && !topVaries) {
        r[0] = f(b1, t1);
        return;
    }
    if (belowVaries && topVaries) {
        for (int32_t i = 0; i < n; ++i)
            r[i] = f(r[i], t[i]);
    } else if (belowVaries) {
        for (int32_t i = 0; i < n; ++i)
            r[i] = f(r[i], t1);
    } else {
        for (int32_t i = 0; i < n; ++i)
            r[i] = f(b1, t[i]);
    }
    SetVarying(below, true);
}

// Three operands, the result in the place of the first (to may be any of
// them).
template <typename F>
inline __attribute__((always_inline)) void Ternary(double* to, const double* a, const double* b, const double* c,
                                                   int32_t n, F f)
{
    bool av = IsVarying(a);
    bool bv = IsVarying(b);
    bool cv = IsVarying(c);
    // Lane 1 of a uniform operand may be overwritten first.
    double a1 = a[1];
    double b1 = b[1];
    double c1 = c[1];
    if (!av && !bv && !cv) {
        to[1] = f(a1, b1, c1);
        SetVarying(to, false);
        return;
    }
    for (int32_t lane = 1; lane <= n; ++lane)
        to[lane] = f(av ? a[lane] : a1, bv ? b[lane] : b1, cv ? c[lane] : c1);
    SetVarying(to, true);
}

#if defined(VL_INTERPRETER_V3)
inline double Floor(double x)
{
    return std::floor(x);  // one rounding instruction here
}
#else
// Floor without a call, as the point interpreter takes it: |x| rounded by
// adding and taking away 2^52, the sign put back, 1 taken off where that
// rounded up.
inline double Floor(double x)
{
    if (!(std::fabs(x) < 0x1p52))
        return x;
    double t = std::copysign((std::fabs(x) + 0x1p52) - 0x1p52, x);
    return t > x ? t - 1 : t;
}
#endif

// The square roots of a vector's lanes by the processor's instruction, as
// the point interpreter takes them, several lanes at a time: the compiler
// keeps a library call for negative operands (errno), which stops it
// vectorising the plain loop.
void SquareRoots(double* v, int32_t n)
{
    double* lanes = v + 1;
    int32_t count = IsVarying(v) ? n : 1;
    int32_t i = 0;
#if defined(VL_INTERPRETER_V3)
    for (; i + 4 <= count; i += 4)
        _mm256_storeu_pd(lanes + i, _mm256_sqrt_pd(_mm256_loadu_pd(lanes + i)));
#endif
#if defined(__SSE2__)
    for (; i + 2 <= count; i += 2)
        _mm_storeu_pd(lanes + i, _mm_sqrt_pd(_mm_loadu_pd(lanes + i)));
    for (; i < count; ++i)
        lanes[i] = _mm_cvtsd_f64(_mm_sqrt_sd(_mm_setzero_pd(), _mm_set_sd(lanes[i])));
#else
    for (; i < count; ++i)
        lanes[i] = std::sqrt(lanes[i]);
#endif
}

// The pair test of a relation chain, lower operand first.
template <typename Relation>
void ChainStep(double* result, const double* lower, const double* upper, int32_t n, Relation holds)
{
    Ternary(result, lower, upper, result, n,
            [holds](double l, double u, double r) { return RealAnd(holds(l, u), r); });
}

// Relation chain over count entries from a1 up: the pair tests from the top
// pair down, combined with And in the temporary, which ends in a1's place.
template <typename Relation>
void RelationChain(double* a1, int32_t count, double* temporary, const Lanes& run, Relation holds)
{
    if (count == 2) {
        Binary(a1, a1 + run.stride, run.n, holds);
        return;
    }
    SetUniform(temporary, 1.0);
    for (int32_t m = count - 1; m >= 1; --m)
        ChainStep(temporary, a1 + (m - 1) * run.stride, a1 + m * run.stride, run.n, holds);
    Copy(a1, temporary, run.n);
}

// Piecewise choice over pairs (condition, value) from c1 up, last pair
// first: per lane the value of the first pair whose condition is exactly 1,
// undefined where none is. Always per-lane.
void Piecewise(double* c1, int32_t pairs, double* result, double* decided, const Lanes& run)
{
    int32_t n = run.n;
    std::fill_n(result + 1, n, NAN);
    std::fill_n(decided + 1, n, 0.0);
    for (int32_t m = pairs; m >= 1; --m) {
        const double* condition = c1 + 2 * (m - 1) * run.stride;
        const double* value = condition + run.stride;
        bool cv = IsVarying(condition);
        bool vv = IsVarying(value);
        for (int32_t lane = 1; lane <= n; ++lane) {
            double c = Lane(condition, cv, lane);
            if (std::isnan(c) || c == 0)
                continue;
            result[lane] = decided[lane] == 0 || c == 1 ? Lane(value, vv, lane) : NAN;
            decided[lane] = decided[lane] == 1 || c == 1 ? 1 : 0;
        }
    }
    SetVarying(result, true);
    Copy(c1, result, n);
}

// A step of a row aggregate: where the weight (when there is one) is
// exactly 1 and the value is defined, the two running values take the
// value. Once any entry is per-lane both running values are.
template <typename Step>
void AggregateStep(double* first, double* second, const double* value, const double* weight, int32_t n, Step step)
{
    bool vv = IsVarying(value);
    bool wv = weight && IsVarying(weight);
    if (!IsVarying(first) && !IsVarying(second) && !vv && !wv) {
        if ((!weight || weight[1] == 1) && !std::isnan(value[1]))
            step(first[1], second[1], value[1]);
        return;
    }
    Spread(first, n);
    Spread(second, n);
    for (int32_t lane = 1; lane <= n; ++lane) {
        double v = Lane(value, vv, lane);
        if ((!weight || Lane(weight, wv, lane) == 1) && !std::isnan(v))
            step(first[lane], second[lane], v);
    }
}

void CountAndSum(double& count, double& sum, double value)
{
    count += 1;
    sum += value;
}

void MaxAndMin(double& max, double& min, double value)
{
    max = std::isnan(max) ? value : MaxDouble(max, value);
    min = std::isnan(min) ? value : MinDouble(min, value);
}

// A per-axis value precomputed for the grid (opcodes 8, 9, 10): x parts
// vary along the columns, y parts along the rows of a layer; NaN when the
// grid has no such part.
void PushGridPart(double* to, const GridEvalState* grid, int32_t axis, int32_t a)
{
    int64_t cell = GridPartCell(grid, axis, a);
    bool layer = grid->nz != 0;
    // A run of lanes starts at the first column or row.
    if (cell < 0 || (axis == 0 && grid->curI != 0) || (axis == 1 && layer && grid->curJ != 0)) {
        SetUniform(to, static_cast<double>(NAN));
        return;
    }
    const double* from = static_cast<const double*>(grid->parts) + cell;
    if (axis == 0) {
        int32_t rows = layer ? grid->ny : 1;
        for (int32_t r = 0; r < rows; ++r)
            std::memcpy(to + 1 + static_cast<int64_t>(r) * grid->nx, from, sizeof(double) * grid->nx);
        SetVarying(to, true);
    } else if (axis == 1 && layer) {
        for (int32_t r = 0; r < grid->ny; ++r)
            std::fill_n(to + 1 + static_cast<int64_t>(r) * grid->nx, grid->nx, from[r]);
        SetVarying(to, true);
    } else {
        SetUniform(to, *from);
    }
}

// A run that ends at 82 writes undefined into every slot the rest of the
// program would have stored: a later program of the batch must not read
// what an earlier row left there.
void ForgetLaterStores(const Instruction* pc, const Lanes& run)
{
    for (; pc->opcode != OpEnd; ++pc) {
        if (pc->opcode == OpStoreSlot)
            SetUniform(run.Slot(pc->arg.a), static_cast<double>(NAN));
        else if (pc->opcode == OpStoreLocal)
            SetUniform(run.Local(pc->arg.a), static_cast<double>(NAN));
    }
}

// A block taken from the budget, given back on every path out.
struct HeapBlock {
    void* block = nullptr;
    ~HeapBlock()
    {
        if (block)
            BudgetFree(block);
    }
};

}  // namespace

void InterpretRealBatch(const BytecodeProgram* program, GridEvalState* grid, double* out)
{
    int32_t n = BatchLaneCount(*grid);
    if (n <= 0)
        return;
    RunControl control{&program->stopRequested, false};
    const ComplexValue* constants = program->context ? program->context->GetConstants(control) : nullptr;
    Lanes run{n, static_cast<int64_t>(n) + 1, static_cast<double*>(grid->frame), program->localBase};

    int64_t entries = std::max(program->maxStack, 1) + kTemporaries;
    int64_t bytes64 = entries * run.stride * static_cast<int64_t>(sizeof(double));
    uint32_t bytes = static_cast<uint32_t>(std::min<int64_t>(bytes64, UINT32_MAX));
    HeapBlock heap;
    double* stack = nullptr;
    if (bytes64 < UINT32_MAX && !control.stopped) {
        if (HasStackRoom(bytes)) {
            stack = static_cast<double*>(alloca(bytes));
        } else {
            heap.block = BudgetMalloc(bytes, false);
            stack = static_cast<double*>(heap.block);
        }
    }
    if (!stack) {
        std::fill_n(out, n, NAN);
        return;
    }
    double* temporary = stack + (entries - kTemporaries) * run.stride;
    double* other = temporary + run.stride;
    // The bottom entry is the top before the first push.
    double* top = stack;
    SetUniform(top, static_cast<double>(NAN));
    auto below = [&] { return top - run.stride; };
    auto push = [&] { return top += run.stride; };
    auto pop = [&](int32_t count) { top -= count * run.stride; };

    const DocState* doc = program->doc;
    const std::atomic<unsigned char>* stopRequest = control.stopRequest;
    int32_t row = ToDataRow(run.Slot(11)[1]);
    GrowArray<int32_t> savedRows{};
    const Instruction* pc = program->instructions.storage;

    for (;;) {
        if (StopFlagsRaised(stopRequest) != 0 && StopChecksFire(stopRequest))
            break;
        int32_t a = pc->arg.a;
        int32_t b = pc->arg.b;
        const Instruction* next = pc + 1;
        int32_t opcode = pc->opcode;
        switch (opcode) {
        case OpPushNumber: SetUniform(push(), pc->number); break;
        case OpLoadSlot: Copy(push(), run.Slot(a), n); break;
        case OpLoadLocal: Copy(push(), run.Local(a), n); break;
        case OpLoadParameter:
            SetUniform(push(), ComplexToReal(GetParameterValue(static_cast<uint32_t>(a), row, doc)));
            break;
        case OpStoreSlot:
            // The programs store only into computed slots; a store into a
            // per-lane input slot makes the next row write its inputs anew.
            if (a <= 4)
                grid->laneInputBytes = 0;
            Copy(run.Slot(a), top, n);
            break;
        case OpStoreLocal: Copy(run.Local(a), top, n); break;
        case OpStoreAndDrop:
            Copy(run.Local(a), top, n);
            pop(1);
            break;
        case OpSwap:
            std::swap_ranges(top, top + (IsVarying(top) || IsVarying(below()) ? run.stride : 2), below());
            break;
        case OpDrop: pop(1); break;
        case OpLoadXPart:
        case OpLoadYPart:
        case OpLoadZPart: PushGridPart(push(), grid, opcode - OpLoadXPart, a); break;
        case OpLoadConstant:
            SetUniform(push(), constants ? constants[a].re : static_cast<double>(NAN));
            break;
        case OpAdd: Binary(below(), top, n, [](double x, double y) { return x + y; }); pop(1); break;
        case OpMultiply: Binary(below(), top, n, [](double x, double y) { return x * y; }); pop(1); break;
        case OpDivide: Binary(below(), top, n, [](double x, double y) { return x / y; }); pop(1); break;
        case OpPower: Binary(below(), top, n, [](double x, double y) { return std::pow(x, y); }); pop(1); break;
        // The angle of the point (below, top).
        case OpAngle: Binary(below(), top, n, [](double x, double y) { return Atan2Positive(y, x); }); pop(1); break;
        case OpHypot: Binary(below(), top, n, Hypot); pop(1); break;
        case OpInterval:
            // Top stays, in below's place.
            Copy(below(), top, n);
            pop(1);
            break;
        case OpTextEqual: Binary(below(), top, n, TextEquals); pop(1); break;
        case OpTextNotEqual:
            Binary(below(), top, n, [](double x, double y) { return RealNot(TextEquals(x, y)); });
            pop(1);
            break;
        case OpAnd: Binary(below(), top, n, RealAnd); pop(1); break;
        case OpOr: Binary(below(), top, n, RealOr); pop(1); break;
        // x beneath, the order on top.
        case OpBesselJ:
            Binary(below(), top, n, [](double x, double order) { return RealBesselJ(order, x); });
            pop(1);
            break;
        case OpMod: Binary(below(), top, n, RealMod); pop(1); break;
        case OpMin: Binary(below(), top, n, MinDouble); pop(1); break;
        case OpMax: Binary(below(), top, n, MaxDouble); pop(1); break;
        case OpBinomial: Binary(below(), top, n, RealBinomial); pop(1); break;
        case OpRationalPower: {
            // base, p, q with q on top.
            double* base = top - 2 * run.stride;
            Ternary(base, base, below(), top, n, [](double x, double p, double q) { return RationalPower(x, q, p); });
            pop(2);
            break;
        }
        case OpClamp: {
            // x, lo, hi with hi on top.
            double* x = top - 2 * run.stride;
            Ternary(x, x, below(), top, n,
                    [](double v, double lo, double hi) { return MaxDouble(MinDouble(v, hi), lo); });
            pop(2);
            break;
        }
        case OpIf:
            // The value beneath, the condition on top.
            Binary(below(), top, n, [](double value, double condition) { return condition == 1 ? value : NAN; });
            pop(1);
            break;
        case OpNegate: Unary(top, n, [](double x) { return -x; }); break;
        case OpAbs: Unary(top, n, [](double x) { return std::fabs(x); }); break;
        case OpSign: Unary(top, n, RealSign); break;
        case OpSqrt: SquareRoots(top, n); break;
        case OpSquare: Unary(top, n, [](double x) { return x * x; }); break;
        case OpFloor: Unary(top, n, Floor); break;
        case OpCeil: Unary(top, n, [](double x) { return -Floor(-x); }); break;
        case OpNot: Unary(top, n, RealNot); break;
        case OpExp: Unary(top, n, [](double x) { return std::exp(x); }); break;
        case OpLog10: Unary(top, n, [](double x) { return std::log10(x); }); break;
        case OpLn: Unary(top, n, [](double x) { return std::log(x); }); break;
        case OpFactorial: Unary(top, n, RealFactorial); break;
        case OpSin: Unary(top, n, [](double x) { return std::sin(x); }); break;
        case OpCos: Unary(top, n, [](double x) { return std::cos(x); }); break;
        case OpTan: Unary(top, n, [](double x) { return std::tan(x); }); break;
        case OpCot: Unary(top, n, RealCot); break;
        case OpSec: Unary(top, n, RealSec); break;
        case OpCsc: Unary(top, n, RealCsc); break;
        case OpAsin: Unary(top, n, [](double x) { return std::asin(x); }); break;
        case OpAcos: Unary(top, n, [](double x) { return std::acos(x); }); break;
        case OpAtan: Unary(top, n, [](double x) { return std::atan(x); }); break;
        case OpAcot: Unary(top, n, RealAcot); break;
        case OpAsec: Unary(top, n, RealAsec); break;
        case OpAcsc: Unary(top, n, RealAcsc); break;
        case OpSinh: Unary(top, n, [](double x) { return std::sinh(x); }); break;
        case OpCosh: Unary(top, n, [](double x) { return std::cosh(x); }); break;
        case OpTanh: Unary(top, n, [](double x) { return std::tanh(x); }); break;
        case OpCoth: Unary(top, n, RealCoth); break;
        case OpSech: Unary(top, n, RealSech); break;
        case OpCsch: Unary(top, n, RealCsch); break;
        case OpAsinh: Unary(top, n, RealAsinh); break;
        case OpAcosh: Unary(top, n, RealAcosh); break;
        case OpAtanh: Unary(top, n, RealAtanh); break;
        case OpAcoth: Unary(top, n, RealAcoth); break;
        case OpAsech: Unary(top, n, RealAsech); break;
        case OpAcsch: Unary(top, n, RealAcsch); break;
        case OpImag:
        case OpArg:
            // Every lane becomes 0; the mode stays.
            std::fill_n(top + 1, IsVarying(top) ? n : 1, 0.0);
            break;
        case OpImaginaryUnit: SetUniform(push(), static_cast<double>(NAN)); break;
        case OpLess:
        case OpGreater:
        case OpLeq:
        case OpGeq:
        case OpEqual:
        case OpNotEqual: {
            int32_t count = std::max(a, 1);
            double* a1 = top - (count - 1) * run.stride;
            switch (opcode) {
            case OpLess: RelationChain(a1, count, temporary, run, RealLess); break;
            case OpGreater: RelationChain(a1, count, temporary, run, RealGreater); break;
            case OpLeq: RelationChain(a1, count, temporary, run, RealLessEqual); break;
            case OpGeq: RelationChain(a1, count, temporary, run, RealGreaterEqual); break;
            case OpEqual: RelationChain(a1, count, temporary, run, RealEqual); break;
            default:
                RelationChain(a1, count, temporary, run, [](double x, double y) { return RealNot(RealEqual(x, y)); });
                break;
            }
            top = a1;
            break;
        }
        case OpBranch: {
            int32_t pairs = std::max(a, 0);
            if (pairs == 0) {
                SetUniform(push(), static_cast<double>(NAN));
                break;
            }
            double* c1 = top - (2 * pairs - 1) * run.stride;
            Piecewise(c1, pairs, temporary, other, run);
            top = c1;
            break;
        }
        case OpInterpolate1:
            Unary(top, n, [a, doc](double x) { return EvalTableFunctionReal1(static_cast<uint32_t>(a), x, doc); });
            break;
        case OpInterpolate2:
            Binary(below(), top, n, [a, doc](double lower, double upper) {
                return EvalTableFunctionReal2(static_cast<uint32_t>(a), upper, lower, doc);
            });
            pop(1);
            break;
        case OpLoopTest: {
            // Counters and limits are uniform by assumption: lane 1 drives.
            double counter = run.Local(a)[1];
            double limit = run.Local(a + 1)[1];
            if (RealLessEqual(counter, limit) != 1) {
                next = pc + b + 1;
            } else if (RealLessEqual(limit - counter, kLoopStepCap) != 1) {
                MakeUndefined(top, n);
                next = pc + b + 1;
            }
            break;
        }
        case OpLoopEnd: {
            double counter = run.Local(a)[1];
            double stepped = counter + 1;
            // A counter too large to count by 1 ends the loop at its next test.
            run.Local(a)[1] = stepped == counter ? NAN : stepped;
            next = pc - b;
            break;
        }
        case OpBeginAggregate:
        case OpBeginMinMax: {
            double start = opcode == OpBeginAggregate ? 0 : NAN;
            SetUniform(push(), start);
            SetUniform(push(), start);
            savedRows.Push(row);
            SetUniform(run.Local(a), 1.0);
            SetUniform(run.Local(a + 1), static_cast<double>(b) + 1);
            break;
        }
        case OpRowFromCounter: row = ToDataRow(run.Local(a)[1]); break;
        case OpSelectRow:
            savedRows.Push(row);
            row = ToDataRow(top[1]);
            pop(1);
            break;
        case OpRestoreRow:
            // A pop with nothing saved keeps the current row.
            if (savedRows.count > 0)
                row = savedRows[--savedRows.count];
            break;
        case OpAggregateWeighted:
            // count, sum, value, weight
            AggregateStep(top - 3 * run.stride, top - 2 * run.stride, below(), top, n, CountAndSum);
            pop(2);
            break;
        case OpMinMaxWeighted:
            // max, min, value, weight
            AggregateStep(top - 3 * run.stride, top - 2 * run.stride, below(), top, n, MaxAndMin);
            pop(2);
            break;
        case OpAggregateStep:
            // count, sum, value
            AggregateStep(top - 2 * run.stride, below(), top, nullptr, n, CountAndSum);
            pop(1);
            break;
        case OpMinMaxStep:
            // max, min, value
            AggregateStep(top - 2 * run.stride, below(), top, nullptr, n, MaxAndMin);
            pop(1);
            break;
        case OpFail:
            SetUniform(top, static_cast<double>(NAN));
            ForgetLaterStores(next, run);
            goto done;
        case OpCallUser:
        case OpEnd: goto done;
        default:
            // 13, 70, 72, 73, 75, 86 to 88, 92, 93 and unknown opcodes do
            // nothing.
            break;
        }
        pc = next;
    }

done:
    if (IsVarying(top))
        std::memcpy(out, top + 1, sizeof(double) * n);
    else
        std::fill_n(out, n, top[1]);
    savedRows.Clear();
}

}  // namespace VL_INTERPRETER_BUILD

#pragma GCC pop_options

#if !defined(VL_INTERPRETER_V3)

void BytecodeProgram::RunRealBatch(GridEvalState* state, double* out) const
{
#if defined(__x86_64__)
    if (InterpreterBuildFlag) {
        v3::InterpretRealBatch(this, state, out);
        return;
    }
#endif
    baseline::InterpretRealBatch(this, state, out);
}

#endif
