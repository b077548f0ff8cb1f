// A GL function table that draws nothing and records every call with its
// numeric arguments, with a window system whose answers a test sets.
#pragma once

#include "rendering/GLFunctions.h"

#include <map>
#include <set>
#include <string>
#include <vector>

struct GLCall {
    std::string name;
    std::vector<double> args;
};

class RecordingGL : public GLFunctions {
public:
    std::vector<GLCall> calls;

    // What the window system and the driver answer.
    bool probeWorks = true;
    std::set<int> grantedSamples = {4, 2};
    std::set<std::string> missingEntryPoints;
    bool failWindowCreation = false;
    std::string extensions = "GL_ARB_vertex_buffer_object GL_ARB_vertex_program GL_ARB_fragment_program "
                             "GL_ARB_fragment_shader GL_ARB_shader_objects";
    const char* windowSystemExtensions = nullptr;
    std::string renderer = "Recording renderer";
    // What IsTexture answers.
    bool texturesValid = true;
    int windowsCreated = 0;
    int windowsDestroyed = 0;
    void* current = nullptr;

    // Names of the calls in order; how often one was made; the arguments of
    // the first (empty when never made).
    std::vector<std::string> Names() const;
    int Count(const std::string& name) const;
    std::vector<double> Args(const std::string& name) const;
    // True when calls with these names and arguments appear in this order
    // (others may come between).
    bool HasSequence(const std::vector<GLCall>& expected) const;
    void Clear() { calls.clear(); }

    bool BeginProbe() override;
    void EndProbe() override;
    bool TryMultisampleFormat(int samples) override;
    bool CreateWindowAndContext(GLWindow& window, WindowHandle parent, int samples) override;
    void DestroyWindowAndContext(GLWindow& window) override;
    bool MakeCurrent(GLWindow& window) override;
    void DoneCurrent() override;
    void MoveWindow(GLWindow& window, int x, int y, int width, int height) override;
    void SwapBuffers(GLWindow& window) override;
    void SetWindowViewRect(GLWindow& window, const ShortRect* rect) override;
    const char* WindowSystemExtensions() override { return windowSystemExtensions; }
    void* GetProcAddress(const char* name) override;

    const char* GetString(uint32_t name) override;
    uint32_t GetError() override;
    void Enable(uint32_t cap) override { Record("Enable", {double(cap)}); }
    void CullFace(uint32_t m) override { Record("CullFace", {double(m)}); }
    void Disable(uint32_t cap) override { Record("Disable", {double(cap)}); }
    void EnableClientState(uint32_t a) override { Record("EnableClientState", {double(a)}); }
    void DisableClientState(uint32_t a) override { Record("DisableClientState", {double(a)}); }
    void Materialf(uint32_t face, uint32_t name, float value) override
    {
        Record("Materialf", {double(face), double(name), value});
    }
    void Materialfv(uint32_t face, uint32_t name, const float* v) override
    {
        Record("Materialfv", {double(face), double(name), v[0], v[1], v[2], v[3]});
    }
    void ColorMaterial(uint32_t face, uint32_t mode) override { Record("ColorMaterial", {double(face), double(mode)}); }
    void VertexPointer(int size, uint32_t type, int stride, const void*) override
    {
        Record("VertexPointer", {double(size), double(type), double(stride)});
    }
    void NormalPointer(uint32_t type, int stride, const void*) override
    {
        Record("NormalPointer", {double(type), double(stride)});
    }
    void ColorPointer(int size, uint32_t type, int stride, const void*) override
    {
        Record("ColorPointer", {double(size), double(type), double(stride)});
    }
    void TexCoordPointer(int size, uint32_t type, int stride, const void*) override
    {
        Record("TexCoordPointer", {double(size), double(type), double(stride)});
    }
    void BindTexture(uint32_t target, uint32_t texture) override { Record("BindTexture", {double(target), double(texture)}); }
    uint32_t GenTexture() override;
    void TexParameteri(uint32_t target, uint32_t name, int value) override
    {
        Record("TexParameteri", {double(target), double(name), double(value)});
    }
    void PixelStorei(uint32_t name, int value) override { Record("PixelStorei", {double(name), double(value)}); }
    void TexImage2D(uint32_t target, int level, int internalFormat, int width, int height, int border,
                    uint32_t format, uint32_t type, const void*) override
    {
        Record("TexImage2D", {double(target), double(level), double(internalFormat), double(width), double(height),
                              double(border), double(format), double(type)});
    }
    void ClipPlane(uint32_t plane, const double* e) override { Record("ClipPlane", {double(plane), e[0], e[1], e[2], e[3]}); }
    void Viewport(int x, int y, int w, int h) override { Record("Viewport", {double(x), double(y), double(w), double(h)}); }
    void ClearColor(float r, float g, float b, float a) override { Record("ClearColor", {r, g, b, a}); }
    void Clear(uint32_t mask) override { Record("Clear", {double(mask)}); }
    void MatrixMode(uint32_t mode) override { Record("MatrixMode", {double(mode)}); }
    void LoadIdentity() override { Record("LoadIdentity", {}); }
    void LookAt(double ex, double ey, double ez, double cx, double cy, double cz, double ux, double uy,
                double uz) override
    {
        Record("LookAt", {ex, ey, ez, cx, cy, cz, ux, uy, uz});
    }
    void Perspective(double fovy, double aspect, double zNear, double zFar) override
    {
        Record("Perspective", {fovy, aspect, zNear, zFar});
    }
    void Scaled(double x, double y, double z) override { Record("Scaled", {x, y, z}); }
    void Translated(double x, double y, double z) override { Record("Translated", {x, y, z}); }
    void Color4f(float r, float g, float b, float a) override { Record("Color4f", {r, g, b, a}); }
    void DepthMask(bool write) override { Record("DepthMask", {double(write)}); }
    void ShadeModel(uint32_t mode) override { Record("ShadeModel", {double(mode)}); }
    void Begin(uint32_t mode) override { Record("Begin", {double(mode)}); }
    void End() override { Record("End", {}); }
    void TexCoord2d(double s, double t) override { Record("TexCoord2d", {s, t}); }
    void Vertex2d(double x, double y) override { Record("Vertex2d", {x, y}); }
    void Vertex3d(double x, double y, double z) override { Record("Vertex3d", {x, y, z}); }
    void Finish() override { Record("Finish", {}); }
    // Fills pixel (x, y) with 0xFF000000 | y << 8 | x (y counted from the bottom).
    void ReadPixels(int x, int y, int width, int height, uint32_t format, uint32_t type, void* pixels) override;
    void LightModeli(uint32_t name, int value) override { Record("LightModeli", {double(name), double(value)}); }
    void LightModelfv(uint32_t name, const float* v) override
    {
        Record("LightModelfv", {double(name), v[0], v[1], v[2], v[3]});
    }
    void Lightfv(uint32_t light, uint32_t name, const float* v) override
    {
        Record("Lightfv", {double(light), double(name), v[0], v[1], v[2], v[3]});
    }
    void Hint(uint32_t target, uint32_t mode) override { Record("Hint", {double(target), double(mode)}); }
    void PointSize(float size) override { Record("PointSize", {size}); }
    bool IsTexture(uint32_t texture) override
    {
        Record("IsTexture", {double(texture)});
        return texturesValid;
    }
    void DeleteTexture(uint32_t texture) override { Record("DeleteTexture", {double(texture)}); }
    void BlendFunc(uint32_t s, uint32_t d) override { Record("BlendFunc", {double(s), double(d)}); }
    void ReadBuffer(uint32_t buffer) override { Record("ReadBuffer", {double(buffer)}); }
    void CopyTexSubImage2D(uint32_t target, int level, int xo, int yo, int x, int y, int w, int h) override
    {
        Record("CopyTexSubImage2D", {double(target), double(level), double(xo), double(yo), double(x), double(y),
                                     double(w), double(h)});
    }
    void PushMatrix() override { Record("PushMatrix", {}); }
    void PopMatrix() override { Record("PopMatrix", {}); }
    void ProgramLocalParameter4d(uint32_t target, uint32_t index, double x, double y, double z, double w) override
    {
        Record("ProgramLocalParameter4d", {double(target), double(index), x, y, z, w});
    }
    void ProgramLocalParameter4dv(uint32_t target, uint32_t index, const double* v) override
    {
        Record("ProgramLocalParameter4dv", {double(target), double(index), v[0], v[1], v[2], v[3]});
    }

    // Buffer objects keep their bytes, so what is written can be read back;
    // with failMap set MapBuffer answers null, with failUnmap UnmapBuffer
    // reports the store lost.
    void BindBuffer(uint32_t target, uint32_t buffer) override;
    void BufferData(uint32_t target, intptr_t size, const void* data, uint32_t usage) override;
    void BufferSubData(uint32_t target, intptr_t offset, intptr_t size, const void* data) override;
    void GetBufferSubData(uint32_t target, intptr_t offset, intptr_t size, void* data) override;
    void* MapBuffer(uint32_t target, uint32_t access) override;
    bool UnmapBuffer(uint32_t target) override;
    void DrawElements(uint32_t mode, int count, uint32_t type, const void* indices) override;
    void Fogi(uint32_t name, int value) override { Record("Fogi", {double(name), double(value)}); }
    void Fogf(uint32_t name, float value) override { Record("Fogf", {double(name), value}); }
    void Fogfv(uint32_t name, const float* v) override { Record("Fogfv", {double(name), v[0], v[1], v[2], v[3]}); }
    std::map<uint32_t, std::vector<uint8_t>> buffers;
    std::map<uint32_t, uint32_t> boundBuffers;
    bool failMap = false;
    bool failUnmap = false;
    // The indices of the last DrawElements, read from the pointer or the
    // bound element buffer.
    std::vector<uint32_t> lastIndices;

    // Errors GetError hands out, first to last.
    std::vector<uint32_t> pendingErrors;

    // ARB programs: names handed out from 1; what the driver answers after a
    // program text (error position, native limits).
    uint32_t nextProgram = 1;
    int programErrorPosition = -1;
    int programUnderNativeLimits = 1;
    uint32_t GenProgram() override
    {
        Record("GenProgram", {});
        return nextProgram++;
    }
    void BindProgram(uint32_t target, uint32_t program) override { Record("BindProgram", {double(target), double(program)}); }
    void ProgramString(uint32_t target, uint32_t format, int length, const char*) override
    {
        Record("ProgramString", {double(target), double(format), double(length)});
    }
    int GetProgramiv(uint32_t target, uint32_t name) override;
    bool IsProgram(uint32_t program) override { return program > 0 && program < nextProgram; }
    void DeleteProgram(uint32_t program) override { Record("DeleteProgram", {double(program)}); }
    int GetIntegerv(uint32_t name) override;
    void* CurrentContext() override { return current; }

private:
    void Record(const char* name, std::vector<double> args) { calls.push_back(GLCall{name, std::move(args)}); }
    uint32_t nextTexture_ = 1;
    int nextWindow_ = 0;
    int windowTokens_[64] = {};
};
