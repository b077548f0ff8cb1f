#include "rendering/GpuProgramObject.h"

#include "rendering/GLProbe.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <new>

namespace {

constexpr uint32_t kNoProgramName = 0xFFFFFFFF;

// What a context made of a program: its name and the context it lives in.
struct LoadedProgram {
    GLFunctions* gl = nullptr;
    void* context = nullptr;
    uint32_t name = kNoProgramName;
};

// -1 until the first bind reads the renderer's name.
int NvidiaRenderer = -1;

void ReleaseProgram(GpuProgram& program)
{
    auto* loaded = static_cast<LoadedProgram*>(program.loaded);
    if (loaded->name != kNoProgramName && loaded->gl && loaded->gl->CurrentContext() == loaded->context)
        loaded->gl->DeleteProgram(loaded->name);
    delete loaded;
    program.loaded = nullptr;
}

// Errors queued by earlier calls would otherwise be read as this load's.
void DrainErrors(GLFunctions& gl)
{
    for (int i = 0; i < 32 && gl.GetError() != GL_NO_ERROR; ++i) {
    }
}

}  // namespace

bool CheckProgramError(GLFunctions& gl)
{
    const uint32_t error = gl.GetError();
    const int position = gl.GetIntegerv(GL_PROGRAM_ERROR_POSITION_ARB);
    return error != GL_INVALID_OPERATION && position < 0;
}

bool IsProgramUnderNativeLimits(GLFunctions& gl, uint32_t target, uint32_t program)
{
    const int instructions = gl.GetProgramiv(target, GL_PROGRAM_NATIVE_INSTRUCTIONS_ARB);
    const int under = gl.GetProgramiv(target, GL_PROGRAM_UNDER_NATIVE_LIMITS_ARB);
    return instructions != 0 && under != 0 && gl.IsProgram(program);
}

uint32_t GpuProgramName(const GpuProgram& program)
{
    const auto* loaded = static_cast<const LoadedProgram*>(program.loaded);
    return loaded ? loaded->name : kNoProgramName;
}

void BindGpuProgram(GLFunctions& gl, GpuProgram& program)
{
    if (NvidiaRenderer < 0)
        NvidiaRenderer = IsNVIDIARendererString(gl) ? 1 : 0;
    const bool nvidia = NvidiaRenderer == 1;
    const bool fragment = program.type == GpuFragmentProgram;
    const uint32_t target = fragment ? GL_FRAGMENT_PROGRAM_ARB : GL_VERTEX_PROGRAM_ARB;
    const bool first = !program.loaded;
    if (first) {
        auto* loaded = new (std::nothrow) LoadedProgram;
        if (!loaded) {
            program.failed = true;
            return;
        }
        loaded->gl = &gl;
        loaded->context = gl.CurrentContext();
        program.loaded = loaded;
        if (program.text.empty()) {
            program.failed = true;
            return;
        }
        loaded->name = gl.GenProgram();
        gl.BindProgram(target, loaded->name);
        DrainErrors(gl);
        gl.ProgramString(target, GL_PROGRAM_FORMAT_ASCII_ARB, static_cast<int>(program.text.size()),
                         program.text.c_str());
        if (!CheckProgramError(gl)) {
            program.failed = true;
            return;
        }
        if (nvidia && fragment && !IsProgramUnderNativeLimits(gl, target, loaded->name)) {
            program.failed = true;
            return;
        }
    }
    const uint32_t name = GpuProgramName(program);
    if (name == kNoProgramName)
        return;
    gl.BindProgram(target, name);
    if (first && !nvidia && !IsProgramUnderNativeLimits(gl, target, name))
        program.failed = true;
}

void RegisterGpuProgramReleaser()
{
    SetGpuProgramReleaser(&ReleaseProgram);
}
