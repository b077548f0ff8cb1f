#include "app/CKoviCheckVersionDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

void AddVersionDialogButtons(QDialog* dialog, QBoxLayout* layout, const QString& defaultText)
{
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* disable = buttons->addButton(QStringLiteral("Disable checking"), QDialogButtonBox::ResetRole);
    buttons->addButton(QStringLiteral("Later"), QDialogButtonBox::RejectRole);
    QPushButton* accept = buttons->addButton(defaultText, QDialogButtonBox::AcceptRole);
    accept->setDefault(true);
    QObject::connect(disable, &QPushButton::clicked, dialog, [dialog] { dialog->done(kDisableCheckingResult); });
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
}

CKoviCheckVersionDlg::CKoviCheckVersionDlg(bool dontAsk, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Check for new version"));
    auto* layout = new QVBoxLayout(this);
    for (const char* text :
         {"Vellumor supports automatic version checking. It can periodically check in with a version server over the "
          "Internet and inform you when new versions are released.",
          "No personal information is sent.", "Would you like to connect to the version server now?"}) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    m_dontAsk = new QCheckBox(QStringLiteral("Don't ask again"), this);
    m_dontAsk->setChecked(dontAsk);
    layout->addWidget(m_dontAsk);
    AddVersionDialogButtons(this, layout, QStringLiteral("Connect"));
}

bool CKoviCheckVersionDlg::DontAsk() const
{
    return m_dontAsk->isChecked();
}
