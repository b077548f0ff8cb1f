// The 3D view that draws: every frame it advances its spin, sets up its
// render context for its rectangle and camera, draws its graphs and its axes
// and presents the frame. Under the mouse it turns with a virtual trackball
// (freely, or about one world axis with Shift) or zooms (Ctrl), and after a
// flick keeps spinning at the speed of the last step. The zoom commands
// scale its box with a short animation, and it can widen its box to the
// data of its data plots. User-interface thread only.
#pragma once

#include "graphmodel/A3DGraphView.h"
#include "rendering/Camera3D.h"

#include <cstdint>

class ViewRenderContext;

// x, or lo / hi when below / above them; a value that is not a number
// comes back unchanged.
double Clamp(double x, double lo, double hi);

constexpr double kMinZoom3D = 0.17330909743;
constexpr double kMaxZoom3D = 5;
// The fastest spin a drag leaves behind, radians per second.
constexpr double kMaxSpinSpeed3D = 4 * 3.141592653589793;

enum DragMode3D : int32_t { DragNone = 0, DragFree = 1, DragAboutAxis = 2, DragZoom = 3 };

class A3DDrawingView : public A3DGraphView {
public:
    // Takes over the context.
    explicit A3DDrawingView(ViewRenderContext* context);
    ~A3DDrawingView() override;
    // The graphs go first (their meshes and textures reach the context),
    // then the context.
    void Destruct();

    ViewRenderContext& Context() const;

    // The camera block the context reads, filled from the view's fields.
    Camera3D camera{};
    double lastSpinStep = 0;
    uint64_t dragTime = 0;
    uint32_t lastMoveTime = 0;
    ShortPoint lastPoint{0, 0};
    int32_t dragMode = DragNone;
    uint8_t axisChosen = 0;
    double chosenDirection[3] = {0, 0, 0};
    double zoomAtPress = 0;
    uint64_t spinClock = 0;

    // One frame; false when some graph was not ready.
    bool DrawFrame();
    void Draw(uint8_t flag) override;
    void ConfigureRenderContext() override;
    void Zoom(int32_t code) override;
    void Scroll(int32_t dx, int32_t dy) override;
    bool MouseDown(const ViewMouseEvent& event) override;
    void MouseUp(ShortPoint point) override;
    void MouseMove(int32_t h, int32_t v) override;
    bool CanExtendRangesToData() override;
    void ExtendRangesToData() override;

    void BeginDrag(ShortPoint point, bool ctrl, bool shift);
    void DragStep(ShortPoint point);
    void EndDrag();
    // Turns the camera by the spin of the time since the last frame.
    void AdvanceSpin();
    // The radius of the axes and their arrow heads in box units.
    double GetAxesExtent();
    void DrawAxes();
    void SyncCamera();

private:
    void FreeRotationStep(ShortPoint point, uint64_t now);
    bool AxisRotationStep(ShortPoint point, uint64_t now);
    // The box changed: graphs again, their meshes when ready, panels and
    // panes redrawn.
    void AfterBoxChange();
    // The union of the box and the data plots' bounds.
    void DataUnion(double (&bounds)[6]);
};

// Start-up: the graph sets make their 3D views with this class.
void Register3DDrawingViews();
