// The 4D graph view as the graph set and the graph builders know it: its
// x, y, z, w box, its T, U, V ranges, its rotation and the two spin steps of
// its double rotation, and its render context. The renderer's view derives
// from it and draws; this class alone keeps its state and draws nothing.
#pragma once

#include "graphmodel/AGraphView.h"

class RenderContext;
class A4DGraphView;

// The 4D view's eye frame, made afresh from the rotation at every frame.
// Graphs keep a pointer to it: they normalise their points into [-1, 1] per
// axis with the view's box and project them with Project4DPoint.
struct Projection4D {
    // rotation x (0, 0, 0, 50).
    double eye[4];
    // Unit vectors of the eye frame: a point's 3D coordinates are its
    // products with them.
    double X[4], Y[4], Z[4];
    // The unit direction from the eye to the origin.
    double D[4];
    // x, y, u (z), v (w) minimum and maximum, as at the last projection.
    double box[8];
    // depth = (point - eye) . D x depthScale + depthOffset: 0 at r before
    // the origin, 0.5 at the origin, 1 at r beyond.
    double depthScale;
    double depthOffset;
    // The view whose box a graph reads when it starts (user-interface
    // thread): a box changed since the last frame is seen at once.
    const A4DGraphView* owner;
};

class A4DGraphView : public AGraphView {
public:
    // Takes over the context (null only when memory ran out).
    explicit A4DGraphView(RenderContext* context);
    ~A4DGraphView() override;

    // Graphs hold a pointer to it.
    Projection4D projection{};
    double rotation[4][4];
    double xMin = -2, xMax = 2, yMin = -2, yMax = 2, zMin = -2, zMax = 2, wMin = -2, wMax = 2;
    double tMin = 0, tMax = 1, uMin = 0, uMax = 1, vMin = 0, vMax = 1;
    double zoom = 1.7330909743;
    double depthRadius = 2.3;
    // The double rotation: two unit axes and their speeds in radians per
    // second.
    double spinAxis1[3] = {0, 0, 0};
    double spinAxis2[3] = {0, 0, 0};
    double spinStep1 = 0, spinStep2 = 0;
    uint8_t showAxes = 1;
    uint8_t showGrid = 1;
    // 1 turns (x, y, u) with the mouse, 2 (x, y, v).
    int32_t mouseMode = 1;
    RenderContext* context;

    // Box and zoom back to their defaults, the rotation turned by -30
    // degrees in xu and then 45 degrees in xy, and the spin stopped.
    void SetDefaultView();
    void SetIdentityRotation();
    // Presets 4-7 (views xyu, xyv, xuv, yuv): the rotation made afresh from
    // plane turns, and the spin stopped.
    void ShowPreset(int32_t preset);
    // Both spin speeds 0, and the document's 4D rotation cleared.
    void StopSpin();
    // Codes 96-101 turn the rotation by value half-degrees in planes 0-5
    // (xy, xu, xv, yu, yv, uv); codes 32-37 stop the spin and, for a value
    // not 0, leave that plane turning by value half-degrees per second.
    void RotatePlane(int32_t code, double value);
    // The projection and depth radius from the rotation and the graphs.
    virtual void UpdateProjection();
    bool UsesGLChildWindow();

    void Draw(uint8_t flag) override;
    void Resized() override {}
    void Zoom(int32_t code) override;
    void Scroll(int32_t dx, int32_t dy) override;
    void SetGraphOption(int32_t code, double value, int32_t i) override;
    void GetAxisHitRegion(Region r, int32_t reserved) override;
    void GetGraphHitRegion(Region r, int32_t reserved, ShortPoint cursor) override;
    void GetPictureRegion(Region r) override;
    bool MouseDown(const ViewMouseEvent& event) override;
    void MouseUp(ShortPoint) override {}
    void MouseMove(int32_t, int32_t) override {}
    bool IsSpinning() override { return spinStep1 != 0 || spinStep2 != 0; }
    bool HasOwnWindow() override { return UsesGLChildWindow(); }
    bool CanExtendRangesToData() override { return false; }
    void ExtendRangesToData() override {}
    // 1 stops the spin; 5, 6, 7 upload meshes as in 3D; 14 shows the axes
    // for a value not 0, 15 the xy grid; 16 sets the mouse mode (1 or 2)
    // or, for 4-7, one of the preset views; 32-37 and 96-101 turn a plane
    // (RotatePlane).
    void SetViewOption(int32_t code, double value) override;
};
