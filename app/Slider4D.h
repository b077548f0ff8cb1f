// One rotation slider of the 4D panel: a ridged wheel 89 x 10 pixels that
// turns its plane of the 4D view by half a degree per pixel dragged and,
// without Shift, leaves the plane spinning at the rate of the drag. Eight
// pictures show the wheel turning. User-interface thread only.
#pragma once

#include <QWidget>

#include <cstdint>

class Slider4D : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 89;
    static constexpr int kHeight = 10;
    static constexpr int kPictures = 8;

    // code: the plane's spin code, 32-37.
    Slider4D(int32_t code, QWidget* parent);

    int32_t PlaneCode() const { return m_code; }
    int32_t Value() const { return m_position; }
    // The picture position p wrapped into 0-7; repaints.
    void SetValue(int32_t p);

    // The mouse at client x; shift: the Shift key is held.
    void OnLButtonDown(int32_t x, bool shift);
    void OnMouseMove(int32_t x, bool shift);

    QSize sizeHint() const override { return QSize(kWidth, kHeight); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    int32_t m_position = 0;
    int32_t m_lastX = 0;
    uint32_t m_lastMoveTime = 0;
    uint64_t m_lastMoveMicroseconds = 0;
    int32_t m_code;
};

// Picture p of the wheel (0-7), the same for every slider.
const QImage& Slider4DPicture(int32_t p);
