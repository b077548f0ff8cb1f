#include "graphmodel/AGraphColor.h"

#include "drawing/DrawingPort.h"
#include "evaluation/CompiledFormula.h"
#include "formula/SymbolCodes.h"
#include "graphmodel/GpuProgram.h"
#include "support/EvaluationFixture.h"
#include "support/PortFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(AGraphColorCodes, EveryCodeGivesItsKindAndColour)
{
    struct Case {
        double code;
        int32_t kind;
        RgbColor rgb;
    };
    const Case cases[] = {
        {1, ColorSolid, 0xCE00CE},        {2, ColorSolid, 0xFF0000},         {3, ColorSolid, 0x0000FF},
        {4, ColorSolid, 0x00FF00},        {5, ColorSolid, 0x00FFFF},         {6, ColorSolid, 0xFFFF00},
        {7, ColorSolid, 0xCCCCCC},        {8, ColorSolid, 0x333333},         {8.9, ColorSolid, 0x333333},
        {10, ColorCheckerboard, 0xCE00CE}, {12, ColorColumnStripes, 0xCE00CE}, {16, ColorColumnBands, 0xCE00CE},
        {17, ColorHidden, 0xCE00CE},
        // Not codes: white.
        {0, ColorSolid, 0xFFFFFF},        {9, ColorSolid, 0xFFFFFF},         {18, ColorSolid, 0xFFFFFF},
        {-1, ColorSolid, 0xFFFFFF},       {-0.5, ColorSolid, 0xFFFFFF},      {998, ColorSolid, 0xFFFFFF},
        {1000, ColorSolid, 0xFFFFFF},     {1e300, ColorSolid, 0xFFFFFF},     {-1e300, ColorSolid, 0xFFFFFF},
        {kNaN, ColorSolid, 0xFFFFFF},     {kInf, ColorSolid, 0xFFFFFF},      {-kInf, ColorSolid, 0xFFFFFF},
    };
    for (const Case& c : cases) {
        AGraphColor colour(nullptr, nullptr);
        colour.SetColorCode(5);
        colour.SetColorCode(c.code);
        EXPECT_EQ(colour.kind, c.kind) << c.code;
        EXPECT_EQ(colour.rgb, c.rgb) << c.code;
    }
}

TEST(AGraphColorCodes, PictureCodeCopiesTheHandedOverPicture)
{
    PictureHandle picture = NewPictureHandle(ShortRect{0, 0, 3, 5});
    ASSERT_NE(picture, nullptr);
    AGraphColor colour(nullptr, nullptr);
    SetColorPictureHandover(picture);
    colour.SetColorCode(999);
    SetColorPictureHandover(nullptr);
    EXPECT_EQ(colour.kind, ColorPicture);
    ASSERT_NE(colour.picture, nullptr);
    EXPECT_NE(colour.picture, picture);
    EXPECT_EQ(colour.GetImageWidth(), 5);
    // Without a context no texture is made: white stands in.
    EXPECT_EQ(colour.rgb, 0xFFFFFFu);

    // A clone has no picture of its own until the code is sent to it.
    AGraphColor* clone = colour.Clone();
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->kind, ColorPicture);
    EXPECT_EQ(clone->picture, nullptr);
    delete clone;

    // A line that names the picture colour without a picture gets plain
    // white, never a picture colour with nothing to draw.
    colour.SetColorCode(999);
    EXPECT_EQ(colour.kind, ColorSolid);
    EXPECT_EQ(colour.picture, nullptr);
    EXPECT_EQ(colour.rgb, 0xFFFFFFu);
    colour.DrawImageFitted(0, 0, ShortRect{0, 0, 10, 10}, 8);
    FreeGlobalHandle(picture);
}

TEST(AGraphColorCodes, BrightnessNormalisationRaisesTheLargestChannel)
{
    const RgbColor cases[][2] = {
        {0x333333, 0x333333}, {0x0000FF, 0x0000FF}, {0xCCCCCC, 0xFFFFFF}, {0xCE00CE, 0xFF00FF},
        {0x102030, 0x55AAFF}, {0x800000, 0xFF0000}, {0x404080, 0x7F7FFF}, {0x000000, 0x000000},
    };
    for (const auto& c : cases) {
        AGraphColor colour(nullptr, nullptr);
        colour.rgb = c[0];
        colour.NormalizeBrightness();
        EXPECT_EQ(colour.rgb, c[1]) << std::hex << c[0];
    }
    // Patterns keep their colour.
    AGraphColor pattern(nullptr, nullptr);
    pattern.SetColorCode(10);
    pattern.NormalizeBrightness();
    EXPECT_EQ(pattern.rgb, 0xCE00CEu);
}

TEST(AGraphColorCodes, KindQueries)
{
    AGraphColor colour(nullptr, nullptr);
    const struct {
        int32_t kind;
        bool perPoint, texture;
    } cases[] = {
        {ColorSolid, false, false},          {ColorCheckerboard, false, true}, {ColorRowStripes, false, true},
        {ColorColumnStripes, false, true},   {ColorRowGradient, true, false},  {ColorColumnGradient, true, false},
        {ColorRowBands, false, true},        {ColorColumnBands, false, true},  {ColorPicture, false, false},
        {ColorRgbFormulas, true, false},     {ColorHsvFormulas, true, false},  {ColorGpuProgram, false, false},
        {ColorHidden, false, false},
    };
    for (const auto& c : cases) {
        colour.kind = c.kind;
        EXPECT_EQ(colour.IsPerPointColor(), c.perPoint) << c.kind;
        EXPECT_EQ(colour.IsTexturePattern(), c.texture) << c.kind;
    }
}

RgbColor PackRgbForTest(const double (&c)[3])
{
    auto channel = [](double x) { return static_cast<RgbColor>(x * 255); };
    return (channel(c[0]) << 16) | (channel(c[1]) << 8) | channel(c[2]);
}

// Colours whose three formulas are x, y and z, so that the channels are
// the arguments.
class FormulaColourTest : public EvaluationTest {
protected:
    AGraphColor* Made(int32_t kind)
    {
        AGraphColor* colour = new AGraphColor(nullptr, &doc);
        colour->kind = kind;
        colour->red = Formula("x")->Clone();
        colour->green = Formula("y")->Clone();
        colour->blue = Formula("z")->Clone();
        CompileFormulas3(colour->red, colour->green, colour->blue);
        return colour;
    }

    void Evaluate(AGraphColor& colour, double a, double b, double c, double (&out)[3])
    {
        out[0] = out[1] = out[2] = -7;
        colour.EvaluateFormulas(0, 0, a, b, c, 0, out[0], out[1], out[2]);
    }
};

TEST_F(FormulaColourTest, RgbChannelsAreClampedAndNaNIsZero)
{
    AGraphColor* colour = Made(ColorRgbFormulas);
    const struct {
        double in[3];
        double out[3];
    } cases[] = {
        {{0.25, 0.5, 1}, {0.25, 0.5, 1}},
        {{-1, 2, kNaN}, {0, 1, 0}},
        {{kInf, -kInf, 0.75}, {1, 0, 0.75}},
    };
    for (const auto& c : cases) {
        double out[3];
        Evaluate(*colour, c.in[0], c.in[1], c.in[2], out);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(out[i], c.out[i]) << c.in[0] << " " << c.in[1] << " " << c.in[2];
    }
    delete colour;
}

TEST_F(FormulaColourTest, HsvHueWrapsAndBadChannelsAreSafe)
{
    AGraphColor* colour = Made(ColorHsvFormulas);
    auto rgbOf = [&](double h, double s, double v) {
        double out[3];
        Evaluate(*colour, h, s, v, out);
        return PackRgbForTest(out);
    };
    // Hue 0.25 is yellow-green: (0.5, 1, 0).
    const RgbColor quarter = rgbOf(0.25, 1, 1);
    EXPECT_EQ(quarter, HsvToRgbColor(0.25, 1, 1));
    EXPECT_EQ(rgbOf(1.25, 1, 1), quarter);
    EXPECT_EQ(rgbOf(-0.75, 1, 1), quarter);
    EXPECT_EQ(rgbOf(1e9 + 0.25, 1, 1), quarter);
    // Saturation below 0 is 0: the grey of the value.
    EXPECT_EQ(rgbOf(0.4, -1, 0.5), HsvToRgbColor(0, 0, 0.5));
    // A hue that is not a number, or infinite, is hue 0 (red); a NaN
    // saturation or value is 0.
    EXPECT_EQ(rgbOf(kNaN, 1, 1), 0xFF0000u);
    EXPECT_EQ(rgbOf(kInf, 1, 1), 0xFF0000u);
    EXPECT_EQ(rgbOf(-kInf, 1, 1), 0xFF0000u);
    EXPECT_EQ(rgbOf(0.5, kNaN, 1), 0xFFFFFFu);
    EXPECT_EQ(rgbOf(0.5, 1, kNaN), 0x000000u);
    delete colour;
}

TEST_F(FormulaColourTest, ConstantColourIsTheFormulasAtZero)
{
    AGraphColor* colour = new AGraphColor(nullptr, &doc);
    colour->kind = ColorRgbFormulas;
    colour->red = Formula("1")->Clone();
    colour->green = Formula("(+ x 0.5)")->Clone();
    colour->blue = Formula("(over 0 0)")->Clone();
    CompileFormulas3(colour->red, colour->green, colour->blue);
    colour->EvaluateConstantColor();
    EXPECT_EQ(colour->rgb, 0xFF7F00u);
    // Solid colours keep theirs.
    AGraphColor solid(nullptr, &doc);
    solid.SetColorCode(2);
    solid.EvaluateConstantColor();
    EXPECT_EQ(solid.rgb, 0xFF0000u);
    delete colour;
}

TEST_F(FormulaColourTest, FormulasFollowTheGraphsControlsAndDependencies)
{
    AGraphColor* colour = Made(ColorRgbFormulas);
    EXPECT_TRUE(colour->DependsOn(CodeY));
    EXPECT_FALSE(colour->DependsOn(CodeT));
    StopFormulas(colour);
    EXPECT_TRUE(colour->red->IsStopRequested() && colour->blue->IsStopRequested());
    ResumeFormulas(colour);
    EXPECT_FALSE(colour->green->IsStopRequested());

    // A clone has compiled copies of its own.
    AGraphColor* clone = colour->Clone();
    ASSERT_NE(clone, nullptr);
    EXPECT_NE(clone->red, colour->red);
    EXPECT_NE(clone->red->pointProgram, nullptr);
    double out[3];
    Evaluate(*clone, 0.5, 0.25, 1, out);
    EXPECT_EQ(out[1], 0.25);
    delete clone;

    // Hidden and solid colours depend on nothing.
    colour->kind = ColorHidden;
    EXPECT_FALSE(colour->DependsOn(CodeY));
    delete colour;
}

// A context with GPU programs whose binding the test decides.
class FakeContext : public RenderContext {
public:
    int32_t mode = RenderModeGLShared;
    bool bindWorks = true;
    int binds = 0;
    int parameters = 0;
    double lastParameter[4] = {};

    int32_t GetMode() override { return mode; }
    bool CanUseGPUPrograms() override { return true; }
    bool BindColorPrograms(GpuProgram* fragment, GpuProgram* vertex) override
    {
        ++binds;
        return bindWorks && fragment && vertex;
    }
    void SetFragmentProgramParameter(int32_t, const double (&values)[4]) override
    {
        ++parameters;
        std::copy(values, values + 4, lastParameter);
    }
};

// Programs whose text is the colour's kind; nothing can be evaluated on the
// GPU for a graph formula.
std::string FakeColorText(const FormulaNode*, const FormulaNode*, const FormulaNode*, const FormulaNode*, bool hsv,
                          ProgramConstantTrees*, bool, DocState*)
{
    return hsv ? "hsv" : "rgb";
}

class ShaderTest : public FormulaColourTest {
protected:
    void SetUp() override
    {
        FormulaColourTest::SetUp();
        GpuProgramTexts texts;
        texts.makeColorProgramText = &FakeColorText;
        texts.vertexProgramText = "vertex";
        SetGpuProgramTexts(texts);
    }
    void TearDown() override
    {
        SetGpuProgramTexts(GpuProgramTexts{});
        FormulaColourTest::TearDown();
    }
    FakeContext context;
};

TEST_F(ShaderTest, ProgramsComeAndGoWithTheModeAndTheContext)
{
    AGraphColor* colour = Made(ColorHsvFormulas);
    colour->context = &context;

    // A failed bind leaves a colour the processor computes.
    context.bindWorks = false;
    EXPECT_EQ(colour->BuildShader(nullptr, 0, &context), 0);
    EXPECT_EQ(colour->kind, ColorHsvFormulas);
    EXPECT_EQ(colour->fragmentProgram, nullptr);

    context.bindWorks = true;
    EXPECT_EQ(colour->BuildShader(nullptr, 0, &context), ColorGpuProgram);
    EXPECT_EQ(colour->kind, ColorGpuProgram);
    EXPECT_EQ(colour->savedKind, ColorHsvFormulas);
    ASSERT_NE(colour->fragmentProgram, nullptr);
    EXPECT_EQ(colour->fragmentProgram->text, "hsv");
    EXPECT_EQ(colour->vertexProgram->text, "vertex");
    // Building again keeps the formula kind aside.
    colour->BuildShader(nullptr, 0, &context);
    EXPECT_EQ(colour->savedKind, ColorHsvFormulas);
    EXPECT_TRUE(colour->CheckRenderContext());
    EXPECT_TRUE(colour->ApplyShader(&context));

    // Plotting mode 1 asks for no program.
    EXPECT_EQ(colour->BuildShader(nullptr, 1, &context), 0);
    EXPECT_EQ(colour->kind, ColorHsvFormulas);
    EXPECT_EQ(colour->fragmentProgram, nullptr);

    // A changed context mode drops the programs once.
    colour->BuildShader(nullptr, 0, &context);
    ASSERT_EQ(colour->kind, ColorGpuProgram);
    context.mode = RenderModeGLWindow;
    EXPECT_FALSE(colour->CheckRenderContext());
    EXPECT_EQ(colour->kind, ColorHsvFormulas);
    EXPECT_EQ(colour->fragmentProgram, nullptr);
    EXPECT_TRUE(colour->CheckRenderContext());
    context.mode = RenderModeNone;
    EXPECT_FALSE(colour->CheckRenderContext());

    // Released: back on the processor.
    context.mode = RenderModeGLShared;
    colour->BuildShader(nullptr, 0, &context);
    colour->ReleaseShader();
    EXPECT_EQ(colour->kind, ColorHsvFormulas);
    EXPECT_EQ(colour->fragmentProgram, nullptr);
    delete colour;
}

TEST_F(ShaderTest, WithoutGeneratorsOrGpuEveryColourStaysOnTheProcessor)
{
    SetGpuProgramTexts(GpuProgramTexts{});
    AGraphColor* colour = Made(ColorRgbFormulas);
    EXPECT_EQ(colour->BuildShader(nullptr, 0, &context), 0);
    EXPECT_EQ(colour->kind, ColorRgbFormulas);
    RenderContext plain;
    EXPECT_EQ(colour->BuildShader(nullptr, 0, &plain), 0);
    EXPECT_EQ(colour->kind, ColorRgbFormulas);
    EXPECT_FALSE(colour->ApplyShader(nullptr));
    delete colour;
}

class SwatchTest : public PortFixture {};

TEST_F(SwatchTest, ColumnStripesAreFourPixelsWide)
{
    MakePort(10, 4, 0x123456);
    AGraphColor colour(nullptr, nullptr);
    colour.SetColorCode(12);
    colour.DrawSwatch(ShortRect{0, 0, 4, 10});
    const uint32_t base = Colour(0, 0);
    EXPECT_NE(base, 0x123456u);
    for (int h = 0; h < 10; ++h) {
        for (int v = 0; v < 4; ++v)
            EXPECT_EQ(Colour(h, v), h >= 4 && h < 8 ? 0xE5E5E5u : base) << h << "," << v;
    }
}

TEST_F(SwatchTest, SolidFillsAndHiddenDrawsACrossInABox)
{
    MakePort(7, 7);
    AGraphColor colour(nullptr, nullptr);
    colour.SetColorCode(3);
    colour.DrawSwatch(ShortRect{0, 0, 7, 7});
    EXPECT_EQ(Colour(3, 3), 0x0000FFu);
    Fill(0xFFFFFF);
    colour.SetColorCode(17);
    colour.DrawSwatch(ShortRect{0, 0, 7, 7});
    const uint32_t ink = Colour(0, 0);
    const std::vector<std::string> expected = {
        "xxxxxxx", "xx...xx", "x.x.x.x", "x..x..x", "x.x.x.x", "xx...xx", "xxxxxxx",
    };
    EXPECT_EQ(Picture(ink), expected);
}

TEST_F(SwatchTest, RowBandsStepTheHueEveryFourRows)
{
    MakePort(3, 12);
    AGraphColor colour(nullptr, nullptr);
    colour.SetColorCode(15);
    colour.DrawSwatch(ShortRect{0, 0, 12, 3});
    EXPECT_EQ(Colour(1, 0), HsvToRgbColor(0, 1, 1));
    EXPECT_EQ(Colour(1, 3), HsvToRgbColor(0, 1, 1));
    EXPECT_EQ(Colour(1, 4), HsvToRgbColor(1 / 6.0, 1, 1));
    EXPECT_EQ(Colour(2, 11), HsvToRgbColor(2 / 6.0, 1, 1));
}

}  // namespace
