#include "evaluation/GridEvalState.h"

#include "CoreUtilities/ThreadStorage.h"
#include "evaluation/BytecodeProgram.h"
#include "evaluation/FrameSlots.h"
#include "evaluation/GridProgramSet.h"
#include "evaluation/InterpretComplex.h"
#include "evaluation/InterpreterBuild.h"
#include "evaluation/LaneVector.h"
#include "evaluation/ParameterValue.h"
#include "evaluation/RunControl.h"
#include "numerics/ComplexValue.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

// Every cell of either buffer is this wide, whatever the arithmetic.
constexpr size_t kCellBytes = 16;

// A real value as a cell of the run's type: imaginary part 0.
template <typename Cell>
Cell RealCell(double value);
template <>
double RealCell<double>(double value)
{
    return value;
}
template <>
ComplexValue RealCell<ComplexValue>(double value)
{
    return ComplexValue{value, 0};
}

// A sub-program's run without a grid, in the arithmetic of the cells.
double RunPart(const BytecodeProgram* program, double* frame, RunControl& control)
{
    return program ? RunRealInBuild(program, frame, nullptr, control) : NAN;
}

ComplexValue RunPart(const BytecodeProgram* program, ComplexValue* frame, RunControl& control)
{
    return program ? RunComplexInBuild(program, frame, nullptr, control) : ComplexValue{NAN, NAN};
}

void FreeBuffers(GridEvalState* state)
{
    if (state->frameBytes)
        std::free(state->frame);
    if (state->partsBytes)
        std::free(state->parts);
    state->frame = nullptr;
    state->parts = nullptr;
    state->frameBytes = 0;
    state->partsBytes = 0;
}

// a x b + c in size_t; false when it does not fit.
bool MultiplyAdd(size_t a, size_t b, size_t c, size_t& result)
{
    size_t product;
    return !__builtin_mul_overflow(a, b, &product) && !__builtin_add_overflow(product, c, &result);
}

// The bytes of the two buffers for the grid and the set; false when a size
// overflows.
bool BufferBytes(int32_t nx, int32_t ny, int32_t nz, const GridProgramSet* set, size_t& frameBytes,
                 size_t& partsBytes)
{
    size_t points = static_cast<size_t>(nx);
    if (nz != 0 && !MultiplyAdd(points, static_cast<size_t>(ny), 0, points))
        return false;
    size_t frameCells;
    size_t partsCells = 0;
    if (!MultiplyAdd(points + 1, static_cast<size_t>(set->slotCount), 0, frameCells) ||
        !MultiplyAdd(static_cast<size_t>(set->xPartCount), static_cast<size_t>(nx), partsCells, partsCells) ||
        !MultiplyAdd(static_cast<size_t>(set->yPartCount), static_cast<size_t>(ny), partsCells, partsCells) ||
        !MultiplyAdd(static_cast<size_t>(set->zPartCount), static_cast<size_t>(nz), partsCells, partsCells))
        return false;
    // At least one cell each, so that a grid without points still has both.
    return MultiplyAdd(std::max<size_t>(frameCells, 1), kCellBytes, 0, frameBytes) &&
           MultiplyAdd(std::max<size_t>(partsCells, 1), kCellBytes, 0, partsBytes);
}

// Buffers of at least the sizes; NaN throughout when new, which every slot
// reads as a uniform undefined value in either arithmetic.
bool TakeBuffers(GridEvalState* state, int32_t nx, int32_t ny, int32_t nz, size_t frameBytes, size_t partsBytes)
{
    bool sameShape = state->nx == nx && state->ny == ny && state->nz == nz;
    if (sameShape && state->frame && state->parts && state->frameBytes >= frameBytes &&
        state->partsBytes >= partsBytes)
        return true;
    FreeBuffers(state);
    void* frame = std::malloc(frameBytes);
    void* parts = std::malloc(partsBytes);
    if (!frame || !parts) {
        std::free(frame);
        std::free(parts);
        return false;
    }
    std::fill_n(static_cast<double*>(frame), frameBytes / sizeof(double), NAN);
    std::fill_n(static_cast<double*>(parts), partsBytes / sizeof(double), NAN);
    state->frame = frame;
    state->parts = parts;
    state->frameBytes = frameBytes;
    state->partsBytes = partsBytes;
    return true;
}

struct AxisParts {
    const GrowArray<BytecodeProgram*>& programs;
    int32_t count;       // points on the axis
    double origin;
    double step;
    int32_t slots[2];    // the frame slots of the axis' variables
};

// Every sub-program of the axis at every point of it, on the calling
// thread's frame, into consecutive cells from first. False when a stop
// check ended a run.
template <typename Cell>
bool PrecomputeAxis(const AxisParts& axis, Cell* frame, double slider, Cell* first, RunControl& control)
{
    for (int32_t a = 0; a < axis.programs.count; ++a) {
        const BytecodeProgram* program = axis.programs.storage[a];
        Cell* cells = first + static_cast<int64_t>(a) * axis.count;
        for (int32_t i = 0; i < axis.count; ++i) {
            Cell value = RealCell<Cell>(axis.origin + i * axis.step);
            for (int32_t slot : axis.slots) {
                if (slot >= 0)
                    frame[slot] = value;
            }
            frame[SlotSlider] = RealCell<Cell>(slider);
            cells[i] = RunPart(program, frame, control);
            if (control.stopped)
                return false;
        }
    }
    return true;
}

// The parts of every axis in cells of the run's type.
template <typename Cell>
bool PrecomputeParts(const GridProgramSet* set, const GridEvalState* state, RunControl& control)
{
    // The parts run on the calling thread's frame, which may be smaller
    // than the sub-programs need when they were compiled on another thread.
    if (!EnsureEvalFrame())
        return false;
    auto* frame = static_cast<Cell*>(GetEvalFrame());
    double slider = DocSliderValue(set->doc);
    const AxisParts axes[] = {
        {set->xParts, state->nx, state->x0, state->dx, {SlotU, SlotX}},
        {set->yParts, state->ny, state->y0, state->dy, {SlotV, SlotY}},
        {set->zParts, state->nz, state->z0, state->dz, {SlotZ, -1}},
    };
    auto* first = static_cast<Cell*>(state->parts);
    for (const AxisParts& axis : axes) {
        if (!PrecomputeAxis(axis, frame, slider, first, control))
            return false;
        first += static_cast<int64_t>(axis.programs.count) * axis.count;
    }
    return true;
}

bool PrepareGridCore(double x0, double y0, double z0, double dx, double dy, double dz, int32_t nx, int32_t ny,
                     int32_t nz, const GridProgramSet* set, GridEvalState* state)
{
    size_t frameBytes = 0;
    size_t partsBytes = 0;
    bool sized = set && nx >= 0 && ny >= 0 && nz >= 0 && BufferBytes(nx, ny, nz, set, frameBytes, partsBytes);
    if (!sized || !TakeBuffers(state, nx, ny, nz, frameBytes, partsBytes)) {
        // The rows and points of this grid read as undefined.
        FreeBuffers(state);
        sized = false;
    }
    state->x0 = x0;
    state->y0 = y0;
    state->z0 = z0;
    state->dx = dx;
    state->dy = dy;
    state->dz = dz;
    state->nx = nx;
    state->ny = ny;
    state->nz = nz;
    state->curI = state->curJ = state->curK = 0;
    state->nX = set ? set->xPartCount : 0;
    state->nY = set ? set->yPartCount : 0;
    state->nZ = set ? set->zPartCount : 0;
    state->slotCount = set ? set->slotCount : 0;
    state->isComplex = set ? set->isComplex : 0;
    state->laneInputBytes = 0;
    if (!sized)
        return false;
    if (nx == 0 && ny == 0)
        return true;

    const std::atomic<uint8_t> neverStopped{0};
    RunControl control{set->stopRequest ? set->stopRequest : &neverStopped, false};
    return state->isComplex ? PrecomputeParts<ComplexValue>(set, state, control)
                            : PrecomputeParts<double>(set, state, control);
}

}  // namespace

GridEvalState::~GridEvalState()
{
    FreeBuffers(this);
}

bool PrepareGrid2D(double x0, double y0, double dx, double dy, int32_t nx, int32_t ny, const GridProgramSet* set,
                   GridEvalState* state)
{
    return PrepareGridCore(x0, y0, 0, dx, dy, 0, nx, ny, 0, set, state);
}

bool PrepareGrid3D(double x0, double y0, double z0, double dx, double dy, double dz, int32_t nx, int32_t ny,
                   int32_t nz, const GridProgramSet* set, GridEvalState* state)
{
    return PrepareGridCore(x0, y0, z0, dx, dy, dz, nx, ny, nz, set, state);
}

namespace {

bool FrameHolds(const GridEvalState* state, int32_t slotsNeeded)
{
    return state->frame && slotsNeeded <= state->slotCount;
}

// Lanes 1 .. count of a per-lane vector: origin + i x step for i counted
// from 0, in blocks of period lanes (the columns of each row of a layer).
template <typename Cell>
void FillAxisLanes(Cell* vector, int32_t count, int32_t period, double origin, double step)
{
    SetVarying(vector, true);
    for (int32_t lane = 0; lane < count; lane += period) {
        for (int32_t i = 0; i < period; ++i)
            vector[1 + lane + i] = RealCell<Cell>(origin + i * step);
    }
}

// Lanes 1 .. count in rows of columns lanes: row m holds origin + m x step.
template <typename Cell>
void FillRowLanes(Cell* vector, int32_t rows, int32_t columns, double origin, double step)
{
    SetVarying(vector, true);
    for (int32_t m = 0; m < rows; ++m) {
        Cell value = RealCell<Cell>(origin + m * step);
        std::fill_n(vector + 1 + static_cast<int64_t>(m) * columns, columns, value);
    }
}

}  // namespace

template <typename Cell>
bool SetRowInputs(GridEvalState* state, int32_t j, double slider, int32_t slotsNeeded)
{
    int32_t n = BatchLaneCount(*state);
    if (!FrameHolds(state, slotsNeeded) || n == 0)
        return false;
    auto slot = [state, n](int32_t s) { return BatchSlot<Cell>(state->frame, s, n); };
    bool layer = state->nz != 0;
    // The per-lane inputs are the same in every row or layer of the grid.
    if (state->laneInputBytes != sizeof(Cell)) {
        FillAxisLanes(slot(3), n, state->nx, state->x0, state->dx);
        std::copy_n(slot(3), n + 1, slot(0));
        if (layer) {
            FillRowLanes(slot(4), state->ny, state->nx, state->y0, state->dy);
            std::copy_n(slot(4), n + 1, slot(1));
        }
        state->laneInputBytes = sizeof(Cell);
    }
    state->curI = 0;
    if (layer) {
        state->curJ = 0;
        state->curK = j;
        SetUniform(slot(5), RealCell<Cell>(state->z0 + j * state->dz));
    } else {
        state->curJ = j;
        Cell y = RealCell<Cell>(state->y0 + j * state->dy);
        SetUniform(slot(1), y);
        SetUniform(slot(4), y);
    }
    SetUniform(slot(2), RealCell<Cell>(slider));
    return true;
}

template <typename Cell>
Cell* SetPointInputs(GridEvalState* state, int32_t i, int32_t j, double slider, int32_t slotsNeeded)
{
    if (!FrameHolds(state, slotsNeeded))
        return nullptr;
    auto* frame = static_cast<Cell*>(state->frame);
    // The point's cells lie where row evaluation keeps its lanes.
    state->laneInputBytes = 0;
    state->curI = i;
    state->curJ = j;
    frame[SlotU] = frame[SlotX] = RealCell<Cell>(state->x0 + i * state->dx);
    frame[SlotV] = frame[SlotY] = RealCell<Cell>(state->y0 + j * state->dy);
    frame[SlotSlider] = RealCell<Cell>(slider);
    return frame;
}

template <typename Cell>
Cell* SetPointInputs3D(GridEvalState* state, int32_t i, int32_t j, int32_t k, double slider, int32_t slotsNeeded)
{
    Cell* frame = SetPointInputs<Cell>(state, i, j, slider, slotsNeeded);
    if (frame) {
        state->curK = k;
        frame[SlotZ] = RealCell<Cell>(state->z0 + k * state->dz);
    }
    return frame;
}

template bool SetRowInputs<double>(GridEvalState*, int32_t, double, int32_t);
template bool SetRowInputs<ComplexValue>(GridEvalState*, int32_t, double, int32_t);
template double* SetPointInputs<double>(GridEvalState*, int32_t, int32_t, double, int32_t);
template ComplexValue* SetPointInputs<ComplexValue>(GridEvalState*, int32_t, int32_t, double, int32_t);
template double* SetPointInputs3D<double>(GridEvalState*, int32_t, int32_t, int32_t, double, int32_t);
template ComplexValue* SetPointInputs3D<ComplexValue>(GridEvalState*, int32_t, int32_t, int32_t, double, int32_t);
