#include "app/CMainFrame.h"

#include "app/CGraphView.h"
#include "app/CNewGraphBar.h"
#include "app/CVLSplitterWnd.h"
#include "app/DemoPlayer.h"
#include "app/GraphPaneServices.h"
#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "editor/COndrelView.h"
#include "editor/EquationViewServices.h"
#include "platform/MessageBox.h"
#include "platform/MessageText.h"

namespace {

constexpr int kDefaultWidth = 550;
constexpr int kDefaultHeight = 600;

}  // namespace

CMainFrame::CMainFrame()
{
    // The title a document-view frame shows for a new, unnamed document.
    setWindowTitle(QStringLiteral("Untitled - Vellumor"));
    setMinimumSize(540, 400);
    resize(kDefaultWidth, kDefaultHeight);
    SetMainFrame(this);
}

CMainFrame::~CMainFrame()
{
    if (GetMainFrame() == this)
        SetMainFrame(nullptr);
}

bool CMainFrame::Create()
{
    if (!OnCreateClient()) {
        ShowMessageBox("Could not launch application.\nTry closing other programs to increase "
                       "available memory",
                       "Vellumor", MessageBoxIcon::Error);
        return false;
    }
    return true;
}

bool CMainFrame::OnCreateClient()
{
    m_splitter = new (std::nothrow) CVLSplitterWnd(this);
    m_equationView = new (std::nothrow) COndrelView(m_splitter);
    m_graphView = new (std::nothrow) CGraphView(m_splitter);
    if (!m_splitter || !m_equationView || !m_graphView)
        return false;
    m_graphBar = new (std::nothrow) CNewGraphBar(this);
    if (!m_graphBar)
        return false;
    addToolBar(m_graphBar);
    m_splitter->addWidget(m_equationView);
    m_splitter->addWidget(m_graphView);
    // The equation pane takes a fifth of the frame's height.
    int paneSize = height() / 5;
    m_splitter->setSizes({paneSize, height() - paneSize});
    setCentralWidget(m_splitter);
    m_equationView->setFocus();
    // The cursor code and the idle timer work on the graph pane's window.
    SetGraphPaneWindow(m_graphView);
    GetDocState()->GraphPaneWindow = m_graphView;
    return true;
}

void CMainFrame::OnIdleWork()
{
    // A message box of a failure runs its own loop, in which the timer fires again.
    if (m_inIdleWork)
        return;
    m_inIdleWork = true;
    if (int32_t code = TakePendingFailure())
        ReportFailure(code);
    m_inIdleWork = false;
}

bool CMainFrame::IsForegroundDuringDemo() const
{
    return IsDemoRunning() && isActiveWindow();
}

void CMainFrame::SetAnimationVariable(char variable)
{
    m_animationVariable = variable;
}

void CMainFrame::ReportFailure(int32_t code)
{
    ShowMessageCode(code);
    switch (code) {
    case FailureTransparencyMemory:  // transparency: the user may try again after the lines turned opaque
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
