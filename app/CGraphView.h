// The graph pane window.
#pragma once

#include <QWidget>

class CGraphView : public QWidget {
    Q_OBJECT
public:
    explicit CGraphView(QWidget* parent);
};
