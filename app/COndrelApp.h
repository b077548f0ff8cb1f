// The one application object: start-up, idle hook and exit.
#pragma once

#include <QApplication>

#include <QList>
#include <QStringList>

#include <cstdint>
#include <functional>

class CMainFrame;
class COndrelDoc;
class InstanceServer;
class QAction;
class QMenu;

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
    // One document per process: New starts another copy; Open and a recent
    // file bring forward the copy that shows the file, else start one for
    // it, and with Ctrl held open it in this window.
    void OnFileNew();
    void OnFileOpen();
    void OnOpenRecentFile(int32_t id);
    // The recent-file list, stored at once. Other copies change it too: it
    // is read again each time the File menu shows.
    void AddToRecentFileList(const QString& path);
    QStringList RecentFiles() const { return m_recentFiles; }
    void SaveRecentFileList();
    void ReadRecentFileList();
    void OnUpdateRecentFileMenu(QMenu* menu, QAction* placeholder);
    // Reads the document's file again after asking.
    void OnRevertToSaved();
    bool CanRevertToSaved() const;
    // Start-up ended because a running copy shows the file named on the
    // command line.
    bool HandedOver() const { return m_handedOver; }

    // Tests make a step fail: the hook answers false for a step that is to fail.
    static void SetStartupStepHook(std::function<bool(StartupStep)> hook);

private:
    bool StartupServices();
    // Runs each time the event loop is about to wait: the idle work, then the
    // idle timer gets the period the pending work asks for, or stops.
    void OnIdle();

    CMainFrame* m_frame = nullptr;
    COndrelDoc* m_document = nullptr;
    InstanceServer* m_instanceServer = nullptr;
    QStringList m_recentFiles;
    QList<QAction*> m_recentActions;
    bool m_handedOver = false;
    bool m_preferencesLoaded = false;
};

COndrelApp* GetApp();
