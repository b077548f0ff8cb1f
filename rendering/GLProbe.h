// What the system's OpenGL offers the 3D views, learnt once by a probe at
// start-up: whether every entry point they need exists and how many samples
// per pixel the child windows get; and the extension and renderer tests
// that decide on buffer objects and GPU programs.
// User-interface thread only.
#pragma once

#include "rendering/GLFunctions.h"

#include <string>

// The OpenGL side of one render context: its child window of the graph
// pane and the window's own rendering context.
struct GLWindow {
    void* context = nullptr;         // the rendering context
    void* window = nullptr;          // the child window it draws in
    WindowHandle container = nullptr;  // places the child window in the pane
    GLFunctions* gl = nullptr;       // the table that made it

    // Makes the window's context current unless it is already.
    bool MakeCurrent();
};

// The entry points the views need, in the order the probe resolves them.
enum GLEntryPoint : int {
    EntryProgramLocalParameter4d,
    EntryProgramLocalParameter4dv,
    EntryIsProgram,
    EntryBindBuffer,
    EntryBufferSubData,
    EntryMapBuffer,
    EntryUnmapBuffer,
    EntryBufferData,
    EntryIsBuffer,
    EntryGetBufferSubData,
    EntryDeletePrograms,
    EntryGetProgramiv,
    EntryGenPrograms,
    EntryBindProgram,
    EntryProgramString,
    GLEntryPointCount
};
extern const char* const kGLEntryPointNames[GLEntryPointCount];

// Start-up probe (again after a display change, with every context released
// first): clears the outcome, then on a hidden context chooses the
// multisample format and resolves the entry points. No OpenGL is no error:
// the views then draw in software.
void ProbeOpenGL(GLFunctions& gl = SystemGLFunctions());
// Set when the last probe resolved every entry point.
bool AreGLExtensionsAvailable();
// The resolved entry point (null without a probe that found it).
void* GetGLEntryPoint(GLEntryPoint which);
// Samples per pixel of the child windows: 4, 2, or 0 for the plain format.
int GetGLWindowSamples();
// The renderer the last probe's context named; empty without OpenGL.
const std::string& GetGLRendererName();
// How many probes ran in this process.
int GetProbeCount();

// Tries 4 samples per pixel, then 2; true when one was granted.
bool ChooseMultisampleFormat(GLFunctions& gl);
// Whether name occurs in the blank-separated list as a whole word.
bool ListHasExtension(const char* list, const char* name);
// Searches the window system's list, then GL_EXTENSIONS, of the current
// context; false for an empty name or one with a blank.
bool HasGLExtension(GLFunctions& gl, const char* name);
// The renderer's name begins with "nV" in any case.
bool IsNVIDIARendererString(GLFunctions& gl);
bool IsRadeon9800Renderer(GLFunctions& gl);
// Buffer objects, except on the one renderer that mishandles them.
bool ShouldUseVBOs(GLFunctions& gl);
// Lighting, depth and multisampling of a fresh rendering context.
void SetupLighting(GLFunctions& gl);
