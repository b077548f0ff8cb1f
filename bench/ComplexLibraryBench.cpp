// The complex library against std::complex<double> (glibc's cexp, clog,
// csqrt, ctan, cpow ...) on the same 1,024 operands off the branch cuts: time
// per operation, side by side.
#include "numerics/ComplexLibrary.h"

#include <benchmark/benchmark.h>

#include <complex>
#include <random>
#include <vector>

namespace {

using Std = std::complex<double>;

const std::vector<ComplexValue>& Operands()
{
    static const std::vector<ComplexValue> operands = [] {
        std::mt19937_64 random(99);
        std::uniform_real_distribution<double> part(-3, 3);
        std::vector<ComplexValue> values(1024);
        for (ComplexValue& z : values)
            z = ComplexValue{part(random), part(random)};
        return values;
    }();
    return operands;
}

template <typename F>
void Ours(benchmark::State& state, F f)
{
    const std::vector<ComplexValue>& zs = Operands();
    for (auto _ : state) {
        for (size_t i = 0; i < zs.size(); ++i)
            benchmark::DoNotOptimize(f(zs[i], zs[(i + 1) % zs.size()]));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * zs.size()));
}

template <typename F>
void Reference(benchmark::State& state, F f)
{
    std::vector<Std> zs;
    for (ComplexValue z : Operands())
        zs.emplace_back(z.re, z.im);
    for (auto _ : state) {
        for (size_t i = 0; i < zs.size(); ++i)
            benchmark::DoNotOptimize(f(zs[i], zs[(i + 1) % zs.size()]));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * zs.size()));
}

#define VL_PAIR(name, ours, reference)                                                              \
    void BM_##name##_Ours(benchmark::State& state) { Ours(state, [](ComplexValue a, ComplexValue b) { \
        (void)b;                                                                                    \
        return ours;                                                                                \
    }); }                                                                                           \
    void BM_##name##_StdComplex(benchmark::State& state) { Reference(state, [](Std a, Std b) {      \
        (void)b;                                                                                    \
        return reference;                                                                           \
    }); }                                                                                           \
    BENCHMARK(BM_##name##_Ours);                                                                    \
    BENCHMARK(BM_##name##_StdComplex)

VL_PAIR(Divide, ComplexDivide(a, b), a / b);
VL_PAIR(Exp, ComplexExp(a), std::exp(a));
VL_PAIR(Log, ComplexLog(a), std::log(a));
VL_PAIR(Sqrt, ComplexSqrt(a), std::sqrt(a));
VL_PAIR(Sin, ComplexSin(a), std::sin(a));
VL_PAIR(Tan, ComplexTan(a), std::tan(a));
VL_PAIR(Tanh, ComplexTanh(a), std::tanh(a));
VL_PAIR(Pow, ComplexPow(a, b), std::pow(a, b));
VL_PAIR(Asin, ComplexAsin(a), std::asin(a));
VL_PAIR(Acosh, ComplexAcosh(a), std::acosh(a));

}  // namespace
