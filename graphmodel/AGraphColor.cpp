#include "graphmodel/AGraphColor.h"

#include "CoreUtilities/ThreadStorage.h"
#include "drawing/DrawingPort.h"
#include "drawing/Rasteriser.h"
#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "graphmodel/GpuProgram.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace {

PictureHandle PictureHandover = nullptr;

struct CodeColor {
    int32_t kind;
    RgbColor rgb;
};

// Codes 1-17; index 0 and 9 are not codes and give white.
constexpr CodeColor kCodeColors[] = {
    {ColorSolid, 0xFFFFFF},         {ColorSolid, 0xCE00CE},         {ColorSolid, 0xFF0000},
    {ColorSolid, 0x0000FF},         {ColorSolid, 0x00FF00},         {ColorSolid, 0x00FFFF},
    {ColorSolid, 0xFFFF00},         {ColorSolid, 0xCCCCCC},         {ColorSolid, kDarkGreyRgb},
    {ColorSolid, 0xFFFFFF},         {ColorCheckerboard, 0xCE00CE},  {ColorRowStripes, 0xCE00CE},
    {ColorColumnStripes, 0xCE00CE}, {ColorRowGradient, 0xCE00CE},   {ColorColumnGradient, 0xCE00CE},
    {ColorRowBands, 0xCE00CE},      {ColorColumnBands, 0xCE00CE},   {ColorHidden, 0xCE00CE},
};
constexpr int32_t kCodeCount = static_cast<int32_t>(sizeof(kCodeColors) / sizeof(kCodeColors[0]));

constexpr RgbColor kWhite = 0xFFFFFF;
constexpr RgbColor kPatternGrey = 0xE5E5E5;

double Clamp01(double value)
{
    // NaN fails both tests and becomes 0.
    return value > 1 ? 1 : value >= 0 ? value : 0;
}

uint32_t Channel(double value)
{
    return static_cast<uint32_t>(Clamp01(value) * 255);
}

RgbColor PackRgb(double r, double g, double b)
{
    return (Channel(r) << 16) | (Channel(g) << 8) | Channel(b);
}

bool IsFormulaKind(int32_t kind)
{
    return kind == ColorRgbFormulas || kind == ColorHsvFormulas;
}

// The pattern grey on odd 4-pixel cells, else the default colours.
void SetPatternColor(bool odd)
{
    if (odd)
        PortSetForeColor(kPatternGrey);
    else
        PortSetDefaultColors();
}

void DrawRow(const ShortRect& r, int v)
{
    PortMoveTo(r.left, v);
    PortLineToIncludingEnd(r.right - 1, v);
}

void DrawColumn(const ShortRect& r, int h)
{
    PortMoveTo(h, r.top);
    PortLineToIncludingEnd(h, r.bottom - 1);
}

// Rows (along the vertical) or columns of a swatch, each in the colour the
// offset from the first gives.
template <typename ColorAt>
void DrawLines(const ShortRect& r, bool rows, ColorAt colorAt)
{
    const int first = rows ? r.top : r.left;
    const int end = rows ? r.bottom : r.right;
    for (int i = first; i < end; ++i) {
        colorAt(i - first, end - first);
        if (rows)
            DrawRow(r, i);
        else
            DrawColumn(r, i);
    }
}

}  // namespace

void SetColorPictureHandover(PictureHandle picture)
{
    PictureHandover = picture;
}

PictureHandle GetColorPictureHandover()
{
    return PictureHandover;
}

RgbColor ShadeOfColor(RgbColor c, int32_t k, int32_t n)
{
    // In whole hundredths, so that the top shade is exactly the colour.
    const uint32_t num = static_cast<uint32_t>(26 * (n - 1) + 74 * k), den = static_cast<uint32_t>(100 * (n - 1));
    auto channel = [&](int shift) { return (((c >> shift) & 0xFF) * num / den) << shift; };
    return channel(16) | channel(8) | channel(0);
}

RgbColor HsvToRgbColor(double h, double s, double v)
{
    double r, g, b;
    HsvToRgb(h, s, v, r, g, b);
    return PackRgb(r, g, b);
}

AGraphColor::AGraphColor(RenderContext* context, DocState* doc) : context(context), doc(doc) {}

AGraphColor::~AGraphColor()
{
    DeleteFormulas();
    DeletePrograms();
    programConstants.DeleteCompiledFormulas();
    DeleteTexture();
    FreeGlobalHandle(picture);
}

void AGraphColor::DeleteFormulas()
{
    delete red;
    delete green;
    delete blue;
    red = green = blue = nullptr;
}

void AGraphColor::DeletePrograms()
{
    delete fragmentProgram;
    delete vertexProgram;
    fragmentProgram = vertexProgram = nullptr;
}

void AGraphColor::DeleteTexture()
{
    if (texture && context)
        context->DeleteTexture(texture, textureMode, textureGLContext);
    texture = nullptr;
}

void AGraphColor::RecordContextState()
{
    textureMode = context ? context->GetMode() : 0;
    textureGLContext = context ? context->GetGLContext() : nullptr;
}

AGraphColor* AGraphColor::Clone() const
{
    AGraphColor* copy = new (std::nothrow) AGraphColor(context, doc);
    if (!copy)
        return nullptr;
    const int32_t k = kind;
    copy->kind = k == ColorGpuProgram ? savedKind : k;
    copy->savedKind = savedKind;
    copy->rgb = rgb.load();
    if (!red)
        return copy;
    copy->red = red->Clone();
    copy->green = green ? green->Clone() : nullptr;
    copy->blue = blue ? blue->Clone() : nullptr;
    if (!copy->red || (green && !copy->green) || (blue && !copy->blue)) {
        delete copy;
        return nullptr;
    }
    if (red->pointProgram)
        CompileFormulas3(copy->red, copy->green, copy->blue);
    return copy;
}

AGraphColor* AGraphColor::CloneFor(RenderContext* newContext) const
{
    AGraphColor* copy = Clone();
    if (copy)
        copy->context = newContext;
    return copy;
}

void AGraphColor::SetColorCode(double value)
{
    if (value >= kPictureColorCode && value < kPictureColorCode + 1) {
        FreeGlobalHandle(picture);
        picture = DuplicateGlobalHandle(PictureHandover);
        DeleteTexture();
        if (!picture) {
            // A line may name the picture colour without holding a picture:
            // drawing one would have nothing to draw.
            kind = ColorSolid;
            rgb = kWhite;
            return;
        }
        kind = ColorPicture;
        if (context)
            texture = context->CreateTextureFromPicture(picture);
        RecordContextState();
        if (!texture)
            rgb = kWhite;
        return;
    }
    // NaN and values beyond the table fail the range test before any
    // conversion.
    const bool inTable = value >= 0 && value < kCodeCount;
    const CodeColor entry = inTable ? kCodeColors[static_cast<int32_t>(value)] : CodeColor{ColorSolid, kWhite};
    kind = entry.kind;
    rgb = entry.rgb;
}

void AGraphColor::NormalizeBrightness()
{
    const RgbColor c = rgb;
    if (kind != ColorSolid || c == kDarkGreyRgb)
        return;
    uint32_t channels[3] = {(c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF};
    // The first largest channel, in the order red, green, blue.
    int top = 0;
    if (channels[1] > channels[top])
        top = 1;
    if (channels[2] > channels[top])
        top = 2;
    const uint32_t largest = channels[top];
    // Black has no hue to keep.
    if (largest == 0)
        return;
    for (uint32_t& channel : channels)
        channel = channel * 255 / largest;
    rgb = (channels[0] << 16) | (channels[1] << 8) | channels[2];
}

void AGraphColor::DrawSwatch(const ShortRect& r) const
{
    switch (kind.load()) {
    case ColorSolid:
        PortSetForeColor(rgb);
        PortPaintRect(r);
        break;
    case ColorCheckerboard:
        for (int v = r.top; v < r.bottom; ++v) {
            for (int h = r.left; h < r.right; ++h) {
                SetPatternColor((((v - r.top) / 4) ^ ((h - r.left) / 4)) & 1);
                PortDrawDot(h, v);
            }
        }
        break;
    case ColorRowStripes:
    case ColorColumnStripes:
        DrawLines(r, kind == ColorRowStripes, [](int c, int) { SetPatternColor((c / 4) & 1); });
        break;
    case ColorRowGradient:
    case ColorColumnGradient:
        DrawLines(r, kind == ColorRowGradient,
                  [](int c, int n) { PortSetForeColor(HsvToRgbColor(static_cast<double>(c) / n, 1, 1)); });
        break;
    case ColorRowBands:
    case ColorColumnBands:
        DrawLines(r, kind == ColorRowBands,
                  [](int c, int) { PortSetForeColor(HsvToRgbColor((c / 4) / 6.0, 1, 1)); });
        break;
    case ColorHidden:
        PortSetDefaultColors();
        PortMoveTo(r.right - 1, r.top);
        PortLineTo(r.left, r.bottom - 1);
        PortMoveTo(r.left, r.top);
        PortLineTo(r.right - 1, r.bottom - 1);
        PortFrameRect(r);
        break;
    default:
        break;
    }
    PortSetDefaultColors();
}

bool AGraphColor::IsPerPointColor() const
{
    const int32_t k = kind;
    return k == ColorRowGradient || k == ColorColumnGradient || IsFormulaKind(k);
}

bool AGraphColor::IsFormulaColor() const
{
    return IsFormulaKind(kind);
}

bool AGraphColor::IsTexturePattern() const
{
    switch (kind.load()) {
    case ColorCheckerboard:
    case ColorRowStripes:
    case ColorColumnStripes:
    case ColorRowBands:
    case ColorColumnBands:
        return true;
    default:
        return false;
    }
}

bool AGraphColor::HasFormulas() const
{
    return red != nullptr;
}

bool AGraphColor::DependsOn(uint32_t code) const
{
    const int32_t k = kind;
    if (!IsFormulaKind(k) && k != ColorGpuProgram)
        return false;
    for (const CompiledFormula* f : {red, green, blue}) {
        if (f && f->DependsOn(code))
            return true;
    }
    return false;
}

void AGraphColor::InvalidateConstants()
{
    if (IsFormulaKind(kind))
        ::InvalidateConstants(nullptr, red, green, blue);
}

void AGraphColor::StopFormulas()
{
    if (IsFormulaKind(kind))
        ::StopFormulas(nullptr, red, green, blue);
}

void AGraphColor::ResumeFormulas()
{
    if (IsFormulaKind(kind))
        ::ResumeFormulas(nullptr, red, green, blue);
}

void AGraphColor::EvaluateChannels(double a, double b, double c, double& r, double& g, double& bl) const
{
    const int32_t k = kind;
    if (k == ColorRgbFormulas) {
        r = Clamp01(a);
        g = Clamp01(b);
        bl = Clamp01(c);
    } else if (k == ColorHsvFormulas) {
        // The hue wraps rather than clamps; one that is not a number has no
        // sector.
        HsvToRgb(std::isfinite(a) ? a : 0, Clamp01(b), Clamp01(c), r, g, bl);
    }
}

void AGraphColor::EvaluateFormulas(double u, double v, double x, double y, double z, double w, double& r, double& g,
                                   double& b) const
{
    if (!IsFormulaKind(kind) || !red || !green || !blue)
        return;
    EvaluateChannels(red->EvaluateAtUVXYZW(u, v, x, y, z, w), green->EvaluateAtUVXYZW(u, v, x, y, z, w),
                     blue->EvaluateAtUVXYZW(u, v, x, y, z, w), r, g, b);
}

void AGraphColor::EvaluateFormulasForRow(int32_t row, double x, double y, double z, double& r, double& g,
                                         double& b) const
{
    if (!IsFormulaKind(kind) || !red || !green || !blue)
        return;
    EvaluateChannels(red->EvaluateAtRow(row, x, y, z), green->EvaluateAtRow(row, x, y, z),
                     blue->EvaluateAtRow(row, x, y, z), r, g, b);
}

void AGraphColor::EvaluateConstantColor()
{
    if (!IsFormulaKind(kind) || !red || !green || !blue)
        return;
    double r = 0, g = 0, b = 0;
    EvaluateFormulas(0, 0, 0, 0, 0, 0, r, g, b);
    rgb.store(PackRgb(r, g, b), std::memory_order_relaxed);
}

int32_t AGraphColor::GetImageWidth() const
{
    if (!picture)
        return 0;
    ShortRect bounds;
    GetPictureBounds(picture, bounds);
    return ShortRectWidth(bounds);
}

void AGraphColor::DrawImageScaled(int h, int v, const ShortRect& clip, int32_t factor) const
{
    if (!picture)
        return;
    ShortRect bounds;
    GetPictureBounds(picture, bounds);
    const int width = ShortRectWidth(bounds), height = ShortRectHeight(bounds);
    DrawPictureScaled(picture, h - factor * width / 2, v - factor * height / 2, clip, factor);
}

void AGraphColor::DrawImageFitted(int h, int v, const ShortRect& clip, double size) const
{
    if (!picture)
        return;
    ShortRect bounds;
    GetPictureBounds(picture, bounds);
    const int width = ShortRectWidth(bounds), height = ShortRectHeight(bounds);
    const int longer = std::max(width, height);
    if (longer <= 0 || !(size > 0) || !std::isfinite(size))
        return;
    const double s = size / longer;
    DrawPictureScaled(picture, h - static_cast<int>(s * width * 0.5), v - static_cast<int>(s * height * 0.5), clip,
                      s);
}

bool AGraphColor::EnsureImageTexture()
{
    if (!context)
        return false;
    const int32_t mode = context->GetMode();
    const GLContextHandle gl = context->GetGLContext();
    if (mode == RenderModeNone)
        return false;
    if (mode == textureMode && gl == textureGLContext && texture && context->IsTextureValid(texture))
        return true;
    DeleteTexture();
    textureMode = mode;
    textureGLContext = gl;
    texture = picture ? context->CreateTextureFromPicture(picture) : nullptr;
    return texture != nullptr;
}

void AGraphColor::MakePrograms(CompiledFormula* formula, int32_t mode, RenderContext* ctx)
{
    // A colour already on the GPU makes its text from its formula kind.
    const int32_t k = kind == ColorGpuProgram ? savedKind : kind.load();
    if (!(IsFormulaKind(k) || formula) || mode == 1)
        return;
    ProgramConstantTrees trees;
    std::string text;
    if (IsFormulaKind(k) && red && green && blue)
        text = MakeColorProgramText(red->tree, green->tree, blue->tree, formula ? formula->tree : nullptr,
                                    k == ColorHsvFormulas, &trees, !ctx->IsNVIDIARenderer(), doc);
    else if (formula)
        text = MakeConstantColorProgramText(formula->tree, &trees, k == ColorPicture, doc);
    if (text.empty()) {
        for (FormulaNode* tree : trees)
            FreeTree(tree);
        trees.Clear();
        return;
    }
    programConstants.DeleteCompiledFormulas();
    for (FormulaNode* tree : trees) {
        CompiledFormula* constant = new (std::nothrow) CompiledFormula(tree, doc);
        if (!constant) {
            FreeTree(tree);
            continue;
        }
        CompileFormula(constant);
        if (programConstants.Push(constant))
            delete constant;
    }
    trees.Clear();
    DeletePrograms();
    vertexProgram = new (std::nothrow) GpuProgram{"vertex", FixedVertexProgramText(), GpuVertexProgram};
    fragmentProgram = new (std::nothrow) GpuProgram{"color", std::move(text), GpuFragmentProgram};
    textureMode = ctx->GetMode();
    textureGLContext = ctx->GetGLContext();
    const bool bound = vertexProgram && fragmentProgram && ctx->BindColorPrograms(fragmentProgram, vertexProgram);
    ctx->UnbindColorPrograms();
    if (!bound) {
        // The colour stays one the processor computes.
        DeletePrograms();
        return;
    }
    savedKind = k;
    if (IsFormulaKind(k))
        kind = ColorGpuProgram;
}

int32_t AGraphColor::BuildShader(CompiledFormula* formula, int32_t mode, RenderContext* newContext)
{
    const bool gpu = newContext && newContext->CanUseGPUPrograms();
    if (!fragmentProgram || (mode != 1 && gpu)) {
        if (gpu)
            MakePrograms(formula, mode, newContext);
    } else {
        DeletePrograms();
        kind = savedKind;
    }
    const int32_t k = kind;
    if (IsFormulaKind(k)) {
        CompileFormulas3(red, green, blue);
        return 0;
    }
    return k;
}

bool AGraphColor::CheckRenderContext()
{
    if (!context)
        return false;
    const int32_t mode = context->GetMode();
    const GLContextHandle gl = context->GetGLContext();
    if (mode == RenderModeNone)
        return false;
    if (mode == textureMode && gl == textureGLContext)
        return true;
    textureMode = mode;
    textureGLContext = gl;
    BuildShader(nullptr, 1, context);
    return false;
}

void AGraphColor::ReleaseShader()
{
    BuildShader(nullptr, 0, nullptr);
}

bool AGraphColor::ApplyShader(RenderContext* drawContext)
{
    if (!drawContext)
        return false;
    if (kind == ColorGpuProgram)
        drawContext->SetShinyColor(kWhite);
    if (!drawContext->BindColorPrograms(fragmentProgram, vertexProgram))
        return false;
    EnsureEvalFrame();
    std::vector<double> values;
    for (CompiledFormula* constant : programConstants) {
        ::InvalidateConstants(nullptr, constant);
        values.push_back(constant->EvaluateAt(0));
    }
    while (values.size() % 4)
        values.push_back(0);
    for (size_t i = 0; i + 4 <= values.size(); i += 4) {
        const double group[4] = {values[i], values[i + 1], values[i + 2], values[i + 3]};
        drawContext->SetFragmentProgramParameter(static_cast<int32_t>(i / 4), group);
    }
    return true;
}
