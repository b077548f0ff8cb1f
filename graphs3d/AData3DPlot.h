// The rows of a table drawn as points in a 3D view: each row gives (x, y, z)
// through formulas that name table columns, with an optional condition,
// two optional labels per point, an optional size and a colour that may be
// computed per row. The only 3D graph with data bounds, to which the view
// can widen its box.
//
// A table may have more rows than one mesh can index (16-bit indices): the
// points are loaded into as many meshes as they need.
#pragma once

#include "CoreUtilities/GraphJob.h"
#include "CoreUtilities/GrowArray.h"
#include "graphs3d/A3DGraph.h"
#include "graphs3d/MeshPendingFlag.h"
#include "rendering/MeshBuffer.h"

#include <atomic>
#include <cstdint>

class AGraphColor;
class ViewRenderContext;
struct CompiledFormula;
struct DocState;

class AData3DPlot : public A3DGraph {
public:
    // Takes over every formula (all but x, y and z may be null; unused is
    // accepted and freed) and the colour. Starts computing at once.
    AData3DPlot(CompiledFormula* x, CompiledFormula* y, CompiledFormula* z, CompiledFormula* condition,
                CompiledFormula* unused, CompiledFormula* firstLabel, CompiledFormula* secondLabel,
                CompiledFormula* size, AGraphColor* color, ViewRenderContext* context, DocState* doc);
    ~AData3DPlot() override;
    AData3DPlot(const AData3DPlot&) = delete;
    AData3DPlot& operator=(const AData3DPlot&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override;
    int32_t GetStatus() override;
    void VariableChanged(uint32_t code) override;
    // 5 loads the points, 8 the colour code.
    void SetOption(int32_t code, double value) override;
    void Restart() override;
    bool HasResolution() override { return false; }
    bool Draw() override;
    double GetExtent() override { return extent.load(std::memory_order_relaxed); }
    bool GetDataBounds(double* xMin, double* xMax, double* yMin, double* yMax, double* zMin,
                       double* zMax) override;

    void Start();
    void Stop();

    // For the tests, once complete.
    int32_t RowCount() const { return rowCount; }
    int32_t PointCount() const { return count; }
    const float* Points() const { return points; }
    const float* PointColors() const { return pointColors; }
    const char16_t* const* FirstLabels() const { return firstLabels; }
    const char16_t* const* SecondLabels() const { return secondLabels; }
    const float* Sizes() const { return sizes; }
    int32_t MeshCount() const { return meshCount; }
    const MeshBuffer* Meshes() const { return meshes; }

private:
    bool NeedsPointColors() const;
    bool HasArrays() const;
    void AllocateArrays();
    void FreeArrays();
    void FreeMeshes();
    // Copies a label into the text being computed; its offset there, or -1
    // for none.
    int32_t KeepLabel(const char16_t* text);

    ViewRenderContext* context;
    CompiledFormula* x;
    CompiledFormula* y;
    CompiledFormula* z;
    CompiledFormula* condition;
    CompiledFormula* firstLabel;
    CompiledFormula* secondLabel;
    CompiledFormula* size;
    AGraphColor* color;
    DocState* doc;
    MeshBuffer* meshes = nullptr;
    int32_t meshCount = 0;
    float* points = nullptr;
    float* pointColors = nullptr;
    const char16_t** firstLabels = nullptr;
    const char16_t** secondLabels = nullptr;
    float* sizes = nullptr;
    // Where each point's labels start in the copied text, -1 for none.
    int32_t* labelOffsets[2] = {};
    int32_t count = 0;
    int32_t rowCount = 0;
    std::atomic<int32_t> rowsDone{0};
    std::atomic<double> extent{0};
    MeshPendingFlag meshPending;
    // Label texts are copied: a table's computed cells may be replaced while
    // the plot lives. The meshes show one copy while the next is computed.
    GrowArray<char16_t> labelText[2] = {};
    int32_t computingText = 0;
    GraphJob job;
    std::atomic<uint8_t> stopRequested{0};
};
