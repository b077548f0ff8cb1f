#include "graphs2d/ATextureMapPlot.h"

#include "CoreUtilities/Clock.h"
#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/GraphJob.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/GraphOptions.h"
#include "drawing/DrawingPort.h"
#include "drawing/OffscreenSurface.h"
#include "drawing/Rasteriser.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/GridProgramSet.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphServices.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/CellBands.h"
#include "graphs2d/DomainPicture.h"

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace {

// How long a draw waits for the mesh of a first view that just moved.
constexpr uint32_t kMovedViewWaitMs = 166;

}  // namespace

int32_t TextureMeshSpacing(double grain)
{
    if (!(grain >= 0 && grain <= 1))
        grain = grain > 1 ? 1 : grain < 0 ? 0 : 0.5;
    return static_cast<int32_t>(15 - 10 * grain);
}

ATextureMapPlot::ATextureMapPlot(CompiledFormula* formulaX, CompiledFormula* formulaY, AGraphColor* color,
                                 double grain, const ViewMapping* mapping, A2DGraphView* domainView,
                                 const GrowArray<int32_t>* mappedGraphs)
    : A2DGraph(mapping), domainView(domainView), mappedGraphs(mappedGraphs), formulas{formulaX, formulaY},
      color(color), grain(grain), jobs(this, 1)
{
    jobs.SetFormulas(formulas, 2);
    if (formulaX && formulaY)
        gridPrograms = LinkGridFormulas2(formulaX, formulaY);
    AllocateMesh();
    StartJob();
}

ATextureMapPlot::~ATextureMapPlot()
{
    StopJob();
    BudgetFree(grid);
    delete gridPrograms;
    for (CompiledFormula* f : formulas)
        delete f;
    delete color;
}

void ATextureMapPlot::AllocateMesh()
{
    grid = nullptr;
    meshColumns = meshRows = 0;
    const ShortRect& r = domainView ? domainView->screenMapping.rect : ShortRect{0, 0, 0, 0};
    if (r.right <= r.left || r.bottom <= r.top)
        return;
    const int32_t g = TextureMeshSpacing(grain);
    const int32_t columns = (r.right - r.left) / g + 2, rows = (r.bottom - r.top) / g + 2;
    grid = static_cast<MapPoint*>(BudgetMalloc(sizeof(MapPoint) * static_cast<size_t>(columns) * rows, false));
    if (!grid) {
        PostFailure(FailureOutOfMemory);
        return;
    }
    meshColumns = columns;
    meshRows = rows;
}

void ATextureMapPlot::StartJob()
{
    if (color)
        color->ResumeFormulas();
    if (domainView)
        meshMapping = domainView->screenMapping;
    done.store(0, std::memory_order_release);
    jobs.Start();
}

void ATextureMapPlot::StopJob()
{
    if (color)
        color->StopFormulas();
    jobs.Stop();
}

void ATextureMapPlot::Restart()
{
    StopJob();
    BudgetFree(grid);
    AllocateMesh();
    StartJob();
}

int32_t ATextureMapPlot::ComputeChunk(int32_t part)
{
    if (!grid || meshColumns < 2 || meshRows < 2 || !gridPrograms)
        return GraphJobNothingToDo;
    if (color)
        color->EvaluateConstantColor();
    const ViewMapping& m = meshMapping;
    const ShortRect& r = m.rect;
    const double ux = m.unitsPerPixelX, uy = m.unitsPerPixelY;
    const double x0 = (r.left - m.originX) * ux, y0 = -(r.top - m.originY) * uy;
    const double dx = ((r.right - m.originX) * ux - x0) / (meshColumns - 1);
    const double dy = (-(r.bottom - m.originY) * uy - y0) / (meshRows - 1);
    GridEvalState state;
    PrepareGrid2D(x0, y0, dx, dy, meshColumns, meshRows, gridPrograms, &state);
    for (int32_t row = 0; row < meshRows; ++row) {
        for (int32_t column = 0; column < meshColumns; ++column) {
            const double u = formulas[0]->EvaluateAtGridPoint(column, row, &state);
            const double v = formulas[1]->EvaluateAtGridPoint(column, row, &state);
            if (jobs.StopRequested())
                return GraphJobStopped;
            grid[row * meshColumns + column] = MapPoint{static_cast<float>(u), static_cast<float>(v)};
        }
    }
    if (jobs.StopRequested())
        return GraphJobStopped;
    done.store(1, std::memory_order_release);
    return jobs.FinishPart(part, mapping->doc);
}

void ATextureMapPlot::VariableChanged(uint32_t code)
{
    InvalidateConstants(color, formulas[0], formulas[1]);
    if (formulas[0]->DependsOn(code) || formulas[1]->DependsOn(code) || (color && color->DependsOn(code)))
        Restart();
}

void ATextureMapPlot::SetOption(int32_t code, double value)
{
    if (code == OptionColor && color) {
        color->SetColorCode(value);
    } else if (code == OptionResolution) {
        grain = value;
        Restart();
    }
}

bool ATextureMapPlot::FirstViewMoved() const
{
    const ViewMapping& now = domainView->screenMapping;
    return now.originX != meshMapping.originX || now.originY != meshMapping.originY ||
           now.scaleX != meshMapping.scaleX || now.scaleY != meshMapping.scaleY ||
           !EqualShortRects(now.rect, meshMapping.rect);
}

bool ATextureMapPlot::MapCorner(int32_t c, int32_t r, TexturedVertex& out) const
{
    const MapPoint p = Node(c, r);
    if (!IsFiniteMapPoint(p))
        return false;
    // Far corners are held where float pixels still mean something; the
    // clipper cuts them back to the target.
    auto held = [](double v) { return static_cast<float>(std::fmax(-1e6, std::fmin(1e6, v))); };
    out = TexturedVertex{};
    out.x = held(p.x * mapping->scaleX + mapping->originX - mapping->rect.left);
    out.y = held(p.y * mapping->scaleY + mapping->originY - mapping->rect.top);
    out.s = static_cast<float>(c) / (meshColumns - 1);
    out.t = static_cast<float>(meshRows - r - 1) / (meshRows - 1);
    return true;
}

void ATextureMapPlot::Draw()
{
    if (!grid || !domainView || IsDomainPictureEmpty(domainView, mappedGraphs, color))
        return;
    if (FirstViewMoved()) {
        Restart();
        const uint32_t start = ClockMilliseconds();
        while (!IsComplete() && ClockMilliseconds() - start < kMovedViewWaitMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!IsComplete() || meshColumns < 2 || meshRows < 2)
        return;
    const int32_t width = mapping->rect.right - mapping->rect.left, height = mapping->rect.bottom - mapping->rect.top;
    if (width <= 0 || height <= 0)
        return;
    OffscreenSurface* picture = RenderDomainPicture(domainView, mappedGraphs, color);
    if (!picture)
        return;
    TexturePyramid pyramid;
    std::vector<uint32_t> pixels;
    if (AllocateTexturePyramid(pyramid)) {
        FillTexturePyramid(pyramid, GetSurfaceBaseAddress(picture), GetSurfaceRowBytes(picture), domainView->rect);
        pixels.assign(static_cast<size_t>(width) * height, 0xFFFFFFFFu);
    }
    DisposeDomainPicture(picture);
    if (!pyramid.block)
        return;

    const TextureTarget target{pixels.data(), width, height, width};
    for (int32_t r = 0; r + 1 < meshRows; ++r) {
        for (int32_t c = 0; c + 1 < meshColumns; ++c) {
            TexturedVertex v[4];
            const bool ok[4] = {MapCorner(c, r, v[0]), MapCorner(c + 1, r, v[1]), MapCorner(c + 1, r + 1, v[2]),
                                MapCorner(c, r + 1, v[3])};
            const int32_t good = ok[0] + ok[1] + ok[2] + ok[3];
            if (good == 4) {
                DrawTexturedTriangle(target, pyramid, v[0], v[1], v[2]);
                DrawTexturedTriangle(target, pyramid, v[0], v[3], v[2]);
            } else if (good == 3) {
                if (!ok[0])
                    DrawTexturedTriangle(target, pyramid, v[1], v[2], v[3]);
                else if (!ok[2])
                    DrawTexturedTriangle(target, pyramid, v[0], v[1], v[3]);
                else if (!ok[3])
                    DrawTexturedTriangle(target, pyramid, v[0], v[1], v[2]);
                else
                    DrawTexturedTriangle(target, pyramid, v[0], v[2], v[3]);
            }
        }
    }
    FreeTexturePyramid(pyramid);

    // The carried picture over the view, multiplied with what is beneath so
    // that the second view's own paper and axes show; white leaves it.
    ShortRect bounds;
    int32_t stride = 0;
    uint32_t* port = LockCellPort(bounds, stride);
    if (!port)
        return;
    const int32_t left = mapping->rect.left - bounds.left, top = mapping->rect.top - bounds.top;
    const int32_t portWidth = bounds.right - bounds.left, portHeight = bounds.bottom - bounds.top;
    for (int32_t y = 0; y < height; ++y) {
        if (top + y < 0 || top + y >= portHeight)
            continue;
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t c = pixels[static_cast<size_t>(y) * width + x];
            if ((c & 0xFFFFFF) == 0xFFFFFF || left + x < 0 || left + x >= portWidth)
                continue;
            uint32_t& pixel = port[static_cast<size_t>(top + y) * stride + left + x];
            pixel = TintColorByPixel(c & 0xFFFFFF, pixel);
        }
    }
    UnlockCellPort();
}
