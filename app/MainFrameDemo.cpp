// The frame's part in demonstrations: the Demo menu, the document a tour
// starts from, the menus and the demo dialog while it runs, and the
// player's pointer and button on the panes.
#include "app/CDemoDialog.h"
#include "app/CGraphView.h"
#include "app/CMainFrame.h"
#include "app/CNewGraphBar.h"
#include "app/COndrelApp.h"
#include "app/COndrelDoc.h"
#include "app/CVLSplitterWnd.h"
#include "app/DemoPlayer.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "document/DocumentGraphSet.h"
#include "editor/CaretGeometry.h"
#include "editor/COndrelView.h"
#include "editor/EquationViewServices.h"
#include "formula/EditorState.h"
#include "platform/BitmapResource.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>

#include <cstring>

namespace {

// The Demo menu's place in the menu bar; Edit to Examples precede it.
constexpr int kDemoMenuPosition = 7;
constexpr int kFirstLockedMenu = 1;
constexpr int kLastLockedMenu = 6;
constexpr int kDemoPictureResource = 258;

// Titles by type; the full demo is titled as such whatever its type.
const char* DemoTitle(int32_t type)
{
    switch (type) {
    case 1: return "Basics Demo";
    case 3: return "Curves Demo";
    case 4: return "Surfaces Demo";
    case 5: return "Fields Demo";
    case 7: return "Four dimensions";
    case 8: return "Complex variables";
    case 9: return "Exponential function";
    case 11: return "Examples";
    case 12: return "Full Demo";
    default: return nullptr;
    }
}

QRect ScreenRect(const QWidget* w)
{
    return w ? QRect(w->mapToGlobal(QPoint(0, 0)), w->size()) : QRect();
}

ShortPoint Point(int x, int y)
{
    return ShortPoint{static_cast<int16_t>(y), static_cast<int16_t>(x)};
}

// A variable's rectangle in the current equation, on the screen; empty
// when the equation has none.
QRect VariableRect(const QWidget* pane, uint32_t code)
{
    ShortRect r{0, 0, 0, 0};
    if (GetCurrentEditorState())
        GetVariableRect(code, r);
    if (!pane || r.right <= r.left)
        return QRect();
    return QRect(pane->mapToGlobal(QPoint(r.left, r.top)), QSize(r.right - r.left, r.bottom - r.top));
}

}  // namespace

void CMainFrame::OnDemo(int32_t type)
{
    COndrelDoc* document = GetDocument();
    // A demonstration replaces the document: changes the user made are not
    // thrown away without asking.
    if (!IsDemoRunning() && document && document->IsModified() &&
        !ShowMessageBox(QStringLiteral("A demonstration replaces the document. Discard the changes you made to "
                                       "the document \"%1\"?")
                            .arg(document->Title())
                            .toStdU16String(),
                        u"Vellumor", MessageBoxIcon::Question, MessageBoxButtons::OkCancel))
        return;
    if (document)
        document->SetModifiedFlag(false);
    DemoCommand(type);
}

void CMainFrame::PrepareDemoDocument(int32_t type)
{
    DocState* doc = GetDocState();
    if (doc->Graphs)
        doc->Graphs->ClearAllGraphs();
    doc->EndEditing();
    doc->Reset(doc->GraphPaneWindow);
    ApplyPreferencesToDocument(doc);
    const char* title = GetDemoMode() == DemoFull ? "Full Demo" : DemoTitle(type);
    if (title && GetDocument())
        GetDocument()->SetTitle(QString::fromLatin1(title));
    CheckDemoMenuItem(nullptr, type - 1);
    ShowDemoDialog(5);
}

void CMainFrame::UpdateMenusForDemo()
{
    const bool running = IsDemoRunning();
    const QList<QAction*> menus = menuBar()->actions();
    for (int i = kFirstLockedMenu; i <= kLastLockedMenu && i < menus.size(); ++i)
        menus[i]->setEnabled(!running);
    if (running) {
        CheckDemoMenuItem(nullptr, GetDemoPlayerState().startedType - 1);
        HideKeyPalette();
        return;
    }
    menuBar()->update();
    CheckDemoMenuItem(nullptr, -1);
    ShowDemoDialog(0);
    InvalidateEquationPane();
    if (COndrelDoc* document = GetDocument()) {
        document->SetPathName(QStringLiteral("Untitled"), false);
        document->SetModifiedFlag(false);
    }
    if (m_demoButtonHeld) {
        // No button stays down on a pane when a demonstration ends mid-drag.
        DemoMouseUp(m_demoTargetPane);
    }
}

int32_t CMainFrame::CheckDemoMenuItem(QMenu* menu, int32_t position)
{
    if (!menu) {
        const QList<QAction*> menus = menuBar()->actions();
        menu = menus.size() > kDemoMenuPosition ? menus[kDemoMenuPosition]->menu() : nullptr;
    }
    if (!menu)
        return position;
    const QList<QAction*> items = menu->actions();
    for (QAction* item : items) {
        if (!item->isSeparator()) {
            item->setCheckable(true);
            item->setChecked(false);
        }
    }
    if (position < 0 || position >= items.size())
        return position;
    items[position]->setChecked(true);
    return 0;
}

void CMainFrame::ShowDemoDialog(int32_t show)
{
    if (show == 0) {
        if (m_demoDialog)
            m_demoDialog->hide();
        if (m_graphBar)
            m_graphBar->ShowStopDemo(false);
        return;
    }
    if (show != 5)
        return;
    if (!m_demoDialog) {
        m_demoDialog = new CDemoDialog(this);
        CDemoDialog* dialog = m_demoDialog;
        connect(dialog, &CDemoDialog::DemoTypeChosen, this, [this](int32_t type) { OnDemo(type); });
        connect(dialog, &CDemoDialog::StepRequested, this, [](bool back) {
            RestartDemoStep(back, false);
            // A paused demonstration still shows the step asked for.
            DocState* doc = GetDocState();
            if (doc->IsDemoPaused()) {
                doc->demoPaused = false;
                DemoIdleTick();
                doc->demoPaused = IsDemoRunning();
            }
        });
        connect(dialog, &CDemoDialog::UserInputChanged, this, [](bool paused) { SetDemoUserInput(paused); });
        connect(dialog, &CDemoDialog::SpeedChanged, this, [](int32_t ticks) { SetDemoSpeed(ticks); });
        connect(dialog, &CDemoDialog::StopRequested, this, &CMainFrame::StopDemo);
        connect(dialog, &CDemoDialog::FocusFrameRequested, this, [this] {
            activateWindow();
            if (m_equationView)
                m_equationView->setFocus();
        });
        SetDemoSpeed(CDemoDialog::SpeedTicks(5));
        // Beside the frame, which moves over (or narrows) to make room.
        dialog->adjustSize();
        if (const QScreen* screen = this->screen()) {
            const QRect work = screen->availableGeometry();
            const CDemoDialog::Placement place =
                CDemoDialog::PlaceBesideFrame(frameGeometry(), dialog->frameGeometry().width(), work, work);
            if (place.frame != frameGeometry() && !isMaximized())
                setGeometry(geometry().adjusted(place.frame.left() - frameGeometry().left(), 0,
                                                place.frame.right() - frameGeometry().right(), 0));
            dialog->move(place.dialog);
        }
    }
    m_demoDialog->SelectDemoType(GetDemoPlayerState().startedType);
    m_demoDialog->show();
    m_demoDialog->raise();
    m_demoDialog->activateWindow();
    if (m_graphBar)
        m_graphBar->ShowStopDemo(true);
}

void CMainFrame::StopDemo()
{
    StartDemo(0, 0);
    CheckDemoMenuItem(nullptr, -1);
    if (m_equationView)
        m_equationView->update();
    ShowDemoDialog(0);
    if (COndrelDoc* document = GetDocument()) {
        document->SetPathName(QStringLiteral("Untitled"), false);
        document->SetModifiedFlag(false);
    }
}

void CMainFrame::SetDemoCaption(const QString& text)
{
    const int32_t type = GetDemoPlayerState().currentType;
    const QString caption = type > ScriptCount ? GetTourExampleCaption(type - ScriptCount - 1) : text;
    if (m_demoDialog)
        m_demoDialog->SetCaption(caption);
}

void CMainFrame::OnNextPane()
{
    if (m_demoDialog && m_demoDialog->isVisible()) {
        m_demoDialog->activateWindow();
        m_demoDialog->setFocus();
    }
}

void CMainFrame::OnDemoKey(int key)
{
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Space:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (m_demoDialog)
            m_demoDialog->PostKey(key);
        return;
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
        return;
    default:
        if (ShowMessageBox(u"Stop demo?\n", u"Vellumor", MessageBoxIcon::Question, MessageBoxButtons::YesNo))
            StopDemo();
    }
}

ShortPoint CMainFrame::DemoGesturePoint(int32_t id) const
{
    const QPoint pointer = QCursor::pos();
    const QRect equation = ScreenRect(m_equationView);
    const QRect graph = ScreenRect(m_graphView);
    const QRect client = ScreenRect(centralWidget());
    const bool sideBySide = GetDocState()->StackPanes;
    const ShortPoint start = GetDemoPlayerState().startPoint;
    switch (id) {
    case DemoPointDivider:
        return sideBySide ? Point(equation.right() + 1 + 2, graph.top() + graph.height() / 2)
                          : Point(equation.left() + equation.width() / 2, equation.bottom() + 1 + 3);
    case DemoPointDividerTarget:
        return sideBySide ? Point(graph.right() + 1 + 2, graph.top() + graph.height() / 2)
                          : Point(pointer.x(), graph.bottom() + 1 + 4);
    case DemoPointGraphCentre:
    case DemoPointGraphCentre2:
        return Point(graph.left() + graph.width() / 2, graph.top() + graph.height() / 2);
    case DemoPointUpRight:
        return Point(start.h + graph.width() / 3, start.v - graph.height() / 10);
    case DemoPointEquationPane:
        return Point(equation.left() + equation.width() / 2, equation.top() + equation.height() / 5);
    case DemoPointFrame:
        return Point(client.left() + client.width() / 2, client.top() + client.height() / (sideBySide ? 2 : 4));
    case DemoPointRight:
        return Point(start.h + graph.width() / 5, start.v);
    case DemoPointDownLeft:
        return Point(start.h - graph.width() / 3, start.v + graph.height() / 10);
    case DemoPointRightOfY: {
        const QRect y = VariableRect(m_equationView, 'y');
        return y.isEmpty() ? Point(pointer.x(), pointer.y()) : Point(y.right() + 1 + 8, y.top() + y.height() / 2);
    }
    case DemoPointBLeft:
    case DemoPointBCentre:
    case DemoPointBRight: {
        const QRect b = VariableRect(m_equationView, 'b');
        if (b.isEmpty())
            return Point(pointer.x(), pointer.y());
        const int x = id == DemoPointBLeft ? b.left() + 2 : id == DemoPointBCentre ? b.left() + b.width() / 2
                                                                                      : b.right() + 1;
        return Point(x, b.top() + b.height() / 2);
    }
    default:
        return Point(pointer.x(), pointer.y());
    }
}

namespace {

QWidget* DemoTarget(CMainFrame* frame, int32_t target)
{
    switch (target) {
    case 0: return frame->EquationView();
    case 1: return frame->GraphView();
    case 2: return frame->Splitter() && frame->Splitter()->count() > 1 ? frame->Splitter()->handle(1) : nullptr;
    default: return nullptr;
    }
}

// A mouse event the panes can tell from the user's own.
void SendDemoMouse(QWidget* widget, QEvent::Type type, Qt::MouseButtons held, Qt::KeyboardModifiers keys)
{
    if (!widget)
        return;
    const QPointF global = QCursor::pos();
    const QPointF local = widget->mapFromGlobal(global);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, local, local, global, button, held, keys);
    DemoMouseMessage = true;
    QCoreApplication::sendEvent(widget, &event);
    DemoMouseMessage = false;
}

}  // namespace

void CMainFrame::DemoMouseDown(int32_t press, int32_t target)
{
    QWidget* widget = DemoTarget(this, target);
    const Qt::KeyboardModifiers keys =
        press == 3 ? Qt::AltModifier : press == 4 ? Qt::ControlModifier : Qt::NoModifier;
    SendDemoMouse(widget, QEvent::MouseButtonPress, Qt::LeftButton, keys);
    if (press == 2) {
        SendDemoMouse(widget, QEvent::MouseButtonRelease, Qt::NoButton, keys);
        return;
    }
    m_demoButtonHeld = widget != nullptr;
    m_demoTargetPane = target;
}

void CMainFrame::DemoMouseMove(int32_t target)
{
    if (m_demoButtonHeld && target == m_demoTargetPane)
        SendDemoMouse(DemoTarget(this, target), QEvent::MouseMove, Qt::LeftButton, Qt::NoModifier);
}

void CMainFrame::DemoMouseUp(int32_t target)
{
    if (!m_demoButtonHeld)
        return;
    m_demoButtonHeld = false;
    SendDemoMouse(DemoTarget(this, target), QEvent::MouseButtonRelease, Qt::NoButton, Qt::NoModifier);
}

void CMainFrame::InsertDemoPicture()
{
    const DibHeader* dib = LockBitmapResource(kDemoPictureResource);
    if (!dib)
        return;
    const uint32_t size = static_cast<uint32_t>(sizeof(DibHeader)) +
        static_cast<uint32_t>(dib->biWidth) * static_cast<uint32_t>(dib->biHeight) * 4u;
    GlobalHandle block = BudgetGlobalAlloc(size);
    if (!block)
        return;
    std::memcpy(LockGlobalHandle(block), dib, size);
    UnlockGlobalHandle(block);
    GetDocState()->SetCurrentLinePicture(block);
    BudgetGlobalFree(block);
}
