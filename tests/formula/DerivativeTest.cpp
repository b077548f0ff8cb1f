#include "formula/CopyTree.h"
#include "formula/Derivative.h"
#include "formula/DerivativePasses.h"
#include "formula/Simplifier.h"
#include "support/FormulaPrinter.h"
#include "support/FormulaReader.h"
#include "support/TreeEvaluator.h"
#include "support/TreeFixture.h"

#include <cstdio>
#include <string>

namespace {

class DerivativeTest : public TreeTest {};

const char* kInputs[] = {
    "function(optotal(x),x^3)", "function(oppartial(x),x*y)", "function(optotal(x),x*y)", "function(optotal(x),e^(2*x))",
    "function(optotal(x),2^x)", "function(optotal(x),sin(x^2))", "function(optotal(x),ln(x))",
    "function(optotal(x),log(x))", "function(optotal(x),abs(x))", "function(optotal(x),floor(x))",
    "function(optotal(x),function(f,x))", "function(optotal(t),vector(x,y))", "function(optotal(x,2),x^5)",
    "function(oppartial(x),y^2)", "function(optotal(x),x/(x+1))", "function(optotal(x),sqrt(x))",
    "function(optotal(x),sqrt(x,3))", "function(optotal(x),log(x,2))", "function(optotal(x),tan(x)*cos(x))",
    "function(optotal(x),acoth(x))",
};

TEST_F(DerivativeTest, Scratch)
{
    for (const char* text : kInputs) {
        FormulaNode* tree = ReadFormula(text);
        EvaluateDerivatives(tree);
        std::string raw = PrintFormula(tree);
        CleanUpSigns(tree);
        std::printf("%-40s raw %-36s clean %s\n", text, raw.c_str(), PrintFormula(tree).c_str());
        FreeTree(tree);
    }
}

}  // namespace
