#include "graphs2d/CellBands.h"

#include "drawing/DrawingPort.h"
#include "drawing/Rasteriser.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/GridProgramSet.h"

#include <cmath>

bool PrepareCellRows(const ViewMapping& m, int32_t width, int32_t s, int32_t e, const GridProgramSet* set,
                     GridEvalState* state)
{
    const double ux = m.unitsPerPixelX, uy = m.unitsPerPixelY;
    const double dy = -(m.pixelsPerScreenPixelY * uy);
    return PrepareGrid2D((m.rect.left - m.originX) * ux, -(m.rect.top - m.originY) * uy + s * dy,
                         m.pixelsPerScreenPixelX * ux, dy, width, e - s + 1, set, state);
}

void EvaluateCellRow(CompiledFormula* const* f, int32_t n, int32_t j, int32_t width, GridEvalState* state,
                     double* out)
{
    for (int32_t k = 0; k < n; ++k)
        f[k]->EvaluateRow(j, state, out + static_cast<size_t>(k) * width);
}

void EvaluateCell(CompiledFormula* const* f, int32_t n, int32_t i, int32_t j, GridEvalState* state, double* v)
{
    for (int32_t k = 0; k < n; ++k)
        v[k] = f[k]->EvaluateAtGridPoint(i, j, state);
}

double EvaluateGridFormulaAt(const GridProgramSet* set, CompiledFormula* f, double x, double y)
{
    GridEvalState state;
    if (!set || !f || !PrepareGrid2D(x, y, 0, 0, 1, 1, set, &state))
        return NAN;
    return f->EvaluateAtGridPoint(0, 0, &state);
}

uint32_t* LockCellPort(ShortRect& bounds, int32_t& rowPixels)
{
    if (!LockPortSurface())
        return nullptr;
    uint8_t* base = GetPortBaseAddress();
    if (!base) {
        UnlockPortSurface();
        return nullptr;
    }
    GetPortBounds(bounds);
    rowPixels = GetPortRowBytes() / 4;
    return reinterpret_cast<uint32_t*>(base);
}

void UnlockCellPort()
{
    UnlockPortSurface();
}

RgbColor TintCellPixel(RgbColor c, uint32_t pixel)
{
    return TintColorByPixel(c, pixel);
}
