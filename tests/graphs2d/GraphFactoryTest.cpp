#include "graphs2d/GraphFactory.h"

#include "document/DocState.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/PrepareTreeForGraphing.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphServices.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/GraphSet.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/StubPlot.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

// What a builder was handed, as text.
struct Call {
    int32_t code;
    std::string equation;
    int32_t view;
    std::string conditions, signProduct, radius, label, startX, startY, extraColorFormula;
    int32_t colourKind;
    int32_t colorMode;
    double xyType;
    int32_t plottingMode;
};
std::vector<Call> Calls;
std::vector<std::string> FreeVariables;

std::string Text(const FormulaNode* tree)
{
    return tree ? Describe(tree) : "";
}

// Notes its arguments and adds a row with a plot of its own; the colour
// and the option trees are left to the factory.
template <int32_t Code>
void RecordingBuilder(GraphSet& set, BuilderArguments& a)
{
    const StatementOptions& o = a.options;
    Calls.push_back({Code, Text(a.equation), a.view, Text(o.builderConditions), Text(o.signProduct), Text(o.radius),
                     Text(o.label), Text(o.startX), Text(o.startY), Text(o.extraColorFormula), a.colour->kind,
                     a.colorMode, a.xyType, a.plottingMode});
    set.AddGraph2D(new StubPlot, a.view);
}

// Builds nothing, as a surface line does in a style that shows no graph.
void EmptyBuilder(GraphSet&, BuilderArguments&) {}

// Takes over what it is given, as real builders do.
void TakingBuilder(GraphSet& set, BuilderArguments& a)
{
    delete a.colour;
    a.colour = nullptr;
    FreeTree(a.options.builderConditions);
    a.options.builderConditions = nullptr;
    set.AddGraph2D(new StubPlot, a.view);
}

template <int32_t... Codes>
void RegisterRecorders()
{
    (SetFormBuilder(Codes, &RecordingBuilder<Codes>), ...);
}

class GraphFactoryTest : public TreeTest {
protected:
    void SetUp() override
    {
        TreeTest::SetUp();
        Calls.clear();
        FreeVariables.clear();
        GraphServices services = GetGraphServices();
        services.addFreeVariables = [](DocState*, const FormulaNode* tree) { FreeVariables.push_back(Describe(tree)); };
        SetGraphServices(services);
        RegisterRecorders<1, 2, 3, 5, 29, 31, 34, 37, 45, 46, 59, 60>();
        doc.Variables = new ParameterValueList;
        doc.Variables->Push({2, 'a'});
        set = std::make_unique<GraphSet>(ShortRect{0, 0, 100, 201}, nullptr, &doc);
    }
    void TearDown() override
    {
        set.reset();
        for (int32_t code = kFirstFormCode; code <= kLastFormCode; ++code)
            SetFormBuilder(code, nullptr);
        TreeTest::TearDown();
    }

    FormulaNode* Prepared(const char* text)
    {
        FormulaNode* tree = ReadFormula(text);
        if (tree)
            PrepareTreeForGraphing(&doc, tree);
        return tree;
    }
    std::string PreparedText(const char* text)
    {
        FormulaNode* tree = Prepared(text);
        std::string described = Text(tree);
        FreeTree(tree);
        return described;
    }

    // Builds the statement with the line's colour; the statement as the
    // caller holds it afterwards goes to after.
    int32_t Build(const char* text, bool in3D = false, double color = 1, std::string* after = nullptr,
                  double xyType = 2, double plottingMode = 1)
    {
        FormulaNode* statement = Prepared(text);
        if (!statement)
            return -2;
        int32_t row = set->BuildEquationGraphs(statement, in3D, false, &doc.transform, color, 0.5, 1, plottingMode,
                                               xyType, nullptr);
        EXPECT_TRUE(IsConsistent(statement)) << text;
        if (after)
            *after = Describe(statement);
        FreeTree(statement);
        return row;
    }
    const Call& OnlyCall()
    {
        EXPECT_EQ(Calls.size(), 1u);
        static const Call none{};
        return Calls.empty() ? none : Calls.back();
    }

    FakeGraphServices services_;
    DocState doc;
    std::unique_ptr<GraphSet> set;
};

TEST_F(GraphFactoryTest, ConditionsAreFoldedIntoExplicitCurves)
{
    struct Case {
        const char* statement;
        int32_t code;
        const char* graphed;
    };
    const Case cases[] = {
        // The curve is undefined where its conditions fail.
        {"y=x^2,x>0", 1, "y=x^2+#4175(0,x>0)"},
        // The curve's own variable in a condition is its value.
        {"y=x^2,y<2", 1, "y=x^2+#4175(0,x^2<2)"},
        {"y=x^2,x>0,x<3", 1, "y=x^2+#4175(0,#8091(x>0,x<3))"},
        // Mirrored: the sides trade places before the fold, so the curve
        // stays a function of x.
        {"x^2=y,x>0", 1, "y=x^2+#4175(0,x>0)"},
        {"x=y^2,y>0", 2, "x=y^2+#4175(0,y>0)"},
        {"r=theta,theta<1", 3, "r=theta+#4175(0,theta<1)"},
        {"x^2,x>0", 31, "x^2+#4175(0,x>0)"},
    };
    for (const Case& c : cases) {
        Calls.clear();
        std::string after;
        const int32_t row = Build(c.statement, false, 1, &after);
        EXPECT_EQ(row, set->equationGraphs.count - 1) << c.statement;
        const Call& call = OnlyCall();
        EXPECT_EQ(call.code, c.code) << c.statement;
        EXPECT_EQ(call.equation, PreparedText(c.graphed)) << c.statement;
        EXPECT_EQ(call.conditions, "") << c.statement << ": folded, not handed over";
        // The caller's statement holds the folded equation.
        EXPECT_NE(after.find(call.equation), std::string::npos) << c.statement;
    }
}

TEST_F(GraphFactoryTest, MirroredEquationsAreGraphedWithTheVariableOnTheLeft)
{
    std::string after;
    EXPECT_EQ(Build("x^2=y", false, 1, &after), 0);
    EXPECT_EQ(OnlyCall().equation, PreparedText("y=x^2"));
    EXPECT_EQ(after, PreparedText("y=x^2"));
    Calls.clear();
    // A derivative on the left stays there.
    EXPECT_EQ(Build("function(optotal(x),y)=y", false, 1, &after), 1);
    EXPECT_EQ(OnlyCall().code, 37);
    EXPECT_EQ(OnlyCall().equation, PreparedText("function(optotal(x),y)=y"));
}

TEST_F(GraphFactoryTest, PrimedStatementsGoToTheSecondViewAndReadAsTheyDid)
{
    std::string after;
    EXPECT_EQ(Build("#11=#10^2,#10>0", false, 1, &after), 0);
    const Call& call = OnlyCall();
    EXPECT_EQ(call.code, 1);
    EXPECT_EQ(call.view, 1);
    EXPECT_EQ(call.equation, PreparedText("y=x^2+#4175(0,x>0)"));
    EXPECT_EQ(after, PreparedText("#11=#10^2+#4175(0,#10>0),#10>0"));
    EXPECT_EQ(set->views2D[1]->graphs.count, 1);
    EXPECT_EQ(set->views2D[0]->graphs.count, 0);

    Calls.clear();
    EXPECT_EQ(Build("#11=#10^2", false, 1, &after), 1);
    EXPECT_EQ(after, PreparedText("#11=#10^2"));
}

TEST_F(GraphFactoryTest, OptionsReachTheBuilder)
{
    // A hidden line ignores colour formulas; a shown one computes them.
    Build("y=x,vector(r,g,b)=vector(x,0,1)", false, 17);
    EXPECT_EQ(Calls.back().colourKind, ColorHidden);
    Build("y=x,vector(r,g,b)=vector(x,0,1)", false, 3);
    EXPECT_EQ(Calls.back().colourKind, ColorRgbFormulas);
    Build("y=x,vector(h,s,v)=vector(x,1,1)", false, 3);
    EXPECT_EQ(Calls.back().colourKind, ColorHsvFormulas);
    EXPECT_TRUE(doc.recomputeOnStyleChange);

    // The last start point wins.
    Build("function(optotal(x),y)=x*y,vector(x,y)=vector(0,1),vector(x,y)=vector(1,0)");
    EXPECT_EQ(Calls.back().startX, "1");
    EXPECT_EQ(Calls.back().startY, "0");

    // Points draw at their own size; a point in the form (x, y) = (a, b)
    // is graphed from its right side.
    Build("vector(1,2),'radius'=2,'label'=\"p\"");
    EXPECT_EQ(Calls.back().code, 45);
    EXPECT_EQ(Calls.back().radius, "");
    EXPECT_EQ(Calls.back().label, "\"p\"");
    Build("vector(x,y)=vector(1,a)");
    EXPECT_EQ(Calls.back().code, 46);
    EXPECT_EQ(Calls.back().equation, PreparedText("vector(1,2)"));

    // Colour plots keep their further statement and are told its kind.
    Build("vector(r,g,b)=vector(x,y,1),y=x");
    EXPECT_EQ(Calls.back().extraColorFormula, PreparedText("y=x"));
    EXPECT_EQ(Calls.back().colorMode, 0);
    Build("vector(h,s,v)=vector(x,y,1)");
    EXPECT_EQ(Calls.back().colorMode, 1);

    // A style no plotting mode holds is the default mode.
    Build("y=x", false, 1, nullptr, 2, NAN);
    EXPECT_EQ(Calls.back().plottingMode, 2);
    Build("y=x", false, 1, nullptr, 2, 1.7);
    EXPECT_EQ(Calls.back().plottingMode, 1);
}

TEST_F(GraphFactoryTest, RelationsAreGraphedFromACopyWithTheirConditions)
{
    std::string after;
    Build("x^2+y^2<1,x>0", false, 1, &after);
    const Call& call = OnlyCall();
    EXPECT_EQ(call.code, 34);
    EXPECT_EQ(call.equation, PreparedText("#8091(x^2+y^2<1,x>0)"));
    // Made of differences as they stand: the builder prepares it.
    FormulaNode* product = ReadFormula("(x-0)*((x^2+y^2)-1)");
    EXPECT_EQ(call.signProduct, Describe(product));
    FreeTree(product);
    EXPECT_EQ(call.conditions, "");
    EXPECT_EQ(after, PreparedText("x^2+y^2<1,x>0"));
}

TEST_F(GraphFactoryTest, SurfacesInSpaceTakeTheirConditionsAsAFormula)
{
    Build("z=x*y,r<a", true, 1, nullptr, 3);
    const Call& call = OnlyCall();
    EXPECT_EQ(call.code, 5);
    // r is the distance from the origin in space; parameters are values.
    EXPECT_EQ(call.conditions, PreparedText("#7<2"));
    EXPECT_EQ(call.xyType, 1);
    EXPECT_TRUE(doc.recomputeOnStyleChange);
}

TEST_F(GraphFactoryTest, ParametersBecomeValuesAndFreeLettersAreOffered)
{
    std::string after;
    Build("y=a*x+b", false, 1, &after);
    EXPECT_EQ(OnlyCall().equation, PreparedText("y=2*x+b"));
    EXPECT_EQ(after, PreparedText("y=2*x+b"));
    ASSERT_EQ(FreeVariables.size(), 1u);
    EXPECT_EQ(FreeVariables[0], PreparedText("y=a*x+b"));
    // A differential equation offers the letters of its right side only.
    FreeVariables.clear();
    Build("function(optotal(x),y)=b*y");
    EXPECT_EQ(FreeVariables, std::vector<std::string>{PreparedText("b*y")});
}

TEST_F(GraphFactoryTest, OnlyARowTheBuilderAddedAnswersForTheLine)
{
    EXPECT_EQ(Build("y=x"), 0);
    EXPECT_EQ(set->lastBuildMessage, 0);
    // Not graphable: no builder is asked.
    Calls.clear();
    EXPECT_EQ(Build("x*z"), -1);
    EXPECT_EQ(set->lastBuildMessage, 14);
    EXPECT_EQ(Build("y=x,'label'=\"p\""), -1);
    EXPECT_EQ(set->lastBuildMessage, 21);
    EXPECT_TRUE(Calls.empty());
    // A builder that adds nothing answers -1, not the earlier row.
    SetFormBuilder(5, &EmptyBuilder);
    EXPECT_EQ(Build("z=x*y", false, 1, nullptr, 4), -1);
    EXPECT_EQ(set->equationGraphs.count, 1);
    // A form whose builder is not there yet says so.
    SetFormBuilder(5, nullptr);
    SetFormBuilder(19, nullptr);
    EXPECT_EQ(Build("z=x*y"), -1);
    EXPECT_EQ(set->lastBuildMessage, kMessageFormNotBuiltYet);
    EXPECT_EQ(Build("vector(x,y,z)=vector(cos(t),sin(t),t)", true), -1);
    EXPECT_EQ(set->lastBuildMessage, kMessageFormNotBuiltYet);
    // A builder that takes what it is given leaves nothing to free twice.
    SetFormBuilder(5, &TakingBuilder);
    EXPECT_EQ(Build("z=x*y,r<1,vector(r,g,b)=vector(x,0,1)", true), 1);
    EXPECT_EQ(set->lastBuildMessage, 0);
    EXPECT_EQ(set->equationGraphs.count, 2);
}

TEST_F(GraphFactoryTest, OnlyFormCodesTakeBuilders)
{
    EXPECT_EQ(SetFormBuilder(0, &EmptyBuilder), nullptr);
    EXPECT_EQ(SetFormBuilder(57, &EmptyBuilder), nullptr);
    EXPECT_EQ(SetFormBuilder(81, &EmptyBuilder), nullptr);
    EXPECT_EQ(GetFormBuilder(0), nullptr);
    EXPECT_EQ(GetFormBuilder(57), nullptr);
    EXPECT_EQ(GetFormBuilder(81), nullptr);
    EXPECT_EQ(GetFormBuilder(-3), nullptr);
    EXPECT_EQ(SetFormBuilder(80, &EmptyBuilder), nullptr);
    EXPECT_EQ(SetFormBuilder(80, nullptr), &EmptyBuilder);
    EXPECT_EQ(set->BuildEquationGraphs(nullptr, false, false, nullptr, 1, 0.5, 1, 1, 1, nullptr), -1);
    EXPECT_EQ(set->lastBuildMessage, 22);
    FormulaNode* empty = Node(KindComma, {});
    EXPECT_EQ(set->BuildEquationGraphs(empty, false, false, nullptr, 1, 0.5, 1, 1, 1, nullptr), -1);
    FreeTree(empty);
}

}  // namespace
