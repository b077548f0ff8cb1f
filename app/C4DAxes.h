// The 4D panel's axis cross: how the four axes x, y, u and v of the 4D view
// currently project, drawn from the centre of a white square with each
// axis's letter beyond its end. The 4D view sets the positions at every
// frame.
#pragma once

#include <QFont>
#include <QWidget>

class C4DAxes : public QWidget {
    Q_OBJECT
public:
    explicit C4DAxes(QWidget* parent);

    // Origin, then the x, y, u and v ends, as horizontal and vertical
    // offsets in the view's normalised units; the shown cross is painted
    // again (after the frame that set them).
    static void SetPositions(const double (&positions)[5][2]);
    static const double (&Positions())[5][2];

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont m_font;
};
