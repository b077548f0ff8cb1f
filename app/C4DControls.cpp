#include "app/C4DControls.h"

#include "CoreUtilities/Clock.h"
#include "app/C4DAxes.h"
#include "app/CGraphView.h"
#include "app/GraphPaneServices.h"
#include "app/Slider4D.h"
#include "document/DocState.h"
#include "document/DocumentGraphSet.h"
#include "editor/EquationViewServices.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

struct PlaneRow {
    const char* label;
    int32_t code;
    const char* tip;
};

// Rows top to bottom.
const PlaneRow kRows[6] = {
    {"xy:", 32, "Rotate xy Plane"}, {"xu:", 33, "Rotate xu Plane"}, {"yu:", 35, "Rotate yu Plane"},
    {"xv:", 34, "Rotate xv Plane"}, {"yv:", 36, "Rotate yv Plane"}, {"uv:", 37, "Rotate uv Plane"},
};

struct MenuItem {
    int32_t command;
    const char* text;
};

const MenuItem kMenu[6] = {
    {MenuMouseXYU, "Mouse: (xyu)'"},          {MenuMouseXYV, "Mouse: (xyv)'"},
    {MenuViewXYU, "View xyu (Re f(x+iy))"},   {MenuViewXYV, "View xyv (Im f(x+iy))"},
    {MenuViewXUV, "View xuv"},                {MenuViewYUV, "View yuv"},
};

// View option codes of the 4D view.
constexpr int32_t kOptionAxes = 14, kOptionGrid = 15, kOptionMouse = 16;

void SendViewOption(int32_t code, double value)
{
    DocState* doc = GetDocState();
    if (doc && doc->Graphs)
        doc->Graphs->Set4DViewOption(code, value);
}

}  // namespace

C4DControls::C4DControls(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FourDPanel"));
    setAutoFillBackground(true);
    setFixedWidth(kWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(6);

    m_axes = new C4DAxes(this);
    m_axes->setFixedSize(kWidth - 20, kWidth - 20);
    layout->addWidget(m_axes);

    m_menuButton = new QToolButton(this);
    m_menuButton->setObjectName(QStringLiteral("MouseMenuButton"));
    m_menuButton->setText(QString::fromLatin1(kMenu[0].text));
    m_menuButton->setArrowType(Qt::NoArrow);
    m_menuButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_menuButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_menuButton, &QToolButton::clicked, this, &C4DControls::OnMenuButton);
    layout->addWidget(m_menuButton);

    auto* frame = new QGroupBox(this);
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setVerticalSpacing(8);
    for (int row = 0; row < 6; ++row) {
        grid->addWidget(new QLabel(QString::fromLatin1(kRows[row].label), frame), row, 0);
        m_sliders[row] = new Slider4D(kRows[row].code, frame);
        m_sliders[row]->setToolTip(QString::fromLatin1(kRows[row].tip));
        grid->addWidget(m_sliders[row], row, 1);
    }
    layout->addWidget(frame);

    m_gridBox = new QCheckBox(QStringLiteral("Show xy grid"), this);
    m_axesBox = new QCheckBox(QStringLiteral("Show axes"), this);
    m_gridBox->setChecked(true);
    m_axesBox->setChecked(true);
    connect(m_gridBox, &QCheckBox::toggled, this, &C4DControls::OnShowXYGrid);
    connect(m_axesBox, &QCheckBox::toggled, this, &C4DControls::OnShowAxes);
    layout->addWidget(m_gridBox);
    layout->addWidget(m_axesBox);
    layout->addStretch(1);
}

void C4DControls::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The cross stays square within the panel's width.
    const int side = std::max(10, std::min(width(), height()) - 20);
    m_axes->setFixedSize(side, side);
}

QString C4DControls::MenuButtonText() const
{
    return m_menuButton->text();
}

void C4DControls::SetCheckStates(bool axes, bool grid)
{
    m_showAxes = axes;
    m_showGrid = grid;
    // Only the user's clicks are sent on to the view.
    const QSignalBlocker blockAxes(m_axesBox), blockGrid(m_gridBox);
    m_axesBox->setChecked(axes);
    m_gridBox->setChecked(grid);
}

void C4DControls::OnShowAxes(bool checked)
{
    m_showAxes = checked;
    SendViewOption(kOptionAxes, checked ? 1 : 0);
}

void C4DControls::OnShowXYGrid(bool checked)
{
    m_showGrid = checked;
    SendViewOption(kOptionGrid, checked ? 1 : 0);
}

QMenu* C4DControls::MakeMenu()
{
    auto* menu = new QMenu(this);
    for (int i = 0; i < 6; ++i) {
        if (i == 2)
            menu->addSeparator();
        QAction* action = menu->addAction(QString::fromLatin1(kMenu[i].text));
        action->setData(kMenu[i].command);
        if (i < 2) {
            action->setCheckable(true);
            action->setChecked(m_mouseMode == i + 1);
        }
    }
    return menu;
}

void C4DControls::OnMenuButton()
{
    QMenu* menu = MakeMenu();
    QAction* chosen = menu->exec(m_menuButton->mapToGlobal(QPoint(0, 0)));
    const int32_t command = chosen ? chosen->data().toInt() : 0;
    menu->deleteLater();
    if (command)
        OnMenuCommand(command);
}

void C4DControls::OnMenuCommand(int32_t command)
{
    switch (command) {
    case MenuMouseXYU:
    case MenuMouseXYV:
        m_mouseMode = command == MenuMouseXYU ? 1 : 2;
        SendViewOption(kOptionMouse, m_mouseMode);
        m_menuButton->setText(QString::fromLatin1(kMenu[m_mouseMode - 1].text));
        break;
    case MenuViewXYU:
    case MenuViewXYV:
    case MenuViewXUV:
    case MenuViewYUV:
        // Presets 4-7; the mouse mode stays.
        SendViewOption(kOptionMouse, 4 + (command - MenuViewXYU));
        break;
    default: return;
    }
    InvalidateGraphPane();
}

void C4DControls::AnimateSpinningSlider()
{
    DocState* doc = GetDocState();
    if (!doc)
        return;
    const int32_t plane = doc->rotationPlane4D;
    const double period = doc->rotationPeriod4D;
    if (plane < 32 || plane > 37 || period == 0 || !std::isfinite(period))
        return;
    const uint64_t now = ClockMicroseconds();
    if ((now - m_lastSliderStep) * 1e-6 < std::fabs(period))
        return;
    for (Slider4D* slider : m_sliders) {
        if (slider->PlaneCode() == plane)
            slider->SetValue(slider->Value() + (period > 0 ? 1 : -1));
    }
    m_lastSliderStep = now;
    update();
}

void Set4DPanelChecks(bool axes, bool grid)
{
    if (CGraphView* pane = GetGraphView(); pane && pane->FourDPanel())
        pane->FourDPanel()->SetCheckStates(axes, grid);
}

void Animate4DPanelSliders()
{
    if (CGraphView* pane = GetGraphView(); pane && pane->FourDPanel())
        pane->FourDPanel()->AnimateSpinningSlider();
}
