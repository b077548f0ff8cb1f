// The plot of a relation in x and y: an inequality (or an And, Or or Not of
// them) shaded where it holds, or an implicit equation drawn where it holds.
// The view is filled in rectangles by interval evaluation: a rectangle on
// which the relation is certainly true is shaded at once, one on which it is
// certainly false is dropped, and an undecided one is halved until it is at
// most 10 pixels each way, whose pixels are then decided on their own boxes.
// So no pixel whose box is certainly false is shaded and none whose box is
// certainly true is left out; the undecided boundary pixels are shaded by
// the line's plotting mode. Each part owns a band of rows and a queue of
// rectangles in it; a stop puts what is left back into the pending list, so
// a pan or a resize computes only the exposed strips.
#pragma once

#include "graphs2d/A2DGraph.h"
#include "graphs2d/ImageCache.h"
#include "graphs2d/PixelRectList.h"
#include "graphs2d/PlotJobs.h"
#include "graphs2d/ViewMapping.h"

#include <atomic>
#include <cstdint>
#include <memory>

class AGraphColor;
struct CompiledFormula;

// How the undecided pixels of an inequality are shaded.
enum InequalityMode : int32_t {
    // By the relation at the pixel's top-left corner.
    CornerSample = 0,
    // Light, as not decided.
    LightBoundary = 1,
    // Light when the pixel may hold the boundary, else by its corner.
    ClassifiedBoundary = 2,
};

// Mask levels: a pixel is shaded when the low bit of its level is set.
enum MaskLevel : int32_t {
    MaskClear = 0,
    MaskLight = 1,
    MaskFull = 3,
};

// Rectangles at most this many pixels each way are decided pixel by pixel.
constexpr int32_t kLargestPixelRect = 10;

// Bytes per mask row for a width in pixels: four pixels a byte, rounded up
// to whole words with room to spare.
int32_t MaskRowBytes(int32_t width);
// The halves of a rectangle too large to decide pixel by pixel: cut at the
// middle column when it is wider than high, else at the middle row. False
// for a rectangle small enough to be decided pixel by pixel.
bool SplitPixelRect(const ShortRect& r, ShortRect* first, ShortRect* second);

class A2DInequality : public A2DGraph {
public:
    // Takes over both formulas and the colour. relation is 1 where it holds
    // and 0 where not; boundary (or null) changes sign across the boundary
    // and serves hits and traces. parts: 0 for one per processor.
    A2DInequality(CompiledFormula* relation, CompiledFormula* boundary, AGraphColor* color, int32_t evaluationMode,
                  bool isEquation, const ViewMapping* mapping, int32_t parts = 0);
    ~A2DInequality() override;
    A2DInequality(const A2DInequality&) = delete;
    A2DInequality& operator=(const A2DInequality&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override { return jobs.IsComplete(); }
    int32_t GetStatus() override;
    void VariableChanged(uint32_t code) override;
    void SetOption(int32_t code, double value) override;
    void Restart() override;
    bool HasResolution() override { return false; }
    void Draw() override;
    void ViewResized() override;
    void ViewScrolled(int32_t dx, int32_t dy) override;
    bool HitTest(double x, double y) override;
    TraceInfo Trace(double x, double y) override;
    void Stop() override { StopJobs(); }
    NearestPointResult NearestPoint(double x, double y, double tolerance, double tLow, double tHigh) override;
    int GetHitPriority() override { return HitPriorityNext; }

    // Read by the tests and the benchmark once the plot is stopped or
    // complete.
    // The level of a pixel of the drawing mapping (inside the mask's rect).
    int32_t LevelAt(int32_t row, int32_t column) const;
    const uint8_t* Mask() const { return mask; }
    int32_t MaskBytesPerRow() const { return maskRowBytes; }
    const ShortRect& MaskRect() const { return maskRect; }
    const PixelRectList& Pending() const { return pending; }
    int32_t Mode() const { return evaluationMode; }
    bool IsEquation() const { return isEquation; }
    // Interval evaluations since construction (rectangles, pixels and
    // sub-boxes).
    int64_t BoxEvaluations() const { return boxEvaluations.load(std::memory_order_relaxed); }
    const ImageCache& Cache() const { return imageCache; }

private:
    struct Box {
        double x0, x1, y0, y1;
    };

    bool AllocateMask();
    void ResetMask();
    void PrepareFormulas();
    void StartJobs();
    void StopJobs();
    void DistributePending();
    void CollectQueues();
    uint32_t MaskBytes() const;
    Box WorldBox(int32_t top, int32_t left, int32_t bottom, int32_t right) const;
    // A pixel's level when its own box left the relation undecided.
    int32_t DecideUndecidedPixel(const Box& box, int64_t& evaluations);
    int32_t AnySubBoxMayHold(const Box& box, int64_t& evaluations);
    int32_t ClassifyBoundaryPixel(const Box& box, int64_t& evaluations);
    // Publishes a level; only the part owning the row writes it.
    void StoreLevel(int32_t row, int32_t column, int32_t level);
    void FillRect(const ShortRect& r);
    bool IsSet(int32_t row, int32_t column) const;
    void ConsiderBoundaryPixel(int32_t col, int32_t row, double xm, double ym, double k, double& best,
                               double& bx, double& by) const;
    bool CanTrace() const;
    // The drawing mapping is no longer the one the mask was computed for.
    bool MappingMoved() const;

    CompiledFormula* relation;
    CompiledFormula* boundary;
    PixelRectList pending{};
    int32_t evaluationMode;
    bool isEquation;
    AGraphColor* color;
    uint8_t* mask = nullptr;
    int32_t maskRowBytes = 0;
    ShortRect maskRect{0, 0, 0, 0};
    int32_t maskWidth = 0;
    int32_t maskRows = 0;
    // The relation over the whole plane, from the last part that started.
    std::atomic<double> planeTruthLow{0};
    std::atomic<double> planeTruthHigh{1};
    ImageCache imageCache;
    std::atomic<int64_t> boxEvaluations{0};
    // The drawing mapping when the parts last started: what they compute
    // from, so that they never read the view's mapping while it changes.
    ViewMapping computedMapping;
    // The formulas Stop and Start reach: the relation and the boundary.
    CompiledFormula* formulaList[2] = {};
    PlotJobs jobs;
    // Queue i belongs to part i while it runs.
    std::unique_ptr<PixelRectList[]> queues;
};
