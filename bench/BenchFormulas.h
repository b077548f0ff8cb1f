// The formulas the evaluation benchmarks time, each four ways: a name, the
// text muparser reads, the formula tree, and the same arithmetic as a C++
// expression in x and y. An X-macro, so that each benchmark can make the
// C++ expression into the kind of native code it compares with.
#pragma once

#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"

inline FormulaNode* BenchX()
{
    return MakeVariableNode('x');
}

inline FormulaNode* BenchY()
{
    return MakeVariableNode('y');
}

inline FormulaNode* BenchNumber(double value)
{
    return MakeNumberNode(value);
}

// FORMULA(name, muparser text, tree, C++ expression)
#define VL_BENCH_FORMULAS(FORMULA)                                                                                \
    FORMULA(quotients, "(y + x / y) * (x - y / x)",                                                               \
            MakeProduct(MakeSum(BenchY(), MakeQuotient(BenchX(), BenchY())),                                      \
                        MakeDifference(BenchX(), MakeQuotient(BenchY(), BenchX()))),                              \
            (y + x / y) * (x - y / x))                                                                            \
    FORMULA(trig_square, "sin(x) * cos(y) + x^2",                                                                 \
            MakeSum(MakeProduct(MakeSin(BenchX()), MakeCos(BenchY())), MakeSquare(BenchX())),                     \
            std::sin(x) * std::cos(y) + x * x)                                                                    \
    FORMULA(distance, "sqrt(x^2 + y^2)", MakeSqrt(MakeSum(MakeSquare(BenchX()), MakeSquare(BenchY()))),           \
            std::sqrt(x * x + y * y))                                                                             \
    FORMULA(gauss, "exp(-(x^2))", MakeExp(MakeNegation(MakeSquare(BenchX()))), std::exp(-(x * x)))               \
    FORMULA(cubic, "x^3 - 2*x + 1",                                                                               \
            MakeSum(MakeDifference(MakePower(BenchX(), BenchNumber(3)), MakeProduct(BenchNumber(2), BenchX())),   \
                    BenchNumber(1)),                                                                              \
            std::pow(x, 3) - 2 * x + 1)                                                                           \
    FORMULA(ratio, "(x + 1) / (y - 1)",                                                                           \
            MakeQuotient(MakeSum(BenchX(), BenchNumber(1)), MakeDifference(BenchY(), BenchNumber(1))),            \
            (x + 1) / (y - 1))                                                                                    \
    FORMULA(pythagoras, "sin(x)^2 + cos(x)^2",                                                                    \
            MakeSum(MakeSquare(MakeSin(BenchX())), MakeSquare(MakeCos(BenchX()))),                                \
            std::sin(x) * std::sin(x) + std::cos(x) * std::cos(x))                                                \
    FORMULA(logistic, "1 / (1 + exp(-x))", MakeReciprocal(MakeSum(BenchNumber(1), MakeExp(MakeNegation(BenchX())))), \
            1 / (1 + std::exp(-x)))                                                                               \
    FORMULA(linear, "2*x + 3*y + 1",                                                                              \
            MakeSum(MakeSum(MakeProduct(BenchNumber(2), BenchX()), MakeProduct(BenchNumber(3), BenchY())),        \
                    BenchNumber(1)),                                                                              \
            2 * x + 3 * y + 1)
