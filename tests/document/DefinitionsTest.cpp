#include "document/DefinitionTests.h"
#include "document/DefinitionsPass.h"
#include "document/DocState.h"
#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/DocumentQueries.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeQuery.h"
#include "formula/TreeWalk.h"
#include "support/DocumentLines.h"
#include "support/FormulaReader.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// A document of equation lines read from formula text.
class DefinitionsTest : public TreeTest {
protected:
    void TearDown() override
    {
        doc.FreeLines();
        TreeTest::TearDown();
    }

    void AddLine(const char* text) { ASSERT_TRUE(AppendEquationLine(doc, text)); }

    std::string Definition(int32_t i) const { return Describe(doc.Definitions[i]); }

    // The statement's text once the definitions are put in.
    std::string Substituted(const char* text)
    {
        FormulaNode* tree = ReadFormula(text);
        SubstituteDefinitions(-1, doc.Definitions, tree);
        std::string result = Describe(tree);
        FreeTree(tree);
        return result;
    }

    // The value of the formula text compiled against the document.
    double Value(const char* text)
    {
        CompiledFormula formula(ReadFormula(text), &doc);
        CompileFormula(&formula);
        return formula.EvaluateAtXY(0, 0);
    }

    DocState doc;
};

TEST_F(DefinitionsTest, AValueDefinedThroughAParameterIsSubstituted)
{
    AddLine("a=b+1");
    AddLine("b=2");
    doc.CollectDefinitions();
    // b = 2 is a parameter line, answered by its value, not substituted.
    ASSERT_EQ(doc.Definitions.count, 1);
    EXPECT_TRUE(DocDefinesParameter(&doc, 'b'));
    EXPECT_FALSE(DocDefinesParameter(&doc, 'a'));
    EXPECT_EQ(Substituted("y=a*x"), Substituted("y=(b+1)*x"));
}

TEST_F(DefinitionsTest, CircularDefinitionsBecomeUndefined)
{
    AddLine("a=c");
    AddLine("c=a");
    AddLine("d=d+1");
    AddLine("h=a+1");
    doc.CollectDefinitions();
    ASSERT_EQ(doc.Definitions.count, 4);
    int undefined = 0;
    for (FormulaNode* definition : doc.Definitions) {
        const FormulaNode* right = definition->children[1];
        if (right->kind == KindNumber && std::isnan(right->payload.number->value))
            ++undefined;
    }
    // a, c and d; h only uses a, so it stays.
    EXPECT_EQ(undefined, 3);
    EXPECT_EQ(Definition(0), "=(h,+(a,1))");
}

TEST_F(DefinitionsTest, ARecursiveFunctionTakesItsBaseCaseFirst)
{
    AddLine("function(f,n)=n*function(f,n-1)");
    AddLine("function(f,0)=1");
    doc.CollectDefinitions();
    ASSERT_EQ(doc.UserFunctions.count, 1);
    FormulaNode* name = ReadFormula("f");
    EXPECT_EQ(doc.FindUserFunction(name), 0);
    FreeTree(name);
    const FormulaNode* body = doc.UserFunctions[0]->definition->children[1];
    ASSERT_EQ(body->kind, KindBranch);
    ASSERT_EQ(body->childCount, 2);
    EXPECT_EQ(body->children[0]->kind, KindIf);
    EXPECT_EQ(Describe(body->children[0]->children[0]), "1");
    EXPECT_EQ(body->children[0]->children[1]->kind, KindEquation);
    EXPECT_EQ(body->children[1]->kind, KindProduct);

    // The compiler's calls reach the function through the document.
    doc.CompileUserFunctions();
    EXPECT_NE(doc.GetUserFunction(0), nullptr);
    EXPECT_EQ(doc.GetUserFunction(1), nullptr);
    EXPECT_EQ(Value("function(f,5)"), 120);
}

TEST_F(DefinitionsTest, ACaseOfAFunctionGoesBeforeItsGeneralRule)
{
    AddLine("function(g,x)=x^2");
    AddLine("function(g,1)=5");
    doc.CollectDefinitions();
    ASSERT_EQ(doc.Definitions.count, 2);
    EXPECT_EQ(doc.UserFunctions.count, 0);
    EXPECT_EQ(doc.Definitions[0]->children[1]->kind, KindBranch);
    for (auto [text, value] : {std::pair{"function(g,1)", 5.0}, {"function(g,3)", 9.0}}) {
        FormulaNode* tree = ReadFormula(text);
        SubstituteDefinitions(-1, doc.Definitions, tree);
        CompiledFormula formula(tree, &doc);
        CompileFormula(&formula);
        EXPECT_EQ(formula.EvaluateAtXY(0, 0), value) << text;
    }
}

TEST_F(DefinitionsTest, ParameterLinesAndTheirValues)
{
    struct Case {
        const char* text;
        bool parameter;
        double re, im;
    } cases[] = {
        {"c=3-2*i", true, 3, -2},
        {"c=2*i", true, 0, 2},
        {"c=-i", true, 0, -1},
        {"c=2.5", true, 2.5, 0},
        {"c=~4+i", true, -4, 1},
        {"c=i*2", false, 0, 0},
        {"x=2", false, 0, 0},
        {"c=a+1", false, 0, 0},
    };
    for (const Case& c : cases) {
        FormulaNode* tree = ReadFormula(c.text);
        EXPECT_EQ(IsParameterDefinition(tree), c.parameter) << c.text;
        if (c.parameter) {
            ComplexValue value = ComplexConstantValue(tree->children[1]);
            EXPECT_EQ(value.re, c.re) << c.text;
            EXPECT_EQ(value.im, c.im) << c.text;
        }
        FreeTree(tree);
    }
}

TEST_F(DefinitionsTest, NumberedVariablesHaveKeysOfTheirOwn)
{
    AddLine("x_1=2");
    AddLine("a_2=slider(0,10)");
    const FormulaNode* numbered = doc.Lines[0].formula->root;
    EXPECT_TRUE(IsIndexedVariableDefinition(numbered));
    EXPECT_TRUE(IsParameterDefinition(numbered));
    const uint32_t key = (2u << 16) | 'x';
    EXPECT_EQ(DefinedVariableKey(numbered), key);
    // The lookups answer as the definitions pass found the lines.
    EXPECT_FALSE(IsParameterKeyDefined(key, &doc));
    doc.CollectDefinitions();
    EXPECT_TRUE(IsParameterKeyDefined(key, &doc));
    EXPECT_FALSE(IsParameterKeyDefined('x', &doc));
    // A slider of a_2 defines a_2, not the letter a.
    EXPECT_TRUE(IsSliderDefinition(doc.Lines[1].formula->root, &doc));
    EXPECT_TRUE(IsSliderDefined((3u << 16) | 'a', &doc));
    EXPECT_FALSE(IsSliderDefined('a', &doc));
    EXPECT_EQ(doc.Definitions.count, 0);
}

TEST_F(DefinitionsTest, ASelfGrowingSubstitutionEnds)
{
    // Put in directly, past the circularity check that would stop it.
    FormulaNode* definition = ReadFormula("a=a*a+1");
    doc.Definitions.Push(definition);
    FormulaNode* tree = ReadFormula("y=a");
    SubstituteDefinitions(-1, doc.Definitions, tree);
    EXPECT_TRUE(ContainsSymbol(tree, 'a'));
    EXPECT_LT(CountNodes(tree), 1u << 20);
    FreeTree(tree);
}

}  // namespace
