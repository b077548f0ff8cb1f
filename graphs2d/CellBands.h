// What the plots that fill the view with cells share beyond the grid
// itself: computing a band of rows with the grid interpreter, one formula
// at a point for hit tests and traces, and drawing the cells tinted by
// the pixels beneath, so that graph paper and axes show through.
#pragma once

#include "CoreUtilities/ShortRect.h"
#include "evaluation/GridEvalState.h"
#include "graphs2d/CellImage.h"
#include "graphs2d/PlotJobs.h"

#include <cstdint>
#include <vector>

struct CompiledFormula;
struct GridProgramSet;

// Prepares the grid of rows s.. e of the image: cell (i, j) is evaluated at
// the top-left pixel corner of the cell.
bool PrepareCellRows(const ViewMapping& m, int32_t width, int32_t s, int32_t e, const GridProgramSet* set,
                     GridEvalState* state);
// Row j of the prepared grid for each of the n formulas, formula k's values
// at out + k x width; whole rows only when every formula allows it.
void EvaluateCellRow(CompiledFormula* const* f, int32_t n, int32_t j, int32_t width, GridEvalState* state,
                     double* out);
// The n formulas at cell i of row j, into v.
void EvaluateCell(CompiledFormula* const* f, int32_t n, int32_t i, int32_t j, GridEvalState* state, double* v);
// The formula at the world point on a grid of one point; NaN when the grid
// cannot be had.
double EvaluateGridFormulaAt(const GridProgramSet* set, CompiledFormula* f, double x, double y);

// Rows s to e of the image: a row entirely pending is evaluated whole (when
// rowsAllowed), other rows only at their pending cells. cellOf(v) turns the
// n formula values at a cell into its value. False when stopped.
template <typename T, typename CellOf>
bool ComputeCellRows(CellImage<T>& image, const ViewMapping& m, const GridProgramSet* set,
                     CompiledFormula* const* f, int32_t n, bool rowsAllowed, int32_t s, int32_t e,
                     const PlotJobs& jobs, CellOf cellOf)
{
    if (s > e)
        return true;
    GridEvalState state;
    PrepareCellRows(m, image.width, s, e, set, &state);
    std::vector<double> row(static_cast<size_t>(n) * image.width);
    double v[4];
    for (int32_t j = s; j <= e; ++j) {
        const int32_t base = j * image.width;
        if (rowsAllowed && image.RowAllPending(j)) {
            EvaluateCellRow(f, n, j - s, image.width, &state, row.data());
            if (jobs.StopRequested())
                return false;
            for (int32_t i = 0; i < image.width; ++i) {
                for (int32_t k = 0; k < n; ++k)
                    v[k] = row[static_cast<size_t>(k) * image.width + i];
                image.Store(base + i, cellOf(v));
            }
            continue;
        }
        for (int32_t i = 0; i < image.width; ++i) {
            if (!image.IsPending(base + i))
                continue;
            EvaluateCell(f, n, i, j - s, &state, v);
            if (jobs.StopRequested())
                return false;
            image.Store(base + i, cellOf(v));
        }
    }
    return true;
}

// Locks the port and tints every cell's pixels (its 2 by 2 block at double
// resolution) with colourOf(cell), except cells for which skip(cell) holds.
template <typename T, typename Skip, typename ColourOf>
void DrawCells(const CellImage<T>& image, const ViewMapping& m, Skip skip, ColourOf colourOf);

// The pixels of the port, locked; null when the port cannot be locked.
uint32_t* LockCellPort(ShortRect& bounds, int32_t& rowPixels);
void UnlockCellPort();
RgbColor TintCellPixel(RgbColor c, uint32_t pixel);

// Tints the f by f block of port pixels from (x0, y0), the part within the
// port, with c.
inline void TintCellBlock(uint32_t* base, int32_t stride, int32_t portWidth, int32_t portHeight, int32_t x0,
                          int32_t y0, int32_t f, RgbColor c)
{
    for (int32_t y = y0; y < y0 + f; ++y) {
        if (y < 0 || y >= portHeight)
            continue;
        for (int32_t x = x0; x < x0 + f; ++x) {
            if (x < 0 || x >= portWidth)
                continue;
            uint32_t& pixel = base[static_cast<size_t>(y) * stride + x];
            pixel = TintCellPixel(c, pixel);
        }
    }
}

template <typename T, typename Skip, typename ColourOf>
void DrawCells(const CellImage<T>& image, const ViewMapping& m, Skip skip, ColourOf colourOf)
{
    ShortRect bounds;
    int32_t stride = 0;
    uint32_t* base = LockCellPort(bounds, stride);
    if (!base)
        return;
    const int32_t f = m.pixelsPerScreenPixelX == 2 ? 2 : 1;
    const int32_t portWidth = bounds.right - bounds.left, portHeight = bounds.bottom - bounds.top;
    const int32_t left = m.rect.left - bounds.left, top = m.rect.top - bounds.top;
    for (int32_t j = 0; j < image.height; ++j) {
        for (int32_t i = 0; i < image.width; ++i) {
            const T cell = image.Load(j * image.width + i);
            if (skip(cell))
                continue;
            TintCellBlock(base, stride, portWidth, portHeight, left + i * f, top + j * f, f, colourOf(cell));
        }
    }
    UnlockCellPort();
}
