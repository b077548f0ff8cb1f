#include "rendering/ViewRenderContext.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "rendering/PrimitiveDrawing.h"

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

void AddDrawnTriangles(uint64_t count)
{
    TrianglesDrawn += count;
}

void ViewRenderContext::DrawTriangles(const int32_t* triangles, int32_t count)
{
    if (count <= 0)
        return;
    if (mode == RenderModeGLWindow) {
        gl.DrawElements(GL_TRIANGLES, 3 * count, GL_UNSIGNED_INT, triangles);
        TrianglesDrawn += static_cast<uint64_t>(count);
    } else if (mode == RenderModeSoftware && !DrawSoftwareTriangles(*this, triangles, count, nullptr)) {
        PostFailure(FailureOutOfMemory);
    }
}

void ViewRenderContext::DrawLines(const uint16_t* pairs, int32_t count, bool fog)
{
    if (count <= 0)
        return;
    if (mode == RenderModeSoftware) {
        if (!DrawSoftwareLines(*this, pairs, count))
            PostFailure(FailureOutOfMemory);
        return;
    }
    if (mode != RenderModeGLWindow)
        return;
    if (fog)
        EnableDistanceFog(gl);
    gl.DrawElements(GL_LINES, 2 * count, GL_UNSIGNED_SHORT, pairs);
    if (fog)
        gl.Disable(GL_FOG);
}

void ViewRenderContext::DrawPoints(const uint16_t* indices, const char16_t* const* labels,
                                   const char16_t* const* secondLabels, const float* sizes, int32_t count)
{
    if (count <= 0)
        return;
    if (mode == RenderModeSoftware) {
        if (!DrawSoftwarePoints(*this, indices, labels, secondLabels, sizes, count))
            PostFailure(FailureOutOfMemory);
        return;
    }
    if (mode != RenderModeGLWindow)
        return;
    EnableDistanceFog(gl);
    gl.DrawElements(GL_POINTS, count, GL_UNSIGNED_SHORT, indices);
    gl.Disable(GL_FOG);
}
