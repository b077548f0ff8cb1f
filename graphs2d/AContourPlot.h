// The contour lines of z = f(x, y) in a 2D view: the curves f = c for nice
// levels c chosen from the range of f over the view. One job sweeps a 50 by
// 50 grid of cells over the view, splits every cell into two triangles and
// draws one straight segment per triangle and level. Each edge crossing is
// found once and shared by the cells that own the edge, so the segments of
// a level meet at identical points. The levels are chosen from the first
// view and kept when the view scrolls or the slider moves, so that the lines
// do not jump between level sets; only a new resolution chooses them again.
#pragma once

#include "CoreUtilities/ChunkedArray.h"
#include "CoreUtilities/ShortRect.h"
#include "graphs2d/A2DGraph.h"
#include "graphs2d/ContourLevels.h"
#include "graphs2d/PlotJobs.h"

#include <atomic>
#include <cstdint>

class AGraphColor;
struct CompiledFormula;

// An edge crossing.
struct ContourPoint {
    double x;
    double y;
    int16_t levelIndex;
};

// Two ContourPoint indices.
struct ContourSegment {
    int32_t first;
    int32_t second;
};

// What one row of cells hands the next at a column boundary (or a cell its
// right neighbour): f at the shared node and, per level, 1 + the index of
// the crossing on the shared edge (0 for none).
struct ContourColumn {
    double value;
    int32_t crossings[kMaxContourLevels];
};

class AContourPlot : public A2DGraph {
public:
    static constexpr int32_t kCells = 50;

    // Takes over f (a formula of x and y) and the colour.
    AContourPlot(CompiledFormula* f, double resolution, AGraphColor* color, const ViewMapping* mapping);
    ~AContourPlot() override;
    AContourPlot(const AContourPlot&) = delete;
    AContourPlot& operator=(const AContourPlot&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override;
    int32_t GetStatus() override;
    void VariableChanged(uint32_t code) override;
    void SetOption(int32_t code, double value) override;
    void Restart() override;
    void Draw() override;
    void ViewResized() override { Restart(); }
    void ViewScrolled(int32_t, int32_t) override { Restart(); }
    bool HitTest(double x, double y) override;
    TraceInfo Trace(double x, double y) override;
    // The sweep keeps its place: the resize or scroll that follows a view's
    // stop restarts it, and the sweep reads only its own grid meanwhile.
    void Stop() override {}
    NearestPointResult NearestPoint(double x, double y, double tolerance, double tLow, double tHigh) override;

    // For the tests, once the sweep has finished (SweepFinished).
    bool SweepFinished() const { return jobs.IsComplete(); }
    int32_t LevelCount() const { return levelCount; }
    bool LevelsValid() const { return levelsValid.load(std::memory_order_acquire) != 0; }
    const double* Levels() const { return levels; }
    int32_t PointCount() const { return points.count; }
    int32_t SegmentCount() const { return segments.count; }
    const ContourPoint& PointAt(int32_t i) const { return *points.At(i); }
    const ContourSegment& SegmentAt(int32_t i) const { return *segments.At(i); }
    // The grid's world rectangle.
    double GridLeft() const { return gridLeft; }
    double GridRight() const { return gridRight; }
    double GridBottom() const { return gridBottom; }
    double GridTop() const { return gridTop; }
    // Level k's colour: darkest for the lowest level, the graph colour for
    // the highest.
    RgbColor LevelColor(int32_t k) const;
    int32_t HitLevel() const { return hitLevel; }

private:
    void SetupGrid();
    void ClearResults();
    void ComputeLevels();
    // False when memory for a point or a segment was refused.
    bool SweepGrid();
    void BeginCell();
    void EvaluateCorners();
    void SaveCornerValues();
    bool FindCellCrossings();
    bool FindEdgeCrossing(int32_t edge, int32_t level);
    void SaveEdgeCrossings();
    bool EmitCellSegments();
    double CornerX(int32_t corner) const;
    double CornerY(int32_t corner) const;
    double Evaluate(double x, double y);
    // Index of the segment nearest (x, y) in pixel-like distance among
    // those of the level (any level for -1); -1 for none. Under the lock.
    int32_t NearestSegment(double x, double y, int32_t level) const;

    CompiledFormula* formula;
    AGraphColor* color;
    // Locked by the worker for each append and by the readers throughout.
    PlotJobs jobs;
    ChunkedArray<ContourPoint> points;
    ChunkedArray<ContourSegment> segments;
    ContourColumn* columns = nullptr;
    ContourColumn rowCarry{};
    double cornerValues[4] = {};
    int32_t edgeCrossings[5][kMaxContourLevels] = {};
    std::atomic<uint8_t> levelsValid{0};
    double levels[kMaxContourLevels] = {};
    int32_t levelCount;
    int32_t hitLevel = 0;
    double gridLeft = 0, gridRight = 0, gridBottom = 0, gridTop = 0;
    double cellWidth = 0, cellHeight = 0;
    double cellX = 0, cellY = 0;
    int32_t column = 0;
    int32_t row = 0;
    CompiledFormula* formulaList[1] = {};
};
