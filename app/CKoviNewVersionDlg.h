// "New Version": offers the download of a newer release.
#pragma once

#include <QDialog>

class CKoviNewVersionDlg : public QDialog {
public:
    // message: the text that names the new version.
    explicit CKoviNewVersionDlg(const QString& message, QWidget* parent = nullptr);
};
