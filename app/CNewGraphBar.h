// The graph tool bar: the animation slider with its readout of the range.
#pragma once

#include <QToolBar>

#include <cstdint>

class QLabel;
class QSlider;

class CNewGraphBar : public QToolBar {
    Q_OBJECT
public:
    explicit CNewGraphBar(QWidget* parent);

    // The minimum or maximum the readout shows.
    void SetSliderMinValue(double value);
    void SetSliderMaxValue(double value);
    // The slider's step count; its position stays inside the range.
    void SetSliderSteps(int32_t count);

    double SliderMinValue() const { return m_min; }
    double SliderMaxValue() const { return m_max; }
    int32_t SliderSteps() const;

private:
    QLabel* m_minLabel;
    QSlider* m_slider;
    QLabel* m_maxLabel;
    double m_min = 0;
    double m_max = 10;
};
