// Polygonises F(x, y, z) = 0 inside one slab of the view's box, cell by
// cell with x fastest, then y, then z, in time slices that resume at the
// next cell. F is evaluated a layer of corners and a layer of centres at a
// time on the grid programs; each corner layer serves the cells below and
// above it. One polygoniser belongs to one worker.
#pragma once

#include "CoreUtilities/MeshRecords.h"
#include "graphs3d/PolygoniserCell.h"

#include <cstdint>

struct CompiledFormula;
struct GridEvalState;
struct GridProgramSet;

struct ImplicitPolygoniser {
    CompiledFormula* f = nullptr;
    // Partials of F, each possibly null.
    CompiledFormula* fx = nullptr;
    CompiledFormula* fy = nullptr;
    CompiledFormula* fz = nullptr;
    // Tested at every vertex when not null.
    CompiledFormula* condition = nullptr;
    const GridProgramSet* cornerPrograms = nullptr;
    const GridProgramSet* centrePrograms = nullptr;
    GridEvalState* cornerState = nullptr;
    GridEvalState* centreState = nullptr;
    // F on corner layers k and k + 1 at i + (n + 1) j, and at the centres
    // of layer k at i + n j.
    double* layerK = nullptr;
    double* layerK1 = nullptr;
    double* centres = nullptr;
    SharedEdgeSlots* layerStore = nullptr;
    SharedEdgeSlots* rowStore = nullptr;
    SharedEdgeSlots previousStore = {};
    double dx = 0, dy = 0, dz = 0;
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0, zStart = 0, zEnd = 0;
    // Cells along x and y, cell layers in the slab.
    int32_t n = 0, m = 0;
    // The next cell to visit.
    int32_t i = 0, j = 0, k = 0;

    ImplicitPolygoniser() = default;
    ~ImplicitPolygoniser() { FreeBuffers(); }
    ImplicitPolygoniser(const ImplicitPolygoniser&) = delete;
    ImplicitPolygoniser& operator=(const ImplicitPolygoniser&) = delete;

    // Takes the slab and allocates the edge stores; failure 36 is posted
    // when they are refused (IsReady then answers false).
    void Init(CompiledFormula* f, CompiledFormula* fx, CompiledFormula* fy, CompiledFormula* fz,
              CompiledFormula* condition, const GridProgramSet* cornerPrograms, const GridProgramSet* centrePrograms,
              GridEvalState* cornerState, GridEvalState* centreState, double xMin, double xMax, double yMin,
              double yMax, double zStart, double zEnd, int32_t n, int32_t m);
    bool IsReady() const;
    // Prepares the corner grid, (n + 1)^2 x (m + 1) points from the slab's
    // corner, and the centre grid, n^2 x m points half a cell in. False when
    // a grid's buffers were refused (its values are then undefined).
    bool PrepareGrids();
    // Visits cells until the slab is done or the deadline (ClockMilliseconds)
    // passes; triangles may be null to find vertices only. 1 when a record
    // block was refused, else 0 (a stop request also ends the slice with 0).
    int32_t RunSlice(MeshVertexArray* vertices, MeshTriangleArray* triangles, uint32_t deadline);
    bool IsFinished() const;
    void FreeBuffers();

private:
    // At the first cell of a layer: the corner layers k and k + 1 and the
    // centre layer k. False when a layer buffer was refused.
    bool LoadLayers();
    void EvaluateLayer(GridEvalState* state, int32_t layer, int32_t side, double* out);
};
