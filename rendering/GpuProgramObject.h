// Loading and binding the GPU programs of graph colours and the HSV post
// pass. A program's text goes to the driver the first time it is bound, in
// the rendering context current then; a load error or a program beyond the
// driver's native limits marks it failed for good, and callers fall back to
// colouring on the processor. ARB program names belong to the context that
// made them: a program let go while another context is current forgets its
// name instead of deleting a stranger's.
// User-interface thread, with the view's context current.
#pragma once

#include "graphmodel/GpuProgram.h"
#include "rendering/GLFunctions.h"

#include <cstdint>

// Loads on first use, then binds; callers test IsUsable afterwards.
void BindGpuProgram(GLFunctions& gl, GpuProgram& program);
// True when the driver accepted the text just handed to it.
bool CheckProgramError(GLFunctions& gl);
bool IsProgramUnderNativeLimits(GLFunctions& gl, uint32_t target, uint32_t program);
// The GL name of a loaded program; all ones before one was generated.
uint32_t GpuProgramName(const GpuProgram& program);
// Registers the release of loaded programs with the graph model (start-up).
void RegisterGpuProgramReleaser();
