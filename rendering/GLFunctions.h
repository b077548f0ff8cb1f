// The OpenGL and window-system calls of the render contexts, as one table
// per context: the program uses the system's table, tests put a recording
// one in its place. Enumerations are the GL values.
// User-interface thread only.
#pragma once

#include "CoreUtilities/ShortRect.h"
#include "platform/WindowHandle.h"

#include <cstdint>

struct GLWindow;

class GLFunctions {
public:
    virtual ~GLFunctions() = default;

    // Window system. The probe makes a hidden context of its own for as
    // long as it runs; false when there is no OpenGL at all.
    virtual bool BeginProbe() = 0;
    virtual void EndProbe() = 0;
    // Whether a context with this many samples per pixel can be had.
    virtual bool TryMultisampleFormat(int samples) = 0;
    // A child window of parent with its own context (samples per pixel, 0
    // plain), made current; false (the record left null) when either fails.
    virtual bool CreateWindowAndContext(GLWindow& window, WindowHandle parent, int samples) = 0;
    virtual void DestroyWindowAndContext(GLWindow& window) = 0;
    // Skips the switch when the window's context is current already.
    virtual bool MakeCurrent(GLWindow& window) = 0;
    virtual void DoneCurrent() = 0;
    virtual void MoveWindow(GLWindow& window, int x, int y, int width, int height) = 0;
    virtual void SwapBuffers(GLWindow& window) = 0;
    // The view rectangle the child window covers, for moving mouse
    // positions into the pane.
    virtual void SetWindowViewRect(GLWindow& window, const ShortRect* rect) = 0;
    // The window system's extension list; null when it has none.
    virtual const char* WindowSystemExtensions() = 0;
    virtual void* GetProcAddress(const char* name) = 0;

    // OpenGL 1.1 and GLU.
    virtual const char* GetString(uint32_t name) = 0;
    virtual uint32_t GetError() = 0;
    virtual void Enable(uint32_t cap) = 0;
    virtual void Disable(uint32_t cap) = 0;
    virtual void EnableClientState(uint32_t array) = 0;
    virtual void DisableClientState(uint32_t array) = 0;
    virtual void Materialf(uint32_t face, uint32_t name, float value) = 0;
    virtual void Materialfv(uint32_t face, uint32_t name, const float* values) = 0;
    virtual void ColorMaterial(uint32_t face, uint32_t mode) = 0;
    virtual void VertexPointer(int size, uint32_t type, int stride, const void* data) = 0;
    virtual void NormalPointer(uint32_t type, int stride, const void* data) = 0;
    virtual void ColorPointer(int size, uint32_t type, int stride, const void* data) = 0;
    virtual void TexCoordPointer(int size, uint32_t type, int stride, const void* data) = 0;
    virtual void BindTexture(uint32_t target, uint32_t texture) = 0;
    virtual uint32_t GenTexture() = 0;
    virtual void TexParameteri(uint32_t target, uint32_t name, int value) = 0;
    virtual void PixelStorei(uint32_t name, int value) = 0;
    virtual void TexImage2D(uint32_t target, int level, int internalFormat, int width, int height, int border,
                            uint32_t format, uint32_t type, const void* pixels) = 0;
    virtual void ClipPlane(uint32_t plane, const double* equation) = 0;
    virtual void Viewport(int x, int y, int width, int height) = 0;
    virtual void ClearColor(float r, float g, float b, float a) = 0;
    virtual void Clear(uint32_t mask) = 0;
    virtual void MatrixMode(uint32_t mode) = 0;
    virtual void LoadIdentity() = 0;
    virtual void LookAt(double ex, double ey, double ez, double cx, double cy, double cz, double ux, double uy,
                        double uz) = 0;
    virtual void Perspective(double fovy, double aspect, double zNear, double zFar) = 0;
    virtual void Scaled(double x, double y, double z) = 0;
    virtual void Translated(double x, double y, double z) = 0;
    virtual void Color4f(float r, float g, float b, float a) = 0;
    virtual void DepthMask(bool write) = 0;
    virtual void ShadeModel(uint32_t mode) = 0;
    virtual void Begin(uint32_t mode) = 0;
    virtual void End() = 0;
    virtual void TexCoord2d(double s, double t) = 0;
    virtual void Vertex2d(double x, double y) = 0;
    virtual void Vertex3d(double x, double y, double z) = 0;
    virtual void Finish() = 0;
    virtual void ReadPixels(int x, int y, int width, int height, uint32_t format, uint32_t type, void* pixels) = 0;
    virtual void LightModeli(uint32_t name, int value) = 0;
    virtual void LightModelfv(uint32_t name, const float* values) = 0;
    virtual void Lightfv(uint32_t light, uint32_t name, const float* values) = 0;
    virtual void Hint(uint32_t target, uint32_t mode) = 0;
    virtual void PointSize(float size) = 0;
    // Texture names, blending and the frame copy of the HSV post pass.
    virtual bool IsTexture(uint32_t texture) = 0;
    virtual void DeleteTexture(uint32_t texture) = 0;
    virtual void BlendFunc(uint32_t source, uint32_t destination) = 0;
    virtual void ReadBuffer(uint32_t buffer) = 0;
    virtual void CopyTexSubImage2D(uint32_t target, int level, int xOffset, int yOffset, int x, int y, int width,
                                   int height) = 0;
    virtual void PushMatrix() = 0;
    virtual void PopMatrix() = 0;

    // The ARB program entry points the probe resolved; nothing without them.
    virtual void ProgramLocalParameter4d(uint32_t target, uint32_t index, double x, double y, double z,
                                         double w) = 0;
    virtual void ProgramLocalParameter4dv(uint32_t target, uint32_t index, const double* values) = 0;

    // Loading ARB programs; without the entry points they do nothing and
    // answer 0.
    // Which faces culling removes (GL_BACK at start).
    virtual void CullFace(uint32_t) {}
    virtual uint32_t GenProgram() { return 0; }
    virtual void BindProgram(uint32_t, uint32_t) {}
    virtual void ProgramString(uint32_t, uint32_t, int, const char*) {}
    virtual int GetProgramiv(uint32_t, uint32_t) { return 0; }
    virtual bool IsProgram(uint32_t) { return false; }
    virtual void DeleteProgram(uint32_t) {}
    virtual int GetIntegerv(uint32_t) { return 0; }
    // The rendering context current on this thread; null for none.
    virtual void* CurrentContext() { return nullptr; }
    // Buffer objects (the probe's entry points; nothing without them) and
    // the indexed drawing and fog of the meshes. MapBuffer answers null and
    // UnmapBuffer false when the driver failed or lost the store.
    virtual void BindBuffer(uint32_t target, uint32_t buffer) = 0;
    virtual void BufferData(uint32_t target, intptr_t size, const void* data, uint32_t usage) = 0;
    virtual void BufferSubData(uint32_t target, intptr_t offset, intptr_t size, const void* data) = 0;
    virtual void GetBufferSubData(uint32_t target, intptr_t offset, intptr_t size, void* data) = 0;
    virtual void* MapBuffer(uint32_t target, uint32_t access) = 0;
    virtual bool UnmapBuffer(uint32_t target) = 0;
    virtual void DrawElements(uint32_t mode, int count, uint32_t type, const void* indices) = 0;
    virtual void Fogi(uint32_t name, int value) = 0;
    virtual void Fogf(uint32_t name, float value) = 0;
    virtual void Fogfv(uint32_t name, const float* values) = 0;
};

// The table that calls the system's OpenGL through Qt's contexts.
GLFunctions& SystemGLFunctions();
