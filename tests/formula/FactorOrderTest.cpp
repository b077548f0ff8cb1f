#include "formula/CopyTree.h"
#include "formula/FactorOrder.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "formula/Simplifier.h"
#include "support/LinearText.h"
#include "support/FormulaReader.h"
#include "support/TreeFixture.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

class FactorOrderTest : public TreeTest {};

TEST_F(FactorOrderTest, ProductsComeOutInOneOrder)
{
    struct Case {
        const char* input;
        const char* expected;
    };
    const Case cases[] = {
        {"x*2*a", "2*a*x"},
        {"x^2*y", "y*x^2"},
        {"e*x", "x*e"},
        {"pi*x", "pi*x"},
        {"x*pi", "pi*x"},
        {"b*A", "A*b"},
        {"degree*x", "x*degree"},
        {"e*degree*pi", "pi*e*degree"},
        {"'beta'*'alpha'*z", "z*'alpha'*'beta'"},
        {"e*'alpha'", "'alpha'*e"},
        {"x_1*y", "y*x_1"},
        {"sin(x)*x", "x*sin(x)"},
        {"sin(y)*sin(x)", "sin(x)*sin(y)"},
        {"log(x,b)*log(x,a)", "log(x,a)*log(x,b)"},
        {"y^3*x^2", "x^2*y^3"},
        {"(x+1)*x", "x*(x+1)"},
    };
    for (const Case& c : cases) {
        FormulaNode* tree = ReadFormula(c.input);
        SimplifyTree(tree);
        EXPECT_EQ(LinearText(tree), c.expected) << c.input;
        FreeTree(tree);
    }
}

TEST_F(FactorOrderTest, SymbolOrder)
{
    uint32_t alpha = InternSymbolName8("alpha");
    uint32_t beta = InternSymbolName8("beta");
    // Each row in order: every code comes before every later one.
    const uint32_t order[] = {1, 3, 4, 6, 7, 14, 'A', 'Z', 'a', 'd', 'f', 'z', 200, alpha, beta, 'e', 5};
    for (size_t i = 0; i < std::size(order); ++i) {
        for (size_t j = 0; j < std::size(order); ++j)
            EXPECT_EQ(SymbolPrecedes(order[i], order[j]), i < j) << order[i] << " and " << order[j];
    }
}

// Factors of every sort the order tells apart, and some it does not.
std::vector<const char*> FactorTexts()
{
    return {"2", "3", "~1", "x", "y", "A", "e", "pi", "theta", "degree", "'alpha'", "'beta'", "x_1", "x_2", "x^2",
        "y^2", "e^x", "2^x", "x^y", "sin(x)", "sin(y)", "cos(x)", "sin(sin(x))", "log(x,2)", "log(x,3)", "log(y,2)",
        "ln(x)", "x+1", "y+1", "x+y", "matrix(2,2,a,b,c,d)", "vector(1,2)", "\"a\"", "[x]", "function(f,x)", "x!"};
}

TEST_F(FactorOrderTest, TheOrderIsStrict)
{
    std::vector<FormulaNode*> factors;
    for (const char* text : FactorTexts())
        factors.push_back(ReadFormula(text));
    for (FormulaNode* p : factors) {
        EXPECT_FALSE(FactorPrecedes(p, p)) << LinearText(p);
        for (FormulaNode* q : factors) {
            EXPECT_FALSE(FactorPrecedes(p, q) && FactorPrecedes(q, p)) << LinearText(p) << " " << LinearText(q);
            for (FormulaNode* r : factors) {
                if (FactorPrecedes(q, p) && FactorPrecedes(r, q)) {
                    EXPECT_TRUE(FactorPrecedes(r, p))
                        << LinearText(r) << " < " << LinearText(q) << " < " << LinearText(p);
                }
            }
        }
    }
    for (FormulaNode* factor : factors)
        FreeTree(factor);
}

TEST_F(FactorOrderTest, SortingRandomProductsEndsAndSortingAgainChangesNothing)
{
    std::vector<const char*> texts = FactorTexts();
    std::mt19937 random(7);
    for (int trial = 0; trial < 300; ++trial) {
        uint32_t count = 2 + random() % 12;
        FormulaNode* product = MakeNode(KindProduct, count);
        for (uint32_t k = 0; k < count; ++k) {
            product->children[k] = ReadFormula(texts[random() % texts.size()]);
            product->children[k]->parent = product;
        }
        std::vector<const FormulaNode*> matrices;
        for (uint32_t k = 0; k < count; ++k) {
            if (product->children[k]->kind == KindMatrix)
                matrices.push_back(product->children[k]);
        }
        SortFactors(product);
        std::vector<FormulaNode*> sorted(product->children, product->children + count);
        for (uint32_t k = 1; k < count; ++k)
            EXPECT_FALSE(FactorPrecedes(sorted[k - 1], sorted[k])) << LinearText(product);
        SortFactors(product);
        EXPECT_TRUE(std::equal(sorted.begin(), sorted.end(), product->children)) << LinearText(product);
        // Matrices keep their order among themselves.
        std::vector<const FormulaNode*> after;
        for (uint32_t k = 0; k < count; ++k) {
            if (product->children[k]->kind == KindMatrix)
                after.push_back(product->children[k]);
        }
        EXPECT_EQ(after, matrices);
        FreeTree(product);
    }
}

TEST_F(FactorOrderTest, DeepFactorsCompareWithoutStack)
{
    RunOnSmallStack([] {
        FormulaNode* a = Chain(KindSin, 100000);
        FormulaNode* b = Chain(KindSin, 100000);
        FormulaNode* leaf = b;
        while (leaf->childCount)
            leaf = leaf->children[0];
        leaf->payload.code = 'y';
        EXPECT_TRUE(FactorPrecedes(b, a));
        EXPECT_FALSE(FactorPrecedes(a, b));
        FreeTree(a);
        FreeTree(b);
    });
}

}  // namespace
