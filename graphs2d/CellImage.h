// The cell grid of a plot that fills the whole 2D view (density and colour
// plots): one value per cell (a pixel, or a 2 by 2 block while the view
// draws at double resolution), row 0 at the top, a "pending" value for
// cells not computed yet. The grid outlives scrolls and resizes: the cells
// still in view move with the picture and only the exposed ones become
// pending. Workers write cells and the drawing reads them without a lock,
// each cell as one relaxed atomic value, so no drawing sees a torn cell.
#pragma once

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "graphs2d/ViewMapping.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cstdlib>

template <typename T>
class CellImage {
public:
    explicit CellImage(T pending) : pending_(pending) {}
    ~CellImage() { Free(); }
    CellImage(const CellImage&) = delete;
    CellImage& operator=(const CellImage&) = delete;

    T* cells = nullptr;
    int32_t width = 0;
    int32_t height = 0;

    // Sizes from the mapping's rectangle, every cell pending. False (sizes
    // 0, failure posted) when memory is refused.
    bool Allocate(const ViewMapping& m)
    {
        cells = nullptr;
        width = (m.rect.right - m.rect.left) / m.pixelsPerScreenPixelX;
        height = (m.rect.bottom - m.rect.top) / m.pixelsPerScreenPixelY;
        if (width <= 0 || height <= 0) {
            width = height = 0;
            return true;
        }
        cells = static_cast<T*>(BudgetMalloc(Bytes(), false));
        if (!cells) {
            PostFailure(FailureOutOfMemory);
            width = height = 0;
            return false;
        }
        std::fill(cells, cells + Count(), pending_);
        return true;
    }
    void Free()
    {
        BudgetFree(cells);
        cells = nullptr;
    }
    int32_t Count() const { return width * height; }
    uint32_t Bytes() const { return static_cast<uint32_t>(Count()) * sizeof(T); }
    T Load(int32_t i) const { return __atomic_load_n(&cells[i], __ATOMIC_RELAXED); }
    void Store(int32_t i, T v) { __atomic_store_n(&cells[i], v, __ATOMIC_RELAXED); }
    bool IsPending(int32_t i) const { return Load(i) == pending_; }

    // A new grid for the mapping's rectangle keeping the overlap of the old
    // one, left columns and bottom rows aligned. The plot is stopped.
    void Resize(const ViewMapping& m)
    {
        T* old = cells;
        const int32_t oldWidth = width, oldHeight = height;
        if (Allocate(m) && cells && old) {
            const int32_t w = std::min(oldWidth, width), h = std::min(oldHeight, height);
            for (int32_t j = 0; j < h; ++j)
                std::memcpy(cells + static_cast<size_t>(height - h + j) * width,
                            old + static_cast<size_t>(oldHeight - h + j) * oldWidth, sizeof(T) * w);
        }
        BudgetFree(old);
    }
    // The picture moved by (cx, cy) cells (positive right and down). The
    // plot is stopped.
    void Scroll(int32_t cx, int32_t cy)
    {
        if (!cells)
            return;
        if (std::abs(cx) >= width || std::abs(cy) >= height) {
            std::fill(cells, cells + Count(), pending_);
            return;
        }
        for (int32_t j = 0; j < height && cx != 0; ++j) {
            T* line = cells + static_cast<size_t>(j) * width;
            if (cx > 0) {
                std::memmove(line + cx, line, sizeof(T) * (width - cx));
                std::fill(line, line + cx, pending_);
            } else {
                std::memmove(line, line - cx, sizeof(T) * (width + cx));
                std::fill(line + width + cx, line + width, pending_);
            }
        }
        const size_t rowBytes = sizeof(T) * width;
        if (cy > 0) {
            std::memmove(cells + static_cast<size_t>(cy) * width, cells, rowBytes * (height - cy));
            std::fill(cells, cells + static_cast<size_t>(cy) * width, pending_);
        } else if (cy < 0) {
            std::memmove(cells, cells - static_cast<size_t>(cy) * width, rowBytes * (height + cy));
            std::fill(cells + static_cast<size_t>(height + cy) * width, cells + Count(), pending_);
        }
    }
    bool RowHasPending(int32_t row) const
    {
        for (int32_t i = row * width; i < (row + 1) * width; ++i) {
            if (IsPending(i))
                return true;
        }
        return false;
    }
    bool RowAllPending(int32_t row) const
    {
        for (int32_t i = row * width; i < (row + 1) * width; ++i) {
            if (!IsPending(i))
                return false;
        }
        return true;
    }
    // The first and last rows with a pending cell: (height, 0) for none.
    void PendingRows(int32_t& first, int32_t& last) const
    {
        first = height;
        last = 0;
        for (int32_t j = 0; j < height; ++j) {
            if (RowHasPending(j)) {
                first = std::min(first, j);
                last = j;
            }
        }
    }
    bool AllEqual(T v) const
    {
        for (int32_t i = 0; i < Count(); ++i) {
            if (Load(i) != v)
                return false;
        }
        return true;
    }

private:
    T pending_;
};

// Band `band` of `bands` over the pending rows first..last: rows s to e,
// none when s > e.
inline void BandRows(int32_t first, int32_t last, int32_t bands, int32_t band, int32_t height, int32_t& s, int32_t& e)
{
    const int32_t perBand = (last - first + 1) / bands + 1;
    s = band * perBand + first;
    e = std::min(s + perBand - 1, height - 1);
}
