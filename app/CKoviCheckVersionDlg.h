// "Check for new version": asks whether to connect to the version server.
#pragma once

#include <QDialog>

class QBoxLayout;
class QCheckBox;

// The dialog's results besides Connect (QDialog::Accepted) and Later
// (QDialog::Rejected).
constexpr int kDisableCheckingResult = 1113;

class CKoviCheckVersionDlg : public QDialog {
public:
    explicit CKoviCheckVersionDlg(bool dontAsk, QWidget* parent = nullptr);
    bool DontAsk() const;

private:
    QCheckBox* m_dontAsk;
};

// Adds "Disable checking", "Later" and the default button to the layout's
// dialog; Disable checking ends it with kDisableCheckingResult.
void AddVersionDialogButtons(QDialog* dialog, QBoxLayout* layout, const QString& defaultText);
