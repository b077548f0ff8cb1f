// Triangles per second of a lit 100,352-triangle sphere in an 800 x 600
// view: the software rasterizer (one thread, 1x and 2x) against Mesa's
// llvmpipe drawing the same mesh with the same fixed light. Run under a
// virtual display; llvmpipe uses one thread unless LP_NUM_THREADS says
// otherwise before the start.
//   xvfb-run -a ./SoftwareRasterBench
#include "rendering/PrimitiveDrawing.h"
#include "rendering/ViewRenderContext.h"

#include "document/DocState.h"
#include "drawing/DibImage.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr int kWidth = 800, kHeight = 600;
constexpr int kRows = 224, kColumns = 224;

struct Mesh {
    std::vector<float> xyz, normals;
    std::vector<int32_t> triangles;
    Mesh()
    {
        for (int i = 0; i <= kRows; ++i)
            for (int j = 0; j <= kColumns; ++j) {
                const double theta = M_PI * i / kRows, phi = 2 * M_PI * j / kColumns;
                const float n[3] = {static_cast<float>(std::sin(theta) * std::cos(phi)),
                                    static_cast<float>(std::sin(theta) * std::sin(phi)),
                                    static_cast<float>(std::cos(theta))};
                xyz.insert(xyz.end(), {1.8f * n[0], 1.8f * n[1], 1.8f * n[2]});
                normals.insert(normals.end(), {n[0], n[1], n[2]});
            }
        for (int i = 0; i < kRows; ++i)
            for (int j = 0; j < kColumns; ++j) {
                const int32_t a = i * (kColumns + 1) + j, b = a + 1, c = a + kColumns + 1, d = c + 1;
                triangles.insert(triangles.end(), {a, c, b, b, c, d});
            }
    }
    int32_t TriangleCount() const { return static_cast<int32_t>(triangles.size() / 3); }
    int32_t VertexCount() const { return static_cast<int32_t>(xyz.size() / 3); }
};

const Mesh& TheMesh()
{
    static const Mesh mesh;
    return mesh;
}

// The application first: the software path's fonts and pictures need it, and
// llvmpipe reads its thread count when the first context is made.
QGuiApplication& Application()
{
    if (!std::getenv("LP_NUM_THREADS"))
        setenv("LP_NUM_THREADS", "1", 1);
    static int argc = 1;
    static char name[] = "SoftwareRasterBench";
    static char* argv[] = {name, nullptr};
    // Left alive to the end: the window system goes before static objects.
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    return *app;
}
const bool Started = (Application(), true);

const Camera3D kCamera{{{{0.8, -0.6, 0}, {0.6, 0.8, 0}, {0, 0, 1}}}, -2, 2, -2, 2, -2, 2, kDefaultZoom3D / 2, 2.3};

void SoftwareMesh(benchmark::State& state)
{
    const Mesh& mesh = TheMesh();
    DocState doc;
    doc.BackgroundType = 0;
    doc.UseAntialiasing = state.range(0) == 2;
    doc.graphPaneImage = NewDibImage(ShortRect{0, 0, kHeight, kWidth});
    ViewRenderContext ctx;
    ctx.SetOwner(nullptr, &doc);
    ctx.SetRequestedMode(RenderModeSoftware);
    ctx.Configure(ShortRect{0, 0, kHeight, kWidth}, const_cast<Camera3D*>(&kCamera));
    for (auto _ : state) {
        ctx.BeginFrame(false);
        ctx.SetVertexArray(mesh.xyz.data(), mesh.VertexCount());
        ctx.SetNormalArray(mesh.normals.data());
        ctx.SetShinyColor(0xE0A040);
        DrawSoftwareTriangles(ctx, mesh.triangles.data(), mesh.TriangleCount(), nullptr);
        ctx.Present();
    }
    state.SetItemsProcessed(state.iterations() * mesh.TriangleCount());
    ctx.Release();
    DisposeDibImage(doc.graphPaneImage);
}
// Real time: llvmpipe draws on threads of its own.
BENCHMARK(SoftwareMesh)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// A plain (not multisampled) compatibility context on a window of the view's
// size, lit as the views light their meshes.
struct GLView {
    GLView()
    {
        QSurfaceFormat format;
        format.setRenderableType(QSurfaceFormat::OpenGL);
        format.setProfile(QSurfaceFormat::CompatibilityProfile);
        format.setDepthBufferSize(24);
        format.setSamples(-1);
        window.setSurfaceType(QSurface::OpenGLSurface);
        window.setFormat(format);
        window.resize(kWidth, kHeight);
        window.show();
        context.setFormat(format);
        ok = context.create() && context.makeCurrent(&window);
    }
    QWindow window;
    QOpenGLContext context;
    bool ok = false;
};

void LlvmpipeMesh(benchmark::State& state)
{
    static GLView& view = *new GLView;
    if (!view.ok) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    const Mesh& mesh = TheMesh();
    glViewport(0, 0, kWidth, kHeight);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_LIGHTING);
    glEnable(GL_NORMALIZE);
    glEnable(GL_DEPTH_TEST);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    const float ambient[4] = {0.2f, 0.2f, 0.2f, 1}, diffuse[4] = {0.6f, 0.6f, 0.6f, 1},
                specular[4] = {0.2f, 0.2f, 0.2f, 1}, position[4] = {-1, 1, 1, 0};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHT0);
    const float colour[4] = {0xE0 / 255.0f, 0xA0 / 255.0f, 0x40 / 255.0f, 1};
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 32);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, colour);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, colour);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(5, static_cast<double>(kWidth) / kHeight, 47.7, 52.3);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(50 * 0.8, 50 * 0.6, 0, 0, 0, 0, 0, 0, 1);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, mesh.xyz.data());
    glNormalPointer(GL_FLOAT, 0, mesh.normals.data());
    for (auto _ : state) {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glDrawElements(GL_TRIANGLES, 3 * mesh.TriangleCount(), GL_UNSIGNED_INT, mesh.triangles.data());
        glFinish();
    }
    if (glGetError() != GL_NO_ERROR)
        state.SkipWithError("OpenGL error");
    state.SetItemsProcessed(state.iterations() * mesh.TriangleCount());
    state.SetLabel(std::string("threads ") + std::getenv("LP_NUM_THREADS") + ", samples " +
                   std::to_string(view.context.format().samples()));
}
BENCHMARK(LlvmpipeMesh)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
