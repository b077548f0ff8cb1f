// The formulas every evaluation benchmark times: nineteen typical ones of the
// common expression-parser benchmarks (a sum, a linear form, small and
// fractional powers, a polynomial in power and in Horner form, the Gaussian,
// the distance, single functions, quotients, nested trigonometry). Each in
// four ways: a name, the formula text in a and b, the same text for
// muparser, and the same arithmetic as a C++ expression in a and b that
// compiles for double and for std::complex<double>. An X-macro, so that each
// benchmark makes the expression into inline native code of its kind.
//
// Also what the benchmarks share: reading the formula with a and b replaced,
// the agreement test of two results, a frame whose lanes carry their own
// inputs, and the medians of the ratios printed after the run.
#pragma once

#include "numerics/ComplexValue.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/LaneVector.h"
#include "formula/FormulaNode.h"
#include "support/FormulaReader.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdio>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

constexpr double kBenchPi = 3.14159265358979323846;

// a^N by multiplication, as C++ code writes a small whole power.
template <int N, typename T>
inline T BenchPow(T a)
{
    T r = a;
    for (int i = 1; i < N; ++i)
        r *= a;
    return r;
}

// FORMULA(name, text, muparser text, C++ expression)
#define VL_BENCH_FORMULAS(FORMULA)                                                                               \
    FORMULA(sum, "a+1", "a+1", a + 1.0)                                                                          \
    FORMULA(linear, "2*a+1", "2*a+1", 2.0 * a + 1.0)                                                             \
    FORMULA(square, "a^2+1", "a^2+1", a * a + 1.0)                                                               \
    FORMULA(cubic, "1.1*a^2+2.2*b^3", "1.1*a^2+2.2*b^3", 1.1 * a * a + 2.2 * BenchPow<3>(b))                    \
    FORMULA(real_powers, "1.1*a^2.01+2.2*b^3.01", "1.1*a^2.01+2.2*b^3.01",                                       \
            1.1 * std::pow(a, 2.01) + 2.2 * std::pow(b, 3.01))                                                   \
    FORMULA(gauss, "1/(a*sqrt(2*pi))*e^(-0.5*((b-a)/a)^2)", "1/(a*sqrt(2*_pi))*_e^(-0.5*((b-a)/a)^2)",            \
            1.0 / (a * std::sqrt(2.0 * kBenchPi)) * std::exp(-0.5 * ((b - a) / a) * ((b - a) / a)))               \
    FORMULA(horner, "((((((7*a+6)*a+5)*a+4)*a+3)*a+2)*a+1)*a+0.1",                                               \
            "((((((7*a+6)*a+5)*a+4)*a+3)*a+2)*a+1)*a+0.1",                                                       \
            ((((((7.0 * a + 6.0) * a + 5.0) * a + 4.0) * a + 3.0) * a + 2.0) * a + 1.0) * a + 0.1)                \
    FORMULA(powers, "7*a^7+6*a^6+5*a^5+4*a^4+3*a^3+2*a^2+1*a^1+0.1",                                             \
            "7*a^7+6*a^6+5*a^5+4*a^4+3*a^3+2*a^2+1*a^1+0.1",                                                     \
            7.0 * BenchPow<7>(a) + 6.0 * BenchPow<6>(a) + 5.0 * BenchPow<5>(a) + 4.0 * BenchPow<4>(a) +          \
                3.0 * BenchPow<3>(a) + 2.0 * a * a + a + 0.1)                                                    \
    FORMULA(distance, "sqrt(a^2+b^2)", "sqrt(a^2+b^2)", std::sqrt(a * a + b * b))                                \
    FORMULA(sine, "sin(a)", "sin(a)", std::sin(a))                                                               \
    FORMULA(root, "sqrt(a)", "sqrt(a)", std::sqrt(a))                                                            \
    FORMULA(modulus, "abs(a)", "abs(a)", std::abs(a))                                                            \
    FORMULA(fraction, "a/((a+b)*(a-b))/b", "a/((a+b)*(a-b))/b", a / ((a + b) * (a - b)) / b)                     \
    FORMULA(mixed, "(5.5+a)+(2*a-2/3*b)*(a/3+b/4)+(b+7.7)", "(5.5+a)+(2*a-2/3*b)*(a/3+b/4)+(b+7.7)",             \
            (5.5 + a) + (2.0 * a - 2.0 / 3.0 * b) * (a / 3.0 + b / 4.0) + (b + 7.7))                              \
    FORMULA(nested_trig, "a+(cos(b-sin(2/a*pi))-sin(a-cos(2*b/pi)))-b",                                          \
            "a+(cos(b-sin(2/a*_pi))-sin(a-cos(2*b/_pi)))-b",                                                     \
            a + (std::cos(b - std::sin(2.0 / a * kBenchPi)) - std::sin(a - std::cos(2.0 * b / kBenchPi))) - b)    \
    FORMULA(abs_sin_distance, "abs(sin(sqrt(a^2+b^2))*255)", "abs(sin(sqrt(a^2+b^2))*255)",                      \
            std::abs(std::sin(std::sqrt(a * a + b * b)) * 255.0))                                                \
    FORMULA(quotients, "(b+a/b)*(a-b/a)", "(b+a/b)*(a-b/a)", (b + a / b) * (a - b / a))                          \
    FORMULA(root_trig, "sqrt(1-sin(2*a)+cos(pi/b)/3)", "sqrt(1-sin(2*a)+cos(_pi/b)/3)",                          \
            std::sqrt(1.0 - std::sin(2.0 * a) + std::cos(kBenchPi / b) / 3.0))                                   \
    FORMULA(log_mix, "(0.1*a+1)*a+1.1-sin(a)-ln(a)/a*3/4", "(0.1*a+1)*a+1.1-sin(a)-ln(a)/a*3/4",                 \
            (0.1 * a + 1.0) * a + 1.1 - std::sin(a) - std::log(a) / a * 3.0 / 4.0)

// The inputs: a in [1.9, 3.0] and b in [0.4, 1.5], where every formula is
// defined in real arithmetic and a never equals b.
constexpr double kBenchA0 = 1.9;
constexpr double kBenchB0 = 0.4;
constexpr double kBenchSpan = 1.1;

// The formula of the text with a and b (names standing alone, not inside a
// function name) replaced; null when the text is not read.
inline FormulaNode* BenchTree(const char* text, const char* a, const char* b)
{
    std::string replaced;
    for (const char* p = text; *p;) {
        if (!std::isalpha(static_cast<unsigned char>(*p))) {
            replaced += *p++;
            continue;
        }
        const char* start = p;
        while (std::isalpha(static_cast<unsigned char>(*p)))
            ++p;
        std::string name(start, p);
        replaced += name == "a" ? a : name == "b" ? b : name;
    }
    return ReadFormula(replaced.c_str());
}

// Two results agree to 9 digits (relative to 1 for small values), or are
// both undefined.
inline bool BenchAgree(double ours, double reference)
{
    if (std::isnan(ours) || std::isnan(reference))
        return std::isnan(ours) && std::isnan(reference);
    return std::fabs(ours - reference) <= 1e-9 * std::max(1.0, std::fabs(reference));
}

inline bool BenchAgree(ComplexValue ours, std::complex<double> reference)
{
    return BenchAgree(ours.re, reference.real()) && BenchAgree(ours.im, reference.imag());
}

// Keeps a value in its registers as it is: native point loops stay one point
// at a time, as the point entries are (unhindered, the compiler runs several
// points per instruction, and the figure becomes a batch's).
inline void BenchKeepScalar(double& value)
{
    asm volatile("" : "+x"(value));
}

inline void BenchKeepScalar(std::complex<double>& value)
{
    double re = value.real(), im = value.imag();
    asm volatile("" : "+x"(re), "+x"(im));
    value = {re, im};
}

inline double BenchSecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A batch frame of one row of lanes, every lane with its own x and y (both
// marked per lane): the batch interpreter then runs every instruction on
// every lane, with nothing computed once per row or column.
template <typename Cell>
struct BenchLaneFrame {
    GridEvalState state;
    std::vector<Cell> cells;

    BenchLaneFrame(int32_t lanes, int32_t slots) : cells(static_cast<size_t>(slots) * (lanes + 1))
    {
        state.nx = lanes;
        state.ny = 1;
        state.frame = cells.data();
        state.slotCount = slots;
        for (int32_t s = 0; s < slots; ++s)
            SetUniform(Slot(s), Cell{});
        SetUniform(Slot(2), Cell{NAN});
        SetUniform(Slot(11), Cell{0});
    }
    ~BenchLaneFrame() { state.frame = nullptr; }

    Cell* Slot(int32_t s) { return BatchSlot<Cell>(cells.data(), s, state.nx); }

    // Slot s (3 for x, 4 for y) marked per lane, with the lanes' values.
    // Real lanes are a plain copy, as a caller would make it: the loop that
    // converts each value runs one lane at a time at -O2 and cost more than
    // the simpler formulas themselves.
    void SetLanes(int32_t s, const double* values)
    {
        Cell* slot = Slot(s);
        SetVarying(slot, true);
        if constexpr (std::is_same_v<Cell, double>) {
            std::copy_n(values, state.nx, slot + 1);
        } else {
            for (int32_t lane = 0; lane < state.nx; ++lane)
                slot[lane + 1] = Cell{values[lane]};
        }
    }
};

// The ratio of two ways' times in the median round: a burst of load on a
// shared machine lands in one way's turn of a round, and moves that round's
// ratio, not the median.
inline double BenchMedianRatio(const std::vector<double>& ways, const std::vector<double>& references)
{
    std::vector<double> ratios;
    for (size_t i = 0; i < ways.size() && i < references.size(); ++i)
        ratios.push_back(ways[i] / references[i]);
    if (ratios.empty())
        return NAN;
    std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
    return ratios[ratios.size() / 2];
}

// The C++ expression of a formula as an inline function of a and b.
#define VL_BENCH_NATIVE(expression) []([[maybe_unused]] auto a, [[maybe_unused]] auto b) { return expression; }

// Registers run(state) as "group/name", timed by the run (manual time).
template <typename Run>
benchmark::internal::Benchmark* RegisterBenchFormula(const char* group, const char* name, Run run)
{
    return benchmark::RegisterBenchmark((std::string(group) + "/" + name).c_str(), run)->UseManualTime();
}

// Ratios by column and formula, and their medians over the formulas printed
// once every benchmark has run.
inline std::map<std::string, std::map<std::string, double>>& BenchRatios()
{
    static std::map<std::string, std::map<std::string, double>> ratios;
    return ratios;
}

inline void RecordBenchRatio(const char* column, const std::string& formula, double ratio)
{
    BenchRatios()[column][formula] = ratio;
}

inline int RunBenchmarksWithMedians(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (auto& [column, byFormula] : BenchRatios()) {
        std::vector<double> values;
        for (auto& entry : byFormula)
            values.push_back(entry.second);
        std::sort(values.begin(), values.end());
        size_t n = values.size();
        double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
        std::printf("median %-28s %8.3f  (%zu formulas, %.3f to %.3f)\n", column.c_str(), median, n, values.front(),
                    values.back());
    }
    return 0;
}
