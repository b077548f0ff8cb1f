#include "app/COndrelApp.h"

#include "app/CMainFrame.h"
#include "app/COndrelDoc.h"
#include "app/FrameDocumentCalls.h"
#include "app/GraphPaneServices.h"
#include "app/IdleTimer.h"
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
#include "platform/WindowTimer.h"
#include "rendering/GLProbe.h"
#include "rendering/ViewRenderContext.h"

#include <QAbstractEventDispatcher>
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
    QSettings settings(QStringLiteral("Kestrane"), QStringLiteral("Vellumor"));
    for (int i = 1; i <= 4; ++i) {
        QString file = settings.value(QStringLiteral("Recent File List/File%1").arg(i)).toString();
        if (!file.isEmpty())
            m_recentFiles.append(file);
    }
    // A document named on the command line opens at start; without one, or
    // when it cannot be read, the window shows a new document.
    QStringList arguments = QCoreApplication::arguments();
    m_document->OnNewDocument();
    if (arguments.size() > 1)
        OpenDocumentFile(arguments.at(1));
    m_frame->show();
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

constexpr int kRecentFiles = 4;

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
    if (m_document)
        m_document->OnNewDocument();
}

void COndrelApp::OnFileOpen()
{
    QString path = ChooseDocumentFile(false, QStringLiteral("Vellumor Document (*.vlf *.grf);;All Files (*)"),
                                      QString());
    if (!path.isEmpty())
        OpenDocumentFile(path);
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
