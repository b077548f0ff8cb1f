// The one application object: start-up, idle hook and exit.
#pragma once

#include <QApplication>

class CMainFrame;

// 1 when the processor reports SSE2; the About box shows it.
extern unsigned char SseAvailable;

class COndrelApp : public QApplication {
    Q_OBJECT
public:
    COndrelApp(int& argc, char** argv);
    ~COndrelApp() override;

    // The start-up sequence; false ends the process without a window.
    bool InitInstance();
    // The exit sequence; answers the exit code.
    int ExitInstance(int code);

    CMainFrame* MainFrame() const { return m_frame; }

private:
    bool StartupServices();
    // Runs each time the event loop is about to wait: the idle timer gets
    // the period the pending work asks for, or stops.
    void OnIdle();

    CMainFrame* m_frame = nullptr;
};

COndrelApp* GetApp();
