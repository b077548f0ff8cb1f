#include "graphmodel/StatementLists.h"

#include "document/DocState.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/PrepareTreeForGraphing.h"
#include "formula/SymbolCodes.h"
#include "support/DocumentLines.h"
#include "support/FormulaReader.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Written as in the classifier's tests: vector(...), x' as #10, y' as #11,
// a < x < b as #4108(a,x,b), d/dx applied to y as function(optotal(x),y),
// options as 'radius'=1 and texts in double quotes. A document with the
// parameter a.
class StatementListsTest : public TreeTest {
protected:
    void SetUp() override
    {
        TreeTest::SetUp();
        AppendParameterLine(doc, 'a', 2);
    }
    void TearDown() override
    {
        doc.FreeLines();
        TreeTest::TearDown();
    }

    FormulaNode* Prepared(const char* text)
    {
        FormulaNode* tree = ReadFormula(text);
        if (tree)
            PrepareTreeForGraphing(&doc, tree);
        return tree;
    }

    // The code and the reason of a prepared statement; neither changes it.
    struct Answer {
        int32_t code;
        int32_t reason;
    };
    Answer Ask(FormulaNode* tree, bool only3D, bool only4D = false)
    {
        const std::string before = Describe(tree);
        Answer answer{ClassifyStatementList(only4D, tree, only3D, &doc),
                      GetUngraphableReason(tree, only3D, only4D, &doc)};
        EXPECT_EQ(Describe(tree), before);
        FreeTree(tree);
        return answer;
    }
    Answer Ask(const char* text, bool only3D, bool only4D = false)
    {
        FormulaNode* tree = Prepared(text);
        return tree ? Ask(tree, only3D, only4D) : Answer{-1, -1};
    }

    DocState doc;
};

TEST_F(StatementListsTest, ItemsAfterTheCommaAreAcceptedOrRefusedByTheForm)
{
    struct Case {
        const char* statement;
        bool only3D;
        int32_t code;
        int32_t reason;  // when the code is 0
    };
    const Case cases[] = {
        // A curve takes a colour and conditions in its own variables.
        {"y=x^2,vector(r,g,b)=vector(1,0,0),#4108(0,x,2)", false, 1, 0},
        {"y=x^2,vector(h,s,v)=vector(x,1,1),And(x>0,y<3)", false, 1, 0},
        {"y=x^2,a*x>1", false, 1, 0},
        // A condition in another variable is foreign to it.
        {"y=x^2,t>0", false, 0, 21},
        {"y=x^2,z>0", false, 0, 21},
        {"r=theta,theta<1", false, 3, 0},
        {"r=theta,x>0", false, 0, 21},
        // A point takes a radius and a label; a curve takes neither.
        {"vector(1,2),'radius'=2,'label'=\"p\"", false, 45, 0},
        {"vector(1,2),'symbol'=\"s\",'fontsize'=12", false, 45, 0},
        {"y=x,'label'=\"p\"", false, 0, 21},
        {"y=x,'radius'=2", false, 0, 21},
        // A colour plot ignores what it does not know, and all after it.
        {"vector(r,g,b)=vector(x,y,1),y=x", false, 59, 0},
        {"vector(h,s,v)=vector(x,y,1),y=x,'radius'=2", false, 60, 0},
        {"vector(r,g,b)=vector(x,y,1),x>0", false, 0, 21},
        {"y=x^2,y=x", false, 0, 21},
        // Slope fields take a start point; other forms do not.
        {"function(optotal(x),y)=x*y,vector(x,y)=vector(0,1)", false, 37, 0},
        {"y=x,vector(x,y)=vector(0,1)", false, 0, 21},
        // Arrows of two points have no extra items; a third is checked.
        {"vector(1,2),vector(3,4)", false, 61, 0},
        {"vector(1,2),vector(3,4),vector(r,g,b)=vector(1,0,0)", false, 61, 0},
        {"vector(1,2),vector(3,4),'radius'=1", false, 0, 21},
        {"vector(1,2,3),vector(4,5,6),'radius'=1", true, 62, 0},
        // A flow from a point takes its point as part of the form.
        {"function(optotal(t),vector(x,y,z))=vector(y,x,1),vector(x,y,z)=vector(1,0,0)", true, 36, 0},
        {"function(optotal(t),vector(x,y,z))=vector(y,x,1),vector(x,y,z)=vector(1,0,0),'radius'=1", true, 36, 0},
        // Surfaces take conditions only in space; in the plane they are
        // density or contour plots, which take none.
        {"z=x*y,r<1", true, 5, 0},
        {"z=x*y,r<1", false, 0, 21},
        {"z=x*y,'label'=\"p\"", true, 0, 23},
        // Extra items that are no constant statements cannot be read.
        {"y=x^2,function(f,x)", false, 0, 23},
        // Primed statements take conditions in their own variables.
        {"#11=#10^2,#10>0", false, 257, 0},
        {"#11=#10^2,x>0", false, 0, 21},
    };
    for (const Case& c : cases) {
        Answer answer = Ask(c.statement, c.only3D);
        EXPECT_EQ(answer.code, c.code) << c.statement << (c.only3D ? " in space" : "");
        if (c.code == 0) {
            EXPECT_EQ(answer.reason, c.reason) << c.statement << (c.only3D ? " in space" : "");
        }
    }
}

TEST_F(StatementListsTest, OnlyListsBeyondTheirOwnFormHaveExtraStatements)
{
    auto extras = [this](const char* text) {
        FormulaNode* tree = Prepared(text);
        bool answer = HasExtraStatements(tree, &doc);
        FreeTree(tree);
        return answer;
    };
    EXPECT_FALSE(extras("y=x^2"));
    EXPECT_TRUE(extras("y=x^2,x>0"));
    EXPECT_FALSE(extras("vector(1,2),vector(3,4)"));
    EXPECT_TRUE(extras("vector(1,2),vector(3,4),vector(5,6)"));
    EXPECT_FALSE(extras("vector(1,2,3,4),vector(5,6,7,8),vector(1,1,1,1)"));
    EXPECT_FALSE(extras("vector(d*x,d*y,d*z)=vector(y,x,1),x^2+y^2+z^2=1"));
    EXPECT_TRUE(extras("vector(d*x,d*y,d*z)=vector(y,x,1),x^2+y^2+z^2=1,'radius'=1"));
    EXPECT_FALSE(HasExtraStatements(nullptr, &doc));
}

TEST_F(StatementListsTest, TheFirstReasonThatAppliesIsGiven)
{
    // Each statement also fits every later reason, so a reason checked out
    // of order shows.
    FormulaNode* placeholder = MakePlaceholderNode();
    EXPECT_EQ(Ask(placeholder, false).reason, 22);
    HidePlaceholderMark = 1;
    FormulaNode* withMark = Node(KindEquation, {Var('y'), Node(KindSum, {MakePlaceholderNode(), Var('t'), Var('u')})});
    EXPECT_EQ(Ask(withMark, false).reason, 15);
    EXPECT_EQ(HidePlaceholderMark, 0) << "the question mark shows again";

    struct Case {
        const char* statement;
        bool only3D, only4D;
        int32_t reason;
    };
    const Case cases[] = {
        {"y=t*u*z*phi", false, false, 16},
        {"y=u*z*phi", false, false, 17},
        {"y=v", false, false, 17},
        // t and u belong to parametric forms, written as equations of vectors.
        {"vector(x,y,z)=vector(t,z*phi,1)", false, false, 18},
        {"#4108(x^2+y^2,1)", true, false, 19},
        {"vector(x,y)=vector(x*z,z*phi)", true, false, 20},
        {"function(optotal(x),y)=x*y", true, false, 24},
        {"function(optotal(t),vector(x,y))=vector(y,x)", true, false, 24},
        {"y=z*phi", false, false, 18},
        {"y=x^2", false, true, 25},
        {"x*z", false, false, 14},
        {"x^2+y^2<1", false, false, 14},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Ask(c.statement, c.only3D, c.only4D).reason, c.reason) << c.statement;
    // Lists with no item or one are answered, not read past their end.
    EXPECT_EQ(Ask(Node(KindComma, {}), false).reason, 14);
    EXPECT_EQ(Ask(Node(KindComma, {Var('q')}), false).reason, 14);
}

TEST_F(StatementListsTest, FormTablesIgnoreThePrimedBit)
{
    for (int32_t code : {17, 19, 24, 25, 36, 40, 43, 45, 50, 56, 62, 67, 79}) {
        EXPECT_TRUE(FormTakesRadius(code)) << code;
        EXPECT_TRUE(FormTakesRadius(code | 0x100)) << code;
    }
    for (int32_t code : {0, 1, 5, 18, 42, 51, 61, 63, 80, 81})
        EXPECT_FALSE(FormTakesRadius(code)) << code;
    // Always, never, and in space only.
    for (int32_t code : {20, 21, 22, 29, 34, 35, 48, 54}) {
        EXPECT_TRUE(FormTakesCondition(code, false)) << code;
        EXPECT_TRUE(FormTakesCondition(code | 0x100, false)) << code;
    }
    for (int32_t code : {0, 1, 4, 16, 23, 31, 32, 37, 38, 42, 47, 57, 59, 66, 81, 300})
        EXPECT_FALSE(FormTakesCondition(code, true)) << code;
    for (int32_t code : {5, 13, 15, 19, 30, 33, 39, 55, 58, 67, 80}) {
        EXPECT_TRUE(FormTakesCondition(code, true)) << code;
        EXPECT_FALSE(FormTakesCondition(code, false)) << code;
    }
}

}  // namespace
