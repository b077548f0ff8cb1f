#include "app/CMainFrame.h"

#include "app/CGraphView.h"
#include "app/CVLSplitterWnd.h"
#include "app/MessageText.h"
#include "CoreUtilities/FailureRegister.h"
#include "editor/COndrelView.h"
#include "platform/MessageBox.h"

namespace {

constexpr int kDefaultWidth = 550;
constexpr int kDefaultHeight = 600;
constexpr int kIdlePeriodMs = 100;

}  // namespace

CMainFrame::CMainFrame()
{
    // The title a document-view frame shows for a new, unnamed document.
    setWindowTitle(QStringLiteral("Untitled - Vellumor"));
    setMinimumSize(540, 400);
    resize(kDefaultWidth, kDefaultHeight);
    connect(&m_idleTimer, &QTimer::timeout, this, &CMainFrame::OnIdleWork);
}

bool CMainFrame::Create()
{
    if (!OnCreateClient()) {
        ShowMessageBox("Could not launch application.\nTry closing other programs to increase "
                       "available memory",
                       "Vellumor", MessageBoxIcon::Error);
        return false;
    }
    m_idleTimer.start(kIdlePeriodMs);
    return true;
}

bool CMainFrame::OnCreateClient()
{
    m_splitter = new (std::nothrow) CVLSplitterWnd(this);
    m_equationView = new (std::nothrow) COndrelView(m_splitter);
    m_graphView = new (std::nothrow) CGraphView(m_splitter);
    if (!m_splitter || !m_equationView || !m_graphView)
        return false;
    m_splitter->addWidget(m_equationView);
    m_splitter->addWidget(m_graphView);
    // The equation pane takes a fifth of the frame's height.
    int paneSize = height() / 5;
    m_splitter->setSizes({paneSize, height() - paneSize});
    setCentralWidget(m_splitter);
    m_equationView->setFocus();
    return true;
}

void CMainFrame::OnIdleWork()
{
    if (int32_t code = TakePendingFailure())
        ReportFailure(code);
}

void CMainFrame::ReportFailure(int32_t code)
{
    ShowMessageCode(code);
    switch (code) {
    case 40:  // transparency: the user may try again after the lines turned opaque
    case 41:  // an unreadable document: a second one must not fail in silence
    case 47:  // a document from a newer version: likewise
        RearmFailure(code);
        break;
    default:
        break;
    }
}
