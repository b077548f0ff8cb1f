// The 2D graph view: a rectangle of the graph pane that shows a list of 2D
// plots over world coordinates. The view keeps two mappings: the screen
// mapping of its own pixels, and the drawing mapping the plots compute and
// draw with, which is the screen mapping doubled onto a surface of twice the
// size while the document antialiases. Units per 16 pixels step on the
// lattice {0.5, 1, 2.5} x 10^k; the tick kind names the phase.
//
// Hit tests evaluate formulas and may take long, so they run as jobs on the
// single-job thread; the view hands the job over in its own fields and reads
// the answer from them.
#pragma once

#include "CoreUtilities/ShortRect.h"
#include "CoreUtilities/SingleJob.h"
#include "graphmodel/AGraphView.h"
#include "graphs2d/NearestPointResult.h"
#include "graphs2d/PictureList.h"
#include "graphs2d/TraceInfo.h"
#include "graphs2d/ViewMapping.h"

#include <cstddef>
#include <cstdint>

class A2DGraph;
class AGraphColor;
struct OffscreenSurface;

// The phase of an axis's units on the lattice: kind 2 with 0.5 x 10^k (ticks
// every 4 units), kind 5 with 10^k (every 5 units), kind 1 with 2.5 x 10^k
// (every 4 units). Ticks thus fall at 1, 2 or 5 times a power of ten.
enum TickKind : int32_t {
    TickKind1 = 1,
    TickKind2 = 2,
    TickKind5 = 5,
};

enum DragMode : int32_t {
    DragNone = 0,
    DragTrace = 1,
    DragPan = 2,
    DragPicture = 3,
    DragZoomBox = 4,
};

// What RunJob does.
enum JobKind : int32_t {
    JobTraceStep = 0,
    JobRetrace = 1,
    JobHitGraphs = 2,
    JobHitPoints = 3,
};

// The view options the 2D view answers; 5, 6 and 7 are the 3D views' mesh
// uploads and are ignored.
enum ViewOption2D : int32_t {
    ViewOptionToggleAxes = 17,
    ViewOptionToggleGraphPaper = 18,
};

class A2DGraphView : public AGraphView, public SingleJobTarget {
public:
    A2DGraphView();
    ~A2DGraphView() override;

    // Ranges of the curve parameters shown in this view; parametric and
    // polar curves read them through pointers.
    double tMin = 0, tMax = 1;
    double rMin = 0, rMax = 2;
    double thetaMin = 0, thetaMax = 6.283185307179586;
    // World units per 16 pixels.
    double unitsX = 0.25, unitsY = 0.25;
    // Pixel column of world x = 0 and row of world y = 0; pixels per unit
    // (scaleY negative).
    double originX = 0, originY = 0;
    double scaleX = 64, scaleY = -64;
    // World x at the left column and world y at the bottom row.
    double xMin = -2, yMin = -2;
    int32_t tickKindX = TickKind1, tickKindY = TickKind1;
    // The plots hold pointers to it for their whole lives.
    ViewMapping drawMapping;
    ViewMapping screenMapping;
    TraceInfo trace;
    // Index in graphs of the graph traced or hit.
    int32_t tracedGraph = 0;
    // The view's image when a drag started.
    OffscreenSurface* dragImage = nullptr;
    // Where a zoom box started or the pixel of the last trace step;
    // (-32768, -32768) for none.
    ShortPoint dragPoint{-32768, -32768};
    // The single job: its pixel, kind and answers.
    ShortPoint jobPoint{};
    uint8_t jobUnchanged = 0;
    uint8_t jobPointMoved = 0;
    int32_t jobKind = JobTraceStep;
    uint8_t jobResult = 0;
    int32_t dragMode = DragNone;
    uint8_t showAxes = 1;
    uint8_t showGraphPaper = 1;
    PictureList pictures;
    int32_t movingPicture = 0;
    // The pointer at the last press or move of a drag.
    ShortPoint lastPoint{0, 0};
    int64_t lastFrameMicros = 0;
    // The double-size surface of antialiased drawing, and the size it was
    // made for; it only grows.
    OffscreenSurface* supersampleSurface = nullptr;
    int32_t supersampleWidth = 0, supersampleHeight = 0;

    // Graph i as a 2D plot: the graph set adds nothing else to a 2D view.
    A2DGraph* Plot(int32_t i) const;

    // World 0 in the middle of the view at 64 pixels per unit, ticks every
    // unit; the polar ranges back to their defaults.
    void SetDefaultView();
    // Scale and origin from the units, xMin, yMin and the rectangle.
    void UpdateScaleAndOrigin();
    // Both mappings from the scale, origin and rectangle.
    void UpdateMappings();
    // Zoom codes: 0 in on both axes, 1 in on x, 2 in on y, 3 out on both,
    // 4 out on x, 5 out on y. One step on the lattice.
    void StepUnits(int32_t code);
    void StepUnitsX(int32_t code);
    void StepUnitsY(int32_t code);
    // The coarsest units at which [a, b] fits the view, the interval centred;
    // nothing changes when it fits already. Equal, infinite or NaN ends
    // leave the axis as it is.
    void FitRangeX(double a, double b);
    void FitRangeY(double a, double b);
    // Moves the ranges by less than a pixel so that ticks land on whole
    // pixels. The mappings are left for the caller to refresh.
    void SnapRangesToTicks();
    // Shows x0..x1 by y0..y1 (each pair in either order) and restarts the
    // graphs.
    void SetRanges(double x0, double x1, double y0, double y1);
    // Widens the view's rectangle to every plot's data bounds: with apply,
    // shows it (and answers false); without, answers whether it differs.
    bool FitRangesToData(bool apply);
    void StopGraphs();
    // Places a copy of the picture centred on the pane point (the view's
    // middle without one); a failed copy places nothing.
    void PlacePicture(PictureHandle picture, const ShortPoint* point);
    void ScrollGraphs(int32_t dx, int32_t dy);
    // Waits up to half a second for the graphs to complete.
    void WaitForGraphs();

    void Resized() override;
    void SetGraphOption(int32_t code, double value, int32_t i) override;
    void SetViewOption(int32_t code, double value = 0) override;
    bool CanExtendRangesToData() override { return FitRangesToData(false); }
    void ExtendRangesToData() override { FitRangesToData(true); }

    // Draws the view into the current port: paper, the plots (those of
    // subset, indices into graphs, when given), axes with ticks and labels,
    // the placed pictures. A colour sets the axes' colour; a hidden one asks
    // for the plots alone on a plain background. Without drawGraphs only
    // the background and axes. Answers true.
    bool Render(const GrowArray<int32_t>* subset, const AGraphColor* color, bool drawGraphs);
    void Draw(uint8_t flag) override;
    void DrawGraphPaper();
    // The paper of the double-size surface, lines two pixels wide.
    void DrawGraphPaperDoubled();
    void DrawAxes(const AGraphColor* color);
    void DrawXAxis();
    void DrawXTicks();
    void DrawXTickLabels();
    void DrawYAxis();
    void DrawYTicks();
    void DrawYTickLabels();
    // Where the axes are drawn: world 0, held 6 pixels inside the view (18
    // above the bottom, for the labels, and 7 from the right); an axis held
    // at a bound is drawn dotted.
    int32_t XAxisRow() const;
    int32_t YAxisColumn() const;
    bool XAxisHeld() const;
    bool YAxisHeld() const;

    // The trace overlay: cross-hair through the traced pixel (broken around
    // the marker), the traced vector, the marker and the readout box; none
    // for no trace and for a dragged point.
    void DrawTraceOverlay();
    // The 9 x 9 square around the traced pixel (the interval's box for an
    // interval trace), within the view; empty outside it.
    ShortRect GetTraceMarkerRect() const;
    void DrawTraceCrossHair(const ShortRect& marker);
    void DrawTraceMarker(const ShortRect& marker);
    void DrawTraceVector();
    void DrawTraceReadout();

    // Zoom codes 0-5 step the units about the trace point (the axes'
    // crossing without a usable trace) in five frames; 6 the default view;
    // 7 the view of a new document.
    void Zoom(int32_t code) override;
    // Arrow keys: three pixels a step.
    void Scroll(int32_t dx, int32_t dy) override;
    // The whole view when wholeView is set.
    void GetAxisHitRegion(Region r, int32_t wholeView) override;
    void GetGraphHitRegion(Region r, int32_t wholeView, ShortPoint cursor) override;
    void GetPictureRegion(Region r) override;
    // True when the press started nothing.
    bool MouseDown(const ViewMouseEvent& event) override;
    void MouseUp(ShortPoint point) override;
    void MouseMove(int32_t h, int32_t v) override;

    // Where a press grabs the view: rows about the x axis, columns about the
    // y axis, within the view.
    ShortRect GetXAxisBand() const;
    ShortRect GetYAxisBand() const;
    bool IsOnAxisBand(ShortPoint p) const;
    // Moves the view's window by whole pixels (dx to the right in world x,
    // dy downwards), snaps it to the ticks and lets the plots shift what
    // they hold.
    void Pan(int32_t dx, int32_t dy);
    // A drag step: the graph follows the pointer; outside the view the view
    // scrolls on by a quarter of the distance, at most 20 pixels a step.
    void PanStep(ShortPoint point, ShortPoint previous);
    void EndPan();
    void BeginZoomBox(ShortPoint point);
    void TrackZoomBox(ShortPoint point, ShortPoint start);
    void ShowZoomBox(ShortPoint p, ShortPoint q);
    void DrawZoomBox(ShortPoint p, ShortPoint q);
    // A box of at least a pixel each way becomes the view's ranges.
    void EndZoomBox(ShortPoint point, ShortPoint start);
    // The view's image without the trace, kept while a drag draws over it.
    void CaptureDragImage();
    void SetGrabCursor();
    void MovePicture(ShortPoint point, ShortPoint previous);
    // A picture dragged out of the view is removed.
    void EndMovePicture();
    // Picture i's pixel rectangle (its bottom-left corner at its world
    // position).
    ShortRect PictureRect(int32_t i) const;

    // Tracing: a trace step at the pointer runs as a single job; the readout
    // and cross-hair are drawn over the captured image.
    void BeginTrace();
    void TraceStep(ShortPoint point);
    void EndTrace();
    void TraceJob();
    void RefreshTraceOverlay();
    // A trace whose lines no longer cross the view is dropped.
    void DropTraceIfOffView();
    bool IsTracePixelInView() const;
    // Moves the trace onto a crossing with another graph within 4 pixels.
    void SnapToIntersection();
    bool FindIntersection(NearestPointResult traced, NearestPointResult other, int32_t otherIndex);

    // The job routine, run on the single-job thread by jobKind. A result
    // found while SingleJobOverdue is raised is void.
    void RunJob() override;

    // Finds the graph under the pixel: first the points and arrows, then the
    // curves, then the fills, each from the last graph to the first. The
    // graph found becomes tracedGraph. False when the job is overdue.
    bool HitTestGraphs(ShortPoint point);
    // The points and arrows alone.
    bool HitTestPoints(ShortPoint point);
    // The hit tests run as single jobs; user-interface thread.
    bool HitTestOnJobThread(ShortPoint point);
    bool HitTestPointsOnJobThread(ShortPoint point);

private:
    // The drawing mapping is doubled: the document antialiases and a
    // surface of twice the view's size exists to draw into.
    bool Supersamples() const;
    void GraphPaperPhases(int32_t& phaseX, int32_t& phaseY) const;
    void DrawPlots(const GrowArray<int32_t>* subset);
    bool RunHitJob(ShortPoint point, int32_t kind);
    bool HitTestPasses(ShortPoint point, int passes);
};

// The plot turns by more than about 37 degrees at the nearest point: an
// intersection found there cannot be trusted.
bool HasSharpBend(const NearestPointResult& result);

// True, with failure 37 posted, when ticks at the step cannot be told apart
// near the value: the axis then gets no ticks or labels.
bool IsBeyondPrecision(double value, double step);
// Paper over r of the current port: lines every 16 pixels through the
// phases, or (doubled) two pixels wide every 32, which halve to one.
void DrawGraphPaperPattern(const ShortRect& r, int32_t phaseX, int32_t phaseY, bool doubled);

constexpr int32_t kReadoutLines = 6;
constexpr size_t kReadoutLineUnits = 128;
// The readout's lines for the trace, by its kind; answers their count.
int32_t TraceReadoutLines(const TraceInfo& trace, char16_t lines[kReadoutLines][kReadoutLineUnits]);
