#include "graphs3d/AData3DPlot.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "evaluation/CompiledFormula.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/DataRows.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/BudgetedBlock.h"
#include "rendering/ViewRenderContext.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

namespace {

bool Finite3(double a, double b, double c)
{
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c);
}

}  // namespace

AData3DPlot::AData3DPlot(CompiledFormula* x, CompiledFormula* y, CompiledFormula* z, CompiledFormula* condition,
                         CompiledFormula* unused, CompiledFormula* firstLabel, CompiledFormula* secondLabel,
                         CompiledFormula* size, AGraphColor* color, ViewRenderContext* context, DocState* doc)
    : context(context), x(x), y(y), z(z), condition(condition), firstLabel(firstLabel), secondLabel(secondLabel),
      size(size), color(color), doc(doc), job(this)
{
    delete unused;
    meshPending.Arm();
    rowCount = DataRowCount(x, y, z);
    CompileFormulas3(x, y, z);
    if (condition)
        CompileFormula(condition);
    if (size)
        CompileFormula(size);
    if (color)
        color->NormalizeBrightness();
    AllocateArrays();
    Start();
}

AData3DPlot::~AData3DPlot()
{
    Stop();
    FreeMeshes();
    FreeArrays();
    for (GrowArray<char16_t>& text : labelText)
        text.Clear();
    for (CompiledFormula* f : {x, y, z, condition, firstLabel, secondLabel, size})
        delete f;
    delete color;
}

bool AData3DPlot::NeedsPointColors() const
{
    return color && color->IsFormulaColor();
}

bool AData3DPlot::HasArrays() const
{
    return points && (!NeedsPointColors() || pointColors) && (!firstLabel || (firstLabels && labelOffsets[0])) &&
           (!secondLabel || (secondLabels && labelOffsets[1])) && (!size || sizes);
}

void AData3DPlot::AllocateArrays()
{
    if (rowCount <= 0)
        return;
    points = BudgetedBlock<float>(3 * static_cast<int64_t>(rowCount));
    if (NeedsPointColors())
        pointColors = BudgetedBlock<float>(3 * static_cast<int64_t>(rowCount));
    if (firstLabel)
        firstLabels = BudgetedBlock<const char16_t*>(rowCount);
    if (secondLabel)
        secondLabels = BudgetedBlock<const char16_t*>(rowCount);
    if (size)
        sizes = BudgetedBlock<float>(rowCount);
    for (int32_t k = 0; k < 2; ++k) {
        if (k == 0 ? firstLabel != nullptr : secondLabel != nullptr)
            labelOffsets[k] = BudgetedBlock<int32_t>(rowCount);
    }
    if (!HasArrays())
        FreeArrays();
}

void AData3DPlot::FreeArrays()
{
    ReleaseBlock(points);
    ReleaseBlock(pointColors);
    ReleaseBlock(firstLabels);
    ReleaseBlock(secondLabels);
    ReleaseBlock(sizes);
    ReleaseBlock(labelOffsets[0]);
    ReleaseBlock(labelOffsets[1]);
}

void AData3DPlot::FreeMeshes()
{
    delete[] meshes;
    meshes = nullptr;
    meshCount = 0;
}

void AData3DPlot::Start()
{
    rowsDone.store(0, std::memory_order_release);
    stopRequested.store(0, std::memory_order_relaxed);
    labelText[computingText].Clear();
    CompiledFormula* const formulas[9] = {x, y, z, condition, firstLabel, secondLabel, size, nullptr, nullptr};
    ResumeFormulas9(color, formulas);
    EnqueueGraphJob(&job);
}

void AData3DPlot::Stop()
{
    stopRequested.store(1, std::memory_order_relaxed);
    CompiledFormula* const formulas[9] = {x, y, z, condition, firstLabel, secondLabel, size, nullptr, nullptr};
    StopFormulas9(color, formulas);
    CancelGraphJobs(this);
    WaitForGraphJob(&job);
}

void AData3DPlot::Restart()
{
    Stop();
    meshPending.Arm();
    Start();
}

bool AData3DPlot::IsComplete()
{
    return rowsDone.load(std::memory_order_acquire) >= rowCount;
}

int32_t AData3DPlot::KeepLabel(const char16_t* text)
{
    if (!text)
        return -1;
    GrowArray<char16_t>& store = labelText[computingText];
    const int32_t offset = store.count;
    for (const char16_t* c = text;; ++c) {
        if (store.Push(*c) != 0)
            return -1;
        if (*c == 0)
            return offset;
    }
}

int32_t AData3DPlot::ComputeChunk(int32_t)
{
    if (!HasArrays())
        return GraphJobNothingToDo;
    const bool perPoint = pointColors && NeedsPointColors();
    CompiledFormula* const labelFormulas[2] = {firstLabel, secondLabel};
    const char16_t** const labels[2] = {firstLabels, secondLabels};
    count = 0;
    for (int32_t row = 1; row <= rowCount; ++row) {
        const double px = x->EvaluateAtRow(row, 0, 0, 0), py = y->EvaluateAtRow(row, 0, 0, 0),
                     pz = z->EvaluateAtRow(row, 0, 0, 0);
        bool used = Finite3(px, py, pz);
        if (used && condition)
            used = condition->EvaluateAtRow(row, px, py, pz) == 1;
        if (used) {
            for (int32_t k = 0; k < 2; ++k) {
                if (!labels[k])
                    continue;
                // A copy taken under the table's lock: the cell's own text
                // may be replaced while this row is read.
                char16_t* text = CopyDataRowText(labelFormulas[k], row);
                labelOffsets[k][count] = KeepLabel(text);
                std::free(text);
            }
            if (sizes)
                sizes[count] = static_cast<float>(size->EvaluateAtRow(row, px, py, pz));
            if (perPoint) {
                double r = 0, g = 0, b = 0;
                color->EvaluateFormulasForRow(row, px, py, pz, r, g, b);
                if (!Finite3(r, g, b))
                    r = g = b = 0;
                pointColors[3 * count] = static_cast<float>(r);
                pointColors[3 * count + 1] = static_cast<float>(g);
                pointColors[3 * count + 2] = static_cast<float>(b);
            }
            float* p = points + 3 * count;
            p[0] = static_cast<float>(px);
            p[1] = static_cast<float>(py);
            p[2] = static_cast<float>(pz);
            ++count;
        }
        if (stopRequested.load(std::memory_order_relaxed))
            return GraphJobStopped;
        if (row < rowCount)
            rowsDone.store(row, std::memory_order_release);
    }
    // The copied text no longer moves: point the labels into it.
    const char16_t* text = labelText[computingText].storage;
    for (int32_t k = 0; k < 2; ++k) {
        for (int32_t i = 0; labels[k] && i < count; ++i)
            labels[k][i] = labelOffsets[k][i] < 0 ? nullptr : text + labelOffsets[k][i];
    }
    extent = context ? context->GetBoundingRadius(points, count) : 0;
    rowsDone.store(rowCount, std::memory_order_release);
    if (context)
        context->RequestRedraw();
    return GraphJobDone;
}

int32_t AData3DPlot::GetStatus()
{
    return IsComplete() && count == 0 ? MessageUndefinedOrInfiniteForRanges : MessageNone;
}

void AData3DPlot::VariableChanged(uint32_t code)
{
    CompiledFormula* const formulas[9] = {x, y, z, condition, firstLabel, secondLabel, size, nullptr, nullptr};
    InvalidateFormulaList(color, formulas, 7);
    bool uses = color && color->DependsOn(code);
    for (const CompiledFormula* f : formulas)
        uses = uses || (f && f->DependsOn(code));
    if (uses)
        Restart();
}

void AData3DPlot::SetOption(int32_t code, double value)
{
    switch (code) {
    case OptionUploadMesh: {
        if (!meshPending.TakeIfComplete(IsComplete()))
            return;
        FreeMeshes();
        if (count > 0 && HasArrays()) {
            const int32_t chunks = static_cast<int32_t>((count + kMaxIndexedVertices - 1) / kMaxIndexedVertices);
            meshes = new (std::nothrow) MeshBuffer[chunks];
            meshCount = meshes ? chunks : 0;
            for (int32_t k = 0; k < meshCount; ++k) {
                const int32_t first = k * static_cast<int32_t>(kMaxIndexedVertices);
                const int32_t n = std::min<int32_t>(count - first, kMaxIndexedVertices);
                meshes[k].SetPoints(points + 3 * first, pointColors ? pointColors + 3 * first : nullptr,
                                    firstLabels ? firstLabels + first : nullptr,
                                    secondLabels ? secondLabels + first : nullptr, sizes ? sizes + first : nullptr,
                                    static_cast<uint32_t>(n), context);
            }
        }
        // The meshes now show this text; the next computation writes the
        // other.
        labelText[1 - computingText].Clear();
        computingText = 1 - computingText;
        return;
    }
    case OptionColor: {
        if (!color)
            return;
        const bool needed = NeedsPointColors();
        color->SetColorCode(value);
        color->NormalizeBrightness();
        if (needed != NeedsPointColors()) {
            Stop();
            FreeArrays();
            AllocateArrays();
            meshPending.Arm();
            Start();
        }
        return;
    }
    default: return;
    }
}

bool AData3DPlot::Draw()
{
    if (meshCount == 0 || !HasArrays() || !context || !color)
        return true;
    const bool hidden = color->kind == ColorHidden;
    if (!hidden)
        context->SetFlatColor(color->rgb);
    for (int32_t k = 0; k < meshCount; ++k) {
        if (meshes[k].state == MeshEmpty)
            continue;
        if (hidden)
            meshes[k].Sync();
        else
            meshes[k].Draw();
    }
    return true;
}

bool AData3DPlot::GetDataBounds(double* xMin, double* xMax, double* yMin, double* yMax, double* zMin,
                                double* zMax)
{
    if (!IsComplete() || !points || count == 0)
        return false;
    double lo[3], hi[3];
    for (int32_t a = 0; a < 3; ++a)
        lo[a] = hi[a] = points[a];
    for (int32_t i = 1; i < count; ++i) {
        for (int32_t a = 0; a < 3; ++a) {
            lo[a] = std::min<double>(lo[a], points[3 * i + a]);
            hi[a] = std::max<double>(hi[a], points[3 * i + a]);
        }
    }
    *xMin = lo[0], *xMax = hi[0], *yMin = lo[1], *yMax = hi[1], *zMin = lo[2], *zMax = hi[2];
    return true;
}
