#include "graphs2d/AData2DPlot.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "drawing/DDUtils.h"
#include "drawing/DrawingPort.h"
#include "drawing/Rasteriser.h"
#include "drawing/TextFont.h"
#include "evaluation/CompiledFormula.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/DataRows.h"
#include "graphmodel/GraphCodes.h"
#include "graphs2d/ViewMapping.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

constexpr const char* kTextFace = "Lucida Grande";
constexpr double kDefaultFontSize = 9;
// A typed size may be anything: larger fonts are not made.
constexpr double kLargestFontSize = 1000;
constexpr int kDefaultRadius = 3;
// Arrays of more rows than this would overflow the budget's 32-bit sizes.
constexpr int32_t kMostRows = 1 << 26;

bool IsFormulaColor(int32_t kind)
{
    return kind == ColorRgbFormulas || kind == ColorHsvFormulas;
}

// An array of n elements from the budget, or null (failure 36 posted).
template <typename T>
T* Allocate(int32_t n)
{
    auto* block = static_cast<T*>(BudgetMalloc(static_cast<uint32_t>(std::max(n, 1)) * sizeof(T), true));
    if (!block)
        PostFailure(FailureOutOfMemory);
    return block;
}

int32_t Channel255(double c)
{
    return static_cast<int32_t>(c * 255);
}

// The text's font: the row's size when it is finite and positive.
TextFont RowFont(const double* sizes, int32_t i, int32_t pixelFactor)
{
    double size = sizes ? sizes[i] : NAN;
    if (!(std::isfinite(size) && size > 0))
        size = kDefaultFontSize;
    return TextFont(kTextFace, static_cast<float>(std::min(size, kLargestFontSize) * pixelFactor), false, false);
}

// Draws the text with its baseline half its ascent below v, starting at h.
void DrawTextAt(const char16_t* text, const TextFont& font, int h, int v)
{
    PortSetTransparentTextBack();
    PortMoveTo(h, v + static_cast<int>(font.Ascent() / 2));
    DrawTextAtPen(text, font, GetPortDC());
}

}  // namespace

AData2DPlot::AData2DPlot(CompiledFormula* x, CompiledFormula* y, AGraphColor* color, CompiledFormula* condition,
                         CompiledFormula* radius, CompiledFormula* symbol, CompiledFormula* label,
                         CompiledFormula* fontSize, const ViewMapping* mapping, DocState* doc)
    : A2DGraph(mapping), xFormula(x), yFormula(y), conditionFormula(condition), radiusFormula(radius),
      symbolFormula(symbol), labelFormula(label), fontSizeFormula(fontSize), color(color), doc(doc), jobs(this, 1)
{
    rowCount = std::min(DataRowCount(xFormula, yFormula), kMostRows);
    xs = Allocate<double>(rowCount);
    ys = Allocate<double>(rowCount);
    if (color && IsFormulaColor(color->kind))
        colors = Allocate<int32_t>(rowCount);
    if (radiusFormula)
        radii = Allocate<double>(rowCount);
    if (fontSizeFormula)
        fontSizes = Allocate<double>(rowCount);
    if (symbolFormula)
        symbols = Allocate<char16_t*>(rowCount);
    if (labelFormula)
        labels = Allocate<char16_t*>(rowCount);
    Compile();
    Start();
}

AData2DPlot::~AData2DPlot()
{
    StopComputation();
    FreeTexts();
    for (CompiledFormula* f : {xFormula, yFormula, conditionFormula, radiusFormula, symbolFormula, labelFormula,
                               fontSizeFormula})
        delete f;
    delete color;
    for (void* block : {static_cast<void*>(xs), static_cast<void*>(ys), static_cast<void*>(colors),
                        static_cast<void*>(radii), static_cast<void*>(fontSizes), static_cast<void*>(symbols),
                        static_cast<void*>(labels)})
        BudgetFree(block);
}

void AData2DPlot::Compile()
{
    // The text formulas are read from their trees, never run.
    for (CompiledFormula* f : {xFormula, yFormula, conditionFormula, radiusFormula, fontSizeFormula}) {
        if (f)
            CompileFormula(f);
    }
    if (color)
        color->BuildShader(nullptr, 0, nullptr);
    CompiledFormula* const list[] = {xFormula,        yFormula,
                                     conditionFormula, radiusFormula,
                                     fontSizeFormula,  color ? color->red : nullptr,
                                     color ? color->green : nullptr, color ? color->blue : nullptr};
    std::copy(std::begin(list), std::end(list), formulaList);
    jobs.SetFormulas(formulaList, 8);
}

void AData2DPlot::Start()
{
    computed.store(0, std::memory_order_release);
    if (color)
        color->ResumeFormulas();
    jobs.Start();
}

void AData2DPlot::StopComputation()
{
    if (color)
        color->StopFormulas();
    jobs.Stop();
}

void AData2DPlot::FreeTexts()
{
    for (char16_t** texts : {symbols, labels}) {
        for (int32_t i = 0; texts && i < rowCount; ++i) {
            std::free(texts[i]);
            texts[i] = nullptr;
        }
    }
}

bool AData2DPlot::DependsOn(uint32_t code) const
{
    for (const CompiledFormula* f : {xFormula, yFormula, conditionFormula, radiusFormula, symbolFormula,
                                     labelFormula, fontSizeFormula}) {
        if (f && f->DependsOn(code))
            return true;
    }
    return false;
}

int32_t AData2DPlot::ComputeChunk(int32_t part)
{
    if (!xs || !ys)
        return GraphJobNothingToDo;
    DataRowFormulas formulas;
    formulas.x = xFormula;
    formulas.y = yFormula;
    formulas.condition = conditionFormula;
    formulas.radius = radii ? radiusFormula : nullptr;
    formulas.fontSize = fontSizes ? fontSizeFormula : nullptr;
    formulas.color = colors ? color : nullptr;
    for (int32_t r = 1; r <= rowCount; ++r) {
        const int32_t i = r - 1;
        const DataRow row = ReadDataRow(formulas, r);
        // Texts of an earlier run lie beyond what Draw reads.
        if (symbols) {
            std::free(symbols[i]);
            symbols[i] = row.kept ? CopyDataRowText(symbolFormula, r) : nullptr;
        }
        if (labels) {
            std::free(labels[i]);
            labels[i] = row.kept ? CopyDataRowText(labelFormula, r) : nullptr;
        }
        xs[i] = row.kept ? row.x : NAN;
        ys[i] = row.kept ? row.y : NAN;
        if (radii)
            radii[i] = row.radius;
        if (fontSizes)
            fontSizes[i] = row.fontSize;
        if (colors && row.hasColor)
            colors[i] = (Channel255(row.red) << 16) | (Channel255(row.green) << 8) | Channel255(row.blue);
        if (jobs.StopRequested())
            return GraphJobStopped;
        computed.store(r, std::memory_order_release);
    }
    return jobs.FinishPart(part, mapping->doc);
}

void AData2DPlot::VariableChanged(uint32_t code)
{
    InvalidateConstants(color, xFormula, yFormula, fontSizeFormula);
    if (DependsOn(code) || (color && color->DependsOn(code))) {
        StopComputation();
        Start();
    }
}

void AData2DPlot::SetOption(int32_t code, double value)
{
    if (code != OptionColor || !color)
        return;
    StopComputation();
    color->SetColorCode(value);
    Start();
}

void AData2DPlot::Draw()
{
    if (!color || color->IsHidden() || !xs || !ys)
        return;
    const int32_t n = computed.load(std::memory_order_acquire);
    const ShortRect clip = mapping->rect;
    const int32_t f = mapping->pixelsPerScreenPixelX;
    const RgbColor plain = color->rgb.load(std::memory_order_relaxed);
    const bool picture = color->kind == ColorPicture && color->picture;
    // A marker may be as large as the view, never larger: a radius from a
    // table can be anything.
    const double largest = std::hypot(clip.right - clip.left, clip.bottom - clip.top) + 1;
    auto inkOf = [&](int32_t i) { return colors && IsFormulaColor(color->kind) ? RgbColor(colors[i]) : plain; };
    auto drawn = [&](int32_t i) { return std::isfinite(xs[i]) && std::isfinite(ys[i]); };

    // 1. Markers, written straight into the surface; each row's half-size
    // places its label.
    auto halfSize = std::make_unique<int[]>(static_cast<size_t>(std::max(n, 1)));
    for (int32_t i = 0; i < n; ++i) {
        if (!drawn(i) || (symbols && symbols[i] && *symbols[i]))
            continue;
        const int h = mapping->XToPixelClipped(xs[i]), v = mapping->YToPixelClipped(ys[i]);
        const double r = radii ? radii[i] * mapping->scaleX : NAN;
        const bool sized = std::isfinite(r) && r > 0;
        const int radius = sized ? static_cast<int>(std::min(r, largest)) : kDefaultRadius * f;
        if (picture) {
            if (sized) {
                color->DrawImageFitted(h, v, clip, 2.0 * std::min(r, largest));
                halfSize[i] = radius;
            } else {
                color->DrawImageScaled(h, v, clip, f);
                halfSize[i] = color->GetImageWidth() * f / 2;
            }
        } else {
            FillTintedDisc(clip, h, v, radius, inkOf(i));
            halfSize[i] = radius;
        }
    }

    // 2. Symbols and labels, through the port's device context.
    if ((!symbols && !labels) || !AcquirePortDC())
        return;
    ClipPortToRect(clip);
    for (int32_t i = 0; i < n; ++i) {
        if (!drawn(i))
            continue;
        const int h = mapping->XToPixelClipped(xs[i]), v = mapping->YToPixelClipped(ys[i]);
        const char16_t* symbol = symbols ? symbols[i] : nullptr;
        const char16_t* label = labels ? labels[i] : nullptr;
        if ((!symbol || !*symbol) && (!label || !*label))
            continue;
        const TextFont font = RowFont(fontSizes, i, f);
        PortSetForeColor(inkOf(i));
        int half = halfSize[i];
        if (symbol && *symbol) {
            const int w = static_cast<int>(MeasureTextWidth(symbol, font));
            DrawTextAt(symbol, font, h - w / 2, v);
            half = w;
        }
        if (label && *label)
            DrawTextAt(label, font, h + half + 2, v);
    }
    ReleasePortDC();
}

bool AData2DPlot::GetDataBounds(double* xMin, double* xMax, double* yMin, double* yMax)
{
    if (!IsComplete() || !xs || !ys)
        return false;
    bool any = false;
    double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    for (int32_t i = 0; i < rowCount; ++i) {
        if (!std::isfinite(xs[i]) || !std::isfinite(ys[i]))
            continue;
        if (!any) {
            x0 = x1 = xs[i];
            y0 = y1 = ys[i];
            any = true;
        }
        x0 = std::min(x0, xs[i]);
        x1 = std::max(x1, xs[i]);
        y0 = std::min(y0, ys[i]);
        y1 = std::max(y1, ys[i]);
    }
    if (any) {
        *xMin = x0;
        *xMax = x1;
        *yMin = y0;
        *yMax = y1;
    }
    return any;
}
