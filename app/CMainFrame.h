// The program's one top-level window: tool bar, the two panes in a splitter,
// and the idle work that runs between messages.
#pragma once

#include "app/ExamplesMenu.h"
#include "CoreUtilities/ShortRect.h"

#include <QHash>
#include <QMainWindow>

#include <cstdint>

class CDemoDialog;
class CVLSplitterWnd;
class COndrelView;
class CGraphView;
class CKeyPalette;
class CNewGraphBar;
class QAction;
class QMenu;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // Takes the stored size and position (and moves the stored position on
    // for the next window).
    CMainFrame();
    ~CMainFrame() override;

    // Builds the client area; false (after telling the user) when a pane
    // cannot be made.
    bool Create();
    static void ShowLaunchFailure();
    // Stores size, position and pane extent for the next start; nothing when
    // the frame was never shown.
    void SaveSettings();

    // Everything the program does between messages; true while more remains.
    bool OnIdleWork(int count = 0);
    // Shows a failure's text and re-arms the codes that may recur.
    void ReportFailure(int32_t code);

    // Places the frame at a document's stored client rectangle (screen
    // coordinates), on the nearest monitor; maximised when it fills the work area.
    void RestoreWindowRect(const QRect& client);
    // The panes side by side (equation pane left) or stacked.
    void ApplyPaneLayout(bool sideBySide);
    // Runs "Document Settings"; the renderer choice and the modified flag
    // follow its OK.
    void OnDocumentSettings();
    // The first pane takes the extent read at start-up.
    void ApplyStoredPaneSize();
    // Reveals a collapsed pane; with neither pane shown, retried by the idle work.
    void RequestPaneRefresh(void* argument);
    void NoteUpdateRequest(void* argument);
    bool IsDividerAnimationRunning() const { return m_divider.running; }
    // One step of the divider that uncovers a pane; true while more remain.
    bool StepDividerAnimation();

    CVLSplitterWnd* Splitter() const { return m_splitter; }
    COndrelView* EquationView() const { return m_equationView; }
    CGraphView* GraphView() const { return m_graphView; }
    CNewGraphBar* GraphBar() const { return m_graphBar; }
    bool IsMathPaneShown() const;
    bool IsGraphPaneShown() const;

    // A demonstration runs and the frame is the window in front.
    bool IsForegroundDuringDemo() const;
    // The animation variable the graph bar shows, one character.
    void SetAnimationVariable(char variable);
    char AnimationVariable() const { return m_animationVariable; }

    // The menus and accelerators, built from the command table.
    void BuildMenus();
    // The action of a command id, or null.
    QAction* CommandAction(int32_t id) const;
    // The update rules on every command, or on one menu's.
    void UpdateCommandStates();
    void UpdateMenuStates(QMenu* menu);
    // Runs a command when its rule allows it now; false when refused.
    bool RunCommand(int32_t id);
    // The views a graph command addresses: 0 or 1 from the graph pane's
    // context menu, else 2 (both).
    int32_t ContextView() const { return m_contextView; }
    // Zoom In or Zoom Out with the modifier keys held now.
    void ZoomByMenu(bool in);
    // The context menus over the panes; answers the command chosen, or 0.
    int32_t TrackContextMenu(const QPoint& globalPos);

    // The examples folder beside the program, and its examples, listed once.
    QString GetExamplesFolder() const;
    int32_t GetExampleCount();
    // Rebuilds the Examples menu the first time it opens; enables its
    // items unless a demonstration runs.
    void OnUpdateExample(QMenu* menu);
    // Opens example id - 35001: with Ctrl in this window, else in a new copy.
    void OnExample(int32_t id);
    // The examples tour's example at the index (0 the first): opened here,
    // and its caption.
    void OpenTourExample(int32_t index);
    QString GetTourExampleCaption(int32_t index);

    // Another copy asks whether this window shows a document: true, with the
    // window brought to the front, when it does. Never opens a file.
    bool OnCopyData(const QByteArray& record);
    // Documents dropped on the frame open in it; other files are refused.
    void OnDropFiles(const QStringList& paths);

    // The graph tool bar, its dialogs and the key palette (FrameControls.cpp).
    void ConnectGraphBar();
    void OnGraphBarCommand(int32_t id);
    void OnGraphBarViewCommand(int32_t view, int32_t id);
    void OnGraphBarSliderMoved(int32_t id, int32_t position);
    void StopAnimation();
    // view 0 or 1, or 2 for both.
    void RunSet2DRangeDialog(int32_t view);
    void OnSliderValues();
    void UpdateZoomButtons();
    void UpdateGraphBar();
    bool CreateKeyPalette();
    CKeyPalette* KeyPalette() const { return m_keyPalette; }
    void OnKeyPaletteCommand(int32_t code);
    bool IsKeyPaletteShown() const;
    void HideKeyPalette();
    void OnShowKeypad();
    // File > Print: the print dialog, then the document printed (PrintJob.cpp).
    void OnFilePrint();

    // Demonstrations (MainFrameDemo.cpp): the Demo menu's commands start a
    // tour of a type or stop the one running.
    void OnDemo(int32_t type);
    // A fresh, titled document, the Demo menu's check and the demo dialog.
    void PrepareDemoDocument(int32_t type);
    // Menus locked while a demonstration runs; unlocked, dialog hidden and
    // no button left held once it stops.
    void UpdateMenusForDemo();
    // Checks the item at the position of the menu (the Demo menu for null)
    // and unchecks the others.
    int32_t CheckDemoMenuItem(QMenu* menu, int32_t position);
    // 5 shows the demo dialog, 0 hides it.
    void ShowDemoDialog(int32_t show);
    CDemoDialog* DemoDialog() const { return m_demoDialog; }
    void StopDemo();
    void SetDemoCaption(const QString& text);
    // Ctrl+Tab: the demo dialog takes the keyboard.
    void OnNextPane();
    // The screen position of a gesture's point id.
    ShortPoint DemoGesturePoint(int32_t id) const;
    // The player's button on a pane (0 equation pane, 1 graph pane, 2 the
    // splitter): pressed, dragged to the pointer, released there.
    void DemoMouseDown(int32_t press, int32_t target);
    void DemoMouseMove(int32_t target);
    void DemoMouseUp(int32_t target);
    // A key pressed in the equation pane during a demonstration: Tab, Space
    // and the arrows go to the demo dialog, any other asks to stop.
    void OnDemoKey(int key);
    // The current equation takes the demonstration's picture.
    void InsertDemoPicture();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool OnCreateClient();
    void RevealEquationPane();
    void RevealGraphPane();

    struct DividerAnimation {
        int target = 0;
        int direction = 0;  // 0 uncovers the equation pane, 1 the graph pane
        int step = 0;
        int position = 0;
        uint32_t nextTime = 0;
        bool running = false;
    };

    CVLSplitterWnd* m_splitter = nullptr;
    COndrelView* m_equationView = nullptr;
    CGraphView* m_graphView = nullptr;
    CNewGraphBar* m_graphBar = nullptr;
    CKeyPalette* m_keyPalette = nullptr;
    DividerAnimation m_divider;
    int m_paneSize = 100;
    bool m_revealRequest = false;
    void* m_revealArgument = nullptr;
    bool m_shownOnce = false;
    bool m_paintReported = false;
    char m_animationVariable = 'n';
    int32_t m_contextView = 2;
    uint32_t m_lastCommandUpdate = 0;
    QHash<int32_t, QAction*> m_actions;
    QList<ExampleListEntry> m_examples;
    CDemoDialog* m_demoDialog = nullptr;
    bool m_demoButtonHeld = false;
    int32_t m_demoTargetPane = 0;
    bool m_examplesBuilt = false;
};
