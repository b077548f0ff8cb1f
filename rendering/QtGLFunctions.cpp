// The system's OpenGL through Qt: compatibility-profile contexts (the views
// use the fixed-function pipeline and ARB programs), child windows placed
// in the graph pane by a window container, and GL 1.1 and GLU called
// directly on the current context.
#include "rendering/GLChildWindow.h"
#include "rendering/GLFunctions.h"
#include "rendering/GLProbe.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QWidget>

#include <memory>

namespace {

QSurfaceFormat CompatibilityFormat(int samples)
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setSamples(samples > 0 ? samples : -1);
    return format;
}

// Platforms that show nothing on a screen have no OpenGL worth probing.
bool PlatformCanShowOpenGL()
{
    const QString name = QGuiApplication::platformName();
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) && name != QLatin1String("offscreen") &&
           name != QLatin1String("minimal");
}

template <typename F>
F Entry(GLEntryPoint which)
{
    return reinterpret_cast<F>(GetGLEntryPoint(which));
}

class QtGLFunctions final : public GLFunctions {
public:
    bool BeginProbe() override
    {
        if (!PlatformCanShowOpenGL())
            return false;
        probeSurface_ = std::make_unique<QOffscreenSurface>();
        probeSurface_->setFormat(CompatibilityFormat(0));
        probeSurface_->create();
        probeContext_ = std::make_unique<QOpenGLContext>();
        probeContext_->setFormat(CompatibilityFormat(0));
        if (!probeSurface_->isValid() || !probeContext_->create() || !probeContext_->makeCurrent(probeSurface_.get())) {
            EndProbe();
            return false;
        }
        return true;
    }
    void EndProbe() override
    {
        if (probeContext_)
            probeContext_->doneCurrent();
        probeContext_.reset();
        probeSurface_.reset();
    }
    bool TryMultisampleFormat(int samples) override
    {
        QOffscreenSurface surface;
        surface.setFormat(CompatibilityFormat(samples));
        surface.create();
        QOpenGLContext context;
        context.setFormat(CompatibilityFormat(samples));
        bool granted = surface.isValid() && context.create() && context.format().samples() >= samples;
        // The probe's own context stays current for the entry points.
        if (probeContext_ && probeSurface_)
            probeContext_->makeCurrent(probeSurface_.get());
        return granted;
    }
    bool CreateWindowAndContext(GLWindow& window, WindowHandle parent, int samples) override
    {
        auto* child = new GLChildWindow(parent);
        child->setFormat(CompatibilityFormat(samples));
        child->setGeometry(0, 0, 1, 1);
        QWidget* container = QWidget::createWindowContainer(child, parent);
        container->setGeometry(0, 0, 1, 1);
        container->setFocusPolicy(Qt::NoFocus);
        container->show();
        child->create();
        auto* context = new QOpenGLContext;
        context->setFormat(child->format());
        window.window = child;
        window.container = container;
        if (!context->create() || !context->makeCurrent(child)) {
            delete context;
            return false;
        }
        window.context = context;
        return true;
    }
    void DestroyWindowAndContext(GLWindow& window) override
    {
        auto* context = static_cast<QOpenGLContext*>(window.context);
        if (context) {
            if (QOpenGLContext::currentContext() == context)
                context->doneCurrent();
            delete context;
        }
        // The container owns the child window.
        delete window.container;
        window.context = window.window = nullptr;
        window.container = nullptr;
    }
    bool MakeCurrent(GLWindow& window) override
    {
        auto* context = static_cast<QOpenGLContext*>(window.context);
        auto* child = static_cast<QWindow*>(window.window);
        if (!context || !child)
            return false;
        if (QOpenGLContext::currentContext() == context && context->surface() == child)
            return true;
        return context->makeCurrent(child);
    }
    void DoneCurrent() override
    {
        if (QOpenGLContext* current = QOpenGLContext::currentContext())
            current->doneCurrent();
    }
    void MoveWindow(GLWindow& window, int x, int y, int width, int height) override
    {
        if (!window.container)
            return;
        const bool resized = window.container->width() != width || window.container->height() != height;
        window.container->setGeometry(x, y, width, height);
        // Mesa's software driver learns a window's new size only at a buffer
        // swap; until then the frame would be drawn into the old size.
        auto* context = static_cast<QOpenGLContext*>(window.context);
        if (resized && context && QOpenGLContext::currentContext() == context)
            context->swapBuffers(static_cast<QWindow*>(window.window));
    }
    void SwapBuffers(GLWindow& window) override
    {
        auto* context = static_cast<QOpenGLContext*>(window.context);
        if (context && window.window)
            context->swapBuffers(static_cast<QWindow*>(window.window));
    }
    void SetWindowViewRect(GLWindow& window, const ShortRect* rect) override
    {
        if (window.window)
            static_cast<GLChildWindow*>(window.window)->SetViewRect(rect);
    }
    const char* WindowSystemExtensions() override { return nullptr; }
    void* GetProcAddress(const char* name) override
    {
        QOpenGLContext* current = QOpenGLContext::currentContext();
        return current ? reinterpret_cast<void*>(current->getProcAddress(name)) : nullptr;
    }

    const char* GetString(uint32_t name) override { return reinterpret_cast<const char*>(glGetString(name)); }
    uint32_t GetError() override { return glGetError(); }
    void Enable(uint32_t cap) override { glEnable(cap); }
    void CullFace(uint32_t mode) override { glCullFace(mode); }
    void Disable(uint32_t cap) override { glDisable(cap); }
    void EnableClientState(uint32_t array) override { glEnableClientState(array); }
    void DisableClientState(uint32_t array) override { glDisableClientState(array); }
    void Materialf(uint32_t face, uint32_t name, float value) override { glMaterialf(face, name, value); }
    void Materialfv(uint32_t face, uint32_t name, const float* values) override { glMaterialfv(face, name, values); }
    void ColorMaterial(uint32_t face, uint32_t mode) override { glColorMaterial(face, mode); }
    void VertexPointer(int size, uint32_t type, int stride, const void* data) override
    {
        glVertexPointer(size, type, stride, data);
    }
    void NormalPointer(uint32_t type, int stride, const void* data) override { glNormalPointer(type, stride, data); }
    void ColorPointer(int size, uint32_t type, int stride, const void* data) override
    {
        glColorPointer(size, type, stride, data);
    }
    void TexCoordPointer(int size, uint32_t type, int stride, const void* data) override
    {
        glTexCoordPointer(size, type, stride, data);
    }
    void BindTexture(uint32_t target, uint32_t texture) override { glBindTexture(target, texture); }
    uint32_t GenTexture() override
    {
        GLuint name = 0;
        glGenTextures(1, &name);
        return name;
    }
    void TexParameteri(uint32_t target, uint32_t name, int value) override { glTexParameteri(target, name, value); }
    void PixelStorei(uint32_t name, int value) override { glPixelStorei(name, value); }
    void TexImage2D(uint32_t target, int level, int internalFormat, int width, int height, int border,
                    uint32_t format, uint32_t type, const void* pixels) override
    {
        glTexImage2D(target, level, internalFormat, width, height, border, format, type, pixels);
    }
    void ClipPlane(uint32_t plane, const double* equation) override { glClipPlane(plane, equation); }
    void Viewport(int x, int y, int width, int height) override { glViewport(x, y, width, height); }
    void ClearColor(float r, float g, float b, float a) override { glClearColor(r, g, b, a); }
    void Clear(uint32_t mask) override { glClear(mask); }
    void MatrixMode(uint32_t mode) override { glMatrixMode(mode); }
    void LoadIdentity() override { glLoadIdentity(); }
    void LookAt(double ex, double ey, double ez, double cx, double cy, double cz, double ux, double uy,
                double uz) override
    {
        gluLookAt(ex, ey, ez, cx, cy, cz, ux, uy, uz);
    }
    void Perspective(double fovy, double aspect, double zNear, double zFar) override
    {
        gluPerspective(fovy, aspect, zNear, zFar);
    }
    void Scaled(double x, double y, double z) override { glScaled(x, y, z); }
    void Translated(double x, double y, double z) override { glTranslated(x, y, z); }
    void Color4f(float r, float g, float b, float a) override { glColor4f(r, g, b, a); }
    void DepthMask(bool write) override { glDepthMask(write ? GL_TRUE : GL_FALSE); }
    void ShadeModel(uint32_t mode) override { glShadeModel(mode); }
    void Begin(uint32_t mode) override { glBegin(mode); }
    void End() override { glEnd(); }
    void TexCoord2d(double s, double t) override { glTexCoord2d(s, t); }
    void Vertex2d(double x, double y) override { glVertex2d(x, y); }
    void Vertex3d(double x, double y, double z) override { glVertex3d(x, y, z); }
    void Finish() override { glFinish(); }
    void ReadPixels(int x, int y, int width, int height, uint32_t format, uint32_t type, void* pixels) override
    {
        glReadPixels(x, y, width, height, format, type, pixels);
    }
    void LightModeli(uint32_t name, int value) override { glLightModeli(name, value); }
    void LightModelfv(uint32_t name, const float* values) override { glLightModelfv(name, values); }
    void Lightfv(uint32_t light, uint32_t name, const float* values) override { glLightfv(light, name, values); }
    void Hint(uint32_t target, uint32_t mode) override { glHint(target, mode); }
    void PointSize(float size) override { glPointSize(size); }
    bool IsTexture(uint32_t texture) override { return glIsTexture(texture) == GL_TRUE; }
    void DeleteTexture(uint32_t texture) override { glDeleteTextures(1, &texture); }
    void BlendFunc(uint32_t source, uint32_t destination) override { glBlendFunc(source, destination); }
    void ReadBuffer(uint32_t buffer) override { glReadBuffer(buffer); }
    void CopyTexSubImage2D(uint32_t target, int level, int xOffset, int yOffset, int x, int y, int width,
                           int height) override
    {
        glCopyTexSubImage2D(target, level, xOffset, yOffset, x, y, width, height);
    }
    void PushMatrix() override { glPushMatrix(); }
    void PopMatrix() override { glPopMatrix(); }
    void ProgramLocalParameter4d(uint32_t target, uint32_t index, double x, double y, double z, double w) override
    {
        if (auto f = Entry<PFNGLPROGRAMLOCALPARAMETER4DARBPROC>(EntryProgramLocalParameter4d))
            f(target, index, x, y, z, w);
    }
    void ProgramLocalParameter4dv(uint32_t target, uint32_t index, const double* values) override
    {
        if (auto f = Entry<PFNGLPROGRAMLOCALPARAMETER4DVARBPROC>(EntryProgramLocalParameter4dv))
            f(target, index, values);
    }
    void BindBuffer(uint32_t target, uint32_t buffer) override
    {
        if (auto f = Entry<PFNGLBINDBUFFERPROC>(EntryBindBuffer))
            f(target, buffer);
    }
    void BufferData(uint32_t target, intptr_t size, const void* data, uint32_t usage) override
    {
        if (auto f = Entry<PFNGLBUFFERDATAPROC>(EntryBufferData))
            f(target, size, data, usage);
    }
    void BufferSubData(uint32_t target, intptr_t offset, intptr_t size, const void* data) override
    {
        if (auto f = Entry<PFNGLBUFFERSUBDATAPROC>(EntryBufferSubData))
            f(target, offset, size, data);
    }
    void GetBufferSubData(uint32_t target, intptr_t offset, intptr_t size, void* data) override
    {
        if (auto f = Entry<PFNGLGETBUFFERSUBDATAPROC>(EntryGetBufferSubData))
            f(target, offset, size, data);
    }
    void* MapBuffer(uint32_t target, uint32_t access) override
    {
        auto f = Entry<PFNGLMAPBUFFERPROC>(EntryMapBuffer);
        return f ? f(target, access) : nullptr;
    }
    bool UnmapBuffer(uint32_t target) override
    {
        auto f = Entry<PFNGLUNMAPBUFFERPROC>(EntryUnmapBuffer);
        return f && f(target) == GL_TRUE;
    }
    void DrawElements(uint32_t mode, int count, uint32_t type, const void* indices) override
    {
        glDrawElements(mode, count, type, indices);
    }
    void Fogi(uint32_t name, int value) override { glFogi(name, value); }
    void Fogf(uint32_t name, float value) override { glFogf(name, value); }
    void Fogfv(uint32_t name, const float* values) override { glFogfv(name, values); }

    uint32_t GenProgram() override
    {
        GLuint name = 0;
        if (auto f = Entry<PFNGLGENPROGRAMSARBPROC>(EntryGenPrograms))
            f(1, &name);
        return name;
    }
    void BindProgram(uint32_t target, uint32_t program) override
    {
        if (auto f = Entry<PFNGLBINDPROGRAMARBPROC>(EntryBindProgram))
            f(target, program);
    }
    void ProgramString(uint32_t target, uint32_t format, int length, const char* text) override
    {
        if (auto f = Entry<PFNGLPROGRAMSTRINGARBPROC>(EntryProgramString))
            f(target, format, length, text);
    }
    int GetProgramiv(uint32_t target, uint32_t name) override
    {
        GLint value = 0;
        if (auto f = Entry<PFNGLGETPROGRAMIVARBPROC>(EntryGetProgramiv))
            f(target, name, &value);
        return value;
    }
    bool IsProgram(uint32_t program) override
    {
        auto f = Entry<PFNGLISPROGRAMARBPROC>(EntryIsProgram);
        return f && f(program);
    }
    void DeleteProgram(uint32_t program) override
    {
        if (auto f = Entry<PFNGLDELETEPROGRAMSARBPROC>(EntryDeletePrograms))
            f(1, &program);
    }
    int GetIntegerv(uint32_t name) override
    {
        GLint value = 0;
        glGetIntegerv(name, &value);
        return value;
    }
    void* CurrentContext() override { return QOpenGLContext::currentContext(); }

private:
    std::unique_ptr<QOffscreenSurface> probeSurface_;
    std::unique_ptr<QOpenGLContext> probeContext_;
};

}  // namespace

GLFunctions& SystemGLFunctions()
{
    static QtGLFunctions table;
    return table;
}
