// The real batch interpreter. InterpretRealBatchV3.cpp compiles this file a
// second time for x86-64-v3; the headers come first, so shared inline code
// stays baseline code and only the functions defined here take the wider
// instruction set.
//
// Every value is a lane vector (LaneVector.h) of N + 1 doubles: stack
// entries, frame slots and the two temporaries alike. An operation on
// uniform operands computes one value; otherwise it loops over the lanes,
// and those loops are what the processor's vector units run. A per-lane
// value loaded from a frame slot or from the x parts of a row is read where
// it lies until an operation changes it, so a load copies nothing.
#include "evaluation/InterpretRealBatch.h"

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/SmallNumerics.h"
#include "evaluation/BudgetBlock.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompileContext.h"
#include "evaluation/FrameSlots.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/InterpreterBuild.h"
#include "evaluation/InterpreterFloor.h"
#include "evaluation/LaneVector.h"
#include "evaluation/ParameterValue.h"
#include "evaluation/RunControl.h"
#include "numerics/RealLibrary.h"

#include <alloca.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

// The lane loops pay for vectorising at any length, which the default cost
// model of -O2 does not assume (clang vectorises them as they are).
#if !defined(__clang__)
#pragma GCC push_options
#pragma GCC optimize("tree-vectorize", "vect-cost-model=dynamic")
#endif
#include "evaluation/InterpreterTarget.h"

namespace VL_INTERPRETER_BUILD {
namespace {

constexpr double kLoopStepCap = 100000;
// The relation chains and the piecewise choice work in two lane vectors
// taken with the value stack.
constexpr int32_t kTemporaries = 2;

// The batch frame of a run.
struct Frame {
    double* cells;
    int64_t stride;  // N + 1 doubles per slot
    int32_t localBase;

    double* Slot(int32_t s) const { return cells + s * stride; }
    double* Local(int32_t k) const { return Slot(localBase + k); }
};

// The value stack and the temporaries. Entry d owns a lane vector at
// base + d x stride (but for the lanes of entry 1), whose header holds its
// mode; its values are read through view[d]: its own lanes, or the lanes
// of the frame slot or the x parts it was loaded from, until an operation
// writes it.
struct Stack {
    double* base;
    const double** view;
    int64_t stride;
    int32_t n;

    // The lanes of entry 1, where a run's result ends: the caller's output,
    // so that the last operation writes the row in place.
    double* out;

    double* Own(int32_t d) const { return base + d * stride; }
    double* OwnLanes(int32_t d) const { return d == 1 ? out : Own(d) + 1; }
    const double* In(int32_t d) const { return view[d]; }
    bool Varies(int32_t d) const { return IsVarying(Own(d)); }

    // Entry d's values are now in its own lanes.
    void Owned(int32_t d, bool varying)
    {
        SetVarying(Own(d), varying);
        view[d] = OwnLanes(d);
    }
    void SetValue(int32_t d, double value)
    {
        OwnLanes(d)[0] = value;
        Owned(d, false);
    }
    // Per-lane values that stay where they are.
    void Refer(int32_t d, const double* lanes)
    {
        SetVarying(Own(d), true);
        view[d] = lanes;
    }
    void Load(int32_t d, const double* vector)
    {
        if (IsVarying(vector))
            Refer(d, vector + 1);
        else
            SetValue(d, vector[1]);
    }
    // Entry to takes from's mode and values.
    void CopyEntry(int32_t to, int32_t from)
    {
        if (!Varies(from)) {
            SetValue(to, In(from)[0]);
        } else if (view[from] != OwnLanes(from)) {
            Refer(to, view[from]);
        } else {
            std::memcpy(OwnLanes(to), OwnLanes(from), sizeof(double) * n);
            Owned(to, true);
        }
    }
    // Entry d's values as its own per-lane values, a uniform value in
    // every lane.
    void OwnPerLane(int32_t d)
    {
        double* lanes = OwnLanes(d);
        if (!Varies(d))
            std::fill_n(lanes + 1, n - 1, lanes[0]);
        else if (view[d] != lanes)
            std::memcpy(lanes, view[d], sizeof(double) * n);
        Owned(d, true);
    }
    // Every meaningful lane of entry d becomes the value; the mode stays.
    void FillLanes(int32_t d, double value)
    {
        bool varying = Varies(d);
        std::fill_n(OwnLanes(d), varying ? n : 1, value);
        Owned(d, varying);
    }
    // Before a frame slot changes, the entries 0 .. top that read it take
    // copies of its lanes.
    void Detach(const double* vector, int32_t top)
    {
        for (int32_t d = 0; d <= top; ++d) {
            if (view[d] == vector + 1) {
                std::memcpy(OwnLanes(d), view[d], sizeof(double) * n);
                view[d] = OwnLanes(d);
            }
        }
    }
    // Entry d's mode and values into a frame slot.
    void StoreInto(double* vector, int32_t d, int32_t top)
    {
        Detach(vector, top);
        bool varying = Varies(d);
        SetVarying(vector, varying);
        if (varying)
            std::memcpy(vector + 1, In(d), sizeof(double) * n);
        else
            vector[1] = In(d)[0];
    }
    void Swap(int32_t a, int32_t b)
    {
        bool whole = Varies(a) || Varies(b);
        std::swap(Own(a)[0], Own(b)[0]);
        std::swap_ranges(OwnLanes(a), OwnLanes(a) + (whole ? n : 1), OwnLanes(b));
        // Own values moved with the lanes; outside ones stay where they are.
        const double* toA = view[b] == OwnLanes(b) ? OwnLanes(a) : view[b];
        const double* toB = view[a] == OwnLanes(a) ? OwnLanes(b) : view[a];
        view[a] = toA;
        view[b] = toB;
    }
};

// One operand, in place.
template <typename F>
inline __attribute__((always_inline)) void Unary(Stack& s, int32_t d, F f)
{
    const double* x = s.In(d);
    double* r = s.OwnLanes(d);
    int32_t count = s.Varies(d) ? s.n : 1;
    for (int32_t i = 0; i < count; ++i)
        r[i] = f(x[i]);
    s.view[d] = r;
}

// Whether 1/y is exactly a double: a power of two, its reciprocal neither
// overflowing nor below the smallest subnormal.
inline bool ExactReciprocal(double y)
{
    int exponent;
    double mantissa = std::frexp(y, &exponent);
    return std::fabs(mantissa) == 0.5 && std::isfinite(1 / y) && exponent <= 1075;
}

// Two operands, the result in the place of the deeper one, b: computed once
// when both are uniform, else lane by lane with a uniform operand's one
// value in every lane.
template <typename F>
inline __attribute__((always_inline)) void Binary(Stack& s, int32_t b, int32_t t, F f)
{
    bool bv = s.Varies(b);
    bool tv = s.Varies(t);
    const double* x = s.In(b);
    const double* y = s.In(t);
    double* r = s.OwnLanes(b);
    double b1 = x[0];
    double t1 = y[0];
    int32_t n = s.n;
    if (!bv && !tv) {
        r[0] = f(b1, t1);
        s.view[b] = r;
        return;
    }
    if (bv && tv) {
        for (int32_t i = 0; i < n; ++i)
            r[i] = f(x[i], y[i]);
    } else if (bv) {
        for (int32_t i = 0; i < n; ++i)
            r[i] = f(x[i], t1);
    } else {
        for (int32_t i = 0; i < n; ++i)
            r[i] = f(b1, y[i]);
    }
    s.Owned(b, true);
}

// Lanes to the whole power N: with N a constant the products unroll and
// run several lanes at a time.
template <uint32_t N>
void WholePowers(Stack& s, int32_t b, int32_t t)
{
    Binary(s, b, t, [](double x, double) { return SmallWholePower(x, N); });
}

template <uint32_t... N>
constexpr auto MakeWholePowers(std::integer_sequence<uint32_t, N...>)
{
    return std::array<void (*)(Stack&, int32_t, int32_t), sizeof...(N)>{&WholePowers<N>...};
}

// By exponent, 0 to the largest the real power multiplies out.
constexpr auto kWholePowers = MakeWholePowers(std::make_integer_sequence<uint32_t, kLargestMultipliedPower + 1>());

// Three operands, the result in to's place (to may be any of them).
template <typename F>
inline __attribute__((always_inline)) void Ternary(Stack& s, int32_t to, int32_t a, int32_t b, int32_t c, F f)
{
    bool av = s.Varies(a);
    bool bv = s.Varies(b);
    bool cv = s.Varies(c);
    const double* x = s.In(a);
    const double* y = s.In(b);
    const double* z = s.In(c);
    // Lane 1 of a uniform operand may be overwritten first.
    double a1 = x[0];
    double b1 = y[0];
    double c1 = z[0];
    double* r = s.OwnLanes(to);
    if (!av && !bv && !cv) {
        r[0] = f(a1, b1, c1);
        s.Owned(to, false);
        return;
    }
    for (int32_t i = 0; i < s.n; ++i)
        r[i] = f(av ? x[i] : a1, bv ? y[i] : b1, cv ? z[i] : c1);
    s.Owned(to, true);
}

// The square roots of an entry's lanes by the processor's instruction, as
// the point interpreter takes them, several lanes at a time: the compiler
// keeps a library call for negative operands (errno), which stops it
// vectorising the plain loop.
void SquareRoots(Stack& s, int32_t d)
{
    const double* x = s.In(d);
    double* r = s.OwnLanes(d);
    int32_t count = s.Varies(d) ? s.n : 1;
    int32_t i = 0;
#if defined(VL_INTERPRETER_V3)
    for (; i + 4 <= count; i += 4)
        _mm256_storeu_pd(r + i, _mm256_sqrt_pd(_mm256_loadu_pd(x + i)));
#endif
#if defined(__SSE2__)
    for (; i + 2 <= count; i += 2)
        _mm_storeu_pd(r + i, _mm_sqrt_pd(_mm_loadu_pd(x + i)));
    for (; i < count; ++i)
        r[i] = _mm_cvtsd_f64(_mm_sqrt_sd(_mm_setzero_pd(), _mm_set_sd(x[i])));
#else
    for (; i < count; ++i)
        r[i] = std::sqrt(x[i]);
#endif
    s.view[d] = r;
}

// Relation chain over count entries from a1 up: the pair tests from the top
// pair down, combined with And in the temporary, which ends in a1's place.
template <typename Relation>
void RelationChain(Stack& s, int32_t a1, int32_t count, int32_t temporary, Relation holds)
{
    if (count == 2) {
        Binary(s, a1, a1 + 1, holds);
        return;
    }
    s.SetValue(temporary, 1.0);
    for (int32_t m = count - 1; m >= 1; --m) {
        Ternary(s, temporary, a1 + m - 1, a1 + m, temporary,
                [holds](double lower, double upper, double r) { return RealAnd(holds(lower, upper), r); });
    }
    s.CopyEntry(a1, temporary);
}

// Piecewise choice over pairs (condition, value) from c1 up, last pair
// first: per lane the value of the first pair whose condition is exactly 1,
// undefined where none is. Always per-lane.
void Piecewise(Stack& s, int32_t c1, int32_t pairs, int32_t chosen, int32_t decided)
{
    int32_t n = s.n;
    double* result = s.OwnLanes(chosen);
    double* done = s.OwnLanes(decided);
    std::fill_n(result, n, NAN);
    std::fill_n(done, n, 0.0);
    for (int32_t m = pairs - 1; m >= 0; --m) {
        int32_t condition = c1 + 2 * m;
        bool cv = s.Varies(condition);
        bool vv = s.Varies(condition + 1);
        const double* c = s.In(condition);
        const double* v = s.In(condition + 1);
        for (int32_t i = 0; i < n; ++i) {
            double ci = cv ? c[i] : c[0];
            if (std::isnan(ci) || ci == 0)
                continue;
            result[i] = done[i] == 0 || ci == 1 ? (vv ? v[i] : v[0]) : NAN;
            done[i] = done[i] == 1 || ci == 1 ? 1 : 0;
        }
    }
    s.Owned(chosen, true);
    s.CopyEntry(c1, chosen);
}

// A step of a row aggregate: where the weight (when there is one, weight
// >= 0) is exactly 1 and the value is defined, the two running values take
// the value. Once any entry is per-lane both running values are.
template <typename Step>
void AggregateStep(Stack& s, int32_t first, int32_t second, int32_t value, int32_t weight, Step step)
{
    bool vv = s.Varies(value);
    bool wv = weight >= 0 && s.Varies(weight);
    const double* v = s.In(value);
    const double* w = weight >= 0 ? s.In(weight) : nullptr;
    if (!s.Varies(first) && !s.Varies(second) && !vv && !wv) {
        if ((!w || w[0] == 1) && !std::isnan(v[0]))
            step(s.OwnLanes(first)[0], s.OwnLanes(second)[0], v[0]);
        return;
    }
    s.OwnPerLane(first);
    s.OwnPerLane(second);
    double* f = s.OwnLanes(first);
    double* g = s.OwnLanes(second);
    for (int32_t i = 0; i < s.n; ++i) {
        double vi = vv ? v[i] : v[0];
        if ((!w || (wv ? w[i] : w[0]) == 1) && !std::isnan(vi))
            step(f[i], g[i], vi);
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

// A per-axis value precomputed for the grid (opcodes 8, 9, 10) into entry
// d: x parts vary along the columns, y parts along the rows of a layer; NaN
// when the grid has no such part.
void PushGridPart(Stack& s, int32_t d, const GridEvalState* grid, int32_t axis, int32_t a)
{
    int64_t cell = PartCell(*grid, axis, a);
    bool layer = grid->nz != 0;
    // A run of lanes starts at the first column or row.
    if (cell < 0 || (axis == 0 && grid->curI != 0) || (axis == 1 && layer && grid->curJ != 0)) {
        s.SetValue(d, NAN);
        return;
    }
    const double* from = static_cast<const double*>(grid->parts) + cell;
    double* lanes = s.OwnLanes(d);
    if (axis == 0 && !layer) {
        // The row's lanes are the parts themselves.
        s.Refer(d, from);
    } else if (axis == 0) {
        for (int32_t r = 0; r < grid->ny; ++r)
            std::memcpy(lanes + static_cast<int64_t>(r) * grid->nx, from, sizeof(double) * grid->nx);
        s.Owned(d, true);
    } else if (axis == 1 && layer) {
        for (int32_t r = 0; r < grid->ny; ++r)
            std::fill_n(lanes + static_cast<int64_t>(r) * grid->nx, grid->nx, from[r]);
        s.Owned(d, true);
    } else {
        s.SetValue(d, *from);
    }
}

}  // namespace

void InterpretRealBatch(const BytecodeProgram* program, GridEvalState* grid, double* out)
{
    int32_t n = BatchLaneCount(*grid);
    if (n <= 0)
        return;
    RunControl control{&program->stopRequested, false};
    const ComplexValue* constants = program->context ? program->context->GetConstants(control) : nullptr;
    int64_t stride = static_cast<int64_t>(n) + 1;
    Frame frame{static_cast<double*>(grid->frame), stride, program->localBase};

    // The stack's lane vectors and their views in one block.
    int32_t entries = std::max(program->maxStack, 1) + kTemporaries;
    int64_t bytes64 = entries * (stride * static_cast<int64_t>(sizeof(double)) + static_cast<int64_t>(sizeof(double*)));
    uint32_t bytes = static_cast<uint32_t>(std::min<int64_t>(bytes64, UINT32_MAX));
    BudgetBlock heap;
    void* block = nullptr;
    if (bytes64 < UINT32_MAX && !control.stopped) {
        if (HasStackRoom(bytes)) {
            block = alloca(bytes);
        } else {
            heap.block = BudgetMalloc(bytes, false);
            block = heap.block;
        }
    }
    if (!block) {
        std::fill_n(out, n, NAN);
        return;
    }
    Stack s{static_cast<double*>(block), nullptr, stride, n, out};
    s.view = reinterpret_cast<const double**>(static_cast<char*>(block) + entries * stride * sizeof(double));
    int32_t temporary = entries - kTemporaries;
    // The bottom entry is the top before the first push.
    int32_t t = 0;
    s.SetValue(t, NAN);

    const DocState* doc = program->doc;
    const std::atomic<unsigned char>* stopRequest = control.stopRequest;
    int32_t row = ToDataRow(frame.Slot(SlotDataRow)[1]);
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
        case OpPushNumber: s.SetValue(++t, pc->number); break;
        case OpLoadSlot: s.Load(++t, frame.Slot(a)); break;
        case OpLoadLocal: s.Load(++t, frame.Local(a)); break;
        case OpLoadParameter:
            s.SetValue(++t, ComplexToReal(GetParameterValue(static_cast<uint32_t>(a), row, doc)));
            break;
        case OpStoreSlot:
            // The programs store only into computed slots; a store into a
            // per-lane input slot makes the next row write its inputs anew.
            if (a <= 4)
                grid->laneInputBytes = 0;
            s.StoreInto(frame.Slot(a), t, t);
            break;
        case OpStoreLocal: s.StoreInto(frame.Local(a), t, t); break;
        case OpStoreAndDrop:
            s.StoreInto(frame.Local(a), t, t);
            --t;
            break;
        case OpSwap: s.Swap(t - 1, t); break;
        case OpDrop: --t; break;
        case OpLoadXPart:
        case OpLoadYPart:
        case OpLoadZPart: PushGridPart(s, ++t, grid, opcode - OpLoadXPart, a); break;
        case OpLoadConstant: s.SetValue(++t, constants ? constants[a].re : static_cast<double>(NAN)); break;
        case OpAdd: Binary(s, t - 1, t, [](double x, double y) { return x + y; }); --t; break;
        case OpMultiply: Binary(s, t - 1, t, [](double x, double y) { return x * y; }); --t; break;
        case OpDivide:
            // By a power of two whose reciprocal is exact, a product rounds
            // the same quotient and costs far less per lane.
            if (!s.Varies(t) && ExactReciprocal(s.In(t)[0]))
                Binary(s, t - 1, t, [](double x, double y) { return x * (1 / y); });
            else
                Binary(s, t - 1, t, [](double x, double y) { return x / y; });
            --t;
            break;
        case OpPower:
            // A uniform small whole exponent: the same products in every
            // lane, with no test of the exponent per lane.
            if (!s.Varies(t) && IsSmallWholeExponent(s.In(t)[0])) {
                kWholePowers[static_cast<uint32_t>(s.In(t)[0])](s, t - 1, t);
            } else {
                Binary(s, t - 1, t, RealPower);
            }
            --t;
            break;
        // The angle of the point (below, top).
        case OpAngle: Binary(s, t - 1, t, [](double x, double y) { return Atan2Positive(y, x); }); --t; break;
        case OpHypot: Binary(s, t - 1, t, Hypot); --t; break;
        case OpInterval:
            // Top stays, in below's place.
            s.CopyEntry(t - 1, t);
            --t;
            break;
        case OpTextEqual: Binary(s, t - 1, t, TextEquals); --t; break;
        case OpTextNotEqual:
            Binary(s, t - 1, t, [](double x, double y) { return RealNot(TextEquals(x, y)); });
            --t;
            break;
        case OpAnd: Binary(s, t - 1, t, [](double x, double y) { return RealAnd(x, y); }); --t; break;
        case OpOr: Binary(s, t - 1, t, [](double x, double y) { return RealOr(x, y); }); --t; break;
        // x beneath, the order on top.
        case OpBesselJ:
            Binary(s, t - 1, t, [](double x, double order) { return RealBesselJ(order, x); });
            --t;
            break;
        case OpMod: Binary(s, t - 1, t, RealMod); --t; break;
        case OpMin: Binary(s, t - 1, t, [](double x, double y) { return MinDouble(x, y); }); --t; break;
        case OpMax: Binary(s, t - 1, t, [](double x, double y) { return MaxDouble(x, y); }); --t; break;
        case OpBinomial: Binary(s, t - 1, t, RealBinomial); --t; break;
        case OpRationalPower:
            // base, p, q with q on top.
            Ternary(s, t - 2, t - 2, t - 1, t, [](double x, double p, double q) { return RationalPower(x, q, p); });
            t -= 2;
            break;
        case OpClamp:
            // x, lo, hi with hi on top.
            Ternary(s, t - 2, t - 2, t - 1, t,
                    [](double v, double lo, double hi) { return MaxDouble(MinDouble(v, hi), lo); });
            t -= 2;
            break;
        case OpIf:
            // The value beneath, the condition on top.
            Binary(s, t - 1, t, [](double value, double condition) { return condition == 1 ? value : NAN; });
            --t;
            break;
        case OpNegate:
            // x + (-y) is x - y, bit for bit: one pass for the two.
            if (next->opcode == OpAdd) {
                Binary(s, t - 1, t, [](double x, double y) { return x - y; });
                --t;
                ++next;
                break;
            }
            Unary(s, t, [](double x) { return -x; });
            break;
        case OpAbs: Unary(s, t, [](double x) { return std::fabs(x); }); break;
        case OpSign: Unary(s, t, [](double x) { return RealSign(x); }); break;
        case OpSqrt: SquareRoots(s, t); break;
        case OpSquare: Unary(s, t, [](double x) { return x * x; }); break;
        case OpFloor: Unary(s, t, [](double x) { return Floor(x); }); break;
        case OpCeil: Unary(s, t, [](double x) { return -Floor(-x); }); break;
        case OpNot: Unary(s, t, [](double x) { return RealNot(x); }); break;
        case OpExp: Unary(s, t, [](double x) { return std::exp(x); }); break;
        case OpLog10: Unary(s, t, [](double x) { return std::log10(x); }); break;
        case OpLn: Unary(s, t, [](double x) { return std::log(x); }); break;
        case OpFactorial: Unary(s, t, RealFactorial); break;
        case OpSin: Unary(s, t, [](double x) { return std::sin(x); }); break;
        case OpCos: Unary(s, t, [](double x) { return std::cos(x); }); break;
        case OpTan: Unary(s, t, [](double x) { return std::tan(x); }); break;
        case OpCot: Unary(s, t, RealCot); break;
        case OpSec: Unary(s, t, RealSec); break;
        case OpCsc: Unary(s, t, RealCsc); break;
        case OpAsin: Unary(s, t, [](double x) { return std::asin(x); }); break;
        case OpAcos: Unary(s, t, [](double x) { return std::acos(x); }); break;
        case OpAtan: Unary(s, t, [](double x) { return std::atan(x); }); break;
        case OpAcot: Unary(s, t, RealAcot); break;
        case OpAsec: Unary(s, t, RealAsec); break;
        case OpAcsc: Unary(s, t, RealAcsc); break;
        case OpSinh: Unary(s, t, [](double x) { return std::sinh(x); }); break;
        case OpCosh: Unary(s, t, [](double x) { return std::cosh(x); }); break;
        case OpTanh: Unary(s, t, [](double x) { return std::tanh(x); }); break;
        case OpCoth: Unary(s, t, RealCoth); break;
        case OpSech: Unary(s, t, RealSech); break;
        case OpCsch: Unary(s, t, RealCsch); break;
        case OpAsinh: Unary(s, t, RealAsinh); break;
        case OpAcosh: Unary(s, t, RealAcosh); break;
        case OpAtanh: Unary(s, t, RealAtanh); break;
        case OpAcoth: Unary(s, t, RealAcoth); break;
        case OpAsech: Unary(s, t, RealAsech); break;
        case OpAcsch: Unary(s, t, RealAcsch); break;
        case OpImag:
        case OpArg: s.FillLanes(t, 0); break;
        case OpImaginaryUnit: s.SetValue(++t, NAN); break;
        case OpLess:
        case OpGreater:
        case OpLeq:
        case OpGeq:
        case OpEqual:
        case OpNotEqual: {
            int32_t count = std::max(a, 1);
            int32_t a1 = t - (count - 1);
            switch (opcode) {
            case OpLess: RelationChain(s, a1, count, temporary, [](double x, double y) { return RealLess(x, y); }); break;
            case OpGreater: RelationChain(s, a1, count, temporary, [](double x, double y) { return RealGreater(x, y); }); break;
            case OpLeq: RelationChain(s, a1, count, temporary, [](double x, double y) { return RealLessEqual(x, y); }); break;
            case OpGeq: RelationChain(s, a1, count, temporary, [](double x, double y) { return RealGreaterEqual(x, y); }); break;
            case OpEqual: RelationChain(s, a1, count, temporary, [](double x, double y) { return RealEqual(x, y); }); break;
            default:
                RelationChain(s, a1, count, temporary, [](double x, double y) { return RealNot(RealEqual(x, y)); });
                break;
            }
            t = a1;
            break;
        }
        case OpBranch: {
            int32_t pairs = std::max(a, 0);
            if (pairs == 0) {
                s.SetValue(++t, NAN);
                break;
            }
            int32_t c1 = t - (2 * pairs - 1);
            Piecewise(s, c1, pairs, temporary, temporary + 1);
            t = c1;
            break;
        }
        case OpInterpolate1:
            Unary(s, t, [a, doc](double x) { return EvalTableFunctionReal1(static_cast<uint32_t>(a), x, doc); });
            break;
        case OpInterpolate2:
            Binary(s, t - 1, t, [a, doc](double lower, double upper) {
                return EvalTableFunctionReal2(static_cast<uint32_t>(a), upper, lower, doc);
            });
            --t;
            break;
        case OpLoopTest: {
            // Counters and limits are uniform by assumption: lane 1 drives.
            double counter = frame.Local(a)[1];
            double limit = frame.Local(a + 1)[1];
            if (RealLessEqual(counter, limit) != 1) {
                next = pc + b + 1;
            } else if (RealLessEqual(limit - counter, kLoopStepCap) != 1) {
                s.FillLanes(t, NAN);
                next = pc + b + 1;
            }
            break;
        }
        case OpLoopEnd: {
            double* counter = frame.Local(a);
            s.Detach(counter, t);
            double stepped = counter[1] + 1;
            // A counter too large to count by 1 ends the loop at its next test.
            counter[1] = stepped == counter[1] ? NAN : stepped;
            next = pc - b;
            break;
        }
        case OpBeginAggregate:
        case OpBeginMinMax: {
            double start = opcode == OpBeginAggregate ? 0 : NAN;
            s.SetValue(++t, start);
            s.SetValue(++t, start);
            savedRows.Push(row);
            s.Detach(frame.Local(a), t);
            s.Detach(frame.Local(a + 1), t);
            SetUniform(frame.Local(a), 1.0);
            SetUniform(frame.Local(a + 1), static_cast<double>(b) + 1);
            break;
        }
        case OpRowFromCounter: row = ToDataRow(frame.Local(a)[1]); break;
        case OpSelectRow:
            savedRows.Push(row);
            row = ToDataRow(s.In(t)[0]);
            --t;
            break;
        case OpRestoreRow:
            // A pop with nothing saved keeps the current row.
            if (savedRows.count > 0)
                row = savedRows[--savedRows.count];
            break;
        case OpAggregateWeighted:
            // count, sum, value, weight
            AggregateStep(s, t - 3, t - 2, t - 1, t, CountAndSum);
            t -= 2;
            break;
        case OpMinMaxWeighted:
            // max, min, value, weight
            AggregateStep(s, t - 3, t - 2, t - 1, t, MaxAndMin);
            t -= 2;
            break;
        case OpAggregateStep:
            // count, sum, value
            AggregateStep(s, t - 2, t - 1, t, -1, CountAndSum);
            --t;
            break;
        case OpMinMaxStep:
            // max, min, value
            AggregateStep(s, t - 2, t - 1, t, -1, MaxAndMin);
            --t;
            break;
        case OpFail:
            s.SetValue(t, NAN);
            ForgetLaterStores(next, frame.cells, n, frame.localBase, static_cast<double>(NAN));
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
    if (!s.Varies(t))
        std::fill_n(out, n, s.In(t)[0]);
    else if (s.In(t) != out)
        std::memcpy(out, s.In(t), sizeof(double) * n);
    savedRows.Clear();
}

}  // namespace VL_INTERPRETER_BUILD

VL_INTERPRETER_TARGET_END
#if !defined(__clang__)
#pragma GCC pop_options
#endif

#if !defined(VL_INTERPRETER_V3)

void BytecodeProgram::RunRealBatch(GridEvalState* state, double* out) const
{
    VL_IN_BUILD(InterpretRealBatch, this, state, out);
}

#endif
