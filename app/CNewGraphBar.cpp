#include "app/CNewGraphBar.h"

#include "app/COdSlider.h"
#include "app/DemoPlayer.h"
#include "app/ProgramButtons.h"
#include "editor/EquationViewServices.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace {

// The second row's buttons of one view: id, picture, tip; the menu last.
struct RowButton {
    int32_t id[2];
    int32_t picture;
    const char* tip;
};
constexpr RowButton kRow2[4] = {
    {{CNewGraphBar::IdZoomOut1, CNewGraphBar::IdZoomOut2}, 199, "Zoom out"},
    {{CNewGraphBar::IdZoomIn1, CNewGraphBar::IdZoomIn2}, 200, "Zoom in"},
    {{CNewGraphBar::IdAxes1, CNewGraphBar::IdAxes2}, 269, "Show axes"},
    {{CNewGraphBar::IdPaper1, CNewGraphBar::IdPaper2}, 272, "Show graph paper"},
};
// Offsets of the second row's buttons from the centre of their view's half.
constexpr int kRow2Offsets[5] = {-86, -63, -35, -7, 23};

void MoveDown(QWidget* widget, int dy)
{
    widget->move(widget->x(), widget->y() + dy);
}

}  // namespace

CNewGraphBar::CNewGraphBar(QWidget* parent) : QToolBar(parent), m_panel(new QWidget(this))
{
    setObjectName(QStringLiteral("GraphBar"));
    setMovable(false);
    setFloatable(false);
    setContentsMargins(0, 0, 0, 0);
    m_panel->setFixedHeight(kRowHeight);
    m_panel->setMinimumWidth(520);
    m_panel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    addWidget(m_panel);

    // Etched grooves around the zoom group and the animation group.
    const QRect grooves[2] = {QRect(QPoint(4, 6), QPoint(108, 35)), QRect(QPoint(119, 6), QPoint(519, 35))};
    for (int i = 0; i < 2; ++i) {
        m_grooves[i] = new QFrame(m_panel);
        m_grooves[i]->setFrameStyle(QFrame::Box | QFrame::Sunken);
        m_grooves[i]->setGeometry(grooves[i]);
    }
    auto bitmapButton = [this](int32_t picture, const char* tip, QRect place) {
        auto* button = new CDemoButton(m_panel);
        button->SetBitmapId(picture);
        button->setToolTip(QString::fromUtf8(tip));
        button->setGeometry(place);
        return button;
    };
    m_zoomOut = bitmapButton(199, "Zoom out", QRect(10, 11, 23, 23));
    m_zoomIn = bitmapButton(200, "Zoom in", QRect(33, 11, 23, 23));
    m_grain = new CGrainButton(m_panel);
    m_grain->setToolTip(QStringLiteral("Change Resolution"));
    m_grain->setGeometry(81, 11, 23, 23);
    m_grain->setEnabled(false);
    m_variable = new COdNoFocusButton(QStringLiteral("n"), false, m_panel);
    m_variable->setToolTip(QStringLiteral("Change Parameter Range"));
    m_variable->setGeometry(125, 11, 23, 23);
    m_play = bitmapButton(201, "Play", QRect(152, 11, 23, 23));
    m_slider = new COdSlider(IdSlider, m_panel);
    m_slider->setToolTip(QStringLiteral("Drag Slider to Change Parameter Value"));
    m_slider->setGeometry(180, 10, 175, 25);
    m_readout = new QLabel(m_panel);
    m_readout->move(366, 14);
    m_graph = new COdNoFocusButton(QStringLiteral("Graph"), true, m_panel);
    m_graph->setGeometry(435, 11, 80, 23);
    m_stopDemo = new COdNoFocusButton(QStringLiteral("Stop Demo"), false, m_panel);
    m_stopDemo->setGeometry(405, 11, 110, 23);
    m_stopDemo->hide();
    m_stopDemo->setEnabled(false);
    for (int32_t view = 0; view < 2; ++view) {
        for (int i = 0; i < 4; ++i) {
            CDemoButton* button = bitmapButton(kRow2[i].picture, kRow2[i].tip, QRect(0, 11, 23, 23));
            const int32_t id = kRow2[i].id[view];
            connect(button, &QAbstractButton::clicked, this, [this, id] { emit CommandClicked(id); });
            m_row2[view][i] = button;
        }
        auto* menu = new CMenuBitmapButton(view, m_panel);
        menu->move(0, 11);
        connect(menu, &QAbstractButton::pressed, this, [this, menu] { ShowViewMenu(menu); });
        m_row2[view][4] = menu;
        for (QAbstractButton* button : m_row2[view])
            button->hide();
    }
    SetSliderMinValue(0);
    SetSliderMaxValue(m_slider->maximum() - 1);

    auto forward = [this](QAbstractButton* button, int32_t id) {
        connect(button, &QAbstractButton::clicked, this, [this, id] { emit CommandClicked(id); });
    };
    forward(m_zoomOut, IdZoomOut);
    forward(m_zoomIn, IdZoomIn);
    forward(m_variable, IdVariable);
    connect(m_play, &QAbstractButton::clicked, this, [this] {
        Qt::KeyboardModifiers mods = QGuiApplication::queryKeyboardModifiers();
        emit AnimateClicked(mods & Qt::ControlModifier, mods & Qt::ShiftModifier);
    });
    connect(m_graph, &QAbstractButton::clicked, this, [this] {
        m_graph->setEnabled(false);
        emit GraphClicked();
    });
    connect(m_stopDemo, &QAbstractButton::clicked, this, &CNewGraphBar::StopDemoClicked);
    // The grain button opens its slider on the press, so that the slider
    // follows the pointer until the release.
    connect(m_grain, &QAbstractButton::pressed, this, [this] {
        m_grain->setDown(false);
        OpenGrainSlider(m_panel->mapFromGlobal(QCursor::pos()).x());
    });
    connect(m_slider, &COdSlider::Moved, this, [this](int32_t id, int32_t position) {
        emit StopAnimationRequested();
        OnSliderMoved(id, position);
        emit DrawGraphRequested();
    });
}

QSize CNewGraphBar::CalcFixedLayout() const
{
    return {32767, m_twoRows ? 2 * kRowHeight : kRowHeight};
}

QAbstractButton* CNewGraphBar::Button(int32_t id) const
{
    switch (id) {
    case IdZoomOut: return m_zoomOut;
    case IdZoomIn: return m_zoomIn;
    case IdGrain: return m_grain;
    case IdVariable: return m_variable;
    case IdPlay: return m_play;
    case IdGraph: return m_graph;
    case IdStopDemo: return m_stopDemo;
    case IdMenu1: return m_row2[0][4];
    case IdMenu2: return m_row2[1][4];
    default:
        for (int32_t view = 0; view < 2; ++view)
            for (const RowButton& row : kRow2)
                if (row.id[view] == id)
                    return m_row2[view][&row - kRow2];
        return nullptr;
    }
}

void CNewGraphBar::SetNavEnabled(bool enabled)
{
    if (m_navEnabled == static_cast<int32_t>(enabled))
        return;
    m_navEnabled = enabled;
    for (QWidget* button : {static_cast<QWidget*>(m_zoomOut), static_cast<QWidget*>(m_zoomIn),
                            static_cast<QWidget*>(m_graph)})
        button->setEnabled(enabled);
}

void CNewGraphBar::EnableGraphButton(bool enabled)
{
    m_graph->setEnabled(enabled);
}

void CNewGraphBar::SetTwoRows(bool twoRows)
{
    if (twoRows == m_twoRows)
        return;
    m_twoRows = twoRows;
    const int dy = twoRows ? kRowHeight : -kRowHeight;
    for (QWidget* widget : {static_cast<QWidget*>(m_grooves[0]), static_cast<QWidget*>(m_grooves[1]),
                            static_cast<QWidget*>(m_grain), static_cast<QWidget*>(m_zoomIn),
                            static_cast<QWidget*>(m_zoomOut), static_cast<QWidget*>(m_play),
                            static_cast<QWidget*>(m_variable), static_cast<QWidget*>(m_graph),
                            static_cast<QWidget*>(m_stopDemo), static_cast<QWidget*>(m_slider),
                            static_cast<QWidget*>(m_readout)})
        MoveDown(widget, dy);
    for (auto& view : m_row2)
        for (QAbstractButton* button : view) {
            button->setVisible(twoRows);
            button->setEnabled(true);
        }
    m_panel->setFixedHeight(CalcFixedLayout().height());
    if (twoRows)
        LayoutSecondRow();
}

void CNewGraphBar::LayoutSecondRow()
{
    // Each view's group stays centred on its half of the frame.
    const int w = parentWidget() ? parentWidget()->width() : width();
    const int centres[2] = {w / 4, w / 4 + w / 2};
    for (int32_t view = 0; view < 2; ++view)
        for (int i = 0; i < 5; ++i)
            m_row2[view][i]->move(m_panel->mapFrom(this, QPoint(centres[view] + kRow2Offsets[i], 0)).x(), 11);
}

void CNewGraphBar::resizeEvent(QResizeEvent* event)
{
    QToolBar::resizeEvent(event);
    if (m_twoRows)
        LayoutSecondRow();
}

void CNewGraphBar::SetAnimateState(bool playing)
{
    if (playing == m_animating)
        return;
    m_animating = playing;
    m_play->SetBitmapIdOnly(playing ? 202 : 201);
    m_play->setToolTip(playing ? QStringLiteral("Stop animation") : QStringLiteral("Play"));
}

void CNewGraphBar::ShowStopDemo(bool running)
{
    m_graph->setVisible(!running);
    m_stopDemo->setVisible(running);
    m_stopDemo->setEnabled(running);
}

void CNewGraphBar::ShowReadout(bool shown)
{
    if (shown == m_readoutShown)
        return;
    m_readoutShown = shown;
    m_slider->setEnabled(shown);
    DrawSliderReadout();
    if (!IsDemoRunning())
        FocusCurrentEditor();
}

void CNewGraphBar::EnableGrain(bool enabled)
{
    m_grainEnabled = enabled;
    m_grain->setEnabled(enabled);
    m_grain->SetLevel(m_grain->Level(), true);
}

void CNewGraphBar::SetGrainValue(double grain)
{
    if (!std::isfinite(grain))
        return;
    m_grain->SetStoredPosition(static_cast<int32_t>(std::clamp(grain, 0.0, 1.0) * 12));
    m_grain->SetLevel(CGrainButton::LevelOfGrain(grain));
}

void CNewGraphBar::OpenGrainSlider(int32_t pointerX)
{
    if (!m_grain->isEnabled() || IsDemoRunning() || m_grain->Popup())
        return;
    auto* popup = new CGrainSlider(m_panel);
    m_grain->SetPopup(popup);
    // The current value lies under the pointer.
    const int x = pointerX - 10 - m_grain->StoredPosition() * 80 / 12;
    popup->setGeometry(x, m_twoRows ? 65 : 20, 100, 25);
    popup->setAutoFillBackground(true);
    connect(popup, &COdSlider::Moved, this, &CNewGraphBar::OnSliderMoved);
    connect(popup, &CGrainSlider::Finished, this, [this, popup] {
        m_grain->SetPopup(nullptr);
        popup->deleteLater();
        FocusCurrentEditor();
    });
    popup->show();
    popup->raise();
    popup->SetPos(6, true);
    popup->BeginTracking();
}

void CNewGraphBar::OnSliderMoved(int32_t id, int32_t position)
{
    if (id == IdSlider)
        DrawSliderReadout();
    else if (id == CGrainSlider::kId)
        m_grain->SetLevel(CGrainButton::LevelOfGrain(position / 12.0));
    emit SliderMoved(id, position);
}

void CNewGraphBar::SetSliderMinValue(double value)
{
    m_min = value;
    DrawSliderReadout();
}

void CNewGraphBar::SetSliderMaxValue(double value)
{
    m_max = value;
    DrawSliderReadout();
}

void CNewGraphBar::SetSliderSteps(int32_t count)
{
    const int32_t position = m_slider->GetPos();
    const int32_t steps = std::max(count, 0);
    {
        const QSignalBlocker quiet(m_slider);
        m_slider->setRange(0, steps);
    }
    m_slider->SetPos(std::min(position, steps), false);
    OnSliderMoved(IdSlider, m_slider->GetPos());
}

int32_t CNewGraphBar::SliderSteps() const
{
    return m_slider->maximum();
}

void CNewGraphBar::SetSliderPos(int32_t position)
{
    if (position > m_slider->maximum()) {
        const QSignalBlocker quiet(m_slider);
        m_slider->setMaximum(position);
    }
    m_slider->SetPos(position, false);
    OnSliderMoved(IdSlider, m_slider->GetPos());
}

int32_t CNewGraphBar::GetSliderPos() const
{
    return m_slider->GetPos();
}

double CNewGraphBar::GetSliderValue() const
{
    const int32_t steps = SliderSteps();
    if (steps <= 0)
        return m_min;
    return m_min + (m_max - m_min) * GetSliderPos() / steps;
}

void CNewGraphBar::SetSliderVariableText(const QString& text)
{
    m_variable->setText(text);
}

int32_t CNewGraphBar::ZoomPicture(bool in, bool ctrl, bool shift)
{
    if (ctrl)
        return in ? 303 : 309;
    if (shift)
        return in ? 308 : 310;
    return in ? 200 : 199;
}

void CNewGraphBar::UpdateZoomButtons(bool ctrl, bool shift, bool shows2D, bool activeIs2D, bool secondIs2D)
{
    auto show = [&](QAbstractButton* out, QAbstractButton* in, bool modified) {
        static_cast<COdXPStyleButton*>(in)->SetBitmapIdOnly(ZoomPicture(true, modified && ctrl, modified && shift));
        static_cast<COdXPStyleButton*>(out)->SetBitmapIdOnly(ZoomPicture(false, modified && ctrl, modified && shift));
    };
    show(m_zoomOut, m_zoomIn, shows2D);
    show(m_row2[0][0], m_row2[0][1], m_twoRows && activeIs2D);
    show(m_row2[1][0], m_row2[1][1], m_twoRows && secondIs2D);
}

int32_t CNewGraphBar::ReadoutDecimals(double minimum, double maximum, int32_t steps)
{
    const double span = maximum - minimum;
    // A step count of 0 (or a span no integer holds) cannot be tested for
    // multiples.
    if (steps <= 0 || !std::isfinite(span) || std::fabs(span) >= 1e15)
        return 2;
    const int64_t n = static_cast<int64_t>(span);
    if (span == static_cast<double>(n) && n % steps == 0)
        return 0;
    if ((10 * n) % steps == 0)
        return 1;
    return 2;
}

QString CNewGraphBar::ReadoutText() const
{
    return QString::number(GetSliderValue(), 'f', ReadoutDecimals(m_min, m_max, SliderSteps()));
}

void CNewGraphBar::DrawSliderReadout()
{
    m_readout->setText(m_readoutShown ? ReadoutText() : QString());
    m_readout->adjustSize();
}

QMenu* CNewGraphBar::BuildViewMenu(int32_t view, QWidget* parent) const
{
    const GraphBarViewMenuState state = m_menuState ? m_menuState(view) : GraphBarViewMenuState{};
    auto* menu = new QMenu(parent);
    const struct {
        int32_t id;
        const char* text;
        bool enabled;
        int checked;  // -1 not checkable
    } items[] = {
        {IdResetGraph, "Reset graph", true, -1},
        {IdSetRange, "Set Range...", state.is2D, -1},
        {IdCopyOtherRange, "Copy Other Range", state.sameKindAsOther, -1},
        {IdCopyGraph, "Copy Graph", true, -1},
        {IdSaveMovie, "Save as Movie...", state.canSaveMovie, -1},
        {0, nullptr, false, -1},
        {IdDrawAxes, "Draw Axes", true, state.axesShown},
        {IdDrawPaper, "Draw Graph Paper", true, state.paperShown},
    };
    for (const auto& item : items) {
        if (!item.id) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(item.text));
        action->setData(item.id);
        action->setEnabled(item.enabled);
        if (item.checked >= 0) {
            action->setCheckable(true);
            action->setChecked(item.checked);
        }
    }
    return menu;
}

void CNewGraphBar::ShowViewMenu(CMenuBitmapButton* button)
{
    button->setDown(false);
    QPointer<QMenu> menu = BuildViewMenu(button->View(), this);
    // Centred on the button.
    const QPoint centre = button->mapToGlobal(button->rect().center());
    QAction* chosen = menu->exec(centre - QPoint(menu->sizeHint().width() / 2, menu->sizeHint().height() / 2));
    const int32_t id = chosen ? chosen->data().toInt() : 0;
    delete menu;
    if (id)
        emit ViewMenuCommand(button->View(), id);
}
