// Small formula trees written as nested calls, a compact text of a tree for
// expectations, and the checks that tree operations keep their invariants
// and give back every block.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

struct FormulaNode;

FormulaNode* Num(double value);
FormulaNode* Var(uint32_t code);
FormulaNode* Txt(const char16_t* text);
// A node of the kind over the children, in order.
FormulaNode* Node(int32_t kind, std::initializer_list<FormulaNode*> children);
// A matrix of rows x columns over the cells, row by row.
FormulaNode* Matrix(int16_t rows, int16_t columns, std::initializer_list<FormulaNode*> cells);
// A summation or product (kind) of the body for index = from to the end.
FormulaNode* BigOperator(int32_t kind, FormulaNode* body, uint32_t index, double from, double to);
// depth nodes of the kind, one inside the other, over the variable x.
FormulaNode* Chain(int32_t kind, uint32_t depth);

// Prefix text: "+(x,*(2,y))"; numbers with %g, one-letter variables as the
// letter, other codes as #code, texts in quotes, kinds by their name or number.
std::string Describe(const FormulaNode* node);

// Every child's parent is its node and a root has no parent.
::testing::AssertionResult IsConsistent(const FormulaNode* root);

// Blocks the current pool set has out, per pool, after a flush.
std::vector<uint32_t> OutstandingBlocks();

// Runs the work on a thread with a stack far smaller than a recursion over
// a deep tree would need.
void RunOnSmallStack(const std::function<void()>& work);

// While it lives, no pool block and no budget memory can be had: the budget
// refuses and every free block of the current pools is taken. Afterwards
// the blocks go back, the abort flag is lowered and failures are forgotten.
class PoolsExhausted {
public:
    PoolsExhausted();
    ~PoolsExhausted();
    PoolsExhausted(const PoolsExhausted&) = delete;
    PoolsExhausted& operator=(const PoolsExhausted&) = delete;

private:
    double shift_;
    std::vector<std::vector<void*>> taken_;
};

// Starts the engine for each test and checks that it gives back every block
// it took.
class TreeTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    std::vector<uint32_t> before_;
};
