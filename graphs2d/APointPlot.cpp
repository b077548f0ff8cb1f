#include "graphs2d/APointPlot.h"

#include "drawing/DDUtils.h"
#include "drawing/DrawingPort.h"
#include "drawing/Rasteriser.h"
#include "drawing/TextFont.h"
#include "evaluation/CompiledFormula.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs2d/ViewMapping.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* kTextFace = "Lucida Grande";
// A typed size may be anything: larger fonts are not made.
constexpr double kLargestTextSize = 1000.0;

// Draws the text with its baseline half its ascent below v, starting at h.
void DrawTextAt(const char16_t* text, const TextFont& font, int h, int v)
{
    PortSetTransparentTextBack();
    PortMoveTo(h, v + static_cast<int>(font.Ascent() / 2));
    DrawTextAtPen(text, font, GetPortDC());
}

}  // namespace

APointPlot::APointPlot(CompiledFormula* x, CompiledFormula* y, CompiledFormula* symbol, CompiledFormula* label,
                       CompiledFormula* size, AGraphColor* color, bool draggable, const ViewMapping* mapping)
    : A2DGraph(mapping), xFormula(x), yFormula(y), symbolFormula(symbol), labelFormula(label), sizeFormula(size),
      color(color), draggable(draggable), jobs(this, 1)
{
    // The texts are read from the trees, never run.
    for (CompiledFormula* f : {xFormula, yFormula, sizeFormula}) {
        if (f)
            CompileFormula(f);
    }
    formulaList[0] = xFormula;
    formulaList[1] = yFormula;
    formulaList[2] = sizeFormula;
    jobs.SetFormulas(formulaList, 3);
    StartJobs();
}

APointPlot::~APointPlot()
{
    StopJobs();
    delete xFormula;
    delete yFormula;
    delete symbolFormula;
    delete labelFormula;
    delete sizeFormula;
    delete color;
}

void APointPlot::StartJobs()
{
    computed = false;
    if (color)
        color->ResumeFormulas();
    jobs.Start();
}

void APointPlot::StopJobs()
{
    if (color)
        color->StopFormulas();
    jobs.Stop();
}

int32_t APointPlot::ComputeChunk(int32_t part)
{
    const double x = xFormula ? xFormula->EvaluateAt(0) : NAN;
    const double y = yFormula ? yFormula->EvaluateAt(0) : NAN;
    if (color)
        color->EvaluateConstantColor();
    const double v = sizeFormula ? sizeFormula->EvaluateAtUVXYZW(0, 0, x, y, 0, 0) : NAN;
    if (jobs.StopRequested())
        return GraphJobStopped;
    {
        MutexLock hold(jobs.lock);
        pointX = x;
        pointY = y;
        if (symbolFormula)
            symbolText = symbolFormula->TextAtRow(1);
        if (labelFormula)
            labelText = labelFormula->TextAtRow(1);
        // Zero, negative and undefined sizes keep the size there was.
        if (std::isfinite(v) && v > 0)
            size = v;
        computed = true;
    }
    return jobs.FinishPart(part, mapping->doc);
}

void APointPlot::VariableChanged(uint32_t)
{
    // Every variable recomputes the point: dragging moves it by one.
    InvalidateConstants(color, xFormula, yFormula, sizeFormula);
    StopJobs();
    StartJobs();
}

void APointPlot::SetOption(int32_t code, double value)
{
    if (code == OptionColor && color) {
        color->SetColorCode(value);
    } else if (code == OptionPointX || code == OptionPointY) {
        // The dragged position shows until the next computation.
        MutexLock hold(jobs.lock);
        (code == OptionPointX ? pointX : pointY) = value;
    }
}

bool APointPlot::HitTest(double x, double y)
{
    if (!draggable || !color || color->IsHidden())
        return false;
    double px, py;
    {
        MutexLock hold(jobs.lock);
        px = mapping->XToPixelChecked(pointX);
        py = mapping->YToPixelChecked(pointY);
    }
    const double dx = mapping->XToPixelChecked(x) - px, dy = mapping->YToPixelChecked(y) - py;
    const double f = mapping->pixelsPerScreenPixelX;
    return dx * dx + dy * dy <= 16 * f * f;
}

TraceInfo APointPlot::Trace(double x, double y)
{
    TraceInfo readout;
    if (draggable) {
        readout.kind = TraceDraggablePoint;
        readout.x = x;
        readout.y = y;
    }
    return readout;
}

void APointPlot::Draw()
{
    if (!color || color->IsHidden() || !computed)
        return;
    double x, y, textSize;
    const char16_t *symbol, *label;
    {
        MutexLock hold(jobs.lock);
        x = pointX;
        y = pointY;
        textSize = size;
        symbol = symbolText;
        label = labelText;
    }
    if (!std::isfinite(x) || !std::isfinite(y) || !AcquirePortDC())
        return;
    ClipPortToRect(mapping->rect);
    const int px = mapping->XToPixelClipped(x), py = mapping->YToPixelClipped(y);
    const int f = mapping->pixelsPerScreenPixelX;
    const RgbColor rgb = color->rgb.load(std::memory_order_relaxed);
    const float fontSize = static_cast<float>(f * std::min(textSize, kLargestTextSize));
    PortSetForeColor(rgb);
    int h;
    if (symbolFormula && symbol) {
        TextFont font(kTextFace, fontSize, false, false);
        const int w = static_cast<int>(MeasureTextWidth(symbol, font));
        DrawTextAt(symbol, font, px - w / 2, py);
        h = w;
    } else {
        // The surface is written directly: no device context meanwhile. A
        // picture colour whose picture never came draws the dot.
        ReleasePortDC();
        if (color->kind == ColorPicture && color->picture) {
            color->DrawImageScaled(px, py, mapping->rect, f);
            h = color->GetImageWidth() * f / 2;
        } else {
            FillTintedDisc(mapping->rect, px, py, 3 * f, rgb);
            h = 3 * f;
        }
        if (!AcquirePortDC())
            return;
        ClipPortToRect(mapping->rect);
        PortSetForeColor(rgb);
    }
    if (labelFormula && label) {
        TextFont font(kTextFace, fontSize, false, false);
        DrawTextAt(label, font, px + h + 4, py);
    }
    ReleasePortDC();
}
