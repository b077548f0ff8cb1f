#include "graphs3d/AnImplicitSurface.h"

#include "document/DocState.h"
#include "document/DocumentTask.h"
#include "drawing/DibImage.h"
#include "evaluation/CompiledFormula.h"
#include "formula/FormulaEngine.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "rendering/GLProbe.h"
#include "rendering/ViewRenderContext.h"
#include "support/FakeGraphServices.h"
#include "support/FormulaReader.h"
#include "support/TestApp.h"
#include "support/WaitUntil.h"

#include <GL/gl.h>
#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

class ImplicitSurfaceGl : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartWorkerThreads(); }

    void SetUp() override
    {
        TestApp();
        ASSERT_TRUE(InitFormulaEngine());
        pane = std::make_unique<QWidget>();
        pane->resize(300, 200);
        pane->show();
        QApplication::processEvents();
        ProbeOpenGL();
        ASSERT_TRUE(AreGLExtensionsAvailable());
        doc.graphPaneImage = NewDibImage(ShortRect{0, 0, 200, 300});
        ctx.SetOwner(pane.get(), &doc);
        ctx.Configure(ShortRect{0, 0, 200, 300}, &camera);
    }
    void TearDown() override
    {
        ctx.Release();
        DestroyAllGLWindows();
        DisposeDibImage(doc.graphPaneImage);
        pane.reset();
    }

    FakeGraphServices services;
    std::unique_ptr<QWidget> pane;
    DocState doc;
    ViewRenderContext ctx;
    Camera3D camera{{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, -2, 2, -2, 2, -2, 2, kDefaultZoom3D, kMinDepthRadius3D};
    double box[6] = {-2, 2, -2, 2, -2, 2};
};

// With OpenGL and a colour of its own, a linear condition is left to a clip
// plane: the whole sphere is computed, and the plane stays after a change of
// the plotting mode; the surface then loads and draws without a GL error.
TEST_F(ImplicitSurfaceGl, LinearConditionIsAClipPlaneAfterConstructionAndModeChange)
{
    ASSERT_TRUE(ctx.IsOpenGL());
    AnImplicitSurface surface(new CompiledFormula(ReadFormula("x^2+y^2+z^2-1"), &doc), 0.25, 1,
                              new AGraphColor(&ctx, &doc), new CompiledFormula(ReadFormula("z>0"), &doc), 0, &box[0],
                              &box[1], &box[2], &box[3], &box[4], &box[5], &ctx);
    EXPECT_TRUE(surface.IsClipPlaneActive());
    surface.SetOption(OptionPlottingMode, 1);
    EXPECT_TRUE(surface.IsClipPlaneActive());
    ASSERT_TRUE(WaitUntil([&] { return surface.IsComplete(); }));
    float lowest = 1;
    for (int32_t p = 0; p < surface.PartCount(); ++p) {
        const MeshVertexArray& v = surface.PublishedVertices(p);
        for (int32_t i = 0; i < v.count; ++i)
            lowest = std::min(lowest, v.At(i)->position[2]);
    }
    EXPECT_LT(lowest, -0.9f) << "the condition must not cut the mesh itself";
    surface.SetOption(OptionUploadProgress, 0);
    EXPECT_EQ(surface.Mesh().triangleCount, surface.CountPublishedTriangles());
    ASSERT_EQ(ctx.BeginFrame(false), 0);
    EXPECT_TRUE(surface.Draw());
    EXPECT_EQ(ctx.gl.GetError(), static_cast<uint32_t>(GL_NO_ERROR));
    EXPECT_EQ(ctx.Present(), 0);
}

}  // namespace
