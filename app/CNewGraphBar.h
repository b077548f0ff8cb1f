// The graph tool bar across the top of the frame: zoom and resolution
// buttons, the animation slider with its variable button, value readout and
// play button, Graph and Stop Demo, and, while the graph pane shows two
// views, a second row of per-view buttons. The bar keeps no document state
// of its own: the frame feeds it and hears its signals.
#pragma once

#include <QToolBar>

#include <cstdint>
#include <functional>

class CDemoButton;
class CGrainButton;
class CMenuBitmapButton;
class COdNoFocusButton;
class COdSlider;
class QAbstractButton;
class QFrame;
class QLabel;
class QMenu;

// What a view's pop-up menu shows.
struct GraphBarViewMenuState {
    bool axesShown = false;
    bool paperShown = false;
    bool canSaveMovie = false;
    bool sameKindAsOther = false;  // both shown views 2D, or both not
    bool is2D = false;
};

class CNewGraphBar : public QToolBar {
    Q_OBJECT
public:
    // Control ids of the main row, the second row and the view menus.
    enum : int32_t {
        IdZoomOut = 1008, IdZoomIn = 1026, IdGrain = 1041, IdVariable = 1025, IdPlay = 1023,
        IdSlider = 1021, IdGraph = 1124, IdStopDemo = 1125,
        IdZoomIn1 = 1065, IdZoomOut1 = 1066, IdPaper1 = 1067, IdAxes1 = 1068, IdMenu1 = 1069,
        IdZoomIn2 = 1070, IdZoomOut2 = 1071, IdPaper2 = 1072, IdAxes2 = 1073, IdMenu2 = 1074,
        IdResetGraph = 1075, IdSetRange = 1076, IdCopyOtherRange = 1077, IdCopyGraph = 1078,
        IdSaveMovie = 1079, IdDrawAxes = 1080, IdDrawPaper = 1081,
    };
    static constexpr int kRowHeight = 45;

    explicit CNewGraphBar(QWidget* parent);

    // Width 32767 (all the frame gives) and 45, or 90 with two rows.
    QSize CalcFixedLayout() const;
    // Zoom out, zoom in and Graph together, when the value changes.
    void SetNavEnabled(bool enabled);
    void EnableGraphButton(bool enabled);
    void SetTwoRows(bool twoRows);
    bool IsTwoRows() const { return m_twoRows; }
    void SetAnimateState(bool playing);
    // Stop Demo in place of Graph while a demonstration runs.
    void ShowStopDemo(bool running);
    // The slider and its readout are active (some line uses the variable).
    void ShowReadout(bool shown);
    void EnableGrain(bool enabled);
    void SetGrainValue(double grain);

    void SetSliderMinValue(double value);
    void SetSliderMaxValue(double value);
    double SliderMinValue() const { return m_min; }
    double SliderMaxValue() const { return m_max; }
    // The range 0..count; the position stays at most count and is reported.
    void SetSliderSteps(int32_t count);
    int32_t SliderSteps() const;
    // Widens the range to reach position, moves there and reports it.
    void SetSliderPos(int32_t position);
    int32_t GetSliderPos() const;
    double GetSliderValue() const;
    void SetSliderVariableText(const QString& text);

    // The zoom pictures for the modifier keys held: shows2D, the pane shows a
    // 2D view; activeIs2D, the active view is the first 2D view; secondIs2D,
    // the second view is the second 2D view.
    void UpdateZoomButtons(bool ctrl, bool shift, bool shows2D, bool activeIs2D, bool secondIs2D);
    static int32_t ZoomPicture(bool in, bool ctrl, bool shift);
    // The readout shows the slider value with these decimals.
    static int32_t ReadoutDecimals(double minimum, double maximum, int32_t steps);
    void DrawSliderReadout();
    QString ReadoutText() const;

    // A view's pop-up menu asks the frame what to show.
    void SetViewMenuState(std::function<GraphBarViewMenuState(int32_t view)> state) { m_menuState = std::move(state); }
    // Builds the pop-up of a view's menu button (enabled and checked by state).
    QMenu* BuildViewMenu(int32_t view, QWidget* parent) const;
    QAbstractButton* Button(int32_t id) const;
    COdSlider* Slider() const { return m_slider; }
    CGrainButton* GrainButton() const { return m_grain; }
    QLabel* Readout() const { return m_readout; }
    // Opens the pop-up resolution slider under a pointer at bar x.
    void OpenGrainSlider(int32_t pointerX);

signals:
    // A button whose work the frame does (zoom, slider values, the second row).
    void CommandClicked(int32_t id);
    // A command of view's pop-up menu.
    void ViewMenuCommand(int32_t view, int32_t id);
    void AnimateClicked(bool ctrl, bool shift);
    void GraphClicked();
    void StopDemoClicked();
    // The user drags the animation slider: stop the animation first.
    void StopAnimationRequested();
    // A slider (animation 1021, resolution 137) stands at position.
    void SliderMoved(int32_t id, int32_t position);
    void DrawGraphRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnSliderMoved(int32_t id, int32_t position);
    void LayoutSecondRow();
    void ShowViewMenu(CMenuBitmapButton* button);

    QWidget* m_panel;
    QFrame* m_grooves[2];
    CDemoButton* m_zoomOut;
    CDemoButton* m_zoomIn;
    CGrainButton* m_grain;
    COdNoFocusButton* m_variable;
    CDemoButton* m_play;
    COdSlider* m_slider;
    QLabel* m_readout;
    COdNoFocusButton* m_graph;
    COdNoFocusButton* m_stopDemo;
    // Per view: zoom out, zoom in, axes, graph paper, menu.
    QAbstractButton* m_row2[2][5];
    std::function<GraphBarViewMenuState(int32_t)> m_menuState;
    int32_t m_navEnabled = -1;
    bool m_animating = false;
    bool m_twoRows = false;
    bool m_readoutShown = true;
    bool m_grainEnabled = false;
    double m_min = 0;
    double m_max = 10;
};
