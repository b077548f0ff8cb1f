// A graph set of two 2D views side by side (186 by 184 pixels each, world 0
// in their middles, 64 pixels a unit), the document's map of the plane set
// from formula texts, and a port over the whole pane, for the plots that
// carry the first view's picture into the second.
#pragma once

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocumentTask.h"
#include "drawing/DDUtils.h"
#include "document/DocState.h"
#include "drawing/DrawingPort.h"
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/GraphSet.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/PortFixture.h"
#include "support/StubPlot.h"
#include "support/TestApp.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

// A horizontal red line at the level, one pixel high, across the view.
class RedLevelPlot : public StubPlot {
public:
    RedLevelPlot(const ViewMapping* drawMapping, double level) : StubPlot(drawMapping), level(level) {}
    void Draw() override
    {
        if (!LockPortSurface())
            return;
        const int32_t row = mapping->YToPixel(level);
        auto* pixels = reinterpret_cast<uint32_t*>(GetPortBaseAddress() + row * GetPortRowBytes());
        for (int32_t x = mapping->rect.left; x < mapping->rect.right; ++x)
            pixels[x] = 0xFF0000;
        UnlockPortSurface();
    }
    double level;
};

class MapPlotFixture : public PortFixture {
protected:
    static constexpr int kPaneWidth = 400;
    static constexpr int kPaneHeight = 200;

    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        TestApp();
        ASSERT_TRUE(InitFormulaEngine());
        set = std::make_unique<GraphSet>(ShortRect{0, 0, kPaneHeight, kPaneWidth}, nullptr, &doc);
    }
    void TearDown() override
    {
        set.reset();
        doc.ClearTransformRecord();
        PortFixture::TearDown();
    }

    // The map (u, v) of the given kind, the views chosen for it, and a red
    // line at y = 0.5 in the first view, listed for the map's plot.
    void Map(uint32_t kind, const char* u, const char* v, double grain = 0.5)
    {
        doc.transform.kind = kind;
        doc.transform.components[0] = ReadFormula(u);
        doc.transform.components[1] = ReadFormula(v);
        doc.transform.Color = 1;
        doc.transform.Grain = grain;
        set->BuildComplexMapViews(false, false, false, false, &doc.transform, &doc);
        first()->graphs.Push(new RedLevelPlot(&first()->drawMapping, 0.5));
        set->NoteComplexMapGraph(first()->graphs.count - 1, &doc.transform);
    }
    A2DGraphView* first() { return set->views2D[0]; }
    A2DGraphView* second() { return set->views2D[1]; }

    // Both views drawn into a white port; the second without paper or
    // axes of its own, so that its pixels are what the map's plot paints.
    void DrawBoth()
    {
        MakePort(kPaneWidth, kPaneHeight);
        ReleasePortDC();
        second()->showGraphPaper = 0;
        second()->showAxes = 0;
        first()->Render(nullptr, nullptr, true);
        second()->Render(nullptr, nullptr, true);
    }

    // Mean difference per channel between the second view's pixels and the
    // first view's pixels at the same world point, over the second view's
    // inside (a margin of 4 pixels).
    double MeanDifferenceFromFirstView()
    {
        const ViewMapping& a = first()->screenMapping;
        const ViewMapping& b = second()->screenMapping;
        double sum = 0;
        int64_t count = 0;
        for (int v = b.rect.top + 4; v < b.rect.bottom - 4; ++v) {
            for (int h = b.rect.left + 4; h < b.rect.right - 4; ++h) {
                const double x = (h - b.originX) * b.unitsPerPixelX, y = -(v - b.originY) * b.unitsPerPixelY;
                const int32_t fh = a.XToPixel(x), fv = a.YToPixel(y);
                if (fh < a.rect.left || fh >= a.rect.right || fv < a.rect.top || fv >= a.rect.bottom)
                    continue;
                const uint32_t p = Colour(h, v), q = Colour(fh, fv);
                for (int shift = 0; shift < 24; shift += 8)
                    sum += std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF));
                count += 3;
            }
        }
        return count ? sum / count : 1e9;
    }

    FakeGraphServices services;
    DocState doc;
    std::unique_ptr<GraphSet> set;
};
