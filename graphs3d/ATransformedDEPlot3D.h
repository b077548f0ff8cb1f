// The flow lines of a differential-equation plot mapped point by point
// through three coordinate formulas X(x, y, z), Y, Z into another view: the
// source integrates in the equation's own coordinates, this graph shows the
// images. Its jobs wait until the source is complete; its lines are replaced
// as the source's are, at the next mesh load after a restart.
#pragma once

#include "CoreUtilities/GraphJob.h"
#include "CoreUtilities/Mutex.h"
#include "graphs3d/A3DGraph.h"
#include "graphs3d/FlowCurve.h"

#include <atomic>
#include <cstdint>
#include <memory>

class ADEPlot3D;
class ViewRenderContext;
struct CompiledFormula;

class ATransformedDEPlot3D : public A3DGraph {
public:
    // Takes over X, Y and Z; the source stays its owner's and must outlive
    // this graph. Starts.
    ATransformedDEPlot3D(CompiledFormula* X, CompiledFormula* Y, CompiledFormula* Z, ADEPlot3D* source,
                         ViewRenderContext* renderContext);
    ~ATransformedDEPlot3D() override;
    ATransformedDEPlot3D(const ATransformedDEPlot3D&) = delete;
    ATransformedDEPlot3D& operator=(const ATransformedDEPlot3D&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override;
    int32_t GetStatus() override { return 0; }
    void VariableChanged(uint32_t code) override;
    void SetOption(int32_t code, double value) override;
    void Restart() override;
    bool Draw() override;
    double GetExtent() override;

    void Start();
    void Stop();

    // For tests: the mapped lines, oldest first.
    int32_t CurveCount() const { return lines.curves.count; }
    const FlowCurve* CurveAt(int32_t i) const { return lines.curves[i]; }
    // Source lines each part mapped in its last run.
    int32_t MappedByPart(int32_t part) const { return mappedByPart[part]; }
    int32_t PartCount() const { return partCount; }

private:
    CompiledFormula* X;
    CompiledFormula* Y;
    CompiledFormula* Z;
    ADEPlot3D* source;
    ViewRenderContext* renderContext;
    FlowCurveList lines;
    int32_t partCount;
    std::atomic<uint8_t> stopRequested{0};
    Mutex doneMutex;
    GraphJob* jobs = nullptr;
    std::unique_ptr<std::atomic<uint8_t>[]> done;
    std::unique_ptr<int32_t[]> mappedByPart;
    // The source's restart count this mapping follows.
    uint32_t sourceGeneration;
};
