#include "graphmodel/GraphFactoryFormulas.h"

#include "document/DocState.h"
#include "document/ParameterValues.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/SymbolCodes.h"
#include "support/FormulaReader.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

class GraphFactoryFormulasTest : public TreeTest {
protected:
    void SetUp() override
    {
        TreeTest::SetUp();
        doc.Variables = new ParameterValueList;
    }

    // The prefix text of the formula read from text after the operation.
    template <typename Operation>
    std::string After(const char* text, Operation operation)
    {
        FormulaNode* tree = ReadFormula(text);
        if (!tree)
            return "unreadable";
        operation(tree);
        EXPECT_TRUE(IsConsistent(tree)) << text;
        std::string described = Describe(tree);
        FreeTree(tree);
        return described;
    }
    std::string Text(const char* text) { return After(text, [](FormulaNode*) {}); }

    DocState doc;
};

TEST_F(GraphFactoryFormulasTest, RelationProductsChangeSignAcrossEachComparison)
{
    auto product = [this](const char* relation, const char* previous) {
        FormulaNode* r = ReadFormula(relation);
        FormulaNode* p = previous ? ReadFormula(previous) : nullptr;
        FormulaNode* q = ChainedRelationProduct(r, p);
        std::string described = Describe(q);
        FreeTree(q);
        FreeTree(r);
        return described;
    };
    EXPECT_EQ(product("#4108(0,x,1)", nullptr), Text("(0-x)*(x-1)"));
    EXPECT_EQ(product("x^2+y^2<1", nullptr), Text("(x^2+y^2)-1"));
    EXPECT_EQ(product("x>y", "q"), Text("q*(x-y)"));
    EXPECT_EQ(product("And(x>0,y>0)", nullptr), "1");
    EXPECT_EQ(product("Or(x>0,y>0)", "q"), "q");
}

TEST_F(GraphFactoryFormulasTest, ParametersTakeTheirValuesExceptWhereANameIsMeant)
{
    doc.Variables->Push({2, 'a'});
    doc.Variables->Push({5, 'n'});
    doc.Variables->Push({7, 'f'});
    doc.Variables->Push({3, 'y'});
    auto substituted = [this](const char* text) {
        return After(text, [this](FormulaNode* tree) { SubstituteParameters(tree, &doc); });
    };
    EXPECT_EQ(substituted("a*x+a"), Text("2*x+2"));
    // x is in no list entry; y is, and is replaced like any letter.
    EXPECT_EQ(substituted("x+y"), Text("x+3"));
    // A summation's index, a function's name and a subscript's base stay.
    EXPECT_EQ(substituted("function(f,a)"), Text("function(f,2)"));
    EXPECT_EQ(substituted("a_1+a"), Text("a_1+2"));
    FormulaNode* sum = BigOperator(KindSigma, Node(KindProduct, {Var('n'), Var('a')}), 'n', 1, 10);
    SubstituteParameters(sum, &doc);
    FormulaNode* expected = BigOperator(KindSigma, Node(KindProduct, {Var('n'), Num(2)}), 'n', 1, 10);
    EXPECT_EQ(Describe(sum), Describe(expected));
    FreeTree(sum);
    FreeTree(expected);
    // The variables of a derivative dy/dx name it.
    EXPECT_EQ(substituted("(d*y)/(d*x)=y"), Text("(d*y)/(d*x)=3"));
    // Without a variables list nothing changes.
    EXPECT_EQ(After("a*x", [](FormulaNode* tree) { SubstituteParameters(tree, nullptr); }), Text("a*x"));
}

TEST_F(GraphFactoryFormulasTest, SolvingForAVariableLeavesItsValue)
{
    EXPECT_EQ(After("x+y=2",
                    [](FormulaNode* tree) { EXPECT_TRUE(SolveForVariable(CodeY, tree)); }),
              Text("-x+2"));
    // No y to solve for: the equation is left as it was.
    EXPECT_EQ(After("x+1=0", [](FormulaNode* tree) { EXPECT_FALSE(SolveForVariable(CodeY, tree)); }),
              Text("x+1=0"));
}

TEST_F(GraphFactoryFormulasTest, SubstitutionsOfVariables)
{
    EXPECT_EQ(After("z^2", [](FormulaNode* tree) { ReplaceZByComplex(CodeY, tree, CodeX); }), Text("(x+i*y)^2"));
    EXPECT_EQ(After("x*y+x_1", [](FormulaNode* tree) { RenameXYToUV(tree); }), Text("u*v+x_1"));
    // What is put in is not walked again, and a subscript's base stays.
    EXPECT_EQ(After("y+y_1", [](FormulaNode* tree) {
                  FormulaNode* other = ReadFormula("y+1");
                  ReplaceVariableByTree(tree, CodeY, other);
                  FreeTree(other);
              }),
              Text("(y+1)+y_1"));
    // Several codes at once: a tree put in for x keeps its y.
    EXPECT_EQ(After("x*y", [](FormulaNode* tree) {
                  FormulaNode* forX = ReadFormula("y+1");
                  FormulaNode* forY = ReadFormula("2*x");
                  ReplaceVariablesByTrees(tree, {{CodeX, forX}, {CodeY, forY}});
                  FreeTree(forX);
                  FreeTree(forY);
              }),
              Text("(y+1)*(2*x)"));
    FormulaNode* tree = ReadFormula("a*x+x");
    FormulaNode* found = FindVariable(tree, CodeX);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->parent->parent, tree);
    EXPECT_EQ(FindVariable(tree, CodeY), nullptr);
    FreeTree(tree);
}

TEST_F(GraphFactoryFormulasTest, SurfaceStyleIsTheMaskedIntegerPart)
{
    struct Case {
        double xyType;
        int32_t style;
    };
    const Case cases[] = {{3.9, 3}, {6.0, 2}, {1, 1}, {4, 0}, {-1, 3}, {NAN, 1}, {INFINITY, 1}, {1e300, 1}};
    for (const Case& c : cases)
        EXPECT_EQ(SurfaceStyleFromXYType(c.xyType), c.style) << c.xyType;
}

TEST_F(GraphFactoryFormulasTest, PlaneMapsCarryAGraphIntoTheOtherPlane)
{
    TransformRecord record;
    record.kind = 1;
    record.components[0] = ReadFormula("#10^2-#11^2");
    record.components[1] = ReadFormula("2*#10*#11");
    // y = 1 drawn in the plane of x and y is, in the other plane, 2xy = 1.
    EXPECT_EQ(After("y=1", [&](FormulaNode* t) { ApplyPlaneTransform(t, &record); }), Text("2*x*y=1"));
    // A curve (t, 1) under x' = x^2 - y^2, y' = 2xy.
    TransformRecord forward;
    forward.kind = 2;
    forward.components[0] = ReadFormula("x^2-y^2");
    forward.components[1] = ReadFormula("2*x*y");
    FormulaNode* x = ReadFormula("t");
    FormulaNode* y = ReadFormula("1");
    FormulaNode* mappedX = nullptr;
    FormulaNode* mappedY = nullptr;
    MapThroughPlaneTransform(x, &forward, y, &mappedX, &mappedY);
    EXPECT_EQ(Describe(mappedX), Text("t^2-1^2"));
    EXPECT_EQ(Describe(mappedY), Text("2*t*1"));
    for (FormulaNode* tree : {mappedX, mappedY, x, y, forward.components[0], forward.components[1]})
        FreeTree(tree);
    forward.components[0] = forward.components[1] = nullptr;
    record.kind = 2;
    // Other kinds leave the tree alone.
    EXPECT_EQ(After("y=1", [&](FormulaNode* t) { ApplyPlaneTransform(t, &record); }), Text("y=1"));
    FreeTree(record.components[0]);
    FreeTree(record.components[1]);
    record.components[0] = record.components[1] = nullptr;
}

}  // namespace
