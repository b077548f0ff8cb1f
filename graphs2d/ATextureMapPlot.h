// The first 2D view's picture carried forward through a map of the plane
// into the second view: the map is sampled on a coarse mesh laid over the
// first view (every 15 pixels at resolution 0 down to every 5 at 1), and
// drawing renders the first view (paper, axes, the graphs listed for the
// map, placed pictures), makes a texture pyramid of it and draws every mesh
// quad as two textured triangles where the map puts its corners. The mesh
// is computed by one job.
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "graphs2d/A2DGraph.h"
#include "graphs2d/MapPoint.h"
#include "graphs2d/PlotJobs.h"
#include "graphs2d/TexturedTriangles.h"
#include "graphs2d/ViewMapping.h"

#include <atomic>
#include <cstdint>

class A2DGraphView;
class AGraphColor;
struct CompiledFormula;
struct GridProgramSet;

// The mesh spacing in pixels for a resolution: 15 - 10 x grain, the
// resolution held to [0, 1] (one a file cannot state counts as 0.5).
int32_t TextureMeshSpacing(double grain);

class ATextureMapPlot : public A2DGraph {
public:
    // Takes over the formulas (u and v in x and y) and the colour; the
    // first view and the list of its graph numbers stay the graph set's.
    ATextureMapPlot(CompiledFormula* formulaX, CompiledFormula* formulaY, AGraphColor* color, double grain,
                    const ViewMapping* mapping, A2DGraphView* domainView, const GrowArray<int32_t>* mappedGraphs);
    ~ATextureMapPlot() override;
    ATextureMapPlot(const ATextureMapPlot&) = delete;
    ATextureMapPlot& operator=(const ATextureMapPlot&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override { return done.load(std::memory_order_acquire) != 0; }
    int32_t GetStatus() override { return 0; }
    void VariableChanged(uint32_t code) override;
    void SetOption(int32_t code, double value) override;
    void Restart() override;
    void Draw() override;
    void ViewResized() override { Restart(); }
    void ViewScrolled(int32_t, int32_t) override { Restart(); }
    bool HitTest(double, double) override { return false; }
    TraceInfo Trace(double, double) override { return TraceInfo{}; }
    // Nothing: the mesh job is stopped by Restart and the destructor.
    void Stop() override {}

    // For the tests, while the mesh is complete.
    int32_t MeshColumns() const { return meshColumns; }
    int32_t MeshRows() const { return meshRows; }
    MapPoint Node(int32_t c, int32_t r) const { return grid[r * meshColumns + c]; }
    // Node (c, r) as a corner in a target whose left-top is the plot
    // rectangle's; false for a node the map leaves undefined.
    bool MapCorner(int32_t c, int32_t r, TexturedVertex& out) const;

private:
    void AllocateMesh();
    void StartJob();
    void StopJob();
    bool FirstViewMoved() const;

    A2DGraphView* domainView;
    const GrowArray<int32_t>* mappedGraphs;
    CompiledFormula* formulas[2];
    AGraphColor* color;
    double grain;
    MapPoint* grid = nullptr;
    int32_t meshColumns = 0, meshRows = 0;
    GridProgramSet* gridPrograms = nullptr;
    // The first view's screen mapping taken when the job was queued: the
    // mesh is computed for it, and a draw that finds the view moved since
    // computes the mesh again.
    ViewMapping meshMapping;
    std::atomic<uint8_t> done{0};
    PlotJobs jobs;
};
