#include "app/CWaitDialog.h"

#include "app/CGraphView.h"
#include "app/CMainFrame.h"
#include "editor/EquationViewServices.h"

#include <QCoreApplication>
#include <QScreen>

#include <algorithm>

CWaitDialog::CWaitDialog(bool* keepGoing, const QString& title, const QString& text, QWidget* mainWindow)
    : QProgressDialog(nullptr), m_keepGoing(keepGoing), m_mainWindow(mainWindow)
{
    CMainFrame* frame = GetMainFrame();
    if (!m_mainWindow)
        m_mainWindow = frame;
    // Not a child of the main window, which is disabled while this shows.
    setWindowFlag(Qt::Dialog);
    setWindowTitle(title.isEmpty() ? QStringLiteral("Working") : title);
    setLabelText(text.isEmpty() ? QStringLiteral("Click Cancel to cancel the operation") : text);
    setRange(0, 100);
    setValue(0);
    setAutoReset(false);
    setAutoClose(false);
    setMinimumDuration(0);
    setAttribute(Qt::WA_ShowWithoutActivating);
    connect(this, &QProgressDialog::canceled, this, [this] {
        if (m_keepGoing)
            *m_keepGoing = false;
        Destruct();
    });
    if (m_mainWindow)
        m_mainWindow->setEnabled(false);
    QWidget* pane = frame ? static_cast<QWidget*>(frame->GraphView()) : nullptr;
    adjustSize();
    if (pane && pane->isVisible()) {
        QRect paneRect(pane->mapToGlobal(QPoint(0, 0)), pane->size());
        QScreen* screen = pane->screen();
        QRect work = screen ? screen->availableGeometry() : paneRect;
        move(PlaceByPane(paneRect, frameGeometry().size(), work));
    }
    show();
}

CWaitDialog::~CWaitDialog()
{
    Destruct();
}

QPoint CWaitDialog::PlaceByPane(const QRect& pane, const QSize& dialog, const QRect& workArea)
{
    const int x = pane.left() + (pane.width() - dialog.width()) / 2;
    int y = pane.bottom() + 1 + 8;
    if (y + dialog.height() > workArea.bottom() + 1)
        y = pane.top() - 8 - dialog.height();
    return {x, y};
}

void CWaitDialog::SetProgress(int32_t percent)
{
    if (!m_open)
        return;
    setValue(std::clamp(percent, 0, 100));
    QCoreApplication::processEvents();
}

void CWaitDialog::Destruct()
{
    if (!m_open)
        return;
    m_open = false;
    if (m_mainWindow)
        m_mainWindow->setEnabled(true);
    hide();
}
