#include "graphs3d/ImplicitPolygoniser.h"

#include "CoreUtilities/Clock.h"
#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/GridEvalState.h"

#include <cstring>
#include <utility>

namespace {

// The budget counts in 32-bit sizes: a count beyond them is refused, not
// wrapped.
void* AllocateZeroed(int64_t count, size_t elementBytes)
{
    const uint64_t bytes = static_cast<uint64_t>(count) * elementBytes;
    if (count < 1 || bytes > UINT32_MAX)
        return nullptr;
    return BudgetMalloc(static_cast<uint32_t>(bytes), true);
}

// The clock wraps: compare by the signed difference.
bool IsPast(uint32_t deadline)
{
    return static_cast<int32_t>(ClockMilliseconds() - deadline) >= 0;
}

} // namespace

void ImplicitPolygoniser::Init(CompiledFormula* f_, CompiledFormula* fx_, CompiledFormula* fy_, CompiledFormula* fz_,
                               CompiledFormula* condition_, const GridProgramSet* cornerPrograms_,
                               const GridProgramSet* centrePrograms_, GridEvalState* cornerState_,
                               GridEvalState* centreState_, double xMin_, double xMax_, double yMin_, double yMax_,
                               double zStart_, double zEnd_, int32_t n_, int32_t m_)
{
    FreeBuffers();
    f = f_;
    fx = fx_;
    fy = fy_;
    fz = fz_;
    condition = condition_;
    cornerPrograms = cornerPrograms_;
    centrePrograms = centrePrograms_;
    cornerState = cornerState_;
    centreState = centreState_;
    xMin = xMin_;
    xMax = xMax_;
    yMin = yMin_;
    yMax = yMax_;
    zStart = zStart_;
    zEnd = zEnd_;
    n = n_ > 0 ? n_ : 0;
    m = m_ > 0 ? m_ : 0;
    dx = n > 0 ? (xMax - xMin) / n : 0;
    dy = n > 0 ? (yMax - yMin) / n : 0;
    dz = m > 0 ? (zEnd - zStart) / m : 0;
    const int64_t side = static_cast<int64_t>(n) + 1;
    layerStore = static_cast<SharedEdgeSlots*>(AllocateZeroed(side * side, sizeof(SharedEdgeSlots)));
    rowStore = static_cast<SharedEdgeSlots*>(AllocateZeroed(side, sizeof(SharedEdgeSlots)));
    if (!IsReady()) {
        FreeBuffers();
        PostFailure(FailureOutOfMemory);
    }
    i = j = k = 0;
    previousStore = {};
}

bool ImplicitPolygoniser::IsReady() const
{
    return layerStore && rowStore;
}

bool ImplicitPolygoniser::PrepareGrids()
{
    const bool corners = PrepareGrid3D(xMin, yMin, zStart, dx, dy, dz, n + 1, n + 1, m + 1, cornerPrograms, cornerState);
    const bool middles = PrepareGrid3D(xMin + dx / 2, yMin + dy / 2, zStart + dz / 2, dx, dy, dz, n, n, m,
                                       centrePrograms, centreState);
    return corners && middles;
}

void ImplicitPolygoniser::EvaluateLayer(GridEvalState* state, int32_t layer, int32_t side, double* out)
{
    if (f->canEvaluateRows) {
        f->EvaluateRow(layer, state, out);
        return;
    }
    for (int32_t row = 0; row < side; ++row) {
        for (int32_t column = 0; column < side; ++column)
            out[column + side * row] = f->EvaluateAtGridPoint3D(column, row, layer, state);
        if (f->IsStopRequested())
            return;
    }
}

bool ImplicitPolygoniser::LoadLayers()
{
    const int64_t side = static_cast<int64_t>(n) + 1;
    if (!layerK) {
        layerK = static_cast<double*>(AllocateZeroed(side * side, sizeof(double)));
        layerK1 = static_cast<double*>(AllocateZeroed(side * side, sizeof(double)));
        centres = static_cast<double*>(AllocateZeroed(static_cast<int64_t>(n) * n, sizeof(double)));
        if (!layerK || !layerK1 || !centres)
            return false;
    }
    // The layer above the last cells is the bottom of the next ones.
    if (k == 0)
        EvaluateLayer(cornerState, 0, n + 1, layerK);
    else
        std::swap(layerK, layerK1);
    EvaluateLayer(cornerState, k + 1, n + 1, layerK1);
    EvaluateLayer(centreState, k, n, centres);
    return true;
}

int32_t ImplicitPolygoniser::RunSlice(MeshVertexArray* vertices, MeshTriangleArray* triangles, uint32_t deadline)
{
    if (!IsReady())
        return 1;
    const SharedEdgeStores stores = {layerStore, rowStore, &previousStore};
    const int32_t side = n + 1;
    PolygoniserCell cell;
    cell.dx = dx;
    cell.dy = dy;
    cell.dz = dz;
    cell.n = n;
    cell.m = m;
    cell.f = f;
    cell.fx = fx;
    cell.fy = fy;
    cell.fz = fz;
    cell.condition = condition;
    int32_t visited = 0;
    for (; k < m; ++k) {
        if (j == n)
            j = 0;
        for (; j < n; ++j) {
            if (i == n)
                i = 0;
            for (; i < n;) {
                if (i == 0 && j == 0 && !LoadLayers())
                    return 1;
                cell.i = i;
                cell.j = j;
                cell.k = k;
                cell.originX = xMin + i * dx;
                cell.originY = yMin + j * dy;
                cell.originZ = zStart + k * dz;
                cell.normalsOk = 1;
                if (f->IsStopRequested())
                    return 0;
                const int32_t below = i + side * j;
                cell.values[0] = layerK[below];
                cell.values[1] = layerK[below + side];
                cell.values[2] = layerK[below + side + 1];
                cell.values[3] = layerK[below + 1];
                cell.values[4] = layerK1[below];
                cell.values[5] = layerK1[below + side];
                cell.values[6] = layerK1[below + side + 1];
                cell.values[7] = layerK1[below + 1];
                cell.values[8] = centres[i + n * j];
                if (cell.FindEdgeVertices(stores, vertices) != 0)
                    return 1;
                if (f->IsStopRequested())
                    return 0;
                cell.StoreSharedEdges(stores);
                if (triangles && cell.EmitTriangles(triangles, vertices) != 0)
                    return 1;
                ++i;
                ++visited;
                if (visited % 32 == 0 && IsPast(deadline)) {
                    if (i == n && ++j == n)
                        ++k;
                    return 0;
                }
            }
        }
    }
    i = j = n;
    return 0;
}

bool ImplicitPolygoniser::IsFinished() const
{
    return k >= m;
}

void ImplicitPolygoniser::FreeBuffers()
{
    for (void* block : {static_cast<void*>(layerStore), static_cast<void*>(rowStore), static_cast<void*>(layerK),
                        static_cast<void*>(layerK1), static_cast<void*>(centres)})
        BudgetFree(block);
    layerStore = rowStore = nullptr;
    layerK = layerK1 = centres = nullptr;
}
