// A formula checked against its value written out in C++: the interpreter's
// value of the tree at points of both signs against the closed form there.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>

struct FormulaNode;

using ClosedForm = double (*)(double x, double y);

// At x from -2.5 to 3 (negative points included) and y of either sign, the
// interpreter's value of the tree equals the closed form within a relative
// 1e-9, or both are undefined.
::testing::AssertionResult AgreesWithClosedForm(const FormulaNode* tree, ClosedForm closed);

struct ClosedFormCase {
    const char* input;     // read by ReadFormula
    const char* expected;  // the linear text after the operation
    ClosedForm closed;     // the value after it; null: none to check
};

// Each input after the operation has the expected text, is whole, and agrees
// with its closed form; with inputToo the input agrees with it as well.
void ExpectRewritesAgree(std::initializer_list<ClosedFormCase> cases, void (*operation)(FormulaNode*),
    bool inputToo);
