// The 4D panel beside the graph pane while the 4D view is shown: the axis
// cross, a menu button for the mouse mode and the four preset views, six
// plane sliders (xy, xu, yu, xv, yv, uv) and the "Show xy grid" and "Show
// axes" check boxes. Its actions go to the 4D view through the graph set's
// view options or the document's 4D rotation. User-interface thread only.
#pragma once

#include <QWidget>

#include <cstdint>

class C4DAxes;
class QCheckBox;
class QMenu;
class QToolButton;
class Slider4D;

// The menu's commands.
enum Menu4DCommand : int32_t {
    MenuMouseXYU = 34008,
    MenuMouseXYV = 34009,
    MenuViewXYU = 34010,
    MenuViewXYV = 34011,
    MenuViewXUV = 34012,
    MenuViewYUV = 34013,
};

class C4DControls : public QWidget {
    Q_OBJECT
public:
    // The panel's width in pixels.
    static constexpr int kWidth = 146;

    explicit C4DControls(QWidget* parent);

    void SetCheckStates(bool axes, bool grid);
    bool ShowsAxes() const { return m_showAxes; }
    bool ShowsGrid() const { return m_showGrid; }
    int32_t MouseMode() const { return m_mouseMode; }
    QString MenuButtonText() const;

    // One of the menu's commands, as if chosen.
    void OnMenuCommand(int32_t command);
    void OnShowAxes(bool checked);
    void OnShowXYGrid(bool checked);
    // The graph pane's idle step: the slider of the spinning plane moves one
    // picture per period of the document's spin.
    void AnimateSpinningSlider();

    // The sliders in row order: xy, xu, yu, xv, yv, uv.
    Slider4D* SliderAt(int row) const { return m_sliders[row]; }
    C4DAxes* Axes() const { return m_axes; }
    QToolButton* MenuButton() const { return m_menuButton; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnMenuButton();
    QMenu* MakeMenu();

    QToolButton* m_menuButton = nullptr;
    bool m_showAxes = true;
    bool m_showGrid = true;
    Slider4D* m_sliders[6] = {};
    C4DAxes* m_axes = nullptr;
    QCheckBox* m_axesBox = nullptr;
    QCheckBox* m_gridBox = nullptr;
    int32_t m_mouseMode = 1;
    uint64_t m_lastSliderStep = 0;
};

// The graph pane's 4D panel: its check boxes, and its idle step; nothing
// without a graph pane.
void Set4DPanelChecks(bool axes, bool grid);
void Animate4DPanelSliders();
