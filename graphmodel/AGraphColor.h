// The colour a graph is drawn in: a solid colour, a pattern, hidden, a
// picture mapped onto the graph, or a colour computed per point from three
// formulas, {r, g, b} or {h, s, v}. On surfaces the formulas may become a
// GPU fragment program; the colour then keeps its formula kind aside and
// switches back when the program cannot be used.
//
// EvaluateFormulas, EvaluateFormulasForRow and EvaluateConstantColor run on
// worker threads inside a graph's computation (the formulas are read-only
// once compiled, the frame is the thread's own); everything else, and all
// GPU work, on the user-interface thread.
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/PictureHandle.h"
#include "CoreUtilities/ShortRect.h"
#include "evaluation/FormulaColour.h"
#include "graphmodel/RenderContext.h"

#include <atomic>
#include <cstdint>

struct CompiledFormula;
struct DocState;
struct FormulaNode;

enum GraphColorKind : int32_t {
    ColorSolid = 0,
    ColorCheckerboard = 1,
    ColorRowStripes = 2,
    ColorColumnStripes = 3,
    ColorRowGradient = 4,
    ColorColumnGradient = 5,
    ColorRowBands = 6,
    ColorColumnBands = 7,
    ColorPicture = 8,
    ColorRgbFormulas = 9,
    ColorHsvFormulas = 10,
    ColorGpuProgram = 11,
    ColorHidden = 13,
};

constexpr RgbColor kDefaultGraphRgb = 0xCE00CE;
// Companion graphs and the colour code 8.
constexpr RgbColor kDarkGreyRgb = 0x333333;
constexpr int32_t kHiddenColorCode = 17;
constexpr int32_t kPictureColorCode = 999;

// The picture the document hands over before it sends colour code 999 to a
// line's graphs; null when the line has none. User-interface thread.
void SetColorPictureHandover(PictureHandle picture);
PictureHandle GetColorPictureHandover();

// HSV (hue in turns, its fraction used) to 0x00RRGGBB, each channel times
// 255 truncated.
RgbColor HsvToRgbColor(double h, double s, double v);
// Shade k of n (n >= 2) of a colour, for plots that tell levels apart by
// brightness: each channel times 0.26 + 0.74 k/(n - 1), truncated, so that
// shade 0 is darkest and shade n - 1 the colour itself.
RgbColor ShadeOfColor(RgbColor c, int32_t k, int32_t n);

class AGraphColor : public FormulaColour {
public:
    AGraphColor(RenderContext* context, DocState* doc);
    virtual ~AGraphColor();
    AGraphColor(const AGraphColor&) = delete;
    AGraphColor& operator=(const AGraphColor&) = delete;

    std::atomic<int32_t> kind{ColorSolid};
    // The formula kind (9 or 10) while kind is 11.
    int32_t savedKind = ColorSolid;
    // Owned; kinds 9, 10 and 11 (hue, saturation, value for 10).
    CompiledFormula* red = nullptr;
    CompiledFormula* green = nullptr;
    CompiledFormula* blue = nullptr;
    // The solid colour; a formula colour's value at all arguments 0 once a
    // computation has started.
    std::atomic<RgbColor> rgb{kDefaultGraphRgb};
    TextureHandle texture = nullptr;
    // The colour's own copy of the picture (kind 8).
    PictureHandle picture = nullptr;
    RenderContext* context;
    // The context's mode and OpenGL context when the texture or the
    // programs were made.
    int32_t textureMode = 0;
    GLContextHandle textureGLContext = nullptr;
    GpuProgram* fragmentProgram = nullptr;
    GpuProgram* vertexProgram = nullptr;
    // Formulas whose values the fragment program reads as local parameters.
    GrowArray<CompiledFormula*> programConstants;
    DocState* doc;

    // The same kind (a GPU colour's formula kind) and rgb, with copies of
    // the formulas, compiled when these are; no picture, texture, programs
    // or constants. Null when memory is refused.
    AGraphColor* Clone() const;
    AGraphColor* CloneFor(RenderContext* newContext) const;

    // The line's colour code (option 8): 1-8 solid, 10-16 patterns, 17
    // hidden, 999 the handed-over picture; every other value, NaN included,
    // white.
    void SetColorCode(double code);
    // Raises the largest channel of a solid colour to 255 and the others in
    // proportion; dark grey (and black) stay.
    void NormalizeBrightness();
    // The colour over r of the current port, for menus and buttons.
    void DrawSwatch(const ShortRect& r) const;

    bool IsHidden() const { return kind == ColorHidden; }
    // Kinds 4, 5, 9, 10.
    bool IsPerPointColor() const;
    // Kinds 9 and 10: a colour computed at each point from the formulas.
    bool IsFormulaColor() const;
    // Kinds 1, 2, 3, 6, 7: surfaces draw these from a texture.
    bool IsTexturePattern() const;
    bool HasFormulas() const;
    // Some colour formula uses the variable.
    bool DependsOn(uint32_t code) const;

    // With the graph's own formulas, for formula colours (kinds 9, 10).
    void InvalidateConstants();
    void StopFormulas() override;
    void ResumeFormulas() override;
    void InvalidateFormulaConstants() override { InvalidateConstants(); }

    // Channels in [0, 1]; outputs untouched unless the kind is 9 or 10. A
    // NaN channel counts as 0; the hue wraps, and a non-finite hue is 0.
    void EvaluateFormulas(double u, double v, double x, double y, double z, double w, double& r, double& g,
                          double& b) const;
    void EvaluateFormulasForRow(int32_t row, double x, double y, double z, double& r, double& g, double& b) const;
    // rgb := the formulas at all arguments 0 (kinds 9 and 10).
    void EvaluateConstantColor();

    // The picture: its width, and drawn centred on (h, v) scaled by an
    // integer factor or fitted into a square of size pixels. Nothing
    // without a picture.
    int32_t GetImageWidth() const;
    void DrawImageScaled(int h, int v, const ShortRect& clip, int32_t factor) const;
    void DrawImageFitted(int h, int v, const ShortRect& clip, double size) const;
    // A texture of the picture for the context's current mode; false when
    // the context has no mode or no texture can be made.
    bool EnsureImageTexture();

    // Makes, keeps or drops the GPU programs for the plotting mode (1 asks
    // for none); formula may be the graph's own formula, which a program
    // can evaluate too. For a colour left on the processor, compiles its
    // formulas and answers 0; otherwise answers the kind.
    int32_t BuildShader(CompiledFormula* formula, int32_t mode, RenderContext* newContext);
    // Before drawing: false when the context has no mode, or once after it
    // changed (the programs are then dropped).
    bool CheckRenderContext();
    void ReleaseShader();
    // Binds the programs for a draw and passes the constants; false when
    // binding fails.
    bool ApplyShader(RenderContext* drawContext);

private:
    void DeleteFormulas();
    void DeletePrograms();
    void DeleteTexture();
    void RecordContextState();
    void EvaluateChannels(double a, double b, double c, double& r, double& g, double& bl) const;
    void MakePrograms(CompiledFormula* formula, int32_t mode, RenderContext* ctx);
};
