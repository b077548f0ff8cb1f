// "2D Range": the four edges of a 2D view's plotting window, each field at
// its edge of a picture of the window.
#pragma once

#include <QDialog>

class QLineEdit;

class CDialog2dRange : public QDialog {
    Q_OBJECT
public:
    // In the order the view takes them: left, right, above, below.
    enum Edge { Left, Right, Above, Below };

    explicit CDialog2dRange(QWidget* parent);

    void SetValues(const double values[4]);
    const double* Values() const { return m_values; }
    QLineEdit* Field(Edge edge) const { return m_edits[edge]; }
    // A field that holds no number is reported and keeps the dialog open.
    void accept() override;

private:
    QLineEdit* m_edits[4];
    double m_values[4] = {-10, 10, -10, 10};
};
