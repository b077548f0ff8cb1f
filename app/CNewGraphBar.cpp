#include "app/CNewGraphBar.h"

#include <QLabel>
#include <QLocale>
#include <QSlider>

#include <algorithm>

namespace {

constexpr int kReadoutDigits = 6;

QString Readout(double value)
{
    return QLocale::system().toString(value, 'g', kReadoutDigits);
}

}  // namespace

CNewGraphBar::CNewGraphBar(QWidget* parent)
    : QToolBar(parent),
      m_minLabel(new QLabel(Readout(0), this)),
      m_slider(new QSlider(Qt::Horizontal, this)),
      m_maxLabel(new QLabel(Readout(10), this))
{
    setObjectName(QStringLiteral("GraphBar"));
    m_slider->setRange(0, 100);
    addWidget(m_minLabel);
    addWidget(m_slider);
    addWidget(m_maxLabel);
}

void CNewGraphBar::SetSliderMinValue(double value)
{
    m_min = value;
    m_minLabel->setText(Readout(value));
    m_minLabel->repaint();
}

void CNewGraphBar::SetSliderMaxValue(double value)
{
    m_max = value;
    m_maxLabel->setText(Readout(value));
    m_maxLabel->repaint();
}

void CNewGraphBar::SetSliderSteps(int32_t count)
{
    // QSlider keeps its value inside a new range.
    m_slider->setRange(0, std::max(count, 0));
}

int32_t CNewGraphBar::SliderSteps() const
{
    return m_slider->maximum();
}
