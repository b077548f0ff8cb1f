// Random formulas over x, y and z for tests that check rewrites by value.
// Fractional powers, roots and logarithms get positive operands, where the
// rules that distribute them hold; sine and cosine get small arguments,
// whose value does not hang on the last bits; nothing is divided by the
// number 0.
#pragma once

#include <cstdint>
#include <random>

struct FormulaNode;

class RandomFormula {
public:
    explicit RandomFormula(uint32_t seed) : random_(seed) {}

    // A formula at most depth levels deep: numbers 0-4, variables, sums,
    // differences, products, fractions, whole and fractional powers, sin,
    // cos, sqrt, ln and exp.
    FormulaNode* Any(int depth);

private:
    int Pick(int n);
    FormulaNode* NonZero(int depth);
    FormulaNode* Positive(int depth);

    std::mt19937 random_;
};
