// A formula checked against its value written out in C++: the interpreter's
// value of the tree at points of both signs against the closed form there.
#pragma once

#include <gtest/gtest.h>

struct FormulaNode;

using ClosedForm = double (*)(double x, double y);

// At x from -2.5 to 3 (negative points included) and y of either sign, the
// interpreter's value of the tree equals the closed form within a relative
// 1e-9, or both are undefined.
::testing::AssertionResult AgreesWithClosedForm(const FormulaNode* tree, ClosedForm closed);
