// The 3D graph view as the graph set and the graph builders know it: its
// camera, box and parameter ranges, its spin and its render context. The
// renderer's view derives from it and draws; this class alone is the view
// of a program that cannot draw in 3D yet: it keeps its ranges and graphs,
// answers the view commands that change only its state, and draws nothing.
#pragma once

#include "graphmodel/AGraphView.h"

class RenderContext;

// A rotation by 0.3 radians about z times one by -pi/6 about y.
void DefaultViewRotation3D(double (&out)[3][3]);

class A3DGraphView : public AGraphView {
public:
    // Takes over the context (null only when memory ran out).
    explicit A3DGraphView(RenderContext* context);
    ~A3DGraphView() override;

    // Camera.
    double rotation[3][3];
    double xMin = -2, xMax = 2, yMin = -2, yMax = 2, zMin = -2, zMax = 2;
    double zoom = 1.7330909743;
    double depthRadius = 2.3;
    // Parameter ranges.
    double tMin = 0, tMax = 1, uMin = 0, uMax = 1, vMin = 0, vMax = 1;
    double rMin = 0, rMax = 2;
    double thetaMin = 0, thetaMax = 6.283185307179586;
    double phiMin = 0, phiMax = 3.141592653589793;
    // Radians per second about the unit axis.
    double spinAxis[3] = {0, 0, -1};
    double spinSpeed = 0;
    uint8_t showAxes = 1;
    RenderContext* context;

    // Camera, box and R, Theta, Phi ranges back to their defaults, spinning
    // about -z; T, U, V and the axes flag stay.
    void SetDefaultView();
    // Takes over the other view's camera, its six parameter ranges and its
    // spin.
    void CopyCameraFrom(const A3DGraphView& other);
    // The rectangle made at least 1 x 1, and the context set up for it.
    virtual void ConfigureRenderContext();
    // The context draws into an OpenGL child window of its own.
    bool UsesGLChildWindow();

    void Draw(uint8_t flag) override;
    void Resized() override {}
    // 6 and 7 reset the view (7 for a new document); zooming the box is
    // the drawing view's.
    void Zoom(int32_t code) override;
    // Starts spinning about the current axis at dy / 5 radians per second.
    void Scroll(int32_t dx, int32_t dy) override;
    void SetGraphOption(int32_t code, double value, int32_t i) override;
    void GetAxisHitRegion(Region r, int32_t reserved) override;
    void GetGraphHitRegion(Region r, int32_t reserved, ShortPoint cursor) override;
    void GetPictureRegion(Region r) override;
    bool MouseDown(const ViewMouseEvent& event) override;
    void MouseUp(ShortPoint) override {}
    void MouseMove(int32_t, int32_t) override {}
    bool IsSpinning() override { return spinSpeed != 0; }
    bool HasOwnWindow() override { return UsesGLChildWindow(); }
    bool CanExtendRangesToData() override { return false; }
    void ExtendRangesToData() override {}
    // 5 and 6 upload finished meshes and progress snapshots, 7 both; 1
    // stops the spin; 2, 3, 4 spin about x, y, -z; 17 toggles the axes.
    void SetViewOption(int32_t code, double value = 0) override;
};

// Every graph of the view gets the option (the mesh uploads 5 and 6).
void SendOptionToAllGraphs(AGraphView& view, int32_t code);
// Nothing to hit: the region is made empty.
void SetNoHitRegion(Region r);
