#include "app/CKoviNewVersionDlg.h"

#include "app/CKoviCheckVersionDlg.h"

#include <QLabel>
#include <QVBoxLayout>

CKoviNewVersionDlg::CKoviNewVersionDlg(const QString& message, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("New Version"));
    auto* layout = new QVBoxLayout(this);
    for (const QString& text : {message, QStringLiteral("Would you like to download it now?")}) {
        auto* label = new QLabel(text, this);
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    AddVersionDialogButtons(this, layout, QStringLiteral("Download"));
}
