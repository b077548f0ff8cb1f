#include "app/COndrelApp.h"

#include "app/CMainFrame.h"
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

bool COndrelApp::InitInstance()
{
    // Every stored setting lands under Kestrane/Vellumor.
    setOrganizationName("Kestrane");
    setApplicationName("Vellumor");
    if (!StartupServices())
        return false;
    LoadCursorsAndRegions();
    m_frame = new CMainFrame;
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
    if (!InitFormulaEngine())
        return false;
    // The workers and the task threads start once, before any graph exists.
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
    delete m_frame;
    m_frame = nullptr;
    ReleaseCursorRegions();
    return code;
}
