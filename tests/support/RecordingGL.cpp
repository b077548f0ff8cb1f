#include "support/RecordingGL.h"

#include "rendering/GLProbe.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstring>

std::vector<std::string> RecordingGL::Names() const
{
    std::vector<std::string> names;
    for (const GLCall& call : calls)
        names.push_back(call.name);
    return names;
}

int RecordingGL::Count(const std::string& name) const
{
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const GLCall& c) { return c.name == name; }));
}

std::vector<double> RecordingGL::Args(const std::string& name) const
{
    for (const GLCall& call : calls) {
        if (call.name == name)
            return call.args;
    }
    return {};
}

bool RecordingGL::HasSequence(const std::vector<GLCall>& expected) const
{
    size_t next = 0;
    for (const GLCall& call : calls) {
        if (next == expected.size())
            break;
        const GLCall& want = expected[next];
        if (call.name != want.name || call.args.size() < want.args.size())
            continue;
        bool same = true;
        for (size_t i = 0; i < want.args.size(); ++i)
            same = same && std::abs(call.args[i] - want.args[i]) <= 1e-6 * std::max(1.0, std::abs(want.args[i]));
        if (same)
            ++next;
    }
    return next == expected.size();
}

bool RecordingGL::BeginProbe()
{
    Record("BeginProbe", {});
    return probeWorks;
}

void RecordingGL::EndProbe()
{
    Record("EndProbe", {});
}

bool RecordingGL::TryMultisampleFormat(int samples)
{
    Record("TryMultisampleFormat", {double(samples)});
    return grantedSamples.count(samples) > 0;
}

bool RecordingGL::CreateWindowAndContext(GLWindow& window, WindowHandle, int samples)
{
    Record("CreateWindowAndContext", {double(samples)});
    if (failWindowCreation)
        return false;
    int& token = windowTokens_[nextWindow_++ % 64];
    window.context = &token;
    window.window = &token;
    current = &token;
    ++windowsCreated;
    return true;
}

void RecordingGL::DestroyWindowAndContext(GLWindow& window)
{
    Record("DestroyWindowAndContext", {});
    if (window.context) {
        ++windowsDestroyed;
        if (current == window.context)
            current = nullptr;
    }
    window.context = window.window = nullptr;
}

bool RecordingGL::MakeCurrent(GLWindow& window)
{
    if (!window.context)
        return false;
    if (current != window.context) {
        Record("MakeCurrent", {});
        current = window.context;
    }
    return true;
}

void RecordingGL::DoneCurrent()
{
    Record("DoneCurrent", {});
    current = nullptr;
}

void RecordingGL::MoveWindow(GLWindow&, int x, int y, int width, int height)
{
    Record("MoveWindow", {double(x), double(y), double(width), double(height)});
}

void RecordingGL::SwapBuffers(GLWindow&)
{
    Record("SwapBuffers", {});
}

void RecordingGL::SetWindowViewRect(GLWindow&, const ShortRect* rect)
{
    Record("SetWindowViewRect", {rect ? double(rect->left) : -1, rect ? double(rect->top) : -1});
}

void* RecordingGL::GetProcAddress(const char* name)
{
    Record("GetProcAddress", {});
    static int entry;
    return missingEntryPoints.count(name) ? nullptr : &entry;
}

const char* RecordingGL::GetString(uint32_t name)
{
    if (name == GL_EXTENSIONS)
        return extensions.c_str();
    if (name == GL_RENDERER)
        return renderer.c_str();
    return nullptr;
}

uint32_t RecordingGL::GetError()
{
    Record("GetError", {});
    if (pendingErrors.empty())
        return GL_NO_ERROR;
    const uint32_t error = pendingErrors.front();
    pendingErrors.erase(pendingErrors.begin());
    return error;
}

uint32_t RecordingGL::GenTexture()
{
    Record("GenTexture", {});
    return nextTexture_++;
}

void RecordingGL::ReadPixels(int x, int y, int width, int height, uint32_t format, uint32_t type, void* pixels)
{
    Record("ReadPixels", {double(x), double(y), double(width), double(height), double(format), double(type)});
    auto* out = static_cast<uint32_t*>(pixels);
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column)
            out[row * width + column] = 0xFF000000u | uint32_t(row) << 8 | uint32_t(column);
    }
}

int RecordingGL::GetProgramiv(uint32_t, uint32_t name)
{
    return name == GL_PROGRAM_UNDER_NATIVE_LIMITS_ARB ? programUnderNativeLimits : 12;
}

int RecordingGL::GetIntegerv(uint32_t name)
{
    return name == GL_PROGRAM_ERROR_POSITION_ARB ? programErrorPosition : 0;
}

namespace {

std::vector<uint8_t>* Bound(RecordingGL& gl, uint32_t target)
{
    auto b = gl.boundBuffers.find(target);
    if (b == gl.boundBuffers.end() || b->second == 0)
        return nullptr;
    return &gl.buffers[b->second];
}

}  // namespace

void RecordingGL::BindBuffer(uint32_t target, uint32_t buffer)
{
    Record("BindBuffer", {double(target), double(buffer)});
    boundBuffers[target] = buffer;
}

void RecordingGL::BufferData(uint32_t target, intptr_t size, const void* data, uint32_t usage)
{
    Record("BufferData", {double(target), double(size), double(usage)});
    if (std::vector<uint8_t>* store = Bound(*this, target)) {
        store->assign(size_t(size), 0);
        if (data)
            std::memcpy(store->data(), data, size_t(size));
    }
}

void RecordingGL::BufferSubData(uint32_t target, intptr_t offset, intptr_t size, const void* data)
{
    Record("BufferSubData", {double(target), double(offset), double(size)});
    std::vector<uint8_t>* store = Bound(*this, target);
    if (store && offset >= 0 && size >= 0 && size_t(offset + size) <= store->size())
        std::memcpy(store->data() + offset, data, size_t(size));
}

void RecordingGL::GetBufferSubData(uint32_t target, intptr_t offset, intptr_t size, void* data)
{
    Record("GetBufferSubData", {double(target), double(offset), double(size)});
    std::vector<uint8_t>* store = Bound(*this, target);
    if (store && offset >= 0 && size >= 0 && size_t(offset + size) <= store->size())
        std::memcpy(data, store->data() + offset, size_t(size));
}

void* RecordingGL::MapBuffer(uint32_t target, uint32_t access)
{
    Record("MapBuffer", {double(target), double(access)});
    std::vector<uint8_t>* store = Bound(*this, target);
    return failMap || !store ? nullptr : store->data();
}

bool RecordingGL::UnmapBuffer(uint32_t target)
{
    Record("UnmapBuffer", {double(target)});
    return !failUnmap;
}

void RecordingGL::DrawElements(uint32_t mode, int count, uint32_t type, const void* indices)
{
    Record("DrawElements", {double(mode), double(count), double(type)});
    const uint8_t* base = static_cast<const uint8_t*>(indices);
    if (std::vector<uint8_t>* store = Bound(*this, 0x8893))
        base = store->data() + reinterpret_cast<uintptr_t>(indices);
    lastIndices.clear();
    for (int i = 0; base && i < count; ++i) {
        if (type == GL_UNSIGNED_INT)
            lastIndices.push_back(reinterpret_cast<const uint32_t*>(base)[i]);
        else
            lastIndices.push_back(reinterpret_cast<const uint16_t*>(base)[i]);
    }
}
