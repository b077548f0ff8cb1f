#include "CoreUtilities/CoopThread.h"
#include "CoreUtilities/ThreadLocks.h"
#include "CoreUtilities/ThreadStorage.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "document/DocumentServices.h"
#include "document/DocumentTask.h"
#include "document/ParameterValues.h"
#include "evaluation/ParameterValue.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "graphmodel/GraphModelHooks.h"
#include "support/DocumentLines.h"
#include "support/FormulaReader.h"
#include "support/LinearText.h"
#include "support/TreeFixture.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// What a slider window was told, kept by the fake windows below.
struct FakeSlider {
    int32_t position = -1;
    uint32_t key = 0;
    int32_t steps = 0;
};

std::u16string Text(const char16_t* text)
{
    return std::u16string(text);
}

// A document of equation lines read from formula text, analysed as the
// user-interface thread would: Recompute, then slices until the pass ends.
class RecomputeTest : public TreeTest {
protected:
    static void SetUpTestSuite()
    {
        RegisterDocumentServices();
        StartWorkerThreads();
    }

    void SetUp() override
    {
        TreeTest::SetUp();
        ASSERT_TRUE(EnsureEvalFrame());
        saved_ = GetDocumentHooks();
        RegisterGraphModelHooks();
        DocumentHooks& hooks = GetDocumentHooks();
        hooks.createMathPaneSlider = [](DocState*) { return reinterpret_cast<CMathPaneSlider*>(new FakeSlider); };
        hooks.destroyMathPaneSlider = [](CMathPaneSlider* slider) { delete reinterpret_cast<FakeSlider*>(slider); };
        hooks.setMathPaneSliderPosition = [](CMathPaneSlider* slider, int32_t position) {
            reinterpret_cast<FakeSlider*>(slider)->position = position;
        };
        hooks.mathPaneSliderPosition = [](const CMathPaneSlider* slider) {
            return reinterpret_cast<const FakeSlider*>(slider)->position;
        };
        hooks.setMathPaneSliderRange = [](CMathPaneSlider* slider, uint32_t key, int32_t steps) {
            reinterpret_cast<FakeSlider*>(slider)->key = key;
            reinterpret_cast<FakeSlider*>(slider)->steps = steps;
        };
        doc.Variables = new ParameterValueList;
        doc.Parameters = new ParameterValueList;
    }

    void TearDown() override
    {
        doc.FreeLines();
        FreeValueLists();
        GetDocumentHooks() = saved_;
        TreeTest::TearDown();
    }

    void FreeValueLists()
    {
        for (ParameterValueList** list : {&doc.Variables, &doc.Parameters}) {
            if (*list)
                (*list)->Clear();
            delete *list;
            *list = nullptr;
        }
    }

    void AddLine(const char* text)
    {
        AddTree(ReadFormula(text));
    }
    void AddTree(FormulaNode* tree)
    {
        DocLine line;
        InitEquationLine(&line);
        line.formula = new EditorState;
        line.formula->root = tree;
        ASSERT_EQ(AppendDocLine(&doc.Lines, line), 0);
    }

    void Analyse()
    {
        doc.Recompute();
        EXPECT_TRUE(WaitUntil([&] {
            CoopSliceOverrun = 0;
            RunCoopThreadSlice();
            return doc.AnalysisThread == NoCoopThread;
        }));
        EXPECT_TRUE(doc.analysisFinished);
    }

    // The linear texts of the line's statements.
    std::vector<std::string> Statements(int32_t line)
    {
        std::vector<std::string> texts;
        if (const GrowArray<FormulaNode*>* list = doc.Lines[line].statements) {
            for (const FormulaNode* statement : *list)
                texts.push_back(LinearText(statement));
        }
        return texts;
    }

    // What the graph factory does for the variables panel at a build.
    void BuildVariables() { CollectFreeVariables(doc); }

    bool ResultsFresh()
    {
        return WaitUntil([&] {
            MutexLock hold(doc.TaskLock);
            if (doc.TaskState.load() == DocumentTaskRunning)
                return false;
            for (DocLine& line : doc.Lines) {
                if (line.HasResult(&doc) && line.resultStale)
                    return false;
            }
            return true;
        });
    }

    DocState doc;

private:
    DocumentHooks saved_;
};

TEST_F(RecomputeTest, PlusMinusAndSetsExpandInOrder)
{
    AddLine("y=plusorminus(x)");
    AddLine("y=a*x,a=set(1,2,3)");
    AddLine("y=plusorminus(a)*x,a=set(1,2)");
    Analyse();
    EXPECT_EQ(Statements(0), (std::vector<std::string>{"y=x", "y=-x"}));
    EXPECT_EQ(Statements(1), (std::vector<std::string>{"y=1*x", "y=2*x", "y=3*x"}));
    // The set first, then each element's plus and minus reading.
    EXPECT_EQ(Statements(2), (std::vector<std::string>{"y=1*x", "y=-1*x", "y=2*x", "y=-2*x"}));
    EXPECT_TRUE(doc.someGraphable);
    EXPECT_FALSE(doc.viewLayout.firstView3D);
}

TEST_F(RecomputeTest, SlidersTakeTheirRangeAndSteps)
{
    struct Case {
        const char* text;
        double minimum, maximum;
        int32_t steps;
    };
    const Case cases[] = {
        {"n=slider(1,10)", 1, 10, 200},
        {"n=slider(5,5,0)", 5, 6, 1},
        {"n=slider(0,1,500)", 0, 1, 200},
        {"n=slider(0,1,7.9)", 0, 1, 7},
        {"n=slider(1/0,2)", 0, 2, 200},       // infinite minimum
        {"n=slider(0,~1/0)", 0, 1, 200},      // infinite maximum
        {"n=slider(0/0,0/0)", 0, 1, 200},     // undefined bounds
        {"n=slider(0,1,0/0)", 0, 1, 200},     // undefined steps: as if none
        {"n=slider(0,1,1e300)", 0, 1, 200},   // infinite in single precision
        {"n=slider(0,1,~1e300)", 0, 1, 1},
    };
    for (const Case& c : cases)
        AddLine(c.text);
    AddLine("y=x");
    doc.Lines[0].sliderPosition = 50;
    Analyse();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const DocLine& line = doc.Lines[static_cast<int32_t>(i)];
        EXPECT_EQ(line.sliderMinimum, cases[i].minimum) << cases[i].text;
        EXPECT_EQ(line.sliderMaximum, cases[i].maximum) << cases[i].text;
        EXPECT_EQ(line.sliderSteps, cases[i].steps) << cases[i].text;
        ASSERT_NE(line.slider, nullptr) << cases[i].text;
        const auto* window = reinterpret_cast<const FakeSlider*>(line.slider);
        EXPECT_EQ(window->key, static_cast<uint32_t>('n')) << cases[i].text;
        EXPECT_EQ(window->steps, cases[i].steps) << cases[i].text;
    }
    EXPECT_EQ(doc.Lines[static_cast<int32_t>(std::size(cases))].slider, nullptr);
    // The window starts at the stored position, and the value follows it.
    EXPECT_EQ(reinterpret_cast<const FakeSlider*>(doc.Lines[0].slider)->position, 50);
    EXPECT_DOUBLE_EQ(doc.Lines[0].sliderValue, 1 + 9 * 50 / 200.0);
    EXPECT_EQ(GetParameterValue('n', -1, &doc).re, doc.Lines[0].sliderValue);

    // A line that stops being a slider definition loses its window.
    FreeTree(doc.Lines[0].formula->root);
    doc.Lines[0].formula->root = ReadFormula("n=x");
    Analyse();
    EXPECT_EQ(doc.Lines[0].slider, nullptr);
}

TEST_F(RecomputeTest, TheFirstMapOfThePlaneFillsTheTransform)
{
    // A plain definition alone: nothing to graph.
    AddLine("c=b+1");
    Analyse();
    EXPECT_FALSE(doc.someGraphable);
    EXPECT_EQ(doc.transform.kind, 0u);

    AddLine("vector(x',y')=vector(x+y,x-y)");
    doc.Lines[1].Grain = 0.25;
    Analyse();
    EXPECT_TRUE(doc.someGraphable);
    ASSERT_EQ(doc.transform.kind, 2u);
    EXPECT_EQ(doc.transform.line, &doc.Lines[1]);
    EXPECT_EQ(LinearText(doc.transform.components[0]), "x+y");
    EXPECT_EQ(LinearText(doc.transform.components[1]), "x-y");
    EXPECT_EQ(doc.transform.Grain, 0.25);

    // A recompute clears it before the next pass looks again.
    FreeTree(doc.Lines[1].formula->root);
    doc.Lines[1].formula->root = ReadFormula("y=x");
    Analyse();
    EXPECT_EQ(doc.transform.kind, 0u);
}

// A recompute that meets a pass half-way stops it before starting another;
// the lists end as one whole pass leaves them.
TEST_F(RecomputeTest, ARecomputeStopsTheRunningPassFirst)
{
    constexpr int kLines = 60;
    for (int i = 0; i < kLines; ++i)
        AddLine("y=plusorminus(sin(x)^2+cos(x)^2*x),a=set(1,2,3,4,5,6,7,8)");
    for (int round = 0; round < 5; ++round) {
        doc.Recompute();
        EXPECT_FALSE(doc.analysisFinished && doc.AnalysisThread != NoCoopThread);
    }
    Analyse();
    for (int i = 0; i < kLines; ++i)
        EXPECT_EQ(Statements(i).size(), 16u) << i;
}

TEST_F(RecomputeTest, APassWithoutAThreadRunsInTheStartCall)
{
    AddLine("y=plusorminus(x)");
    size_t stack = CoopThreadStackBytes;
    // No thread can have this stack.
    CoopThreadStackBytes = static_cast<size_t>(1) << 62;
    doc.Recompute();
    CoopThreadStackBytes = stack;
    EXPECT_EQ(doc.AnalysisThread, NoCoopThread);
    EXPECT_TRUE(doc.analysisFinished);
    EXPECT_EQ(Statements(0).size(), 2u);
}

TEST_F(RecomputeTest, ResultTexts)
{
    struct Case {
        const char* text;
        std::u16string expected;
    };
    const Case cases[] = {
        {"2+3", u"= 5"},
        {"3=3", u"true"},
        {"3=4", u""},
        {"2<1", u"false"},
        {"sqrt(~4)", u"=  2i"},
        {"1/0", u"= infinity"},
        {"b=3", u""},  // a definition shows nothing
        {"y=x", u""},  // not constant
    };
    for (const Case& c : cases)
        AddLine(c.text);
    // b^2 = ?: the value alone.
    FormulaNode* question = ReadFormula("b^2=x");
    FreeTree(question->children[1]);
    question->children[1] = MakePlaceholderNode();
    question->children[1]->parent = question;
    AddTree(question);
    Analyse();
    ASSERT_TRUE(ResultsFresh());
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(Text(doc.Lines[static_cast<int32_t>(i)].resultText), cases[i].expected) << cases[i].text;
    EXPECT_EQ(Text(doc.Lines[static_cast<int32_t>(std::size(cases))].resultText), u"9");
    EXPECT_TRUE(doc.AnyResultShown());
}

TEST_F(RecomputeTest, ACancelledTaskLeavesItsTextsStale)
{
    AddLine("2+3");
    Analyse();
    ASSERT_TRUE(ResultsFresh());
    doc.QueueResultRefresh();
    ASSERT_TRUE(ResultsFresh());
    CancelDocumentTask(&doc);

    // The interpreters stop at the flag: what they gave is not shown.
    FreeTree(doc.Lines[0].statements->storage[0]);
    doc.Lines[0].statements->storage[0] = ReadFormula("2+4");
    doc.Lines[0].resultStale = true;
    DocumentTaskAbort.store(1);
    doc.RefreshResults();
    DocumentTaskAbort.store(0);
    EXPECT_EQ(Text(doc.Lines[0].resultText), u"= 5");
    EXPECT_TRUE(doc.Lines[0].resultStale);
    doc.RefreshResults();
    EXPECT_EQ(Text(doc.Lines[0].resultText), u"= 6");
    EXPECT_FALSE(doc.Lines[0].resultStale);
}

TEST_F(RecomputeTest, AFreeLetterIsListedWithOneAndKeepsItsTypedValue)
{
    AddLine("y=a*x");
    Analyse();
    BuildVariables();
    ASSERT_EQ(doc.Variables->count, 1);
    EXPECT_EQ((*doc.Variables)[0].key, 'a');
    EXPECT_EQ((*doc.Variables)[0].value, 1);
    EXPECT_EQ(doc.GetVariableValue('a'), 1);
    EXPECT_TRUE(std::isnan(doc.GetVariableValue('x')));

    // 2 typed over the cell's whole text.
    doc.EditMode = EditValueCell;
    doc.currentValueCell = 0;
    std::u16string one = u"1";
    std::copy(one.begin(), one.end(), doc.panels.valueCells[0].text);
    doc.panelCaret = 0;
    doc.panelAnchor = 1;
    doc.OnPanelKey(u'2');
    EXPECT_EQ(Text(doc.panels.valueCells[0].text), u"2");
    EXPECT_EQ(doc.GetVariableValue('a'), 2);
    // The key recomputed the document; the next build lists a with 2.
    EXPECT_TRUE(WaitUntil([&] {
        CoopSliceOverrun = 0;
        RunCoopThreadSlice();
        return doc.AnalysisThread == NoCoopThread;
    }));
    BuildVariables();
    ASSERT_EQ(doc.Variables->count, 1);
    EXPECT_EQ((*doc.Variables)[0].value, 2);

    // A parameter line takes a out of the panel and gives the interpreters 3.
    AddLine("a=3");
    Analyse();
    BuildVariables();
    EXPECT_EQ(doc.Variables->count, 0);
    EXPECT_EQ(GetParameterValue('a', 0, &doc).re, 3);
    EXPECT_EQ(GetParameterValue('q', 0, &doc).re, 1);
}

TEST_F(RecomputeTest, TypingIntoAFullValueCellKeepsThirtyTwoCharacters)
{
    AddLine("y=a*x");
    Analyse();
    BuildVariables();
    doc.EditMode = EditValueCell;
    doc.currentValueCell = 0;
    for (int i = 0; i < 40; ++i)
        doc.OnPanelKey(u'7');
    EXPECT_EQ(Text(doc.panels.valueCells[0].text), std::u16string(32, u'7'));
    EXPECT_LE(doc.panelCaret, 32);
    EXPECT_EQ(doc.panelCaret, doc.panelAnchor);
    // Letters are not taken.
    doc.OnPanelKey(u'x');
    EXPECT_EQ(Text(doc.panels.valueCells[0].text), std::u16string(32, u'7'));
}

// The interpreters' parameters come from what the analysis found: an edit
// of the formula in place, not yet recomputed, changes nothing they read.
TEST_F(RecomputeTest, ParametersComeFromTheAnalysedLines)
{
    AddLine("a=2");
    Analyse();
    EXPECT_EQ(GetParameterValue('a', 0, &doc).re, 2);
    doc.Lines[0].formula->root->children[1]->payload.number->value = 5;
    EXPECT_EQ(GetParameterValue('a', 0, &doc).re, 2);
    Analyse();
    EXPECT_EQ(GetParameterValue('a', 0, &doc).re, 5);
}

// The value task reads the variables list while graph building empties and
// fills it, and is queued and cancelled meanwhile; the sanitizers watch.
TEST_F(RecomputeTest, ResultsAreRefreshedWhileTheVariablesAreRebuilt)
{
    AddLine("a+1");
    AddLine("y=a*x");
    Analyse();
    ASSERT_TRUE(ResultsFresh());
    for (int round = 0; round < 200; ++round) {
        doc.QueueResultRefresh();
        BuildVariables();
        if (round % 7 == 0)
            CancelDocumentTask(&doc);
    }
    doc.QueueResultRefresh();
    ASSERT_TRUE(ResultsFresh());
    EXPECT_EQ(Text(doc.Lines[0].resultText), u"= 2");
    EXPECT_EQ(DocumentTaskAbort.load(), 0);
}

}  // namespace
