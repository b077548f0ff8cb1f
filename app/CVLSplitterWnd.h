// The splitter that holds the equation pane and the graph pane.
#pragma once

#include <QSplitter>

class CVLSplitterWnd : public QSplitter {
    Q_OBJECT
public:
    explicit CVLSplitterWnd(QWidget* parent);
};
