#include "rendering/GLProbe.h"

#include <GL/gl.h>

#include <cstring>
#include <initializer_list>
#include <string>

#ifndef GL_MULTISAMPLE_ARB
#define GL_MULTISAMPLE_ARB 0x809D
#endif
#ifndef GL_MULTISAMPLE_FILTER_HINT_NV
#define GL_MULTISAMPLE_FILTER_HINT_NV 0x8534
#endif

const char* const kGLEntryPointNames[GLEntryPointCount] = {
    "glProgramLocalParameter4dARB", "glProgramLocalParameter4dvARB", "glIsProgramARB", "glBindBuffer",
    "glBufferSubData", "glMapBuffer", "glUnmapBuffer", "glBufferData", "glIsBuffer", "glGetBufferSubData",
    "glDeleteProgramsARB", "glGetProgramivARB", "glGenProgramsARB", "glBindProgramARB", "glProgramStringARB",
};

namespace {

bool ExtensionsAvailable = false;
int WindowSamples = 0;
int ProbeCount = 0;
void* EntryPoints[GLEntryPointCount] = {};
std::string RendererName;

bool IsBlankOrEnd(char c)
{
    return c == ' ' || c == '\0';
}

}  // namespace

bool GLWindow::MakeCurrent()
{
    return gl && context && gl->MakeCurrent(*this);
}

void ProbeOpenGL(GLFunctions& gl)
{
    ++ProbeCount;
    ExtensionsAvailable = false;
    WindowSamples = 0;
    for (void*& entry : EntryPoints)
        entry = nullptr;
    RendererName.clear();
    if (!gl.BeginProbe())
        return;
    const char* renderer = gl.GetString(GL_RENDERER);
    RendererName = renderer ? renderer : "";
    ChooseMultisampleFormat(gl);
    int resolved = 0;
    for (; resolved < GLEntryPointCount; ++resolved) {
        EntryPoints[resolved] = gl.GetProcAddress(kGLEntryPointNames[resolved]);
        if (!EntryPoints[resolved])
            break;
    }
    ExtensionsAvailable = resolved == GLEntryPointCount;
    gl.EndProbe();
}

bool AreGLExtensionsAvailable()
{
    return ExtensionsAvailable;
}

void* GetGLEntryPoint(GLEntryPoint which)
{
    return which >= 0 && which < GLEntryPointCount ? EntryPoints[which] : nullptr;
}

int GetGLWindowSamples()
{
    return WindowSamples;
}

const std::string& GetGLRendererName()
{
    return RendererName;
}

int GetProbeCount()
{
    return ProbeCount;
}

bool ChooseMultisampleFormat(GLFunctions& gl)
{
    for (int samples : {4, 2}) {
        if (gl.TryMultisampleFormat(samples)) {
            WindowSamples = samples;
            return true;
        }
    }
    return false;
}

bool ListHasExtension(const char* list, const char* name)
{
    if (!list || !name || !*name || std::strchr(name, ' '))
        return false;
    const size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at; at = std::strstr(at + length, name)) {
        if ((at == list || at[-1] == ' ') && IsBlankOrEnd(at[length]))
            return true;
    }
    return false;
}

bool HasGLExtension(GLFunctions& gl, const char* name)
{
    return ListHasExtension(gl.WindowSystemExtensions(), name) ||
           ListHasExtension(gl.GetString(GL_EXTENSIONS), name);
}

bool IsNVIDIARendererString(GLFunctions& gl)
{
    const char* renderer = gl.GetString(GL_RENDERER);
    return renderer && (renderer[0] == 'N' || renderer[0] == 'n') && (renderer[1] == 'V' || renderer[1] == 'v');
}

bool IsRadeon9800Renderer(GLFunctions& gl)
{
    const char* renderer = gl.GetString(GL_RENDERER);
    return renderer && std::strncmp(renderer, "ATI Radeon 9800", 15) == 0;
}

bool ShouldUseVBOs(GLFunctions& gl)
{
    return HasGLExtension(gl, "GL_ARB_vertex_buffer_object") && !IsRadeon9800Renderer(gl);
}

void SetupLighting(GLFunctions& gl)
{
    gl.ShadeModel(GL_SMOOTH);
    gl.Enable(GL_LIGHTING);
    gl.Enable(GL_NORMALIZE);
    gl.Enable(GL_DEPTH_TEST);
    gl.LightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    const float ambient[4] = {0.2f, 0.2f, 0.2f, 1};
    gl.LightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    // The light's position below is then in eye coordinates.
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadIdentity();
    const float diffuse[4] = {0.6f, 0.6f, 0.6f, 1};
    const float specular[4] = {0.2f, 0.2f, 0.2f, 1};
    // From the left, above and in front of the viewer.
    const float position[4] = {-1, 1, 1, 0};
    gl.Lightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    gl.Lightfv(GL_LIGHT0, GL_SPECULAR, specular);
    gl.Lightfv(GL_LIGHT0, GL_POSITION, position);
    gl.Enable(GL_LIGHT0);
    gl.Enable(GL_MULTISAMPLE_ARB);
    gl.Hint(GL_MULTISAMPLE_FILTER_HINT_NV, GL_FASTEST);
    gl.EnableClientState(GL_VERTEX_ARRAY);
    // Drivers without the filter hint refuse it; that error must not be
    // taken for a later call's. Drain every queued error.
    for (int i = 0; i < 16 && gl.GetError() != GL_NO_ERROR; ++i) {
    }
}
