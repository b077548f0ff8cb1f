#include "app/COndrelApp.h"

#include "app/CMainFrame.h"
#include "app/FrameDocumentCalls.h"
#include "app/GraphPaneServices.h"
#include "app/IdleTimer.h"
#include "app/LayerServices.h"
#include "CoreUtilities/GraphWorkerPool.h"
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/SystemInfo.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "evaluation/InterpreterBuild.h"
#include "formula/FormulaEngine.h"
#include "platform/WindowTimer.h"

#include <QAbstractEventDispatcher>

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
    m_frame->show();
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &COndrelApp::OnIdle);
    return true;
}

bool COndrelApp::StartupServices()
{
    RegisterLayerServices();
    if (!StepAllowed(StartupStep::Preferences))
        return false;
    LoadPreferences();
    m_preferencesLoaded = true;
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
