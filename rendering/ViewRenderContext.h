// The render context of a 3D or 4D view: before every frame it chooses
// between the software rasterizer drawing into the graph pane's image and
// OpenGL in a child window laid over the view, builds or tears down what
// that mode needs, and then carries the drawing state the graphs set.
// User-interface thread only, except RequestRedraw, GetBoxSize and
// GetBoundingRadius, which graph workers call.
#pragma once

#include "CoreUtilities/ShortRect.h"
#include "graphmodel/GpuProgram.h"
#include "graphmodel/RenderContext.h"
#include "rendering/Camera3D.h"
#include "rendering/GLFunctions.h"
#include "rendering/SoftwareBuffers.h"

#include <cstdint>
#include <memory>

struct GLWindow;
struct OffscreenSurface;

class ViewRenderContext : public RenderContext {
public:
    explicit ViewRenderContext(GLFunctions& gl = SystemGLFunctions());
    ~ViewRenderContext() override;

    // Lifecycle.
    void SetOwner(WindowHandle parent, DocState* doc) override;
    // Chooses the mode of this frame and (re)builds the back-end when the
    // mode, the rectangle, the translucency or the pane image changed.
    void Configure(const ShortRect& rect, Camera3D* camera);
    int32_t ChooseMode(const ShortRect& rect);
    bool NeedsReconfigure(const ShortRect& rect, int32_t mode);
    void Release() override;
    int32_t GetMode() override { return mode; }
    bool IsReady() { return mode != RenderModeNone; }
    bool IsOpenGL() { return mode == RenderModeGLWindow; }
    void RequestModeRecheck() override;
    void RequestRedraw();
    GLContextHandle GetGLContext() override;
    void MakeCurrent();
    void MakeCurrentIfChildWindow() { MakeCurrent(); }
    GLWindow* GetVBOWindow();
    bool UsesVBOs() { return useBufferObjects; }
    bool IsNVIDIARenderer() override { return nvidia; }
    bool CanUseGPUPrograms() override;
    void GetBoxSize(double& dx, double& dy, double& dz);
    // Largest distance from the box centre, with the box mapped to [-2, 2]
    // on every axis; 0 for no points.
    double GetBoundingRadius(const float* xyz, int32_t count);

    // Drawing state; nothing in mode 0.
    void SetShinyColor(RgbColor rgb) override;
    void SetFlatColor(RgbColor rgb);
    void SetOpacity(float value);
    void SetVertexArray(const float* xyz, int32_t count);
    void SetNormalArray(const float* xyz);
    void SetColorArray(const float* rgb);
    void SetTexCoordArray(const float* uv);
    void BindTexture(uint32_t texture);
    void DisableTexCoordArray();
    void DisableColorArray();
    void DisableNormalArray();
    void SetClipPlane(double a, double b, double c, double d);
    void DisableClipPlane();
    bool BindColorPrograms(GpuProgram* fragment, GpuProgram* vertex) override;
    void FlipColorProgramSide();
    void UnbindColorPrograms() override;
    void SetFragmentProgramParameter(int32_t index, const double (&values)[4]) override;

    // Indexed primitives on the arrays set above; null indices take the
    // bound element buffer. Lines and points are fogged towards grey by
    // distance (lines only when asked); labels and sizes of points are
    // drawn by the software path alone.
    void DrawTriangles(const int32_t* triangles, int32_t count);
    void DrawLines(const uint16_t* pairs, int32_t count, bool fog);
    void DrawPoints(const uint16_t* indices, const char16_t* const* labels, const char16_t* const* secondLabels,
                    const float* sizes, int32_t count);
    // Textures: a SoftwareTexture in mode 1, an OpenGL name in mode 2.
    TextureHandle CreateTextureFromPicture(PictureHandle picture) override;
    bool IsTextureValid(TextureHandle texture) override;
    void DeleteTexture(TextureHandle texture, int32_t mode, GLContextHandle glContext) override;
    void HSVToRGBPostPass() override;

    // A frame: 0 ready, 2 when the software path has no pane image.
    int32_t BeginFrame(bool clearToTransparentBlack);
    void SetupCamera(bool clearToTransparentBlack, bool clearDepth);
    int32_t Present();
    // Puts the last OpenGL frame into the pane image (for copy, print and
    // export).
    void CopyFrameToPicture() override;
    // The software path's buffers for the stored rectangle: 0, or 1 when
    // memory is refused.
    int32_t InitSoftwareBuffers();

    GLFunctions& gl;
    ShortRect viewRect{0, 0, 0, 0};
    Camera3D* camera = nullptr;
    int32_t mode = RenderModeNone;
    bool useBufferObjects = false;
    bool nvidia = false;
    bool recheck = false;
    // The child window or its rendering context could not be made: software
    // until a recheck.
    bool glFailed = false;
    DocState* doc = nullptr;
    WindowHandle parent = nullptr;
    GLWindow* glWindow = nullptr;
    uint32_t backgroundTextures[3] = {0, 0, 0};
    // The HSV post pass's copy of the frame, kept while the view keeps its size.
    uint32_t postPassTexture = 0;
    // The built-in program that turns the HSV frame into RGB.
    GpuProgram hsvProgram;
    int32_t postPassWidth = 0, postPassHeight = 0;

    // Software buffers.
    OffscreenSurface* background = nullptr;
    bool backgroundComposed = false;
    uint8_t* targetPixels = nullptr;
    int32_t targetRowBytes = 0;
    int32_t targetWidth = 0, targetHeight = 0;
    std::unique_ptr<double[]> depthBuffer;
    std::unique_ptr<int32_t[]> heads;
    int32_t bufferWidth = 0, bufferHeight = 0;
    FragmentChunks fragments;
    // Antialiasing draws at twice the size into the supersample surface,
    // the view's pixels at the inner rectangle; factor 1 without it.
    int32_t factor = 1;
    ShortRect innerRect{0, 0, 0, 0};
    OffscreenSurface* supersample = nullptr;
    // Where this frame's points, lines and triangles go (set by BeginFrame):
    // the target the software Rasterize functions take.
    SoftwareTarget raster;

    // Software projection (set by BeginFrame): eye, screen right and up
    // scaled to pixels, view direction, depth scale and offset.
    Vec3 eye{0, 0, 0}, right{0, 0, 0}, up{0, 0, 0}, viewDirection{0, 0, 0};
    double depthScale = 0, depthOffset = 0;

    // Current software arrays and colour.
    int32_t vertexCount = 0;
    const float* positions = nullptr;
    const float* normals = nullptr;
    const float* texCoords = nullptr;
    const float* colors = nullptr;
    RgbColor currentColor = 0xFFFFFF;
    float opacity = 1;
    uint32_t boundTexture = 0;
    // 0 the current colour, 1 the colour array, 2 the bound texture.
    uint32_t colorSource = 0;

    // The last OpenGL frame, read before the swap: the back buffer is
    // undefined after it.
    std::unique_ptr<uint32_t[]> glFrame;
    int32_t glFrameWidth = 0, glFrameHeight = 0;

private:
    void ConfigureMode(const ShortRect& rect, Camera3D* camera);
    void ReleaseSoftwareBuffers();
    void ClearRecord();
    int32_t BeginSoftwareFrame();
    void ReadGLFrame();
};

// A context with no mode yet, requested mode automatic; null without memory.
ViewRenderContext* CreateRenderContext(GLFunctions& gl = SystemGLFunctions());
// Builds a context's child window and rendering context; false (nothing
// kept) when either cannot be made.
bool CreateGLChildWindow(ViewRenderContext& ctx);
// Released child windows stay on screen until the frame that replaces them
// is drawn; then they go in one batch.
void ParkGLWindow(GLWindow* window);
void DestroyAllGLWindows();
int32_t ParkedGLWindowCount();

// 0 not set, 1 software only, 2 OpenGL allowed (the preferences' value
// "UseHWAccleration").
int32_t GetHardwareAcceleration();
void SetHardwareAcceleration(int32_t value);
bool GetIgnoreZBufferTest();
// Changes the flag only where OpenGL is available.
void SetIgnoreZBufferTest(bool value);
// After the antialiasing setting changed: every context rebuilt, the graphs
// built again.
void RestartRenderingAndRegraph(DocState* doc);

// Triangles drawn since the last reset (the benchmark reads them).
uint64_t GetTrianglesDrawn();
void ResetTrianglesDrawn();
// Counts triangles the software path drew (it skips a degenerate box).
void AddDrawnTriangles(uint64_t count);

// Frames presented since the last reset (the benchmark reads them).
uint32_t GetFramesPresented();
void ResetFramesPresented();

// The software projection of a box point: pixel x, y in the view and depth
// (0 near, 1 far; negative in front of the near distance).
struct ProjectedPoint {
    double x, y, depth;
};
ProjectedPoint ProjectSoftwarePoint(const ViewRenderContext& ctx, double x, double y, double z);
// The OpenGL field of view in degrees for a view of this aspect.
double FieldOfViewDegrees(double zoom, double aspect);
