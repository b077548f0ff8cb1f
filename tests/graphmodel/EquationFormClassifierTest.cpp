#include "document/DocState.h"
#include "formula/CopyTree.h"
#include "formula/DependsOnlyOn.h"
#include "formula/EquationFormPredicates.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/PrepareTreeForGraphing.h"
#include "formula/SymbolCodes.h"
#include "document/DocLine.h"
#include "document/DocState.h"
#include "formula/EditorState.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/EquationFormClassifier.h"
#include "support/DocumentLines.h"
#include "support/FormulaReader.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// Vectors are written vector(...), x' as #10, y' as #11, z' as #12, <= as
// #4109(a,b) and the derivative operator d/dx applied to y as
// function(optotal(x),y).
// A document with the parameter a and the table columns T (flagged first
// column) and U.
class EquationFormClassifierTest : public TreeTest {
protected:
    void SetUp() override
    {
        TreeTest::SetUp();
        AppendParameterLine(doc, 'a', 2);
        doc.TableFunctions.Push({'T', 0, 0, 5, 1});
        doc.TableFunctions.Push({'U', 0, 1, 5, 0});
    }
    void TearDown() override
    {
        doc.FreeLines();
        doc.TableFunctions.Clear();
        TreeTest::TearDown();
    }

    // The statement as the analysis hands it over: read, then prepared.
    FormulaNode* Prepared(const char* text)
    {
        FormulaNode* tree = ReadFormula(text);
        if (tree)
            PrepareTreeForGraphing(&doc, tree);
        return tree;
    }

    // The code of the prepared statement; classifying leaves it unchanged.
    int32_t Code(const char* text, bool only3D, bool only4D = false)
    {
        FormulaNode* tree = Prepared(text);
        if (!tree)
            return -1;
        std::string before = Describe(tree);
        int32_t code = ClassifyEquationWithRewrite(tree, only3D, only4D, &doc);
        EXPECT_EQ(Describe(tree), before) << text;
        FreeTree(tree);
        return code;
    }

    template <typename Query>
    bool Ask(const char* text, Query query)
    {
        FormulaNode* tree = Prepared(text);
        if (!tree)
            return false;
        bool answer = query(tree);
        FreeTree(tree);
        return answer;
    }

    DocState doc;
};

struct FormCase {
    const char* statement;
    int32_t plane;  // the code when the statement may go into a 2D view
    int32_t space;  // the code with only3D set
};

// Every expectation follows from the order of the shape tests: explicit
// forms when a graph variable stands alone on a side, the equation group
// otherwise, expressions last; 2D-only forms skipped with only3D.
const FormCase kForms[] = {
    // Explicit curves: y before x; a lone variable on the other side is
    // not the mirrored form; in space y = f(x) is the surface y = f(x, z).
    {"y=x", 1, 7},
    {"x=y", 2, 6},
    {"x^2=y", 1, 7},
    {"2=y", 1, 7},
    {"y=x^2", 1, 7},
    {"y_1=x^2", 1, 7},
    {"y=a*x+sin(p)", 1, 7},
    {"y=x_1*x", 1, 7},
    {"r=theta", 3, 8},
    {"theta=r", 4, 9},
    // Explicit surfaces.
    {"z=x*y", 5, 5},
    {"z=x", 5, 5},
    {"x=y*z", 6, 6},
    {"y=x*z", 7, 7},
    {"r=theta*phi", 8, 8},
    {"theta=r*phi", 9, 9},
    {"phi=r*theta", 10, 10},
    {"r=theta*z", 11, 11},
    {"z=r*theta", 12, 12},
    {"z=x+r", 13, 13},
    {"theta=r*z", 14, 14},
    // Implicit curves and surfaces.
    {"x^2+y^2=4", 29, 30},
    {"x*y=r", 29, 0},
    {"x^2+y^2+z^2=4", 30, 30},
    {"x^2=y^2+sin(x*y)", 29, 30},
    // Relations: <= wins over <; none in space.
    {"#4109(x^2+y^2,4)", 35, 0},
    {"#4111(y,x)", 35, 0},
    {"x^2+y^2<4", 34, 0},
    {"y>x", 34, 0},
    {"And(x<1,y>0)", 34, 0},
    // Expressions.
    {"x^2", 31, 33},
    {"sin(y)", 32, 33},
    {"x*y+r", 33, 33},
    {"z^2", 41, 41},
    {"x*z", 0, 0},
    // Constant statements.
    {"3", 0, 0},
    {"a+1", 0, 0},
    {"1<2", 0, 0},
    {"z=3", 5, 5},
    {"z=2+3*i", 44, 5},
    {"z=a", 44, 5},
    {"a=2+3*i", 43, 30},
    {"b=2", 43, 30},
    {"x_1=2", 2, 6},
    // Points and parametric curves and surfaces.
    {"vector(1,2)", 45, 0},
    {"vector(1,2,3)", 63, 63},
    {"vector(cos(t),sin(t))", 55, 0},
    {"vector(t,t^2,t^3)", 56, 56},
    {"vector(u,v,u*v)", 58, 58},
    {"vector(x,y)=vector(1,2)", 46, 18},
    {"vector(r,theta)=vector(1,2)", 47, 15},
    {"vector(x,y)=vector(cos(t),sin(t))", 18, 18},
    {"vector(r,theta)=vector(t,t)", 15, 15},
    {"vector(x,y,z)=vector(1,2,3)", 64, 64},
    {"vector(r,theta,z)=vector(1,2,3)", 65, 65},
    {"vector(r,theta,phi)=vector(1,2,3)", 66, 66},
    {"vector(x,y,z)=vector(cos(t),sin(t),t)", 19, 19},
    {"vector(r,theta,phi)=vector(t,t,t)", 24, 24},
    {"vector(r,theta,z)=vector(t,1,t)", 25, 25},
    {"vector(x,y,z)=vector(u,v,u*v)", 26, 26},
    {"vector(r,theta,phi)=vector(1,u,v)", 27, 27},
    {"vector(r,theta,z)=vector(1,u,v)", 28, 28},
    // 4D curves, surfaces and points.
    {"vector(x,y,u,v)=vector(cos(t),sin(t),t,0)", 20, 20},
    {"vector(x,y,u,v)=vector(u,v,u*v,u+v)", 21, 21},
    {"vector(1,2,3,4),vector(5,6,7,8)", 23, 23},
    // Vector fields, flows and differential equations.
    {"vector(d*x,d*y)=vector(y,x)", 16, 0},
    {"vector(d*x,d*y,d*z)=vector(y,x,1)", 17, 17},
    {"function(optotal(t),vector(x,y,z))=vector(y,x,1)", 17, 17},
    {"function(optotal(x),y)=x*y", 37, 0},
    {"(d*y)/(d*x)=x*y", 37, 30},
    {"function(optotal(t),vector(x,y))=vector(y,x)", 38, 0},
    {"function(optotal(t),z)=z^2", 42, 0},
    {"function(optotal(t),vector(x,y,z))=vector(y,x,1),vector(x,y,z)=vector(1,0,0)", 36, 36},
    {"vector(d*x,d*y,d*z)=vector(y,x,1),x^2+y^2+z^2=1", 67, 67},
    {"vector(d*x,d*y,d*z)=vector(y,x,1),x=y*z", 68, 68},
    {"vector(d*x,d*y,d*z)=vector(y,x,1),y=z", 69, 69},
    {"vector(d*x,d*y,d*z)=vector(y,x,1),z=x*y", 70, 70},
    {"vector(d*x,d*y,d*z)=vector(y,x,1),r=theta*phi", 71, 71},
    {"vector(d*x,d*y,d*z)=vector(y,x,1),theta=r*phi", 72, 72},
    {"vector(d*x,d*y,d*z)=vector(y,x,1),phi=r*theta", 73, 73},
    {"vector(d*x,d*y,d*z)=vector(y,x,1),r=theta*z", 74, 74},
    {"vector(d*x,d*y,d*z)=vector(y,x,1),z=r*theta", 75, 75},
    {"vector(d*x,d*y,d*z)=vector(y,x,1),theta=r*z", 76, 76},
    {"vector(d*x,d*y,d*z)=vector(y,x,1),vector(x,y,z)=vector(u,v,0)", 77, 77},
    {"vector(d*x,d*y,d*z)=vector(y,x,1),vector(r,theta,phi)=vector(1,u,v)", 78, 78},
    {"vector(d*x,d*y,d*z)=vector(y,x,1),vector(r,theta,z)=vector(1,u,v)", 79, 79},
    // The radius is an option of the field, not a sphere to start from.
    {"vector(d*x,d*y,d*z)=vector(y,x,1),'radius'=1", 17, 17},
    // Arrows, colour plots, complex maps.
    {"vector(1,2),vector(3,4)", 61, 0},
    {"vector(1,2),vector(3,4),vector(5,6)", 61, 0},
    {"vector(1,2,3),vector(4,5,6)", 62, 62},
    {"vector(r,g,b)=vector(x,y,1)", 59, 0},
    {"vector(h,s,v)=vector(x,y*r,theta)", 60, 0},
    {"w=z^2", 22, 22},
    {"z=t^2", 39, 39},
    {"x+i*y=t^2", 39, 0},
    {"x+i*y=z^2", 40, 40},
    // Surfaces of revolution; a curved axis is none.
    {"Rotate(x^2,y=0)", 80, 80},
    {"Rotate(y=sqrt(x),x=1,#4108(0,x,2))", 80, 80},
    {"Rotate(x^2,y=x^2)", 0, 0},
    // Comma lists classify their first item, unless an extra item is no
    // option or condition.
    {"y=x^2,x>0", 1, 7},
    {"y=x^2,'color'=3", 1, 7},
    {"y=x^2,function(f,x)", 0, 0},
    // Primed statements are drawn in the second view; mixed ones nowhere.
    {"#11=#10^2", 257, 263},
    {"#10^2+#11^2=1", 285, 286},
    {"#10=y", 0, 0},
    {"vector(#10,#11)=vector(cos(t),sin(t))", 274, 274},
    // The 4D forms have no primed counterpart.
    {"vector(#10,#11,u,v)=vector(cos(t),sin(t),t,0)", 0, 0},
    {"w=#12^2", 0, 0},
    // Table columns: only the data forms read them row by row.
    {"vector(T,U)", 48, 0},
    {"vector(T,U,T)", 51, 51},
    {"vector(x,y)=vector(T,U)", 49, 0},
    {"vector(r,theta)=vector(T,U)", 50, 0},
    {"vector(x,y,z)=vector(T,U,1)", 52, 52},
    {"vector(r,theta,z)=vector(T,U,1)", 53, 53},
    {"vector(r,theta,phi)=vector(T,U,1)", 54, 54},
    {"y=T*x", 0, 0},
    {"y=Mean(T)*x", 1, 7},
};

TEST_F(EquationFormClassifierTest, EveryStatementGetsTheCodeOfItsShape)
{
    for (const FormCase& form : kForms) {
        EXPECT_EQ(Code(form.statement, false), form.plane) << form.statement;
        EXPECT_EQ(Code(form.statement, true), form.space) << form.statement << " in space";
    }
}

TEST_F(EquationFormClassifierTest, NoStatementGetsTheUnusedCode)
{
    for (const FormCase& form : kForms) {
        EXPECT_NE(Code(form.statement, false) & 0xFF, 57) << form.statement;
        EXPECT_NE(Code(form.statement, true) & 0xFF, 57) << form.statement;
    }
}

TEST_F(EquationFormClassifierTest, OnlyFourDimensionalFormsPassTheFourDimensionalFilter)
{
    EXPECT_EQ(Code("vector(x,y,u,v)=vector(cos(t),sin(t),t,0)", false, true), 20);
    EXPECT_EQ(Code("vector(x,y,u,v)=vector(u,v,u*v,u+v)", true, true), 21);
    EXPECT_EQ(Code("vector(1,2,3,4),vector(5,6,7,8)", false, true), 23);
    EXPECT_EQ(Code("y=x^2", false, true), 0);
    EXPECT_EQ(Code("#11=#10^2", false, true), 0);
}

TEST_F(EquationFormClassifierTest, NullStatementsAreNotGraphable)
{
    EXPECT_EQ(ClassifyEquationWithRewrite(nullptr, false, false, &doc), 0);
    EXPECT_EQ(ClassifyForAnalysis(nullptr, 1, &doc).code, 0);
    EXPECT_FALSE(AllSurfaceForms(nullptr, 0, false, false, &doc));
    EXPECT_FALSE(AllPointOrDataForms(nullptr, 0, false, false, &doc));
    EXPECT_FALSE(AnySolidIn3D(nullptr, 0, &doc));
    EXPECT_FALSE(AnyEquationIs3D(nullptr, 0, &doc));
}

TEST_F(EquationFormClassifierTest, AnalysisKeepsDefinitionsOutOfTheGraphs)
{
    struct Case {
        const char* statement;
        double xyType;
        int32_t code;
        bool graphable, needs3D, is4D, primed;
    };
    const Case cases[] = {
        {"y=x^2", 1, 1, true, false, false, false},
        {"z=x*y", 1, 5, true, true, false, false},
        {"z=x*y", 2, 5, true, false, false, false},
        // Definitions classify like any equation but are not graphed.
        {"f=x+1", 1, 29, false, false, false, false},
        {"b=x", 1, 2, false, false, false, false},
        {"a=2+3*i", 1, 43, true, false, false, false},
        {"y_1=x^2", 1, 1, true, false, false, false},
        {"vector(x,y,u,v)=vector(cos(t),sin(t),t,0)", 1, 20, true, false, true, false},
        {"#11=#10^2", 1, 257, true, false, false, true},
        {"x^2+y^2+z^2=1", 1, 30, true, true, false, false},
    };
    for (const Case& c : cases) {
        FormulaNode* tree = Prepared(c.statement);
        ASSERT_TRUE(tree);
        StatementForm form = ClassifyForAnalysis(tree, c.xyType, &doc);
        EXPECT_EQ(form.code, c.code) << c.statement;
        EXPECT_EQ(form.graphable, c.graphable) << c.statement;
        EXPECT_EQ(form.needs3D, c.needs3D) << c.statement;
        EXPECT_EQ(form.is4D, c.is4D) << c.statement;
        EXPECT_EQ(form.primed, c.primed) << c.statement;
        EXPECT_FALSE(form.hasSymbolOrLabel) << c.statement;
        FreeTree(tree);
    }
}

TEST_F(EquationFormClassifierTest, DataPlotsWithSymbolOrLabelAreNoted)
{
    auto styled = [this](const char* text) {
        return Ask(text, [this](FormulaNode* tree) { return ClassifyForAnalysis(tree, 1, &doc).hasSymbolOrLabel; });
    };
    EXPECT_TRUE(styled("vector(T,U,1),'label'=\"p\""));
    EXPECT_TRUE(styled("vector(x,y,z)=vector(T,U,1),'symbol'=T"));
    EXPECT_FALSE(styled("vector(T,U,1),'label'=3"));
    EXPECT_FALSE(styled("vector(T,U),'label'=\"p\""));
}

TEST_F(EquationFormClassifierTest, ThreeDimensionalViewFollowsTheSurfaceStyle)
{
    // The explicit surfaces and plane expressions go into space only as
    // surfaces (XYType 1); density (2) and contour (3) stay in the plane.
    for (int32_t code : {5, 12, 13, 33, 41}) {
        EXPECT_TRUE(NeedsThreeDView(code, 1)) << code;
        EXPECT_TRUE(NeedsThreeDView(code, 5.7)) << code;
        EXPECT_TRUE(NeedsThreeDView(code | kPrimedFormBit, 1)) << code;
        for (double xyType : {0.0, 2.0, 3.0, 4.0, 6.0, 2.9})
            EXPECT_FALSE(NeedsThreeDView(code, xyType)) << code << " " << xyType;
    }
    for (int32_t code : {6, 7, 8, 9, 10, 11, 14, 17, 19, 24, 25, 26, 27, 28, 30, 36, 40, 51, 52, 53, 54, 56, 58, 62,
                         63, 64, 65, 66, 67, 70, 75, 79, 80}) {
        EXPECT_TRUE(NeedsThreeDView(code, 2)) << code;
        EXPECT_TRUE(NeedsThreeDView(code | kPrimedFormBit, 3)) << code;
    }
    for (int32_t code : {0, 1, 2, 3, 4, 15, 16, 18, 20, 21, 22, 23, 29, 31, 32, 34, 35, 37, 38, 39, 42, 43, 44, 45,
                         46, 47, 48, 49, 50, 55, 57, 59, 60, 61})
        EXPECT_FALSE(NeedsThreeDView(code, 1)) << code;
    // A style no integer holds is read as the surface style, never converted.
    for (double xyType : {double(NAN), double(INFINITY), -double(INFINITY), 1e300})
        EXPECT_TRUE(NeedsThreeDView(5, xyType)) << xyType;
}

TEST_F(EquationFormClassifierTest, CurvesAndFieldsAreSolidOnlyWithARadius)
{
    auto solid = [this](const char* text) {
        return Ask(text, [this](FormulaNode* tree) { return IsSolidIn3D(tree, &doc); });
    };
    EXPECT_TRUE(solid("z=x*y"));
    EXPECT_TRUE(solid("x^2+y^2+z^2=1"));
    EXPECT_TRUE(solid("vector(1,2,3)"));
    EXPECT_TRUE(solid("Rotate(x^2,y=0)"));
    EXPECT_TRUE(solid("x^2+y^2=1"));  // a cylinder in space
    EXPECT_FALSE(solid("vector(x,y,z)=vector(cos(t),sin(t),t)"));
    EXPECT_TRUE(solid("vector(x,y,z)=vector(cos(t),sin(t),t),'radius'=0.1"));
    EXPECT_FALSE(solid("vector(x,y,z)=vector(cos(t),sin(t),t),'color'=2"));
    EXPECT_FALSE(solid("vector(d*x,d*y,d*z)=vector(y,x,1)"));
    EXPECT_TRUE(solid("vector(d*x,d*y,d*z)=vector(y,x,1),'radius'=1"));
    EXPECT_TRUE(solid("vector(t,t^2,t^3),'radius'=1"));
    EXPECT_FALSE(solid("vector(x,y,u,v)=vector(cos(t),sin(t),t,0)"));
    EXPECT_TRUE(solid("y=x,'radius'=1"));  // y = f(x, z) is a surface anyway
    EXPECT_TRUE(solid("y=x"));
}

TEST_F(EquationFormClassifierTest, ListQueriesAskEveryStatement)
{
    auto prepare = [this](std::initializer_list<const char*> texts) {
        std::vector<FormulaNode*> trees;
        for (const char* text : texts)
            trees.push_back(Prepared(text));
        return trees;
    };
    auto release = [](std::vector<FormulaNode*>& trees) {
        for (FormulaNode* tree : trees)
            FreeTree(tree);
    };
    std::vector<FormulaNode*> surfaces = prepare({"z=x*y", "x^2+y", "Rotate(x^2,y=0)"});
    EXPECT_TRUE(AllSurfaceForms(surfaces.data(), 3, false, false, &doc));
    EXPECT_TRUE(FormTakesPicture(surfaces[0], false, false, &doc));
    std::vector<FormulaNode*> mixed = prepare({"z=x*y", "y=x^2"});
    EXPECT_FALSE(AllSurfaceForms(mixed.data(), 2, false, false, &doc));
    EXPECT_FALSE(FormTakesPicture(mixed[1], false, false, &doc));
    std::vector<FormulaNode*> points = prepare({"vector(1,2)", "z=2+3*i", "vector(x,y)=vector(T,U)"});
    EXPECT_TRUE(AllPointOrDataForms(points.data(), 3, false, false, &doc));
    EXPECT_TRUE(FormTakesPicture(points[2], false, false, &doc));
    EXPECT_FALSE(AllPointOrDataForms(mixed.data(), 2, false, false, &doc));
    std::vector<FormulaNode*> curves = prepare({"vector(t,t^2,t^3)", "vector(x,y)=vector(cos(t),sin(t))"});
    EXPECT_FALSE(AnySolidIn3D(curves.data(), 2, &doc));
    EXPECT_TRUE(AnySolidIn3D(mixed.data(), 2, &doc));
    EXPECT_FALSE(AnyEquationIs3D(curves.data(), 2, &doc));
    EXPECT_TRUE(AnyEquationIs3D(mixed.data(), 2, &doc));
    release(surfaces);
    release(mixed);
    release(points);
    release(curves);
}

TEST_F(EquationFormClassifierTest, ThirdAxisIsInvolvedBySpatialShapes)
{
    struct Case {
        const char* statement;
        bool spatial;
    };
    const Case cases[] = {
        {"x*y", true},   {"x^2", false},      {"y", false},       {"z=x*y", true},   {"z=r*theta", true},
        {"z^2", true},   {"z=x+r", true},     {"y=x^2", false},   {"x^2+y^2=1", false}, {"#12=#10*#11", true},
        {"z=x*y,x>0", true}, {"vector(x,y)=vector(cos(t),sin(t))", false},
    };
    for (const Case& c : cases) {
        FormulaNode* tree = Prepared(c.statement);
        ASSERT_TRUE(tree);
        std::string before = Describe(tree);
        EXPECT_EQ(InvolvesThirdAxis(&doc, tree), c.spatial) << c.statement;
        EXPECT_EQ(Describe(tree), before) << c.statement;
        FreeTree(tree);
    }
}

TEST_F(EquationFormClassifierTest, DependencyRuleAcceptsParametersAndRefusesStatements)
{
    struct Case {
        const char* tree;
        uint32_t a, b;
        bool depends;
    };
    const Case cases[] = {
        {"x^2+a", CodeX, kNoVariable, true},
        {"x^2+k*y+sin(p)", CodeX, CodeY, true},
        {"x+y", CodeX, kNoVariable, false},
        {"x_1+x", CodeX, kNoVariable, true},
        {"y_1", kNoVariable, kNoVariable, true},
        {"T+x", CodeX, kNoVariable, true},
        {"pi*e+i", kNoVariable, kNoVariable, true},
        {"t", kNoVariable, kNoVariable, false},
        {"#10+x", CodeX, kNoVariable, false},
        {"x<1", CodeX, kNoVariable, false},
        {"x=1", CodeX, kNoVariable, false},
        {"x,1", CodeX, kNoVariable, false},
        {"function(f,x)", CodeX, kNoVariable, false},
    };
    for (const Case& c : cases) {
        FormulaNode* tree = ReadFormula(c.tree);
        ASSERT_TRUE(tree);
        EXPECT_EQ(DependsOnlyOn(tree, &doc, c.a, c.b), c.depends) << c.tree;
        FreeTree(tree);
    }
    // Lists and relations pass only the rule that takes lists.
    FormulaNode* list = ReadFormula("x<1,y>a");
    EXPECT_FALSE(DependsOnlyOn(list, &doc, CodeX, CodeY));
    EXPECT_TRUE(DependsOnlyOnWithLists(list, &doc, CodeX, CodeY));
    EXPECT_FALSE(DependsOnlyOnWithLists(list, &doc, CodeX));
    FreeTree(list);
}

TEST_F(EquationFormClassifierTest, ShapePredicates)
{
    auto holds = [](const char* text, bool (*test)(const FormulaNode*)) {
        FormulaNode* tree = ReadFormula(text);
        bool answer = tree && test(tree);
        FreeTree(tree);
        return answer;
    };
    EXPECT_TRUE(holds("y=3", [](const FormulaNode* t) { return IsExplicitFor(t, nullptr, CodeY, CodeX, kNoVariable); }));
    EXPECT_FALSE(holds("'radius'=r",
                       [](const FormulaNode* t) { return IsExplicitFor(t, nullptr, CodeR, kNoVariable, kNoVariable); }));
    EXPECT_TRUE(holds("vector(1,2),vector(3,4),vector(5,6)", [](const FormulaNode* t) { return IsArrow2D(t, nullptr); }));
    EXPECT_FALSE(holds("vector(1,2)", [](const FormulaNode* t) { return IsArrow2D(t, nullptr); }));
    EXPECT_TRUE(holds("function(optotal(x),y)", [](const FormulaNode* t) { return IsDerivativeOf(t, CodeY, CodeX); }));
    EXPECT_TRUE(holds("(d*y)/(d*x)", [](const FormulaNode* t) { return IsDerivativeOf(t, CodeY, CodeX); }));
    EXPECT_FALSE(holds("(d*x)/(d*y)", [](const FormulaNode* t) { return IsDerivativeOf(t, CodeY, CodeX); }));
    EXPECT_TRUE(holds("function(optotal(t),matrix(1,2,x,y))", IsTimeDerivativeOfXY));
    EXPECT_TRUE(holds("function(optotal(t),vector(x,y))", IsTimeDerivativeOfXY));
    EXPECT_FALSE(holds("function(optotal(t),vector(y,x))", IsTimeDerivativeOfXY));
    EXPECT_TRUE(holds("x+i*y", [](const FormulaNode* t) { return IsComplexPairSum(t, CodeX, CodeY); }));
    EXPECT_FALSE(holds("x+y*i", [](const FormulaNode* t) { return IsComplexPairSum(t, CodeX, CodeY); }));
    EXPECT_TRUE(holds("And(x<1,Or(y>0,x>y))", IsLogicNode));
    EXPECT_FALSE(holds("And(x<1,x)", IsLogicNode));
    EXPECT_TRUE(holds("y=x,#4108(0,x,1),'radius'=2", HasRadiusOption));
    EXPECT_FALSE(holds("'radius'=2", HasRadiusOption));
    // A plane map must move something: a constant right side is no map.
    EXPECT_TRUE(holds("vector(#10,#11)=vector(x^2-y^2,2*x*y)", [](const FormulaNode* t) {
        return IsPlaneTransform(t, nullptr, CodeXPrimed, CodeYPrimed, CodeX, CodeY);
    }));
    EXPECT_FALSE(holds("vector(#10,#11)=vector(1,2)", [](const FormulaNode* t) {
        return IsPlaneTransform(t, nullptr, CodeXPrimed, CodeYPrimed, CodeX, CodeY);
    }));
    // Colour components may use any variable; conditions also relations.
    EXPECT_TRUE(holds("vector(x,t*s,1)", [](const FormulaNode* t) { return IsColorTriple(t, nullptr); }));
    EXPECT_FALSE(holds("vector(x<1,1,1)", [](const FormulaNode* t) { return IsColorTriple(t, nullptr); }));
    EXPECT_TRUE(holds("And(x<1,t>0)", [](const FormulaNode* t) { return IsWellFormedCondition(t, nullptr); }));
    EXPECT_FALSE(holds("x=1", [](const FormulaNode* t) { return IsWellFormedCondition(t, nullptr); }));
}

TEST_F(EquationFormClassifierTest, DeeplyNestedLogicIsReadWithoutRecursion)
{
    FormulaNode* tree = Node(KindLess, {Var(CodeX), Num(1)});
    for (int i = 0; i < 100000; ++i)
        tree = Node(i % 2 ? KindNot : KindAnd, {tree});
    RunOnSmallStack([tree] { EXPECT_TRUE(IsLogicNode(tree)); });
    FreeTree(tree);
}

}  // namespace

namespace {

TEST_F(EquationFormClassifierTest, ColourAssignmentsNeedTheirNamesAndAVisibleColour)
{
    AGraphColor shown(nullptr, &doc);
    AGraphColor hidden(nullptr, &doc);
    hidden.SetColorCode(17);
    const struct {
        const char* text;
        bool rgb, hsv;
    } cases[] = {
        {"vector(r,g,b)=vector(x,1,0.5)", true, false},
        {"vector(h,s,v)=vector(x*y,1,a)", false, true},
        {"vector(r,g,b)=vector(1,2)", false, false},
        {"vector(r,g)=vector(1,2)", false, false},
        {"vector(x,y,z)=vector(1,2,3)", false, false},
        {"vector(r,g,b)", false, false},
    };
    for (const auto& c : cases) {
        auto rgb = [&](const AGraphColor* colour) {
            return [&, colour](FormulaNode* t) { return IsColorAssignment(t, CodeR, 'g', 'b', &doc, colour); };
        };
        EXPECT_EQ(Ask(c.text, rgb(&shown)), c.rgb) << c.text;
        EXPECT_EQ(Ask(c.text, rgb(nullptr)), c.rgb) << c.text;
        EXPECT_FALSE(Ask(c.text, rgb(&hidden))) << c.text;
        EXPECT_EQ(Ask(c.text, [&](FormulaNode* t) { return IsColorAssignment(t, 'h', 's', CodeV, &doc, &shown); }),
                  c.hsv)
            << c.text;
    }
}

}  // namespace
