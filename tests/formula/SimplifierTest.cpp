#include "formula/CopyTree.h"
#include "formula/Simplifier.h"
#include "formula/SimplifierSwitches.h"
#include "support/FormulaPrinter.h"
#include "support/FormulaReader.h"
#include "support/TreeEvaluator.h"
#include "support/TreeFixture.h"

#include <cstdio>

namespace {

class SimplifierTest : public TreeTest {};

const char* kInputs[] = {
    "3+x+2", "1/2+1/3", "1/2+3", "2*3*x", "0*x", "1*x", "x*(-y)", "x^0", "x^1", "2^10", "2^(-1)", "i^2", "i^3", "i^(-1)",
    "(x*y)^2", "(x^2)^3", "(-8)^(1/3)", "sqrt(16)", "sqrt(8)", "sqrt(27,3)", "sqrt(64,3)", "6/4", "(2*x)/4", "-6/4",
    "0/x", "x/1", "0/0", "sin(pi)", "cos(pi)", "cos(3*pi)", "sin((3*pi)/2)", "cos((3*pi)/2)", "sin(pi/2)", "cos(pi/2)",
    "3!", "5!", "ln(e)", "exp(0)", "log(1)", "mod(7,3)", "min(2,5)", "a=(b=c)", "x+x", "2*x+3*x", "x-x", "2*x*y+x*y",
    "-(2*x)+5*x", "x*x", "x^2*x^3", "x^a*x^b", "x*2*a", "x^2*y", "e*x", "pi*x", "b*A", "degree*x", "x^2/x^5", "x/x",
    "(x*y)/x", "x/x^3", "x^a/x^b", "2*(-y)", "(-x)*(-y)", "x*y*x^(-1)", "2*x+y-x", "a/b*c/d", "(a/b)/(c/d)",
};

TEST_F(SimplifierTest, Scratch)
{
    for (const char* text : kInputs) {
        FormulaNode* tree = ReadFormula(text);
        FormulaNode* copy = CopyTree(tree);
        SimplifyTree(tree);
        std::string raw = PrintFormula(tree);
        CleanUpSigns(tree);
        std::printf("%-16s raw %-24s clean %s\n", text, raw.c_str(), PrintFormula(tree).c_str());
        EXPECT_TRUE(SameValues(copy, tree));
        FreeTree(tree);
        FreeTree(copy);
    }
}

}  // namespace
