// The frame's menus, accelerators, context menus and update rules.
#include "app/CGraphView.h"
#include "app/CMainFrame.h"
#include "app/COndrelApp.h"
#include "app/CommandTable.h"
#include "app/TextFontMenu.h"
#include "document/DocState.h"
#include "editor/COndrelView.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/GraphSet.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QSet>

namespace {

void ApplyState(QAction* action, const CommandEntry& entry, const CommandContext& c)
{
    action->setEnabled(entry.run && entry.enabled(c));
    if (entry.check) {
        int32_t check = entry.check(c);
        action->setChecked(check != CheckOff);
        // A check that holds for one of two views shows as partial.
        action->setProperty("partialCheck", check == CheckPartial);
    }
}

QAction* MakeAction(const CommandEntry& entry, QObject* parent)
{
    auto* action = new QAction(QString::fromUtf8(entry.text), parent);
    action->setData(entry.id);
    action->setCheckable(entry.check != nullptr);
    return action;
}

// Fills a menu with a list's commands, each a fresh action for a context menu.
void FillMenu(QMenu* menu, const MenuSpec& spec, QHash<int32_t, QAction*>* actions)
{
    for (const int32_t* id = spec.items; *id >= 0; ++id) {
        if (*id == 0) {
            menu->addSeparator();
            continue;
        }
        const CommandEntry* entry = FindCommand(*id);
        if (!entry)
            continue;
        QAction* action = actions ? actions->value(*id) : MakeAction(*entry, menu);
        // Context menus show the text without its shortcut.
        if (!actions)
            action->setText(QString::fromUtf8(entry->text).section(QLatin1Char('\t'), 0, 0));
        menu->addAction(action);
    }
}

}  // namespace

void CMainFrame::BuildMenus()
{
    for (int32_t i = 0; i < CommandCount(); ++i) {
        const CommandEntry& entry = CommandAt(i);
        QAction* action = MakeAction(entry, this);
        int32_t id = entry.id;
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        m_actions.insert(id, action);
        // Every command is reachable by its accelerator, also those without
        // a menu item.
        addAction(action);
    }
    // Where two entries share keys the earlier wins: a later one never
    // gets them, as a shortcut on two actions would reach neither.
    QHash<int32_t, QList<QKeySequence>> keys;
    QSet<QKeySequence> taken;
    for (int32_t i = 0; i < AcceleratorCount(); ++i) {
        const AcceleratorEntry& a = AcceleratorAt(i);
        QKeySequence sequence(QString::fromLatin1(a.keys), QKeySequence::PortableText);
        if (taken.contains(sequence))
            continue;
        taken.insert(sequence);
        keys[a.id].append(sequence);
    }
    for (auto it = keys.begin(); it != keys.end(); ++it) {
        QAction* action = m_actions.value(it.key());
        action->setShortcuts(it.value());
        // The menu text already shows the shortcut the user knows.
        action->setShortcutVisibleInContextMenu(false);
    }
    for (int32_t i = 0; i < MenuCount(); ++i) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(MenuAt(i).title));
        FillMenu(menu, MenuAt(i), &m_actions);
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenuStates(menu); });
    }
    AttachTextFontMenu(m_actions.value(32869), this);
    UpdateCommandStates();
}

QAction* CMainFrame::CommandAction(int32_t id) const
{
    return m_actions.value(id);
}

void CMainFrame::UpdateCommandStates()
{
    CommandContext c = ReadCommandContext(this);
    for (int32_t i = 0; i < CommandCount(); ++i) {
        const CommandEntry& entry = CommandAt(i);
        if (QAction* action = m_actions.value(entry.id))
            ApplyState(action, entry, c);
    }
}

void CMainFrame::UpdateMenuStates(QMenu* menu)
{
    CommandContext c = ReadCommandContext(this);
    for (QAction* action : menu->actions()) {
        if (const CommandEntry* entry = FindCommand(action->data().toInt()))
            ApplyState(action, *entry, c);
    }
    if (menu->actions().contains(CommandAction(kExampleCommandBase)) || menu->property("examples").toBool()) {
        menu->setProperty("examples", true);
        OnUpdateExample(menu);
    }
    // The recent files stand where their one command does.
    QAction* recent = CommandAction(57616);
    if (recent && menu->actions().contains(recent) && GetApp())
        GetApp()->OnUpdateRecentFileMenu(menu, recent);
}

bool CMainFrame::RunCommand(int32_t id)
{
    const CommandEntry* entry = FindCommand(id);
    // The state may have changed since the rules last ran.
    if (!entry || !IsCommandEnabled(id, ReadCommandContext(this)))
        return false;
    entry->run(*this);
    return true;
}

void CMainFrame::ZoomByMenu(bool in)
{
    DocState* doc = GetDocState();
    GraphSet* graphs = dynamic_cast<GraphSet*>(doc->Graphs);
    if (!graphs || !m_graphView)
        return;
    Qt::KeyboardModifiers mods = QGuiApplication::queryKeyboardModifiers();
    int32_t code = ZoomCode(in, mods & Qt::ControlModifier, mods & Qt::ShiftModifier);
    if (doc->someGraphable && doc->IsGraphPaneShown())
        doc->BeginGraphing();
    ZoomPlan plan = PlanZoom(code, graphs->second != nullptr, graphs->active == graphs->views2D[0],
                             graphs->second == graphs->views2D[1], graphs->Shows2DView());
    if (plan.split) {
        m_graphView->ZoomViews(plan.code1, WhichActive);
        m_graphView->ZoomViews(plan.code2, WhichSecond);
    } else {
        m_graphView->ZoomViews(plan.code1, WhichBoth);
    }
    UpdateZoomButtons();
    if (m_equationView)
        m_equationView->setFocus();
}

int32_t CMainFrame::TrackContextMenu(const QPoint& globalPos)
{
    QWidget* under = QApplication::widgetAt(globalPos);
    bool overEquations = m_equationView && under && (under == m_equationView || m_equationView->isAncestorOf(under));
    bool overGraphs = m_graphView && under && (under == m_graphView || m_graphView->isAncestorOf(under));
    if (!overEquations && !overGraphs)
        return 0;
    GraphSet* graphs = dynamic_cast<GraphSet*>(GetDocState()->Graphs);
    // Over a split graph pane the menu addresses the view under the point.
    if (overGraphs && graphs && graphs->second) {
        QPoint local = m_graphView->mapFromGlobal(globalPos);
        m_contextView = local.x() > m_graphView->width() / 2 ? WhichSecond : WhichActive;
    }
    QMenu menu(this);
    FillMenu(&menu, overEquations ? EquationPaneContextMenu : GraphPaneContextMenu, nullptr);
    CommandContext c = ReadCommandContext(this);
    for (QAction* action : menu.actions()) {
        if (const CommandEntry* entry = FindCommand(action->data().toInt()))
            ApplyState(action, *entry, c);
    }
    // Set 2D Range needs the addressed view to be a 2D view.
    if (m_contextView != WhichBoth && graphs) {
        AGraphView* view = m_contextView == WhichActive ? graphs->active : graphs->second;
        bool is2D = view == graphs->views2D[0] || view == graphs->views2D[1];
        for (QAction* action : menu.actions()) {
            if (action->data().toInt() == 32865 && !is2D)
                action->setEnabled(false);
        }
    }
    QAction* chosen = menu.exec(globalPos);
    int32_t id = chosen ? chosen->data().toInt() : 0;
    if (id)
        RunCommand(id);
    m_contextView = WhichBoth;
    return id;
}

void CMainFrame::contextMenuEvent(QContextMenuEvent* event)
{
    TrackContextMenu(event->globalPos());
    event->accept();
}
