// The program's one top-level window: tool bar, the two panes in a splitter,
// and the idle work that shows pending failures.
#pragma once

#include <QMainWindow>
#include <QTimer>

#include <cstdint>

class CVLSplitterWnd;
class COndrelView;
class CGraphView;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame();

    // Builds the client area; false when a pane cannot be made.
    bool Create();

    // Takes the pending failure code and shows it.
    void OnIdleWork();
    // Shows a failure's text and re-arms the codes that may recur.
    void ReportFailure(int32_t code);

    CVLSplitterWnd* Splitter() const { return m_splitter; }
    COndrelView* EquationView() const { return m_equationView; }
    CGraphView* GraphView() const { return m_graphView; }

private:
    bool OnCreateClient();

    CVLSplitterWnd* m_splitter = nullptr;
    COndrelView* m_equationView = nullptr;
    CGraphView* m_graphView = nullptr;
    QTimer m_idleTimer;
};
