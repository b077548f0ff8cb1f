#include "app/CMainFrame.h"

#include "app/CDemoDialog.h"
#include "app/CGraphView.h"
#include "app/CKeyPalette.h"
#include "app/CNewGraphBar.h"
#include "app/CPrefDialog.h"
#include "app/CVLSplitterWnd.h"
#include "app/DemoPlayer.h"
#include "app/FrameDocumentCalls.h"
#include "app/FramePlacement.h"
#include "app/GraphPaneServices.h"
#include "app/StartupProbe.h"
#include "app/VersionCheck.h"
#include "CoreUtilities/Clock.h"
#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "editor/COndrelView.h"
#include "editor/EquationViewServices.h"
#include "platform/MessageBox.h"
#include "platform/MessageText.h"
#include "rendering/ViewRenderContext.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

namespace {

std::optional<uint32_t> ReadStored(const QSettings& settings, const char* key)
{
    bool ok = false;
    uint32_t v = settings.value(QLatin1String(key)).toUInt(&ok);
    return ok ? std::optional<uint32_t>(v) : std::nullopt;
}

QList<QRect> WorkAreas()
{
    QList<QRect> areas;
    for (QScreen* screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    return areas;
}

QSize PrimarySize()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize(1024, 768);
}

}  // namespace

CMainFrame::CMainFrame()
{
    // The title a document-view frame shows for a new, unnamed document.
    setWindowTitle(QStringLiteral("Untitled - Vellumor"));
    setMinimumSize(540, 400);
    // Documents dropped anywhere but on the graph pane open in this window.
    setAcceptDrops(true);

    QSettings settings(QStringLiteral("Kestrane"), QStringLiteral("Vellumor"));
    StoredFrame stored{ReadStored(settings, "FrameSizeX"), ReadStored(settings, "FrameSizeY"),
                       ReadStored(settings, "FramePosX"), ReadStored(settings, "FramePosY")};
    QSize screen = PrimarySize();
    // The largest frame the window system allows: the screen and its borders.
    FramePlacement place = PlaceFrame(stored, screen, screen + QSize(12, 12), WorkAreas());
    resize(place.size);
    if (!place.defaultPosition)
        move(place.position);
    if (place.nextX)
        settings.setValue(QStringLiteral("FramePosX"), *place.nextX);
    if (place.nextY)
        settings.setValue(QStringLiteral("FramePosY"), *place.nextY);
    SetMainFrame(this);
}

CMainFrame::~CMainFrame()
{
    if (GetMainFrame() == this)
        SetMainFrame(nullptr);
}

void CMainFrame::ShowLaunchFailure()
{
    ShowMessageBox("Could not launch application.\nTry closing other programs to increase "
                   "available memory",
                   "Vellumor", MessageBoxIcon::Error);
}

bool CMainFrame::Create()
{
    if (!OnCreateClient()) {
        ShowLaunchFailure();
        return false;
    }
    return true;
}

bool CMainFrame::OnCreateClient()
{
    m_graphBar = new (std::nothrow) CNewGraphBar(this);
    m_splitter = new (std::nothrow) CVLSplitterWnd(this);
    if (!m_graphBar || !m_splitter)
        return false;
    m_equationView = new (std::nothrow) COndrelView(m_splitter);
    m_graphView = new (std::nothrow) CGraphView(m_splitter);
    if (!m_equationView || !m_graphView)
        return false;
    addToolBar(m_graphBar);
    ConnectGraphBar();
    BuildMenus();
    m_splitter->addWidget(m_equationView);
    m_splitter->addWidget(m_graphView);
    // A resized frame gives or takes the room of the graph pane.
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    setCentralWidget(m_splitter);

    // The equation pane takes a fifth of the frame, or its stored extent when
    // that still fits the screen and the client area.
    bool sideBySide = DocPanesSideBySide(GetDocState());
    m_paneSize = height() / 5;
    bool ok = false;
    QSettings settings(QStringLiteral("Kestrane"), QStringLiteral("Vellumor"));
    uint32_t stored = settings.value(QStringLiteral("EqnPaneSize")).toUInt(&ok);
    QSize screen = PrimarySize();
    uint32_t limit = sideBySide ? static_cast<uint32_t>(std::min(screen.width(), width()))
                                : static_cast<uint32_t>(std::min(
                                      screen.height(), height() - m_graphBar->sizeHint().height()));
    if (ok && stored < limit)
        m_paneSize = static_cast<int>(stored);

    m_equationView->setFocus();
    // The cursor code and the idle timer work on the graph pane's window.
    SetGraphPaneWindow(m_graphView);
    GetDocState()->GraphPaneWindow = m_graphView;
    ApplyPaneLayout(sideBySide);
    ApplyStoredPaneSize();
    if (!CreateKeyPalette())
        return false;
    UpdateGraphBar();
    return true;
}

void CMainFrame::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        ApplyStoredPaneSize();
    }
}

void CMainFrame::paintEvent(QPaintEvent* event)
{
    QMainWindow::paintEvent(event);
    if (!m_paintReported) {
        m_paintReported = true;
        NoteFirstPaint();
    }
}

void CMainFrame::SaveSettings()
{
    if (!m_shownOnce || !m_splitter || !m_equationView)
        return;
    QSettings settings(QStringLiteral("Kestrane"), QStringLiteral("Vellumor"));
    // The size without the window manager's border, as resize() takes it, and
    // the border's corner, as move() takes it: the frame reopens exactly so.
    settings.setValue(QStringLiteral("FrameSizeX"), static_cast<uint32_t>(width()));
    settings.setValue(QStringLiteral("FrameSizeY"), static_cast<uint32_t>(height()));
    settings.setValue(QStringLiteral("FramePosX"), static_cast<uint32_t>(pos().x()));
    settings.setValue(QStringLiteral("FramePosY"), static_cast<uint32_t>(pos().y()));
    settings.setValue(QStringLiteral("EqnPaneSize"), static_cast<uint32_t>(m_splitter->FirstPaneExtent()));
}

void CMainFrame::RestoreWindowRect(const QRect& client)
{
    if (client.isEmpty())
        return;
    // The border the window manager adds around the client area.
    QMargins border(geometry().left() - frameGeometry().left(), geometry().top() - frameGeometry().top(),
                    frameGeometry().right() - geometry().right(),
                    frameGeometry().bottom() - geometry().bottom());
    QRect outer = client.marginsAdded(border);
    // The monitor under its centre, or else the nearest one.
    QScreen* screen = QGuiApplication::screenAt(outer.center());
    for (QScreen* s : QGuiApplication::screens()) {
        auto distance = [&](QScreen* candidate) {
            return (candidate->geometry().center() - outer.center()).manhattanLength();
        };
        if (!screen || (!screen->geometry().contains(outer.center()) && distance(s) < distance(screen)))
            screen = s;
    }
    if (!screen)
        return;
    QRect area = screen->availableGeometry();
    QRect fitted = FitIntoWorkArea(outer, area);
    if (fitted == area) {
        showMaximized();
        return;
    }
    setGeometry(fitted.marginsRemoved(border));
}

void CMainFrame::ApplyPaneLayout(bool sideBySide)
{
    if (sideBySide)
        m_splitter->SetSideBySide();
    else
        m_splitter->SetStacked();
}

void CMainFrame::ApplyStoredPaneSize()
{
    if (m_splitter)
        m_splitter->ApplyStoredPaneSize(m_paneSize);
}

bool CMainFrame::IsMathPaneShown() const
{
    return m_splitter && isVisible() && m_splitter->FirstPaneExtent() > 0;
}

bool CMainFrame::IsGraphPaneShown() const
{
    if (!m_splitter || !isVisible())
        return false;
    QList<int> s = m_splitter->sizes();
    return s.size() > 1 && s[1] > 0;
}

void CMainFrame::NoteUpdateRequest(void* argument)
{
    m_revealRequest = true;
    m_revealArgument = argument;
}

void CMainFrame::RequestPaneRefresh(void* argument)
{
    bool graphShown = IsGraphPaneShown();
    if ((IsDemoRunning() && graphShown) || IsBenchmarkRunning())
        return;
    bool mathShown = IsMathPaneShown();
    // Queued, as a posted message would be: the reveal starts on the next turn.
    if (mathShown && !graphShown)
        QMetaObject::invokeMethod(this, &CMainFrame::RevealGraphPane, Qt::QueuedConnection);
    else if (graphShown && !mathShown)
        QMetaObject::invokeMethod(this, &CMainFrame::RevealEquationPane, Qt::QueuedConnection);
    else if (!graphShown && !mathShown)
        NoteUpdateRequest(argument);
}

void CMainFrame::RevealEquationPane()
{
    m_divider = DividerAnimation{m_splitter->SharedExtent() / 3, 0, 15, 0, 0, true};
}

void CMainFrame::RevealGraphPane()
{
    int extent = m_splitter->FirstPaneExtent();
    m_divider = DividerAnimation{extent / 3, 1, 20, extent, 0, true};
}

bool CMainFrame::StepDividerAnimation()
{
    DividerAnimation& d = m_divider;
    uint32_t now = ClockMilliseconds();
    if (!IsDemoRunning() && now < d.nextTime)
        return true;
    d.nextTime = now + 1;
    int limit = m_splitter->SharedExtent();
    int moved = d.direction == 1 ? std::max(0, d.position - d.step) : std::min(limit, d.position + d.step);
    // The test looks at the step before, so the last step may pass the target.
    bool done = d.direction == 1 ? d.position < d.target : (d.target < d.position || d.position >= limit);
    if (done) {
        d.running = false;
        return false;
    }
    m_splitter->SetFirstPaneExtent(moved);
    d.position = moved;
    return true;
}

bool CMainFrame::OnIdleWork(int count)
{
    // A failure box runs its own loop, in which the timer fires again.
    static bool inIdleWork = false;
    if (inIdleWork)
        return false;
    inIdleWork = true;
    if (int32_t code = TakePendingFailure()) {
        ReportFailure(code);
        if (code == FailureOutOfMemory)
            DocClearGraphs(GetDocState());
    }
    bool more = false;
    if (m_revealRequest) {
        void* argument = m_revealArgument;
        m_revealRequest = false;
        m_revealArgument = nullptr;
        RequestPaneRefresh(argument);
        more = true;
    } else if (m_divider.running) {
        more = StepDividerAnimation();
    } else {
        DocIdleUpdate(GetDocState());
        bool graphPaneMore = m_graphView && m_graphView->OnIdleStep(count);
        more = IsDemoRunning() || graphPaneMore;
    }
    if (!IsDemoRunning())
        CheckForNewVersion(false);
    // Accelerators follow the same rules as the menus; a tenth of a second
    // is soon enough, and spares reading the clipboard on every tick.
    uint32_t now = ClockMilliseconds();
    if (now - m_lastCommandUpdate >= 100) {
        m_lastCommandUpdate = now;
        UpdateCommandStates();
    }
    inIdleWork = false;
    return more;
}

bool CMainFrame::IsForegroundDuringDemo() const
{
    // The demo dialog beside the frame counts as the frame.
    const QWidget* active = QApplication::activeWindow();
    return IsDemoRunning() && (isActiveWindow() || (active && active == static_cast<const QWidget*>(m_demoDialog)));
}

void CMainFrame::SetAnimationVariable(char variable)
{
    m_animationVariable = variable;
    const QString text{QLatin1Char(variable)};
    if (m_graphBar)
        m_graphBar->SetSliderVariableText(text);
    if (m_keyPalette)
        m_keyPalette->SetAnimationVariableKeyText(text);
}

void CMainFrame::ReportFailure(int32_t code)
{
    ShowMessageCode(code);
    switch (code) {
    case FailureTransparencyMemory:  // the user may try again once the lines are opaque
        DocMakeAllOpaque(GetDocState());
        RearmFailure(code);
        break;
    case FailureUnreadableFile:  // an unreadable document: a second one must not fail in silence
    case FailureNewerDocument:  // a document from a newer version: likewise
        RearmFailure(code);
        break;
    case FailureOutOfMemory:  // memory: the computations that stopped may run again
        RecoverFromAbort();
        break;
    default:
        break;
    }
}

void CMainFrame::OnDocumentSettings()
{
    int32_t hardware = GetHardwareAcceleration();
    CPrefDialog dialog(GetDocState(), this);
    if (dialog.exec() == QDialog::Accepted) {
        bool software = dialog.Current().useSoftwareRenderer;
        if (software != (hardware == 1))
            SetHardwareAcceleration(software ? 1 : 2);
        if (dialog.IsChanged())
            SetDocModified(true);
    }
    if (m_equationView)
        m_equationView->setFocus();
}
