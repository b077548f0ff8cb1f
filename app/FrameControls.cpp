#include "app/FrameControls.h"
#include "app/COndrelApp.h"
#include "app/COndrelDoc.h"
#include "app/MovieRecorder.h"

#include "app/CDialog2dRange.h"
#include "app/CGraphView.h"
#include "app/CKeyPalette.h"
#include "app/CMainFrame.h"
#include "app/CNewGraphBar.h"
#include "app/COdSlider.h"
#include "app/CSliderDialog.h"
#include "app/CommandTable.h"
#include "app/DemoPlayer.h"
#include "document/DocState.h"
#include "document/DocumentFileHooks.h"
#include "document/DocumentHooks.h"
#include "editor/COndrelView.h"
#include "editor/EquationViewServices.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/GraphSet.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QSettings>

namespace {

GraphSet* Graphs()
{
    return dynamic_cast<GraphSet*>(GetDocState()->Graphs);
}

// The view of a view index: 0 the active view, 1 the second.
AGraphView* ViewAt(const GraphSet* graphs, int32_t view)
{
    return view == 0 ? graphs->active : graphs->second;
}

bool Is2DView(const GraphSet* graphs, const AGraphView* view)
{
    return view && (view == graphs->views2D[0] || view == graphs->views2D[1]);
}

// Redraws the zoom pictures when Ctrl or Shift goes down or up anywhere.
class ModifierWatch : public QObject {
public:
    explicit ModifierWatch(CMainFrame* frame) : QObject(frame), m_frame(frame) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Control || key == Qt::Key_Shift)
                m_frame->UpdateZoomButtons();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    CMainFrame* m_frame;
};

// The last ranges entered per view index (0, 1, both), for the whole run.
double lastRanges[3][4] = {{-10, 10, -10, 10}, {-10, 10, -10, 10}, {-10, 10, -10, 10}};

}  // namespace

void CMainFrame::ConnectGraphBar()
{
    CNewGraphBar* bar = m_graphBar;
    QCoreApplication::instance()->installEventFilter(new ModifierWatch(this));
    connect(bar, &CNewGraphBar::CommandClicked, this, &CMainFrame::OnGraphBarCommand);
    connect(bar, &CNewGraphBar::ViewMenuCommand, this, &CMainFrame::OnGraphBarViewCommand);
    connect(bar, &CNewGraphBar::AnimateClicked, this, [this](bool ctrl, bool shift) {
        if (!IsCommandEnabled(32788, ReadCommandContext(this)))
            return;
        GetDocState()->AnimateGraph(ctrl, shift);
        ::UpdateGraphBar();
    });
    connect(bar, &CNewGraphBar::GraphClicked, this, [this] {
        if (m_graphView)
            m_graphView->DrawGraph();
    });
    connect(bar, &CNewGraphBar::StopDemoClicked, this, &CMainFrame::StopDemo);
    connect(bar, &CNewGraphBar::StopAnimationRequested, this, &CMainFrame::StopAnimation);
    connect(bar, &CNewGraphBar::SliderMoved, this, &CMainFrame::OnGraphBarSliderMoved);
    connect(bar, &CNewGraphBar::DrawGraphRequested, this, [this] { RunCommand(32795); }, Qt::QueuedConnection);
    // Documents keep the slider's position only while there is a slider.
    DocumentFileHooks& file = GetDocumentFileHooks();
    file.getAnimationSliderValue = [] {
        CMainFrame* frame = GetMainFrame();
        return frame && frame->GraphBar() ? frame->GraphBar()->GetSliderPos() : 0;
    };
    file.setAnimationSliderPos = [](int32_t position) {
        if (CMainFrame* frame = GetMainFrame(); frame && frame->GraphBar())
            frame->GraphBar()->SetSliderPos(position);
    };
    connect(bar, &QObject::destroyed, [] {
        GetDocumentFileHooks().getAnimationSliderValue = nullptr;
        GetDocumentFileHooks().setAnimationSliderPos = nullptr;
    });
    bar->SetViewMenuState([](int32_t view) {
        GraphBarViewMenuState state;
        const GraphSet* graphs = Graphs();
        if (!graphs)
            return state;
        const AGraphView* mine = ViewAt(graphs, view);
        const AGraphView* other = ViewAt(graphs, 1 - view);
        state.axesShown = graphs->AreAxesShown(view);
        state.paperShown = graphs->IsGraphPaperShown(view);
        state.canSaveMovie = CanSaveMovie();
        state.is2D = Is2DView(graphs, mine);
        state.sameKindAsOther = other && Is2DView(graphs, other) == state.is2D;
        return state;
    });
}

void CMainFrame::OnGraphBarCommand(int32_t id)
{
    const Qt::KeyboardModifiers mods = QGuiApplication::queryKeyboardModifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    GraphSet* graphs = Graphs();
    switch (id) {
    case CNewGraphBar::IdZoomOut: RunCommand(32794); break;
    case CNewGraphBar::IdZoomIn: RunCommand(32793); break;
    case CNewGraphBar::IdVariable: RunCommand(32787); break;
    case CNewGraphBar::IdZoomIn1:
    case CNewGraphBar::IdZoomIn2:
    case CNewGraphBar::IdZoomOut1:
    case CNewGraphBar::IdZoomOut2: {
        const bool in = id == CNewGraphBar::IdZoomIn1 || id == CNewGraphBar::IdZoomIn2;
        const int32_t view = id >= CNewGraphBar::IdZoomIn2 ? 1 : 0;
        if (m_graphView)
            m_graphView->ZoomViews(ZoomCode(in, ctrl, shift), view);
        break;
    }
    case CNewGraphBar::IdAxes1: OnGraphBarViewCommand(0, CNewGraphBar::IdDrawAxes); break;
    case CNewGraphBar::IdAxes2: OnGraphBarViewCommand(1, CNewGraphBar::IdDrawAxes); break;
    case CNewGraphBar::IdPaper1: OnGraphBarViewCommand(0, CNewGraphBar::IdDrawPaper); break;
    case CNewGraphBar::IdPaper2: OnGraphBarViewCommand(1, CNewGraphBar::IdDrawPaper); break;
    default: break;
    }
    (void)graphs;
    FocusCurrentEditor();
}

void CMainFrame::OnGraphBarViewCommand(int32_t view, int32_t id)
{
    GraphSet* graphs = Graphs();
    if (!graphs || !m_graphView)
        return;
    switch (id) {
    case CNewGraphBar::IdResetGraph: m_graphView->ZoomViews(6, view); break;
    case CNewGraphBar::IdSetRange: RunSet2DRangeDialog(view); break;
    case CNewGraphBar::IdCopyOtherRange: graphs->CopyOtherRange(view); break;
    case CNewGraphBar::IdCopyGraph: m_graphView->CopyToClipboard(view); break;
    case CNewGraphBar::IdSaveMovie:
        if (COndrelDoc* document = GetApp() ? GetApp()->Document() : nullptr)
            document->SaveAsWithDialog(true, view);
        break;
    case CNewGraphBar::IdDrawAxes: graphs->SetViewOption(17, view); break;
    case CNewGraphBar::IdDrawPaper: graphs->SetViewOption(18, view); break;
    default: break;
    }
    m_graphView->update();
}

void CMainFrame::OnGraphBarSliderMoved(int32_t id, int32_t position)
{
    DocState* doc = GetDocState();
    if (id == CNewGraphBar::IdSlider)
        doc->SetAnimationPosition(position);
    else if (id == CGrainSlider::kId)
        doc->SetLineGrain(position / 12.0);
}

void CMainFrame::StopAnimation()
{
    GetDocState()->StopAnimation();
    if (m_graphBar)
        m_graphBar->SetAnimateState(false);
}

void CMainFrame::RunSet2DRangeDialog(int32_t view)
{
    GraphSet* graphs = Graphs();
    if (!graphs || view < 0 || view > 2)
        return;
    CDialog2dRange dialog(this);
    dialog.SetValues(lastRanges[view]);
    if (dialog.exec() == QDialog::Accepted) {
        const double* v = dialog.Values();
        graphs->SetRanges(v[0], v[1], v[2], v[3], view);
        std::copy(v, v + 4, lastRanges[view]);
        if (m_graphView)
            m_graphView->update();
    }
    FocusCurrentEditor();
}

void CMainFrame::OnSliderValues()
{
    if (!m_graphBar)
        return;
    DocState* doc = GetDocState();
    CSliderDialog dialog(this);
    dialog.SetValues(m_graphBar->SliderSteps(), m_graphBar->SliderMinValue(), m_graphBar->SliderMaxValue(),
                     QString(QLatin1Char(m_animationVariable)));
    if (dialog.exec() == QDialog::Accepted) {
        m_graphBar->SetSliderMinValue(dialog.Lowest());
        m_graphBar->SetSliderMaxValue(dialog.Highest());
        m_graphBar->SetSliderSteps(dialog.Steps());
        doc->SliderMin = dialog.Lowest();
        doc->SliderMax = dialog.Highest();
        doc->SliderSteps = static_cast<int16_t>(dialog.Steps());
        const QString variable = dialog.Variable();
        if (!variable.isEmpty() && variable[0].toLatin1() != m_animationVariable) {
            doc->SliderVariable = static_cast<uint8_t>(variable[0].toLatin1());
            SetAnimationVariable(variable[0].toLatin1());
        }
        doc->SyncAnimationValue();
        doc->Recompute();
        m_graphBar->DrawSliderReadout();
    }
    FocusCurrentEditor();
}

void CMainFrame::UpdateZoomButtons()
{
    const GraphSet* graphs = Graphs();
    if (!m_graphBar)
        return;
    const Qt::KeyboardModifiers mods = QGuiApplication::queryKeyboardModifiers();
    m_graphBar->UpdateZoomButtons(mods & Qt::ControlModifier, mods & Qt::ShiftModifier,
                                  graphs && graphs->Shows2DView() && IsGraphPaneShown(),
                                  graphs && graphs->active && graphs->active == graphs->views2D[0],
                                  graphs && graphs->second && graphs->second == graphs->views2D[1]);
}

void CMainFrame::UpdateGraphBar()
{
    if (!m_graphBar)
        return;
    DocState* doc = GetDocState();
    const GraphSet* graphs = Graphs();
    const bool demo = IsDemoRunning();
    m_graphBar->SetNavEnabled(IsGraphPaneShown());
    m_graphBar->SetTwoRows(graphs && graphs->second);
    m_graphBar->EnableGraphButton(doc->CanDrawGraph());
    m_graphBar->SetAnimateState(doc->IsAnimating());
    m_graphBar->ShowStopDemo(demo);
    // The animation controls.
    const bool usesSlider = doc->AnyLineUsesSliderVariable();
    m_graphBar->Button(CNewGraphBar::IdPlay)->setEnabled(usesSlider);
    m_graphBar->ShowReadout(usesSlider);
    const bool resolution = !demo && IsGraphPaneShown() && doc->CurrentLineHasResolution();
    m_graphBar->EnableGrain(resolution);
    if (resolution)
        m_graphBar->SetGrainValue(doc->Lines[doc->currentLine].Grain);
}

bool CMainFrame::CreateKeyPalette()
{
    m_keyPalette = new (std::nothrow) CKeyPalette(this);
    if (!m_keyPalette || !m_keyPalette->CreatePalette(QStringLiteral("Key Palette")))
        return false;
    m_keyPalette->SetEditWindow(m_equationView);
    m_keyPalette->SetAnimationVariableKeyText(QString(QLatin1Char(m_animationVariable)));
    connect(m_keyPalette, &CKeyPalette::KeyCommand, this, &CMainFrame::OnKeyPaletteCommand);
    connect(m_keyPalette, &CKeyPalette::HideRequested, this, &CMainFrame::HideKeyPalette);
    return true;
}

void CMainFrame::OnKeyPaletteCommand(int32_t code)
{
    if (m_equationView)
        m_equationView->DoKeypadCommand(code);
}

bool CMainFrame::IsKeyPaletteShown() const
{
    return m_keyPalette && m_keyPalette->isVisible();
}

void CMainFrame::HideKeyPalette()
{
    if (m_keyPalette)
        m_keyPalette->hide();
    QSettings(QStringLiteral("Kestrane"), QStringLiteral("Vellumor")).setValue(QStringLiteral("KeypadVisible"), 0);
}

void CMainFrame::OnShowKeypad()
{
    if (!m_keyPalette)
        return;
    if (m_keyPalette->isVisible())
        return HideKeyPalette();
    m_keyPalette->show();
    QSettings(QStringLiteral("Kestrane"), QStringLiteral("Vellumor")).setValue(QStringLiteral("KeypadVisible"), 1);
}

void UpdateGraphBar()
{
    if (CMainFrame* frame = GetMainFrame())
        frame->UpdateGraphBar();
}

void RegisterFrameControlServices()
{
    DocumentHooks& hooks = GetDocumentHooks();
    hooks.updateGraphBar = &UpdateGraphBar;
    hooks.refreshAnimationControls = &UpdateGraphBar;
    hooks.setAnimationSliderPosition = [](int32_t position) {
        if (CMainFrame* frame = GetMainFrame(); frame && frame->GraphBar())
            frame->GraphBar()->SetSliderPos(position);
    };
}
