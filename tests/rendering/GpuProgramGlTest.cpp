// Colour programs on the system's OpenGL (run under a virtual display): the
// driver's verdict on program texts, a colour formula drawn by its program
// against the same formula evaluated on the processor, and the choice
// between the two that a graph colour makes.
#include "rendering/ColorProgramPreparation.h"
#include "rendering/GLProbe.h"
#include "rendering/GpuProgramObject.h"
#include "rendering/GpuProgramTexts.h"
#include "rendering/ViewRenderContext.h"

#include "CoreUtilities/GrowArray.h"
#include "document/DocState.h"
#include "drawing/DibImage.h"
#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "support/FormulaReader.h"
#include "support/TestApp.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <QApplication>
#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr int kWidth = 160, kHeight = 100;

class GpuProgramGl : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        ASSERT_TRUE(InitFormulaEngine());
        pane = std::make_unique<QWidget>();
        pane->resize(kWidth, kHeight);
        pane->show();
        QApplication::processEvents();
        ProbeOpenGL();
        ASSERT_TRUE(AreGLExtensionsAvailable());
        doc.graphPaneImage = NewDibImage(ShortRect{0, 0, kHeight, kWidth});
        ctx.SetOwner(pane.get(), &doc);
        ctx.Configure(ShortRect{0, 0, kHeight, kWidth}, &camera);
        ASSERT_TRUE(ctx.IsOpenGL());
        ASSERT_TRUE(ctx.CanUseGPUPrograms());
    }
    void TearDown() override
    {
        for (FormulaNode* tree : parameters)
            FreeTree(tree);
        parameters.Clear();
        ctx.Release();
        DestroyAllGLWindows();
        DisposeDibImage(doc.graphPaneImage);
        pane.reset();
    }

    // A colour of the kind over the three formulas, evaluated on the
    // processor.
    std::unique_ptr<AGraphColor> Colour(int32_t kind, const char* a, const char* b, const char* c)
    {
        auto colour = std::make_unique<AGraphColor>(nullptr, &doc);
        colour->kind = kind;
        colour->red = new CompiledFormula(ReadFormula(a), &doc);
        colour->green = new CompiledFormula(ReadFormula(b), &doc);
        colour->blue = new CompiledFormula(ReadFormula(c), &doc);
        CompileFormulas3(colour->red, colour->green, colour->blue);
        return colour;
    }

    // Draws a quad over the whole view whose texture coordinates run over
    // [-1, 1] in x and y, with only the fragment program bound (no lighting:
    // the lit colour is white), and reads the frame back, bottom row first.
    std::vector<uint8_t> DrawQuad(const std::string& text)
    {
        GLFunctions& gl = ctx.gl;
        EXPECT_EQ(ctx.BeginFrame(false), 0);
        gl.Viewport(0, 0, kWidth, kHeight);
        gl.MatrixMode(GL_PROJECTION);
        gl.LoadIdentity();
        gl.MatrixMode(GL_MODELVIEW);
        gl.LoadIdentity();
        for (uint32_t cap : {GL_LIGHTING, GL_DEPTH_TEST, GL_CULL_FACE, GL_TEXTURE_2D, GL_BLEND})
            gl.Disable(cap);
        gl.ClearColor(0, 0, 0, 1);
        gl.Clear(GL_COLOR_BUFFER_BIT);
        GpuProgram program{"", text, GpuFragmentProgram};
        gl.Enable(GL_FRAGMENT_PROGRAM_ARB);
        BindGpuProgram(gl, program);
        EXPECT_TRUE(program.IsUsable()) << text;
        gl.Color4f(1, 1, 1, 1);
        gl.Begin(GL_QUADS);
        const double corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
        for (const auto& corner : corners) {
            gl.TexCoord2d(corner[0], corner[1]);
            gl.Vertex2d(corner[0], corner[1]);
        }
        gl.End();
        gl.Disable(GL_FRAGMENT_PROGRAM_ARB);
        gl.Finish();
        std::vector<uint8_t> pixels(kWidth * kHeight * 4);
        gl.ReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        EXPECT_EQ(gl.GetError(), static_cast<uint32_t>(GL_NO_ERROR));
        ctx.Present();
        return pixels;
    }

    // For a look by eye: VL_SAVE_PICTURES=folder keeps the frame.
    static void Save(const std::vector<uint8_t>& pixels, const char* name)
    {
        const char* folder = std::getenv("VL_SAVE_PICTURES");
        if (!folder)
            return;
        QImage image(pixels.data(), kWidth, kHeight, QImage::Format_RGBA8888);
        image.mirrored().save(QString::fromUtf8(folder) + "/" + name);
    }

    // The program of the colour's formulas against the processor's colours
    // at every fourth pixel centre; black where the program discards.
    void ExpectSameColours(AGraphColor& colour, const char* picture, const char* condition = nullptr)
    {
        FormulaNode* cut = condition ? ReadFormula(condition) : nullptr;
        const FormulaNode* trees[3] = {colour.red->tree, colour.green->tree, colour.blue->tree};
        const std::string text =
            PrepareColorProgramText(trees, cut, colour.kind == ColorHsvFormulas, &parameters, false, &doc);
        ASSERT_FALSE(text.empty());
        const std::vector<uint8_t> pixels = DrawQuad(text);
        Save(pixels, picture);
        int compared = 0, discarded = 0;
        for (int py = 1; py < kHeight; py += 4) {
            for (int px = 1; px < kWidth; px += 4) {
                const double x = -1 + (2 * px + 1.0) / kWidth, y = -1 + (2 * py + 1.0) / kHeight;
                double rgb[3];
                colour.EvaluateFormulas(0, 0, x, y, 0, 0, rgb[0], rgb[1], rgb[2]);
                const uint8_t* at = &pixels[(py * kWidth + px) * 4];
                if (cut && x < 0) {
                    EXPECT_EQ(at[0] + at[1] + at[2], 0) << "discarded at " << x;
                    ++discarded;
                    continue;
                }
                for (int k = 0; k < 3; ++k)
                    EXPECT_NEAR(at[k] / 255.0, rgb[k], 3 / 255.0)
                        << picture << " channel " << k << " at (" << x << ", " << y << ")";
                ++compared;
            }
        }
        EXPECT_GT(compared, 100);
        EXPECT_EQ(discarded > 0, cut != nullptr);
        FreeTree(cut);
    }

    std::unique_ptr<QWidget> pane;
    DocState doc;
    ViewRenderContext ctx;
    Camera3D camera{{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, -2, 2, -2, 2, -2, 2, kDefaultZoom3D, kMinDepthRadius3D};
    ProgramConstantTrees parameters;
};

TEST_F(GpuProgramGl, DriverAcceptsTheBuiltInTextsAndRefusesASyntaxError)
{
    GLFunctions& gl = ctx.gl;
    GpuProgram vertex{"", ColorVertexProgramText(), GpuVertexProgram};
    GpuProgram hsv{"", HSVToRGBProgramText(), GpuFragmentProgram};
    GpuProgram broken{"", "!!ARBfp1.0\nMOVE result.color, 1;\nEND\n", GpuFragmentProgram};
    BindGpuProgram(gl, vertex);
    BindGpuProgram(gl, hsv);
    BindGpuProgram(gl, broken);
    EXPECT_TRUE(vertex.IsUsable());
    EXPECT_TRUE(hsv.IsUsable());
    EXPECT_FALSE(broken.IsUsable());
    BindGpuProgram(gl, broken);
    EXPECT_FALSE(broken.IsUsable()) << "stays failed";
    gl.GetError();
}

TEST_F(GpuProgramGl, DriverAcceptsEveryFormOfGeneratedProgram)
{
    const char* sets[][4] = {
        {"theta", "phi", "#7", "x<y"},
        {"acot(x)", "sgn(y)*log(z)", "ln(x)+mod(x,y)", "x>y"},
        {"min(x,y,z)", "max(x,1)", "floor(x)+ceil(y)", nullptr},
        {"x^~2+x^5+x^y", "exp(x)*sinh(y)", "atan(x)+asin(y)", nullptr},
        {"cos(x+i*y)", "abs(x+i*z)", "arg(x+i)", "sqrt(x)>0.5"},
    };
    for (const auto& set : sets) {
        FormulaNode* trees[4] = {};
        for (int k = 0; k < 4; ++k)
            trees[k] = set[k] ? ReadFormula(set[k]) : nullptr;
        const FormulaNode* colour[3] = {trees[0], trees[1], trees[2]};
        const std::string texts[] = {
            PrepareColorProgramText(colour, trees[3], false, &parameters, false, &doc),
            PrepareColorProgramText(colour, trees[3], true, &parameters, false, &doc),
            PrepareColorProgramText(colour, trees[3], true, &parameters, true, &doc),
            PrepareConstantColorProgramText(trees[0], &parameters, true, &doc),
        };
        for (const std::string& text : texts) {
            ASSERT_FALSE(text.empty()) << set[0];
            GpuProgram program{"", text, GpuFragmentProgram};
            BindGpuProgram(ctx.gl, program);
            EXPECT_TRUE(program.IsUsable()) << text;
        }
        for (FormulaNode* tree : trees)
            FreeTree(tree);
    }
}

TEST_F(GpuProgramGl, FormulaColoursMatchTheProcessorsOnAQuad)
{
    auto waves = Colour(ColorRgbFormulas, "(sin(3*x)+1)/2", "sqrt(x^2+y^2)/1.5", "atan(4*x*y)/3+0.5");
    ExpectSameColours(*waves, "gpu-waves.png");
    // A zero base to a fractional power is 0 on both sides.
    auto inverse = Colour(ColorRgbFormulas, "asin(x)/3+0.5", "exp(-x^2)", "max(x,0)^1.5");
    ExpectSameColours(*inverse, "gpu-inverse.png");
    auto hsv = Colour(ColorHsvFormulas, "x/2+0.5", "0.8", "(y+3)/4");
    ExpectSameColours(*hsv, "gpu-hsv.png");
    auto cut = Colour(ColorRgbFormulas, "x", "(y+1)/2", "0.25");
    ExpectSameColours(*cut, "gpu-cut.png", "x>0");
}

TEST_F(GpuProgramGl, AColourRunsOnTheGpuOnlyWhenItsProgramIsBuiltAndLoaded)
{
    auto supported = Colour(ColorRgbFormulas, "x", "y^2", "sin(z)");
    supported->context = &ctx;
    EXPECT_EQ(supported->BuildShader(nullptr, 0, &ctx), ColorGpuProgram);
    ASSERT_NE(supported->fragmentProgram, nullptr);
    EXPECT_TRUE(supported->fragmentProgram->IsUsable());
    EXPECT_TRUE(supported->ApplyShader(&ctx));
    ctx.UnbindColorPrograms();
    supported->ReleaseShader();
    EXPECT_EQ(supported->kind, ColorRgbFormulas);

    // A factorial has no program: the processor colours with the formulas.
    auto unsupported = Colour(ColorRgbFormulas, "x!", "y", "z");
    unsupported->context = &ctx;
    EXPECT_EQ(unsupported->BuildShader(nullptr, 0, &ctx), 0);
    EXPECT_EQ(unsupported->kind, ColorRgbFormulas);
    EXPECT_EQ(unsupported->fragmentProgram, nullptr);
    double rgb[3];
    unsupported->EvaluateFormulas(0, 0, 3, 0.5, 0.25, 0, rgb[0], rgb[1], rgb[2]);
    EXPECT_EQ(rgb[0], 1) << "3! clamped";
    EXPECT_EQ(rgb[1], 0.5);
}

}  // namespace
