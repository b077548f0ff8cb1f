// The graph set as the document and the panes drive it. The graph model
// derives its graph set from this record; every operation here answers as a
// set without graphs or views, so that the document works without one.
#pragma once

#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/ShortRect.h"
#include "document/GraphOptions.h"
#include "platform/Region.h"

#include <cstdint>

struct DocState;
struct TransformRecord;

// The views a picture can be placed in.
enum GraphSetView : int32_t {
    FirstView2D = 0,
    SecondView2D = 1,
};

class DocumentGraphSet {
public:
    virtual ~DocumentGraphSet();

    // Draws the views the part code selects (0 the active view, 1 the second
    // view, 2 both with their frames, 3 the shown 2D views, 4 the shown 3D
    // and 4D views, 5 the shown views that own a GL window) into their
    // drawing surfaces.
    virtual void Draw(int32_t part, int32_t flag);
    // Fills g with the union of the shown views' axis-drag zones.
    virtual void GetAxisHitRegion(Region g, int32_t reserved);
    // Fills g with the union of the shown views' graph-grab zones for the cursor point.
    virtual void GetGraphHitRegion(Region g, int32_t reserved, ShortPoint cursor);
    // The active or the second view spins.
    virtual bool IsSpinning() const;

    // Deletes every graph and empties the equation table.
    virtual void ClearAllGraphs();
    // Sends a graph option with its value to the graph of that number.
    virtual void SetEquationOption(int32_t graph, int32_t option, double value);
    // Gives the graphs up to ticks (1/60 s) to finish; true when all are
    // complete.
    virtual bool WaitAndUploadMeshes(int32_t ticks, bool force);
    // The 3D and 4D render contexts choose their mode again at the next frame.
    virtual void MarkRenderContextsDirty();
    // The picture graphs take for colour code 999 (null: none).
    virtual void SetCurrentPicture(GlobalHandle picture);
    // Places a picture in the view, centred at the point (pane pixels).
    virtual void DropPicture(int32_t view, GlobalHandle picture, ShortPoint point);
    // Some graph of the list (equation-table rows) takes the Grain setting.
    virtual bool EquationHasResolution(const int32_t* graphs, int32_t count);
    // The line's rows (count entries, may be null) are one row whose main
    // graph, in the first 2D view, is the graph.
    virtual bool IsLineMainGraph(const int32_t* rows, int32_t count, int32_t graph);
    // Every graph is told that the variable (a key) changed.
    virtual void AllVariableChanged(uint32_t code);
    // Every view gets the view code (7: back to its default range).
    virtual void SetViewCodes(int32_t code);
    // The view is shown where a picture can go: the first 2D view as the
    // active view, the second 2D view as the second view; its rectangle.
    virtual bool IsViewShown(int32_t view, ShortRect* rect);

    // Graph building. At the start of each run: empties the equation table,
    // chooses and lays out the shown views for the four layout flags and
    // the transform record, and makes the views agree on parameter ranges.
    virtual void BuildComplexMapViews(bool is3D, bool is4D, bool twoViews, bool secondIs3D,
                                      const TransformRecord* record, DocState* doc);
    virtual bool AreAllComplete() const;
    // Some graph still computes, or a view spins.
    virtual bool IsBusy() const;
    virtual void UpdateViewports();
    virtual void ReleaseRenderResources();
    virtual void UploadFinishedMeshes();
    virtual void UploadPartialMeshes();
    virtual void UploadAllMeshes();
    virtual void ReportUsedRanges();
    // Row i of the equation table: its main graph's MessageCode (0 when a
    // companion reports none), and whether all its graphs are complete.
    virtual int32_t GetEquationStatus(int32_t i) const;
    virtual bool IsEquationComplete(int32_t i) const;
    virtual bool Shows2DView() const;
    virtual bool Shows4DView() const;
    virtual bool HasSecondView() const;

    // The view switches. A view option (17 axes, 18 graph paper) to the
    // views the which code names (0 active, 1 second, 2 both).
    virtual void SetViewOption(int32_t code, int32_t which);
    // A view option with its value to the 4D view.
    virtual void Set4DViewOption(int32_t code, double value);
    // The 2D view in that slot is shown and draws its graph paper.
    virtual bool IsGraphPaperShown(int32_t which) const;
    // A zoom code (6 the default view) to the views the which code names.
    virtual void Zoom(int32_t code, int32_t which);
    virtual bool Shows3DOr4DView() const;
    // Some shown 3D or 4D view renders in software.
    virtual bool AnyShownViewSoftware() const;
};
