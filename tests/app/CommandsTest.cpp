#include "app/CMainFrame.h"
#include "app/COndrelApp.h"
#include "app/CommandTable.h"
#include "app/DemoPlayer.h"
#include "document/DocState.h"
#include "editor/COndrelView.h"
#include "platform/MessageBox.h"

#include <QAction>
#include <QClipboard>
#include <QDialog>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// The program's states the rules are read over.
CommandContext NoDocument() { return {}; }
CommandContext EquationSelected()
{
    CommandContext c;
    c.editMode = EditFormula;
    c.hasFormula = c.hasSelection = c.subtreeSelected = c.canMakeString = c.canPaste = true;
    c.undoAvailable = true;
    return c;
}
CommandContext GraphsShown()
{
    CommandContext c = EquationSelected();
    c.graphShown = c.hasGraphSet = c.shows2D = c.canExtendRanges = c.canDrawGraph = true;
    c.anyUsesSlider = true;
    c.axesCheck = CheckOn;
    return c;
}
CommandContext DemoRunning()
{
    CommandContext c = GraphsShown();
    c.demo = true;
    return c;
}
CommandContext DemoPaused()
{
    CommandContext c = DemoRunning();
    c.demoPaused = true;
    return c;
}

TEST(CommandRules, EnableAndCheckFollowTheProgramState)
{
    struct State {
        const char* name;
        CommandContext context;
    } const states[] = {{"no document", NoDocument()},   {"equation", EquationSelected()},
                        {"graphs", GraphsShown()},       {"demo", DemoRunning()},
                        {"demo paused", DemoPaused()}};
    // Expected enable state per state, in the order above.
    struct Row {
        int32_t id;
        const char* what;
        bool enabled[5];
    } const rows[] = {
        {57600, "New", {1, 1, 1, 0, 0}},
        {57665, "Exit", {1, 1, 1, 1, 1}},
        {57607, "Print", {1, 1, 1, 0, 0}},
        {57643, "Undo", {0, 1, 1, 0, 0}},
        {57634, "Copy", {0, 1, 1, 0, 0}},
        {57637, "Paste", {0, 1, 1, 0, 0}},
        {32782, "Select All", {0, 1, 1, 0, 0}},
        {32783, "Copy Graph", {0, 0, 1, 0, 0}},
        {32868, "Copy As Text", {0, 1, 1, 0, 0}},
        {32772, "Exponent", {0, 1, 1, 0, 0}},
        {32776, "Calculate", {0, 1, 1, 0, 0}},
        {32780, "New Math Expression", {1, 1, 1, 0, 0}},
        {32795, "Draw Graph", {0, 0, 1, 1, 1}},
        {32786, "Reset Graph", {0, 0, 1, 0, 1}},
        {32793, "Zoom In", {0, 0, 1, 0, 1}},
        {34049, "Show All Data", {0, 0, 1, 0, 0}},
        {32788, "Animate Graph", {0, 0, 1, 0, 1}},
        {32863, "Draw Axes", {0, 0, 1, 0, 0}},
        {34001, "Use Antialiasing", {1, 1, 1, 0, 0}},
        {34036, "slider throttle", {1, 1, 1, 1, 1}},
        {57670, "Help", {1, 1, 1, 1, 1}},
        // The table commands wait for a table being edited; New Table does not.
        {32900, "Add Row", {0, 0, 0, 0, 0}},
        {32905, "New Table", {1, 1, 1, 0, 0}},
        {32904, "Sort", {0, 0, 0, 0, 0}},
    };
    for (const Row& row : rows) {
        for (int s = 0; s < 5; ++s)
            EXPECT_EQ(IsCommandEnabled(row.id, states[s].context), row.enabled[s]) << row.what << " / " << states[s].name;
    }

    // Check marks: animating, the axes of one or both views, the plot mode of a 3D equation.
    CommandContext c = GraphsShown();
    EXPECT_EQ(CommandCheckState(32788, c), CheckOff);
    c.animating = true;
    EXPECT_EQ(CommandCheckState(32788, c), CheckOn);
    c.axesCheck = CheckPartial;
    EXPECT_EQ(CommandCheckState(32863, c), CheckPartial);
    EXPECT_EQ(CommandCheckState(32789, c), CheckOff);
    EXPECT_FALSE(IsCommandEnabled(32789, c));  // the equation is not 3D
    c.equation3D = true;
    c.lineXYType = 2;
    EXPECT_TRUE(IsCommandEnabled(32790, c));
    EXPECT_EQ(CommandCheckState(32790, c), CheckOn);
    EXPECT_EQ(CommandCheckState(32789, c), CheckOff);
    EXPECT_EQ(CommandCheckState(57600, c), -1);

    // Edit commands by edit mode: a table's row selection cuts; value cells paste text.
    CommandContext rows3 = NoDocument();
    rows3.editMode = EditTableRows;
    EXPECT_TRUE(IsCommandEnabled(57635, rows3));
    EXPECT_FALSE(IsCommandEnabled(57637, rows3));
    CommandContext cell = NoDocument();
    cell.editMode = EditValueCell;
    cell.clipboardHasText = true;
    EXPECT_TRUE(IsCommandEnabled(57637, cell));
    EXPECT_TRUE(IsCommandEnabled(32782, cell));
    EXPECT_FALSE(IsCommandEnabled(57634, cell));  // nothing selected
    // A picture on the clipboard pastes into a formula even during a demo.
    CommandContext picture = DemoRunning();
    picture.canPaste = false;
    picture.clipboardHasImage = true;
    EXPECT_TRUE(IsCommandEnabled(57637, picture));
}

TEST(CommandRules, EveryMenuItemIsACommandAndNoneIsDead)
{
    CommandContext everything = DemoPaused();
    everything.demo = false;
    everything.glAvailable = everything.software3D = everything.equation3D = true;
    everything.canUseTransparency = everything.editingTable = everything.canUseTableCommands = true;
    for (int32_t m = 0; m < MenuCount(); ++m) {
        for (const int32_t* id = MenuAt(m).items; *id >= 0; ++id) {
            if (*id == 0)
                continue;
            const CommandEntry* entry = FindCommand(*id);
            ASSERT_NE(entry, nullptr) << *id;
            EXPECT_STRNE(entry->text, "") << *id;
            // A command without a handler is never enabled.
            if (!entry->run)
                EXPECT_FALSE(IsCommandEnabled(*id, everything)) << entry->text;
        }
    }
    for (int32_t i = 0; i < AcceleratorCount(); ++i)
        EXPECT_NE(FindCommand(AcceleratorAt(i).id), nullptr) << AcceleratorAt(i).keys;
}

TEST(CommandRules, ZoomCodesFollowTheModifiersAndTheViews)
{
    EXPECT_EQ(ZoomCode(true, false, false), 0);
    EXPECT_EQ(ZoomCode(true, true, true), 1);  // Ctrl first
    EXPECT_EQ(ZoomCode(true, false, true), 2);
    EXPECT_EQ(ZoomCode(false, false, false), 3);
    EXPECT_EQ(ZoomCode(false, true, false), 4);
    EXPECT_EQ(ZoomCode(false, false, true), 5);
    struct Case {
        int32_t code;
        bool second, active2D, second2D, any2D;
        ZoomPlan want;
    } const cases[] = {
        {1, true, true, false, true, {true, 1, 0}},    // 2D beside 3D: only the 2D view takes Ctrl
        {4, true, false, true, true, {true, 3, 4}},    // 3D beside 2D
        {1, true, true, true, true, {false, 1, 1}},    // two 2D views zoom together
        {2, false, false, false, false, {false, 0, 0}},  // a 3D view alone: plain
        {5, false, true, false, true, {false, 5, 5}},  // a 2D view alone
    };
    for (const Case& c : cases) {
        ZoomPlan got = PlanZoom(c.code, c.second, c.active2D, c.second2D, c.any2D);
        EXPECT_EQ(got.split, c.want.split) << c.code;
        EXPECT_EQ(got.code1, c.want.code1) << c.code;
        EXPECT_EQ(got.code2, c.want.code2) << c.code;
    }
}

// The real frame, its menus and its shortcuts.
class CommandsFrameTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        settingsDir = new QTemporaryDir;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir->path());
        static int argc = 1;
        static char name[] = "vellumor";
        static char* argv[] = {name, nullptr};
        app = new COndrelApp(argc, argv);
        SetMessageBoxHook([](const std::u16string&, const std::u16string&, MessageBoxIcon, MessageBoxButtons) {
            return true;
        });
        ASSERT_TRUE(app->InitInstance());
        frame = app->MainFrame();
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    }
    static void TearDownTestSuite()
    {
        SetDemoMode(0);
        app->ExitInstance(0);
        SetMessageBoxHook(nullptr);
        delete app;
        delete settingsDir;
    }
    void SetUp() override
    {
        SetDemoMode(0);
        frame->activateWindow();
        frame->EquationView()->setFocus();
        QCoreApplication::processEvents();
    }

    static inline QTemporaryDir* settingsDir = nullptr;
    static inline COndrelApp* app = nullptr;
    static inline CMainFrame* frame = nullptr;
};

TEST_F(CommandsFrameTest, EachAcceleratorReachesItsCommandAndTheEarlierEntryWins)
{
    // During a demonstration the rules refuse almost everything, so firing
    // every shortcut changes nothing; the actions are enabled to see them fire.
    SetDemoMode(1);
    std::map<int32_t, QSignalSpy*> spies;
    for (int32_t i = 0; i < CommandCount(); ++i) {
        QAction* action = frame->CommandAction(CommandAt(i).id);
        ASSERT_NE(action, nullptr);
        action->setEnabled(true);
        spies[CommandAt(i).id] = new QSignalSpy(action, &QAction::triggered);
    }
    std::map<std::string, int32_t> first;
    for (int32_t i = 0; i < AcceleratorCount(); ++i)
        first.emplace(AcceleratorAt(i).keys, AcceleratorAt(i).id);
    for (const auto& [keys, id] : first) {
        for (auto& [other, spy] : spies)
            spy->clear();
        QKeySequence sequence(QString::fromStdString(keys), QKeySequence::PortableText);
        QTest::keySequence(frame->EquationView(), sequence);
        for (auto& [other, spy] : spies)
            EXPECT_EQ(spy->count(), other == id ? 1 : 0) << keys << " reached " << other;
    }
    // Ctrl+numpad + is Calculate's; Larger never gets it.
    EXPECT_TRUE(frame->CommandAction(32881)->shortcuts().isEmpty());
    for (auto& [id, spy] : spies)
        delete spy;
    frame->UpdateCommandStates();
}

TEST_F(CommandsFrameTest, MenusShowTheRulesWhenOpened)
{
    QMenu* graph = nullptr;
    QMenu* table = nullptr;
    for (QAction* top : frame->menuBar()->actions()) {
        if (top->text() == "&Graph")
            graph = top->menu();
        if (top->text() == "T&able")
            table = top->menu();
    }
    ASSERT_TRUE(graph && table);
    EXPECT_EQ(frame->menuBar()->actions().size(), 9);
    auto itemState = [](QMenu* menu, int32_t id) {
        for (QAction* a : menu->actions()) {
            if (a->data().toInt() == id)
                return a->isEnabled();
        }
        ADD_FAILURE() << id << " missing";
        return false;
    };
    // Antialiasing is refused during a demonstration; the menu learns it when it opens.
    SetDemoMode(1);
    graph->popup(frame->mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(graph));
    EXPECT_FALSE(itemState(graph, 34001));
    graph->hide();
    SetDemoMode(0);
    graph->popup(frame->mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(graph));
    EXPECT_TRUE(itemState(graph, 34001));
    EXPECT_EQ(graph->actions().first()->text(), "Draw &Graph\tEnter");

    // Choosing the item by its mnemonic runs it: antialiasing turns off and
    // the check mark follows at the next opening.
    bool before = GetDocState()->UseAntialiasing;
    QTest::keyClick(graph, Qt::Key_T);
    QCoreApplication::processEvents();
    EXPECT_NE(GetDocState()->UseAntialiasing, before);
    graph->popup(frame->mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(graph));
    for (QAction* a : graph->actions()) {
        if (a->data().toInt() == 34001)
            EXPECT_EQ(a->isChecked(), !before);
    }
    graph->hide();
    GetDocState()->UseAntialiasing = before;

    table->popup(frame->mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(table));
    // No table is edited: only New Table is offered.
    for (QAction* a : table->actions()) {
        if (!a->isSeparator())
            EXPECT_EQ(a->isEnabled(), a->data().toInt() == 32905) << a->text().toStdString();
    }
    table->hide();
}

TEST_F(CommandsFrameTest, CopyInADialogsEditBoxCopiesThatBox)
{
    QDialog dialog;
    auto* box = new QLineEdit(QStringLiteral("2.5"), &dialog);
    (new QVBoxLayout(&dialog))->addWidget(box);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    box->setFocus();
    box->selectAll();
    QGuiApplication::clipboard()->setText(QStringLiteral("formula"));
    EXPECT_TRUE(frame->RunCommand(57634));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("2.5"));
    // Without a selection in the box there is nothing to copy.
    box->deselect();
    EXPECT_FALSE(frame->RunCommand(57634));
}

TEST_F(CommandsFrameTest, ContextMenuOverTheEquationPaneAddressesBothViewsAfterwards)
{
    QPoint at = frame->EquationView()->mapToGlobal(frame->EquationView()->rect().center());
    QStringList shown;
    QTimer::singleShot(50, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* a : menu->actions())
                shown << a->text();
            menu->close();
        }
    });
    EXPECT_EQ(frame->TrackContextMenu(at), 0);
    EXPECT_EQ(shown.value(0), QStringLiteral("Cu&t"));
    EXPECT_EQ(shown.size(), 12);
    EXPECT_EQ(frame->ContextView(), 2);
}

}  // namespace
