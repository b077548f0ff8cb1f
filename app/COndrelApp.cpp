#include "app/COndrelApp.h"

#include "app/CMainFrame.h"
#include "CoreUtilities/GraphWorkerPool.h"
#include "CoreUtilities/MemoryBudget.h"
#include "formula/FormulaEngine.h"
#include "platform/SystemInfo.h"

#include <clocale>

unsigned char SseAvailable = 0;

COndrelApp::COndrelApp(int& argc, char** argv) : QApplication(argc, argv)
{
    SseAvailable = SystemHasSse2() ? 1 : 0;
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
    m_frame = new CMainFrame;
    if (!m_frame->Create())
        return false;
    m_frame->show();
    return true;
}

bool COndrelApp::StartupServices()
{
    if (!InitFormulaEngine())
        return false;
    // The workers and the task threads start once, before any graph exists.
    StartWorkerThreads();
    return true;
}

int COndrelApp::ExitInstance(int code)
{
    delete m_frame;
    m_frame = nullptr;
    return code;
}
