#include "document/DocState.h"

#include "CoreUtilities/PictureHandle.h"
#include "document/DocumentHooks.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "support/TreeFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

// A graph set that records what the document tells it.
class RecordingGraphSet : public DocumentGraphSet {
public:
    void ClearAllGraphs() override { ++clears; }
    void SetEquationOption(int32_t graph, int32_t option, double value) override
    {
        options.push_back({graph, option, value});
    }
    void MarkRenderContextsDirty() override { ++dirtyMarks; }
    void SetViewCodes(int32_t code) override { viewCode = code; }
    void DropPicture(int32_t, GlobalHandle, ShortPoint) override { ++drops; }

    struct Option {
        int32_t graph;
        int32_t option;
        double value;
    };
    int clears = 0;
    int dirtyMarks = 0;
    int drops = 0;
    int32_t viewCode = 0;
    std::vector<Option> options;
};

RecordingGraphSet* MadeGraphSet = nullptr;
bool DemoRunning = false;

class DocStateTest : public TreeTest {
protected:
    void SetUp() override
    {
        TreeTest::SetUp();
        saved_ = GetDocumentHooks();
        DocumentHooks& hooks = GetDocumentHooks();
        hooks.newGraphSet = [](ShortRect, WindowHandle, DocState*) -> DocumentGraphSet* {
            return MadeGraphSet = new RecordingGraphSet;
        };
        hooks.isDemoRunning = [] { return DemoRunning; };
    }
    void TearDown() override
    {
        doc.FreeLines();
        GetDocumentHooks() = saved_;
        DemoRunning = false;
        TreeTest::TearDown();
    }

    // An equation line of the colour, appended.
    void AddEquation(double color)
    {
        DocLine line;
        InitEquationLine(&line);
        line.Color = color;
        ASSERT_EQ(AppendDocLine(&doc.Lines, line), 0);
    }

    // The current line is a new equation with graphs 4 and 7.
    DocLine* EditEquationWithGraphs()
    {
        DocLine* line = doc.InsertEquationLine();
        line->graphs = new GrowArray<int32_t>;
        line->graphs->Push(4);
        line->graphs->Push(7);
        return line;
    }

    DocState doc;

private:
    DocumentHooks saved_;
};

TEST_F(DocStateTest, ResetGivesTheDefaultsOfANewDocument)
{
    doc.Init(nullptr);
    ASSERT_EQ(doc.Graphs, MadeGraphSet);
    // Everything Reset sets, set otherwise first.
    doc.InsertEquationLine();
    doc.SignificantDigits = 12;
    std::strcpy(doc.FontName, "Arial");
    doc.FontSizes = 10;
    doc.BackgroundType = 0;
    doc.BackgroundColor[1] = 200;
    doc.SliderMin = -3;
    doc.SliderMax = 3;
    doc.SliderSteps = 7;
    doc.SliderValue = doc.sliderValueMirror = 5;
    doc.SliderVariable = 't';
    doc.SliderThrottle = 0;
    doc.SliderDirection = -1;
    doc.SliderMoving = doc.DrawGraph = doc.someGraphable = doc.analysisFinished = true;
    doc.rotationPeriod4D = 2;
    doc.StackPanes = true;
    doc.GraphWorkPending = doc.justLoaded = doc.hasTranslucent = doc.hasPictures = true;
    doc.drawGraphAsRead = doc.panelsNeedLayout = false;
    doc.textEncoding = 1;
    doc.PaneDivider = 500;
    doc.UseAntialiasing = false;
    std::u16string hint = u"Click a line";
    std::copy(hint.begin(), hint.end() + 1, doc.StatusHint);
    doc.GraphBuildPhase = 2;
    doc.undo.kind = UndoFormulaEdit;
    doc.undo.formula = MakeNumberNode(1);
    doc.transform.kind = 2;
    doc.transform.components[0] = MakeVariableNode('x');
    doc.transform.Grain = 0.9;
    doc.RequestRedraw();
    doc.RequestResultsRefresh();
    doc.Variables->Push({2, 'a'});
    doc.IdleTimerPeriod = 0.5;
    int clearsBefore = MadeGraphSet->clears;

    doc.Reset(nullptr);

    struct Row {
        const char* field;
        double value;
        double expected;
    };
    auto row = [](const char* field, auto value, double expected) {
        return Row{field, static_cast<double>(value), expected};
    };
    const Row table[] = {
        row("tag", doc.tag == kDocStateTag, 1),
        row("lines", doc.Lines.count, 0),
        row("current line", doc.currentLine, -1),
        row("EditMode", doc.EditMode, 0),
        row("UndoKind", doc.undo.kind, 0),
        row("undo formula kept", doc.undo.formula != nullptr, 0),
        row("transform kind", doc.transform.kind, 0),
        row("transform formula kept", doc.transform.components[0] != nullptr, 0),
        row("transform Grain", doc.transform.Grain, 0.5),
        row("FontName", std::strcmp(doc.FontName, "Times New Roman") == 0, 1),
        row("SignificantDigits", doc.SignificantDigits, 6),
        row("FontSizes", doc.FontSizes, 24),
        row("BackgroundType", doc.BackgroundType, 1),
        row("BackgroundColor green", doc.BackgroundColor[1], 0),
        row("Slider minimum", doc.SliderMin, 0),
        row("Slider maximum", doc.SliderMax, 10),
        row("SliderSteps", doc.SliderSteps, 100),
        row("animation value", doc.GetSliderValue(), 1),
        row("its mirror", doc.sliderValueMirror, 1),
        row("SliderVariable", doc.SliderVariable, 'n'),
        row("SliderThrottle", doc.SliderThrottle, 30),
        row("SliderDirection", doc.SliderDirection, 1),
        row("SliderMoving", doc.SliderMoving, 0),
        row("DrawGraph", doc.DrawGraph, 0),
        row("some graphable", doc.someGraphable, 0),
        row("analysis finished", doc.analysisFinished, 0),
        row("4D rotation period", doc.rotationPeriod4D, 0),
        row("StackPanes", doc.StackPanes, 0),
        row("graph marks pending", doc.GraphWorkPending, 0),
        row("just loaded", doc.justLoaded, 0),
        row("translucent", doc.hasTranslucent, 0),
        row("pictures", doc.hasPictures, 0),
        row("DrawGraph as read", doc.drawGraphAsRead, 1),
        row("panels need layout", doc.panelsNeedLayout, 1),
        row("text encoding", doc.textEncoding, 0),
        row("PaneDivider", doc.PaneDivider, 32000),
        row("UseAntialiasing", doc.UseAntialiasing, 1),
        row("status hint length", std::char_traits<char16_t>::length(doc.StatusHint), 0),
        row("GraphBuildPhase", doc.GraphBuildPhase, 0),
        row("redraw requested", doc.TakeRedrawRequest(), 0),
        row("results refresh", doc.TakeResultsRefresh(), 0),
        row("variables", doc.Variables->count, 0),
        row("timer period", doc.IdleTimerPeriod, 0),
        row("graphs cleared", MadeGraphSet->clears > clearsBefore, 1),
        row("view code", MadeGraphSet->viewCode, 7),
    };
    for (const Row& r : table)
        EXPECT_EQ(r.value, r.expected) << r.field;
}

TEST_F(DocStateTest, AResetDuringADemonstrationKeepsItsLayoutAndTimingText)
{
    doc.Init(nullptr);
    DemoRunning = true;
    for (auto [hint, kept] : {std::pair{u"Timing...", true}, {u"Click a line", false}}) {
        doc.PaneDivider = 500;
        doc.UseAntialiasing = false;
        std::u16string text = hint;
        std::copy(text.begin(), text.end() + 1, doc.StatusHint);
        doc.Reset(nullptr);
        EXPECT_EQ(doc.PaneDivider, 500);
        EXPECT_FALSE(doc.UseAntialiasing);
        EXPECT_EQ(std::u16string(doc.StatusHint), kept ? text : u"");
    }
}

TEST_F(DocStateTest, ANewLineTakesTheLeastUsedSolidColour)
{
    struct Case {
        std::vector<double> colors;
        double expected;
    } cases[] = {
        {{1, 1, 2}, 3},
        {{}, 1},
        {{12.7, 999, 17}, 1},      // patterns, pictures and hidden lines do not count
        {{1, 12.7, 999}, 2},
        {{1.5, 2, 3, 4, 5, 6, 7, 8}, 1},
        {{2, 3, 4, 5, 6, 7, 8, 8}, 1},
    };
    for (const Case& c : cases) {
        for (double color : c.colors)
            AddEquation(color);
        DocLine text;
        InitTextLine(&text);
        text.Color = 5;  // a text line is no equation
        AppendDocLine(&doc.Lines, text);
        DocLine* line = doc.InsertEquationLine();
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->Color, c.expected) << c.colors.size() << " lines";
        doc.FreeLines();
    }
}

TEST_F(DocStateTest, ANewLineGoesRightAfterTheCurrentOne)
{
    for (int i = 0; i < 3; ++i)
        AddEquation(i + 1);
    // None current: the new line goes first.
    DocLine* line = doc.InsertEquationLine();
    EXPECT_EQ(doc.currentLine, 0);
    EXPECT_EQ(doc.Lines[1].Color, 1);
    EXPECT_EQ(GetCurrentEditorState(), line->formula);

    doc.currentLine = 2;  // the line of colour 2
    line = doc.InsertEquationLine();
    ASSERT_EQ(doc.Lines.count, 5);
    EXPECT_EQ(doc.currentLine, 3);
    EXPECT_EQ(line, &doc.Lines[3]);
    EXPECT_EQ(doc.EditMode, EditFormula);
    EXPECT_EQ(doc.Lines[4].Color, 3);
    EXPECT_EQ(line->kind, DocLineEquation);
    EXPECT_EQ(line->Grain, 0.5);
    EXPECT_EQ(line->PlottingMode, 2);
    EXPECT_EQ(line->XYType, 1);
    EXPECT_EQ(GetCurrentEditorState(), line->formula);
    EXPECT_EQ(line->formula->root->kind, KindPlaceholder);
    EXPECT_TRUE(doc.IsEditingEquation());
}

TEST_F(DocStateTest, FreeingLinesToleratesMissingParts)
{
    static int tablesFreed = 0;
    static int slidersFreed = 0;
    GetDocumentHooks().freeDataTable = [](DataTable*) { ++tablesFreed; };
    GetDocumentHooks().destroyMathPaneSlider = [](CMathPaneSlider*) { ++slidersFreed; };
    doc.Init(nullptr);

    DocLine bare;
    InitEquationLine(&bare);  // no formula, statements, graphs, picture or slider
    AppendDocLine(&doc.Lines, bare);
    DocLine full;
    InitEquationLine(&full);
    full.statements = new GrowArray<FormulaNode*>;
    full.statements->Push(MakeVariableNode('x'));
    full.graphs = new GrowArray<int32_t>;
    full.graphs->Push(3);
    full.picture = AllocPictureHandle(ShortRect{0, 0, 4, 4});
    full.slider = reinterpret_cast<CMathPaneSlider*>(&slidersFreed);
    AppendDocLine(&doc.Lines, full);
    DocLine text;
    InitTextLine(&text);
    AppendDocLine(&doc.Lines, text);
    DocLine table;
    InitTableLine(&table);
    table.table = reinterpret_cast<DataTable*>(&tablesFreed);
    AppendDocLine(&doc.Lines, table);
    doc.EditMode = EditFormula;
    doc.currentLine = 1;

    doc.FreeLines();
    EXPECT_EQ(doc.Lines.count, 0);
    EXPECT_EQ(doc.Lines.storage, nullptr);
    EXPECT_EQ(doc.currentLine, -1);
    EXPECT_EQ(doc.EditMode, EditNothing);
    EXPECT_EQ(tablesFreed, 1);
    EXPECT_EQ(slidersFreed, 1);
    // With the array empty, ending the edit reads no line.
    doc.EditMode = EditTextOrCell;
    doc.currentLine = 0;
    doc.EndEditing();
    EXPECT_EQ(doc.currentLine, -1);
}

TEST_F(DocStateTest, ARedrawRequestedWhileTheInterfaceTakesOneIsNeverLost)
{
    static std::atomic<int> restarts{0};
    restarts = 0;
    GetDocumentHooks().restartIdleTimerSoon = [](DocState*) { restarts.fetch_add(1); };
    constexpr int kRequests = 20000;
    std::atomic<int> produced{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 1; i <= kRequests; ++i) {
            produced.store(i);
            doc.RequestRedraw();
        }
        done = true;
    });
    int seen = 0;
    int taken = 0;
    while (!done) {
        if (doc.TakeRedrawRequest()) {
            seen = produced.load();
            ++taken;
        }
    }
    worker.join();
    // The tick after the last request sees it.
    if (doc.TakeRedrawRequest()) {
        seen = produced.load();
        ++taken;
    }
    EXPECT_EQ(seen, kRequests);
    EXPECT_GT(taken, 0);
    EXPECT_FALSE(doc.TakeRedrawRequest());
    EXPECT_EQ(restarts.load(), kRequests);
}

TEST_F(DocStateTest, GrainIsClampedAndSentToTheLineGraphs)
{
    doc.Init(nullptr);
    DocLine* line = EditEquationWithGraphs();
    for (auto [x, stored] : {std::pair{1.5, 1.0}, {-0.2, 0.0}, {0.25, 0.25}, {NAN, 0.0}}) {
        MadeGraphSet->options.clear();
        EXPECT_FALSE(doc.SetLineGrain(x));  // the pane is hidden
        EXPECT_EQ(line->Grain, stored) << x;
        ASSERT_EQ(MadeGraphSet->options.size(), 2u);
        EXPECT_EQ(MadeGraphSet->options[1].graph, 7);
        EXPECT_EQ(MadeGraphSet->options[1].option, OptionResolution);
        EXPECT_EQ(MadeGraphSet->options[1].value, stored);
    }
    EXPECT_TRUE(doc.GraphWorkPending);
}

TEST_F(DocStateTest, TransparencyToggledTwiceIsOpaqueAgain)
{
    doc.Init(nullptr);
    DocLine* line = EditEquationWithGraphs();
    doc.ToggleTransparency();
    EXPECT_EQ(line->Opacity, 0.7);
    EXPECT_TRUE(doc.hasTranslucent);
    doc.ToggleTransparency();
    EXPECT_EQ(line->Opacity, 1.0);
    EXPECT_FALSE(doc.hasTranslucent);
    EXPECT_EQ(MadeGraphSet->dirtyMarks, 2);
    ASSERT_EQ(MadeGraphSet->options.size(), 4u);
    EXPECT_EQ(MadeGraphSet->options[1].option, OptionOpacity);
    EXPECT_EQ(MadeGraphSet->options[1].value, 0.7);
    EXPECT_EQ(MadeGraphSet->options[3].value, 1.0);

    doc.ToggleTransparency();
    doc.MakeAllOpaque();
    EXPECT_EQ(line->Opacity, 1.0);
    EXPECT_FALSE(doc.hasTranslucent);
}

TEST_F(DocStateTest, APastedPictureWithNothingEditedAndNo2DViewDoesNothing)
{
    doc.Init(nullptr);
    AddEquation(1);
    GlobalHandle picture = AllocPictureHandle(ShortRect{0, 0, 2, 2});
    doc.PastePicture(picture, nullptr);
    ShortPoint point{5, 5};
    doc.PastePicture(picture, &point);
    EXPECT_EQ(MadeGraphSet->drops, 0);
    EXPECT_EQ(doc.Lines[0].picture, nullptr);
    // While the equation is edited it takes a copy.
    doc.EditMode = EditFormula;
    doc.currentLine = 0;
    doc.PastePicture(picture, nullptr);
    EXPECT_NE(doc.Lines[0].picture, nullptr);
    EXPECT_NE(doc.Lines[0].picture, picture);
    doc.UpdateHasPictures();
    EXPECT_TRUE(doc.hasPictures);
    FreeGlobalHandle(picture);
}

TEST_F(DocStateTest, TableCommandsNeedOneSelectedColumn)
{
    DocLine table;
    InitTableLine(&table);
    AppendDocLine(&doc.Lines, table);
    doc.currentLine = 0;
    doc.EditMode = EditTableColumns;
    doc.tableSelection.Push(1);
    EXPECT_TRUE(doc.CanUseTableCommands());
    doc.tableSelection.Push(2);
    EXPECT_FALSE(doc.CanUseTableCommands());
    EXPECT_TRUE(doc.IsTableActive());
    EXPECT_EQ(doc.CurrentFormula(), nullptr);  // no header formula
    doc.EndEditing();
    EXPECT_EQ(doc.tableSelection.count, 0);
    EXPECT_FALSE(doc.IsTableActive());
}

}  // namespace
