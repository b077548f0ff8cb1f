// The same lit scene drawn by OpenGL (Mesa under a virtual display) and by
// the software rasterizer: the pictures differ only along edges.
#include "rendering/GLProbe.h"
#include "rendering/PrimitiveDrawing.h"
#include "rendering/ViewRenderContext.h"

#include "document/DocState.h"
#include "drawing/DibImage.h"
#include "support/TestApp.h"

#include <GL/gl.h>
#include <QApplication>
#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

struct Mesh {
    std::vector<float> xyz, normals;
    std::vector<int32_t> triangles;
};

// A sphere of the given radius about c, rows x columns quads cut in two.
void AddSphere(Mesh& mesh, float cx, float cy, float cz, float r, int rows, int columns)
{
    const int32_t first = static_cast<int32_t>(mesh.xyz.size() / 3);
    for (int i = 0; i <= rows; ++i) {
        const double theta = M_PI * i / rows;
        for (int j = 0; j <= columns; ++j) {
            const double phi = 2 * M_PI * j / columns;
            const float n[3] = {static_cast<float>(std::sin(theta) * std::cos(phi)),
                                static_cast<float>(std::sin(theta) * std::sin(phi)), static_cast<float>(std::cos(theta))};
            mesh.xyz.insert(mesh.xyz.end(), {cx + r * n[0], cy + r * n[1], cz + r * n[2]});
            mesh.normals.insert(mesh.normals.end(), {n[0], n[1], n[2]});
        }
    }
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < columns; ++j) {
            const int32_t a = first + i * (columns + 1) + j, b = a + 1, c = a + columns + 1, d = c + 1;
            mesh.triangles.insert(mesh.triangles.end(), {a, c, b, b, c, d});
        }
}

QImage PaneImage(const DocState& doc)
{
    const DibHeader& h = doc.graphPaneImage->header;
    return QImage(reinterpret_cast<const uchar*>(GetDibImageBits(doc.graphPaneImage)), h.biWidth,
                  std::abs(h.biHeight), QImage::Format_RGB32)
        .copy();
}

// For a look by eye: VL_SAVE_PICTURES=folder keeps both frames.
void Save(const QImage& image, const char* name)
{
    if (const char* folder = std::getenv("VL_SAVE_PICTURES"))
        image.save(QString::fromUtf8(folder) + "/" + name);
}

int Difference(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// Next to a step in either picture: an edge of some primitive.
bool NearEdge(const QImage& a, const QImage& b, int x, int y)
{
    for (const QImage* image : {&a, &b})
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (Difference(image->pixel(x, y), image->pixel(x + dx, y + dy)) > 24)
                    return true;
    return false;
}

TEST(SoftwareVersusOpenGL, TheSameLitSceneDiffersOnlyAlongEdges)
{
    TestApp();
    auto pane = std::make_unique<QWidget>();
    pane->resize(300, 200);
    pane->show();
    QApplication::processEvents();
    ProbeOpenGL();
    ASSERT_TRUE(AreGLExtensionsAvailable());

    // Two spheres, the smaller in front of and overlapping the larger.
    Mesh mesh;
    AddSphere(mesh, 0, 0, 0, 1.4f, 24, 48);
    AddSphere(mesh, 1, 0.9f, -0.5f, 0.6f, 16, 32);
    const int32_t bigCount = 24 * 48 * 2, smallCount = 16 * 32 * 2;
    const int32_t vertexCount = static_cast<int32_t>(mesh.xyz.size() / 3);
    const Camera3D camera{{{{0.8, -0.6, 0}, {0.6, 0.8, 0}, {0, 0, 1}}}, -1, 1, -1, 1, -1, 1, kDefaultZoom3D, 5};
    const ShortRect view{0, 0, 200, 300};
    auto setUp = [&](ViewRenderContext& ctx, RgbColor colour) {
        ctx.SetVertexArray(mesh.xyz.data(), vertexCount);
        ctx.SetNormalArray(mesh.normals.data());
        ctx.SetShinyColor(colour);
    };

    DocState glDoc;
    glDoc.BackgroundType = 0;
    glDoc.UseAntialiasing = false;
    glDoc.graphPaneImage = NewDibImage(view);
    ViewRenderContext gl;
    gl.SetOwner(pane.get(), &glDoc);
    gl.Configure(view, const_cast<Camera3D*>(&camera));
    ASSERT_TRUE(gl.IsOpenGL());
    ASSERT_EQ(gl.BeginFrame(false), 0);
    setUp(gl, 0xE0A040);
    glDrawElements(GL_TRIANGLES, 3 * bigCount, GL_UNSIGNED_INT, mesh.triangles.data());
    setUp(gl, 0x40A0E0);
    glDrawElements(GL_TRIANGLES, 3 * smallCount, GL_UNSIGNED_INT, mesh.triangles.data() + 3 * bigCount);
    EXPECT_EQ(gl.gl.GetError(), static_cast<uint32_t>(GL_NO_ERROR));
    gl.Present();
    gl.CopyFrameToPicture();

    const QImage a = PaneImage(glDoc);
    Save(a, "compare-opengl.png");
    // The software frame at 1x and supersampled at 2x.
    for (const bool antialias : {false, true}) {
        DocState swDoc;
        swDoc.BackgroundType = 0;
        swDoc.UseAntialiasing = antialias;
        swDoc.graphPaneImage = NewDibImage(view);
        ViewRenderContext sw;
        sw.SetOwner(nullptr, &swDoc);
        sw.SetRequestedMode(RenderModeSoftware);
        sw.Configure(view, const_cast<Camera3D*>(&camera));
        ASSERT_EQ(sw.BeginFrame(false), 0);
        setUp(sw, 0xE0A040);
        ASSERT_TRUE(DrawSoftwareTriangles(sw, mesh.triangles.data(), bigCount, nullptr));
        setUp(sw, 0x40A0E0);
        ASSERT_TRUE(DrawSoftwareTriangles(sw, mesh.triangles.data() + 3 * bigCount, smallCount, nullptr));
        ASSERT_EQ(sw.Present(), 0);

        const QImage b = PaneImage(swDoc);
        Save(b, antialias ? "compare-software-2x.png" : "compare-software.png");
        int inside = 0, differing = 0, drawn = 0, worst = 0;
        for (int y = 1; y < a.height() - 1; ++y)
            for (int x = 1; x < a.width() - 1; ++x) {
                drawn += (b.pixel(x, y) & 0xFFFFFF) != 0;
                if (NearEdge(a, b, x, y))
                    continue;
                ++inside;
                const int d = Difference(a.pixel(x, y), b.pixel(x, y));
                worst = std::max(worst, d);
                differing += d > 12;
            }
        EXPECT_GT(drawn, 10000) << "the spheres fill much of the view";
        EXPECT_LT(differing, inside / 200) << "away from edges the two agree within the light's rounding";
        EXPECT_LT(worst, 24) << antialias;
        sw.Release();
        DisposeDibImage(swDoc.graphPaneImage);
    }

    gl.Release();
    DestroyAllGLWindows();
    DisposeDibImage(glDoc.graphPaneImage);
}

}  // namespace
