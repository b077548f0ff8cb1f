// The model of the graph pane: one per document. It owns the five graph
// views (two 2D, two 3D, one 4D), of which one is shown alone or two side
// by side; lays them out; routes drawing, the mouse, zoom and view commands
// to them; keeps one row of graphs per graphed equation and the thirteen
// range slots of the range panel; and switches the 3D and 4D views' render
// mode and mesh uploads. User-interface thread only.
//
// The 3D and 4D views are made by the layer that draws them, which
// registers its makers at start-up; until then they are the plain views of
// the graph model, which keep their state and draw nothing.
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/ShortRect.h"
#include "document/DocumentGraphSet.h"
#include "platform/WindowHandle.h"

#include <cstdint>
#include <initializer_list>

class A2DGraph;
class A2DGraphView;
class A2DInequality;
class A3DGraphView;
class A4DGraphView;
class AGraph;
class AGraphColor;
class AGraphView;
struct CompiledFormula;
struct DocState;
struct FormulaNode;
struct TransformRecord;
struct ViewMouseEvent;

struct GraphViewMakers {
    A2DGraphView* (*make2D)() = nullptr;
    A3DGraphView* (*make3D)() = nullptr;
    A4DGraphView* (*make4D)() = nullptr;
};
// Null makers make the graph model's own views.
void SetGraphViewMakers(const GraphViewMakers& makers);
const GraphViewMakers& GetGraphViewMakers();

// A graph in a view: its number is its position in the view's list.
struct GraphRef {
    AGraphView* view;
    int32_t graph;
};

// The graphs built for one statement: the main graph, its companion in the
// second view and two further companions; absent pairs have no view.
struct EquationGraphs {
    GraphRef pair[4];
};

constexpr int32_t kRangeSlotCount = 13;

// Which views GetViewRect and the which arguments mean.
enum WhichView : int32_t {
    WhichActive = 0,
    WhichSecond = 1,
    WhichBoth = 2,
};

class GraphSet : public DocumentGraphSet {
public:
    GraphSet(ShortRect layoutRect = ShortRect{0, 0, 0, 0}, WindowHandle parent = nullptr, DocState* doc = nullptr);
    ~GraphSet() override;
    GraphSet(const GraphSet&) = delete;
    GraphSet& operator=(const GraphSet&) = delete;

    // All five views exist: false only when memory for one ran out, and
    // then none is left.
    bool HasViews() const { return view4D != nullptr; }

    DocState* doc;
    A2DGraphView* views2D[2] = {};
    A3DGraphView* views3D[2] = {};
    A4DGraphView* view4D = nullptr;
    // The view shown alone or on the left; never null while the views exist.
    AGraphView* active = nullptr;
    // The view shown on the right, for statements in primed variables.
    AGraphView* second = nullptr;
    // The view that took the last press, until the release.
    AGraphView* captured = nullptr;
    ShortRect layoutRect{0, 0, 0, 0};
    uint8_t rangeUsed[kRangeSlotCount] = {};
    GrowArray<EquationGraphs> equationGraphs;
    // Graph numbers in the first 2D view of the complex-map plots.
    GrowArray<int32_t> complexMapGraphs;

    // Teardown and layout.
    void ClearAllGraphs() override;
    void SetLayoutRect(const ShortRect& r);
    // Splits the layout rectangle between the shown views: the left half
    // is the larger by a pixel, 8 pixels around and 12 between.
    void LayoutViews();
    // The views of this run (see DocumentGraphSet); builds no transform
    // plot until that plot's maker is registered.
    void BuildComplexMapViews(bool is3D, bool is4D, bool twoViews, bool secondIs3D, const TransformRecord* record,
                              DocState* doc) override;
    // After a builder added a graph to the first 2D view: under a map of
    // the plane, the transform plot redraws that graph through the map.
    void NoteComplexMapGraph(int32_t graph, const TransformRecord* record);
    // The plot of the document's map of the plane in the second 2D view:
    // the first view pulled back through it (kind 1) or carried forward
    // (kind 2); its row joins the map's line.
    void BuildMapPlot(const TransformRecord* record);
    void ResizeViews();
    void UpdateViewports() override;
    // 0 the active view's, 1 the second's, else the layout rectangle.
    void GetViewRect(ShortRect& out, int32_t which) const;

    // Drawing: part 0 the active view, 1 the second, 2 both with frames,
    // 3 the shown 2D views, 4 the shown 3D and 4D views, 5 those with their
    // own window.
    void Draw(int32_t part, int32_t flag) override;
    void RefreshGLWindows(int32_t part);
    void SyncSecondView(AGraphView* view);

    // The mouse. A press goes to the view under it (the active view when it
    // is alone); false when it lies in neither.
    bool MouseDown(const ViewMouseEvent& event);
    void MouseMove(int32_t h, int32_t v);
    void MouseUp(ShortPoint point);
    void GetAxisHitRegion(Region region, int32_t arg) override;
    void GetGraphHitRegion(Region region, int32_t arg, ShortPoint cursor) override;
    void GetViewFrameRegion(Region region);

    // Zoom codes 0-5 go to the shown views; 6 (default view) and 7 (new
    // document) to all five when which is 2.
    void Zoom(int32_t code, int32_t which) override;
    void SetViewCodes(int32_t code) override { Zoom(code, WhichBoth); }
    void SetViewOption(int32_t code, int32_t which) override;
    void Set4DViewOption(int32_t code, double value) override;
    bool AreAxesShown(int32_t which) const;
    bool IsGraphPaperShown(int32_t which) const override;
    void ClearTraces();
    void SetCurrentPicture(GlobalHandle picture) override;
    void DropPicture(int32_t view, GlobalHandle picture, ShortPoint point) override;
    bool IsViewShown(int32_t view, ShortRect* rect) override;

    // Queries.
    bool Shows2DView() const override;
    bool Shows4DView() const override;
    bool HasSecondView() const override { return second != nullptr; }
    bool Shows3DOr4DView() const override;
    bool ActiveViewHasOwnWindow() const;
    bool SecondViewHasOwnWindow() const;
    bool IsSpinning() const override;
    bool AreAllComplete() const override;
    bool IsBusy() const override;

    // Render mode (4 automatic, 1 software, 2 OpenGL child window) and
    // meshes of the shown 3D and 4D views.
    int32_t SetRenderMode(int32_t mode);
    int32_t GetRenderMode() const;
    void ReleaseRenderResources() override;
    void MarkRenderContextsDirty() override;
    bool AnyShownViewSoftware() const override;
    void UploadFinishedMeshes() override;
    void UploadPartialMeshes() override;
    void UploadAllMeshes() override;
    // Gives the graphs up to ticks (1/60 s) to finish, then uploads the
    // meshes of the views whose graphs are complete (all when forced);
    // true when every graph is complete.
    bool WaitAndUploadMeshes(int32_t ticks, bool force) override;
    // Movie frames per turn of the shown spinning views; 0 asks for the
    // count their speed gives.
    int32_t SetSpinFrames(int32_t frames);

    // The equation table. Each Add answers 0, or 1 when memory was refused
    // (the table and the views then keep their earlier rows).
    int32_t AddGraph2D(AGraph* graph, int32_t i);
    int32_t AddGraph3D(AGraph* graph, int32_t i);
    int32_t AddGraph4D(AGraph* graph);
    int32_t AddCompanion2D(AGraph* graph);
    int32_t AddCompanion3D(AGraph* graph);
    // Sends a line's style option to row i's graphs; the further
    // companions draw dark grey unless the line hides them.
    void SetEquationOption(int32_t i, int32_t code, double value) override;
    bool EquationHasResolution(int32_t i) const;
    bool EquationHasResolution(const int32_t* rows, int32_t count) override;
    int32_t GetEquationStatus(int32_t i) const override;
    bool IsEquationComplete(int32_t i) const override;
    bool IsLineMainGraph(const GrowArray<int32_t>* rows, const AGraph* graph) const;

    // The range slots.
    void MarkRangeUsed(int32_t slot);
    void MarkBoxRangesUsed(bool secondBox);
    void Mark4DRangesUsed();
    void ReportRange(int32_t slot);
    void ReportUsedRanges() override;
    // The slot's (min, max) as the range panel shows it; (0, 0) for none.
    void GetRangeValue(int32_t slot, double& min, double& max) const;
    void SetRangeValue(int32_t slot, bool isMax, double value);

    // Ranges of views.
    void SetRanges(double a, double b, double c, double d, int32_t which);
    void CopyOtherRange(int32_t i);
    bool CanExtendRangesToData() const;
    void ExtendRangesToData();
    void AllVariableChanged(uint32_t code);

    // The graph factory. One analysed statement of an equation line, with
    // the line's style, becomes the graphs of its form in the right views
    // and one equation-table row, whose index is the answer; -1 when
    // nothing was built, with the line's message in lastBuildMessage. The
    // statement stays the caller's: conditions may be folded into it,
    // parameters replaced by their values and the sides of an equation
    // exchanged, but a primed statement reads as it did. frame is unused.
    int32_t BuildEquationGraphs(FormulaNode* statement, bool in3D, bool in4D, const TransformRecord* transform,
                                double color, double grain, double opacity, double plottingMode, double xyType,
                                WindowHandle frame);
    // The MessageCode the line shows after the last BuildEquationGraphs
    // built nothing; 0 after it built a row.
    int32_t lastBuildMessage = 0;

    // A compiled formula that takes over the tree; null, the tree freed,
    // when memory is refused. CompileOptional answers null for a null tree;
    // CompileCopy compiles a copy, leaving the tree to the caller.
    CompiledFormula* Compile(FormulaNode* tree);
    CompiledFormula* CompileOptional(FormulaNode* tree);
    CompiledFormula* CompileCopy(const FormulaNode* tree);
    // The colour (kind 9 for (r, g, b), 10 for (h, s, v)) computed from the
    // three formulas of the statement's right side; r in them is the
    // distance from the origin in space and t the parameter of a curve.
    void SetColorFormulas(AGraphColor* colour, int32_t kind, const FormulaNode* statement);
    // The image of (x, y, z) under the document's map of space: the
    // record's three formulas with x', y' and z' replaced by copies of x, y
    // and z; the condition (when asked for) and the colour's formulas
    // mapped the same way.
    void MapThroughSpaceTransform(const TransformRecord* record, const FormulaNode* x, const FormulaNode* y,
                                  const FormulaNode* z, const FormulaNode* condition, AGraphColor* colour,
                                  FormulaNode** mappedX, FormulaNode** mappedY, FormulaNode** mappedZ,
                                  CompiledFormula** mappedCondition);

    // Complex-map companions in the second 2D view of the graph just added
    // to the first (its row is the last): nothing when primed is 1 or the
    // document has no map of the plane. A graph the map's kind cannot carry
    // is noted for the map's plot instead. The trees and the colour stay
    // the caller's; the companion gets copies.
    // Kind 1, by substitution: the curve y = f (x = f when variable is 1).
    void AddMappedFunctionCurve(const FormulaNode* f, int32_t primed, const AGraphColor* colour,
                                const TransformRecord* transform, int32_t plottingMode, int32_t variable);
    void AddMappedInequality(const FormulaNode* relation, int32_t primed, const AGraphColor* colour,
                             const TransformRecord* transform, int32_t plottingMode, const FormulaNode* boundary,
                             bool isEquation);
    // The boundary curve of a non-strict inequality, as pair 3 of its row.
    void AddMappedBoundary(const FormulaNode* relation, const FormulaNode* boundary, const AGraphColor* colour,
                           const TransformRecord* transform, int32_t primed, int32_t plottingMode);
    // f in x and y (z standing for x + i y).
    void AddMappedDensity(const FormulaNode* f, int32_t primed, const AGraphColor* colour,
                          const TransformRecord* transform, double grain);
    // entries: the column of three components in x and y.
    void AddMappedColorPlot(const FormulaNode* entries, const FormulaNode* extra, bool isHSV, int32_t primed,
                            const AGraphColor* colour, const TransformRecord* transform);
    // Kind 2, by mapping points: x and y in the parameter given, over the
    // range the main curve uses.
    void AddMappedParametricCurve(const TransformRecord* transform, int32_t primed, const FormulaNode* x,
                                  const FormulaNode* y, uint32_t parameter, const AGraphColor* colour, double grain,
                                  const double* rangeMin, const double* rangeMax);
    void AddMappedPoint(const TransformRecord* transform, int32_t primed, const FormulaNode* x, const FormulaNode* y,
                        const AGraphColor* colour, const FormulaNode* symbol, const FormulaNode* label,
                        const FormulaNode* fontSize);
    void AddMappedArrow(const TransformRecord* transform, int32_t primed, const FormulaNode* x1,
                        const FormulaNode* y1, const FormulaNode* x2, const FormulaNode* y2, const AGraphColor* colour);
    // The rows of a data plot: x and y of the row mapped; the conditions,
    // which test the plotted point, are given x and y of the row, so that
    // they still test the row and not its image.
    void AddMappedData2D(const TransformRecord* transform, int32_t primed, const FormulaNode* x, const FormulaNode* y,
                         const FormulaNode* conditions, const FormulaNode* radius, const FormulaNode* symbol,
                         const FormulaNode* label, const FormulaNode* fontSize, const AGraphColor* colour,
                         DocState* document);

private:
    // The companion of the kind goes ahead; under the other plane map the
    // last graph of the first view is noted instead.
    bool TakesCompanion(int32_t primed, const TransformRecord* transform, uint32_t kind);
    void AddCompanionPlot(A2DGraph* plot, std::initializer_list<CompiledFormula*> formulas, AGraphColor* colour);
    // The point (x, y) pushed through a map of kind 2, compiled.
    void CompileMappedPoint(const FormulaNode* x, const FormulaNode* y, const TransformRecord* transform,
                            CompiledFormula** mappedX, CompiledFormula** mappedY);
    A2DInequality* MappedRelation(const FormulaNode* relation, const FormulaNode* boundary, const AGraphColor* colour,
                                  const TransformRecord* transform, int32_t plottingMode, bool isEquation);
    AGraphView* View(int32_t index) const;
    bool IsValidRow(int32_t i) const;
    int32_t AddMainGraph(AGraphView* view, AGraph* graph);
    int32_t AddCompanion(AGraphView* view, AGraph* graph);
    void DestroyViews();
};

// A graph set for the pane, or null when memory for its views ran out.
GraphSet* NewGraphSet(ShortRect paneRect, WindowHandle parent, DocState* doc);
