// The program's one top-level window: tool bar, the two panes in a splitter,
// and the idle work that shows pending failures.
#pragma once

#include <QMainWindow>

#include <cstdint>

class CVLSplitterWnd;
class COndrelView;
class CGraphView;
class CNewGraphBar;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    // Builds the client area; false when a pane cannot be made.
    bool Create();

    // Takes the pending failure code and shows it. The idle timer runs it
    // (TimerProc) while work is pending.
    void OnIdleWork();
    // Shows a failure's text and re-arms the codes that may recur.
    void ReportFailure(int32_t code);

    CVLSplitterWnd* Splitter() const { return m_splitter; }
    COndrelView* EquationView() const { return m_equationView; }
    CGraphView* GraphView() const { return m_graphView; }
    CNewGraphBar* GraphBar() const { return m_graphBar; }

    // A demonstration runs and the frame is the window in front.
    bool IsForegroundDuringDemo() const;
    // The animation variable the graph bar shows, one character.
    void SetAnimationVariable(char variable);
    char AnimationVariable() const { return m_animationVariable; }

private:
    bool OnCreateClient();

    CVLSplitterWnd* m_splitter = nullptr;
    COndrelView* m_equationView = nullptr;
    CGraphView* m_graphView = nullptr;
    CNewGraphBar* m_graphBar = nullptr;
    char m_animationVariable = 'n';
    bool m_inIdleWork = false;
};
