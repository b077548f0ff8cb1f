// The main frame's splitter: the panes follow the divider while it is
// dragged, the graph pane rebuilds its surfaces on every step of a drag, and
// the first pane takes the size the document stores.
#pragma once

#include "app/CHVSplitterWnd.h"

#include <functional>

class CVLSplitterWnd : public CHVSplitterWnd {
    Q_OBJECT
public:
    explicit CVLSplitterWnd(QWidget* parent);

    // The document's pane divider: the first column's width side by side,
    // else the first row's height.
    void ApplyStoredPaneSize(int paneDivider);

    // Called on every live step of a divider drag (the graph pane's surfaces
    // follow its new size).
    void SetDragStepHandler(std::function<void()> handler) { m_dragStep = std::move(handler); }

    bool IsTracking() const { return m_trackingStarted; }
    void StartTracking();
    void StopTracking();

protected:
    QSplitterHandle* createHandle() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnDividerMoved();

    std::function<void()> m_dragStep;
    bool m_trackingStarted = false;
    bool m_inMouseMove = false;
};
