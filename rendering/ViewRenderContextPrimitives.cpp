#include "rendering/ViewRenderContext.h"

#include <GL/gl.h>

namespace {

uint64_t TrianglesDrawn = 0;

// Far parts of lines and points fade into the grey of the fog.
void EnableDistanceFog(GLFunctions& gl)
{
    const float grey[4] = {0.5f, 0.5f, 0.5f, 1};
    gl.Enable(GL_FOG);
    gl.Fogfv(GL_FOG_COLOR, grey);
    gl.Fogi(GL_FOG_MODE, GL_LINEAR);
    gl.Hint(GL_FOG_HINT, GL_DONT_CARE);
    gl.Fogf(GL_FOG_DENSITY, 0.5f);
    gl.Fogf(GL_FOG_START, 48);
    gl.Fogf(GL_FOG_END, 52);
}

}  // namespace

uint64_t GetTrianglesDrawn()
{
    return TrianglesDrawn;
}

void ResetTrianglesDrawn()
{
    TrianglesDrawn = 0;
}

void ViewRenderContext::DrawTriangles(const int32_t* triangles, int32_t count)
{
    if (count <= 0)
        return;
    if (mode == RenderModeGLWindow)
        gl.DrawElements(GL_TRIANGLES, 3 * count, GL_UNSIGNED_INT, triangles);
    // wired at merge: the software triangles (projection, lighting, rasterizer), which skip the count for a
    // degenerate box
    TrianglesDrawn += static_cast<uint64_t>(count);
}

void ViewRenderContext::DrawLines(const uint16_t* pairs, int32_t count, bool fog)
{
    if (count <= 0 || mode != RenderModeGLWindow)
        return;  // wired at merge: the software lines with their depth cue
    if (fog)
        EnableDistanceFog(gl);
    gl.DrawElements(GL_LINES, 2 * count, GL_UNSIGNED_SHORT, pairs);
    if (fog)
        gl.Disable(GL_FOG);
}

void ViewRenderContext::DrawPoints(const uint16_t* indices, const char16_t* const*, const char16_t* const*,
                                   const float*, int32_t count)
{
    if (count <= 0 || mode != RenderModeGLWindow)
        return;  // wired at merge: the software points, labels and second labels
    EnableDistanceFog(gl);
    gl.DrawElements(GL_POINTS, count, GL_UNSIGNED_SHORT, indices);
    gl.Disable(GL_FOG);
}
