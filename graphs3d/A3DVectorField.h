// A field F(x, y, z) = (f, g, h) drawn as one arrow at every start point of
// its start-point set, pointing along F: at the field's own length, or all
// scaled so that the longest has a given length. An optional radius formula
// gives each arrow a tube radius, formula colours each arrow its colour. The
// whole field is one job.
//
// Each computation keeps its arrays with the arrows built on them (a batch):
// the arrows read their ends and colours from there. A restart leaves the
// current batches in place; the next computation adds a new one, and the
// mesh load after it drops the old ones, arrays and all, so the view shows
// the old field until the new one is ready.
#pragma once

#include "CoreUtilities/GraphJob.h"
#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/Mutex.h"
#include "graphs3d/AVectorFieldOrDEPlot.h"
#include "graphs3d/PointStore.h"

#include <atomic>
#include <cstdint>

class AGraphColor;
class AnArrow3D;
class ViewRenderContext;
struct CompiledFormula;

// One computation's arrows and the arrays they read.
struct ArrowBatch {
    // Per arrow the tip (the field vector until scaled), then the base.
    float* items = nullptr;
    double* radii = nullptr;
    // Per arrow with formula colours; owned.
    GrowArray<AGraphColor*> colors;
    GrowArray<AnArrow3D*> arrows;
    int32_t count = 0;

    // Deletes the arrows, then the arrays and the record. Null-safe.
    static void Free(ArrowBatch* batch);
};

class A3DVectorField : public AVectorFieldOrDEPlot {
public:
    // Takes over the formulas (the radius may be null) and the colour; the
    // arrow length and the start points stay the start-point set's.
    A3DVectorField(CompiledFormula* fx, CompiledFormula* fy, CompiledFormula* fz, CompiledFormula* radius,
                   AGraphColor* color, const double* arrowLength, const PointStore* startPoints,
                   ViewRenderContext* renderContext);
    ~A3DVectorField() override;
    A3DVectorField(const A3DVectorField&) = delete;
    A3DVectorField& operator=(const A3DVectorField&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override { return done.load(std::memory_order_acquire) != 0; }
    int32_t GetStatus() override;
    void VariableChanged(uint32_t code) override;
    void SetOption(int32_t code, double value) override;
    void Restart() override { done = 0; }
    bool Draw() override;
    double GetExtent() override;
    void Start() override;
    void Stop() override;
    bool UsesVariable(uint32_t code) override;

    // For tests: the batches, oldest first (the last is the newest
    // computation's), and the longest field vector of that computation.
    int32_t BatchCount() const { return batches.count; }
    const ArrowBatch* BatchAt(int32_t i) const { return batches[i]; }
    double MaxLength() const { return maxLength; }
    bool NoHead() const { return noHead; }

private:
    void PrepareFormulas();
    // A new batch for every start point, appended to the list; null, with
    // failure 36 posted, when its items are refused.
    ArrowBatch* AllocateArrays(int32_t points);

    ViewRenderContext* renderContext;
    const PointStore* startPoints;
    const double* arrowLength;
    CompiledFormula* fx;
    CompiledFormula* fy;
    CompiledFormula* fz;
    CompiledFormula* radius;
    AGraphColor* color;
    GrowArray<ArrowBatch*> batches;
    int32_t removeCount = 0;
    double maxLength = 0;
    std::atomic<uint8_t> done{0};
    bool noHead = false;
    Mutex listMutex;
    GraphJob job;
    std::atomic<uint8_t> stopRequested{0};
};
