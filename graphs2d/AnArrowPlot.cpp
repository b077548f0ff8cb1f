#include "graphs2d/AnArrowPlot.h"

#include "drawing/DrawingPort.h"
#include "drawing/Rasteriser.h"
#include "evaluation/CompiledFormula.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs2d/ArrowHead.h"
#include "graphs2d/ViewMapping.h"

#include <cmath>

AnArrowPlot::AnArrowPlot(CompiledFormula* x1, CompiledFormula* y1, CompiledFormula* x2, CompiledFormula* y2,
                         AGraphColor* color, const ViewMapping* mapping)
    : A2DGraph(mapping), formulas{x1, y1, x2, y2}, color(color), jobs(this, 1)
{
    for (CompiledFormula* f : formulas) {
        if (f)
            CompileFormula(f);
    }
    jobs.SetFormulas(formulas, 4);
    Start();
}

AnArrowPlot::~AnArrowPlot()
{
    StopComputation();
    for (CompiledFormula* f : formulas)
        delete f;
    delete color;
}

void AnArrowPlot::Start()
{
    computed = false;
    if (color)
        color->ResumeFormulas();
    jobs.Start();
}

void AnArrowPlot::StopComputation()
{
    if (color)
        color->StopFormulas();
    jobs.Stop();
}

int32_t AnArrowPlot::ComputeChunk(int32_t part)
{
    double* values[] = {&x1, &y1, &x2, &y2};
    for (int32_t i = 0; i < 4; ++i)
        *values[i] = formulas[i] ? formulas[i]->EvaluateAt(0) : NAN;
    if (color)
        color->EvaluateConstantColor();
    if (jobs.StopRequested())
        return GraphJobStopped;
    computed = true;
    return jobs.FinishPart(part, mapping->doc);
}

void AnArrowPlot::VariableChanged(uint32_t)
{
    InvalidateConstants(color, formulas[0], formulas[1], formulas[2], formulas[3]);
    StopComputation();
    Start();
}

void AnArrowPlot::SetOption(int32_t code, double value)
{
    // The colour is applied when drawing: the values stay.
    if (code == OptionColor && color)
        color->SetColorCode(value);
}

void AnArrowPlot::Draw()
{
    if (!color || color->IsHidden() || !computed)
        return;
    for (double v : {x1, y1, x2, y2}) {
        if (!std::isfinite(v))
            return;
    }
    if (!LockPortSurface())
        return;
    const RgbColor rgb = color->rgb.load(std::memory_order_relaxed);
    auto pixel = [&](double x, double y) {
        return ShortPoint{static_cast<int16_t>(mapping->YToPixelClipped(y)),
                          static_cast<int16_t>(mapping->XToPixelClipped(x))};
    };
    DrawTintedLine(mapping->rect, pixel(x1, y1), pixel(x2, y2), rgb);
    DrawArrowHeadAt(x1, y1, x2 - x1, y2 - y1, *mapping, rgb);
    UnlockPortSurface();
}
