// The equation pane window.
#pragma once

#include <QWidget>

class COndrelView : public QWidget {
    Q_OBJECT
public:
    explicit COndrelView(QWidget* parent);
    ~COndrelView() override;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
};
