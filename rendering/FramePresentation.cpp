// The two ends of a 3D frame: clearing it to the background and setting up
// the camera (and, for the software path, the projection), then showing it
// by a buffer swap or by copying the software image into the pane.
#include "rendering/FrameBackground.h"
#include "rendering/GLProbe.h"
#include "rendering/ViewRenderContext.h"

#include "document/DocState.h"
#include "drawing/DDUtils.h"
#include "drawing/DibImage.h"
#include "drawing/OffscreenSurface.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#ifndef GL_BGRA
#define GL_BGRA 0x80E1
#endif
#ifndef GL_UNSIGNED_INT_8_8_8_8_REV
#define GL_UNSIGNED_INT_8_8_8_8_REV 0x8367
#endif

namespace {

uint32_t FramesPresented = 0;
constexpr double kEyeDistance = 50;
constexpr double kCoordinateLimit = 16383;

const Camera3D& CameraOf(const ViewRenderContext& ctx)
{
    static const Camera3D standIn{{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, -2, 2, -2, 2, -2, 2, kDefaultZoom3D,
                                  kMinDepthRadius3D};
    return ctx.camera ? *ctx.camera : standIn;
}

bool PaneBuffer(const DocState* doc, PixelBuffer& out)
{
    DibImage* image = doc ? doc->graphPaneImage : nullptr;
    if (!image || !GetDibImageBits(image))
        return false;
    out = PixelBuffer{reinterpret_cast<uint8_t*>(GetDibImageBits(image)), GetDibImageRowBytes(image),
                      image->header.biWidth, std::abs(image->header.biHeight)};
    return true;
}

// The eye and the screen's up before it is made square to the view.
void EyeAndUp(const Camera3D& camera, Vec3& eye, Vec3& up0)
{
    RotateVec3(eye, camera.rotation, kEyeDistance, 0, 0);
    RotateVec3(up0, camera.rotation, 0, 0, 1);
}

double NearDistance(double radius)
{
    return std::max(kEyeDistance - radius, 1.0);
}

// The supersampled frame into the pane image (which copy, print and export
// read too): each view pixel the truncated mean of its 2x2 block, opaque.
void DownsampleIntoPane(ViewRenderContext& ctx, const PixelBuffer& pane)
{
    OffscreenSurface* s = ctx.supersample;
    if (ctx.viewRect.top < 0 || ctx.viewRect.left < 0 || !LockSurface(s))
        return;
    const uint8_t* base = GetSurfaceBaseAddress(s);
    const int32_t rowBytes = GetSurfaceRowBytes(s);
    const int32_t rows = std::min(ShortRectHeight(ctx.innerRect) / 2, pane.height - ctx.viewRect.top);
    const int32_t columns = std::min(ShortRectWidth(ctx.innerRect) / 2, pane.width - ctx.viewRect.left);
    for (int32_t y = 0; y < rows; ++y) {
        const auto* upper = reinterpret_cast<const uint32_t*>(
                                base + static_cast<ptrdiff_t>(ctx.innerRect.top + 2 * y) * rowBytes) +
                            ctx.innerRect.left;
        const auto* lower = reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(upper) + rowBytes);
        auto* out = reinterpret_cast<uint32_t*>(pane.pixels +
                                                static_cast<ptrdiff_t>(ctx.viewRect.top + y) * pane.rowBytes) +
                    ctx.viewRect.left;
        for (int32_t x = 0; x < columns; ++x) {
            const uint32_t a = upper[2 * x], b = upper[2 * x + 1], c = lower[2 * x], d = lower[2 * x + 1];
            // Red and blue side by side (16 bits apart, no carry between).
            const uint32_t redBlue = (a & 0xFF00FF) + (b & 0xFF00FF) + (c & 0xFF00FF) + (d & 0xFF00FF);
            const uint32_t green = (a & 0xFF00) + (b & 0xFF00) + (c & 0xFF00) + (d & 0xFF00);
            out[x] = 0xFF000000u | ((redBlue >> 2) & 0xFF00FF) | ((green >> 2) & 0xFF00);
        }
    }
    UnlockSurface(s);
}

}  // namespace

double FieldOfViewDegrees(double zoom, double aspect)
{
    return zoom / kDefaultZoom3D * (aspect < 1 ? 10 / aspect : 10);
}

int32_t ViewRenderContext::InitSoftwareBuffers()
{
    useBufferObjects = nvidia = false;
    postPassTexture = 0;
    postPassWidth = postPassHeight = 0;
    PixelBuffer pane{};
    if (PaneBuffer(doc, pane)) {
        targetPixels = pane.pixels;
        targetRowBytes = pane.rowBytes;
        targetWidth = pane.width;
        targetHeight = pane.height;
    }
    const int32_t width = std::max(0, ShortRectWidth(viewRect)), height = std::max(0, ShortRectHeight(viewRect));
    // Antialiasing draws at twice the size with a margin of two pixels.
    const bool twice = doc && doc->UseAntialiasing && width > 0 && height > 0 && 2 * width + 4 <= 32767 &&
                       2 * height + 4 <= 32767;
    bufferWidth = twice ? 2 * width + 4 : width;
    bufferHeight = twice ? 2 * height + 4 : height;
    const size_t count = static_cast<size_t>(bufferWidth) * static_cast<size_t>(bufferHeight);
    if (doc && doc->hasTranslucent) {
        heads.reset(new (std::nothrow) int32_t[count]);
        if (!heads)
            return 1;
    } else {
        depthBuffer.reset(new (std::nothrow) double[count]);
        if (!depthBuffer)
            return 1;
    }
    if (doc && doc->BackgroundType != 0 && count > 0) {
        background = NewOffscreenSurface(viewRect);
        if (!background)
            return 1;
    }
    factor = 1;
    innerRect = ShortRect{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
    if (twice) {
        supersample = NewOffscreenSurface(
            ShortRect{0, 0, static_cast<int16_t>(bufferHeight), static_cast<int16_t>(bufferWidth)});
        if (supersample && LockSurface(supersample)) {
            factor = 2;
            innerRect = ShortRect{2, 2, static_cast<int16_t>(bufferHeight - 2), static_cast<int16_t>(bufferWidth - 2)};
        } else {
            // Too little memory for the large surface: a 1x frame in the
            // larger depth buffer or heads, indexed by the view's width.
            if (supersample)
                DisposeOffscreenSurface(supersample);
            supersample = nullptr;
            bufferWidth = width;
            bufferHeight = height;
        }
    }
    return 0;
}

int32_t ViewRenderContext::BeginFrame(bool clearToTransparentBlack)
{
    if (mode == RenderModeSoftware)
        return BeginSoftwareFrame();
    if (mode != RenderModeGLWindow || !glWindow)
        return 0;
    glWindow->MakeCurrent();
    const int width = ShortRectWidth(viewRect), height = ShortRectHeight(viewRect);
    gl.MoveWindow(*glWindow, viewRect.left, viewRect.top, width, height);
    gl.SetWindowViewRect(*glWindow, &viewRect);
    gl.Viewport(0, 0, width, height);
    SetupCamera(clearToTransparentBlack, true);
    return 0;
}

int32_t ViewRenderContext::BeginSoftwareFrame()
{
    PixelBuffer pane{};
    if (!PaneBuffer(doc, pane))
        return 2;
    if (doc->BackgroundType == 1 || doc->BackgroundType == 2) {
        if (background && !backgroundComposed) {
            ComposeSoftwareBackground(*this);
            backgroundComposed = true;
        }
        if (background && LockSurface(background)) {
            const ShortRect whole = GetSurfaceBounds(background);
            CopyRectRows(GetSurfaceBaseAddress(background), GetSurfaceRowBytes(background), whole, pane,
                         viewRect.left, viewRect.top, true);
            UnlockSurface(background);
        }
    } else {
        const uint8_t* c = doc->BackgroundColor;
        FillRect32(pane, viewRect, 0xFF000000u | uint32_t{c[0]} << 16 | uint32_t{c[1]} << 8 | c[2]);
    }
    if (heads)
        ResetABuffer(*this);
    else
        ClearDepthBuffer(*this);
    ClearSoftwareColorBuffer(*this);
    raster = MakeSoftwareTarget(*this);

    const Camera3D& cam = CameraOf(*this);
    Vec3 up0;
    EyeAndUp(cam, eye, up0);
    const double length = std::sqrt(DotVec3(eye, eye));
    viewDirection = Vec3{-eye.x / length, -eye.y / length, -eye.z / length};
    const double along = DotVec3(up0, viewDirection);
    const Vec3 square{up0.x - along * viewDirection.x, up0.y - along * viewDirection.y,
                      up0.z - along * viewDirection.z};
    Vec3 u, s;
    NormalizeVec3(square, u);
    NormalizeVec3(CrossVec3(viewDirection, s, u.x, u.y, u.z), s);
    // Both back-ends scale by the view's smaller side.
    // In view pixels: the scan converters scale a supersampled frame themselves.
    const double scale = 0.5 * std::min(ShortRectWidth(viewRect), ShortRectHeight(viewRect)) * 0.3972 *
                         kEyeDistance / cam.zoom;
    right = Vec3{s.x * scale, s.y * scale, s.z * scale};
    up = Vec3{u.x * scale, u.y * scale, u.z * scale};
    const double n = NearDistance(cam.depthRadius);
    const double f = std::min(kEyeDistance + cam.depthRadius, 100.0);
    depthScale = 1 / (f - n);
    depthOffset = n / (n - f);

    vertexCount = 0;
    positions = normals = texCoords = colors = nullptr;
    colorSource = 0;
    currentColor = 0xFFFFFF;
    opacity = 1;
    return 0;
}

ProjectedPoint ProjectSoftwarePoint(const ViewRenderContext& ctx, double x, double y, double z)
{
    const Vec3 v{x - ctx.eye.x, y - ctx.eye.y, z - ctx.eye.z};
    const double d = DotVec3(v, ctx.viewDirection);
    double px = ShortRectWidth(ctx.viewRect) / 2.0 + DotVec3(v, ctx.right) / d;
    double py = ShortRectHeight(ctx.viewRect) / 2.0 - DotVec3(v, ctx.up) / d;
    const double largest = std::max(std::fabs(px), std::fabs(py));
    if (largest > kCoordinateLimit) {
        px *= kCoordinateLimit / largest;
        py *= kCoordinateLimit / largest;
    }
    return ProjectedPoint{px, py, std::min(ctx.depthScale * d + ctx.depthOffset, 1.0)};
}

void ViewRenderContext::SetupCamera(bool clearToTransparentBlack, bool clearDepth)
{
    const uint8_t type = doc ? doc->BackgroundType : 0;
    if (clearToTransparentBlack) {
        gl.ClearColor(0, 0, 0, 0);
        gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    } else if (type == 1 || type == 2) {
        gl.Disable(GL_LIGHTING);
        gl.Disable(GL_NORMALIZE);
        gl.Disable(GL_DEPTH_TEST);
        gl.MatrixMode(GL_PROJECTION);
        gl.LoadIdentity();
        gl.MatrixMode(GL_MODELVIEW);
        gl.LoadIdentity();
        gl.Enable(GL_TEXTURE_2D);
        if (type == 1)
            DrawFloorBackground(*this, clearDepth);
        else
            DrawTiledBackground(*this, clearDepth);
        gl.Disable(GL_TEXTURE_2D);
        gl.ShadeModel(GL_SMOOTH);
        gl.Enable(GL_LIGHTING);
        gl.Enable(GL_NORMALIZE);
        gl.Enable(GL_DEPTH_TEST);
    } else {
        const uint8_t* c = doc ? doc->BackgroundColor : nullptr;
        gl.ClearColor(c ? c[0] / 255.0f : 0, c ? c[1] / 255.0f : 0, c ? c[2] / 255.0f : 0, 0);
        gl.Clear(clearDepth ? GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT : GL_COLOR_BUFFER_BIT);
    }

    const Camera3D& cam = CameraOf(*this);
    Vec3 e, u0;
    EyeAndUp(cam, e, u0);
    const double dx = cam.xmax - cam.xmin, dy = cam.ymax - cam.ymin, dz = cam.zmax - cam.zmin;
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadIdentity();
    gl.LookAt(e.x, e.y, e.z, 0, 0, 0, u0.x, u0.y, u0.z);
    gl.Scaled(4 / dx, 4 / dy, 4 / dz);
    gl.Translated(-(cam.xmin + cam.xmax) / 2, -(cam.ymin + cam.ymax) / 2, -(cam.zmin + cam.zmax) / 2);

    const int width = std::max(1, ShortRectWidth(viewRect)), height = std::max(1, ShortRectHeight(viewRect));
    const double aspect = static_cast<double>(width) / height;
    gl.MatrixMode(GL_PROJECTION);
    gl.LoadIdentity();
    gl.Perspective(FieldOfViewDegrees(cam.zoom, aspect), aspect, NearDistance(cam.depthRadius),
                   std::min(kEyeDistance + cam.depthRadius, 200.0));
    gl.Translated(0.3 / width, 0, 0);
    // The graphs' drawing and the lights work on the model-view matrix.
    gl.MatrixMode(GL_MODELVIEW);

    SetShinyColor(0xFFFFFF);
    gl.Color4f(1, 1, 1, 1);
}

int32_t ViewRenderContext::Present()
{
    if (mode == RenderModeSoftware) {
        PixelBuffer pane{};
        if (!PaneBuffer(doc, pane))
            return 2;
        ResolveABuffer(*this);
        if (supersample)
            DownsampleIntoPane(*this, pane);
        if (CurrentPort && LockDDSurface(*CurrentPort)) {
            const ShortRect bounds = GetSurfaceBounds(CurrentPort);
            const PixelBuffer port{CurrentPort->pixels, CurrentPort->rowBytes, bounds.right, bounds.bottom};
            ShortRect source;
            const ShortRect image{0, 0, static_cast<int16_t>(std::min(pane.height, 32767)),
                                  static_cast<int16_t>(std::min(pane.width, 32767))};
            if (IntersectShortRects(viewRect, image, source))
                CopyRectRows(pane.pixels, pane.rowBytes, source, port, source.left, source.top, false);
            UnlockDDSurface(*CurrentPort);
        }
    } else if (mode == RenderModeGLWindow && glWindow) {
        ReadGLFrame();
        gl.SwapBuffers(*glWindow);
    }
    ++FramesPresented;
    return 0;
}

void ViewRenderContext::ReadGLFrame()
{
    // The back buffer is undefined once swapped, so the frame that copy,
    // print and export may want is kept now.
    const int width = ShortRectWidth(viewRect), height = ShortRectHeight(viewRect);
    if (width <= 0 || height <= 0)
        return;
    if (width != glFrameWidth || height != glFrameHeight || !glFrame) {
        glFrame.reset(new (std::nothrow) uint32_t[static_cast<size_t>(width) * height]);
        glFrameWidth = glFrame ? width : 0;
        glFrameHeight = glFrame ? height : 0;
        if (!glFrame)
            return;
    }
    gl.Finish();
    gl.ReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, glFrame.get());
}

void ViewRenderContext::CopyFrameToPicture()
{
    PixelBuffer pane{};
    if (mode != RenderModeGLWindow || !glFrame || !PaneBuffer(doc, pane))
        return;
    // Framebuffer rows run from the bottom: view row i is row height - 1 - i.
    const ShortRect whole{0, 0, static_cast<int16_t>(glFrameHeight), static_cast<int16_t>(glFrameWidth)};
    CopyRectRows(reinterpret_cast<const uint8_t*>(glFrame.get()), glFrameWidth * 4, whole, pane, viewRect.left,
                 viewRect.top, true);
}

uint32_t GetFramesPresented()
{
    return FramesPresented;
}

void ResetFramesPresented()
{
    FramesPresented = 0;
}
