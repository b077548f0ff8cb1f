#include "app/COndrelApp.h"

#include "app/BenchmarkDriver.h"
#include "app/CMainFrame.h"
#include "app/COndrelDoc.h"
#include "app/DemoPlayer.h"
#include "app/FrameDocumentCalls.h"
#include "app/GraphPaneServices.h"
#include "app/IdleTimer.h"
#include "app/InstanceHandOver.h"
#include "app/InstanceOpenRequest.h"
#include "app/InstanceServer.h"
#include "app/LayerServices.h"
#include "app/LibraryVersions.h"
#include "app/Preferences.h"
#include "CoreUtilities/GraphWorkerPool.h"
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/SystemInfo.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/InterpreterBuild.h"
#include "formula/FormulaEngine.h"
#include "platform/CLog.h"
#include "platform/MessageBox.h"
#include "platform/WindowTimer.h"
#include "rendering/GLProbe.h"
#include "rendering/ViewRenderContext.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QFileInfo>
#include <QSettings>

#include <clocale>

unsigned char SseAvailable = 0;

COndrelApp::COndrelApp(int& argc, char** argv) : QApplication(argc, argv)
{
    SseAvailable = SystemHasSse2() ? 1 : 0;
    SelectInterpreterBuild();
    SetPhysicalMemoryTotal(static_cast<double>(SystemPhysicalMemoryBytes()));
    // The toolkit takes the numeric locale from the environment; numbers in
    // files and program texts must never see a comma.
    std::setlocale(LC_NUMERIC, "C");
}

COndrelApp::~COndrelApp()
{
    delete m_frame;
    delete m_document;
}

COndrelApp* GetApp()
{
    return qobject_cast<COndrelApp*>(QCoreApplication::instance());
}

namespace {

std::function<bool(StartupStep)>& StepHook()
{
    static std::function<bool(StartupStep)> hook;
    return hook;
}

// True unless a test has asked this step to fail.
bool StepAllowed(StartupStep step)
{
    return !StepHook() || StepHook()(step);
}

}  // namespace

void COndrelApp::SetStartupStepHook(std::function<bool(StartupStep)> hook)
{
    StepHook() = std::move(hook);
}

bool COndrelApp::InitInstance()
{
    // Every stored setting lands under Kestrane/Vellumor.
    setOrganizationName("Kestrane");
    setApplicationName("Vellumor");
    // A copy that already shows the file named on the command line comes to
    // the front instead, and this one ends before it shows a window.
    QStringList arguments = QCoreApplication::arguments();
    // "--benchmark" runs the benchmark and quits with its report on standard output.
    const bool benchmark = arguments.removeAll(QStringLiteral("--benchmark")) > 0;
    if (arguments.size() > 1 && SendOpenToRunningInstance(arguments.at(1))) {
        m_handedOver = true;
        return false;
    }
    // The one document state; everything else reaches it through GetDocState.
    if (!StepAllowed(StartupStep::DocumentState))
        return false;
    GetDocState();
    if (!StartupServices())
        return false;
    m_frame = new (std::nothrow) CMainFrame;
    if (!m_frame)
        return false;
    // A frame that cannot be built tells the user why the program ends.
    if (!StepAllowed(StartupStep::MainFrame)) {
        CMainFrame::ShowLaunchFailure();
        return false;
    }
    if (!m_frame->Create())
        return false;
    m_document = COndrelDoc::CreateObject();
    if (!m_document)
        return false;
    SetDocument(m_document);
    m_document->equationView = m_frame->EquationView();
    m_document->graphView = m_frame->GraphView();
    ReadRecentFileList();
    // Other copies ask this one whether it shows their file.
    m_instanceServer = new InstanceServer([this](const QByteArray& record) {
        return m_frame && m_frame->OnCopyData(record);
    }, this);
    m_instanceServer->Listen();
    // A document named on the command line opens at start; without one, or
    // when it cannot be read, the window shows a new document.
    m_document->OnNewDocument();
    if (arguments.size() > 1)
        OpenDocumentFile(StripPathQuotes(arguments.at(1)));
    m_frame->show();
    if (benchmark)
        StartBenchmark(m_frame, true);
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &COndrelApp::OnIdle);
    return true;
}

bool COndrelApp::StartupServices()
{
    RegisterLayerServices();
    // One log per process in the user's state folder; nothing is written
    // unless something fails.
    CLog::Get().SetFolder(DefaultLogFolder());
    CLog::Get().SetFileName(DefaultLogFileName());
    CLog::SetLibraryVersionSource(&LibraryVersionLines);
    if (!StepAllowed(StartupStep::Preferences))
        return false;
    // The renderer choice comes with the other preferences.
    LoadPreferences();
    m_preferencesLoaded = true;
    // Once, before any document exists: without OpenGL every view draws in software.
    ProbeOpenGL();
    if (!StepAllowed(StartupStep::FormulaEngine) || !InitFormulaEngine())
        return false;
    if (!StepAllowed(StartupStep::Cursors))
        return false;
    LoadCursorsAndRegions();
    // The workers and the task threads start once, before any graph exists.
    if (!StepAllowed(StartupStep::WorkerThreads))
        return false;
    StartWorkerThreads();
    return true;
}

namespace {

constexpr int kRecentFiles = 10;
constexpr int32_t kFirstRecentFile = 57616;

bool ControlHeld()
{
    return QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier;
}

}  // namespace

bool COndrelApp::OpenDocumentFile(const QString& path)
{
    if (!m_document || !m_document->OnOpenDocument(path)) {
        if (m_document)
            m_document->SetPathName(QString(), false);
        return false;
    }
    QString name = path;
    if (name.endsWith(QLatin1String("grf"), Qt::CaseInsensitive))
        name = name.left(name.size() - 3) + QStringLiteral("vlf");
    m_document->SetPathName(name, true);
    return true;
}

void COndrelApp::OnFileNew()
{
    // The window always holds a document: a new one gets a window of its own.
    if (m_document)
        StartNewInstance({});
}

void COndrelApp::OnFileOpen()
{
    QString path = ChooseDocumentFile(false, QStringLiteral("Vellumor documents (*.grf *.vlf);;All Files (*)"),
                                      QString());
    if (path.isEmpty())
        return;
    if (ControlHeld())
        OpenDocumentFile(path);
    else if (!SendOpenToRunningInstance(path))
        StartNewInstance({path});
}

void COndrelApp::OnOpenRecentFile(int32_t id)
{
    const int index = id - kFirstRecentFile;
    if (index < 0 || index >= m_recentFiles.size())
        return;
    const QString path = m_recentFiles.at(index);
    bool remove = false;
    if (ControlHeld())
        remove = !OpenDocumentFile(path);
    else
        remove = SendOpenToRunningInstance(path) || StartNewInstance({path}) != 0;
    if (remove) {
        m_recentFiles.removeAll(path);
        SaveRecentFileList();
    }
}

void COndrelApp::ReadRecentFileList()
{
    QSettings settings(QStringLiteral("Kestrane"), QStringLiteral("Vellumor"));
    m_recentFiles.clear();
    for (int i = 1; i <= kRecentFiles; ++i) {
        QString file = settings.value(QStringLiteral("Recent File List/File%1").arg(i)).toString();
        if (!file.isEmpty())
            m_recentFiles.append(file);
    }
}

void COndrelApp::OnUpdateRecentFileMenu(QMenu* menu, QAction* placeholder)
{
    ReadRecentFileList();
    for (QAction* action : m_recentActions)
        delete action;
    m_recentActions.clear();
    const bool demo = IsDemoRunning();
    for (int i = 0; i < m_recentFiles.size(); ++i) {
        const QString name = QDir::toNativeSeparators(m_recentFiles.at(i));
        auto* action = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name), menu);
        const int32_t id = kFirstRecentFile + i;
        connect(action, &QAction::triggered, this, [this, id] { OnOpenRecentFile(id); });
        action->setEnabled(!demo);
        menu->insertAction(placeholder, action);
        m_recentActions.append(action);
    }
    // Without a list the one item stays, disabled.
    placeholder->setVisible(m_recentFiles.isEmpty());
}

bool COndrelApp::CanRevertToSaved() const
{
    return m_document && !m_document->PathName().isEmpty() && m_document->IsModified() && !IsDemoRunning();
}

void COndrelApp::OnRevertToSaved()
{
    if (!m_document)
        return;
    const QString title = QStringLiteral("\"%1\"").arg(m_document->Title());
    if (!ShowMessageBox(QStringLiteral("Do you want to discard the changes you made to the document %1?")
                            .arg(title)
                            .toStdU16String(),
                        u"Vellumor", MessageBoxIcon::Question, MessageBoxButtons::YesNo))
        return;
    m_document->SetModifiedFlag(false);
    if (m_document->PathName().isEmpty()) {
        m_document->OnNewDocument();
        return;
    }
    // A file that cannot be read leaves the changes where they are.
    QFile file(m_document->PathName());
    if (!file.open(QIODevice::ReadOnly) || !m_document->OnOpenDocument(m_document->PathName())) {
        ShowMessageBox(QStringLiteral("Unable to reload %1").arg(title).toStdU16String(), u"Vellumor",
                       MessageBoxIcon::Warning);
        m_document->SetModifiedFlag(true);
    }
}

void COndrelApp::AddToRecentFileList(const QString& path)
{
    m_recentFiles.removeAll(path);
    m_recentFiles.prepend(path);
    while (m_recentFiles.size() > kRecentFiles)
        m_recentFiles.removeLast();
    SaveRecentFileList();
}

void COndrelApp::SaveRecentFileList()
{
    QSettings settings(QStringLiteral("Kestrane"), QStringLiteral("Vellumor"));
    settings.beginGroup(QStringLiteral("Recent File List"));
    for (int i = 0; i < kRecentFiles; ++i) {
        QString key = QStringLiteral("File%1").arg(i + 1);
        if (i < m_recentFiles.size())
            settings.setValue(key, m_recentFiles.at(i));
        else
            settings.remove(key);
    }
}

void COndrelApp::OnIdle()
{
    UpdateIdleTimer(GetDocState());
}

int COndrelApp::ExitInstance(int code)
{
    disconnect(QAbstractEventDispatcher::instance(), nullptr, this, nullptr);
    DocState* doc = GetDocState();
    KillWindowTimer(doc->GraphPaneWindow, doc->IdleTimerId);
    doc->IdleTimerId = 0;
    doc->IdleTimerPeriod = -1;
    doc->GraphPaneWindow = nullptr;
    SetGraphPaneWindow(nullptr);
    delete m_document;
    m_document = nullptr;
    // The graphs' views hold GPU programs of the graph pane's context: they
    // go while the pane and the application live, not with the process.
    delete doc->Graphs;
    doc->Graphs = nullptr;
    // The frame stores its size and position as it goes.
    if (m_frame)
        m_frame->SaveSettings();
    delete m_frame;
    m_frame = nullptr;
    ReleaseCursorRegions();
    // A start that stopped before the preferences were read must not replace
    // the stored ones with the defaults.
    if (m_preferencesLoaded)
        SavePreferences();
    m_preferencesLoaded = false;
    return code;
}
