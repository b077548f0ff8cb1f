// The small view switches kept with the document: graph paper, the paper
// background of the 3D and 4D views, antialiasing, a view's reset, and the
// spin of the 4D view's planes.
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "drawing/TypesetDCScope.h"

namespace {

const DocumentHooks& Hooks()
{
    return GetDocumentHooks();
}

void RedrawGraphPane(DocState* doc)
{
    if (Hooks().redrawGraphPane)
        Hooks().redrawGraphPane(doc);
}

// The 4D view's code for turning a plane once rather than setting it spinning.
constexpr int32_t kTurnPlaneOnce = 0x40;

// Slot 0 shows the first 2D view as the active view; slot 1 the second 2D
// view as the second view.
bool SlotShows2D(DocumentGraphSet* graphs, int32_t slot)
{
    ShortRect unused;
    return graphs->IsViewShown(slot == 0 ? FirstView2D : SecondView2D, &unused);
}

}  // namespace

void DocState::Set4DRotationSpeed(int32_t plane, double speed)
{
    if (Graphs)
        Graphs->Set4DViewOption(plane, speed);
    rotationPlane4D = plane;
    rotationPeriod4D = speed == 0 ? 0 : 1 / speed;
    if (Hooks().updateIdleTimer)
        Hooks().updateIdleTimer(this);
}

void DocState::Rotate4DBy(int32_t plane, double angle)
{
    if (Graphs)
        Graphs->Set4DViewOption(plane | kTurnPlaneOnce, angle);
}

void DocState::Clear4DRotation()
{
    rotationPeriod4D = 0;
    spin4D[0] = spin4D[1] = 0;
}

bool DocState::IsGraphPaperShown(int32_t which) const
{
    DocumentGraphSet* graphs = Graphs;
    if (!graphs)
        return HasPaperBackground();
    if (which == 0 || !graphs->HasSecondView()) {
        if (SlotShows2D(graphs, 0))
            return graphs->IsGraphPaperShown(0);
    } else if (which == 1) {
        if (SlotShows2D(graphs, 1))
            return graphs->IsGraphPaperShown(1);
    } else {
        return false;
    }
    return HasPaperBackground();
}

void DocState::TogglePaperBackground()
{
    if (HasPaperBackground()) {
        BackgroundType = 0;
    } else {
        const DocumentPreferences* preferences = Hooks().preferences ? Hooks().preferences() : nullptr;
        BackgroundType = preferences && preferences->backgroundType == 2 ? 2 : 1;
    }
    // A software frame keeps its background in the render resources.
    if (Graphs && Graphs->AnyShownViewSoftware())
        Graphs->ReleaseRenderResources();
    // The background is saved with the document.
    if (Hooks().setDocModified)
        Hooks().setDocModified(true);
    RedrawGraphPane(this);
}

void DocState::ToggleGraphPaper(int32_t which)
{
    constexpr int32_t kGraphPaperOption = 18;
    if (!Graphs)
        return;
    if (which == 0 || which == 1) {
        if (SlotShows2D(Graphs, which))
            Graphs->SetViewOption(kGraphPaperOption, which);
        else
            TogglePaperBackground();
        return;
    }
    if (Graphs->Shows2DView())
        Graphs->SetViewOption(kGraphPaperOption, which);
    if (Graphs->Shows3DOr4DView())
        TogglePaperBackground();
}

void DocState::ToggleAntialiasing()
{
    UseAntialiasing = !UseAntialiasing;
    if (Hooks().antialiasingChanged)
        Hooks().antialiasingChanged(this);
    else
        RedrawGraphPane(this);
}

void DocState::ResetGraphView(int32_t which)
{
    constexpr int32_t kDefaultView = 6;
    if (Graphs) {
        // The 2D views measure their axis labels.
        TypesetDCScope typeset(true);
        Graphs->Zoom(kDefaultView, which);
    }
    ClearPanelEditedMarks();
    RedrawGraphPane(this);
    if (Hooks().redrawEquationPane)
        Hooks().redrawEquationPane();
}
