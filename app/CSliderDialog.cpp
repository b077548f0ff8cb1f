#include "app/CSliderDialog.h"

#include "platform/MessageBox.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QRegularExpressionValidator>

#include <cmath>

CSingleAlphaEdit::CSingleAlphaEdit(QWidget* parent) : QLineEdit(parent)
{
    setMaxLength(1);
    // Pasted text obeys the same rule as typed text.
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Za-z]?")), this));
}

void CSingleAlphaEdit::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    const bool character = text.size() == 1 && text[0].isPrint();
    if (character && !IsAccepted(text[0]))
        return event->accept();
    QLineEdit::keyPressEvent(event);
}

namespace {

// The value of a field as a number; false when it holds none.
bool ReadNumber(const QLineEdit* edit, double& value)
{
    bool ok = false;
    value = edit->text().trimmed().toDouble(&ok);
    return ok && std::isfinite(value);
}

QString Shown(double value)
{
    return QString::number(value, 'g', 15);
}

}  // namespace

CSliderDialog::CSliderDialog(QWidget* parent)
    : QDialog(parent),
      m_lowestEdit(new QLineEdit(this)),
      m_highestEdit(new QLineEdit(this)),
      m_stepsEdit(new QLineEdit(this)),
      m_variableEdit(new CSingleAlphaEdit(this))
{
    setWindowTitle(QStringLiteral("Slider Values"));
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Lowest Value"), m_lowestEdit);
    form->addRow(QStringLiteral("Highest Value"), m_highestEdit);
    form->addRow(QStringLiteral("Number of Steps"), m_stepsEdit);
    form->addRow(QStringLiteral("Variable name"), m_variableEdit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSliderDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSliderDialog::reject);
    form->addRow(buttons);
    SetValues(m_steps, m_lowest, m_highest, m_variable);
}

void CSliderDialog::SetValues(int32_t steps, double lowest, double highest, const QString& variable)
{
    m_steps = steps;
    m_lowest = lowest;
    m_highest = highest;
    m_variable = variable.left(1);
    m_stepsEdit->setText(QString::number(steps));
    m_lowestEdit->setText(Shown(lowest));
    m_highestEdit->setText(Shown(highest));
    m_variableEdit->setText(m_variable);
    m_lowestEdit->setFocus();
    m_lowestEdit->end(false);
}

QLineEdit* CSliderDialog::Field(int32_t id) const
{
    switch (id) {
    case 1027: return m_lowestEdit;
    case 1030: return m_highestEdit;
    case 1033: return m_stepsEdit;
    case 1035: return m_variableEdit;
    default: return nullptr;
    }
}

bool CSliderDialog::ReadFields()
{
    auto refuse = [](QLineEdit* edit, const char* text) {
        ShowMessageBox(text, "Vellumor", MessageBoxIcon::Warning);
        edit->setFocus();
        edit->selectAll();
        return false;
    };
    bool ok = false;
    const int steps = m_stepsEdit->text().trimmed().toInt(&ok);
    if (!ok || steps < kMinSteps || steps > kMaxSteps)
        return refuse(m_stepsEdit, "Please enter an integer between 1 and 500.");
    double lowest = 0;
    double highest = 0;
    if (!ReadNumber(m_lowestEdit, lowest) || std::fabs(lowest) > kValueLimit)
        return refuse(m_lowestEdit, "Please enter a number between -500 and 500.");
    if (!ReadNumber(m_highestEdit, highest) || std::fabs(highest) > kValueLimit)
        return refuse(m_highestEdit, "Please enter a number between -500 and 500.");
    m_steps = steps;
    m_lowest = lowest;
    m_highest = highest;
    m_variable = m_variableEdit->text().left(1);
    return true;
}

void CSliderDialog::accept()
{
    if (!ReadFields())
        return;
    if (m_highest < m_lowest) {
        std::swap(m_lowest, m_highest);
        m_lowestEdit->setText(Shown(m_lowest));
        m_highestEdit->setText(Shown(m_highest));
    }
    QDialog::accept();
}
