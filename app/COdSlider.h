// The program's horizontal slider: reports its position as it moves, keeps
// its position while it has no window yet, and leaves the mouse to an
// unpaused demonstration. CGrainSlider is the graph bar's pop-up slider of
// the resolution, which follows the pointer while the button is held.
#pragma once

#include <QSlider>

#include <cstdint>

class COdSlider : public QSlider {
    Q_OBJECT
public:
    COdSlider(int32_t id, QWidget* parent);

    int32_t Id() const { return m_id; }
    // With notify the new position is reported (Moved) at once.
    void SetPos(int32_t position, bool notify);
    int32_t GetPos() const { return value(); }
    // The range 0 to count - 1.
    void SetRangeMax(int32_t count);
    int32_t GetRangeCount() const { return maximum() + 1; }

signals:
    // The slider (id) stands at position: a drag, a key, or a SetPos with notify.
    void Moved(int32_t id, int32_t position);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int32_t m_id;
};

class CGrainSlider : public COdSlider {
    Q_OBJECT
public:
    static constexpr int32_t kId = 137;
    static constexpr int32_t kPositions = 13;
    explicit CGrainSlider(QWidget* parent);

    // The position for a pointer at client x: min(w, x) / w x 12, w the
    // channel's width, x taken as 0 when negative.
    int32_t PositionAt(int32_t x) const;
    // Follows the pointer until the button is released.
    void BeginTracking();

signals:
    void Finished();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
