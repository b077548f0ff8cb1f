// A two-pane splitter that turns between stacked (first pane above) and side
// by side (first pane left) without re-creating its panes; either pane may
// collapse to nothing.
#pragma once

#include <QSplitter>

class CHVSplitterWnd : public QSplitter {
    Q_OBJECT
public:
    explicit CHVSplitterWnd(QWidget* parent);

    bool IsSideBySide() const { return orientation() == Qt::Horizontal; }
    // Both keep the first pane's extent: a pane 150 high becomes 150 wide.
    void SetSideBySide();
    void SetStacked();
    // Exchanges the pane's width and height, keeping its top-left corner.
    void TransposePane(int row, int column);

    // The first pane's height when stacked, its width side by side.
    int FirstPaneExtent() const;
    // Gives the first pane that extent, the rest to the second.
    void SetFirstPaneExtent(int extent);
    // The extent along the splitter's axis that the two panes share.
    int SharedExtent() const;

    // Collapse a pane that its owner no longer shows; true when it changed.
    bool CollapseFirstPane(bool firstShown);
    bool CollapseSecondPane(bool secondShown);

private:
    void Turn(Qt::Orientation to);
};
