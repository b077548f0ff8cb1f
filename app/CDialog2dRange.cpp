#include "app/CDialog2dRange.h"

#include "app/ProgramButtons.h"
#include "platform/MessageBox.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include <cmath>

CDialog2dRange::CDialog2dRange(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("2D Range"));
    for (QLineEdit*& edit : m_edits) {
        edit = new QLineEdit(this);
        edit->setMaximumWidth(90);
    }
    auto* picture = new QLabel(this);
    picture->setPixmap(LoadButtonPicture(267, 0x1000000));
    picture->setAlignment(Qt::AlignCenter);
    auto* grid = new QGridLayout(this);
    grid->addWidget(m_edits[Above], 0, 1, Qt::AlignCenter);
    grid->addWidget(m_edits[Left], 1, 0, Qt::AlignVCenter);
    grid->addWidget(picture, 1, 1);
    grid->addWidget(m_edits[Right], 1, 2, Qt::AlignVCenter);
    grid->addWidget(m_edits[Below], 2, 1, Qt::AlignCenter);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDialog2dRange::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CDialog2dRange::reject);
    grid->addWidget(buttons, 0, 3, 3, 1);
    // Tab order: left, right, above, below.
    setTabOrder(m_edits[Left], m_edits[Right]);
    setTabOrder(m_edits[Right], m_edits[Above]);
    setTabOrder(m_edits[Above], m_edits[Below]);
    SetValues(m_values);
}

void CDialog2dRange::SetValues(const double values[4])
{
    for (int i = 0; i < 4; ++i) {
        m_values[i] = values[i];
        m_edits[i]->setText(QString::number(values[i], 'g', 15));
    }
}

void CDialog2dRange::accept()
{
    double read[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        read[i] = m_edits[i]->text().trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(read[i])) {
            ShowMessageBox("Please enter a number.", "Vellumor", MessageBoxIcon::Warning);
            m_edits[i]->setFocus();
            m_edits[i]->selectAll();
            return;
        }
    }
    std::copy(read, read + 4, m_values);
    QDialog::accept();
}
