#include "document/DocState.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/MatrixPass.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeQuery.h"
#include "numerics/MatrixInverse.h"
#include "support/FormulaReader.h"
#include "support/InterpretedValue.h"
#include "support/LinearText.h"
#include "support/TreeFixture.h"

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

class MatrixPassTest : public TreeTest {
protected:
    // The text of the formula after one matrix pass.
    std::string Lowered(const char* text)
    {
        return TextAfter(text, [this](FormulaNode* tree) { MatrixPass(tree, &doc); });
    }

    DocState doc;
};

struct Case {
    const char* input;
    const char* expected;
};

TEST_F(MatrixPassTest, ElementwiseForms)
{
    const Case cases[] = {
        // Products reduce from the left; scalars go into the elements.
        {"matrix(2,2,1,2,3,4)*vector(5,6)", "vector(17,39)"},
        {"matrix(1,2,a,b)*vector(c,d)", "a*c+b*d"},
        {"matrix(2,2,1,0,0,1)*matrix(2,2,a,b,c,d)*vector(x,y)", "vector(a*x+b*y,c*x+d*y)"},
        {"2*vector(x,y)", "vector(2*x,2*y)"},
        {"vector(x,y)*2", "vector(x*2,y*2)"},
        {"a*b*vector(x,y)", "vector(a*b*x,a*b*y)"},
        {"matrix(2,2,1,2,3,4)*vector(1,2,3)", "matrix(2,2,1,2,3,4)*vector(1,2,3)"},
        // A factor holding a matrix does not commute: only x moves.
        {"x*matrix(2,2,a,b,c,d)^~1*vector(1,2)", "matrix(2,2,a,b,c,d)^(-1)*vector(x*1,x*2)"},
        // Sums and branches join adjacent matrices of one shape.
        {"matrix(1,2,a,b)+matrix(1,2,c,d)", "matrix(1,2,a+c,b+d)"},
        {"matrix(1,2,a+b,c)+matrix(1,2,d,e+f)+matrix(1,2,1,2)", "matrix(1,2,a+b+d+1,c+e+f+2)"},
        {"matrix(1,2,a,b)+x+matrix(1,2,c,d)", "matrix(1,2,a,b)+x+matrix(1,2,c,d)"},
        {"matrix(1,2,a,b)+vector(c,d)", "matrix(1,2,a,b)+vector(c,d)"},
        {"branch(if(vector(1,2),x<0),vector(3,4))", "vector(branch(if(1,x<0),3),branch(if(2,x<0),4))"},
        {"Transpose(matrix(2,3,a,b,c,d,e,f))", "matrix(3,2,a,d,b,e,c,f)"},
        {"superscriptT(vector(a,b))", "matrix(1,2,a,b)"},
        {"Trace(matrix(2,2,a,b,c,d))", "a+d"},
        {"Trace(matrix(1,2,a,b))", "Trace(matrix(1,2,a,b))"},
        {"-vector(a,b)", "vector(-a,-b)"},
        {"vector(a,b)/c", "vector(a/c,b/c)"},
        {"c/vector(a,b)", "c/vector(a,b)"},
        // Norms of 2- and 3-element vectors, determinants of square matrices.
        {"abs(matrix(1,2,3,4))", "sqrt(3^2+4^2)"},
        {"abs(vector(a,b,c))", "sqrt(a^2+b^2+c^2)"},
        {"abs(matrix(2,2,a,b,c,d))", "a*d-(b*c)"},
        {"abs(matrix(2,2,1,2,3,4))", "-2"},
        {"Det(matrix(2,2,1,2,3,4))", "-2"},
        {"Det(matrix(2,2,0,1,1,0))*x", "-1*x"},
        {"Det(matrix(2,2,a,b,c,d))", "Det(matrix(2,2,a,b,c,d))"},
        {"abs(matrix(2,2,1,2,2,4))", "0"},
        // Inverses of constant matrices; a singular or undefined one stays.
        {"matrix(2,2,2,0,0,4)^-(1)", "matrix(2,2,0.5,0,0,0.25)"},
        {"matrix(2,2,1,2,2,4)^~1", "matrix(2,2,1,2,2,4)^(-1)"},
        {"matrix(2,2,1/0,0,0,1)^~1", "matrix(2,2,1/0,0,0,1)^(-1)"},
        {"abs(matrix(2,2,sqrt(~1),0,0,1))", "abs(matrix(2,2,sqrt(-1),0,0,1))"},
        {"matrix(2,2,a,0,0,1)^~1", "matrix(2,2,a,0,0,1)^(-1)"},
        // Complex elements: the complex routines; a singular one has no
        // complex determinant.
        {"Det(matrix(2,2,i,0,0,i))", "-1"},
        {"Det(matrix(2,2,i,1,0,2))", "2*i"},
        {"Det(matrix(2,2,i,i,i,i))", "Det(matrix(2,2,i,i,i,i))"},
        {"matrix(2,2,2*i,0,0,1)^~1", "matrix(2,2,-(0.5*i),0,0,1)"},
        // Dot and cross products.
        {"dot(matrix(1,2,1,2),matrix(1,2,3,4))", "1*3+2*4"},
        {"dot(matrix(1,2,1,2),vector(3,4,0))", "1*3+2*4"},
        {"dot(vector(1,2),vector(3,4,5))", "dot(vector(1,2),vector(3,4,5))"},
        {"cross(matrix(1,3,1,0,0),vector(0,1,0))", "vector(0*0-(0*1),0*0-(1*0),1*1-(0*0))"},
        {"cross(vector(1,0),vector(0,1))", "cross(vector(1,0),vector(0,1))"},
        {"if(vector(a,b),x>0)", "vector(if(a,x>0),if(b,x>0))"},
        // Parentheses go everywhere in the subtree.
        {"[[x]+[vector(1,2)]]", "x+vector(1,2)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Lowered(c.input), c.expected) << c.input;
}

TEST_F(MatrixPassTest, InverseOfAConstantMatrix)
{
    FormulaNode* tree = ReadFormula("matrix(2,2,1,2,3,4)^~1");
    MatrixPass(tree, &doc);
    ASSERT_EQ(tree->kind, KindMatrix);
    const double expected[] = {-2, 1, 1.5, -0.5};
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(InterpretAt(tree->children[i], 0, 0, 0), expected[i], 1e-15) << i;
    FreeTree(tree);
}

TEST_F(MatrixPassTest, AProductTooLargeForOneNodeStays)
{
    // 300 x 300 cells would not fit a node's 16-bit child count.
    std::string ones;
    for (int i = 0; i < 300; ++i)
        ones += ",1";
    std::string text = "matrix(300,1" + ones + ")*matrix(1,300" + ones + ")";
    FormulaNode* tree = ReadFormula(text.c_str());
    MatrixPass(tree, &doc);
    EXPECT_EQ(tree->kind, KindProduct);
    EXPECT_EQ(tree->childCount, 2);
    FreeTree(tree);
}

// A random linear element a x + b y + c.
std::string RandomElement(std::mt19937& random)
{
    std::uniform_int_distribution<int> coefficient(-9, 9);
    return std::to_string(coefficient(random)) + "*x+" + std::to_string(coefficient(random)) + "*y+" +
        std::to_string(coefficient(random));
}

TEST_F(MatrixPassTest, SymbolicDeterminantsAgreeWithTheNumericOnes)
{
    std::mt19937 random(2024);
    for (int n = 2; n <= 4; ++n) {
        for (int trial = 0; trial < 3; ++trial) {
            std::vector<FormulaNode*> elements;
            std::string text = "abs(matrix(" + std::to_string(n) + "," + std::to_string(n);
            for (int i = 0; i < n * n; ++i) {
                std::string element = RandomElement(random);
                elements.push_back(ReadFormula(element.c_str()));
                text += "," + element;
            }
            text += "))";
            FormulaNode* tree = ReadFormula(text.c_str());
            MatrixPass(tree, &doc);
            ASSERT_FALSE(ContainsMatrix(tree)) << LinearText(tree);
            std::uniform_real_distribution<double> value(-2, 2);
            for (int point = 0; point < 3; ++point) {
                double x = value(random);
                double y = value(random);
                std::vector<double> numbers(n * n);
                for (int i = 0; i < n * n; ++i)
                    numbers[(i % n) * n + i / n] = InterpretAt(elements[i], x, y, 0);
                double expected = 0;
                ASSERT_TRUE(RealDeterminant(n, numbers.data(), &expected));
                EXPECT_NEAR(InterpretAt(tree, x, y, 0), expected, 1e-9 * std::max(1.0, std::fabs(expected)))
                    << n << "x" << n << ": " << text;
            }
            for (FormulaNode* element : elements)
                FreeTree(element);
            FreeTree(tree);
        }
    }
}

}  // namespace
