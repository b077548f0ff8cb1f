// A 2D view from -2 to 2 across and 1 to -1 down, 20 pixels a unit, with
// the worker pool running and a port to draw into, for the plots that fill
// the view cell by cell.
#pragma once

#include "CoreUtilities/GraphWorkerPool.h"
#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "drawing/DDUtils.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphs2d/ViewMapping.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/PortFixture.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <vector>

class CellPlotFixture : public PortFixture {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        ASSERT_TRUE(InitFormulaEngine());
        View(0);
    }

    // Cell (i, j) lies at x = (i - 40)/20, y = (20 - j)/20, before the
    // view is panned by shift pixels to the left.
    void View(int shift, int height = 41)
    {
        ShortRect r;
        SetShortRect(r, 0, 0, height, 81);
        mapping.Set(r, 40 - shift, 20 + (height - 41), 20, -20, 1);
        mapping.doc = &doc;
    }

    CompiledFormula* Formula(const char* text) { return new CompiledFormula(ReadFormula(text), &doc); }
    AGraphColor* Colour(RgbColor rgb)
    {
        auto* colour = new AGraphColor(nullptr, &doc);
        colour->rgb = rgb;
        return colour;
    }

    // A white port over the view, without a device context, as plots draw.
    void WhitePort()
    {
        MakePort(81, mapping.rect.bottom);
        ReleasePortDC();
    }

    template <typename T>
    static std::vector<T> Cells(const T* cells, int32_t count)
    {
        return std::vector<T>(cells, cells + count);
    }

    FakeGraphServices services;
    DocState doc;
    ViewMapping mapping;
};
