// The demonstration player driving the real program: script lines, the
// order they are read in, pacing, gestures, the Demo menu, and a document
// that stays usable when a demonstration is stopped half-way.
#include "app/CDemoDialog.h"
#include "app/CMainFrame.h"
#include "app/COndrelApp.h"
#include "app/COndrelDoc.h"
#include "app/CVLSplitterWnd.h"
#include "app/DemoPlayer.h"
#include "app/ShellServices.h"
#include "CoreUtilities/Clock.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "editor/COndrelView.h"
#include "editor/EditorStateLife.h"
#include "formula/EditorState.h"
#include "formula/LinearFormulaText.h"
#include "platform/MessageBox.h"
#include "platform/MessageText.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

std::u16string U(const char* s)
{
    return std::u16string(s, s + std::char_traits<char>::length(s));
}

// Lines as the scripts write them, taken apart.
TEST(DemoScriptTest, LinesParseIntoKeystrokesRangeAndCaption)
{
    const struct {
        std::u16string line;
        const char* keys;
        bool range;
        int32_t min, max, steps;
        bool caption;
        const char* text;
    } cases[] = {
        {u"$\t''", "$", false, 0, 0, 0, true, ""},
        {u"B", "B", false, 0, 0, 0, false, ""},
        {u"y=cosx\t", "y=cosx", false, 0, 0, 0, false, ""},
        {u"y=nx\t\tn=0,2,10", "y=nx", true, 0, 2, 10, false, ""},
        {u"y=x^2%\t\t\t'To graph a curve.'", "y=x^2%", false, 0, 0, 0, true, "To graph a curve."},
        {u"y=sinnx\tn=-3,3,60\t\t'Waves'", "y=sinnx", true, -3, 3, 60, true, "Waves"},
        {u"x\t'no closing quote", "x", false, 0, 0, 0, true, "no closing quote"},
        {u"a\t'one' 'two'", "a", false, 0, 0, 0, true, "one"},
        {u"z=xy\n'next line'", "z=xy", false, 0, 0, 0, false, ""},
        // Caption characters keep their low 8 bits.
        {u"p\t'\u03C0r'", "p", false, 0, 0, 0, true, "\xC0r"},
    };
    for (const auto& c : cases) {
        const DemoScriptLine line = ParseDemoScriptLine(c.line);
        SCOPED_TRACE(std::string(c.keys));
        EXPECT_EQ(line.keystrokes, U(c.keys));
        EXPECT_EQ(line.hasRange, c.range);
        if (c.range) {
            EXPECT_EQ(line.rangeMin, c.min);
            EXPECT_EQ(line.rangeMax, c.max);
            EXPECT_EQ(line.rangeSteps, c.steps);
        }
        EXPECT_EQ(line.hasCaption, c.caption);
        EXPECT_EQ(line.caption, c.text);
    }
    // A line holds at most 255 characters.
    const DemoScriptLine longLine = ParseDemoScriptLine(std::u16string(400, u'x') + u"\t'c'");
    EXPECT_EQ(longLine.keystrokes.size(), 255u);
    EXPECT_FALSE(longLine.hasCaption);
}

// Every script's lines parse, and every one-character line is a command
// the player knows.
TEST(DemoScriptTest, ScriptsHoldOnlyKnownCommands)
{
    for (int32_t code = 50; code <= 59; ++code) {
        std::u16string_view script = GetMessageText(code);
        size_t p = 0;
        while (p < script.size()) {
            size_t end = script.find_first_of(u"\r\n", p);
            if (end == std::u16string_view::npos)
                end = script.size();
            const DemoScriptLine line = ParseDemoScriptLine(script.substr(p, end - p));
            EXPECT_LE(end - p, 255u) << code;
            if (line.keystrokes.size() == 1) {
                const char16_t c = line.keystrokes[0];
                EXPECT_TRUE(c == u'$' || c == u'e' || (c >= u'A' && c <= u'L')) << code << " " << char(c);
            }
            if (line.hasRange) {
                EXPECT_LT(line.rangeMin, line.rangeMax) << code;
                EXPECT_GE(line.rangeSteps, 1) << code;
                EXPECT_LE(line.rangeSteps, 500) << code;
            }
            p = end + 1;
        }
    }
}

uint32_t FakeNow = 0;
uint32_t FakeStep = 0;
uint32_t FakeTicks()
{
    FakeNow += FakeStep;
    return FakeNow;
}

class DemoPlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
        SetMessageBoxHook([this](const std::u16string& text, const std::u16string&, MessageBoxIcon,
                                 MessageBoxButtons) {
            boxes.push_back(text);
            return answer;
        });
        static int argc = 1;
        static char name[] = "vellumor";
        static char* argv[] = {name, nullptr};
        app = new COndrelApp(argc, argv);
        ASSERT_TRUE(app->InitInstance());
        frame = app->MainFrame();
        frame->resize(800, 600);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
        frame->activateWindow();
        Run(200);
    }
    void TearDown() override
    {
        SetClockTickSource(nullptr);
        StartDemo(0, 0);
        app->ExitInstance(0);
        delete app;
        SetMessageBoxHook(nullptr);
    }

    // Events and the timer's work, as the program runs them.
    void Run(int milliseconds, const std::function<bool()>& until = nullptr)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < milliseconds && !(until && until())) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            TimerProc();
        }
    }

    std::u16string Keys() const { return LastDemoScriptLine().keystrokes; }

    static std::string FormulaText(int line)
    {
        DocState* doc = GetDocState();
        if (line >= doc->Lines.count || !doc->Lines[line].formula)
            return "<none>";
        char* text = FormulaToText(GetEditorRoot(doc->Lines[line].formula), false);
        std::string out = text ? text : "";
        BudgetFree(text);
        return out;
    }

    QMenu* TopMenu(int i) const { return frame->menuBar()->actions().at(i)->menu(); }
    bool TopMenuEnabled(int i) const { return frame->menuBar()->actions().at(i)->isEnabled(); }

    QTemporaryDir settings;
    COndrelApp* app = nullptr;
    CMainFrame* frame = nullptr;
    std::vector<std::u16string> boxes;
    bool answer = true;
};

// A single demo repeats its script; Prev goes one line back and wraps to
// the last line before the first; the full demo runs on from Basics into
// the next script with lines, passing the empty separators.
TEST_F(DemoPlayerTest, ScriptsAreReadInTheirOrder)
{
    StartDemo(DemoSingle, 3);
    std::vector<std::u16string> lines;
    size_t period = 0;
    int32_t afterFirst = 0;
    for (size_t i = 0; i < 60 && !period; ++i) {
        ReadDemoScriptLine();
        lines.push_back(Keys());
        // Back at the top: the script comes round again.
        if (i == 0)
            afterFirst = GetDemoPlayerState().scriptPosition;
        else if (GetDemoPlayerState().scriptPosition == afterFirst)
            period = i;
    }
    EXPECT_EQ(lines[0], u"y=x^2%");
    ASSERT_GT(period, 2u);
    EXPECT_EQ(lines[period], lines[0]);
    EXPECT_EQ(GetDemoPlayerState().currentType, 3);
    // From the third line read, Prev reads the second.
    StartDemo(DemoSingle, 3);
    ReadDemoScriptLine();
    ReadDemoScriptLine();
    ReadDemoScriptLine();
    RestartDemoStep(true, false);
    ReadDemoScriptLine();
    EXPECT_EQ(Keys(), lines[1]);
    // Before the first line comes the last.
    RestartDemoStep(true, false);
    ReadDemoScriptLine();
    RestartDemoStep(true, false);
    ReadDemoScriptLine();
    EXPECT_EQ(Keys(), lines[period - 1]);

    // Basics steps back to its start.
    StartDemo(DemoSingle, 1);
    for (int i = 0; i < 5; ++i)
        ReadDemoScriptLine();
    RestartDemoStep(true, false);
    ReadDemoScriptLine();
    EXPECT_EQ(Keys(), u"$");
    EXPECT_EQ(GetDemoPlayerState().currentType, 1);

    StartDemo(DemoFull, 12);
    EXPECT_EQ(GetDemoPlayerState().currentType, 1);
    ReadDemoScriptLine();
    EXPECT_EQ(Keys(), u"$");
    // Next out of Basics goes on with the next script.
    RestartDemoStep(false, false);
    ReadDemoScriptLine();
    EXPECT_EQ(GetDemoPlayerState().currentType, 3);
    EXPECT_EQ(Keys(), u"y=x^2%");
    // Prev before its first line goes back to Basics' next-to-last line.
    RestartDemoStep(true, false);
    ReadDemoScriptLine();
    EXPECT_EQ(GetDemoPlayerState().currentType, 1);
    EXPECT_EQ(Keys(), u"L");
    for (int i = 0; i < 2; ++i)
        ReadDemoScriptLine();
    EXPECT_EQ(GetDemoPlayerState().currentType, 3);
}

// The speed slider sets the pause; only its last position types fast.
// Typing takes a budget of time per tick, and Basics runs without pauses.
TEST_F(DemoPlayerTest, PacingFollowsTheSpeed)
{
    const struct {
        int32_t position;
        int32_t pause;
        bool fast;
    } speeds[] = {{10, 0, true}, {9, 800, false}, {5, 4000, false}, {0, TicksToMilliseconds(35619), false}};
    for (const auto& s : speeds) {
        SetDemoSpeed(CDemoDialog::SpeedTicks(s.position));
        EXPECT_EQ(GetDemoPlayerState().pause, s.pause) << s.position;
        EXPECT_EQ(GetDemoPlayerState().fast, s.fast) << s.position;
    }

    // Every reading of the clock advances it by 60 ms: the 15-tick budget
    // ends a tick's typing after a few keystrokes; fast mode types on.
    SetDemoSpeed(CDemoDialog::SpeedTicks(5));
    StartDemo(DemoSingle, 3);
    FakeNow = 1000;
    FakeStep = 60;
    SetClockTickSource(&FakeTicks);
    ClearDemoDocument();
    ReadDemoScriptLine();
    RunDemoScriptLine();
    const int32_t count = static_cast<int32_t>(Keys().size());
    ASSERT_GE(count, 6);
    TypeDemoChars();
    const int32_t typed = GetDemoPlayerState().typingPosition;
    EXPECT_GT(typed, 0);
    EXPECT_LT(typed, count);
    while (GetDemoPlayerState().typingPosition != 0)
        TypeDemoChars();
    EXPECT_EQ(FormulaText(0), "y=x^2");
    SetClockTickSource(nullptr);

    SetDemoSpeed(CDemoDialog::SpeedTicks(10));
    StartDemo(DemoSingle, 3);
    DemoIdleTick();  // reads the line
    DemoIdleTick();  // types it
    ASSERT_EQ(GetDemoPlayerState().typingPosition, 0);
    EXPECT_EQ(FormulaText(0), "y=x^2");

    // A line of Basics is due as soon as its graphs are done.
    SetDemoSpeed(CDemoDialog::SpeedTicks(0));
    StartDemo(DemoSingle, 1);
    Run(3000, [] { return GetDemoPlayerState().lineDone && GetDemoPlayerState().scriptPosition > 0; });
    const DemoPlayerState& s = GetDemoPlayerState();
    ASSERT_TRUE(s.lineDone);
    EXPECT_LE(static_cast<int32_t>(s.nextDue - ClockMilliseconds()), 0);
}

// A Demo-menu entry starts its demonstration and locks the menus; another
// entry switches to its own; the running one's entry stops it.
TEST_F(DemoPlayerTest, DemoMenuStartsSwitchesAndStops)
{
    COndrelDoc* doc = app->Document();
    doc->SetModifiedFlag(true);
    answer = false;
    ASSERT_TRUE(frame->RunCommand(32822));
    EXPECT_FALSE(IsDemoRunning()) << "unsaved changes are not thrown away unasked";
    ASSERT_EQ(boxes.size(), 1u);
    answer = true;

    ASSERT_TRUE(frame->RunCommand(32822));
    EXPECT_EQ(GetDemoMode(), DemoSingle);
    EXPECT_EQ(GetDemoPlayerState().startedType, 3);
    EXPECT_EQ(doc->Title(), QStringLiteral("Curves Demo"));
    for (int i = 1; i <= 6; ++i)
        EXPECT_FALSE(TopMenuEnabled(i)) << i;
    EXPECT_TRUE(TopMenuEnabled(7));
    EXPECT_TRUE(TopMenuEnabled(8));
    QMenu* demo = TopMenu(7);
    EXPECT_TRUE(demo->actions().at(2)->isChecked());
    ASSERT_NE(frame->DemoDialog(), nullptr);
    EXPECT_TRUE(frame->DemoDialog()->isVisible());
    EXPECT_EQ(frame->DemoDialog()->SelectedDemoType(), 3);

    ASSERT_TRUE(frame->RunCommand(32823));
    EXPECT_EQ(GetDemoPlayerState().startedType, 4);
    EXPECT_EQ(doc->Title(), QStringLiteral("Surfaces Demo"));
    EXPECT_FALSE(demo->actions().at(2)->isChecked());
    EXPECT_TRUE(demo->actions().at(3)->isChecked());

    ASSERT_TRUE(frame->RunCommand(32823));
    EXPECT_FALSE(IsDemoRunning());
    for (int i = 1; i <= 6; ++i)
        EXPECT_TRUE(TopMenuEnabled(i)) << i;
    for (QAction* a : demo->actions())
        EXPECT_FALSE(a->isChecked());
    EXPECT_FALSE(frame->DemoDialog()->isVisible());
    EXPECT_EQ(doc->Title(), QStringLiteral("Untitled"));
    EXPECT_FALSE(doc->IsModified());
}

// The pointer glides to each point of a gesture; when the user moves the
// mouse the gesture waits two seconds from that moment, then goes on.
TEST_F(DemoPlayerTest, GesturesGlideAndWaitForTheUsersMouse)
{
    StartDemo(DemoSingle, 1);
    FakeNow = 5000;
    FakeStep = 0;
    SetClockTickSource(&FakeTicks);
    const uint32_t base = ClockMilliseconds();
    auto at = [&](uint32_t ms) {
        FakeNow = 5000 + ms;
        AnimateDemoGesture();
        return QCursor::pos();
    };
    QCursor::setPos(100, 100);
    ASSERT_EQ(QCursor::pos(), QPoint(100, 100));
    StartDemoGesture('K');  // 15 ticks to the pointer, 30 to the frame, 15 resting
    ASSERT_EQ(GetDemoPlayerState().gestureState, 1);
    EXPECT_EQ(at(100), QPoint(100, 100));
    at(250);
    EXPECT_EQ(GetDemoPlayerState().gestureState, 2);
    const ShortPoint goal = frame->DemoGesturePoint(DemoPointFrame);
    const QPoint half = at(500);
    EXPECT_NEAR(half.x(), 100 + (goal.h - 100) / 2, 2);
    EXPECT_NEAR(half.y(), 100 + (goal.v - 100) / 2, 2);
    EXPECT_FALSE(IsUserMouseActive());

    QCursor::setPos(10, 10);
    EXPECT_TRUE(IsUserMouseActive());
    EXPECT_EQ(at(510), QPoint(10, 10));
    EXPECT_EQ(at(2400), QPoint(10, 10));
    EXPECT_TRUE(IsUserMouseActive());
    at(2600);
    EXPECT_FALSE(IsUserMouseActive());
    EXPECT_EQ(GetDemoPlayerState().gestureState, 3);
    EXPECT_EQ(QCursor::pos(), QPoint(goal.h, goal.v));
    at(2900);
    EXPECT_EQ(GetDemoPlayerState().gestureState, 0);
    (void)base;
}

// Curves types its first line, draws it and shows its caption; Basics
// starts by clearing the document and the caption.
TEST_F(DemoPlayerTest, ADemonstrationTypesDrawsAndCaptions)
{
    SetDemoSpeed(CDemoDialog::SpeedTicks(10));
    ASSERT_TRUE(frame->RunCommand(32822));
    Run(3000, [] { return GetDocState()->DrawGraph; });
    EXPECT_EQ(FormulaText(0), "y=x^2");
    EXPECT_TRUE(GetDocState()->DrawGraph);
    auto* caption = frame->DemoDialog()->findChild<QPlainTextEdit*>();
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->toPlainText(),
              QStringLiteral("To graph a 2D curve, type a function of x, starting with y=."));

    ASSERT_TRUE(frame->RunCommand(32821));
    Run(1000, [] { return GetDemoPlayerState().scriptPosition > 0; });
    EXPECT_EQ(GetDocState()->Lines.count, 1);
    EXPECT_EQ(FormulaText(0), "?") << "an empty equation";
    EXPECT_EQ(caption->toPlainText(), QString());
}

// Stopped while its gesture holds the button on the divider, a
// demonstration leaves no button held, the menus open and a document the
// user can type into and graph.
TEST_F(DemoPlayerTest, StoppedHalfWayTheDocumentStaysUsable)
{
    SetDemoSpeed(CDemoDialog::SpeedTicks(10));
    ASSERT_TRUE(frame->RunCommand(32821));
    Run(8000, [] { return GetDemoPlayerState().gestureState == 2; });
    ASSERT_EQ(GetDemoPlayerState().gestureState, 2) << "the divider gesture holds the button";
    EXPECT_TRUE(frame->Splitter()->IsTracking());

    frame->StopDemo();
    EXPECT_FALSE(IsDemoRunning());
    EXPECT_FALSE(frame->Splitter()->IsTracking());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    for (int i = 1; i <= 6; ++i)
        EXPECT_TRUE(TopMenuEnabled(i)) << i;
    EXPECT_FALSE(app->Document()->IsModified());
    EXPECT_EQ(app->Document()->Title(), QStringLiteral("Untitled"));

    COndrelView* pane = frame->EquationView();
    frame->Splitter()->setSizes({250, 350});
    Run(200);
    QTest::mouseClick(pane, Qt::LeftButton, {}, QPoint(70, 25));
    QTest::keyClicks(pane, QStringLiteral("y=x"));
    EXPECT_EQ(FormulaText(GetDocState()->currentLine), "y=x");
    QTest::keyClick(pane, Qt::Key_Return);
    Run(1500, [] { return GetDocState()->DrawGraph; });
    EXPECT_TRUE(GetDocState()->DrawGraph);
}

}  // namespace
