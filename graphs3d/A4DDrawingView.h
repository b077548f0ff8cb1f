// The 4D view that draws: every frame it advances its double-rotation spin,
// makes its projection from the rotation, draws its graphs, the xy grid and
// the four axes through a fixed 3D camera, and hands the axis cross to the
// 4D panel. Under the mouse it turns with the 4D trackball in the (x, y, u)
// or (x, y, v) embedding (Shift swaps them) or zooms (Ctrl), and a flick
// leaves it spinning. The zoom commands scale its box with two animation
// steps. User-interface thread only.
#pragma once

#include "graphmodel/A4DGraphView.h"
#include "rendering/Camera3D.h"

#include <cstdint>

class ViewRenderContext;

enum DragMode4D : int32_t { Drag4DNone = 0, Drag4DRotate = 1, Drag4DRotateSwapped = 2, Drag4DZoom = 3 };

// The five points of the 4D panel's axis cross (origin, then the x, y, u
// and v ends), as horizontal and vertical offsets; registered by the shell.
using AxisCrossHook = void (*)(const double (&positions)[5][2]);
void SetAxisCrossHook(AxisCrossHook hook);

constexpr RgbColor kGridColor4D = 0xBBBBBB;
constexpr RgbColor kAxesColor4D = 0x00FFFF;

class A4DDrawingView : public A4DGraphView {
public:
    // Takes over the context.
    explicit A4DDrawingView(ViewRenderContext* context);
    ~A4DDrawingView() override;
    // The graphs go first (their textures reach the context), then the
    // context.
    void Destruct();

    ViewRenderContext& Context() const;

    // The fixed camera: no rotation, the normalised box [-1, 1].
    Camera3D camera{};
    double lastSpinStep1 = 0, lastSpinStep2 = 0;
    uint64_t spinClock = 0;
    uint64_t dragTime = 0;
    uint32_t lastMoveTime = 0;
    ShortPoint lastPoint{0, 0};
    int32_t dragMode = Drag4DNone;
    double zoomAtPress = 0;

    // One frame; false when some graph's frame was not produced.
    bool DrawFrame();
    void Draw(uint8_t flag) override;
    // The projection from the rotation, and the depth radius from the
    // graphs' extents (at least 2.3).
    void UpdateProjection() override;
    void ComputeProjection();
    void Zoom(int32_t code) override;
    void Scroll(int32_t dx, int32_t dy) override;
    bool MouseDown(const ViewMouseEvent& event) override;
    void MouseUp(ShortPoint point) override;
    void MouseMove(int32_t h, int32_t v) override;

    void BeginDrag(ShortPoint point, bool ctrl, bool shift);
    void DragStep(ShortPoint point);
    void EndDrag();
    // Turns the rotation by the spin of the time since the last frame; the
    // spin waits while a graph computes.
    void AdvanceSpin();
    // A segment between normalised points; nothing when an end lies nearer
    // the eye than the depth range.
    bool DrawSegment4D(const double (&P)[4], const double (&Q)[4], RgbColor color);
    bool DrawAxes4D();
    // The axes' crossing: per axis the world 0 normalised, limited to
    // [-1, 1].
    void AxesOrigin(double (&out)[4]) const;

private:
    double DepthRadiusOfGraphs();
    // The box changed: graphs again, panels and panes redrawn.
    void AfterBoxChange();
};

// Start-up: the graph sets make their 4D view with this class.
void Register4DDrawingView();
