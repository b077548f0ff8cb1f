#include "app/CVLSplitterWnd.h"

#include <QEvent>

CVLSplitterWnd::CVLSplitterWnd(QWidget* parent) : CHVSplitterWnd(parent)
{
    connect(this, &QSplitter::splitterMoved, this, [this](int, int) { OnDividerMoved(); });
}

void CVLSplitterWnd::ApplyStoredPaneSize(int paneDivider)
{
    SetFirstPaneExtent(paneDivider);
}

void CVLSplitterWnd::StartTracking()
{
    m_trackingStarted = true;
}

void CVLSplitterWnd::StopTracking()
{
    if (!m_trackingStarted)
        return;
    m_trackingStarted = false;
    update();
}

void CVLSplitterWnd::OnDividerMoved()
{
    // A handler that lays out again can move the divider once more.
    if (m_inMouseMove)
        return;
    m_inMouseMove = true;
    if (m_dragStep)
        m_dragStep();
    m_inMouseMove = false;
}

QSplitterHandle* CVLSplitterWnd::createHandle()
{
    QSplitterHandle* handle = CHVSplitterWnd::createHandle();
    handle->installEventFilter(this);
    return handle;
}

bool CVLSplitterWnd::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress)
        StartTracking();
    else if (event->type() == QEvent::MouseButtonRelease)
        StopTracking();
    return CHVSplitterWnd::eventFilter(watched, event);
}
