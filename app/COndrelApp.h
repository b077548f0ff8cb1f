// The one application object: start-up, idle hook and exit.
#pragma once

#include <QApplication>

#include <functional>

class CMainFrame;
class COndrelDoc;

// 1 when the processor reports SSE2; the About box shows it.
extern unsigned char SseAvailable;

// The start-up steps, in the order they run.
enum class StartupStep { DocumentState, Preferences, FormulaEngine, Cursors, WorkerThreads, MainFrame };

class COndrelApp : public QApplication {
    Q_OBJECT
public:
    COndrelApp(int& argc, char** argv);
    ~COndrelApp() override;

    // The start-up sequence; false ends the process without a window.
    bool InitInstance();
    // The exit sequence, safe after a start-up that stopped at any step;
    // answers the exit code.
    int ExitInstance(int code);

    CMainFrame* MainFrame() const { return m_frame; }
    COndrelDoc* Document() const { return m_document; }

    // The document commands. Open reads the file into the one document; a
    // path ending in "grf" takes the name ending "vlf" once read.
    bool OpenDocumentFile(const QString& path);
    void OnFileNew();
    void OnFileOpen();
    // The recent-file list, stored at once.
    void AddToRecentFileList(const QString& path);
    QStringList RecentFiles() const { return m_recentFiles; }
    void SaveRecentFileList();

    // Tests make a step fail: the hook answers false for a step that is to fail.
    static void SetStartupStepHook(std::function<bool(StartupStep)> hook);

private:
    bool StartupServices();
    // Runs each time the event loop is about to wait: the idle work, then the
    // idle timer gets the period the pending work asks for, or stops.
    void OnIdle();

    CMainFrame* m_frame = nullptr;
    COndrelDoc* m_document = nullptr;
    QStringList m_recentFiles;
    bool m_preferencesLoaded = false;
};

COndrelApp* GetApp();
