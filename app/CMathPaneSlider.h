// The small horizontal slider that the equation pane shows under a line that
// defines a slider variable over a range.
#pragma once

#include <QSlider>

#include <cstdint>

class CMathPaneSlider : public QSlider {
    Q_OBJECT
public:
    // A tab-stop slider without tick marks, range 0 to 200.
    CMathPaneSlider(const QRect& rect, QWidget* parent);

    // Moves the position down to the new maximum first, so that the position
    // never lies outside the range, even for an observer of the move.
    void SetRangeMax(int32_t steps);
    int32_t Steps() const { return m_steps; }
    // The line's flag that the equation pane passes on with every move.
    void SetMode(int32_t mode) { m_mode = mode; }
    int32_t Mode() const { return m_mode; }

private:
    int32_t m_steps = 200;
    int32_t m_mode = 0;
};
