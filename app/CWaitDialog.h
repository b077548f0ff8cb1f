// The progress of a long save beside the graph pane: the main window is
// disabled while it shows, and Cancel clears the caller's keep-going flag,
// which the work reads between its steps.
#pragma once

#include <QProgressDialog>
#include <QPointer>

#include <cstdint>

class CWaitDialog : public QProgressDialog {
    Q_OBJECT
public:
    // An empty title reads "Working", an empty text "Click Cancel to cancel
    // the operation".
    CWaitDialog(bool* keepGoing, const QString& title, const QString& text, QWidget* mainWindow = nullptr);
    ~CWaitDialog() override;

    // Percent clamped to 0-100; lets the dialog take its clicks.
    void SetProgress(int32_t percent);
    // Closes the dialog and enables the main window again.
    void Destruct();
    // Horizontally centred on the pane, 8 pixels below it, or 8 above it when
    // below would leave the work area.
    static QPoint PlaceByPane(const QRect& pane, const QSize& dialog, const QRect& workArea);

private:
    bool* m_keepGoing;
    QPointer<QWidget> m_mainWindow;
    bool m_open = true;
};
