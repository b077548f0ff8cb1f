// The workspace of one grid computation: the grid's shape, the current
// column, row and layer, and the buffers of the grid frame and of the values
// precomputed per column, row and layer.
#pragma once

#include <cstdint>

struct GridEvalState {
    double x0 = 0, y0 = 0, z0 = 0;
    double dx = 0, dy = 0, dz = 0;
    int32_t nx = 0, ny = 0, nz = 0;
    int32_t curI = 0, curJ = 0, curK = 0;
    int32_t nX = 0, nY = 0, nZ = 0;
    uint8_t isComplex = 0;
    void* frame = nullptr;
    // x parts first (nX x nx cells), then y parts, then z parts, in cells of
    // the run's type.
    void* parts = nullptr;
};

// The cell of the parts buffer that opcode 8 (axis 0), 9 (axis 1) or 10
// (axis 2) with operand a reads at the current column, row or layer.
inline int64_t PartCell(const GridEvalState& grid, int32_t axis, int32_t a)
{
    int64_t xCells = static_cast<int64_t>(grid.nX) * grid.nx;
    if (axis == 0)
        return static_cast<int64_t>(a) * grid.nx + grid.curI;
    if (axis == 1)
        return xCells + static_cast<int64_t>(a) * grid.ny + grid.curJ;
    return xCells + static_cast<int64_t>(grid.nY) * grid.ny + static_cast<int64_t>(a) * grid.nz + grid.curK;
}
