#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/PictureHandle.h"
#include "document/DocState.h"
#include "document/DocumentFileHooks.h"
#include "document/DocumentReader.h"
#include "document/DocumentViewSettings.h"
#include "document/DocumentWriter.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"
#include "support/CommaLocale.h"
#include "support/DocumentSections.h"
#include "support/LinearText.h"
#include "support/TreeFixture.h"
#include "support/TreeText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <string>

namespace {

class DocumentTextTest : public TreeTest {
protected:
    void SetUp() override
    {
        TreeTest::SetUp();
        ResetKeptViewSettings();
        doc.Init(nullptr);
        doc.DrawGraph = true;
    }
    void TearDown() override
    {
        doc.FreeLines();
        ResetKeptViewSettings();
        TreeTest::TearDown();
    }

    std::string Write()
    {
        int32_t length = 0;
        char* text = WriteDocumentText(&doc, &length);
        EXPECT_NE(text, nullptr);
        std::string written = text ? std::string(text, static_cast<size_t>(length)) : "";
        BudgetFree(text);
        return written;
    }

    // A fresh document read from the text, as opening a file does.
    bool Read(const std::string& text)
    {
        doc.Reset(nullptr);
        ResetKeptViewSettings();
        bool read = ReadDocumentText(&doc, text.data(), text.size());
        // Graphs are drawn after loading when the file says so.
        doc.DrawGraph = doc.drawGraphAsRead;
        return read;
    }

    void AddEquation(const char* formula)
    {
        DocLine line;
        InitEquationLine(&line);
        line.formula = new EditorState;
        line.formula->root = ParseFormulaString(formula);
        ASSERT_NE(line.formula->root, nullptr) << formula;
        AppendDocLine(&doc.Lines, line);
    }

    std::string Formula(int32_t line)
    {
        return LinearText(doc.Lines[line].formula->root, true);
    }

    DocumentViewSettings Views()
    {
        DocumentViewSettings views;
        GetViewSettings(&doc, &views);
        return views;
    }

    DocState doc;
    DocumentSectionStandIns standIns;
};

std::string Header(const std::string& statements)
{
    return "Vellumor 4;\rWindow 0 0 0 0;\r" + statements;
}

std::string ParsedTree(const char* text)
{
    FormulaNode* tree = ParseFormulaString(text);
    std::string shown = tree ? TreeText(tree) : "none";
    FreeTree(tree);
    return shown;
}

TEST_F(DocumentTextTest, DefaultsAreLeftOut)
{
    EXPECT_EQ(Write(), Header(""));
    struct Case {
        const char* what;
        void (*change)(DocState&);
        const char* expected;
    };
    const Case cases[] = {
        {"digits", [](DocState& d) { d.SignificantDigits = 9; }, "SignificantDigits 9;\r"},
        {"graphs off", [](DocState& d) { d.DrawGraph = false; }, "DrawGraph 0;\r"},
        {"font", [](DocState& d) { std::strcpy(d.FontName, "Liberation Serif"); },
         "FontName \"Liberation Serif\";\r"},
        {"colour without type 0", [](DocState& d) { d.BackgroundColor[0] = 9; }, ""},
        {"colour with type 0", [](DocState& d) { d.BackgroundType = 0; d.BackgroundColor[2] = 9; },
         "BackgroundType 0;\rBackgroundColor 0 0 9;\r"},
        {"black with type 0", [](DocState& d) { d.BackgroundType = 0; }, "BackgroundType 0;\r"},
        {"direction while stopped", [](DocState& d) { d.SliderDirection = -1; }, ""},
        {"direction while moving", [](DocState& d) { d.SliderDirection = -1; d.SliderMoving = true; },
         "SliderMoving 1;\rSliderDirection -1;\r"},
        {"slider variable", [](DocState& d) { d.SliderVariable = 't'; }, "SliderVariable t;\r"},
        {"fraction", [](DocState& d) { d.SliderMax = 6.283185307179586; }, "Slider 0 6.283185307179586;\r"},
        {"not a number", [](DocState& d) { d.SliderMin = NAN; }, "Slider nan 10;\r"},
    };
    for (const Case& c : cases) {
        doc.Reset(nullptr);
        doc.DrawGraph = true;
        c.change(doc);
        EXPECT_EQ(Write(), Header(c.expected)) << c.what;
    }
}

TEST_F(DocumentTextTest, ViewStatementsFollowTheShownViews)
{
    DocumentViewSettings views;
    views.view2D[0].xMin = 1;
    views.view2D[0].yMin = 5;
    views.view3D[0].spinSpeed = 0;
    views.view3D[0].spinAxis[0] = 1;
    ApplyViewSettings(&doc, &views);
    // Bottom first, then left.
    EXPECT_EQ(Write(), Header("2D.BottomLeft 5 1;\r"));

    views.active = ActiveFirst3D;
    ApplyViewSettings(&doc, &views);
    // Without spin the axis is not written.
    EXPECT_EQ(Write(), Header("3D.Speed 0;\r"));

    views.view3D[0].spinSpeed = 0.8;
    views.view3D[0].rotation[0] += 4 * 2.220446049250313e-16;
    ApplyViewSettings(&doc, &views);
    EXPECT_EQ(Write(), Header("3D.Axis 1 0 1;\r"));
}

TEST_F(DocumentTextTest, PicturesAndTablesHaveTheirShapes)
{
    DocumentViewSettings views;
    views.second = SecondView2DShown;
    GlobalHandle a = BudgetGlobalAlloc(4);
    std::memcpy(LockGlobalHandle(a), "QUJD", 4);
    UnlockGlobalHandle(a);
    views.view2D[0].pictures.Push({DuplicateGlobalHandle(a), 10, 20});
    views.view2D[1].pictures.Push({DuplicateGlobalHandle(a), -1, 2.5});
    ApplyViewSettings(&doc, &views);
    AddEquation("x");
    doc.Lines[0].picture = a;
    DocLine table;
    InitTableLine(&table);
    table.table = NewStandInTable({{"", "1", "2"}, {"=a+b", "", ""}});
    AppendDocLine(&doc.Lines, table);
    EXPECT_EQ(Write(), Header("Picture \"QUJD\" 10 20;\rPicture \"QUJD\" -1 2.5 1;\r"
                              "Picture \"QUJD\";\rExpr x;\r"
                              "Table\r\t\t1\t2\r\t=a+b\t\t\rEndOfTable;\r"));
}

// Every statement the writer writes, in three documents (one per active
// view), reads back and writes again byte for byte.
TEST_F(DocumentTextTest, RoundTripIsExact)
{
    const std::string settings =
        "Window 10 20 610 820;\rPaneDivider 400;\rSignificantDigits 9;\rDrawGraph 0;\r"
        "FontName \"Liberation Serif\";\rFontSizes 30;\rBackgroundType 0;\rBackgroundColor 1 2 3;\r"
        "StackPanes 1;\rSlider -1 2.5;\rSliderSteps 50;\rSliderControlValue 7;\rSliderMoving 1;\r"
        "SliderThrottle 60;\rSliderOneDirection 1;\rSliderVariable \xC3\xA9;\rSliderDirection -1;\r"
        "UseAntialiasing 0;\rT 0 2;\rU -1 1;\rV 0 3;\rR 1 4;\rTheta 0 3.14;\rPhi 0.5 1;\r";
    const std::string lines =
        "Parameter a = 2.5;\rParameter \xC3\x9F = -3;\r"
        "Color 3;\rGrain 0.25;\rOpacity 0.5;\rPlottingMode 1;\rXYType 2;\rPicture \"QUJD\";\r"
        "MathPaneSlider 40;\rExpr y=sin(x)*[x+1]^2;\r"
        "Expr \"say \"\"hi\"\"\"=a_1;\r"
        "Text \"plain <B>bold</B> <<tag> \"\"q\"\"\r<font=Liberation Sans><size=36><I>it<U>u\";\r"
        "TableFontSize 16;\rTableDisplayRows 4;\rTable\r\tx\t1\t2\r\ty\t\t3.5\rEndOfTable;\r"
        "Expr vector(1,2,3)=-(x+1);\r"
        "PageMargins 1 2.5 3 4;\r";
    int sliderControl = 10;
    static int* control = &sliderControl;
    GetDocumentFileHooks().getAnimationSliderValue = [] { return *control; };
    GetDocumentFileHooks().setAnimationSliderPos = [](int32_t v) { *control = v; };
    const std::string views[] = {
        "2D.Scale 0.5 0.125 2 5;\r2D.BottomLeft 5 1;\r2D.Axes 0;\r2D.GraphPaper 0;\rPicture \"QUJD\" 10 20;\r"
        "2Dp.Scale 1 2 1 1;\r2Dp.BottomLeft -3 -4;\r2Dp.Axes 0;\r2Dp.GraphPaper 0;\rPicture \"QUJE\" 1 2 1;\r",
        "3D.X -1 1;\r3D.Y -3 3;\r3D.Z 0 1;\r3D.Axes 0;\r3D.Depth 2.5;\r3D.View 1 0 0 0 1 0 0 0 1;\r"
        "3D.Speed 0.25;\r3D.Axis 1 0 0;\r3Dp.X -5 5;\r3Dp.Axes 0;\r3Dp.Speed 0;\r",
        "4D.X -1 1;\r4D.Y -2 3;\r4D.Z -2 4;\r4D.W -2 5;\r4D.Show4DxyPlane 0;\r4D.Show4Daxes 0;\r"
        "4D.Depth 3;\r4D.View 0 1 0 0 -1 0 0 0 0 0 1 0 0 0 0 1;\r4D.Speed1 0.5;\r4D.Axis1 0 1 0;\r"
        "4D.Axis2 0 0 1;\r",
    };
    const int32_t active[] = {ActiveFirst2D, ActiveFirst3D, Active4D};
    const int32_t second[] = {SecondView2DShown, SecondView3DShown, SecondNone};
    for (int i = 0; i < 3; ++i) {
        // The shown views are the graph set's choice, not the file's.
        ResetKeptViewSettings();
        DocumentViewSettings shown;
        shown.active = active[i];
        shown.second = second[i];
        ApplyViewSettings(&doc, &shown);
        std::string text = "Vellumor 4;\r" + settings + views[i] + lines;
        doc.Reset(nullptr);
        ASSERT_TRUE(ReadDocumentText(&doc, text.data(), text.size())) << i;
        doc.DrawGraph = doc.drawGraphAsRead;
        EXPECT_EQ(Write(), text) << i;
    }
    // What the statements set.
    EXPECT_EQ(doc.PaneDivider, 400);
    EXPECT_EQ(doc.SliderVariable, 0xE9);
    EXPECT_EQ(sliderControl, 7);
    ASSERT_EQ(doc.Parameters->count, 2);
    EXPECT_EQ((*doc.Parameters)[1].key, 0xDF);
    ASSERT_EQ(doc.Lines.count, 5);
    EXPECT_EQ(doc.Lines[0].Color, 3);
    EXPECT_EQ(doc.Lines[0].sliderPosition, 40);
    EXPECT_EQ(doc.Lines[1].Color, 1) << "styles belong to the next Expr only";
    EXPECT_EQ(StandInText(doc.Lines[2].textBox), "plain bold <tag> \"q\"\ritu");
    EXPECT_EQ(AsStandInBox(doc.Lines[2].textBox)->formats.back().size, 36);
    EXPECT_EQ(AsStandInTable(doc.Lines[3].table)->fontSize, 16);
    EXPECT_EQ(doc.pageMargins[2], 65536);
    EXPECT_EQ(doc.pageMargins[0], 163840);
    GetDocumentFileHooks().getAnimationSliderValue = nullptr;
    GetDocumentFileHooks().setAnimationSliderPos = nullptr;
}

TEST_F(DocumentTextTest, NumbersIgnoreTheLocale)
{
    if (!UseCommaNumericLocale())
        GTEST_SKIP() << "no comma locale could be made";
    doc.SliderMax = 2.5;
    AddEquation("x=0.5");
    std::string text = Write();
    EXPECT_EQ(text, Header("Slider 0 2.5;\rExpr x=0.5;\r"));
    ASSERT_TRUE(Read(Header("Slider 0.25 1.5e1;\rExpr y=0.75;\r")));
    EXPECT_EQ(doc.SliderMin, 0.25);
    EXPECT_EQ(doc.SliderMax, 15);
    EXPECT_EQ(Formula(0), "y=0.75");
    std::setlocale(LC_NUMERIC, "C");
}

// Number tokens differ between statements (a sign belongs to the number) and
// formulas (a minus is an operator).
TEST_F(DocumentTextTest, NumberTokens)
{
    struct Case {
        const char* slider;  // the "Slider" statement's numbers
        double minimum;      // NaN: the statement is skipped
        double maximum;
    };
    const Case statements[] = {
        {"-2 .5", -2, 0.5},   {"+1 1e+5", 1, 1e5},  {"1. 2", NAN, 0}, {"1e 2", NAN, 0},
        {"1E-2 3", 0.01, 3},  {"NaN 1", NAN, 0}, {"0 Infinity", NAN, 0}, {"1 2 3", NAN, 0},
        {"5", NAN, 0},        {"1e999 0", NAN, 0},
    };
    for (const Case& c : statements) {
        ASSERT_TRUE(Read(Header(std::string("Slider ") + c.slider + ";\rSliderSteps 7;\r"))) << c.slider;
        EXPECT_EQ(doc.SliderSteps, 7) << "later statements apply after " << c.slider;
        if (std::isnan(c.minimum)) {
            EXPECT_EQ(doc.SliderMin, 0) << c.slider;
            EXPECT_EQ(doc.SliderMax, 10) << c.slider;
        } else {
            EXPECT_EQ(doc.SliderMin, c.minimum) << c.slider;
            EXPECT_EQ(doc.SliderMax, c.maximum) << c.slider;
        }
    }
    const std::pair<const char*, const char*> formulas[] = {
        {".5", "0.5"}, {"1.", "none"}, {"1e", "none"}, {"2e3", "2000"}, {"1e+5", "1e+05"},
        {"-2", "(minus 2)"}, {"NaN", "nan"}, {"x2", "x2"}, {"Pi", "Pi"}, {"pi", "pi"},
        {"vectorx", "vectorx"}, {"'two words'", "two words"},
    };
    for (const auto& [text, tree] : formulas)
        EXPECT_EQ(ParsedTree(text), tree) << text;
}

TEST_F(DocumentTextTest, KeywordsMatchAsPrefixes)
{
    // "Thetax" is Theta and a stray x; "Text" without a quote is T and
    // stray letters; "Picture" without a quote is no keyword at all.
    ASSERT_TRUE(Read(Header("Thetax 1 2;\rText 1 2;\rPicture 1 2;\rT 3 4;\rTheta 5 6;\r")));
    DocumentViewSettings views = Views();
    EXPECT_EQ(views.view3D[0].t.minimum, 3);
    EXPECT_EQ(views.view3D[0].theta.maximum, 6);
    EXPECT_EQ(views.view2D[0].theta.minimum, 5);
}

TEST_F(DocumentTextTest, TextBlockMarkup)
{
    ASSERT_TRUE(Read(Header("Text \"a<x>b<font=[3]Liberation Mono><size=40000>c\r\nd\";\r"
                            "Text \"bad <size=12pt>size\";\r"
                            "FontName \"\";\r")));
    ASSERT_EQ(doc.Lines.count, 1) << "a size with a unit rejects its block";
    EXPECT_EQ(StandInText(doc.Lines[0].textBox), "ax>bc\rd") << "a lone < is dropped";
    const StandInFormat& last = AsStandInBox(doc.Lines[0].textBox)->formats.back();
    EXPECT_EQ(last.face, "Liberation Mono");
    EXPECT_EQ(last.size, kLargestTextSize);
    EXPECT_STREQ(doc.FontName, "Times New Roman") << "an empty font name is skipped";
    EXPECT_EQ(LiveStandIns(), 1);
}

TEST_F(DocumentTextTest, TableSections)
{
    ASSERT_TRUE(Read(Header("Table\rjunk\th\t1\r\n\tk\r\r\t\t\rEndOfTable;\rTable\rEndOfTable;\r")));
    ASSERT_EQ(doc.Lines.count, 2);
    const StandInTable* table = AsStandInTable(doc.Lines[0].table);
    ASSERT_EQ(table->columns.size(), 3u);
    EXPECT_EQ(table->columns[0], (std::vector<std::string>{"h", "1"})) << "bytes before a TAB are dropped";
    EXPECT_EQ(table->columns[1], (std::vector<std::string>{"k"}));
    EXPECT_EQ(table->columns[2], (std::vector<std::string>{"", ""}));
    EXPECT_TRUE(AsStandInTable(doc.Lines[1].table)->columns.empty());
}

TEST_F(DocumentTextTest, NamesAndFieldsAreBounded)
{
    std::string face(400, 'F');
    ASSERT_TRUE(Read(Header("FontName \"" + face + "\";\rSliderSteps 0;\rSignificantDigits 1000;\r"
                            "Window 99999 -99999 -7 5;\rFontSizes -3;\rTableFontSize 1e9;\r"
                            "PageMargins 1e30 -1e30 0 0;\rGrain 7;\rExpr x;\r")));
    EXPECT_EQ(std::strlen(doc.FontName), 255u);
    EXPECT_EQ(doc.SliderSteps, 1);
    EXPECT_EQ(doc.SignificantDigits, 17);
    EXPECT_EQ(doc.windowRect.top, 32767);
    EXPECT_EQ(doc.windowRect.left, -32768);
    EXPECT_EQ(doc.windowRect.bottom, -7);
    EXPECT_EQ(doc.FontSizes, 4);
    EXPECT_EQ(doc.pageMargins[2], INT32_MAX);
    EXPECT_EQ(doc.pageMargins[0], INT32_MIN);
    EXPECT_EQ(doc.Lines[0].Grain, 1);
}

TEST_F(DocumentTextTest, OperatorPrecedence)
{
    const std::pair<const char*, const char*> cases[] = {
        {"a-b-c", "(+ a (minus b) (minus c))"},
        {"a^b^c", "(power a (power b c))"},
        {"-a^b", "(minus (power a b))"},
        {"-a*b", "(* (minus a) b)"},
        {"a^b!", "(power a (fact b))"},
        {"a_b!", "(fact (indexes a b))"},
        {"a_b^c", "(power (indexes a b) c)"},
        {"a=b<c", "(< (= a b) c)"},
        {"a,b=c", "(, a (= b c))"},
        {"a/b/c", "(over (over a b) c)"},
        {"(a+b)*c", "(* (+ a b) c)"},
        {"[a]", "(id a)"},
        {"|a|", "(abs a)"},
        {"?", "(#4097)"},
        {"a b", "none"},
        {"(a", "none"},
        {"a;", "none"},
        {"", "none"},
    };
    for (const auto& [text, tree] : cases)
        EXPECT_EQ(ParsedTree(text), tree) << text;
}

TEST_F(DocumentTextTest, FunctionNames)
{
    const std::pair<const char*, const char*> cases[] = {
        {"sin(x)", "(sin x)"},
        {"Sin(x)", "(function Sin x)"},
        {"log(x,2)", "(log x 2)"},
        {"log(x)", "(log x)"},
        {"interval(a)", "(interval a (#4097))"},
        {"choice(a,b)", "(choice a b)"},
        {"vector(1,2,3)", "(matrix 1 2 3)"},
        {"vector(5)", "(matrix 5)"},
        {"fn(x,y)", "(function fn (, x y))"},
        {"f(x)", "none"},
    };
    for (const auto& [text, tree] : cases)
        EXPECT_EQ(ParsedTree(text), tree) << text;
    FormulaNode* vector = ParseFormulaString("vector(1,2,3)");
    ASSERT_NE(vector, nullptr);
    EXPECT_EQ(vector->payload.pair.low, 3);
    EXPECT_EQ(vector->payload.pair.high, 1);
    FreeTree(vector);
    FormulaNode* wide = ParseFormulaWideString(u"\"\u03C0 \"\"q\"\"\"");
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(std::u16string(wide->Text()), u"\u03C0 \"q\"");
    FreeTree(wide);
}

TEST_F(DocumentTextTest, NestingIsBounded)
{
    std::string shallow = std::string(100, '(') + "x" + std::string(100, ')');
    std::string deep = std::string(300, '[') + "x" + std::string(300, ']');
    std::string deeper = std::string(100000, '(') + "x";
    FormulaNode* tree = ParseFormulaString(shallow.c_str());
    EXPECT_NE(tree, nullptr);
    FreeTree(tree);
    EXPECT_EQ(ParseFormulaString(deep.c_str()), nullptr);
    EXPECT_EQ(ParseFormulaString(deeper.c_str()), nullptr);
    // A long sum is one row, not a deep tree.
    std::string sum = "x";
    for (int i = 0; i < 2000; ++i)
        sum += "+x";
    tree = ParseFormulaString(sum.c_str());
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->childCount, 2001);
    FreeTree(tree);
}

// What the reader writes back means what it read: grouping is added where
// the tree needs it, brackets stay brackets.
TEST_F(DocumentTextTest, FormulasReadBackToTheSameTree)
{
    for (const char* text : {"2*(x+1)", "(x+1)^2", "-(x+1)", "a-(b-c)", "(a/b)/c", "a/(b/c)", "(-a)^b",
                             "[x]*(y+z)!", "x_(a+b)", "(a,b)=c", "-2^x", "'\xCE\xB1'+1"}) {
        FormulaNode* first = ParseFormulaString(text);
        ASSERT_NE(first, nullptr) << text;
        std::string written = LinearText(first, true);
        FormulaNode* second = ParseFormulaString(written.c_str());
        ASSERT_NE(second, nullptr) << written;
        EXPECT_EQ(TreeText(first), TreeText(second)) << text << " -> " << written;
        FreeTree(first);
        FreeTree(second);
    }
}

TEST_F(DocumentTextTest, BadStatementsAreSkipped)
{
    ASSERT_TRUE(Read(Header("Slider 1;\rSliderSteps 20;\r%;\rBogus 1 2;\r;\rParameter 1 = 3;\r"
                            "3D.View 1 2;\rColor 5;\rColor 6;\rExpr x;\rColor 7;\r")));
    EXPECT_EQ(doc.SliderMin, 0);
    EXPECT_EQ(doc.SliderSteps, 20);
    ASSERT_EQ(doc.Lines.count, 1);
    EXPECT_EQ(doc.Lines[0].Color, 6) << "the later style wins; styles after the last Expr are dropped";
    // Only the header and the window: an empty document.
    ASSERT_TRUE(Read(Header("")));
    EXPECT_EQ(doc.Lines.count, 0);
    EXPECT_TRUE(doc.readSucceeded);
}

TEST_F(DocumentTextTest, AFailedReadChangesNothing)
{
    const std::string failing[] = {
        Header("T 0 9;\rExpr x;\rExpr ;\rExpr y;\r"),
        Header("Expr x+;\r"),
        Header("Expr a b;\r"),
        Header("Expr (x;\r"),
        Header("Expr x%;\r"),
        "Vellumor;\rExpr x;\r",
        "Vellumo",
        "Window 1 2 3 4;\r",
        Header("Slider 1 2"),
    };
    for (const std::string& text : failing) {
        doc.Reset(nullptr);
        ResetKeptViewSettings();
        AddEquation("q");
        doc.SliderSteps = 3;
        EXPECT_FALSE(ReadDocumentText(&doc, text.data(), text.size())) << text;
        EXPECT_FALSE(doc.readSucceeded);
        ASSERT_EQ(doc.Lines.count, 1) << text;
        EXPECT_EQ(Formula(0), "q");
        EXPECT_EQ(doc.SliderSteps, 3);
        EXPECT_EQ(Views().view3D[0].t.maximum, 1) << "staged views are not applied";
        EXPECT_EQ(LiveStandIns(), 0) << text;
    }
    // The end of the text ends an open section, which is dropped.
    ASSERT_TRUE(Read(Header("Expr x;\rText \"never closed")));
    EXPECT_EQ(doc.Lines.count, 1);
    EXPECT_EQ(LiveStandIns(), 0);
    // The version is forgotten between reads.
    std::string newer = "Vellumor 5;\rExpr x;\r";
    ASSERT_TRUE(Read(newer));
    EXPECT_EQ(LastDocumentFormatVersion(), 5);
    EXPECT_FALSE(Read("Expr x;\r"));
    EXPECT_EQ(LastDocumentFormatVersion(), 0);
}

TEST_F(DocumentTextTest, OlderVersionsConvertCoordinateMaps)
{
    const std::string body = "Expr vector(x,y)=vector(y,-x);\rExpr vector(x,y,z)=vector(z,y,x),a=1;\r"
                             "Expr vector(x,y)=vector(1,2);\r";
    ASSERT_TRUE(Read("Vellumor 3;\r" + body));
    EXPECT_EQ(Formula(0), "vector(d*x,d*y)=vector(y,-x)");
    EXPECT_EQ(Formula(1), "vector(d*x,d*y,d*z)=vector(z,y,x),a=1");
    EXPECT_EQ(Formula(2), "vector(x,y)=vector(1,2)") << "an image without x or y is no map";
    ASSERT_TRUE(Read("Vellumor 4;\r" + body));
    EXPECT_EQ(Formula(0), "vector(x,y)=vector(y,-x)");
}

TEST_F(DocumentTextTest, LegacyStatements)
{
    ASSERT_TRUE(Read(Header("TextEncodingMacOS;\rText \"caf\x8E\";\rTextEncodingUTF8;\rHideAxes 0;\r"
                            "FontSizes 18 12 10;\rPrintRecord \"0aFF1b\";\r2D.T 1 2;\r3D.Phi 0 1;\r"
                            "3D.Rotation 1 0 0 0 1 0 0 0 1;\r"
                            "4D.Rotation 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1;\r")));
    EXPECT_EQ(doc.textEncoding, 0);
    EXPECT_EQ(doc.FontSizes, 18);
    ASSERT_EQ(doc.Lines.count, 1);
    EXPECT_EQ(AsStandInBox(doc.Lines[0].textBox)->characters.back(), "\x8E");
    DocumentViewSettings views = Views();
    EXPECT_EQ(views.view2D[1].showAxes, 0);
    EXPECT_EQ(views.view2D[0].showGraphPaper, 0);
    EXPECT_EQ(views.view3D[1].showAxes, 0);
    EXPECT_EQ(views.view2D[0].t.maximum, 2);
    EXPECT_EQ(views.view2D[1].t.maximum, 1);
    EXPECT_EQ(views.view3D[0].phi.maximum, 1);
    EXPECT_EQ(views.view3D[0].spinSpeed, 0);
    EXPECT_EQ(views.view3D[0].spinAxis[2], -1);
    EXPECT_EQ(views.view4D.spinSpeed[0], 0);
}

TEST_F(DocumentTextTest, RotationsBecomeSpins)
{
    // A quarter turn about x: axis x, speed ten times the angle.
    const double quarter[9] = {1, 0, 0, 0, 0, -1, 0, 1, 0};
    std::string text = "3D.Rotation";
    for (double v : quarter)
        text += " " + std::to_string(v);
    ASSERT_TRUE(Read(Header(text + ";\r4D.Rotation 0 -1 0 0 1 0 0 0 0 0 1 0 0 0 0 1;\r")));
    DocumentViewSettings views = Views();
    EXPECT_NEAR(views.view3D[0].spinAxis[0], 1, 1e-12);
    EXPECT_NEAR(views.view3D[0].spinSpeed, 10 * M_PI / 2, 1e-9);
    // A turn in one plane is half left and half right isoclinic: both
    // speeds are ten times half the angle, clamped.
    EXPECT_NEAR(std::fabs(views.view4D.spinSpeed[0]), 3.1, 1e-12);
    EXPECT_NEAR(std::fabs(views.view4D.spinSpeed[1]), 3.1, 1e-12);
}

TEST(DocumentSignatureTest, BinaryFormIsRecognised)
{
    unsigned char data[28] = {0, 1, 2, 3, 4, 'O', 'N', 'D', 'R', 'E', 'L', 4, 3, 2, 1, 0, 32, 0, 0, 0, 0, 0, 0, 0, 10};
    EXPECT_EQ(CheckBinaryDocumentSignature(data, sizeof data), 10);
    EXPECT_EQ(CheckBinaryDocumentSignature(data, 27), 0);
    data[16] = 31;
    EXPECT_EQ(CheckBinaryDocumentSignature(data, sizeof data), 0);
    EXPECT_EQ(CheckBinaryDocumentSignature(reinterpret_cast<const unsigned char*>("Vellumor 4;\r12345678901234567"),
                                           28),
              0);
}

}  // namespace
