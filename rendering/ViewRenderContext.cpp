#include "rendering/ViewRenderContext.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/GrowArray.h"
#include "document/DocState.h"
#include "document/DocumentGraphSet.h"
#include "drawing/DibImage.h"
#include "drawing/OffscreenSurface.h"
#include "graphs2d/GraphSet.h"
#include "graphmodel/GraphServices.h"
#include "rendering/GLProbe.h"
#include "rendering/GpuProgramObject.h"
#include "rendering/MeshBuffer.h"

#include <GL/gl.h>

#include <algorithm>
#include <initializer_list>
#include <cmath>
#include <new>
#include <vector>

#ifndef GL_VERTEX_PROGRAM_ARB
#define GL_VERTEX_PROGRAM_ARB 0x8620
#define GL_FRAGMENT_PROGRAM_ARB 0x8804
#endif

namespace {

std::vector<GLWindow*> ParkedWindows;
int32_t HardwareAcceleration = 0;
bool IgnoreZBufferTest = true;

void Channels(RgbColor rgb, float scale, float (&out)[4])
{
    out[0] = ((rgb >> 16) & 0xFF) / 255.0f * scale;
    out[1] = ((rgb >> 8) & 0xFF) / 255.0f * scale;
    out[2] = (rgb & 0xFF) / 255.0f * scale;
    out[3] = 1;
}

bool DocForcesSoftware(const DocState* doc)
{
    return doc && (doc->hasTranslucent || doc->hasPlotLabels);
}

}  // namespace

ViewRenderContext::ViewRenderContext(GLFunctions& gl) : gl(gl) {}

ViewRenderContext::~ViewRenderContext()
{
    Release();
}

ViewRenderContext* CreateRenderContext(GLFunctions& gl)
{
    return new (std::nothrow) ViewRenderContext(gl);
}

void ViewRenderContext::SetOwner(WindowHandle window, DocState* document)
{
    parent = window;
    doc = document;
}

int32_t ViewRenderContext::ChooseMode(const ShortRect& rect)
{
    const int32_t requested = GetRequestedMode();
    int32_t m = requested;
    if (!AreGLExtensionsAvailable()) {
        m = RenderModeSoftware;
    } else if (requested == RenderModeAutomatic) {
        const bool moved = !EqualShortRects(rect, viewRect);
        if (moved || mode == RenderModeNone || (mode == RenderModeSoftware && recheck))
            m = RenderModeGLWindow;
        else
            m = mode;
        recheck = false;
    }
    if (HardwareAcceleration == 1 || DocForcesSoftware(doc))
        m = RenderModeSoftware;
    // A child window that could not be made is not tried again before a
    // recheck.
    if (m == RenderModeGLWindow && glFailed)
        m = RenderModeSoftware;
    return m;
}

bool ViewRenderContext::NeedsReconfigure(const ShortRect& rect, int32_t m)
{
    if (m != mode)
        return true;
    if (!EqualShortRects(rect, viewRect)) {
        if (mode == RenderModeGLWindow) {
            // BeginFrame moves the child window.
            viewRect = rect;
            return false;
        }
        return true;
    }
    if (m != RenderModeSoftware)
        return false;
    const bool translucent = doc && doc->hasTranslucent;
    if (translucent != (heads != nullptr))
        return true;
    // A new image can come at the old address with another size or stride.
    DibImage* image = doc ? doc->graphPaneImage : nullptr;
    uint8_t* pixels = image ? reinterpret_cast<uint8_t*>(GetDibImageBits(image)) : nullptr;
    return pixels != targetPixels || (image && (image->header.biWidth != targetWidth ||
                                                std::abs(image->header.biHeight) != targetHeight ||
                                                GetDibImageRowBytes(image) != targetRowBytes));
}

void ViewRenderContext::Configure(const ShortRect& rect, Camera3D* cam)
{
    ConfigureMode(rect, cam);
}

void ViewRenderContext::ConfigureMode(const ShortRect& rect, Camera3D* cam)
{
    camera = cam;
    const int32_t m = ChooseMode(rect);
    if (!NeedsReconfigure(rect, m)) {
        MakeCurrent();
        return;
    }
    Release();
    camera = cam;
    viewRect = rect;
    if (m == RenderModeGLWindow) {
        if (CreateGLChildWindow(*this)) {
            mode = RenderModeGLWindow;
            return;
        }
        // Without a window to draw in, the view draws in software.
        glFailed = true;
        PostFailure(FailureRendering);
    }
    if (InitSoftwareBuffers() != 0) {
        ReleaseSoftwareBuffers();
        PostFailure(FailureOutOfMemory);
        return;
    }
    mode = RenderModeSoftware;
}

void ViewRenderContext::ReleaseSoftwareBuffers()
{
    if (background)
        DisposeOffscreenSurface(background);
    background = nullptr;
    depthBuffer.reset();
    heads.reset();
    FreeFragmentChunks(fragments);
    if (supersample)
        DisposeOffscreenSurface(supersample);
    supersample = nullptr;
}

void ViewRenderContext::Release()
{
    if (mode == RenderModeGLWindow && glWindow) {
        glWindow->MakeCurrent();
        gl.Finish();
        gl.DoneCurrent();
        ParkGLWindow(glWindow);
        glWindow = nullptr;
    }
    ReleaseSoftwareBuffers();
    ClearRecord();
}

void ViewRenderContext::ClearRecord()
{
    // Only the requested mode, the document, the parent window and a
    // failed child window survive a release.
    viewRect = ShortRect{0, 0, 0, 0};
    camera = nullptr;
    mode = RenderModeNone;
    useBufferObjects = nvidia = recheck = false;
    for (uint32_t& name : backgroundTextures)
        name = 0;
    postPassTexture = 0;
    postPassWidth = postPassHeight = 0;
    backgroundComposed = false;
    targetPixels = nullptr;
    targetRowBytes = targetWidth = targetHeight = 0;
    bufferWidth = bufferHeight = 0;
    factor = 1;
    innerRect = ShortRect{0, 0, 0, 0};
    raster = SoftwareTarget{};
    eye = right = up = viewDirection = Vec3{0, 0, 0};
    depthScale = depthOffset = 0;
    vertexCount = 0;
    positions = normals = texCoords = colors = nullptr;
    currentColor = 0xFFFFFF;
    opacity = 1;
    boundTexture = colorSource = 0;
    glFrame.reset();
    glFrameWidth = glFrameHeight = 0;
}

void ViewRenderContext::RequestModeRecheck()
{
    recheck = true;
    glFailed = false;
}

void ViewRenderContext::RequestRedraw()
{
    if (doc)
        doc->RequestRedraw();
}

GLContextHandle ViewRenderContext::GetGLContext()
{
    return mode == RenderModeGLWindow && glWindow ? glWindow->context : nullptr;
}

void ViewRenderContext::MakeCurrent()
{
    if (mode == RenderModeGLWindow && glWindow)
        glWindow->MakeCurrent();
}

GLWindow* ViewRenderContext::GetVBOWindow()
{
    return mode == RenderModeGLWindow ? glWindow : nullptr;
}

bool ViewRenderContext::CanUseGPUPrograms()
{
    if (mode != RenderModeGLWindow || !glWindow || !glWindow->MakeCurrent())
        return false;
    for (const char* name :
         {"GL_ARB_vertex_program", "GL_ARB_fragment_program", "GL_ARB_fragment_shader", "GL_ARB_shader_objects"}) {
        if (!HasGLExtension(gl, name))
            return false;
    }
    return true;
}

void ViewRenderContext::GetBoxSize(double& dx, double& dy, double& dz)
{
    dx = dy = dz = 0;
    if (!camera)
        return;
    dx = camera->xmax - camera->xmin;
    dy = camera->ymax - camera->ymin;
    dz = camera->zmax - camera->zmin;
}

double ViewRenderContext::GetBoundingRadius(const float* xyz, int32_t count)
{
    if (!camera || !xyz || count <= 0)
        return 0;
    const double cx = (camera->xmin + camera->xmax) / 2, cy = (camera->ymin + camera->ymax) / 2,
                 cz = (camera->zmin + camera->zmax) / 2;
    const double sx = 4 / (camera->xmax - camera->xmin), sy = 4 / (camera->ymax - camera->ymin),
                 sz = 4 / (camera->zmax - camera->zmin);
    double largest = 0;
    for (int32_t i = 0; i < count; ++i) {
        const double x = (xyz[3 * i] - cx) * sx, y = (xyz[3 * i + 1] - cy) * sy, z = (xyz[3 * i + 2] - cz) * sz;
        largest = std::max(largest, std::sqrt(x * x + y * y + z * z));
    }
    return largest;
}

void ViewRenderContext::SetShinyColor(RgbColor rgb)
{
    if (mode == RenderModeSoftware) {
        currentColor = rgb;
        colorSource = 0;
    } else if (mode == RenderModeGLWindow) {
        float c[4];
        Channels(rgb, 1, c);
        gl.Materialf(GL_FRONT_AND_BACK, GL_SHININESS, 32);
        gl.Materialfv(GL_FRONT_AND_BACK, GL_SPECULAR, c);
        gl.Materialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, c);
    }
}

void ViewRenderContext::SetFlatColor(RgbColor rgb)
{
    if (mode == RenderModeSoftware) {
        currentColor = rgb;
        colorSource = 0;
    } else if (mode == RenderModeGLWindow) {
        const float black[4] = {0, 0, 0, 1};
        float ambient[4];
        // The global ambient of 0.2 then gives the colour itself.
        Channels(rgb, 1 / 0.2f, ambient);
        gl.Materialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black);
        gl.Materialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, black);
        gl.Materialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    }
}

void ViewRenderContext::SetOpacity(float value)
{
    if (mode == RenderModeSoftware)
        opacity = value;
}

void ViewRenderContext::SetVertexArray(const float* xyz, int32_t count)
{
    if (mode == RenderModeSoftware) {
        positions = xyz;
        vertexCount = count;
    } else if (mode == RenderModeGLWindow) {
        gl.VertexPointer(3, GL_FLOAT, 0, xyz);
    }
}

void ViewRenderContext::SetNormalArray(const float* xyz)
{
    if (mode == RenderModeSoftware) {
        normals = xyz;
    } else if (mode == RenderModeGLWindow) {
        gl.EnableClientState(GL_NORMAL_ARRAY);
        gl.NormalPointer(GL_FLOAT, 0, xyz);
    }
}

void ViewRenderContext::SetColorArray(const float* rgb)
{
    if (mode == RenderModeSoftware) {
        colors = rgb;
        colorSource = 1;
    } else if (mode == RenderModeGLWindow) {
        // EnableColorArrayMaterial.
        const float white[4] = {1, 1, 1, 1};
        gl.Materialf(GL_FRONT_AND_BACK, GL_SHININESS, 32);
        gl.Materialfv(GL_FRONT_AND_BACK, GL_SPECULAR, white);
        gl.Enable(GL_COLOR_MATERIAL);
        gl.ColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        gl.EnableClientState(GL_COLOR_ARRAY);
        gl.ColorPointer(3, GL_FLOAT, 0, rgb);
    }
}

void ViewRenderContext::SetTexCoordArray(const float* uv)
{
    if (mode == RenderModeSoftware) {
        texCoords = uv;
        colorSource = 2;
    } else if (mode == RenderModeGLWindow) {
        // EnableTextureMaterial.
        const float white[4] = {1, 1, 1, 1};
        gl.Materialf(GL_FRONT_AND_BACK, GL_SHININESS, 32);
        gl.Materialfv(GL_FRONT_AND_BACK, GL_SPECULAR, white);
        gl.Materialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, white);
        gl.EnableClientState(GL_TEXTURE_COORD_ARRAY);
        gl.TexCoordPointer(2, GL_FLOAT, 0, uv);
    }
}

void ViewRenderContext::BindTexture(uint32_t texture)
{
    if (mode == RenderModeSoftware) {
        boundTexture = texture;
    } else if (mode == RenderModeGLWindow) {
        gl.Enable(GL_TEXTURE_2D);
        gl.BindTexture(GL_TEXTURE_2D, texture);
    }
}

void ViewRenderContext::DisableTexCoordArray()
{
    if (mode == RenderModeGLWindow) {
        gl.Disable(GL_TEXTURE_2D);
        gl.DisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
}

void ViewRenderContext::DisableColorArray()
{
    if (mode == RenderModeGLWindow) {
        gl.Disable(GL_COLOR_MATERIAL);
        gl.DisableClientState(GL_COLOR_ARRAY);
    }
}

void ViewRenderContext::DisableNormalArray()
{
    if (mode == RenderModeGLWindow)
        gl.DisableClientState(GL_NORMAL_ARRAY);
}

void ViewRenderContext::SetClipPlane(double a, double b, double c, double d)
{
    if (mode == RenderModeGLWindow) {
        const double equation[4] = {a, b, c, d};
        gl.Enable(GL_CLIP_PLANE1);
        gl.ClipPlane(GL_CLIP_PLANE1, equation);
    }
}

void ViewRenderContext::DisableClipPlane()
{
    if (mode == RenderModeGLWindow)
        gl.Disable(GL_CLIP_PLANE1);
}

bool ViewRenderContext::BindColorPrograms(GpuProgram* fragment, GpuProgram* vertex)
{
    if (mode != RenderModeGLWindow || !fragment || !vertex || !glWindow || !glWindow->MakeCurrent())
        return false;
    gl.Disable(GL_LIGHTING);
    gl.Enable(GL_VERTEX_PROGRAM_ARB);
    gl.Enable(GL_FRAGMENT_PROGRAM_ARB);
    BindGpuProgram(gl, *vertex);
    BindGpuProgram(gl, *fragment);
    gl.ProgramLocalParameter4d(GL_VERTEX_PROGRAM_ARB, 0, 1, 0, 0, 0);
    gl.Enable(GL_CULL_FACE);
    return vertex->IsUsable() && fragment->IsUsable();
}

void ViewRenderContext::FlipColorProgramSide()
{
    if (mode != RenderModeGLWindow)
        return;
    gl.ProgramLocalParameter4d(GL_VERTEX_PROGRAM_ARB, 0, -1, 0, 0, 0);
    // The second pass draws the back faces only.
    gl.CullFace(GL_FRONT);
}

void ViewRenderContext::UnbindColorPrograms()
{
    if (mode != RenderModeGLWindow)
        return;
    gl.Enable(GL_LIGHTING);
    gl.Disable(GL_VERTEX_PROGRAM_ARB);
    gl.Disable(GL_FRAGMENT_PROGRAM_ARB);
    gl.Disable(GL_CULL_FACE);
    gl.CullFace(GL_BACK);
}

void ViewRenderContext::SetFragmentProgramParameter(int32_t index, const double (&values)[4])
{
    if (mode == RenderModeGLWindow && index >= 0)
        gl.ProgramLocalParameter4dv(GL_FRAGMENT_PROGRAM_ARB, static_cast<uint32_t>(index), values);
}

bool CreateGLChildWindow(ViewRenderContext& ctx)
{
    auto* window = new (std::nothrow) GLWindow;
    if (!window)
        return false;
    window->gl = &ctx.gl;
    if (!ctx.gl.CreateWindowAndContext(*window, ctx.parent, GetGLWindowSamples())) {
        ctx.gl.DestroyWindowAndContext(*window);
        delete window;
        return false;
    }
    ctx.glWindow = window;
    ctx.nvidia = IsNVIDIARendererString(ctx.gl);
    ctx.useBufferObjects = ShouldUseVBOs(ctx.gl);
    SetupLighting(ctx.gl);
    ctx.gl.PointSize(1.5f);
    return true;
}

void ParkGLWindow(GLWindow* window)
{
    if (window)
        ParkedWindows.push_back(window);
}

void DestroyAllGLWindows()
{
    for (GLWindow* window : ParkedWindows) {
        // Meshes still in the window's buffers take their data back first.
        MeshBuffer::EvacuateWindow(window);
        if (window->gl)
            window->gl->DestroyWindowAndContext(*window);
        delete window;
    }
    ParkedWindows.clear();
}

int32_t ParkedGLWindowCount()
{
    return static_cast<int32_t>(ParkedWindows.size());
}

int32_t GetHardwareAcceleration()
{
    return HardwareAcceleration;
}

void SetHardwareAcceleration(int32_t value)
{
    HardwareAcceleration = value;
}

bool GetIgnoreZBufferTest()
{
    return IgnoreZBufferTest;
}

void SetIgnoreZBufferTest(bool value)
{
    if (AreGLExtensionsAvailable())
        IgnoreZBufferTest = value;
}

void RestartRenderingAndRegraph(DocState* doc)
{
    if (!doc || !doc->Graphs)
        return;
    doc->Graphs->ReleaseRenderResources();
    if (auto* graphs = dynamic_cast<GraphSet*>(doc->Graphs))
        graphs->SetRenderMode(RenderModeAutomatic);
    if (doc->IsGraphPaneShown()) {
        const bool animating = doc->IsAnimating();
        doc->Recompute();
        doc->BeginGraphing();
        if (animating)
            doc->StartAnimation();
    } else {
        ShellRedrawGraphPane(doc);
    }
}
