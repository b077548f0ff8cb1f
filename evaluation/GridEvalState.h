// The workspace of one grid computation: the grid's shape, the current
// column, row and layer, and the buffers of the grid frame and of the values
// precomputed per column, row and layer. Usually a local of the computing
// job: it carries the current row and the frame, so no two threads share one.
#pragma once

#include <cstddef>
#include <cstdint>

struct GridProgramSet;

struct GridEvalState {
    double x0 = 0, y0 = 0, z0 = 0;
    double dx = 0, dy = 0, dz = 0;
    // Points per axis; nz = 0 for a 2D grid.
    int32_t nx = 0, ny = 0, nz = 0;
    // Read by the loads of precomputed parts.
    int32_t curI = 0, curJ = 0, curK = 0;
    // Copies of the set's sub-program counts.
    int32_t nX = 0, nY = 0, nZ = 0;
    uint8_t isComplex = 0;
    // The grid frame: one lane vector (LaneVector.h) of P + 1 cells per slot
    // (P = nx in 2D, nx x ny in 3D) for row evaluation, or its first cells
    // as a point frame; cells of the run's type. Sized for 16-byte cells.
    void* frame = nullptr;
    // x parts first (nX x nx cells), then y parts, then z parts, in cells of
    // the run's type.
    void* parts = nullptr;
    // Slots the frame holds; a program that needs more is not run on it.
    int32_t slotCount = 0;
    // The per-lane inputs of row evaluation (x and u, in a layer y and v)
    // are in the frame as cells of this many bytes, unchanged since they
    // were written, so the next row need not write them again; 0 when they
    // are not.
    uint8_t laneInputBytes = 0;
    // Bytes of the two buffers when the preparation allocated them; 0 for
    // buffers it does not own.
    size_t frameBytes = 0;
    size_t partsBytes = 0;

    GridEvalState() = default;
    // Frees the buffers the preparation allocated.
    ~GridEvalState();
    GridEvalState(const GridEvalState&) = delete;
    GridEvalState& operator=(const GridEvalState&) = delete;
};

// Sets the state up for a grid of the set's programs: buffers large enough
// for the grid and the set, the per-axis parts precomputed on the calling
// thread. False when a buffer cannot be had or a count is negative: rows and
// points of the state then evaluate to NaN. nx = ny = 0 takes buffers and
// precomputes nothing.
bool PrepareGrid2D(double x0, double y0, double dx, double dy, int32_t nx, int32_t ny, const GridProgramSet* set,
                   GridEvalState* state);
bool PrepareGrid3D(double x0, double y0, double z0, double dx, double dy, double dz, int32_t nx, int32_t ny,
                   int32_t nz, const GridProgramSet* set, GridEvalState* state);

// Row evaluation's inputs for row j (2D) or layer j (3D), in the batch frame
// as cells of the run's type (double or ComplexValue, imaginary parts 0):
// the current column, row and layer; x and u per lane; y and v uniform in a
// row, per lane in a layer; z uniform in a layer; the slider value. False,
// with nothing written, when the state has no frame or fewer slots than the
// program needs.
template <typename Cell>
bool SetRowInputs(GridEvalState* state, int32_t j, double slider, int32_t slotsNeeded);
// The same for one point, in the first cells of the frame buffer (a point
// frame): the point's frame, or null. The 3D form also sets the layer and z.
template <typename Cell>
Cell* SetPointInputs(GridEvalState* state, int32_t i, int32_t j, double slider, int32_t slotsNeeded);
template <typename Cell>
Cell* SetPointInputs3D(GridEvalState* state, int32_t i, int32_t j, int32_t k, double slider, int32_t slotsNeeded);

// The cell of the parts buffer that opcode 8 (axis 0), 9 (axis 1) or 10
// (axis 2) with operand a reads at the current column, row or layer; -1
// when there is none: no buffer, or a sub-program or position outside the
// grid, which reads as undefined.
inline int64_t PartCell(const GridEvalState& grid, int32_t axis, int32_t a)
{
    if (!grid.parts || a < 0)
        return -1;
    int64_t xCells = static_cast<int64_t>(grid.nX) * grid.nx;
    if (axis == 0)
        return a < grid.nX && grid.curI >= 0 && grid.curI < grid.nx ? static_cast<int64_t>(a) * grid.nx + grid.curI
                                                                     : -1;
    if (axis == 1)
        return a < grid.nY && grid.curJ >= 0 && grid.curJ < grid.ny
                   ? xCells + static_cast<int64_t>(a) * grid.ny + grid.curJ
                   : -1;
    return a < grid.nZ && grid.curK >= 0 && grid.curK < grid.nz
               ? xCells + static_cast<int64_t>(grid.nY) * grid.ny + static_cast<int64_t>(a) * grid.nz + grid.curK
               : -1;
}
