// The base of the plots that fill the 2D view cell by cell (density and
// colour plots): the cell grid, its rows split into one band per worker,
// the images kept per slider value, and the scroll and resize that keep
// the cells still in view and compute only the others.
#pragma once

#include "document/DocState.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphServices.h"
#include "graphs2d/A2DGraph.h"
#include "graphs2d/CellImage.h"
#include "graphs2d/ImageCache.h"
#include "graphs2d/PlotJobs.h"

#include <cstdint>

template <typename T>
class ACellPlot : public A2DGraph {
public:
    // Takes over the colour. bands: 0 for one per processor.
    ACellPlot(AGraphColor* color, T pending, const ViewMapping* mapping, int32_t bands)
        : A2DGraph(mapping), color(color), image(pending), jobs(this, bands)
    {
    }
    // The concrete plot stops the jobs while its formulas still exist.
    ~ACellPlot() override { delete color; }
    ACellPlot(const ACellPlot&) = delete;
    ACellPlot& operator=(const ACellPlot&) = delete;

    bool IsComplete() override { return jobs.IsComplete(); }
    void Restart() override
    {
        cache.Clear();
        Recompute();
    }
    void ViewResized() override
    {
        StopJobs();
        cache.Clear();
        image.Resize(*mapping);
        StartJobs();
    }
    void ViewScrolled(int32_t dx, int32_t dy) override
    {
        if (!image.cells)
            return;
        StopJobs();
        cache.Clear();
        image.Scroll(dx / mapping->pixelsPerScreenPixelX, dy / mapping->pixelsPerScreenPixelY);
        StartJobs();
    }
    void Stop() override { StopJobs(); }
    int GetHitPriority() override { return HitPriorityLast; }

    // For the tests, while the plot is stopped or complete.
    const CellImage<T>& Image() const { return image; }
    const ImageCache& Cache() const { return cache; }
    // The rows the last start left to compute.
    int32_t FirstPendingRow() const { return firstPendingRow; }
    int32_t LastPendingRow() const { return lastPendingRow; }

protected:
    // Before the bands are queued again.
    virtual void PrepareStart() {}

    void StartJobs()
    {
        if (color)
            color->ResumeFormulas();
        image.PendingRows(firstPendingRow, lastPendingRow);
        PrepareStart();
        jobs.Start();
    }
    void StopJobs()
    {
        if (color)
            color->StopFormulas();
        jobs.Stop();
    }
    void Recompute()
    {
        StopJobs();
        image.Free();
        image.Allocate(*mapping);
        StartJobs();
    }
    // The slider variable changed: the image of its value from the cache,
    // or a new computation to be stored once complete. Stopped first, so
    // that no band still running writes rows of the previous value over
    // the image taken from the cache.
    void ShowSliderValue()
    {
        StopJobs();
        if (cache.Recall(mapping->doc->GetSliderValue(), image.cells, image.Bytes())) {
            jobs.MarkAllDone();
            DocRequestRedraw(mapping->doc);
            return;
        }
        Recompute();
    }
    // A variable the cells depend on changed.
    void CellsDependOn(uint32_t code)
    {
        if (mapping->doc && code == mapping->doc->GetSliderVariable())
            ShowSliderValue();
        else
            Restart();
    }
    // Rows of this band; false for none.
    void BandOf(int32_t band, int32_t& s, int32_t& e) const
    {
        BandRows(firstPendingRow, lastPendingRow, jobs.Parts(), band, image.height, s, e);
    }
    // A complete image is kept for its slider value when a store is
    // pending, before drawing.
    bool PrepareDraw()
    {
        if (!color || color->IsHidden() || !image.cells)
            return false;
        if (IsComplete())
            cache.Store(image.cells, image.Bytes());
        return true;
    }

    AGraphColor* color;
    CellImage<T> image;
    ImageCache cache;
    int32_t firstPendingRow = 0, lastPendingRow = 0;
    PlotJobs jobs;
};
